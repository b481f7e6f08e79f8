// The overlay pass, the frame's last: alpha blending on with source-alpha
// factors, stage 0 modulating texture and colour in both colour and alpha,
// linear filtering and clamped addressing on sampler 0 (point filtering set
// and replaced first, as it always was), depth test and fog off, the matrix
// stack's top as the world and the scene vertex's FVF; the banner, then wrap
// addressing again and a straight-ahead view for the opening fade.
#include "render/scene_vertex.h"
#include "scene/scene.h"

bool Scene::DrawOverlayPass(RenderContext& context, uint32_t bannerElapsedMs) {
    IDirect3DDevice9* device = context.device;
    stateCache.SetRenderStateCached(device, D3DRS_ALPHABLENDENABLE, TRUE);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTransform(D3DTS_WORLD, context.matrixStack->GetTop());
    device->SetTexture(1, nullptr);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, FALSE);
    device->SetFVF(kSceneVertexFvf);
    stateCache.SetRenderStateCached(device, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    stateCache.SetRenderStateCached(device, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);

    if (!DrawBanner(context, bannerElapsedMs))
        return false;
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);

    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f), ahead(0.0f, 0.0f, 1.0f), upright(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&context.viewMatrix, &origin, &ahead, &upright);
    device->SetTransform(D3DTS_VIEW, &context.viewMatrix);
    return DrawOpeningFade(context);
}

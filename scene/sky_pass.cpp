// The sky pass, the frame's first: the sky box centred on the viewer and
// turning with the view only, with culling, blending, depth test and depth
// writes off (the cache's render states, a view transform of its own); then
// depth test, depth writes and clockwise culling back on for the sea, the
// scene vertex's FVF, stage 0 and 1 modulating texture by colour (the sky
// box set stage 0 directly, so the cache is told to send those again) and
// wrap addressing on sampler 1 for the sea's normal map.
#include "render/scene_vertex.h"
#include "scene/scene.h"
#include "scene/sky_box.h"

namespace {

constexpr float kSkyEyeHeight = 0.00085f;  // world units above the sky box's centre
constexpr uint32_t kStageColourStates[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2};

}  // namespace

void Scene::DrawSkyPass(RenderContext& context) {
    IDirect3DDevice9* device = context.device;
    stateCache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_NONE);
    stateCache.SetRenderStateCached(device, D3DRS_ALPHABLENDENABLE, FALSE);
    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, FALSE);
    stateCache.SetRenderStateCached(device, D3DRS_ZWRITEENABLE, FALSE);
    const D3DXVECTOR3 skyEye(0.0f, kSkyEyeHeight, 0.0f);
    D3DXMatrixLookAtLH(&context.viewMatrix, &skyEye, &viewVectors.viewDirection, &viewVectors.viewUp);
    device->SetTransform(D3DTS_VIEW, &context.viewMatrix);
    skyBox->Draw(context);

    stateCache.SetRenderStateCached(device, D3DRS_ZWRITEENABLE, TRUE);
    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, TRUE);
    stateCache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    device->SetFVF(kSceneVertexFvf);
    for (uint32_t type : kStageColourStates)
        stateCache.textureStageStateCache[0 * StateCache::kStateTypes + type] = StateCache::kForceResend;
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    stateCache.SetTextureStageStateCached(device, 1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    stateCache.SetTextureStageStateCached(device, 1, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    stateCache.SetTextureStageStateCached(device, 1, D3DTSS_COLORARG2, D3DTA_CURRENT);
    device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetSamplerState(1, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
}

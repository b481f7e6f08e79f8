// The scene's banner and opening fade.
#include "scene/banner_and_fade.h"

#include <algorithm>

#include "render/scene_vertex.h"
#include "scene/scene.h"

namespace {

constexpr uint32_t kBannerOpaqueMs = 30000;
constexpr uint32_t kBannerGoneMs = 32000;
constexpr uint32_t kBannerFadeShift = 2;  // one alpha step per 4 ms
constexpr float kBannerWidth = 0.65f * 0.9035f;
constexpr float kBannerHeight = 0.65f * -0.3000375f;
constexpr float kBannerTexCoordEnd = 0.99f;  // stops short of the picture's edge
constexpr float kBannerLeft = 0.53f;
constexpr float kBannerLeftWide = 0.93f;
constexpr float kBannerTop = -0.63f;
constexpr float kBannerDepth = 0.9f;
constexpr float kFadeDepth = 0.5f;
constexpr float kFadeDistance = 1.0f;
constexpr float kFadeHalfWidth = 1.3f;
constexpr float kFadeHalfHeight = 1.0f;

void SetCorner(SceneVertex& v, float x, float y, float z, uint32_t colour, float u, float tv) {
    v.x = x;
    v.y = y;
    v.z = z;
    v.diffuse = colour;
    v.u = u;
    v.v = tv;
}

}  // namespace

uint32_t BannerAlpha(uint32_t elapsedMs) {
    if (elapsedMs < kBannerOpaqueMs)
        return 255;
    if (elapsedMs >= kBannerGoneMs)
        return 0;
    const uint32_t step = std::min<uint32_t>((elapsedMs - kBannerOpaqueMs) >> kBannerFadeShift, 255);
    return 255 - step;
}

uint32_t FadeAlpha(float fadeLevel) {
    const int alpha = static_cast<int>(fadeLevel * 255.0f);  // truncated toward zero
    return static_cast<uint32_t>(std::clamp(alpha, 0, 255));
}

bool Scene::DrawBanner(RenderContext& context, uint32_t elapsedMs) {
    IDirect3DDevice9* device = context.device;
    ID3DXMatrixStack* matrixStack = context.matrixStack;
    const D3DXVECTOR3 eye(0.0f, 0.0f, -0.7f), at(0.0f, 0.0f, 0.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&context.viewMatrix, &eye, &at, &up);
    device->SetTransform(D3DTS_VIEW, &context.viewMatrix);

    device->SetTexture(0, bannerTexture);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);

    const uint32_t alpha = BannerAlpha(elapsedMs);
    const uint32_t colour = (alpha << 24) | 0x00FFFFFFu;

    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, FALSE);
    device->SetTexture(0, bannerTexture);

    SceneVertex v[6] = {};
    const float w = kBannerWidth, h = kBannerHeight, e = kBannerTexCoordEnd;
    SetCorner(v[0], w, h, 0, colour, e, e);
    SetCorner(v[1], 0, h, 0, colour, 0, e);
    SetCorner(v[2], 0, 0, 0, colour, 0, 0);
    SetCorner(v[3], w, h, 0, colour, e, e);
    SetCorner(v[4], 0, 0, 0, colour, 0, 0);
    SetCorner(v[5], w, 0, 0, colour, e, 0);
    if (!context.overlays.WriteQuad(v, 6))
        return false;

    matrixStack->Push();
    matrixStack->Translate(context.wideScreen ? kBannerLeftWide : kBannerLeft, kBannerTop, kBannerDepth);
    device->SetTransform(D3DTS_WORLD, matrixStack->GetTop());
    device->SetStreamSource(0, context.overlays.overlayVertexBuffer, 0, kSceneVertexStride);
    device->SetFVF(kSceneVertexFvf);
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    matrixStack->Pop();
    return true;
}

bool Scene::DrawOpeningFade(RenderContext& context) {
    if (!(fadeLevel > 0.0f))
        return true;
    IDirect3DDevice9* device = context.device;
    ID3DXMatrixStack* matrixStack = context.matrixStack;
    stateCache.SetRenderStateCached(device, D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTexture(0, nullptr);

    const uint32_t colour = FadeAlpha(fadeLevel) << 24;  // black with that alpha
    SceneVertex v[6] = {};
    const float x = kFadeHalfWidth, y = kFadeHalfHeight, z = kFadeDepth;
    SetCorner(v[0], x, -y, z, colour, 0, 0);
    SetCorner(v[1], -x, -y, z, colour, 0, 0);
    SetCorner(v[2], -x, y, z, colour, 0, 0);
    SetCorner(v[3], -x, y, z, colour, 0, 0);
    SetCorner(v[4], x, -y, z, colour, 0, 0);
    SetCorner(v[5], x, y, z, colour, 0, 0);
    if (!context.overlays.WriteQuad(v, 6))
        return false;

    device->SetStreamSource(0, context.overlays.overlayVertexBuffer, 0, kSceneVertexStride);
    matrixStack->Push();
    matrixStack->Translate(0.0f, 0.0f, kFadeDistance);
    device->SetTransform(D3DTS_WORLD, matrixStack->GetTop());
    device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    matrixStack->Pop();
    fadeLevel -= kFadeStep;
    return true;
}

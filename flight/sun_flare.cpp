// SunFlare: the sun's star bursts, the flare sprites and the veil.
#include "flight/sun_flare.h"

#include <algorithm>
#include <cmath>

#include "render/render_context.h"
#include "render/scene_vertex.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT kQuadBytes = 4 * kSceneVertexStride;
constexpr float kFirstStarHalfSize = 0.2f;  // units, about one from the eye
constexpr float kSecondStarHalfSize = 0.18f;
constexpr float kSecondStarSpin = -0.9f;  // turns against the first
constexpr float kSpinPerRadian = 3.0f;    // the bursts turn by 3 x the sun angle
constexpr uint32_t kStarAlpha = 72;
constexpr float kPeakBrightness = 110.0f;
constexpr float kBrightnessFrequency = 0.7692308f;
constexpr float kCutOffFrequency = 0.4f;
constexpr float kTraceBrightness = 0.1f;
constexpr float kFlareAlphaScale = 0.9f;
constexpr float kFlareAlphaScaleKind2 = 0.4f;
constexpr float kVeilAlphaScaleKind5 = 0.7f;

constexpr D3DCOLOR WhiteWithAlpha(uint32_t alpha) { return (alpha << 24) | 0x00FFFFFFu; }

uint32_t TruncatedAlpha(float brightness, float scale) {
    const float scaled = std::trunc(std::trunc(brightness) * scale);
    return static_cast<uint32_t>(std::clamp(scaled, 0.0f, 255.0f));
}

// The corners of every flare quad in strip order, with the texture
// coordinates of the flare's layout.
void FillCorners(SceneVertex* v, const D3DXVECTOR3 (&corners)[4], D3DCOLOR colour) {
    const float uv[4][2] = {{1, 0}, {1, 1}, {0, 0}, {0, 1}};
    for (int i = 0; i < 4; ++i) {
        v[i].x = corners[i].x;
        v[i].y = corners[i].y;
        v[i].z = corners[i].z;
        v[i].diffuse = colour;
        v[i].u = uv[i][0];
        v[i].v = uv[i][1];
    }
}

// A sprite's quad: +U, -R, +R, -U.
void FillQuad(SceneVertex* v, const D3DXVECTOR3& up, const D3DXVECTOR3& right, D3DCOLOR colour) {
    const D3DXVECTOR3 corners[4] = {up, -right, right, -up};
    FillCorners(v, corners, colour);
}

struct FlareSprite {
    bool ring;  // else the glow
    float k;    // place on the line: 1 the sun, 0 the centre of the view
    float size;
};

// Sprites 2 to 9 sit at their factor times 1.1.
const FlareSprite kFlareSprites[] = {
    {false, 0.0f, 0.01f},         {false, -0.105f * 1.1f, 0.013f},
    {true, -0.13f * 1.1f, 0.03f}, {false, -0.19f * 1.1f, 0.03f},
    {true, -0.25f * 1.1f, 0.08f}, {false, -0.33f * 1.1f, 0.013f},
    {true, -0.35f * 1.1f, 0.03f}, {false, -0.5f * 1.1f, 0.05f},
    {true, -0.58f * 1.1f, 0.18f}, {false, -0.85f, 0.2f},
    {true, -1.1f, 0.46f},         {true, 0.12f, 0.025f},
    {false, 0.2f, 0.02f},         {true, 0.18f, 0.045f},
    {false, 0.46f, 0.03f},        {true, 0.4f, 0.1f},
    {false, 0.58f, 0.02f},        {true, 0.55f, 0.06f},
};

D3DXVECTOR3 Normalised(const D3DXVECTOR3& v) {
    D3DXVECTOR3 out;
    D3DXVec3Normalize(&out, &v);
    return out;
}

}  // namespace

SunFlare::SunFlare()
    : ringTexture(nullptr),
      glowTexture(nullptr),
      starTexture(nullptr),
      spriteUp(0, 1, 0),
      spriteRight(1, 0, 0),
      spriteBuffer(nullptr),
      sunKind(0),
      sunDirection(0, 0, 1) {}

bool SunFlare::LoadResources(const RenderContext& context, HMODULE module) {
    IDirect3DDevice9* device = context.device;
    IDirect3DTexture9** targets[] = {&ringTexture, &glowTexture, &starTexture};
    const int ids[] = {IDR_FLARE_RING, IDR_FLARE_GLOW, IDR_FLARE_STAR};
    for (int i = 0; i < 3; ++i)
        D3DXCreateTextureFromResourceExA(device, module, MAKEINTRESOURCEA(ids[i]), D3DX_DEFAULT, D3DX_DEFAULT,
                                         D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT,
                                         D3DX_FILTER_POINT, 0, nullptr, nullptr, targets[i]);
    device->CreateVertexBuffer(kQuadBytes, 0, kSceneVertexFvf, D3DPOOL_SYSTEMMEM, &spriteBuffer, nullptr);
    return true;
}

void SunFlare::ReleaseResources() {
    if (spriteBuffer != nullptr)
        spriteBuffer->Release();
    if (ringTexture != nullptr)
        ringTexture->Release();
    if (glowTexture != nullptr)
        glowTexture->Release();
    if (starTexture != nullptr)
        starTexture->Release();
}

void SunFlare::SetKind(int32_t kind) {
    sunKind = kind;
    switch (kind) {
    case 1: sunDirection = D3DXVECTOR3(-1.0f, 0.64f, 0.03f); break;
    case 2: sunDirection = D3DXVECTOR3(-1.0f, 0.12f, 1.3f); break;
    case 3: sunDirection = D3DXVECTOR3(0.0f, 1.64f, 0.03f); break;
    case 4: sunDirection = D3DXVECTOR3(0.0f, 0.03f, 1.3f); break;
    case 5: sunDirection = D3DXVECTOR3(0.0f, 0.24f, 1.03f); break;
    default: break;
    }
}

float SunFlare::Brightness(float spin) {
    if (std::cos(kCutOffFrequency * spin) < 0.0f)
        return 0.0f;
    const float brightness = kPeakBrightness * std::cos(kBrightnessFrequency * spin);
    return brightness < 0.0f ? kTraceBrightness : brightness;
}

bool SunFlare::WriteOverlayQuad(RenderContext& context, const D3DXVECTOR3& up, const D3DXVECTOR3& right,
                                D3DCOLOR colour) {
    SceneVertex quad[4] = {};
    FillQuad(quad, up, right, colour);
    return context.overlays.WriteQuad(quad, 4);
}

void SunFlare::Draw(RenderContext& context, const ViewVectors& view) {
    IDirect3DDevice9* device = context.device;
    ID3DXMatrixStack* matrixStack = context.matrixStack;
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_ADD);

    const D3DXVECTOR3 sun = Normalised(sunDirection);
    const D3DXVECTOR3 looking = Normalised(view.viewTarget - view.viewEye);
    const D3DXVECTOR3 offset = sun - looking;
    // Rounding can push the cosine of a straight look just past 1.
    const float cosine = std::clamp(D3DXVec3Dot(&sun, &looking), -1.0f, 1.0f);
    const float spin = kSpinPerRadian * std::acos(cosine);

    device->SetFVF(kSceneVertexFvf);
    device->SetTexture(0, starTexture);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);  // additive
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_ADD);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);

    spriteUp = view.viewUp;
    const D3DXVECTOR3 backwards = -view.viewDirection;
    D3DXVec3Cross(&spriteRight, &backwards, &view.viewUp);

    const float starSizes[2] = {kFirstStarHalfSize, kSecondStarHalfSize};
    const float starSpins[2] = {spin, kSecondStarSpin * spin};
    for (int star = 0; star < 2; ++star) {
        if (!WriteOverlayQuad(context, starSizes[star] * spriteUp, starSizes[star] * spriteRight,
                              WhiteWithAlpha(kStarAlpha)))
            return;
        device->SetStreamSource(0, context.overlays.overlayVertexBuffer, 0, kSceneVertexStride);
        device->SetFVF(kSceneVertexFvf);
        matrixStack->Push();
        matrixStack->RotateAxisLocal(&sun, starSpins[star]);
        matrixStack->Translate(sun.x, sun.y, sun.z);
        device->SetTransform(D3DTS_WORLD, matrixStack->GetTop());
        device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
        matrixStack->Pop();
    }

    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    const float brightness = Brightness(spin);
    DrawFlares(context, brightness, looking, offset);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);

    // The veil, by kind.
    constexpr float kNear = 0.2f, kFar = 15.2f, kSpan = 15.065f;
    D3DXVECTOR3 corners[4];
    D3DCOLOR colour;
    if (sunKind == 1) {
        corners[0] = {-kNear, kSpan, -kSpan};
        corners[1] = {-kNear, kSpan, kSpan};
        corners[2] = {-kNear, -kSpan, -kSpan};
        corners[3] = {-kNear, -kSpan, kSpan};
        colour = WhiteWithAlpha(TruncatedAlpha(brightness, kFlareAlphaScale));
    } else if (sunKind == 2 || sunKind == 4) {
        corners[0] = {-kFar, kSpan, -kSpan};
        corners[1] = {-kFar, kSpan, kSpan};
        corners[2] = {kFar, -kSpan, -kSpan};
        corners[3] = {kFar, -kSpan, kSpan};
        colour = 0;  // fully transparent
    } else {
        corners[0] = {-kSpan, kSpan, kNear};
        corners[1] = {kSpan, kSpan, kNear};
        corners[2] = {-kSpan, -kSpan, kNear};
        corners[3] = {kSpan, -kSpan, kNear};
        colour = WhiteWithAlpha(TruncatedAlpha(brightness, sunKind == 5 ? kVeilAlphaScaleKind5 : kFlareAlphaScale));
    }
    SceneVertex veil[4] = {};
    FillCorners(veil, corners, colour);
    if (!context.overlays.WriteQuad(veil, 4))
        return;
    device->SetStreamSource(0, context.overlays.overlayVertexBuffer, 0, kSceneVertexStride);
    device->SetFVF(kSceneVertexFvf);
    device->SetTexture(0, nullptr);
    matrixStack->Push();
    device->SetTransform(D3DTS_WORLD, matrixStack->GetTop());
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    matrixStack->Pop();

    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
}

void SunFlare::DrawFlares(RenderContext& context, float brightness, const D3DXVECTOR3& view,
                          const D3DXVECTOR3& offset) {
    IDirect3DDevice9* device = context.device;
    device->SetFVF(kSceneVertexFvf);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE);
    const D3DCOLOR colour =
        WhiteWithAlpha(TruncatedAlpha(brightness, sunKind == 2 ? kFlareAlphaScaleKind2 : kFlareAlphaScale));
    for (const FlareSprite& sprite : kFlareSprites) {
        device->SetTexture(0, sprite.ring ? ringTexture : glowTexture);
        const D3DXVECTOR3 at = view + offset * sprite.k;
        DrawSprite(context, sprite.size, at.x, at.y, at.z, colour);
    }
}

void SunFlare::DrawSprite(RenderContext& context, float size, float x, float y, float z, D3DCOLOR colour) {
    IDirect3DDevice9* device = context.device;
    ID3DXMatrixStack* matrixStack = context.matrixStack;
    void* data = nullptr;
    if (spriteBuffer == nullptr || FAILED(spriteBuffer->Lock(0, kQuadBytes, &data, 0)) || data == nullptr)
        return;
    FillQuad(static_cast<SceneVertex*>(data), size * spriteUp, size * spriteRight, colour);
    spriteBuffer->Unlock();
    device->SetStreamSource(0, spriteBuffer, 0, kSceneVertexStride);
    device->SetFVF(kSceneVertexFvf);
    matrixStack->Push();
    matrixStack->Translate(x, y, z);
    device->SetTransform(D3DTS_WORLD, matrixStack->GetTop());
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    matrixStack->Pop();
}

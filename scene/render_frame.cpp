// SaverApp's frame: checks the device, moves the camera along the flight and
// draws its passes (sky, sea, sun flare, then banner and fade), then presents.
#include "scene/frame_view.h"

#include "flight/sun_flare.h"
#include "host/frame_pacing.h"
#include "host/direct3d_globals.h"
#include "host/saver_app.h"
#include "scene/camera.h"
#include "scene/scene_vertex.h"
#include "scene/screen_projection.h"
#include "scene/sky_box.h"

namespace {

constexpr float kTimeStep = 0.01f;               // scene time per frame
constexpr float kFrameFieldOfView = 1.0471976f;  // pi/3
constexpr float kFlightScale = 4.0f;             // the flight's map is stretched by 4 on the ground
constexpr float kViewLift = 3.0f;                // the whole view is lifted by 3 units
constexpr float kSkyEyeHeight = 0.00085f;
constexpr DWORD kAllOnes = 0xFFFFFFFF;
constexpr uint32_t kStageColourStates[] = {D3DTSS_COLOROP, D3DTSS_COLORARG1, D3DTSS_COLORARG2};

}  // namespace

void FrameViewFromFlight(const D3DXVECTOR3& position, const D3DXVECTOR3& lookAt, D3DXVECTOR3& eye,
                         D3DXVECTOR3& target) {
    // The flight's ground position is stretched by 4 while its look offset
    // is not, and the whole view is lifted by 3.
    const float dx = lookAt.x - position.x;
    const float dz = lookAt.z - position.z;
    eye = D3DXVECTOR3(kFlightScale * position.x, position.y + kViewLift, kFlightScale * position.z);
    target = D3DXVECTOR3(eye.x + dx, lookAt.y + kViewLift, eye.z + dz);
}

// The passes of a frame, in the order they draw. Each sets the states it
// needs itself, in exactly the order it always has: several calls repeat a
// state another pass already set, or go around the cache where the cache
// would skip them. That is intended (the passes that set states directly
// leave the cache behind), and the first frame's recorded call list
// (tests/scene/frame_test.cpp) guards the order and every call: do not
// "tidy" them.

void SaverApp::RenderFrame() {
    if (FAILED(device->TestCooperativeLevel())) {
        RequestExit();
        return;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();

    D3DXMatrixIdentity(&worldMatrix);
    device->SetTransform(D3DTS_WORLD, &worldMatrix);
    PlaceCameraOnFlight();

    DrawSkyPass();
    DrawSeaPass();
    DrawSunFlarePass();
    // A failed lock of the shared buffer ends the frame without presenting
    // it, but with its scene closed, so that the next frame can begin; locks
    // that keep failing end the saver as failing presents do.
    if (!DrawOverlayPass()) {
        device->EndScene();
        if (frameFailures.Note(true, GetTickCount()))
            RequestExit();
        return;
    }

    stateCache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, TRUE);
    device->EndScene();
    const bool presented = SUCCEEDED(device->Present(nullptr, nullptr, nullptr, nullptr));
    if (frameFailures.Note(!presented, GetTickCount()))
        RequestExit();
}

void SaverApp::PlaceCameraOnFlight() {
    flight.Update();
    D3DXVECTOR3 position, lookAt, up;
    flight.Evaluate(position, lookAt, up);

    D3DXVECTOR3 eye, target;
    FrameViewFromFlight(position, lookAt, eye, target);
    viewVectors.Store(eye, target, up);
    camera->eye = eye;
    camera->target = target;
    camera->up = up;
    camera->fieldOfView = kFrameFieldOfView;
    camera->dirty = true;
}

// The sky, centred on the viewer and turning with the view only; then the
// depth and stage states it changed are put back for the sea.
void SaverApp::DrawSkyPass() {
    stateCache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_NONE);
    stateCache.SetRenderStateCached(device, D3DRS_ALPHABLENDENABLE, FALSE);
    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, FALSE);
    stateCache.SetRenderStateCached(device, D3DRS_ZWRITEENABLE, FALSE);
    const D3DXVECTOR3 skyEye(0.0f, kSkyEyeHeight, 0.0f);
    D3DXMatrixLookAtLH(&viewMatrix, &skyEye, &viewVectors.viewDirection, &viewVectors.viewUp);
    device->SetTransform(D3DTS_VIEW, &viewMatrix);
    skyBox->Draw();

    stateCache.SetRenderStateCached(device, D3DRS_ZWRITEENABLE, TRUE);
    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, TRUE);
    stateCache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    device->SetFVF(kSceneVertexFvf);
    // The sky box set these stage states directly: force the next requests through.
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

// The camera wraps its eye into the central tile, then the sea is drawn
// around it; the shaders and the normal map's stage are unbound after it.
void SaverApp::DrawSeaPass() {
    camera->Update(kTimeStep);

    device->SetRenderState(D3DRS_AMBIENT, kAllOnes);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const float eyeConstant[4] = {camera->eye.x, camera->eye.y, camera->eye.z, 1.0f};
    device->SetVertexShaderConstantF(8, eyeConstant, 1);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    RenderWater(kTimeStep);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetTexture(1, nullptr);
}

// The sun and its flare, in camera-centred space.
void SaverApp::DrawSunFlarePass() {
    stateCache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_NONE);
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    D3DXMatrixLookAtLH(&viewMatrix, &origin, &viewVectors.viewDirection, &viewVectors.viewUp);
    device->SetTransform(D3DTS_VIEW, &viewMatrix);
    sunFlare->Draw(viewVectors);
}

// The banner and the opening fade over everything; false when a lock of the
// shared buffer failed.
bool SaverApp::DrawOverlayPass() {
    stateCache.SetRenderStateCached(device, D3DRS_ALPHABLENDENABLE, TRUE);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_MINFILTER, D3DTEXF_POINT);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_ALPHAOP, D3DTOP_MODULATE);
    device->SetTransform(D3DTS_WORLD, matrixStack->GetTop());
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

    if (!DrawBanner())
        return false;
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    stateCache.SetSamplerStateCached(device, 0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);

    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f), ahead(0.0f, 0.0f, 1.0f), upright(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&viewMatrix, &origin, &ahead, &upright);
    device->SetTransform(D3DTS_VIEW, &viewMatrix);
    return DrawOpeningFade();
}

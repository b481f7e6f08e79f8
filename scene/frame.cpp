// Scene's frame: checks the device, moves the camera along the flight and
// draws its passes (sky, sea, sun flare, then banner and fade), then
// presents; or, for one of several displays, draws a view of a flight step
// already taken, turned towards that display's place.
#include "flight/camera_flight.h"
#include "scene/frame_view.h"
#include "scene/scene.h"

namespace {

constexpr float kFlightScale = 4.0f;  // the flight's map is stretched by 4 on the ground
constexpr float kViewLift = 3.0f;     // the whole view is lifted by 3 units

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
FrameOutcome Scene::RenderFrame(RenderContext& context, CameraFlight& flight, uint32_t bannerElapsedMs) {
    return DrawView(context, NextFlightView(flight), ViewTurn{}, true, bannerElapsedMs);
}

FlightView Scene::NextFlightView(CameraFlight& flight) {
    flight.Update();
    D3DXVECTOR3 position, lookAt;
    FlightView view;
    flight.Evaluate(position, lookAt, view.up);
    FrameViewFromFlight(position, lookAt, view.eye, view.target);
    return view;
}

FrameOutcome Scene::DrawView(RenderContext& context, const FlightView& view, ViewTurn turn, bool withOverlays,
                             uint32_t bannerElapsedMs) {
    IDirect3DDevice9* device = context.device;
    if (FAILED(device->TestCooperativeLevel()))
        return FrameOutcome::DeviceLost;
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();

    D3DXMatrixIdentity(&context.worldMatrix);
    device->SetTransform(D3DTS_WORLD, &context.worldMatrix);
    PlaceCamera(context, view, turn);

    DrawSkyPass(context);
    DrawSeaPass(context);
    DrawSunFlarePass(context);
    // A failed lock of the shared buffer ends the frame without presenting
    // it, but with its scene closed, so that the next frame can begin.
    if (withOverlays && !DrawOverlayPass(context, bannerElapsedMs)) {
        device->EndScene();
        return FrameOutcome::Dropped;
    }

    stateCache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, TRUE);
    device->EndScene();
    return SUCCEEDED(device->Present(nullptr, nullptr, nullptr, nullptr)) ? FrameOutcome::Presented
                                                                          : FrameOutcome::PresentFailed;
}

void Scene::PlaceCamera(RenderContext& context, const FlightView& view, ViewTurn turn) {
    D3DXVECTOR3 target = view.target, up = view.up;
    TurnView(view.eye, target, up, turn);
    viewVectors.Store(view.eye, target, up);
    Camera* camera = context.camera;
    camera->eye = view.eye;
    camera->target = target;
    camera->up = up;
    camera->fieldOfView = kFieldOfView;
    camera->dirty = true;
}

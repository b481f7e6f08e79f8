// Assembly and release of the scene.
// PLACEHOLDER until the scene exists: nothing is built, so nothing is
// released; the frame clears and presents a black picture.
#include "host/direct3d_globals.h"
#include "host/saver_app.h"
#include "scene/camera.h"
#include "scene/screen_projection.h"

bool SaverApp::BuildScene() {
    if (!renderingActive)
        return true;
    lastFrameTick = GetTickCount();
    return true;
}

// The post-assembly step: everything it could do is already done.
bool SaverApp::BuildGeometry() { return true; }

void SaverApp::ReleaseScene() { renderingActive = false; }

void SaverApp::RenderFrame() {
    if (FAILED(device->TestCooperativeLevel())) {
        RequestExit();
        return;
    }
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0, 1.0f, 0);
    device->BeginScene();
    device->EndScene();
    device->Present(nullptr, nullptr, nullptr, nullptr);
}

void SaverApp::ApplyScreenProjection(int width, int height) {
    const std::optional<float> aspect = ::ApplyScreenProjection(device, camera, wideScreen, width, height);
    if (aspect.has_value())
        aspectRatio = *aspect;
}

// Assembly and release of the scene.
// PLACEHOLDER until the scene exists: nothing is built, so nothing is
// released; the frame clears and presents a black picture.
#include "host/direct3d_globals.h"
#include "host/saver_app.h"

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
    if (device == nullptr)
        return;
    const unsigned w = static_cast<uint16_t>(width);
    unsigned h = static_cast<uint16_t>(height);
    if (h == 0)
        h = 1;
    aspectRatio = wideScreen ? 1.6f : static_cast<float>(w) / static_cast<float>(h);
}

// PLACEHOLDER until the state caches exist.
void SaverApp::InvalidateStateCaches() {}

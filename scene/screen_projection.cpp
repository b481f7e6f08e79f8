// The screen's world and projection transforms.
#include "scene/screen_projection.h"

#include <cstdint>

#include "scene/camera.h"

D3DXMATRIX worldMatrix;
D3DXMATRIX projectionMatrix;
D3DXMATRIX viewMatrix;

std::optional<float> ApplyScreenProjection(IDirect3DDevice9* device, Camera* camera, bool wideScreen, int width,
                                           int height) {
    if (device == nullptr)
        return std::nullopt;
    D3DXMatrixIdentity(&worldMatrix);
    device->SetTransform(D3DTS_WORLD, &worldMatrix);
    // A zero width would make an infinite projection just as a zero height.
    uint16_t pixelsWide = static_cast<uint16_t>(width);
    uint16_t pixelsHigh = static_cast<uint16_t>(height);
    if (pixelsWide == 0)
        pixelsWide = 1;
    if (pixelsHigh == 0)
        pixelsHigh = 1;
    const float aspectRatio =
        wideScreen ? kWideScreenAspect : static_cast<float>(pixelsWide) / static_cast<float>(pixelsHigh);
    D3DXMatrixPerspectiveFovLH(&projectionMatrix, kScreenFieldOfView, aspectRatio, kScreenNearPlane, kScreenFarPlane);
    if (camera != nullptr) {
        camera->dirty = true;
        camera->aspect = aspectRatio;
    }
    device->SetTransform(D3DTS_PROJECTION, &projectionMatrix);
    return aspectRatio;
}

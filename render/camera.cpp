// The camera: tile wrap and matrices.
#include "render/camera.h"

#include <cmath>

namespace {

constexpr double kHalfTile = Camera::kTileSize / 2.0;

// Moves `eye` by whole tiles into -50..50 and `target` by the same amount.
// Subtracting the whole shift at once gives the same floats as stepping one
// tile at a time (every step is exact), but ends for any finite eye; a
// non-finite eye is left as it is.
void WrapAxis(float& eye, float& target) {
    if (!std::isfinite(eye))
        return;
    double shift = 0.0;
    if (eye > kHalfTile)
        shift = -Camera::kTileSize * std::ceil((eye - kHalfTile) / Camera::kTileSize);
    else if (eye < -kHalfTile)
        shift = Camera::kTileSize * std::ceil((-kHalfTile - eye) / Camera::kTileSize);
    if (shift == 0.0)
        return;
    eye = static_cast<float>(eye + shift);
    target = static_cast<float>(target + shift);
}

}  // namespace

Camera::Camera(IDirect3DDevice9* cameraDevice)
    : eye(0.0f, 0.0f, 0.0f),
      target(0.0f, 0.0f, 1.0f),
      up(0.0f, 1.0f, 0.0f),
      aspect(1.0f),
      farPlane(1.0f),
      nearPlane(0.0f),
      fieldOfView(0.0f),
      device(cameraDevice),
      dirty(false) {
    D3DXMatrixIdentity(&view);
    D3DXMatrixIdentity(&projection);
    D3DXMatrixIdentity(&viewProjection);
}

void Camera::Update(float) {
    if (!dirty)
        return;
    dirty = false;
    WrapAxis(eye.x, target.x);
    WrapAxis(eye.z, target.z);
    D3DXMatrixPerspectiveFovLH(&projection, fieldOfView, aspect, nearPlane, farPlane);
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    D3DXMatrixMultiply(&viewProjection, &view, &projection);
}

// The fixed-function world and projection transforms of the screen, under
// which the sky, the sun flare, the banner and the fade are drawn.
#pragma once

#include <d3d9.h>

#include <optional>

#include "d3dx/d3dx.h"

class Camera;

extern D3DXMATRIX worldMatrix;
extern D3DXMATRIX projectionMatrix;
// The view transform of the pass being drawn (sky, flare, banner, fade).
extern D3DXMATRIX viewMatrix;

constexpr float kScreenFieldOfView = 1.0471976f;  // radians (pi/3), vertical
constexpr float kScreenNearPlane = 0.1f;          // world units
constexpr float kScreenFarPlane = 9600.0f;        // world units
constexpr float kWideScreenAspect = 1.6f;         // width over height

// Sets the identity world transform and the projection for a screen of
// `width` x `height` pixels (the low 16 bits of each; 0 counts as 1), or for
// the wide-screen ratio, and gives the camera the same aspect ratio. Returns
// the aspect ratio, or nothing (and does nothing) without a device.
std::optional<float> ApplyScreenProjection(IDirect3DDevice9* device, Camera* camera, bool wideScreen, int width,
                                           int height);

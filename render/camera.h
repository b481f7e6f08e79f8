// Camera: the eye, look-at point, up vector and projection parameters of the
// scene, turned once per frame into view, projection and view-projection
// matrices. Before that it shifts the eye (and the look-at point with it) by
// whole water tiles so that the eye stays over the central tile.
#pragma once

#include <d3d9.h>

#include "d3dx/d3dx.h"

// The vertical field of view and the depth range of every picture of the
// scene: the frame's camera and the screen's projection of the sky, the
// flare and the overlays.
constexpr float kFieldOfView = 1.0471976f;  // radians (pi/3)
constexpr float kNearPlane = 0.1f;          // world units
constexpr float kFarPlane = 9600.0f;        // world units

class Camera {
public:
    static constexpr float kTileSize = 100.0f;  // world units: the period of the eye shift

    explicit Camera(IDirect3DDevice9* device);
    virtual ~Camera() = default;

    // Rebuilds the matrices when dirty. `step` (seconds of scene time) is
    // part of the per-frame interface and not needed by this camera.
    void Update(float step);

    D3DXVECTOR3 eye;
    D3DXVECTOR3 target;
    D3DXVECTOR3 up;
    float aspect;
    float farPlane;
    float nearPlane;
    float fieldOfView;         // vertical, radians
    IDirect3DDevice9* device;  // not owned
    bool dirty;
    D3DXMATRIX view;
    D3DXMATRIX projection;
    D3DXMATRIX viewProjection;  // view x projection
};

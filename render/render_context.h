// RenderContext: everything a display's picture is drawn with, in one place
// and handed to whatever draws (the scene's passes, the sky box, the sun
// flare, the sea): the Direct3D object and device, the matrix stack, the
// wide-screen choice, the camera, the two small vertex buffers of the
// overlays and the fixed-function matrices of the pass being drawn. The
// host makes one for the full-screen saver and releases it at the exit;
// nothing here owns or releases anything by itself.
#pragma once

#include <d3d9.h>

#include "d3dx/d3dx.h"
#include "render/camera.h"
#include "render/overlay_buffers.h"

struct RenderContext {
    IDirect3D9* direct3d = nullptr;
    IDirect3DDevice9* device = nullptr;
    ID3DXMatrixStack* matrixStack = nullptr;
    bool wideScreen = false;
    // Made by the scene's assembly, deleted by its release.
    Camera* camera = nullptr;
    OverlayBuffers overlays;
    // The screen's world and projection transforms, and the view transform
    // of the pass being drawn (sky, flare, banner, fade).
    D3DXMATRIX worldMatrix;
    D3DXMATRIX viewMatrix;
    D3DXMATRIX projectionMatrix;
};

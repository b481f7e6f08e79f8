// The module-wide Direct3D objects: one of each, created when the full-screen
// saver starts drawing and released by the shut-down.
#pragma once

#include <d3d9.h>

#include "d3dx/d3dx.h"

extern IDirect3D9* direct3d;
extern IDirect3DDevice9* device;
extern ID3DXMatrixStack* matrixStack;
extern bool wideScreen;

// D3DXCreateMatrixStack, through a pointer that the device set-up's tests
// can point at a failing stand-in.
using CreateMatrixStackFunction = HRESULT(WINAPI*)(DWORD flags, ID3DXMatrixStack** stack);
extern CreateMatrixStackFunction createMatrixStack;

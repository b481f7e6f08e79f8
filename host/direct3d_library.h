// d3d9.dll, loaded at run time so that a PC without Direct3D 9 gets a clear
// message instead of a loader error; and the matrix stack's maker.
#pragma once

#include <windows.h>

struct IDirect3D9;
struct ID3DXMatrixStack;
using Direct3DCreate9Function = IDirect3D9*(WINAPI*)(UINT sdkVersion);

extern HMODULE direct3dLibrary;
extern Direct3DCreate9Function direct3dCreate9;

// D3DXCreateMatrixStack, through a pointer that the device set-up's tests
// can point at a failing stand-in.
using CreateMatrixStackFunction = HRESULT(WINAPI*)(DWORD flags, ID3DXMatrixStack** stack);
extern CreateMatrixStackFunction createMatrixStack;

// Loads d3d9.dll and resolves Direct3DCreate9. A missing entry point is not
// reported here: creating the Direct3D object then fails.
bool IsDirectXPresent();
void UnloadDirect3DLibrary();

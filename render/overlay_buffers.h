// OverlayBuffers: the two small vertex buffers of SceneVertex quads that
// every display's scene has once: the shared overlay buffer that every
// fixed-function quad is written into just before it is drawn, and a spare
// buffer of four vertices that nothing draws.
#pragma once

#include <d3d9.h>

#include "render/scene_vertex.h"

constexpr UINT kOverlayVertexCount = 6;
constexpr UINT kSpareVertexCount = 4;
constexpr DWORD kOverlayBufferUsage = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;

class OverlayBuffers {
public:
    // Creates the overlay buffer, then the spare one, in system memory (a
    // device reset leaves them alone). False as soon as one fails; a buffer
    // made before the failure stays and is released by Release.
    bool Create(IDirect3DDevice9* device);
    // Releases whichever of the two exists, the overlay buffer first.
    void Release();

    // Writes `vertexCount` (1 to 6) vertices to the start of the overlay
    // buffer: a lock of just those bytes, without flags. False, with nothing
    // written, if there is no buffer, the count is out of range or the lock
    // fails.
    bool WriteQuad(const SceneVertex* vertices, UINT vertexCount);

    IDirect3DVertexBuffer9* overlayVertexBuffer = nullptr;  // six vertices
    IDirect3DVertexBuffer9* spareVertexBuffer = nullptr;    // four vertices
};

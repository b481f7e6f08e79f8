// The two small module-wide vertex buffers of SceneVertex quads: the shared
// overlay buffer that every fixed-function quad is written into just before
// it is drawn, and a spare buffer of four vertices that nothing draws.
#pragma once

#include <d3d9.h>

#include "scene/scene_vertex.h"

extern IDirect3DVertexBuffer9* overlayVertexBuffer;  // six vertices
extern IDirect3DVertexBuffer9* spareVertexBuffer;    // four vertices

constexpr UINT kOverlayVertexCount = 6;
constexpr UINT kSpareVertexCount = 4;
constexpr DWORD kOverlayBufferUsage = D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY;

// Creates the overlay buffer, then the spare one, in system memory (a device
// reset leaves them alone). False as soon as one fails; a buffer made before
// the failure stays and is released by ReleaseOverlayBuffers.
bool CreateOverlayBuffers(IDirect3DDevice9* device);
// Releases whichever of the two exists, the overlay buffer first.
void ReleaseOverlayBuffers();

// Writes `vertexCount` (1 to 6) vertices to the start of the overlay buffer:
// a lock of just those bytes, without flags. False, with nothing written, if
// there is no buffer, the count is out of range or the lock fails.
bool WriteOverlayQuad(const SceneVertex* vertices, UINT vertexCount);

// SceneVertex: the one vertex layout of every fixed-function quad of the
// scene (sky faces, flare sprites and veil, banner, fade).
#pragma once

#include <d3d9.h>

#include <cstddef>
#include <cstdint>

struct SceneVertex {
    float x, y, z;
    uint32_t diffuse;  // A8R8G8B8
    float u, v;        // first texture coordinate pair
    float u2, v2;      // second pair: part of the layout, written by no pass
};

constexpr DWORD kSceneVertexFvf = D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX2;
constexpr UINT kSceneVertexStride = sizeof(SceneVertex);

// The device reads the vertex by the FVF layout, so the struct must match it.
static_assert(kSceneVertexFvf == 0x242, "position, diffuse colour, two texture pairs");
static_assert(sizeof(SceneVertex) == 32, "SceneVertex is 32 bytes");
static_assert(offsetof(SceneVertex, x) == 0 && offsetof(SceneVertex, y) == 4 && offsetof(SceneVertex, z) == 8,
              "position first");
static_assert(offsetof(SceneVertex, diffuse) == 12, "colour after the position");
static_assert(offsetof(SceneVertex, u) == 16 && offsetof(SceneVertex, v) == 20, "first texture pair");
static_assert(offsetof(SceneVertex, u2) == 24 && offsetof(SceneVertex, v2) == 28, "second texture pair");

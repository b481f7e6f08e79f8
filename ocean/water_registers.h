// The water shaders' constant registers and samplers, as resources/water.hlsl
// fixes them: the program uploads its constants by register number, not by
// name, so every number is named here once. The scene's sea pass sets the
// eye too.
#pragma once

#include <d3d9.h>

constexpr UINT kConstCommon = 0;            // c0: (1, 16, height scale, frame blend)
constexpr UINT kConstVertexWaterColor = 1;  // c1: the water colour, as the vertex shader reads it
constexpr UINT kConstPixelWaterColor = 2;   // c2: the water colour, as the pixel shader reads it
constexpr UINT kConstViewProjection = 4;    // c4..c7: view x projection
constexpr UINT kConstEye = 8;               // c8: the eye (x, y, z, 1)
constexpr UINT kConstSeaPosition = 12;      // c12: the tile's offset (x, 0, z, 0)

// The sky cube map, the normal maps of the current and next height frame
// (the scene sets wrap addressing on these for the detail sample), the
// Fresnel ramp.
constexpr DWORD kCubeStage = 0;        // s0
constexpr DWORD kNormalStage = 1;      // s1
constexpr DWORD kNextNormalStage = 2;  // s2
constexpr DWORD kRampStage = 3;        // s3

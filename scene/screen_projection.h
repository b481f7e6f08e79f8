// The fixed-function world and projection transforms of the screen, under
// which the sky, the sun flare, the banner and the fade are drawn.
#pragma once

#include <d3d9.h>

#include <optional>

#include "d3dx/d3dx.h"

struct RenderContext;

constexpr float kWideScreenAspect = 1.6f;  // width over height

// Sets the context's identity world transform and its projection for a
// screen of `width` x `height` pixels (the low 16 bits of each; 0 counts as
// 1), or for the wide-screen ratio, and gives the context's camera the same
// aspect ratio. Returns the aspect ratio, or nothing (and does nothing)
// without a device.
std::optional<float> ApplyScreenProjection(RenderContext& context, int width, int height);

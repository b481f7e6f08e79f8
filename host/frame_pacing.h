// When the next frame may start: frames begin at least 30 ms apart,
// measured from the start of one frame to the start of the next.
#pragma once

#include <cstdint>

constexpr uint32_t kFrameIntervalMs = 30;

// Milliseconds to sleep before the next frame, or 0 when it is due now. The
// difference is taken as unsigned 32-bit, so a tick count that wrapped
// around since the last frame still gives the right answer.
constexpr uint32_t FrameDelay(uint32_t now, uint32_t lastFrameTick) {
    const uint32_t elapsed = now - lastFrameTick;
    return elapsed < kFrameIntervalMs ? kFrameIntervalMs - elapsed : 0;
}

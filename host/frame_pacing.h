// When the next frame may start: frames begin at least 30 ms apart,
// measured from the start of one frame to the start of the next. And when
// frames that keep failing to reach the screen end the saver.
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

// Frames that keep failing to reach the screen (their Present fails, or the
// lock of the overlays' shared buffer, which drops the frame before it is
// presented) leave a frozen picture on the screen: once they have failed
// without a break for this long, the saver ends as it does on a lost device.
constexpr uint32_t kFrameFailureLimitMs = 1000;

class FrameFailureWatch {
public:
    // Notes one frame's outcome at tick `now`; true once the failures have
    // lasted the limit. A frame shown starts the count again.
    bool Note(bool failed, uint32_t now) {
        if (!failed) {
            failing_ = false;
            return false;
        }
        if (!failing_) {
            failing_ = true;
            since_ = now;
        }
        return now - since_ >= kFrameFailureLimitMs;
    }

private:
    bool failing_ = false;
    uint32_t since_ = 0;
};

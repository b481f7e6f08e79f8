// Frame pacing and the set-up messages.
#include "host/frame_pacing.h"

#include <gtest/gtest.h>

#include <string>

#include "host/setup_error.h"
#include "tests/support/external_names.h"

TEST(FramePacing, SleepsExactlyTheRestOfTheInterval) {
    EXPECT_EQ(FrameDelay(1000, 1000), 30u);
    EXPECT_EQ(FrameDelay(1001, 1000), 29u);
    EXPECT_EQ(FrameDelay(1029, 1000), 1u);
    EXPECT_EQ(FrameDelay(1030, 1000), 0u);  // due exactly on the interval
    // A frame that took 50 ms is followed at once, not 30 ms later.
    EXPECT_EQ(FrameDelay(1050, 1000), 0u);
    EXPECT_EQ(FrameDelay(91000, 1000), 0u);
}

TEST(FramePacing, TickCountWrapAround) {
    // The last frame just before the 32-bit wrap, now just after it.
    EXPECT_EQ(FrameDelay(0x00000005u, 0xFFFFFFF0u), 9u);   // 21 ms elapsed
    EXPECT_EQ(FrameDelay(0x0000000Eu, 0xFFFFFFF0u), 0u);   // exactly 30 ms
    EXPECT_EQ(FrameDelay(0x00000000u, 0xFFFFFFFFu), 29u);  // 1 ms elapsed
    // A tick count that moved backwards reads as a long gap: draw now
    // rather than sleeping for days.
    EXPECT_EQ(FrameDelay(1000, 1010), 0u);
}

TEST(FramePacing, FramesThatFailForASecondEndTheSaver) {
    FrameFailureWatch watch;
    EXPECT_FALSE(watch.Note(false, 100));
    EXPECT_FALSE(watch.Note(true, 1000));  // the run of failures starts here
    EXPECT_FALSE(watch.Note(true, 1999));
    EXPECT_FALSE(watch.Note(false, 2000));  // one success starts the count again
    EXPECT_FALSE(watch.Note(true, 2030));
    EXPECT_FALSE(watch.Note(true, 3029));
    EXPECT_TRUE(watch.Note(true, 3030));
    // Failures across the tick count's wrap are counted the same.
    FrameFailureWatch wrapped;
    EXPECT_FALSE(wrapped.Note(true, 0xFFFFFE00u));
    EXPECT_FALSE(wrapped.Note(true, 0x000001E7u));  // 999 ms later
    EXPECT_TRUE(wrapped.Note(true, 0x000001E8u));
}

TEST(SetupError, EachCodeHasItsMessage) {
    EXPECT_EQ(std::string(SetupErrorText(1)), pinned::kNoDeviceText);
    EXPECT_EQ(std::string(SetupErrorText(2)), pinned::kNoTexturesText);
    EXPECT_EQ(std::string(SetupErrorText(3)), pinned::kNoGeometryText);
    EXPECT_EQ(std::string(SetupErrorText(4)), pinned::kNoDirect3DText);
    for (int other : {0, 5, -1, 1000})
        EXPECT_EQ(std::string(SetupErrorText(other)), "Unknown error") << other;
    EXPECT_EQ(std::string(kSetupErrorTitle), pinned::kErrorTitle);
}

// The camera flight: its invariants over many seeds and long runs, and the
// edge cases of its arithmetic (the first-update jump, unbanked sharp
// segments, the last turn-rate sample, the roll limit, the wrap limit).
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

#include "flight/camera_flight.h"

namespace {

constexpr int kCentre = 200;  // of the default 400 x 400 map
constexpr int kRadius = 150;
constexpr float kMaxRoll = 1.2f;

// Seeds and frames of the long runs; scripts/soak raises them.
int EnvironmentCount(const char* name, int fallback) {
    const char* text = std::getenv(name);
    const int value = text != nullptr ? std::atoi(text) : 0;
    return value > 0 ? value : fallback;
}

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

bool SamePoint(const ControlPoint& a, const ControlPoint& b) {
    return a.x == b.x && a.z == b.z && a.height == b.height;
}

std::string Describe(const ControlPoint& p) {
    std::ostringstream out;
    out << "(" << p.x << ", " << p.z << ", h " << p.height << ")";
    return out.str();
}

::testing::AssertionResult IsValidStep(const ControlPoint& from, const ControlPoint& to) {
    const int dx = to.x - from.x;
    const int dz = to.z - from.z;
    const int cx = to.x - kCentre;
    const int cz = to.z - kCentre;
    if (cx * cx + cz * cz > kRadius * kRadius)
        return ::testing::AssertionFailure() << Describe(to) << " lies outside the flight circle";
    if (to.height < 0 || to.height > 16)
        return ::testing::AssertionFailure() << Describe(to) << " has a height outside 0..16";
    if (std::abs(dx) < 8 || std::abs(dz) < 8 || std::abs(dx) > 20 || std::abs(dz) > 20)
        return ::testing::AssertionFailure() << "step " << Describe(from) << " -> " << Describe(to);
    if (to.height - from.height < -8 || to.height - from.height > 8)
        return ::testing::AssertionFailure() << "climb " << Describe(from) << " -> " << Describe(to);
    return ::testing::AssertionSuccess();
}

float Cosine(const ControlPoint& p0, const ControlPoint& p1, const ControlPoint& p2) {
    D3DXVECTOR3 u(static_cast<float>(p1.x - p0.x), 0.0f, static_cast<float>(p1.z - p0.z));
    D3DXVECTOR3 v(static_cast<float>(p2.x - p1.x), 0.0f, static_cast<float>(p2.z - p1.z));
    D3DXVec3Normalize(&u, &u);
    D3DXVec3Normalize(&v, &v);
    return D3DXVec3Dot(&u, &v);
}

D3DXVECTOR3 CoarsePosition(const CameraFlight& flight) {
    D3DXVECTOR3 position, lookAt, up;
    flight.EvaluateCoarse(flight.t, position, lookAt, up);
    return position;
}

// A flight placed on a segment of our choosing, its turns sampled.
CameraFlight FlightOn(ControlPoint p0, ControlPoint p1, ControlPoint p2, float speed = 3.0f) {
    CameraFlight flight;
    flight.speed = speed;
    flight.points[0] = p0;
    flight.points[1] = p1;
    flight.points[2] = p2;
    flight.initialised = true;
    flight.SampleTurns();
    return flight;
}

float MaxAbsTurnRate(const CameraFlight& flight) {
    float largest = 0.0f;
    for (int k = 0; k <= CameraFlight::kTurnSamples; ++k)
        largest = std::max(largest, std::fabs(flight.turnRates[k]));
    return largest;
}

TEST(CameraFlight, LongFlightsKeepEveryRule) {
    const int seeds = EnvironmentCount("BRINEMERE_FLIGHT_SEEDS", 200);
    const int frames = EnvironmentCount("BRINEMERE_FLIGHT_FRAMES", 20000);
    const float speeds[] = {2.0f, 2.5f, 3.0f, 3.5f, 4.0f};
    // Straight flight moves at most (0.99)^256 of the step; allow the last
    // search increment and the curve's bend on top.
    const double kStraightShare = std::pow(0.99, 256);
    int segmentChanges = 0;
    int alternationFallbacks = 0;
    double fastestShare = 0.0;
    for (int seed = 1; seed <= seeds; ++seed) {
        SCOPED_TRACE("seed " + std::to_string(seed));
        std::srand(static_cast<unsigned>(seed));
        CameraFlight flight;
        flight.speed = speeds[seed % 5];
        flight.Update();
        ASSERT_TRUE(flight.initialised);
        ASSERT_EQ(flight.stepLength, static_cast<double>(flight.speed) * 0.001);
        ASSERT_TRUE(IsValidStep(flight.points[0], flight.points[1])) << "first leg";
        ASSERT_TRUE(IsValidStep(flight.points[1], flight.points[2])) << "second leg";
        for (int frame = 1; frame < frames; ++frame) {
            const ControlPoint before[3] = {flight.points[0], flight.points[1], flight.points[2]};
            const float lastCosine = flight.lastTurnCosine;
            const float previousCosine = flight.previousTurnCosine;
            const D3DXVECTOR3 from = CoarsePosition(flight);

            flight.Update();

            ASSERT_GE(flight.t, 0.0) << "frame " << frame;
            ASSERT_LT(flight.t, 1.0) << "frame " << frame;
            const D3DXVECTOR3 moved = CoarsePosition(flight) - from;
            const double share = D3DXVec3Length(&moved) / flight.stepLength;
            fastestShare = std::max(fastestShare, share);
            ASSERT_LE(share, 1.0) << "frame " << frame;
            ASSERT_LE(share, kStraightShare * 1.1) << "frame " << frame;

            if (!SamePoint(before[2], flight.points[2])) {
                ++segmentChanges;
                ASSERT_TRUE(SamePoint(flight.points[0], before[1]) && SamePoint(flight.points[1], before[2]))
                    << "frame " << frame << ": the path did not move on by one point";
                ASSERT_TRUE(IsValidStep(flight.points[1], flight.points[2])) << "frame " << frame;
                const float cosine = Cosine(flight.points[0], flight.points[1], flight.points[2]);
                ASSERT_EQ(flight.lastTurnCosine, cosine);
                ASSERT_EQ(flight.previousTurnCosine, lastCosine);
                ASSERT_LT(cosine, 0.8f);
                ASSERT_GT(cosine, flight.lastAdvanceAttempts > 50   ? -0.7f
                                  : flight.lastAdvanceAttempts > 25 ? -0.5f
                                                                    : -0.3f);
                if (flight.lastAdvanceAttempts < CameraFlight::kAlternationAttempts) {
                    ASSERT_FALSE(previousCosine >= 0.0f && lastCosine >= 0.0f && cosine >= 0.0f)
                        << "three gentle corners in a row at frame " << frame;
                    ASSERT_FALSE(previousCosine < 0.0f && lastCosine < 0.0f && cosine < 0.0f)
                        << "three sharp corners in a row at frame " << frame;
                } else {
                    ++alternationFallbacks;
                }
            }

            D3DXVECTOR3 eye, target, up;
            flight.Evaluate(eye, target, up);
            ASSERT_TRUE(Finite(eye) && Finite(target) && Finite(up)) << "frame " << frame;
            ASSERT_NEAR(D3DXVec3Length(&up), 1.0f, 1e-5f) << "frame " << frame;
            ASSERT_GE(up.y, std::cos(kMaxRoll) - 1e-6f) << "roll beyond 1.2 rad at frame " << frame;
            // The look-at point is one unit ahead (up to the rounding of an
            // eye a few thousand units out).
            const D3DXVECTOR3 look = target - eye;
            ASSERT_NEAR(D3DXVec3Length(&look), 1.0f, 2e-3f) << "frame " << frame;
            ASSERT_NEAR(D3DXVec3Length(&flight.lastDirection), 1.0f, 1e-5f);
        }
    }
    // The runs must have exercised what they check: a segment lasts about
    // 1,500 frames.
    EXPECT_GT(segmentChanges, seeds * (frames / 3000));
    std::printf("%d segment changes, %d after the alternation gave up, fastest frame %.4f of a step\n", segmentChanges,
                alternationFallbacks, fastestShare);
}

TEST(CameraFlight, FirstUpdateCanSkipTheFirstSegment) {
    // The stored direction starts as (1, 0, 1), not unit length: looking
    // along the diagonal the alignment is about 1.41, the slow-down factor
    // about 10^37, and the first step leaves the first segment at once.
    for (float sign : {1.0f, -1.0f}) {
        const int16_t step = static_cast<int16_t>(sign * 15);
        CameraFlight diagonal =
            FlightOn({200, 200, 5}, {static_cast<int16_t>(200 + step), static_cast<int16_t>(200 + step), 5},
                     {static_cast<int16_t>(200 + 2 * step), static_cast<int16_t>(200 + 2 * step), 5});
        const ControlPoint ahead = diagonal.points[2];
        std::srand(7);
        diagonal.Update();
        EXPECT_TRUE(SamePoint(diagonal.points[1], ahead)) << "sign " << sign;
        EXPECT_EQ(diagonal.t, 0.0);
        EXPECT_NEAR(D3DXVec3Length(&diagonal.lastDirection), 1.0f, 1e-6f);
    }
    // Looking along an axis the alignment is 1 and the flight just creeps.
    CameraFlight straight = FlightOn({200, 200, 5}, {200, 215, 5}, {200, 230, 5});
    straight.Update();
    EXPECT_GT(straight.t, 0.0);
    EXPECT_LT(straight.t, 0.01);
    EXPECT_EQ(straight.points[2].z, 230);
}

TEST(CameraFlight, SharpSegmentsFlyUnbankedAndGentleOnesBankFully) {
    // Turning back on itself, the look-at point swings across the position
    // within one sample: a turn rate far beyond 0.55 rad, so no roll at all.
    CameraFlight sharp = FlightOn({190, 190, 5}, {210, 210, 5}, {190, 190, 5});
    EXPECT_GT(MaxAbsTurnRate(sharp), 0.55f);
    EXPECT_EQ(sharp.bankFactor, 0.0f);
    EXPECT_EQ(sharp.turnRates[0], 0.0f);
    EXPECT_EQ(sharp.turnRates[CameraFlight::kTurnSamples], 0.0f);
    for (double at : {0.1, 0.3, 0.5, 0.7, 0.9}) {
        sharp.t = at;
        D3DXVECTOR3 eye, target, up;
        sharp.Evaluate(eye, target, up);
        EXPECT_EQ(up.y, 1.0f) << "t " << at;
        EXPECT_EQ(up.x, 0.0f) << "t " << at;
    }

    CameraFlight gentle = FlightOn({100, 100, 5}, {120, 110, 5}, {140, 121, 5});
    EXPECT_LE(MaxAbsTurnRate(gentle) * 5.0f, 1.1f);
    EXPECT_EQ(gentle.bankFactor, 5.0f);

    // A right-hand turn (from +z toward +x) tilts the up vector to the right
    // in mid-segment and not at all at the segment's ends.
    CameraFlight right = FlightOn({200, 160, 8}, {200, 180, 8}, {215, 195, 8});
    EXPECT_GT(right.bankFactor, 0.0f);
    right.t = 0.5;
    D3DXVECTOR3 eye, target, up;
    right.Evaluate(eye, target, up);
    EXPECT_GT(up.x, 0.01f);
    EXPECT_LT(up.y, 1.0f);
    right.t = 0.0;
    right.Evaluate(eye, target, up);
    EXPECT_EQ(up.y, 1.0f);
    // The eye: ten times the map position plus 5, half the height.
    EXPECT_FLOAT_EQ(eye.x, 10.0f * 200.0f + 5.0f);
    EXPECT_FLOAT_EQ(eye.z, 10.0f * 170.0f + 5.0f);
    EXPECT_FLOAT_EQ(eye.y, 4.0f);
}

TEST(CameraFlight, LastSampleIsReadAsTheOneBeforeAndRollIsLimited) {
    CameraFlight flight = FlightOn({200, 160, 8}, {200, 180, 8}, {215, 195, 8});
    // At t = 1 the sample index would be 81, whose successor is no sample.
    flight.turnRates[CameraFlight::kTurnSamples + 1] = std::nanf("");
    flight.turnRates[CameraFlight::kTurnSamples - 1] = 1e7f;
    flight.t = 1.0;
    D3DXVECTOR3 eye, target, up;
    flight.Evaluate(eye, target, up);
    ASSERT_TRUE(Finite(up));
    // The huge rate, times the small share of the averaged direction left at
    // t = 1, rolls beyond the limit and is held at 1.2 rad.
    EXPECT_NEAR(up.y, std::cos(kMaxRoll), 1e-6f);

    flight.turnRates[CameraFlight::kTurnSamples - 1] = -1e7f;
    flight.Evaluate(eye, target, up);
    EXPECT_NEAR(up.y, std::cos(kMaxRoll), 1e-6f);
    // Rolled the other way: the up vector leans toward the other side.
    D3DXVECTOR3 upRight;
    flight.turnRates[CameraFlight::kTurnSamples - 1] = 1e7f;
    flight.Evaluate(eye, target, upRight);
    EXPECT_LT(up.x * upRight.x + up.z * upRight.z, 0.0f);
}

TEST(CameraFlight, HeadingsWrapAtThreeUlpsAbovePi) {
    EXPECT_FLOAT_EQ(CameraFlight::WrapAngle(-3.0f, 3.0f), 6.0f - 6.283187f);
    EXPECT_FLOAT_EQ(CameraFlight::WrapAngle(3.0f, -3.0f), -6.0f + 6.283187f);
    // Single-precision pi itself is below the limit and stays as it is.
    const float pi = 3.14159274f;
    EXPECT_EQ(CameraFlight::WrapAngle(0.0f, pi), pi);
    EXPECT_EQ(CameraFlight::WrapAngle(0.0f, -pi), -pi);
    EXPECT_LT(CameraFlight::WrapAngle(0.0f, 3.14159346f), 0.0f);
    // Heading 0 looks along +z; positive headings turn toward +x.
    EXPECT_EQ(CameraFlight::HeadingOf(D3DXVECTOR3(0.0f, 5.0f, 2.0f)), 0.0f);
    EXPECT_FLOAT_EQ(CameraFlight::HeadingOf(D3DXVECTOR3(3.0f, -1.0f, 0.0f)), 1.5707964f);
    EXPECT_EQ(CameraFlight::HeadingOf(D3DXVECTOR3(0.0f, 1.0f, 0.0f)), 0.0f);  // straight up: no NaN
}

TEST(CameraFlight, PointsStayInsideTheirRangesForEveryDraw) {
    CameraFlight flight;
    std::srand(12345);
    for (int i = 0; i < 20000; ++i) {
        const ControlPoint first = flight.FirstPoint();
        ASSERT_GE(first.x, 100);
        ASSERT_LE(first.x, 300);
        ASSERT_GE(first.z, 100);
        ASSERT_LE(first.z, 300);
        ASSERT_GE(first.height, 0);
        ASSERT_LE(first.height, 16);
        // Next points from the first and from points on the circle's rim.
        ASSERT_TRUE(IsValidStep(first, flight.NextPoint(first)));
        const ControlPoint rim[] = {{350, 200, 0}, {200, 50, 16}, {306, 306, 8}, {94, 306, 3}};
        const ControlPoint& from = rim[i % 4];
        ASSERT_TRUE(IsValidStep(from, flight.NextPoint(from)));
    }
}

TEST(CameraFlight, UnusableMapExtentsAreClampedSoTheFlightNeverHangs) {
    CameraFlight flight;
    EXPECT_EQ(flight.MapExtent(), 400);
    flight.SetMapExtent(0);
    EXPECT_EQ(flight.MapExtent(), CameraFlight::kMinMapExtent);
    flight.SetMapExtent(-5);
    EXPECT_EQ(flight.MapExtent(), CameraFlight::kMinMapExtent);
    flight.SetMapExtent(100000);
    EXPECT_EQ(flight.MapExtent(), CameraFlight::kMaxMapExtent);

    // The smallest map: every point within 50 of the centre (100, 100).
    CameraFlight small;
    small.SetMapExtent(0);
    small.speed = 4.0f;
    std::srand(3);
    for (int frame = 0; frame < 5000; ++frame) {
        small.Update();
        for (const ControlPoint& p : small.points) {
            const int dx = p.x - 100;
            const int dz = p.z - 100;
            ASSERT_LE(dx * dx + dz * dz, 50 * 50) << Describe(p);
        }
    }
    // The largest: the first point's whole square lies inside the circle.
    CameraFlight large;
    large.SetMapExtent(440);
    std::srand(4);
    for (int frame = 0; frame < 5000; ++frame)
        large.Update();
    EXPECT_TRUE(large.initialised);
}

TEST(CameraFlight, EvaluatingBeforeTheFirstUpdateGivesNoNan) {
    CameraFlight flight;
    EXPECT_FALSE(flight.initialised);
    EXPECT_EQ(flight.bankFactor, 3.0f);
    EXPECT_EQ(flight.speed, 1.0f);
    D3DXVECTOR3 eye, target, up;
    flight.Evaluate(eye, target, up);
    EXPECT_TRUE(Finite(eye) && Finite(target) && Finite(up));
    EXPECT_EQ(up.y, 1.0f);
}

}  // namespace

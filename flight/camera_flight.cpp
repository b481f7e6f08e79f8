// The camera flight: random control points under the circle, height and
// corner rules, the Hermite path between leg midpoints, the arc-length step
// with its slow-down in turns, and banking from the sampled turn rates.
// Positions and directions are single precision; only the position along the
// segment and the step length are doubles.
#include "flight/camera_flight.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

// The C library's rand() yields 0..32767; the formulas scale by its maximum.
constexpr float kInverseRandMax = 1.0f / 32767.0f;
constexpr float kNextStepScale = 40.0f / 32767.0f;    // map units per draw unit
constexpr float kNextHeightScale = 16.0f / 32767.0f;  // height units per draw unit
constexpr float kFirstHeightScale = 16.0f / 32767.0f;

constexpr int kFirstPointMargin = 100;  // map units kept free around the first point's square
constexpr int kCircleMargin = 50;       // map units between the flight circle and the map's edge
constexpr int kStepBack = 20;           // map units: a step reaches from -20 to +19
constexpr int kMinStep = 8;             // map units: the shortest step on each axis
constexpr int kHeightBack = 8;          // height units: a height moves from -8 to +7
constexpr int kMaxHeight = 16;          // height units

constexpr float kCoarseScale = 0.02f;     // coarse units per path unit
constexpr float kCoarseOffset = 0.01f;    // coarse units
constexpr double kArcIncrement = 0.0001;  // of t, per arc-length search step
constexpr double kStepPerSpeed = 0.001;   // coarse units per frame per unit of speed

constexpr float kSlowDownBase = 0.99f;
constexpr int kSlowDownSquarings = 8;  // (0.99 d)^256
constexpr float kMinSlowDown = 0.01f;

constexpr double kBlendAngleScale = 3.14;  // radians per unit of t, as tuned (not pi)
constexpr float kPiPrime = 3.14159346f;    // the wrap limit, three ulps above pi
constexpr float kTwoPiPrime = kPiPrime + kPiPrime;
constexpr float kPi = 3.1415927f;
constexpr float kQuarterTurn = 1.57f;  // radians, as tuned (not pi/2)
constexpr float kBankLimit = 1.1f;     // radians: the largest scaled turn rate a bank gain may give
constexpr float kMaxRoll = 1.2f;       // radians
constexpr float kBankGains[] = {5.0f, 4.0f, 3.0f, 2.0f};

constexpr float kEyeScale = 10.0f;       // eye units per path unit on the map axes
constexpr float kEyeOffset = 5.0f;       // eye units
constexpr float kEyeHeightScale = 0.5f;  // eye units per path height unit

// Corner rules: the cosine between the incoming and outgoing legs.
constexpr float kMaxCornerCosine = 0.8f;  // nearly straight corners are refused
constexpr float kFirstCornerFloor = -0.3f;
constexpr float kMidCornerFloor = -0.5f;   // after kFirstFloorAttempts candidates
constexpr float kLastCornerFloor = -0.7f;  // after kMidFloorAttempts candidates
constexpr int kFirstFloorAttempts = 25;
constexpr int kMidFloorAttempts = 50;

D3DXVECTOR3 AsVector(const ControlPoint& point) {
    return D3DXVECTOR3(static_cast<float>(point.x), static_cast<float>(point.height), static_cast<float>(point.z));
}

// Unit direction of the leg from `from` to `to` on the map (y = 0).
D3DXVECTOR3 LegDirection(const ControlPoint& from, const ControlPoint& to) {
    D3DXVECTOR3 leg(static_cast<float>(to.x - from.x), 0.0f, static_cast<float>(to.z - from.z));
    D3DXVec3Normalize(&leg, &leg);
    return leg;
}

float CornerCosine(const ControlPoint& p0, const ControlPoint& p1, const ControlPoint& p2) {
    const D3DXVECTOR3 u = LegDirection(p0, p1);
    const D3DXVECTOR3 v = LegDirection(p1, p2);
    return D3DXVec3Dot(&u, &v);
}

int16_t Truncate(float value) { return static_cast<int16_t>(value); }

}  // namespace

CameraFlight::CameraFlight()
    : points{},
      initialised(false),
      speed(1.0f),
      headings{},
      turnRates{},
      lastDirection(1.0f, 0.0f, 1.0f),
      lastTurnCosine(0.0f),
      previousTurnCosine(0.0f),
      bankFactor(3.0f),
      t(0.0),
      stepLength(0.0),
      lastAdvanceAttempts(0),
      mapExtent_(kDefaultMapExtent) {}

void CameraFlight::SetMapExtent(int32_t extent) { mapExtent_ = std::clamp(extent, kMinMapExtent, kMaxMapExtent); }

ControlPoint CameraFlight::FirstPoint() const {
    const int span = mapExtent_ - 2 * kFirstPointMargin;
    ControlPoint point{};
    point.x = Truncate(static_cast<float>(std::rand() * span) * kInverseRandMax + kFirstPointMargin);
    point.z = Truncate(static_cast<float>(std::rand() * span) * kInverseRandMax + kFirstPointMargin);
    point.height = Truncate(static_cast<float>(std::rand()) * kFirstHeightScale);
    return point;
}

ControlPoint CameraFlight::NextPoint(const ControlPoint& previous) const {
    const int centre = mapExtent_ / 2;
    const int radius = centre - kCircleMargin;
    for (;;) {
        ControlPoint point{};
        for (;;) {
            point.x =
                Truncate(static_cast<float>(previous.x - kStepBack) + static_cast<float>(std::rand()) * kNextStepScale);
            if (std::abs(point.x - previous.x) < kMinStep)
                continue;
            point.z =
                Truncate(static_cast<float>(previous.z - kStepBack) + static_cast<float>(std::rand()) * kNextStepScale);
            if (std::abs(point.z - previous.z) >= kMinStep)
                break;
        }
        point.height = -1;
        while (point.height < 0 || point.height > kMaxHeight)
            point.height = Truncate(static_cast<float>(previous.height - kHeightBack) +
                                    static_cast<float>(std::rand()) * kNextHeightScale);
        const int dx = point.x - centre;
        const int dz = point.z - centre;
        if (dx * dx + dz * dz <= radius * radius)
            return point;
    }
}

void CameraFlight::PathPoint(double at, D3DXVECTOR3& position, D3DXVECTOR3& direction, float& averageShare) const {
    const D3DXVECTOR3 a0 = AsVector(points[0]);
    const D3DXVECTOR3 a1 = AsVector(points[1]);
    const D3DXVECTOR3 a2 = AsVector(points[2]);
    const D3DXVECTOR3 m01 = (a0 + a1) * 0.5f;
    const D3DXVECTOR3 m12 = (a1 + a2) * 0.5f;
    const D3DXVECTOR3 d01 = a1 - a0;
    const D3DXVECTOR3 d12 = a2 - a1;
    D3DXVec3Hermite(&position, &m01, &d01, &m12, &d12, static_cast<float>(at));
    const D3DXVECTOR3 average = d01 * 0.5f + d12 * 0.5f;
    // The look direction swings from the incoming leg through the average of
    // both legs to the outgoing leg.
    if (at < 0.5) {
        const float legShare = static_cast<float>(std::clamp(std::cos(kBlendAngleScale * at), 0.0, 1.0));
        averageShare = 1.0f - legShare;
        direction = averageShare * average + legShare * d01;
    } else {
        const float legShare = static_cast<float>(std::clamp(std::sin(kBlendAngleScale * (at - 0.5)), 0.0, 1.0));
        averageShare = 1.0f - legShare;
        direction = averageShare * average + legShare * d12;
    }
}

void CameraFlight::EvaluateCoarse(double at, D3DXVECTOR3& position, D3DXVECTOR3& lookAt, D3DXVECTOR3& up) const {
    D3DXVECTOR3 path;
    D3DXVECTOR3 direction;
    float averageShare = 0.0f;
    PathPoint(at, path, direction, averageShare);
    position = D3DXVECTOR3(kCoarseScale * path.x + kCoarseOffset, kCoarseScale * path.y,
                           kCoarseScale * path.z + kCoarseOffset);
    lookAt = position + direction;
    up = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
}

float CameraFlight::HeadingOf(D3DXVECTOR3 v) {
    v.y = 0.0f;
    D3DXVec3Normalize(&v, &v);
    return std::atan2(v.x, v.z);
}

float CameraFlight::WrapAngle(float from, float to) {
    float difference = to - from;
    if (difference >= kPiPrime)
        difference -= kTwoPiPrime;
    if (difference < -kPiPrime)
        difference += kTwoPiPrime;
    return difference;
}

void CameraFlight::SampleTurns() {
    stepLength = static_cast<double>(speed) * kStepPerSpeed;
    for (int k = 0; k <= kTurnSamples; ++k) {
        D3DXVECTOR3 position;
        D3DXVECTOR3 lookAt;
        D3DXVECTOR3 up;
        EvaluateCoarse(static_cast<double>(k) / kTurnSamples, position, lookAt, up);
        headings[k] = HeadingOf(lookAt);
    }
    turnRates[0] = 0.0f;
    for (int k = 1; k <= kTurnSamples; ++k)
        turnRates[k] = WrapAngle(headings[k - 1], headings[k]);
    // The strongest gain that keeps every scaled turn rate within the limit.
    bankFactor = 0.0f;
    for (float gain : kBankGains) {
        bool fits = true;
        for (int k = 1; k <= kTurnSamples && fits; ++k) {
            const float scaled = gain * turnRates[k];
            fits = scaled >= -kBankLimit && scaled <= kBankLimit;
        }
        if (fits) {
            bankFactor = gain;
            break;
        }
    }
    turnRates[kTurnSamples] = 0.0f;
    t = 0.0;
}

void CameraFlight::Initialise() {
    points[0] = FirstPoint();
    points[1] = NextPoint(points[0]);
    points[2] = NextPoint(points[1]);
    // The flight starts level or descending.
    if (points[1].height > points[0].height)
        points[1].height = points[0].height;
    if (points[2].height > points[1].height)
        points[2].height = points[1].height;
    for (;;) {
        const float cosine = CornerCosine(points[0], points[1], points[2]);
        if (cosine > kFirstCornerFloor && cosine < kMaxCornerCosine)
            break;
        points[2] = NextPoint(points[1]);
    }
    SampleTurns();
    initialised = true;
}

void CameraFlight::Advance() {
    points[0] = points[1];
    points[1] = points[2];
    points[2] = NextPoint(points[1]);
    const D3DXVECTOR3 incoming = LegDirection(points[0], points[1]);
    int attempts = 0;
    for (;;) {
        const D3DXVECTOR3 outgoing = LegDirection(points[1], points[2]);
        ++attempts;
        const float cosine = D3DXVec3Dot(&incoming, &outgoing);
        bool accepted = true;
        // Never three gentle (cos >= 0) or three sharp corners in a row,
        // as long as a mixed one turns up soon enough.
        if (attempts < kAlternationAttempts) {
            if (lastTurnCosine >= 0.0f && previousTurnCosine >= 0.0f && cosine >= 0.0f)
                accepted = false;
            if (lastTurnCosine < 0.0f && previousTurnCosine < 0.0f && cosine < 0.0f)
                accepted = false;
        }
        const float floor = attempts <= kFirstFloorAttempts ? kFirstCornerFloor
                            : attempts <= kMidFloorAttempts ? kMidCornerFloor
                                                            : kLastCornerFloor;
        if (!(cosine > floor && cosine < kMaxCornerCosine))
            accepted = false;
        if (accepted) {
            previousTurnCosine = lastTurnCosine;
            lastTurnCosine = cosine;
            break;
        }
        points[2] = NextPoint(points[1]);
    }
    lastAdvanceAttempts = attempts;
    SampleTurns();
}

void CameraFlight::Update() {
    if (!initialised)
        Initialise();
    const float startT = static_cast<float>(t);
    D3DXVECTOR3 start;
    D3DXVECTOR3 lookAt;
    D3DXVECTOR3 up;
    EvaluateCoarse(t, start, lookAt, up);
    // Arc-length step: move on until the coarse position is one step away.
    D3DXVECTOR3 position;
    for (;;) {
        t += kArcIncrement;
        EvaluateCoarse(t, position, lookAt, up);
        const D3DXVECTOR3 moved = position - start;
        if (static_cast<double>(D3DXVec3Length(&moved)) >= stepLength)
            break;
    }
    D3DXVECTOR3 direction = lookAt - position;
    D3DXVec3Normalize(&direction, &direction);
    const float alignment = D3DXVec3Dot(&direction, &lastDirection);
    lastDirection = direction;
    // Slow down while the look direction swings.
    float slowDown = kSlowDownBase * alignment;
    for (int i = 0; i < kSlowDownSquarings; ++i)
        slowDown *= slowDown;
    if (slowDown < kMinSlowDown)
        slowDown = kMinSlowDown;
    t = startT + (t - startT) * slowDown;
    if (t >= 1.0)
        Advance();
}

void CameraFlight::Evaluate(D3DXVECTOR3& eye, D3DXVECTOR3& target, D3DXVECTOR3& up) {
    D3DXVECTOR3 position;
    D3DXVECTOR3 direction;
    float averageShare = 0.0f;
    PathPoint(t, position, direction, averageShare);
    eye = D3DXVECTOR3(kEyeScale * position.x + kEyeOffset, kEyeHeightScale * position.y,
                      kEyeScale * position.z + kEyeOffset);
    D3DXVECTOR3 look;
    D3DXVec3Normalize(&look, &direction);
    D3DXVec3Normalize(&lastDirection, &lastDirection);
    const float heading = HeadingOf(look);
    target = eye + look;

    // Turn rate between the two samples around t, eased across a change of
    // turning side so that the roll does not jump.
    const double scaled = kTurnSamples * t;
    const float fraction = static_cast<float>(scaled - std::floor(scaled));
    const int sample = std::clamp(static_cast<int>(scaled), 0, kTurnSamples - 1);
    const float rate0 = turnRates[sample];
    const float rate1 = turnRates[sample + 1];
    float rate;
    if ((rate0 < 0.0f) != (rate1 < 0.0f)) {
        const float ease = (1.0f - std::cos(kPi * fraction)) * 0.5f;
        rate = (1.0f - ease) * rate0 + ease * rate1;
    } else {
        rate = (1.0f - fraction) * rate0 + fraction * rate1;
    }
    const float roll = std::clamp(rate * averageShare * bankFactor, -kMaxRoll, kMaxRoll);
    up = D3DXVECTOR3(std::sin(roll) * std::sin(heading + kQuarterTurn), std::cos(roll),
                     std::sin(roll) * std::cos(heading + kQuarterTurn));
}

// CameraFlight: the endless random path the viewer flies along. It owns the
// three control points of the segment being flown, the turn-rate table that
// drives the banking, and the position along the segment. The frame calls
// Update once and then Evaluate for the eye, look-at point and up vector.
#pragma once

#include <cstdint>

#include "d3dx/d3dx.h"

// A point of the path on the square map; as a vector it is (x, height, z).
struct ControlPoint {
    int16_t x;
    int16_t z;
    int16_t height;
};

class CameraFlight {
public:
    static constexpr int kTableSize = 100;
    static constexpr int kTurnSamples = 81;  // intervals; samples 0..81 are used
    // The map extents the flight circle and the first point's square fit in.
    static constexpr int32_t kMinMapExtent = 200;
    static constexpr int32_t kMaxMapExtent = 440;
    static constexpr int32_t kDefaultMapExtent = 400;

    CameraFlight();
    virtual ~CameraFlight() = default;

    // Side of the square map (the host's world extent). Extents outside
    // kMinMapExtent..kMaxMapExtent are clamped: beyond them the first point
    // can fall outside the flight circle, and no later point can reach it.
    void SetMapExtent(int32_t extent);
    int32_t MapExtent() const { return mapExtent_; }

    // One frame: builds the first segment on the first call, then moves
    // along the path by about one arc-length step, slowed down in turns.
    void Update();
    // The eye, look-at point and banked up vector at the current position.
    void Evaluate(D3DXVECTOR3& eye, D3DXVECTOR3& target, D3DXVECTOR3& up);

    // The steps Update and Evaluate are made of; public so that the path's
    // rules can be checked one by one.
    ControlPoint FirstPoint() const;
    ControlPoint NextPoint(const ControlPoint& previous) const;
    // Position on the segment at `at`, look direction (not normalised) and
    // the share of the averaged leg direction in it.
    void PathPoint(double at, D3DXVECTOR3& position, D3DXVECTOR3& direction, float& averageShare) const;
    // The scaled-down position and look-at point used for the arc-length
    // step and the heading samples.
    void EvaluateCoarse(double at, D3DXVECTOR3& position, D3DXVECTOR3& lookAt, D3DXVECTOR3& up) const;
    static float HeadingOf(D3DXVECTOR3 v);
    static float WrapAngle(float from, float to);
    void SampleTurns();

    ControlPoint points[3];  // P0 behind, P1 the corner being rounded, P2 ahead
    bool initialised;
    float speed;  // set from the "CamSpeed" setting (2.0 to 4.0)
    float headings[kTableSize];
    float turnRates[kTableSize];  // radians between consecutive heading samples
    D3DXVECTOR3 lastDirection;
    float lastTurnCosine;
    float previousTurnCosine;
    float bankFactor;   // roll gain of the segment: 0, 2, 3, 4 or 5
    double t;           // 0 <= t < 1 between frames
    double stepLength;  // path distance per frame
    // Candidates drawn by the last segment change; the gentle/sharp
    // alternation holds only below kAlternationAttempts.
    int lastAdvanceAttempts;

    static constexpr int kAlternationAttempts = 200;

private:
    void Initialise();
    void Advance();

    int32_t mapExtent_;
};

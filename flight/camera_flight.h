// Camera flight: the random path the viewer flies along.
// PLACEHOLDER until the flight itself is built: only the speed that the
// "CamSpeed" setting chooses exists so far.
#pragma once

class CameraFlight {
public:
    virtual ~CameraFlight() = default;

    double speed = 3.0;  // path units per frame step
};

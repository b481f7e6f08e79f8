// Extent of the flown area, read by the camera flight.
#pragma once

#include <cstdint>

class WorldExtent {
public:
    virtual ~WorldExtent() = default;

    int32_t width = 0;
    int32_t depth = 0;
};

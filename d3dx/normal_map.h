// The normal-map kernel, plain C++ over texel arrays (see normal_map.cpp).
#pragma once

#include <cstdint>
#include <vector>

namespace d3dx {

enum NormalMapEdges : uint32_t {
    kWrapEdges = 0,
    kMirrorU = 0x1,  // beyond a column edge, the edge column repeats
    kMirrorV = 0x2,  // beyond a row edge, the edge row repeats
};

// Heights (any scale; the caller has applied the amplitude), width x height,
// rows top first. Writes width x height A8R8G8B8 texels (0xAARRGGBB).
void ComputeNormals(const std::vector<float>& heights, uint32_t width, uint32_t height, uint32_t edges,
                    bool invertSign, std::vector<uint32_t>& packed);

// The next mip level of a packed normal map: the 2x2 average of the unpacked
// normals (1x2 or 2x1 at a side of 1), renormalised and packed again.
std::vector<uint32_t> NextNormalLevel(const std::vector<uint32_t>& packed, uint32_t width, uint32_t height);

}  // namespace d3dx

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

// Heights h = scale x level for 8-bit levels (width x height, rows top
// first); scale is amplitude / 255. Writes width x height A8R8G8B8 texels
// (0xAARRGGBB).
void ComputeNormals(const std::vector<uint8_t>& levels, float scale, uint32_t width, uint32_t height, uint32_t edges,
                    bool invertSign, std::vector<uint32_t>& packed);
// The same for heights already scaled (from a mix of channels).
void ComputeNormals(const std::vector<float>& heights, uint32_t width, uint32_t height, uint32_t edges, bool invertSign,
                    std::vector<uint32_t>& packed);

}  // namespace d3dx

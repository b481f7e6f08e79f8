// The picture toolkit shared by the art generator, the test-picture
// generator and the art tests: its pictures (8-bit RGBA and single-channel
// grey, rows top first), their conversion from the texel levels that the
// module's own decoders (d3dx/) read out of DDS, BMP and JPEG files, and
// whole-file writing. The writers stand in dds_file.h, bmp_file.h,
// jpeg_file.h and dxt3_encoder.h.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "d3dx/decoded_image.h"

namespace picture {

using Bytes = std::vector<uint8_t>;

// 8-bit RGBA picture, straight alpha.
struct Image {
    int width = 0, height = 0;
    std::vector<uint8_t> rgba;  // width * height * 4
    Image() = default;
    Image(int w, int h) : width(w), height(h), rgba(static_cast<size_t>(w) * h * 4, 0) {}
    uint8_t* At(int x, int y) { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    const uint8_t* At(int x, int y) const { return &rgba[(static_cast<size_t>(y) * width + x) * 4]; }
    void Set(int x, int y, uint8_t r, uint8_t g, uint8_t b, uint8_t a = 255) {
        uint8_t* p = At(x, y);
        p[0] = r;
        p[1] = g;
        p[2] = b;
        p[3] = a;
    }
};

// Single-channel 8-bit picture (heightmaps, noise, ramps).
struct Grey {
    int width = 0, height = 0;
    std::vector<uint8_t> v;
    Grey() = default;
    Grey(int w, int h) : width(w), height(h), v(static_cast<size_t>(w) * h, 0) {}
};

// A decoded level as RGBA: L8 as grey, A8R8G8B8 and X8R8G8B8 as stored,
// DXT3 blocks decoded as the module decodes them.
Image ToImage(const d3dx::ImageLevel& level, d3dx::TexelLayout layout);

// Writes `bytes` as the whole file at `path`; throws std::runtime_error.
void WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace picture

// DDS files: the one writer and reader of the DDS header for the art and the
// test pictures ("DDS " and the 124-byte DDS_HEADER, field by field), and
// the three kinds of DDS file the art is made of.
#pragma once

#include <array>
#include <cstdint>

#include "tools/picture/picture.h"

namespace picture {

enum class DdsFormat { L8, A8R8G8B8, X8R8G8B8, Dxt3 };

// The magic and the header: the texels start here.
constexpr size_t kDdsHeaderBytes = 128;

struct DdsHeader {
    uint32_t size = 124;
    uint32_t flags = 0;
    uint32_t height = 0;
    uint32_t width = 0;
    uint32_t pitchOrLinearSize = 0;
    uint32_t depth = 0;
    uint32_t mipCount = 0;
    uint32_t pixelFormatSize = 32;
    uint32_t pixelFlags = 0;
    uint32_t fourCC = 0;
    uint32_t bitCount = 0;
    uint32_t redMask = 0, greenMask = 0, blueMask = 0, alphaMask = 0;
    uint32_t caps = 0;
    uint32_t caps2 = 0;

    // The header of a picture of `format` with `mipLevels` stored levels
    // (1: none below the picture), a cube map with all six faces if `cube`.
    static DdsHeader Of(DdsFormat format, uint32_t width, uint32_t height, uint32_t mipLevels = 1, bool cube = false);
    // False when `file` has no DDS magic or is shorter than the header.
    static bool Read(const Bytes& file, DdsHeader& header);
    Bytes Write() const;
};

Bytes DdsL8(const Grey& texels);
Bytes DdsArgb(const Image& image);  // A8R8G8B8, straight alpha
// Faces in the order +X, -X, +Y, -Y, +Z, -Z, square, sides a multiple of 4,
// compressed with EncodeDxt3.
Bytes DdsDxt3Cube(const std::array<Image, 6>& faces);

}  // namespace picture

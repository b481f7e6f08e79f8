// The BMP decoder: file header, information header, palette, then the rows,
// each padded to four bytes, bottom row first unless the height is negative.
#include "d3dx/bmp_decoder.h"

#include <utility>

namespace d3dx {
namespace {

constexpr size_t kFileHeaderSize = 14;
constexpr uint32_t kMinInfoHeaderSize = 40;   // BITMAPINFOHEADER
constexpr uint32_t kMaxInfoHeaderSize = 124;  // BITMAPV5HEADER
constexpr uint32_t BI_RGB = 0;
constexpr uint32_t kPaletteEntrySize = 4;  // RGBQUAD: blue, green, red, reserved
constexpr uint32_t kMaxPaletteEntries = 256;

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}
uint16_t ReadU16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

}  // namespace

bool IsBmpFile(const uint8_t* data, size_t size) { return size >= 2 && data[0] == 'B' && data[1] == 'M'; }

bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!IsBmpFile(data, size) || size < kFileHeaderSize + kMinInfoHeaderSize)
        return false;
    const uint32_t pixelOffset = ReadU32(data + 10);
    const uint8_t* info = data + kFileHeaderSize;
    const uint32_t infoSize = ReadU32(info);
    if (infoSize < kMinInfoHeaderSize || infoSize > kMaxInfoHeaderSize || kFileHeaderSize + infoSize > size)
        return false;

    const int32_t width = static_cast<int32_t>(ReadU32(info + 4));
    const int32_t rawHeight = static_cast<int32_t>(ReadU32(info + 8));
    const uint16_t planes = ReadU16(info + 12);
    const uint16_t bitCount = ReadU16(info + 14);
    const uint32_t compression = ReadU32(info + 16);
    uint32_t paletteEntries = ReadU32(info + 32);
    if (planes != 1 || bitCount != 8 || compression != BI_RGB)
        return false;
    if (width <= 0 || rawHeight == 0 || rawHeight == INT32_MIN)
        return false;
    const bool bottomUp = rawHeight > 0;
    const uint32_t w = static_cast<uint32_t>(width);
    const uint32_t h = static_cast<uint32_t>(bottomUp ? rawHeight : -rawHeight);
    if (w > kMaxImageSide || h > kMaxImageSide)
        return false;

    if (paletteEntries == 0)
        paletteEntries = kMaxPaletteEntries;
    if (paletteEntries > kMaxPaletteEntries)
        return false;
    const uint64_t paletteStart = kFileHeaderSize + infoSize;
    const uint64_t paletteEnd = paletteStart + static_cast<uint64_t>(paletteEntries) * kPaletteEntrySize;
    if (paletteEnd > size || paletteEnd > pixelOffset)
        return false;

    const uint64_t stride = (static_cast<uint64_t>(w) + 3) & ~static_cast<uint64_t>(3);
    if (static_cast<uint64_t>(pixelOffset) + stride * h > size)
        return false;

    uint32_t palette[kMaxPaletteEntries];
    for (uint32_t i = 0; i < paletteEntries; ++i) {
        const uint8_t* q = data + paletteStart + static_cast<size_t>(i) * kPaletteEntrySize;
        palette[i] = 0xFF000000u | static_cast<uint32_t>(q[2]) << 16 | static_cast<uint32_t>(q[1]) << 8 | q[0];
    }

    ImageLevel level;
    level.width = w;
    level.height = h;
    level.texels.resize(static_cast<size_t>(w) * h * 4);
    for (uint32_t row = 0; row < h; ++row) {
        const uint32_t fileRow = bottomUp ? h - 1 - row : row;
        const uint8_t* src = data + pixelOffset + stride * fileRow;
        uint8_t* dst = level.texels.data() + static_cast<size_t>(row) * w * 4;
        for (uint32_t x = 0; x < w; ++x) {
            const uint8_t index = src[x];
            if (index >= paletteEntries)
                return false;
            const uint32_t c = palette[index];
            dst[4 * x + 0] = static_cast<uint8_t>(c);
            dst[4 * x + 1] = static_cast<uint8_t>(c >> 8);
            dst[4 * x + 2] = static_cast<uint8_t>(c >> 16);
            dst[4 * x + 3] = static_cast<uint8_t>(c >> 24);
        }
    }

    image.fileFormat = ImageFileFormat::Bmp;
    image.fileTexelFormat = FileTexelFormat::P8;
    image.layout = TexelLayout::A8R8G8B8;
    image.SetSingleLevel(std::move(level));
    return true;
}

}  // namespace d3dx

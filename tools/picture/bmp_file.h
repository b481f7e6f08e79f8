// Windows BMP files: the one writer and reader of the BMP headers for the
// art and the test pictures (BITMAPFILEHEADER and BITMAPINFOHEADER, field by
// field), palettised 8-bit and 24-bit pictures.
#pragma once

#include <cstdint>
#include <vector>

#include "tools/picture/picture.h"

namespace picture {

struct BmpHeader {
    uint32_t fileSize = 0;
    uint32_t pixelOffset = 0;
    uint32_t infoSize = 40;
    int32_t width = 0;
    int32_t height = 0;  // negative: rows top first
    uint16_t planes = 1;
    uint16_t bitCount = 0;
    uint32_t compression = 0;  // BI_RGB
    uint32_t imageSize = 0;
    int32_t xPixelsPerMetre = 0, yPixelsPerMetre = 0;
    uint32_t coloursUsed = 0;
    uint32_t coloursImportant = 0;

    // False when `file` does not start with "BM" or is shorter than the headers.
    static bool Read(const Bytes& file, BmpHeader& header);
    Bytes Write() const;  // "BM" and the rest of both headers: 54 bytes
};

// 8 bits a pixel: `indices` row by row, top first, into `palette`
// (0xRRGGBB); stored bottom-up unless `topDown`.
Bytes Bmp8(int width, int height, const std::vector<uint32_t>& palette, const Bytes& indices, bool topDown = false);
// 8 bits a pixel with the grey palette: entry i is (i, i, i).
Bytes BmpGrey8(const Grey& pixels);
// 24 bits a pixel, bottom-up rows; alpha dropped.
Bytes BmpRgb24(const Image& image);

}  // namespace picture

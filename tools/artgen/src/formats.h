// File formats the module's resources use: DDS (L8, A8R8G8B8, DXT3 cube),
// BMP (8-bit grey palette, 24-bit), baseline JPEG, ICO; PAM for previews.
#pragma once

#include <string>
#include <vector>

#include "art.h"

namespace art {

// DDS, 128-byte header + texels, no mip maps.
Bytes DdsLuminance8(const Grey& texels);               // 256x256 -> 65,664 bytes
Bytes DdsArgb8(const Image& image);                    // A8R8G8B8, straight alpha
Bytes DdsDxt3Cube(const std::array<Image, 6>& faces);  // +X,-X,+Y,-Y,+Z,-Z, square, multiple of 4

// DXT3 blocks of one picture (width and height multiples of 4), and back.
Bytes EncodeDxt3(const Image& image);
Image DecodeDxt3(const uint8_t* blocks, int width, int height);

// Windows BMP.
Bytes BmpGrey8(const Grey& pixels);  // palette entry i = (i, i, i)
Bytes BmpRgb24(const Image& image);  // bottom-up rows, alpha dropped

// Baseline JPEG (libjpeg), 4:2:0, optimised Huffman tables, islow DCT.
Bytes Jpeg(const Image& image, int quality);

// Icon file with one 32-bit BGRA image (and its AND mask) per entry.
Bytes Ico(const std::vector<Image>& sizes);

// Previews for the contact sheet.
void WritePam(const std::string& path, const Image& image);  // RGB_ALPHA
void WriteFile(const std::string& path, const Bytes& bytes);

}  // namespace art

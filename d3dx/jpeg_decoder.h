// JPEG files through libjpeg-turbo: sequential (baseline or extended)
// Huffman-coded, greyscale (decoded to L8) or YCbCr (decoded to X8R8G8B8, alpha 255). Progressive and
// arithmetic-coded files, CMYK, and any data libjpeg reports as corrupt
// (even as a warning) are rejected; an error never leaves this function
// except as a false result.
#pragma once

#include "d3dx/decoded_image.h"

namespace d3dx {

bool IsJpegFile(const uint8_t* data, size_t size);
bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image);

}  // namespace d3dx

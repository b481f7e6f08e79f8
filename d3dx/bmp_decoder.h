// Windows BMP files of the one kind the module carries: 8 bits per pixel with
// a palette, uncompressed, bottom-up (top-down rows are read too). Decoded to
// A8R8G8B8 with opaque alpha. Other depths, RLE and bit-field variants are
// rejected, as are pixels whose index lies beyond the palette.
#pragma once

#include "d3dx/decoded_image.h"

namespace d3dx {

bool IsBmpFile(const uint8_t* data, size_t size);
bool DecodeBmp(const uint8_t* data, size_t size, DecodedImage& image);

}  // namespace d3dx

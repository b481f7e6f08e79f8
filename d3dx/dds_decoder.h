// DDS files: 2D pictures in L8, A8R8G8B8 or X8R8G8B8, DXT3 2D pictures and
// DXT3 cube maps with all six faces, with or without stored mip levels.
// Anything else (volumes, partial cube maps, other pixel formats, sizes that
// the data does not cover) is rejected.
#pragma once

#include "d3dx/decoded_image.h"

namespace d3dx {

bool IsDdsFile(const uint8_t* data, size_t size);
// Returns false, leaving `image` unspecified, when the file is damaged or of
// a kind not decoded here.
bool DecodeDds(const uint8_t* data, size_t size, DecodedImage& image);

}  // namespace d3dx

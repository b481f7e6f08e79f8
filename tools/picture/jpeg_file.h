// JPEG files through libjpeg: baseline, 4:2:0, optimised Huffman tables,
// the accurate integer DCT, JFIF header. Reading is the module's decoder's
// (d3dx/jpeg_decoder.h).
#pragma once

#include "tools/picture/picture.h"

namespace picture {

// Colour from the picture's RGB (alpha dropped), or its luminance alone.
Bytes Jpeg(const Image& image, int quality, bool grey = false);

}  // namespace picture

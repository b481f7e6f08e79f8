// The DXT3 encoder of the art and the test pictures: explicit 4-bit alpha,
// and a colour block fitted along the principal axis of the block's
// colours, then improved by a least-squares refit and a small greedy search
// over the 5:6:5 endpoints. Slower and closer than the module's own encoder
// (d3dx/texel_processing.h), which compresses mip levels at run time;
// decoding is the module's.
#pragma once

#include "tools/picture/picture.h"

namespace picture {

// The blocks of `image` (sides multiples of 4), rows of blocks top first.
// Every colour block has colour0 > colour1 (or all indices 0 when both are
// equal), so decoders that apply the DXT1 three-colour rule to DXT3 blocks
// see the same four colours.
Bytes EncodeDxt3(const Image& image);

}  // namespace picture

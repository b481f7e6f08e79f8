// Texel work between decoding and a texture: layout conversion, resizing with
// the D3DX point and box filters, mip-level generation, the colour key, and
// the DXT3 block codec (cube maps stay compressed, but their missing mip
// levels are made from decoded texels and compressed again).
#pragma once

#include "d3dx/decoded_image.h"

namespace d3dx {

enum class ResampleFilter {
    Point,  // nearest: source texel floor(x * sourceWidth / width)
    Box,    // the average of the source area each texel covers
};

// L8 <-> A8R8G8B8 / X8R8G8B8 <-> DXT3. Luminance from colour uses the
// weights 0.2125 R + 0.7154 G + 0.0721 B; colour from luminance is grey and
// opaque. A8R8G8B8 from X8R8G8B8 is opaque.
ImageLevel ConvertLevel(const ImageLevel& source, TexelLayout from, TexelLayout to);

// Layouts L8, A8R8G8B8, X8R8G8B8 only.
ImageLevel ResizeLevel(const ImageLevel& source, TexelLayout layout, uint32_t width, uint32_t height,
                       ResampleFilter filter);

// The next smaller mip level: each side halved, at least 1.
ImageLevel NextMipLevel(const ImageLevel& source, TexelLayout layout, ResampleFilter filter);

// Texels equal to `key` (0xAARRGGBB) become transparent black. A8R8G8B8 only.
void ApplyColorKey(ImageLevel& level, uint32_t key);

ImageLevel DecodeDxt3(const ImageLevel& blocks);
// Encodes an A8R8G8B8 level; sides below 4 still take whole blocks.
ImageLevel EncodeDxt3(const ImageLevel& argb);

}  // namespace d3dx

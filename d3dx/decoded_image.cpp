// Sizes shared by the decoders and the texture loader.
#include "d3dx/decoded_image.h"

#include <utility>

namespace d3dx {

size_t LevelByteCount(TexelLayout layout, uint32_t width, uint32_t height) {
    switch (layout) {
    case TexelLayout::L8: return static_cast<size_t>(width) * height;
    case TexelLayout::A8R8G8B8:
    case TexelLayout::X8R8G8B8: return static_cast<size_t>(width) * height * 4;
    case TexelLayout::Dxt3: return static_cast<size_t>((width + 3) / 4) * ((height + 3) / 4) * 16;
    }
    return 0;
}

uint32_t FullMipCount(uint32_t width, uint32_t height) {
    uint32_t side = width > height ? width : height;
    uint32_t count = 1;
    while (side > 1) {
        side >>= 1;
        ++count;
    }
    return count;
}

}  // namespace d3dx

#include "d3dx/bmp_decoder.h"
#include "d3dx/dds_decoder.h"
#include "d3dx/jpeg_decoder.h"

namespace d3dx {

bool DecodeImageFile(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!data)
        return false;
    if (IsDdsFile(data, size))
        return DecodeDds(data, size, image);
    if (IsBmpFile(data, size))
        return DecodeBmp(data, size, image);
    if (IsJpegFile(data, size))
        return DecodeJpeg(data, size, image);
    return false;
}

void DecodedImage::SetSingleLevel(ImageLevel&& level) {
    width = level.width;
    height = level.height;
    faceCount = 1;
    levelCount = 1;
    levels.clear();
    levels.push_back(std::move(level));
}

}  // namespace d3dx

// libFuzzer entry for one decoder (chosen by FUZZ_dds, FUZZ_bmp or
// FUZZ_jpeg). A decoded picture is also pushed through the texel work the
// loader does with it (conversions, a resize, the mip chain, DXT3), so that
// sizes a decoder lets through are exercised downstream too.
#include "d3dx/bmp_decoder.h"
#include "d3dx/dds_decoder.h"
#include "d3dx/jpeg_decoder.h"
#include "d3dx/texel_processing.h"

#include <cstddef>
#include <cstdint>

namespace {

// Downstream work only for pictures of modest size, to keep runs fast.
constexpr uint64_t kMaxProcessedTexels = 1 << 16;

void Process(const d3dx::DecodedImage& image) {
    using d3dx::TexelLayout;
    for (const d3dx::ImageLevel& level : image.levels)
        if (level.texels.size() != d3dx::LevelByteCount(image.layout, level.width, level.height))
            __builtin_trap();
    if (static_cast<uint64_t>(image.width) * image.height > kMaxProcessedTexels)
        return;
    d3dx::ImageLevel argb = d3dx::ConvertLevel(image.Level(0, 0), image.layout, TexelLayout::A8R8G8B8);
    d3dx::ImageLevel grey = d3dx::ConvertLevel(argb, TexelLayout::A8R8G8B8, TexelLayout::L8);
    d3dx::ImageLevel resized = d3dx::ResizeLevel(argb, TexelLayout::A8R8G8B8, image.width / 3 + 1, image.height + 5,
                                                 d3dx::ResampleFilter::Box);
    while (grey.width > 1 || grey.height > 1)
        grey = d3dx::NextMipLevel(grey, TexelLayout::L8, d3dx::ResampleFilter::Box);
    d3dx::ImageLevel back = d3dx::DecodeDxt3(d3dx::EncodeDxt3(resized));
    if (back.width != resized.width)
        __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    d3dx::DecodedImage image;
#if defined(FUZZ_dds)
    const bool decoded = d3dx::DecodeDds(data, size, image);
#elif defined(FUZZ_bmp)
    const bool decoded = d3dx::DecodeBmp(data, size, image);
#else
    const bool decoded = d3dx::DecodeJpeg(data, size, image);
#endif
    if (decoded)
        Process(image);
    return 0;
}

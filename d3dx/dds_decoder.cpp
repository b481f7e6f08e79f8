// The DDS decoder: reads the 124-byte header after the "DDS " magic, checks
// every size against the data actually present, and copies the levels.
#include "d3dx/dds_decoder.h"

#include <cstring>
#include <utility>

namespace d3dx {
namespace {

// Header layout and flags of the DDS format.
constexpr size_t kMagicSize = 4;
constexpr uint32_t kHeaderSize = 124;
constexpr uint32_t kPixelFormatSize = 32;
constexpr uint32_t DDSD_MIPMAPCOUNT = 0x20000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1;
constexpr uint32_t DDPF_FOURCC = 0x4;
constexpr uint32_t DDPF_RGB = 0x40;
constexpr uint32_t DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200;
constexpr uint32_t DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;
constexpr uint32_t DDSCAPS2_VOLUME = 0x200000;
constexpr uint32_t kFourCcDxt3 = 0x33545844;  // "DXT3"

// Field offsets from the start of the file (after the magic: +4).
constexpr size_t kOffSize = 4, kOffFlags = 8, kOffHeight = 12, kOffWidth = 16, kOffDepth = 24, kOffMipCount = 28,
                 kOffPfSize = 76, kOffPfFlags = 80, kOffFourCc = 84, kOffBitCount = 88, kOffRMask = 92, kOffGMask = 96,
                 kOffBMask = 100, kOffAMask = 104, kOffCaps2 = 112;

uint32_t ReadU32(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 | static_cast<uint32_t>(p[2]) << 16 |
           static_cast<uint32_t>(p[3]) << 24;
}

bool PixelLayoutOf(const uint8_t* data, TexelLayout& layout, FileTexelFormat& fileFormat) {
    const uint32_t flags = ReadU32(data + kOffPfFlags);
    const uint32_t bits = ReadU32(data + kOffBitCount);
    const uint32_t r = ReadU32(data + kOffRMask), g = ReadU32(data + kOffGMask), b = ReadU32(data + kOffBMask);
    const uint32_t a = ReadU32(data + kOffAMask);
    if (flags & DDPF_FOURCC) {
        if (ReadU32(data + kOffFourCc) != kFourCcDxt3)
            return false;
        layout = TexelLayout::Dxt3;
        fileFormat = FileTexelFormat::Dxt3;
        return true;
    }
    if ((flags & DDPF_LUMINANCE) && !(flags & DDPF_ALPHAPIXELS) && bits == 8 && r == 0xFF) {
        layout = TexelLayout::L8;
        fileFormat = FileTexelFormat::L8;
        return true;
    }
    if ((flags & DDPF_RGB) && bits == 32 && r == 0xFF0000 && g == 0xFF00 && b == 0xFF) {
        if ((flags & DDPF_ALPHAPIXELS) && a == 0xFF000000u) {
            layout = TexelLayout::A8R8G8B8;
            fileFormat = FileTexelFormat::A8R8G8B8;
            return true;
        }
        if (!(flags & DDPF_ALPHAPIXELS)) {
            layout = TexelLayout::X8R8G8B8;
            fileFormat = FileTexelFormat::X8R8G8B8;
            return true;
        }
    }
    return false;
}

}  // namespace

bool IsDdsFile(const uint8_t* data, size_t size) { return size >= kMagicSize && std::memcmp(data, "DDS ", 4) == 0; }

bool DecodeDds(const uint8_t* data, size_t size, DecodedImage& image) {
    if (!IsDdsFile(data, size) || size < kMagicSize + kHeaderSize)
        return false;
    if (ReadU32(data + kOffSize) != kHeaderSize || ReadU32(data + kOffPfSize) != kPixelFormatSize)
        return false;

    const uint32_t width = ReadU32(data + kOffWidth);
    const uint32_t height = ReadU32(data + kOffHeight);
    if (width == 0 || height == 0 || width > kMaxImageSide || height > kMaxImageSide)
        return false;

    const uint32_t caps2 = ReadU32(data + kOffCaps2);
    if (caps2 & DDSCAPS2_VOLUME)
        return false;
    uint32_t faces = 1;
    if (caps2 & DDSCAPS2_CUBEMAP) {
        if ((caps2 & DDSCAPS2_CUBEMAP_ALLFACES) != DDSCAPS2_CUBEMAP_ALLFACES || width != height)
            return false;
        faces = 6;
    }
    (void)kOffDepth;

    uint32_t levels = 1;
    if (ReadU32(data + kOffFlags) & DDSD_MIPMAPCOUNT) {
        const uint32_t stored = ReadU32(data + kOffMipCount);
        if (stored > FullMipCount(width, height))
            return false;
        if (stored > 0)
            levels = stored;
    }

    TexelLayout layout;
    FileTexelFormat fileFormat;
    if (!PixelLayoutOf(data, layout, fileFormat))
        return false;

    // Every byte the levels need must be present before anything is allocated.
    uint64_t needed = 0;
    for (uint32_t level = 0; level < levels; ++level) {
        const uint32_t w = width >> level ? width >> level : 1;
        const uint32_t h = height >> level ? height >> level : 1;
        needed += LevelByteCount(layout, w, h);
    }
    needed *= faces;
    const size_t available = size - kMagicSize - kHeaderSize;
    if (needed > available)
        return false;

    image.fileFormat = ImageFileFormat::Dds;
    image.fileTexelFormat = fileFormat;
    image.layout = layout;
    image.width = width;
    image.height = height;
    image.faceCount = faces;
    image.levelCount = levels;
    image.levels.clear();
    image.levels.reserve(static_cast<size_t>(faces) * levels);
    const uint8_t* p = data + kMagicSize + kHeaderSize;
    for (uint32_t face = 0; face < faces; ++face) {
        for (uint32_t level = 0; level < levels; ++level) {
            ImageLevel out;
            out.width = width >> level ? width >> level : 1;
            out.height = height >> level ? height >> level : 1;
            const size_t bytes = LevelByteCount(layout, out.width, out.height);
            out.texels.assign(p, p + bytes);
            if (layout == TexelLayout::X8R8G8B8)
                for (size_t i = 3; i < bytes; i += 4)
                    out.texels[i] = 0xFF;
            p += bytes;
            image.levels.push_back(std::move(out));
        }
    }
    return true;
}

}  // namespace d3dx

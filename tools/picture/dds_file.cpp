// The DDS header, written and read field by field in the format's order.
#include "tools/picture/dds_file.h"

#include <cstring>
#include <stdexcept>

#include "tools/picture/dxt3_encoder.h"

namespace picture {
namespace {

// Flags of the DDS format.
constexpr uint32_t DDSD_CAPS = 0x1, DDSD_HEIGHT = 0x2, DDSD_WIDTH = 0x4, DDSD_PITCH = 0x8, DDSD_PIXELFORMAT = 0x1000,
                   DDSD_MIPMAPCOUNT = 0x20000, DDSD_LINEARSIZE = 0x80000;
constexpr uint32_t DDPF_ALPHAPIXELS = 0x1, DDPF_FOURCC = 0x4, DDPF_RGB = 0x40, DDPF_LUMINANCE = 0x20000;
constexpr uint32_t DDSCAPS_COMPLEX = 0x8, DDSCAPS_TEXTURE = 0x1000, DDSCAPS_MIPMAP = 0x400000;
constexpr uint32_t DDSCAPS2_CUBEMAP = 0x200, DDSCAPS2_CUBEMAP_ALLFACES = 0xFC00;
constexpr uint32_t kFourCcDxt3 = 'D' | ('X' << 8) | ('T' << 16) | ('3' << 24);
constexpr size_t kReservedFields = 11, kTrailingFields = 3;  // reserved1; caps3, caps4, reserved2
constexpr uint32_t kDxt3BlockBytes = 16, kDxtBlockSide = 4;

void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}

}  // namespace

DdsHeader DdsHeader::Of(DdsFormat format, uint32_t width, uint32_t height, uint32_t mipLevels, bool cube) {
    DdsHeader h;
    h.width = width;
    h.height = height;
    h.flags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH | DDSD_PIXELFORMAT;
    if (format == DdsFormat::Dxt3) {
        h.flags |= DDSD_LINEARSIZE;
        h.pitchOrLinearSize = ((width + 3) / kDxtBlockSide) * ((height + 3) / kDxtBlockSide) * kDxt3BlockBytes;
        h.pixelFlags = DDPF_FOURCC;
        h.fourCC = kFourCcDxt3;
    } else {
        h.flags |= DDSD_PITCH;
        h.bitCount = format == DdsFormat::L8 ? 8 : 32;
        h.pitchOrLinearSize = width * (h.bitCount / 8);
        if (format == DdsFormat::L8) {
            h.pixelFlags = DDPF_LUMINANCE;
            h.redMask = 0xFF;
        } else {
            h.pixelFlags = DDPF_RGB;
            h.redMask = 0x00FF0000;
            h.greenMask = 0x0000FF00;
            h.blueMask = 0x000000FF;
        }
        if (format == DdsFormat::A8R8G8B8) {
            h.pixelFlags |= DDPF_ALPHAPIXELS;
            h.alphaMask = 0xFF000000;
        }
    }
    h.caps = DDSCAPS_TEXTURE;
    if (mipLevels > 1) {
        h.flags |= DDSD_MIPMAPCOUNT;
        h.mipCount = mipLevels;
        h.caps |= DDSCAPS_COMPLEX | DDSCAPS_MIPMAP;
    }
    if (cube) {
        h.caps |= DDSCAPS_COMPLEX;
        h.caps2 = DDSCAPS2_CUBEMAP | DDSCAPS2_CUBEMAP_ALLFACES;
    }
    return h;
}

bool DdsHeader::Read(const Bytes& file, DdsHeader& header) {
    if (file.size() < kDdsHeaderBytes || std::memcmp(file.data(), "DDS ", 4) != 0)
        return false;
    const auto at = [&file](size_t offset) {
        return static_cast<uint32_t>(file[offset]) | static_cast<uint32_t>(file[offset + 1]) << 8 |
               static_cast<uint32_t>(file[offset + 2]) << 16 | static_cast<uint32_t>(file[offset + 3]) << 24;
    };
    size_t offset = 4;
    const auto next = [&]() {
        const uint32_t value = at(offset);
        offset += 4;
        return value;
    };
    DdsHeader& h = header;
    for (uint32_t* field : {&h.size, &h.flags, &h.height, &h.width, &h.pitchOrLinearSize, &h.depth, &h.mipCount})
        *field = next();
    offset += 4 * kReservedFields;
    for (uint32_t* field : {&h.pixelFormatSize, &h.pixelFlags, &h.fourCC, &h.bitCount, &h.redMask, &h.greenMask,
                            &h.blueMask, &h.alphaMask, &h.caps, &h.caps2})
        *field = next();
    return true;
}

Bytes DdsHeader::Write() const {
    Bytes b = {'D', 'D', 'S', ' '};
    b.reserve(kDdsHeaderBytes);
    for (uint32_t field : {size, flags, height, width, pitchOrLinearSize, depth, mipCount})
        Put32(b, field);
    for (size_t i = 0; i < kReservedFields; ++i)
        Put32(b, 0);
    for (uint32_t field :
         {pixelFormatSize, pixelFlags, fourCC, bitCount, redMask, greenMask, blueMask, alphaMask, caps, caps2})
        Put32(b, field);
    for (size_t i = 0; i < kTrailingFields; ++i)
        Put32(b, 0);
    if (b.size() != kDdsHeaderBytes)
        throw std::logic_error("DDS header size");
    return b;
}

Bytes DdsL8(const Grey& texels) {
    Bytes b = DdsHeader::Of(DdsFormat::L8, texels.width, texels.height).Write();
    b.insert(b.end(), texels.v.begin(), texels.v.end());
    return b;
}

Bytes DdsArgb(const Image& image) {
    Bytes b = DdsHeader::Of(DdsFormat::A8R8G8B8, image.width, image.height).Write();
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            b.insert(b.end(), {p[2], p[1], p[0], p[3]});  // B, G, R, A in memory
        }
    return b;
}

Bytes DdsDxt3Cube(const std::array<Image, 6>& faces) {
    const int size = faces[0].width;
    Bytes b = DdsHeader::Of(DdsFormat::Dxt3, size, size, 1, true).Write();
    for (const Image& face : faces) {
        if (face.width != size || face.height != size)
            throw std::invalid_argument("cube faces differ in size");
        const Bytes blocks = EncodeDxt3(face);
        b.insert(b.end(), blocks.begin(), blocks.end());
    }
    return b;
}

}  // namespace picture

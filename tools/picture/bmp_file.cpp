// The BMP headers, written and read field by field; rows padded to four bytes.
#include "tools/picture/bmp_file.h"

#include <type_traits>

namespace picture {
namespace {

constexpr uint32_t kHeadersBytes = 14 + 40;  // BITMAPFILEHEADER, BITMAPINFOHEADER
constexpr uint32_t kPaletteEntryBytes = 4;   // blue, green, red, reserved
constexpr uint32_t kGreyLevels = 256;
// The resolutions the art has always carried: 72 dpi in the 24-bit preview,
// none in the palettised pictures. Nothing that loads them reads either.
constexpr int32_t k72DpiPerMetre = 2835;

void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
uint32_t Stride(int width, int bits) { return (static_cast<uint32_t>(width) * bits / 8 + 3) & ~3u; }

BmpHeader HeaderOf(int width, int height, int bits, uint32_t paletteEntries) {
    BmpHeader h;
    h.width = width;
    h.height = height;
    h.bitCount = static_cast<uint16_t>(bits);
    h.imageSize = Stride(width, bits) * static_cast<uint32_t>(height < 0 ? -height : height);
    h.pixelOffset = kHeadersBytes + kPaletteEntryBytes * paletteEntries;
    h.fileSize = h.pixelOffset + h.imageSize;
    h.coloursUsed = paletteEntries;
    if (bits == 24)
        h.xPixelsPerMetre = h.yPixelsPerMetre = k72DpiPerMetre;
    return h;
}

}  // namespace

// Visits the headers' fields after "BM" in their order in the file.
template <typename Header, typename Visit>
void VisitFields(Header& h, Visit visit) {
    uint32_t reserved = 0;
    visit(h.fileSize);
    visit(reserved);
    visit(h.pixelOffset);
    visit(h.infoSize);
    visit(h.width);
    visit(h.height);
    visit(h.planes);
    visit(h.bitCount);
    visit(h.compression);
    visit(h.imageSize);
    visit(h.xPixelsPerMetre);
    visit(h.yPixelsPerMetre);
    visit(h.coloursUsed);
    visit(h.coloursImportant);
}

bool BmpHeader::Read(const Bytes& file, BmpHeader& header) {
    if (file.size() < kHeadersBytes || file[0] != 'B' || file[1] != 'M')
        return false;
    size_t at = 2;
    VisitFields(header, [&](auto& field) {
        uint32_t value = 0;
        for (size_t i = 0; i < sizeof field; ++i)
            value |= static_cast<uint32_t>(file[at++]) << (8 * i);
        field = static_cast<std::remove_reference_t<decltype(field)>>(value);
    });
    return true;
}

Bytes BmpHeader::Write() const {
    Bytes b = {'B', 'M'};
    VisitFields(*this, [&b](const auto& field) {
        for (size_t i = 0; i < sizeof field; ++i)
            b.push_back(static_cast<uint8_t>(static_cast<uint32_t>(field) >> (8 * i)));
    });
    return b;
}

Bytes Bmp8(int width, int height, const std::vector<uint32_t>& palette, const Bytes& indices, bool topDown) {
    Bytes b = HeaderOf(width, topDown ? -height : height, 8, static_cast<uint32_t>(palette.size())).Write();
    for (uint32_t colour : palette)
        Put32(b, colour & 0xFFFFFF);
    const uint32_t stride = Stride(width, 8);
    for (int row = 0; row < height; ++row) {
        const int y = topDown ? row : height - 1 - row;
        const uint8_t* source = &indices[static_cast<size_t>(y) * width];
        b.insert(b.end(), source, source + width);
        b.resize(b.size() + stride - width, 0);
    }
    return b;
}

Bytes BmpGrey8(const Grey& pixels) {
    std::vector<uint32_t> grey(kGreyLevels);
    for (uint32_t i = 0; i < kGreyLevels; ++i)
        grey[i] = i * 0x010101u;
    return Bmp8(pixels.width, pixels.height, grey, pixels.v);
}

Bytes BmpRgb24(const Image& image) {
    Bytes b = HeaderOf(image.width, image.height, 24, 0).Write();
    const uint32_t stride = Stride(image.width, 24);
    for (int y = image.height - 1; y >= 0; --y) {
        for (int x = 0; x < image.width; ++x) {
            const uint8_t* p = image.At(x, y);
            b.insert(b.end(), {p[2], p[1], p[0]});
        }
        b.resize(b.size() + stride - image.width * 3, 0);
    }
    return b;
}

}  // namespace picture

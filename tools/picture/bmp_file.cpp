// The BMP headers, written and read field by field; rows padded to four bytes.
#include "tools/picture/bmp_file.h"

namespace picture {
namespace {

constexpr uint32_t kHeadersBytes = 14 + 40;  // BITMAPFILEHEADER, BITMAPINFOHEADER
constexpr uint32_t kPaletteEntryBytes = 4;   // blue, green, red, reserved
constexpr uint32_t kGreyLevels = 256;
// The resolutions the art has always carried: 72 dpi in the 24-bit preview,
// none in the palettised pictures. Nothing that loads them reads either.
constexpr int32_t k72DpiPerMetre = 2835;

void Put16(Bytes& b, uint32_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
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

bool BmpHeader::Read(const Bytes& file, BmpHeader& header) {
    if (file.size() < kHeadersBytes || file[0] != 'B' || file[1] != 'M')
        return false;
    const auto u32 = [&file](size_t at) {
        return static_cast<uint32_t>(file[at]) | static_cast<uint32_t>(file[at + 1]) << 8 |
               static_cast<uint32_t>(file[at + 2]) << 16 | static_cast<uint32_t>(file[at + 3]) << 24;
    };
    const auto u16 = [&file](size_t at) { return static_cast<uint16_t>(file[at] | file[at + 1] << 8); };
    header.fileSize = u32(2);
    header.pixelOffset = u32(10);
    header.infoSize = u32(14);
    header.width = static_cast<int32_t>(u32(18));
    header.height = static_cast<int32_t>(u32(22));
    header.planes = u16(26);
    header.bitCount = u16(28);
    header.compression = u32(30);
    header.imageSize = u32(34);
    header.xPixelsPerMetre = static_cast<int32_t>(u32(38));
    header.yPixelsPerMetre = static_cast<int32_t>(u32(42));
    header.coloursUsed = u32(46);
    header.coloursImportant = u32(50);
    return true;
}

Bytes BmpHeader::Write() const {
    Bytes b = {'B', 'M'};
    Put32(b, fileSize);
    Put32(b, 0);  // reserved
    Put32(b, pixelOffset);
    Put32(b, infoSize);
    Put32(b, static_cast<uint32_t>(width));
    Put32(b, static_cast<uint32_t>(height));
    Put16(b, planes);
    Put16(b, bitCount);
    Put32(b, compression);
    Put32(b, imageSize);
    Put32(b, static_cast<uint32_t>(xPixelsPerMetre));
    Put32(b, static_cast<uint32_t>(yPixelsPerMetre));
    Put32(b, coloursUsed);
    Put32(b, coloursImportant);
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

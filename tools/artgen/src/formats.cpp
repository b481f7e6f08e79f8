// The icon and the previews, byte by byte.
#include "formats.h"

#include "tools/picture/picture.h"

namespace art {
namespace {

void Put16(Bytes& b, uint32_t v) {
    b.push_back(v & 0xFF);
    b.push_back((v >> 8) & 0xFF);
}
void Put32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        b.push_back((v >> (8 * i)) & 0xFF);
}

}  // namespace

Bytes Ico(const std::vector<Image>& sizes) {
    std::vector<Bytes> images;
    for (const Image& im : sizes) {
        Bytes d;
        const uint32_t maskStride = ((im.width + 31) / 32) * 4;
        Put32(d, 40);
        Put32(d, im.width);
        Put32(d, im.height * 2);  // colour rows + mask rows
        Put16(d, 1);
        Put16(d, 32);
        Put32(d, 0);
        Put32(d, im.width * im.height * 4 + maskStride * im.height);
        Put32(d, 0);
        Put32(d, 0);
        Put32(d, 0);
        Put32(d, 0);
        for (int y = im.height - 1; y >= 0; --y)
            for (int x = 0; x < im.width; ++x) {
                const uint8_t* p = im.At(x, y);
                d.insert(d.end(), {p[2], p[1], p[0], p[3]});
            }
        for (int y = im.height - 1; y >= 0; --y) {
            const size_t start = d.size();
            d.resize(start + maskStride, 0);
            for (int x = 0; x < im.width; ++x)
                if (im.At(x, y)[3] < 128)
                    d[start + x / 8] |= 0x80 >> (x % 8);  // transparent
        }
        images.push_back(std::move(d));
    }
    Bytes b;
    Put16(b, 0);
    Put16(b, 1);  // icon
    Put16(b, static_cast<uint32_t>(sizes.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(sizes.size());
    for (size_t i = 0; i < sizes.size(); ++i) {
        b.push_back(static_cast<uint8_t>(sizes[i].width >= 256 ? 0 : sizes[i].width));
        b.push_back(static_cast<uint8_t>(sizes[i].height >= 256 ? 0 : sizes[i].height));
        b.push_back(0);  // colour count
        b.push_back(0);
        Put16(b, 1);   // planes
        Put16(b, 32);  // bits
        Put32(b, static_cast<uint32_t>(images[i].size()));
        Put32(b, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (const Bytes& d : images)
        b.insert(b.end(), d.begin(), d.end());
    return b;
}

void WritePam(const std::string& path, const Image& image) {
    const std::string head = "P7\nWIDTH " + std::to_string(image.width) + "\nHEIGHT " + std::to_string(image.height) +
                             "\nDEPTH 4\nMAXVAL 255\nTUPLTYPE RGB_ALPHA\nENDHDR\n";
    Bytes b(head.begin(), head.end());
    b.insert(b.end(), image.rgba.begin(), image.rgba.end());
    picture::WriteFile(path, b);
}

}  // namespace art

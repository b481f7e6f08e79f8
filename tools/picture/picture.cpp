// Conversion of decoded levels and whole-file writing for the toolkit.
#include "tools/picture/picture.h"

#include <cstdio>
#include <stdexcept>

#include "d3dx/texel_processing.h"

namespace picture {

Image ToImage(const d3dx::ImageLevel& level, d3dx::TexelLayout layout) {
    if (layout == d3dx::TexelLayout::Dxt3)
        return ToImage(d3dx::DecodeDxt3(level), d3dx::TexelLayout::A8R8G8B8);
    Image image(static_cast<int>(level.width), static_cast<int>(level.height));
    const uint8_t* t = level.texels.data();
    for (int y = 0; y < image.height; ++y)
        for (int x = 0; x < image.width; ++x)
            if (layout == d3dx::TexelLayout::L8) {
                image.Set(x, y, t[0], t[0], t[0]);
                t += 1;
            } else {  // bytes B, G, R, A
                image.Set(x, y, t[2], t[1], t[0], t[3]);
                t += 4;
            }
    return image;
}

void WriteFile(const std::string& path, const Bytes& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        throw std::runtime_error("cannot write " + path);
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    if (std::fclose(f) != 0 || !ok)
        throw std::runtime_error("cannot write " + path);
}

}  // namespace picture

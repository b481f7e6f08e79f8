// Writes the pictures the d3dx tests and benchmark load as resources, the
// same bytes on every run: DDS (L8, A8R8G8B8 with and without stored mips,
// X8R8G8B8 of an odd size, a DXT3 cube map), palettised BMPs and JPEGs.
// A native program, run at build time:  make_test_pictures OUTPUT_DIR
#include "d3dx/texel_processing.h"

#include <cstdio>  // before jpeglib.h, which uses FILE

#include <jpeglib.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;

class Random {
public:
    explicit Random(uint32_t seed) : state_(seed) {}
    uint32_t Next() { return state_ = state_ * 1664525u + 1013904223u; }
    uint8_t Byte() { return static_cast<uint8_t>(Next() >> 24); }

private:
    uint32_t state_;
};

void Put32(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void Put16(std::vector<uint8_t>& out, uint16_t v) {
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

bool Write(const std::string& path, const std::vector<uint8_t>& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f)
        return false;
    const bool ok = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && ok;
}

enum class DdsKind { L8, Argb, Xrgb, Dxt3 };

std::vector<uint8_t> DdsHeader(DdsKind kind, uint32_t width, uint32_t height, uint32_t mips, bool cube) {
    std::vector<uint8_t> h = {'D', 'D', 'S', ' '};
    Put32(h, 124);
    Put32(h, 0x1007 | (mips > 1 ? 0x20000 : 0));  // caps, height, width, pixel format (+ mip count)
    Put32(h, height);
    Put32(h, width);
    Put32(h, 0);  // pitch or linear size
    Put32(h, 0);  // depth
    Put32(h, mips > 1 ? mips : 0);
    for (int i = 0; i < 11; ++i)
        Put32(h, 0);
    Put32(h, 32);
    switch (kind) {
    case DdsKind::L8:
        Put32(h, 0x20000);
        Put32(h, 0);
        Put32(h, 8);
        Put32(h, 0xFF);
        Put32(h, 0);
        Put32(h, 0);
        Put32(h, 0);
        break;
    case DdsKind::Argb:
        Put32(h, 0x41);
        Put32(h, 0);
        Put32(h, 32);
        Put32(h, 0xFF0000);
        Put32(h, 0xFF00);
        Put32(h, 0xFF);
        Put32(h, 0xFF000000u);
        break;
    case DdsKind::Xrgb:
        Put32(h, 0x40);
        Put32(h, 0);
        Put32(h, 32);
        Put32(h, 0xFF0000);
        Put32(h, 0xFF00);
        Put32(h, 0xFF);
        Put32(h, 0);
        break;
    case DdsKind::Dxt3:
        Put32(h, 0x4);
        Put32(h, 0x33545844);
        for (int i = 0; i < 5; ++i)
            Put32(h, 0);
        break;
    }
    Put32(h, 0x1000 | (cube || mips > 1 ? 0x8 : 0) | (mips > 1 ? 0x400000 : 0));  // texture, complex, mipmap
    Put32(h, cube ? 0xFE00 : 0);
    for (int i = 0; i < 3; ++i)
        Put32(h, 0);
    return h;
}

// A tileable 256 x 256 heightfield like the sea's frames: a few waves.
std::vector<uint8_t> Heights(uint32_t side) {
    std::vector<uint8_t> t(side * side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            const double u = 2 * kPi * x / side, v = 2 * kPi * y / side;
            const double h = 160 + 30 * std::sin(3 * u + 1) + 20 * std::cos(2 * v) + 10 * std::sin(5 * u + 7 * v);
            t[y * side + x] = static_cast<uint8_t>(h);
        }
    return t;
}

void ArgbPattern(std::vector<uint8_t>& out, uint32_t w, uint32_t h, uint32_t seed) {
    Random r(seed);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            out.push_back(static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1)));  // blue
            out.push_back(static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1)));  // green
            out.push_back(r.Byte());                                             // red
            out.push_back(static_cast<uint8_t>((x + y) * 255 / (w + h)));        // alpha
        }
}

std::vector<uint8_t> Bmp8(uint32_t w, int32_t h, uint32_t paletteEntries, const std::vector<uint8_t>& indices,
                          const std::vector<uint32_t>& palette) {
    const uint32_t rows = static_cast<uint32_t>(h < 0 ? -h : h);
    const uint32_t stride = (w + 3) & ~3u;
    const uint32_t offset = 14 + 40 + 4 * paletteEntries;
    std::vector<uint8_t> b = {'B', 'M'};
    Put32(b, offset + stride * rows);
    Put32(b, 0);
    Put32(b, offset);
    Put32(b, 40);
    Put32(b, w);
    Put32(b, static_cast<uint32_t>(h));
    Put16(b, 1);
    Put16(b, 8);
    Put32(b, 0);
    Put32(b, stride * rows);
    Put32(b, 2835);
    Put32(b, 2835);
    Put32(b, paletteEntries == 256 ? 0 : paletteEntries);
    Put32(b, 0);
    for (uint32_t i = 0; i < paletteEntries; ++i)
        Put32(b, palette[i] & 0xFFFFFF);
    // Bottom-up for a positive height: the last picture row comes first.
    for (uint32_t row = 0; row < rows; ++row) {
        const uint32_t y = h > 0 ? rows - 1 - row : row;
        for (uint32_t x = 0; x < stride; ++x)
            b.push_back(x < w ? indices[y * w + x] : 0);
    }
    return b;
}

std::vector<uint8_t> Jpeg(uint32_t w, uint32_t h, bool grey, int quality) {
    std::vector<uint8_t> rgb(static_cast<size_t>(w) * h * 3);
    Random r(7);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            // A dusk sky: gradients, soft clouds, a little grain.
            const double cloud = 0.5 + 0.25 * std::sin(x * 0.031 + std::sin(y * 0.02) * 3) * std::cos(y * 0.045);
            const int grain = static_cast<int>(r.Byte() % 9) - 4;
            uint8_t* p = &rgb[(static_cast<size_t>(y) * w + x) * 3];
            p[0] = static_cast<uint8_t>(std::min(255.0, 90 + 120.0 * y / h + 40 * cloud + grain));
            p[1] = static_cast<uint8_t>(std::min(255.0, 60 + 80.0 * y / h + 60 * cloud + grain));
            p[2] = static_cast<uint8_t>(std::min(255.0, 150 - 60.0 * y / h + 50 * cloud + grain));
        }
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    unsigned char* mem = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&c, &mem, &size);
    c.image_width = w;
    c.image_height = h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    if (grey)
        jpeg_set_colorspace(&c, JCS_GRAYSCALE);
    jpeg_set_quality(&c, quality, TRUE);
    jpeg_start_compress(&c, TRUE);
    while (c.next_scanline < c.image_height) {
        JSAMPROW row = &rgb[static_cast<size_t>(c.next_scanline) * w * 3];
        jpeg_write_scanlines(&c, &row, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::vector<uint8_t> out(mem, mem + size);
    free(mem);
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_test_pictures OUTPUT_DIR\n");
        return 2;
    }
    const std::string dir = argv[1];
    bool ok = true;

    {  // The sea's heightmap frame: 256 x 256 L8, no stored mips.
        std::vector<uint8_t> f = DdsHeader(DdsKind::L8, 256, 256, 0, false);
        const std::vector<uint8_t> t = Heights(256);
        f.insert(f.end(), t.begin(), t.end());
        ok &= Write(dir + "/height_l8.dds", f);
        f.resize(f.size() - 1000);  // damaged: the last rows are missing
        ok &= Write(dir + "/truncated_l8.dds", f);
    }
    {  // A8R8G8B8 64 x 32, no stored mips.
        std::vector<uint8_t> f = DdsHeader(DdsKind::Argb, 64, 32, 0, false);
        ArgbPattern(f, 64, 32, 1);
        ok &= Write(dir + "/sprite_argb.dds", f);
    }
    {  // A8R8G8B8 16 x 16 with all five stored levels, each its own pattern.
        std::vector<uint8_t> f = DdsHeader(DdsKind::Argb, 16, 16, 5, false);
        for (uint32_t level = 0, side = 16; level < 5; ++level, side /= 2)
            ArgbPattern(f, side, side, 100 + level);
        ok &= Write(dir + "/mips_argb.dds", f);
    }
    {  // X8R8G8B8 of a size that is no power of two.
        std::vector<uint8_t> f = DdsHeader(DdsKind::Xrgb, 40, 24, 0, false);
        ArgbPattern(f, 40, 24, 3);
        ok &= Write(dir + "/odd_xrgb.dds", f);
    }
    {  // DXT3 cube map, 256 x 256 per face, no stored mips: each face a
       // different smooth sky so that the faces can be told apart.
        std::vector<uint8_t> f = DdsHeader(DdsKind::Dxt3, 256, 256, 0, true);
        for (uint32_t face = 0; face < 6; ++face) {
            d3dx::ImageLevel argb;
            argb.width = argb.height = 256;
            Random r(face + 11);
            for (uint32_t y = 0; y < 256; ++y)
                for (uint32_t x = 0; x < 256; ++x) {
                    argb.texels.push_back(static_cast<uint8_t>(40 * face + y / 2));
                    argb.texels.push_back(static_cast<uint8_t>(x / 2 + (r.Byte() & 7)));
                    argb.texels.push_back(static_cast<uint8_t>(255 - 40 * face));
                    argb.texels.push_back(static_cast<uint8_t>(255 - (x + y) / 4));
                }
            const d3dx::ImageLevel blocks = d3dx::EncodeDxt3(argb);
            f.insert(f.end(), blocks.texels.begin(), blocks.texels.end());
        }
        ok &= Write(dir + "/sky_cube_dxt3.dds", f);
    }
    {  // The Fresnel-style ramp: 256 x 1, grey palette, falling values.
        std::vector<uint32_t> grey(256);
        for (uint32_t i = 0; i < 256; ++i)
            grey[i] = i * 0x010101u;
        std::vector<uint8_t> idx(256);
        for (uint32_t i = 0; i < 256; ++i)
            idx[i] = static_cast<uint8_t>(5 + 250 * std::exp(-i / 30.0));
        ok &= Write(dir + "/ramp_p8.bmp", Bmp8(256, 1, 256, idx, grey));
    }
    {  // Noise: 30 x 20 (rows padded), 200 coloured palette entries, bottom-up.
        Random r(5);
        std::vector<uint32_t> palette(200);
        for (auto& c : palette)
            c = r.Next() >> 8;
        std::vector<uint8_t> idx(30 * 20);
        for (auto& i : idx)
            i = static_cast<uint8_t>(r.Next() % 200);
        ok &= Write(dir + "/noise_p8.bmp", Bmp8(30, 20, 200, idx, palette));
        ok &= Write(dir + "/noise_p8_topdown.bmp", Bmp8(30, -20, 200, idx, palette));
    }
    ok &= Write(dir + "/sky_face.jpg", Jpeg(512, 512, false, 90));
    ok &= Write(dir + "/grey.jpg", Jpeg(64, 48, true, 85));
    if (!ok) {
        std::fprintf(stderr, "make_test_pictures: cannot write into %s\n", dir.c_str());
        return 1;
    }
    return 0;
}

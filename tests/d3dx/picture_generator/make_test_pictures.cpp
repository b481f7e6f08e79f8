// Writes the test pictures, the same bytes on every run, with the picture
// toolkit's writers. A native program, run at build time:
//   make_test_pictures d3dx OUTPUT_DIR
// the pictures the d3dx tests and benchmark load as resources: DDS (L8,
// A8R8G8B8 with and without stored mips, X8R8G8B8 of an odd size, a DXT3
// cube map), palettised BMPs and JPEGs;
//   make_test_pictures ocean OUTPUT_DIR WATER_HLSL BROKEN_HLSL
// the ocean tests' art, in the art table's count and size: tileable,
// looping L8 heightmap frames, a six-face DXT3 sky cube map, the Fresnel
// ramp, damaged variants, and the .rc files that put them into the test
// program and into the resource-only test modules.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "art_table.h"
#include "resources/resource_ids.h"
#include "tools/picture/bmp_file.h"
#include "tools/picture/dds_file.h"
#include "tools/picture/jpeg_file.h"

using namespace picture;

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

// A tileable 256 x 256 heightfield like the sea's frames: a few waves.
Bytes Heights(uint32_t side) {
    Bytes t(side * side);
    for (uint32_t y = 0; y < side; ++y)
        for (uint32_t x = 0; x < side; ++x) {
            const double u = 2 * kPi * x / side, v = 2 * kPi * y / side;
            const double h = 160 + 30 * std::sin(3 * u + 1) + 20 * std::cos(2 * v) + 10 * std::sin(5 * u + 7 * v);
            t[y * side + x] = static_cast<uint8_t>(h);
        }
    return t;
}

// A8R8G8B8 texels (bytes B, G, R, A): gradients in blue, green and alpha, noise in red.
void ArgbPattern(Bytes& out, uint32_t w, uint32_t h, uint32_t seed) {
    Random r(seed);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            out.push_back(static_cast<uint8_t>(x * 255 / (w > 1 ? w - 1 : 1)));  // blue
            out.push_back(static_cast<uint8_t>(y * 255 / (h > 1 ? h - 1 : 1)));  // green
            out.push_back(r.Byte());                                             // red
            out.push_back(static_cast<uint8_t>((x + y) * 255 / (w + h)));        // alpha
        }
}

Bytes Dds(DdsFormat format, uint32_t w, uint32_t h, uint32_t mips, uint32_t seed) {
    Bytes f = DdsHeader::Of(format, w, h, mips).Write();
    for (uint32_t level = 0; level < mips; ++level, w /= 2, h /= 2)
        ArgbPattern(f, w, h, seed + level);
    return f;
}

// A dusk sky: gradients, soft clouds, a little grain.
Image Sky(int w, int h) {
    Image sky(w, h);
    Random r(7);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const double cloud = 0.5 + 0.25 * std::sin(x * 0.031 + std::sin(y * 0.02) * 3) * std::cos(y * 0.045);
            const int grain = static_cast<int>(r.Byte() % 9) - 4;
            sky.Set(x, y, static_cast<uint8_t>(std::min(255.0, 90 + 120.0 * y / h + 40 * cloud + grain)),
                    static_cast<uint8_t>(std::min(255.0, 60 + 80.0 * y / h + 60 * cloud + grain)),
                    static_cast<uint8_t>(std::min(255.0, 150 - 60.0 * y / h + 50 * cloud + grain)));
        }
    return sky;
}

void WriteD3dxPictures(const std::string& dir) {
    {  // The sea's heightmap frame: 256 x 256 L8, no stored mips.
        Bytes f = DdsHeader::Of(DdsFormat::L8, 256, 256).Write();
        const Bytes t = Heights(256);
        f.insert(f.end(), t.begin(), t.end());
        WriteFile(dir + "height_l8.dds", f);
        f.resize(f.size() - 1000);  // damaged: the last rows are missing
        WriteFile(dir + "truncated_l8.dds", f);
    }
    WriteFile(dir + "sprite_argb.dds", Dds(DdsFormat::A8R8G8B8, 64, 32, 1, 1));
    // 16 x 16 with all five stored levels, each its own pattern.
    WriteFile(dir + "mips_argb.dds", Dds(DdsFormat::A8R8G8B8, 16, 16, 5, 100));
    // A size that is no power of two.
    WriteFile(dir + "odd_xrgb.dds", Dds(DdsFormat::X8R8G8B8, 40, 24, 1, 3));
    {  // DXT3 cube map, 256 x 256 per face, no stored mips: each face a
       // different smooth sky so that the faces can be told apart.
        std::array<Image, 6> faces;
        for (int face = 0; face < 6; ++face) {
            faces[face] = Image(256, 256);
            Random r(face + 11);
            for (int y = 0; y < 256; ++y)
                for (int x = 0; x < 256; ++x)
                    faces[face].Set(x, y, static_cast<uint8_t>(255 - 40 * face),
                                    static_cast<uint8_t>(x / 2 + (r.Byte() & 7)),
                                    static_cast<uint8_t>(40 * face + y / 2), static_cast<uint8_t>(255 - (x + y) / 4));
        }
        WriteFile(dir + "sky_cube_dxt3.dds", DdsDxt3Cube(faces));
    }
    {  // The Fresnel-style ramp: 256 x 1, grey palette, falling values.
        Grey ramp(256, 1);
        for (int i = 0; i < 256; ++i)
            ramp.v[i] = static_cast<uint8_t>(5 + 250 * std::exp(-i / 30.0));
        WriteFile(dir + "ramp_p8.bmp", BmpGrey8(ramp));
    }
    {  // Noise: 30 x 20 (rows padded), 200 coloured palette entries.
        Random r(5);
        std::vector<uint32_t> palette(200);
        for (auto& c : palette)
            c = r.Next() >> 8;
        Bytes idx(30 * 20);
        for (auto& i : idx)
            i = static_cast<uint8_t>(r.Next() % 200);
        WriteFile(dir + "noise_p8.bmp", Bmp8(30, 20, palette, idx));
        WriteFile(dir + "noise_p8_topdown.bmp", Bmp8(30, 20, palette, idx, true));
    }
    WriteFile(dir + "sky_face.jpg", Jpeg(Sky(512, 512), 90));
    WriteFile(dir + "grey.jpg", Jpeg(Sky(64, 48), 85, true));
}

// Integer periods across the frame tile it; phases turning once over the
// frames make the loop seamless. Heights stay within 109..211, rounded half
// to even.
Bytes OceanFrame(int k) {
    constexpr int kFrames = ART_HEIGHTMAP_FRAMES, kSide = ART_HEIGHTMAP_SIDE;
    const double t = 2 * kPi * k / kFrames;
    Grey heights(kSide, kSide);
    for (int r = 0; r < kSide; ++r)
        for (int c = 0; c < kSide; ++c) {
            const double a = 2 * kPi * c / kSide, b = 2 * kPi * r / kSide;
            const double h =
                160 + 22 * std::sin(2 * a + t) + 16 * std::sin(3 * b - t) + 9 * std::sin(5 * a + 4 * b + 2 * t);
            heights.v[r * kSide + c] = static_cast<uint8_t>(std::nearbyint(h));
        }
    return DdsL8(heights);
}

// The .rc text of one set of the ocean art: `frames` names a frame file in
// place of frame_NN.dds, or none (empty) to leave that frame out; an empty
// cube, ramp or shader leaves that resource out.
std::string OceanRc(const std::string& dir, const std::vector<std::pair<int, std::string>>& frames,
                    const std::string& cube, const std::string& ramp, const std::string& shader) {
    std::string text = "// Generated by make_test_pictures.\n";
    const auto line = [&text](int id, const std::string& path) {
        text += std::to_string(id) + " RCDATA \"" + path + "\"\n";
    };
    for (int k = 0; k < ART_HEIGHTMAP_FRAMES; ++k) {
        std::string name = (k < 10 ? "frame_0" : "frame_") + std::to_string(k) + ".dds";
        for (const auto& [frame, replacement] : frames)
            if (frame == k)
                name = replacement;
        if (!name.empty())
            line(IDR_HEIGHTMAP_FIRST + k, dir + name);
    }
    if (!ramp.empty())
        line(IDR_FRESNEL_RAMP, dir + ramp);
    if (!shader.empty())
        line(IDR_WATER_HLSL, shader);
    if (!cube.empty())
        line(IDR_SKY_CUBE, dir + cube);
    return text;
}

void WriteOceanArt(const std::string& dir, const std::string& waterHlsl, const std::string& brokenHlsl) {
    for (int k = 0; k < ART_HEIGHTMAP_FRAMES; ++k) {
        const Bytes frame = OceanFrame(k);
        WriteFile(dir + (k < 10 ? "frame_0" : "frame_") + std::to_string(k) + ".dds", frame);
        if (k == 5)
            WriteFile(dir + "truncated_frame.dds", Bytes(frame.begin(), frame.begin() + 2000));
    }
    // One flat colour per face, in the DDS order +X, -X, +Y, -Y, +Z, -Z.
    constexpr uint8_t kFaces[6][3] = {{120, 160, 210}, {110, 150, 200}, {170, 200, 240},
                                      {40, 60, 80},    {130, 170, 220}, {100, 140, 190}};
    std::array<Image, 6> faces;
    for (int f = 0; f < 6; ++f) {
        faces[f] = Image(ART_SKY_CUBE_SIDE, ART_SKY_CUBE_SIDE);
        for (int y = 0; y < ART_SKY_CUBE_SIDE; ++y)
            for (int x = 0; x < ART_SKY_CUBE_SIDE; ++x)
                faces[f].Set(x, y, kFaces[f][0], kFaces[f][1], kFaces[f][2]);
    }
    WriteFile(dir + "sky_cube.dds", DdsDxt3Cube(faces));
    // A Fresnel ramp of the module's shape: the full reflection at a grazing
    // angle, falling steeply to a floor of 5 (the tests need its shape, not
    // its exact values).
    constexpr int kFloor = 5, kFalloffTexels = 96;
    Grey ramp(ART_FRESNEL_RAMP_WIDTH, 1);
    for (int i = 0; i < ART_FRESNEL_RAMP_WIDTH; ++i)
        ramp.v[i] = static_cast<uint8_t>(
            i < kFalloffTexels
                ? std::max<double>(kFloor, std::nearbyint(255 * std::pow(1 - i / double(kFalloffTexels), 3)))
                : kFloor);
    WriteFile(dir + "ramp.bmp", BmpGrey8(ramp));
    std::string notAPicture;
    for (int i = 0; i < 8; ++i)
        notAPicture += "this is not a picture\r\n";
    WriteFile(dir + "not_a_picture.bin", Bytes(notAPicture.begin(), notAPicture.end()));
    const std::pair<const char*, std::string> sets[] = {
        // Everything as in the module.
        {"ocean_test_art.rc", OceanRc(dir, {}, "sky_cube.dds", "ramp.bmp", waterHlsl)},
        // Frame 5 cut short after its header.
        {"damaged_frame.rc", OceanRc(dir, {{5, "truncated_frame.dds"}}, "sky_cube.dds", "ramp.bmp", waterHlsl)},
        // The last frame missing.
        {"missing_frame.rc", OceanRc(dir, {{ART_HEIGHTMAP_FRAMES - 1, ""}}, "sky_cube.dds", "ramp.bmp", waterHlsl)},
        // A cube map that is no picture and no ramp at all.
        {"broken_environment.rc", OceanRc(dir, {}, "not_a_picture.bin", "", waterHlsl)},
        // Shaders that do not compile.
        {"broken_shader.rc", OceanRc(dir, {}, "sky_cube.dds", "ramp.bmp", brokenHlsl)},
    };
    for (const auto& [name, text] : sets)
        WriteFile(dir + name, Bytes(text.begin(), text.end()));
}

}  // namespace

int main(int argc, char** argv) {
    const std::string kind = argc > 1 ? argv[1] : "";
    if (!((kind == "d3dx" && argc == 3) || (kind == "ocean" && argc == 5))) {
        std::fprintf(stderr,
                     "usage: make_test_pictures d3dx OUTPUT_DIR\n"
                     "       make_test_pictures ocean OUTPUT_DIR WATER_HLSL BROKEN_HLSL\n");
        return 2;
    }
    const std::string dir = argv[2] + std::string("/");
    try {
        if (kind == "d3dx")
            WriteD3dxPictures(dir);
        else
            WriteOceanArt(dir, argv[3], argv[4]);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "make_test_pictures: %s\n", e.what());
        return 1;
    }
    return 0;
}

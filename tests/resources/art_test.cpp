// The art as the module carries it (issue 5): every picture is read from the
// built BrinemereDuzo.scr, loaded as a data file, and checked against the
// formats the saver's loaders expect and the looks the art is made for.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "art_table.h"
#include "d3dx/dds_decoder.h"
#include "d3dx/jpeg_decoder.h"
#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tools/picture/bmp_file.h"
#include "tools/picture/dds_file.h"

namespace {

using picture::Bytes;
using picture::Image;
using picture::kDdsHeaderBytes;

class Art : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        module_ = LoadLibraryExA(SaverModulePath().c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    }
    static void TearDownTestSuite() {
        if (module_)
            FreeLibrary(module_);
        module_ = nullptr;
    }
    void SetUp() override { ASSERT_NE(module_, nullptr) << "cannot load " << SaverModulePath(); }

    static Bytes Resource(int id, LPCSTR type = MAKEINTRESOURCEA(10) /* RT_RCDATA */) {
        HRSRC info = FindResourceA(module_, MAKEINTRESOURCEA(id), type);
        if (!info)
            return {};
        const auto* data = static_cast<const uint8_t*>(LockResource(LoadResource(module_, info)));
        return Bytes(data, data + SizeofResource(module_, info));
    }

    static std::vector<Bytes> HeightFrames() {
        std::vector<Bytes> frames;
        for (int k = 0; k < ART_HEIGHTMAP_FRAMES; ++k)
            frames.push_back(Resource(pinned::kHeightmapFirst + k));
        return frames;
    }

    static HMODULE module_;
};
HMODULE Art::module_ = nullptr;

// What a DDS header must say for the saver's loaders, by kind of picture.
struct DdsKind {
    uint32_t pixelFlags, fourCC, bitCount, redMask, greenMask, blueMask, alphaMask, caps, caps2;
};
constexpr uint32_t kDxt3 = 0x33545844;                              // "DXT3"
constexpr DdsKind kL8Dds{0x20000, 0, 8, 0xFF, 0, 0, 0, 0x1000, 0};  // DDPF_LUMINANCE; DDSCAPS_TEXTURE
constexpr DdsKind kArgbDds{0x41,       0,          32,     0x00FF0000, 0x0000FF00,
                           0x000000FF, 0xFF000000, 0x1000, 0};  // DDPF_RGB | DDPF_ALPHAPIXELS
// DDPF_FOURCC; DDSCAPS_COMPLEX | DDSCAPS_TEXTURE; DDSCAPS2_CUBEMAP and all six faces.
constexpr DdsKind kDxt3CubeDds{0x4, kDxt3, 0, 0, 0, 0, 0, 0x1008, 0xFE00};
constexpr uint32_t DDSD_REQUIRED = 0x1 | 0x2 | 0x4 | 0x1000;  // caps, height, width, pixel format

void ExpectDds(const Bytes& f, const DdsKind& kind, uint32_t width, uint32_t height, size_t texelBytes) {
    ASSERT_EQ(f.size(), kDdsHeaderBytes + texelBytes);
    picture::DdsHeader d;
    ASSERT_TRUE(picture::DdsHeader::Read(f, d)) << "no DDS magic";
    EXPECT_EQ(d.size, 124u);
    EXPECT_EQ(d.flags & DDSD_REQUIRED, DDSD_REQUIRED);
    EXPECT_EQ(d.width, width);
    EXPECT_EQ(d.height, height);
    EXPECT_EQ(d.mipCount, 0u);
    EXPECT_EQ(d.pixelFormatSize, 32u);
    EXPECT_EQ(d.pixelFlags, kind.pixelFlags);
    EXPECT_EQ(d.fourCC, kind.fourCC);
    EXPECT_EQ(d.bitCount, kind.bitCount);
    EXPECT_EQ(d.redMask, kind.redMask);
    EXPECT_EQ(d.greenMask, kind.greenMask);
    EXPECT_EQ(d.blueMask, kind.blueMask);
    EXPECT_EQ(d.alphaMask, kind.alphaMask);
    EXPECT_EQ(d.caps, kind.caps);
    EXPECT_EQ(d.caps2, kind.caps2);
}

void ExpectArgbDds(const Bytes& f, uint32_t width, uint32_t height, const char* what) {
    SCOPED_TRACE(what);
    ExpectDds(f, kArgbDds, width, height, width * height * 4);
}

// An 8-bit BMP with the 256 greys as its palette, as the saver's loader reads it.
void ExpectGreyBmp(const Bytes& f, int32_t width, int32_t height) {
    const uint32_t imageSize = ((width + 3) & ~3) * height, pixelOffset = 14 + 40 + 256 * 4;
    ASSERT_EQ(f.size(), pixelOffset + imageSize);
    picture::BmpHeader h;
    ASSERT_TRUE(picture::BmpHeader::Read(f, h)) << "no BMP magic";
    EXPECT_EQ(h.fileSize, f.size());
    EXPECT_EQ(h.pixelOffset, pixelOffset);
    EXPECT_EQ(h.infoSize, 40u);
    EXPECT_EQ(h.width, width);
    EXPECT_EQ(h.height, height);
    EXPECT_EQ(h.planes, 1);
    EXPECT_EQ(h.bitCount, 8);
    EXPECT_EQ(h.compression, 0u) << "no compression";
    EXPECT_EQ(h.imageSize, imageSize);
    EXPECT_EQ(h.coloursUsed, 256u) << "palette colours";
    for (int i = 0; i < 256; ++i)
        ASSERT_TRUE(f[54 + 4 * i] == i && f[55 + 4 * i] == i && f[56 + 4 * i] == i) << "palette entry " << i;
}

uint32_t U32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
uint16_t U16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// Texel (x, y) of an A8R8G8B8 DDS as {r, g, b, a}.
std::array<int, 4> Argb(const Bytes& f, int width, int x, int y) {
    const size_t at = kDdsHeaderBytes + (static_cast<size_t>(y) * width + x) * 4;
    return {f[at + 2], f[at + 1], f[at], f[at + 3]};
}

// ---------------------------------------------------------------- heightmaps

constexpr int kFrames = ART_HEIGHTMAP_FRAMES, kSide = ART_HEIGHTMAP_SIDE, kTexels = kSide * kSide;

// Height (x, y) of a frame's texels, wrapping around its edges.
int Height(const uint8_t* t, int x, int y) { return t[((y + kSide) % kSide) * kSide + (x + kSide) % kSide]; }

double MeanAbsDiff(const uint8_t* a, const uint8_t* b, size_t n) {
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / n;
}

TEST_F(Art, HeightmapFramesAreLuminanceDds) {
    for (int k = 0; k < kFrames; ++k) {
        SCOPED_TRACE("resource " + std::to_string(pinned::kHeightmapFirst + k));
        ExpectDds(Resource(pinned::kHeightmapFirst + k), kL8Dds, kSide, kSide, kTexels);
    }
}

TEST_F(Art, HeightmapStatisticsSuitTheWater) {
    const auto frames = HeightFrames();
    for (int k = 0; k < kFrames; ++k) {
        const uint8_t* t = frames[k].data() + kDdsHeaderBytes;
        double sum = 0;
        int lo = 255, hi = 0;
        for (int i = 0; i < kTexels; ++i) {
            sum += t[i];
            lo = std::min<int>(lo, t[i]);
            hi = std::max<int>(hi, t[i]);
        }
        const double mean = sum / kTexels;
        EXPECT_NEAR(mean, 128.0, 3.0) << "frame " << k;
        EXPECT_GE(lo, 100) << "frame " << k;
        EXPECT_LE(hi, 220) << "frame " << k;
        EXPECT_GE(hi - lo, 50) << "frame " << k << ": an ocean, not a flat plate";
        // Sharp crests over broad troughs: the mean lies much nearer the
        // lowest height than the highest.
        EXPECT_LT(mean - lo, (hi - mean) / 2) << "frame " << k;
        // Waves, not noise: neighbouring heights go together.
        double var = 0, cov = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                var += (Height(t, x, y) - mean) * (Height(t, x, y) - mean);
                cov += (Height(t, x, y) - mean) * (Height(t, x + 1, y) - mean);
            }
        EXPECT_GT(cov / var, 0.5) << "frame " << k;
    }
}

TEST_F(Art, HeightmapSlopesAreThoseOfASeaInABreeze) {
    // The slopes of the normal maps the module makes from the frames
    // (amplitude 3 on heights of texel / 255, central differences, wrapped
    // edges). Sun-glitter measurements at sea give a mean-square slope of
    // 0.003 + 0.00512 x wind speed: 0.018 to 0.039 from 3 to 7 m/s.
    const auto frames = HeightFrames();
    std::vector<double> meanSquare;
    for (int k = 0; k < kFrames; ++k) {
        const uint8_t* t = frames[k].data() + kDdsHeaderBytes;
        auto at = [&](int x, int y) { return Height(t, x, y) / 255.0; };
        double squares = 0, tilt = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x) {
                const double sx = 3.0 * (at(x + 1, y) - at(x - 1, y)) / 2, sy = 3.0 * (at(x, y + 1) - at(x, y - 1)) / 2;
                squares += sx * sx + sy * sy;
                tilt += std::atan(std::sqrt(sx * sx + sy * sy)) * 180 / 3.14159265358979;
            }
        meanSquare.push_back(squares / kTexels);
        std::printf("heightmap %2d: mean-square slope %.4f, mean tilt %.2f degrees\n", k, meanSquare.back(),
                    tilt / kTexels);
        EXPECT_GE(meanSquare.back(), 0.018) << "frame " << k << ": calmer than a light breeze";
        EXPECT_LE(meanSquare.back(), 0.039) << "frame " << k << ": rougher than a moderate breeze";
    }
    const auto [lowest, highest] = std::minmax_element(meanSquare.begin(), meanSquare.end());
    EXPECT_LE(*highest, *lowest * 1.10) << "the roughness changes from frame to frame";
}

TEST_F(Art, HeightmapFramesTileInBothDirections) {
    const auto frames = HeightFrames();
    for (int k = 0; k < kFrames; ++k) {
        const uint8_t* t = frames[k].data() + kDdsHeaderBytes;
        // Mean step between neighbouring columns (rows): every interior pair,
        // and the pair across the wrap-around edge.
        double inside = 0, across = 0, insideRows = 0, acrossRows = 0;
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide - 1; ++x) {
                inside += std::abs(Height(t, x + 1, y) - Height(t, x, y));
                insideRows += std::abs(Height(t, y, x + 1) - Height(t, y, x));
            }
        for (int i = 0; i < kSide; ++i) {
            across += std::abs(Height(t, 0, i) - Height(t, kSide - 1, i));
            acrossRows += std::abs(Height(t, i, 0) - Height(t, i, kSide - 1));
        }
        inside /= (kSide - 1.0) * kSide;
        insideRows /= (kSide - 1.0) * kSide;
        across /= kSide;
        acrossRows /= kSide;
        EXPECT_LE(across, inside * 1.25) << "frame " << k << ": left and right edges";
        EXPECT_LE(acrossRows, insideRows * 1.25) << "frame " << k << ": top and bottom edges";
    }
}

TEST_F(Art, HeightmapAnimationLoopsAndMoves) {
    const auto frames = HeightFrames();
    std::vector<double> steps;
    for (int k = 0; k < kFrames; ++k)
        steps.push_back(MeanAbsDiff(frames[k].data() + kDdsHeaderBytes,
                                    frames[(k + 1) % kFrames].data() + kDdsHeaderBytes, kTexels));
    double others = 0;
    for (int k = 0; k < kFrames - 1; ++k) {
        EXPECT_GT(steps[k], 0.5) << "frames " << k << " and " << k + 1 << " should differ";
        others += steps[k];
    }
    others /= kFrames - 1;
    EXPECT_NEAR(steps[kFrames - 1], others, others * 0.10)
        << "the last frame must lead into the first like any frame into the next";
}

// ---------------------------------------------------------------- sky box

// Which face of the sky box (0..4 = 430..434) a world direction hits, and
// at which texture coordinate (u, v). The box spans x and z from -0.25 to
// 0.25 and y from -0.125 to 0.125.
bool FaceOf(std::array<double, 3> d, int& f, double& u, double& v) {
    const double reach = std::max(std::fabs(d[0]), std::fabs(d[2]));
    if (d[1] > 0 && (reach == 0 || d[1] * 0.25 / reach > 0.125)) {
        const double s = 0.125 / d[1];
        f = 4;
        u = (d[0] * s + 0.25) / 0.5;
        v = (d[2] * s + 0.25) / 0.5;
        return true;
    }
    const double s = 0.25 / reach;
    const double x = d[0] * s, y = d[1] * s, z = d[2] * s;
    if (y < -0.125)
        return false;
    v = (0.125 - y) / 0.25;
    if (std::fabs(d[2]) >= std::fabs(d[0])) {
        f = d[2] < 0 ? 0 : 1;
        u = f == 0 ? (0.25 - x) / 0.5 : (x + 0.25) / 0.5;
    } else {
        f = d[0] > 0 ? 2 : 3;
        u = f == 2 ? (0.25 - z) / 0.5 : (z + 0.25) / 0.5;
    }
    return true;
}

// Bilinear sample with clamped edges, as the sky box is drawn.
std::array<double, 3> Sample(const Image& p, double u, double v) {
    const double x = std::clamp(u * p.width - 0.5, 0.0, p.width - 1.0);
    const double y = std::clamp(v * p.height - 0.5, 0.0, p.height - 1.0);
    const int x0 = std::min(static_cast<int>(x), p.width - 2), y0 = std::min(static_cast<int>(y), p.height - 2);
    const double tx = x - x0, ty = y - y0;
    std::array<double, 3> c{};
    for (int k = 0; k < 3; ++k) {
        const double a = p.At(x0, y0)[k] * (1 - tx) + p.At(x0 + 1, y0)[k] * tx;
        const double b = p.At(x0, y0 + 1)[k] * (1 - tx) + p.At(x0 + 1, y0 + 1)[k] * tx;
        c[k] = a * (1 - ty) + b * ty;
    }
    return c;
}

constexpr int kSideFaces = 4, kFaceSide = ART_SKY_FACE_SIDE;
// The rows above the horizon painted at 55 % of a side face.
constexpr int kSkyRows = kFaceSide * 55 / 100 - 1;

class SkyArt : public Art {
protected:
    // The faces as the saver decodes them.
    static void SetUpTestSuite() {
        Art::SetUpTestSuite();
        faces_.clear();
        for (int f = 0; module_ && f < ART_SKY_FACES; ++f) {
            const Bytes file = Resource(pinned::kSkyFaceFirst + f);
            d3dx::DecodedImage decoded;
            colour_[f] =
                d3dx::DecodeJpeg(file.data(), file.size(), decoded) && decoded.layout == d3dx::TexelLayout::X8R8G8B8;
            faces_.push_back(colour_[f] ? picture::ToImage(decoded.Level(0, 0), decoded.layout) : Image());
        }
    }
    void SetUp() override {
        Art::SetUp();
        for (int f = 0; f < ART_SKY_FACES; ++f) {
            ASSERT_TRUE(colour_[f]) << "resource " << pinned::kSkyFaceFirst + f << " is not a baseline colour JPEG";
            ASSERT_EQ(faces_[f].width, kFaceSide);
            ASSERT_EQ(faces_[f].height, kFaceSide);
        }
    }
    static std::vector<Image> faces_;
    static bool colour_[ART_SKY_FACES];
};
std::vector<Image> SkyArt::faces_;
bool SkyArt::colour_[ART_SKY_FACES];

int MaxChannel(const uint8_t* p) { return std::max({p[0], p[1], p[2]}); }

TEST_F(SkyArt, SideFacesAreBlackBelowAHorizonAt55Percent) {
    for (int f = 0; f < kSideFaces; ++f) {
        const Image& p = faces_[f];
        std::vector<int> horizon;
        for (int x = 0; x < kFaceSide; ++x) {
            int last = -1;
            for (int y = 0; y < kFaceSide; ++y)
                if (MaxChannel(p.At(x, y)) > 40)
                    last = y;
            horizon.push_back(last);
            // Plain black from a few rows under the painted horizon down.
            for (int y = last + 4; y < kFaceSide; ++y)
                ASSERT_LE(MaxChannel(p.At(x, y)), 12)
                    << "face " << pinned::kSkyFaceFirst + f << " at (" << x << ", " << y << ")";
            // Sky (not black) everywhere above it.
            for (int y = 0; y < last - 3; ++y)
                ASSERT_GT(MaxChannel(p.At(x, y)), 40)
                    << "face " << pinned::kSkyFaceFirst + f << " at (" << x << ", " << y << ")";
        }
        std::sort(horizon.begin(), horizon.end());
        const double row = horizon[kFaceSide / 2] + 1;  // the first black row
        EXPECT_NEAR(row / kFaceSide, 0.55, 0.02) << "face " << pinned::kSkyFaceFirst + f;
        EXPECT_LE(horizon.back() - horizon.front(), 2)
            << "face " << pinned::kSkyFaceFirst + f << ": the horizon is a straight row";
    }
}

TEST_F(SkyArt, AdjacentFacesMeetWithoutSeams) {
    // Each pair: (face, edge texels) on both sides, in the same order along the edge.
    struct Edge {
        int face;
        bool column;  // a column (fixed x) or a row (fixed y)
        int fixed;
        bool reversed;
    };
    struct Seam {
        Edge a, b;
        int length;
    };
    constexpr int kLast = kFaceSide - 1;
    const std::vector<Seam> seams = {
        {{1, true, kLast, false}, {2, true, 0, false}, kSkyRows},     // 431 | 432 at x = z = +0.25
        {{2, true, kLast, false}, {0, true, 0, false}, kSkyRows},     // 432 | 430
        {{0, true, kLast, false}, {3, true, 0, false}, kSkyRows},     // 430 | 433
        {{3, true, kLast, false}, {1, true, 0, false}, kSkyRows},     // 433 | 431
        {{1, false, 0, false}, {4, false, kLast, false}, kFaceSide},  // 431 top | top face z = +0.25
        {{0, false, 0, false}, {4, false, 0, true}, kFaceSide},       // 430 top | top face z = -0.25
        {{3, false, 0, false}, {4, true, 0, false}, kFaceSide},       // 433 top | top face x = -0.25
        {{2, false, 0, false}, {4, true, kLast, true}, kFaceSide},    // 432 top | top face x = +0.25
    };
    auto texel = [&](const Edge& e, int i, int inset) {
        const int along = e.reversed ? kLast - i : i;
        const int fixed = e.fixed == 0 ? e.fixed + inset : e.fixed - inset;
        return e.column ? faces_[e.face].At(fixed, along) : faces_[e.face].At(along, fixed);
    };
    for (const Seam& s : seams) {
        double across = 0, insideA = 0, insideB = 0;
        for (int i = 0; i < s.length; ++i)
            for (int k = 0; k < 3; ++k) {
                across += std::abs(texel(s.a, i, 0)[k] - texel(s.b, i, 0)[k]);
                insideA += std::abs(texel(s.a, i, 0)[k] - texel(s.a, i, 1)[k]);
                insideB += std::abs(texel(s.b, i, 0)[k] - texel(s.b, i, 1)[k]);
            }
        const double n = 3.0 * s.length;
        SCOPED_TRACE("seam " + std::to_string(pinned::kSkyFaceFirst + s.a.face) + " / " +
                     std::to_string(pinned::kSkyFaceFirst + s.b.face));
        EXPECT_LE(across / n, std::max(3.0, 2.0 * std::max(insideA, insideB) / n));
    }
}

TEST_F(SkyArt, TheSunGlowsOnFace431NearTheHorizonsMiddle) {
    // The brightest 16 x 16 block of the four side faces.
    double best = -1;
    int bestFace = -1, bestX = 0, bestY = 0;
    for (int f = 0; f < kSideFaces; ++f)
        for (int by = 0; by < kFaceSide; by += 16)
            for (int bx = 0; bx < kFaceSide; bx += 16) {
                double sum = 0;
                for (int y = by; y < by + 16; ++y)
                    for (int x = bx; x < bx + 16; ++x) {
                        const uint8_t* p = faces_[f].At(x, y);
                        sum += 0.299 * p[0] + 0.587 * p[1] + 0.114 * p[2];
                    }
                if (sum > best) {
                    best = sum;
                    bestFace = f;
                    bestX = bx + 8;
                    bestY = by + 8;
                }
            }
    EXPECT_EQ(bestFace, 1);  // the face towards the sun
    EXPECT_NEAR(bestX / double(kFaceSide), 0.5, 0.1) << "horizontally in the middle";
    // The flare puts the sun at (0, 0.03, 1.3): v = (0.125 - 0.25 * 0.03 / 1.3) / 0.25 = 0.477.
    EXPECT_NEAR(bestY / double(kFaceSide), 0.477, 0.06) << "just above the horizon";
}

// ---------------------------------------------------------------- cube map

// Whether every colour block is written so that the DXT1 three-colour rule
// never applies: colour0 > colour1, or all indices 0 when they are equal.
bool FourColourBlocks(const d3dx::ImageLevel& blocks) {
    for (size_t at = 0; at + 16 <= blocks.texels.size(); at += 16) {
        const uint8_t* b = &blocks.texels[at];
        const int c0 = b[8] | b[9] << 8, c1 = b[10] | b[11] << 8;
        const bool indicesZero = (b[12] | b[13] | b[14] | b[15]) == 0;
        if (c0 < c1 || (c0 == c1 && !indicesZero))
            return false;
    }
    return true;
}

// D3D cube face (DDS order +X, -X, +Y, -Y, +Z, -Z) at s, t in [-1, 1].
std::array<double, 3> CubeDirection(int face, double s, double t) {
    switch (face) {
    case 0: return {1, -t, -s};
    case 1: return {-1, -t, s};
    case 2: return {s, 1, t};
    case 3: return {s, -1, -t};
    case 4: return {s, -t, 1};
    default: return {-s, -t, -1};
    }
}

TEST_F(SkyArt, CubeMapIsADxt3CubeShowingTheSameSky) {
    constexpr int kCubeSide = ART_SKY_CUBE_SIDE;
    const Bytes cube = Resource(pinned::kSkyCube);
    ExpectDds(cube, kDxt3CubeDds, kCubeSide, kCubeSide, 6 * kCubeSide * kCubeSide);  // a byte a texel
    if (HasFatalFailure())
        return;
    d3dx::DecodedImage decoded;
    ASSERT_TRUE(d3dx::DecodeDds(cube.data(), cube.size(), decoded));
    std::vector<Image> faces;
    for (int f = 0; f < 6; ++f) {
        EXPECT_TRUE(FourColourBlocks(decoded.Level(f, 0))) << "cube face " << f << ": four-colour blocks";
        faces.push_back(picture::ToImage(decoded.Level(f, 0), decoded.layout));
        for (size_t i = 3; i < faces.back().rgba.size(); i += 4)
            ASSERT_EQ(faces.back().rgba[i], 255) << "cube face " << f << " is opaque";
    }

    // Cube direction (a, b, c) shows the sky of world direction (c, b, a).
    // Compare a grid of cube texels (3 x 3 averages) with the sky-box faces
    // averaged over the same directions, wherever the box shows sky.
    int compared = 0;
    double total = 0, worst = 0;
    std::string worstWhere;
    std::vector<double> diffs;
    for (int f = 0; f < 6; ++f)
        for (int ty = 6; ty < kCubeSide; ty += 12)
            for (int tx = 6; tx < kCubeSide; tx += 12) {
                std::array<double, 3> cubeColour{}, boxColour{};
                bool usable = true;
                int samples = 0;
                for (int sy = -4; sy <= 4 && usable; ++sy)
                    for (int sx = -4; sx <= 4 && usable; ++sx) {
                        const double px = tx + 0.5 + sx / 3.0, py = ty + 0.5 + sy / 3.0;  // within 3 x 3 texels
                        const auto c = CubeDirection(f, 2 * px / kCubeSide - 1, 2 * py / kCubeSide - 1);
                        const std::array<double, 3> world{c[2], c[1], c[0]};
                        const double len = std::sqrt(world[0] * world[0] + world[1] * world[1] + world[2] * world[2]);
                        // Keep clear of the painted horizon (where the box turns black).
                        int face;
                        double u, v;
                        if (!FaceOf(world, face, u, v) || (face < 4 && v > 0.53) || world[1] / len < -0.04) {
                            usable = false;
                            break;
                        }
                        const auto b = Sample(faces_[face], u, v);
                        const uint8_t* t =
                            faces[f].At(std::min(kCubeSide - 1, int(px)), std::min(kCubeSide - 1, int(py)));
                        for (int k = 0; k < 3; ++k) {
                            boxColour[k] += b[k];
                            cubeColour[k] += t[k];
                        }
                        ++samples;
                    }
                if (!usable)
                    continue;
                double diff = 0;
                for (int k = 0; k < 3; ++k)
                    diff = std::max(diff, std::fabs(boxColour[k] - cubeColour[k]) / samples);
                total += diff;
                diffs.push_back(diff);
                if (diff > worst) {
                    worst = diff;
                    worstWhere = "cube face " + std::to_string(f) + " texel (" + std::to_string(tx) + ", " +
                                 std::to_string(ty) + ")";
                }
                ++compared;
            }
    ASSERT_GT(compared, 300);
    std::sort(diffs.begin(), diffs.end());
    const double p95 = diffs[diffs.size() * 95 / 100];
    std::printf("cube map against the sky box: %d directions, mean %.2f, 95%% %.2f, largest %.2f (%s)\n", compared,
                total / compared, p95, worst, worstWhere.c_str());
    EXPECT_LE(total / compared, 5.0) << "mean difference";
    EXPECT_LE(p95, 12.0) << "95th percentile of the differences";
    EXPECT_LE(worst, 40.0) << "largest difference, at " << worstWhere;

    // Below the horizon the reflection gets a dark sea colour, not a hard
    // black cut: straight down is dark but not black.
    const uint8_t* down = faces[3].At(kCubeSide / 2, kCubeSide / 2);
    EXPECT_LT(std::max({down[0], down[1], down[2]}), 80);
    EXPECT_GT(int(down[0]) + down[1] + down[2], 6);
}

// ---------------------------------------------------------------- the rest

TEST_F(Art, FresnelRampHasTheExactValues) {
    static const int kValues[256] = {
        255, 245, 235, 226, 217, 209, 201, 193, 186, 180, 173, 167, 161, 155, 150, 145,
        140, 135, 131, 127, 123, 119, 115, 111, 108, 104, 101, 98,  95,  92,  90,  87,  // 0-31
        84,  82,  80,  77,  75,  73,  71,  69,  67,  65,  63,  62,  60,  59,  57,  55,
        54,  53,  51,  50,  49,  47,  46,  45,  44,  43,  42,  41,  40,  39,  38,  37,  // 32-63
        36,  35,  34,  33,  33,  32,  31,  30,  30,  29,  28,  28,  27,  27,  26,  25,
        25,  24,  24,  23,  23,  22,  22,  21,  21,  20,  20,  19,  19,  19,  18,  18,  // 64-95
        18,  17,  17,  16,  16,  16,  16,  15,  15,  15,  14,  14,  14,  14,  13,  13,
        13,  13,  12,  12,  12,  12,  11,  11,  11,  11,  11,  10,  10,  10,  10,  10,  // 96-127
        10,  9,   9,   9,   9,   9,   9,   9,   8,   8,   8,   8,   8,   8,   8,   8,
        8,   7,   7,   7,   7,   7,   7,   7,   7,   7,   7,   7,   6,   6,   6,   6,  // 128-159
        6,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6,   6,                      // 160-171
    };
    const Bytes f = Resource(pinned::kFresnelRamp);
    ExpectGreyBmp(f, ART_FRESNEL_RAMP_WIDTH, 1);
    if (HasFatalFailure())
        return;
    const size_t texels = f.size() - ART_FRESNEL_RAMP_WIDTH;
    for (int i = 0; i < ART_FRESNEL_RAMP_WIDTH; ++i)
        EXPECT_EQ(f[texels + i], i < 172 ? kValues[i] : 5) << "texel " << i;
}

TEST_F(Art, FlareSpritesAreArgbDds) {
    constexpr int kStar = ART_FLARE_STAR_SIDE, kGlow = ART_FLARE_GLOW_SIDE, kRing = ART_FLARE_RING_SIDE;
    const Bytes star = Resource(pinned::kFlareStar), glow = Resource(pinned::kFlareGlow);
    const Bytes ring = Resource(pinned::kFlareRing);
    ExpectArgbDds(star, kStar, kStar, "star 360");
    ExpectArgbDds(glow, kGlow, kGlow, "glow 361");
    ExpectArgbDds(ring, kRing, kRing, "ring 362");
    if (HasFatalFailure())
        return;
    // Every sprite fades to nothing before its border.
    const std::pair<const Bytes*, int> sprites[] = {{&star, kStar}, {&glow, kGlow}, {&ring, kRing}};
    for (const auto& [sprite, size] : sprites)
        for (int i = 0; i < size; ++i) {
            ASSERT_EQ(Argb(*sprite, size, i, 0)[3], 0);
            ASSERT_EQ(Argb(*sprite, size, 0, i)[3], 0);
            ASSERT_EQ(Argb(*sprite, size, i, size - 1)[3], 0);
            ASSERT_EQ(Argb(*sprite, size, size - 1, i)[3], 0);
        }
    // Star: white, with a bright core and rays reaching far out in alpha.
    EXPECT_GT(Argb(star, kStar, kStar / 2, kStar / 2)[3], 200);
    int rayTexels = 0;
    for (int y = 0; y < kStar; ++y)
        for (int x = 0; x < kStar; ++x) {
            const auto p = Argb(star, kStar, x, y);
            if (p[3] > 0) {
                EXPECT_EQ(p[0] + p[1] + p[2], 3 * 255);
            }
            const double r = std::hypot(x - (kStar - 1) / 2.0, y - (kStar - 1) / 2.0);
            if (r > kStar / 4 && p[3] > 40)
                ++rayTexels;
        }
    EXPECT_GT(rayTexels, 40);
    // Glow: bright centre falling off smoothly.
    EXPECT_GT(Argb(glow, kGlow, kGlow / 2, kGlow / 2)[3], 150);
    EXPECT_LT(Argb(glow, kGlow, kGlow * 3 / 4, kGlow / 2)[3], Argb(glow, kGlow, kGlow * 9 / 16, kGlow / 2)[3]);
    // Ring: a faint disc inside a bright rim, the rim red outside and blue inside.
    const auto centre = Argb(ring, kRing, kRing / 2, kRing / 2);
    int rimAlpha = 0, bluestR = 0, reddestR = 0, blue = -999, red = -999;
    for (int x = kRing / 2; x < kRing; ++x) {
        const auto p = Argb(ring, kRing, x, kRing / 2);
        rimAlpha = std::max(rimAlpha, p[3]);
        if (p[3] > 60 && p[2] - p[0] > blue) {
            blue = p[2] - p[0];
            bluestR = x;
        }
        if (p[3] > 60 && p[0] - p[2] > red) {
            red = p[0] - p[2];
            reddestR = x;
        }
    }
    EXPECT_LT(centre[3], 80);
    EXPECT_GT(rimAlpha, 2 * centre[3]);
    EXPECT_LT(bluestR, reddestR);
}

TEST_F(Art, BannerIsA256By64ArgbDdsWithText) {
    constexpr int kWidth = ART_BANNER_WIDTH;
    const Bytes banner = Resource(pinned::kBanner);
    ExpectArgbDds(banner, kWidth, ART_BANNER_HEIGHT, "banner 245");
    if (HasFatalFailure())
        return;
    int transparent = 0, opaque = 0, bright = 0;
    for (int y = 0; y < ART_BANNER_HEIGHT; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const auto p = Argb(banner, kWidth, x, y);
            if (p[3] == 0)
                ++transparent;
            if (p[3] > 200)
                ++opaque;
            if (p[3] > 200 && p[0] > 200 && p[1] > 200 && p[2] > 180)
                ++bright;  // light text
        }
    EXPECT_EQ(Argb(banner, kWidth, 0, 0)[3], 0) << "rounded corners";
    EXPECT_GT(transparent, 0);
    EXPECT_GT(opaque, 500);
    EXPECT_GT(bright, 300) << "antialiased light text on the panel";
}

TEST_F(Art, NoisePicturesAre32By32GreyBmps) {
    for (int id = pinned::kNoiseFirst; id < pinned::kNoiseFirst + ART_NOISE_PICTURES; ++id) {
        const Bytes f = Resource(id);
        SCOPED_TRACE("resource " + std::to_string(id));
        ExpectGreyBmp(f, ART_NOISE_SIDE, ART_NOISE_SIDE);
        if (HasFatalFailure())
            return;
        const auto [lo, hi] = std::minmax_element(f.end() - ART_NOISE_SIDE * ART_NOISE_SIDE, f.end());
        EXPECT_GT(*hi - *lo, 200) << "full-contrast noise";
    }
}

TEST_F(Art, PreviewIsA152By112BitmapTheWindowCanPaint) {
    constexpr int kWidth = ART_PREVIEW_WIDTH, kHeight = ART_PREVIEW_HEIGHT, kStride = (kWidth * 3 + 3) & ~3;
    const Bytes dib = Resource(pinned::kPreviewBitmap, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    ASSERT_GE(dib.size(), 40u);
    EXPECT_EQ(U32(dib, 4), uint32_t(kWidth));
    EXPECT_EQ(U32(dib, 8), uint32_t(kHeight));
    EXPECT_EQ(U16(dib, 14), 24);
    // As the preview window reads it: LoadBitmap, GetDIBits of every row.
    HBITMAP bitmap = LoadBitmapA(module_, MAKEINTRESOURCEA(pinned::kPreviewBitmap));
    ASSERT_NE(bitmap, nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kWidth;
    info.bmiHeader.biHeight = kHeight;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    std::vector<uint8_t> pixels(kStride * kHeight);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, kHeight, pixels.data(), &info, DIB_RGB_COLORS), kHeight);
    ReleaseDC(nullptr, dc);
    DeleteObject(bitmap);
    // Dusk: a bright sun near the horizon, darker water below.
    auto lum = [&](int x, int y) {  // y from the top
        const uint8_t* p = &pixels[static_cast<size_t>(kHeight - 1 - y) * kStride + x * 3];
        return 0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2];
    };
    double bottom = 0, brightest = 0;
    for (int x = 0; x < kWidth; ++x) {
        bottom += lum(x, kHeight - 4);
        for (int y = 0; y < kHeight; ++y)
            brightest = std::max(brightest, lum(x, y));
    }
    EXPECT_GT(brightest, 230);
    EXPECT_LT(bottom / kWidth, 120);
}

TEST_F(Art, IconHas16And32And48PixelImages) {
    const Bytes group = Resource(pinned::kIconGroup, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
    ASSERT_GE(group.size(), 6u);
    const int count = U16(group, 4);
    std::vector<int> sizes;
    for (int i = 0; i < count; ++i) {
        const size_t at = 6 + 14 * i;  // GRPICONDIRENTRY
        const int w = group[at] ? group[at] : 256;
        sizes.push_back(w);
        EXPECT_EQ(group[at], group[at + 1]) << "square";
        EXPECT_EQ(U16(group, at + 6), 32) << "32-bit colour with alpha";
        const Bytes image = Resource(U16(group, at + 12), MAKEINTRESOURCEA(3) /* RT_ICON */);
        HICON icon = CreateIconFromResourceEx(const_cast<uint8_t*>(image.data()), static_cast<DWORD>(image.size()),
                                              TRUE, 0x00030000, w, w, LR_DEFAULTCOLOR);
        EXPECT_NE(icon, nullptr) << w << " px";
        if (icon)
            DestroyIcon(icon);
    }
    std::vector<int> expected{ART_ICON_SIDES};
    std::sort(sizes.begin(), sizes.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(sizes, expected);
}

}  // namespace

// The art as the module carries it (issue 5): every picture is read from the
// built BrinemereDuzo.scr, loaded as a data file, and checked against the
// formats the saver's loaders expect and the looks the art is made for.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <csetjmp>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "tests/support/saver_process.h"
#include "resources/resource_ids.h"

namespace {

using Bytes = std::vector<uint8_t>;

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
        for (int k = 0; k < IDR_HEIGHTMAP_COUNT; ++k)
            frames.push_back(Resource(IDR_HEIGHTMAP_FIRST + k));
        return frames;
    }

    static HMODULE module_;
};
HMODULE Art::module_ = nullptr;

uint32_t U32(const Bytes& b, size_t at) { return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | uint32_t(b[at + 3]) << 24; }
uint16_t U16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }

// The fields of a DDS header ("DDS " + DDS_HEADER), by byte offset.
struct Dds {
    uint32_t size, flags, height, width, pitch, depth, mips, pfSize, pfFlags, fourCC, bits, r, g, b, a, caps, caps2;
    explicit Dds(const Bytes& f)
        : size(U32(f, 4)),
          flags(U32(f, 8)),
          height(U32(f, 12)),
          width(U32(f, 16)),
          pitch(U32(f, 20)),
          depth(U32(f, 24)),
          mips(U32(f, 28)),
          pfSize(U32(f, 76)),
          pfFlags(U32(f, 80)),
          fourCC(U32(f, 84)),
          bits(U32(f, 88)),
          r(U32(f, 92)),
          g(U32(f, 96)),
          b(U32(f, 100)),
          a(U32(f, 104)),
          caps(U32(f, 108)),
          caps2(U32(f, 112)) {}
};
constexpr uint32_t DDSD_REQUIRED = 0x1 | 0x2 | 0x4 | 0x1000;  // caps, height, width, pixel format

void ExpectArgbDds(const Bytes& f, uint32_t width, uint32_t height, const char* what) {
    ASSERT_EQ(f.size(), 128 + width * height * 4) << what;
    ASSERT_EQ(std::memcmp(f.data(), "DDS ", 4), 0) << what;
    const Dds d(f);
    EXPECT_EQ(d.size, 124u) << what;
    EXPECT_EQ(d.flags & DDSD_REQUIRED, DDSD_REQUIRED) << what;
    EXPECT_EQ(d.width, width) << what;
    EXPECT_EQ(d.height, height) << what;
    EXPECT_EQ(d.mips, 0u) << what;
    EXPECT_EQ(d.pfSize, 32u) << what;
    EXPECT_EQ(d.pfFlags, 0x41u) << what << ": DDPF_RGB | DDPF_ALPHAPIXELS";
    EXPECT_EQ(d.bits, 32u) << what;
    EXPECT_EQ(d.r, 0x00FF0000u) << what;
    EXPECT_EQ(d.g, 0x0000FF00u) << what;
    EXPECT_EQ(d.b, 0x000000FFu) << what;
    EXPECT_EQ(d.a, 0xFF000000u) << what;
    EXPECT_EQ(d.caps, 0x1000u) << what;
    EXPECT_EQ(d.caps2, 0u) << what;
}

// Texel (x, y) of an A8R8G8B8 DDS as {r, g, b, a}.
std::array<int, 4> Argb(const Bytes& f, int width, int x, int y) {
    const size_t at = 128 + (static_cast<size_t>(y) * width + x) * 4;
    return {f[at + 2], f[at + 1], f[at], f[at + 3]};
}

// ---------------------------------------------------------------- heightmaps

double MeanAbsDiff(const uint8_t* a, const uint8_t* b, size_t n) {
    double sum = 0;
    for (size_t i = 0; i < n; ++i)
        sum += std::abs(int(a[i]) - int(b[i]));
    return sum / n;
}

TEST_F(Art, HeightmapFramesAreLuminanceDds) {
    for (int k = 0; k < 30; ++k) {
        const Bytes f = Resource(IDR_HEIGHTMAP_FIRST + k);
        SCOPED_TRACE("resource " + std::to_string(IDR_HEIGHTMAP_FIRST + k));
        ASSERT_EQ(f.size(), 65664u);
        ASSERT_EQ(std::memcmp(f.data(), "DDS ", 4), 0);
        const Dds d(f);
        EXPECT_EQ(d.size, 124u);
        EXPECT_EQ(d.flags & DDSD_REQUIRED, DDSD_REQUIRED);
        EXPECT_EQ(d.height, 256u);
        EXPECT_EQ(d.width, 256u);
        EXPECT_EQ(d.mips, 0u);
        EXPECT_EQ(d.pfSize, 32u);
        EXPECT_EQ(d.pfFlags, 0x20000u) << "DDPF_LUMINANCE only";
        EXPECT_EQ(d.bits, 8u);
        EXPECT_EQ(d.r, 0xFFu);
        EXPECT_EQ(d.g | d.b | d.a, 0u);
        EXPECT_EQ(d.caps, 0x1000u) << "DDSCAPS_TEXTURE only";
        EXPECT_EQ(d.caps2, 0u);
    }
}

TEST_F(Art, HeightmapStatisticsSuitTheWater) {
    const auto frames = HeightFrames();
    for (int k = 0; k < 30; ++k) {
        const uint8_t* t = frames[k].data() + 128;
        double sum = 0;
        int lo = 255, hi = 0;
        for (int i = 0; i < 65536; ++i) {
            sum += t[i];
            lo = std::min<int>(lo, t[i]);
            hi = std::max<int>(hi, t[i]);
        }
        EXPECT_NEAR(sum / 65536, 128.0, 3.0) << "frame " << k;
        EXPECT_GE(lo, 100) << "frame " << k;
        EXPECT_LE(hi, 220) << "frame " << k;
        EXPECT_GE(hi - lo, 50) << "frame " << k << ": an ocean, not a flat plate";
        // Sharp crests over broad troughs: the mean lies much nearer the
        // lowest height than the highest.
        EXPECT_LT(sum / 65536 - lo, (hi - sum / 65536) / 2) << "frame " << k;
        // Waves, not noise: neighbouring heights go together.
        double var = 0, cov = 0;
        const double mean = sum / 65536;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                var += (t[y * 256 + x] - mean) * (t[y * 256 + x] - mean);
                cov += (t[y * 256 + x] - mean) * (t[y * 256 + (x + 1) % 256] - mean);
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
    for (int k = 0; k < 30; ++k) {
        const uint8_t* t = frames[k].data() + 128;
        auto at = [&](int x, int y) { return t[(y & 255) * 256 + (x & 255)] / 255.0; };
        double squares = 0, tilt = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const double sx = 3.0 * (at(x + 1, y) - at(x - 1, y)) / 2, sy = 3.0 * (at(x, y + 1) - at(x, y - 1)) / 2;
                squares += sx * sx + sy * sy;
                tilt += std::atan(std::sqrt(sx * sx + sy * sy)) * 180 / 3.14159265358979;
            }
        meanSquare.push_back(squares / 65536);
        std::printf("heightmap %2d: mean-square slope %.4f, mean tilt %.2f degrees\n", k, meanSquare.back(),
                    tilt / 65536);
        EXPECT_GE(meanSquare.back(), 0.018) << "frame " << k << ": calmer than a light breeze";
        EXPECT_LE(meanSquare.back(), 0.039) << "frame " << k << ": rougher than a moderate breeze";
    }
    const auto [lowest, highest] = std::minmax_element(meanSquare.begin(), meanSquare.end());
    EXPECT_LE(*highest, *lowest * 1.10) << "the roughness changes from frame to frame";
}

TEST_F(Art, HeightmapFramesTileInBothDirections) {
    const auto frames = HeightFrames();
    for (int k = 0; k < 30; ++k) {
        const uint8_t* t = frames[k].data() + 128;
        auto at = [&](int x, int y) { return int(t[y * 256 + x]); };
        // Mean step between neighbouring columns (rows): every interior pair,
        // and the pair across the wrap-around edge.
        double inside = 0, across = 0, insideRows = 0, acrossRows = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 255; ++x) {
                inside += std::abs(at(x + 1, y) - at(x, y));
                insideRows += std::abs(at(y, x + 1) - at(y, x));
            }
        for (int i = 0; i < 256; ++i) {
            across += std::abs(at(0, i) - at(255, i));
            acrossRows += std::abs(at(i, 0) - at(i, 255));
        }
        inside /= 255.0 * 256;
        insideRows /= 255.0 * 256;
        across /= 256;
        acrossRows /= 256;
        EXPECT_LE(across, inside * 1.25) << "frame " << k << ": left and right edges";
        EXPECT_LE(acrossRows, insideRows * 1.25) << "frame " << k << ": top and bottom edges";
    }
}

TEST_F(Art, HeightmapAnimationLoopsAndMoves) {
    const auto frames = HeightFrames();
    std::vector<double> steps;
    for (int k = 0; k < 30; ++k)
        steps.push_back(MeanAbsDiff(frames[k].data() + 128, frames[(k + 1) % 30].data() + 128, 65536));
    double others = 0;
    for (int k = 0; k < 29; ++k) {
        EXPECT_GT(steps[k], 0.5) << "frames " << k << " and " << k + 1 << " should differ";
        others += steps[k];
    }
    others /= 29;
    EXPECT_NEAR(steps[29], others, others * 0.10) << "frame 29 must lead into frame 0 like any frame into the next";
}

// ---------------------------------------------------------------- sky box

struct Picture {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
    const uint8_t* At(int x, int y) const { return &rgb[(static_cast<size_t>(y) * width + x) * 3]; }
};

struct JpegFailure {
    jpeg_error_mgr mgr;  // first, so that the library's pointer is ours
    jmp_buf back;
};

// Baseline colour JPEG -> RGB; false if it is not one or does not decode.
bool DecodeJpeg(const Bytes& data, Picture& out) {
    jpeg_decompress_struct cinfo;
    JpegFailure failure;
    cinfo.err = jpeg_std_error(&failure.mgr);
    failure.mgr.error_exit = [](j_common_ptr c) { longjmp(reinterpret_cast<JpegFailure*>(c->err)->back, 1); };
    if (setjmp(failure.back)) {
        jpeg_destroy_decompress(&cinfo);
        return false;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data.data(), static_cast<unsigned long>(data.size()));
    jpeg_read_header(&cinfo, TRUE);
    const bool baseline = !cinfo.progressive_mode && cinfo.num_components == 3;
    cinfo.out_color_space = JCS_RGB;
    jpeg_start_decompress(&cinfo);
    out.width = static_cast<int>(cinfo.output_width);
    out.height = static_cast<int>(cinfo.output_height);
    out.rgb.assign(static_cast<size_t>(out.width) * out.height * 3, 0);
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW row = &out.rgb[static_cast<size_t>(cinfo.output_scanline) * out.width * 3];
        jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    return baseline;
}

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
std::array<double, 3> Sample(const Picture& p, double u, double v) {
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

class SkyArt : public Art {
protected:
    static void SetUpTestSuite() {
        Art::SetUpTestSuite();
        faces_.clear();
        if (!module_)
            return;
        for (int f = 0; f < 5; ++f) {
            Picture p;
            decoded_[f] = DecodeJpeg(Resource(IDR_SKY_FACE_FIRST + f), p);
            faces_.push_back(p);
        }
    }
    void SetUp() override {
        Art::SetUp();
        for (int f = 0; f < 5; ++f) {
            ASSERT_TRUE(decoded_[f]) << "resource " << IDR_SKY_FACE_FIRST + f << " is not a baseline colour JPEG";
            ASSERT_EQ(faces_[f].width, 512);
            ASSERT_EQ(faces_[f].height, 512);
        }
    }
    static std::vector<Picture> faces_;
    static bool decoded_[5];
};
std::vector<Picture> SkyArt::faces_;
bool SkyArt::decoded_[5];

int MaxChannel(const uint8_t* p) { return std::max({p[0], p[1], p[2]}); }

TEST_F(SkyArt, SideFacesAreBlackBelowAHorizonAt55Percent) {
    for (int f = 0; f < 4; ++f) {
        const Picture& p = faces_[f];
        std::vector<int> horizon;
        for (int x = 0; x < 512; ++x) {
            int last = -1;
            for (int y = 0; y < 512; ++y)
                if (MaxChannel(p.At(x, y)) > 40)
                    last = y;
            horizon.push_back(last);
            // Plain black from a few rows under the painted horizon down.
            for (int y = last + 4; y < 512; ++y)
                ASSERT_LE(MaxChannel(p.At(x, y)), 12)
                    << "face " << IDR_SKY_FACE_FIRST + f << " at (" << x << ", " << y << ")";
            // Sky (not black) everywhere above it.
            for (int y = 0; y < last - 3; ++y)
                ASSERT_GT(MaxChannel(p.At(x, y)), 40)
                    << "face " << IDR_SKY_FACE_FIRST + f << " at (" << x << ", " << y << ")";
        }
        std::sort(horizon.begin(), horizon.end());
        const double row = horizon[256] + 1;  // the first black row
        EXPECT_NEAR(row / 512, 0.55, 0.02) << "face " << 430 + f;
        EXPECT_LE(horizon.back() - horizon.front(), 2)
            << "face " << IDR_SKY_FACE_FIRST + f << ": the horizon is a straight row";
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
    const std::vector<Seam> seams = {
        {{1, true, 511, false}, {2, true, 0, false}, 280},    // 431 | 432 at x = z = +0.25
        {{2, true, 511, false}, {0, true, 0, false}, 280},    // 432 | 430
        {{0, true, 511, false}, {3, true, 0, false}, 280},    // 430 | 433
        {{3, true, 511, false}, {1, true, 0, false}, 280},    // 433 | 431
        {{1, false, 0, false}, {4, false, 511, false}, 512},  // 431 top | top face z = +0.25
        {{0, false, 0, false}, {4, false, 0, true}, 512},     // 430 top | top face z = -0.25
        {{3, false, 0, false}, {4, true, 0, false}, 512},     // 433 top | top face x = -0.25
        {{2, false, 0, false}, {4, true, 511, true}, 512},    // 432 top | top face x = +0.25
    };
    auto texel = [&](const Edge& e, int i, int inset) {
        const int along = e.reversed ? 511 - i : i;
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
        SCOPED_TRACE("seam " + std::to_string(IDR_SKY_FACE_FIRST + s.a.face) + " / " +
                     std::to_string(IDR_SKY_FACE_FIRST + s.b.face));
        EXPECT_LE(across / n, std::max(3.0, 2.0 * std::max(insideA, insideB) / n));
    }
}

TEST_F(SkyArt, TheSunGlowsOnFace431NearTheHorizonsMiddle) {
    // The brightest 16 x 16 block of the four side faces.
    double best = -1;
    int bestFace = -1, bestX = 0, bestY = 0;
    for (int f = 0; f < 4; ++f)
        for (int by = 0; by < 512; by += 16)
            for (int bx = 0; bx < 512; bx += 16) {
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
    EXPECT_NEAR(bestX / 512.0, 0.5, 0.1) << "horizontally in the middle";
    // The flare puts the sun at (0, 0.03, 1.3): v = (0.125 - 0.25 * 0.03 / 1.3) / 0.25 = 0.477.
    EXPECT_NEAR(bestY / 512.0, 0.477, 0.06) << "just above the horizon";
}

// ---------------------------------------------------------------- cube map

std::vector<std::array<uint8_t, 4>> DecodeDxt3Face(const uint8_t* blocks, int size, bool& valid) {
    std::vector<std::array<uint8_t, 4>> out(static_cast<size_t>(size) * size);
    valid = true;
    for (int by = 0; by < size; by += 4)
        for (int bx = 0; bx < size; bx += 4, blocks += 16) {
            const int c0 = blocks[8] | blocks[9] << 8, c1 = blocks[10] | blocks[11] << 8;
            int c[4][3];
            auto expand = [](int v, int out3[3]) {
                const int r = v >> 11, g = (v >> 5) & 63, b = v & 31;
                out3[0] = r << 3 | r >> 2;
                out3[1] = g << 2 | g >> 4;
                out3[2] = b << 3 | b >> 2;
            };
            expand(c0, c[0]);
            expand(c1, c[1]);
            for (int k = 0; k < 3; ++k) {
                c[2][k] = (2 * c[0][k] + c[1][k]) / 3;
                c[3][k] = (c[0][k] + 2 * c[1][k]) / 3;
            }
            // Written so that the DXT1 three-colour rule never applies.
            uint32_t indices = blocks[12] | blocks[13] << 8 | blocks[14] << 16 | uint32_t(blocks[15]) << 24;
            if (c0 < c1 || (c0 == c1 && indices != 0))
                valid = false;
            for (int i = 0; i < 16; ++i) {
                const int index = (indices >> (2 * i)) & 3;
                const int alpha = ((blocks[i / 2] >> (4 * (i % 2))) & 15) * 17;
                out[static_cast<size_t>(by + i / 4) * size + bx + i % 4] = {
                    static_cast<uint8_t>(c[index][0]), static_cast<uint8_t>(c[index][1]),
                    static_cast<uint8_t>(c[index][2]), static_cast<uint8_t>(alpha)};
            }
        }
    return out;
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
    const Bytes cube = Resource(IDR_SKY_CUBE);
    ASSERT_EQ(cube.size(), 393344u);
    ASSERT_EQ(std::memcmp(cube.data(), "DDS ", 4), 0);
    const Dds d(cube);
    EXPECT_EQ(d.size, 124u);
    EXPECT_EQ(d.flags & DDSD_REQUIRED, DDSD_REQUIRED);
    EXPECT_EQ(d.width, 256u);
    EXPECT_EQ(d.height, 256u);
    EXPECT_EQ(d.mips, 0u);
    EXPECT_EQ(d.pfSize, 32u);
    EXPECT_EQ(d.pfFlags, 0x4u) << "DDPF_FOURCC";
    EXPECT_EQ(std::memcmp(&cube[84], "DXT3", 4), 0);
    EXPECT_EQ(d.caps, 0x1008u) << "DDSCAPS_COMPLEX | DDSCAPS_TEXTURE";
    EXPECT_EQ(d.caps2, 0xFE00u) << "DDSCAPS2_CUBEMAP and all six faces";

    std::vector<std::vector<std::array<uint8_t, 4>>> faces;
    for (int f = 0; f < 6; ++f) {
        bool valid = false;
        faces.push_back(DecodeDxt3Face(&cube[128 + f * 65536], 256, valid));
        EXPECT_TRUE(valid) << "cube face " << f << ": four-colour blocks";
        for (const auto& texel : faces.back())
            ASSERT_EQ(texel[3], 255) << "cube face " << f << " is opaque";
    }

    // Cube direction (a, b, c) shows the sky of world direction (c, b, a).
    // Compare a grid of cube texels (3 x 3 averages) with the sky-box faces
    // averaged over the same directions, wherever the box shows sky.
    int compared = 0;
    double total = 0, worst = 0;
    std::string worstWhere;
    std::vector<double> diffs;
    for (int f = 0; f < 6; ++f)
        for (int ty = 6; ty < 256; ty += 12)
            for (int tx = 6; tx < 256; tx += 12) {
                std::array<double, 3> cubeColour{}, boxColour{};
                bool usable = true;
                int samples = 0;
                for (int sy = -4; sy <= 4 && usable; ++sy)
                    for (int sx = -4; sx <= 4 && usable; ++sx) {
                        const double px = tx + 0.5 + sx / 3.0, py = ty + 0.5 + sy / 3.0;  // within 3 x 3 texels
                        const auto c = CubeDirection(f, 2 * px / 256 - 1, 2 * py / 256 - 1);
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
                        const auto& t =
                            faces[f][static_cast<size_t>(std::min(255, int(py))) * 256 + std::min(255, int(px))];
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
    const auto& down = faces[3][128 * 256 + 128];
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
    const Bytes f = Resource(IDR_FRESNEL_RAMP);
    ASSERT_EQ(f.size(), 1334u);
    EXPECT_EQ(f[0], 'B');
    EXPECT_EQ(f[1], 'M');
    EXPECT_EQ(U32(f, 2), 1334u);
    EXPECT_EQ(U32(f, 10), 1078u);
    EXPECT_EQ(U32(f, 14), 40u);
    EXPECT_EQ(U32(f, 18), 256u);
    EXPECT_EQ(U32(f, 22), 1u);
    EXPECT_EQ(U16(f, 26), 1);
    EXPECT_EQ(U16(f, 28), 8);
    EXPECT_EQ(U32(f, 30), 0u) << "no compression";
    EXPECT_EQ(U32(f, 34), 256u) << "image size";
    EXPECT_EQ(U32(f, 46), 256u) << "palette colours";
    for (int i = 0; i < 256; ++i) {
        EXPECT_EQ(f[54 + 4 * i], i);
        EXPECT_EQ(f[55 + 4 * i], i);
        EXPECT_EQ(f[56 + 4 * i], i);
    }
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(f[1078 + i], i < 172 ? kValues[i] : 5) << "texel " << i;
}

TEST_F(Art, FlareSpritesAreArgbDds) {
    const Bytes star = Resource(IDR_FLARE_STAR), glow = Resource(IDR_FLARE_GLOW), ring = Resource(IDR_FLARE_RING);
    ExpectArgbDds(star, 128, 128, "star 360");
    ExpectArgbDds(glow, 256, 256, "glow 361");
    ExpectArgbDds(ring, 128, 128, "ring 362");
    if (HasFatalFailure())
        return;
    // Every sprite fades to nothing before its border.
    const std::pair<const Bytes*, int> sprites[] = {{&star, 128}, {&glow, 256}, {&ring, 128}};
    for (const auto& [sprite, size] : sprites)
        for (int i = 0; i < size; ++i) {
            ASSERT_EQ(Argb(*sprite, size, i, 0)[3], 0);
            ASSERT_EQ(Argb(*sprite, size, 0, i)[3], 0);
            ASSERT_EQ(Argb(*sprite, size, i, size - 1)[3], 0);
            ASSERT_EQ(Argb(*sprite, size, size - 1, i)[3], 0);
        }
    // Star: white, with a bright core and rays reaching far out in alpha.
    EXPECT_GT(Argb(star, 128, 64, 64)[3], 200);
    int rayTexels = 0;
    for (int y = 0; y < 128; ++y)
        for (int x = 0; x < 128; ++x) {
            const auto p = Argb(star, 128, x, y);
            if (p[3] > 0) {
                EXPECT_EQ(p[0] + p[1] + p[2], 3 * 255);
            }
            const double r = std::hypot(x - 63.5, y - 63.5);
            if (r > 32 && p[3] > 40)
                ++rayTexels;
        }
    EXPECT_GT(rayTexels, 40);
    // Glow: bright centre falling off smoothly.
    EXPECT_GT(Argb(glow, 256, 128, 128)[3], 150);
    EXPECT_LT(Argb(glow, 256, 128 + 64, 128)[3], Argb(glow, 256, 128 + 16, 128)[3]);
    // Ring: a faint disc inside a bright rim, the rim red outside and blue inside.
    const auto centre = Argb(ring, 128, 64, 64);
    int rimAlpha = 0, bluestR = 0, reddestR = 0, blue = -999, red = -999;
    for (int x = 64; x < 128; ++x) {
        const auto p = Argb(ring, 128, x, 64);
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
    const Bytes banner = Resource(IDR_BANNER);
    ExpectArgbDds(banner, 256, 64, "banner 245");
    if (HasFatalFailure())
        return;
    int transparent = 0, opaque = 0, bright = 0;
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 256; ++x) {
            const auto p = Argb(banner, 256, x, y);
            if (p[3] == 0)
                ++transparent;
            if (p[3] > 200)
                ++opaque;
            if (p[3] > 200 && p[0] > 200 && p[1] > 200 && p[2] > 180)
                ++bright;  // light text
        }
    EXPECT_EQ(Argb(banner, 256, 0, 0)[3], 0) << "rounded corners";
    EXPECT_GT(transparent, 0);
    EXPECT_GT(opaque, 500);
    EXPECT_GT(bright, 300) << "antialiased light text on the panel";
}

TEST_F(Art, NoisePicturesAre32By32GreyBmps) {
    for (int id = IDR_NOISE_FIRST; id < IDR_NOISE_FIRST + IDR_NOISE_COUNT; ++id) {
        const Bytes f = Resource(id);
        SCOPED_TRACE("resource " + std::to_string(id));
        ASSERT_EQ(f.size(), 14u + 40 + 1024 + 1024);
        EXPECT_EQ(f[0], 'B');
        EXPECT_EQ(U32(f, 10), 1078u);
        EXPECT_EQ(U32(f, 18), 32u);
        EXPECT_EQ(U32(f, 22), 32u);
        EXPECT_EQ(U16(f, 28), 8);
        for (int i = 0; i < 256; ++i)
            ASSERT_TRUE(f[54 + 4 * i] == i && f[55 + 4 * i] == i && f[56 + 4 * i] == i);
        const auto [lo, hi] = std::minmax_element(f.begin() + 1078, f.end());
        EXPECT_GT(*hi - *lo, 200) << "full-contrast noise";
    }
}

TEST_F(Art, PreviewIsA152By112BitmapTheWindowCanPaint) {
    const Bytes dib = Resource(IDB_PREVIEW, MAKEINTRESOURCEA(2) /* RT_BITMAP */);
    ASSERT_GE(dib.size(), 40u);
    EXPECT_EQ(U32(dib, 4), 152u);
    EXPECT_EQ(U32(dib, 8), 112u);
    EXPECT_EQ(U16(dib, 14), 24);
    // As the preview window reads it: LoadBitmap, GetDIBits of 112 rows.
    HBITMAP bitmap = LoadBitmapA(module_, MAKEINTRESOURCEA(IDB_PREVIEW));
    ASSERT_NE(bitmap, nullptr);
    BITMAPINFO info{};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = 152;
    info.bmiHeader.biHeight = 112;
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    std::vector<uint8_t> pixels(456 * 112);
    HDC dc = GetDC(nullptr);
    EXPECT_EQ(GetDIBits(dc, bitmap, 0, 112, pixels.data(), &info, DIB_RGB_COLORS), 112);
    ReleaseDC(nullptr, dc);
    DeleteObject(bitmap);
    // Dusk: a bright sun near the horizon, darker water below.
    auto lum = [&](int x, int y) {  // y from the top
        const uint8_t* p = &pixels[static_cast<size_t>(111 - y) * 456 + x * 3];
        return 0.114 * p[0] + 0.587 * p[1] + 0.299 * p[2];
    };
    double top = 0, bottom = 0, brightest = 0;
    for (int x = 0; x < 152; ++x) {
        bottom += lum(x, 108);
        top += lum(x, 4);
        for (int y = 0; y < 112; ++y)
            brightest = std::max(brightest, lum(x, y));
    }
    EXPECT_GT(brightest, 230);
    EXPECT_LT(bottom / 152, 120);
}

TEST_F(Art, IconHas16And32And48PixelImages) {
    const Bytes group = Resource(IDI_SAVER, MAKEINTRESOURCEA(14) /* RT_GROUP_ICON */);
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
    std::sort(sizes.begin(), sizes.end());
    EXPECT_EQ(sizes, (std::vector<int>{16, 32, 48}));
}

}  // namespace

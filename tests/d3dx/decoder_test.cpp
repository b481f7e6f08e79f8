// The picture decoders on good files and on damaged ones: every damaged file
// must give a plain false, never a crash or a read outside the buffer.
#include "d3dx/bmp_decoder.h"
#include "d3dx/dds_decoder.h"
#include "d3dx/jpeg_decoder.h"
#include "d3dx/texel_processing.h"
#include "tests/d3dx/test_resources.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

using namespace d3dx;

namespace {

uint32_t ReadU32Flags(const std::vector<uint8_t>& f) {
    return static_cast<uint32_t>(f[8] | f[9] << 8 | f[10] << 16) | static_cast<uint32_t>(f[11]) << 24;
}

void SetU32(std::vector<uint8_t>& f, size_t offset, uint32_t v) {
    if (offset + 4 > f.size()) {
        ADD_FAILURE() << "field beyond the file";
        return;
    }
    for (int i = 0; i < 4; ++i)
        f[offset + i] = static_cast<uint8_t>(v >> (8 * i));
}

// Each prefix of a file (a truncation) must be rejected; the heap copy is
// exactly that long so that a read beyond it is caught by page checks.
template <typename Decode>
void ExpectEveryTruncationRejected(const std::vector<uint8_t>& file, Decode decode, size_t step) {
    for (size_t length = 0; length < file.size(); length += step) {
        std::vector<uint8_t> prefix(file.begin(), file.begin() + length);
        DecodedImage image;
        EXPECT_FALSE(decode(prefix.empty() ? nullptr : prefix.data(), prefix.size(), image)) << "length " << length;
    }
}

}  // namespace

TEST(D3dxDecoders, DdsGoodFiles) {
    const std::vector<uint8_t> height = ResourceBytes(IDR_HEIGHT_L8);
    ASSERT_EQ(65664u, height.size());
    DecodedImage image;
    ASSERT_TRUE(DecodeDds(height.data(), height.size(), image));
    EXPECT_EQ(TexelLayout::L8, image.layout);
    EXPECT_EQ(256u, image.width);
    EXPECT_EQ(1u, image.levelCount);
    EXPECT_EQ(0, std::memcmp(image.Level(0, 0).texels.data(), height.data() + 128, 65536));

    const std::vector<uint8_t> mips = ResourceBytes(IDR_MIPS_ARGB);
    ASSERT_TRUE(DecodeDds(mips.data(), mips.size(), image));
    EXPECT_EQ(TexelLayout::A8R8G8B8, image.layout);
    ASSERT_EQ(5u, image.levelCount);
    EXPECT_EQ(1u, image.Level(0, 4).width);
    // The last stored level is the file's last four bytes.
    EXPECT_EQ(0, std::memcmp(image.Level(0, 4).texels.data(), mips.data() + mips.size() - 4, 4));

    const std::vector<uint8_t> odd = ResourceBytes(IDR_ODD_XRGB);
    ASSERT_TRUE(DecodeDds(odd.data(), odd.size(), image));
    EXPECT_EQ(TexelLayout::X8R8G8B8, image.layout);
    EXPECT_EQ(40u, image.width);
    EXPECT_EQ(24u, image.height);
    EXPECT_EQ(0xFF, image.Level(0, 0).texels[3]);  // the unused byte reads as opaque

    const std::vector<uint8_t> cube = ResourceBytes(IDR_SKY_CUBE_DXT3);
    ASSERT_EQ(393344u, cube.size());
    ASSERT_TRUE(DecodeDds(cube.data(), cube.size(), image));
    EXPECT_EQ(TexelLayout::Dxt3, image.layout);
    EXPECT_EQ(6u, image.faceCount);
    EXPECT_EQ(0, std::memcmp(image.Level(5, 0).texels.data(), cube.data() + 128 + 5 * 65536, 65536));
}

TEST(D3dxDecoders, DdsDamagedFiles) {
    const std::vector<uint8_t> good = ResourceBytes(IDR_SPRITE_ARGB);
    ASSERT_FALSE(good.empty());
    ExpectEveryTruncationRejected(good, DecodeDds, 61);

    DecodedImage image;
    auto rejected = [&](std::vector<uint8_t> f) { return !DecodeDds(f.data(), f.size(), image); };
    std::vector<uint8_t> f = good;
    SetU32(f, 8, ReadU32Flags(f) | 0x20000);
    SetU32(f, 28, 8);  // 64 x 32 has 7 levels
    EXPECT_TRUE(rejected(f)) << "mip count beyond the size";
    f = good;
    SetU32(f, 8, ReadU32Flags(f) | 0x20000);
    SetU32(f, 28, 2);  // a legal count, but the second level's bytes are missing
    EXPECT_TRUE(rejected(f)) << "missing mip level";
    std::vector<uint8_t> cube = ResourceBytes(IDR_SKY_CUBE_DXT3);
    cube.resize(cube.size() - 16);  // the last block of -Z
    EXPECT_TRUE(rejected(cube)) << "cube map cut short";
}

TEST(D3dxDecoders, BmpGoodAndDamagedFiles) {
    const std::vector<uint8_t> ramp = ResourceBytes(IDR_RAMP_P8);
    ASSERT_EQ(1334u, ramp.size());
    DecodedImage image;
    ASSERT_TRUE(DecodeBmp(ramp.data(), ramp.size(), image));
    EXPECT_EQ(256u, image.width);
    EXPECT_EQ(1u, image.height);
    EXPECT_EQ(FileTexelFormat::P8, image.fileTexelFormat);
    for (uint32_t i = 0; i < 256; ++i) {  // grey palette: each texel is (g, g, g) of its index, opaque
        const uint8_t g = ramp[1078 + i];
        const uint8_t* t = &image.Level(0, 0).texels[4 * i];
        ASSERT_TRUE(t[0] == g && t[1] == g && t[2] == g && t[3] == 255) << "texel " << i;
    }

    // Bottom-up and top-down files of the same picture decode the same.
    const std::vector<uint8_t> noise = ResourceBytes(IDR_NOISE_P8);
    const std::vector<uint8_t> topDown = ResourceBytes(IDR_NOISE_P8_TOPDOWN);
    DecodedImage other;
    ASSERT_TRUE(DecodeBmp(noise.data(), noise.size(), image));
    ASSERT_TRUE(DecodeBmp(topDown.data(), topDown.size(), other));
    EXPECT_EQ(image.Level(0, 0).texels, other.Level(0, 0).texels);
    // The first picture row is the file's last row in the bottom-up file.
    const uint32_t offset = noise[10] | noise[11] << 8;
    const uint8_t index = noise[offset + 19 * 32];
    const uint8_t* entry = &noise[54 + 4 * index];
    EXPECT_EQ(entry[0], image.Level(0, 0).texels[0]);
    EXPECT_EQ(entry[2], image.Level(0, 0).texels[2]);

    ExpectEveryTruncationRejected(noise, DecodeBmp, 13);
    auto rejected = [&](std::vector<uint8_t> f) { return !DecodeBmp(f.data(), f.size(), image); };
    std::vector<uint8_t> f = noise;
    f[offset + 5] = 230;  // the palette has 200 entries
    EXPECT_TRUE(rejected(f)) << "index beyond the palette";
    f = noise;
    f[0] = 'M';
    EXPECT_TRUE(rejected(f)) << "wrong magic";
}

// A good file with header fields set to bad values, each 32 bits at its
// offset: the decoder must refuse it.
struct Damage {
    const char* what;
    int resource;
    bool (*decode)(const uint8_t*, size_t, DecodedImage&);
    std::vector<std::pair<size_t, uint32_t>> fields;
};

TEST(D3dxDecoders, DamagedHeadersAreRefused) {
    const Damage damages[] = {
        {"wrong magic", IDR_SPRITE_ARGB, DecodeDds, {{0, 0x20534458}}},  // "XDS "
        {"wrong header size", IDR_SPRITE_ARGB, DecodeDds, {{4, 100}}},
        {"zero width", IDR_SPRITE_ARGB, DecodeDds, {{16, 0}}},
        {"65536 x 65536", IDR_SPRITE_ARGB, DecodeDds, {{12, 65536}, {16, 65536}}},
        {"size beyond the data: one column more", IDR_SPRITE_ARGB, DecodeDds, {{16, 65}}},
        {"unsupported pixel format: 16-bit RGB", IDR_SPRITE_ARGB, DecodeDds, {{88, 16}}},
        {"volume", IDR_SPRITE_ARGB, DecodeDds, {{112, 0x200000}}},
        {"cube map missing -Z",
         IDR_SKY_CUBE_DXT3,
         DecodeDds,
         {{112, 0x200 | 0x400 | 0x800 | 0x1000 | 0x2000 | 0x4000}}},
        {"other compressed format: DXT1", IDR_SKY_CUBE_DXT3, DecodeDds, {{84, 0x31545844}}},
        {"RLE", IDR_NOISE_P8, DecodeBmp, {{30, 1}}},  // BI_RLE8
        {"bit fields", IDR_NOISE_P8, DecodeBmp, {{30, 3}}},
        {"24 bits per pixel", IDR_NOISE_P8, DecodeBmp, {{28, 24}}},  // the compression after it stays BI_RGB
        {"zero width", IDR_NOISE_P8, DecodeBmp, {{18, 0}}},
        {"absurd width", IDR_NOISE_P8, DecodeBmp, {{18, 0x7FFFFFFF}}},
        {"palette of 300", IDR_NOISE_P8, DecodeBmp, {{46, 300}}},
        {"pixels beyond the file", IDR_NOISE_P8, DecodeBmp, {{10, 0xFFFFFFF0u}}},
    };
    for (const Damage& damage : damages) {
        std::vector<uint8_t> f = ResourceBytes(damage.resource);
        ASSERT_FALSE(f.empty()) << damage.what;
        for (const auto& [offset, value] : damage.fields)
            SetU32(f, offset, value);
        DecodedImage image;
        EXPECT_FALSE(damage.decode(f.data(), f.size(), image)) << damage.what;
    }
}

TEST(D3dxDecoders, JpegGoodAndDamagedFiles) {
    const std::vector<uint8_t> sky = ResourceBytes(IDR_SKY_FACE_JPG);
    DecodedImage image;
    ASSERT_TRUE(DecodeJpeg(sky.data(), sky.size(), image));
    EXPECT_EQ(512u, image.width);
    EXPECT_EQ(512u, image.height);
    EXPECT_EQ(TexelLayout::X8R8G8B8, image.layout);
    // The generator's sky: more blue than red at the top, more red at the bottom.
    const std::vector<uint8_t>& t = image.Level(0, 0).texels;
    EXPECT_GT(t[0], t[2]);
    EXPECT_LT(t[511 * 512 * 4 + 0], t[511 * 512 * 4 + 2]);
    EXPECT_EQ(255, t[3]);

    const std::vector<uint8_t> grey = ResourceBytes(IDR_GREY_JPG);
    ASSERT_TRUE(DecodeJpeg(grey.data(), grey.size(), image));
    EXPECT_EQ(64u, image.width);
    EXPECT_EQ(TexelLayout::L8, image.layout);
    EXPECT_EQ(64u * 48, image.Level(0, 0).texels.size());

    ExpectEveryTruncationRejected(grey, DecodeJpeg, 7);
    ExpectEveryTruncationRejected(sky, DecodeJpeg, 4099);
    // Damage inside the entropy-coded data: libjpeg's warnings count as failure.
    int rejectedCount = 0;
    for (size_t at = sky.size() / 3; at < sky.size() - 2; at += sky.size() / 20) {
        std::vector<uint8_t> f = sky;
        f[at] = 0xFF;
        f[at + 1] = 0xD9;  // an end-of-image marker in the middle of the scan
        rejectedCount += !DecodeJpeg(f.data(), f.size(), image);
    }
    EXPECT_GT(rejectedCount, 0);
    std::vector<uint8_t> f = sky;
    f[1] = 0xD9;
    EXPECT_FALSE(DecodeJpeg(f.data(), f.size(), image)) << "no start-of-image marker";
    // A header claiming 60000 x 60000 (the SOF0 height and width fields).
    f = sky;
    for (size_t i = 2; i + 8 < f.size(); ++i)
        if (f[i] == 0xFF && f[i + 1] == 0xC0) {
            f[i + 5] = f[i + 7] = 0xEA;
            f[i + 6] = f[i + 8] = 0x60;
            break;
        }
    EXPECT_FALSE(DecodeJpeg(f.data(), f.size(), image)) << "absurd size";
}

TEST(D3dxDecoders, Dxt3CodecRoundTrip) {
    // Smooth pictures survive DXT3 within a few levels per channel; alpha is
    // exact to its 4 bits.
    ImageLevel argb;
    argb.width = 16;
    argb.height = 8;
    for (uint32_t y = 0; y < 8; ++y)
        for (uint32_t x = 0; x < 16; ++x) {
            argb.texels.push_back(static_cast<uint8_t>(16 * x));
            argb.texels.push_back(static_cast<uint8_t>(8 * x + 20));
            argb.texels.push_back(200);
            argb.texels.push_back(static_cast<uint8_t>(17 * (x % 16)));
        }
    const ImageLevel back = DecodeDxt3(EncodeDxt3(argb));
    ASSERT_EQ(argb.texels.size(), back.texels.size());
    int worst = 0;
    for (size_t i = 0; i < argb.texels.size(); ++i) {
        const int d = std::abs(argb.texels[i] - back.texels[i]);
        if (i % 4 == 3)
            EXPECT_EQ(0, d) << "alpha of texel " << i / 4;
        else
            worst = std::max(worst, d);
    }
    EXPECT_LE(worst, 12);
}

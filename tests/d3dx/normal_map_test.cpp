// D3DXComputeNormalMap against its definition: planes of known slope, a
// periodic sine heightfield against its analytic normals, wrapped edges,
// the packing, the mip levels and the argument checks.
#include "d3dx/d3dx.h"
#include "tests/d3dx/test_device.h"

#include <gtest/gtest.h>

#include <cmath>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr int kSide = 256;
constexpr float kAmplitude = 3.0f;  // what the sea passes

struct Normal {
    float x, y, z;
};

Normal Unpack(uint32_t c) {
    return {((c >> 16) & 0xFF) / 127.5f - 1.0f, ((c >> 8) & 0xFF) / 127.5f - 1.0f, (c & 0xFF) / 127.5f - 1.0f};
}

class D3dxNormalMap : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, device_.Get()); }

    // An L8 heightfield in system memory, h(x, y) in texels 0..255.
    IDirect3DTexture9* Heights(const std::function<int(int, int)>& h) {
        IDirect3DTexture9* t = nullptr;
        if (FAILED(device_.Get()->CreateTexture(kSide, kSide, 1, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, &t, nullptr)))
            return nullptr;
        D3DLOCKED_RECT locked;
        t->LockRect(0, &locked, nullptr, 0);
        for (int y = 0; y < kSide; ++y)
            for (int x = 0; x < kSide; ++x)
                static_cast<uint8_t*>(locked.pBits)[y * locked.Pitch + x] = static_cast<uint8_t>(h(x, y));
        t->UnlockRect(0);
        return t;
    }

    // The normal map of the heights, all levels read back.
    std::vector<std::vector<uint32_t>> Compute(IDirect3DTexture9* heights, DWORD flags, HRESULT* result = nullptr) {
        IDirect3DTexture9* map = nullptr;
        EXPECT_EQ(D3D_OK, D3DXCreateTexture(device_.Get(), kSide, kSide, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &map));
        std::vector<std::vector<uint32_t>> levels;
        const HRESULT hr = D3DXComputeNormalMap(map, heights, nullptr, flags, D3DX_CHANNEL_LUMINANCE, kAmplitude);
        if (result)
            *result = hr;
        for (UINT level = 0; SUCCEEDED(hr) && level < map->GetLevelCount(); ++level) {
            D3DSURFACE_DESC desc;
            map->GetLevelDesc(level, &desc);
            D3DLOCKED_RECT locked;
            map->LockRect(level, &locked, nullptr, D3DLOCK_READONLY);
            std::vector<uint32_t> texels(desc.Width * desc.Height);
            for (UINT y = 0; y < desc.Height; ++y)
                std::memcpy(&texels[y * desc.Width], static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch,
                            desc.Width * 4);
            map->UnlockRect(level);
            levels.push_back(std::move(texels));
        }
        map->Release();
        return levels;
    }

    TestDevice device_;
};

}  // namespace

TEST_F(D3dxNormalMap, PlanesOfKnownSlope) {
    // Heights rising one level per column: slope amplitude/255 along u, so
    // n = (-s, 0, 1) / |.|; red below the middle, green in it, alpha opaque.
    IDirect3DTexture9* ramp = Heights([](int x, int) { return x; });
    ASSERT_NE(nullptr, ramp);
    const auto levels = Compute(ramp, 0);
    ASSERT_EQ(9u, levels.size());
    const float s = kAmplitude / 255.0f, length = std::sqrt(s * s + 1.0f);
    for (int y = 0; y < kSide; y += 5)
        for (int x = 1; x < kSide - 1; ++x) {
            const uint32_t c = levels[0][y * kSide + x];
            const Normal n = Unpack(c);
            ASSERT_NEAR(-s / length, n.x, 1.0f / 127.5f) << x << ", " << y;
            ASSERT_NEAR(0.0f, n.y, 1.0f / 127.5f);
            ASSERT_NEAR(1.0f / length, n.z, 1.0f / 127.5f);
            ASSERT_EQ(0xFFu, c >> 24);
        }
    ramp->Release();

    // The same along v: rows are the second direction, green carries it.
    IDirect3DTexture9* rows = Heights([](int, int y) { return 255 - y; });
    const auto down = Compute(rows, 0);
    const Normal n = Unpack(down[0][100 * kSide + 17]);
    EXPECT_NEAR(0.0f, n.x, 1.0f / 127.5f);
    EXPECT_NEAR(s / length, n.y, 1.0f / 127.5f);
    // Inverted sign: the other way round.
    const Normal inverted = Unpack(Compute(rows, D3DX_NORMALMAP_INVERTSIGN)[0][100 * kSide + 17]);
    EXPECT_NEAR(-s / length, inverted.y, 1.0f / 127.5f);
    rows->Release();
}

TEST_F(D3dxNormalMap, SineHeightfieldMatchesAnalyticNormals) {
    // h = 128 + 70 sin(2 pi x / 64) + 50 cos(2 pi y / 32) tiles the 256 x 256
    // map, so with wrapped edges every texel, edges included, matches the
    // analytic normal (tolerance: 8-bit heights and packing, and the central
    // difference's sin(d)/d).
    auto h = [](int x, int y) {
        return static_cast<int>(std::lround(128 + 70 * std::sin(2 * kPi * x / 64) + 50 * std::cos(2 * kPi * y / 32)));
    };
    IDirect3DTexture9* field = Heights(h);
    const auto levels = Compute(field, 0);
    float worst = 0.0f;
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x) {
            const double dx = kAmplitude / 255.0 * 70 * 2 * kPi / 64 * std::cos(2 * kPi * x / 64);
            const double dy = -kAmplitude / 255.0 * 50 * 2 * kPi / 32 * std::sin(2 * kPi * y / 32);
            const double length = std::sqrt(dx * dx + dy * dy + 1);
            const Normal n = Unpack(levels[0][y * kSide + x]);
            worst = std::max({worst, static_cast<float>(std::fabs(n.x + dx / length)),
                              static_cast<float>(std::fabs(n.y + dy / length)),
                              static_cast<float>(std::fabs(n.z - 1 / length))});
        }
    EXPECT_LT(worst, 0.02f);

    // Level 1: the box filter of level 0 (each byte the rounded 2 x 2 average).
    for (int y = 0; y < 128; y += 11)
        for (int x = 0; x < 128; x += 13)
            for (int shift = 0; shift < 32; shift += 8) {
                uint32_t sum = 0;
                for (int j = 0; j < 2; ++j)
                    for (int i = 0; i < 2; ++i)
                        sum += levels[0][(2 * y + j) * kSide + 2 * x + i] >> shift & 0xFF;
                ASSERT_EQ((sum + 2) / 4, levels[1][y * 128 + x] >> shift & 0xFF) << x << ", " << y;
            }
    ASSERT_EQ(1u, levels[8].size());
    field->Release();
}

TEST_F(D3dxNormalMap, EdgesWrapUnlessMirrored) {
    // A single ridge in the last column: with wrapping the first column sees
    // it as its left neighbour (slope down along u, red above the middle).
    IDirect3DTexture9* ridge = Heights([](int x, int) { return x == kSide - 1 ? 255 : 0; });
    const auto wrapped = Compute(ridge, 0);
    EXPECT_GT(Unpack(wrapped[0][40 * kSide + 0]).x, 0.5f);
    EXPECT_LT(Unpack(wrapped[0][40 * kSide + kSide - 2]).x, -0.5f);
    EXPECT_NEAR(0.0f, Unpack(wrapped[0][40 * kSide + 100]).x, 1.0f / 127.5f);
    const auto mirrored = Compute(ridge, D3DX_NORMALMAP_MIRROR_U);
    EXPECT_NEAR(0.0f, Unpack(mirrored[0][40 * kSide + 0]).x, 1.0f / 127.5f);
    ridge->Release();
}

TEST_F(D3dxNormalMap, ColourSourcesAndChannels) {
    // Grey A8R8G8B8 heights give the L8 result, through the luminance mix
    // (floating-point path) and through one colour channel (byte path).
    auto h = [](int x, int y) { return (x * 3 + y * y / 50) & 255; };
    IDirect3DTexture9* grey = Heights(h);
    IDirect3DTexture9* colour = nullptr;
    ASSERT_EQ(D3D_OK,
              device_.Get()->CreateTexture(kSide, kSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &colour, nullptr));
    D3DLOCKED_RECT locked;
    colour->LockRect(0, &locked, nullptr, 0);
    for (int y = 0; y < kSide; ++y)
        for (int x = 0; x < kSide; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(locked.pBits) + y * locked.Pitch)[x] =
                0x80000000u | static_cast<uint32_t>(h(x, y)) * 0x010101u;
    colour->UnlockRect(0);
    const auto expected = Compute(grey, 0);
    const auto mixed = Compute(colour, 0);
    int worst = 0;
    for (size_t i = 0; i < expected[0].size(); ++i)
        for (int shift = 0; shift < 24; shift += 8)
            worst = std::max(worst, std::abs(static_cast<int>(expected[0][i] >> shift & 0xFF) -
                                             static_cast<int>(mixed[0][i] >> shift & 0xFF)));
    EXPECT_LE(worst, 1);
    IDirect3DTexture9* map = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device_.Get(), kSide, kSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &map));
    ASSERT_EQ(D3D_OK, D3DXComputeNormalMap(map, colour, nullptr, 0, D3DX_CHANNEL_GREEN, kAmplitude));
    map->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
    EXPECT_EQ(0, std::memcmp(locked.pBits, expected[0].data(), kSide * 4));  // the first row, byte for byte
    map->UnlockRect(0);
    map->Release();
    colour->Release();
    grey->Release();
}

TEST_F(D3dxNormalMap, TargetsAndBadArguments) {
    IDirect3DTexture9* heights = Heights([](int x, int y) { return (x * 7 + y * 3) & 255; });
    // The sea's target: default pool, full chain.
    IDirect3DTexture9* target = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device_.Get(), kSide, kSide, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &target));
    EXPECT_EQ(D3D_OK, D3DXComputeNormalMap(target, heights, nullptr, 0, D3DX_CHANNEL_LUMINANCE, kAmplitude));
    target->Release();

    IDirect3DTexture9* small = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device_.Get(), 128, 128, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &small));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeNormalMap(small, heights, nullptr, 0, D3DX_CHANNEL_LUMINANCE, 3.0f))
        << "size mismatch";
    small->Release();
    IDirect3DTexture9* grey = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(device_.Get(), kSide, kSide, 1, 0, D3DFMT_L8, D3DPOOL_MANAGED, &grey));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeNormalMap(grey, heights, nullptr, 0, D3DX_CHANNEL_LUMINANCE, 3.0f))
        << "target format";
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeNormalMap(nullptr, heights, nullptr, 0, D3DX_CHANNEL_LUMINANCE, 3.0f));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXComputeNormalMap(grey, nullptr, nullptr, 0, D3DX_CHANNEL_LUMINANCE, 3.0f));
    HRESULT hr = S_OK;
    Compute(heights, D3DX_NORMALMAP_COMPUTE_OCCLUSION, &hr);
    EXPECT_EQ(D3DERR_INVALIDCALL, hr) << "occlusion is not computed";
    grey->Release();
    heights->Release();
}

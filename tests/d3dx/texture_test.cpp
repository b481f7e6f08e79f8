// Textures from resources on a real device: the texels, sizes, levels and
// formats the saver relies on, agreement with Wine's d3dx9_43 loaders (exact
// for DDS and BMP, within the decoders' rounding for JPEG), and clean
// failures for damaged or missing resources.
#include "d3dx/d3dx.h"
#include "d3dx/prepared_pictures.h"
#include "tests/d3dx/reference_d3dx.h"
#include "tests/d3dx/test_device.h"
#include "tests/d3dx/test_resources.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using LoadExFn = HRESULT(WINAPI*)(IDirect3DDevice9*, HMODULE, LPCSTR, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                  DWORD, DWORD, D3DCOLOR, D3DXIMAGE_INFO*, PALETTEENTRY*, IDirect3DTexture9**);
using LoadCubeFn = HRESULT(WINAPI*)(IDirect3DDevice9*, LPCVOID, UINT, IDirect3DCubeTexture9**);

size_t BytesPerTexel(D3DFORMAT format) { return format == D3DFMT_L8 ? 1 : 4; }

// The texels of one level, rows packed (DXT3: rows of blocks).
std::vector<uint8_t> ReadLevel(IDirect3DTexture9* texture, UINT level) {
    D3DSURFACE_DESC desc;
    texture->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT locked;
    if (FAILED(texture->LockRect(level, &locked, nullptr, D3DLOCK_READONLY)))
        return {};
    const bool dxt = desc.Format == D3DFMT_DXT3;
    const size_t rowBytes = dxt ? (desc.Width + 3) / 4 * 16 : desc.Width * BytesPerTexel(desc.Format);
    const UINT rows = dxt ? (desc.Height + 3) / 4 : desc.Height;
    std::vector<uint8_t> out(rowBytes * rows);
    for (UINT r = 0; r < rows; ++r)
        std::memcpy(&out[r * rowBytes], static_cast<uint8_t*>(locked.pBits) + r * locked.Pitch, rowBytes);
    texture->UnlockRect(level);
    return out;
}

// Level `level` of `texture` is `bytes` long and holds the file's bytes from
// `offset` on.
void ExpectLevelHoldsFile(IDirect3DTexture9* texture, UINT level, int resource, size_t offset, size_t bytes) {
    const std::vector<uint8_t> texels = ReadLevel(texture, level), file = ResourceBytes(resource);
    ASSERT_EQ(bytes, texels.size());
    ASSERT_LE(offset + bytes, file.size());
    EXPECT_EQ(0, std::memcmp(texels.data(), file.data() + offset, bytes));
}

std::vector<uint8_t> ReadCubeLevel(IDirect3DCubeTexture9* cube, D3DCUBEMAP_FACES face, UINT level) {
    D3DSURFACE_DESC desc;
    cube->GetLevelDesc(level, &desc);
    D3DLOCKED_RECT locked;
    if (FAILED(cube->LockRect(face, level, &locked, nullptr, D3DLOCK_READONLY)))
        return {};
    const size_t rowBytes = (desc.Width + 3) / 4 * 16;
    const UINT rows = (desc.Height + 3) / 4;
    std::vector<uint8_t> out(rowBytes * rows);
    for (UINT r = 0; r < rows; ++r)
        std::memcpy(&out[r * rowBytes], static_cast<uint8_t*>(locked.pBits) + r * locked.Pitch, rowBytes);
    cube->UnlockRect(face, level);
    return out;
}

// The unused byte of X8R8G8B8 is not compared.
int LargestDifference(const std::vector<uint8_t>& a, const std::vector<uint8_t>& b, D3DFORMAT format) {
    if (a.size() != b.size())
        return 1000;
    int worst = 0;
    for (size_t i = 0; i < a.size(); ++i)
        if (format != D3DFMT_X8R8G8B8 || i % 4 != 3)
            worst = std::max(worst, std::abs(a[i] - b[i]));
    return worst;
}

class D3dxTextures : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_NE(nullptr, device_.Get()) << "no Direct3D 9 device"; }
    IDirect3DDevice9* Device() { return device_.Get(); }

    IDirect3DTexture9* Load(int id, UINT width, UINT height, UINT mips, D3DFORMAT format, D3DPOOL pool, DWORD filter,
                            DWORD mipFilter, D3DXIMAGE_INFO* info = nullptr, HRESULT* result = nullptr) {
        IDirect3DTexture9* texture = nullptr;
        const HRESULT hr =
            D3DXCreateTextureFromResourceExA(Device(), nullptr, MAKEINTRESOURCEA(id), width, height, mips, 0, format,
                                             pool, filter, mipFilter, 0, info, nullptr, &texture);
        if (result)
            *result = hr;
        return texture;
    }

    TestDevice device_;
};

}  // namespace

TEST_F(D3dxTextures, HeightFrameAsTheSeaLoadsIt) {
    // L8, 256 x 256, full chain, system memory, default filters: level 0 is
    // the file's heights unchanged, level 1 their 2x2 box average.
    D3DXIMAGE_INFO info = {};
    IDirect3DTexture9* t =
        Load(IDR_HEIGHT_L8, 256, 256, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, D3DX_DEFAULT, D3DX_DEFAULT, &info);
    ASSERT_NE(nullptr, t);
    EXPECT_EQ(9u, t->GetLevelCount());
    D3DSURFACE_DESC desc;
    t->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_L8, desc.Format);
    EXPECT_EQ(256u, desc.Width);
    EXPECT_EQ(D3DPOOL_SYSTEMMEM, desc.Pool);
    EXPECT_EQ(D3DXIFF_DDS, info.ImageFileFormat);
    EXPECT_EQ(D3DFMT_L8, info.Format);
    EXPECT_EQ(256u, info.Width);
    EXPECT_EQ(1u, info.MipLevels);
    const std::vector<uint8_t> file = ResourceBytes(IDR_HEIGHT_L8);
    const std::vector<uint8_t> level0 = ReadLevel(t, 0);
    ASSERT_EQ(65536u, level0.size());
    EXPECT_EQ(0, std::memcmp(level0.data(), file.data() + 128, 65536));
    const std::vector<uint8_t> level1 = ReadLevel(t, 1);
    for (int y = 0; y < 128; y += 9)
        for (int x = 0; x < 128; x += 7) {
            const int sum = level0[2 * y * 256 + 2 * x] + level0[2 * y * 256 + 2 * x + 1] +
                            level0[(2 * y + 1) * 256 + 2 * x] + level0[(2 * y + 1) * 256 + 2 * x + 1];
            ASSERT_EQ((sum + 2) / 4, level1[y * 128 + x]) << x << ", " << y;
        }
    EXPECT_EQ(1u, ReadLevel(t, 8).size());
    t->Release();
}

TEST_F(D3dxTextures, AgreesWithWineD3dx9) {
    ReferenceD3dx reference;
    ASSERT_TRUE(reference.Loaded());
    const auto theirLoad = reference.Get<LoadExFn>("D3DXCreateTextureFromResourceExA");
    ASSERT_NE(nullptr, theirLoad);
    struct Case {
        int id;
        D3DFORMAT format;
        UINT side;      // 0: the file's size (D3DX_DEFAULT)
        int tolerance;  // largest texel difference allowed (colour JPEG: chroma upsampling rounds differently)
    };
    // Point mip filtering on both sides: it is exact in both libraries.
    const Case cases[] = {
        {IDR_HEIGHT_L8, D3DFMT_L8, 0, 0},
        {IDR_HEIGHT_L8, D3DFMT_A8R8G8B8, 0, 0},
        {IDR_SPRITE_ARGB, D3DFMT_A8R8G8B8, 0, 0},
        {IDR_MIPS_ARGB, D3DFMT_A8R8G8B8, 0, 0},
        {IDR_RAMP_P8, D3DFMT_A8R8G8B8, 0, 0},
        {IDR_NOISE_P8, D3DFMT_A8R8G8B8, 32, 0},
        {IDR_NOISE_P8_TOPDOWN, D3DFMT_X8R8G8B8, 32, 0},
        {IDR_SKY_FACE_JPG, D3DFMT_A8R8G8B8, 0, 2},
        {IDR_GREY_JPG, D3DFMT_A8R8G8B8, 0, 0},
        {IDR_GREY_JPG, D3DFMT_UNKNOWN, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("resource " + std::to_string(c.id) + ", format " + std::to_string(c.format));
        const UINT side = c.side ? c.side : D3DX_DEFAULT;
        D3DXIMAGE_INFO ourInfo = {}, theirInfo = {};
        IDirect3DTexture9* ours = nullptr;
        IDirect3DTexture9* theirs = nullptr;
        ASSERT_EQ(D3D_OK, D3DXCreateTextureFromResourceExA(
                              Device(), nullptr, MAKEINTRESOURCEA(c.id), side, side, D3DX_DEFAULT, 0, c.format,
                              D3DPOOL_SYSTEMMEM, D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0, &ourInfo, nullptr, &ours));
        ASSERT_EQ(D3D_OK,
                  theirLoad(Device(), nullptr, MAKEINTRESOURCEA(c.id), side, side, D3DX_DEFAULT, 0, c.format,
                            D3DPOOL_SYSTEMMEM, D3DX_FILTER_POINT, D3DX_FILTER_POINT, 0, &theirInfo, nullptr, &theirs));
        EXPECT_EQ(theirInfo.Width, ourInfo.Width);
        EXPECT_EQ(theirInfo.Height, ourInfo.Height);
        EXPECT_EQ(theirInfo.ImageFileFormat, ourInfo.ImageFileFormat);
        EXPECT_EQ(theirInfo.Format, ourInfo.Format);
        EXPECT_EQ(theirInfo.MipLevels, ourInfo.MipLevels);
        ASSERT_EQ(theirs->GetLevelCount(), ours->GetLevelCount());
        for (UINT level = 0; level < ours->GetLevelCount(); ++level) {
            D3DSURFACE_DESC a, b;
            ours->GetLevelDesc(level, &a);
            theirs->GetLevelDesc(level, &b);
            ASSERT_EQ(b.Width, a.Width);
            ASSERT_EQ(b.Height, a.Height);
            ASSERT_EQ(b.Format, a.Format);
            EXPECT_LE(LargestDifference(ReadLevel(ours, level), ReadLevel(theirs, level), a.Format), c.tolerance)
                << "level " << level;
        }
        ours->Release();
        theirs->Release();
    }
}

TEST_F(D3dxTextures, SizesFormatsAndPools) {
    // Default sizes round up to powers of two; the non-power-of-two default keeps the file's.
    IDirect3DTexture9* t =
        Load(IDR_ODD_XRGB, D3DX_DEFAULT, D3DX_DEFAULT, 1, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, D3DX_DEFAULT, D3DX_DEFAULT);
    ASSERT_NE(nullptr, t);
    D3DSURFACE_DESC desc;
    t->GetLevelDesc(0, &desc);
    EXPECT_EQ(64u, desc.Width);
    EXPECT_EQ(32u, desc.Height);
    EXPECT_EQ(D3DFMT_X8R8G8B8, desc.Format);
    t->Release();

    // The banner and sprites: A8R8G8B8 in the default pool, through the
    // staging copy; the same picture in the managed pool holds the file's texels.
    t = Load(IDR_SPRITE_ARGB, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DX_DEFAULT,
             D3DX_FILTER_POINT);
    ASSERT_NE(nullptr, t);
    t->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DPOOL_DEFAULT, desc.Pool);
    EXPECT_EQ(7u, t->GetLevelCount());
    t->Release();
    t = Load(IDR_SPRITE_ARGB, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT,
             D3DX_FILTER_POINT);
    ASSERT_NE(nullptr, t);
    ExpectLevelHoldsFile(t, 0, IDR_SPRITE_ARGB, 128, 64 * 32 * 4);
    t->Release();

    // The ramp with the loader's defaults (D3DXCreateTextureFromResourceA).
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromResourceA(Device(), nullptr, MAKEINTRESOURCEA(IDR_RAMP_P8), &t));
    t->GetLevelDesc(0, &desc);
    EXPECT_EQ(256u, desc.Width);
    EXPECT_EQ(1u, desc.Height);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
    EXPECT_EQ(9u, t->GetLevelCount());
    const std::vector<uint8_t> ramp = ReadLevel(t, 0);
    const std::vector<uint8_t> rampFile = ResourceBytes(IDR_RAMP_P8);
    EXPECT_EQ(rampFile[1078 + 200], ramp[4 * 200 + 2]);  // red of texel 200
    t->Release();

    // Stored mip levels are used as they are (not recomputed).
    t = Load(IDR_MIPS_ARGB, D3DX_DEFAULT, D3DX_DEFAULT, D3DX_DEFAULT, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT,
             D3DX_DEFAULT);
    ASSERT_NE(nullptr, t);
    ExpectLevelHoldsFile(t, 2, IDR_MIPS_ARGB, 128 + 4 * (256 + 64), 4 * 16);
    t->Release();

    // An explicit smaller size resamples with the box filter: 256 -> 64 averages 4 x 4.
    t = Load(IDR_HEIGHT_L8, 64, 64, 1, D3DFMT_L8, D3DPOOL_SYSTEMMEM, D3DX_FILTER_BOX, D3DX_DEFAULT);
    ASSERT_NE(nullptr, t);
    const std::vector<uint8_t> small = ReadLevel(t, 0);
    const std::vector<uint8_t> heights = ResourceBytes(IDR_HEIGHT_L8);
    int sum = 0;
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            sum += heights[128 + (40 + y) * 256 + 20 + x];
    EXPECT_NEAR(sum / 16.0, small[10 * 64 + 5], 1.0);
    t->Release();

    // Colour key: texels of that colour become transparent black.
    const std::vector<uint8_t> noise = ResourceBytes(IDR_NOISE_P8);
    const uint32_t offset = noise[10] | noise[11] << 8;
    const uint8_t* entry = &noise[54 + 4 * noise[offset + 19 * 32]];  // the first picture texel's colour
    const D3DCOLOR key = 0xFF000000u | entry[2] << 16 | entry[1] << 8 | entry[0];
    ASSERT_EQ(D3D_OK, D3DXCreateTextureFromResourceExA(Device(), nullptr, MAKEINTRESOURCEA(IDR_NOISE_P8), 30, 20, 1, 0,
                                                       D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_FILTER_NONE, D3DX_DEFAULT,
                                                       key, nullptr, nullptr, &t));
    EXPECT_EQ(0u, *reinterpret_cast<const uint32_t*>(ReadLevel(t, 0).data()));
    t->Release();

    // The normal map's texture: full chain of 256 x 256 in the default pool.
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(Device(), 256, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &t));
    EXPECT_EQ(9u, t->GetLevelCount());
    t->Release();
    ASSERT_EQ(D3D_OK, D3DXCreateTexture(Device(), 0, 0, 1, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED, &t));
    t->GetLevelDesc(0, &desc);
    EXPECT_EQ(256u, desc.Width);
    EXPECT_EQ(D3DFMT_A8R8G8B8, desc.Format);
    t->Release();
}

TEST_F(D3dxTextures, SkyCubeMapStaysCompressed) {
    IDirect3DCubeTexture9* cube = nullptr;
    ASSERT_EQ(D3D_OK,
              D3DXCreateCubeTextureFromResourceA(Device(), nullptr, MAKEINTRESOURCEA(IDR_SKY_CUBE_DXT3), &cube));
    D3DSURFACE_DESC desc;
    cube->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_DXT3, desc.Format);
    EXPECT_EQ(256u, desc.Width);
    EXPECT_EQ(D3DPOOL_MANAGED, desc.Pool);
    EXPECT_EQ(9u, cube->GetLevelCount());
    const std::vector<uint8_t> file = ResourceBytes(IDR_SKY_CUBE_DXT3);
    for (int face = 0; face < 6; ++face) {
        const std::vector<uint8_t> level0 = ReadCubeLevel(cube, static_cast<D3DCUBEMAP_FACES>(face), 0);
        ASSERT_EQ(65536u, level0.size());
        EXPECT_EQ(0, std::memcmp(level0.data(), file.data() + 128 + face * 65536, 65536)) << "face " << face;
        EXPECT_EQ(16u, ReadCubeLevel(cube, static_cast<D3DCUBEMAP_FACES>(face), 8).size());
    }
    cube->Release();

    // Wine's loader gives the same faces (its FromResource variant is a stub:
    // it is given the resource's bytes).
    ReferenceD3dx reference;
    const auto theirLoad = reference.Get<LoadCubeFn>("D3DXCreateCubeTextureFromFileInMemory");
    ASSERT_NE(nullptr, theirLoad);
    IDirect3DCubeTexture9* theirs = nullptr;
    ASSERT_EQ(D3D_OK, theirLoad(Device(), file.data(), static_cast<UINT>(file.size()), &theirs));
    theirs->GetLevelDesc(0, &desc);
    EXPECT_EQ(D3DFMT_DXT3, desc.Format);
    for (int face = 0; face < 6; ++face)
        EXPECT_EQ(ReadCubeLevel(theirs, static_cast<D3DCUBEMAP_FACES>(face), 0),
                  std::vector<uint8_t>(file.begin() + 128 + face * 65536, file.begin() + 128 + (face + 1) * 65536));
    theirs->Release();

    // A 2D picture is no cube map.
    cube = reinterpret_cast<IDirect3DCubeTexture9*>(1);
    EXPECT_EQ(D3DXERR_INVALIDDATA,
              D3DXCreateCubeTextureFromResourceA(Device(), nullptr, MAKEINTRESOURCEA(IDR_HEIGHT_L8), &cube));
    EXPECT_EQ(nullptr, cube);
}

TEST_F(D3dxTextures, BadResourcesAndArgumentsFailCleanly) {
    HRESULT hr = S_OK;
    EXPECT_EQ(nullptr, Load(999, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, D3DX_DEFAULT,
                            D3DX_DEFAULT, nullptr, &hr));
    EXPECT_EQ(D3DXERR_INVALIDDATA, hr) << "missing resource";
    EXPECT_EQ(nullptr, Load(IDR_TRUNCATED_L8, 256, 256, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, D3DX_DEFAULT, D3DX_DEFAULT,
                            nullptr, &hr));
    EXPECT_EQ(D3DXERR_INVALIDDATA, hr) << "truncated DDS";
    EXPECT_EQ(nullptr, Load(IDR_NOT_A_PICTURE, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_UNKNOWN, D3DPOOL_MANAGED,
                            D3DX_DEFAULT, D3DX_DEFAULT, nullptr, &hr));
    EXPECT_EQ(D3DXERR_INVALIDDATA, hr) << "text";
    EXPECT_EQ(nullptr, Load(IDR_SPRITE_ARGB, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED,
                            D3DX_DEFAULT, D3DX_DEFAULT, nullptr, &hr));
    EXPECT_TRUE(FAILED(hr)) << "a format this library does not write";
    EXPECT_EQ(nullptr, Load(IDR_SPRITE_ARGB, D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 7,
                            D3DX_DEFAULT, nullptr, &hr));
    EXPECT_EQ(D3DERR_INVALIDCALL, hr) << "unknown filter";
    IDirect3DTexture9* t = nullptr;
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateTextureFromResourceA(nullptr, nullptr, MAKEINTRESOURCEA(IDR_RAMP_P8), &t));
    EXPECT_EQ(D3DERR_INVALIDCALL,
              D3DXCreateTextureFromResourceA(Device(), nullptr, MAKEINTRESOURCEA(IDR_RAMP_P8), nullptr));
    EXPECT_EQ(D3DERR_INVALIDCALL, D3DXCreateTexture(Device(), 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr));
}

TEST_F(D3dxTextures, WorkPreparedAheadGivesTheSameTextures) {
    // A sky face, a height frame and its normal map as the scene loads them,
    // made by the loaders alone and then with the work prepared on the
    // worker: every level the same, the work taken only by calls with the
    // very same arguments, and a damaged resource failing as before.
    d3dx::PictureRequests requests;
    d3dx::TextureRequest sky, height, damaged;
    sky.id = IDR_SKY_FACE_JPG;
    sky.format = D3DFMT_A8R8G8B8;
    sky.mipFilter = D3DX_FILTER_POINT;
    height.id = damaged.id = IDR_HEIGHT_L8;
    height.width = height.height = 256;
    height.mipLevels = 1;
    height.format = D3DFMT_L8;
    height.pool = D3DPOOL_SYSTEMMEM;
    damaged = height;
    damaged.id = IDR_TRUNCATED_L8;
    d3dx::NormalMapRequest normals;
    normals.source = 1;
    normals.amplitude = 3.0f;
    requests.textures = {sky, height, damaged};
    requests.normalMaps = {normals};

    const auto levelsOf = [](IDirect3DTexture9* t) {
        std::vector<std::vector<uint8_t>> levels;
        for (UINT i = 0; t != nullptr && i < t->GetLevelCount(); ++i)
            levels.push_back(ReadLevel(t, i));
        if (t != nullptr)
            t->Release();
        return levels;
    };
    const auto make = [&](const d3dx::TextureRequest& skyCall, float amplitude) {
        IDirect3DTexture9 *face = nullptr, *frame = nullptr, *normalMap = nullptr;
        EXPECT_EQ(D3D_OK, d3dx::CreateRequestedTexture(Device(), skyCall, &face));
        EXPECT_EQ(D3D_OK, d3dx::CreateRequestedTexture(Device(), height, &frame));
        EXPECT_EQ(D3D_OK, D3DXCreateTexture(Device(), 256, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &normalMap));
        EXPECT_EQ(D3D_OK, D3DXComputeNormalMap(normalMap, frame, nullptr, 0, D3DX_CHANNEL_LUMINANCE, amplitude));
        auto levels = levelsOf(face);
        for (IDirect3DTexture9* t : {frame, normalMap})
            for (auto& level : levelsOf(t))
                levels.push_back(std::move(level));
        IDirect3DTexture9* none = nullptr;
        EXPECT_EQ(D3DXERR_INVALIDDATA, d3dx::CreateRequestedTexture(Device(), damaged, &none));
        EXPECT_EQ(nullptr, none);
        return levels;
    };

    const auto alone = make(sky, 3.0f);
    ASSERT_EQ(10u + 1u + 9u, alone.size());
    d3dx::StartPreparing(requests);
    EXPECT_TRUE(alone == make(sky, 3.0f));
    EXPECT_EQ(3u, d3dx::PreparedTaken());
    d3dx::TextureRequest boxMips = sky;
    boxMips.mipFilter = D3DX_FILTER_BOX;
    const auto other = make(boxMips, 2.0f);
    EXPECT_EQ(4u, d3dx::PreparedTaken()) << "only the height frame's call is the same";
    EXPECT_NE(alone[1], other[1]);
    d3dx::DropPrepared();
    EXPECT_EQ(0u, d3dx::PreparedTaken());
    EXPECT_TRUE(alone == make(sky, 3.0f));
}

// The water shaders on a real device (under Wine: Mesa's software
// rasteriser): they compile and are created, a harness draws single points
// and quads with them into an off-screen target and reads the pixels back to
// check their edge cases, and a whole frame of the sea is drawn, saved as
// out/screens/sea.png and checked for holes.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "d3dx/d3dx.h"
#include "tests/d3dx/test_device.h"
#include "tests/ocean/ocean_test_support.h"
#include "tests/support/screenshot.h"
#include "tools/picture/bmp_file.h"

namespace {

constexpr D3DCOLOR kBackground = 0xFFFF00FF;  // a colour the sea never has

// A render target with depth and a system-memory copy for reading back.
class OffscreenTarget {
public:
    OffscreenTarget(IDirect3DDevice9* device, UINT width, UINT height)
        : device_(device), width_(width), height_(height) {
        ok_ = SUCCEEDED(device->CreateRenderTarget(width, height, D3DFMT_A8R8G8B8, D3DMULTISAMPLE_NONE, 0, FALSE,
                                                   &target_, nullptr)) &&
              SUCCEEDED(device->CreateDepthStencilSurface(width, height, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, 0, TRUE,
                                                          &depth_, nullptr)) &&
              SUCCEEDED(device->CreateOffscreenPlainSurface(width, height, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM,
                                                            &readBack_, nullptr));
        device->GetRenderTarget(0, &savedTarget_);
        device->GetDepthStencilSurface(&savedDepth_);
        if (ok_) {
            device->SetRenderTarget(0, target_);
            device->SetDepthStencilSurface(depth_);
        }
    }
    ~OffscreenTarget() {
        device_->SetRenderTarget(0, savedTarget_);
        device_->SetDepthStencilSurface(savedDepth_);
        for (IDirect3DSurface9* s : {readBack_, depth_, target_, savedDepth_, savedTarget_})
            if (s)
                s->Release();
    }
    bool Ok() const { return ok_; }
    UINT Width() const { return width_; }
    UINT Height() const { return height_; }

    // The target's pixels, A8R8G8B8, row by row.
    std::vector<uint32_t> Read() {
        std::vector<uint32_t> pixels(width_ * height_, 0);
        D3DLOCKED_RECT locked;
        if (FAILED(device_->GetRenderTargetData(target_, readBack_)) ||
            FAILED(readBack_->LockRect(&locked, nullptr, D3DLOCK_READONLY)))
            return pixels;
        for (UINT y = 0; y < height_; ++y)
            std::memcpy(&pixels[y * width_], static_cast<BYTE*>(locked.pBits) + y * locked.Pitch, width_ * 4);
        readBack_->UnlockRect();
        return pixels;
    }

private:
    IDirect3DDevice9* device_;
    UINT width_, height_;
    bool ok_ = false;
    IDirect3DSurface9 *target_ = nullptr, *depth_ = nullptr, *readBack_ = nullptr;
    IDirect3DSurface9 *savedTarget_ = nullptr, *savedDepth_ = nullptr;
};

// The two streams of the water's vertex declaration, filled by the test.
class TestStreams {
public:
    struct Vertex {
        float x, z, u, v, firstHeight, secondHeight;
    };
    TestStreams(IDirect3DDevice9* device, const std::vector<Vertex>& vertices)
        : device_(device), count_(UINT(vertices.size())) {
        device->CreateVertexBuffer(count_ * 16, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &positions_, nullptr);
        device->CreateVertexBuffer(count_ * 8, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &heights_, nullptr);
        float* p = nullptr;
        float* h = nullptr;
        if (!positions_ || !heights_ || FAILED(positions_->Lock(0, 0, reinterpret_cast<void**>(&p), 0)))
            return;
        if (FAILED(heights_->Lock(0, 0, reinterpret_cast<void**>(&h), 0))) {
            positions_->Unlock();
            return;
        }
        for (const Vertex& v : vertices) {
            *p++ = v.x;
            *p++ = v.z;
            *p++ = v.u;
            *p++ = v.v;
            *h++ = v.firstHeight;
            *h++ = v.secondHeight;
        }
        positions_->Unlock();
        heights_->Unlock();
        ok_ = true;
    }
    ~TestStreams() {
        device_->SetStreamSource(0, nullptr, 0, 0);
        device_->SetStreamSource(1, nullptr, 0, 0);
        if (heights_)
            heights_->Release();
        if (positions_)
            positions_->Release();
    }
    bool Ok() const { return ok_; }
    void Bind() {
        device_->SetStreamSource(0, positions_, 0, 16);
        device_->SetStreamSource(1, heights_, 0, 8);
    }

private:
    IDirect3DDevice9* device_;
    UINT count_;
    bool ok_ = false;
    IDirect3DVertexBuffer9* positions_ = nullptr;
    IDirect3DVertexBuffer9* heights_ = nullptr;
};

// Writes colour(x, y) into every texel of a locked A8R8G8B8 level.
template <class Colour>
void Fill(const D3DLOCKED_RECT& locked, UINT width, UINT height, Colour colour) {
    for (UINT y = 0; y < height; ++y)
        for (UINT x = 0; x < width; ++x)
            reinterpret_cast<DWORD*>(static_cast<BYTE*>(locked.pBits) + y * locked.Pitch)[x] = colour(x, y);
}

// A cube map of one level whose faces hold colour(face, x, y), or null.
template <class Colour>
IDirect3DCubeTexture9* FilledCube(IDirect3DDevice9* device, UINT side, Colour colour) {
    IDirect3DCubeTexture9* cube = nullptr;
    if (FAILED(device->CreateCubeTexture(side, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr)))
        return nullptr;
    for (int face = 0; face < 6; ++face) {
        D3DLOCKED_RECT locked;
        if (FAILED(cube->LockRect(D3DCUBEMAP_FACES(face), 0, &locked, nullptr, 0))) {
            cube->Release();
            return nullptr;
        }
        Fill(locked, side, side, [&](UINT x, UINT y) { return colour(face, x, y); });
        cube->UnlockRect(D3DCUBEMAP_FACES(face), 0);
    }
    return cube;
}

// The real sea with the test art of this program, on the test device.
class WaterShaders : public ::testing::Test {
protected:
    void SetUp() override {
        device_ = test_.Get();
        ASSERT_NE(device_, nullptr);
        water_ = new WaterSurface(device_, 60, 60, 2);
        water_->SetEnvironment(4);
        ASSERT_TRUE(water_->Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES));
        device_->SetRenderState(D3DRS_ZENABLE, FALSE);
        device_->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device_->SetRenderState(D3DRS_LIGHTING, FALSE);
        device_->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    }
    void TearDown() override {
        device_->SetVertexShader(nullptr);
        device_->SetPixelShader(nullptr);
        for (DWORD stage = 0; stage < 4; ++stage)
            device_->SetTexture(stage, nullptr);
        device_->SetIndices(nullptr);
        device_->SetStreamSource(0, nullptr, 0, 0);
        device_->SetStreamSource(1, nullptr, 0, 0);
        delete water_;
        if (flatShader_)
            flatShader_->Release();
    }

    // The constants of the water's vertex shader.
    void SetVertexConstants(const D3DXMATRIX& viewProjection, const D3DXVECTOR3& eye, float heightScale, float blend) {
        const float common[4] = {1.0f, 16.0f, heightScale, blend};
        const float eye4[4] = {eye.x, eye.y, eye.z, 1.0f};
        const float offset[4] = {0, 0, 0, 0};
        device_->SetVertexShaderConstantF(0, common, 1);
        device_->SetVertexShaderConstantF(4, &viewProjection._11, 4);
        device_->SetVertexShaderConstantF(8, eye4, 1);
        device_->SetVertexShaderConstantF(12, offset, 1);
        device_->SetPixelShaderConstantF(8, eye4, 1);
        device_->SetPixelShaderConstantF(2, water_->waterColor, 1);
    }

    // Clears the target to `background` and draws `count` primitives of
    // `streams` with the water's vertex shader and `pixelShader`; `setUp`
    // sets what else the draw needs (textures, samplers, constants).
    template <class SetUp>
    std::vector<uint32_t> Draw(OffscreenTarget& target, TestStreams& streams, D3DPRIMITIVETYPE type, UINT count,
                               IDirect3DPixelShader9* pixelShader, const D3DXMATRIX& viewProjection,
                               const D3DXVECTOR3& eye, float heightScale, float blend, D3DCOLOR background,
                               SetUp setUp) {
        device_->Clear(0, nullptr, D3DCLEAR_TARGET, background, 1.0f, 0);
        device_->BeginScene();
        device_->SetVertexDeclaration(water_->vertexDecl);
        device_->SetVertexShader(water_->vertexShader);
        device_->SetPixelShader(pixelShader);
        SetVertexConstants(viewProjection, eye, heightScale, blend);
        setUp();
        streams.Bind();
        device_->DrawPrimitive(type, 0, count);
        device_->EndScene();
        return target.Read();
    }

    // White wherever a primitive lands: for reading where a vertex went.
    IDirect3DPixelShader9* FlatShader() {
        if (flatShader_)
            return flatShader_;
        static const char kSource[] = "float4 main() : COLOR { return float4(1, 1, 1, 1); }";
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        if (SUCCEEDED(D3DXCompileShader(kSource, sizeof(kSource) - 1, nullptr, nullptr, "main", "ps_2_0", 0, &code,
                                        &errors, nullptr)) &&
            code)
            device_->CreatePixelShader(static_cast<const DWORD*>(code->GetBufferPointer()), &flatShader_);
        if (code)
            code->Release();
        if (errors)
            errors->Release();
        return flatShader_;
    }

    TestDevice test_;
    IDirect3DDevice9* device_ = nullptr;
    WaterSurface* water_ = nullptr;
    IDirect3DPixelShader9* flatShader_ = nullptr;
};

TEST_F(WaterShaders, CompileForTheirProfilesAndAreCreated) {
    ASSERT_NE(water_->vertexShader, nullptr);
    ASSERT_NE(water_->pixelShader, nullptr);
    UINT size = 0;
    ASSERT_EQ(water_->vertexShader->GetFunction(nullptr, &size), D3D_OK);
    std::vector<DWORD> code(size / 4);
    water_->vertexShader->GetFunction(code.data(), &size);
    EXPECT_EQ(code.at(0), D3DVS_VERSION(1, 1));
    ASSERT_EQ(water_->pixelShader->GetFunction(nullptr, &size), D3D_OK);
    code.assign(size / 4, 0);
    water_->pixelShader->GetFunction(code.data(), &size);
    EXPECT_EQ(code.at(0), D3DPS_VERSION(2, 0));
}

// Points drawn with the water's vertex shader through a projection that
// puts world y on the screen's rows: 32 rows a unit, y = 0 on row 128.
TEST_F(WaterShaders, VertexHeightsBlendAndFlattenWithDistance) {
    constexpr UINT kWidth = 16, kHeight = 256;
    constexpr float kRowsPerUnit = 32.0f;
    OffscreenTarget target(device_, kWidth, kHeight);
    ASSERT_TRUE(target.Ok());
    ASSERT_NE(FlatShader(), nullptr);
    // Clip x = 0, clip y = world y / 4, z = 0.5, w = 1.
    const D3DXMATRIX yOnRows(0, 0, 0, 0, 0, 0.25f, 0, 0, 0, 0, 0, 0, 0, 0, 0.5f, 1);
    const D3DXVECTOR3 eye(0.0f, 2.0f, 0.0f);

    // The world y where the point lands, or NAN when it is not drawn.
    auto measure = [&](float x, float z, float first, float second, float scale, float blend) {
        TestStreams streams(device_, {{x, z, 0, 0, first, second}});
        if (!streams.Ok())
            return float(NAN);
        const std::vector<uint32_t> pixels =
            Draw(target, streams, D3DPT_POINTLIST, 1, flatShader_, yOnRows, eye, scale, blend, 0xFF000000, [] {});
        double rows = 0;
        int lit = 0;
        for (UINT y = 0; y < kHeight; ++y)
            for (UINT px = 0; px < kWidth; ++px)
                if ((pixels[y * kWidth + px] & 0xFFFFFF) == 0xFFFFFF)
                    rows += y, ++lit;
        return lit ? float((kHeight / 2.0 - rows / lit) / kRowsPerUnit) : float(NAN);
    };
    const float tolerance = 1.5f / kRowsPerUnit;
    // Near the eye: the blend picks the first stage at 0 and the second at 1.
    EXPECT_NEAR(measure(3.0f, 0.0f, 0.25f, 1.0f, 2.0f, 0.0f), 0.5f, tolerance);
    EXPECT_NEAR(measure(3.0f, 0.0f, 0.25f, 1.0f, 2.0f, 1.0f), 2.0f, tolerance);
    EXPECT_NEAR(measure(3.0f, 0.0f, 0.25f, 1.0f, 2.0f, 0.5f), 1.25f, tolerance);
    // At 100 units the relief is scaled by 1 - 0.5^1.75 = 0.703.
    EXPECT_NEAR(measure(100.0f, 0.0f, 1.0f, 1.0f, 3.0f, 0.0f), 3.0f * 0.7027f, tolerance);
    // From 141.43 units on (the height counts in the distance) the sea is
    // flat whatever its heights and scale.
    EXPECT_NEAR(measure(141.43f, 0.0f, 1.0f, 1.0f, 2.0f, 0.0f), 0.0f, tolerance);
    EXPECT_NEAR(measure(0.0f, 141.5f, 1.0f, 1.0f, 3.5f, 1.0f), 0.0f, tolerance);
    EXPECT_NEAR(measure(120.0f, 120.0f, 0.0f, 1.0f, 3.5f, 1.0f), 0.0f, tolerance);
    EXPECT_NEAR(measure(-400.0f, 9.0f, 1.0f, 0.9f, 3.0f, 0.3f), 0.0f, tolerance);
}

// A quad with the full water shaders, all of it far from or near the eye,
// under a sky of one colour.
TEST_F(WaterShaders, FarAwayTheOutputIsTheSkySample) {
    constexpr UINT kSide = 32;
    constexpr D3DCOLOR kSky = 0xFF2080C0;
    OffscreenTarget target(device_, kSide, kSide);
    ASSERT_TRUE(target.Ok());
    IDirect3DCubeTexture9* sky = FilledCube(device_, 4, [](int, UINT, UINT) { return kSky; });
    ASSERT_NE(sky, nullptr);
    const D3DXVECTOR3 eye(0.0f, 5.0f, 0.0f);

    // Pixels of the quad x in centre +- 20, z in -20..20, filling the target.
    auto draw = [&](float centre) {
        TestStreams streams(device_, {{centre - 20, -20, 0, 0, 0.5f, 0.5f},
                                      {centre - 20, 20, 0, 1, 0.5f, 0.5f},
                                      {centre + 20, -20, 1, 0, 0.5f, 0.5f},
                                      {centre + 20, 20, 1, 1, 0.5f, 0.5f}});
        const D3DXMATRIX quad(1 / 20.0f, 0, 0, 0, 0, 0, 0, 0, 0, 1 / 20.0f, 0, 0, -centre / 20.0f, 0, 0.5f, 1);
        return Draw(target, streams, D3DPT_TRIANGLESTRIP, 2, water_->pixelShader, quad, eye, 2.0f, 0.0f, kBackground,
                    [&] {
                        device_->SetTexture(0, sky);
                        device_->SetTexture(1, water_->normalMaps[0]);
                        device_->SetTexture(3, water_->fresnelRamp);
                        for (DWORD stage : {0u, 3u}) {
                            device_->SetSamplerState(stage, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
                            device_->SetSamplerState(stage, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
                        }
                        for (DWORD stage : {0u, 1u, 3u}) {
                            device_->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
                            device_->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
                        }
                    });
    };
    auto channelsDiffer = [](uint32_t a, uint32_t b, int by) {
        for (int shift = 0; shift < 24; shift += 8)
            if (std::abs(int((a >> shift) & 0xFF) - int((b >> shift) & 0xFF)) > by)
                return true;
        return false;
    };
    // 380 units and more from the eye: exactly the sky.
    std::vector<uint32_t> farPixels = draw(400.0f);
    int notSky = 0;
    for (uint32_t p : farPixels)
        notSky += channelsDiffer(p, kSky, 1);
    EXPECT_EQ(notSky, 0) << std::hex << "first pixel " << farPixels[0];
    // 10 to 50 units away the lit water shows: most pixels are not the sky.
    std::vector<uint32_t> nearPixels = draw(30.0f);
    int water = 0;
    for (uint32_t p : nearPixels)
        water += channelsDiffer(p, kSky, 8) && p != kBackground;
    EXPECT_GT(water, int(nearPixels.size() * 3 / 4)) << std::hex << "first pixel " << nearPixels[0];
    sky->Release();
}

// The pixel shader's steps at chosen inputs, each a single point with its
// own eye, position and normals, over a normal map of two normals (one at
// the 1x sample, one at the 16x), a sky whose six faces differ in red and
// run smoothly in green and blue across each face (so the reflection's
// direction shows in the colour), and a ramp whose red is its coordinate.
// The expected colours were worked out from the shader's formula and agree
// with Mesa's rendering within a level; a swapped swizzle or a wrong constant
// (the light, the detail mix, the tilts, 1.35, 24, the fade's 0.8 and 0.2)
// moves a colour far beyond the 3 levels allowed for rounding. (The 0.075
// added to the second tilt moves a pixel by less than a level: no point can
// show it.)
TEST_F(WaterShaders, EveryStepOfThePixelShaderGivesItsColour) {
    constexpr UINT kSide = 4, kNormalSide = 16, kFaceSide = 32;
    constexpr DWORD kFaceRed = 40, kStep = 8;  // red by face; green and blue by texel, 8 a texel
    constexpr int kRoundingLevels = 3;
    OffscreenTarget target(device_, kSide, kSide);
    ASSERT_TRUE(target.Ok());
    // A normal as the map stores it, unit length first.
    auto packed = [](const std::array<double, 3>& n) {
        const double length = std::sqrt(n[0] * n[0] + n[1] * n[1] + n[2] * n[2]);
        auto byte = [length](double x) { return DWORD(std::lround((x / length + 1) * 127.5)); };
        return D3DCOLOR(0xFF000000 | byte(n[0]) << 16 | byte(n[1]) << 8 | byte(n[2]));
    };

    IDirect3DTexture9* normals = nullptr;
    IDirect3DTexture9* ramp = nullptr;
    ASSERT_EQ(
        device_->CreateTexture(kNormalSide, kNormalSide, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &normals, nullptr),
        D3D_OK);
    ASSERT_EQ(device_->CreateTexture(256, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ramp, nullptr), D3D_OK);
    IDirect3DCubeTexture9* sky = FilledCube(device_, kFaceSide, [](int face, UINT x, UINT y) {
        return 0xFF000000 | (kFaceRed * (face + 1)) << 16 | (kStep * x) << 8 | kStep * y;
    });
    ASSERT_NE(sky, nullptr);
    D3DLOCKED_RECT locked;
    ASSERT_EQ(ramp->LockRect(0, &locked, nullptr, 0), D3D_OK);
    Fill(locked, 256, 1, [](UINT i, UINT) { return 0xFF000000 | i << 16 | (255 - i) << 8 | 77; });
    ramp->UnlockRect(0);
    const float water[4] = {59 / 255.0f, 94 / 255.0f, 83 / 255.0f, 0.5f};

    struct Case {
        float x, z, height;  // the vertex
        D3DXVECTOR3 eye;
        std::array<double, 3> coarse, fine;  // the normals at the 1x and the 16x sample
        D3DCOLOR expected;                   // 0xRRGGBB
    };
    // The map's coordinate 0.035 both ways: the 1x sample reads texel 0, the
    // 16x sample texel 8, of a map whose columns from 8 on hold `fine`.
    const Case cases[] = {
        {3, 4, 0, {0, 5, 0}, {0.3, 0.2, 0.93}, {-0.4, 0.1, 0.91}, 0x2D2F38},
        {60, 10, 0.5f, {0, 2, 0}, {0.1, -0.6, 0.79}, {0.5, -0.5, 0.71}, 0x635246},  // grazing: mostly lit
        {70, -5, 0, {0, 2, 0}, {-0.6, 0.1, 0.79}, {0.2, 0.3, 0.93}, 0x936128},
        {-20, 35, 1, {4, 3, -2}, {-0.2, 0.45, 0.87}, {0.1, 0.1, 0.99}, 0x2C7C58},
        {8, -30, 0, {0, 6, 0}, {0.6, -0.1, 0.79}, {-0.3, -0.3, 0.9}, 0x3A674F},
        {120, -150, 0, {0, 4, 0}, {0.1, 0.3, 0.95}, {0.2, 0.2, 0.96}, 0x4BC967},
        {0, 400, 0, {0, 3, 0}, {0.3, 0.3, 0.9}, {0.3, 0.3, 0.9}, 0x287C80},  // far: only the sky
        // Wave sides turned toward the camera, where the reflection is weakened.
        {0, 6, 0, {0, 5, 0}, {-0.3, 0.05, 0.95}, {-0.2, 0.1, 0.97}, 0x23572D},
        {5, 2, 0, {0, 4, 0}, {0.05, -0.5, 0.86}, {0.1, -0.3, 0.95}, 0x573C21},
        {-4, -3, 0, {0, 3, 0}, {0.2, 0.4, 0.89}, {0.3, 0.1, 0.95}, 0x4F664F},
        {5, 0, 0, {0, 5, 0}, {0, -0.04, 1}, {0, -0.04, 1}, 0x615224},       // nearly flat: the x 24 shows
        {15, 3, 0, {0, 1, 0}, {0, -0.7, 0.71}, {0, -0.7, 0.71}, 0x372C21},  // tilted away at a glance: the light shows
    };
    const float kCoordinate = 0.035f;
    for (const Case& c : cases) {
        SCOPED_TRACE("vertex (" + std::to_string(c.x) + ", " + std::to_string(c.z) + ")");
        ASSERT_EQ(normals->LockRect(0, &locked, nullptr, 0), D3D_OK);
        Fill(locked, kNormalSide, kNormalSide, [&](UINT x, UINT) { return packed(x >= 8 ? c.fine : c.coarse); });
        normals->UnlockRect(0);

        TestStreams streams(device_, {{c.x, c.z, kCoordinate, kCoordinate, c.height, c.height}});
        ASSERT_TRUE(streams.Ok());
        const D3DXMATRIX toCentre(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0.5f, 1);
        const auto pixels = Draw(target, streams, D3DPT_POINTLIST, 1, water_->pixelShader, toCentre, c.eye, 1.0f, 0.0f,
                                 kBackground, [&] {
                                     device_->SetPixelShaderConstantF(2, water, 1);
                                     device_->SetTexture(0, sky);
                                     device_->SetTexture(1, normals);
                                     device_->SetTexture(3, ramp);
                                     for (DWORD stage : {0u, 1u, 3u}) {
                                         const DWORD filter = stage == 0 ? D3DTEXF_LINEAR : D3DTEXF_POINT;
                                         device_->SetSamplerState(stage, D3DSAMP_MINFILTER, filter);
                                         device_->SetSamplerState(stage, D3DSAMP_MAGFILTER, filter);
                                         device_->SetSamplerState(stage, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
                                         const DWORD address = stage == 1 ? D3DTADDRESS_WRAP : D3DTADDRESS_CLAMP;
                                         device_->SetSamplerState(stage, D3DSAMP_ADDRESSU, address);
                                         device_->SetSamplerState(stage, D3DSAMP_ADDRESSV, address);
                                     }
                                 });
        uint32_t drawn = kBackground;
        for (uint32_t p : pixels)
            if (p != kBackground)
                drawn = p;
        ASSERT_NE(drawn, kBackground) << "the point was not drawn";
        for (int shift : {16, 8, 0})
            EXPECT_NEAR(int((drawn >> shift) & 0xFF), int((c.expected >> shift) & 0xFF), kRoundingLevels)
                << std::hex << "pixel " << (drawn & 0xFFFFFF) << ", expected " << c.expected;
    }
    sky->Release();
    ramp->Release();
    normals->Release();
}

// Draws one frame of `water` from a fixed camera low over the sea, looking
// along a tile seam and across the place where the detailed block meets the
// flat ring; saves it as out/screens/NAME.bmp and checks that in every column the
// sea fills everything below its far edge (a background pixel under a sea
// pixel is a crack between tiles or rings).
void ExpectSeaFrameWithoutHoles(IDirect3DDevice9* device, WaterSurface& water, const char* name) {
    constexpr UINT kWidth = 400, kHeight = 300;
    OffscreenTarget target(device, kWidth, kHeight);
    ASSERT_TRUE(target.Ok());
    Camera view(device);
    AimTestCamera(view, D3DXVECTOR3(0.0f, 6.0f, -40.0f), D3DXVECTOR3(15.0f, 2.0f, 0.0f));  // 4:3, as the target
    RenderContext context;
    context.camera = &view;
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBackground, 1.0f, 0);
    device->BeginScene();
    water.Render(context, 0.01f);
    device->EndScene();
    std::vector<uint32_t> pixels = target.Read();
    const auto* bytes = reinterpret_cast<const uint8_t*>(pixels.data());
    const d3dx::ImageLevel level{kWidth, kHeight, std::vector<uint8_t>(bytes, bytes + pixels.size() * 4)};
    EXPECT_NO_THROW(picture::WriteFile(ScreenshotPath(name),
                                       picture::BmpRgb24(picture::ToImage(level, d3dx::TexelLayout::X8R8G8B8))));

    int holes = 0, seaPixels = 0;
    for (UINT x = 0; x < kWidth; ++x) {
        bool seaAbove = false;
        for (UINT y = 0; y < kHeight; ++y) {
            const bool background = (pixels[y * kWidth + x] & 0xFFFFFF) == (kBackground & 0xFFFFFF);
            if (!background)
                seaAbove = true, ++seaPixels;
            else if (seaAbove)
                ++holes;
        }
    }
    EXPECT_EQ(holes, 0);
    EXPECT_GT(seaPixels, int(kWidth * kHeight / 3));
}

TEST_F(WaterShaders, SeaFrameHasNoHolesBetweenTilesOrRings) { ExpectSeaFrameWithoutHoles(device_, *water_, "sea"); }

// The same with the module's own art and shaders, read from the built .scr.
TEST_F(WaterShaders, ModuleArtLoadsAndDrawsWithoutHoles) {
    HMODULE module = LoadLibraryExA("BrinemereDuzo.scr", nullptr, LOAD_LIBRARY_AS_DATAFILE);
    ASSERT_NE(module, nullptr);
    {
        WaterSurface water(device_, 60, 60, 2);
        water.resourceModule = module;
        water.SetEnvironment(4);
        ASSERT_TRUE(water.Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES));
        ASSERT_NE(water.cubeMap, nullptr);
        ASSERT_NE(water.fresnelRamp, nullptr);
        ASSERT_NE(water.vertexShader, nullptr);
        ASSERT_NE(water.pixelShader, nullptr);
        D3DSURFACE_DESC desc;
        water.cubeMap->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Format, D3DFMT_DXT3);
        EXPECT_EQ(desc.Width, 256u);
        water.fresnelRamp->GetLevelDesc(0, &desc);
        EXPECT_EQ(desc.Width, 256u);
        EXPECT_EQ(desc.Height, 1u);
        // The module's frames tile: their tables' edges repeat exactly and
        // their heights lie in the middle of the range.
        for (const float* table : water.heightTables)
            for (UINT v = 0; v < water.vertexCount; ++v) {
                ASSERT_GT(table[v], 0.2f);
                ASSERT_LT(table[v], 0.95f);
            }
        ExpectSeaFrameWithoutHoles(device_, water, "sea-module-art");
    }
    FreeLibrary(module);
}

}  // namespace

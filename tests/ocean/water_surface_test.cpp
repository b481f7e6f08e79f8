// The sea on the recording device: its buffers and their contents, the
// height tables, the animation clock, the exact call sequence of a frame,
// and the teardown.
#include <gtest/gtest.h>

#include <array>
#include <set>
#include <utility>

#include "tests/ocean/ocean_test_support.h"
#include "tests/support/fake_texture.h"
#include "tests/support/fake_vertex_declaration.h"
#include "resources/resource_ids.h"

namespace {

constexpr UINT kVertices = 61 * 61;
constexpr UINT kTriangles = 60 * 60 * 2;
// One texel step of height: 1/255 in single precision (0.003921569).
constexpr float kHeightUnit = 1.0f / 255.0f;

// The 8-bit texel of frame resource `id` at (row, column), read straight from
// the DDS bytes built into this program.
int FrameTexel(int id, int row, int column) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
    const BYTE* dds = static_cast<const BYTE*>(LockResource(LoadResource(nullptr, found)));
    return dds[128 + row * 256 + column];
}

TEST(WaterSurfaceGrid, BuffersIndicesAndVertices) {
    RecordedSea sea;
    WaterSurface& w = *sea.water;
    ASSERT_TRUE(sea.initialised);
    EXPECT_EQ(w.vertexCount, kVertices);
    EXPECT_EQ(w.triangleCount, kTriangles);
    EXPECT_EQ(w.tileSizeX, 100.0f);
    EXPECT_EQ(w.tileSizeZ, 100.0f);

    // Lengths and creation flags, in creation order.
    auto vbs = sea.recorder->CallsTo("CreateVertexBuffer");
    ASSERT_EQ(vbs.size(), 4u);
    const uint64_t vbLengths[] = {59536, 29768, 96, 48};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(vbs[k].args[0], vbLengths[k]) << vbs[k];
        EXPECT_EQ(vbs[k].args[1], uint64_t(D3DUSAGE_WRITEONLY)) << vbs[k];
        EXPECT_EQ(vbs[k].args[2], 0u) << vbs[k];
        EXPECT_EQ(vbs[k].args[3], uint64_t(D3DPOOL_MANAGED)) << vbs[k];
    }
    auto ibs = sea.recorder->CallsTo("CreateIndexBuffer");
    ASSERT_EQ(ibs.size(), 2u);
    const uint64_t ibLengths[] = {12, 43200};
    for (size_t k = 0; k < 2; ++k) {
        EXPECT_EQ(ibs[k].args[0], ibLengths[k]) << ibs[k];
        EXPECT_EQ(ibs[k].args[1], 0u) << ibs[k];
        EXPECT_EQ(ibs[k].args[2], uint64_t(D3DFMT_INDEX16)) << ibs[k];
        EXPECT_EQ(ibs[k].args[3], uint64_t(D3DPOOL_MANAGED)) << ibs[k];
    }

    // The declaration: two floats of position and of (u, v) in stream 0,
    // the two heights in stream 1.
    const auto& elements = static_cast<FakeVertexDeclaration*>(w.vertexDecl)->Elements();
    ASSERT_EQ(elements.size(), 4u);
    const D3DVERTEXELEMENT9 expected[] = {{0, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_POSITION, 0},
                                          {0, 8, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 0},
                                          {1, 0, D3DDECLTYPE_FLOAT2, 0, D3DDECLUSAGE_TEXCOORD, 1}};
    for (size_t k = 0; k < 3; ++k)
        EXPECT_EQ(std::memcmp(&elements[k], &expected[k], sizeof(D3DVERTEXELEMENT9)), 0) << "element " << k;
    EXPECT_EQ(elements[3].Stream, 0xFF);

    // Indices: every cell a, d, b, a, c, d; every index inside the grid.
    std::vector<WORD> indices = BufferIndices(w.gridIndices);
    ASSERT_EQ(indices.size(), kTriangles * 3);
    const WORD firstCell[] = {0, 62, 1, 0, 61, 62};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(indices[k], firstCell[k]);
    const WORD lastCell[] = {59 * 61 + 59, 60 * 61 + 60, 59 * 61 + 60, 59 * 61 + 59, 60 * 61 + 59, 60 * 61 + 60};
    for (int k = 0; k < 6; ++k)
        EXPECT_EQ(indices[indices.size() - 6 + k], lastCell[k]);
    for (WORD index : indices)
        ASSERT_LT(index, kVertices);
    EXPECT_EQ(BufferIndices(w.farIndices), (std::vector<WORD>{0, 3, 1, 0, 2, 3}));

    // Positions and (u, v) at the corners.
    std::vector<float> grid = BufferFloats(w.gridVertices);
    auto vertex = [&](UINT v) { return std::vector<float>(grid.begin() + v * 4, grid.begin() + v * 4 + 4); };
    EXPECT_EQ(vertex(0), (std::vector<float>{-50, -50, 0, 0}));
    EXPECT_EQ(vertex(60), (std::vector<float>{-50, 50, 0, 1}));
    EXPECT_EQ(vertex(60 * 61), (std::vector<float>{50, -50, 1, 0}));
    EXPECT_EQ(vertex(kVertices - 1), (std::vector<float>{50, 50, 1, 1}));
    EXPECT_NEAR(vertex(61)[0], -50.0f + 100.0f / 60.0f, 1e-4f);  // row 1 steps along x

    // The flat tile: four corners, (u, v) = (p, q), heights 0.
    std::vector<float> flat = BufferFloats(w.farVertices);
    ASSERT_EQ(flat.size(), 24u);
    EXPECT_EQ(std::vector<float>(flat.begin(), flat.begin() + 16),
              (std::vector<float>{-50, -50, 0, 0, -50, 50, 0, 1, 50, -50, 1, 0, 50, 50, 1, 1}));
    for (float h : BufferFloats(w.farHeights))
        EXPECT_EQ(h, 0.0f);

    // The height stream starts with the pair (0, 1).
    std::vector<float> heights = BufferFloats(w.gridHeights);
    for (UINT v = 0; v < kVertices; ++v) {
        ASSERT_EQ(heights[2 * v], w.heightTables[0][v]) << v;
        ASSERT_EQ(heights[2 * v + 1], w.heightTables[1][v]) << v;
    }
    // Nothing left locked.
    for (IDirect3DVertexBuffer9* b : {w.gridVertices, w.gridHeights, w.farVertices, w.farHeights})
        EXPECT_FALSE(static_cast<FakeVertexBuffer*>(b)->IsLocked());
}

TEST(WaterSurfaceGrid, HeightTablesSampleTheFramesAndRepeatTheirEdges) {
    RecordedSea sea;
    WaterSurface& w = *sea.water;
    ASSERT_TRUE(sea.initialised);
    ASSERT_EQ(w.heightTables.size(), 30u);
    ASSERT_EQ(w.heightTextures.size(), 30u);
    ASSERT_EQ(w.normalMaps.size(), 30u);
    for (size_t k = 0; k < 30; ++k) {
        const float* t = w.heightTables[k];
        for (UINT i = 0; i <= 60; ++i) {
            ASSERT_EQ(t[i * 61 + 60], t[i * 61]) << "frame " << k << " row " << i;
            ASSERT_EQ(t[60 * 61 + i], t[i]) << "frame " << k << " column " << i;
        }
        EXPECT_EQ(t[kVertices - 1], t[0]);
        // Grid lines 15, 30, 45 fall exactly on texels 64, 128, 192.
        for (int i : {0, 15, 30, 45})
            for (int j : {0, 15, 30, 45})
                EXPECT_EQ(t[i * 61 + j],
                          float(FrameTexel(IDR_HEIGHTMAP_FIRST + int(k), i * 64 / 15, j * 64 / 15)) * kHeightUnit)
                    << "frame " << k << " (" << i << ", " << j << ")";
        for (UINT v = 0; v < kVertices; ++v) {
            ASSERT_GE(t[v], 0.0f);
            ASSERT_LE(t[v], 1.0f);
        }
    }
    // Frames differ (each table was made from its own frame).
    EXPECT_NE(std::memcmp(w.heightTables[0], w.heightTables[1], kVertices * sizeof(float)), 0);
    // The normal maps are A8R8G8B8 with a full chain, in the default pool.
    auto* normal = static_cast<FakeTexture*>(w.normalMaps[0]);
    D3DSURFACE_DESC desc;
    normal->GetLevelDesc(0, &desc);
    EXPECT_EQ(desc.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(desc.Pool, D3DPOOL_DEFAULT);
    EXPECT_EQ(desc.Width, 256u);
    EXPECT_EQ(normal->GetLevelCount(), 9u);
}

TEST(WaterSurfaceGrid, BlendedTexelsAreTruncated) {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    {
        WaterSurface w(device, 60, 60, 2);
        IDirect3DTexture9* frame = nullptr;
        ASSERT_EQ(device->CreateTexture(256, 256, 1, 0, D3DFMT_L8, D3DPOOL_SYSTEMMEM, &frame, nullptr), D3D_OK);
        D3DLOCKED_RECT locked;
        ASSERT_EQ(frame->LockRect(0, &locked, nullptr, 0), D3D_OK);
        for (int r = 0; r < 256; ++r)
            for (int c = 0; c < 256; ++c)
                static_cast<BYTE*>(locked.pBits)[r * locked.Pitch + c] = c % 2 ? 254 : 255;
        frame->UnlockRect(0);
        ASSERT_TRUE(w.BuildHeightTable(frame));
        ASSERT_EQ(w.heightTables.size(), 1u);
        const float* t = w.heightTables[0];
        // Column 1 lies at texel 4.2666: 255 x 0.7333 + 254 x 0.2667 = 254.73.
        EXPECT_EQ(t[1], 254.0f * kHeightUnit);
        EXPECT_EQ(t[0], 255.0f * kHeightUnit);
        // Column 15 lies on texel 64 (255) and column 16 at 68.27 (255 x 0.73 + 254 x 0.27).
        EXPECT_EQ(t[15], 1.0f);
        EXPECT_EQ(t[16], 254.0f * kHeightUnit);
        frame->Release();
    }
    device->Release();
    EXPECT_EQ(recorder->LiveObjectCount(), 0u);
}

// The pair of frames in the height stream.
std::pair<int, int> StreamPair(const WaterSurface& w) {
    std::vector<float> heights = BufferFloats(w.gridHeights);
    int a = -1, b = -1;
    for (int k = 0; k < 30; ++k) {
        bool first = true, second = true;
        for (UINT v = 0; v < kVertices && (first || second); ++v) {
            first = first && heights[2 * v] == w.heightTables[k][v];
            second = second && heights[2 * v + 1] == w.heightTables[k][v];
        }
        if (first && a < 0)
            a = k;
        if (second && b < 0)
            b = k;
    }
    return {a, b};
}

TEST(WaterSurfaceAnimation, ClockStepsEverySecondFrameAndWraps) {
    RecordedSea sea;
    WaterSurface& w = *sea.water;
    ASSERT_TRUE(sea.initialised);
    EXPECT_EQ(w.heightScale, 2.0f);
    EXPECT_EQ(w.frameRate, 50.0f);
    EXPECT_EQ(w.frameIndex, 0);
    EXPECT_EQ(StreamPair(w), std::make_pair(0, 1));

    sea.Frame();
    EXPECT_EQ(w.frameBlend, 0.5f);
    EXPECT_EQ(w.frameIndex, 0);
    sea.Frame();
    EXPECT_EQ(w.frameBlend, 1.0f);
    EXPECT_EQ(w.frameIndex, 1);
    EXPECT_EQ(w.animTime, 0.0f);
    EXPECT_EQ(StreamPair(w), std::make_pair(0, 1));  // the first step rewrites the initial pair

    for (int frame = 3; frame <= 58; ++frame) {
        sea.Frame();
        ASSERT_EQ(w.frameBlend, frame % 2 ? 0.5f : 1.0f) << frame;
        ASSERT_EQ(w.frameIndex, frame / 2) << frame;
    }
    EXPECT_EQ(StreamPair(w), std::make_pair(28, 29));
    EXPECT_EQ(w.frameIndex, 29);

    // The frame that reaches the threshold draws with the old pair and steps
    // after its draws: the stream is locked once, after the last draw.
    sea.Frame();
    sea.recorder->ClearCalls();
    sea.Frame();
    const auto& calls = sea.recorder->Calls();
    auto textureOn = [&](DWORD stage) {
        for (const RecordedCall& c : calls)
            if (c.method == "SetTexture" && c.args[0] == stage)
                return c.args[1];
        return uint64_t(0);
    };
    EXPECT_EQ(textureOn(1), uint64_t(uintptr_t(w.normalMaps[29])));
    EXPECT_EQ(textureOn(2), uint64_t(uintptr_t(w.normalMaps[0])));
    size_t lastDraw = 0, lock = 0;
    for (size_t k = 0; k < calls.size(); ++k) {
        if (calls[k].method == "DrawIndexedPrimitive")
            lastDraw = k;
        if (calls[k].method == "Lock")
            lock = k;
    }
    EXPECT_EQ(sea.recorder->CountOf("Lock"), 1u);
    EXPECT_GT(lock, lastDraw);
    EXPECT_EQ(StreamPair(w), std::make_pair(29, 0));
    EXPECT_EQ(w.frameIndex, 0);

    // A height scale too small to see: no rewrite, but the frames still move on.
    w.heightScale = 0.0000001f;
    sea.recorder->ClearCalls();
    for (int frame = 0; frame < 6; ++frame)
        sea.Frame();
    EXPECT_EQ(sea.recorder->CountOf("Lock"), 0u);
    EXPECT_EQ(w.frameIndex, 3);
    EXPECT_EQ(StreamPair(w), std::make_pair(29, 0));
    EXPECT_EQ(sea.device->Texture(1), w.normalMaps[2]);
    EXPECT_EQ(sea.device->Texture(2), w.normalMaps[3]);
}

// The four floats of a constant upload.
std::vector<float> Floats(const RecordedCall& call) { return call.floats; }

TEST(WaterSurfaceRendering, ExactSequenceOfOneFrame) {
    RecordedSea sea;
    WaterSurface& w = *sea.water;
    ASSERT_TRUE(sea.initialised);
    sea.Frame();  // blend 0.5
    sea.recorder->ClearCalls();
    sea.device->BeginScene();
    sea.recorder->ClearCalls();
    w.Render(sea.context, 0.01f);  // blend 1.0: draws, then steps
    sea.device->EndScene();
    const auto& calls = sea.recorder->Calls();
    size_t at = 0;
    auto next = [&](const char* method) -> const RecordedCall& {
        EXPECT_LT(at, calls.size());
        const RecordedCall& c = calls[std::min(at, calls.size() - 1)];
        EXPECT_EQ(c.method, method) << "call " << at << ": " << c;
        ++at;
        return c;
    };
    auto sampler = [&](DWORD stage, D3DSAMPLERSTATETYPE type, DWORD value) {
        const RecordedCall& c = next("SetSamplerState");
        EXPECT_EQ(c.args, (std::vector<uint64_t>{stage, uint64_t(type), value})) << c;
    };
    sampler(0, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    sampler(0, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    sampler(0, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    sampler(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    sampler(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    for (DWORD stage : {1u, 2u}) {
        sampler(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        sampler(stage, D3DSAMP_MIPFILTER, D3DTEXF_NONE);
        sampler(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    }
    sampler(3, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    sampler(3, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    sampler(3, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    sampler(3, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    sampler(3, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);

    auto texture = [&](DWORD stage, const void* object) {
        const RecordedCall& c = next("SetTexture");
        EXPECT_EQ(c.args, (std::vector<uint64_t>{stage, uint64_t(uintptr_t(object))})) << c;
    };
    texture(1, w.normalMaps[0]);
    texture(2, w.normalMaps[1]);
    texture(0, w.cubeMap);
    texture(3, w.fresnelRamp);
    ASSERT_NE(w.cubeMap, nullptr);
    ASSERT_NE(w.fresnelRamp, nullptr);
    EXPECT_EQ(next("SetVertexDeclaration").args[0], uint64_t(uintptr_t(w.vertexDecl)));

    const std::vector<float> eye = {12.0f, 5.0f, -30.0f, 1.0f};
    const std::vector<float> colour = {59 / 255.0f, 94 / 255.0f, 83 / 255.0f, 0.5f};
    const std::vector<float> common = {1.0f, 16.0f, 2.0f, 1.0f};
    auto constant = [&](const char* method, UINT reg, const std::vector<float>& value) {
        const RecordedCall& c = next(method);
        EXPECT_EQ(c.args[0], reg) << c;
        EXPECT_EQ(c.args.back(), value.size() / 4) << c;
        EXPECT_EQ(Floats(c), value) << c;
    };
    constant("SetVertexShaderConstantF", 8, eye);
    constant("SetPixelShaderConstantF", 8, eye);
    constant("SetVertexShaderConstantF", 4,
             std::vector<float>(&sea.view.viewProjection._11, &sea.view.viewProjection._11 + 16));
    constant("SetVertexShaderConstantF", 0, common);
    constant("SetVertexShaderConstantF", 1, colour);
    constant("SetPixelShaderConstantF", 2, colour);
    constant("SetPixelShaderConstantF", 0, common);
    EXPECT_EQ(colour[0], 0.23137255f);
    EXPECT_EQ(next("SetVertexShader").args[0], uint64_t(uintptr_t(w.vertexShader)));
    EXPECT_EQ(next("SetPixelShader").args[0], uint64_t(uintptr_t(w.pixelShader)));

    auto streams = [&](IDirect3DVertexBuffer9* positions, IDirect3DVertexBuffer9* heights) {
        const RecordedCall& s0 = next("SetStreamSource");
        EXPECT_EQ(s0.args, (std::vector<uint64_t>{0, uint64_t(uintptr_t(positions)), 0, 16})) << s0;
        const RecordedCall& s1 = next("SetStreamSource");
        EXPECT_EQ(s1.args, (std::vector<uint64_t>{1, uint64_t(uintptr_t(heights)), 0, 8})) << s1;
    };
    std::set<std::pair<int, int>> drawn;
    auto tiles = [&](int count, std::vector<uint64_t> draw, std::vector<float> first, std::vector<float> last) {
        for (int k = 0; k < count; ++k) {
            const RecordedCall& c = next("SetVertexShaderConstantF");
            EXPECT_EQ(c.args[0], 12u);
            if (k == 0) {
                EXPECT_EQ(Floats(c), first);
            }
            if (k == count - 1) {
                EXPECT_EQ(Floats(c), last);
            }
            EXPECT_EQ(c.floats[1], 0.0f);
            EXPECT_EQ(c.floats[3], 0.0f);
            EXPECT_TRUE(drawn.insert({int(c.floats[0]) / 100, int(c.floats[2]) / 100}).second) << "drawn twice: " << c;
            const RecordedCall& d = next("DrawIndexedPrimitive");
            EXPECT_EQ(d.args, draw) << d;
            if (::testing::Test::HasFailure())
                return;
        }
    };
    streams(w.farVertices, w.farHeights);
    EXPECT_EQ(next("SetIndices").args[0], uint64_t(uintptr_t(w.farIndices)));
    const RecordedCall& zOff = next("SetRenderState");
    EXPECT_EQ(zOff.args, (std::vector<uint64_t>{D3DRS_ZWRITEENABLE, FALSE}));
    tiles(816, {D3DPT_TRIANGLELIST, 0, 0, 4, 0, 2}, {-1400, 0, -1400, 0}, {1400, 0, 1400, 0});
    EXPECT_EQ(drawn.count({3, 0}) + drawn.count({-3, 0}), 2u);
    EXPECT_EQ(drawn.count({2, 2}) + drawn.count({-2, -2}) + drawn.count({0, 0}), 0u);
    const RecordedCall& zOn = next("SetRenderState");
    EXPECT_EQ(zOn.args, (std::vector<uint64_t>{D3DRS_ZWRITEENABLE, TRUE}));
    streams(w.gridVertices, w.gridHeights);
    EXPECT_EQ(next("SetIndices").args[0], uint64_t(uintptr_t(w.gridIndices)));
    tiles(25, {D3DPT_TRIANGLELIST, 0, 0, kVertices, 0, kTriangles}, {-200, 0, -200, 0}, {200, 0, 200, 0});
    EXPECT_EQ(drawn.size(), 841u);
    for (int tz = -14; tz <= 14; ++tz)
        for (int tx = -14; tx <= 14; ++tx)
            EXPECT_EQ(drawn.count({tx, tz}), 1u) << tx << ", " << tz;

    // Then the frame step: the height stream rewritten whole, nothing more.
    const RecordedCall& lock = next("Lock");
    EXPECT_EQ(lock.object, sea.recorder->NameOf(w.gridHeights));
    EXPECT_EQ(lock.args[1], kVertices * 8u);
    next("Unlock");
    next("EndScene");
    EXPECT_EQ(at, calls.size());
    // What it leaves bound.
    EXPECT_EQ(sea.device->RenderState(D3DRS_ZWRITEENABLE), DWORD(TRUE));
    EXPECT_EQ(sea.device->VertexShaderConstant(12), (std::array<float, 4>{200, 0, 200, 0}));
    EXPECT_EQ(sea.device->Stream(1).buffer, w.gridHeights);
}

TEST(WaterSurfaceLifetime, TeardownReleasesEverything) {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    Camera view(device);
    view.viewProjection = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    RenderContext context;
    context.camera = &view;
    auto* water = new WaterSurface(device, 60, 60, 2);
    water->SetEnvironment(4);
    water->SetEnvironment(7);  // again: the first cube map goes
    EXPECT_EQ(recorder->CountOf("CreateCubeTexture"), 2u);
    EXPECT_EQ(water->heightScale, 2.0f);
    EXPECT_EQ(water->waterColor[1], 94.0f / 255.0f);
    ASSERT_TRUE(water->Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES));
    device->BeginScene();
    for (int k = 0; k < 5; ++k)
        water->Render(context, 0.01f);
    device->EndScene();
    const size_t created = recorder->CreatedObjectCount();
    EXPECT_GT(created, 60u);
    delete water;
    // The device still holds what was last bound; once it goes, nothing is left.
    device->Release();
    EXPECT_EQ(recorder->LiveObjectCount(), 0u) << ::testing::PrintToString(recorder->LiveObjectNames());
}

}  // namespace

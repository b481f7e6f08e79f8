// The sea on the recording device: its buffers and their contents, the
// height tables, the animation clock, the exact call sequence of a frame,
// and the teardown.
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <tuple>
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

constexpr UINT kRingTiles = 29 * 29 - 25;

// The far ring's tiles (tx, tz) in the order it is stored and drawn: rows
// along z, x within a row, the near block left out.
std::vector<std::pair<int, int>> RingTiles() {
    std::vector<std::pair<int, int>> tiles;
    for (int tz = -14; tz <= 14; ++tz)
        for (int tx = -14; tx <= 14; ++tx)
            if (std::abs(tx) > 2 || std::abs(tz) > 2)
                tiles.push_back({tx, tz});
    return tiles;
}

// A ring tile's quad in world units and its (u, v) at the corners: the
// tile's square, but that the grid lines along the near block's sides stand
// a twentieth of a tile inside it (the tiles beside the block reach under
// it, those in line beyond its corners give as much up), the texture
// running on across them.
struct RingQuad {
    float x0, x1, z0, z1, u0, u1, v0, v1;
};
RingQuad QuadOf(std::pair<int, int> tile) {
    const auto shift = [](int line) { return line == -2 ? 0.05f : line == 3 ? -0.05f : 0.0f; };
    const int tx = tile.first, tz = tile.second;
    RingQuad q;
    q.u0 = shift(tx);
    q.u1 = 1.0f + shift(tx + 1);
    q.v0 = shift(tz);
    q.v1 = 1.0f + shift(tz + 1);
    q.x0 = -50 + q.u0 * 100 + tx * 100.0f;  // the sums in the code's order
    q.x1 = -50 + q.u1 * 100 + tx * 100.0f;
    q.z0 = -50 + q.v0 * 100 + tz * 100.0f;
    q.z1 = -50 + q.v1 * 100 + tz * 100.0f;
    return q;
}

// What a frame drew, read back from its calls: the far ring's tiles by
// their place in the ring, and the near block's rows of cells as (tx, tz,
// row). Every draw must cover whole quads of the ring (in place, offset 0)
// or whole rows of cells of the grid, inside the buffers, and each part
// comes in its stored order (the ring's, the near tiles' rows along z, x
// within a row, then the cells' rows), none twice.
struct DrawnParts {
    std::vector<int> ring;
    std::vector<std::array<int, 3>> rows;
};
DrawnParts PartsDrawn(const std::vector<RecordedCall>& calls, const WaterSurface& w) {
    DrawnParts parts;
    uint64_t indices = 0;
    std::vector<float> offset(4, 0.0f);
    for (const RecordedCall& c : calls) {
        if (c.method == "SetIndices") {
            indices = c.args[0];
        } else if (c.method == "SetVertexShaderConstantF" && c.args[0] == 12) {
            offset = c.floats;
        } else if (c.method == "DrawIndexedPrimitive") {
            const uint64_t first = c.args[2], vertices = c.args[3], start = c.args[4], triangles = c.args[5];
            EXPECT_EQ(c.args[0], uint64_t(D3DPT_TRIANGLELIST)) << c;
            EXPECT_EQ(c.args[1], 0u) << c;
            EXPECT_EQ(c.result, D3D_OK) << c;  // the device found it inside the buffers
            if (indices == uint64_t(uintptr_t(w.farIndices))) {
                EXPECT_EQ(offset, std::vector<float>(4, 0.0f)) << c;
                EXPECT_TRUE(start % 6 == 0 && triangles % 2 == 0 && first == start / 6 * 4 && vertices == 2 * triangles)
                    << c;
                for (uint64_t k = start / 6; k < start / 6 + triangles / 2; ++k) {
                    EXPECT_TRUE(parts.ring.empty() || int(k) > parts.ring.back()) << c;
                    parts.ring.push_back(int(k));
                }
            } else {
                EXPECT_EQ(indices, uint64_t(uintptr_t(w.gridIndices))) << c;
                EXPECT_TRUE(start % 360 == 0 && triangles % 120 == 0 && first == start / 360 * 61 &&
                            vertices == (triangles / 120 + 1) * 61)
                    << c;
                for (uint64_t row = start / 360; row < start / 360 + triangles / 120; ++row) {
                    const std::array<int, 3> part = {int(offset[0]) / 100, int(offset[2]) / 100, int(row)};
                    const auto order = [](const std::array<int, 3>& r) { return std::make_tuple(r[1], r[0], r[2]); };
                    EXPECT_TRUE(parts.rows.empty() || order(part) > order(parts.rows.back())) << c;
                    parts.rows.push_back(part);
                }
            }
        }
    }
    return parts;
}

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
    const uint64_t vbLengths[] = {59536, 29768, kRingTiles * 4 * 16, kRingTiles * 4 * 8};
    for (size_t k = 0; k < 4; ++k) {
        EXPECT_EQ(vbs[k].args[0], vbLengths[k]) << vbs[k];
        EXPECT_EQ(vbs[k].args[1], uint64_t(D3DUSAGE_WRITEONLY)) << vbs[k];
        EXPECT_EQ(vbs[k].args[2], 0u) << vbs[k];
        EXPECT_EQ(vbs[k].args[3], uint64_t(D3DPOOL_MANAGED)) << vbs[k];
    }
    auto ibs = sea.recorder->CallsTo("CreateIndexBuffer");
    ASSERT_EQ(ibs.size(), 2u);
    const uint64_t ibLengths[] = {kRingTiles * 6 * 2, 43200};
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

    // Positions and (u, v) at the corners.
    std::vector<float> grid = BufferFloats(w.gridVertices);
    auto vertex = [&](UINT v) { return std::vector<float>(grid.begin() + v * 4, grid.begin() + v * 4 + 4); };
    EXPECT_EQ(vertex(0), (std::vector<float>{-50, -50, 0, 0}));
    EXPECT_EQ(vertex(60), (std::vector<float>{-50, 50, 0, 1}));
    EXPECT_EQ(vertex(60 * 61), (std::vector<float>{50, -50, 1, 0}));
    EXPECT_EQ(vertex(kVertices - 1), (std::vector<float>{50, 50, 1, 1}));
    EXPECT_NEAR(vertex(61)[0], -50.0f + 100.0f / 60.0f, 1e-4f);  // row 1 steps along x

    // The far ring: each tile a flat quad at its place, in the ring's order,
    // its corners with (u, v) running as across the tile, split like a grid
    // cell; where a tile meets the near block it reaches under it.
    std::vector<float> flat = BufferFloats(w.farVertices);
    std::vector<WORD> quads = BufferIndices(w.farIndices);
    ASSERT_EQ(flat.size(), kRingTiles * 16u);
    ASSERT_EQ(quads.size(), kRingTiles * 6u);
    const std::vector<std::pair<int, int>> ring = RingTiles();
    for (UINT k = 0; k < kRingTiles; ++k) {
        const RingQuad q = QuadOf(ring[k]);
        ASSERT_EQ(std::vector<float>(flat.begin() + k * 16, flat.begin() + k * 16 + 16),
                  (std::vector<float>{q.x0, q.z0, q.u0, q.v0, q.x0, q.z1, q.u0, q.v1, q.x1, q.z0, q.u1, q.v0, q.x1,
                                      q.z1, q.u1, q.v1}))
            << "tile " << k;
        ASSERT_EQ(std::vector<WORD>(quads.begin() + k * 6, quads.begin() + k * 6 + 6),
                  (std::vector<WORD>{WORD(4 * k), WORD(4 * k + 3), WORD(4 * k + 1), WORD(4 * k), WORD(4 * k + 2),
                                     WORD(4 * k + 3)}))
            << "tile " << k;
    }
    EXPECT_EQ(ring.front(), std::make_pair(-14, -14));
    EXPECT_EQ(ring.back(), std::make_pair(14, 14));
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
        sampler(stage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
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
    streams(w.farVertices, w.farHeights);
    EXPECT_EQ(next("SetIndices").args[0], uint64_t(uintptr_t(w.farIndices)));
    const RecordedCall& zOff = next("SetRenderState");
    EXPECT_EQ(zOff.args, (std::vector<uint64_t>{D3DRS_ZWRITEENABLE, FALSE}));
    constant("SetVertexShaderConstantF", 12, {0, 0, 0, 0});  // the ring's quads stand at their places
    while (at < calls.size() && calls[at].method == "DrawIndexedPrimitive")
        ++at;
    const RecordedCall& zOn = next("SetRenderState");
    EXPECT_EQ(zOn.args, (std::vector<uint64_t>{D3DRS_ZWRITEENABLE, TRUE}));
    streams(w.gridVertices, w.gridHeights);
    EXPECT_EQ(next("SetIndices").args[0], uint64_t(uintptr_t(w.gridIndices)));
    // Each near tile in view: its offset, then the runs of its rows.
    std::array<float, 4> lastOffset = {};
    while (at < calls.size() && calls[at].method == "SetVertexShaderConstantF") {
        const RecordedCall& offset = next("SetVertexShaderConstantF");
        EXPECT_EQ(offset.args[0], 12u);
        std::copy(offset.floats.begin(), offset.floats.end(), lastOffset.begin());
        next("DrawIndexedPrimitive");
        while (at < calls.size() && calls[at].method == "DrawIndexedPrimitive")
            ++at;
    }
    // Which parts: WaterSurfaceRendering.DrawsWhatIsInViewOnceInOrder.
    const DrawnParts parts = PartsDrawn(calls, w);
    EXPECT_FALSE(parts.ring.empty());
    EXPECT_FALSE(parts.rows.empty());

    // Then the frame step: the height stream rewritten whole, nothing more.
    const RecordedCall& lock = next("Lock");
    EXPECT_EQ(lock.object, sea.recorder->NameOf(w.gridHeights));
    EXPECT_EQ(lock.args[1], kVertices * 8u);
    next("Unlock");
    next("EndScene");
    EXPECT_EQ(at, calls.size());
    // What it leaves bound.
    EXPECT_EQ(sea.device->RenderState(D3DRS_ZWRITEENABLE), DWORD(TRUE));
    EXPECT_EQ(sea.device->VertexShaderConstant(12), lastOffset);
    EXPECT_EQ(sea.device->Stream(1).buffer, w.gridHeights);
}

// Views over the sea: looking down the test camera's slope, along the
// horizon banked, diagonally at the horizon, straight down from high above
// (the ring out of sight), and low from a corner of the central tile back
// across it.
struct SeaView {
    D3DXVECTOR3 eye, target, up;
};
const SeaView kSeaViews[] = {
    {{12, 5, -30}, {12, 0, 0}, {0, 1, 0}},      {{-20, 4, 10}, {-120, 4, 12}, {0.3f, 0.954f, 0}},
    {{40, 6, 40}, {140, 5.5f, 140}, {0, 1, 0}}, {{0, 60, 0}, {0, 0, 0.01f}, {0, 0, 1}},
    {{49, 2.5f, -49}, {-51, 2, 51}, {0, 1, 0}},
};

// Where a point lands in clip space under the camera, as the vertex shader
// puts it (row vector times view x projection).
D3DXVECTOR4 Clip(const Camera& view, float x, float y, float z) {
    const D3DXMATRIX& m = view.viewProjection;
    return D3DXVECTOR4(x * m._11 + y * m._21 + z * m._31 + m._41, x * m._12 + y * m._22 + z * m._32 + m._42,
                       x * m._13 + y * m._23 + z * m._33 + m._43, x * m._14 + y * m._24 + z * m._34 + m._44);
}

// A box of the sea as the camera sees it: whether a point of it lies well
// on the screen (from an 11 x 11 grid of points at its bottom and its top),
// and whether all its corners break one rule of the clip volume clearly
// (by 5 %, or a unit behind the eye), so that none of it can show.
struct Sight {
    bool seen = false;
    bool outside = false;
};
Sight SightOf(const Camera& view, float x0, float x1, float z0, float z1, float top) {
    Sight sight;
    constexpr int kSamples = 11;
    constexpr float kInset = 0.98f;  // well inside the edges, clear of rounding
    for (float y : {0.0f, top})
        for (int i = 0; i < kSamples; ++i)
            for (int j = 0; j < kSamples; ++j) {
                const D3DXVECTOR4 c =
                    Clip(view, x0 + (x1 - x0) * i / (kSamples - 1), y, z0 + (z1 - z0) * j / (kSamples - 1));
                // Depth is not inset: z / w lies close to 1 for all but the nearest points.
                sight.seen = sight.seen || (c.w > 0.2f && std::fabs(c.x) < kInset * c.w &&
                                            std::fabs(c.y) < kInset * c.w && c.z > 0.0f && c.z < c.w);
            }
    int broken[6] = {};
    for (float x : {x0, x1})
        for (float y : {0.0f, top})
            for (float z : {z0, z1}) {
                const D3DXVECTOR4 c = Clip(view, x, y, z);
                const float reach = 1.05f * c.w;
                const bool rules[6] = {c.x < -reach, reach < c.x, c.y < -reach, reach < c.y, c.w < -1.0f, reach < c.z};
                for (int r = 0; r < 6; ++r)
                    broken[r] += rules[r];
            }
    for (int r = 0; r < 6; ++r)
        sight.outside = sight.outside || broken[r] == 8;
    return sight;
}

TEST(WaterSurfaceRendering, DrawsWhatIsInViewOnceInOrder) {
    RecordedSea sea;
    WaterSurface& w = *sea.water;
    ASSERT_TRUE(sea.initialised);
    float greatest = 0.0f;
    for (const float* table : w.heightTables)
        greatest = std::max(greatest, *std::max_element(table, table + kVertices));
    const float top = greatest * w.heightScale;
    const std::vector<std::pair<int, int>> ring = RingTiles();
    for (const SeaView& v : kSeaViews) {
        SCOPED_TRACE(::testing::Message() << "eye " << v.eye.x << " " << v.eye.y << " " << v.eye.z);
        D3DXVECTOR3 up;
        D3DXVec3Normalize(&up, &v.up);
        sea.view.up = up;
        AimTestCamera(sea.view, v.eye, v.target);
        sea.recorder->ClearCalls();
        sea.Frame();
        const DrawnParts parts = PartsDrawn(sea.recorder->Calls(), w);
        const std::set<int> ringDrawn(parts.ring.begin(), parts.ring.end());
        for (size_t k = 0; k < ring.size(); ++k) {
            const RingQuad q = QuadOf(ring[k]);
            const float x = ring[k].first * 100.0f, z = ring[k].second * 100.0f;
            const Sight sight = SightOf(sea.view, q.x0, q.x1, q.z0, q.z1, 0.0f);
            if (sight.seen) {
                EXPECT_EQ(ringDrawn.count(int(k)), 1u) << "ring tile in view left out: " << x << ", " << z;
            }
            if (sight.outside) {
                EXPECT_EQ(ringDrawn.count(int(k)), 0u) << "ring tile out of view drawn: " << x << ", " << z;
            }
        }
        // Rows are drawn or left out by bands: a row in view is drawn, a band
        // wholly out of view is not.
        const std::set<std::array<int, 3>> rowsDrawn(parts.rows.begin(), parts.rows.end());
        const int band = int(WaterSurface::kBandRows);
        for (int tz = -2; tz <= 2; ++tz)
            for (int tx = -2; tx <= 2; ++tx)
                for (int row = 0; row < 60; ++row) {
                    const float left = tx * 100.0f - 50.0f, z0 = tz * 100.0f - 50.0f, z1 = z0 + 100.0f;
                    const float x0 = left + row * 100.0f / 60.0f;
                    const size_t drawn = rowsDrawn.count({tx, tz, row});
                    if (SightOf(sea.view, x0, x0 + 100.0f / 60.0f, z0, z1, top).seen) {
                        EXPECT_EQ(drawn, 1u) << "row in view left out: " << tx << ", " << tz << " row " << row;
                    }
                    const int first = row / band * band, last = std::min(first + band, 60);
                    if (SightOf(sea.view, left + first * 100.0f / 60.0f, left + last * 100.0f / 60.0f, z0, z1, top)
                            .outside) {
                        EXPECT_EQ(drawn, 0u) << "band out of view drawn: " << tx << ", " << tz << " row " << row;
                    }
                }
        // Far fewer than all: the culling works at all.
        EXPECT_LT(parts.ring.size(), kRingTiles / 2);
        EXPECT_LT(parts.rows.size(), 25u * 60 / 2);
        if (::testing::Test::HasFailure())
            break;
    }
    // Switched off for the comparisons: everything, each tile by a call of its own.
    w.leaveOutHidden = false;
    sea.recorder->ClearCalls();
    sea.Frame();
    const DrawnParts all = PartsDrawn(sea.recorder->Calls(), w);
    EXPECT_EQ(all.ring.size(), kRingTiles);
    EXPECT_EQ(all.rows.size(), 25u * 60);
    EXPECT_EQ(sea.recorder->CountOf("DrawIndexedPrimitive"), 841u);
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

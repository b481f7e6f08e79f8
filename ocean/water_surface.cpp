// WaterSurface: construction, environment, loading of the shaders and the
// heightmap frames, the tile geometry, the per-frame drawing and the
// animation clock of the sea.
#include "ocean/water_surface.h"

#include "d3dx/d3dx.h"
#include "d3dx/precompiled_shader.h"
#include "d3dx/prepared_pictures.h"
#include "ocean/water_registers.h"
#include "render/render_context.h"
#include "resources/resource_ids.h"

namespace {

// Heights are texel values 0..255 scaled to 0..1 with this single-precision
// factor (one 255th).
constexpr float kHeightUnit = 1.0f / 255.0f;
constexpr UINT kHeightFrameSide = 256;  // texels, both ways
// The height frames are read by the processor only (their tables and the
// normal maps come from the first level), so no mip chain is made for them.
constexpr UINT kHeightFrameLevels = 1;

// The load of height frame `k`, as LoadHeightFrames makes it and the work
// ahead prepares it.
d3dx::TextureRequest HeightFrameRequest(HMODULE module, UINT k) {
    d3dx::TextureRequest request;
    request.module = module;
    request.id = static_cast<WORD>(IDR_HEIGHTMAP_FIRST + k);
    request.width = request.height = kHeightFrameSide;
    request.mipLevels = kHeightFrameLevels;
    request.format = D3DFMT_L8;
    request.pool = D3DPOOL_SYSTEMMEM;
    return request;
}

// The normal map of a height frame, whose texture is `textures[source]`.
d3dx::NormalMapRequest NormalMapOf(size_t source) {
    d3dx::NormalMapRequest request;
    request.source = source;
    request.flags = 0;
    request.channel = D3DX_CHANNEL_LUMINANCE;
    request.amplitude = WaterSurface::kNormalMapAmplitude;
    return request;
}

// Water colour after the environment set-up, and at construction.
constexpr float kWaterColor[4] = {59.0f / 255.0f, 94.0f / 255.0f, 83.0f / 255.0f, 0.5f};
constexpr float kInitialWaterColor[4] = {40.0f / 255.0f, 90.0f / 255.0f, 80.0f / 255.0f, 0.5f};

const char kVertexEntry[] = "VS_Main_Ultra";
const char kVertexProfile[] = "vs.1.1";
const char kPixelEntry[] = "PS2_Main_Ultra";
const char kPixelProfile[] = "ps.2.0";

// A write-only managed vertex buffer of `bytes`, or null.
IDirect3DVertexBuffer9* NewVertexBuffer(IDirect3DDevice9* device, UINT bytes) {
    IDirect3DVertexBuffer9* buffer = nullptr;
    if (FAILED(device->CreateVertexBuffer(bytes, D3DUSAGE_WRITEONLY, 0, D3DPOOL_MANAGED, &buffer, nullptr)))
        buffer = nullptr;
    return buffer;
}

bool InNearBlock(int tx, int tz) {
    constexpr int r = WaterSurface::kNearRadius;
    return tx >= -r && tx <= r && tz >= -r && tz <= r;
}

// Where the far ring meets the near block, the block's edge has a vertex
// every cell and the ring's quad only its two corners: rasterised, such
// edges leave pinholes onto the sky box that flicker as the view moves. So
// the ring's grid lines along the block's sides stand this far (a fraction
// of a tile) inside the block, and every ring tile ends on them: the tiles
// beside the block reach under it, which is drawn after them and covers
// them everywhere but in those holes, the tiles in line with them beyond
// the block's corners give up as much, and the ring's own edges still meet
// vertex to vertex. A twentieth of a tile is far more than the rounding
// that opens the holes, and little enough that the block, which blends
// over what lies under it, lies over the ring in hardly a row of pixels.
constexpr float kRingOverlapTiles = 0.05f;

// Where grid line `line` of the ring (the edge between tiles line - 1 and
// line) stands, in tiles from its place.
float LineShift(int line) {
    if (line == -WaterSurface::kNearRadius)
        return kRingOverlapTiles;
    if (line == WaterSurface::kNearRadius + 1)
        return -kRingOverlapTiles;
    return 0.0f;
}

// A ring tile's sides in tiles from the tile's low corner: from s0 to s1
// along x, from t0 to t1 along z (0 and 1 but beside the block).
struct RingSpan {
    float s0, s1, t0, t1;
};

RingSpan SpanOf(int tx, int tz) {
    return {LineShift(tx), 1.0f + LineShift(tx + 1), LineShift(tz), 1.0f + LineShift(tz + 1)};
}

// Calls visit(tx, tz) for each tile of the far ring, in the order in which
// the ring is stored and drawn.
template <typename Visit>
void ForEachRingTile(Visit visit) {
    constexpr int r = WaterSurface::kFarRadius;
    for (int tz = -r; tz <= r; ++tz)
        for (int tx = -r; tx <= r; ++tx)
            if (!InNearBlock(tx, tz))
                visit(tx, tz);
}

template <typename T>
void ReleaseAndClear(T*& object) {
    if (object) {
        object->Release();
        object = nullptr;
    }
}

}  // namespace

WaterSurface::WaterSurface(IDirect3DDevice9* device, UINT gridColumns, UINT gridRows, int shadingLevel)
    : gridColumns(gridColumns), gridRows(gridRows), shadingLevel(shadingLevel), device(device) {
    for (int c = 0; c < 4; ++c)
        waterColor[c] = kInitialWaterColor[c];
    // Positions and texture coordinates in stream 0, the two heights in
    // stream 1, so that the animation rewrites only the small stream.
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_POSITION, 0},
                                          {0, 8, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 0},
                                          {1, 0, D3DDECLTYPE_FLOAT2, D3DDECLMETHOD_DEFAULT, D3DDECLUSAGE_TEXCOORD, 1},
                                          D3DDECL_END()};
    // A missing declaration is not reported here: Render then draws nothing.
    if (device && FAILED(device->CreateVertexDeclaration(elements, &vertexDecl)))
        vertexDecl = nullptr;
}

WaterSurface::~WaterSurface() {
    ReleaseAndClear(cubeMap);
    ReleaseAndClear(fresnelRamp);
    ReleaseAndClear(vertexDecl);
    ReleaseAndClear(vertexShader);
    ReleaseAndClear(pixelShader);
    ReleaseGrid();
    ReleaseFrames();
    ReleaseFarTile();
}

void WaterSurface::SetEnvironment(int /*number*/) {
    ReleaseAndClear(cubeMap);
    for (int c = 0; c < 4; ++c)
        waterColor[c] = kWaterColor[c];
    heightScale = kHeightScale;
    // Without the sky the sea is still drawn, its reflection black.
    if (device &&
        FAILED(D3DXCreateCubeTextureFromResourceA(device, resourceModule, MAKEINTRESOURCEA(IDR_SKY_CUBE), &cubeMap)))
        cubeMap = nullptr;
}

bool WaterSurface::Init(float sizeX, float sizeZ, UINT frameCount) {
    if (!device)
        return false;
    CompileShaders();
    ReleaseAndClear(fresnelRamp);
    if (FAILED(
            D3DXCreateTextureFromResourceA(device, resourceModule, MAKEINTRESOURCEA(IDR_FRESNEL_RAMP), &fresnelRamp)))
        fresnelRamp = nullptr;
    tileSizeX = sizeX;
    tileSizeZ = sizeZ;
    ReleaseGrid();
    frameIndex = 0;
    if (LoadHeightFrames(frameCount) && CreateGridBuffers() && CreateIndexBuffers()) {
        FillGridBuffers();
        return true;
    }
    ReleaseGrid();
    return false;
}

void WaterSurface::CompileShaders() {
    ReleaseAndClear(vertexShader);
    ReleaseAndClear(pixelShader);
    for (int stage = 0; stage < 2; ++stage) {
        const bool vertex = stage == 0;
        const char* entry = vertex ? kVertexEntry : kPixelEntry;
        const char* profile = vertex ? kVertexProfile : kPixelProfile;
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        D3DXCompileShaderFromResourceA(resourceModule, MAKEINTRESOURCEA(IDR_WATER_HLSL), nullptr, nullptr, entry,
                                       profile, D3DXSHADER_DEBUG, &code, &errors, nullptr);
        // A system compiler that fails on the text, or whose byte code the
        // device refuses, is passed over for the byte code the build made of
        // the same text. A shader that cannot be made either way stays null;
        // Render then skips the sea.
        if (!CreateShader(vertex, code)) {
            ID3DXBuffer* built = PrecompiledShader::FromResource(resourceModule, MAKEINTRESOURCEA(IDR_WATER_HLSL),
                                                                 entry, profile, D3DXSHADER_DEBUG);
            CreateShader(vertex, built);
            if (built)
                built->Release();
        }
        if (code)
            code->Release();
        if (errors)
            errors->Release();
    }
}

bool WaterSurface::CreateShader(bool vertex, ID3DXBuffer* code) {
    if (!code)
        return false;
    const DWORD* function = static_cast<const DWORD*>(code->GetBufferPointer());
    if (vertex) {
        if (FAILED(device->CreateVertexShader(function, &vertexShader)))
            vertexShader = nullptr;
        return vertexShader != nullptr;
    }
    if (FAILED(device->CreatePixelShader(function, &pixelShader)))
        pixelShader = nullptr;
    return pixelShader != nullptr;
}

// ---------------------------------------------------------------------------
// Heightmap frames

bool WaterSurface::LoadHeightFrames(UINT frameCount) {
    ReleaseFrames();
    // The loop's wrap is fixed; any other count would bind frames that do
    // not exist.
    if (frameCount != kFrameCount || gridRows == 0 || gridColumns == 0)
        return false;
    heightTables.reserve(frameCount);
    heightTextures.reserve(frameCount);
    normalMaps.reserve(frameCount);
    for (UINT k = 0; k < frameCount; ++k) {
        IDirect3DTexture9* frame = nullptr;
        if (FAILED(d3dx::CreateRequestedTexture(device, HeightFrameRequest(resourceModule, k), &frame)) || !frame)
            return false;
        if (!BuildHeightTable(frame)) {
            frame->Release();
            return false;
        }
        heightTextures.push_back(frame);

        D3DSURFACE_DESC desc = {};
        IDirect3DTexture9* normalMap = nullptr;
        if (FAILED(frame->GetLevelDesc(0, &desc)) ||
            FAILED(D3DXCreateTexture(device, desc.Width, desc.Height, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT,
                                     &normalMap)) ||
            !normalMap)
            return false;
        const d3dx::NormalMapRequest normals = NormalMapOf(k);
        if (FAILED(
                D3DXComputeNormalMap(normalMap, frame, nullptr, normals.flags, normals.channel, normals.amplitude))) {
            normalMap->Release();
            return false;
        }
        normalMaps.push_back(normalMap);
    }
    return true;
}

void WaterSurface::AddPictureRequests(HMODULE module, d3dx::PictureRequests& requests) {
    for (UINT k = 0; k < kFrameCount; ++k) {
        requests.normalMaps.push_back(NormalMapOf(requests.textures.size()));
        requests.textures.push_back(HeightFrameRequest(module, k));
    }
}

bool WaterSurface::BuildHeightTable(IDirect3DTexture9* frame) {
    D3DSURFACE_DESC desc = {};
    if (!frame || gridRows == 0 || gridColumns == 0 || FAILED(frame->GetLevelDesc(0, &desc)) ||
        desc.Format != D3DFMT_L8 || desc.Width == 0 || desc.Height == 0)
        return false;
    const UINT stride = gridColumns + 1;
    const SIZE_T bytes = SIZE_T(stride) * (gridRows + 1) * sizeof(float);
    float* table = static_cast<float*>(HeapAlloc(GetProcessHeap(), 0, bytes));
    if (!table)
        return false;
    D3DLOCKED_RECT locked = {};
    if (FAILED(frame->LockRect(0, &locked, nullptr, D3DLOCK_READONLY)) || !locked.pBits) {
        HeapFree(GetProcessHeap(), 0, table);
        return false;
    }
    const BYTE* texels = static_cast<const BYTE*>(locked.pBits);
    const auto texel = [&](UINT row, UINT column) -> float { return texels[SIZE_T(row) * locked.Pitch + column]; };
    // One grid step in texels (256 / 60 = 4.2666... with the sizes in use).
    const float columnStep = float(gridColumns) / float(desc.Width);
    const float rowStep = float(gridRows) / float(desc.Height);
    for (UINT i = 0; i < gridRows; ++i) {
        const float y = float(i) / rowStep;
        const UINT yi = UINT(y) % desc.Height;
        const float fy = y - float(UINT(y));
        // The frames tile, so a neighbour past the last texel is the first
        // (never reached with 60 cells, whose last texel read is 252).
        const UINT yn = (yi + 1) % desc.Height;
        for (UINT j = 0; j < gridColumns; ++j) {
            const float x = float(j) / columnStep;
            const UINT xi = UINT(x) % desc.Width;
            const float fx = x - float(UINT(x));
            const UINT xn = (xi + 1) % desc.Width;
            const float top = texel(yi, xi) * (1.0f - fx) + texel(yi, xn) * fx;
            const float bottom = texel(yn, xi) * (1.0f - fx) + texel(yn, xn) * fx;
            // Truncated, not rounded: 254.99 is height 254.
            const int sample = int(top * (1.0f - fy) + bottom * fy);
            table[i * stride + j] = float(sample) * kHeightUnit;
        }
    }
    frame->UnlockRect(0);
    // The last column repeats the first and the last row the first, so the
    // edges of neighbouring tiles meet exactly.
    for (UINT i = 0; i < gridRows; ++i)
        table[i * stride + gridColumns] = table[i * stride];
    for (UINT j = 0; j <= gridColumns; ++j)
        table[gridRows * stride + j] = table[j];
    for (UINT v = 0; v < stride * (gridRows + 1); ++v)
        greatestHeight = table[v] > greatestHeight ? table[v] : greatestHeight;
    heightTables.push_back(table);
    return true;
}

void WaterSurface::WriteHeightPairs(float* out) const {
    if (heightTables.size() < kFrameCount || frameIndex >= kFrameCount) {
        ZeroMemory(out, SIZE_T(vertexCount) * kHeightVertexStride);
        return;
    }
    const float* first = heightTables[frameIndex];
    const float* second = heightTables[NextFrame(frameIndex)];
    for (UINT v = 0; v < vertexCount; ++v) {
        out[2 * v] = first[v];
        out[2 * v + 1] = second[v];
    }
}

void WaterSurface::RefreshHeightStream() {
    if (!gridHeights || heightTables.size() < kFrameCount || frameIndex >= kFrameCount)
        return;
    void* data = nullptr;
    // A failed lock keeps the previous pair until the next step.
    if (FAILED(gridHeights->Lock(0, vertexCount * kHeightVertexStride, &data, 0)) || !data)
        return;
    WriteHeightPairs(static_cast<float*>(data));
    gridHeights->Unlock();
}

void WaterSurface::ReleaseFrames() {
    for (IDirect3DTexture9* texture : heightTextures)
        texture->Release();
    for (float* table : heightTables)
        HeapFree(GetProcessHeap(), 0, table);
    for (IDirect3DTexture9* texture : normalMaps)
        texture->Release();
    heightTextures.clear();
    heightTables.clear();
    normalMaps.clear();
    greatestHeight = 0.0f;
}

// ---------------------------------------------------------------------------
// Tile geometry

bool WaterSurface::CreateGridBuffers() {
    // 16-bit indices address at most 65,536 vertices.
    const uint64_t vertices = uint64_t(gridRows + 1ull) * (gridColumns + 1ull);
    if (vertices > kMaxIndexedVertices)
        return false;
    vertexCount = UINT(vertices);
    ReleaseAndClear(gridVertices);
    ReleaseAndClear(gridHeights);
    ReleaseFarTile();
    gridVertices = NewVertexBuffer(device, vertexCount * kGridVertexStride);
    gridHeights = NewVertexBuffer(device, vertexCount * kHeightVertexStride);
    if (!gridVertices || !gridHeights)
        return false;
    farVertices = NewVertexBuffer(device, kFarTileCount * kQuadVertices * kGridVertexStride);
    farHeights = NewVertexBuffer(device, kFarTileCount * kQuadVertices * kHeightVertexStride);
    return farVertices && farHeights;
}

bool WaterSurface::CreateIndexBuffers() {
    // Each flat tile's two triangles split its quad like a grid cell.
    static const WORD kQuadSplit[kQuadIndices] = {0, 3, 1, 0, 2, 3};
    const UINT farBytes = kFarTileCount * kQuadIndices * sizeof(WORD);
    ReleaseAndClear(farIndices);
    if (FAILED(device->CreateIndexBuffer(farBytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &farIndices, nullptr)))
        farIndices = nullptr;
    if (!farIndices)
        return false;
    void* data = nullptr;
    if (FAILED(farIndices->Lock(0, farBytes, &data, 0)) || !data)
        return false;
    WORD* quad = static_cast<WORD*>(data);
    for (UINT tile = 0; tile < kFarTileCount; ++tile)
        for (WORD corner : kQuadSplit)
            *quad++ = WORD(tile * kQuadVertices + corner);
    if (FAILED(farIndices->Unlock()))
        return false;

    triangleCount = gridRows * gridColumns * 2;
    const UINT indexBytes = triangleCount * 3 * sizeof(WORD);
    ReleaseAndClear(gridIndices);
    if (FAILED(device->CreateIndexBuffer(indexBytes, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &gridIndices, nullptr)))
        gridIndices = nullptr;
    if (!gridIndices)
        return false;
    data = nullptr;
    if (FAILED(gridIndices->Lock(0, indexBytes, &data, 0)) || !data)
        return false;
    WORD* out = static_cast<WORD*>(data);
    const UINT w = gridColumns + 1;
    for (UINT i = 0; i < gridRows; ++i) {
        for (UINT j = 0; j < gridColumns; ++j) {
            const WORD a = WORD(w * i + j), b = WORD(w * i + j + 1);
            const WORD c = WORD(w * (i + 1) + j), d = WORD(w * (i + 1) + j + 1);
            *out++ = a;
            *out++ = d;
            *out++ = b;
            *out++ = a;
            *out++ = c;
            *out++ = d;
        }
    }
    return SUCCEEDED(gridIndices->Unlock());
}

HRESULT WaterSurface::FillGridBuffers() {
    const float x0 = tileSizeX * -0.5f, x1 = tileSizeX * 0.5f;
    const float z0 = tileSizeZ * -0.5f, z1 = tileSizeZ * 0.5f;
    const float width = x1 - x0, depth = z1 - z0;

    void* positions = nullptr;
    void* heights = nullptr;
    HRESULT hr = farVertices->Lock(0, kFarTileCount * kQuadVertices * kGridVertexStride, &positions, 0);
    if (FAILED(hr))
        return hr;
    hr = farHeights->Lock(0, kFarTileCount * kQuadVertices * kHeightVertexStride, &heights, 0);
    if (FAILED(hr)) {
        farVertices->Unlock();
        return hr;
    }
    // Each ring tile at its place: the same sums the vertex shader makes
    // when it adds a tile's offset, exact in single precision.
    float* p = static_cast<float*>(positions);
    float* h = static_cast<float*>(heights);
    ForEachRingTile([&](int tx, int tz) {
        const RingSpan span = SpanOf(tx, tz);
        for (int u = 0; u <= 1; ++u) {
            for (int v = 0; v <= 1; ++v) {
                // The texture runs on across the moved lines as across the tile.
                const float s = u == 0 ? span.s0 : span.s1;
                const float t = v == 0 ? span.t0 : span.t1;
                *p++ = x0 + s * width + float(tx) * tileSizeX;
                *p++ = z0 + t * depth + float(tz) * tileSizeZ;
                *p++ = s;
                *p++ = t;
                *h++ = 0.0f;
                *h++ = 0.0f;
            }
        }
    });
    farVertices->Unlock();
    farHeights->Unlock();

    hr = gridVertices->Lock(0, vertexCount * kGridVertexStride, &positions, 0);
    if (FAILED(hr))
        return hr;
    hr = gridHeights->Lock(0, vertexCount * kHeightVertexStride, &heights, 0);
    if (FAILED(hr)) {
        gridVertices->Unlock();
        return hr;
    }
    p = static_cast<float*>(positions);
    for (UINT i = 0; i <= gridRows; ++i) {
        const float u = float(i) / float(gridRows);
        for (UINT j = 0; j <= gridColumns; ++j) {
            const float v = float(j) / float(gridColumns);
            *p++ = x0 + width * u;
            *p++ = z0 + depth * v;
            *p++ = u;
            *p++ = v;
        }
    }
    WriteHeightPairs(static_cast<float*>(heights));
    gridVertices->Unlock();
    gridHeights->Unlock();
    return D3D_OK;
}

void WaterSurface::ReleaseGrid() {
    ReleaseAndClear(gridVertices);
    ReleaseAndClear(gridHeights);
    ReleaseAndClear(gridIndices);
}

void WaterSurface::ReleaseFarTile() {
    ReleaseAndClear(farVertices);
    ReleaseAndClear(farHeights);
    ReleaseAndClear(farIndices);
}

// ---------------------------------------------------------------------------
// Drawing

bool WaterSurface::ReadyToDraw(const Camera* camera) const {
    return device && camera && vertexDecl && vertexShader && pixelShader && gridVertices && gridHeights &&
           gridIndices && farVertices && farHeights && farIndices && normalMaps.size() == kFrameCount &&
           heightTables.size() == kFrameCount && frameIndex < kFrameCount;
}

void WaterSurface::SetShaderConstants(const Camera& camera) {
    const float eye[4] = {camera.eye.x, camera.eye.y, camera.eye.z, 1.0f};
    device->SetVertexShaderConstantF(kConstEye, eye, 1);
    device->SetPixelShaderConstantF(kConstEye, eye, 1);
    device->SetVertexShaderConstantF(kConstViewProjection, &camera.viewProjection._11, 4);
    const float common[4] = {1.0f, kDetailFrequency, heightScale, frameBlend};
    device->SetVertexShaderConstantF(kConstCommon, common, 1);
    device->SetVertexShaderConstantF(kConstVertexWaterColor, waterColor, 1);
    device->SetPixelShaderConstantF(kConstPixelWaterColor, waterColor, 1);
    device->SetPixelShaderConstantF(kConstCommon, common, 1);
}

void WaterSurface::Render(const RenderContext& context, float timeStep) {
    if (!ReadyToDraw(context.camera))
        return;

    animTime += timeStep;
    frameBlend = animTime * frameRate;

    device->SetSamplerState(kCubeStage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(kCubeStage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(kCubeStage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(kCubeStage, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(kCubeStage, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);
    // The normal maps from their mip chain: far off, where a pixel covers
    // many texels of the 16-times detail (and at the horizon of the 1-times
    // waves), one texel picked at random would speckle and flicker.
    for (DWORD stage : {kNormalStage, kNextNormalStage}) {
        device->SetSamplerState(stage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(stage, D3DSAMP_MIPFILTER, filterNormalMips ? D3DTEXF_LINEAR : D3DTEXF_NONE);
        device->SetSamplerState(stage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    }
    device->SetSamplerState(kRampStage, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(kRampStage, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(kRampStage, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
    device->SetSamplerState(kRampStage, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(kRampStage, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);

    device->SetTexture(kNormalStage, normalMaps[frameIndex]);
    device->SetTexture(kNextNormalStage, normalMaps[NextFrame(frameIndex)]);
    device->SetTexture(kCubeStage, cubeMap);
    device->SetTexture(kRampStage, fresnelRamp);

    device->SetVertexDeclaration(vertexDecl);
    SetShaderConstants(*context.camera);
    device->SetVertexShader(vertexShader);
    device->SetPixelShader(pixelShader);

    const SeaFrustum view(context.camera->viewProjection);
    DrawFarRing(view);
    DrawNearBlock(view);

    // The frame pair moves on only after this frame was drawn with the old one.
    if (frameBlend >= kStepThreshold) {
        animTime = 0.0f;
        if (heightScale > kMinVisibleHeightScale)
            RefreshHeightStream();
        frameIndex = uint8_t(NextFrame(frameIndex));
    }
}

void WaterSurface::DrawFarRing(const SeaFrustum& view) {
    // The flat far ring first, without depth writes: the detailed block drawn
    // next always wins where the two overlap near the horizon. Its quads
    // stand at their places already, so the tile offset stays 0.
    device->SetStreamSource(0, farVertices, 0, kGridVertexStride);
    device->SetStreamSource(1, farHeights, 0, kHeightVertexStride);
    device->SetIndices(farIndices);
    device->SetRenderState(D3DRS_ZWRITEENABLE, FALSE);
    const float inPlace[4] = {0.0f, 0.0f, 0.0f, 0.0f};
    device->SetVertexShaderConstantF(kConstSeaPosition, inPlace, 1);
    UINT tile = 0, runStart = 0, runLength = 0;
    const auto drawRun = [&] {
        if (runLength > 0)
            device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, runStart * kQuadVertices, runLength * kQuadVertices,
                                         runStart * kQuadIndices, runLength * kQuadTriangles);
        runLength = 0;
    };
    ForEachRingTile([&](int tx, int tz) {
        const float x = float(tx) * tileSizeX, z = float(tz) * tileSizeZ;
        const RingSpan span = SpanOf(tx, tz);
        const SeaBox box = {D3DXVECTOR3(x + (span.s0 - 0.5f) * tileSizeX, 0.0f, z + (span.t0 - 0.5f) * tileSizeZ),
                            D3DXVECTOR3(x + (span.s1 - 0.5f) * tileSizeX, 0.0f, z + (span.t1 - 0.5f) * tileSizeZ)};
        if (!leaveOutHidden) {
            // As the ring was drawn before the view test: every quad by a call of its own.
            runStart = tile;
            runLength = 1;
            drawRun();
        } else if (view.MayShow(box)) {
            if (runLength == 0)
                runStart = tile;
            ++runLength;
        } else {
            drawRun();
        }
        ++tile;
    });
    drawRun();
}

void WaterSurface::DrawNearBlock(const SeaFrustum& view) {
    // One static detailed tile serves every near placement; only the offset
    // constant changes between the tiles.
    device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
    device->SetStreamSource(0, gridVertices, 0, kGridVertexStride);
    device->SetStreamSource(1, gridHeights, 0, kHeightVertexStride);
    device->SetIndices(gridIndices);
    // The vertex shader only ever lowers the blended, scaled heights toward 0.
    const float top = heightScale * greatestHeight;
    const float lowest = top < 0.0f ? top : 0.0f, highest = top > 0.0f ? top : 0.0f;
    const UINT columns = gridColumns + 1;
    for (int tz = -kNearRadius; tz <= kNearRadius; ++tz) {
        for (int tx = -kNearRadius; tx <= kNearRadius; ++tx) {
            const float x = float(tx) * tileSizeX, z = float(tz) * tileSizeZ;
            const float left = x - 0.5f * tileSizeX;
            SeaBox box = {D3DXVECTOR3(left, lowest, z - 0.5f * tileSizeZ),
                          D3DXVECTOR3(x + 0.5f * tileSizeX, highest, z + 0.5f * tileSizeZ)};
            if (leaveOutHidden && !view.MayShow(box))
                continue;
            const float offset[4] = {x, 0.0f, z, 0.0f};
            device->SetVertexShaderConstantF(kConstSeaPosition, offset, 1);
            // Bands of rows (along x) in index order, each cell a quad; the
            // visible ones in runs.
            UINT runStart = 0, runRows = 0;
            const auto drawRun = [&] {
                if (runRows > 0)
                    device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, runStart * columns, (runRows + 1) * columns,
                                                 runStart * gridColumns * kQuadIndices,
                                                 runRows * gridColumns * kQuadTriangles);
                runRows = 0;
            };
            for (UINT row = 0; row < gridRows; row += kBandRows) {
                const UINT rows = gridRows - row < kBandRows ? gridRows - row : kBandRows;
                box.min.x = left + tileSizeX * float(row) / float(gridRows);
                box.max.x = left + tileSizeX * float(row + rows) / float(gridRows);
                if (!leaveOutHidden || view.MayShow(box)) {
                    if (runRows == 0)
                        runStart = row;
                    runRows += rows;
                } else {
                    drawRun();
                }
            }
            drawRun();
        }
    }
}

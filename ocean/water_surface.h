// WaterSurface: the sea. Owns the detailed tile (a grid of cells whose
// vertices carry the heights of two heightmap frames) and the flat far ring
// (one quad per tile), the thirty heightmap frames with their height tables
// and normal maps, the water shaders, the sky cube map and the Fresnel ramp.
// Render draws the detailed tile 5 x 5 times around the world origin inside
// the ring, which reaches out to 14 tiles, leaving out what lies outside the
// view, and drives the heightmap animation.
#pragma once

#include <d3d9.h>
#include "art_table.h"

namespace d3dx {
struct PictureRequests;
}

#include <cstdint>
#include <vector>

#include "ocean/sea_frustum.h"

class Camera;
struct ID3DXBuffer;
struct RenderContext;

class WaterSurface {
public:
    // The heightmap animation is a fixed loop of this many frames; the
    // successor of the last frame is the first.
    static constexpr UINT kFrameCount = ART_HEIGHTMAP_FRAMES;

    static constexpr float kFrameRate = 50.0f;  // blend units per time unit
    static constexpr float kInitialHeightScale = 3.0f;
    static constexpr float kHeightScale = 2.0f;  // world units per height-table unit
    // The blend at which the next frame pair takes over; just below 1 so
    // that 0.01 x 50 added twice in single precision always reaches it.
    static constexpr float kStepThreshold = 0.99999f;
    // Below this height scale the relief is invisible and the height stream
    // is not worth rewriting.
    static constexpr float kMinVisibleHeightScale = 0.0000001f;
    static constexpr float kNormalMapAmplitude = 3.0f;
    static constexpr float kDetailFrequency = 16.0f;  // the fine ripple's repeat per tile

    // Tiles around the origin: the near block reaches kNearRadius tiles from
    // the centre, the far ring kFarRadius.
    static constexpr int kNearRadius = 2;
    static constexpr int kFarRadius = 14;

    static constexpr UINT kGridVertexStride = 16;       // world x, z; u, v
    static constexpr UINT kHeightVertexStride = 8;      // two heights
    static constexpr UINT kMaxIndexedVertices = 65536;  // 16-bit indices

    // The far ring holds each of its flat tiles as a quad of its own, placed
    // in the world and stored in the order the ring is drawn (rows along z,
    // x within a row), so that the tiles in view draw in a few runs.
    static constexpr UINT kFarTileCount =
        (2 * kFarRadius + 1) * (2 * kFarRadius + 1) - (2 * kNearRadius + 1) * (2 * kNearRadius + 1);
    static constexpr UINT kQuadVertices = 4;
    static constexpr UINT kQuadIndices = 6;
    static constexpr UINT kQuadTriangles = 2;
    // Rows of cells in a band of the detailed tile: the part of a near tile
    // that is left out or drawn as a whole. A band's triangles are one
    // stretch of the index buffer, so the bands in view draw in one run.
    static constexpr UINT kBandRows = 10;

    WaterSurface(IDirect3DDevice9* device, UINT gridColumns, UINT gridRows, int shadingLevel);
    virtual ~WaterSurface();

    // Fixes the water colour and the height scale and loads the sky cube
    // map. Every number gives the same result.
    void SetEnvironment(int number);

    // Compiles the shaders, loads the ramp and the frames and builds the
    // grid. True when the grid was built; false leaves every detailed-tile
    // buffer released and the sea undrawn.
    bool Init(float tileSizeX, float tileSizeZ, UINT frameCount);

    // Draws the sea as the context's camera sees it and advances the
    // animation by timeStep. Draws nothing (and leaves the clock alone)
    // while the camera, the grid, the frames, the declaration or a shader is
    // missing.
    void Render(const RenderContext& context, float timeStep);

    // Steps of Init and Render.
    bool CreateGridBuffers();
    bool CreateIndexBuffers();
    HRESULT FillGridBuffers();
    void ReleaseGrid();
    bool LoadHeightFrames(UINT frameCount);
    // The frames' loads and normal maps from `module`, for the work done
    // ahead of the device.
    static void AddPictureRequests(HMODULE module, d3dx::PictureRequests& requests);
    bool BuildHeightTable(IDirect3DTexture9* frame);
    void RefreshHeightStream();
    void SetShaderConstants(const Camera& camera);
    bool ReadyToDraw(const Camera* camera) const;
    // Runs of the far ring and of each near tile's bands that may be in view
    // of the camera, each drawn with one call.
    void DrawFarRing(const SeaFrustum& view);
    void DrawNearBlock(const SeaFrustum& view);

    static UINT NextFrame(UINT frame) { return frame + 1 < kFrameCount ? frame + 1 : 0; }

    UINT gridColumns;  // cells per row, along world z and the texel columns
    UINT gridRows;     // rows of cells, along world x and the texel rows
    float tileSizeX = 0.0f;
    float tileSizeZ = 0.0f;
    float frameRate = kFrameRate;
    float heightScale = kInitialHeightScale;
    UINT triangleCount = 0;
    UINT vertexCount = 0;
    float animTime = 0.0f;
    uint8_t frameIndex = 0;
    float frameBlend = 0.0f;
    float waterColor[4];
    int shadingLevel;
    // The greatest value of any height table: with heightScale, the top of
    // the waves, which bounds the detailed tiles for the view test.
    float greatestHeight = 0.0f;
    // False draws every tile and every far quad with a call of its own, as
    // before the view test: only for comparing with it (the bench, the
    // pixel proof).
    bool leaveOutHidden = true;
    // False samples the normal maps' first level alone, as before their mip
    // filter: likewise only for comparing with it.
    bool filterNormalMips = true;

    IDirect3DDevice9* device;  // borrowed
    // Where the resources come from: null is the process's own module.
    HMODULE resourceModule = nullptr;

    IDirect3DVertexBuffer9* gridVertices = nullptr;
    IDirect3DVertexBuffer9* gridHeights = nullptr;
    IDirect3DIndexBuffer9* gridIndices = nullptr;
    IDirect3DVertexBuffer9* farVertices = nullptr;
    IDirect3DVertexBuffer9* farHeights = nullptr;
    IDirect3DIndexBuffer9* farIndices = nullptr;
    IDirect3DVertexDeclaration9* vertexDecl = nullptr;
    IDirect3DVertexShader9* vertexShader = nullptr;
    IDirect3DPixelShader9* pixelShader = nullptr;
    IDirect3DCubeTexture9* cubeMap = nullptr;
    IDirect3DTexture9* fresnelRamp = nullptr;

    std::vector<float*> heightTables;  // process-heap arrays of (gridColumns + 1) x (gridRows + 1)
    std::vector<IDirect3DTexture9*> heightTextures;
    std::vector<IDirect3DTexture9*> normalMaps;

private:
    WaterSurface(const WaterSurface&) = delete;
    WaterSurface& operator=(const WaterSurface&) = delete;

    void CompileShaders();
    // The vertex or pixel shader made from `code`; false (and null) when
    // there is no code or the device refuses it.
    bool CreateShader(bool vertex, ID3DXBuffer* code);
    void ReleaseFrames();
    void ReleaseFarTile();
    void WriteHeightPairs(float* out) const;
};

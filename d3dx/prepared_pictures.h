// Picture work done ahead of the device. While the platform makes its
// Direct3D object (the slowest step of a start, and not ours to shorten), a
// worker thread decodes the resources the scene will load, prepares their
// levels and makes the normal maps, all in memory. The texture loader and
// D3DXComputeNormalMap take from it what matches a call exactly and do the
// rest themselves as always, so the device is given the same calls and the
// same texels either way; only when the CPU work happens changes.
#pragma once

#include "d3dx/d3dx.h"
#include "d3dx/decoded_image.h"

#include <vector>

namespace d3dx {

// The arguments of one D3DXCreateTextureFromResourceExA call with an
// integer resource id. Callers make their calls from it too, so that the
// prepared work and the call cannot drift apart.
struct TextureRequest {
    HMODULE module = nullptr;  // null: the process's own module
    WORD id = 0;
    UINT width = D3DX_DEFAULT;
    UINT height = D3DX_DEFAULT;
    UINT mipLevels = D3DX_DEFAULT;
    DWORD usage = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    D3DPOOL pool = D3DPOOL_MANAGED;
    DWORD filter = D3DX_DEFAULT;
    DWORD mipFilter = D3DX_DEFAULT;
    D3DCOLOR colorKey = 0;
};

// One D3DXComputeNormalMap call whose source is the texture of
// `textures[source]` and whose target has `levels` levels (0: the full chain).
struct NormalMapRequest {
    size_t source = 0;
    UINT levels = 0;
    DWORD flags = 0;
    DWORD channel = D3DX_CHANNEL_LUMINANCE;
    float amplitude = 1.0f;
};

struct PictureRequests {
    std::vector<TextureRequest> textures;
    std::vector<NormalMapRequest> normalMaps;
};

// D3DXCreateTextureFromResourceExA with the request's arguments.
HRESULT CreateRequestedTexture(IDirect3DDevice9* device, const TextureRequest& request, IDirect3DTexture9** texture);

// Starts the worker on the requests; what was prepared before is dropped
// first. Without a thread nothing is prepared and the loaders do all the work.
void StartPreparing(PictureRequests requests);
// Waits for the worker and frees all it made.
void DropPrepared();
// The loader calls that took prepared work since the last start.
size_t PreparedTaken();

// A size, level count and format of a texture for a picture.
struct TextureShape {
    UINT width = 0;
    UINT height = 0;
    UINT levels = 0;
    D3DFORMAT format = D3DFMT_UNKNOWN;
    TexelLayout layout = TexelLayout::A8R8G8B8;
    bool operator==(const TextureShape& other) const {
        return width == other.width && height == other.height && levels == other.levels && format == other.format;
    }
};

struct PreparedTexture {
    TextureRequest request;
    DecodedImage image;
    TextureShape shape;  // as a device without limits takes it
    std::vector<ImageLevel> levels;
};

// For the loaders: the prepared texture for these arguments, or null (once
// the worker has finished; the first call waits for it).
const PreparedTexture* TakePreparedTexture(const TextureRequest& call);
// For D3DXComputeNormalMap: the levels made from these 8-bit heights with
// these arguments, or null.
const std::vector<ImageLevel>* TakePreparedNormalMap(const std::vector<uint8_t>& heights, uint32_t width,
                                                     uint32_t height, UINT levels, DWORD flags, DWORD channel,
                                                     float amplitude);

// Made by the loaders' own code, for the worker: decoding and levels
// without a device (texture_creation.cpp), and a normal map's levels from
// 8-bit heights (normal_map.cpp).
bool PrepareTexture(const TextureRequest& request, PreparedTexture& prepared);
std::vector<ImageLevel> NormalMapLevels(const std::vector<uint8_t>& heights, uint32_t width, uint32_t height,
                                        UINT levels, DWORD flags, float amplitude);

}  // namespace d3dx

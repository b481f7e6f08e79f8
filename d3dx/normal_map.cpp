// D3DXComputeNormalMap: the normal map of a heightfield.
//
// Kernel. h(x, y) is the chosen channel of the source's level 0 scaled to
// [0, 1] (texel / 255) and multiplied by the amplitude; x runs along the
// columns (u), y along the rows (v), both in texels. The slopes are central
// differences over the 3x3 neighbourhood with denominator 2:
//     dx = (h(x + 1, y) - h(x - 1, y)) / 2,   dy = (h(x, y + 1) - h(x, y - 1)) / 2
// and the normal is the unit vector n = (-dx, -dy, 1) / sqrt(dx² + dy² + 1)
// (D3DX_NORMALMAP_INVERTSIGN negates the x and y components). Beyond an edge
// the heights wrap around (flags 0), or the edge texel repeats for
// D3DX_NORMALMAP_MIRROR_U / _V. Each texel is packed as
// colour = n x 0.5 + 0.5 rounded to 8 bits: red = x (along u), green = y
// (along v), blue = z (out of the surface), alpha 255. Lower mip levels of
// the destination hold the 2x2 average of the normals above, renormalised.
#include "d3dx/normal_map.h"

#include "d3dx/d3dx.h"
#include "d3dx/texture_upload.h"

#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace d3dx {
namespace {

constexpr float kPackScale = 127.5f;   // [-1, 1] to [0, 255]: n x 127.5 + 127.5
constexpr uint32_t kOpaque = 0xFF000000u;

uint32_t Pack(float x, float y, float z) {
    const auto channel = [](float v) {
        const float c = v * kPackScale + kPackScale + 0.5f;
        return static_cast<uint32_t>(c <= 0.0f ? 0.0f : c >= 255.0f ? 255.0f : c);
    };
    return kOpaque | channel(x) << 16 | channel(y) << 8 | channel(z);
}

void Unpack(uint32_t c, float n[3]) {
    n[0] = static_cast<float>(c >> 16 & 0xFF) / kPackScale - 1.0f;
    n[1] = static_cast<float>(c >> 8 & 0xFF) / kPackScale - 1.0f;
    n[2] = static_cast<float>(c & 0xFF) / kPackScale - 1.0f;
}

}  // namespace

void ComputeNormals(const std::vector<float>& heights, uint32_t width, uint32_t height, uint32_t edges,
                    bool invertSign, std::vector<uint32_t>& packed) {
    packed.resize(static_cast<size_t>(width) * height);
    const float sign = invertSign ? 1.0f : -1.0f;
    for (uint32_t y = 0; y < height; ++y) {
        uint32_t up, down;
        if (edges & kMirrorV) {
            up = y > 0 ? y - 1 : 0;
            down = y + 1 < height ? y + 1 : height - 1;
        } else {
            up = y > 0 ? y - 1 : height - 1;
            down = y + 1 < height ? y + 1 : 0;
        }
        const float* row = heights.data() + static_cast<size_t>(y) * width;
        const float* rowUp = heights.data() + static_cast<size_t>(up) * width;
        const float* rowDown = heights.data() + static_cast<size_t>(down) * width;
        uint32_t* out = packed.data() + static_cast<size_t>(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t left, right;
            if (edges & kMirrorU) {
                left = x > 0 ? x - 1 : 0;
                right = x + 1 < width ? x + 1 : width - 1;
            } else {
                left = x > 0 ? x - 1 : width - 1;
                right = x + 1 < width ? x + 1 : 0;
            }
            const float dx = (row[right] - row[left]) * 0.5f;
            const float dy = (rowDown[x] - rowUp[x]) * 0.5f;
            const float inverseLength = 1.0f / std::sqrt(dx * dx + dy * dy + 1.0f);
            out[x] = Pack(sign * dx * inverseLength, sign * dy * inverseLength, inverseLength);
        }
    }
}

std::vector<uint32_t> NextNormalLevel(const std::vector<uint32_t>& packed, uint32_t width, uint32_t height) {
    const uint32_t w = width > 1 ? width / 2 : 1, h = height > 1 ? height / 2 : 1;
    const uint32_t sx = width > 1 ? 2 : 1, sy = height > 1 ? 2 : 1;
    std::vector<uint32_t> next(static_cast<size_t>(w) * h);
    for (uint32_t y = 0; y < h; ++y)
        for (uint32_t x = 0; x < w; ++x) {
            float sum[3] = {0, 0, 0};
            for (uint32_t j = 0; j < sy; ++j)
                for (uint32_t i = 0; i < sx; ++i) {
                    float n[3];
                    Unpack(packed[static_cast<size_t>(y * sy + j) * width + x * sx + i], n);
                    for (int k = 0; k < 3; ++k) sum[k] += n[k];
                }
            const float length = std::sqrt(sum[0] * sum[0] + sum[1] * sum[1] + sum[2] * sum[2]);
            next[static_cast<size_t>(y) * w + x] =
                length > 0.0f ? Pack(sum[0] / length, sum[1] / length, sum[2] / length) : Pack(0, 0, 1);
        }
    return next;
}

}  // namespace d3dx

namespace {

// Level 0 of the source as heights x amplitude, from the chosen channel(s):
// several channels are averaged; luminance of colour uses the BT.709 weights.
HRESULT ReadHeights(IDirect3DTexture9* source, DWORD channel, float amplitude, std::vector<float>& heights,
                    UINT& width, UINT& height) {
    D3DSURFACE_DESC desc;
    HRESULT hr = source->GetLevelDesc(0, &desc);
    if (FAILED(hr)) return hr;
    if (desc.Format != D3DFMT_L8 && desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8)
        return D3DERR_INVALIDCALL;
    width = desc.Width;
    height = desc.Height;
    D3DLOCKED_RECT locked;
    hr = source->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    heights.resize(static_cast<size_t>(width) * height);
    const float scale = amplitude / 255.0f;
    for (UINT y = 0; y < height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        float* out = heights.data() + static_cast<size_t>(y) * width;
        if (desc.Format == D3DFMT_L8) {
            for (UINT x = 0; x < width; ++x) out[x] = row[x] * scale;  // every channel of L8 is the luminance
            continue;
        }
        for (UINT x = 0; x < width; ++x) {
            const uint8_t b = row[4 * x], g = row[4 * x + 1], r = row[4 * x + 2];
            const uint8_t a = desc.Format == D3DFMT_A8R8G8B8 ? row[4 * x + 3] : 255;
            float sum = 0.0f;
            int count = 0;
            if (channel & D3DX_CHANNEL_RED) { sum += r; ++count; }
            if (channel & D3DX_CHANNEL_GREEN) { sum += g; ++count; }
            if (channel & D3DX_CHANNEL_BLUE) { sum += b; ++count; }
            if (channel & D3DX_CHANNEL_ALPHA) { sum += a; ++count; }
            if (channel & D3DX_CHANNEL_LUMINANCE) { sum += 0.2125f * r + 0.7154f * g + 0.0721f * b; ++count; }
            out[x] = count ? sum / count * scale : 0.0f;
        }
    }
    source->UnlockRect(0);
    return D3D_OK;
}

}  // namespace

extern "C" HRESULT WINAPI D3DXComputeNormalMap(LPDIRECT3DTEXTURE9 pTexture, LPDIRECT3DTEXTURE9 pSrcTexture,
                                               const PALETTEENTRY* pSrcPalette, DWORD Flags, DWORD Channel,
                                               FLOAT Amplitude) {
    (void)pSrcPalette;
    constexpr DWORD kKnownChannels = D3DX_CHANNEL_RED | D3DX_CHANNEL_GREEN | D3DX_CHANNEL_BLUE | D3DX_CHANNEL_ALPHA |
                                     D3DX_CHANNEL_LUMINANCE;
    constexpr DWORD kKnownFlags = D3DX_NORMALMAP_MIRROR | D3DX_NORMALMAP_INVERTSIGN;
    if (!pTexture || !pSrcTexture || Channel == 0 || (Channel & ~kKnownChannels) || (Flags & ~kKnownFlags) ||
        !std::isfinite(Amplitude))
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC target;
    HRESULT hr = pTexture->GetLevelDesc(0, &target);
    if (FAILED(hr)) return hr;
    if (target.Format != D3DFMT_A8R8G8B8 && target.Format != D3DFMT_X8R8G8B8) return D3DERR_INVALIDCALL;
    try {
        std::vector<float> heights;
        UINT width = 0, height = 0;
        hr = ReadHeights(pSrcTexture, Channel, Amplitude, heights, width, height);
        if (FAILED(hr)) return hr;
        if (width != target.Width || height != target.Height) return D3DERR_INVALIDCALL;

        uint32_t edges = d3dx::kWrapEdges;
        if (Flags & D3DX_NORMALMAP_MIRROR_U) edges |= d3dx::kMirrorU;
        if (Flags & D3DX_NORMALMAP_MIRROR_V) edges |= d3dx::kMirrorV;
        std::vector<uint32_t> packed;
        d3dx::ComputeNormals(heights, width, height, edges, (Flags & D3DX_NORMALMAP_INVERTSIGN) != 0, packed);

        const DWORD levelCount = pTexture->GetLevelCount();
        std::vector<d3dx::ImageLevel> levels;
        levels.reserve(levelCount);
        for (DWORD i = 0; i < levelCount; ++i) {
            if (i > 0) {
                packed = d3dx::NextNormalLevel(packed, width, height);
                width = width > 1 ? width / 2 : 1;
                height = height > 1 ? height / 2 : 1;
            }
            d3dx::ImageLevel level;
            level.width = width;
            level.height = height;
            level.texels.resize(packed.size() * 4);
            std::memcpy(level.texels.data(), packed.data(), level.texels.size());  // little-endian 0xAARRGGBB
            levels.push_back(std::move(level));
        }
        return d3dx::WriteTextureLevels(pTexture, levels, d3dx::TexelLayout::A8R8G8B8);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

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
// the destination are the box filter of the level above (2x2 averages of the
// packed texels, as the texture loader makes mip levels).
//
// Speed: with 8-bit heights the two differences are integers, and the
// normals of the small differences that smooth heightfields have are taken
// from a table made per call with the same formula.
#include "d3dx/normal_map.h"

#include "d3dx/d3dx.h"
#include "d3dx/prepared_pictures.h"
#include "d3dx/texel_processing.h"
#include "d3dx/texture_upload.h"

#include <cmath>
#include <cstring>
#include <new>
#include <utility>

namespace d3dx {
namespace {

constexpr float kPackScale = 127.5f;  // [-1, 1] to [0, 255]: n x 127.5 + 127.5
constexpr uint32_t kOpaque = 0xFF000000u;

// Rounds v in [0, 255] to the nearest integer without a float-to-integer
// conversion, which on the x87 costs two control-word changes: adding 1.5 x
// 2^23 leaves the integer in the low mantissa bits of the stored float.
uint32_t RoundToByte(float v) {
    const float shifted = (v < 0.0f ? 0.0f : v > 255.0f ? 255.0f : v) + 12582912.0f;
    uint32_t bits;
    std::memcpy(&bits, &shifted, sizeof bits);
    return bits & 0xFF;
}

uint32_t Pack(float x, float y, float z) {
    return kOpaque | RoundToByte(x * kPackScale + kPackScale) << 16 | RoundToByte(y * kPackScale + kPackScale) << 8 |
           RoundToByte(z * kPackScale + kPackScale);
}

}  // namespace

namespace {

// Neighbour indices of a texel along one side, wrapped or clamped (mirror).
inline void Neighbours(uint32_t i, uint32_t size, bool mirror, uint32_t& before, uint32_t& after) {
    if (mirror) {
        before = i > 0 ? i - 1 : 0;
        after = i + 1 < size ? i + 1 : size - 1;
    } else {
        before = i > 0 ? i - 1 : size - 1;
        after = i + 1 < size ? i + 1 : 0;
    }
}

inline uint32_t NormalOf(float dx, float dy, float sign) {
    const float inverseLength = 1.0f / std::sqrt(dx * dx + dy * dy + 1.0f);
    return Pack(sign * dx * inverseLength, sign * dy * inverseLength, inverseLength);
}

// Differences of 8-bit levels up to this size come from the table.
constexpr int kTableRadius = 24;
constexpr int kTableSide = 2 * kTableRadius + 1;

}  // namespace

void ComputeNormals(const std::vector<uint8_t>& levels, float scale, uint32_t width, uint32_t height, uint32_t edges,
                    bool invertSign, std::vector<uint32_t>& packed) {
    packed.resize(static_cast<size_t>(width) * height);
    const float sign = invertSign ? 1.0f : -1.0f;
    const float half = 0.5f * scale;
    std::vector<uint32_t> table(kTableSide * kTableSide);
    for (int dy = -kTableRadius; dy <= kTableRadius; ++dy)
        for (int dx = -kTableRadius; dx <= kTableRadius; ++dx)
            table[(dy + kTableRadius) * kTableSide + dx + kTableRadius] = NormalOf(dx * half, dy * half, sign);
    for (uint32_t y = 0; y < height; ++y) {
        uint32_t up, down;
        Neighbours(y, height, (edges & kMirrorV) != 0, up, down);
        const uint8_t* row = levels.data() + static_cast<size_t>(y) * width;
        const uint8_t* rowUp = levels.data() + static_cast<size_t>(up) * width;
        const uint8_t* rowDown = levels.data() + static_cast<size_t>(down) * width;
        uint32_t* out = packed.data() + static_cast<size_t>(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t left, right;
            Neighbours(x, width, (edges & kMirrorU) != 0, left, right);
            const int dx = row[right] - row[left];
            const int dy = rowDown[x] - rowUp[x];
            if (dx >= -kTableRadius && dx <= kTableRadius && dy >= -kTableRadius && dy <= kTableRadius)
                out[x] = table[(dy + kTableRadius) * kTableSide + dx + kTableRadius];
            else
                out[x] = NormalOf(dx * half, dy * half, sign);
        }
    }
}

void ComputeNormals(const std::vector<float>& heights, uint32_t width, uint32_t height, uint32_t edges, bool invertSign,
                    std::vector<uint32_t>& packed) {
    packed.resize(static_cast<size_t>(width) * height);
    const float sign = invertSign ? 1.0f : -1.0f;
    for (uint32_t y = 0; y < height; ++y) {
        uint32_t up, down;
        Neighbours(y, height, (edges & kMirrorV) != 0, up, down);
        const float* row = heights.data() + static_cast<size_t>(y) * width;
        const float* rowUp = heights.data() + static_cast<size_t>(up) * width;
        const float* rowDown = heights.data() + static_cast<size_t>(down) * width;
        uint32_t* out = packed.data() + static_cast<size_t>(y) * width;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t left, right;
            Neighbours(x, width, (edges & kMirrorU) != 0, left, right);
            out[x] = NormalOf((row[right] - row[left]) * 0.5f, (rowDown[x] - rowUp[x]) * 0.5f, sign);
        }
    }
}

}  // namespace d3dx

namespace {

uint32_t EdgesOf(DWORD flags) {
    uint32_t edges = d3dx::kWrapEdges;
    if (flags & D3DX_NORMALMAP_MIRROR_U)
        edges |= d3dx::kMirrorU;
    if (flags & D3DX_NORMALMAP_MIRROR_V)
        edges |= d3dx::kMirrorV;
    return edges;
}

// Level 0 from the packed normals, the others each the box filter of the one above.
std::vector<d3dx::ImageLevel> LevelsOf(const std::vector<uint32_t>& packed, uint32_t width, uint32_t height,
                                       UINT levelCount) {
    std::vector<d3dx::ImageLevel> levels(levelCount);
    levels[0].width = width;
    levels[0].height = height;
    levels[0].texels.resize(packed.size() * 4);
    std::memcpy(levels[0].texels.data(), packed.data(), levels[0].texels.size());  // little-endian 0xAARRGGBB
    for (DWORD i = 1; i < levelCount; ++i)
        levels[i] = d3dx::NextMipLevel(levels[i - 1], d3dx::TexelLayout::A8R8G8B8, d3dx::ResampleFilter::Box);
    return levels;
}

}  // namespace

std::vector<d3dx::ImageLevel> d3dx::NormalMapLevels(const std::vector<uint8_t>& heights, uint32_t width,
                                                    uint32_t height, UINT levels, DWORD flags, float amplitude) {
    std::vector<uint32_t> packed;
    ComputeNormals(heights, amplitude / 255.0f, width, height, EdgesOf(flags), (flags & D3DX_NORMALMAP_INVERTSIGN) != 0,
                   packed);
    return LevelsOf(packed, width, height, levels);
}

namespace {

// Level 0 of the source as heights: 8-bit levels when the chosen channel is
// one byte of the texel (any channel of L8, one of red, green, blue or alpha
// of colour), otherwise floats already scaled by amplitude / 255 (several
// channels are averaged; luminance of colour uses the BT.709 weights).
struct SourceHeights {
    UINT width = 0;
    UINT height = 0;
    bool bytes = false;
    std::vector<uint8_t> levels;
    std::vector<float> scaled;
};

int SingleByteChannel(D3DFORMAT format, DWORD channel) {
    if (format == D3DFMT_L8)
        return 0;
    switch (channel) {
    case D3DX_CHANNEL_BLUE: return 0;
    case D3DX_CHANNEL_GREEN: return 1;
    case D3DX_CHANNEL_RED: return 2;
    case D3DX_CHANNEL_ALPHA: return format == D3DFMT_A8R8G8B8 ? 3 : -1;
    default: return -1;
    }
}

HRESULT ReadHeights(IDirect3DTexture9* source, DWORD channel, float scale, SourceHeights& out) {
    D3DSURFACE_DESC desc;
    HRESULT hr = source->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    if (desc.Format != D3DFMT_L8 && desc.Format != D3DFMT_A8R8G8B8 && desc.Format != D3DFMT_X8R8G8B8)
        return D3DERR_INVALIDCALL;
    out.width = desc.Width;
    out.height = desc.Height;
    const int byteChannel = SingleByteChannel(desc.Format, channel);
    const size_t stride = desc.Format == D3DFMT_L8 ? 1 : 4;
    out.bytes = byteChannel >= 0;
    if (out.bytes)
        out.levels.resize(static_cast<size_t>(out.width) * out.height);
    else
        out.scaled.resize(static_cast<size_t>(out.width) * out.height);
    D3DLOCKED_RECT locked;
    hr = source->LockRect(0, &locked, nullptr, D3DLOCK_READONLY);
    if (FAILED(hr))
        return hr;
    for (UINT y = 0; y < out.height; ++y) {
        const uint8_t* row = static_cast<const uint8_t*>(locked.pBits) + static_cast<size_t>(y) * locked.Pitch;
        if (out.bytes) {
            uint8_t* dst = out.levels.data() + static_cast<size_t>(y) * out.width;
            for (UINT x = 0; x < out.width; ++x)
                dst[x] = row[x * stride + byteChannel];
            continue;
        }
        float* dst = out.scaled.data() + static_cast<size_t>(y) * out.width;
        for (UINT x = 0; x < out.width; ++x) {
            const uint8_t b = row[4 * x], g = row[4 * x + 1], r = row[4 * x + 2];
            const uint8_t a = desc.Format == D3DFMT_A8R8G8B8 ? row[4 * x + 3] : 255;
            float sum = 0.0f;
            int count = 0;
            if (channel & D3DX_CHANNEL_RED) {
                sum += r;
                ++count;
            }
            if (channel & D3DX_CHANNEL_GREEN) {
                sum += g;
                ++count;
            }
            if (channel & D3DX_CHANNEL_BLUE) {
                sum += b;
                ++count;
            }
            if (channel & D3DX_CHANNEL_ALPHA) {
                sum += a;
                ++count;
            }
            if (channel & D3DX_CHANNEL_LUMINANCE) {
                sum += 0.2125f * r + 0.7154f * g + 0.0721f * b;
                ++count;
            }
            dst[x] = count ? sum / count * scale : 0.0f;
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
    constexpr DWORD kKnownChannels =
        D3DX_CHANNEL_RED | D3DX_CHANNEL_GREEN | D3DX_CHANNEL_BLUE | D3DX_CHANNEL_ALPHA | D3DX_CHANNEL_LUMINANCE;
    constexpr DWORD kKnownFlags = D3DX_NORMALMAP_MIRROR | D3DX_NORMALMAP_INVERTSIGN;
    if (!pTexture || !pSrcTexture || Channel == 0 || (Channel & ~kKnownChannels) || (Flags & ~kKnownFlags) ||
        !std::isfinite(Amplitude))
        return D3DERR_INVALIDCALL;
    D3DSURFACE_DESC target;
    HRESULT hr = pTexture->GetLevelDesc(0, &target);
    if (FAILED(hr))
        return hr;
    if (target.Format != D3DFMT_A8R8G8B8 && target.Format != D3DFMT_X8R8G8B8)
        return D3DERR_INVALIDCALL;
    try {
        const float scale = Amplitude / 255.0f;
        SourceHeights heights;
        hr = ReadHeights(pSrcTexture, Channel, scale, heights);
        if (FAILED(hr))
            return hr;
        if (heights.width != target.Width || heights.height != target.Height)
            return D3DERR_INVALIDCALL;

        const DWORD levelCount = pTexture->GetLevelCount();
        if (heights.bytes) {
            // The worker may have made these very levels while the device was made.
            if (const auto* prepared = d3dx::TakePreparedNormalMap(heights.levels, heights.width, heights.height,
                                                                   levelCount, Flags, Channel, Amplitude))
                return d3dx::WriteTextureLevels(pTexture, *prepared, d3dx::TexelLayout::A8R8G8B8);
            return d3dx::WriteTextureLevels(
                pTexture,
                d3dx::NormalMapLevels(heights.levels, heights.width, heights.height, levelCount, Flags, Amplitude),
                d3dx::TexelLayout::A8R8G8B8);
        }
        std::vector<uint32_t> packed;
        d3dx::ComputeNormals(heights.scaled, heights.width, heights.height, EdgesOf(Flags),
                             (Flags & D3DX_NORMALMAP_INVERTSIGN) != 0, packed);
        const std::vector<d3dx::ImageLevel> levels = LevelsOf(packed, heights.width, heights.height, levelCount);
        return d3dx::WriteTextureLevels(pTexture, levels, d3dx::TexelLayout::A8R8G8B8);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

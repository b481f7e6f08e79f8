// Writing prepared levels into textures, row by row with the locked pitch.
#include "d3dx/texture_upload.h"

#include <cstring>

namespace d3dx {
namespace {

// Bytes of one row as locked (a row of 4x4 blocks for DXT3) and the number
// of such rows.
void RowsOf(TexelLayout layout, uint32_t width, uint32_t height, size_t& rowBytes, uint32_t& rows) {
    switch (layout) {
    case TexelLayout::L8:
        rowBytes = width;
        rows = height;
        return;
    case TexelLayout::Dxt3:
        rowBytes = static_cast<size_t>((width + 3) / 4) * 16;
        rows = (height + 3) / 4;
        return;
    default:
        rowBytes = static_cast<size_t>(width) * 4;
        rows = height;
        return;
    }
}

HRESULT CopyIntoLock(const D3DLOCKED_RECT& locked, const ImageLevel& level, TexelLayout layout) {
    size_t rowBytes;
    uint32_t rows;
    RowsOf(layout, level.width, level.height, rowBytes, rows);
    if (level.texels.size() < rowBytes * rows)
        return D3DERR_INVALIDCALL;
    uint8_t* dst = static_cast<uint8_t*>(locked.pBits);
    for (uint32_t r = 0; r < rows; ++r)
        std::memcpy(dst + static_cast<size_t>(r) * locked.Pitch, level.texels.data() + r * rowBytes, rowBytes);
    return D3D_OK;
}

}  // namespace

bool LayoutOfFormat(D3DFORMAT format, TexelLayout& layout) {
    switch (format) {
    case D3DFMT_L8: layout = TexelLayout::L8; return true;
    case D3DFMT_A8R8G8B8: layout = TexelLayout::A8R8G8B8; return true;
    case D3DFMT_X8R8G8B8: layout = TexelLayout::X8R8G8B8; return true;
    case D3DFMT_DXT3: layout = TexelLayout::Dxt3; return true;
    default: return false;
    }
}

D3DFORMAT FormatOfLayout(TexelLayout layout) {
    switch (layout) {
    case TexelLayout::L8: return D3DFMT_L8;
    case TexelLayout::X8R8G8B8: return D3DFMT_X8R8G8B8;
    case TexelLayout::Dxt3: return D3DFMT_DXT3;
    default: return D3DFMT_A8R8G8B8;
    }
}

bool IsLockablePool(D3DPOOL pool, DWORD usage) { return pool != D3DPOOL_DEFAULT || (usage & D3DUSAGE_DYNAMIC); }

HRESULT WriteTextureLevels(IDirect3DTexture9* texture, const std::vector<ImageLevel>& levels, TexelLayout layout) {
    D3DSURFACE_DESC desc;
    HRESULT hr = texture->GetLevelDesc(0, &desc);
    if (FAILED(hr))
        return hr;
    if (!IsLockablePool(desc.Pool, desc.Usage)) {
        // The default pool cannot be locked: fill a system-memory twin and
        // let the device copy it.
        IDirect3DDevice9* device = nullptr;
        hr = texture->GetDevice(&device);
        if (FAILED(hr))
            return hr;
        IDirect3DTexture9* staging = nullptr;
        hr = device->CreateTexture(desc.Width, desc.Height, texture->GetLevelCount(), 0, desc.Format, D3DPOOL_SYSTEMMEM,
                                   &staging, nullptr);
        if (SUCCEEDED(hr)) {
            hr = WriteTextureLevels(staging, levels, layout);
            if (SUCCEEDED(hr))
                hr = device->UpdateTexture(staging, texture);
            staging->Release();
        }
        device->Release();
        return hr;
    }
    const DWORD count = texture->GetLevelCount();
    for (DWORD i = 0; i < count && i < levels.size(); ++i) {
        D3DLOCKED_RECT locked;
        hr = texture->LockRect(i, &locked, nullptr, 0);
        if (FAILED(hr))
            return hr;
        hr = CopyIntoLock(locked, levels[i], layout);
        texture->UnlockRect(i);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

HRESULT WriteCubeFaceLevels(IDirect3DCubeTexture9* cube, D3DCUBEMAP_FACES face, const std::vector<ImageLevel>& levels,
                            TexelLayout layout) {
    const DWORD count = cube->GetLevelCount();
    for (DWORD i = 0; i < count && i < levels.size(); ++i) {
        D3DLOCKED_RECT locked;
        HRESULT hr = cube->LockRect(face, i, &locked, nullptr, 0);
        if (FAILED(hr))
            return hr;
        hr = CopyIntoLock(locked, levels[i], layout);
        cube->UnlockRect(face, i);
        if (FAILED(hr))
            return hr;
    }
    return D3D_OK;
}

}  // namespace d3dx

// Fake surfaces: their memory layout and locking.
#include "tests/support/fake_surface.h"

namespace {

bool IsBlockCompressed(D3DFORMAT format) {
    return format == D3DFMT_DXT1 || format == D3DFMT_DXT2 || format == D3DFMT_DXT3 || format == D3DFMT_DXT4 ||
           format == D3DFMT_DXT5;
}

constexpr UINT kBlockEdgePixels = 4;

UINT BitsPerPixel(D3DFORMAT format) {
    switch (format) {
    case D3DFMT_L8:
    case D3DFMT_A8:
    case D3DFMT_P8: return 8;
    case D3DFMT_R5G6B5:
    case D3DFMT_X1R5G5B5:
    case D3DFMT_A1R5G5B5:
    case D3DFMT_A4R4G4B4:
    case D3DFMT_A8L8:
    case D3DFMT_V8U8:
    case D3DFMT_L16:
    case D3DFMT_D16:
    case D3DFMT_D16_LOCKABLE:
    case D3DFMT_R16F: return 16;
    case D3DFMT_R8G8B8: return 24;
    case D3DFMT_A16B16G16R16:
    case D3DFMT_A16B16G16R16F:
    case D3DFMT_G32R32F: return 64;
    case D3DFMT_A32B32G32R32F: return 128;
    default: return 32;
    }
}

}  // namespace

UINT FakeSurface::PitchOf(D3DFORMAT format, UINT width) {
    if (IsBlockCompressed(format)) {
        const UINT blockBytes = format == D3DFMT_DXT1 ? 8 : 16;
        return (width + kBlockEdgePixels - 1) / kBlockEdgePixels * blockBytes;
    }
    return width * BitsPerPixel(format) / 8;
}

UINT FakeSurface::RowsOf(D3DFORMAT format, UINT height) {
    return IsBlockCompressed(format) ? (height + kBlockEdgePixels - 1) / kBlockEdgePixels : height;
}

FakeSurface::FakeSurface(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, IUnknown* container,
                         UINT width, UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool)
    : FakeResource(device, std::move(recorder), "Surface", D3DRTYPE_SURFACE, usage, pool, false),
      container_(container),
      width_(width),
      height_(height),
      format_(format),
      pitch_(PitchOf(format, width)),
      memory_(static_cast<size_t>(PitchOf(format, width)) * RowsOf(format, height), 0) {
    // A level lives and dies with its container; only the container counts.
    Recorder().ObjectAdopted(static_cast<IDirect3DSurface9*>(this));
}

ULONG FakeSurface::AddRef() { return container_->AddRef(); }

ULONG FakeSurface::Release() { return container_->Release(); }

HRESULT FakeSurface::GetContainer(REFIID riid, void** container) {
    return container != nullptr ? container_->QueryInterface(riid, container) : D3DERR_INVALIDCALL;
}

HRESULT FakeSurface::GetDesc(D3DSURFACE_DESC* description) {
    if (description == nullptr)
        return D3DERR_INVALIDCALL;
    description->Format = format_;
    description->Type = D3DRTYPE_SURFACE;
    description->Usage = Usage();
    description->Pool = Pool();
    description->MultiSampleType = D3DMULTISAMPLE_NONE;
    description->MultiSampleQuality = 0;
    description->Width = width_;
    description->Height = height_;
    return D3D_OK;
}

HRESULT FakeSurface::LockMemory(D3DLOCKED_RECT* locked, const RECT* rect) {
    if (locked == nullptr || locked_)
        return D3DERR_INVALIDCALL;
    size_t offset = 0;
    if (rect != nullptr) {
        if (rect->left < 0 || rect->top < 0 || rect->left >= rect->right || rect->top >= rect->bottom ||
            static_cast<UINT>(rect->right) > width_ || static_cast<UINT>(rect->bottom) > height_)
            return D3DERR_INVALIDCALL;
        offset = static_cast<size_t>(RowsOf(format_, static_cast<UINT>(rect->top) + 1) - 1) * pitch_ +
                 PitchOf(format_, static_cast<UINT>(rect->left));
    }
    locked->Pitch = static_cast<INT>(pitch_);
    locked->pBits = memory_.data() + offset;
    locked_ = true;
    return D3D_OK;
}

HRESULT FakeSurface::UnlockMemory() {
    if (!locked_)
        return D3DERR_INVALIDCALL;
    locked_ = false;
    return D3D_OK;
}

HRESULT FakeSurface::LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    CallBuilder call = Begin("LockRect");
    call.Pointer(locked).Pointer(rect).Hex(flags);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = LockMemory(locked, rect);
    return Finish(call, result);
}

HRESULT FakeSurface::UnlockRect() {
    CallBuilder call = Begin("UnlockRect");
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = UnlockMemory();
    return Finish(call, result);
}

// No GDI surface stands behind the memory.
HRESULT FakeSurface::GetDC(HDC* dc) {
    if (dc != nullptr)
        *dc = nullptr;
    return D3DERR_INVALIDCALL;
}

HRESULT FakeSurface::ReleaseDC(HDC) { return D3DERR_INVALIDCALL; }

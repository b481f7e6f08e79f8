// The fake 2D texture and its levels.
#include "tests/support/fake_texture.h"

#include <algorithm>

FakeTexture::FakeTexture(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, UINT width, UINT height,
                         UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : FakeBaseTexture(device, recorder, "Texture", D3DRTYPE_TEXTURE, std::max(width, height), levels, usage, pool) {
    for (UINT level = 0; level < levelCount_; ++level)
        levels_.push_back(new FakeSurface(device, recorder, static_cast<IDirect3DTexture9*>(this),
                                          std::max(1u, width >> level), std::max(1u, height >> level), format, usage,
                                          pool));
}

FakeTexture::~FakeTexture() {
    for (FakeSurface* level : levels_)
        delete level;
}

HRESULT FakeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* description) {
    if (level >= levels_.size())
        return D3DERR_INVALIDCALL;
    HRESULT result = levels_[level]->GetDesc(description);
    if (SUCCEEDED(result))
        description->Type = D3DRTYPE_SURFACE;
    return result;
}

HRESULT FakeTexture::GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) {
    if (surface == nullptr || level >= levels_.size())
        return D3DERR_INVALIDCALL;
    *surface = levels_[level];
    levels_[level]->AddRef();
    return D3D_OK;
}

HRESULT FakeTexture::LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) {
    CallBuilder call = Begin("LockRect");
    call.Uint(level).Pointer(locked).Pointer(rect).Hex(flags);
    HRESULT result = Planned(call);
    if (level >= levels_.size())
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        result = levels_[level]->LockMemory(locked, rect);
    return Finish(call, result);
}

HRESULT FakeTexture::UnlockRect(UINT level) {
    CallBuilder call = Begin("UnlockRect");
    call.Uint(level);
    HRESULT result = Planned(call);
    if (level >= levels_.size())
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        result = levels_[level]->UnlockMemory();
    return Finish(call, result);
}

HRESULT FakeTexture::AddDirtyRect(const RECT*) { return D3D_OK; }

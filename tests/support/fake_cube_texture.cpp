// The fake cube texture and its faces.
#include "tests/support/fake_cube_texture.h"

#include <algorithm>

FakeCubeTexture::FakeCubeTexture(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, UINT edge,
                                 UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : FakeBaseTexture(device, recorder, "CubeTexture", D3DRTYPE_CUBETEXTURE, edge, levels, usage, pool) {
    for (UINT level = 0; level < levelCount_; ++level) {
        std::array<FakeSurface*, kFaceCount> faces{};
        const UINT size = std::max(1u, edge >> level);
        for (FakeSurface*& face : faces)
            face = new FakeSurface(device, recorder, static_cast<IDirect3DCubeTexture9*>(this), size, size, format,
                                   usage, pool);
        levels_.push_back(faces);
    }
}

FakeCubeTexture::~FakeCubeTexture() {
    for (auto& faces : levels_)
        for (FakeSurface* face : faces)
            delete face;
}

FakeSurface* FakeCubeTexture::Face(D3DCUBEMAP_FACES face, UINT level) const {
    if (level >= levels_.size() || static_cast<UINT>(face) >= kFaceCount)
        return nullptr;
    return levels_[level][face];
}

HRESULT FakeCubeTexture::GetLevelDesc(UINT level, D3DSURFACE_DESC* description) {
    FakeSurface* surface = Face(D3DCUBEMAP_FACE_POSITIVE_X, level);
    return surface != nullptr ? surface->GetDesc(description) : D3DERR_INVALIDCALL;
}

HRESULT FakeCubeTexture::GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level, IDirect3DSurface9** surface) {
    FakeSurface* found = Face(face, level);
    if (surface == nullptr || found == nullptr)
        return D3DERR_INVALIDCALL;
    *surface = found;
    found->AddRef();
    return D3D_OK;
}

HRESULT FakeCubeTexture::LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                  DWORD flags) {
    CallBuilder call = Begin("LockRect");
    call.Uint(face).Uint(level).Pointer(locked).Pointer(rect).Hex(flags);
    HRESULT result = Planned(call);
    FakeSurface* surface = Face(face, level);
    if (surface == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        result = surface->LockMemory(locked, rect);
    return Finish(call, result);
}

HRESULT FakeCubeTexture::UnlockRect(D3DCUBEMAP_FACES face, UINT level) {
    CallBuilder call = Begin("UnlockRect");
    call.Uint(face).Uint(level);
    HRESULT result = Planned(call);
    FakeSurface* surface = Face(face, level);
    if (surface == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        result = surface->UnlockMemory();
    return Finish(call, result);
}

HRESULT FakeCubeTexture::AddDirtyRect(D3DCUBEMAP_FACES, const RECT*) { return D3D_OK; }

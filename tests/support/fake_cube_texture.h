// FakeCubeTexture: a cube texture, six faces of fake surfaces per level.
#pragma once

#include <array>
#include <vector>

#include "tests/support/fake_base_texture.h"
#include "tests/support/fake_surface.h"

class FakeCubeTexture : public FakeBaseTexture<IDirect3DCubeTexture9> {
public:
    static constexpr UINT kFaceCount = 6;

    FakeCubeTexture(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, UINT edge, UINT levels,
                    DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* description) override;
    HRESULT STDMETHODCALLTYPE GetCubeMapSurface(D3DCUBEMAP_FACES face, UINT level,
                                                IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DCUBEMAP_FACES face, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                                       DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(D3DCUBEMAP_FACES face, UINT level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyRect(D3DCUBEMAP_FACES face, const RECT* rect) override;

    FakeSurface* Face(D3DCUBEMAP_FACES face, UINT level) const;

protected:
    ~FakeCubeTexture() override;

private:
    std::vector<std::array<FakeSurface*, kFaceCount>> levels_;
};

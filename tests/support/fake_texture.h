// FakeTexture: a 2D texture whose levels are fake surfaces in plain memory,
// so a test can read every level the code filled.
#pragma once

#include <vector>

#include "tests/support/fake_base_texture.h"
#include "tests/support/fake_surface.h"

class FakeTexture : public FakeBaseTexture<IDirect3DTexture9> {
public:
    FakeTexture(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, UINT width, UINT height, UINT levels,
                DWORD usage, D3DFORMAT format, D3DPOOL pool);

    HRESULT STDMETHODCALLTYPE GetLevelDesc(UINT level, D3DSURFACE_DESC* description) override;
    HRESULT STDMETHODCALLTYPE GetSurfaceLevel(UINT level, IDirect3DSurface9** surface) override;
    HRESULT STDMETHODCALLTYPE LockRect(UINT level, D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect(UINT level) override;
    HRESULT STDMETHODCALLTYPE AddDirtyRect(const RECT* rect) override;

    // The level's surface (no reference added), or null.
    FakeSurface* Level(UINT level) const { return level < levels_.size() ? levels_[level] : nullptr; }

protected:
    ~FakeTexture() override;

private:
    std::vector<FakeSurface*> levels_;
};

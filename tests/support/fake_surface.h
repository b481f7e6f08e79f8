// FakeSurface: a surface in plain memory, a level of a fake texture or cube
// texture; its references belong to the texture.
#pragma once

#include <vector>

#include "tests/support/fake_resource.h"

class FakeSurface : public FakeResource<IDirect3DSurface9> {
public:
    FakeSurface(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, IUnknown* container, UINT width,
                UINT height, D3DFORMAT format, DWORD usage, D3DPOOL pool);
    ~FakeSurface() override = default;  // a container deletes its levels itself

    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE GetContainer(REFIID riid, void** container) override;
    HRESULT STDMETHODCALLTYPE GetDesc(D3DSURFACE_DESC* description) override;
    HRESULT STDMETHODCALLTYPE LockRect(D3DLOCKED_RECT* locked, const RECT* rect, DWORD flags) override;
    HRESULT STDMETHODCALLTYPE UnlockRect() override;
    HRESULT STDMETHODCALLTYPE GetDC(HDC* dc) override;
    HRESULT STDMETHODCALLTYPE ReleaseDC(HDC dc) override;

    // Locking on behalf of a texture, which records the call itself.
    HRESULT LockMemory(D3DLOCKED_RECT* locked, const RECT* rect);
    HRESULT UnlockMemory();

    UINT Width() const { return width_; }
    UINT Height() const { return height_; }
    D3DFORMAT Format() const { return format_; }
    UINT Pitch() const { return pitch_; }
    const std::vector<uint8_t>& Data() const { return memory_; }
    std::vector<uint8_t>& Data() { return memory_; }
    bool IsLocked() const { return locked_; }

    // Bytes per row and rows of `format` at the given size (block rows for
    // the compressed formats).
    static UINT PitchOf(D3DFORMAT format, UINT width);
    static UINT RowsOf(D3DFORMAT format, UINT height);

private:
    IUnknown* container_;
    UINT width_;
    UINT height_;
    D3DFORMAT format_;
    UINT pitch_;
    std::vector<uint8_t> memory_;
    bool locked_ = false;
};

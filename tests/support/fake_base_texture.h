// FakeBaseTexture: the IDirect3DBaseTexture9 part shared by the fake
// textures: level count, level of detail and mip generation filter.
#pragma once

#include <algorithm>

#include "tests/support/fake_resource.h"

template <class Interface>
class FakeBaseTexture : public FakeResource<Interface> {
public:
    FakeBaseTexture(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, const std::string& kind,
                    D3DRESOURCETYPE type, UINT edge, UINT levels, DWORD usage, D3DPOOL pool)
        : FakeResource<Interface>(device, std::move(recorder), kind, type, usage, pool),
          levelCount_(LevelsFor(edge, levels, usage)) {}

    DWORD STDMETHODCALLTYPE SetLOD(DWORD lod) override {
        const DWORD old = lod_;
        if (this->Pool() == D3DPOOL_MANAGED)
            lod_ = std::min<DWORD>(lod, levelCount_ - 1);
        return old;
    }
    DWORD STDMETHODCALLTYPE GetLOD() override { return lod_; }
    DWORD STDMETHODCALLTYPE GetLevelCount() override { return levelCount_; }
    HRESULT STDMETHODCALLTYPE SetAutoGenFilterType(D3DTEXTUREFILTERTYPE filter) override {
        if (filter == D3DTEXF_NONE)
            return D3DERR_INVALIDCALL;
        filter_ = filter;
        return D3D_OK;
    }
    D3DTEXTUREFILTERTYPE STDMETHODCALLTYPE GetAutoGenFilterType() override { return filter_; }
    void STDMETHODCALLTYPE GenerateMipSubLevels() override {
        CallBuilder call = this->Begin("GenerateMipSubLevels");
        this->Finish(call, D3D_OK);
    }

    // Levels 0 asks for the whole chain down to 1 x 1.
    static UINT LevelsFor(UINT edge, UINT levels, DWORD usage) {
        if (usage & D3DUSAGE_AUTOGENMIPMAP)
            return 1;
        UINT chain = 1;
        while (edge > 1) {
            edge /= 2;
            ++chain;
        }
        return levels == 0 ? chain : std::min(levels, chain);
    }

protected:
    bool HasInterface(REFIID riid) const override {
        return riid == __uuidof(IDirect3DBaseTexture9) || FakeResource<Interface>::HasInterface(riid);
    }

    UINT levelCount_;

private:
    DWORD lod_ = 0;
    D3DTEXTUREFILTERTYPE filter_ = D3DTEXF_LINEAR;
};

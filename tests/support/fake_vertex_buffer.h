// FakeVertexBuffer: a vertex buffer in plain memory, readable by tests.
#pragma once

#include "tests/support/fake_buffer.h"

class FakeVertexBuffer : public FakeBuffer<IDirect3DVertexBuffer9> {
public:
    FakeVertexBuffer(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, UINT length, DWORD usage,
                     DWORD fvf, D3DPOOL pool)
        : FakeBuffer(device, std::move(recorder), "VertexBuffer", D3DRTYPE_VERTEXBUFFER, length, usage, pool),
          fvf_(fvf) {}

    HRESULT STDMETHODCALLTYPE GetDesc(D3DVERTEXBUFFER_DESC* description) override {
        const HRESULT result = Describe(description, D3DFMT_VERTEXDATA);
        if (SUCCEEDED(result))
            description->FVF = fvf_;
        return result;
    }
    DWORD Fvf() const { return fvf_; }

private:
    DWORD fvf_;
};

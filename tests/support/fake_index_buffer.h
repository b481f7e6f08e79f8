// FakeIndexBuffer: an index buffer in plain memory, readable by tests.
#pragma once

#include "tests/support/fake_buffer.h"

class FakeIndexBuffer : public FakeBuffer<IDirect3DIndexBuffer9> {
public:
    FakeIndexBuffer(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, UINT length, DWORD usage,
                    D3DFORMAT format, D3DPOOL pool)
        : FakeBuffer(device, std::move(recorder), "IndexBuffer", D3DRTYPE_INDEXBUFFER, length, usage, pool),
          format_(format) {}

    HRESULT STDMETHODCALLTYPE GetDesc(D3DINDEXBUFFER_DESC* description) override {
        return Describe(description, format_);
    }
    D3DFORMAT Format() const { return format_; }

private:
    D3DFORMAT format_;
};

// FakeVertexDeclaration: keeps the elements it was created from.
#pragma once

#include <vector>

#include "tests/support/fake_object.h"

class FakeVertexDeclaration : public FakeObject<IDirect3DVertexDeclaration9> {
public:
    // `elements` ends with its D3DDECL_END entry.
    FakeVertexDeclaration(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder,
                          std::vector<D3DVERTEXELEMENT9> elements);

    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override;
    HRESULT STDMETHODCALLTYPE GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) override;

    const std::vector<D3DVERTEXELEMENT9>& Elements() const { return elements_; }

    // The elements up to and including the end marker; empty without one
    // among the first `maxElements`.
    static std::vector<D3DVERTEXELEMENT9> ReadElements(const D3DVERTEXELEMENT9* elements, size_t maxElements);

protected:
    void OnFinalRelease() override;

private:
    IDirect3DDevice9* device_;
    std::vector<D3DVERTEXELEMENT9> elements_;
};

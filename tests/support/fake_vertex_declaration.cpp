// The fake vertex declaration.
#include "tests/support/fake_vertex_declaration.h"

#include <algorithm>

namespace {
constexpr BYTE kEndStream = 0xFF;
constexpr BYTE kUnusedType = D3DDECLTYPE_UNUSED;
}  // namespace

FakeVertexDeclaration::FakeVertexDeclaration(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder,
                                             std::vector<D3DVERTEXELEMENT9> elements)
    : FakeObject(std::move(recorder), "VertexDeclaration"), device_(device), elements_(std::move(elements)) {
    device_->AddRef();
}

void FakeVertexDeclaration::OnFinalRelease() { device_->Release(); }

HRESULT FakeVertexDeclaration::GetDevice(IDirect3DDevice9** device) {
    if (device == nullptr)
        return D3DERR_INVALIDCALL;
    *device = device_;
    device_->AddRef();
    return D3D_OK;
}

HRESULT FakeVertexDeclaration::GetDeclaration(D3DVERTEXELEMENT9* elements, UINT* count) {
    if (count == nullptr)
        return D3DERR_INVALIDCALL;
    const UINT total = static_cast<UINT>(elements_.size());
    if (elements != nullptr)
        std::copy(elements_.begin(), elements_.end(), elements);
    *count = total;
    return D3D_OK;
}

std::vector<D3DVERTEXELEMENT9> FakeVertexDeclaration::ReadElements(const D3DVERTEXELEMENT9* elements,
                                                                   size_t maxElements) {
    if (elements == nullptr)
        return {};
    for (size_t i = 0; i < maxElements; ++i)
        if (elements[i].Stream == kEndStream && elements[i].Type == kUnusedType)
            return std::vector<D3DVERTEXELEMENT9>(elements, elements + i + 1);
    return {};
}

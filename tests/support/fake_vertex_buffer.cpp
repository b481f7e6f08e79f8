// The fake vertex buffer's description.
#include "tests/support/fake_vertex_buffer.h"

FakeVertexBuffer::FakeVertexBuffer(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, UINT length,
                                   DWORD usage, DWORD fvf, D3DPOOL pool)
    : FakeBuffer(device, std::move(recorder), "VertexBuffer", D3DRTYPE_VERTEXBUFFER, length, usage, pool), fvf_(fvf) {}

HRESULT FakeVertexBuffer::GetDesc(D3DVERTEXBUFFER_DESC* description) {
    if (description == nullptr)
        return D3DERR_INVALIDCALL;
    description->Format = D3DFMT_VERTEXDATA;
    description->Type = D3DRTYPE_VERTEXBUFFER;
    description->Usage = Usage();
    description->Pool = Pool();
    description->Size = Length();
    description->FVF = fvf_;
    return D3D_OK;
}

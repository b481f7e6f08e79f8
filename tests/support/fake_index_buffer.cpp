// The fake index buffer's description.
#include "tests/support/fake_index_buffer.h"

FakeIndexBuffer::FakeIndexBuffer(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, UINT length,
                                 DWORD usage, D3DFORMAT format, D3DPOOL pool)
    : FakeBuffer(device, std::move(recorder), "IndexBuffer", D3DRTYPE_INDEXBUFFER, length, usage, pool),
      format_(format) {}

HRESULT FakeIndexBuffer::GetDesc(D3DINDEXBUFFER_DESC* description) {
    if (description == nullptr)
        return D3DERR_INVALIDCALL;
    description->Format = format_;
    description->Type = D3DRTYPE_INDEXBUFFER;
    description->Usage = Usage();
    description->Pool = Pool();
    description->Size = Length();
    return D3D_OK;
}

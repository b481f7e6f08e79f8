// ID3DXBuffer objects (D3DXCreateBuffer and the compiler's results).
#include "d3dx/d3dx_buffer.h"

#include <cstring>
#include <new>

extern "C" const GUID IID_ID3DXBuffer = {0x8ba5fb08, 0x5195, 0x40e2, {0xac, 0x58, 0x0d, 0x98, 0x9c, 0x3a, 0x01, 0x02}};

D3dxBuffer* D3dxBuffer::Create(const void* bytes, size_t size) {
    D3dxBuffer* buffer = new (std::nothrow) D3dxBuffer();
    if (!buffer)
        return nullptr;
    try {
        buffer->bytes_.resize(size);
    } catch (const std::bad_alloc&) {
        delete buffer;
        return nullptr;
    }
    if (bytes && size)
        std::memcpy(buffer->bytes_.data(), bytes, size);
    return buffer;
}

D3dxBuffer* D3dxBuffer::CreateText(const std::string& text) { return Create(text.c_str(), text.size() + 1); }

HRESULT STDMETHODCALLTYPE D3dxBuffer::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ID3DXBuffer)) {
        AddRef();
        *ppvObject = static_cast<ID3DXBuffer*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE D3dxBuffer::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG STDMETHODCALLTYPE D3dxBuffer::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

LPVOID STDMETHODCALLTYPE D3dxBuffer::GetBufferPointer() { return bytes_.empty() ? nullptr : bytes_.data(); }

DWORD STDMETHODCALLTYPE D3dxBuffer::GetBufferSize() { return static_cast<DWORD>(bytes_.size()); }

extern "C" HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer) {
    if (!ppBuffer)
        return D3DERR_INVALIDCALL;
    *ppBuffer = D3dxBuffer::Create(nullptr, NumBytes);
    return *ppBuffer ? D3D_OK : E_OUTOFMEMORY;
}

// The ID3DXBuffer behind compiled shader code and error text: a
// reference-counted block of bytes.
#pragma once

#include "d3dx/d3dx.h"

#include <string>
#include <vector>

class D3dxBuffer final : public ID3DXBuffer {
public:
    // Null when memory runs out.
    static D3dxBuffer* Create(const void* bytes, size_t size);
    // The text with its terminating zero, as the compiler's messages come.
    static D3dxBuffer* CreateText(const std::string& text);

    D3dxBuffer(const D3dxBuffer&) = delete;
    D3dxBuffer& operator=(const D3dxBuffer&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;
    LPVOID STDMETHODCALLTYPE GetBufferPointer() override;
    DWORD STDMETHODCALLTYPE GetBufferSize() override;

private:
    D3dxBuffer() = default;
    ~D3dxBuffer() = default;

    LONG references_ = 1;
    std::vector<unsigned char> bytes_;
};

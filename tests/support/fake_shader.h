// FakeShader: a vertex or pixel shader that keeps a copy of its byte code,
// so that a test can see which program was bound.
#pragma once

#include <cstring>
#include <vector>

#include "tests/support/fake_object.h"

template <class Interface>
class FakeShader : public FakeObject<Interface> {
public:
    FakeShader(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, const std::string& kind,
               std::vector<DWORD> byteCode)
        : FakeObject<Interface>(std::move(recorder), kind), device_(device), byteCode_(std::move(byteCode)) {
        device_->AddRef();
    }

    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override {
        if (device == nullptr)
            return D3DERR_INVALIDCALL;
        *device = device_;
        device_->AddRef();
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetFunction(void* data, UINT* size) override {
        if (size == nullptr)
            return D3DERR_INVALIDCALL;
        const UINT bytes = static_cast<UINT>(byteCode_.size() * sizeof(DWORD));
        if (data == nullptr) {
            *size = bytes;
            return D3D_OK;
        }
        if (*size < bytes)
            return D3DERR_INVALIDCALL;
        std::memcpy(data, byteCode_.data(), bytes);
        *size = bytes;
        return D3D_OK;
    }

    const std::vector<DWORD>& ByteCode() const { return byteCode_; }

    // The tokens of a shader from its version token up to and including the
    // end token; empty if the code is not of the expected kind or has no end
    // within `maxTokens`.
    static std::vector<DWORD> ReadByteCode(const DWORD* code, DWORD versionPrefix, size_t maxTokens) {
        constexpr DWORD kEndToken = 0x0000FFFF;
        constexpr DWORD kCommentOpcode = 0xFFFE;
        if (code == nullptr || (code[0] & 0xFFFF0000u) != versionPrefix)
            return {};
        size_t at = 1;
        while (at < maxTokens) {
            const DWORD token = code[at];
            if (token == kEndToken)
                return std::vector<DWORD>(code, code + at + 1);
            if ((token & 0xFFFF) == kCommentOpcode)
                at += ((token >> 16) & 0x7FFF);
            ++at;
        }
        return {};
    }

protected:
    void OnFinalRelease() override { device_->Release(); }

private:
    IDirect3DDevice9* device_;
    std::vector<DWORD> byteCode_;
};

using FakeVertexShader = FakeShader<IDirect3DVertexShader9>;
using FakePixelShader = FakeShader<IDirect3DPixelShader9>;

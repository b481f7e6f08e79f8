// FakeBuffer: the memory and locking shared by the fake vertex and index
// buffers. Lock hands out real memory so that a test can read what the code
// wrote; every Lock and Unlock is recorded and can be made to fail.
#pragma once

#include <vector>

#include "tests/support/d3d_names.h"
#include "tests/support/fake_resource.h"

template <class Interface>
class FakeBuffer : public FakeResource<Interface> {
public:
    FakeBuffer(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, const std::string& kind,
               D3DRESOURCETYPE type, UINT length, DWORD usage, D3DPOOL pool)
        : FakeResource<Interface>(device, std::move(recorder), kind, type, usage, pool), memory_(length, 0) {}

    HRESULT STDMETHODCALLTYPE Lock(UINT offset, UINT size, void** data, DWORD flags) override {
        CallBuilder call = this->Begin("Lock");
        call.Uint(offset).Uint(size).Pointer(data).Hex(flags);
        HRESULT result = this->Planned(call);
        if (data == nullptr)
            result = D3DERR_INVALIDCALL;
        else if (size == 0 && offset > memory_.size())
            result = D3DERR_INVALIDCALL;  // a size of 0 locks from the offset to the end
        else if (size != 0 && (offset > memory_.size() || size > memory_.size() - offset))
            result = D3DERR_INVALIDCALL;
        if (SUCCEEDED(result)) {
            *data = memory_.data() + offset;
            ++lockDepth_;
            ++lockCount_;
        } else if (data != nullptr) {
            *data = nullptr;
        }
        return this->Finish(call, result);
    }
    HRESULT STDMETHODCALLTYPE Unlock() override {
        CallBuilder call = this->Begin("Unlock");
        HRESULT result = this->Planned(call);
        if (lockDepth_ == 0)
            result = D3DERR_INVALIDCALL;
        else if (SUCCEEDED(result))
            --lockDepth_;
        return this->Finish(call, result);
    }

    // The description both kinds of buffer give: `format`, the resource type,
    // usage, pool and size.
    template <class Description>
    HRESULT Describe(Description* description, D3DFORMAT format) {
        if (description == nullptr)
            return D3DERR_INVALIDCALL;
        description->Format = format;
        description->Type = this->GetType();
        description->Usage = this->Usage();
        description->Pool = this->Pool();
        description->Size = Length();
        return D3D_OK;
    }

    // What the code wrote.
    const std::vector<uint8_t>& Data() const { return memory_; }
    std::vector<uint8_t>& Data() { return memory_; }
    UINT Length() const { return static_cast<UINT>(memory_.size()); }
    bool IsLocked() const { return lockDepth_ != 0; }
    unsigned LockCount() const { return lockCount_; }

protected:
    std::vector<uint8_t> memory_;
    unsigned lockDepth_ = 0;
    unsigned lockCount_ = 0;
};

// FakeResource: the IDirect3DResource9 part shared by the fake buffers,
// textures and surfaces: the device back-reference (held, as Direct3D
// holds it, until the last reference goes), private data and priority.
#pragma once

#include <cstring>
#include <map>
#include <vector>

#include "tests/support/fake_object.h"

template <class Interface>
class FakeResource : public FakeObject<Interface> {
public:
    FakeResource(IDirect3DDevice9* device, std::shared_ptr<CallRecorder> recorder, const std::string& kind,
                 D3DRESOURCETYPE type, DWORD usage, D3DPOOL pool, bool holdsDevice = true)
        : FakeObject<Interface>(std::move(recorder), kind),
          device_(device),
          holdsDevice_(holdsDevice && device != nullptr),
          type_(type),
          usage_(usage),
          pool_(pool) {
        if (holdsDevice_)
            device_->AddRef();
    }

    HRESULT STDMETHODCALLTYPE GetDevice(IDirect3DDevice9** device) override {
        if (device == nullptr)
            return D3DERR_INVALIDCALL;
        *device = device_;
        if (device_ != nullptr)
            device_->AddRef();
        return device_ != nullptr ? D3D_OK : D3DERR_INVALIDCALL;
    }
    HRESULT STDMETHODCALLTYPE SetPrivateData(REFGUID guid, const void* data, DWORD size, DWORD) override {
        if (data == nullptr && size != 0)
            return D3DERR_INVALIDCALL;
        const auto* bytes = static_cast<const uint8_t*>(data);
        privateData_[Key(guid)] = std::vector<uint8_t>(bytes, bytes + size);
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE GetPrivateData(REFGUID guid, void* data, DWORD* size) override {
        if (size == nullptr)
            return D3DERR_INVALIDCALL;
        const auto found = privateData_.find(Key(guid));
        if (found == privateData_.end())
            return D3DERR_NOTFOUND;
        const DWORD needed = static_cast<DWORD>(found->second.size());
        if (data == nullptr || *size < needed) {
            *size = needed;
            return D3DERR_MOREDATA;
        }
        if (needed != 0)
            std::memcpy(data, found->second.data(), needed);
        *size = needed;
        return D3D_OK;
    }
    HRESULT STDMETHODCALLTYPE FreePrivateData(REFGUID guid) override {
        return privateData_.erase(Key(guid)) != 0 ? D3D_OK : D3DERR_NOTFOUND;
    }
    DWORD STDMETHODCALLTYPE SetPriority(DWORD priority) override {
        const DWORD old = priority_;
        if (pool_ == D3DPOOL_MANAGED)
            priority_ = priority;
        return old;
    }
    DWORD STDMETHODCALLTYPE GetPriority() override { return priority_; }
    void STDMETHODCALLTYPE PreLoad() override {}
    D3DRESOURCETYPE STDMETHODCALLTYPE GetType() override { return type_; }

    DWORD Usage() const { return usage_; }
    D3DPOOL Pool() const { return pool_; }

protected:
    bool HasInterface(REFIID riid) const override {
        return riid == __uuidof(IDirect3DResource9) || FakeObject<Interface>::HasInterface(riid);
    }
    void OnFinalRelease() override {
        if (holdsDevice_) {
            holdsDevice_ = false;
            device_->Release();
        }
    }

    IDirect3DDevice9* device_;

private:
    static std::string Key(REFGUID guid) { return std::string(reinterpret_cast<const char*>(&guid), sizeof guid); }

    bool holdsDevice_;
    D3DRESOURCETYPE type_;
    DWORD usage_;
    D3DPOOL pool_;
    DWORD priority_ = 0;
    std::map<std::string, std::vector<uint8_t>> privateData_;
};

// FakeObject: IUnknown of every fake Direct3D object. It counts references
// and bindings separately, registers itself with the shared CallRecorder
// while the code under test holds a reference, and deletes itself when both
// counts are back to zero.
#pragma once

#include <memory>
#include <string>

#include "tests/support/call_builder.h"
#include "tests/support/call_recorder.h"
#include "tests/support/fake_bindable.h"

template <class Interface>
class FakeObject : public Interface, public FakeBindable {
public:
    FakeObject(std::shared_ptr<CallRecorder> recorder, const std::string& kind) : recorder_(std::move(recorder)) {
        recorder_->ObjectCreated(static_cast<Interface*>(this), kind);
    }
    FakeObject(const FakeObject&) = delete;
    FakeObject& operator=(const FakeObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** object) override {
        if (object == nullptr)
            return E_POINTER;
        if (riid == kFakeBindableIid) {
            *object = static_cast<FakeBindable*>(this);
            return S_OK;
        }
        if (HasInterface(riid)) {
            *object = static_cast<Interface*>(this);
            AddRef();
            return S_OK;
        }
        *object = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override {
        // An object kept only by a binding can be handed out again (GetTexture...).
        if (references_ == 0)
            recorder_->ObjectRevived(static_cast<Interface*>(this));
        return ++references_;
    }
    ULONG STDMETHODCALLTYPE Release() override {
        if (references_ == 0) {
            recorder_->OverReleased(static_cast<Interface*>(this));
            return 0;
        }
        // Read before the object may be gone.
        const ULONG left = --references_;
        if (left == 0) {
            recorder_->ObjectReleased(static_cast<Interface*>(this));
            OnFinalRelease();
            DeleteIfUnused();
        }
        return left;
    }

    void AddBinding() override { ++bindings_; }
    void RemoveBinding() override {
        if (bindings_ > 0 && --bindings_ == 0)
            DeleteIfUnused();
    }

    std::string Name() const { return recorder_->NameOf(static_cast<const Interface*>(this)); }
    CallRecorder& Recorder() const { return *recorder_; }
    const std::shared_ptr<CallRecorder>& SharedRecorder() const { return recorder_; }

protected:
    virtual ~FakeObject() = default;
    virtual bool HasInterface(REFIID riid) const { return riid == IID_IUnknown || riid == __uuidof(Interface); }
    // Runs when the last reference goes, while bindings may keep the object.
    virtual void OnFinalRelease() {}
    // How the log names the object; the device leaves it out.
    virtual std::string LogName() const { return Name(); }

    CallBuilder Begin(const char* method) const { return CallBuilder(*recorder_, LogName(), method); }
    // Counts the call and tells whether a planned fault makes it fail.
    HRESULT Planned(const CallBuilder& call) { return recorder_->NextResult(call.Method()); }
    HRESULT Finish(CallBuilder& call, HRESULT result) {
        recorder_->Record(call.Finish(result));
        return result;
    }

private:
    void DeleteIfUnused() {
        if (references_ == 0 && bindings_ == 0)
            delete this;
    }

    std::shared_ptr<CallRecorder> recorder_;
    ULONG references_ = 1;
    ULONG bindings_ = 0;
};

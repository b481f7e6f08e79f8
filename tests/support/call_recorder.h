// CallRecorder: the shared memory of a recording Direct3D set-up. The fake
// Direct3D object, its device and every resource they create write each call
// into one ordered log, ask it whether a call is to fail, and register here
// while a test still holds a reference to them, so that a test can assert
// that a whole run leaked nothing.
#pragma once

#include <d3d9.h>

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <vector>

// One call as the code under test made it.
struct RecordedCall {
    std::string object;          // "" for the device, else e.g. "VertexBuffer#2"
    std::string method;          // "SetRenderState", "Lock", ...
    std::vector<uint64_t> args;  // integers, float bits, pointers: in call order
    std::vector<float> floats;   // the data behind float pointers (matrices, constants)
    std::string text;            // readable form: "SetRenderState(D3DRS_ZENABLE, 0)"
    HRESULT result = D3D_OK;
};

std::ostream& operator<<(std::ostream& out, const RecordedCall& call);

class CallRecorder {
public:
    CallRecorder() = default;
    CallRecorder(const CallRecorder&) = delete;
    CallRecorder& operator=(const CallRecorder&) = delete;

    // The log.
    void Record(RecordedCall call);
    const std::vector<RecordedCall>& Calls() const { return calls_; }
    std::vector<RecordedCall> CallsTo(const std::string& method) const;
    size_t CountOf(const std::string& method) const;
    // The readable texts of every call, or of the calls to the given methods.
    std::vector<std::string> Texts() const;
    std::vector<std::string> TextsOf(const std::vector<std::string>& methods) const;
    std::string Dump() const;
    void ClearCalls() { calls_.clear(); }

    // Faults. Calls are counted per method name from the recorder's creation,
    // the first call being 1, across every object that has that method.
    void FailCall(const std::string& method, unsigned nth, HRESULT result = D3DERR_INVALIDCALL);
    void FailCallsFrom(const std::string& method, unsigned nth, HRESULT result = D3DERR_INVALIDCALL);
    // TestCooperativeLevel answers `result` once `frame` frames have been
    // presented (0: from the start).
    void LoseDeviceFromFrame(unsigned frame, HRESULT result = D3DERR_DEVICELOST);
    // Counts the call and says how it is to end: D3D_OK or the planned failure.
    HRESULT NextResult(const std::string& method);
    unsigned CallCount(const std::string& method) const;
    void FramePresented() { ++presentedFrames_; }
    HRESULT CooperativeLevel() const;

    // Objects that a test still holds a reference to.
    void ObjectCreated(const void* object, const std::string& kind);
    void ObjectReleased(const void* object);
    void ObjectRevived(const void* object);
    // A part of another object (a texture level): named, but not counted.
    void ObjectAdopted(const void* object);
    // The name given at creation, kept after release for readable logs.
    std::string NameOf(const void* object) const;
    size_t LiveObjectCount() const { return live_.size(); }
    std::vector<std::string> LiveObjectNames() const;
    size_t CreatedObjectCount() const { return createdCount_; }
    // Release calls on an object that had no reference left (while a
    // binding still kept it); each is a fault of the code under test.
    void OverReleased(const void* object) { overReleases_.push_back(NameOf(object)); }
    const std::vector<std::string>& OverReleases() const { return overReleases_; }

    // Calls to methods that no fake emulates, by name. Each fails the test
    // that made it: programs built with GoogleTest set a reporter that fails
    // the running test at once (see unexpected_call_failure.cpp); other
    // programs check the list themselves.
    using UnexpectedCallReporter = void (*)(const std::string& method);
    static void ReportUnexpectedCallsTo(UnexpectedCallReporter reporter);
    void Unexpected(const std::string& method);
    const std::vector<std::string>& UnexpectedCalls() const { return unexpected_; }

private:
    struct Fault {
        unsigned first;
        bool onward;
        HRESULT result;
    };

    std::vector<RecordedCall> calls_;
    std::map<std::string, std::vector<Fault>> faults_;
    std::map<std::string, unsigned> callCounts_;
    unsigned presentedFrames_ = 0;
    bool deviceLossPlanned_ = false;
    unsigned lostFromFrame_ = 0;
    HRESULT lostResult_ = D3D_OK;
    std::map<const void*, std::string> live_;
    std::map<const void*, std::string> names_;
    std::map<std::string, unsigned> kindCounts_;
    size_t createdCount_ = 0;
    std::vector<std::string> overReleases_;
    std::vector<std::string> unexpected_;
};

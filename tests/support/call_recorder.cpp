// The shared call log, fault plan and live-object register of the fakes.
#include "tests/support/call_recorder.h"

#include <algorithm>
#include <sstream>

namespace {
CallRecorder::UnexpectedCallReporter unexpectedCallReporter = nullptr;
}  // namespace

std::ostream& operator<<(std::ostream& out, const RecordedCall& call) {
    out << call.text;
    if (call.result != D3D_OK)
        out << " -> 0x" << std::hex << static_cast<uint32_t>(call.result) << std::dec;
    return out;
}

void CallRecorder::Record(RecordedCall call) { calls_.push_back(std::move(call)); }

std::vector<RecordedCall> CallRecorder::CallsTo(const std::string& method) const {
    std::vector<RecordedCall> found;
    for (const RecordedCall& call : calls_)
        if (call.method == method)
            found.push_back(call);
    return found;
}

size_t CallRecorder::CountOf(const std::string& method) const {
    return static_cast<size_t>(
        std::count_if(calls_.begin(), calls_.end(), [&](const RecordedCall& call) { return call.method == method; }));
}

std::vector<std::string> CallRecorder::Texts() const {
    std::vector<std::string> texts;
    for (const RecordedCall& call : calls_)
        texts.push_back(call.text);
    return texts;
}

std::vector<std::string> CallRecorder::TextsOf(const std::vector<std::string>& methods) const {
    std::vector<std::string> texts;
    for (const RecordedCall& call : calls_)
        if (std::find(methods.begin(), methods.end(), call.method) != methods.end())
            texts.push_back(call.text);
    return texts;
}

std::string CallRecorder::Dump() const {
    std::ostringstream out;
    for (size_t i = 0; i < calls_.size(); ++i)
        out << i << ": " << calls_[i] << '\n';
    return out.str();
}

void CallRecorder::FailCall(const std::string& method, unsigned nth, HRESULT result) {
    faults_[method].push_back(Fault{nth, false, result});
}

void CallRecorder::FailCallsFrom(const std::string& method, unsigned nth, HRESULT result) {
    faults_[method].push_back(Fault{nth, true, result});
}

void CallRecorder::LoseDeviceFromFrame(unsigned frame, HRESULT result) {
    deviceLossPlanned_ = true;
    lostFromFrame_ = frame;
    lostResult_ = result;
}

HRESULT CallRecorder::NextResult(const std::string& method) {
    const unsigned count = ++callCounts_[method];
    const auto planned = faults_.find(method);
    if (planned == faults_.end())
        return D3D_OK;
    for (const Fault& fault : planned->second)
        if (count == fault.first || (fault.onward && count > fault.first))
            return fault.result;
    return D3D_OK;
}

unsigned CallRecorder::CallCount(const std::string& method) const {
    const auto found = callCounts_.find(method);
    return found == callCounts_.end() ? 0 : found->second;
}

HRESULT CallRecorder::CooperativeLevel() const {
    if (deviceLossPlanned_ && presentedFrames_ >= lostFromFrame_)
        return lostResult_;
    return D3D_OK;
}

void CallRecorder::ObjectCreated(const void* object, const std::string& kind) {
    const std::string name = kind + "#" + std::to_string(++kindCounts_[kind]);
    live_[object] = name;
    names_[object] = name;
    ++createdCount_;
}

void CallRecorder::ObjectReleased(const void* object) { live_.erase(object); }

void CallRecorder::ObjectAdopted(const void* object) {
    if (live_.erase(object) != 0)
        --createdCount_;
}

void CallRecorder::ObjectRevived(const void* object) { live_[object] = NameOf(object); }

std::string CallRecorder::NameOf(const void* object) const {
    if (object == nullptr)
        return "NULL";
    const auto found = names_.find(object);
    if (found != names_.end())
        return found->second;
    std::ostringstream out;
    out << "foreign@" << object;
    return out.str();
}

std::vector<std::string> CallRecorder::LiveObjectNames() const {
    std::vector<std::string> names;
    for (const auto& entry : live_)
        names.push_back(entry.second);
    std::sort(names.begin(), names.end());
    return names;
}

void CallRecorder::ReportUnexpectedCallsTo(UnexpectedCallReporter reporter) { unexpectedCallReporter = reporter; }

void CallRecorder::Unexpected(const std::string& method) {
    unexpected_.push_back(method);
    if (unexpectedCallReporter != nullptr)
        unexpectedCallReporter(method);
}

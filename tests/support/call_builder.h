// CallBuilder: turns one call and its arguments into a RecordedCall, keeping
// both the raw values (for assertions) and a readable text (for the output
// of a failing test).
#pragma once

#include <cstdint>
#include <string>

#include "tests/support/call_recorder.h"

class CallBuilder {
public:
    CallBuilder(const CallRecorder& recorder, std::string object, std::string method);

    CallBuilder& Int(int64_t value);
    CallBuilder& Uint(uint64_t value);
    CallBuilder& Hex(uint32_t value);
    // A state value: decimal when small, hexadecimal when it looks like a
    // colour, a mask or float bits.
    CallBuilder& Value(uint32_t value);
    CallBuilder& Float(float value);  // kept as its bits
    CallBuilder& Bool(BOOL value);
    // An enumerated value shown by name, kept as its number.
    CallBuilder& Named(uint64_t value, const std::string& name);
    CallBuilder& Object(const void* object);                 // shown by the fake's name
    CallBuilder& Pointer(const void* pointer);               // shown as NULL or "ptr"
    CallBuilder& Floats(const float* values, size_t count);  // also kept in `floats`

    const std::string& Method() const { return call_.method; }
    RecordedCall Finish(HRESULT result);

private:
    void Append(uint64_t raw, const std::string& text);

    const CallRecorder& recorder_;
    RecordedCall call_;
    std::string arguments_;
};

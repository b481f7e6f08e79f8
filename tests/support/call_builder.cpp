// Formatting of recorded calls.
#include "tests/support/call_builder.h"

#include <cstdio>
#include <cstring>

CallBuilder::CallBuilder(const CallRecorder& recorder, std::string object, std::string method) : recorder_(recorder) {
    call_.object = std::move(object);
    call_.method = std::move(method);
}

void CallBuilder::Append(uint64_t raw, const std::string& text) {
    call_.args.push_back(raw);
    if (!arguments_.empty())
        arguments_ += ", ";
    arguments_ += text;
}

CallBuilder& CallBuilder::Int(int64_t value) {
    Append(static_cast<uint64_t>(value), std::to_string(value));
    return *this;
}

CallBuilder& CallBuilder::Uint(uint64_t value) {
    Append(value, std::to_string(value));
    return *this;
}

CallBuilder& CallBuilder::Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(value));
    Append(value, text);
    return *this;
}

CallBuilder& CallBuilder::Value(uint32_t value) {
    constexpr uint32_t kLargestDecimal = 0xFFFF;
    return value <= kLargestDecimal ? Uint(value) : Hex(value);
}

CallBuilder& CallBuilder::Float(float value) {
    uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    Append(bits, text);
    return *this;
}

CallBuilder& CallBuilder::Bool(BOOL value) {
    Append(static_cast<uint32_t>(value), value == FALSE ? "FALSE" : value == TRUE ? "TRUE" : std::to_string(value));
    return *this;
}

CallBuilder& CallBuilder::Named(uint64_t value, const std::string& name) {
    Append(value, name);
    return *this;
}

CallBuilder& CallBuilder::Object(const void* object) {
    Append(reinterpret_cast<uintptr_t>(object), recorder_.NameOf(object));
    return *this;
}

CallBuilder& CallBuilder::Pointer(const void* pointer) {
    Append(reinterpret_cast<uintptr_t>(pointer), pointer == nullptr ? "NULL" : "ptr");
    return *this;
}

CallBuilder& CallBuilder::Floats(const float* values, size_t count) {
    if (values == nullptr) {
        Append(0, "NULL");
        return *this;
    }
    std::string text = "{";
    for (size_t i = 0; i < count; ++i) {
        char number[32];
        std::snprintf(number, sizeof number, "%s%g", i == 0 ? "" : " ", static_cast<double>(values[i]));
        text += number;
        call_.floats.push_back(values[i]);
    }
    Append(reinterpret_cast<uintptr_t>(values), text + "}");
    return *this;
}

RecordedCall CallBuilder::Finish(HRESULT result) {
    call_.result = result;
    call_.text = (call_.object.empty() ? "" : call_.object + "->") + call_.method + "(" + arguments_ + ")";
    return std::move(call_);
}

// The independent implementation our library is checked against: Wine's
// d3dx9_43.dll, loaded at run time by the tests (it is part of the Wine
// prefix). Entry points are looked up by name; a missing one is null.
#pragma once

#include "d3dx/d3dx.h"

#include <cstdint>
#include <cstring>

class ReferenceD3dx {
public:
    ReferenceD3dx();
    ~ReferenceD3dx();
    ReferenceD3dx(const ReferenceD3dx&) = delete;
    ReferenceD3dx& operator=(const ReferenceD3dx&) = delete;

    bool Loaded() const { return module_ != nullptr; }
    HMODULE Module() const { return module_; }

    template <typename Function>
    Function Get(const char* name) const {
        return module_ ? reinterpret_cast<Function>(reinterpret_cast<void*>(GetProcAddress(module_, name))) : nullptr;
    }

private:
    HMODULE module_ = nullptr;
};

// Distance in units in the last place between two floats (0 for equal
// values, including +0 and -0).
inline uint32_t UlpDistance(float a, float b) {
    if (a == b)
        return 0;
    int32_t ia, ib;
    std::memcpy(&ia, &a, sizeof ia);
    std::memcpy(&ib, &b, sizeof ib);
    if (ia < 0)
        ia = INT32_MIN - ia;  // map to a monotonic integer line
    if (ib < 0)
        ib = INT32_MIN - ib;
    const int64_t d = static_cast<int64_t>(ia) - static_cast<int64_t>(ib);
    return static_cast<uint32_t>(d < 0 ? -d : d);
}

// Close within maxUlps, or within an absolute epsilon for results that
// cancel to almost zero (where the ULP count says nothing).
inline bool FloatsAgree(float a, float b, uint32_t maxUlps = 4, float absolute = 1e-6f) {
    if (UlpDistance(a, b) <= maxUlps)
        return true;
    const float d = a > b ? a - b : b - a;
    return d <= absolute;
}

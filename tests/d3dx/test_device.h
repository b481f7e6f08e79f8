// A windowed Direct3D 9 device for the tests (under Xvfb it runs on Mesa's
// software rasteriser through Wine), on a hidden window of its own.
#pragma once

#include <d3d9.h>

class TestDevice {
public:
    TestDevice();
    ~TestDevice();
    TestDevice(const TestDevice&) = delete;
    TestDevice& operator=(const TestDevice&) = delete;

    IDirect3DDevice9* Get() const { return device_; }

private:
    HWND window_ = nullptr;
    IDirect3D9* direct3d_ = nullptr;
    IDirect3DDevice9* device_ = nullptr;
};

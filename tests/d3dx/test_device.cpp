// Creation of the tests' windowed device.
#include "tests/d3dx/test_device.h"

namespace {
constexpr UINT kSide = 64;  // back buffer: the tests never look at it
const char kWindowClass[] = "D3dxTestDeviceWindow";
}  // namespace

TestDevice::TestDevice() {
    WNDCLASSA wc = {};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = kWindowClass;
    RegisterClassA(&wc);  // fails harmlessly when already registered
    window_ = CreateWindowA(kWindowClass, "d3dx test", WS_OVERLAPPEDWINDOW, 0, 0, kSide, kSide, nullptr, nullptr,
                            wc.hInstance, nullptr);
    direct3d_ = Direct3DCreate9(D3D_SDK_VERSION);
    if (!window_ || !direct3d_)
        return;
    D3DPRESENT_PARAMETERS pp = {};
    pp.BackBufferWidth = kSide;
    pp.BackBufferHeight = kSide;
    pp.BackBufferFormat = D3DFMT_UNKNOWN;
    pp.BackBufferCount = 1;
    pp.SwapEffect = D3DSWAPEFFECT_DISCARD;
    pp.hDeviceWindow = window_;
    pp.Windowed = TRUE;
    if (FAILED(direct3d_->CreateDevice(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, window_, D3DCREATE_SOFTWARE_VERTEXPROCESSING,
                                       &pp, &device_)))
        device_ = nullptr;
}

TestDevice::~TestDevice() {
    if (device_)
        device_->Release();
    if (direct3d_)
        direct3d_->Release();
    if (window_)
        DestroyWindow(window_);
}

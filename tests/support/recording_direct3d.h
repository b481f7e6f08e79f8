// RecordingDirect3D: a fake IDirect3D9 with one adapter, for testing the
// device set-up paths: its capabilities (the pixel-shader version above all)
// are chosen by the test, GetDeviceCaps and CreateDevice can be made to fail
// through the shared CallRecorder, and the devices it creates are
// RecordingDevices sharing that recorder.
#pragma once

#include <memory>

#include "tests/support/fake_object.h"

class RecordingDevice;

class RecordingDirect3D : public FakeObject<IDirect3D9> {
public:
    static constexpr UINT kAdapterCount = 1;
    static constexpr UINT kDesktopWidth = 1280;
    static constexpr UINT kDesktopHeight = 1024;
    static constexpr UINT kDesktopRefreshHz = 60;

    // An object with one reference.
    static RecordingDirect3D* Create(std::shared_ptr<CallRecorder> recorder = std::make_shared<CallRecorder>());

    explicit RecordingDirect3D(std::shared_ptr<CallRecorder> recorder);

    // What the test chooses.
    void SetPixelShaderVersion(DWORD version) { caps_.PixelShaderVersion = version; }
    D3DDISPLAYMODE& DesktopMode() { return desktopMode_; }
    // CreateDevice with any of these behaviour flags fails with
    // D3DERR_NOTAVAILABLE (as without hardware vertex processing).
    void RefuseBehaviorFlags(DWORD flags) { refusedBehaviorFlags_ = flags; }
    // The device made by the last successful CreateDevice (no reference;
    // valid while the code under test holds it).
    RecordingDevice* LastDevice() const { return lastDevice_; }

    // IDirect3D9
    HRESULT STDMETHODCALLTYPE RegisterSoftwareDevice(void* initialize) override;
    UINT STDMETHODCALLTYPE GetAdapterCount() override;
    HRESULT STDMETHODCALLTYPE GetAdapterIdentifier(UINT adapter, DWORD flags,
                                                   D3DADAPTER_IDENTIFIER9* identifier) override;
    UINT STDMETHODCALLTYPE GetAdapterModeCount(UINT adapter, D3DFORMAT format) override;
    HRESULT STDMETHODCALLTYPE EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                               D3DDISPLAYMODE* displayMode) override;
    HRESULT STDMETHODCALLTYPE GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                              D3DFORMAT backBufferFormat, BOOL windowed) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                                D3DRESOURCETYPE resourceType, D3DFORMAT format) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                                         D3DMULTISAMPLE_TYPE multiSample,
                                                         DWORD* qualityLevels) override;
    HRESULT STDMETHODCALLTYPE CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                                     D3DFORMAT renderTargetFormat,
                                                     D3DFORMAT depthStencilFormat) override;
    HRESULT STDMETHODCALLTYPE CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT source,
                                                          D3DFORMAT target) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override;
    HMONITOR STDMETHODCALLTYPE GetAdapterMonitor(UINT adapter) override;
    HRESULT STDMETHODCALLTYPE CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                           D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override;

protected:
    std::string LogName() const override { return "Direct3D"; }

private:
    D3DCAPS9 caps_;
    D3DDISPLAYMODE desktopMode_;
    DWORD refusedBehaviorFlags_ = 0;
    RecordingDevice* lastDevice_ = nullptr;
};

// The fake Direct3D object: one adapter, chosen capabilities, recorded calls.
#include "tests/support/recording_direct3d.h"

#include <cstring>

#include "tests/support/recording_device.h"

namespace {
constexpr DWORD kVertexProcessingFlags =
    D3DCREATE_HARDWARE_VERTEXPROCESSING | D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_MIXED_VERTEXPROCESSING;

bool IsDisplayFormat(D3DFORMAT format) {
    return format == D3DFMT_X8R8G8B8 || format == D3DFMT_R5G6B5 || format == D3DFMT_X1R5G5B5 ||
           format == D3DFMT_A2R10G10B10;
}
}  // namespace

RecordingDirect3D* RecordingDirect3D::Create(std::shared_ptr<CallRecorder> recorder) {
    return new RecordingDirect3D(std::move(recorder));
}

RecordingDirect3D::RecordingDirect3D(std::shared_ptr<CallRecorder> recorder)
    : FakeObject(std::move(recorder), "Direct3D"),
      caps_(RecordingDevice::DefaultCaps()),
      desktopMode_{kDesktopWidth, kDesktopHeight, kDesktopRefreshHz, D3DFMT_X8R8G8B8} {}

HRESULT RecordingDirect3D::RegisterSoftwareDevice(void* initialize) {
    CallBuilder call = Begin("RegisterSoftwareDevice");
    call.Pointer(initialize);
    const HRESULT planned = Planned(call);
    return Finish(call, FAILED(planned) ? planned : D3DERR_NOTAVAILABLE);
}

UINT RecordingDirect3D::GetAdapterCount() {
    CallBuilder call = Begin("GetAdapterCount");
    Finish(call, D3D_OK);
    return kAdapterCount;
}

HRESULT RecordingDirect3D::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) {
    CallBuilder call = Begin("GetAdapterIdentifier");
    call.Uint(adapter).Hex(flags);
    HRESULT result = Planned(call);
    if (identifier == nullptr || adapter >= kAdapterCount)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        *identifier = D3DADAPTER_IDENTIFIER9{};
        std::strcpy(identifier->Driver, "recording.dll");
        std::strcpy(identifier->Description, "Recording Direct3D 9 adapter");
        std::strcpy(identifier->DeviceName, "\\\\.\\DISPLAY1");
    }
    return Finish(call, result);
}

UINT RecordingDirect3D::GetAdapterModeCount(UINT adapter, D3DFORMAT format) {
    CallBuilder call = Begin("GetAdapterModeCount");
    call.Uint(adapter).Uint(format);
    Finish(call, D3D_OK);
    return adapter < kAdapterCount && format == desktopMode_.Format ? 1 : 0;
}

HRESULT RecordingDirect3D::EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) {
    CallBuilder call = Begin("EnumAdapterModes");
    call.Uint(adapter).Uint(format).Uint(mode);
    HRESULT result = Planned(call);
    if (displayMode == nullptr || adapter >= kAdapterCount || format != desktopMode_.Format || mode != 0)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *displayMode = desktopMode_;
    return Finish(call, result);
}

HRESULT RecordingDirect3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* mode) {
    CallBuilder call = Begin("GetAdapterDisplayMode");
    call.Uint(adapter);
    HRESULT result = Planned(call);
    if (mode == nullptr || adapter >= kAdapterCount)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *mode = desktopMode_;
    return Finish(call, result);
}

HRESULT RecordingDirect3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                           D3DFORMAT backBufferFormat, BOOL windowed) {
    CallBuilder call = Begin("CheckDeviceType");
    call.Uint(adapter).Uint(type).Uint(displayFormat).Uint(backBufferFormat).Bool(windowed);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result) && (adapter >= kAdapterCount || !IsDisplayFormat(displayFormat)))
        result = D3DERR_NOTAVAILABLE;
    return Finish(call, result);
}

HRESULT RecordingDirect3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                             D3DRESOURCETYPE resourceType, D3DFORMAT format) {
    CallBuilder call = Begin("CheckDeviceFormat");
    call.Uint(adapter).Uint(type).Uint(adapterFormat).Hex(usage).Uint(resourceType).Uint(format);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result) && adapter >= kAdapterCount)
        result = D3DERR_INVALIDCALL;
    return Finish(call, result);
}

HRESULT RecordingDirect3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                                      D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels) {
    CallBuilder call = Begin("CheckDeviceMultiSampleType");
    call.Uint(adapter).Uint(type).Uint(format).Bool(windowed).Uint(multiSample);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result) && multiSample != D3DMULTISAMPLE_NONE)
        result = D3DERR_NOTAVAILABLE;
    if (qualityLevels != nullptr)
        *qualityLevels = SUCCEEDED(result) ? 1 : 0;
    return Finish(call, result);
}

HRESULT RecordingDirect3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                                  D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) {
    CallBuilder call = Begin("CheckDepthStencilMatch");
    call.Uint(adapter).Uint(type).Uint(adapterFormat).Uint(renderTargetFormat).Uint(depthStencilFormat);
    return Finish(call, Planned(call));
}

HRESULT RecordingDirect3D::CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT source,
                                                       D3DFORMAT target) {
    CallBuilder call = Begin("CheckDeviceFormatConversion");
    call.Uint(adapter).Uint(type).Uint(source).Uint(target);
    return Finish(call, Planned(call));
}

HRESULT RecordingDirect3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) {
    CallBuilder call = Begin("GetDeviceCaps");
    call.Uint(adapter).Uint(type);
    HRESULT result = Planned(call);
    if (caps == nullptr || adapter >= kAdapterCount)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        *caps = caps_;
        caps->DeviceType = type;
    }
    return Finish(call, result);
}

HMONITOR RecordingDirect3D::GetAdapterMonitor(UINT adapter) {
    CallBuilder call = Begin("GetAdapterMonitor");
    call.Uint(adapter);
    Finish(call, D3D_OK);
    if (adapter >= kAdapterCount)
        return nullptr;
    return MonitorFromPoint(POINT{0, 0}, MONITOR_DEFAULTTOPRIMARY);
}

HRESULT RecordingDirect3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focusWindow, DWORD behaviorFlags,
                                        D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) {
    CallBuilder call = Begin("CreateDevice");
    call.Uint(adapter).Uint(type).Pointer(focusWindow).Hex(behaviorFlags).Pointer(parameters);
    HRESULT result = Planned(call);
    const DWORD vertexProcessing = behaviorFlags & kVertexProcessingFlags;
    // Exactly one kind of vertex processing must be asked for.
    if (device == nullptr || parameters == nullptr || adapter >= kAdapterCount ||
        (vertexProcessing != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
         vertexProcessing != D3DCREATE_SOFTWARE_VERTEXPROCESSING &&
         vertexProcessing != D3DCREATE_MIXED_VERTEXPROCESSING))
        result = D3DERR_INVALIDCALL;
    else if (SUCCEEDED(result) && (behaviorFlags & refusedBehaviorFlags_) != 0)
        result = D3DERR_NOTAVAILABLE;
    if (device != nullptr)
        *device = nullptr;
    if (SUCCEEDED(result)) {
        D3DDEVICE_CREATION_PARAMETERS creation{adapter, type, focusWindow, behaviorFlags};
        D3DPRESENT_PARAMETERS presentation = *parameters;
        if (presentation.Windowed && (presentation.BackBufferWidth == 0 || presentation.BackBufferHeight == 0)) {
            presentation.BackBufferWidth = desktopMode_.Width;
            presentation.BackBufferHeight = desktopMode_.Height;
        }
        D3DCAPS9 caps = caps_;
        caps.DeviceType = type;
        lastDevice_ = new RecordingDevice(SharedRecorder(), this, caps, creation, presentation);
        *device = lastDevice_;
        call.Object(*device);
    }
    return Finish(call, result);
}

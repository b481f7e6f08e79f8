// A d3d9.dll for tests that stands in front of the platform's Direct3D 9 and
// fails on request. scripts/inside/test-env puts it in the test prefix's system
// directory under the platform's name, with the platform's own d3d9.dll in
// the folder d3d9-platform beside it; the module loads it when d3d9 is set
// to load native first. The first line of d3d9-fault.txt beside this DLL
// names a fault (faults.cpp); options on the lines after it make runs repeat
// exactly (determinism.cpp) or measure them (measurement.cpp). Every
// CreateDevice is logged to d3d9-calls.log beside this DLL. This file is the
// Direct3D object and the device hooks that run those jobs in their order.
#include <windows.h>
#include <d3d9.h>

#include "tests/support/fault_d3d9/stand_in.h"

using namespace stand_in;

namespace {

using TestCooperativeLevelFunction = HRESULT(WINAPI*)(IDirect3DDevice9*);
using PresentFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
TestCooperativeLevelFunction realTestCooperativeLevel = nullptr;
PresentFunction realPresent = nullptr;
// The first device made: the primary display's. With the sea on every
// display the others' devices share its method table, but only its frames
// are counted, faulted, measured and timed, so that frame counts and rates
// mean the same with one display or several.
IDirect3DDevice9* countedDevice = nullptr;

// Where a frame begins: lost on request, or counted.
HRESULT WINAPI CountingTestCooperativeLevel(IDirect3DDevice9* device) {
    if (device != countedDevice)
        return realTestCooperativeLevel(device);
    if (DeviceLost() || TimedRunOver())
        return D3DERR_DEVICELOST;
    FrameBegins();
    ++framesBegun;
    const HRESULT result = realTestCooperativeLevel(device);
    if (SUCCEEDED(result))
        HeldFrameBegins(device);
    return result;
}

// Where a frame ends: failing on request, held, or counted and measured.
HRESULT WINAPI CountingPresent(IDirect3DDevice9* device, const RECT* source, const RECT* destination, HWND window,
                               const RGNDATA* dirty) {
    if (device != countedDevice)
        return realPresent(device, source, destination, window, dirty);
    HRESULT failure = D3D_OK;
    if (PresentFails(failure))
        return failure;
    HeldFrameEnds(device);
    if (HoldsPresent())
        return D3D_OK;
    ++presentedFrames;
    FramePresented(device);
    PresentBegins();
    const HRESULT result = realPresent(device, source, destination, window, dirty);
    PresentEnded();
    return result;
}

void PatchDevice(IDirect3DDevice9* device) {
    if (countedDevice == nullptr)
        countedDevice = device;
    Patch<TestCooperativeLevelFunction>(device, kTestCooperativeLevelSlot, &CountingTestCooperativeLevel,
                                        realTestCooperativeLevel);
    Patch<PresentFunction>(device, kPresentSlot, &CountingPresent, realPresent);
    PatchFaults(device);
}

class FaultDirect3D final : public IDirect3D9 {
public:
    explicit FaultDirect3D(IDirect3D9* real) : real_(real) {}
    virtual ~FaultDirect3D() = default;

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override { return real_->QueryInterface(riid, object); }
    ULONG WINAPI AddRef() override { return ++references_; }
    ULONG WINAPI Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            Log("Direct3D object released\n");
            real_->Release();
            delete this;
        }
        return left;
    }
    HRESULT WINAPI RegisterSoftwareDevice(void* entry) override { return real_->RegisterSoftwareDevice(entry); }
    UINT WINAPI GetAdapterCount() override { return real_->GetAdapterCount(); }
    HRESULT WINAPI GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) override {
        return real_->GetAdapterIdentifier(adapter, flags, identifier);
    }
    UINT WINAPI GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        return real_->GetAdapterModeCount(adapter, format);
    }
    HRESULT WINAPI EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) override {
        return real_->EnumAdapterModes(adapter, format, mode, displayMode);
    }
    HRESULT WINAPI GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
        if (FaultIs("display-mode-fail")) {
            Log("GetAdapterDisplayMode failed: 0x%08x\n", static_cast<unsigned>(D3DERR_NOTAVAILABLE));
            return D3DERR_NOTAVAILABLE;
        }
        return real_->GetAdapterDisplayMode(adapter, displayMode);
    }
    HRESULT WINAPI CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                                   BOOL windowed) override {
        return real_->CheckDeviceType(adapter, type, displayFormat, backBufferFormat, windowed);
    }
    HRESULT WINAPI CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                     D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
        return real_->CheckDeviceFormat(adapter, type, adapterFormat, usage, resourceType, checkFormat);
    }
    HRESULT WINAPI CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                              D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels) override {
        return real_->CheckDeviceMultiSampleType(adapter, type, format, windowed, multiSample, qualityLevels);
    }
    HRESULT WINAPI CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                          D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override {
        return real_->CheckDepthStencilMatch(adapter, type, adapterFormat, renderTargetFormat, depthStencilFormat);
    }
    HRESULT WINAPI CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT sourceFormat,
                                               D3DFORMAT targetFormat) override {
        return real_->CheckDeviceFormatConversion(adapter, type, sourceFormat, targetFormat);
    }
    HRESULT WINAPI GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
        Mark("GetDeviceCaps");
        if (FaultIs("caps-fail"))
            return D3DERR_NOTAVAILABLE;
        const HRESULT result = real_->GetDeviceCaps(adapter, type, caps);
        if (SUCCEEDED(result) && FaultIs("ps-1.4"))
            caps->PixelShaderVersion = D3DPS_VERSION(1, 4);
        return result;
    }
    HMONITOR WINAPI GetAdapterMonitor(UINT adapter) override { return real_->GetAdapterMonitor(adapter); }
    HRESULT WINAPI CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
        Mark("CreateDevice begins");
        HRESULT result;
        if (FaultIs("device-fail") || (FaultIs("hardware-vp-fail") && (flags & D3DCREATE_HARDWARE_VERTEXPROCESSING)) ||
            (FaultIs("other-devices-fail") && countedDevice != nullptr))
            result = D3DERR_NOTAVAILABLE;
        else
            result = real_->CreateDevice(adapter, type, focus, flags, parameters, device);
        Log("CreateDevice flags=0x%x result=0x%08x\n", static_cast<unsigned>(flags), static_cast<unsigned>(result));
        Mark("CreateDevice ends, working set %.1f MiB", WorkingSetMiB());
        if (SUCCEEDED(result) && device != nullptr && *device != nullptr)
            PatchDevice(*device);
        return result;
    }

private:
    IDirect3D9* real_;
    ULONG references_ = 1;
};

using CreateFunction = IDirect3D9*(WINAPI*)(UINT);

}  // namespace

extern "C" __declspec(dllexport) IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    FaultFile file;
    if (ReadFaultFile(file)) {
        ReadFaults(file.fault);
        ReadDeterminismOptions(file.text);
        ReadMeasurementOptions(file.text);
    }
    StartTimeline();
    SeedIfAsked();
    if (FaultIs("create-null"))
        return nullptr;
    // This DLL stands in the system directory under the platform's name; the
    // platform's own d3d9.dll waits in a folder beside it (scripts/inside/test-env).
    char path[MAX_PATH];
    SiblingPath("d3d9-platform\\d3d9.dll", path);
    HMODULE real = path[0] != '\0' ? LoadLibraryA(path) : nullptr;
    Mark("platform d3d9.dll loaded");
    auto create =
        real != nullptr
            ? reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(real, "Direct3DCreate9")))
            : nullptr;
    IDirect3D9* direct3d = create != nullptr ? create(sdkVersion) : nullptr;
    Mark("platform Direct3D object created, working set %.1f MiB", WorkingSetMiB());
    if (direct3d == nullptr)
        return nullptr;
    Log("Direct3D object created\n");
    return new FaultDirect3D(direct3d);
}

// A d3d9.dll for tests that stands in front of the platform's Direct3D 9 and
// fails on request. The fault is named by the first line of d3d9-fault.txt
// beside this DLL:
//   create-null       Direct3DCreate9 returns NULL
//   ps-1.4            the device caps report pixel shader 1.4
//   caps-fail         GetDeviceCaps fails
//   hardware-vp-fail  CreateDevice fails with hardware vertex processing
//   device-fail       every CreateDevice fails
//   lost-after-N      the device reports itself lost once N frames were presented
// Every CreateDevice is logged to d3d9-calls.log beside this DLL.
#include <windows.h>
#include <d3d9.h>

#include <cstdio>
#include <cstring>

namespace {

char fault[64];

bool FaultIs(const char* name) { return std::strcmp(fault, name) == 0; }

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// A file beside this DLL.
void SiblingPath(const char* name, char (&path)[MAX_PATH]) {
    path[0] = '\0';
    const DWORD length = GetModuleFileNameA(ThisModule(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr || (slash - path) + 1 + std::strlen(name) >= MAX_PATH) {
        path[0] = '\0';
        return;
    }
    std::strcpy(slash + 1, name);
}

void ReadFault() {
    fault[0] = '\0';
    char path[MAX_PATH];
    SiblingPath("d3d9-fault.txt", path);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD got = 0;
    ReadFile(file, fault, sizeof fault - 1, &got, nullptr);
    CloseHandle(file);
    fault[got] = '\0';
    for (char* p = fault; *p != '\0'; ++p)
        if (*p == '\r' || *p == '\n')
            *p = '\0';
}

void Log(const char* format, DWORD a, HRESULT b) {
    char path[MAX_PATH];
    SiblingPath("d3d9-calls.log", path);
    if (path[0] == '\0')
        return;
    char line[128];
    const int length = std::snprintf(line, sizeof line, format, static_cast<unsigned>(a),
                                     static_cast<unsigned>(b));
    HANDLE file = CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(length), &written, nullptr);
    CloseHandle(file);
}

// A lost device without a proxy of the whole device interface: the real
// device's table of methods gets two entries of ours, Present (to count the
// frames) and TestCooperativeLevel (to answer "lost" once enough were shown).
constexpr size_t kTestCooperativeLevelSlot = 3;
constexpr size_t kPresentSlot = 17;
using TestCooperativeLevelFunction = HRESULT(WINAPI*)(IDirect3DDevice9*);
using PresentFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
PresentFunction realPresent = nullptr;
TestCooperativeLevelFunction realTestCooperativeLevel = nullptr;
unsigned presentedFrames = 0;
unsigned framesBeforeLoss = 0;

HRESULT WINAPI CountingPresent(IDirect3DDevice9* device, const RECT* source, const RECT* destination,
                               HWND window, const RGNDATA* dirty) {
    ++presentedFrames;
    return realPresent(device, source, destination, window, dirty);
}

HRESULT WINAPI LosingTestCooperativeLevel(IDirect3DDevice9* device) {
    if (presentedFrames >= framesBeforeLoss) {
        Log("device lost after %u frames: 0x%08x\n", presentedFrames, D3DERR_DEVICELOST);
        return D3DERR_DEVICELOST;
    }
    return realTestCooperativeLevel(device);
}

void LoseDeviceLater(IDirect3DDevice9* device, unsigned frames) {
    void** table = *reinterpret_cast<void***>(device);
    DWORD old = 0;
    if (!VirtualProtect(&table[kTestCooperativeLevelSlot],
                        (kPresentSlot - kTestCooperativeLevelSlot + 1) * sizeof(void*),
                        PAGE_EXECUTE_READWRITE, &old))
        return;
    framesBeforeLoss = frames;
    realTestCooperativeLevel = reinterpret_cast<TestCooperativeLevelFunction>(table[kTestCooperativeLevelSlot]);
    realPresent = reinterpret_cast<PresentFunction>(table[kPresentSlot]);
    table[kTestCooperativeLevelSlot] = reinterpret_cast<void*>(&LosingTestCooperativeLevel);
    table[kPresentSlot] = reinterpret_cast<void*>(&CountingPresent);
    VirtualProtect(&table[kTestCooperativeLevelSlot],
                   (kPresentSlot - kTestCooperativeLevelSlot + 1) * sizeof(void*), old, &old);
}

class FaultDirect3D final : public IDirect3D9 {
public:
    explicit FaultDirect3D(IDirect3D9* real) : real_(real) {}
    virtual ~FaultDirect3D() = default;

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override {
        return real_->QueryInterface(riid, object);
    }
    ULONG WINAPI AddRef() override { return ++references_; }
    ULONG WINAPI Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            real_->Release();
            delete this;
        }
        return left;
    }
    HRESULT WINAPI RegisterSoftwareDevice(void* entry) override {
        return real_->RegisterSoftwareDevice(entry);
    }
    UINT WINAPI GetAdapterCount() override { return real_->GetAdapterCount(); }
    HRESULT WINAPI GetAdapterIdentifier(UINT adapter, DWORD flags,
                                        D3DADAPTER_IDENTIFIER9* identifier) override {
        return real_->GetAdapterIdentifier(adapter, flags, identifier);
    }
    UINT WINAPI GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        return real_->GetAdapterModeCount(adapter, format);
    }
    HRESULT WINAPI EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode,
                                    D3DDISPLAYMODE* displayMode) override {
        return real_->EnumAdapterModes(adapter, format, mode, displayMode);
    }
    HRESULT WINAPI GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
        return real_->GetAdapterDisplayMode(adapter, displayMode);
    }
    HRESULT WINAPI CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat,
                                   D3DFORMAT backBufferFormat, BOOL windowed) override {
        return real_->CheckDeviceType(adapter, type, displayFormat, backBufferFormat, windowed);
    }
    HRESULT WINAPI CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                     DWORD usage, D3DRESOURCETYPE resourceType,
                                     D3DFORMAT checkFormat) override {
        return real_->CheckDeviceFormat(adapter, type, adapterFormat, usage, resourceType,
                                        checkFormat);
    }
    HRESULT WINAPI CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format,
                                              BOOL windowed, D3DMULTISAMPLE_TYPE multiSample,
                                              DWORD* qualityLevels) override {
        return real_->CheckDeviceMultiSampleType(adapter, type, format, windowed, multiSample,
                                                 qualityLevels);
    }
    HRESULT WINAPI CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                          D3DFORMAT renderTargetFormat,
                                          D3DFORMAT depthStencilFormat) override {
        return real_->CheckDepthStencilMatch(adapter, type, adapterFormat, renderTargetFormat,
                                             depthStencilFormat);
    }
    HRESULT WINAPI CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type,
                                               D3DFORMAT sourceFormat,
                                               D3DFORMAT targetFormat) override {
        return real_->CheckDeviceFormatConversion(adapter, type, sourceFormat, targetFormat);
    }
    HRESULT WINAPI GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
        if (FaultIs("caps-fail"))
            return D3DERR_NOTAVAILABLE;
        const HRESULT result = real_->GetDeviceCaps(adapter, type, caps);
        if (SUCCEEDED(result) && FaultIs("ps-1.4"))
            caps->PixelShaderVersion = D3DPS_VERSION(1, 4);
        return result;
    }
    HMONITOR WINAPI GetAdapterMonitor(UINT adapter) override {
        return real_->GetAdapterMonitor(adapter);
    }
    HRESULT WINAPI CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                D3DPRESENT_PARAMETERS* parameters,
                                IDirect3DDevice9** device) override {
        HRESULT result;
        if (FaultIs("device-fail") ||
            (FaultIs("hardware-vp-fail") && (flags & D3DCREATE_HARDWARE_VERTEXPROCESSING)))
            result = D3DERR_NOTAVAILABLE;
        else
            result = real_->CreateDevice(adapter, type, focus, flags, parameters, device);
        Log("CreateDevice flags=0x%x result=0x%08x\n", flags, result);
        unsigned frames = 0;
        if (SUCCEEDED(result) && std::sscanf(fault, "lost-after-%u", &frames) == 1)
            LoseDeviceLater(*device, frames);
        return result;
    }

private:
    IDirect3D9* real_;
    ULONG references_ = 1;
};

using CreateFunction = IDirect3D9*(WINAPI*)(UINT);


}  // namespace

extern "C" __declspec(dllexport) IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    ReadFault();
    if (FaultIs("create-null"))
        return nullptr;
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    if (length == 0 || length + sizeof "\\d3d9.dll" > MAX_PATH)
        return nullptr;
    std::strcat(path, "\\d3d9.dll");
    HMODULE real = LoadLibraryA(path);
    auto create = real != nullptr ? reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(
                                        GetProcAddress(real, "Direct3DCreate9")))
                                  : nullptr;
    IDirect3D9* direct3d = create != nullptr ? create(sdkVersion) : nullptr;
    return direct3d != nullptr ? new FaultDirect3D(direct3d) : nullptr;
}

// Display enumeration and the Direct3D device of the full-screen saver:
// the device, its software-vertex-processing fallback, its fallback to the
// display's own mode, the pixel-shader check; the windows of the other
// displays placed where the displays stand, and, when the sea is shown on
// every display, their devices and scenes.
#include <cstdio>
#include <cstring>
#include <new>

#include "host/direct3d_library.h"
#include "host/saver_app.h"
#include "host/settings_store.h"
#include "host/setup_error.h"
#include "host/web_address.h"

CreateMatrixStackFunction createMatrixStack = D3DXCreateMatrixStack;
DisplayApi displayApi = {EnumDisplayDevicesA, EnumDisplaySettingsA, MonitorFromRect, EnumDisplayMonitors,
                         GetMonitorInfoA};

namespace {

struct MonitorSearch {
    const char* device;  // "\\.\DISPLAY2"
    HMONITOR monitor;
    RECT rect;
};

BOOL CALLBACK FindMonitorOfDevice(HMONITOR monitor, HDC, LPRECT, LPARAM context) {
    auto* search = reinterpret_cast<MonitorSearch*>(context);
    MONITORINFOEXA info = {};
    info.cbSize = sizeof info;
    if (!displayApi.getMonitorInfo(monitor, &info) || std::strcmp(info.szDevice, search->device) != 0)
        return TRUE;
    search->monitor = monitor;
    search->rect = info.rcMonitor;
    return FALSE;
}

// The display devices as they stand now, mirrors left out, at most nine.
// A display's rectangle is its monitor's, in the units this process works
// in: its own pixels with per-monitor awareness, but scaled where Windows
// scales the process (system awareness on a display at another scale), and
// a window must be placed in those units to cover it. The display mode's
// pixels serve only for a device that has no monitor (yet).
uint32_t ListDisplays(MonitorRecord (&records)[kMaxMonitorRecords]) {
    uint32_t count = 0;
    DISPLAY_DEVICEA adapter;
    for (DWORD index = 0;; ++index) {
        std::memset(&adapter, 0, sizeof adapter);
        adapter.cb = sizeof adapter;
        if (!displayApi.enumDisplayDevices(nullptr, index, &adapter, 0))
            break;
        if (adapter.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER)
            continue;
        DISPLAY_DEVICEA monitorDevice = {};
        monitorDevice.cb = sizeof monitorDevice;
        displayApi.enumDisplayDevices(adapter.DeviceName, 0, &monitorDevice, 0);

        MonitorRecord& record = records[count];
        std::memset(&record, 0, sizeof record);
        std::snprintf(record.adapterName, sizeof record.adapterName, "%s", adapter.DeviceString);
        std::snprintf(record.monitorName, sizeof record.monitorName, "%s", monitorDevice.DeviceString);
        MonitorSearch search = {adapter.DeviceName, nullptr, {}};
        if (adapter.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP)
            displayApi.enumDisplayMonitors(nullptr, nullptr, FindMonitorOfDevice, reinterpret_cast<LPARAM>(&search));
        if (search.monitor != nullptr) {
            record.desktopRect = search.rect;
            record.monitor = search.monitor;
        } else if (adapter.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) {
            DEVMODEA settings = {};
            settings.dmSize = sizeof settings;
            displayApi.enumDisplaySettings(adapter.DeviceName, ENUM_CURRENT_SETTINGS, &settings);
            LONG left = 0, top = 0;
            if (!(adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE)) {
                left = settings.dmPosition.x;
                top = settings.dmPosition.y;
            }
            record.desktopRect = {left, top, left + static_cast<LONG>(settings.dmPelsWidth),
                                  top + static_cast<LONG>(settings.dmPelsHeight)};
            record.monitor = displayApi.monitorFromRect(&record.desktopRect, MONITOR_DEFAULTTONULL);
        }
        if (++count == kMaxMonitorRecords)
            break;
    }
    return count;
}

}  // namespace

void SaverApp::EnumerateDisplays() { monitorCount = ListDisplays(monitors); }

void SaverApp::PlaceDisplayWindows() {
    // Switching the primary display to the saver's mode moves the others
    // (one to its right now starts where the smaller primary ends), so
    // their windows follow the displays as they stand now. The enumeration
    // keeps its order from one listing to the next.
    MonitorRecord now[kMaxMonitorRecords];
    const uint32_t count = ListDisplays(now);
    for (uint32_t i = 0; i < monitorCount && i < count; ++i) {
        MonitorRecord& record = monitors[i];
        record.desktopRect = now[i].desktopRect;
        record.monitor = now[i].monitor;
        if (record.window == nullptr || record.window == mainWindow)
            continue;
        const RECT& r = record.desktopRect;
        SetWindowPos(record.window, HWND_TOPMOST, r.left, r.top, r.right - r.left, r.bottom - r.top, SWP_NOACTIVATE);
    }
}

namespace {

constexpr UINT kDirect3DSdkVersion = 31;
constexpr DWORD kMinimumPixelShaderVersion = 0x0200;  // major in the high byte
constexpr DWORD kWarningPauseMs = 250;
const char kPixelShaderWarning[] =
    "Screensaver requires videocard with Pixel Shader v2.0 support and will not work on this "
    "computer ";

// Creates a device with hardware vertex processing, or else with software
// vertex processing; null when neither works.
IDirect3DDevice9* CreateDeviceOn(IDirect3D9* direct3d, UINT adapter, HWND window, D3DPRESENT_PARAMETERS& parameters) {
    IDirect3DDevice9* device = nullptr;
    if (FAILED(direct3d->CreateDevice(adapter, D3DDEVTYPE_HAL, window, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters,
                                      &device)) &&
        FAILED(direct3d->CreateDevice(adapter, D3DDEVTYPE_HAL, window, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters,
                                      &device)))
        return nullptr;
    return device;
}

// The adapter that drives `monitor`, if any.
bool AdapterOfMonitor(IDirect3D9* direct3d, HMONITOR monitor, UINT& adapter) {
    const UINT count = direct3d->GetAdapterCount();
    for (UINT each = 0; each < count; ++each) {
        if (direct3d->GetAdapterMonitor(each) == monitor) {
            adapter = each;
            return true;
        }
    }
    return false;
}

}  // namespace

bool SaverApp::CreateDevice(D3DPRESENT_PARAMETERS& parameters) {
    render.device = CreateDeviceOn(render.direct3d, D3DADAPTER_DEFAULT, mainWindow, parameters);
    return render.device != nullptr;
}

bool SaverApp::SetupDirect3D() {
    IDirect3D9*& direct3d = render.direct3d;
    direct3d = direct3dCreate9 != nullptr ? direct3dCreate9(kDirect3DSdkVersion) : nullptr;
    if (direct3d == nullptr) {
        setupErrorCode = kSetupErrorDirect3D;
        return false;
    }

    D3DCAPS9 caps = {};
    if (SUCCEEDED(direct3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps)) &&
        (caps.PixelShaderVersion & 0xFFFF) < kMinimumPixelShaderVersion) {
        HideSaverWindows();
        ShowCursor(TRUE);
        setupErrorCode = kSetupErrorDirect3D;
        MessageBoxA(nullptr, kPixelShaderWarning, "Warning", MB_OK);
        OpenWebAddress(kFaqPageAddress);
        Sleep(kWarningPauseMs);
        EndProcess();
    }

    backBufferWidth = kBackBufferWidth;
    backBufferHeight = kBackBufferHeight;
    render.wideScreen = ReadSettingInt(kSettingsSection, kWideScreenSetting, 0) != 0;

    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = backBufferWidth;
    parameters.BackBufferHeight = backBufferHeight;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;  // whatever the desktop's format
    parameters.BackBufferCount = 1;
    parameters.MultiSampleType = D3DMULTISAMPLE_NONE;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = mainWindow;
    parameters.Windowed = FALSE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.FullScreen_RefreshRateInHz = 0;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_ONE;
    if (mode == RunMode::Test) {
        // The test window draws the scene into its own client area.
        RECT client = {};
        GetClientRect(mainWindow, &client);
        parameters.BackBufferWidth = client.right - client.left;
        parameters.BackBufferHeight = client.bottom - client.top;
        parameters.Windowed = TRUE;
    }
    if (!CreateDevice(parameters)) {
        // A display that cannot show 800 x 600 still shows the saver: full
        // screen once more, in the mode it has now.
        D3DDISPLAYMODE current = {};
        if (mode == RunMode::Test || FAILED(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &current))) {
            setupErrorCode = kSetupErrorDevice;
            return false;
        }
        parameters.BackBufferWidth = current.Width;
        parameters.BackBufferHeight = current.Height;
        parameters.BackBufferFormat = current.Format;
        if (!CreateDevice(parameters)) {
            setupErrorCode = kSetupErrorDevice;
            return false;
        }
        backBufferWidth = static_cast<int32_t>(current.Width);
        backBufferHeight = static_cast<int32_t>(current.Height);
    }

    if (FAILED(createMatrixStack(0, &render.matrixStack)) || render.matrixStack == nullptr)
        return false;
    // The scene is made while the saver draws (the device alone otherwise),
    // and the frame pacing starts from its end.
    if (renderingActive) {
        if (!scene.Build(render, instance)) {
            setupErrorCode = kSetupErrorTextures;
            return false;
        }
        lastFrameTick = GetTickCount();
    }
    if (!scene.BuildGeometry()) {
        setupErrorCode = kSetupErrorGeometry;
        return false;
    }
    return true;
}

namespace {

// One other display's scene, matrix stack, device and its reference to the
// Direct3D object. Its device is windowed: nothing to put back first.
void ReleaseOtherDisplay(OtherDisplayView& view) {
    view.scene.Release(view.render);
    if (view.render.matrixStack != nullptr)
        view.render.matrixStack->Release();
    if (view.render.device != nullptr)
        view.render.device->Release();
    if (view.render.direct3d != nullptr)
        view.render.direct3d->Release();
    view.render.matrixStack = nullptr;
    view.render.device = nullptr;
    view.render.direct3d = nullptr;
}

}  // namespace

void SaverApp::SetupOtherDisplays() {
    if (mode != RunMode::Saver || render.direct3d == nullptr || !ReadAllDisplaysSetting())
        return;
    const MonitorRecord* primary = nullptr;
    for (uint32_t i = 0; i < monitorCount && primary == nullptr; ++i)
        if (monitors[i].window == mainWindow)
            primary = &monitors[i];
    if (primary == nullptr)
        return;
    for (uint32_t i = 0; i < monitorCount; ++i) {
        const MonitorRecord& record = monitors[i];
        if (record.window == nullptr || record.window == mainWindow || record.monitor == nullptr)
            continue;
        auto* view = new (std::nothrow) OtherDisplayView();
        if (view == nullptr)
            continue;
        view->record = i;
        if (SetupOtherDisplay(*view, primary->desktopRect)) {
            otherViews[otherViewCount++] = view;
            continue;
        }
        // Whatever was made goes, and the window shows its black again.
        ReleaseOtherDisplay(*view);
        delete view;
        InvalidateRect(record.window, nullptr, TRUE);
    }
}

bool SaverApp::SetupOtherDisplay(OtherDisplayView& view, const RECT& primary) {
    const MonitorRecord& record = monitors[view.record];
    IDirect3D9* direct3d = render.direct3d;
    UINT adapter = 0;
    if (!AdapterOfMonitor(direct3d, record.monitor, adapter) || adapter == D3DADAPTER_DEFAULT)
        return false;
    direct3d->AddRef();
    view.render.direct3d = direct3d;

    // Windowed on the display's own window: the display keeps its mode, and
    // the picture has its own pixels' aspect ratio. The primary's Present
    // already waits for the refresh; a wait for every other display too
    // would divide the frame rate by the number of displays.
    RECT client = {};
    GetClientRect(record.window, &client);
    D3DPRESENT_PARAMETERS parameters = {};
    parameters.BackBufferWidth = client.right - client.left;
    parameters.BackBufferHeight = client.bottom - client.top;
    parameters.BackBufferFormat = D3DFMT_UNKNOWN;  // the display's own
    parameters.BackBufferCount = 1;
    parameters.SwapEffect = D3DSWAPEFFECT_DISCARD;
    parameters.hDeviceWindow = record.window;
    parameters.Windowed = TRUE;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    parameters.PresentationInterval = D3DPRESENT_INTERVAL_IMMEDIATE;
    view.render.device = CreateDeviceOn(direct3d, adapter, record.window, parameters);
    if (view.render.device == nullptr)
        return false;
    if (FAILED(createMatrixStack(0, &view.render.matrixStack)) || view.render.matrixStack == nullptr)
        return false;
    view.scene.InvalidateStateCaches();
    if (!view.scene.Build(view.render, instance))
        return false;
    view.scene.ApplyScreenProjection(view.render, client.right - client.left, client.bottom - client.top);
    view.turn = PanoramaTurn(primary, record.desktopRect, scene.aspectRatio);
    return true;
}

void SaverApp::ReleaseOtherDisplays() {
    for (uint32_t i = 0; i < otherViewCount; ++i) {
        ReleaseOtherDisplay(*otherViews[i]);
        delete otherViews[i];
        otherViews[i] = nullptr;
    }
    otherViewCount = 0;
}

// SaverApp: process entry helpers, command line, initialisation, run-mode
// dispatch and the shut-down sequence every exit path goes through.
#include "host/saver_app.h"

#include <cstdlib>
#include <ctime>

#include "host/command_line.h"
#include "host/direct3d_library.h"
#include "resources/saver_names.h"
#include "host/saver_window.h"
#include "host/settings_store.h"
#include "host/web_address.h"

SaverApp* saverApp = nullptr;
bool exitOnMouse = false;
int32_t setupErrorCode = 0;

namespace {

const char kDirectXMissingText[] =
    "Brinemere Duzo Screensaver requires DirectX 9.0 or later. Download last version of DirectX?";
const char kDirectXMissingTitle[] = "Hollowmead Screensaver Error";

void EndIfConfigDialogOpen() {
    HWND dialog = FindWindowA(nullptr, kConfigDialogCaption);
    if (dialog != nullptr) {
        BringWindowForward(dialog);
        EndProcess();
    }
}

}  // namespace

double FlightSpeedForCamSpeed(int camSpeed) {
    switch (camSpeed) {
    case 1: return 2.0;
    case 2: return 2.5;
    case 4: return 3.5;
    case 5: return 4.0;
    default: return 3.0;
    }
}

double ReadFlightSpeedSetting() {
    return FlightSpeedForCamSpeed(ReadSettingInt(kSettingsSection, kCamSpeedSetting, 0));
}

bool ReadAllDisplaysSetting() { return ReadSettingInt(kSettingsSection, kAllDisplaysSetting, 0) == 1; }

void BringWindowForward(HWND window) {
    // The window belongs to another process that may hang: nothing here may
    // wait for its thread. ShowWindow would send it a message and wait, so
    // the request is posted; SetFocus cannot reach another thread's window
    // at all, and the activation that SetForegroundWindow brings gives the
    // window its focus anyway.
    SetForegroundWindow(window);
    ShowWindowAsync(window, SW_SHOWDEFAULT);
}

void EndProcess() {
    TerminateProcess(GetCurrentProcess(), 0);
    ExitProcess(0);  // not reached; keeps [[noreturn]] honest
}

SaverApp::SaverApp() { saverApp = this; }

SaverApp::~SaverApp() {
    if (previewBitmap != nullptr)
        DeleteObject(previewBitmap);
    if (saverApp == this)
        saverApp = nullptr;
}

RunMode SaverApp::ParseCommandLine(const char* text) {
    const ParsedCommandLine parsed = ParseSwitches(text);
    parentWindow = reinterpret_cast<HWND>(parsed.parentWindow);
    if (parsed.checkConfigDialog)
        EndIfConfigDialogOpen();
    return parsed.mode;
}

bool SaverApp::Initialize(HINSTANCE moduleInstance) {
    exitOnMouse = ReadSettingInt(kSettingsSection, kExitOnMouseSetting, 0) != 0;
    instance = moduleInstance;
    mode = ParseCommandLine(GetCommandLineA());
    EnumerateDisplays();
    // The test window shows the live scene exactly as the full-screen saver
    // draws it, so it needs the same flight and the same Direct3D.
    if (mode == RunMode::Saver || mode == RunMode::Test) {
        flight.speed = static_cast<float>(ReadFlightSpeedSetting());
        std::srand(static_cast<unsigned>(std::time(nullptr)));
        worldExtent.width = kWorldExtentUnits;
        worldExtent.depth = kWorldExtentUnits;
        flight.SetMapExtent(worldExtent.width);
        if (!IsDirectXPresent()) {
            if (MessageBoxA(nullptr, kDirectXMissingText, kDirectXMissingTitle, MB_YESNO | MB_ICONQUESTION) == IDYES)
                OpenWebAddress(kDirectXDownloadAddress);
            EndProcess();
        }
    }
    if (mode == RunMode::Preview || mode == RunMode::Saver || mode == RunMode::Test) {
        if (!CreateSaverWindows()) {
            initFailed = true;
            return false;
        }
    }
    return true;
}

int SaverApp::Run() {
    switch (mode) {
    case RunMode::Configure:
        if (!initFailed)
            ShowConfigDialog();
        break;
    case RunMode::Preview:
    case RunMode::Saver: RunMainLoop(); break;
    case RunMode::Test:
        // The test window shows the scene until it is closed; closing it
        // ends the loop, and the device goes with the shut-down.
        RunMainLoop();
        Shutdown();
        break;
    default: break;
    }
    // d3d9.dll goes only once the loop is over. The shut-down runs inside the
    // window procedure, and a full-screen device hooks that procedure: freeing
    // the library there would return into code that is no longer loaded.
    UnloadDirect3DLibrary();
    return 0;
}

void SaverApp::RequestExit() {
    if (mode == RunMode::Saver || mode == RunMode::Test)
        Shutdown();
}

void SaverApp::ReleaseDirect3D() {
    // The scene exists only in the full-screen and test modes; nothing is
    // drawn from the moment it goes. The other displays' devices go first,
    // while the primary's still holds its full-screen mode.
    if (mode == RunMode::Saver || mode == RunMode::Test) {
        renderingActive = false;
        ReleaseOtherDisplays();
        scene.Release(render);
    }
    IDirect3D9*& direct3d = render.direct3d;
    IDirect3DDevice9*& device = render.device;
    ID3DXMatrixStack*& matrixStack = render.matrixStack;
    if (matrixStack != nullptr) {
        matrixStack->Release();
        matrixStack = nullptr;
    }
    if (device != nullptr) {
        device->EvictManagedResources();
        D3DDISPLAYMODE displayMode = {};
        if (direct3d != nullptr && SUCCEEDED(direct3d->GetAdapterDisplayMode(D3DADAPTER_DEFAULT, &displayMode))) {
            D3DPRESENT_PARAMETERS windowed = {};
            windowed.BackBufferFormat = displayMode.Format;
            windowed.BackBufferCount = 1;
            windowed.SwapEffect = D3DSWAPEFFECT_DISCARD;
            windowed.Windowed = TRUE;
            windowed.EnableAutoDepthStencil = TRUE;
            windowed.AutoDepthStencilFormat = D3DFMT_D16;
            device->Reset(&windowed);
        }
        // Without the display mode the device cannot go back to windowed
        // presentation first; it is released all the same so that the
        // process still ends and the desktop mode comes back with it.
        device->Release();
        device = nullptr;
    }
    if (direct3d != nullptr) {
        direct3d->Release();
        direct3d = nullptr;
    }
}

void SaverApp::Shutdown() {
    // Input that arrives while the windows are torn down must not start a
    // second shut-down.
    if (shutdownDone_)
        return;
    shutdownDone_ = true;

    ShowCursor(TRUE);
    renderingActive = false;
    if (mode == RunMode::Saver)
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, nullptr, 0);
    displayPower.Unregister();
    ReleaseDirect3D();
    if (mainWindow != nullptr && IsWindow(mainWindow)) {
        ShowWindow(mainWindow, SW_HIDE);
        DestroyWindow(mainWindow);
    }
    SetWindowProcedureActive(false);
    PostQuitMessage(0);
}

// SaverApp: the one application object of the screen saver: the host's part
// (run modes, windows, the main loop and its pacing, the Direct3D set-up and
// the shut-down). It owns the flight, the render context and the scene drawn
// on it. The window and dialog procedures reach it through the process-wide
// pointer.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <cstdint>

#include "flight/camera_flight.h"
#include "host/display_power.h"
#include "host/frame_pacing.h"
#include "host/monitor_record.h"
#include "host/run_mode.h"
#include "host/world_extent.h"
#include "render/render_context.h"
#include "scene/scene.h"

// Another display showing the sea too (the "AllDisplays" choice): its own
// device, windowed on the window that covers the display, in the display's
// own mode, and its own scene made on it (a device's textures, buffers and
// shaders serve that device alone); it draws each frame's flight step
// turned towards the display's place beside the primary.
struct OtherDisplayView {
    uint32_t record = 0;  // its entry in SaverApp::monitors
    RenderContext render;
    Scene scene;
    ViewTurn turn;
};

// SaverApp's members are implemented across host/, one file each; the
// groups below name the file that implements them.
class SaverApp {
public:
    // host/saver_app.cpp: construction, command line, initialisation, the
    // run-mode dispatch and the shut-down every exit goes through.
    SaverApp();
    virtual ~SaverApp();
    bool Initialize(HINSTANCE instance);
    RunMode ParseCommandLine(const char* text);
    int Run();
    void RequestExit();
    void Shutdown();
    // The scene, the matrix stack, the device (put back to windowed
    // presentation first, so the display gets its own mode back) and the
    // Direct3D object; d3d9.dll itself stays loaded.
    void ReleaseDirect3D();
    // The scene's frame, and what the host does with its outcome.
    void RenderFrame();

    // host/config_dialog.cpp: the configuration dialog.
    virtual INT_PTR HandleDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR ShowConfigDialog();
    // An operation of the application object that takes two 32-bit values and
    // does nothing; it keeps its place among the object's operations, after
    // the dialog's and before the window's.
    virtual void ReservedHook(uint32_t, uint32_t) {}

    // host/saver_window.cpp: the windows of each mode and their messages.
    virtual LRESULT HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    bool CreateSaverWindows();
    // Every saver window out of the way of a message box.
    void HideSaverWindows();

    // host/display_setup.cpp: the display list and the Direct3D device.
    void EnumerateDisplays();
    // The windows of the displays other than the primary, moved to cover
    // those displays as they stand now.
    void PlaceDisplayWindows();
    bool SetupDirect3D();
    // With "AllDisplays" on, the full-screen saver's other displays show the
    // sea too; a display whose device or scene cannot be made keeps its
    // black window, and nothing is said.
    void SetupOtherDisplays();
    // Their scenes, matrix stacks and devices.
    void ReleaseOtherDisplays();

    // host/main_loop.cpp: set-up, message pump and frame pacing.
    int RunMainLoop();

    // The state, in the order of the application object.
    MonitorRecord monitors[kMaxMonitorRecords] = {};
    uint32_t monitorCount = 0;
    HWND parentWindow = nullptr;
    HINSTANCE instance = nullptr;
    RunMode mode = RunMode::Saver;
    HWND mainWindow = nullptr;
    bool initFailed = false;
    uint32_t mouseMoveCount = 0;
    bool renderingActive = false;
    uint32_t startTime = 0;
    int32_t backBufferWidth = 0;
    int32_t backBufferHeight = 0;
    CameraFlight flight;
    WorldExtent worldExtent;
    HBITMAP previewBitmap = nullptr;
    uint32_t lastFrameTick = 0;
    CRITICAL_SECTION frameLock = {};
    // The Direct3D object, the device, the matrix stack, the wide-screen
    // choice, the camera and the overlays' buffers: made by SetupDirect3D
    // and the scene's assembly, released by ReleaseDirect3D.
    RenderContext render;
    // Everything drawn (the sky box, the sun flare, the sea, the banner, the
    // fade, the state caches), on `render`.
    Scene scene;
    // Frames that keep failing to reach the screen end the saver
    // (host/frame_pacing.h).
    FrameFailureWatch frameFailures;
    // No frame is drawn while the display is off (host/display_power.h).
    DisplayPowerWatch displayPower;
    // The other displays that show the sea, made by SetupOtherDisplays.
    OtherDisplayView* otherViews[kMaxMonitorRecords] = {};
    uint32_t otherViewCount = 0;

private:
    void PaintPreview(HWND window, HDC dc);                               // host/saver_window.cpp
    void ApplyMouseRule(LPARAM lParam);                                   // host/saver_window.cpp
    bool CreateDevice(D3DPRESENT_PARAMETERS& parameters);                 // host/display_setup.cpp
    bool SetupOtherDisplay(OtherDisplayView& view, const RECT& primary);  // host/display_setup.cpp

    bool shutdownDone_ = false;
};

// Process-wide state of the host.
extern SaverApp* saverApp;
extern bool exitOnMouse;
extern int32_t setupErrorCode;

// The flight speed chosen by the "CamSpeed" setting: 1..5 give 2.0..4.0 in
// steps of 0.5; anything else (0, 3, out of range) gives 3.0.
double FlightSpeedForCamSpeed(int camSpeed);
// The same for the value stored now ("CamSpeed", default 0).
double ReadFlightSpeedSetting();

// Whether the sea is shown on every display: "AllDisplays" stored as 1.
// It is stored as 0 or 1 only, so anything else (absent, not a number, 2,
// -1) counts as its default, off.
bool ReadAllDisplaysSetting();

// Brings a window of an already running copy forward without waiting on it.
void BringWindowForward(HWND window);

// Ends the process at once with exit code 0, as every path of the saver does.
[[noreturn]] void EndProcess();

constexpr int32_t kWorldExtentUnits = 400;
constexpr int32_t kBackBufferWidth = 800;
constexpr int32_t kBackBufferHeight = 600;

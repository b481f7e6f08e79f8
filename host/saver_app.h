// SaverApp: the one application object of the screen saver. It owns the run
// mode, the windows, the frame pacing state and everything drawn. The window
// and dialog procedures reach it through the process-wide pointer.
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
#include "scene/state_cache.h"

#include "scene/view_vectors.h"

class SkyBox;
class SunFlare;
class WaterSurface;

// SaverApp's members are implemented across host/ and scene/, one room
// each; the groups below name the file that implements them.
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

    // host/config_dialog.cpp: the configuration dialog.
    virtual INT_PTR HandleDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR ShowConfigDialog();
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

    // host/main_loop.cpp: set-up, message pump and frame pacing.
    int RunMainLoop();

    // scene/scene_assembly.cpp: the scene made, released, and the
    // projection fixed from the screen's size.
    bool BuildScene();
    bool BuildGeometry();
    void ReleaseScene();
    void ApplyScreenProjection(int width, int height);
    // The sea's draw for one frame; nothing while there is no sea.
    void RenderWater(float step);
    void InvalidateStateCaches() { stateCache.InvalidateStateCaches(); }

    // scene/render_frame.cpp: the frame, its steps and passes in their order.
    void RenderFrame();
    void PlaceCameraOnFlight();
    void DrawSkyPass();
    void DrawSeaPass();
    void DrawSunFlarePass();
    bool DrawOverlayPass();

    // scene/banner_and_fade.cpp: the overlays of the last pass.
    bool DrawBanner();
    bool DrawOpeningFade();

    // The state, in the order of the application object.
    MonitorRecord monitors[kMaxMonitorRecords] = {};
    uint32_t monitorCount = 0;
    float aspectRatio = 0.0f;
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
    // The render, texture-stage and sampler state tables and their setters.
    StateCache stateCache;
    // The frame's eye, target, direction and up, read by the sun flare.
    ViewVectors viewVectors;

    // The scene, made by BuildScene and released by ReleaseScene.
    SkyBox* skyBox = nullptr;
    SunFlare* sunFlare = nullptr;
    WaterSurface* water = nullptr;
    IDirect3DTexture9* bannerTexture = nullptr;
    static constexpr int kNoiseTextureCount = 12;
    IDirect3DTexture9* noiseTextures[kNoiseTextureCount] = {};
    // The opening fade: 1 at the start, 0.075 less after every frame it drew.
    float fadeLevel = 1.0f;
    // Frames that keep failing to reach the screen end the saver
    // (host/frame_pacing.h).
    FrameFailureWatch frameFailures;
    // No frame is drawn while the display is off (host/display_power.h).
    DisplayPowerWatch displayPower;

private:
    void PaintPreview(HWND window, HDC dc);                // host/saver_window.cpp
    void ApplyMouseRule(LPARAM lParam);                    // host/saver_window.cpp
    bool CreateDevice(D3DPRESENT_PARAMETERS& parameters);  // host/display_setup.cpp

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

// Brings a window of an already running copy forward without waiting on it.
void BringWindowForward(HWND window);

// Ends the process at once with exit code 0, as every path of the saver does.
[[noreturn]] void EndProcess();

constexpr int32_t kWorldExtentUnits = 400;
constexpr int32_t kBackBufferWidth = 800;
constexpr int32_t kBackBufferHeight = 600;

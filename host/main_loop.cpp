// SaverApp's main loop: device set-up, message pump and frame pacing.
#include <windows.h>

#include "host/frame_pacing.h"
#include "host/multimedia_clock.h"
#include "host/saver_app.h"
#include "host/setup_error.h"

namespace {

// Leaves the frame lock however the frame ends, exceptions included.
class FrameLockGuard {
public:
    explicit FrameLockGuard(CRITICAL_SECTION& lock) : lock_(lock) { EnterCriticalSection(&lock_); }
    ~FrameLockGuard() { LeaveCriticalSection(&lock_); }
    FrameLockGuard(const FrameLockGuard&) = delete;
    FrameLockGuard& operator=(const FrameLockGuard&) = delete;

private:
    CRITICAL_SECTION& lock_;
};

}  // namespace

int SaverApp::RunMainLoop() {
    bool lockReady = false;
    try {
        if (renderingActive) {
            // The scene's pictures are decoded while the platform makes its
            // Direct3D object, the longest wait of the start.
            Scene::StartPreparing(instance);
            if (!SetupDirect3D()) {
                Scene::DropPrepared();
                HideSaverWindows();
                // Whatever the set-up made goes before the message, so that
                // the box shows on the desktop in its own display mode and
                // no Direct3D object outlives d3d9.dll, which goes at the end.
                ReleaseDirect3D();
                ShowCursor(TRUE);
                MessageBoxA(mainWindow, SetupErrorText(setupErrorCode), kSetupErrorTitle, MB_OK);
                renderingActive = false;
                return 0;
            }
            if (mode == RunMode::Saver)
                PlaceDisplayWindows();
            if (mode == RunMode::Test) {
                RECT client = {};
                GetClientRect(mainWindow, &client);
                scene.ApplyScreenProjection(render, client.right - client.left, client.bottom - client.top);
            } else {
                scene.ApplyScreenProjection(render, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN));
                // After the primary's change of mode and its projection:
                // the other displays' windows stand where they stay, and
                // their views turn by the primary's field of view.
                SetupOtherDisplays();
            }
            Scene::DropPrepared();
        }
        if (mode == RunMode::Saver) {
            SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, nullptr, 0);
            displayPower.Register(mainWindow);
        }
        InitializeCriticalSection(&frameLock);
        lockReady = true;
        startTime = MultimediaTime();

        MSG message = {};
        if (mode == RunMode::Preview) {
            while (GetMessageA(&message, nullptr, 0, 0) > 0) {
                TranslateMessage(&message);
                DispatchMessageA(&message);
            }
        } else {
            while (message.message != WM_QUIT) {
                if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
                    TranslateMessage(&message);
                    DispatchMessageA(&message);
                    continue;
                }
                // While the display is off nothing is drawn: the loop waits
                // for the message that says it is back (or any other), and
                // the next frame follows at once.
                if (!displayPower.DisplayOn()) {
                    WaitMessage();
                    continue;
                }
                const uint32_t now = GetTickCount();
                const uint32_t delay = FrameDelay(now, lastFrameTick);
                if (delay > 0) {
                    Sleep(delay);
                    continue;
                }
                lastFrameTick = now;
                if (renderingActive) {
                    FrameLockGuard guard(frameLock);
                    RenderFrame();
                }
            }
        }
    } catch (...) {
        // A frame that throws ends the saver as quietly as a key would.
        // The shut-down also tells the system that no saver runs any more
        // and gives the display its own mode back, which the end of the
        // process alone would not do for the first.
        Scene::DropPrepared();
        if (mode == RunMode::Saver || mode == RunMode::Test)
            Shutdown();
    }
    if (lockReady)
        DeleteCriticalSection(&frameLock);
    return 0;
}

void SaverApp::RenderFrame() {
    // One step of the flight a frame, drawn on the primary with the banner
    // and the fade, then on every other display that shows the sea, turned
    // towards its place. The unsigned difference stays right across a wrap
    // of the timer.
    const FlightView view = Scene::NextFlightView(flight);
    FrameOutcome outcome = scene.DrawView(render, view, ViewTurn{}, true, MultimediaTime() - startTime);
    for (uint32_t i = 0; i < otherViewCount && outcome != FrameOutcome::DeviceLost; ++i) {
        OtherDisplayView& other = *otherViews[i];
        const FrameOutcome shown = other.scene.DrawView(other.render, view, other.turn, false, 0);
        // The frame counts as the worst of its displays' pictures.
        if (outcome == FrameOutcome::Presented || shown == FrameOutcome::DeviceLost)
            outcome = shown;
    }
    // A lost device ends the saver, and so do frames that keep failing to
    // reach the screen (presents that fail, or overlay locks that drop the
    // frame), which would leave a frozen picture.
    if (outcome == FrameOutcome::DeviceLost || frameFailures.Note(outcome != FrameOutcome::Presented, GetTickCount()))
        RequestExit();
}

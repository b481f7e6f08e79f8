// SaverApp's main loop.
// PLACEHOLDER: a plain message pump until the quit message; frame pacing and
// drawing come with the main loop proper.
#include "host/saver_app.h"

int SaverApp::RunMainLoop() {
    try {
        if (renderingActive && !SetupDirect3D()) {
            ShowWindow(mainWindow, SW_HIDE);
            ShowCursor(TRUE);
            MessageBoxA(mainWindow, "Unknown error", "Brinemere Duzo Screensaver Error", MB_OK);
            renderingActive = false;
            return 0;
        }
        if (mode == RunMode::Saver)
            SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, TRUE, nullptr, 0);
        startTime = GetTickCount();
        MSG message;
        while (GetMessageA(&message, nullptr, 0, 0) > 0) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    } catch (...) {
    }
    return 0;
}

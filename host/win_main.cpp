// Process entry of the screen-saver module.
#include <windows.h>

#include <new>

#include "d3dx/system_library.h"
#include "host/saver_app.h"
#include "resources/saver_names.h"
#include "host/structured_exception.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    // Before anything can load a DLL by name: none comes from the folder the
    // module was started from (a download folder, a USB stick).
    SearchSystemDirectoryOnly();
    InstallStructuredExceptionHandler();
    // A running full-screen copy wins in every mode, before the command line
    // is even read.
    HWND running = FindWindowA(kSaverWindowClass, kSaverWindowTitle);
    if (running != nullptr) {
        BringWindowForward(running);
        EndProcess();
    }

    SaverApp* app = new (std::nothrow) SaverApp();
    if (app == nullptr) {
        saverApp = nullptr;
        return 0;
    }
    if (!app->Initialize(instance)) {
        MessageBoxA(app->mainWindow, "Initialization failed...", kSaverName, MB_OK);
        return 0;
    }
    app->Run();
    ShowCursor(TRUE);
    delete app;
    EndProcess();
}

// The last-chance handler for structured exceptions, and the watchdog that
// keeps its Direct3D release from hanging the process.
#include "host/structured_exception.h"

#include <windows.h>

#include "host/saver_app.h"

namespace {

// A driver that faulted may still hold a lock that its Reset and Release
// take too: the release gets this long before the process ends without it.
constexpr DWORD kReleaseWatchdogMs = 2000;

DWORD programThread = 0;
LONG handling = 0;
// Set by the handler; the watchdog thread, started with the handler (a
// thread started inside it could wait for the loader lock a faulted driver
// holds), then gives the handler its time and ends the process.
HANDLE watchdogArmed = nullptr;

DWORD WINAPI Watchdog(void*) {
    WaitForSingleObject(watchdogArmed, INFINITE);
    Sleep(kReleaseWatchdogMs);
    EndProcess();
}

// What needs nothing of Direct3D, whose state nobody can trust any more:
// the system hears that no saver runs, the display gets its own mode back
// and the frozen picture goes.
void EndTheSaverWithoutDirect3D(bool onProgramThread) {
    if (saverApp == nullptr || saverApp->mode != RunMode::Saver)
        return;
    SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, nullptr, 0);
    if (saverApp->render.device != nullptr)
        ChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr);  // the registry's mode
    // Another thread's windows are hidden without waiting for that thread,
    // which may be the one stuck in the driver.
    const auto hide = [onProgramThread](HWND window) {
        if (window != nullptr)
            onProgramThread ? ShowWindow(window, SW_HIDE) : ShowWindowAsync(window, SW_HIDE);
    };
    hide(saverApp->mainWindow);
    for (uint32_t i = 0; i < saverApp->monitorCount && i < kMaxMonitorRecords; ++i)
        hide(saverApp->monitors[i].window);
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    // A fault while this handler runs (its own steps failing) ends the
    // process at once.
    if (InterlockedExchange(&handling, 1) != 0)
        EndProcess();
    // From here the process ends within the watchdog's time whatever hangs.
    if (watchdogArmed != nullptr)
        SetEvent(watchdogArmed);
    const bool onProgramThread = GetCurrentThreadId() == programThread;
    EndTheSaverWithoutDirect3D(onProgramThread);
    // Then the orderly release, only on the program's own thread with stack
    // to spare: on a thread of Direct3D's it would wait for that very thread.
    const bool stackGone = exception != nullptr && exception->ExceptionRecord != nullptr &&
                           exception->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW;
    if (onProgramThread && !stackGone && saverApp != nullptr)
        saverApp->Shutdown();
    EndProcess();
}

}  // namespace

void InstallStructuredExceptionHandler() {
    programThread = GetCurrentThreadId();
    watchdogArmed = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (watchdogArmed != nullptr) {
        HANDLE thread = CreateThread(nullptr, 0, Watchdog, nullptr, 0, nullptr);
        if (thread != nullptr)
            CloseHandle(thread);
    }
    // The handler ends the process itself, before the system would show its
    // crash dialog. (No SetErrorMode: the browser started for the home page
    // would inherit it.)
    SetUnhandledExceptionFilter(OnUnhandledException);
}

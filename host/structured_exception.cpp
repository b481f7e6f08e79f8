// The last-chance handler for structured exceptions.
#include "host/structured_exception.h"

#include <windows.h>

#include "host/direct3d_globals.h"
#include "host/saver_app.h"

namespace {

DWORD programThread = 0;
LONG handling = 0;

// What can be done without touching Direct3D, whose state nobody can trust
// any more: the running flag and the display mode, then the end.
[[noreturn]] void EndWithoutDirect3D() {
    if (saverApp != nullptr && saverApp->mode == RunMode::Saver) {
        SystemParametersInfoA(SPI_SETSCREENSAVERRUNNING, FALSE, nullptr, 0);
        if (device != nullptr)
            ChangeDisplaySettingsExA(nullptr, nullptr, nullptr, 0, nullptr);  // the registry's mode
    }
    EndProcess();
}

LONG WINAPI OnUnhandledException(EXCEPTION_POINTERS* exception) {
    // A fault inside this handler (the shut-down itself failing) or a stack
    // with no room left takes the short way.
    const bool again = InterlockedExchange(&handling, 1) != 0;
    const bool stackGone = exception != nullptr && exception->ExceptionRecord != nullptr &&
                           exception->ExceptionRecord->ExceptionCode == EXCEPTION_STACK_OVERFLOW;
    // The full shut-down only on the program's own thread: on a thread of
    // Direct3D's, releasing the device would wait for that very thread.
    if (!again && !stackGone && GetCurrentThreadId() == programThread && saverApp != nullptr)
        saverApp->Shutdown();
    EndWithoutDirect3D();
}

}  // namespace

void InstallStructuredExceptionHandler() {
    programThread = GetCurrentThreadId();
    // The handler ends the process itself, before the system would show its
    // crash dialog. (No SetErrorMode: the browser started for the home page
    // would inherit it.)
    SetUnhandledExceptionFilter(OnUnhandledException);
}

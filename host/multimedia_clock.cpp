// timeGetTime, resolved at run time from the system's winmm.dll.
#include "host/multimedia_clock.h"

#include <windows.h>

#include "d3dx/system_library.h"

namespace {

using TimeGetTimeFunction = DWORD(WINAPI*)();

TimeGetTimeFunction ResolveTimeGetTime() {
    HMODULE winmm = LoadSystemLibrary("winmm.dll");
    const FARPROC entry = winmm != nullptr ? GetProcAddress(winmm, "timeGetTime") : nullptr;
    return reinterpret_cast<TimeGetTimeFunction>(reinterpret_cast<void*>(entry));
}

}  // namespace

uint32_t MultimediaTime() {
    static const TimeGetTimeFunction systemTime = ResolveTimeGetTime();  // once; the DLL stays loaded
    return systemTime != nullptr ? systemTime() : GetTickCount();
}

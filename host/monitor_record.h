// One listed display device: where the saver puts a window on it.
#pragma once

#include <windows.h>

struct MonitorRecord {
    char adapterName[128];
    char monitorName[128];
    HMONITOR monitor;  // 0 when the device is not attached to the desktop
    RECT desktopRect;  // in the units the process works in (see ListDisplays); all 0 when not attached
    HWND window;       // the saver window on this display
};

constexpr unsigned kMaxMonitorRecords = 9;

// The user32 calls behind the display list, through pointers that tests can
// point at a made-up set of display devices.
struct DisplayApi {
    BOOL(WINAPI* enumDisplayDevices)(LPCSTR device, DWORD index, PDISPLAY_DEVICEA info, DWORD flags);
    BOOL(WINAPI* enumDisplaySettings)(LPCSTR device, DWORD mode, DEVMODEA* settings);
    HMONITOR(WINAPI* monitorFromRect)(LPCRECT rect, DWORD flags);
    BOOL(WINAPI* enumDisplayMonitors)(HDC dc, LPCRECT clip, MONITORENUMPROC callback, LPARAM context);
    BOOL(WINAPI* getMonitorInfo)(HMONITOR monitor, LPMONITORINFO info);
};
extern DisplayApi displayApi;

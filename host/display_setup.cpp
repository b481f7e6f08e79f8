// Display enumeration and the Direct3D device of the full-screen saver.
#include <cstdio>
#include <cstring>

#include "host/direct3d_globals.h"
#include "host/saver_app.h"

IDirect3D9* direct3d = nullptr;
IDirect3DDevice9* device = nullptr;
bool wideScreen = false;

void SaverApp::EnumerateDisplays() {
    monitorCount = 0;
    DISPLAY_DEVICEA adapter;
    for (DWORD index = 0;; ++index) {
        std::memset(&adapter, 0, sizeof adapter);
        adapter.cb = sizeof adapter;
        if (!EnumDisplayDevicesA(nullptr, index, &adapter, 0))
            break;
        if (adapter.StateFlags & DISPLAY_DEVICE_MIRRORING_DRIVER)
            continue;
        DISPLAY_DEVICEA monitorDevice = {};
        monitorDevice.cb = sizeof monitorDevice;
        EnumDisplayDevicesA(adapter.DeviceName, 0, &monitorDevice, 0);

        MonitorRecord& record = monitors[monitorCount];
        std::memset(&record, 0, sizeof record);
        std::snprintf(record.adapterName, sizeof record.adapterName, "%s", adapter.DeviceString);
        std::snprintf(record.monitorName, sizeof record.monitorName, "%s", monitorDevice.DeviceString);
        if (adapter.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP) {
            DEVMODEA settings = {};
            settings.dmSize = sizeof settings;
            EnumDisplaySettingsA(adapter.DeviceName, ENUM_CURRENT_SETTINGS, &settings);
            LONG left = 0, top = 0;
            if (!(adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE)) {
                left = settings.dmPosition.x;
                top = settings.dmPosition.y;
            }
            record.desktopRect = {left, top, left + static_cast<LONG>(settings.dmPelsWidth),
                                  top + static_cast<LONG>(settings.dmPelsHeight)};
            record.monitor = MonitorFromRect(&record.desktopRect, MONITOR_DEFAULTTONULL);
        }
        if (++monitorCount == kMaxMonitorRecords)
            break;
    }
}

// PLACEHOLDER: no device yet; the full-screen window shows its black background.
bool SaverApp::SetupDirect3D() { return true; }

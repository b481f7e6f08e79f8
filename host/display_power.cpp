// The display's power state from the system's power setting notifications.
#include "host/display_power.h"

#include <cstring>

namespace {

// GUID_CONSOLE_DISPLAY_STATE (Windows 8 on): 0 off, 1 on, 2 dimmed.
constexpr GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
// GUID_MONITOR_POWER_ON (Windows 7 on): 0 off, 1 on.
constexpr GUID kMonitorPowerOn = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
constexpr DWORD kDisplayOn = 1;
constexpr WORD kWindows8Version = 0x0602;

using RegisterFunction = HPOWERNOTIFY(WINAPI*)(HANDLE recipient, LPCGUID setting, DWORD flags);
using UnregisterFunction = BOOL(WINAPI*)(HPOWERNOTIFY registration);

FARPROC User32Entry(const char* name) {
    HMODULE user32 = GetModuleHandleA("user32.dll");
    return user32 != nullptr ? GetProcAddress(user32, name) : nullptr;
}

bool Windows8OrLater() {
    OSVERSIONINFOEXA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    version.dwMajorVersion = HIBYTE(kWindows8Version);
    version.dwMinorVersion = LOBYTE(kWindows8Version);
    const DWORDLONG condition = VerSetConditionMask(VerSetConditionMask(0, VER_MAJORVERSION, VER_GREATER_EQUAL),
                                                    VER_MINORVERSION, VER_GREATER_EQUAL);
    return VerifyVersionInfoA(&version, VER_MAJORVERSION | VER_MINORVERSION, condition) != FALSE;
}

}  // namespace

void DisplayPowerWatch::Register(HWND window) {
    const auto registerNotification =
        reinterpret_cast<RegisterFunction>(reinterpret_cast<void*>(User32Entry("RegisterPowerSettingNotification")));
    if (registerNotification == nullptr || registration_ != nullptr)
        return;
    registration_ = registerNotification(window, Windows8OrLater() ? &kConsoleDisplayState : &kMonitorPowerOn,
                                         DEVICE_NOTIFY_WINDOW_HANDLE);
}

void DisplayPowerWatch::Unregister() {
    const auto unregisterNotification = reinterpret_cast<UnregisterFunction>(
        reinterpret_cast<void*>(User32Entry("UnregisterPowerSettingNotification")));
    if (registration_ != nullptr && unregisterNotification != nullptr)
        unregisterNotification(registration_);
    registration_ = nullptr;
}

void DisplayPowerWatch::Note(const POWERBROADCAST_SETTING* setting) {
    if (setting == nullptr || setting->DataLength < sizeof(DWORD))
        return;
    if (!IsEqualGUID(setting->PowerSetting, kConsoleDisplayState) &&
        !IsEqualGUID(setting->PowerSetting, kMonitorPowerOn))
        return;
    DWORD state = 0;
    std::memcpy(&state, setting->Data, sizeof state);
    // Dimmed counts as off: the display is on its way there, and a dimmed
    // picture needs no new frames.
    displayOn_ = state == kDisplayOn;
}

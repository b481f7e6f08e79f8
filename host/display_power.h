// Whether the display is on, as the system tells a window that asked, so
// that the full-screen saver draws nothing while the power plan has turned
// the display off (or dimmed it on the way there).
#pragma once

#include <windows.h>

class DisplayPowerWatch {
public:
    // Asks the system to tell `window` (WM_POWERBROADCAST with
    // PBT_POWERSETTINGCHANGE) when the display goes off, dims or comes back:
    // the console display state from Windows 8 on, the monitor's power state
    // on Windows 7. The calls are looked up at run time; without them the
    // display counts as on for good.
    void Register(HWND window);
    void Unregister();
    // The setting a PBT_POWERSETTINGCHANGE carried; settings of other kinds
    // (and a missing one) change nothing.
    void Note(const POWERBROADCAST_SETTING* setting);
    bool DisplayOn() const { return displayOn_; }

private:
    HPOWERNOTIFY registration_ = nullptr;
    bool displayOn_ = true;
};

// End to end on real display layouts: the CTest entries e2e_layout_NAME run
// these tests on Xorg's dummy driver with several displays placed side by
// side, above one another, of different sizes (scripts/inside/test-env
// layout=NAME), each of which Wine shows as a monitor of its own. The tests
// read the layout from the system itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"

namespace {

struct Display {
    std::string device;
    bool primary = false;
    RECT rect = {};  // where it stands on the desktop now
    DWORD bitsPerPixel = 0;
};

bool operator==(const Display& a, const Display& b) {
    return a.device == b.device && a.primary == b.primary && EqualRect(&a.rect, &b.rect) &&
           a.bitsPerPixel == b.bitsPerPixel;
}

std::ostream& operator<<(std::ostream& out, const Display& d) {
    return out << d.device << (d.primary ? " (primary) " : " ") << d.rect.right - d.rect.left << "x"
               << d.rect.bottom - d.rect.top << " at " << d.rect.left << "," << d.rect.top;
}

// The displays attached to the desktop, as the system lists them now.
std::vector<Display> Displays() {
    std::vector<Display> displays;
    DISPLAY_DEVICEA adapter = {};
    adapter.cb = sizeof adapter;
    for (DWORD i = 0; EnumDisplayDevicesA(nullptr, i, &adapter, 0); ++i, adapter.cb = sizeof adapter) {
        if (!(adapter.StateFlags & DISPLAY_DEVICE_ATTACHED_TO_DESKTOP))
            continue;
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        if (!EnumDisplaySettingsA(adapter.DeviceName, ENUM_CURRENT_SETTINGS, &mode))
            continue;
        Display display;
        display.device = adapter.DeviceName;
        display.primary = (adapter.StateFlags & DISPLAY_DEVICE_PRIMARY_DEVICE) != 0;
        display.rect = {mode.dmPosition.x, mode.dmPosition.y, mode.dmPosition.x + static_cast<LONG>(mode.dmPelsWidth),
                        mode.dmPosition.y + static_cast<LONG>(mode.dmPelsHeight)};
        display.bitsPerPixel = mode.dmBitsPerPel;
        displays.push_back(display);
    }
    return displays;
}

// The share of a capture's pixels that are not black.
double LitShare(const ScreenPixels& shown) {
    size_t lit = 0;
    for (uint32_t pixel : shown.pixels)
        lit += Brightness(pixel) > 0 ? 1 : 0;
    return shown.pixels.empty() ? 1.0 : static_cast<double>(lit) / shown.pixels.size();
}

}  // namespace

// The full-screen saver on the primary display, in 800 x 600 or (where the
// display has no such mode) in its own mode; every other display black over
// exactly its rectangle; a key ends it, and every display has its own mode
// and place back.
TEST(EveryDisplay, ThePrimaryShowsTheSceneAndEveryOtherDisplayIsBlack) {
    const std::vector<Display> before = Displays();
    ASSERT_FALSE(before.empty());
    SaverProcess saver("", WithFault("none\nmeasure-frames-30"));
    ASSERT_TRUE(saver.Started());
    HWND window = saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForStandInLog("frame 30 sky", saver)) << StandInLog();
    PumpMessagesFor(300);  // the black windows follow the primary's change of mode

    const std::vector<Display> during = Displays();
    ASSERT_EQ(during.size(), before.size());
    const RECT desktop = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                          GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const char* layout = std::getenv("BRINEMERE_LAYOUT");  // set by the CTest entry
    SaveScreenshot(desktop, ScreenshotPath(std::string("layout-") + (layout != nullptr ? layout : "unnamed")));
    for (const Display& display : during) {
        SCOPED_TRACE(testing::Message() << display);
        const ScreenPixels shown = CaptureScreen(display.rect);
        const int width = shown.width, height = shown.height;
        bool covered = false;
        for (HWND each : saver.TopLevelWindows()) {
            RECT rect = {};
            covered =
                covered || (IsWindowVisible(each) && GetWindowRect(each, &rect) && EqualRect(&rect, &display.rect));
        }
        EXPECT_TRUE(covered) << "no window of the saver stands exactly over the display";
        if (display.primary) {
            EXPECT_GT(shown.MeanBrightness(0, 0, width, height / 3), 150.0) << "no sky on the primary display";
            EXPECT_GT(shown.MeanBrightness(0, height * 2 / 3, width / 2, height), 30.0) << "no lit sea below it";
        } else {
            EXPECT_EQ(LitShare(shown), 0.0) << "the display is not black all over";
        }
    }

    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(saver.WaitForExit(kExitMs), std::optional<DWORD>(0));
    WithFault("");
    PumpMessagesFor(500);
    EXPECT_EQ(Displays(), before) << "a display did not get its own mode and place back";
}

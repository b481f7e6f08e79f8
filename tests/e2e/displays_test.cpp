// End to end on real display layouts: the CTest entries e2e_layout_NAME run
// these tests on Xorg's dummy driver with several displays placed side by
// side, above one another, of different sizes (scripts/inside/test-env
// layout=NAME), each of which Wine shows as a monitor of its own. The tests
// read the layout from the system itself.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/e2e/e2e_settings.h"
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

// How far (in rows) the picture along the 4 columns of `a` from `aLeft`
// stands from that along the 4 columns of `b` from `bLeft`: the shift that
// lines their rows' mean brightness up best over the middle rows, and how
// much they still differ there (mean brightness difference, 0..765).
struct EdgeMatch {
    int shift = 0;
    double difference = 1e9;
};
EdgeMatch MatchEdges(const ScreenPixels& a, int aLeft, const ScreenPixels& b, int bLeft) {
    EdgeMatch best;
    const int rows = std::min(a.height, b.height), margin = 40;
    for (int shift = -margin; shift <= margin; ++shift) {
        double sum = 0;
        for (int y = margin; y < rows - margin; ++y)
            sum += std::abs(a.MeanBrightness(aLeft, y, aLeft + 4, y + 1) -
                            b.MeanBrightness(bLeft, y + shift, bLeft + 4, y + shift + 1));
        if (sum / (rows - 2 * margin) < best.difference)
            best = {shift, sum / (rows - 2 * margin)};
    }
    return best;
}

// The saver in the layout the test environment shows, with "AllDisplays"
// as given (none: not stored); a screenshot of the desktop is saved as
// layout-NAME plus `suffix`. Checks that every display is covered by a
// window of the saver and that a key ends it with every display's mode and
// place given back; returns the displays as they stood and what each showed.
struct Shown {
    Display display;
    ScreenPixels pixels;
};
std::vector<Shown> RunInLayout(const std::optional<std::string>& allDisplays, const std::string& suffix,
                               const std::string& fault = "none") {
    ClearSettings();
    if (allDisplays.has_value())
        WriteSetting(pinned::kAllDisplays, *allDisplays);
    std::vector<Shown> shown;
    const std::vector<Display> before = Displays();
    EXPECT_FALSE(before.empty());
    SaverProcess saver("", WithFault(fault + "\nmeasure-frames-30"));
    EXPECT_TRUE(saver.Started());
    HWND window = saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs);
    EXPECT_NE(window, nullptr);
    if (window == nullptr)
        return shown;
    EXPECT_TRUE(WaitForStandInLog("frame 30 sky", saver)) << StandInLog();
    PumpMessagesFor(300);  // the black windows follow the primary's change of mode

    const std::vector<Display> during = Displays();
    EXPECT_EQ(during.size(), before.size());
    const RECT desktop = {GetSystemMetrics(SM_XVIRTUALSCREEN), GetSystemMetrics(SM_YVIRTUALSCREEN),
                          GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN),
                          GetSystemMetrics(SM_YVIRTUALSCREEN) + GetSystemMetrics(SM_CYVIRTUALSCREEN)};
    const char* layout = std::getenv("BRINEMERE_LAYOUT");  // set by the CTest entry
    SaveScreenshot(desktop, ScreenshotPath(std::string("layout-") + (layout != nullptr ? layout : "unnamed") + suffix));
    for (const Display& display : during) {
        SCOPED_TRACE(testing::Message() << display);
        bool covered = false;
        for (HWND each : saver.TopLevelWindows()) {
            RECT rect = {};
            covered =
                covered || (IsWindowVisible(each) && GetWindowRect(each, &rect) && EqualRect(&rect, &display.rect));
        }
        EXPECT_TRUE(covered) << "no window of the saver stands exactly over the display";
        shown.push_back({display, CaptureScreen(display.rect)});
    }
    for (HWND each : saver.TopLevelWindows()) {
        char name[64] = {};
        GetClassNameA(each, name, sizeof name);
        EXPECT_STRNE(name, pinned::kDialogClass) << "the saver shows a message";
    }

    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(saver.WaitForExit(kExitMs), std::optional<DWORD>(0));
    WithFault("");
    ClearSettings();
    PumpMessagesFor(500);
    EXPECT_EQ(Displays(), before) << "a display did not get its own mode and place back";
    return shown;
}

// Sky in the top third and lit sea in the bottom one.
void ExpectSkyAboveSea(const ScreenPixels& shown) {
    const int width = shown.width, height = shown.height;
    EXPECT_GT(shown.MeanBrightness(0, 0, width, height / 3), 150.0) << "no sky";
    EXPECT_GT(shown.MeanBrightness(0, height * 2 / 3, width / 2, height), 30.0) << "no lit sea below it";
}

}  // namespace

// The full-screen saver on the primary display, in 800 x 600 or (where the
// display has no such mode) in its own mode; every other display black over
// exactly its rectangle; a key ends it, and every display has its own mode
// and place back.
TEST(EveryDisplay, ThePrimaryShowsTheSceneAndEveryOtherDisplayIsBlack) {
    for (const Shown& each : RunInLayout(std::nullopt, "")) {
        SCOPED_TRACE(testing::Message() << each.display);
        if (each.display.primary)
            ExpectSkyAboveSea(each.pixels);
        else
            EXPECT_EQ(LitShare(each.pixels), 0.0) << "the display is not black all over";
    }
}

// With "AllDisplays" 1 every display shows the sea, each in its own mode,
// looking the way its place beside the primary implies: beside it, sky
// above and sea below, continuing the primary's picture across their common
// edge; above it, the sky higher up.
TEST(EveryDisplay, WithTheChoiceEveryDisplayShowsItsPartOfOnePanorama) {
    // One flight on every run, so that the pictures compared are alike.
    const std::vector<Shown> shown = RunInLayout("1", "-every-display", "none\nseed-4242");
    const auto primary =
        std::find_if(shown.begin(), shown.end(), [](const Shown& each) { return each.display.primary; });
    ASSERT_NE(primary, shown.end());
    const RECT& p = primary->display.rect;
    for (const Shown& each : shown) {
        SCOPED_TRACE(testing::Message() << each.display);
        const RECT& r = each.display.rect;
        const ScreenPixels& pixels = each.pixels;
        if (r.bottom <= p.top) {
            EXPECT_GT(pixels.MeanBrightness(0, 0, pixels.width, pixels.height), 150.0) << "no sky above";
            continue;
        }
        ExpectSkyAboveSea(pixels);
        // Side by side at the same height: one picture across the edge.
        if (each.display.primary || r.top != p.top || r.bottom != p.bottom)
            continue;
        const bool right = r.left == p.right;
        ASSERT_TRUE(right || r.right == p.left);
        const EdgeMatch match = right ? MatchEdges(primary->pixels, primary->pixels.width - 4, pixels, 0)
                                      : MatchEdges(primary->pixels, 0, pixels, pixels.width - 4);
        // Lined up, the two edges differ by about 12 (the waves' fine
        // detail); the neighbour's picture 20 pixels further in already
        // differs by 25 at a shift of 7 rows.
        EXPECT_LE(std::abs(match.shift), 3) << "the horizon breaks at the edge";
        EXPECT_LT(match.difference, 20.0) << "the pictures do not continue across the edge";
    }
}

// A display whose device cannot be made keeps its black window; the others
// and the primary show the sea, and nothing is said.
TEST(EveryDisplay, AnotherDisplayWithoutADeviceStaysBlackAndNothingIsSaid) {
    for (const Shown& each : RunInLayout("1", "-other-devices-fail", "other-devices-fail")) {
        SCOPED_TRACE(testing::Message() << each.display);
        if (each.display.primary)
            ExpectSkyAboveSea(each.pixels);
        else
            EXPECT_EQ(LitShare(each.pixels), 0.0) << "the display is not black all over";
    }
}

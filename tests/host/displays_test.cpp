// The display list and where the full-screen windows go, on made-up displays.
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/saver_app.h"

namespace {

struct FakeDisplay {
    std::string name;
    DWORD flags;
    POINT position;  // in the display's own pixels, as its mode says
    DWORD width, height;
    int scale = 100;  // percent
};

std::vector<FakeDisplay> fakeDisplays;
// How Windows shows the displays to the process: 0 when it is per-monitor
// aware (every display in its own pixels), else the system scale of a
// system-aware process, which sees a display at another scale scaled by
// system / display scale.
int systemScale = 0;

constexpr uintptr_t kFirstMonitor = 0x10000;
constexpr DWORD kAttached = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
constexpr DWORD kPrimary = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE;

// A display's monitor rectangle in the units of the process.
RECT InProcessUnits(const FakeDisplay& d) {
    const bool primary = (d.flags & kPrimary) == kPrimary;
    RECT r = {primary ? 0 : d.position.x, primary ? 0 : d.position.y, 0, 0};
    r.right = r.left + LONG(d.width);
    r.bottom = r.top + LONG(d.height);
    if (systemScale != 0)
        for (LONG* edge : {&r.left, &r.top, &r.right, &r.bottom})
            *edge = MulDiv(*edge, systemScale, d.scale);
    return r;
}

BOOL WINAPI FakeEnumDisplayDevices(LPCSTR device, DWORD index, PDISPLAY_DEVICEA info, DWORD) {
    if (device != nullptr) {  // the monitor of an adapter
        if (index != 0)
            return FALSE;
        std::snprintf(info->DeviceString, sizeof info->DeviceString, "Monitor on %s", device);
        return TRUE;
    }
    if (index >= fakeDisplays.size())
        return FALSE;
    const FakeDisplay& d = fakeDisplays[index];
    std::snprintf(info->DeviceName, sizeof info->DeviceName, "%s", d.name.c_str());
    std::snprintf(info->DeviceString, sizeof info->DeviceString, "Adapter %s", d.name.c_str());
    info->StateFlags = d.flags;
    return TRUE;
}

BOOL WINAPI FakeEnumDisplaySettings(LPCSTR device, DWORD, DEVMODEA* settings) {
    for (const FakeDisplay& d : fakeDisplays)
        if (d.name == device) {
            settings->dmPosition.x = d.position.x;
            settings->dmPosition.y = d.position.y;
            settings->dmPelsWidth = d.width;
            settings->dmPelsHeight = d.height;
            return TRUE;
        }
    return FALSE;
}

HMONITOR WINAPI FakeMonitorFromRect(LPCRECT, DWORD) { return nullptr; }

// Each attached display is a monitor, its handle counting from kFirstMonitor.
BOOL WINAPI FakeEnumDisplayMonitors(HDC, LPCRECT, MONITORENUMPROC callback, LPARAM context) {
    for (size_t i = 0; i < fakeDisplays.size(); ++i) {
        RECT rect = InProcessUnits(fakeDisplays[i]);
        if ((fakeDisplays[i].flags & kAttached) &&
            !callback(reinterpret_cast<HMONITOR>(kFirstMonitor + i), nullptr, &rect, context))
            break;
    }
    return TRUE;
}

BOOL WINAPI FakeGetMonitorInfo(HMONITOR monitor, LPMONITORINFO info) {
    const size_t i = reinterpret_cast<uintptr_t>(monitor) - kFirstMonitor;
    if (i >= fakeDisplays.size() || info->cbSize != sizeof(MONITORINFOEXA))
        return FALSE;
    info->rcMonitor = info->rcWork = InProcessUnits(fakeDisplays[i]);
    info->dwFlags = (fakeDisplays[i].flags & kPrimary) == kPrimary ? MONITORINFOF_PRIMARY : 0;
    std::snprintf(reinterpret_cast<MONITORINFOEXA*>(info)->szDevice, CCHDEVICENAME, "%s", fakeDisplays[i].name.c_str());
    return TRUE;
}

class Displays : public ::testing::Test {
protected:
    void SetUp() override {
        saved = displayApi;
        displayApi = {FakeEnumDisplayDevices, FakeEnumDisplaySettings, FakeMonitorFromRect, FakeEnumDisplayMonitors,
                      FakeGetMonitorInfo};
    }
    void TearDown() override {
        displayApi = saved;
        fakeDisplays.clear();
        systemScale = 0;
    }
    DisplayApi saved;
};

TEST_F(Displays, MirrorsSkippedUnattachedKeptAtMostNine) {
    fakeDisplays = {
        {"\\\\.\\DISPLAY1", kPrimary, {-500, -20}, 1024, 768},
        {"\\\\.\\MIRROR", DISPLAY_DEVICE_MIRRORING_DRIVER | kAttached, {0, 0}, 800, 600},
        {"\\\\.\\DISPLAY2", kAttached, {1024, 100}, 1280, 1024},
        {"\\\\.\\DISPLAY3", 0, {0, 0}, 0, 0},
    };
    SaverApp app;
    app.EnumerateDisplays();
    ASSERT_EQ(app.monitorCount, 3u);
    // The primary display sits at (0, 0) whatever its settings say.
    EXPECT_EQ(app.monitors[0].desktopRect.left, 0);
    EXPECT_EQ(app.monitors[0].desktopRect.top, 0);
    EXPECT_EQ(app.monitors[0].desktopRect.right, 1024);
    EXPECT_EQ(app.monitors[0].desktopRect.bottom, 768);
    EXPECT_STREQ(app.monitors[0].adapterName, "Adapter \\\\.\\DISPLAY1");
    EXPECT_STREQ(app.monitors[0].monitorName, "Monitor on \\\\.\\DISPLAY1");
    EXPECT_NE(app.monitors[0].monitor, nullptr);
    // The mirror got no record; the second display keeps its position.
    EXPECT_EQ(app.monitors[1].desktopRect.left, 1024);
    EXPECT_EQ(app.monitors[1].desktopRect.top, 100);
    EXPECT_EQ(app.monitors[1].desktopRect.right, 2304);
    // An unattached device is listed without a monitor or a rectangle.
    EXPECT_EQ(app.monitors[2].monitor, nullptr);
    EXPECT_EQ(app.monitors[2].desktopRect.right, 0);

    fakeDisplays.clear();
    for (int i = 0; i < 10; ++i)
        fakeDisplays.push_back({"\\\\.\\DISPLAY" + std::to_string(i + 1), kAttached, {i * 100, 0}, 100, 100});
    app.EnumerateDisplays();
    EXPECT_EQ(app.monitorCount, 9u);
}

// The primary keeps the window Direct3D draws into, at the desktop's origin;
// every other display gets a black, topmost, owned window that covers it
// exactly where it stands once the primary shows 800 x 600 (it moves then),
// at any scale, in the units the process sees it in.
TEST_F(Displays, EveryOtherDisplayIsCoveredWhereverItStandsAtAnyScale) {
    const struct {
        const char* layout;
        std::vector<FakeDisplay> before, after;  // the primary switched to 800 x 600 in `after`
        int systemScale;                         // 0: the process is per-monitor aware
    } layouts[] = {
        {"right of",
         {{"P", kPrimary, {0, 0}, 1920, 1080}, {"R", kAttached, {1920, 0}, 1280, 1024}},
         {{"P", kPrimary, {0, 0}, 800, 600}, {"R", kAttached, {800, 0}, 1280, 1024}},
         0},
        {"left of",
         {{"P", kPrimary, {0, 0}, 1920, 1080}, {"L", kAttached, {-1280, 56}, 1280, 1024}},
         {{"P", kPrimary, {0, 0}, 800, 600}, {"L", kAttached, {-1280, 56}, 1280, 1024}},
         0},
        {"above, listed first",
         {{"A", kAttached, {0, -900}, 1600, 900}, {"P", kPrimary, {0, 0}, 1920, 1080}},
         {{"A", kAttached, {0, -900}, 1600, 900}, {"P", kPrimary, {0, 0}, 800, 600}},
         0},
        {"three of different sizes",
         {{"P", kPrimary, {0, 0}, 1920, 1080},
          {"L", kAttached, {-1024, 300}, 1024, 768},
          {"R", kAttached, {1920, -200}, 2560, 1440}},
         {{"P", kPrimary, {0, 0}, 800, 600},
          {"L", kAttached, {-1024, 300}, 1024, 768},
          {"R", kAttached, {800, -200}, 2560, 1440}},
         0},
        {"mixed 100, 125, 150 and 200 %, per-monitor aware",
         {{"P", kPrimary, {0, 0}, 1920, 1080, 100},
          {"L", kAttached, {-2400, 0}, 2400, 1350, 125},
          {"R", kAttached, {1920, 0}, 2880, 1620, 150},
          {"A", kAttached, {0, -2160}, 3840, 2160, 200}},
         {{"P", kPrimary, {0, 0}, 800, 600, 100},
          {"L", kAttached, {-2400, 0}, 2400, 1350, 125},
          {"R", kAttached, {800, 0}, 2880, 1620, 150},
          {"A", kAttached, {0, -2160}, 3840, 2160, 200}},
         0},
        {"a laptop at 150 % with a display at 100 % to its right, system aware",
         {{"P", kPrimary, {0, 0}, 2880, 1620, 150}, {"R", kAttached, {2880, 0}, 1920, 1080, 100}},
         {{"P", kPrimary, {0, 0}, 800, 600, 150}, {"R", kAttached, {800, 0}, 1920, 1080, 100}},
         150},
        {"displays at 125 % to the left and 200 % above one at 100 %, system aware",
         {{"P", kPrimary, {0, 0}, 1920, 1080, 100},
          {"L", kAttached, {-2400, 0}, 2400, 1350, 125},
          {"A", kAttached, {0, -2160}, 3840, 2160, 200}},
         {{"P", kPrimary, {0, 0}, 800, 600, 100},
          {"L", kAttached, {-2400, 0}, 2400, 1350, 125},
          {"A", kAttached, {0, -2160}, 3840, 2160, 200}},
         100},
    };
    for (const auto& layout : layouts) {
        SCOPED_TRACE(layout.layout);
        systemScale = layout.systemScale;
        fakeDisplays = layout.before;
        SaverApp app;
        app.mode = RunMode::Saver;
        app.instance = GetModuleHandleA(nullptr);
        app.EnumerateDisplays();
        ASSERT_TRUE(app.CreateSaverWindows());
        ShowCursor(TRUE);
        fakeDisplays = layout.after;
        app.PlaceDisplayWindows();

        RECT primary = {};
        GetWindowRect(app.mainWindow, &primary);
        EXPECT_EQ(primary.left, 0);
        EXPECT_EQ(primary.top, 0);
        EXPECT_EQ(primary.right, 800);
        EXPECT_EQ(primary.bottom, 600);
        unsigned covered = 0;
        for (const FakeDisplay& display : layout.after) {
            if (display.flags & DISPLAY_DEVICE_PRIMARY_DEVICE)
                continue;
            const RECT want = InProcessUnits(display);
            for (uint32_t i = 0; i < app.monitorCount; ++i) {
                HWND window = app.monitors[i].window;
                RECT got = {};
                if (window == nullptr || window == app.mainWindow || !GetWindowRect(window, &got) ||
                    !EqualRect(&got, &want))
                    continue;
                ++covered;
                EXPECT_EQ(GetWindow(window, GW_OWNER), app.mainWindow);
                EXPECT_TRUE(GetWindowLongA(window, GWL_EXSTYLE) & WS_EX_TOPMOST);
                EXPECT_TRUE(IsWindowVisible(window));
            }
        }
        EXPECT_EQ(covered, layout.after.size() - 1) << "a display left uncovered";
        DestroyWindow(app.mainWindow);
    }
}

TEST_F(Displays, NoMonitorAtAllIsAnInitializationFailure) {
    SaverApp app;
    app.mode = RunMode::Saver;
    app.instance = GetModuleHandleA(nullptr);
    app.monitorCount = 1;  // an unattached device only
    EXPECT_FALSE(app.CreateSaverWindows());
    ShowCursor(TRUE);
    EXPECT_EQ(app.mainWindow, nullptr);
}

}  // namespace

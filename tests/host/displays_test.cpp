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
    POINT position;
    DWORD width, height;
};

std::vector<FakeDisplay> fakeDisplays;

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

// Every attached rectangle is "a monitor": its handle tells its left edge.
HMONITOR WINAPI FakeMonitorFromRect(LPCRECT rect, DWORD) {
    return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x10000 + rect->left));
}

constexpr DWORD kAttached = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP;
constexpr DWORD kPrimary = DISPLAY_DEVICE_ATTACHED_TO_DESKTOP | DISPLAY_DEVICE_PRIMARY_DEVICE;

class Displays : public ::testing::Test {
protected:
    void SetUp() override {
        saved = displayApi;
        displayApi = {FakeEnumDisplayDevices, FakeEnumDisplaySettings, FakeMonitorFromRect};
    }
    void TearDown() override {
        displayApi = saved;
        fakeDisplays.clear();
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

TEST_F(Displays, SaverWindowsOnTheFirstTwoRecordsOnly) {
    SaverApp app;
    app.mode = RunMode::Saver;
    app.instance = GetModuleHandleA(nullptr);
    app.monitorCount = 3;
    const HMONITOR someMonitor = reinterpret_cast<HMONITOR>(1);
    app.monitors[0].monitor = someMonitor;
    app.monitors[0].desktopRect = {0, 0, 1024, 768};
    app.monitors[1].monitor = someMonitor;
    app.monitors[1].desktopRect = {1024, 40, 2304, 1064};
    app.monitors[2].monitor = someMonitor;
    ASSERT_TRUE(app.CreateSaverWindows());
    ShowCursor(TRUE);
    EXPECT_EQ(app.monitorCount, 2u);
    EXPECT_EQ(app.mainWindow, app.monitors[0].window);
    EXPECT_EQ(app.monitors[2].window, nullptr);
    RECT first = {}, second = {};
    GetWindowRect(app.monitors[0].window, &first);
    GetWindowRect(app.monitors[1].window, &second);
    EXPECT_EQ(first.left, 0);
    EXPECT_EQ(first.right - first.left, 800);
    EXPECT_EQ(first.bottom - first.top, 600);
    // The second window: left edge 800, the record's own top and size.
    EXPECT_EQ(second.left, 800);
    EXPECT_EQ(second.top, 40);
    EXPECT_EQ(second.right - second.left, 1280);
    EXPECT_EQ(GetWindow(app.monitors[1].window, GW_OWNER), app.mainWindow);
    EXPECT_TRUE(GetWindowLongA(app.mainWindow, GWL_EXSTYLE) & WS_EX_TOPMOST);
    DestroyWindow(app.mainWindow);
}

TEST_F(Displays, WithoutRecordZeroTheSecondWindowLeads) {
    SaverApp app;
    app.mode = RunMode::Saver;
    app.instance = GetModuleHandleA(nullptr);
    app.monitorCount = 2;
    app.monitors[1].monitor = reinterpret_cast<HMONITOR>(1);
    app.monitors[1].desktopRect = {1024, 0, 1664, 480};
    ASSERT_TRUE(app.CreateSaverWindows());
    ShowCursor(TRUE);
    EXPECT_EQ(app.monitors[0].window, nullptr);
    EXPECT_EQ(app.mainWindow, app.monitors[1].window);
    RECT rect = {};
    GetWindowRect(app.mainWindow, &rect);
    EXPECT_EQ(rect.left, 800);
    DestroyWindow(app.mainWindow);
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

// The saver window's handling of system commands and of the display's power
// state, message by message.
#include <gtest/gtest.h>

#include <cstring>
#include <vector>

#include "host/saver_app.h"
#include "host/saver_window.h"

namespace {

std::vector<WPARAM> passedOn;  // the system commands that reached the default processing

LRESULT WINAPI RecordDefault(HWND, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_SYSCOMMAND)
        passedOn.push_back(wParam);
    return 0;
}

// The full-screen saver lets the power plan turn the display off and
// swallows every other system command; the test window is an ordinary
// window that never starts the screen saver or powers the display down;
// the preview swallows them all.
TEST(SaverWindow, SystemCommandsThatReachTheDefaultProcessing) {
    const struct {
        RunMode mode;
        WPARAM command;
        bool passed;
    } cases[] = {
        {RunMode::Saver, SC_MONITORPOWER, true},    {RunMode::Saver, SC_MONITORPOWER | 2, true},
        {RunMode::Saver, SC_SCREENSAVE, false},     {RunMode::Saver, SC_CLOSE, false},
        {RunMode::Saver, SC_MOVE, false},           {RunMode::Test, SC_CLOSE, true},
        {RunMode::Test, SC_MONITORPOWER, false},    {RunMode::Test, SC_SCREENSAVE, false},
        {RunMode::Preview, SC_MONITORPOWER, false}, {RunMode::Preview, SC_CLOSE, false},
    };
    defaultWindowProcedure = RecordDefault;
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << "mode " << static_cast<int>(c.mode) << ", command 0x" << std::hex
                                        << c.command);
        SaverApp app;
        app.mode = c.mode;
        passedOn.clear();
        EXPECT_EQ(app.HandleWindowMessage(nullptr, WM_SYSCOMMAND, c.command, 2), 0);
        EXPECT_EQ(passedOn, c.passed ? std::vector<WPARAM>{c.command} : std::vector<WPARAM>{});
    }
    defaultWindowProcedure = DefWindowProcA;
}

// What the system reports of the display decides whether frames are drawn:
// the console display state (Windows 8 on) and the monitor's power state
// (Windows 7) alike; dimmed counts as off; other settings change nothing.
TEST(SaverWindow, TheDisplaysPowerStateDecidesWhetherFramesAreDrawn) {
    const GUID consoleDisplay = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    const GUID monitorPower = {0x02731015, 0x4510, 0x4526, {0x99, 0xe6, 0xe5, 0xa1, 0x7e, 0xbd, 0x1a, 0xea}};
    const GUID powerScheme = {0x245d8541, 0x3943, 0x4422, {0xb0, 0x25, 0x13, 0xa7, 0x84, 0xf6, 0x79, 0xb7}};
    const struct {
        const GUID* setting;
        DWORD value;
        bool displayOn;
    } sequence[] = {
        {&consoleDisplay, 0, false}, {&consoleDisplay, 1, true}, {&consoleDisplay, 2, false}, {&powerScheme, 1, false},
        {&monitorPower, 1, true},    {&monitorPower, 0, false},  {&consoleDisplay, 1, true},
    };
    SaverApp app;
    app.mode = RunMode::Saver;
    EXPECT_TRUE(app.displayPower.DisplayOn()) << "until told otherwise";
    for (const auto& step : sequence) {
        POWERBROADCAST_SETTING setting = {*step.setting, sizeof(DWORD), {}};
        std::memcpy(setting.Data, &step.value, sizeof step.value);
        app.HandleWindowMessage(nullptr, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&setting));
        EXPECT_EQ(app.displayPower.DisplayOn(), step.displayOn) << "value " << step.value;
    }
    app.HandleWindowMessage(nullptr, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, 0);
    EXPECT_TRUE(app.displayPower.DisplayOn());
}

}  // namespace

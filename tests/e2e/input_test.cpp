// End to end: the rules by which input ends (or does not end) the running
// full-screen saver, the test window, and the web pages it asks the shell for.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "tests/e2e/e2e_settings.h"
#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"
#include "tests/support/shell_request_log.h"

namespace {

constexpr DWORD kSettleMs = 700;  // long enough for the saver to act on what it was sent
// The stand-in d3d9.dll logs the first frame it presents.
const char kFirstFrameLogged[] = "none\nmeasure-frames-1";

class FullScreenSaver : public ::testing::Test {
protected:
    void TearDown() override {
        saver.reset();  // ended, if it still runs, before its settings go
        ClearSettings();
        WithFault("");
    }

    // Starts the saver on the stand-in with `fault` and waits for its window
    // and its first frame (set-up done, the display in its mode, so that the
    // window stays where it is).
    HWND Start(const std::string& fault = kFirstFrameLogged) {
        saver.emplace("", WithFault(fault));
        EXPECT_TRUE(saver->Started());
        HWND window = saver->WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs);
        EXPECT_NE(window, nullptr) << "no full-screen saver window";
        EXPECT_TRUE(WaitForStandInLog("frame 1 sky", *saver)) << StandInLog();
        PumpMessagesFor(kSettleMs);
        return window;
    }

    DWORD ExitCode() {
        const std::optional<DWORD> code = saver->WaitForExit(kExitMs);
        EXPECT_TRUE(code.has_value()) << "the saver did not end";
        return code.value_or(0xFFFFFFFF);
    }

    std::optional<SaverProcess> saver;
};

void MoveMouse(HWND window, int x, int y) {
    PostMessageA(window, WM_MOUSEMOVE, 0,
                 MAKELPARAM(static_cast<WORD>(static_cast<int16_t>(x)), static_cast<WORD>(static_cast<int16_t>(y))));
}

// The position Wine may already have reported when the window appeared, so
// that the test's first move does not count a second time.
POINT CursorInClient(HWND window) {
    POINT cursor = {};
    GetCursorPos(&cursor);
    ScreenToClient(window, &cursor);
    return cursor;
}

TEST_F(FullScreenSaver, SixthNewMousePositionEndsItWhenChosen) {
    WriteSetting(pinned::kExitOnMouse, "1");
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    const POINT start = CursorInClient(window);
    MoveMouse(window, start.x, start.y);
    // Four more new positions (one of them negative, as a second display to
    // the left reports), with repeats that never count.
    const POINT moves[] = {
        {start.x + 7, start.y}, {start.x + 7, start.y}, {-3, -9}, {-3, -9}, {-3, -9}, {40, 300}, {41, 300}};
    for (const POINT& p : moves)
        MoveMouse(window, p.x, p.y);
    PumpMessagesFor(kSettleMs);
    ASSERT_TRUE(saver->IsRunning()) << "ended before the sixth new position";
    MoveMouse(window, 41, 300);  // the same again: still five
    PumpMessagesFor(kSettleMs);
    ASSERT_TRUE(saver->IsRunning());
    MoveMouse(window, 500, 10);
    EXPECT_EQ(ExitCode(), 0u);
}

TEST_F(FullScreenSaver, MouseAloneNeverEndsItByDefault) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    for (int i = 0; i < 20; ++i)
        MoveMouse(window, i * 13, i * 7);
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    PostMessageA(window, WM_RBUTTONDOWN, MK_RBUTTON, 0);
    PostMessageA(window, WM_CLOSE, 0, 0);
    PostMessageA(window, WM_SYSCOMMAND, SC_SCREENSAVE, 0);
    PostMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMRESUMEAUTOMATIC, 0);
    PumpMessagesFor(kSettleMs);
    ASSERT_TRUE(saver->IsRunning()) << "mouse, clicks, close or system commands ended it";
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(ExitCode(), 0u);
}

TEST_F(FullScreenSaver, SuspendEndsIt) {
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_POWERBROADCAST, PBT_APMSUSPEND, 0);
    EXPECT_EQ(ExitCode(), 0u);
}

TEST_F(FullScreenSaver, SpaceBarAsksForTheHomePageAndEnds) {
    ShellRequestLog shell;
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, VK_SPACE, 0);
    EXPECT_EQ(ExitCode(), 0u);
    const std::vector<std::string> requests = shell.Requests(1, 10000);
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0].rfind("https://", 0), 0u) << requests[0];
}

TEST_F(FullScreenSaver, AnyOtherKeyEndsItWithoutAPage) {
    ShellRequestLog shell;
    HWND window = Start();
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_KEYDOWN, 'Q', 0);
    EXPECT_EQ(ExitCode(), 0u);
    EXPECT_TRUE(shell.Requests(1, 1500).empty());
}

// The frames the stand-in has presented so far (its log-presents option).
unsigned Presented() {
    const std::string log = StandInLog();
    const size_t at = log.rfind("\npresented ");
    return at == std::string::npos ? 0 : unsigned(std::strtoul(log.c_str() + at + 11, nullptr, 10));
}

// The power plan may turn the display off: the monitor-power command goes on
// to the system, the saver keeps running without drawing while the display
// is off, shows the scene again as soon as it is back, and ends on a key.
TEST_F(FullScreenSaver, DrawsNothingWhileTheDisplayIsOff) {
    const GUID kConsoleDisplayState = {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}};
    constexpr DWORD kOff = 0, kOn = 1;
    constexpr DWORD kDarkMs = 1500;
    HWND window = Start(std::string(kFirstFrameLogged) + "\nlog-presents");
    ASSERT_NE(window, nullptr);
    PostMessageA(window, WM_SYSCOMMAND, SC_MONITORPOWER, 2);
    ASSERT_TRUE(saver->PostPowerSetting(window, kConsoleDisplayState, kOff));
    PumpMessagesFor(kSettleMs);
    const unsigned dark = Presented();
    PumpMessagesFor(kDarkMs);
    ASSERT_TRUE(saver->IsRunning()) << "the display going off ended the saver";
    EXPECT_EQ(Presented(), dark) << "frames presented while the display is off";
    ASSERT_TRUE(saver->PostPowerSetting(window, kConsoleDisplayState, kOn));
    PumpMessagesFor(kSettleMs);
    EXPECT_GT(Presented(), dark) << "no frame once the display is back";
    EXPECT_GT(CaptureScreen({0, 0, 800, 600}).MeanBrightness(0, 0, 800, 200), 150.0) << "no sky once it is back";
    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(ExitCode(), 0u);
}

// The test window shows the live scene in a 600 x 400 window; keys and
// clicks in it do nothing, and real input closes it: Alt+F4 and its close box.
TEST(TestWindow, ShowsTheSceneUntilAltF4OrTheCloseBoxEndsIt) {
    constexpr DWORD kSceneMs = 2500;  // past the opening fade
    SaverOptions options;
    options.wineDrawsCaptions = true;
    for (const bool altF4 : {true, false}) {
        SCOPED_TRACE(altF4 ? "Alt+F4" : "close box");
        SaverProcess saver("/t", options);
        ASSERT_TRUE(saver.Started());
        HWND window = saver.WaitForWindow(pinned::kTestClass, pinned::kTestTitle, kStartMs);
        ASSERT_NE(window, nullptr);
        const RECT client = ClientRectOnScreen(window);
        EXPECT_EQ(client.right - client.left, 600);
        EXPECT_EQ(client.bottom - client.top, 400);
        const std::string find = std::string("xdotool search --name '^") + pinned::kTestTitle + "$'";
        ASSERT_TRUE(RunUnixCommand(find + " windowfocus --sync key a space && xdotool click 1"));
        PumpMessagesFor(kSceneMs);
        ASSERT_TRUE(saver.IsRunning()) << "a key or a click ended the test window";
        EXPECT_FALSE(saver.WaitForMessageBox(0).has_value()) << "the test window shows a message";

        // Sky above the horizon and a lit sea below it, as full screen, once
        // the fade is over (later than kSceneMs on a busy machine).
        double sky = 0.0, sea = 0.0;
        for (const DWORD deadline = GetTickCount() + Scaled(kStartMs); sky <= 150.0 && GetTickCount() < deadline;
             PumpMessagesFor(100)) {
            const ScreenPixels scene = CaptureScreen(client);
            sky = scene.MeanBrightness(0, 0, 600, 130);
            sea = scene.MeanBrightness(0, 270, 400, 400);
        }
        SaveScreenshot(client, ScreenshotPath("test-window"));
        EXPECT_GT(sky, 150.0) << "no lit sky in the test window";
        EXPECT_GT(sea, 30.0) << "no lit sea in the test window";

        if (altF4) {
            ASSERT_TRUE(RunUnixCommand(find + " windowfocus --sync key alt+F4"));
        } else {
            // The close box: where the window itself says it is.
            RECT frame = {};
            GetWindowRect(window, &frame);
            POINT close = {-1, -1};
            for (int x = frame.right - 1; x > frame.left && close.x < 0; --x)
                for (int y = frame.top; y < client.top && close.x < 0; ++y) {
                    DWORD_PTR hit = 0;
                    SendMessageTimeoutA(window, WM_NCHITTEST, 0, MAKELPARAM(x, y), SMTO_ABORTIFHUNG, 1000, &hit);
                    if (hit == HTCLOSE)
                        close = {x - 4, y + 4};
                }
            ASSERT_GE(close.x, 0) << "no close box on the test window";
            ASSERT_TRUE(RunUnixCommand("xdotool mousemove " + std::to_string(close.x) + " " + std::to_string(close.y) +
                                       " click 1"));
        }
        const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
        ASSERT_TRUE(code.has_value()) << "the test window did not close";
        EXPECT_EQ(*code, 0u);
    }
}

}  // namespace

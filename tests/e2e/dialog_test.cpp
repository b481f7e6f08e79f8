// End to end: the configuration dialog, driven like a user would drive it,
// with the registry read back afterwards.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>

#include <string>

#include "tests/e2e/e2e_settings.h"
#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"
#include "tests/support/shell_request_log.h"

namespace {

constexpr int kOk = pinned::kOkButton, kCancel = pinned::kCancelButton, kHomePage = pinned::kHomePageButton;
constexpr int kWideScreen = pinned::kWideScreenCheckBox, kExitOnMouse = pinned::kExitOnMouseCheckBox;
constexpr int kSpeed = pinned::kSpeedTrackbar, kAllDisplays = pinned::kAllDisplaysCheckBox;

// The four settings as the registry holds them (none: not stored).
using Stored = std::optional<std::string>;
void ExpectStored(const Stored& wideScreen, const Stored& exitOnMouse, const Stored& camSpeed,
                  const Stored& allDisplays) {
    EXPECT_EQ(ReadSetting(pinned::kWideScreen), wideScreen);
    EXPECT_EQ(ReadSetting(pinned::kExitOnMouse), exitOnMouse);
    EXPECT_EQ(ReadSetting(pinned::kCamSpeed), camSpeed);
    EXPECT_EQ(ReadSetting(pinned::kAllDisplays), allDisplays);
}

// What the dialog shows, read through its controls.
struct DialogState {
    bool wideScreen;
    bool exitOnMouse;
    int speedMin, speedMax, speed;
    bool allDisplays;
    bool operator==(const DialogState& o) const {
        return wideScreen == o.wideScreen && exitOnMouse == o.exitOnMouse && speedMin == o.speedMin &&
               speedMax == o.speedMax && speed == o.speed && allDisplays == o.allDisplays;
    }
};
std::ostream& operator<<(std::ostream& out, const DialogState& s) {
    return out << "wide screen " << s.wideScreen << ", exit on mouse " << s.exitOnMouse << ", speed " << s.speed
               << " of " << s.speedMin << ".." << s.speedMax << ", every display " << s.allDisplays;
}

class ConfigDialog : public ::testing::Test {
protected:
    void SetUp() override { ClearSettings(); }
    void TearDown() override { ClearSettings(); }

    HWND Open(SaverProcess& saver) {
        EXPECT_TRUE(saver.Started());
        HWND dialog = saver.WaitForWindow(pinned::kDialogClass, pinned::kDialogCaption, kStartMs);
        EXPECT_NE(dialog, nullptr) << "no configuration dialog";
        PumpMessagesFor(300);
        return dialog;
    }

    static DialogState Read(HWND dialog) {
        HWND speed = GetDlgItem(dialog, kSpeed);
        return {SendMessageA(GetDlgItem(dialog, kWideScreen), BM_GETCHECK, 0, 0) == BST_CHECKED,
                SendMessageA(GetDlgItem(dialog, kExitOnMouse), BM_GETCHECK, 0, 0) == BST_CHECKED,
                static_cast<int>(SendMessageA(speed, TBM_GETRANGEMIN, 0, 0)),
                static_cast<int>(SendMessageA(speed, TBM_GETRANGEMAX, 0, 0)),
                static_cast<int>(SendMessageA(speed, TBM_GETPOS, 0, 0)),
                SendMessageA(GetDlgItem(dialog, kAllDisplays), BM_GETCHECK, 0, 0) == BST_CHECKED};
    }

    static void Press(HWND dialog, int id) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    static void Change(HWND dialog, bool wideScreen, bool exitOnMouse, int speed, bool allDisplays) {
        SendMessageA(GetDlgItem(dialog, kWideScreen), BM_SETCHECK, wideScreen ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageA(GetDlgItem(dialog, kExitOnMouse), BM_SETCHECK, exitOnMouse ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageA(GetDlgItem(dialog, kSpeed), TBM_SETPOS, TRUE, speed);
        SendMessageA(GetDlgItem(dialog, kAllDisplays), BM_SETCHECK, allDisplays ? BST_CHECKED : BST_UNCHECKED, 0);
    }

    static DWORD ExitCode(SaverProcess& saver) {
        const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
        EXPECT_TRUE(code.has_value()) << "the dialog did not close";
        return code.value_or(0xFFFFFFFF);
    }
};

TEST_F(ConfigDialog, OpensWithDefaultsAndOkWritesAllFourValues) {
    SaverProcess saver("/c");
    HWND dialog = Open(saver);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Read(dialog), (DialogState{false, false, 1, 5, 3, false}));
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    SaveScreenshot(rect, ScreenshotPath("config-dialog"));

    // The check box of the sea on every display, with its caption, stands
    // visible inside the dialog, under the speed's group.
    HWND allDisplays = GetDlgItem(dialog, kAllDisplays);
    char caption[64] = {};
    GetWindowTextA(allDisplays, caption, sizeof caption);
    EXPECT_STREQ(caption, pinned::kAllDisplaysCaption);
    RECT box = {}, client = {}, slider = {};
    GetWindowRect(allDisplays, &box);
    GetWindowRect(GetDlgItem(dialog, kSpeed), &slider);
    GetClientRect(dialog, &client);
    MapWindowPoints(dialog, nullptr, reinterpret_cast<POINT*>(&client), 2);
    EXPECT_TRUE(IsWindowVisible(allDisplays));
    EXPECT_GT(box.top, slider.bottom);
    EXPECT_LE(box.bottom, client.bottom);
    EXPECT_LE(box.right, client.right);

    Press(dialog, kOk);
    EXPECT_EQ(ExitCode(saver), 0u);
    ExpectStored("0", "0", "3", "0");
}

TEST_F(ConfigDialog, OkStoresWhatTheUserChose) {
    WriteSetting(pinned::kWideScreen, "1");
    WriteSetting(pinned::kCamSpeed, "2");
    SaverProcess saver("/c:1234");
    HWND dialog = Open(saver);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Read(dialog), (DialogState{true, false, 1, 5, 2, false}));
    Change(dialog, false, true, 5, true);
    Press(dialog, kOk);
    EXPECT_EQ(ExitCode(saver), 0u);
    ExpectStored("0", "1", "5", "1");
}

TEST_F(ConfigDialog, CancelEscapeAndHomePageWriteNothing) {
    ShellRequestLog shell;
    WriteSetting(pinned::kCamSpeed, "4");
    struct {
        const char* arguments;
        int button;
    } closings[] = {{"/c 1234", kCancel}, {"/c", IDCANCEL}, {"/c", kHomePage}};
    for (const auto& closing : closings) {
        SCOPED_TRACE(closing.button);
        SaverProcess saver(closing.arguments);
        HWND dialog = Open(saver);
        ASSERT_NE(dialog, nullptr);
        EXPECT_EQ(Read(dialog).speed, 4);
        Change(dialog, true, true, 1, true);
        Press(dialog, closing.button);
        EXPECT_EQ(ExitCode(saver), 0u);
        ExpectStored(std::nullopt, std::nullopt, "4", std::nullopt);
    }
}

TEST_F(ConfigDialog, StoredValuesOutOfRangeOrNotNumbers) {
    const struct {
        const char* speed;
        const char* flag;
        int shownSpeed;
        bool shownChecked;
        bool shownAllDisplays;  // the flag stored as "AllDisplays", which only 1 checks
    } cases[] = {
        {"9", "1", 5, true, true},         // beyond the range: shown at its end
        {"-4", "0", 1, false, false},      // below it: the other end
        {"fast", "yes", 3, false, false},  // not numbers: the defaults
        {"0", "7", 3, true, false},        // 0 is shown as the middle; any non-zero flag checks
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.speed) + " / " + c.flag);
        WriteSetting(pinned::kCamSpeed, c.speed);
        WriteSetting(pinned::kExitOnMouse, c.flag);
        WriteSetting(pinned::kAllDisplays, c.flag);
        SaverProcess saver("/c");
        HWND dialog = Open(saver);
        ASSERT_NE(dialog, nullptr);
        const DialogState shown = Read(dialog);
        EXPECT_EQ(shown.speed, c.shownSpeed);
        EXPECT_EQ(shown.exitOnMouse, c.shownChecked);
        EXPECT_EQ(shown.allDisplays, c.shownAllDisplays);
        Press(dialog, kOk);
        EXPECT_EQ(ExitCode(saver), 0u);
        EXPECT_EQ(ReadSetting(pinned::kCamSpeed), std::optional<std::string>(std::to_string(c.shownSpeed)));
        EXPECT_EQ(ReadSetting(pinned::kAllDisplays), std::optional<std::string>(c.shownAllDisplays ? "1" : "0"));
    }
}

TEST_F(ConfigDialog, SecondConfigureBringsTheOpenDialogForward) {
    SaverProcess first("/c");
    HWND dialog = Open(first);
    ASSERT_NE(dialog, nullptr);
    ShowWindow(dialog, SW_HIDE);
    SaverProcess second("/c");
    ASSERT_TRUE(second.Started());
    const std::optional<DWORD> code = second.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    EXPECT_TRUE(WaitUntilVisible(dialog));
    EXPECT_TRUE(first.IsRunning());
    Press(dialog, kCancel);
    EXPECT_EQ(ExitCode(first), 0u);
}

}  // namespace

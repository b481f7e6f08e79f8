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
constexpr int kSpeed = pinned::kSpeedTrackbar;

// The three settings as the registry holds them (none: not stored).
using Stored = std::optional<std::string>;
void ExpectStored(const Stored& wideScreen, const Stored& exitOnMouse, const Stored& camSpeed) {
    EXPECT_EQ(ReadSetting(pinned::kWideScreen), wideScreen);
    EXPECT_EQ(ReadSetting(pinned::kExitOnMouse), exitOnMouse);
    EXPECT_EQ(ReadSetting(pinned::kCamSpeed), camSpeed);
}

// What the dialog shows, read through its controls.
struct DialogState {
    bool wideScreen;
    bool exitOnMouse;
    int speedMin, speedMax, speed;
    bool operator==(const DialogState& o) const {
        return wideScreen == o.wideScreen && exitOnMouse == o.exitOnMouse && speedMin == o.speedMin &&
               speedMax == o.speedMax && speed == o.speed;
    }
};
std::ostream& operator<<(std::ostream& out, const DialogState& s) {
    return out << "wide screen " << s.wideScreen << ", exit on mouse " << s.exitOnMouse << ", speed " << s.speed
               << " of " << s.speedMin << ".." << s.speedMax;
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
                static_cast<int>(SendMessageA(speed, TBM_GETPOS, 0, 0))};
    }

    static void Press(HWND dialog, int id) {
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
    }

    static void Change(HWND dialog, bool wideScreen, bool exitOnMouse, int speed) {
        SendMessageA(GetDlgItem(dialog, kWideScreen), BM_SETCHECK, wideScreen ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageA(GetDlgItem(dialog, kExitOnMouse), BM_SETCHECK, exitOnMouse ? BST_CHECKED : BST_UNCHECKED, 0);
        SendMessageA(GetDlgItem(dialog, kSpeed), TBM_SETPOS, TRUE, speed);
    }

    static DWORD ExitCode(SaverProcess& saver) {
        const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
        EXPECT_TRUE(code.has_value()) << "the dialog did not close";
        return code.value_or(0xFFFFFFFF);
    }
};

TEST_F(ConfigDialog, OpensWithDefaultsAndOkWritesAllThreeValues) {
    SaverProcess saver("/c");
    HWND dialog = Open(saver);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Read(dialog), (DialogState{false, false, 1, 5, 3}));
    RECT rect = {};
    GetWindowRect(dialog, &rect);
    SaveScreenshot(rect, ScreenshotPath("config-dialog"));

    Press(dialog, kOk);
    EXPECT_EQ(ExitCode(saver), 0u);
    ExpectStored("0", "0", "3");
}

TEST_F(ConfigDialog, OkStoresWhatTheUserChose) {
    WriteSetting(pinned::kWideScreen, "1");
    WriteSetting(pinned::kCamSpeed, "2");
    SaverProcess saver("/c:1234");
    HWND dialog = Open(saver);
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(Read(dialog), (DialogState{true, false, 1, 5, 2}));
    Change(dialog, false, true, 5);
    Press(dialog, kOk);
    EXPECT_EQ(ExitCode(saver), 0u);
    ExpectStored("0", "1", "5");
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
        Change(dialog, true, true, 1);
        Press(dialog, closing.button);
        EXPECT_EQ(ExitCode(saver), 0u);
        ExpectStored(std::nullopt, std::nullopt, "4");
    }
}

TEST_F(ConfigDialog, StoredValuesOutOfRangeOrNotNumbers) {
    const struct {
        const char* speed;
        const char* flag;
        int shownSpeed;
        bool shownChecked;
    } cases[] = {
        {"9", "1", 5, true},        // beyond the range: shown at its end
        {"-4", "0", 1, false},      // below it: the other end
        {"fast", "yes", 3, false},  // not numbers: the defaults
        {"0", "7", 3, true},        // 0 is shown as the middle; any non-zero flag checks
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.speed) + " / " + c.flag);
        WriteSetting(pinned::kCamSpeed, c.speed);
        WriteSetting(pinned::kExitOnMouse, c.flag);
        SaverProcess saver("/c");
        HWND dialog = Open(saver);
        ASSERT_NE(dialog, nullptr);
        const DialogState shown = Read(dialog);
        EXPECT_EQ(shown.speed, c.shownSpeed);
        EXPECT_EQ(shown.exitOnMouse, c.shownChecked);
        Press(dialog, kOk);
        EXPECT_EQ(ExitCode(saver), 0u);
        EXPECT_EQ(ReadSetting(pinned::kCamSpeed), std::optional<std::string>(std::to_string(c.shownSpeed)));
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

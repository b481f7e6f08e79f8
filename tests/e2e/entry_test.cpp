// End to end: the real module started under Wine in each run mode, checked
// from outside by its windows, message boxes and exit code.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"

namespace {

// A window of the test's own, standing in for a running copy of the saver
// or its open dialog. It starts hidden, so that "brought forward" shows.
class StandInWindow {
public:
    StandInWindow(const char* className, const char* title, DWORD style = WS_POPUP) {
        WNDCLASSA windowClass = {};
        windowClass.lpfnWndProc = DefWindowProcA;
        windowClass.hInstance = GetModuleHandleA(nullptr);
        windowClass.lpszClassName = className;
        RegisterClassA(&windowClass);
        window_ = CreateWindowExA(0, className, title, style, 10, 10, 152, 112, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    }
    ~StandInWindow() {
        if (IsWindow(window_))
            DestroyWindow(window_);
    }
    HWND get() const { return window_; }

private:
    HWND window_ = nullptr;
};

// A stand-in window made by a thread that then never reads its messages,
// as a hung copy of the saver would.
class HungWindow {
public:
    HungWindow(const char* className, const char* title) : className_(className), title_(title) {
        release_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        HANDLE ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        ready_ = ready;
        thread_ = CreateThread(nullptr, 0, &HungWindow::Main, this, 0, nullptr);
        WaitForSingleObject(ready, 10000);
        CloseHandle(ready);
    }
    ~HungWindow() {
        SetEvent(release_);
        WaitForSingleObject(thread_, 10000);
        CloseHandle(thread_);
        CloseHandle(release_);
    }
    HWND get() const { return window_; }

private:
    static DWORD WINAPI Main(void* context) {
        auto* self = static_cast<HungWindow*>(context);
        StandInWindow window(self->className_, self->title_, WS_POPUP | WS_VISIBLE);
        self->window_ = window.get();
        SetEvent(self->ready_);
        WaitForSingleObject(self->release_, INFINITE);  // no message is ever read
        return 0;
    }

    const char* className_;
    const char* title_;
    HANDLE ready_ = nullptr;
    HANDLE release_ = nullptr;
    HANDLE thread_ = nullptr;
    HWND window_ = nullptr;
};

DWORD ExitCodeOf(SaverProcess& saver, DWORD timeoutMs = kExitMs) {
    const std::optional<DWORD> code = saver.WaitForExit(timeoutMs);
    if (!code.has_value()) {
        ADD_FAILURE() << "the saver did not end within " << timeoutMs << " ms";
        return 0xFFFFFFFF;
    }
    return *code;
}

TEST(Entry, PasswordModeEndsAtOnceWithoutAWindow) {
    SaverProcess saver("/a 123");
    ASSERT_TRUE(saver.Started());
    bool sawWindow = false;
    while (saver.IsRunning()) {
        sawWindow = sawWindow || !saver.TopLevelWindows().empty();
        PumpMessagesFor(5);
    }
    EXPECT_EQ(ExitCodeOf(saver), 0u);
    EXPECT_FALSE(sawWindow);
}

TEST(Entry, FullScreenSaverEndsOnAKey) {
    SaverProcess saver("");
    ASSERT_TRUE(saver.Started());
    HWND window = saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs);
    ASSERT_NE(window, nullptr) << "no full-screen saver window appeared";
    // Mouse clicks and a close request do not end it.
    PostMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(10, 10));
    PostMessageA(window, WM_CLOSE, 0, 0);
    PumpMessagesFor(500);
    ASSERT_TRUE(saver.IsRunning());
    PostMessageA(window, WM_KEYDOWN, 'A', 0);
    EXPECT_EQ(ExitCodeOf(saver), 0u);
}

TEST(Entry, PreviewLivesInsideItsParentUntilTheParentGoes) {
    StandInWindow parent("PreviewHostForTest", "preview host", WS_OVERLAPPEDWINDOW | WS_VISIBLE);
    ASSERT_NE(parent.get(), nullptr);
    SaverProcess saver("/p " + std::to_string(reinterpret_cast<uintptr_t>(parent.get())));
    ASSERT_TRUE(saver.Started());
    HWND child = nullptr;
    for (DWORD waited = 0; child == nullptr && waited < kStartMs && saver.IsRunning(); waited += 50) {
        child = FindWindowExA(parent.get(), nullptr, pinned::kPreviewClass, pinned::kPreviewTitle);
        PumpMessagesFor(50);
    }
    ASSERT_NE(child, nullptr) << "no preview window inside the parent";
    PumpMessagesFor(300);
    EXPECT_TRUE(saver.IsRunning()) << "the preview must stay until its window goes";
    DestroyWindow(parent.get());
    EXPECT_EQ(ExitCodeOf(saver), 0u);
}

TEST(Entry, PreviewWithoutParentReportsInitializationFailure) {
    SaverProcess saver("/p");
    ASSERT_TRUE(saver.Started());
    const std::optional<MessageBoxInfo> box = saver.WaitForMessageBox(kStartMs);
    ASSERT_TRUE(box.has_value()) << "no message box";
    EXPECT_EQ(box->title, pinned::kSaverName);
    EXPECT_EQ(box->text, pinned::kInitializationFailedText);
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    PressButton(box->window, IDOK);
    EXPECT_EQ(ExitCodeOf(saver), 0u);
}

// Without Direct3D 9 the modes that draw with it (the full-screen saver and
// the test window) offer the download and end; the others do not care.
TEST(Entry, MissingDirect3DAsksToDownloadDirectXWhereItDraws) {
    SaverOptions options;
    options.dllOverrides = "d3d9=d";
    for (const char* arguments : {"", "/t", "/a"}) {
        SCOPED_TRACE(std::string("arguments \"") + arguments + "\"");
        SaverProcess saver(arguments, options);
        ASSERT_TRUE(saver.Started());
        if (std::string(arguments) == "/a") {
            EXPECT_EQ(ExitCodeOf(saver), 0u);
            EXPECT_FALSE(saver.WaitForMessageBox(0).has_value());
            continue;
        }
        const std::optional<MessageBoxInfo> box = saver.WaitForMessageBox(kStartMs);
        ASSERT_TRUE(box.has_value()) << "no message box";
        EXPECT_EQ(box->title, pinned::kDirectXMissingTitle);
        EXPECT_EQ(box->text, pinned::kDirectXMissingText);
        EXPECT_EQ(box->buttons, (std::vector<int>{IDYES, IDNO}));
        EXPECT_EQ(saver.WaitForWindow(nullptr, nullptr, 0), box->window)
            << "no saver window before Direct3D is known to be there";
        PressButton(box->window, IDNO);
        EXPECT_EQ(ExitCodeOf(saver), 0u);
    }
}

TEST(Entry, RunningFullScreenSaverIsBroughtForwardInEveryMode) {
    StandInWindow running(pinned::kSaverClass, pinned::kSaverName);
    ASSERT_NE(running.get(), nullptr);
    for (const char* arguments : {"", "/s", "/p 123", "/c", "/c:456", "/t", "/a 5", "/x"}) {
        SCOPED_TRACE(std::string("arguments \"") + arguments + "\"");
        ShowWindow(running.get(), SW_HIDE);
        SaverProcess saver(arguments);
        ASSERT_TRUE(saver.Started());
        EXPECT_EQ(ExitCodeOf(saver), 0u);
        EXPECT_TRUE(WaitUntilVisible(running.get())) << "the running saver was not brought forward";
        EXPECT_EQ(saver.WaitForWindow(nullptr, nullptr, 0), nullptr);
    }
}

// A hung copy (or dialog) never holds up a new start: bringing it forward
// must not wait for it.
TEST(Entry, AHungRunningCopyHoldsUpNoStart) {
    constexpr DWORD kHungStartMs = 8000;
    const struct {
        const char* className;
        const char* title;
        std::vector<const char*> arguments;
    } cases[] = {
        {pinned::kSaverClass, pinned::kSaverName, {"", "/s", "/p 123", "/c", "/t", "/a 5"}},
        {"ConfigDialogStandIn", pinned::kDialogCaption, {"/c", "/t"}},
    };
    for (const auto& hung : cases) {
        HungWindow window(hung.className, hung.title);
        ASSERT_NE(window.get(), nullptr);
        for (const char* arguments : hung.arguments) {
            SCOPED_TRACE(std::string(hung.title) + ", arguments \"" + arguments + "\"");
            SaverProcess saver(arguments);
            ASSERT_TRUE(saver.Started());
            EXPECT_EQ(ExitCodeOf(saver, kHungStartMs), 0u);
        }
    }
}

TEST(Entry, OpenConfigurationDialogIsBroughtForwardByConfigureAndTest) {
    StandInWindow dialog("ConfigDialogStandIn", pinned::kDialogCaption);
    ASSERT_NE(dialog.get(), nullptr);
    for (const char* arguments : {"/c", "/c 1234", "-C:99", "/t"}) {
        SCOPED_TRACE(arguments);
        ShowWindow(dialog.get(), SW_HIDE);
        SaverProcess saver(arguments);
        ASSERT_TRUE(saver.Started());
        EXPECT_EQ(ExitCodeOf(saver), 0u);
        EXPECT_TRUE(WaitUntilVisible(dialog.get())) << "the dialog was not brought forward";
    }
    // /a is not concerned by an open dialog and ends quietly as always.
    ShowWindow(dialog.get(), SW_HIDE);
    SaverProcess password("/a 1");
    EXPECT_EQ(ExitCodeOf(password), 0u);
    EXPECT_FALSE(IsWindowVisible(dialog.get()));
}

// The display's scale as Wine reads it when a process starts (LogPixels, as
// winecfg sets it; 96 in the test prefix), for as long as the object lives.
class DisplayDpi {
public:
    explicit DisplayDpi(DWORD dpi) { Set(dpi); }
    ~DisplayDpi() { Set(kPrefixDpi); }

private:
    static constexpr DWORD kPrefixDpi = 96;
    static void Set(DWORD dpi) {
        RegSetKeyValueA(HKEY_CURRENT_CONFIG, "Software\\Fonts", "LogPixels", REG_DWORD, &dpi, sizeof dpi);
    }
};

// The settings dialog's client size, after a screenshot of it.
SIZE ConfigDialogAt(DWORD dpi) {
    DisplayDpi scale(dpi);
    SaverProcess saver("/c");
    HWND dialog = saver.WaitForWindow(pinned::kDialogClass, pinned::kDialogCaption, kStartMs);
    if (dialog == nullptr) {
        ADD_FAILURE() << "no dialog at " << dpi << " dpi";
        return {};
    }
    PumpMessagesFor(500);
    RECT client = ClientRectOnScreen(dialog);
    SaveScreenshot(client, ScreenshotPath("config-dialog-" + std::to_string(dpi) + "dpi"));
    // Not cut off: every control lies inside the dialog, the dialog on the screen.
    for (HWND control = GetWindow(dialog, GW_CHILD); control != nullptr; control = GetWindow(control, GW_HWNDNEXT)) {
        RECT inside = {};
        GetWindowRect(control, &inside);
        RECT both = {};
        IntersectRect(&both, &inside, &client);
        EXPECT_TRUE(EqualRect(&both, &inside)) << "control " << GetDlgCtrlID(control) << " cut off at " << dpi;
    }
    EXPECT_GE(client.left, 0);
    EXPECT_LE(client.right, GetSystemMetrics(SM_CXSCREEN));
    EXPECT_LE(client.bottom, GetSystemMetrics(SM_CYSCREEN));
    PressButton(dialog, IDCANCEL);
    EXPECT_EQ(ExitCodeOf(saver), 0u);
    return {client.right - client.left, client.bottom - client.top};
}

// At 144 dpi (150 %) the full-screen window still covers the screen, the
// preview its parent, and the settings dialog is laid out by the saver at
// that scale (crisp: half as large again as at 96 dpi, where a process the
// system scales would be stretched by it) with nothing cut off.
TEST(Entry, At144DpiEveryWindowFitsItsPlace) {
    constexpr DWORD kHighDpi = 144;
    const SIZE normal = ConfigDialogAt(96);
    const SIZE high = ConfigDialogAt(kHighDpi);
    // The text's own metrics round a little either way.
    constexpr double kLayoutSlack = 0.06;
    EXPECT_NEAR(double(high.cx) / normal.cx, kHighDpi / 96.0, kLayoutSlack) << "not laid out at 144 dpi";
    EXPECT_NEAR(double(high.cy) / normal.cy, kHighDpi / 96.0, kLayoutSlack) << "not laid out at 144 dpi";

    DisplayDpi scale(kHighDpi);
    {
        PreviewHost host(152, 112);
        SaverProcess saver(host.Arguments());
        HWND preview = host.WaitForPreview(saver);
        ASSERT_NE(preview, nullptr);
        PumpMessagesFor(500);
        const RECT parent = ClientRectOnScreen(host.get());
        RECT shown = {};
        GetWindowRect(preview, &shown);
        EXPECT_TRUE(EqualRect(&shown, &parent)) << "the preview does not fill its parent";
        const ScreenPixels picture = CaptureScreen(parent);
        SaveScreenshot(parent, ScreenshotPath("preview-144dpi"));
        for (const POINT corner : {POINT{1, 1}, POINT{150, 1}, POINT{1, 110}, POINT{150, 110}})
            EXPECT_NE(picture.At(corner.x, corner.y), 0xFFFFFFu) << "the white parent shows at a corner";
        host.Close();
        EXPECT_EQ(ExitCodeOf(saver), 0u);
    }
    {
        // Frames counted by the stand-in, not the clock: the opening fade is
        // over by the twentieth however busy the machine is.
        SaverProcess saver("", WithFault("none\nmeasure-frames-20"));
        HWND window = saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs);
        ASSERT_NE(window, nullptr);
        ASSERT_TRUE(WaitForStandInLog("frame 20 sky", saver)) << StandInLog();
        PumpMessagesFor(100);
        const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        RECT covered = {};
        GetWindowRect(window, &covered);
        EXPECT_TRUE(EqualRect(&covered, &screen)) << "the full-screen window does not cover the screen";
        const ScreenPixels shown = CaptureScreen(screen);
        SaveScreenshot(screen, ScreenshotPath("saver-144dpi"));
        EXPECT_GT(shown.MeanBrightness(0, 0, screen.right, screen.bottom / 3), 150.0) << "no sky across the top";
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_EQ(ExitCodeOf(saver), 0u);
        WithFault("");
    }
}

}  // namespace

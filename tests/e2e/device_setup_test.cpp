// End to end: the full-screen saver against a d3d9.dll of ours that fails on
// request, one failure at a time: at set-up (the Direct3D object, the caps,
// the device, textures, buffers, shaders and declarations of the scene, a
// device lost while the scene is made), while it runs (failing locks,
// failing or crashing presents, a lost device) and at its exit (Reset, the
// display mode). Every case ends with exit code 0, no process left, and the
// system no longer told that a screen saver runs.
#include <gtest/gtest.h>

#include <string>

#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/shell_request_log.h"

namespace {

constexpr DWORD kRunMs = 1500;  // a few dozen frames
std::string DeviceCalls() { return StandInLog(); }

// The device creations the stand-in logged, one a line.
std::string CreateDeviceCalls() {
    std::string lines;
    const std::string log = DeviceCalls();
    for (size_t at = log.find("CreateDevice "); at != std::string::npos; at = log.find("CreateDevice ", at + 1))
        lines += log.substr(at, log.find('\n', at) - at + 1);
    return lines;
}

bool Logged(const std::string& text) { return DeviceCalls().find(text) != std::string::npos; }

bool WaitForLogged(const std::string& text, const SaverProcess& saver) { return WaitForStandInLog(text, saver); }

// What every run leaves behind: nothing.
void ExpectCleanEnd(SaverProcess& saver) {
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value()) << "the saver did not end";
    EXPECT_EQ(*code, 0u);
    EXPECT_EQ(SaverProcessCount(), 0) << "a saver process was left behind";
    EXPECT_FALSE(ScreenSaverRunningFlag()) << "the system still thinks a saver runs";
}

class DeviceSetup : public ::testing::Test {
protected:
    void SetUp() override {
        ForgetLog();
        ASSERT_EQ(SaverProcessCount(), 0) << "a saver from an earlier test still runs";
    }
    // Each run of the helpers below reads only its own lines of the log.
    static void ForgetLog() { DeleteFileA(SystemDirectoryPath("d3d9-calls.log").c_str()); }
    void TearDown() override { WithFault(""); }

    // The set-up fails with the given message; the process ends with 0.
    static void ExpectFailureMessage(const std::string& fault, const char* text) {
        ForgetLog();
        SaverProcess saver("", WithFault(fault));
        ASSERT_TRUE(saver.Started());
        const std::optional<MessageBoxInfo> box = saver.WaitForMessageBox(kStartMs);
        ASSERT_TRUE(box.has_value()) << "no message for " << fault;
        EXPECT_EQ(box->title, pinned::kErrorTitle);
        EXPECT_EQ(box->text, text);
        EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
        EXPECT_FALSE(ScreenSaverRunningFlag()) << "the system was told a saver runs";
        // Everything Direct3D went before the message, which shows on the
        // desktop in its own display mode.
        if (Logged("Direct3D object created")) {
            EXPECT_TRUE(Logged("Direct3D object released")) << DeviceCalls();
        }
        // The message is the only window left to the user.
        for (HWND window : saver.TopLevelWindows())
            EXPECT_TRUE(window == box->window || !IsWindowVisible(window));
        PressButton(box->window, IDOK);
        ExpectCleanEnd(saver);
    }

    // The saver starts with the fault, shows no message and ends by itself
    // once `logged` shows that the fault struck.
    static void ExpectEndingByItself(const std::string& fault, const std::string& logged) {
        ForgetLog();
        SaverProcess saver("", WithFault(fault));
        ASSERT_TRUE(saver.Started());
        ASSERT_NE(saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs), nullptr);
        EXPECT_TRUE(WaitForLogged(logged, saver) || Logged(logged)) << "never logged: " << logged << "\n"
                                                                    << DeviceCalls();
        EXPECT_FALSE(saver.WaitForMessageBox(0).has_value());
        ExpectCleanEnd(saver);
    }

    // The saver runs with the fault (until `logged` shows that the fault
    // struck, when given), shows no message, and a key ends it with 0.
    static void ExpectRunning(const std::string& fault, const std::string& logged = "") {
        ForgetLog();
        SaverProcess saver("", WithFault(fault));
        ASSERT_TRUE(saver.Started());
        HWND window = saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs);
        ASSERT_NE(window, nullptr);
        PumpMessagesFor(kRunMs);
        if (!logged.empty()) {
            EXPECT_TRUE(WaitForLogged(logged, saver)) << "never logged: " << logged << "\n" << DeviceCalls();
        }
        ASSERT_TRUE(saver.IsRunning());
        // The flag is raised when the loop starts, after the scene is built:
        // on a busy machine that can come later than kRunMs.
        for (const DWORD deadline = GetTickCount() + Scaled(kStartMs);
             !ScreenSaverRunningFlag() && GetTickCount() < deadline;)
            PumpMessagesFor(50);
        EXPECT_TRUE(ScreenSaverRunningFlag()) << "the system was not told that a saver runs";
        EXPECT_EQ(SaverProcessCount(), 1);
        EXPECT_FALSE(saver.WaitForMessageBox(0).has_value());
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        ExpectCleanEnd(saver);
    }
};

TEST_F(DeviceSetup, NoDirect3DObject) { ExpectFailureMessage("create-null", pinned::kNoDirect3DText); }

TEST_F(DeviceSetup, NoDeviceAtAll) {
    ExpectFailureMessage("device-fail", pinned::kNoDeviceText);
    // Hardware, then software vertex processing, both tried at 800 x 600 and
    // again in the display's own mode.
    EXPECT_EQ(CreateDeviceCalls(),
              "CreateDevice flags=0x40 result=0x8876086a\n"
              "CreateDevice flags=0x20 result=0x8876086a\n"
              "CreateDevice flags=0x40 result=0x8876086a\n"
              "CreateDevice flags=0x20 result=0x8876086a\n");
}

TEST_F(DeviceSetup, SoftwareVertexProcessingWhenHardwareFails) {
    ExpectRunning("hardware-vp-fail");
    EXPECT_EQ(CreateDeviceCalls(),
              "CreateDevice flags=0x40 result=0x8876086a\n"
              "CreateDevice flags=0x20 result=0x00000000\n");
}

TEST_F(DeviceSetup, CapsThatCannotBeReadSkipTheShaderCheck) {
    ExpectRunning("caps-fail");
    EXPECT_EQ(CreateDeviceCalls(), "CreateDevice flags=0x40 result=0x00000000\n");
}

TEST_F(DeviceSetup, NoPixelShader2WarnsOpensTheFaqAndEnds) {
    ShellRequestLog shell;
    SaverProcess saver("", WithFault("ps-1.4"));
    ASSERT_TRUE(saver.Started());
    const std::optional<MessageBoxInfo> box = saver.WaitForMessageBox(kStartMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, pinned::kWarningTitle);
    EXPECT_EQ(box->text, pinned::kPixelShaderText);
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    // The saver window is out of the way while the warning shows.
    HWND window = saver.WaitForWindow(pinned::kSaverClass, nullptr, 0);
    EXPECT_TRUE(window == nullptr || !IsWindowVisible(window));
    PressButton(box->window, IDOK);
    ExpectCleanEnd(saver);
    const std::vector<std::string> pages = shell.Requests(1, 10000);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("faq"), std::string::npos) << pages[0];
    EXPECT_EQ(CreateDeviceCalls(), "") << "no device is created on such a card";
}

TEST_F(DeviceSetup, ALostDeviceEndsTheSaverCleanly) {
    SaverProcess saver("", WithFault("lost-after-20"));
    ASSERT_TRUE(saver.Started());
    ASSERT_NE(saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs), nullptr);
    // No key, no mouse: the lost device alone ends it.
    ExpectCleanEnd(saver);
    EXPECT_NE(DeviceCalls().find("device lost after 20 frames"), std::string::npos) << DeviceCalls();
}

// Assembly: the banner and noise textures (and the locks that fill them)
// and the overlay buffer are needed; the sky faces, the sea's height frames
// and its buffers are not. The sea's reflection, grid, declaration or shaders
// missing: the sky, the sun and the banner show over a sea that is left out.
TEST_F(DeviceSetup, PartsAssemblyNeedsFailItOthersLeaveTheSaverRunning) {
    const struct {
        const char* fault;
        const char* logged;  // shows that the fault struck
        bool needed;         // the saver fails with a message
    } cases[] = {
        {"texture-fail-256x64", "CreateTexture 256x64 format 21", true},
        {"texture-fail-32x32", "CreateTexture 32x32 format 21", true},
        {"vertex-buffer-fail-192", "CreateVertexBuffer 192 bytes failed", true},
        {"texture-lock-fail", "texture LockRect failure 1", true},
        {"texture-fail-512x512", "CreateTexture 512x512", false},
        {"texture-fail-256x256", "CreateTexture 256x256", false},
        // The height stream of the 61 x 61 grid vertices, 8 bytes each.
        {"vertex-buffer-fail-29768", "CreateVertexBuffer 29768 bytes failed", false},
        {"cube-texture-fail", "CreateCubeTexture failed: 0x", false},
        {"index-buffer-fail", "CreateIndexBuffer failed: 0x", false},
        {"vertex-declaration-fail", "CreateVertexDeclaration failed: 0x", false},
        {"vertex-shader-fail", "CreateVertexShader failed: 0x", false},
        {"pixel-shader-fail", "CreatePixelShader failed: 0x", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.fault);
        if (c.needed)
            ExpectFailureMessage(c.fault, pinned::kNoTexturesText);
        else
            ExpectRunning(c.fault);
        EXPECT_TRUE(Logged(c.logged)) << DeviceCalls();
    }
}

TEST_F(DeviceSetup, ADeviceLostWhileTheSceneIsMadeEndsTheSaverAtItsFirstFrame) {
    ExpectEndingByItself("lost-during-setup", "device lost after 0 frames");
}

// An access violation inside a frame ends the saver as any other failure
// does: no crash, the flag cleared, exit code 0.
TEST_F(DeviceSetup, AnAccessViolationInAFrameEndsTheSaverCleanly) {
    ExpectEndingByItself("crash-after-20", "access violation in Present after 20 frames");
}

// A fault inside Present while the driver holds a lock that Reset and
// Release take too: the release that would wait forever gets two seconds.
// The windows are already hidden by then (and the display has its own mode
// back, which the one mode of the test display cannot show), and the
// process ends within three seconds of the fault.
TEST_F(DeviceSetup, AFaultHoldingTheDriversLockCannotHangTheExit) {
    constexpr DWORD kFaultToEndMs = 3000;
    SaverProcess saver("", WithFault("crash-locked-after-20"));
    HWND window = saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs);
    ASSERT_NE(window, nullptr);
    ASSERT_TRUE(WaitForLogged("access violation in Present holding the driver's lock", saver)) << DeviceCalls();
    const DWORD faulted = GetTickCount();
    ASSERT_TRUE(WaitForLogged("waits for the driver's lock", saver)) << DeviceCalls();
    EXPECT_FALSE(IsWindowVisible(window)) << "the frozen picture stays while Direct3D is released";
    EXPECT_FALSE(ScreenSaverRunningFlag()) << "the flag waits for the release";
    ExpectCleanEnd(saver);
    EXPECT_LT(GetTickCount() - faulted, kFaultToEndMs);
}

// At the exit: a failing Reset or an unreadable display mode does not keep
// the saver from ending.
TEST_F(DeviceSetup, TheExitEndsEvenWhenResetOrTheDisplayModeFails) {
    ExpectRunning("reset-fail");
    EXPECT_TRUE(Logged("Reset failed")) << DeviceCalls();
    ExpectRunning("display-mode-fail");
    EXPECT_TRUE(Logged("GetAdapterDisplayMode failed")) << DeviceCalls();
}

// While running: a frame whose locks fail is dropped and the next is shown;
// locks or presents that keep failing for a second end it, so the screen
// never stays frozen.
TEST_F(DeviceSetup, AFrameWhoseLocksFailIsDroppedAndTheNextIsShown) {
    ExpectRunning("lock-fail-after-30", "frame 32 presented after");
    EXPECT_TRUE(Logged("Lock failure 1 in frame 31")) << DeviceCalls();
}

TEST_F(DeviceSetup, LocksOrPresentsThatKeepFailingEndTheSaver) {
    ExpectEndingByItself("locks-fail-after-10", "Lock failure 1 ");
    ExpectEndingByItself("present-fail-after-10", "Present failure 1 ");
}

TEST_F(DeviceSetup, TheRealDeviceThroughTheStandIn) {
    ExpectRunning("none");
    EXPECT_EQ(CreateDeviceCalls(), "CreateDevice flags=0x40 result=0x00000000\n");
}

}  // namespace

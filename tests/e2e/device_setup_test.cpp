// End to end: the Direct3D set-up of the full-screen saver against a
// d3d9.dll of ours that fails on request, one failure at a time.
#include <gtest/gtest.h>

#include <fstream>
#include <string>

#include "tests/support/saver_process.h"
#include "tests/support/shell_request_log.h"

namespace {

constexpr DWORD kStartMs = 30000;
constexpr DWORD kExitMs = 30000;

std::string FaultFolderPath(const char* name) {
    const std::string module = FaultSaverModulePath();
    return module.substr(0, module.find_last_of("\\/") + 1) + name;
}

std::string LogPath() { return FaultFolderPath("d3d9-calls.log"); }

// The stand-in d3d9.dll reads its fault from a file beside it.
SaverOptions WithFault(const std::string& fault) {
    std::ofstream(FaultFolderPath("d3d9-fault.txt"), std::ios::out | std::ios::trunc) << fault << "\n";
    SaverOptions options;
    options.modulePath = FaultSaverModulePath();
    options.dllOverrides = "d3d9=n,b";
    return options;
}

std::string DeviceCalls() {
    std::ifstream file(LogPath());
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool ScreenSaverRunningFlag() {
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running != FALSE;
}

class DeviceSetup : public ::testing::Test {
protected:
    void SetUp() override { DeleteFileA(LogPath().c_str()); }
    void TearDown() override { DeleteFileA(FaultFolderPath("d3d9-fault.txt").c_str()); }

    // The set-up fails with the given message; the process ends with 0.
    static void ExpectFailureMessage(const std::string& fault, const char* text) {
        SaverProcess saver("", WithFault(fault));
        ASSERT_TRUE(saver.Started());
        const std::optional<MessageBoxInfo> box = saver.WaitForMessageBox(kStartMs);
        ASSERT_TRUE(box.has_value()) << "no message for " << fault;
        EXPECT_EQ(box->title, "Brinemere Duzo Screensaver Error");
        EXPECT_EQ(box->text, text);
        EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
        EXPECT_FALSE(ScreenSaverRunningFlag()) << "the system was told a saver runs";
        PressButton(box->window, IDOK);
        const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, 0u);
    }

    // The saver runs; a key ends it with 0.
    static void ExpectRunning(const std::string& fault) {
        SaverProcess saver("", WithFault(fault));
        ASSERT_TRUE(saver.Started());
        HWND window = saver.WaitForWindow("ZSaverClass", "Brinemere Duzo Screensaver", kStartMs);
        ASSERT_NE(window, nullptr);
        PumpMessagesFor(1500);
        ASSERT_TRUE(saver.IsRunning());
        EXPECT_FALSE(saver.WaitForMessageBox(0).has_value());
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
        ASSERT_TRUE(code.has_value());
        EXPECT_EQ(*code, 0u);
    }
};

TEST_F(DeviceSetup, NoDirect3DObject) {
    ExpectFailureMessage("create-null", "Unable to create Direct3D object");
}

TEST_F(DeviceSetup, NoDeviceAtAll) {
    ExpectFailureMessage("device-fail", "Unable to initialize Direct3D.");
    // Hardware, then software vertex processing, both tried.
    EXPECT_EQ(DeviceCalls(),
              "CreateDevice flags=0x40 result=0x8876086a\n"
              "CreateDevice flags=0x20 result=0x8876086a\n");
}

TEST_F(DeviceSetup, SoftwareVertexProcessingWhenHardwareFails) {
    ExpectRunning("hardware-vp-fail");
    EXPECT_EQ(DeviceCalls(),
              "CreateDevice flags=0x40 result=0x8876086a\n"
              "CreateDevice flags=0x20 result=0x00000000\n");
}

TEST_F(DeviceSetup, CapsThatCannotBeReadSkipTheShaderCheck) {
    ExpectRunning("caps-fail");
    EXPECT_EQ(DeviceCalls(), "CreateDevice flags=0x40 result=0x00000000\n");
}

TEST_F(DeviceSetup, NoPixelShader2WarnsOpensTheFaqAndEnds) {
    ShellRequestLog shell;
    SaverProcess saver("", WithFault("ps-1.4"));
    ASSERT_TRUE(saver.Started());
    const std::optional<MessageBoxInfo> box = saver.WaitForMessageBox(kStartMs);
    ASSERT_TRUE(box.has_value());
    EXPECT_EQ(box->title, "Warning");
    EXPECT_EQ(box->text,
              "Screensaver requires videocard with Pixel Shader v2.0 support and will not work "
              "on this computer ");
    EXPECT_EQ(box->buttons, std::vector<int>{IDOK});
    // The saver window is out of the way while the warning shows.
    HWND window = saver.WaitForWindow("ZSaverClass", nullptr, 0);
    EXPECT_TRUE(window == nullptr || !IsWindowVisible(window));
    PressButton(box->window, IDOK);
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value());
    EXPECT_EQ(*code, 0u);
    const std::vector<std::string> pages = shell.Requests(1, 10000);
    ASSERT_EQ(pages.size(), 1u);
    EXPECT_NE(pages[0].find("faq"), std::string::npos) << pages[0];
    EXPECT_EQ(DeviceCalls(), "") << "no device is created on such a card";
}

TEST_F(DeviceSetup, ALostDeviceEndsTheSaverCleanly) {
    SaverProcess saver("", WithFault("lost-after-20"));
    ASSERT_TRUE(saver.Started());
    ASSERT_NE(saver.WaitForWindow("ZSaverClass", "Brinemere Duzo Screensaver", kStartMs), nullptr);
    // No key, no mouse: the lost device alone ends it.
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    ASSERT_TRUE(code.has_value()) << "the saver kept running on a lost device";
    EXPECT_EQ(*code, 0u);
    EXPECT_NE(DeviceCalls().find("device lost after 20 frames"), std::string::npos) << DeviceCalls();
    EXPECT_FALSE(ScreenSaverRunningFlag()) << "the system still thinks a saver runs";
    EXPECT_FALSE(saver.WaitForMessageBox(0).has_value());
}

TEST_F(DeviceSetup, TheRealDeviceThroughTheStandIn) {
    ExpectRunning("none");
    EXPECT_EQ(DeviceCalls(), "CreateDevice flags=0x40 result=0x00000000\n");
}

}  // namespace

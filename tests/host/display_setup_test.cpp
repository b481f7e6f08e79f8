// The Direct3D set-up and its release, on the recording Direct3D object.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/direct3d_library.h"
#include "host/saver_app.h"
#include "host/setup_error.h"
#include "tests/support/call_recorder.h"
#include "tests/support/external_names.h"
#include "tests/support/recording_device.h"
#include "tests/support/recording_direct3d.h"

namespace {

// What the stand-in Direct3DCreate9 hands out next (one reference, given away).
RecordingDirect3D* nextDirect3D = nullptr;

IDirect3D9* WINAPI CreateRecordingDirect3D(UINT sdkVersion) {
    EXPECT_EQ(sdkVersion, 31u);
    RecordingDirect3D* object = nextDirect3D;
    nextDirect3D = nullptr;
    return object;
}

HRESULT WINAPI FailToCreateMatrixStack(DWORD, ID3DXMatrixStack** stack) {
    *stack = nullptr;
    return E_OUTOFMEMORY;
}

class DeviceSetup : public ::testing::Test {
protected:
    void SetUp() override {
        RegDeleteTreeA(HKEY_CURRENT_USER, pinned::kMakerKey);
        recorder = std::make_shared<CallRecorder>();
        fake = RecordingDirect3D::Create(recorder);
        nextDirect3D = fake;
        direct3dCreate9 = CreateRecordingDirect3D;
        setupErrorCode = 0;
        app = std::make_unique<SaverApp>();
        app->mode = RunMode::Saver;
        // The scene has tests of its own; here assembly builds nothing.
        app->renderingActive = false;
    }
    void TearDown() override {
        app->Shutdown();
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
        EXPECT_EQ(recorder->LiveObjectCount(), 0u) << recorder->Dump();
        if (nextDirect3D != nullptr)
            nextDirect3D->Release();
        nextDirect3D = nullptr;
        direct3dCreate9 = nullptr;
        createMatrixStack = D3DXCreateMatrixStack;
        RegDeleteTreeA(HKEY_CURRENT_USER, pinned::kMakerKey);
    }

    std::vector<std::string> CreateDeviceFlags() const {
        std::vector<std::string> flags;
        for (const RecordedCall& call : recorder->CallsTo("CreateDevice"))
            flags.push_back(std::to_string(call.args.at(3)) + (SUCCEEDED(call.result) ? " ok" : " failed"));
        return flags;
    }

    std::shared_ptr<CallRecorder> recorder;
    RecordingDirect3D* fake = nullptr;
    std::unique_ptr<SaverApp> app;
};

TEST_F(DeviceSetup, FullScreenDeviceAsTheSaverNeedsIt) {
    fake->DesktopMode().Format = D3DFMT_R5G6B5;  // a 16-bit desktop
    HKEY key = nullptr;
    ASSERT_EQ(
        RegCreateKeyExA(HKEY_CURRENT_USER, pinned::kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
        ERROR_SUCCESS);
    RegSetValueExA(key, pinned::kWideScreen, 0, REG_SZ, reinterpret_cast<const BYTE*>("1"), 2);
    RegCloseKey(key);
    app->mainWindow = reinterpret_cast<HWND>(0x1234);

    ASSERT_TRUE(app->SetupDirect3D());
    EXPECT_EQ(setupErrorCode, 0);
    EXPECT_TRUE(app->render.wideScreen);
    EXPECT_NE(app->render.matrixStack, nullptr);
    ASSERT_NE(fake->LastDevice(), nullptr);
    EXPECT_EQ(static_cast<IDirect3DDevice9*>(fake->LastDevice()), app->render.device);

    const D3DPRESENT_PARAMETERS& p = fake->LastDevice()->PresentParameters();
    EXPECT_EQ(p.BackBufferWidth, 800u);
    EXPECT_EQ(p.BackBufferHeight, 600u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8) << "32-bit whatever the desktop";
    EXPECT_EQ(p.BackBufferCount, 1u);
    EXPECT_EQ(p.MultiSampleType, D3DMULTISAMPLE_NONE);
    EXPECT_EQ(p.SwapEffect, D3DSWAPEFFECT_DISCARD);
    EXPECT_EQ(p.hDeviceWindow, app->mainWindow);
    EXPECT_FALSE(p.Windowed);
    EXPECT_TRUE(p.EnableAutoDepthStencil);
    EXPECT_EQ(p.AutoDepthStencilFormat, D3DFMT_D16);
    EXPECT_EQ(p.FullScreen_RefreshRateInHz, 0u);
    EXPECT_EQ(p.PresentationInterval, static_cast<UINT>(D3DPRESENT_INTERVAL_ONE));
    const D3DDEVICE_CREATION_PARAMETERS& c = fake->LastDevice()->CreationParameters();
    EXPECT_EQ(c.AdapterOrdinal, 0u);
    EXPECT_EQ(c.DeviceType, D3DDEVTYPE_HAL);
    EXPECT_EQ(c.hFocusWindow, app->mainWindow);
    EXPECT_EQ(c.BehaviorFlags, static_cast<DWORD>(D3DCREATE_HARDWARE_VERTEXPROCESSING));
    EXPECT_EQ(app->backBufferWidth, 800);
    EXPECT_EQ(app->backBufferHeight, 600);
}

TEST_F(DeviceSetup, NoDirect3DObject) {
    nextDirect3D = nullptr;  // Direct3DCreate9 answers NULL
    EXPECT_FALSE(app->SetupDirect3D());
    EXPECT_EQ(setupErrorCode, kSetupErrorDirect3D);
    fake->Release();

    // Without the entry point at all, the same.
    direct3dCreate9 = nullptr;
    setupErrorCode = 0;
    EXPECT_FALSE(app->SetupDirect3D());
    EXPECT_EQ(setupErrorCode, kSetupErrorDirect3D);
}

TEST_F(DeviceSetup, CapsThatCannotBeReadSkipTheShaderCheck) {
    fake->SetPixelShaderVersion(D3DPS_VERSION(1, 1));  // would end the process if read
    recorder->FailCall("GetDeviceCaps", 1);
    EXPECT_TRUE(app->SetupDirect3D());
    EXPECT_NE(app->render.device, nullptr);
}

TEST_F(DeviceSetup, SoftwareVertexProcessingWhenHardwareIsRefused) {
    fake->RefuseBehaviorFlags(D3DCREATE_HARDWARE_VERTEXPROCESSING);
    EXPECT_TRUE(app->SetupDirect3D());
    EXPECT_EQ(CreateDeviceFlags(), (std::vector<std::string>{"64 failed", "32 ok"}));
    // The same parameter record both times.
    const std::vector<RecordedCall> calls = recorder->CallsTo("CreateDevice");
    ASSERT_EQ(calls.size(), 2u);
    ASSERT_GE(calls[0].args.size(), 5u);
    ASSERT_GE(calls[1].args.size(), 5u);
    EXPECT_EQ(calls[0].args[4], calls[1].args[4]);
}

TEST_F(DeviceSetup, NoDeviceAtAll) {
    recorder->FailCallsFrom("CreateDevice", 1, D3DERR_NOTAVAILABLE);
    EXPECT_FALSE(app->SetupDirect3D());
    EXPECT_EQ(setupErrorCode, kSetupErrorDevice);
    // 800 x 600, then the display's own mode, each with both kinds of vertex processing.
    EXPECT_EQ(CreateDeviceFlags(), (std::vector<std::string>{"64 failed", "32 failed", "64 failed", "32 failed"}));
    EXPECT_EQ(app->render.device, nullptr);
}

// A display without an 800 x 600 mode: full screen in the mode it has, and
// the host follows that size.
TEST_F(DeviceSetup, ADisplayWithout800x600GetsTheDeviceInItsOwnMode) {
    fake->DesktopMode() = {1024, 768, 60, D3DFMT_X8R8G8B8};
    recorder->FailCall("CreateDevice", 1, D3DERR_NOTAVAILABLE);
    recorder->FailCall("CreateDevice", 2, D3DERR_NOTAVAILABLE);
    app->mainWindow = reinterpret_cast<HWND>(0x1234);
    ASSERT_TRUE(app->SetupDirect3D());
    EXPECT_EQ(CreateDeviceFlags(), (std::vector<std::string>{"64 failed", "32 failed", "64 ok"}));
    const D3DPRESENT_PARAMETERS& p = fake->LastDevice()->PresentParameters();
    EXPECT_EQ(p.BackBufferWidth, 1024u);
    EXPECT_EQ(p.BackBufferHeight, 768u);
    EXPECT_EQ(p.BackBufferFormat, D3DFMT_X8R8G8B8);
    EXPECT_FALSE(p.Windowed);
    EXPECT_EQ(app->backBufferWidth, 1024);
    EXPECT_EQ(app->backBufferHeight, 768);
}

TEST_F(DeviceSetup, MatrixStackFailureLeavesTheCodeForUnknownError) {
    createMatrixStack = FailToCreateMatrixStack;
    EXPECT_FALSE(app->SetupDirect3D());
    EXPECT_EQ(setupErrorCode, 0);
    EXPECT_EQ(std::string(SetupErrorText(setupErrorCode)), "Unknown error");
}

TEST_F(DeviceSetup, ShutdownGivesTheDesktopBackAndReleasesEverything) {
    ASSERT_TRUE(app->SetupDirect3D());
    fake->DesktopMode().Format = D3DFMT_X8R8G8B8;
    recorder->ClearCalls();
    app->Shutdown();
    EXPECT_EQ(app->render.device, nullptr);
    EXPECT_EQ(app->render.direct3d, nullptr);
    EXPECT_EQ(app->render.matrixStack, nullptr);
    EXPECT_FALSE(app->renderingActive);
    const std::vector<std::string> order =
        recorder->TextsOf({"EvictManagedResources", "GetAdapterDisplayMode", "Reset", "Release"});
    ASSERT_GE(order.size(), 3u) << recorder->Dump();
    EXPECT_NE(order[0].find("EvictManagedResources"), std::string::npos) << recorder->Dump();
    EXPECT_NE(order[1].find("GetAdapterDisplayMode"), std::string::npos) << recorder->Dump();
    EXPECT_NE(order[2].find("Reset("), std::string::npos) << recorder->Dump();
    // A second exit request (a key arriving late) changes nothing.
    app->Shutdown();
    app->RequestExit();
}

TEST_F(DeviceSetup, ShutdownWithoutTheDisplayModeStillReleasesTheDevice) {
    ASSERT_TRUE(app->SetupDirect3D());
    recorder->FailCall("GetAdapterDisplayMode", recorder->CallCount("GetAdapterDisplayMode") + 1);
    app->Shutdown();
    EXPECT_EQ(recorder->CountOf("Reset"), 0u);
    EXPECT_EQ(app->render.device, nullptr);
    EXPECT_EQ(app->render.direct3d, nullptr);
}

}  // namespace

// The module file itself: what Windows reads from it without running it.
#include <gtest/gtest.h>

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

#include "saver_release.h"
#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"

TEST(Module, CarriesItsNameIconAndManifest) {
    HMODULE module =
        LoadLibraryExA(SaverModulePath().c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
    ASSERT_NE(module, nullptr);
    char name[128] = {};
    // Windows lists the saver under string 1.
    EXPECT_GT(LoadStringA(module, pinned::kProductNameString, name, sizeof name), 0);
    EXPECT_STREQ(name, pinned::kSaverName);
    EXPECT_NE(FindResourceA(module, MAKEINTRESOURCEA(pinned::kIconGroup), MAKEINTRESOURCEA(14)), nullptr)
        << "the icon group";
    HRSRC manifest = FindResourceA(module, MAKEINTRESOURCEA(1), MAKEINTRESOURCEA(24));
    ASSERT_NE(manifest, nullptr);
    const char* text = static_cast<const char*>(LockResource(LoadResource(module, manifest)));
    const std::string xml(text, SizeofResource(module, manifest));
    EXPECT_NE(xml.find("Microsoft.Windows.Common-Controls"), std::string::npos);
    EXPECT_NE(xml.find("asInvoker"), std::string::npos);
    EXPECT_NE(xml.find("dpiAware"), std::string::npos);
    // Windows builds the activation context from the manifest, which must
    // name the module's own architecture (this test is built like the
    // module) for it and for Common Controls, and the version its version
    // resource gives.
    const std::string architecture =
        sizeof(void*) == 8 ? "processorArchitecture=\"amd64\"" : "processorArchitecture=\"x86\"";
    int named = 0;
    for (size_t at = xml.find(architecture); at != std::string::npos; at = xml.find(architecture, at + 1))
        ++named;
    EXPECT_EQ(named, 2) << architecture;
    EXPECT_NE(xml.find("version=\"" SAVER_VERSION_TEXT ".0\""), std::string::npos);
    FreeLibrary(module);
}

// Nothing beside the module runs in it: a canary DLL is planted beside a copy
// of it under the name of each DLL it imports or loads, and of those that
// the system's own libraries load once it runs, with a native-first override
// so that Wine takes the canary wherever its search order reaches that
// folder. Each mode runs as ever, every one of those names is loaded from
// the system, and no canary leaves its mark.
// (The module's other imports are known DLLs, which Windows always takes
// from its own folder; Wine does not implement that, so they are left out
// here and scripts/inside/check-module-imports keeps the imports to them. Wine's
// user32 also loads uxtheme by name before the module's first instruction,
// where Windows gives the full path, and Wine resolves its comctl32's
// delay-loaded msimg32 without the search order the module set: both are
// left out too.)
TEST(Module, NoLibraryBesideItIsEverLoaded) {
    // comctl32 is imported (and redirected by the manifest), winmm, d3d9
    // and the compiler are loaded by the module, the rest by those under
    // Wine (on Windows, uxtheme, dwmapi and version are such names).
    const char* const kCanaries[] = {"comctl32", "winmm", "d3d9", "d3dcompiler_47", "msacm32", "opengl32", "wined3d"};
    const std::string module = SaverModulePath();
    const std::string build = module.substr(0, module.find_last_of("\\/"));
    const std::string folder = build + "\\planted";
    CreateDirectoryA(folder.c_str(), nullptr);
    ASSERT_TRUE(CopyFileA(module.c_str(), (folder + "\\" + pinned::kModuleFile).c_str(), FALSE));
    SaverOptions options = WithFault("none\nmeasure-frames-1");
    options.modulePath = folder + "\\" + pinned::kModuleFile;
    options.dllOverrides.clear();
    for (const char* name : kCanaries) {
        const std::string planted = folder + "\\" + name + ".dll";
        DeleteFileA((planted + ".loaded").c_str());
        ASSERT_TRUE(CopyFileA((build + "\\canary\\canary.dll").c_str(), planted.c_str(), FALSE)) << planted;
        options.dllOverrides += std::string(name) + "=n,b;";
    }

    // Each mode as the user meets it; what it loaded is noted while it runs.
    std::vector<std::string> loaded;
    const auto fullScreen = [&] {
        SaverProcess saver("", options);
        ASSERT_NE(saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kStartMs), nullptr);
        ASSERT_TRUE(WaitForStandInLog("frame 1 sky", saver)) << StandInLog();
        PumpMessagesFor(1500);
        EXPECT_GT(CaptureScreen({0, 0, 800, 600}).MeanBrightness(0, 0, 800, 200), 150.0) << "no sky";
        for (const std::string& path : saver.LoadedModules())
            loaded.push_back(path);
        PostMessageA(saver.WaitForWindow(pinned::kSaverClass, nullptr, 0), WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_EQ(saver.WaitForExit(kExitMs), std::optional<DWORD>(0));
    };
    const auto settings = [&] {
        SaverProcess saver("/c", options);
        HWND dialog = saver.WaitForWindow(pinned::kDialogClass, pinned::kDialogCaption, kStartMs);
        ASSERT_NE(dialog, nullptr);
        PumpMessagesFor(500);
        for (const std::string& path : saver.LoadedModules())
            loaded.push_back(path);
        PressButton(dialog, IDCANCEL);
        EXPECT_EQ(saver.WaitForExit(kExitMs), std::optional<DWORD>(0));
    };
    const auto preview = [&] {
        PreviewHost host(152, 112);
        SaverProcess saver(host.Arguments(), options);
        ASSERT_NE(host.WaitForPreview(saver), nullptr);
        PumpMessagesFor(500);
        for (const std::string& path : saver.LoadedModules())
            loaded.push_back(path);
        host.Close();
        EXPECT_EQ(saver.WaitForExit(kExitMs), std::optional<DWORD>(0));
    };
    fullScreen();
    settings();
    preview();
    WithFault("");

    for (const char* name : kCanaries) {
        const std::string planted = folder + "\\" + name + ".dll";
        EXPECT_EQ(GetFileAttributesA((planted + ".loaded").c_str()), INVALID_FILE_ATTRIBUTES)
            << "the canary " << name << ".dll beside the module was loaded";
        int fromSystem = 0;
        for (const std::string& path : loaded)
            if (lstrcmpiA(path.substr(path.find_last_of("\\/") + 1).c_str(), (std::string(name) + ".dll").c_str()) == 0)
                fromSystem += lstrcmpiA(path.c_str(), planted.c_str()) != 0 ? 1 : 0;
        EXPECT_GT(fromSystem, 0) << name << ".dll was never loaded from the system: the canary tested nothing";
    }
}

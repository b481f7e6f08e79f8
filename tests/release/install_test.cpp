// End to end: the release's installer and uninstaller, run silently in a
// fresh Wine prefix as Windows' Apps & features runs them, checked by what
// they leave: the module of the system's own kind in its System32, the
// entry in Apps & features, the user's choice of screen saver, and the
// installed saver running full screen.
#include <gtest/gtest.h>

#include <windows.h>
#include <tlhelp32.h>

#include <cstring>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>

#include "saver_release.h"
#include "tests/e2e/e2e_settings.h"
#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"
#include "tests/support/screenshot.h"

namespace {

constexpr DWORD kInstallMs = 120000;
constexpr DWORD kSaverMs = 60000;  // Mesa's software rasteriser starts slowly under load
const char kUninstallKey[] = "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\BrinemereDuzo";
const char kDesktopKey[] = "Control Panel\\Desktop";
const char kOtherSaver[] = "C:\\windows\\system32\\other.scr";

std::string BuildDirectory() {
    const std::string module = SaverModulePath();
    return module.substr(0, module.find_last_of('\\'));
}

std::optional<std::string> ReadString(HKEY root, const char* path, const char* name) {
    char buffer[1024] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    if (RegGetValueA(root, path, name, RRF_RT_REG_SZ, &type, buffer, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return std::string(buffer);
}

std::optional<DWORD> ReadDword(HKEY root, const char* path, const char* name) {
    DWORD value = 0;
    DWORD size = sizeof value;
    if (RegGetValueA(root, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return std::nullopt;
    return value;
}

// The user's desktop value set, or removed with nullptr.
void SetDesktopValue(const char* name, const char* text) {
    if (text == nullptr)
        RegDeleteKeyValueA(HKEY_CURRENT_USER, kDesktopKey, name);
    else
        RegSetKeyValueA(HKEY_CURRENT_USER, kDesktopKey, name, REG_SZ, text, DWORD(std::strlen(text) + 1));
}

std::optional<std::string> DesktopValue(const char* name) { return ReadString(HKEY_CURRENT_USER, kDesktopKey, name); }

std::optional<std::string> EntryValue(const char* name) { return ReadString(HKEY_LOCAL_MACHINE, kUninstallKey, name); }

bool OnWindows64() {
    BOOL wow64 = FALSE;
    return IsWow64Process(GetCurrentProcess(), &wow64) && wow64;
}

std::string WindowsDirectory() {
    char directory[MAX_PATH] = {};
    GetWindowsDirectoryA(directory, MAX_PATH);
    return directory;
}

// Where the module is installed, as Windows names it (the user's choice of
// screen saver, the entry's icon): System32, which holds the 64-bit module on
// 64-bit Windows and the 32-bit one on 32-bit Windows.
std::string InstalledSaverPath() { return WindowsDirectory() + "\\System32\\" + pinned::kModuleFile; }

// The same file as this 32-bit test reaches it: 64-bit Windows shows a
// 32-bit program SysWOW64 under the name System32, the real one as Sysnative.
std::string ReachableSaverPath() {
    return OnWindows64() ? WindowsDirectory() + "\\Sysnative\\" + pinned::kModuleFile : InstalledSaverPath();
}

// Where releases before 1.5.0 put the 32-bit module on 64-bit Windows.
std::string OlderSysWow64SaverPath() { return WindowsDirectory() + "\\SysWOW64\\" + pinned::kModuleFile; }

std::string FileContents(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Whether the installed file is, byte for byte, the module of the system's
// kind this build made (the 64-bit one stands in the 64-bit tree, x64\).
bool IsTheBuiltModule(const std::string& path) {
    const std::string built = OnWindows64() ? BuildDirectory() + "\\x64\\" + pinned::kModuleFile : SaverModulePath();
    const std::string installed = FileContents(path);
    return !installed.empty() && installed == FileContents(built);
}

std::string VersionString(const std::string& path, const char* name) {
    DWORD ignored = 0;
    std::string block(GetFileVersionInfoSizeA(path.c_str(), &ignored), '\0');
    if (block.empty() || !GetFileVersionInfoA(path.c_str(), 0, DWORD(block.size()), &block[0]))
        return "";
    char* value = nullptr;
    UINT length = 0;
    const std::string query = std::string("\\StringFileInfo\\040904B0\\") + name;
    if (!VerQueryValueA(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length) || length == 0)
        return "";
    return value;
}

// Runs a program with its arguments to its end, as Apps & features would,
// and gives its exit code. An NSIS uninstaller hands over to a copy of
// itself in %TEMP% and ends at once; the copy's end is waited for.
std::optional<DWORD> RunToTheEnd(const std::string& program, const std::string& arguments) {
    SaverOptions options;
    options.modulePath = program;
    SaverProcess process(arguments, options);
    if (!process.Started())
        return std::nullopt;
    std::optional<DWORD> code = process.WaitForExit(kInstallMs);
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry)) {
        if (entry.th32ParentProcessID != process.Id())
            continue;
        HANDLE child = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_LIMITED_INFORMATION, FALSE, entry.th32ProcessID);
        if (child == nullptr)
            continue;
        DWORD childCode = 0;
        if (WaitForSingleObject(child, kInstallMs) == WAIT_OBJECT_0 && GetExitCodeProcess(child, &childCode))
            code = childCode;
        else
            code = std::nullopt;
        CloseHandle(child);
    }
    CloseHandle(snapshot);
    return code;
}

std::optional<DWORD> Install(const std::string& installer) { return RunToTheEnd(installer, "/S"); }

// The quiet uninstall command of the entry: "path" /S.
std::optional<DWORD> UninstallQuietly() {
    const std::string command = EntryValue("QuietUninstallString").value_or("");
    const size_t end = command.find('"', 1);
    if (command.empty() || command[0] != '"' || end == std::string::npos)
        return std::nullopt;
    return RunToTheEnd(command.substr(1, end - 1), command.substr(end + 1));
}

std::string Installer() { return BuildDirectory() + "\\release\\BrinemereDuzo-" SAVER_VERSION_TEXT "-setup.exe"; }

}  // namespace

TEST(Release, InstallsChoosesRunsAndUninstallsCleanly) {
    SetDesktopValue("SCRNSAVE.EXE", kOtherSaver);
    SetDesktopValue("ScreenSaveActive", "0");
    ASSERT_EQ(Install(Installer()), 0u);

    // The module of the system's kind, byte for byte, in its System32, with
    // the version Explorer shows; the shortcut of the dialog's Home Page
    // button beside Windows.
    const std::string saver = ReachableSaverPath();
    ASSERT_TRUE(IsTheBuiltModule(saver)) << saver;
    EXPECT_EQ(VersionString(saver, "FileVersion"), SAVER_VERSION_TEXT);
    EXPECT_EQ(VersionString(saver, "ProductVersion"), SAVER_VERSION_TEXT);
    EXPECT_EQ(VersionString(saver, "ProductName"), pinned::kSaverName);
    EXPECT_EQ(VersionString(saver, "FileDescription"), pinned::kSaverName);
    EXPECT_EQ(VersionString(saver, "CompanyName"), pinned::kMaker);
    EXPECT_EQ(VersionString(saver, "OriginalFilename"), pinned::kModuleFile);
    EXPECT_NE(VersionString(saver, "LegalCopyright").find(pinned::kMaker), std::string::npos);
    const std::string shortcut = WindowsDirectory() + "\\brinemere-homepage.url";
    char address[256] = {};
    GetPrivateProfileStringA("InternetShortcut", "URL", "", address, sizeof address, shortcut.c_str());
    EXPECT_STREQ(address, SAVER_HOME_PAGE);

    // Its entry in Apps & features.
    EXPECT_EQ(EntryValue("DisplayName"), pinned::kSaverName);
    EXPECT_EQ(EntryValue("DisplayVersion"), SAVER_VERSION_TEXT);
    EXPECT_EQ(EntryValue("Publisher"), pinned::kMaker);
    EXPECT_STRCASEEQ(EntryValue("DisplayIcon").value_or("").c_str(), (InstalledSaverPath() + ",0").c_str());
    const std::string uninstall = EntryValue("UninstallString").value_or("");
    ASSERT_GT(uninstall.size(), 2u) << "no UninstallString";
    EXPECT_EQ(EntryValue("QuietUninstallString"), uninstall + " /S");
    const std::string uninstaller = uninstall.substr(1, uninstall.size() - 2);  // quoted
    EXPECT_EQ(GetFileAttributesA(uninstaller.c_str()) & FILE_ATTRIBUTE_DIRECTORY, 0u) << "no " << uninstall;
    const DWORD moduleKiB = DWORD(FileContents(saver).size() / 1024);
    const DWORD estimatedKiB = ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "EstimatedSize").value_or(0);
    EXPECT_GT(estimatedKiB, moduleKiB);
    EXPECT_LT(estimatedKiB, moduleKiB + 1024);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoModify"), 1u);
    EXPECT_EQ(ReadDword(HKEY_LOCAL_MACHINE, kUninstallKey, "NoRepair"), 1u);

    // Chosen as the user's screen saver, and started from there as Windows
    // starts it: full screen, a lit sky, ended by a key with 0.
    EXPECT_STRCASEEQ(DesktopValue("SCRNSAVE.EXE").value_or("").c_str(), InstalledSaverPath().c_str());
    EXPECT_EQ(DesktopValue("ScreenSaveActive"), "1");
    {
        SaverOptions options;
        options.modulePath = saver;
        SaverProcess running("/s", options);
        ASSERT_TRUE(running.Started()) << saver;
        HWND window = running.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, kSaverMs);
        ASSERT_NE(window, nullptr) << "no full-screen window";
        const RECT screen = {0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
        const DWORD start = GetTickCount();
        double sky = 0;
        while (sky <= 150 && GetTickCount() - start < kSaverMs && running.IsRunning()) {
            PumpMessagesFor(250);
            sky = CaptureScreen(screen).MeanBrightness(0, 0, screen.right, screen.bottom / 3);
        }
        SaveScreenshot(screen, ScreenshotPath("installed-saver"));
        EXPECT_GT(sky, 150.0) << "the installed saver's sky stayed dark";
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
        EXPECT_EQ(running.WaitForExit(kSaverMs), 0u);
    }

    // Removed as Apps & features removes it quietly: no module, no entry, no
    // uninstaller, no shortcut, the screen saver chosen before back, the
    // user's settings kept.
    WriteSetting(pinned::kCamSpeed, "7");
    ASSERT_EQ(UninstallQuietly(), 0u);
    EXPECT_EQ(GetFileAttributesA(saver.c_str()), INVALID_FILE_ATTRIBUTES) << saver;
    EXPECT_EQ(EntryValue("DisplayName"), std::nullopt);
    EXPECT_EQ(GetFileAttributesA(uninstaller.c_str()), INVALID_FILE_ATTRIBUTES) << uninstaller;
    EXPECT_EQ(GetFileAttributesA(shortcut.c_str()), INVALID_FILE_ATTRIBUTES) << shortcut;
    EXPECT_EQ(DesktopValue("SCRNSAVE.EXE"), std::string(kOtherSaver));
    EXPECT_EQ(DesktopValue("ScreenSaveActive"), "0");
    EXPECT_EQ(ReadSetting(pinned::kCamSpeed), "7");
    ClearSettings();
}

TEST(Release, InstallingOverAnOlderVersionReplacesIt) {
    // No screen saver chosen before: the uninstaller must leave none.
    SetDesktopValue("SCRNSAVE.EXE", nullptr);
    SetDesktopValue("ScreenSaveActive", nullptr);
    const std::string saver = ReachableSaverPath();
    ASSERT_EQ(Install(BuildDirectory() + "\\tests\\release\\BrinemereDuzo-" OLDER_VERSION "-setup.exe"), 0u);
    ASSERT_EQ(EntryValue("DisplayVersion"), OLDER_VERSION);
    ASSERT_FALSE(IsTheBuiltModule(saver));
    ASSERT_FALSE(FileContents(saver).empty()) << "the older module is missing: " << saver;
    // On 64-bit Windows, releases before 1.5.0 left their 32-bit module in
    // SysWOW64, where the user chose it (in its short form, as the Screen
    // Saver Settings write it); the user has settings of their own.
    const std::string older = OlderSysWow64SaverPath();
    if (OnWindows64()) {
        ASSERT_TRUE(CopyFileA(SaverModulePath().c_str(), older.c_str(), FALSE)) << older;
        char shortName[MAX_PATH] = {};
        ASSERT_GT(GetShortPathNameA(older.c_str(), shortName, MAX_PATH), 0u);
        SetDesktopValue("SCRNSAVE.EXE", shortName);
    }
    WriteSetting(pinned::kCamSpeed, "5");

    ASSERT_EQ(Install(Installer()), 0u);
    EXPECT_TRUE(IsTheBuiltModule(saver)) << "the older module stayed";
    EXPECT_EQ(EntryValue("DisplayVersion"), SAVER_VERSION_TEXT);
    EXPECT_STRCASEEQ(DesktopValue("SCRNSAVE.EXE").value_or("").c_str(), InstalledSaverPath().c_str());
    EXPECT_EQ(GetFileAttributesA(older.c_str()), INVALID_FILE_ATTRIBUTES) << "the older module in SysWOW64 stayed";
    EXPECT_EQ(ReadSetting(pinned::kCamSpeed), "5");

    ASSERT_EQ(UninstallQuietly(), 0u);
    EXPECT_EQ(GetFileAttributesA(saver.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(EntryValue("DisplayName"), std::nullopt);
    EXPECT_EQ(DesktopValue("SCRNSAVE.EXE"), std::nullopt) << "our own choice was taken for the user's";
    EXPECT_EQ(DesktopValue("ScreenSaveActive"), std::nullopt);
    ClearSettings();
}

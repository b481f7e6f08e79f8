// Test-side control of the screen-saver process.
#include "tests/support/saver_process.h"

#include <psapi.h>
#include <tlhelp32.h>

#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>

#include "tests/support/external_names.h"

namespace {

constexpr DWORD kPollMs = 20;
constexpr char kTimeScaleVariable[] = "BRINEMERE_TIME_SCALE";
constexpr UINT kMessageBoxTextId = 0xFFFF;  // the static text of a message box

// Wine takes WINEDLLOVERRIDES of a child process from its own start-up
// environment, not from the block handed to CreateProcess, so a per-program
// override goes through Wine's AppDefaults registry key instead.
const std::string kAppKey = std::string("Software\\Wine\\AppDefaults\\") + pinned::kModuleFile;
const std::string kAppOverridesKey = kAppKey + "\\DllOverrides";
const std::string kAppX11Key = kAppKey + "\\X11 Driver";

// "Decorated" = "N": Wine draws the module's window frames itself.
void SetWineDrawsCaptions(bool draws) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppX11Key.c_str());
    HKEY key = nullptr;
    if (draws && RegCreateKeyExA(HKEY_CURRENT_USER, kAppX11Key.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                                 nullptr) == ERROR_SUCCESS) {
        RegSetValueExA(key, "Decorated", 0, REG_SZ, reinterpret_cast<const BYTE*>("N"), 2);
        RegCloseKey(key);
    }
}

void SetDllOverrides(const std::string& overrides) {
    RegDeleteTreeA(HKEY_CURRENT_USER, kAppOverridesKey.c_str());
    if (overrides.empty())
        return;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kAppOverridesKey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    // "name=mode;name=mode"; an empty mode means the DLL is disabled.
    size_t begin = 0;
    while (begin < overrides.size()) {
        size_t end = overrides.find(';', begin);
        if (end == std::string::npos)
            end = overrides.size();
        const std::string entry = overrides.substr(begin, end - begin);
        const size_t equals = entry.find('=');
        if (equals != std::string::npos) {
            std::string mode = entry.substr(equals + 1);
            if (mode == "d")
                mode.clear();
            RegSetValueExA(key, entry.substr(0, equals).c_str(), 0, REG_SZ, reinterpret_cast<const BYTE*>(mode.c_str()),
                           static_cast<DWORD>(mode.size() + 1));
        }
        begin = end + 1;
    }
    RegCloseKey(key);
}

}  // namespace

std::string SaverModulePath() {
    char path[MAX_PATH] = {};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    std::string result = path;
    result.erase(result.find_last_of("\\/") + 1);
    return result + pinned::kModuleFile;
}

void PumpMessagesFor(DWORD milliseconds) {
    const DWORD start = GetTickCount();
    do {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, kPollMs, QS_ALLINPUT);
    } while (GetTickCount() - start < milliseconds);
}

std::string SystemDirectoryPath(const char* name) {
    char path[MAX_PATH] = {};
    GetSystemDirectoryA(path, MAX_PATH);
    return std::string(path) + "\\" + name;
}

SaverProcess::SaverProcess(const std::string& arguments, const SaverOptions& options) {
    const std::string module = options.modulePath.empty() ? SaverModulePath() : options.modulePath;
    const std::string& dllOverrides = options.dllOverrides;
    std::string commandLine = "\"" + module + "\"";
    if (!arguments.empty())
        commandLine += " " + arguments;
    overridden_ = !dllOverrides.empty();
    SetDllOverrides(dllOverrides);
    captioned_ = options.wineDrawsCaptions;
    if (captioned_)
        SetWineDrawsCaptions(true);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    const BOOL created =
        CreateProcessA(module.c_str(), &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info);
    if (created) {
        CloseHandle(info.hThread);
        process_ = info.hProcess;
        id_ = info.dwProcessId;
    }
}

SaverProcess::~SaverProcess() {
    if (process_ != nullptr) {
        if (IsRunning()) {
            TerminateProcess(process_, 1);
            WaitForSingleObject(process_, 5000);
        }
        CloseHandle(process_);
    }
    if (overridden_)
        SetDllOverrides("");
    if (captioned_)
        SetWineDrawsCaptions(false);
}

bool SaverProcess::IsRunning() const { return process_ != nullptr && WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

DWORD Scaled(DWORD timeoutMs) {
    static const DWORD scale = [] {
        const char* text = std::getenv(kTimeScaleVariable);
        const int value = text != nullptr ? std::atoi(text) : 1;
        return static_cast<DWORD>(value >= 1 ? value : 1);
    }();
    return timeoutMs * scale;
}

std::optional<DWORD> SaverProcess::WaitForExit(DWORD timeoutMs) {
    if (process_ == nullptr)
        return std::nullopt;
    timeoutMs = Scaled(timeoutMs);
    const DWORD start = GetTickCount();
    for (;;) {
        const DWORD waited = GetTickCount() - start;
        if (waited >= timeoutMs)
            break;
        const DWORD result = MsgWaitForMultipleObjects(1, &process_, FALSE, timeoutMs - waited, QS_ALLINPUT);
        if (result == WAIT_OBJECT_0) {
            DWORD code = 0;
            GetExitCodeProcess(process_, &code);
            return code;
        }
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
    }
    TerminateProcess(process_, 1);
    WaitForSingleObject(process_, 5000);
    return std::nullopt;
}

namespace {

struct WindowSearch {
    DWORD processId;
    std::vector<HWND> found;
};

BOOL CALLBACK CollectWindowOfProcess(HWND window, LPARAM context) {
    auto* search = reinterpret_cast<WindowSearch*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == search->processId)
        search->found.push_back(window);
    return TRUE;
}

}  // namespace

std::vector<HWND> SaverProcess::TopLevelWindows() const {
    WindowSearch search{id_, {}};
    EnumWindows(CollectWindowOfProcess, reinterpret_cast<LPARAM>(&search));
    return search.found;
}

std::vector<std::string> SaverProcess::LoadedModules() const {
    std::vector<std::string> paths;
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, id_);
    if (process == nullptr)
        return paths;
    HMODULE modules[512];
    DWORD bytes = 0;
    if (EnumProcessModules(process, modules, sizeof modules, &bytes)) {
        for (DWORD i = 0; i < bytes / sizeof(HMODULE) && i < 512; ++i) {
            char path[MAX_PATH] = {};
            if (GetModuleFileNameExA(process, modules[i], path, MAX_PATH) > 0)
                paths.push_back(path);
        }
    }
    CloseHandle(process);
    return paths;
}

bool SaverProcess::PostPowerSetting(HWND window, const GUID& guid, DWORD value) const {
    POWERBROADCAST_SETTING setting = {guid, sizeof value, {}};
    std::memcpy(setting.Data, &value, sizeof value);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, id_);
    if (process == nullptr)
        return false;
    // Left to the process: it may still read it after the message.
    void* remote = VirtualAllocEx(process, nullptr, sizeof setting, MEM_COMMIT | MEM_RESERVE, PAGE_READWRITE);
    const bool written = remote != nullptr && WriteProcessMemory(process, remote, &setting, sizeof setting, nullptr);
    CloseHandle(process);
    return written &&
           PostMessageA(window, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(remote)) != FALSE;
}

HWND SaverProcess::WaitForWindow(const char* className, const char* title, DWORD timeoutMs) const {
    timeoutMs = Scaled(timeoutMs);
    const DWORD start = GetTickCount();
    do {
        for (HWND window : TopLevelWindows()) {
            char cls[256] = {}, text[256] = {};
            GetClassNameA(window, cls, sizeof cls);
            GetWindowTextA(window, text, sizeof text);
            if ((className == nullptr || std::strcmp(cls, className) == 0) &&
                (title == nullptr || std::strcmp(text, title) == 0))
                return window;
        }
        PumpMessagesFor(kPollMs);
    } while (GetTickCount() - start < timeoutMs && IsRunning());
    return nullptr;
}

std::optional<MessageBoxInfo> SaverProcess::WaitForMessageBox(DWORD timeoutMs) const {
    HWND box = WaitForWindow(pinned::kDialogClass, nullptr, timeoutMs);
    if (box == nullptr)
        return std::nullopt;
    // Give the box a moment to finish building its controls.
    PumpMessagesFor(200);
    MessageBoxInfo info;
    info.window = box;
    char buffer[1024] = {};
    GetWindowTextA(box, buffer, sizeof buffer);
    info.title = buffer;
    buffer[0] = '\0';
    GetDlgItemTextA(box, kMessageBoxTextId, buffer, sizeof buffer);
    info.text = buffer;
    for (int id = IDOK; id <= IDNO; ++id) {
        HWND button = GetDlgItem(box, id);
        if (button != nullptr && IsWindowVisible(button))
            info.buttons.push_back(id);
    }
    return info;
}

PreviewHost::PreviewHost(int width, int height) {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "PreviewHost";
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    RegisterClassA(&windowClass);
    RECT rect = {0, 0, width, height};
    AdjustWindowRect(&rect, WS_POPUP | WS_VISIBLE, FALSE);
    window_ = CreateWindowExA(0, "PreviewHost", "preview host", WS_POPUP | WS_VISIBLE, 100, 100, rect.right - rect.left,
                              rect.bottom - rect.top, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
}

void PreviewHost::Close() {
    if (IsWindow(window_))
        DestroyWindow(window_);
}

std::string PreviewHost::Arguments() const { return "/p " + std::to_string(reinterpret_cast<uintptr_t>(window_)); }

HWND PreviewHost::WaitForPreview(const SaverProcess& saver) const {
    constexpr DWORD kPreviewStartMs = 30000;
    for (DWORD waited = 0; waited < kPreviewStartMs && saver.IsRunning(); waited += 50) {
        HWND child = FindWindowExA(window_, nullptr, pinned::kPreviewClass, pinned::kPreviewTitle);
        if (child != nullptr)
            return child;
        PumpMessagesFor(50);
    }
    return nullptr;
}

bool ScreenSaverRunningFlag() {
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, "Software\\Wine\\Temporary System Parameters\\Control Panel\\Desktop", 0,
                      KEY_READ, &key) == ERROR_SUCCESS) {
        char value[16] = {};
        DWORD size = sizeof value - 1;
        DWORD type = 0;
        const LONG result =
            RegQueryValueExA(key, "WINE_ScreenSaverRunning", nullptr, &type, reinterpret_cast<BYTE*>(value), &size);
        RegCloseKey(key);
        if (result == ERROR_SUCCESS && type == REG_SZ)
            return std::strtoul(value, nullptr, 10) != 0;
        if (result == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(DWORD))
            return *reinterpret_cast<DWORD*>(value) != 0;
    }
    BOOL running = FALSE;
    SystemParametersInfoA(SPI_GETSCREENSAVERRUNNING, 0, &running, 0);
    return running != FALSE;
}

int SaverProcessCount() {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return -1;
    int count = 0;
    PROCESSENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Process32First(snapshot, &entry); more; more = Process32Next(snapshot, &entry))
        if (lstrcmpiA(entry.szExeFile, pinned::kModuleFile) == 0)
            ++count;
    CloseHandle(snapshot);
    return count;
}

bool WaitUntilVisible(HWND window, DWORD timeoutMs) {
    timeoutMs = Scaled(timeoutMs);
    const DWORD start = GetTickCount();
    while (!IsWindowVisible(window) && GetTickCount() - start < timeoutMs)
        PumpMessagesFor(kPollMs);
    return IsWindowVisible(window) != FALSE;
}

void PressButton(HWND box, int id) {
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(box, id)));
}

bool RunUnixCommand(const std::string& command, DWORD timeoutMs) {
    // Wine starts a Unix program but hands back no process to wait on: the
    // command leaves its status in a file that is polled for.
    static int count = 0;
    const std::string status =
        "/tmp/brinemere-unix-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++count);
    std::string line = "/bin/sh -c \"" + command + "; echo $? >" + status + "\"";
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION info = {};
    if (!CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info))
        return false;
    if (info.hProcess != nullptr)
        CloseHandle(info.hProcess);
    if (info.hThread != nullptr)
        CloseHandle(info.hThread);
    const std::string windowsPath = "Z:" + status;
    const DWORD start = GetTickCount();
    while (GetTickCount() - start < timeoutMs) {
        PumpMessagesFor(kPollMs);
        char text[16] = {};
        HANDLE file =
            CreateFileA(windowsPath.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                        nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            continue;
        DWORD got = 0;
        ReadFile(file, text, sizeof text - 1, &got, nullptr);
        CloseHandle(file);
        if (got == 0 || text[got - 1] != '\n')
            continue;  // still being written
        DeleteFileA(windowsPath.c_str());
        return std::atoi(text) == 0;
    }
    return false;
}

SaverOptions WithFault(const std::string& fault) {
    DeleteFileA(SystemDirectoryPath("d3d9-calls.log").c_str());
    std::ofstream(SystemDirectoryPath("d3d9-fault.txt"), std::ios::out | std::ios::trunc) << fault << "\n";
    SaverOptions options;
    options.dllOverrides = "d3d9=n,b";
    return options;
}

std::string StandInLog() {
    std::ifstream file(SystemDirectoryPath("d3d9-calls.log"));
    return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

bool WaitForStandInLog(const std::string& text, const SaverProcess& saver) {
    const DWORD limit = Scaled(60000);
    const DWORD start = GetTickCount();
    while (StandInLog().find(text) == std::string::npos) {
        if (GetTickCount() - start >= limit || !saver.IsRunning())
            return StandInLog().find(text) != std::string::npos;
        PumpMessagesFor(50);
    }
    return true;
}

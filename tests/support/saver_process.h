// Drives the real screen-saver module from a Windows-side test: starts it,
// finds its windows and message boxes, presses their buttons, and waits for
// its exit code while pumping this thread's messages (so that the module can
// bring the test's own windows forward without blocking on us).
#pragma once

#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// The module that sits beside the test executable.
std::string SaverModulePath();

// How long the end-to-end tests wait for the saver to start (a cold Wine
// start can take seconds) and to end.
inline constexpr DWORD kStartMs = 30000;
inline constexpr DWORD kExitMs = 30000;

// A time limit of the waits below, stretched by the factor that the
// variable BRINEMERE_TIME_SCALE gives where the saver runs far slower than
// natively (a 32-bit Wine emulated on a host without 32-bit code).
DWORD Scaled(DWORD timeoutMs);

struct MessageBoxInfo {
    HWND window = nullptr;
    std::string title;
    std::string text;
    std::vector<int> buttons;  // ids of the visible buttons, among IDOK..IDNO
};

// A file in the system directory, where the fault-injecting d3d9.dll stands
// (scripts/inside/test-env puts it there) and reads its fault and writes its log.
std::string SystemDirectoryPath(const char* name);

struct SaverOptions {
    // "d3d9=d;..." (d = disabled, n = native first); for this process only.
    std::string dllOverrides;
    // Another copy of the module to start instead of the usual one.
    std::string modulePath;
    // Wine draws the windows' captions and borders itself: the test display
    // has no window manager, so a caption (and its close box) shows only so.
    bool wineDrawsCaptions = false;
};

class SaverProcess {
public:
    // Starts the module with `arguments` after its quoted path.
    explicit SaverProcess(const std::string& arguments, const SaverOptions& options = {});
    ~SaverProcess();  // terminates a process that is still running
    SaverProcess(const SaverProcess&) = delete;
    SaverProcess& operator=(const SaverProcess&) = delete;

    bool Started() const { return process_ != nullptr; }
    DWORD Id() const { return id_; }

    // The exit code, or nothing if it did not end in time (it is then killed).
    std::optional<DWORD> WaitForExit(DWORD timeoutMs);
    bool IsRunning() const;

    HWND WaitForWindow(const char* className, const char* title, DWORD timeoutMs) const;
    std::optional<MessageBoxInfo> WaitForMessageBox(DWORD timeoutMs) const;
    // Every top-level window the process has now.
    std::vector<HWND> TopLevelWindows() const;
    // The full paths of the DLLs (and the module) the process has loaded now.
    std::vector<std::string> LoadedModules() const;
    // Posts WM_POWERBROADCAST with PBT_POWERSETTINGCHANGE to its window, as
    // the system does: the setting (`value` for the power setting `guid`)
    // is written into the process's own memory first.
    bool PostPowerSetting(HWND window, const GUID& guid, DWORD value) const;

private:
    HANDLE process_ = nullptr;
    DWORD id_ = 0;
    bool overridden_ = false;
    bool captioned_ = false;
};

// The Screen Saver Settings' little window that a preview lives in, played
// by a white popup window of the test's own at (100, 100) with a client
// area of the given size.
class PreviewHost {
public:
    PreviewHost(int width, int height);
    ~PreviewHost() { Close(); }
    PreviewHost(const PreviewHost&) = delete;
    PreviewHost& operator=(const PreviewHost&) = delete;
    void Close();
    HWND get() const { return window_; }
    // "/p <its handle>"
    std::string Arguments() const;
    // The preview window once the saver has made it inside, or null.
    HWND WaitForPreview(const SaverProcess& saver) const;

private:
    HWND window_ = nullptr;
};

// Whether the system has been told that a screen saver runs
// (SPI_SETSCREENSAVERRUNNING), as set by any process. Wine keeps the value
// in a volatile registry key and each process reads it only once, so under
// Wine the key is read directly; elsewhere the system is asked.
bool ScreenSaverRunningFlag();

// How many processes of the module (any copy of BrinemereDuzo.scr) exist now.
int SaverProcessCount();

// Pumps this thread's messages for about `milliseconds`.
void PumpMessagesFor(DWORD milliseconds);

void PressButton(HWND box, int id);

// Waits (pumping messages) until the window is visible, at most `timeoutMs`:
// a copy brings a running one forward without waiting for it.
bool WaitUntilVisible(HWND window, DWORD timeoutMs = 5000);

// Runs a shell command on the Unix side of Wine (the tests give real input
// with xdotool); true when it ended with status 0 within the time. Double
// quotes cannot appear in the command.
bool RunUnixCommand(const std::string& command, DWORD timeoutMs = 15000);

// Options that start the module on the stand-in d3d9.dll with this fault
// (and option lines, see tests/support/fault_d3d9); "" removes the fault.
// Its log starts empty.
SaverOptions WithFault(const std::string& fault);
// What the stand-in has logged so far.
std::string StandInLog();
// Waits (pumping messages) until the stand-in has logged `text`, at most a
// minute (the software rasteriser is slow under load) and only while the
// saver runs.
bool WaitForStandInLog(const std::string& text, const SaverProcess& saver);

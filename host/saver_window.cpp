// SaverApp's windows (one class per run mode) and their message handling.
#include "host/saver_window.h"

#include "host/saver_app.h"
#include "host/web_address.h"

namespace {

bool windowProcedureActive = false;

struct WindowClassOfMode {
    const char* className;
    const char* title;
    DWORD style;
    DWORD exStyle;
};

WindowClassOfMode ClassOfMode(RunMode mode) {
    switch (mode) {
    case RunMode::Preview:
        return {"ZSaverClass2", "Brinemere Duzo Screensaver Preview", WS_CHILD | WS_VISIBLE, 0};
    case RunMode::Test:
        return {"ZSaverClass3", "Brinemere Duzo Screensaver Test",
                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, 0};
    default:
        return {"ZSaverClass", "Brinemere Duzo Screensaver", WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST};
    }
}

constexpr int kFullScreenWidth = 800;
constexpr int kFullScreenHeight = 600;
constexpr uint32_t kMaxSaverWindows = 2;
constexpr LONG kCursorHidingPreviewWidth = 300;
constexpr RECT kTestWindowClientRect = {50, 50, 650, 450};

}  // namespace

void SetWindowProcedureActive(bool active) { windowProcedureActive = active; }
bool IsWindowProcedureActive() { return windowProcedureActive; }

LRESULT CALLBACK SaverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!windowProcedureActive || saverApp == nullptr)
        return 0;
    return saverApp->HandleWindowMessage(window, message, wParam, lParam);
}

bool SaverApp::CreateSaverWindows() {
    SetWindowProcedureActive(true);
    // PLACEHOLDER: the render-state caches are invalidated here once they exist.
    backBufferWidth = kFullScreenWidth;
    backBufferHeight = kFullScreenHeight;

    const WindowClassOfMode cls = ClassOfMode(mode);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(kIconId));
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH));
    windowClass.lpszClassName = cls.className;
    RegisterClassA(&windowClass);

    renderingActive = false;
    if (mode == RunMode::Preview) {
        RECT rect = {};
        GetClientRect(parentWindow, &rect);
        if (rect.right - rect.left >= kCursorHidingPreviewWidth)
            ShowCursor(FALSE);
        AdjustWindowRect(&rect, cls.style, FALSE);
        mainWindow = CreateWindowExA(cls.exStyle, cls.className, cls.title, cls.style, rect.left,
                                     rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                     parentWindow, nullptr, instance, this);
    } else if (mode == RunMode::Saver) {
        renderingActive = true;
        mainWindow = nullptr;
        if (monitorCount > kMaxSaverWindows)
            monitorCount = kMaxSaverWindows;
        for (uint32_t i = 0; i < monitorCount; ++i) {
            MonitorRecord& record = monitors[i];
            if (record.monitor == nullptr)
                continue;
            int left = 0, top = 0, width = backBufferWidth, height = backBufferHeight;
            if (i > 0) {
                left = backBufferWidth;
                top = record.desktopRect.top;
                width = record.desktopRect.right - record.desktopRect.left;
                height = record.desktopRect.bottom - record.desktopRect.top;
            }
            record.window = CreateWindowExA(cls.exStyle, cls.className, cls.title, cls.style, left,
                                            top, width, height, mainWindow, nullptr, instance, this);
            if (record.window == nullptr)
                return false;
            if (mainWindow == nullptr)
                mainWindow = record.window;
        }
        ShowCursor(FALSE);
    } else if (mode == RunMode::Test) {
        RECT rect = kTestWindowClientRect;
        AdjustWindowRect(&rect, cls.style, FALSE);
        mainWindow = CreateWindowExA(cls.exStyle, cls.className, cls.title, cls.style, rect.left,
                                     rect.top, rect.right - rect.left, rect.bottom - rect.top,
                                     nullptr, nullptr, instance, this);
    }
    return mainWindow != nullptr;
}

LRESULT SaverApp::HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    // PLACEHOLDER: the preview picture, the mouse rule and the power broadcast
    // come with the full window handling; keys and closing already follow it.
    switch (message) {
    case WM_DESTROY:
        PostQuitMessage(0);
        return 0;
    case WM_SIZE:
    case WM_SYSCOMMAND:
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MOUSEMOVE:
        return 0;
    case WM_CLOSE:
        if (mode != RunMode::Saver)
            DestroyWindow(window);
        return 0;
    case WM_SETCURSOR:
        if (mode == RunMode::Saver) {
            SetCursor(nullptr);
            return TRUE;
        }
        return FALSE;
    case WM_KEYDOWN:
        if (mode != RunMode::Test) {
            if (wParam == VK_SPACE)
                OpenWebAddress(kHomePageAddress);
            RequestExit();
        }
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}

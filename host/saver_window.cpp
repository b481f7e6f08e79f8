// SaverApp's windows (one class per run mode), the preview picture, and the
// input rules that end the full-screen saver.
#include "host/saver_window.h"

#include <vector>

#include "host/saver_app.h"
#include "resources/saver_names.h"
#include "host/setup_error.h"
#include "host/web_address.h"
#include "resources/resource_ids.h"

WindowProcedureFunction defaultWindowProcedure = DefWindowProcA;

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
    case RunMode::Preview: return {kPreviewWindowClass, kPreviewWindowTitle, WS_CHILD | WS_VISIBLE, 0};
    case RunMode::Test:
        return {kTestWindowClass, kTestWindowTitle,
                WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_VISIBLE, 0};
    default: return {kSaverWindowClass, kSaverWindowTitle, WS_POPUP | WS_VISIBLE, WS_EX_TOPMOST};
    }
}

constexpr LONG kCursorHidingPreviewWidth = 300;
constexpr RECT kTestWindowClientRect = {50, 50, 650, 450};
constexpr int kPreviewWidth = 152;
constexpr int kPreviewHeight = 112;
constexpr int kPreviewRowBytes = kPreviewWidth * 3;  // 24-bit rows, packed without gaps
constexpr uint32_t kMouseMovesTolerated = 5;
// The last mouse position; (-1, -1) so that the first report always counts.
int lastMouseX = -1;
int lastMouseY = -1;

}  // namespace

void SetWindowProcedureActive(bool active) { windowProcedureActive = active; }

LRESULT CALLBACK SaverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (!windowProcedureActive || saverApp == nullptr)
        return 0;
    return saverApp->HandleWindowMessage(window, message, wParam, lParam);
}

bool SaverApp::CreateSaverWindows() {
    SetWindowProcedureActive(true);
    scene.InvalidateStateCaches();
    backBufferWidth = kBackBufferWidth;
    backBufferHeight = kBackBufferHeight;

    const WindowClassOfMode cls = ClassOfMode(mode);
    WNDCLASSA windowClass = {};
    windowClass.style = CS_HREDRAW | CS_VREDRAW;
    windowClass.lpfnWndProc = SaverWindowProcedure;
    windowClass.hInstance = instance;
    windowClass.hIcon = LoadIconA(instance, MAKEINTRESOURCEA(IDI_SAVER));
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
        mainWindow =
            CreateWindowExA(cls.exStyle, cls.className, cls.title, cls.style, rect.left, rect.top,
                            rect.right - rect.left, rect.bottom - rect.top, parentWindow, nullptr, instance, this);
    } else if (mode == RunMode::Saver) {
        renderingActive = true;
        // The primary display, always at the desktop's origin, gets the
        // window that Direct3D draws into; every other display a black one
        // that covers it (placed again once the primary has switched mode,
        // PlaceDisplayWindows).
        // (A list without any attached display is a failure, as ever.)
        bool attached = false;
        for (uint32_t i = 0; i < monitorCount; ++i)
            attached = attached || monitors[i].monitor != nullptr;
        if (!attached)
            return false;
        mainWindow = CreateWindowExA(cls.exStyle, cls.className, cls.title, cls.style, 0, 0, backBufferWidth,
                                     backBufferHeight, nullptr, nullptr, instance, this);
        if (mainWindow == nullptr)
            return false;
        for (uint32_t i = 0; i < monitorCount; ++i) {
            MonitorRecord& record = monitors[i];
            if (record.monitor == nullptr)
                continue;
            const RECT& r = record.desktopRect;
            if (r.left == 0 && r.top == 0) {
                record.window = mainWindow;
                continue;
            }
            record.window = CreateWindowExA(cls.exStyle, cls.className, cls.title, cls.style, r.left, r.top,
                                            r.right - r.left, r.bottom - r.top, mainWindow, nullptr, instance, this);
            if (record.window == nullptr)
                return false;
        }
        ShowCursor(FALSE);
    } else if (mode == RunMode::Test) {
        RECT rect = kTestWindowClientRect;
        AdjustWindowRect(&rect, cls.style, FALSE);
        mainWindow = CreateWindowExA(cls.exStyle, cls.className, cls.title, cls.style, rect.left, rect.top,
                                     rect.right - rect.left, rect.bottom - rect.top, nullptr, nullptr, instance, this);
        // The test window shows the animated scene in a windowed device.
        renderingActive = mainWindow != nullptr;
    }
    return mainWindow != nullptr;
}

void SaverApp::HideSaverWindows() {
    ShowWindow(mainWindow, SW_HIDE);
    for (uint32_t i = 0; i < monitorCount; ++i)
        if (monitors[i].window != nullptr)
            ShowWindow(monitors[i].window, SW_HIDE);
}

LRESULT SaverApp::HandleWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_DESTROY:
        if (previewBitmap != nullptr) {
            DeleteObject(previewBitmap);
            previewBitmap = nullptr;
        }
        PostQuitMessage(0);
        return 0;
    case WM_SIZE: return 0;
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        if (!initFailed && !renderingActive && mode != RunMode::Test && mode != RunMode::Saver)
            PaintPreview(window, dc);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_CLOSE:
        // The test window's close box and Alt+F4 end the run through the
        // shut-down, which lets the device go before the window does.
        if (mode == RunMode::Test)
            RequestExit();
        else if (mode != RunMode::Saver)
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
    case WM_MOUSEMOVE: ApplyMouseRule(lParam); return 0;
    case WM_SYSCOMMAND: {
        // The test window is an ordinary window: it moves, minimises and
        // closes (close box, Alt+F4), but never starts the system's screen
        // saver or powers the monitor down. The full-screen saver lets the
        // power plan turn the display off (it keeps running and draws
        // nothing until the display is back) and ignores every other system
        // command, the screen saver's included; the preview ignores them all.
        const WPARAM command = wParam & 0xFFF0;
        const bool passed = mode == RunMode::Test ? command != SC_SCREENSAVE && command != SC_MONITORPOWER
                                                  : mode == RunMode::Saver && command == SC_MONITORPOWER;
        return passed ? defaultWindowProcedure(window, message, wParam, lParam) : 0;
    }
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN: return 0;
    case WM_DISPLAYCHANGE:
        // The displays moved (the primary's switch to the saver's mode, a
        // display plugged in or out): the black windows follow them.
        if (mode == RunMode::Saver)
            PlaceDisplayWindows();
        return defaultWindowProcedure(window, message, wParam, lParam);
    case WM_POWERBROADCAST:
        if (wParam == PBT_APMSUSPEND)
            RequestExit();
        else if (wParam == PBT_POWERSETTINGCHANGE && mode == RunMode::Saver)
            displayPower.Note(reinterpret_cast<const POWERBROADCAST_SETTING*>(lParam));
        return 0;
    default: return defaultWindowProcedure(window, message, wParam, lParam);
    }
}

void SaverApp::ApplyMouseRule(LPARAM lParam) {
    if (mode != RunMode::Saver || setupErrorCode == kSetupErrorDirect3D || !exitOnMouse)
        return;
    const int x = static_cast<int16_t>(LOWORD(lParam));
    const int y = static_cast<int16_t>(HIWORD(lParam));
    if (x == lastMouseX && y == lastMouseY)
        return;
    lastMouseX = x;
    lastMouseY = y;
    if (++mouseMoveCount > kMouseMovesTolerated)
        RequestExit();
}

void SaverApp::PaintPreview(HWND window, HDC dc) {
    RECT client = {};
    GetClientRect(window, &client);
    BITMAPINFO info = {};
    info.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
    info.bmiHeader.biWidth = kPreviewWidth;
    info.bmiHeader.biHeight = kPreviewHeight;  // positive: bottom-up rows
    info.bmiHeader.biPlanes = 1;
    info.bmiHeader.biBitCount = 24;
    info.bmiHeader.biCompression = BI_RGB;
    // Loaded once and kept until the window goes, rather than on every paint.
    if (previewBitmap == nullptr)
        previewBitmap = LoadBitmapA(instance, MAKEINTRESOURCEA(IDB_PREVIEW));
    if (previewBitmap == nullptr)
        return;
    static_assert(kPreviewRowBytes % 4 == 0, "24-bit rows of the preview need no padding");
    std::vector<BYTE> pixels(static_cast<size_t>(kPreviewRowBytes) * kPreviewHeight);
    const int rows = GetDIBits(dc, previewBitmap, 0, kPreviewHeight, pixels.data(), &info, DIB_RGB_COLORS);
    if (rows != kPreviewHeight)
        return;
    StretchDIBits(dc, client.left, client.top, client.right - client.left, client.bottom - client.top, 0, 0,
                  kPreviewWidth, kPreviewHeight, pixels.data(), &info, DIB_RGB_COLORS, SRCCOPY);
}

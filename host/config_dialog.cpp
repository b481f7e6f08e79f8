// SaverApp's configuration dialog: wide screen, exit on mouse movement, the
// flight speed and the sea on every display, written to the registry on OK.
#include <windows.h>
#include <commctrl.h>
#include <shellapi.h>

#include <cstring>

#include "host/saver_app.h"
#include "host/settings_store.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kSlowestSpeed = 1;
constexpr int kFastestSpeed = 5;
constexpr int kMiddleSpeed = 3;
const char kHomePageShortcut[] = "brinemere-homepage.url";

// The speed the dialog last read or wrote in this process.
int lastSpeed = 0;

INT_PTR CALLBACK ConfigDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (saverApp == nullptr)
        return FALSE;
    return saverApp->HandleDialogMessage(dialog, message, wParam, lParam);
}

UINT CheckStateOf(const char* setting) {
    return ReadSettingInt(kSettingsSection, setting, 0) != 0 ? BST_CHECKED : BST_UNCHECKED;
}

void OpenHomePageShortcut() {
    char path[MAX_PATH] = {};
    const UINT length = GetWindowsDirectoryA(path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        path[0] = '\0';
    size_t used = std::strlen(path);
    if (used > 0 && path[used - 1] != '\\' && path[used - 1] != '/' && used + 1 < MAX_PATH) {
        path[used++] = '\\';
        path[used] = '\0';
    }
    if (used + sizeof kHomePageShortcut > MAX_PATH)
        return;  // a Windows directory this long leaves no room for the name
    std::strcat(path, kHomePageShortcut);
    ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOW);
}

}  // namespace

INT_PTR SaverApp::ShowConfigDialog() {
    // The trackbar's window class comes from the common controls.
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
    return DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_CONFIG), nullptr, ConfigDialogProcedure, 0);
}

INT_PTR SaverApp::HandleDialogMessage(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
    if (message == WM_INITDIALOG) {
        SetForegroundWindow(dialog);
        ShowWindow(dialog, SW_SHOWDEFAULT);
        SetFocus(dialog);
        // Any non-zero value means "on", as everywhere else the flags are read;
        // a stray 7 must not put the check box into an undefined state.
        CheckDlgButton(dialog, IDC_CONFIG_EXIT_ON_MOUSE, CheckStateOf(kExitOnMouseSetting));
        lastSpeed = ReadSettingInt(kSettingsSection, kCamSpeedSetting, lastSpeed);
        CheckDlgButton(dialog, IDC_CONFIG_WIDE_SCREEN, CheckStateOf(kWideScreenSetting));
        HWND trackbar = GetDlgItem(dialog, IDC_CONFIG_SPEED);
        SendMessageA(trackbar, TBM_SETRANGEMIN, TRUE, kSlowestSpeed);
        SendMessageA(trackbar, TBM_SETRANGEMAX, TRUE, kFastestSpeed);
        if (lastSpeed == 0)
            lastSpeed = kMiddleSpeed;
        SendMessageA(trackbar, TBM_SETPOS, TRUE, lastSpeed);
        // Shown as the saver reads it: only a stored 1 is "on".
        CheckDlgButton(dialog, IDC_CONFIG_ALL_DISPLAYS, ReadAllDisplaysSetting() ? BST_CHECKED : BST_UNCHECKED);
    } else if (message == WM_COMMAND) {
        switch (LOWORD(wParam)) {
        case IDC_CONFIG_OK:
            WriteSettingInt(kSettingsSection, kWideScreenSetting,
                            IsDlgButtonChecked(dialog, IDC_CONFIG_WIDE_SCREEN) == BST_CHECKED ? 1 : 0);
            WriteSettingInt(kSettingsSection, kExitOnMouseSetting,
                            IsDlgButtonChecked(dialog, IDC_CONFIG_EXIT_ON_MOUSE) == BST_CHECKED ? 1 : 0);
            lastSpeed = static_cast<int>(SendMessageA(GetDlgItem(dialog, IDC_CONFIG_SPEED), TBM_GETPOS, 0, 0));
            WriteSettingInt(kSettingsSection, kCamSpeedSetting, lastSpeed);
            WriteSettingInt(kSettingsSection, kAllDisplaysSetting,
                            IsDlgButtonChecked(dialog, IDC_CONFIG_ALL_DISPLAYS) == BST_CHECKED ? 1 : 0);
            EndDialog(dialog, IDC_CONFIG_OK);
            break;
        case IDC_CONFIG_CANCEL:
        case IDCANCEL: EndDialog(dialog, LOWORD(wParam)); break;
        case IDC_CONFIG_HOME_PAGE:
            OpenHomePageShortcut();
            EndDialog(dialog, 0);
            break;
        default: break;
        }
    }
    // Default dialog processing always follows.
    return FALSE;
}

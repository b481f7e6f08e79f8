// SaverApp's configuration dialog.
// PLACEHOLDER: the dialog itself comes later; /c ends as if it was cancelled.
#include "host/saver_app.h"

INT_PTR SaverApp::ShowConfigDialog() { return IDCANCEL; }

INT_PTR SaverApp::HandleDialogMessage(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

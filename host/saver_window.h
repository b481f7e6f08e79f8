// The saver's windows: full-screen, preview and test, and the input rules
// that end the full-screen saver.
#pragma once

#include <windows.h>

// While false the window procedure consumes every message and does nothing,
// so that input arriving after the shut-down cannot start another.
void SetWindowProcedureActive(bool active);

LRESULT CALLBACK SaverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

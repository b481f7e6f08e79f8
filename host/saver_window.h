// The saver's windows: full-screen, preview and test, and the input rules
// that end the full-screen saver.
#pragma once

#include <windows.h>

// While false the window procedure consumes every message and does nothing,
// so that input arriving after the shut-down cannot start another.
void SetWindowProcedureActive(bool active);

LRESULT CALLBACK SaverWindowProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// DefWindowProcA, the default processing of the saver's windows, through a
// pointer that tests can point at a recorder.
using WindowProcedureFunction = LRESULT(WINAPI*)(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
extern WindowProcedureFunction defaultWindowProcedure;

// The screen-saver switches: /c, /p <hwnd>, /a <hwnd>, /t, or none.
#pragma once

#include "host/run_mode.h"

#include <cstdint>

struct ParsedCommandLine {
    RunMode mode = RunMode::Saver;
    // The window number given with /p, /c or /a; 0 when none.
    uintptr_t parentWindow = 0;
    // /c and /t must first look for an open configuration dialog.
    bool checkConfigDialog = false;
};

// Reads the full command line, program name included. Pure: the look-up of
// an open dialog is left to the caller.
ParsedCommandLine ParseSwitches(const char* commandLine);

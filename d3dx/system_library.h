// Loading a DLL of the operating system (d3d9.dll, the HLSL compiler) from
// the system directory only, never from the folder the module was started
// from or from the PATH: a file of that name lying beside a downloaded .scr
// must not be run in its place.
#pragma once

#include <windows.h>

// The library from the system directory: LoadLibraryExA with
// LOAD_LIBRARY_SEARCH_SYSTEM32 where the system has it (Windows 8, and
// Windows 7 with the loader update), else the full path built from
// GetSystemDirectoryA. `name` is a plain file name; null when it cannot be
// loaded from there.
HMODULE LoadSystemLibrary(const char* name);

// From now on every DLL the process loads by name (those that the system's
// own libraries load later, uxtheme, dwmapi, version and the like, included)
// is looked for in the system directory only: SetDefaultDllDirectories,
// looked up at run time where the system has it (as the search flags
// above); elsewhere the search order stays as it is. False when it could
// not be set.
bool SearchSystemDirectoryOnly();

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

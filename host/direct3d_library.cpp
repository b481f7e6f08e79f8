// Loading d3d9.dll.
#include "host/direct3d_library.h"

#include "d3dx/system_library.h"

HMODULE direct3dLibrary = nullptr;
Direct3DCreate9Function direct3dCreate9 = nullptr;

bool IsDirectXPresent() {
    // Only the system's own d3d9.dll: never one lying beside the module.
    HMODULE library = LoadSystemLibrary("d3d9.dll");
    if (library == nullptr)
        return false;
    direct3dLibrary = library;
    direct3dCreate9 =
        reinterpret_cast<Direct3DCreate9Function>(reinterpret_cast<void*>(GetProcAddress(library, "Direct3DCreate9")));
    return true;
}

void UnloadDirect3DLibrary() {
    if (direct3dLibrary != nullptr) {
        FreeLibrary(direct3dLibrary);
        direct3dLibrary = nullptr;
        direct3dCreate9 = nullptr;
    }
}

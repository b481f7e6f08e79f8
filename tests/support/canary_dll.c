/* A DLL that only says it was loaded: the end-to-end tests plant copies of
   it beside a copy of the module under the names of the DLLs the saver
   imports or loads, and each copy that gets loaded leaves a file named
   after itself with ".loaded" appended. */
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID reserved) {
    (void)reserved;
    if (reason == DLL_PROCESS_ATTACH) {
        char marker[MAX_PATH + 8];
        const DWORD length = GetModuleFileNameA(self, marker, MAX_PATH);
        if (length > 0 && length < MAX_PATH) {
            lstrcpyA(marker + length, ".loaded");
            HANDLE file = CreateFileA(marker, GENERIC_WRITE, 0, NULL, CREATE_ALWAYS, 0, NULL);
            if (file != INVALID_HANDLE_VALUE)
                CloseHandle(file);
        }
    }
    return TRUE;
}

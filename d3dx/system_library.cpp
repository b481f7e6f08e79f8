// The system-directory-only DLL loader.
#include "d3dx/system_library.h"

#include <cstring>

namespace {

#ifndef LOAD_LIBRARY_SEARCH_SYSTEM32
constexpr DWORD LOAD_LIBRARY_SEARCH_SYSTEM32 = 0x00000800;
#endif

FARPROC Kernel32Entry(const char* name) {
    HMODULE kernel = GetModuleHandleA("kernel32.dll");
    return kernel != nullptr ? GetProcAddress(kernel, name) : nullptr;
}

// The search flags came with AddDllDirectory: a kernel32 that exports it
// understands them; an older one rejects them with ERROR_INVALID_PARAMETER.
bool SearchFlagsSupported() { return Kernel32Entry("AddDllDirectory") != nullptr; }

}  // namespace

HMODULE LoadSystemLibrary(const char* name) {
    if (name == nullptr || name[0] == '\0' || std::strpbrk(name, "\\/:") != nullptr)
        return nullptr;
    if (SearchFlagsSupported())
        return LoadLibraryExA(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
    char path[MAX_PATH];
    const UINT length = GetSystemDirectoryA(path, MAX_PATH);
    const size_t nameLength = std::strlen(name);
    if (length == 0 || length + 1 + nameLength >= MAX_PATH)
        return nullptr;
    path[length] = '\\';
    std::memcpy(path + length + 1, name, nameLength + 1);
    // A full path: the loader looks nowhere else.
    return LoadLibraryExA(path, nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

bool SearchSystemDirectoryOnly() {
    using SetDefaultDllDirectoriesFunction = BOOL(WINAPI*)(DWORD flags);
    const auto setDefaultDllDirectories = reinterpret_cast<SetDefaultDllDirectoriesFunction>(
        reinterpret_cast<void*>(Kernel32Entry("SetDefaultDllDirectories")));
    return setDefaultDllDirectories != nullptr && setDefaultDllDirectories(LOAD_LIBRARY_SEARCH_SYSTEM32) != FALSE;
}

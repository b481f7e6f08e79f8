// The files beside the DLL, the frame counts and the method-table patching.
#include "tests/support/fault_d3d9/stand_in.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

namespace stand_in {
namespace {

char fault[64];
constexpr unsigned kLoggedRepeats[] = {1, 20, 50};

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

}  // namespace

unsigned framesBegun = 0;
unsigned presentedFrames = 0;

void SiblingPath(const char* name, char (&path)[MAX_PATH]) {
    path[0] = '\0';
    const DWORD length = GetModuleFileNameA(ThisModule(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr || (slash - path) + 1 + std::strlen(name) >= MAX_PATH) {
        path[0] = '\0';
        return;
    }
    std::strcpy(slash + 1, name);
}

bool ReadFaultFile(FaultFile& file) {
    fault[0] = '\0';
    char path[MAX_PATH];
    SiblingPath("d3d9-fault.txt", path);
    HANDLE handle = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD got = 0;
    ReadFile(handle, file.text, sizeof file.text - 1, &got, nullptr);
    CloseHandle(handle);
    file.text[got] = '\0';
    std::strncpy(file.fault, file.text, sizeof file.fault - 1);
    file.fault[sizeof file.fault - 1] = '\0';
    for (char* p = file.fault; *p != '\0'; ++p)
        if (*p == '\r' || *p == '\n')
            *p = '\0';
    std::strcpy(fault, file.fault);
    return true;
}

bool FaultIs(const char* name) { return std::strcmp(fault, name) == 0; }

bool Option(const char* text, const char* name, unsigned& value) {
    const char* found = std::strstr(text, name);
    return found != nullptr && std::sscanf(found + std::strlen(name), "%u", &value) == 1;
}

void Log(const char* format, ...) {
    char path[MAX_PATH];
    SiblingPath("d3d9-calls.log", path);
    if (path[0] == '\0')
        return;
    char line[160];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length <= 0)
        return;
    HANDLE file =
        CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
}

bool LoggedRepeat(unsigned count) {
    for (unsigned logged : kLoggedRepeats)
        if (count == logged)
            return true;
    return false;
}

void* PatchSlot(void* object, size_t slot, void* replacement) {
    void** table = *reinterpret_cast<void***>(object);
    if (table[slot] == replacement)
        return nullptr;
    DWORD old = 0;
    if (!VirtualProtect(&table[slot], sizeof(void*), PAGE_EXECUTE_READWRITE, &old))
        return nullptr;
    void* previous = table[slot];
    table[slot] = replacement;
    VirtualProtect(&table[slot], sizeof(void*), old, &old);
    return previous;
}

}  // namespace stand_in

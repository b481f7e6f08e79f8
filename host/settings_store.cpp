// Settings store: registry access for the three settings.
#include "host/settings_store.h"

#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstring>

#include "resources/saver_names.h"
#include "saver_release.h"

// The installer's uninstaller removes this key when the user asks it to.
const char kProductKey[] = "Software\\" SAVER_COMPANY "\\" SAVER_NAME;
const char kSettingsSection[] = "Settings";

namespace {

constexpr size_t kKeyPathLength = 260;
constexpr DWORD kSettingBufferBytes = 64;

bool FormatSettingPath(const char* section, char (&path)[kKeyPathLength]) {
    const int written = std::snprintf(path, sizeof path, "%s\\%s", kProductKey, section);
    return written > 0 && static_cast<size_t>(written) < sizeof path;
}

}  // namespace

bool ReadRegistryValue(HKEY hive, const char* path, const char* name, char* buffer, DWORD size) {
    if (hive == nullptr || buffer == nullptr || size == 0)
        return false;
    HKEY key = nullptr;
    if (RegOpenKeyExA(hive, path, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    bool ok = false;
    DWORD type = 0;
    DWORD needed = 0;
    if (RegQueryValueExA(key, name, nullptr, &type, nullptr, &needed) == ERROR_SUCCESS &&
        (type == REG_SZ || type == REG_EXPAND_SZ)) {
        // The size asked above may count the text as wide characters, so the
        // buffer's own size decides: data that does not fit is ERROR_MORE_DATA.
        DWORD got = size;
        if (RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &got) == ERROR_SUCCESS) {
            // A stored string need not carry its own terminator; add one when
            // there is room, and refuse the value when there is none.
            if (got > 0 && buffer[got - 1] == '\0') {
                ok = true;
            } else if (got < size) {
                buffer[got] = '\0';
                ok = true;
            }
        }
    }
    RegCloseKey(key);
    return ok;
}

bool WriteRegistryString(HKEY hive, const char* path, const char* name, const char* text) {
    if (hive == nullptr || text == nullptr)
        return false;
    HKEY key = nullptr;
    char emptyClass[] = "";
    if (RegCreateKeyExA(hive, path, 0, emptyClass, REG_OPTION_NON_VOLATILE, KEY_ALL_ACCESS, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return false;
    const DWORD bytes = static_cast<DWORD>(std::strlen(text) + 1);
    const bool ok = RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text), bytes) == ERROR_SUCCESS;
    RegCloseKey(key);
    return ok;
}

bool ReadSettingText(const char* section, const char* name, char* buffer, DWORD size) {
    char path[kKeyPathLength];
    if (!FormatSettingPath(section, path))
        return false;
    return ReadRegistryValue(HKEY_CURRENT_USER, path, name, buffer, size);
}

bool WriteSettingText(const char* section, const char* name, const char* text) {
    char path[kKeyPathLength];
    if (!FormatSettingPath(section, path))
        return false;
    return WriteRegistryString(HKEY_CURRENT_USER, path, name, text);
}

bool ParseDecimalInt(const char* text, int& value) {
    if (text == nullptr)
        return false;
    const char* p = text;
    while (*p == ' ' || (*p >= '\t' && *p <= '\r'))
        ++p;
    bool negative = false;
    if (*p == '+' || *p == '-')
        negative = (*p++ == '-');
    if (*p < '0' || *p > '9')
        return false;
    int64_t magnitude = 0;
    constexpr int64_t kLimit = static_cast<int64_t>(INT_MAX) + 1;
    for (; *p >= '0' && *p <= '9'; ++p) {
        magnitude = magnitude * 10 + (*p - '0');
        if (magnitude > kLimit)
            magnitude = kLimit;  // keeps saturating however long the digit run is
    }
    if (negative)
        value = static_cast<int>(-magnitude < INT_MIN ? INT_MIN : -magnitude);
    else
        value = static_cast<int>(magnitude > INT_MAX ? INT_MAX : magnitude);
    return true;
}

int ReadSettingInt(const char* section, const char* name, int defaultValue) {
    char text[kSettingBufferBytes];
    if (!ReadSettingText(section, name, text, sizeof text))
        return defaultValue;
    int value = defaultValue;
    ParseDecimalInt(text, value);
    return value;
}

void WriteSettingInt(const char* section, const char* name, int value) {
    char text[kSettingBufferBytes];
    std::snprintf(text, sizeof text, "%d", value);
    WriteSettingText(section, name, text);
}

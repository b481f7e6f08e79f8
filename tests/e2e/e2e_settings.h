// The saver's settings as the end-to-end tests prepare and read them: raw
// registry access, so that the tests share no code with the saver's store.
#pragma once

#include <windows.h>

#include <optional>
#include <string>

#include "tests/support/external_names.h"

inline void ClearSettings() { RegDeleteTreeA(HKEY_CURRENT_USER, pinned::kMakerKey); }

inline void WriteSetting(const char* name, const std::string& text) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, pinned::kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                        nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

inline std::optional<std::string> ReadSetting(const char* name) {
    char buffer[256] = {};
    DWORD size = sizeof buffer - 1;
    DWORD type = 0;
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, pinned::kSettingsKey, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return std::nullopt;
    const LONG result = RegQueryValueExA(key, name, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (result != ERROR_SUCCESS || type != REG_SZ)
        return std::nullopt;
    return std::string(buffer);
}

// The user's settings: small integers kept as decimal text under
// HKEY_CURRENT_USER\Software\Talvork Interactive\Brinemere Duzo Screensaver.
// No cache: every reader asks the registry when it needs the value.
#pragma once

#include <windows.h>

#include <cstddef>

extern const char kProductKey[];
extern const char kSettingsSection[];
// The settings' value names.
inline constexpr char kExitOnMouseSetting[] = "ExitOnMouse";
inline constexpr char kCamSpeedSetting[] = "CamSpeed";
inline constexpr char kWideScreenSetting[] = "WideScreen";
inline constexpr char kAllDisplaysSetting[] = "AllDisplays";

// Text values only (REG_SZ / REG_EXPAND_SZ). On success `buffer` holds the
// value's text, always NUL-terminated. A value that would not fit in `size`
// bytes with its terminator reads as absent, so a hostile value can neither
// overrun the buffer nor be silently cut into another number.
bool ReadRegistryValue(HKEY hive, const char* path, const char* name, char* buffer, DWORD size);
bool WriteRegistryString(HKEY hive, const char* path, const char* name, const char* text);

bool ReadSettingText(const char* section, const char* name, char* buffer, DWORD size);
bool WriteSettingText(const char* section, const char* name, const char* text);

int ReadSettingInt(const char* section, const char* name, int defaultValue);
void WriteSettingInt(const char* section, const char* name, int value);

// "%d" as the settings store reads it: leading white space, an optional sign,
// at least one decimal digit; anything after the digits is ignored. Values
// beyond the 32-bit range saturate instead of wrapping. False (and `value`
// untouched) when the text does not begin with a number.
bool ParseDecimalInt(const char* text, int& value);

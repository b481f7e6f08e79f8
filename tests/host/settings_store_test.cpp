// The settings store against the real (Wine) registry of the test prefix.
#include "host/settings_store.h"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <string>

#include "host/saver_app.h"
#include "tests/support/external_names.h"

namespace {

using pinned::kAllDisplays;
using pinned::kCamSpeed;
using pinned::kExitOnMouse;
using pinned::kSettingsKey;
using pinned::kWideScreen;

class SettingsStore : public ::testing::Test {
protected:
    void SetUp() override { RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey); }
    void TearDown() override { RegDeleteTreeA(HKEY_CURRENT_USER, kProductKey); }

    // Stores raw registry data, bypassing the store, as another program might.
    static void Put(const char* name, DWORD type, const void* data, DWORD bytes) {
        HKEY key = nullptr;
        ASSERT_EQ(
            RegCreateKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
            ERROR_SUCCESS);
        ASSERT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), bytes), ERROR_SUCCESS);
        RegCloseKey(key);
    }
    static void PutText(const char* name, const std::string& text) {
        Put(name, REG_SZ, text.c_str(), static_cast<DWORD>(text.size() + 1));
    }
};

TEST_F(SettingsStore, MissingKeyGivesDefaults) {
    EXPECT_EQ(ReadSettingInt("Settings", kExitOnMouse, 0), 0);
    EXPECT_EQ(ReadSettingInt("Settings", kCamSpeed, 7), 7);
    char buffer[64] = "untouched";
    EXPECT_FALSE(ReadSettingText("Settings", kWideScreen, buffer, sizeof buffer));
    EXPECT_FALSE(ReadRegistryValue(nullptr, kSettingsKey, kWideScreen, buffer, sizeof buffer));
}

TEST_F(SettingsStore, WriteCreatesKeyAndStoresDecimalText) {
    WriteSettingInt("Settings", kCamSpeed, 5);
    WriteSettingInt("Settings", kExitOnMouse, -12);

    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    char data[16] = {};
    DWORD type = 0, size = sizeof data;
    ASSERT_EQ(RegQueryValueExA(key, kCamSpeed, nullptr, &type, reinterpret_cast<BYTE*>(data), &size), ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(size, 2u);  // the text and its terminating NUL
    EXPECT_STREQ(data, "5");

    EXPECT_EQ(ReadSettingInt("Settings", kCamSpeed, 0), 5);
    EXPECT_EQ(ReadSettingInt("Settings", kExitOnMouse, 0), -12);
}

TEST_F(SettingsStore, TextParsing) {
    struct {
        const char* stored;
        int expected;
    } cases[] = {
        {"4", 4},
        {" 4", 4},
        {"\t 4", 4},
        {"4x", 4},
        {"x4", 99},
        {"-1", -1},
        {"+3", 3},
        {"", 99},
        {"-", 99},
        {" ", 99},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999999", INT_MAX},
        {"-99999999999999", INT_MIN},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string("stored \"") + c.stored + "\"");
        PutText(kCamSpeed, c.stored);
        EXPECT_EQ(ReadSettingInt("Settings", kCamSpeed, 99), c.expected);
    }
}

TEST_F(SettingsStore, HostileValuesReadAsAbsent) {
    // A value longer than the 64-byte buffer never overruns it; it reads as
    // absent rather than as a number cut from its first 63 characters.
    PutText(kCamSpeed, std::string(200, '4'));
    EXPECT_EQ(ReadSettingInt("Settings", kCamSpeed, 3), 3);
    char guarded[80];
    std::memset(guarded, 'G', sizeof guarded);
    EXPECT_FALSE(ReadSettingText("Settings", kCamSpeed, guarded, 64));
    for (int i = 64; i < 80; ++i)
        ASSERT_EQ(guarded[i], 'G') << "byte " << i << " past the buffer was written";

    // The longest text that fits (63 characters and the NUL) is read.
    PutText(kCamSpeed, "1" + std::string(62, ' '));
    EXPECT_EQ(ReadSettingInt("Settings", kCamSpeed, 3), 1);
    PutText(kCamSpeed, "1" + std::string(63, ' '));
    EXPECT_EQ(ReadSettingInt("Settings", kCamSpeed, 3), 3);

    // A string stored without its terminator still reads as text.
    Put(kCamSpeed, REG_SZ, "2", 1);
    EXPECT_EQ(ReadSettingInt("Settings", kCamSpeed, 3), 2);

    // Numbers stored as REG_DWORD (even one whose bytes spell "4") or as
    // binary data are not settings text.
    const DWORD dword = 4;
    Put(kWideScreen, REG_DWORD, &dword, sizeof dword);
    EXPECT_EQ(ReadSettingInt("Settings", kWideScreen, 0), 0);
    const DWORD spellsFour = '4';
    Put(kWideScreen, REG_DWORD, &spellsFour, sizeof spellsFour);
    EXPECT_EQ(ReadSettingInt("Settings", kWideScreen, 0), 0);
    Put(kWideScreen, REG_BINARY, "1", 2);
    EXPECT_EQ(ReadSettingInt("Settings", kWideScreen, 0), 0);

    // A value that was never written, beside others that were.
    EXPECT_EQ(ReadSettingInt("Settings", kExitOnMouse, 0), 0);
}

// The same stored text as "CamSpeed" and as "AllDisplays": the flight speed
// it chooses, and whether the sea is shown on every display (only a 1 is
// on: the value is stored as 0 or 1, anything else is its default).
TEST_F(SettingsStore, CamSpeedChoosesFlightSpeedAndOnlyOneShowsEveryDisplay) {
    EXPECT_EQ(ReadFlightSpeedSetting(), 3.0);  // absent
    EXPECT_FALSE(ReadAllDisplaysSetting());
    const struct {
        const char* stored;
        double speed;
        bool allDisplays;
    } cases[] = {{"1", 2.0, true},  {" 1", 2.0, true}, {"1x", 2.0, true},         {"2", 2.5, false},
                 {"3", 3.0, false}, {"4", 3.5, false}, {"5", 4.0, false},         {"0", 3.0, false},
                 {"6", 3.0, false}, {"7", 3.0, false}, {"-1", 3.0, false},        {"junk", 3.0, false},
                 {"", 3.0, false},  {"01", 2.0, true}, {"4294967297", 3.0, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        PutText(kCamSpeed, c.stored);
        PutText(kAllDisplays, c.stored);
        EXPECT_EQ(ReadFlightSpeedSetting(), c.speed);
        EXPECT_EQ(ReadAllDisplaysSetting(), c.allDisplays);
    }
}

}  // namespace

// The command-line grammar, as the screen-saver host and users type it.
#include "host/command_line.h"

#include <gtest/gtest.h>

#include <climits>
#include <string>

namespace {

struct Case {
    const char* line;
    RunMode mode;
    uintptr_t parent;
    bool checkDialog;
};

TEST(CommandLine, Grammar) {
    const Case cases[] = {
        // No switch, unknown switches and a lone switch character run the saver.
        {"saver.scr", RunMode::Saver, 0, false},
        {"saver.scr /s", RunMode::Saver, 0, false},
        {"saver.scr /x", RunMode::Saver, 0, false},
        {"saver.scr /", RunMode::Saver, 0, false},
        {"saver.scr -", RunMode::Saver, 0, false},
        // Preview: either switch character, either case, with or without a gap.
        {"saver.scr /p 123", RunMode::Preview, 123, false},
        {"saver.scr -p 123", RunMode::Preview, 123, false},
        {"saver.scr /P 123", RunMode::Preview, 123, false},
        {"saver.scr /p123", RunMode::Preview, 123, false},
        {"saver.scr /p", RunMode::Preview, 0, false},
        {"saver.scr /p:77", RunMode::Preview, 77, false},
        // Configure in all its spellings, then the dialog look-up.
        {"saver.scr /c", RunMode::Configure, 0, true},
        {"saver.scr /c:1234", RunMode::Configure, 1234, true},
        {"saver.scr /c 1234", RunMode::Configure, 1234, true},
        {"saver.scr -C", RunMode::Configure, 0, true},
        // Password change and test.
        {"saver.scr /a 456", RunMode::Password, 456, false},
        {"saver.scr /A", RunMode::Password, 0, false},
        {"saver.scr /t", RunMode::Test, 0, true},
        {"saver.scr /t 99", RunMode::Test, 0, true},
        // Text before the first switch is ignored.
        {"\"C:\\Program Files\\saver.scr\" foo /c", RunMode::Configure, 0, true},
        // A quoted program path with '-' and '/' in it is skipped whole...
        {"\"C:\\my-savers/x.scr\" /p 5", RunMode::Preview, 5, false},
        {"\"C:\\my-savers/x.scr\"", RunMode::Saver, 0, false},
        // ...an unquoted one only up to its first space.
        {"C:\\my-savers\\x.scr", RunMode::Saver, 0, false},
        {"C:\\my-savers\\x.scr /c", RunMode::Configure, 0, true},
        {"C:\\my savers\\x-p.scr", RunMode::Preview, 0, false},
        // The number after the switch may stand behind any non-digits.
        {"saver.scr /a hwnd=42", RunMode::Password, 42, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const ParsedCommandLine parsed = ParseSwitches(c.line);
        EXPECT_EQ(parsed.mode, c.mode);
        EXPECT_EQ(parsed.parentWindow, c.parent);
        EXPECT_EQ(parsed.checkConfigDialog, c.checkDialog);
    }
}

TEST(CommandLine, BadInput) {
    // Empty line, only a program name, no line at all.
    EXPECT_EQ(ParseSwitches("").mode, RunMode::Saver);
    EXPECT_EQ(ParseSwitches("saver.scr").mode, RunMode::Saver);
    EXPECT_EQ(ParseSwitches(nullptr).mode, RunMode::Saver);

    // An unterminated quote swallows the whole line as the program name.
    EXPECT_EQ(ParseSwitches("\"C:\\saver.scr /c").mode, RunMode::Saver);
    EXPECT_EQ(ParseSwitches("\"").mode, RunMode::Saver);

    // A number beyond the 32-bit range saturates instead of wrapping around
    // to some other window.
    const ParsedCommandLine huge = ParseSwitches("saver.scr /p 99999999999999999999999999");
    EXPECT_EQ(huge.mode, RunMode::Preview);
    EXPECT_EQ(huge.parentWindow, static_cast<uintptr_t>(LONG_MAX));

    // The sign is one of the skipped non-digits: "/p -5" names window 5.
    const ParsedCommandLine negative = ParseSwitches("saver.scr /p -5");
    EXPECT_EQ(negative.mode, RunMode::Preview);
    EXPECT_EQ(negative.parentWindow, 5u);

    // A 10,000-character line is read to its end without trouble.
    std::string longLine = "saver.scr " + std::string(10000, 'x') + " /p 31";
    EXPECT_EQ(ParseSwitches(longLine.c_str()).mode, RunMode::Preview);
    EXPECT_EQ(ParseSwitches(longLine.c_str()).parentWindow, 31u);
    std::string longNumber = "saver.scr /a " + std::string(10000, '9');
    EXPECT_EQ(ParseSwitches(longNumber.c_str()).parentWindow, static_cast<uintptr_t>(LONG_MAX));
}

}  // namespace

// The command-line grammar of the screen-saver host.
#include "host/command_line.h"

#include <climits>

namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Skips to the first digit and reads the number that starts there. Like the
// C library's atol on Windows, a number beyond the 32-bit range saturates.
bool ReadWindowNumber(const char* p, uintptr_t& number) {
    while (*p != '\0' && !IsDigit(*p))
        ++p;
    if (!IsDigit(*p))
        return false;
    uint64_t value = 0;
    for (; IsDigit(*p); ++p) {
        value = value * 10 + static_cast<uint64_t>(*p - '0');
        if (value > LONG_MAX)
            value = LONG_MAX;
    }
    number = static_cast<uintptr_t>(value);
    return true;
}

const char* SkipProgramName(const char* p) {
    if (*p == '"') {
        ++p;
        while (*p != '\0' && *p != '"')
            ++p;
        if (*p == '"')
            ++p;
        return p;
    }
    while (*p != '\0' && *p != ' ')
        ++p;
    if (*p == ' ')
        ++p;
    return p;
}

}  // namespace

ParsedCommandLine ParseSwitches(const char* commandLine) {
    ParsedCommandLine result;
    if (commandLine == nullptr)
        return result;
    const char* p = SkipProgramName(commandLine);
    while (*p != '\0' && *p != '/' && *p != '-')
        ++p;
    if (*p == '\0')
        return result;
    const char* rest = p + 2;
    switch (p[1]) {
    case 'a':
    case 'A':
        ReadWindowNumber(rest, result.parentWindow);
        result.mode = RunMode::Password;
        break;
    case 'c':
    case 'C':
        ReadWindowNumber(rest, result.parentWindow);
        result.mode = RunMode::Configure;
        result.checkConfigDialog = true;
        break;
    case 'p':
    case 'P':
        ReadWindowNumber(rest, result.parentWindow);
        result.mode = RunMode::Preview;
        break;
    case 't':
    case 'T':
        result.mode = RunMode::Test;
        result.checkConfigDialog = true;
        break;
    default:
        result.mode = RunMode::Saver;  // no character after the switch, or an unknown one
        break;
    }
    return result;
}

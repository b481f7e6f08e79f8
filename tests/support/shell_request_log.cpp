// Redirection of the shell's URL handlers to url_recorder.exe.
#include "tests/support/shell_request_log.h"

#include <windows.h>

#include <fstream>

#include "tests/support/saver_process.h"

namespace {

const char* const kHandlerKeys[] = {
    "http\\shell\\open\\command",
    "https\\shell\\open\\command",
    "mailto\\shell\\open\\command",
    "InternetShortcut\\shell\\open\\command",
};
constexpr size_t kHandlerCount = sizeof kHandlerKeys / sizeof kHandlerKeys[0];

bool ReadDefault(const char* key, std::string& value) {
    char buffer[1024] = {};
    LONG size = sizeof buffer;
    if (RegQueryValueA(HKEY_CLASSES_ROOT, key, buffer, &size) != ERROR_SUCCESS)
        return false;
    value = buffer;
    return true;
}

void WriteDefault(const char* key, const std::string& value) {
    RegSetValueA(HKEY_CLASSES_ROOT, key, REG_SZ, value.c_str(), static_cast<DWORD>(value.size()));
}

std::string TestDirectory() {
    const std::string module = SaverModulePath();
    return module.substr(0, module.find_last_of("\\/") + 1);
}

}  // namespace

ShellRequestLog::ShellRequestLog() : logPath_(TestDirectory() + "shell-requests.log") {
    DeleteFileA(logPath_.c_str());
    const std::string command = "\"" + TestDirectory() + "url_recorder.exe\" \"%1\"";
    for (size_t i = 0; i < kHandlerCount; ++i) {
        saved_.push_back({false, std::string()});
        saved_.back().first = ReadDefault(kHandlerKeys[i], saved_.back().second);
        WriteDefault(kHandlerKeys[i], command);
    }
}

ShellRequestLog::~ShellRequestLog() {
    for (size_t i = 0; i < kHandlerCount && i < saved_.size(); ++i) {
        if (saved_[i].first)
            WriteDefault(kHandlerKeys[i], saved_[i].second);
        else
            RegDeleteKeyA(HKEY_CLASSES_ROOT, kHandlerKeys[i]);
    }
}

std::vector<std::string> ShellRequestLog::Requests(size_t atLeast, unsigned timeoutMs) const {
    std::vector<std::string> lines;
    const DWORD start = GetTickCount();
    for (;;) {
        lines.clear();
        std::ifstream file(logPath_);
        std::string line;
        while (std::getline(file, line)) {
            while (!line.empty() && (line.back() == '\r' || line.back() == '\n'))
                line.pop_back();
            if (line.size() >= 2 && line.front() == '"' && line.back() == '"')
                line = line.substr(1, line.size() - 2);
            lines.push_back(line);
        }
        if (lines.size() >= atLeast || GetTickCount() - start >= timeoutMs)
            return lines;
        PumpMessagesFor(50);
    }
}

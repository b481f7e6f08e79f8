// Sends the shell's "open" of web addresses and Internet shortcuts to the
// url_recorder program for as long as an instance lives, and reads back
// what was asked for.
#pragma once

#include <string>
#include <utility>
#include <vector>

class ShellRequestLog {
public:
    ShellRequestLog();   // takes over the handlers and empties the log
    ~ShellRequestLog();  // gives the handlers back

    // The addresses asked for so far, waiting up to `timeoutMs` for at least
    // `atLeast` of them (the shell starts the handler asynchronously).
    std::vector<std::string> Requests(size_t atLeast = 0, unsigned timeoutMs = 0) const;

private:
    std::string logPath_;
    std::vector<std::pair<bool, std::string>> saved_;  // the handlers found before
};

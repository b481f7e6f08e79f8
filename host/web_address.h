// Opening a web page or a mail address with the shell.
#pragma once

#include <string>

extern const char kDirectXDownloadAddress[];
extern const char kHomePageAddress[];
extern const char kFaqPageAddress[];

// The text handed to the shell: a mail address (an at sign before any of
// '%', '/', ':') gets "mailto:" in front; at most 255 characters.
std::string BuildWebAddress(const char* text);

void OpenWebAddress(const char* text);

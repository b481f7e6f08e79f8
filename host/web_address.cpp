// Web and mail addresses the saver opens with the shell.
#include "host/web_address.h"

#include <windows.h>
#include <shellapi.h>

#include "saver_release.h"

const char kDirectXDownloadAddress[] = "https://www.microsoft.com/en-us/download/details.aspx?id=35";
const char kHomePageAddress[] = SAVER_HOME_PAGE;
const char kFaqPageAddress[] = "https://www.talvork.example/brinemere-duzo/faq.html";

namespace {
constexpr size_t kMaxAddressLength = 255;
}

std::string BuildWebAddress(const char* text) {
    if (text == nullptr)
        return std::string();
    bool mail = false;
    for (const char* p = text; *p != '\0'; ++p) {
        if (*p == '@') {
            mail = true;
            break;
        }
        if (*p == '%' || *p == '/' || *p == ':')
            break;
    }
    std::string address = mail ? "mailto:" : "";
    address += text;
    if (address.size() > kMaxAddressLength)
        address.resize(kMaxAddressLength);
    return address;
}

void OpenWebAddress(const char* text) {
    const std::string address = BuildWebAddress(text);
    ShellExecuteA(nullptr, "open", address.c_str(), nullptr, nullptr, SW_SHOW);
}

// Call lists against their golden files.
#include "tests/support/golden_calls.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <sstream>

::testing::AssertionResult SameCalls(const std::string& actual, const std::string& golden) {
    constexpr double kRelative = 1e-5, kAbsolute = 1e-6;
    std::istringstream actualLines(actual), goldenLines(golden);
    std::string a, g;
    for (int line = 1; std::getline(goldenLines, g); ++line) {
        if (!std::getline(actualLines, a))
            return ::testing::AssertionFailure() << "line " << line << " missing: " << g;
        size_t i = 0, j = 0;
        bool inBraces = false, same = true;
        while (same && (i < a.size() || j < g.size())) {
            const bool number = i < a.size() && j < g.size() &&
                                (std::isdigit(static_cast<unsigned char>(a[i])) || a[i] == '-') &&
                                (std::isdigit(static_cast<unsigned char>(g[j])) || g[j] == '-');
            if (number) {
                char *aEnd = nullptr, *gEnd = nullptr;
                const double x = std::strtod(a.c_str() + i, &aEnd), y = std::strtod(g.c_str() + j, &gEnd);
                const std::string aText(a.c_str() + i, static_cast<const char*>(aEnd)),
                    gText(g.c_str() + j, static_cast<const char*>(gEnd));
                if (!aText.empty() && !gText.empty()) {
                    const bool real = inBraces || aText.find_first_of(".e") != std::string::npos ||
                                      gText.find_first_of(".e") != std::string::npos;
                    same = real ? std::fabs(x - y) <= kRelative * std::max(std::fabs(x), std::fabs(y)) + kAbsolute
                                : aText == gText;
                    i = size_t(aEnd - a.c_str());
                    j = size_t(gEnd - g.c_str());
                    continue;
                }
            }
            same = i < a.size() && j < g.size() && a[i] == g[j];
            inBraces = (inBraces || g[j] == '{') && g[j] != '}';
            ++i;
            ++j;
        }
        if (!same)
            return ::testing::AssertionFailure() << "line " << line << ":\n  got      " << a << "\n  expected " << g;
    }
    if (std::getline(actualLines, a))
        return ::testing::AssertionFailure() << "an unexpected call after the list: " << a;
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult MatchesGoldenFile(const std::string& actual, const std::string& goldenPath) {
    const char* regenerate = std::getenv("BRINEMERE_REGENERATE_GOLDENS");
    if (regenerate != nullptr && std::string(regenerate) == "1") {
        std::ofstream(goldenPath, std::ios::binary | std::ios::trunc) << actual;
        return ::testing::AssertionSuccess() << "regenerated " << goldenPath;
    }
    std::ifstream file(goldenPath, std::ios::binary);
    if (!file)
        return ::testing::AssertionFailure() << "no golden file " << goldenPath;
    const std::string golden((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return SameCalls(actual, golden) << " (golden: " << goldenPath << ")";
}

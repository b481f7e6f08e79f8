// The real saver left running for a long time, watched from outside: its
// working set, private bytes, handles and GDI and USER objects are sampled
// at a fixed interval, and once it is warm a straight line is fitted to each.
// Memory fails when its slope would fill 2 GiB within a week (about 12 MiB
// an hour, 2 MiB over ten minutes); objects fail when theirs would reach the
// 10,000 a process may hold within a week. A short run's fit is noisy: it
// may be given the growth that noise alone shows over its warm part
// (NOISE_MIB, measured; 0 by default), and object counts, which move in whole
// steps, may always show one step.
// (Wine reports no handle, GDI or USER counts: they read 0 there, and
// scripts/soak watches the process's Unix descriptors and threads instead.)
// At the end the full-screen saver is ended with a key, the preview by
// closing its parent window; either must end with exit code 0.
//   saver_soak [saver|preview] [SECONDS [INTERVAL_SECONDS [NOISE_MIB]]]
//                                       (default saver, 600, 5 and 0)
// Prints one line per sample, each fit and a verdict; exit code 0 when it held.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/saver_process.h"

namespace {

constexpr DWORD kStartMs = 30000;
constexpr DWORD kExitMs = 30000;
constexpr int kDefaultSeconds = 600;
constexpr int kDefaultIntervalSeconds = 5;
// The first quarter of the run (at least this long) is warm-up: the
// platform's shader caches and the banner's fade settle in it.
constexpr int kMinimumWarmSeconds = 15;
constexpr double kWeekSeconds = 7.0 * 24 * 3600;
constexpr double kMemoryPerWeekMiB = 2048.0;
constexpr double kObjectsPerWeek = 10000.0;  // a process's default GDI and USER quota
constexpr double kObjectStep = 1.0;

struct Sample {
    double second;
    double workingSetMiB;
    double privateMiB;
    double handles;
    double gdiObjects;
    double userObjects;
};

double MiB(SIZE_T bytes) { return double(bytes) / (1024.0 * 1024.0); }

bool TakeSample(HANDLE process, double second, Sample& sample) {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    DWORD handles = 0;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) ||
        !GetProcessHandleCount(process, &handles))
        return false;
    sample = {second,
              MiB(memory.WorkingSetSize),
              MiB(memory.PagefileUsage),  // the private bytes (Wine leaves PrivateUsage 0)
              double(handles),
              double(GetGuiResources(process, GR_GDIOBJECTS)),
              double(GetGuiResources(process, GR_USEROBJECTS))};
    return true;
}

struct Fit {
    double slope = 0;          // per second
    double standardError = 0;  // of the slope
    double noise = 0;          // spread of the samples around the line
};

// Least squares over the warm samples.
Fit FitLine(const std::vector<Sample>& samples, const std::function<double(const Sample&)>& field) {
    const double n = double(samples.size());
    double meanT = 0, meanY = 0;
    for (const Sample& s : samples) {
        meanT += s.second / n;
        meanY += field(s) / n;
    }
    double stt = 0, sty = 0;
    for (const Sample& s : samples) {
        stt += (s.second - meanT) * (s.second - meanT);
        sty += (s.second - meanT) * (field(s) - meanY);
    }
    Fit fit;
    fit.slope = stt > 0 ? sty / stt : 0;
    double residuals = 0;
    for (const Sample& s : samples) {
        const double r = field(s) - (meanY + fit.slope * (s.second - meanT));
        residuals += r * r;
    }
    fit.noise = n > 2 ? std::sqrt(residuals / (n - 2)) : 0;
    fit.standardError = stt > 0 ? fit.noise / std::sqrt(stt) : 0;
    return fit;
}

int Argument(int argc, char** argv, int index, int fallback) {
    const long value = index < argc ? std::strtol(argv[index], nullptr, 10) : 0;
    return value > 0 ? int(value) : fallback;
}

// The Screen Saver Settings' little window, played by a window of ours.
HWND CreatePreviewParent() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "SoakPreviewParent";
    RegisterClassA(&windowClass);
    return CreateWindowExA(0, "SoakPreviewParent", "preview host", WS_POPUP | WS_VISIBLE, 100, 100, 152, 112, nullptr,
                           nullptr, GetModuleHandleA(nullptr), nullptr);
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const bool preview = argc > 1 && std::strcmp(argv[1], "preview") == 0;
    const int first = argc > 1 && (preview || std::strcmp(argv[1], "saver") == 0) ? 2 : 1;
    const int seconds = Argument(argc, argv, first, kDefaultSeconds);
    const int interval = Argument(argc, argv, first + 1, kDefaultIntervalSeconds);
    const double noiseMiB = first + 2 < argc ? std::strtod(argv[first + 2], nullptr) : 0.0;
    const int warmSeconds = std::max(kMinimumWarmSeconds, seconds / 4);

    HWND parent = preview ? CreatePreviewParent() : nullptr;
    SaverProcess saver(preview ? "/p " + std::to_string(reinterpret_cast<uintptr_t>(parent)) : "");
    HWND window = nullptr;
    for (DWORD waited = 0; saver.Started() && window == nullptr && waited < kStartMs; waited += 50) {
        window = preview ? FindWindowExA(parent, nullptr, "ZSaverClass2", nullptr)
                         : saver.WaitForWindow("ZSaverClass", "Brinemere Duzo Screensaver", 0);
        PumpMessagesFor(50);
    }
    if (window == nullptr) {
        std::printf("FAIL: the %s did not start\n", preview ? "preview" : "saver");
        return 1;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, saver.Id());
    if (process == nullptr) {
        std::printf("FAIL: cannot watch the saver's process\n");
        return 1;
    }

    std::vector<Sample> samples;
    const DWORD start = GetTickCount();
    std::printf("%s: second\tworking set MiB\tprivate MiB\thandles\tGDI\tUSER\n", preview ? "preview" : "saver");
    for (;;) {
        const double second = (GetTickCount() - start) / 1000.0;
        if (!saver.IsRunning()) {
            std::printf("FAIL: it ended by itself after %.0f s\n", second);
            CloseHandle(process);
            return 1;
        }
        Sample sample;
        if (TakeSample(process, second, sample)) {
            std::printf("%.0f\t%.1f\t%.1f\t%.0f\t%.0f\t%.0f\n", sample.second, sample.workingSetMiB, sample.privateMiB,
                        sample.handles, sample.gdiObjects, sample.userObjects);
            if (second >= warmSeconds)
                samples.push_back(sample);
        }
        if (second >= seconds)
            break;
        PumpMessagesFor(DWORD(interval) * 1000);
    }
    CloseHandle(process);

    if (preview)
        DestroyWindow(parent);
    else
        PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    bool held = true;
    if (!code.has_value() || *code != 0) {
        std::printf("FAIL: it did not end with code 0\n");
        held = false;
    }
    if (samples.size() < 4) {
        std::printf("FAIL: only %zu samples once warm; run longer or sample more often\n", samples.size());
        return 1;
    }

    const struct {
        const char* name;
        std::function<double(const Sample&)> field;
        double perWeek;
        double noise;  // growth over the warm part that noise may show
        const char* unit;
    } series[] = {
        {"working set", [](const Sample& s) { return s.workingSetMiB; }, kMemoryPerWeekMiB, noiseMiB, "MiB"},
        {"private bytes", [](const Sample& s) { return s.privateMiB; }, kMemoryPerWeekMiB, noiseMiB, "MiB"},
        {"handles", [](const Sample& s) { return s.handles; }, kObjectsPerWeek, kObjectStep, "objects"},
        {"GDI objects", [](const Sample& s) { return s.gdiObjects; }, kObjectsPerWeek, kObjectStep, "objects"},
        {"USER objects", [](const Sample& s) { return s.userObjects; }, kObjectsPerWeek, kObjectStep, "objects"},
    };
    const double span = samples.back().second - samples.front().second;
    std::printf("once warm (from %d s, %zu samples over %.0f s), per hour:\n", warmSeconds, samples.size(), span);
    for (const auto& s : series) {
        const Fit fit = FitLine(samples, s.field);
        const double limit = s.perWeek / kWeekSeconds + (span > 0 ? s.noise / span : 0);
        std::printf("  %-13s slope %+8.2f %s (standard error %.2f, spread %.2f %s), limit %.2f\n", s.name,
                    fit.slope * 3600, s.unit, fit.standardError * 3600, fit.noise, s.unit, limit * 3600);
        if (fit.slope > limit) {
            std::printf("FAIL: %s grows by %.1f %s an hour: %.0f %s within a week\n", s.name, fit.slope * 3600, s.unit,
                        fit.slope * kWeekSeconds, s.unit);
            held = false;
        }
    }
    const auto peak = std::max_element(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) {
        return a.workingSetMiB < b.workingSetMiB;
    });
    std::printf("peak working set once warm %.1f MiB over %d s\n", peak->workingSetMiB, seconds);
    if (held)
        std::printf("held: no growth once warm, ended with code 0\n");
    return held ? 0 : 1;
}

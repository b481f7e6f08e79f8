// The real full-screen saver left running for a long time, watched from
// outside: its working set, committed memory and handle count are sampled
// at a fixed interval, and once it is warm neither memory nor handles may
// grow. (Wine reports no handle counts: they read 0 there, and scripts/soak
// watches the process's Unix descriptors and threads instead.)
// A key ends it at the end, and it must end with exit code 0.
//   saver_soak [SECONDS [INTERVAL_SECONDS]]   (default 600 and 5)
// Prints one line per sample and a verdict; exit code 0 when it held.
#include <windows.h>
#include <psapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <optional>
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
// Working-set noise allowed between the start and the end of the warm run
// (the allocators of Wine and Mesa round their pools up).
constexpr double kMemoryToleranceMiB = 4.0;

struct Sample {
    int second;
    double workingSetMiB;
    double committedMiB;
    DWORD handles;
};

double MiB(SIZE_T bytes) { return double(bytes) / (1024.0 * 1024.0); }

bool TakeSample(HANDLE process, int second, Sample& sample) {
    PROCESS_MEMORY_COUNTERS_EX memory = {};
    memory.cb = sizeof memory;
    DWORD handles = 0;
    if (!GetProcessMemoryInfo(process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&memory), sizeof memory) ||
        !GetProcessHandleCount(process, &handles))
        return false;
    sample = {second, MiB(memory.WorkingSetSize), MiB(memory.PagefileUsage), handles};
    return true;
}

// The middle value of one field over the samples [begin, end).
template <class Field>
double Median(const std::vector<Sample>& samples, size_t begin, size_t end, Field field) {
    std::vector<double> values;
    for (size_t i = begin; i < end; ++i)
        values.push_back(double(field(samples[i])));
    std::sort(values.begin(), values.end());
    return values.empty() ? 0.0 : values[values.size() / 2];
}

int Argument(int argc, char** argv, int index, int fallback) {
    const long value = index < argc ? std::strtol(argv[index], nullptr, 10) : 0;
    return value > 0 ? int(value) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    const int seconds = Argument(argc, argv, 1, kDefaultSeconds);
    const int interval = Argument(argc, argv, 2, kDefaultIntervalSeconds);
    const int warmSeconds = std::max(kMinimumWarmSeconds, seconds / 4);

    SaverProcess saver("");
    HWND window = saver.Started() ? saver.WaitForWindow("ZSaverClass", "Brinemere Duzo Screensaver", kStartMs)
                                  : nullptr;
    if (window == nullptr) {
        std::printf("FAIL: the saver did not start\n");
        return 1;
    }
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, saver.Id());
    if (process == nullptr) {
        std::printf("FAIL: cannot watch the saver's process\n");
        return 1;
    }

    std::vector<Sample> samples;
    const DWORD start = GetTickCount();
    std::printf("second\tworking set MiB\tcommitted MiB\thandles\n");
    for (;;) {
        const int second = int((GetTickCount() - start) / 1000);
        if (!saver.IsRunning()) {
            std::printf("FAIL: the saver ended by itself after %d s\n", second);
            CloseHandle(process);
            return 1;
        }
        Sample sample;
        if (TakeSample(process, second, sample)) {
            samples.push_back(sample);
            std::printf("%d\t%.1f\t%.1f\t%lu\n", sample.second, sample.workingSetMiB, sample.committedMiB,
                        static_cast<unsigned long>(sample.handles));
        }
        if (second >= seconds)
            break;
        PumpMessagesFor(DWORD(interval) * 1000);
    }
    CloseHandle(process);

    PostMessageA(window, WM_KEYDOWN, VK_ESCAPE, 0);
    const std::optional<DWORD> code = saver.WaitForExit(kExitMs);
    bool held = true;
    if (!code.has_value() || *code != 0) {
        std::printf("FAIL: the saver did not end with code 0 on a key\n");
        held = false;
    }

    // Warm samples, split into a first and a last quarter of their own.
    size_t warm = 0;
    while (warm < samples.size() && samples[warm].second < warmSeconds)
        ++warm;
    const size_t count = samples.size() - warm;
    if (count < 4) {
        std::printf("FAIL: only %zu samples once warm; run longer or sample more often\n", count);
        return 1;
    }
    const size_t quarter = std::max<size_t>(1, count / 4);
    const auto workingSet = [](const Sample& s) { return s.workingSetMiB; };
    const auto committed = [](const Sample& s) { return s.committedMiB; };
    const double workingSetGrowth =
        Median(samples, samples.size() - quarter, samples.size(), workingSet) - Median(samples, warm, warm + quarter, workingSet);
    const double committedGrowth = Median(samples, samples.size() - quarter, samples.size(), committed) -
                                   Median(samples, warm, warm + quarter, committed);
    DWORD warmHandles = 0, laterHandles = 0;
    for (size_t i = warm; i < warm + quarter; ++i)
        warmHandles = std::max(warmHandles, samples[i].handles);
    for (size_t i = warm + quarter; i < samples.size(); ++i)
        laterHandles = std::max(laterHandles, samples[i].handles);
    std::printf("once warm (from %d s): working set %+.1f MiB, committed %+.1f MiB, most handles %lu then %lu\n",
                warmSeconds, workingSetGrowth, committedGrowth, static_cast<unsigned long>(warmHandles),
                static_cast<unsigned long>(laterHandles));
    std::printf("peak working set %.1f MiB over %d s\n",
                std::max_element(samples.begin(), samples.end(),
                                 [](const Sample& a, const Sample& b) { return a.workingSetMiB < b.workingSetMiB; })
                    ->workingSetMiB,
                samples.back().second);
    if (workingSetGrowth > kMemoryToleranceMiB || committedGrowth > kMemoryToleranceMiB) {
        std::printf("FAIL: memory grew once warm\n");
        held = false;
    }
    if (laterHandles > warmHandles) {
        std::printf("FAIL: handles grew once warm\n");
        held = false;
    }
    if (held)
        std::printf("held: no growth once warm, ended with code 0\n");
    return held ? 0 : 1;
}

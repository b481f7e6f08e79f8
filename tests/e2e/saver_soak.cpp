// The real saver left running for a long time, watched from outside: its
// working set, committed private memory, handles, threads and GDI and USER
// objects are sampled at a fixed interval, and once it is warm a straight
// line is fitted to each. Memory fails when its slope would fill 2 GiB within
// a week (about 12 MiB an hour, 2 MiB over ten minutes); objects fail when
// theirs would reach the 10,000 a process may hold within a week. A short
// run's working set is noisy (the platform's libraries settle for minutes):
// it may be given the growth that noise alone shows over its warm part
// (NOISE_MIB, measured; 0 by default). The committed private memory (the
// process's own heaps and allocations, walked region by region) shows no
// such noise and gets no allowance, so a leak in the saver's own memory is
// caught even in a short run. Object counts, which move in whole steps, may
// always show one step.
// Wine reports no handle, GDI or USER counts (they read 0): there the
// process's entries in the system's handle table and its windows are
// counted instead, and GDI objects not at all (scripts/soak also watches the
// process's Unix descriptors and threads).
// With LEAK_BYTES the saver runs on the stand-in d3d9.dll, which leaks that
// many bytes a presented frame: the run passes only when a memory rule
// catches it (the soak's own test).
// At the end the full-screen saver is ended with a key, the preview by
// closing its parent window; either must end with exit code 0.
//   saver_soak [saver|preview] [SECONDS [INTERVAL_SECONDS [NOISE_MIB [LEAK_BYTES]]]]
//                                       (default saver, 600, 5, 0 and 0)
// Prints one line per sample, each fit and a verdict; exit code 0 when it held.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/external_names.h"
#include "tests/support/saver_process.h"

namespace {

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
    double committedMiB;
    double handles;
    double threads;
    double gdiObjects;
    double userObjects;
};

double MiB(SIZE_T bytes) { return double(bytes) / (1024.0 * 1024.0); }

// The private memory the process has committed, region by region: under
// Wine its own heaps, stacks and allocations, without the memory of the
// Unix libraries under it (Mesa, LLVM) that its working set also counts.
double CommittedPrivateMiB(HANDLE process) {
    SIZE_T total = 0;
    MEMORY_BASIC_INFORMATION region;
    for (uintptr_t at = 0;
         VirtualQueryEx(process, reinterpret_cast<void*>(at), &region, sizeof region) == sizeof region;
         at = reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize) {
        if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE)
            total += region.RegionSize;
        if (region.RegionSize == 0 || reinterpret_cast<uintptr_t>(region.BaseAddress) + region.RegionSize <= at)
            break;
    }
    return MiB(total);
}

// The handles a process holds. Wine's count reads 0: there, the entries of
// the system's handle table that the process owns are counted instead.
double HandleCount(HANDLE process, DWORD id) {
    DWORD count = 0;
    if (GetProcessHandleCount(process, &count) && count > 0)
        return count;
    struct HandleEntry {
        ULONG ownerPid;
        BYTE objectType, flags;
        USHORT value;
        void* object;
        ULONG access;
    };
    struct HandleTable {
        ULONG count;
        HandleEntry entries[1];
    };
    using QueryFunction = LONG(WINAPI*)(ULONG infoClass, void* info, ULONG length, ULONG* returned);
    constexpr ULONG kSystemHandleInformation = 16;
    constexpr LONG kLengthMismatch = LONG(0xC0000004);
    constexpr size_t kMostBytes = size_t(64) << 20;
    const auto query = reinterpret_cast<QueryFunction>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("ntdll.dll"), "NtQuerySystemInformation")));
    std::vector<uint8_t> buffer(size_t(1) << 20);
    LONG status = kLengthMismatch;
    while (query != nullptr && buffer.size() <= kMostBytes &&
           (status = query(kSystemHandleInformation, buffer.data(), ULONG(buffer.size()), nullptr)) == kLengthMismatch)
        buffer.resize(buffer.size() * 2);
    if (status != 0)
        return 0;
    const auto* table = reinterpret_cast<const HandleTable*>(buffer.data());
    for (ULONG i = 0; i < table->count; ++i)
        count += table->entries[i].ownerPid == id ? 1 : 0;
    return count;
}

double ThreadCount(DWORD id) {
    HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPTHREAD, 0);
    if (snapshot == INVALID_HANDLE_VALUE)
        return 0;
    double count = 0;
    THREADENTRY32 entry = {};
    entry.dwSize = sizeof entry;
    for (BOOL more = Thread32First(snapshot, &entry); more; more = Thread32Next(snapshot, &entry))
        count += entry.th32OwnerProcessID == id ? 1 : 0;
    CloseHandle(snapshot);
    return count;
}

struct WindowCount {
    DWORD processId;
    double windows;
};

BOOL CALLBACK CountChildWindow(HWND, LPARAM context) {
    reinterpret_cast<WindowCount*>(context)->windows += 1;
    return TRUE;
}

BOOL CALLBACK CountWindowsOfProcess(HWND window, LPARAM context) {
    auto* count = reinterpret_cast<WindowCount*>(context);
    DWORD owner = 0;
    GetWindowThreadProcessId(window, &owner);
    if (owner == count->processId) {
        count->windows += 1;
        EnumChildWindows(window, CountChildWindow, context);
    }
    return TRUE;
}

// The USER objects a process holds; Wine's count reads 0, and there its
// windows (top-level and child) are counted instead.
double UserObjectCount(HANDLE process, DWORD id) {
    const DWORD objects = GetGuiResources(process, GR_USEROBJECTS);
    if (objects > 0)
        return objects;
    WindowCount count = {id, 0};
    EnumWindows(CountWindowsOfProcess, reinterpret_cast<LPARAM>(&count));
    return count.windows;
}

bool TakeSample(HANDLE process, DWORD id, double second, Sample& sample) {
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    if (!GetProcessMemoryInfo(process, &memory, sizeof memory))
        return false;
    sample = {second,
              MiB(memory.WorkingSetSize),
              CommittedPrivateMiB(process),
              HandleCount(process, id),
              ThreadCount(id),
              double(GetGuiResources(process, GR_GDIOBJECTS)),  // Wine: always 0, nothing stands in
              UserObjectCount(process, id)};
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
    const int leakBytes = Argument(argc, argv, first + 3, 0);
    const int warmSeconds = std::max(kMinimumWarmSeconds, seconds / 4);

    HWND parent = preview ? CreatePreviewParent() : nullptr;
    SaverProcess saver(preview ? "/p " + std::to_string(reinterpret_cast<uintptr_t>(parent)) : "",
                       leakBytes > 0 ? WithFault("none\nleak-" + std::to_string(leakBytes)) : SaverOptions());
    HWND window = nullptr;
    for (DWORD waited = 0; saver.Started() && window == nullptr && waited < kStartMs; waited += 50) {
        window = preview ? FindWindowExA(parent, nullptr, pinned::kPreviewClass, nullptr)
                         : saver.WaitForWindow(pinned::kSaverClass, pinned::kSaverName, 0);
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
    std::printf("%s: second\tworking set MiB\tcommitted MiB\thandles\tthreads\tGDI\tUSER\n",
                preview ? "preview" : "saver");
    for (;;) {
        const double second = (GetTickCount() - start) / 1000.0;
        if (!saver.IsRunning()) {
            std::printf("FAIL: it ended by itself after %.0f s\n", second);
            CloseHandle(process);
            return 1;
        }
        Sample sample;
        if (TakeSample(process, saver.Id(), second, sample)) {
            std::printf("%.0f\t%.1f\t%.2f\t%.0f\t%.0f\t%.0f\t%.0f\n", sample.second, sample.workingSetMiB,
                        sample.committedMiB, sample.handles, sample.threads, sample.gdiObjects, sample.userObjects);
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
    bool held = true;  // every rule but the memory's
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
        {"committed", [](const Sample& s) { return s.committedMiB; }, kMemoryPerWeekMiB, 0.0, "MiB"},
        {"handles", [](const Sample& s) { return s.handles; }, kObjectsPerWeek, kObjectStep, "objects"},
        {"threads", [](const Sample& s) { return s.threads; }, kObjectsPerWeek, kObjectStep, "objects"},
        {"GDI objects", [](const Sample& s) { return s.gdiObjects; }, kObjectsPerWeek, kObjectStep, "objects"},
        {"USER objects", [](const Sample& s) { return s.userObjects; }, kObjectsPerWeek, kObjectStep, "objects"},
    };
    const double span = samples.back().second - samples.front().second;
    std::printf("once warm (from %d s, %zu samples over %.0f s), per hour:\n", warmSeconds, samples.size(), span);
    bool memoryGrew = false;
    for (const auto& s : series) {
        const Fit fit = FitLine(samples, s.field);
        const double limit = s.perWeek / kWeekSeconds + (span > 0 ? s.noise / span : 0);
        std::printf("  %-13s slope %+8.2f %s (standard error %.2f, spread %.2f %s), limit %.2f\n", s.name,
                    fit.slope * 3600, s.unit, fit.standardError * 3600, fit.noise, s.unit, limit * 3600);
        if (fit.slope > limit) {
            std::printf("%s: %s grows by %.1f %s an hour: %.0f %s within a week\n", leakBytes > 0 ? "caught" : "FAIL",
                        s.name, fit.slope * 3600, s.unit, fit.slope * kWeekSeconds, s.unit);
            if (s.perWeek == kMemoryPerWeekMiB)
                memoryGrew = true;
            else
                held = false;
        }
    }
    const auto peak = std::max_element(samples.begin(), samples.end(), [](const Sample& a, const Sample& b) {
        return a.workingSetMiB < b.workingSetMiB;
    });
    std::printf("peak working set once warm %.1f MiB over %d s\n", peak->workingSetMiB, seconds);
    if (leakBytes > 0) {
        if (!memoryGrew)
            std::printf("FAIL: the injected leak of %d bytes a frame went unnoticed\n", leakBytes);
        return held && memoryGrew ? 0 : 1;
    }
    if (held && !memoryGrew)
        std::printf("held: no growth once warm, ended with code 0\n");
    return held && !memoryGrew ? 0 : 1;
}

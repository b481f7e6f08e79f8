// The stand-in's measurements, for the benchmarks and the soak:
//   timing-for-S       the device calls of the start-up logged with their time
//                      since the process was created, up to the first Present,
//                      and the end of the second (the first visible picture);
//                      then the count of presented frames once a second; S
//                      seconds after the first Present the device reports
//                      itself lost, so the saver ends by itself
//   measure-frames-N   each of the first N frames read back before it is
//                      presented and logged as "frame K sky S sea E"
//   log-presents       every presented frame logged as "presented K"
//   leak-B             every presented frame leaves B bytes of the process
//                      heap allocated (and written), as a leak in the saver
//                      would: for the soak's own test
#include "tests/support/fault_d3d9/stand_in.h"

#include <psapi.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace stand_in {
namespace {

bool timing = false, measuring = false, loggingPresents = false;
unsigned timingSeconds = 0, framesMeasured = 0, leakBytes = 0;

// The timeline: milliseconds since the process was created, on the clock
// that FILETIME times share.
double processCreated = 0.0;  // milliseconds since 1601

double FileTimeMilliseconds(const FILETIME& time) {
    return double((uint64_t(time.dwHighDateTime) << 32) | time.dwLowDateTime) / 10000.0;
}

double NowMilliseconds() {
    FILETIME now;
    GetSystemTimePreciseAsFileTime(&now);
    return FileTimeMilliseconds(now);
}

// Start-up events are kept in memory (the log's file calls would show in
// the times) and written at the first Present.
char timeline[32768];  // room for the marks of three displays' set-ups
size_t timelineLength = 0;
bool timelineWritten = false;
double firstPresentAt = 0.0;  // milliseconds since 1601; 0 before it
double nextFrameReportAt = 0.0;
constexpr double kFrameReportMs = 1000.0;

void WriteTimeline() {
    if (!timing || timelineWritten)
        return;
    timelineWritten = true;
    // Written in pieces: Log's line is short.
    char line[160];
    size_t start = 0;
    while (start < timelineLength) {
        const char* end = static_cast<const char*>(std::memchr(timeline + start, '\n', timelineLength - start));
        const size_t length = end != nullptr ? size_t(end - (timeline + start)) + 1 : timelineLength - start;
        const size_t copied = length < sizeof line ? length : sizeof line - 1;
        std::memcpy(line, timeline + start, copied);
        line[copied] = '\0';
        Log("%s", line);
        start += length;
    }
}

// Mean brightness of a band of rows of a 32-bit XRGB picture.
double MeanBrightness(const D3DLOCKED_RECT& locked, UINT width, UINT top, UINT bottom) {
    double sum = 0;
    for (UINT y = top; y < bottom; ++y) {
        const auto* row =
            reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(locked.pBits) + y * locked.Pitch);
        for (UINT x = 0; x < width; ++x)
            sum += ((row[x] >> 16) & 255) + ((row[x] >> 8) & 255) + (row[x] & 255);
    }
    return bottom > top ? sum / (double(bottom - top) * width) : 0.0;
}

// The frame about to be presented, read back from the back buffer.
void MeasureFrame(IDirect3DDevice9* device, unsigned frame) {
    IDirect3DSurface9* back = nullptr;
    IDirect3DSurface9* copy = nullptr;
    D3DSURFACE_DESC desc = {};
    D3DLOCKED_RECT locked = {};
    if (SUCCEEDED(device->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &back)) && SUCCEEDED(back->GetDesc(&desc)) &&
        (desc.Format == D3DFMT_X8R8G8B8 || desc.Format == D3DFMT_A8R8G8B8) &&
        SUCCEEDED(device->CreateOffscreenPlainSurface(desc.Width, desc.Height, desc.Format, D3DPOOL_SYSTEMMEM, &copy,
                                                      nullptr)) &&
        SUCCEEDED(device->GetRenderTargetData(back, copy)) &&
        SUCCEEDED(copy->LockRect(&locked, nullptr, D3DLOCK_READONLY))) {
        Log("frame %u sky %.1f sea %.1f\n", frame, MeanBrightness(locked, desc.Width, 0, desc.Height / 3),
            MeanBrightness(locked, desc.Width, desc.Height * 2 / 3, desc.Height));
        copy->UnlockRect();
    }
    if (copy != nullptr)
        copy->Release();
    if (back != nullptr)
        back->Release();
}

}  // namespace

void ReadMeasurementOptions(const char* text) {
    timing = Option(text, "timing-for-", timingSeconds);
    measuring = Option(text, "measure-frames-", framesMeasured);
    loggingPresents = std::strstr(text, "log-presents") != nullptr;
    if (!Option(text, "leak-", leakBytes))
        leakBytes = 0;
}

void StartTimeline() {
    if (!timing)
        return;
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    processCreated = FileTimeMilliseconds(created);
    // Unix time of the process's creation, for comparison with the launch.
    constexpr double kUnixEpochMilliseconds = 11644473600000.0;
    Log("timeline process-created-unix-ms %.3f\n", processCreated - kUnixEpochMilliseconds);
    Mark("Direct3DCreate9, working set %.1f MiB", WorkingSetMiB());
}

void Mark(const char* format, ...) {
    if (!timing || timelineWritten)
        return;
    const double at = NowMilliseconds() - processCreated;
    char event[128];
    va_list arguments;
    va_start(arguments, format);
    std::vsnprintf(event, sizeof event, format, arguments);
    va_end(arguments);
    const int length =
        std::snprintf(timeline + timelineLength, sizeof timeline - timelineLength, "timeline %.3f %s\n", at, event);
    if (length > 0 && timelineLength + length < sizeof timeline)
        timelineLength += length;
}

double WorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0.0;
    return double(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

bool TimedRunOver() {
    if (!timing || firstPresentAt <= 0.0 || NowMilliseconds() - firstPresentAt < timingSeconds * 1000.0)
        return false;
    Log("timeline device lost after %u frames at %.3f\n", presentedFrames, NowMilliseconds() - processCreated);
    return true;
}

void FrameBegins() {
    if (framesBegun == 0)
        Mark("first frame begins, working set %.1f MiB", WorkingSetMiB());
}

void FramePresented(IDirect3DDevice9* device) {
    if (leakBytes > 0) {
        if (void* lost = HeapAlloc(GetProcessHeap(), 0, leakBytes))
            std::memset(lost, 0xA5, leakBytes);
    }
    if (loggingPresents)
        Log("presented %u\n", presentedFrames);
    if (measuring && presentedFrames <= framesMeasured)
        MeasureFrame(device, presentedFrames);
}

void PresentBegins() {
    if (timing && presentedFrames == 1)
        Mark("first Present begins");
}

void PresentEnded() {
    if (!timing)
        return;
    const double now = NowMilliseconds();
    if (presentedFrames == 1) {
        Mark("first Present ends, working set %.1f MiB", WorkingSetMiB());
        WriteTimeline();
        firstPresentAt = now;
        nextFrameReportAt = now + kFrameReportMs;
    } else if (presentedFrames == 2) {
        // The first frame is black under the opening fade; the second is
        // the first the fade lets through: the first picture a user sees.
        Log("timeline %.3f second Present ends\n", now - processCreated);
    } else if (now >= nextFrameReportAt) {
        Log("timeline frames %u at %.3f working set %.1f MiB\n", presentedFrames, now - processCreated,
            WorkingSetMiB());
        nextFrameReportAt += kFrameReportMs;
    }
}

}  // namespace stand_in

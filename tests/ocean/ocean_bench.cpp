// Benchmark of the sea: the CPU cost of Init (shaders, ramp, thirty frames
// with their tables and normal maps, buffers), the CPU cost of one Render
// (the draws of the test camera's view), and the memory the height tables hold. Prints lines
// "figure<TAB>value<TAB>unit<TAB>goal" for scripts/bench.
#include <windows.h>

#include <cstdio>
#include <memory>

#include "d3dx/d3dx.h"
#include "ocean/water_surface.h"
#include "render/camera.h"
#include "render/render_context.h"
#include "tests/d3dx/test_device.h"
#include "tests/support/call_recorder.h"
#include "tests/ocean/ocean_test_support.h"
#include "tests/support/process_cpu_time.h"
#include "tests/support/quiet_device.h"
#include "tests/support/recording_device.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kInitRuns = 10;
constexpr int kLoggedFrames = 200;  // many process-clock ticks each way
constexpr int kQuietFrames = 8000;

// Wall-clock time in milliseconds, for steps far shorter than the process
// clock's tick.
double WallMilliseconds() {
    LARGE_INTEGER now, frequency;
    QueryPerformanceCounter(&now);
    QueryPerformanceFrequency(&frequency);
    return double(now.QuadPart) * 1000.0 / double(frequency.QuadPart);
}

void Print(const char* figure, double value, const char* unit, const char* goal) {
    std::printf("%s\t%.2f\t%s\t%s\n", figure, value, unit, goal);
}

// The mean over several runs: one Init may be shorter than a clock tick.
double InitMilliseconds(IDirect3DDevice9* device) {
    double total = 0.0;
    for (int run = 0; run < kInitRuns; ++run) {
        WaterSurface water(device, 60, 60, 2);
        water.SetEnvironment(4);
        const double start = ProcessCpuMilliseconds();
        const bool ok = water.Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES);
        total += ProcessCpuMilliseconds() - start;
        if (!ok)
            return -1.0;
    }
    return total / kInitRuns;
}

double ShaderCompileMilliseconds() {
    const double start = WallMilliseconds();
    for (const char* entry : {"VS_Main_Ultra", "PS2_Main_Ultra"}) {
        ID3DXBuffer* code = nullptr;
        D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(IDR_WATER_HLSL), nullptr, nullptr, entry,
                                       entry[0] == 'V' ? "vs.1.1" : "ps.2.0", D3DXSHADER_DEBUG, &code, nullptr,
                                       nullptr);
        if (code)
            code->Release();
    }
    return WallMilliseconds() - start;
}

template <class Device>
double RenderMicroseconds(Device* device, const std::shared_ptr<CallRecorder>& recorder, int frames,
                          size_t* tableBytes) {
    Camera view(device);
    AimTestCamera(view, D3DXVECTOR3(10.0f, 6.0f, -30.0f), D3DXVECTOR3(10.0f, 0.0f, 10.0f));
    RenderContext context;
    context.camera = &view;
    double perFrame = -1.0;
    {
        WaterSurface water(device, 60, 60, 2);
        water.SetEnvironment(4);
        if (water.Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES)) {
            if (tableBytes) {
                *tableBytes = 0;
                for (float* table : water.heightTables)
                    *tableBytes += HeapSize(GetProcessHeap(), 0, table);
            }
            device->BeginScene();
            recorder->ClearCalls();
            const double start = ProcessCpuMilliseconds();
            for (int frame = 0; frame < frames; ++frame) {
                water.Render(context, 0.01f);
                recorder->ClearCalls();
            }
            perFrame = (ProcessCpuMilliseconds() - start) * 1000.0 / frames;
            device->EndScene();
        }
    }
    return perFrame;
}

}  // namespace

int main() {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDevice* recording = RecordingDevice::Create(recorder);
    Print("Init on the recording device (CPU, mean of 10)", InitMilliseconds(recording), "ms", "< 150");
    size_t tableBytes = 0;
    Print("Render per frame, recording device, every call logged (CPU)",
          RenderMicroseconds(recording, recorder, kLoggedFrames, &tableBytes), "us", "< 100");
    Print("of Init: compiling both water shaders", ShaderCompileMilliseconds(), "ms", "");
    Print("height tables held", double(tableBytes) / 1024.0, "KiB", "about 436");
    recording->Release();

    auto quietRecorder = std::make_shared<CallRecorder>();
    QuietDevice* quiet = QuietDevice::Create(quietRecorder);
    Print("Render per frame, recording device, tile calls unlogged (CPU)",
          RenderMicroseconds(quiet, quietRecorder, kQuietFrames, nullptr), "us", "< 100");
    Print("draw calls per frame (the test camera's view)", double(quiet->draws) / kQuietFrames, "calls", "");
    quiet->Release();
    // A refused call would leave the figures measuring less than the sea's work.
    for (const auto& calls : {recorder, quietRecorder})
        if (!calls->UnexpectedCalls().empty()) {
            std::fprintf(stderr, "the sea called %s, which the recording device does not emulate\n",
                         calls->UnexpectedCalls().front().c_str());
            return 1;
        }

    TestDevice real;
    if (real.Get())
        Print("Init on the Wine device (CPU of all threads, mean of 10)", InitMilliseconds(real.Get()), "ms", "< 150");
    return 0;
}

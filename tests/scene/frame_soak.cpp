// The saver's whole frame step, many times over, on the recording device
// with the module's own art linked in: flight, camera, sky, sea, sun flare,
// banner and fade exactly as the running saver calls them, only without a
// GPU. Two uses:
//   frame_soak --bench [FRAMES]  our CPU time per frame (default 10,000
//                                frames), as "figure<TAB>value<TAB>unit<TAB>goal"
//   frame_soak [FRAMES]          the logic soak (default 1,000,000 frames):
//                                every frame's view and flight must be finite
//                                and within the flight's rules, the number of
//                                live Direct3D objects must not grow, and
//                                every object must be gone after the release.
// Exit code 0 when every check held; the first broken rule is printed.
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "flight/camera_flight.h"
#include "ocean/water_surface.h"
#include "render/render_context.h"
#include "scene/scene.h"
#include "tests/support/call_recorder.h"
#include "tests/support/process_cpu_time.h"
#include "tests/support/quiet_device.h"
#include "tests/support/recording_device.h"

namespace {

constexpr int kDefaultBenchFrames = 10000;
constexpr int kDefaultSoakFrames = 1000000;
constexpr int kLoggedBenchFrames = 1000;
constexpr int kProgressFrames = 100000;
constexpr int kWarmFrames = 4;    // the fade and the first height streams settle
constexpr float kMaxRoll = 1.2f;  // radians of bank the flight allows
constexpr float kUnitTolerance = 1e-5f;
constexpr float kHalfTile = 50.0f;  // the camera's eye stays over the central tile
constexpr float kWrapTolerance = 1e-3f;
constexpr float kFlightSpeed = 3.0f;  // the default "CamSpeed"
constexpr int kMapExtent = 400;       // the flight's map, as the saver sets it
constexpr int kScreenWidth = 800, kScreenHeight = 600;
constexpr unsigned kSeed = 1;

bool Finite(const D3DXVECTOR3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// The saver's flight and scene, assembled on a device of their own.
struct Saver {
    explicit Saver(RecordingDevice* recording, std::shared_ptr<CallRecorder> calls) : recorder(std::move(calls)) {
        context.device = recording;
        D3DXCreateMatrixStack(0, &context.matrixStack);
        std::srand(kSeed);
        flight.speed = kFlightSpeed;
        flight.SetMapExtent(kMapExtent);
        liveBefore = recorder->LiveObjectCount();
        built = scene.Build(context, GetModuleHandleA(nullptr));
        if (built)
            scene.ApplyScreenProjection(context, kScreenWidth, kScreenHeight);
    }

    // Releases everything; false if an object outlived its owner or the
    // saver made a call the recording device does not emulate.
    bool Release(std::string& problem) {
        scene.Release(context);
        context.matrixStack->Release();
        context.matrixStack = nullptr;
        bool clean = true;
        if (recorder->LiveObjectCount() != liveBefore) {
            problem = std::to_string(recorder->LiveObjectCount() - liveBefore) +
                      " objects left alive after the scene's release";
            clean = false;
        }
        context.device->Release();
        context.device = nullptr;
        if (clean && recorder->LiveObjectCount() != 0) {
            problem = std::to_string(recorder->LiveObjectCount()) + " objects left alive after the device";
            clean = false;
        }
        if (clean && !recorder->OverReleases().empty()) {
            problem = "over-released: " + recorder->OverReleases().front();
            clean = false;
        }
        if (clean && !recorder->UnexpectedCalls().empty()) {
            problem = "called " + recorder->UnexpectedCalls().front() + ", which the recording device does not emulate";
            clean = false;
        }
        return clean;
    }

    void Render() {
        scene.RenderFrame(context, flight, elapsedMs);
        elapsedMs += kFrameMs;
    }
    void Frame() {
        Render();
        recorder->ClearCalls();
    }

    static constexpr uint32_t kFrameMs = 30;  // the saver's pacing
    std::shared_ptr<CallRecorder> recorder;
    RenderContext context;
    CameraFlight flight;
    Scene scene;
    uint32_t elapsedMs = 0;
    size_t liveBefore = 0;
    bool built = false;
};

double MicrosecondsPerFrame(Saver& saver, int frames, double* callsPerFrame = nullptr,
                            double* transformsPerFrame = nullptr) {
    for (int frame = 0; frame < kWarmFrames; ++frame)
        saver.Frame();
    if (callsPerFrame != nullptr) {
        // Two frames: the height stream is rewritten every second one.
        saver.Render();
        saver.Render();
        *callsPerFrame = saver.recorder->Calls().size() / 2.0;
        if (transformsPerFrame != nullptr)
            *transformsPerFrame = saver.recorder->CountOf("SetTransform") / 2.0;
        saver.recorder->ClearCalls();
    }
    const double start = ProcessCpuMilliseconds();
    for (int frame = 0; frame < frames; ++frame)
        saver.Frame();
    return (ProcessCpuMilliseconds() - start) * 1000.0 / frames;
}

int Bench(int frames) {
    auto recorder = std::make_shared<CallRecorder>();
    QuietDevice* quiet = QuietDevice::Create(recorder);
    Saver saver(quiet, recorder);
    if (!saver.built || saver.scene.water == nullptr || saver.scene.water->heightTables.empty()) {
        std::fprintf(stderr, "the scene did not assemble with its sea\n");
        return 1;
    }
    double loggedCalls = 0.0, loggedTransforms = 0.0;
    const double quietUs = MicrosecondsPerFrame(saver, frames, &loggedCalls, &loggedTransforms);
    const double drawsPerFrame = double(quiet->draws) / (frames + kWarmFrames + 2);
    const double trianglesPerFrame = double(quiet->detailedTriangles) / (frames + kWarmFrames + 2);

    // Where the frame's time goes: the same steps alone, on the same scene.
    double start = ProcessCpuMilliseconds();
    for (int frame = 0; frame < frames; ++frame) {
        D3DXVECTOR3 position, lookAt, up;
        saver.flight.Update();
        saver.flight.Evaluate(position, lookAt, up);
    }
    const double flightUs = (ProcessCpuMilliseconds() - start) * 1000.0 / frames;
    start = ProcessCpuMilliseconds();
    for (int frame = 0; frame < frames; ++frame) {
        saver.context.camera->dirty = true;
        saver.context.camera->Update(0.01f);
    }
    const double cameraUs = (ProcessCpuMilliseconds() - start) * 1000.0 / frames;
    start = ProcessCpuMilliseconds();
    for (int frame = 0; frame < frames; ++frame) {
        saver.scene.water->Render(saver.context, 0.01f);
        recorder->ClearCalls();
    }
    const double waterUs = (ProcessCpuMilliseconds() - start) * 1000.0 / frames;
    // What the recorder itself costs per logged call: a state change with its
    // value kept and its line recorded, and a transform, whose sixteen
    // numbers are kept and written out.
    constexpr int kProbeCalls = 100000;
    start = ProcessCpuMilliseconds();
    for (int call = 0; call < kProbeCalls; ++call) {
        quiet->SetRenderState(D3DRS_ZENABLE, call & 1);
        if (call % 1000 == 999)
            recorder->ClearCalls();
    }
    const double perCallUs = (ProcessCpuMilliseconds() - start) * 1000.0 / kProbeCalls;
    D3DXMATRIX probe;
    D3DXMatrixIdentity(&probe);
    start = ProcessCpuMilliseconds();
    for (int call = 0; call < kProbeCalls; ++call) {
        probe._41 = float(call);
        quiet->SetTransform(D3DTS_VIEW, &probe);
        if (call % 1000 == 999)
            recorder->ClearCalls();
    }
    const double perTransformUs = (ProcessCpuMilliseconds() - start) * 1000.0 / kProbeCalls;
    recorder->ClearCalls();
    const double recorderUs = (loggedCalls - loggedTransforms) * perCallUs + loggedTransforms * perTransformUs;
    std::string problem;
    saver.Release(problem);

    auto loggedRecorder = std::make_shared<CallRecorder>();
    Saver logged(RecordingDevice::Create(loggedRecorder), loggedRecorder);
    const double loggedUs = MicrosecondsPerFrame(logged, kLoggedBenchFrames);
    logged.Release(problem);

    std::printf("frame step CPU per frame, %d frames, the recorder logging all but the sea's draws\t%.1f\tus\t\n",
                frames, quietUs);
    std::printf("frame step CPU per frame, every device call logged, %d frames\t%.1f\tus\t\n", kLoggedBenchFrames,
                loggedUs);
    std::printf("device calls logged by the recorder per frame (the sea's draws not logged)\t%.0f\tcalls\t\n",
                loggedCalls);
    std::printf("recorder's own cost per logged state call\t%.2f\tus\t\n", perCallUs);
    std::printf("recorder's own cost per logged SetTransform (%.0f a frame)\t%.2f\tus\t\n", loggedTransforms,
                perTransformUs);
    std::printf("our own CPU per frame (the step less the recorder's logging, estimated)\t%.1f\tus\t< 100\n",
                quietUs - recorderUs);
    std::printf("of which the flight alone (Update and Evaluate)\t%.1f\tus\t\n", flightUs);
    std::printf("of which the camera alone (Update with its matrices)\t%.1f\tus\t\n", cameraUs);
    std::printf("of which the sea alone (WaterSurface::Render)\t%.1f\tus\t\n", waterUs);
    std::printf("sea draw calls per frame, over the flight (841 when everything was drawn)\t%.1f\tcalls\t\n",
                drawsPerFrame);
    std::printf("detailed triangles drawn per frame, over the flight (of 180,000)\t%.0f\ttriangles\t\n",
                trianglesPerFrame);
    return 0;
}

int Soak(int frames) {
    auto recorder = std::make_shared<CallRecorder>();
    Saver saver(QuietDevice::Create(recorder), recorder);
    if (!saver.built || saver.scene.water == nullptr || saver.scene.water->heightTables.empty()) {
        std::fprintf(stderr, "the scene did not assemble with its sea\n");
        return 1;
    }
    size_t warmLive = 0;
    const double start = ProcessCpuMilliseconds();
    for (int frame = 1; frame <= frames; ++frame) {
        saver.Frame();
        const CameraFlight& flight = saver.flight;
        const ViewVectors& view = saver.scene.viewVectors;
        const Camera* camera = saver.context.camera;
        std::string broken;
        if (!(flight.t >= 0.0 && flight.t < 1.0))
            broken = "flight position outside its segment";
        else if (!Finite(view.viewEye) || !Finite(view.viewTarget) || !Finite(view.viewUp) || !Finite(camera->eye))
            broken = "a view vector is not finite";
        else if (std::fabs(D3DXVec3Length(&view.viewUp) - 1.0f) > kUnitTolerance)
            broken = "the up vector is not a unit vector";
        else if (view.viewUp.y < std::cos(kMaxRoll) - kUnitTolerance)
            broken = "banked beyond the flight's largest roll";
        else if (std::fabs(camera->eye.x) > kHalfTile + kWrapTolerance ||
                 std::fabs(camera->eye.z) > kHalfTile + kWrapTolerance)
            broken = "the camera's eye left the central tile";
        else if (saver.scene.water->frameIndex >= saver.scene.water->heightTables.size())
            broken = "the height animation ran past its frames";
        if (frame == kWarmFrames)
            warmLive = recorder->LiveObjectCount();
        else if (frame > kWarmFrames && recorder->LiveObjectCount() != warmLive)
            broken = "live objects went from " + std::to_string(warmLive) + " to " +
                     std::to_string(recorder->LiveObjectCount());
        if (!broken.empty()) {
            std::printf("frame %d: %s\n", frame, broken.c_str());
            return 1;
        }
        if (frame % kProgressFrames == 0)
            std::printf("%d frames, %zu live objects, eye (%.2f %.2f %.2f)\n", frame, warmLive, view.viewEye.x,
                        view.viewEye.y, view.viewEye.z);
    }
    const double cpuSeconds = (ProcessCpuMilliseconds() - start) / 1000.0;
    std::string problem;
    if (!saver.Release(problem)) {
        std::printf("after %d frames: %s\n", frames, problem.c_str());
        return 1;
    }
    std::printf("%d frames kept every rule in %.1f s of CPU; every object released\n", frames, cpuSeconds);
    return 0;
}

int FrameCount(int argc, char** argv, int index, int fallback) {
    if (index >= argc)
        return fallback;
    const long count = std::strtol(argv[index], nullptr, 10);
    return count > 0 ? static_cast<int>(count) : fallback;
}

}  // namespace

int main(int argc, char** argv) {
    std::setvbuf(stdout, nullptr, _IONBF, 0);
    if (argc > 1 && std::string(argv[1]) == "--bench")
        return Bench(FrameCount(argc, argv, 2, kDefaultBenchFrames));
    return Soak(FrameCount(argc, argv, 1, kDefaultSoakFrames));
}

// Benchmark of the camera flight: the time of one frame's Update and
// Evaluate over long flights, on average, for segment changes, and at worst
// (the shortest of a few timings of each frame).
// Prints "figure<TAB>value<TAB>unit<TAB>goal" lines for scripts/bench.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "flight/camera_flight.h"

namespace {
constexpr int kSeeds = 20;
// Each frame is timed this often (on copies of the flight, the last time on
// the flight itself) and the shortest time counts, so that the figures show
// the flight's own cost and not the moments the system ran something else.
constexpr int kTimingsPerFrame = 3;
constexpr int kFramesPerSeed = 50000;
constexpr double kMicrosecondsPerSecond = 1e6;
}  // namespace

int main() {
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const double microsecondsPerTick = kMicrosecondsPerSecond / static_cast<double>(frequency.QuadPart);
    std::vector<double> frameTimes;
    frameTimes.reserve(static_cast<size_t>(kSeeds) * kFramesPerSeed);
    double changeTotal = 0.0;
    double changeWorst = 0.0;
    int changes = 0;
    double checksum = 0.0;  // keeps the work from being optimised away
    for (int seed = 1; seed <= kSeeds; ++seed) {
        std::srand(static_cast<unsigned>(seed));
        CameraFlight flight;
        flight.speed = 2.0f + 0.5f * static_cast<float>(seed % 5);
        for (int frame = 0; frame < kFramesPerSeed; ++frame) {
            const int16_t ahead = flight.points[2].x;
            const int16_t aheadZ = flight.points[2].z;
            D3DXVECTOR3 eye, target, up;
            double microseconds = 0.0;
            for (int timing = 0; timing < kTimingsPerFrame; ++timing) {
                CameraFlight trial = flight;
                CameraFlight& timed = timing + 1 < kTimingsPerFrame ? trial : flight;
                LARGE_INTEGER start, end;
                QueryPerformanceCounter(&start);
                timed.Update();
                timed.Evaluate(eye, target, up);
                QueryPerformanceCounter(&end);
                const double elapsed = static_cast<double>(end.QuadPart - start.QuadPart) * microsecondsPerTick;
                microseconds = timing == 0 ? elapsed : std::min(microseconds, elapsed);
            }
            checksum += eye.x + up.y;
            if (frame == 0)
                continue;  // the first frame builds the first segment
            frameTimes.push_back(microseconds);
            if (flight.points[2].x != ahead || flight.points[2].z != aheadZ) {
                ++changes;
                changeTotal += microseconds;
                changeWorst = std::max(changeWorst, microseconds);
            }
        }
    }
    double total = 0.0;
    for (double time : frameTimes)
        total += time;
    std::vector<double> sorted = frameTimes;
    std::sort(sorted.begin(), sorted.end());
    const double mean = total / static_cast<double>(sorted.size());
    const double p999 = sorted[sorted.size() * 999 / 1000];
    std::printf("flight_frame_mean\t%.2f\tus\t< 20\n", mean);
    std::printf("flight_frame_p99.9\t%.2f\tus\t\n", p999);
    std::printf("flight_frame_worst\t%.2f\tus\t< 200\n", sorted.back());
    std::printf("flight_segment_change_mean\t%.2f\tus\t\n", changes > 0 ? changeTotal / changes : 0.0);
    std::printf("flight_segment_change_worst\t%.2f\tus\t< 200\n", changeWorst);
    std::printf("flight_frames_timed\t%zu\tframes\t\n", sorted.size());
    std::fprintf(stderr, "checksum %g, %d segment changes\n", checksum, changes);
    return 0;
}

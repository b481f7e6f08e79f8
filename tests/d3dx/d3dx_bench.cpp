// Benchmark of the utility library's loaders on a real device, printing
// "figure<TAB>value<TAB>unit<TAB>goal" lines (scripts/bench runs it as its entry "d3dx").
// CPU time is the whole process's (all threads, so Direct3D's own work on
// the uploads counts), wall time is beside it.
#include "d3dx/d3dx.h"
#include "d3dx/jpeg_decoder.h"
#include "tests/d3dx/test_device.h"
#include "tests/d3dx/test_resources.h"

#include <cstdio>
#include <vector>

namespace {

constexpr int kHeightFrames = 30;  // the sea's animation
constexpr int kSkyFaces = 5;       // the sky box's JPEG faces
constexpr int kJpegRepeats = 20;   // decodes averaged for the per-picture figure

class Stopwatch {
public:
    Stopwatch() : cpu_(CpuSeconds()), wall_(WallSeconds()) {}
    double CpuMs() const { return (CpuSeconds() - cpu_) * 1000.0; }
    double WallMs() const { return (WallSeconds() - wall_) * 1000.0; }

private:
    static double CpuSeconds() {
        FILETIME created, exited, kernel, user;
        GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
        const auto seconds = [](const FILETIME& t) {
            return (static_cast<double>(t.dwHighDateTime) * 4294967296.0 + t.dwLowDateTime) * 1e-7;
        };
        return seconds(kernel) + seconds(user);
    }
    static double WallSeconds() {
        LARGE_INTEGER now, frequency;
        QueryPerformanceCounter(&now);
        QueryPerformanceFrequency(&frequency);
        return static_cast<double>(now.QuadPart) / frequency.QuadPart;
    }
    double cpu_, wall_;
};

void Print(const char* figure, double value, const char* unit, const char* goal) {
    std::printf("%s\t%.2f\t%s\t%s\n", figure, value, unit, goal);
}

}  // namespace

int main() {
    TestDevice device;
    if (!device.Get()) {
        std::fprintf(stderr, "d3dx_bench: no Direct3D 9 device\n");
        return 1;
    }
    IDirect3DDevice9* d = device.Get();

    // Warm-up: the first texture creation pays for Direct3D's own set-up.
    IDirect3DTexture9* warm = nullptr;
    D3DXCreateTexture(d, 256, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &warm);
    if (warm)
        warm->Release();

    std::vector<IDirect3DTexture9*> heights, normals;
    Stopwatch all;
    Stopwatch loads;
    for (int k = 0; k < kHeightFrames; ++k) {
        IDirect3DTexture9* t = nullptr;
        if (FAILED(D3DXCreateTextureFromResourceExA(d, nullptr, MAKEINTRESOURCEA(IDR_HEIGHT_L8), 256, 256, 0, 0,
                                                    D3DFMT_L8, D3DPOOL_SYSTEMMEM, D3DX_DEFAULT, D3DX_DEFAULT, 0,
                                                    nullptr, nullptr, &t)))
            return 1;
        heights.push_back(t);
    }
    const double loadCpu = loads.CpuMs(), loadWall = loads.WallMs();
    Stopwatch maps;
    for (IDirect3DTexture9* h : heights) {
        IDirect3DTexture9* n = nullptr;
        if (FAILED(D3DXCreateTexture(d, 256, 256, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, &n)) ||
            FAILED(D3DXComputeNormalMap(n, h, nullptr, 0, D3DX_CHANNEL_LUMINANCE, 3.0f)))
            return 1;
        normals.push_back(n);
    }
    const double mapCpu = maps.CpuMs(), mapWall = maps.WallMs();
    const double totalCpu = all.CpuMs(), totalWall = all.WallMs();
    Print("30 L8 256x256 DDS loads (full chain), CPU", loadCpu, "ms", "");
    Print("30 L8 256x256 DDS loads, wall", loadWall, "ms", "");
    Print("30 A8R8G8B8 normal maps (full chain), CPU", mapCpu, "ms", "");
    Print("30 A8R8G8B8 normal maps, wall", mapWall, "ms", "");
    Print("30 frames: loads + normal maps, CPU", totalCpu, "ms", "< 100");
    Print("30 frames: loads + normal maps, wall", totalWall, "ms", "");
    for (IDirect3DTexture9* t : normals)
        t->Release();
    for (IDirect3DTexture9* t : heights)
        t->Release();

    // One 512 x 512 JPEG: the decoder alone, averaged.
    const std::vector<uint8_t> jpeg = ResourceBytes(IDR_SKY_FACE_JPG);
    Stopwatch decode;
    for (int i = 0; i < kJpegRepeats; ++i) {
        d3dx::DecodedImage image;
        if (!d3dx::DecodeJpeg(jpeg.data(), jpeg.size(), image))
            return 1;
    }
    Print("512x512 JPEG decode, CPU per picture", decode.CpuMs() / kJpegRepeats, "ms", "< 5");
    Print("512x512 JPEG decode, wall per picture", decode.WallMs() / kJpegRepeats, "ms", "");

    // The sky box's five faces as the sky loads them (A8R8G8B8, managed, full chain).
    Stopwatch faces;
    for (int i = 0; i < kSkyFaces; ++i) {
        IDirect3DTexture9* t = nullptr;
        if (FAILED(D3DXCreateTextureFromResourceExA(d, nullptr, MAKEINTRESOURCEA(IDR_SKY_FACE_JPG), D3DX_DEFAULT,
                                                    D3DX_DEFAULT, D3DX_DEFAULT, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED,
                                                    D3DX_DEFAULT, D3DX_FILTER_POINT, 0, nullptr, nullptr, &t)))
            return 1;
        t->Release();
    }
    Print("5 512x512 JPEG sky faces as textures, CPU", faces.CpuMs(), "ms", "");
    Print("5 512x512 JPEG sky faces as textures, wall", faces.WallMs(), "ms", "");

    // The DXT3 sky cube map: faces kept compressed, 8 mip levels made.
    Stopwatch cubeTime;
    IDirect3DCubeTexture9* cube = nullptr;
    if (FAILED(D3DXCreateCubeTextureFromResourceA(d, nullptr, MAKEINTRESOURCEA(IDR_SKY_CUBE_DXT3), &cube)))
        return 1;
    Print("256x256 DXT3 cube map load (full chain), CPU", cubeTime.CpuMs(), "ms", "");
    Print("256x256 DXT3 cube map load, wall", cubeTime.WallMs(), "ms", "");
    cube->Release();
    return 0;
}

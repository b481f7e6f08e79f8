// The stand-in's options for runs that repeat exactly:
//   seed-S         the C library's random generator of the calling thread is
//                  seeded with S when the Direct3D object is made, after the
//                  saver seeded it with the clock: the flight is the same on
//                  every run
//   hold-after-N   after N presented frames, Present succeeds without
//                  presenting: the screen keeps frame N
//   supersample    the held frame is drawn at 4 x 4 times the back buffer's
//                  size and each 4 x 4 block averaged into one pixel of it:
//                  the same moment as closely as pixels can show it, the
//                  reference against which aliasing is measured
#include "tests/support/fault_d3d9/stand_in.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

namespace stand_in {
namespace {

bool seeding = false, holding = false, heldLogged = false, supersampling = false;
unsigned seed = 0, framesBeforeHold = 0;

constexpr UINT kSupersampling = 4;
IDirect3DSurface9* savedTarget = nullptr;
IDirect3DSurface9* savedDepth = nullptr;
IDirect3DSurface9* largeTarget = nullptr;
IDirect3DSurface9* largeDepth = nullptr;

void ReleaseAll(std::initializer_list<IDirect3DSurface9**> surfaces) {
    for (IDirect3DSurface9** s : surfaces)
        if (*s != nullptr) {
            (*s)->Release();
            *s = nullptr;
        }
}

// The frame about to begin is drawn into a target 4 x 4 times the back
// buffer's size, with a depth buffer to match; setting a target makes the
// viewport the whole of it, and the saver sets none of its own.
void BeginSupersampling(IDirect3DDevice9* device) {
    D3DSURFACE_DESC target = {}, depth = {};
    if (FAILED(device->GetRenderTarget(0, &savedTarget)) || FAILED(savedTarget->GetDesc(&target)) ||
        FAILED(device->GetDepthStencilSurface(&savedDepth)) || FAILED(savedDepth->GetDesc(&depth)) ||
        FAILED(device->CreateRenderTarget(target.Width * kSupersampling, target.Height * kSupersampling, target.Format,
                                          D3DMULTISAMPLE_NONE, 0, FALSE, &largeTarget, nullptr)) ||
        FAILED(device->CreateDepthStencilSurface(target.Width * kSupersampling, target.Height * kSupersampling,
                                                 depth.Format, D3DMULTISAMPLE_NONE, 0, TRUE, &largeDepth, nullptr))) {
        Log("supersampling could not begin\n");
        ReleaseAll({&largeDepth, &largeTarget, &savedDepth, &savedTarget});
        return;
    }
    device->SetRenderTarget(0, largeTarget);
    device->SetDepthStencilSurface(largeDepth);
}

// The large frame box-filtered into the back buffer, and the saver's own
// targets put back.
void EndSupersampling(IDirect3DDevice9* device) {
    D3DSURFACE_DESC target = {};
    savedTarget->GetDesc(&target);
    const UINT n = kSupersampling;
    IDirect3DSurface9* large = nullptr;
    IDirect3DSurface9* small = nullptr;
    D3DLOCKED_RECT from = {}, to = {};
    if (SUCCEEDED(device->CreateOffscreenPlainSurface(target.Width * n, target.Height * n, target.Format,
                                                      D3DPOOL_SYSTEMMEM, &large, nullptr)) &&
        SUCCEEDED(device->CreateOffscreenPlainSurface(target.Width, target.Height, target.Format, D3DPOOL_SYSTEMMEM,
                                                      &small, nullptr)) &&
        SUCCEEDED(device->GetRenderTargetData(largeTarget, large)) &&
        SUCCEEDED(large->LockRect(&from, nullptr, D3DLOCK_READONLY)) && SUCCEEDED(small->LockRect(&to, nullptr, 0))) {
        for (UINT y = 0; y < target.Height; ++y) {
            auto* out = reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(to.pBits) + y * to.Pitch);
            for (UINT x = 0; x < target.Width; ++x) {
                unsigned sum[3] = {0, 0, 0};
                for (UINT dy = 0; dy < n; ++dy) {
                    const auto* row = reinterpret_cast<const uint32_t*>(static_cast<const uint8_t*>(from.pBits) +
                                                                        (y * n + dy) * from.Pitch);
                    for (UINT dx = 0; dx < n; ++dx)
                        for (int c = 0; c < 3; ++c)
                            sum[c] += (row[x * n + dx] >> (8 * c)) & 255;
                }
                uint32_t pixel = 0xFF000000u;
                for (int c = 0; c < 3; ++c)
                    pixel |= ((sum[c] + n * n / 2) / (n * n)) << (8 * c);
                out[x] = pixel;
            }
        }
        large->UnlockRect();
        small->UnlockRect();
        if (SUCCEEDED(device->UpdateSurface(small, nullptr, savedTarget, nullptr)))
            Log("frame %u supersampled %ux%u\n", presentedFrames + 1, n, n);
        else
            Log("the supersampled frame could not be written into the back buffer\n");
    }
    ReleaseAll({&small, &large});
    device->SetRenderTarget(0, savedTarget);
    device->SetDepthStencilSurface(savedDepth);
    ReleaseAll({&largeDepth, &largeTarget, &savedDepth, &savedTarget});
}

}  // namespace

void ReadDeterminismOptions(const char* text) {
    seeding = Option(text, "seed-", seed);
    holding = Option(text, "hold-after-", framesBeforeHold);
    supersampling = std::strstr(text, "supersample") != nullptr;
}

void HeldFrameBegins(IDirect3DDevice9* device) {
    // The frame that begins now is presented as frame presentedFrames + 1.
    if (supersampling && holding && presentedFrames + 1 == framesBeforeHold && largeTarget == nullptr)
        BeginSupersampling(device);
}

void HeldFrameEnds(IDirect3DDevice9* device) {
    if (largeTarget != nullptr)
        EndSupersampling(device);
}

void SeedIfAsked() {
    if (seeding)
        std::srand(seed);  // the calling thread's generator: the saver's flight
}

bool HoldsPresent() {
    if (!holding || presentedFrames < framesBeforeHold)
        return false;
    if (!heldLogged)
        Log("held at frame %u\n", presentedFrames);
    heldLogged = true;
    return true;
}

}  // namespace stand_in

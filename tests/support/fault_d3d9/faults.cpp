// The stand-in's faults, named by the first line of d3d9-fault.txt:
//   create-null              Direct3DCreate9 returns NULL
//   ps-1.4                   the device caps report pixel shader 1.4
//   caps-fail                GetDeviceCaps fails
//   hardware-vp-fail         CreateDevice fails with hardware vertex processing
//   device-fail              every CreateDevice fails
//   other-devices-fail       every CreateDevice after the first device was made fails
//                            (the other displays' devices, with the sea on every one)
//   lost-after-N             the device reports itself lost once N frames were presented
//   lost-during-setup        the device reports itself lost from its first texture on
//   texture-fail-WxH         every CreateTexture of W by H texels fails
//   texture-lock-fail        every LockRect of a texture fails
//   cube-texture-fail        every CreateCubeTexture fails
//   vertex-buffer-fail-B     every CreateVertexBuffer of B bytes fails
//   index-buffer-fail        every CreateIndexBuffer fails
//   vertex-declaration-fail  every CreateVertexDeclaration fails
//   vertex-shader-fail       every CreateVertexShader fails
//   pixel-shader-fail        every CreatePixelShader fails
//   lock-fail-after-N        every vertex-buffer Lock of frame N+1 fails, and only those
//   locks-fail-after-N       every vertex-buffer Lock after the first N frames fails
//   present-fail-after-N     every Present after the first N fails
//   crash-after-N            an access violation inside Present once N frames were presented
//   crash-locked-after-N     the same while Present holds the driver's lock, which
//                            Reset and the device's Release then wait for forever
//   reset-fail               every Reset fails (the saver resets only at its exit)
//   display-mode-fail        GetAdapterDisplayMode fails (read only at the exit)
//   drop-overlay-draws       every DrawPrimitive succeeds without drawing (the
//                            sky, flare, banner and fade quads: the sea alone)
//   drop-detailed-sea        every DrawIndexedPrimitive that is not of flat
//                            quads (four vertices to two triangles) succeeds
//                            without drawing (the sea's detailed tiles; its
//                            flat ring is still drawn)
// The Direct3D object's faults (create-null to device-fail, display-mode-fail)
// are the object's own (fault_d3d9.cpp); the device's are here. Every
// injected failure is logged to d3d9-calls.log.
#include "tests/support/fault_d3d9/stand_in.h"

#include <cstdio>

namespace stand_in {
namespace {

unsigned textureFailWidth = 0, textureFailHeight = 0;
unsigned vertexBufferFailBytes = 0;
unsigned lockFailFrame = 0;   // 0: no single frame of failing locks
unsigned locksFailAfter = 0;  // with locksFailing: frames that lock normally
bool locksFailing = false;
unsigned presentsBeforeFailure = 0;
bool presentsFailing = false;
unsigned framesBeforeLoss = 0;
bool losing = false;
bool crashing = false;
bool crashingLocked = false;
unsigned framesBeforeCrash = 0;
bool lostFromSetup = false;
// The driver's lock of crash-locked-after-N: a semaphore, since a critical
// section would let the faulted thread take it again.
HANDLE driverLock = nullptr;
constexpr HRESULT kPresentFailure = D3DERR_DRIVERINTERNALERROR;
constexpr HRESULT kCreateFailure = D3DERR_OUTOFVIDEOMEMORY;
constexpr HRESULT kLockFailure = D3DERR_INVALIDCALL;
unsigned presentFailures = 0;
unsigned lockFailures = 0;
unsigned textureLockFailures = 0;
bool presentedAfterFailedLock = false;
bool lostLogged = false;

// The platform's entries that the hooks below pass their calls on to.
struct {
    ULONG(WINAPI* release)(IDirect3DDevice9*);
    HRESULT(WINAPI* reset)(IDirect3DDevice9*, D3DPRESENT_PARAMETERS*);
    HRESULT(WINAPI* createTexture)(IDirect3DDevice9*, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DTexture9**,
                                   HANDLE*);
    HRESULT(WINAPI* createVertexBuffer)(IDirect3DDevice9*, UINT, DWORD, DWORD, D3DPOOL, IDirect3DVertexBuffer9**,
                                        HANDLE*);
    HRESULT(WINAPI* createIndexBuffer)(IDirect3DDevice9*, UINT, DWORD, D3DFORMAT, D3DPOOL, IDirect3DIndexBuffer9**,
                                       HANDLE*);
    HRESULT(WINAPI* createCubeTexture)(IDirect3DDevice9*, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                       IDirect3DCubeTexture9**, HANDLE*);
    HRESULT(WINAPI* createVertexDeclaration)(IDirect3DDevice9*, const D3DVERTEXELEMENT9*,
                                             IDirect3DVertexDeclaration9**);
    HRESULT(WINAPI* createVertexShader)(IDirect3DDevice9*, const DWORD*, IDirect3DVertexShader9**);
    HRESULT(WINAPI* createPixelShader)(IDirect3DDevice9*, const DWORD*, IDirect3DPixelShader9**);
    HRESULT(WINAPI* drawPrimitive)(IDirect3DDevice9*, D3DPRIMITIVETYPE, UINT, UINT);
    HRESULT(WINAPI* drawIndexedPrimitive)(IDirect3DDevice9*, D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT);
    HRESULT(WINAPI* lock)(IDirect3DVertexBuffer9*, UINT, UINT, void**, DWORD);
    HRESULT(WINAPI* lockRect)(IDirect3DTexture9*, UINT, D3DLOCKED_RECT*, const RECT*, DWORD);
} real = {};

// A creation call that fails when its fault is chosen, and is marked on the
// start-up timeline otherwise.
template <typename Object>
bool CreationFails(const char* faultName, const char* call, Object** created) {
    Mark("%s", call);
    if (!FaultIs(faultName))
        return false;
    Log("%s failed: 0x%08x\n", call, static_cast<unsigned>(kCreateFailure));
    if (created != nullptr)
        *created = nullptr;
    return true;
}

// Takes the driver's lock and gives it back: at once, unless a crashed
// Present still holds it.
void PassDriverLock(const char* call) {
    static bool logged = false;
    if (driverLock == nullptr)
        return;
    if (WaitForSingleObject(driverLock, 0) != WAIT_OBJECT_0) {
        if (!logged)
            Log("%s waits for the driver's lock\n", call);
        logged = true;
        WaitForSingleObject(driverLock, INFINITE);
    }
    ReleaseSemaphore(driverLock, 1, nullptr);
}

ULONG WINAPI LockingRelease(IDirect3DDevice9* device) {
    PassDriverLock("Release");
    return real.release(device);
}

HRESULT WINAPI FailingReset(IDirect3DDevice9* device, D3DPRESENT_PARAMETERS* parameters) {
    PassDriverLock("Reset");
    if (FaultIs("reset-fail")) {
        Log("Reset failed: 0x%08x\n", static_cast<unsigned>(D3DERR_DEVICELOST));
        return D3DERR_DEVICELOST;
    }
    return real.reset(device, parameters);
}

HRESULT WINAPI FailingLockRect(IDirect3DTexture9* texture, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                               DWORD flags) {
    if (FaultIs("texture-lock-fail")) {
        ++textureLockFailures;
        if (LoggedRepeat(textureLockFailures))
            Log("texture LockRect failure %u\n", textureLockFailures);
        return kLockFailure;
    }
    return real.lockRect(texture, level, locked, rect, flags);
}

HRESULT WINAPI FailingCreateTexture(IDirect3DDevice9* device, UINT width, UINT height, UINT levels, DWORD usage,
                                    D3DFORMAT format, D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) {
    Mark("CreateTexture %ux%u format %u pool %u", width, height, static_cast<unsigned>(format),
         static_cast<unsigned>(pool));
    if (FaultIs("lost-during-setup") && !lostFromSetup) {
        lostFromSetup = true;
        Log("device lost at its first texture\n");
    }
    if (width == textureFailWidth && height == textureFailHeight) {
        Log("CreateTexture %ux%u format %u pool %u failed: 0x%08x\n", width, height, static_cast<unsigned>(format),
            static_cast<unsigned>(pool), static_cast<unsigned>(kCreateFailure));
        if (texture != nullptr)
            *texture = nullptr;
        return kCreateFailure;
    }
    const HRESULT result = real.createTexture(device, width, height, levels, usage, format, pool, texture, shared);
    // The platform's textures share one method table; it is patched once.
    if (SUCCEEDED(result) && texture != nullptr && *texture != nullptr)
        Patch(*texture, kTextureLockRectSlot, &FailingLockRect, real.lockRect);
    return result;
}

HRESULT WINAPI FailingLock(IDirect3DVertexBuffer9* buffer, UINT offset, UINT size, void** data, DWORD flags) {
    if ((lockFailFrame != 0 && framesBegun == lockFailFrame) || (locksFailing && framesBegun > locksFailAfter)) {
        ++lockFailures;
        if (LoggedRepeat(lockFailures))
            Log("Lock failure %u in frame %u\n", lockFailures, framesBegun);
        if (data != nullptr)
            *data = nullptr;
        return kLockFailure;
    }
    return real.lock(buffer, offset, size, data, flags);
}

HRESULT WINAPI FailingCreateVertexBuffer(IDirect3DDevice9* device, UINT bytes, DWORD usage, DWORD fvf, D3DPOOL pool,
                                         IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
    Mark("CreateVertexBuffer %u", bytes);
    if (bytes == vertexBufferFailBytes) {
        Log("CreateVertexBuffer %u bytes failed: 0x%08x\n", bytes, static_cast<unsigned>(kCreateFailure));
        if (buffer != nullptr)
            *buffer = nullptr;
        return kCreateFailure;
    }
    const HRESULT result = real.createVertexBuffer(device, bytes, usage, fvf, pool, buffer, shared);
    // The platform's buffers share one method table; it is patched once.
    if (SUCCEEDED(result) && buffer != nullptr && *buffer != nullptr)
        Patch(*buffer, kVertexBufferLockSlot, &FailingLock, real.lock);
    return result;
}

HRESULT WINAPI FailingCreateIndexBuffer(IDirect3DDevice9* device, UINT bytes, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
    if (CreationFails("index-buffer-fail", "CreateIndexBuffer", buffer))
        return kCreateFailure;
    return real.createIndexBuffer(device, bytes, usage, format, pool, buffer, shared);
}

HRESULT WINAPI FailingCreateCubeTexture(IDirect3DDevice9* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DCubeTexture9** texture, HANDLE* shared) {
    if (CreationFails("cube-texture-fail", "CreateCubeTexture", texture))
        return kCreateFailure;
    return real.createCubeTexture(device, edge, levels, usage, format, pool, texture, shared);
}

HRESULT WINAPI FailingCreateVertexDeclaration(IDirect3DDevice9* device, const D3DVERTEXELEMENT9* elements,
                                              IDirect3DVertexDeclaration9** declaration) {
    if (CreationFails("vertex-declaration-fail", "CreateVertexDeclaration", declaration))
        return kCreateFailure;
    return real.createVertexDeclaration(device, elements, declaration);
}

HRESULT WINAPI FailingCreateVertexShader(IDirect3DDevice9* device, const DWORD* code, IDirect3DVertexShader9** shader) {
    if (CreationFails("vertex-shader-fail", "CreateVertexShader", shader))
        return kCreateFailure;
    return real.createVertexShader(device, code, shader);
}

HRESULT WINAPI FailingCreatePixelShader(IDirect3DDevice9* device, const DWORD* code, IDirect3DPixelShader9** shader) {
    if (CreationFails("pixel-shader-fail", "CreatePixelShader", shader))
        return kCreateFailure;
    const HRESULT result = real.createPixelShader(device, code, shader);
    Mark("CreatePixelShader ends");
    return result;
}

// Analysis modes for the benchmarks: parts of the picture left out at the
// device, so that what each costs shows in the frame rate.
constexpr UINT kFlatQuadVertices = 4;
constexpr UINT kFlatQuadTriangles = 2;

HRESULT WINAPI DroppedDrawPrimitive(IDirect3DDevice9*, D3DPRIMITIVETYPE, UINT, UINT) { return D3D_OK; }

HRESULT WINAPI DetailFreeDrawIndexedPrimitive(IDirect3DDevice9* device, D3DPRIMITIVETYPE type, INT baseVertex,
                                              UINT minIndex, UINT vertices, UINT startIndex, UINT triangles) {
    if (vertices * kFlatQuadTriangles != triangles * kFlatQuadVertices || real.drawIndexedPrimitive == nullptr)
        return D3D_OK;
    return real.drawIndexedPrimitive(device, type, baseVertex, minIndex, vertices, startIndex, triangles);
}

}  // namespace

void ReadFaults(const char* fault) {
    losing = std::sscanf(fault, "lost-after-%u", &framesBeforeLoss) == 1;
    if (std::sscanf(fault, "texture-fail-%ux%u", &textureFailWidth, &textureFailHeight) != 2)
        textureFailWidth = textureFailHeight = 0;
    if (std::sscanf(fault, "vertex-buffer-fail-%u", &vertexBufferFailBytes) != 1)
        vertexBufferFailBytes = 0;
    unsigned frames = 0;
    lockFailFrame = std::sscanf(fault, "lock-fail-after-%u", &frames) == 1 ? frames + 1 : 0;
    locksFailing = std::sscanf(fault, "locks-fail-after-%u", &locksFailAfter) == 1;
    presentsFailing = std::sscanf(fault, "present-fail-after-%u", &presentsBeforeFailure) == 1;
    crashing = std::sscanf(fault, "crash-after-%u", &framesBeforeCrash) == 1;
    crashingLocked = std::sscanf(fault, "crash-locked-after-%u", &framesBeforeCrash) == 1;
}

void PatchFaults(IDirect3DDevice9* device) {
    Patch(device, kResetSlot, &FailingReset, real.reset);
    if (crashingLocked) {
        driverLock = CreateSemaphoreA(nullptr, 1, 1, nullptr);
        Patch(device, kReleaseSlot, &LockingRelease, real.release);
    }
    Patch(device, kCreateTextureSlot, &FailingCreateTexture, real.createTexture);
    Patch(device, kCreateVertexBufferSlot, &FailingCreateVertexBuffer, real.createVertexBuffer);
    Patch(device, kCreateIndexBufferSlot, &FailingCreateIndexBuffer, real.createIndexBuffer);
    Patch(device, kCreateCubeTextureSlot, &FailingCreateCubeTexture, real.createCubeTexture);
    Patch(device, kCreateVertexDeclarationSlot, &FailingCreateVertexDeclaration, real.createVertexDeclaration);
    Patch(device, kCreateVertexShaderSlot, &FailingCreateVertexShader, real.createVertexShader);
    Patch(device, kCreatePixelShaderSlot, &FailingCreatePixelShader, real.createPixelShader);
    if (FaultIs("drop-overlay-draws"))
        Patch(device, kDrawPrimitiveSlot, &DroppedDrawPrimitive, real.drawPrimitive);
    if (FaultIs("drop-detailed-sea"))
        Patch(device, kDrawIndexedPrimitiveSlot, &DetailFreeDrawIndexedPrimitive, real.drawIndexedPrimitive);
}

bool DeviceLost() {
    if (!(losing && presentedFrames >= framesBeforeLoss) && !lostFromSetup)
        return false;
    if (!lostLogged)
        Log("device lost after %u frames: 0x%08x\n", presentedFrames, static_cast<unsigned>(D3DERR_DEVICELOST));
    lostLogged = true;
    return true;
}

bool PresentFails(HRESULT& result) {
    if (lostFromSetup) {
        result = D3DERR_DEVICELOST;
        return true;
    }
    if ((crashing || crashingLocked) && presentedFrames >= framesBeforeCrash) {
        if (crashingLocked)
            WaitForSingleObject(driverLock, INFINITE);
        Log("access violation in Present%s after %u frames\n", crashingLocked ? " holding the driver's lock" : "",
            presentedFrames);
        volatile int* volatile nowhere = nullptr;
        *nowhere = 1;
    }
    if (lockFailures > 0 && !presentedAfterFailedLock) {
        presentedAfterFailedLock = true;
        Log("frame %u presented after %u failed locks\n", framesBegun, lockFailures);
    }
    if (presentsFailing && presentedFrames >= presentsBeforeFailure) {
        ++presentFailures;
        if (LoggedRepeat(presentFailures))
            Log("Present failure %u in frame %u: 0x%08x\n", presentFailures, framesBegun,
                static_cast<unsigned>(kPresentFailure));
        result = kPresentFailure;
        return true;
    }
    return false;
}

}  // namespace stand_in

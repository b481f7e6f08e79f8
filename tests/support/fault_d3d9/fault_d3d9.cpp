// A d3d9.dll for tests that stands in front of the platform's Direct3D 9 and
// fails on request. scripts/test-env puts it in the test prefix's system
// directory under the platform's name, with the platform's own d3d9.dll in
// the folder d3d9-platform beside it; the module loads it when d3d9 is set
// to load native first. The fault is named by the first line of
// d3d9-fault.txt beside this DLL:
//   create-null              Direct3DCreate9 returns NULL
//   ps-1.4                   the device caps report pixel shader 1.4
//   caps-fail                GetDeviceCaps fails
//   hardware-vp-fail         CreateDevice fails with hardware vertex processing
//   device-fail              every CreateDevice fails
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
//   drop-detailed-sea        every DrawIndexedPrimitive of more than two
//                            triangles succeeds without drawing (the sea's
//                            detailed tiles; its flat ring is still drawn)
// and options on the lines after it:
//   seed-S                   the C library's random generator of the calling
//                            thread is seeded with S when the Direct3D object
//                            is made, after the saver seeded it with the clock:
//                            the flight is the same on every run
//   hold-after-N             after N presented frames, Present succeeds without
//                            presenting: the screen keeps frame N
//   log-presents             every presented frame is logged as "presented K"
//   leak-B                   every presented frame leaves B bytes of the process
//                            heap allocated (and written), as a leak in the saver
//                            would: for the soak's own test
//   measure-frames-N         each of the first N frames is read back before it
//                            is presented and logged as "frame K sky S sea E":
//                            the mean brightness (R + G + B) of its top and
//                            bottom thirds
//   timing-for-S             a timeline for the benchmarks. The device
//                            calls of the start-up are logged with their time
//                            since the process was created, up to the first
//                            Present; then the count of presented frames once a
//                            second; S seconds after the first Present the device
//                            reports itself lost, so the saver ends by itself.
// A frame is counted when it begins (at TestCooperativeLevel), so a frame that
// ends early without presenting still counts. Every CreateDevice and every
// injected failure is logged to d3d9-calls.log beside this DLL.
#include <windows.h>
#include <d3d9.h>
#include <psapi.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

char fault[64];
unsigned textureFailWidth = 0, textureFailHeight = 0;
unsigned vertexBufferFailBytes = 0;
unsigned lockFailFrame = 0;   // 0: no single frame of failing locks
unsigned locksFailAfter = 0;  // with locksFailing: frames that lock normally
bool locksFailing = false;
unsigned presentsBeforeFailure = 0;
bool presentsFailing = false;
unsigned framesBeforeLoss = 0;
bool losing = false;
bool timing = false;
unsigned timingSeconds = 0;
bool crashing = false;
bool crashingLocked = false;
unsigned framesBeforeCrash = 0;
// The driver's lock of crash-locked-after-N: a semaphore, since a critical
// section would let the faulted thread take it again.
HANDLE driverLock = nullptr;
bool seeding = false;
unsigned seed = 0;
bool holding = false;
unsigned framesBeforeHold = 0;
bool measuring = false;
bool loggingPresents = false;
unsigned leakBytes = 0;
unsigned framesMeasured = 0;
bool lostFromSetup = false;

bool FaultIs(const char* name) { return std::strcmp(fault, name) == 0; }

HMODULE ThisModule() {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ThisModule), &module);
    return module;
}

// A file beside this DLL.
void SiblingPath(const char* name, char (&path)[MAX_PATH]) {
    path[0] = '\0';
    const DWORD length = GetModuleFileNameA(ThisModule(), path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return;
    char* slash = std::strrchr(path, '\\');
    if (slash == nullptr || (slash - path) + 1 + std::strlen(name) >= MAX_PATH) {
        path[0] = '\0';
        return;
    }
    std::strcpy(slash + 1, name);
}

void ReadFault() {
    fault[0] = '\0';
    char path[MAX_PATH];
    SiblingPath("d3d9-fault.txt", path);
    HANDLE file = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    char text[256];
    DWORD got = 0;
    ReadFile(file, text, sizeof text - 1, &got, nullptr);
    CloseHandle(file);
    text[got] = '\0';
    // The options stand on the lines after the fault.
    const auto option = [&text](const char* name, unsigned& value) {
        const char* found = std::strstr(text, name);
        return found != nullptr && std::sscanf(found + std::strlen(name), "%u", &value) == 1;
    };
    timing = option("timing-for-", timingSeconds);
    seeding = option("seed-", seed);
    holding = option("hold-after-", framesBeforeHold);
    measuring = option("measure-frames-", framesMeasured);
    loggingPresents = std::strstr(text, "log-presents") != nullptr;
    if (!option("leak-", leakBytes))
        leakBytes = 0;
    std::strncpy(fault, text, sizeof fault - 1);
    fault[sizeof fault - 1] = '\0';
    for (char* p = fault; *p != '\0'; ++p)
        if (*p == '\r' || *p == '\n')
            *p = '\0';
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

void Log(const char* format, ...) {
    char path[MAX_PATH];
    SiblingPath("d3d9-calls.log", path);
    if (path[0] == '\0')
        return;
    char line[160];
    va_list arguments;
    va_start(arguments, format);
    const int length = std::vsnprintf(line, sizeof line, format, arguments);
    va_end(arguments);
    if (length <= 0)
        return;
    HANDLE file =
        CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return;
    DWORD written = 0;
    WriteFile(file, line, static_cast<DWORD>(std::strlen(line)), &written, nullptr);
    CloseHandle(file);
}

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

void StartTimeline() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    processCreated = FileTimeMilliseconds(created);
    // Unix time of the process's creation, for comparison with the launch.
    constexpr double kUnixEpochMilliseconds = 11644473600000.0;
    Log("timeline process-created-unix-ms %.3f\n", processCreated - kUnixEpochMilliseconds);
}

double WorkingSetMiB() {
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters))
        return 0.0;
    return double(counters.WorkingSetSize) / (1024.0 * 1024.0);
}

// Start-up events are kept in memory (the log's file calls would show in
// the times) and written at the first Present.
char timeline[8192];
size_t timelineLength = 0;
bool timelineWritten = false;

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

// Faults on a running device without a proxy of the whole device interface:
// entries of the real device's method table (and of its vertex buffers')
// are replaced by ours, which count or fail and otherwise pass the call on.
// The slots are the methods' places in the interfaces' declaration order.
constexpr size_t kReleaseSlot = 2;
constexpr size_t kTestCooperativeLevelSlot = 3;
constexpr size_t kResetSlot = 16;
constexpr size_t kPresentSlot = 17;
constexpr size_t kCreateTextureSlot = 23;
constexpr size_t kCreateCubeTextureSlot = 25;
constexpr size_t kCreateVertexBufferSlot = 26;
constexpr size_t kCreateIndexBufferSlot = 27;
constexpr size_t kDrawPrimitiveSlot = 81;
constexpr size_t kDrawIndexedPrimitiveSlot = 82;
constexpr size_t kCreateVertexDeclarationSlot = 86;
constexpr size_t kCreateVertexShaderSlot = 91;
constexpr size_t kCreatePixelShaderSlot = 106;
constexpr size_t kVertexBufferLockSlot = 11;
constexpr size_t kTextureLockRectSlot = 19;
constexpr HRESULT kPresentFailure = D3DERR_DRIVERINTERNALERROR;
constexpr HRESULT kCreateFailure = D3DERR_OUTOFVIDEOMEMORY;
constexpr HRESULT kLockFailure = D3DERR_INVALIDCALL;
// Repeated failures are logged at these counts only, to keep the log short.
constexpr unsigned kLoggedRepeats[] = {1, 20, 50};

using TestCooperativeLevelFunction = HRESULT(WINAPI*)(IDirect3DDevice9*);
using ReleaseFunction = ULONG(WINAPI*)(IDirect3DDevice9*);
using ResetFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, D3DPRESENT_PARAMETERS*);
using PresentFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, const RECT*, const RECT*, HWND, const RGNDATA*);
using CreateTextureFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                               IDirect3DTexture9**, HANDLE*);
using CreateVertexBufferFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, UINT, DWORD, DWORD, D3DPOOL,
                                                    IDirect3DVertexBuffer9**, HANDLE*);
using CreateIndexBufferFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                                   IDirect3DIndexBuffer9**, HANDLE*);
using CreateCubeTextureFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                                                   IDirect3DCubeTexture9**, HANDLE*);
using CreateVertexDeclarationFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, const D3DVERTEXELEMENT9*,
                                                         IDirect3DVertexDeclaration9**);
using CreateVertexShaderFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, const DWORD*, IDirect3DVertexShader9**);
using CreatePixelShaderFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, const DWORD*, IDirect3DPixelShader9**);
using DrawPrimitiveFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, D3DPRIMITIVETYPE, UINT, UINT);
using DrawIndexedPrimitiveFunction = HRESULT(WINAPI*)(IDirect3DDevice9*, D3DPRIMITIVETYPE, INT, UINT, UINT, UINT, UINT);
using LockFunction = HRESULT(WINAPI*)(IDirect3DVertexBuffer9*, UINT, UINT, void**, DWORD);
using LockRectFunction = HRESULT(WINAPI*)(IDirect3DTexture9*, UINT, D3DLOCKED_RECT*, const RECT*, DWORD);
TestCooperativeLevelFunction realTestCooperativeLevel = nullptr;
ReleaseFunction realRelease = nullptr;
ResetFunction realReset = nullptr;
PresentFunction realPresent = nullptr;
CreateTextureFunction realCreateTexture = nullptr;
CreateVertexBufferFunction realCreateVertexBuffer = nullptr;
CreateIndexBufferFunction realCreateIndexBuffer = nullptr;
CreateCubeTextureFunction realCreateCubeTexture = nullptr;
CreateVertexDeclarationFunction realCreateVertexDeclaration = nullptr;
CreateVertexShaderFunction realCreateVertexShader = nullptr;
CreatePixelShaderFunction realCreatePixelShader = nullptr;
DrawPrimitiveFunction realDrawPrimitive = nullptr;
DrawIndexedPrimitiveFunction realDrawIndexedPrimitive = nullptr;
LockFunction realLock = nullptr;
LockRectFunction realLockRect = nullptr;
double firstPresentAt = 0.0;  // milliseconds since 1601; 0 before it
double nextFrameReportAt = 0.0;
constexpr double kFrameReportMs = 1000.0;
unsigned framesBegun = 0;
unsigned presentedFrames = 0;
unsigned presentFailures = 0;
unsigned lockFailures = 0;
unsigned textureLockFailures = 0;
bool presentedAfterFailedLock = false;
bool heldLogged = false;
bool lostLogged = false;

bool LoggedRepeat(unsigned count) {
    for (unsigned logged : kLoggedRepeats)
        if (count == logged)
            return true;
    return false;
}

// Replaces one entry of a method table; returns the entry it held.
void* PatchSlot(void* object, size_t slot, void* replacement) {
    void** table = *reinterpret_cast<void***>(object);
    if (table[slot] == replacement)
        return nullptr;
    DWORD old = 0;
    if (!VirtualProtect(&table[slot], sizeof(void*), PAGE_EXECUTE_READWRITE, &old))
        return nullptr;
    void* previous = table[slot];
    table[slot] = replacement;
    VirtualProtect(&table[slot], sizeof(void*), old, &old);
    return previous;
}

// Keeps the platform's entry the first time a slot is patched.
template <typename Function>
void Patch(void* object, size_t slot, Function replacement, Function& real) {
    void* previous = PatchSlot(object, slot, reinterpret_cast<void*>(replacement));
    if (previous != nullptr && real == nullptr)
        real = reinterpret_cast<Function>(previous);
}

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

HRESULT WINAPI CountingTestCooperativeLevel(IDirect3DDevice9* device) {
    if ((losing && presentedFrames >= framesBeforeLoss) || lostFromSetup) {
        if (!lostLogged)
            Log("device lost after %u frames: 0x%08x\n", presentedFrames, static_cast<unsigned>(D3DERR_DEVICELOST));
        lostLogged = true;
        return D3DERR_DEVICELOST;
    }
    if (timing && firstPresentAt > 0.0 && NowMilliseconds() - firstPresentAt >= timingSeconds * 1000.0) {
        Log("timeline device lost after %u frames at %.3f\n", presentedFrames, NowMilliseconds() - processCreated);
        return D3DERR_DEVICELOST;
    }
    if (framesBegun == 0)
        Mark("first frame begins, working set %.1f MiB", WorkingSetMiB());
    ++framesBegun;
    return realTestCooperativeLevel(device);
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
    return realRelease(device);
}

HRESULT WINAPI FailingReset(IDirect3DDevice9* device, D3DPRESENT_PARAMETERS* parameters) {
    PassDriverLock("Reset");
    if (FaultIs("reset-fail")) {
        Log("Reset failed: 0x%08x\n", static_cast<unsigned>(D3DERR_DEVICELOST));
        return D3DERR_DEVICELOST;
    }
    return realReset(device, parameters);
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

HRESULT WINAPI FailingPresent(IDirect3DDevice9* device, const RECT* source, const RECT* destination, HWND window,
                              const RGNDATA* dirty) {
    if (lostFromSetup)
        return D3DERR_DEVICELOST;
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
        return kPresentFailure;
    }
    if (holding && presentedFrames >= framesBeforeHold) {
        if (!heldLogged)
            Log("held at frame %u\n", presentedFrames);
        heldLogged = true;
        return D3D_OK;
    }
    ++presentedFrames;
    if (leakBytes > 0) {
        if (void* lost = HeapAlloc(GetProcessHeap(), 0, leakBytes))
            std::memset(lost, 0xA5, leakBytes);
    }
    if (loggingPresents)
        Log("presented %u\n", presentedFrames);
    if (measuring && presentedFrames <= framesMeasured)
        MeasureFrame(device, presentedFrames);
    if (!timing)
        return realPresent(device, source, destination, window, dirty);
    if (presentedFrames == 1)
        Mark("first Present begins");
    const HRESULT result = realPresent(device, source, destination, window, dirty);
    const double now = NowMilliseconds();
    if (presentedFrames == 1) {
        Mark("first Present ends, working set %.1f MiB", WorkingSetMiB());
        WriteTimeline();
        firstPresentAt = now;
        nextFrameReportAt = now + kFrameReportMs;
    } else if (now >= nextFrameReportAt) {
        Log("timeline frames %u at %.3f working set %.1f MiB\n", presentedFrames, now - processCreated,
            WorkingSetMiB());
        nextFrameReportAt += kFrameReportMs;
    }
    return result;
}

HRESULT WINAPI FailingLockRect(IDirect3DTexture9* texture, UINT level, D3DLOCKED_RECT* locked, const RECT* rect,
                               DWORD flags) {
    if (FaultIs("texture-lock-fail")) {
        ++textureLockFailures;
        if (LoggedRepeat(textureLockFailures))
            Log("texture LockRect failure %u\n", textureLockFailures);
        return kLockFailure;
    }
    return realLockRect(texture, level, locked, rect, flags);
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
    const HRESULT result = realCreateTexture(device, width, height, levels, usage, format, pool, texture, shared);
    // The platform's textures share one method table; it is patched once.
    if (SUCCEEDED(result) && texture != nullptr && *texture != nullptr)
        Patch<LockRectFunction>(*texture, kTextureLockRectSlot, &FailingLockRect, realLockRect);
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
    return realLock(buffer, offset, size, data, flags);
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
    const HRESULT result = realCreateVertexBuffer(device, bytes, usage, fvf, pool, buffer, shared);
    // The platform's buffers share one method table; it is patched once.
    if (SUCCEEDED(result) && buffer != nullptr && *buffer != nullptr)
        Patch<LockFunction>(*buffer, kVertexBufferLockSlot, &FailingLock, realLock);
    return result;
}

HRESULT WINAPI FailingCreateIndexBuffer(IDirect3DDevice9* device, UINT bytes, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
    if (CreationFails("index-buffer-fail", "CreateIndexBuffer", buffer))
        return kCreateFailure;
    return realCreateIndexBuffer(device, bytes, usage, format, pool, buffer, shared);
}

HRESULT WINAPI FailingCreateCubeTexture(IDirect3DDevice9* device, UINT edge, UINT levels, DWORD usage, D3DFORMAT format,
                                        D3DPOOL pool, IDirect3DCubeTexture9** texture, HANDLE* shared) {
    if (CreationFails("cube-texture-fail", "CreateCubeTexture", texture))
        return kCreateFailure;
    return realCreateCubeTexture(device, edge, levels, usage, format, pool, texture, shared);
}

HRESULT WINAPI FailingCreateVertexDeclaration(IDirect3DDevice9* device, const D3DVERTEXELEMENT9* elements,
                                              IDirect3DVertexDeclaration9** declaration) {
    if (CreationFails("vertex-declaration-fail", "CreateVertexDeclaration", declaration))
        return kCreateFailure;
    return realCreateVertexDeclaration(device, elements, declaration);
}

HRESULT WINAPI FailingCreateVertexShader(IDirect3DDevice9* device, const DWORD* code, IDirect3DVertexShader9** shader) {
    if (CreationFails("vertex-shader-fail", "CreateVertexShader", shader))
        return kCreateFailure;
    return realCreateVertexShader(device, code, shader);
}

HRESULT WINAPI FailingCreatePixelShader(IDirect3DDevice9* device, const DWORD* code, IDirect3DPixelShader9** shader) {
    if (CreationFails("pixel-shader-fail", "CreatePixelShader", shader))
        return kCreateFailure;
    const HRESULT result = realCreatePixelShader(device, code, shader);
    Mark("CreatePixelShader ends");
    return result;
}

// Analysis modes for the benchmarks: parts of the picture left out at the
// device, so that what each costs shows in the frame rate.
constexpr UINT kFlatTileTriangles = 2;

HRESULT WINAPI DroppedDrawPrimitive(IDirect3DDevice9*, D3DPRIMITIVETYPE, UINT, UINT) { return D3D_OK; }

HRESULT WINAPI DetailFreeDrawIndexedPrimitive(IDirect3DDevice9* device, D3DPRIMITIVETYPE type, INT baseVertex,
                                              UINT minIndex, UINT vertices, UINT startIndex, UINT triangles) {
    if (triangles > kFlatTileTriangles || realDrawIndexedPrimitive == nullptr)
        return D3D_OK;
    return realDrawIndexedPrimitive(device, type, baseVertex, minIndex, vertices, startIndex, triangles);
}

void PatchDevice(IDirect3DDevice9* device) {
    Patch<TestCooperativeLevelFunction>(device, kTestCooperativeLevelSlot, &CountingTestCooperativeLevel,
                                        realTestCooperativeLevel);
    Patch<ResetFunction>(device, kResetSlot, &FailingReset, realReset);
    if (crashingLocked) {
        driverLock = CreateSemaphoreA(nullptr, 1, 1, nullptr);
        Patch<ReleaseFunction>(device, kReleaseSlot, &LockingRelease, realRelease);
    }
    Patch<PresentFunction>(device, kPresentSlot, &FailingPresent, realPresent);
    Patch<CreateTextureFunction>(device, kCreateTextureSlot, &FailingCreateTexture, realCreateTexture);
    Patch<CreateVertexBufferFunction>(device, kCreateVertexBufferSlot, &FailingCreateVertexBuffer,
                                      realCreateVertexBuffer);
    Patch<CreateIndexBufferFunction>(device, kCreateIndexBufferSlot, &FailingCreateIndexBuffer, realCreateIndexBuffer);
    Patch<CreateCubeTextureFunction>(device, kCreateCubeTextureSlot, &FailingCreateCubeTexture, realCreateCubeTexture);
    Patch<CreateVertexDeclarationFunction>(device, kCreateVertexDeclarationSlot, &FailingCreateVertexDeclaration,
                                           realCreateVertexDeclaration);
    Patch<CreateVertexShaderFunction>(device, kCreateVertexShaderSlot, &FailingCreateVertexShader,
                                      realCreateVertexShader);
    Patch<CreatePixelShaderFunction>(device, kCreatePixelShaderSlot, &FailingCreatePixelShader, realCreatePixelShader);
    if (FaultIs("drop-overlay-draws"))
        Patch<DrawPrimitiveFunction>(device, kDrawPrimitiveSlot, &DroppedDrawPrimitive, realDrawPrimitive);
    if (FaultIs("drop-detailed-sea"))
        Patch<DrawIndexedPrimitiveFunction>(device, kDrawIndexedPrimitiveSlot, &DetailFreeDrawIndexedPrimitive,
                                            realDrawIndexedPrimitive);
}

class FaultDirect3D final : public IDirect3D9 {
public:
    explicit FaultDirect3D(IDirect3D9* real) : real_(real) {}
    virtual ~FaultDirect3D() = default;

    HRESULT WINAPI QueryInterface(REFIID riid, void** object) override { return real_->QueryInterface(riid, object); }
    ULONG WINAPI AddRef() override { return ++references_; }
    ULONG WINAPI Release() override {
        const ULONG left = --references_;
        if (left == 0) {
            Log("Direct3D object released\n");
            real_->Release();
            delete this;
        }
        return left;
    }
    HRESULT WINAPI RegisterSoftwareDevice(void* entry) override { return real_->RegisterSoftwareDevice(entry); }
    UINT WINAPI GetAdapterCount() override { return real_->GetAdapterCount(); }
    HRESULT WINAPI GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER9* identifier) override {
        return real_->GetAdapterIdentifier(adapter, flags, identifier);
    }
    UINT WINAPI GetAdapterModeCount(UINT adapter, D3DFORMAT format) override {
        return real_->GetAdapterModeCount(adapter, format);
    }
    HRESULT WINAPI EnumAdapterModes(UINT adapter, D3DFORMAT format, UINT mode, D3DDISPLAYMODE* displayMode) override {
        return real_->EnumAdapterModes(adapter, format, mode, displayMode);
    }
    HRESULT WINAPI GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* displayMode) override {
        if (FaultIs("display-mode-fail")) {
            Log("GetAdapterDisplayMode failed: 0x%08x\n", static_cast<unsigned>(D3DERR_NOTAVAILABLE));
            return D3DERR_NOTAVAILABLE;
        }
        return real_->GetAdapterDisplayMode(adapter, displayMode);
    }
    HRESULT WINAPI CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT displayFormat, D3DFORMAT backBufferFormat,
                                   BOOL windowed) override {
        return real_->CheckDeviceType(adapter, type, displayFormat, backBufferFormat, windowed);
    }
    HRESULT WINAPI CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat, DWORD usage,
                                     D3DRESOURCETYPE resourceType, D3DFORMAT checkFormat) override {
        return real_->CheckDeviceFormat(adapter, type, adapterFormat, usage, resourceType, checkFormat);
    }
    HRESULT WINAPI CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                              D3DMULTISAMPLE_TYPE multiSample, DWORD* qualityLevels) override {
        return real_->CheckDeviceMultiSampleType(adapter, type, format, windowed, multiSample, qualityLevels);
    }
    HRESULT WINAPI CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT adapterFormat,
                                          D3DFORMAT renderTargetFormat, D3DFORMAT depthStencilFormat) override {
        return real_->CheckDepthStencilMatch(adapter, type, adapterFormat, renderTargetFormat, depthStencilFormat);
    }
    HRESULT WINAPI CheckDeviceFormatConversion(UINT adapter, D3DDEVTYPE type, D3DFORMAT sourceFormat,
                                               D3DFORMAT targetFormat) override {
        return real_->CheckDeviceFormatConversion(adapter, type, sourceFormat, targetFormat);
    }
    HRESULT WINAPI GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS9* caps) override {
        Mark("GetDeviceCaps");
        if (FaultIs("caps-fail"))
            return D3DERR_NOTAVAILABLE;
        const HRESULT result = real_->GetDeviceCaps(adapter, type, caps);
        if (SUCCEEDED(result) && FaultIs("ps-1.4"))
            caps->PixelShaderVersion = D3DPS_VERSION(1, 4);
        return result;
    }
    HMONITOR WINAPI GetAdapterMonitor(UINT adapter) override { return real_->GetAdapterMonitor(adapter); }
    HRESULT WINAPI CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD flags,
                                D3DPRESENT_PARAMETERS* parameters, IDirect3DDevice9** device) override {
        Mark("CreateDevice begins");
        HRESULT result;
        if (FaultIs("device-fail") || (FaultIs("hardware-vp-fail") && (flags & D3DCREATE_HARDWARE_VERTEXPROCESSING)))
            result = D3DERR_NOTAVAILABLE;
        else
            result = real_->CreateDevice(adapter, type, focus, flags, parameters, device);
        Log("CreateDevice flags=0x%x result=0x%08x\n", static_cast<unsigned>(flags), static_cast<unsigned>(result));
        Mark("CreateDevice ends, working set %.1f MiB", WorkingSetMiB());
        if (SUCCEEDED(result) && device != nullptr && *device != nullptr)
            PatchDevice(*device);
        return result;
    }

private:
    IDirect3D9* real_;
    ULONG references_ = 1;
};

using CreateFunction = IDirect3D9*(WINAPI*)(UINT);

}  // namespace

extern "C" __declspec(dllexport) IDirect3D9* WINAPI Direct3DCreate9(UINT sdkVersion) {
    ReadFault();
    if (timing) {
        StartTimeline();
        Mark("Direct3DCreate9, working set %.1f MiB", WorkingSetMiB());
    }
    if (seeding)
        std::srand(seed);  // the calling thread's generator: the saver's flight
    if (FaultIs("create-null"))
        return nullptr;
    // This DLL stands in the system directory under the platform's name; the
    // platform's own d3d9.dll waits in a folder beside it (scripts/test-env).
    char path[MAX_PATH];
    SiblingPath("d3d9-platform\\d3d9.dll", path);
    HMODULE real = path[0] != '\0' ? LoadLibraryA(path) : nullptr;
    Mark("platform d3d9.dll loaded");
    auto create =
        real != nullptr
            ? reinterpret_cast<CreateFunction>(reinterpret_cast<void*>(GetProcAddress(real, "Direct3DCreate9")))
            : nullptr;
    IDirect3D9* direct3d = create != nullptr ? create(sdkVersion) : nullptr;
    Mark("platform Direct3D object created, working set %.1f MiB", WorkingSetMiB());
    if (direct3d == nullptr)
        return nullptr;
    Log("Direct3D object created\n");
    return new FaultDirect3D(direct3d);
}

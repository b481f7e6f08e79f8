// The stand-in d3d9.dll's jobs, one file each: the faults (faults.cpp),
// runs that repeat exactly (determinism.cpp) and measurements
// (measurement.cpp), each documenting its options; and the ground they share
// (stand_in.cpp): d3d9-fault.txt and d3d9-calls.log beside the DLL, the
// counts of frames begun and presented, and the replacing of entries in the
// platform's method tables.
#pragma once

#include <windows.h>
#include <d3d9.h>

#include <cstddef>

namespace stand_in {

// d3d9-fault.txt: the fault on its first line (cut at the line's end), and
// the whole text, in which the options on the lines after it are found.
struct FaultFile {
    char fault[64];
    char text[256];
};
// False (and no fault chosen) when there is no such file.
bool ReadFaultFile(FaultFile& file);
bool FaultIs(const char* name);
// The number after `name` wherever it stands in `text`; `value` is left as
// it was when there is none.
bool Option(const char* text, const char* name, unsigned& value);

// The path of a file beside this DLL; empty when it does not fit.
void SiblingPath(const char* name, char (&path)[MAX_PATH]);
// A line of d3d9-calls.log beside this DLL.
void Log(const char* format, ...);
// Repeated failures are logged at a few counts only, to keep the log short.
bool LoggedRepeat(unsigned count);

// A frame is counted when it begins (at TestCooperativeLevel), so a frame
// that ends early without presenting still counts.
extern unsigned framesBegun;
extern unsigned presentedFrames;

// Faults and counts on a running device without a proxy of the whole device
// interface: entries of the real device's method table (and of its
// resources') are replaced by ours, which count or fail and otherwise pass
// the call on. The slots are the methods' places in the interfaces'
// declaration order.
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

// Replaces one entry of a method table; returns the entry it held.
void* PatchSlot(void* object, size_t slot, void* replacement);

// Keeps the platform's entry the first time a slot is patched.
template <typename Function>
void Patch(void* object, size_t slot, Function replacement, Function& real) {
    void* previous = PatchSlot(object, slot, reinterpret_cast<void*>(replacement));
    if (previous != nullptr && real == nullptr)
        real = reinterpret_cast<Function>(previous);
}

// Faults (faults.cpp).
void ReadFaults(const char* fault);
// The device's methods that fail, count or drop on request.
void PatchFaults(IDirect3DDevice9* device);
// At TestCooperativeLevel: true when the device is to report itself lost.
bool DeviceLost();
// At Present, before the frame is counted: true with the fault's `result`
// when Present is to fail (or crashes inside).
bool PresentFails(HRESULT& result);

// Determinism (determinism.cpp).
void ReadDeterminismOptions(const char* text);
// At Direct3DCreate9.
void SeedIfAsked();
// At Present: true when the frame is held back (and Present only succeeds).
bool HoldsPresent();
// With supersample: at TestCooperativeLevel, the held frame is drawn large;
// at its Present, before anything else, it is filtered into the back buffer.
void HeldFrameBegins(IDirect3DDevice9* device);
void HeldFrameEnds(IDirect3DDevice9* device);

// Measurement (measurement.cpp).
void ReadMeasurementOptions(const char* text);

// With timing-for-S: the timeline starts (at Direct3DCreate9), and an event
// of the start-up is marked on it (kept in memory until the first Present,
// so that the log's file calls do not show in the times).
void StartTimeline();
void Mark(const char* format, ...);
double WorkingSetMiB();

// At TestCooperativeLevel: whether the timed run is over (the device then
// reports itself lost); otherwise a frame begins.
bool TimedRunOver();
void FrameBegins();
// At Present, once the frame is counted as presented: the leak, the log
// line and the read-back the options ask for; then around the platform's
// Present, the timeline's marks and the once-a-second frame counts.
void FramePresented(IDirect3DDevice9* device);
void PresentBegins();
void PresentEnded();

}  // namespace stand_in

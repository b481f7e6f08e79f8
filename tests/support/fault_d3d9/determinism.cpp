// The stand-in's options for runs that repeat exactly:
//   seed-S         the C library's random generator of the calling thread is
//                  seeded with S when the Direct3D object is made, after the
//                  saver seeded it with the clock: the flight is the same on
//                  every run
//   hold-after-N   after N presented frames, Present succeeds without
//                  presenting: the screen keeps frame N
#include "tests/support/fault_d3d9/stand_in.h"

#include <cstdlib>

namespace stand_in {
namespace {

bool seeding = false, holding = false, heldLogged = false;
unsigned seed = 0, framesBeforeHold = 0;

}  // namespace

void ReadDeterminismOptions(const char* text) {
    seeding = Option(text, "seed-", seed);
    holding = Option(text, "hold-after-", framesBeforeHold);
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

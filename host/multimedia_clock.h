// The multimedia timer's clock (winmm's timeGetTime), which the saver's
// clock-timed parts read: the main loop's start and the banner's thirty
// seconds.
#pragma once

#include <cstdint>

// Milliseconds on the multimedia timer. winmm.dll is loaded from the system
// directory on first use and kept: it is not one of the DLLs that Windows
// always takes from there, so a static import would run a winmm.dll lying
// beside the module. Without it (not on any Windows) the tick count serves,
// the same clock at a coarser step.
uint32_t MultimediaTime();

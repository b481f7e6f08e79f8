// CPU time of the whole process (all threads), for the benchmarks that time
// their own work on the recording device.
#pragma once

#include <windows.h>

#include <cstdint>

// Milliseconds of CPU, kernel and user together.
inline double ProcessCpuMilliseconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto ms = [](const FILETIME& t) { return double((uint64_t(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 10000.0; };
    return ms(kernel) + ms(user);
}

// The run modes the command line selects.
#pragma once

#include <cstdint>

enum class RunMode : int32_t {
    Configure = 0,
    Preview = 1,
    Saver = 2,
    Test = 3,
    Password = 4,
};

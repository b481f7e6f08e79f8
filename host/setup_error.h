// Why the Direct3D set-up failed, and what the user is told.
#pragma once

#include <cstdint>

enum SetupError : int32_t {
    kSetupErrorNone = 0,
    kSetupErrorDevice = 1,
    kSetupErrorTextures = 2,
    kSetupErrorGeometry = 3,
    kSetupErrorDirect3D = 4,
};

const char* SetupErrorText(int32_t code);

extern const char kSetupErrorTitle[];

// Messages for a failed Direct3D set-up.
#include "host/setup_error.h"

const char kSetupErrorTitle[] = "Brinemere Duzo Screensaver Error";

const char* SetupErrorText(int32_t code) {
    switch (code) {
    case kSetupErrorDevice: return "Unable to initialize Direct3D.";
    case kSetupErrorTextures: return "Unable to load textures";
    case kSetupErrorGeometry: return "Unable to load geometry";
    case kSetupErrorDirect3D: return "Unable to create Direct3D object";
    default: return "Unknown error";
    }
}

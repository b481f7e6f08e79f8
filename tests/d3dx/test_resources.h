// Resource ids of the pictures and shaders built into the d3dx test and
// benchmark programs (test_pictures.rc), and access to their bytes.
#pragma once

#include <windows.h>

#ifndef RC_INVOKED
#include <cstddef>
#include <cstdint>
#include <vector>
#endif

#define IDR_HEIGHT_L8 100
#define IDR_SPRITE_ARGB 101
#define IDR_MIPS_ARGB 102
#define IDR_ODD_XRGB 103
#define IDR_SKY_CUBE_DXT3 104
#define IDR_RAMP_P8 105
#define IDR_NOISE_P8 106
#define IDR_NOISE_P8_TOPDOWN 107
#define IDR_SKY_FACE_JPG 108
#define IDR_GREY_JPG 109
#define IDR_WATER_SHADERS 110
#define IDR_SYNTAX_ERROR_SHADER 111
#define IDR_TRUNCATED_L8 112
#define IDR_NOT_A_PICTURE 113

#ifndef RC_INVOKED
// The bytes of an RCDATA resource of this program; empty if it is missing.
inline std::vector<uint8_t> ResourceBytes(int id) {
    HRSRC found = FindResourceA(nullptr, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(10));
    if (!found)
        return {};
    const uint8_t* p = static_cast<const uint8_t*>(LockResource(LoadResource(nullptr, found)));
    return p ? std::vector<uint8_t>(p, p + SizeofResource(nullptr, found)) : std::vector<uint8_t>();
}
#endif

// ViewVectors: the camera's view of the frame being drawn, written by the
// frame before anything is drawn and read by the sun flare in that frame.
#pragma once

#include "d3dx/d3dx.h"

struct ViewVectors {
    // Stores the frame's eye, look-at point and up vector; the direction is
    // always the difference of the first two.
    void Store(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, const D3DXVECTOR3& up) {
        viewEye = eye;
        viewTarget = target;
        viewDirection = target - eye;
        viewUp = up;
    }

    D3DXVECTOR3 viewEye{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 viewTarget{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 viewDirection{0.0f, 0.0f, 0.0f};
    D3DXVECTOR3 viewUp{0.0f, 1.0f, 0.0f};
};

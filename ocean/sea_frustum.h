// SeaFrustum: the camera's view volume as six planes in world space, taken
// from its view-projection matrix, and the test by which the sea leaves out
// the parts of itself that cannot reach the screen.
#pragma once

#include "d3dx/d3dx.h"

// An axis-aligned box in world units.
struct SeaBox {
    D3DXVECTOR3 min;
    D3DXVECTOR3 max;
};

class SeaFrustum {
public:
    // The planes of the volume that `viewProjection` (row vectors, Direct3D's
    // clip rules 0 <= z <= w) maps onto the screen.
    explicit SeaFrustum(const D3DXMATRIX& viewProjection);

    // False only when the whole box lies outside one of the planes by more
    // than kMargin: every triangle inside such a box is clipped away whole,
    // so leaving it out changes no pixel.
    bool MayShow(const SeaBox& box) const;

    // World units a box must clear a plane by to be left out: far more than
    // the rounding by which the shader's arithmetic can differ from ours.
    static constexpr float kMargin = 0.5f;
    static constexpr int kPlaneCount = 6;

private:
    struct Plane {
        float a, b, c, d;  // a x + b y + c z + d >= 0 inside, (a, b, c) of unit length
    };
    Plane planes_[kPlaneCount];
};

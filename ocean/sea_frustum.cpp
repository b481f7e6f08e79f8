// SeaFrustum: planes of the view volume and the box test.
#include "ocean/sea_frustum.h"

#include <cmath>

SeaFrustum::SeaFrustum(const D3DXMATRIX& m) {
    // A point p is on screen when its clip coordinates c = (p, 1) x M meet
    // -w <= x <= w, -w <= y <= w and 0 <= z <= w; each rule is a plane whose
    // coefficients are a sum or difference of the matrix's columns.
    const float column[4][4] = {{m._11, m._21, m._31, m._41},
                                {m._12, m._22, m._32, m._42},
                                {m._13, m._23, m._33, m._43},
                                {m._14, m._24, m._34, m._44}};
    const float* x = column[0];
    const float* y = column[1];
    const float* z = column[2];
    const float* w = column[3];
    const float rules[kPlaneCount][4] = {
        {w[0] + x[0], w[1] + x[1], w[2] + x[2], w[3] + x[3]},  // left
        {w[0] - x[0], w[1] - x[1], w[2] - x[2], w[3] - x[3]},  // right
        {w[0] + y[0], w[1] + y[1], w[2] + y[2], w[3] + y[3]},  // bottom
        {w[0] - y[0], w[1] - y[1], w[2] - y[2], w[3] - y[3]},  // top
        {z[0], z[1], z[2], z[3]},                              // near
        {w[0] - z[0], w[1] - z[1], w[2] - z[2], w[3] - z[3]},  // far
    };
    for (int k = 0; k < kPlaneCount; ++k) {
        const float* r = rules[k];
        const float length = std::sqrt(r[0] * r[0] + r[1] * r[1] + r[2] * r[2]);
        // A degenerate rule (a matrix that is no projection) excludes nothing.
        const float scale = length > 0.0f ? 1.0f / length : 0.0f;
        planes_[k] = {r[0] * scale, r[1] * scale, r[2] * scale, length > 0.0f ? r[3] * scale : 1.0f};
    }
}

bool SeaFrustum::MayShow(const SeaBox& box) const {
    for (const Plane& p : planes_) {
        // The corner farthest along the plane's normal: if even it is outside,
        // the whole box is.
        const float farthest = p.a * (p.a >= 0.0f ? box.max.x : box.min.x) +
                               p.b * (p.b >= 0.0f ? box.max.y : box.min.y) +
                               p.c * (p.c >= 0.0f ? box.max.z : box.min.z) + p.d;
        if (farthest < -kMargin)
            return false;
    }
    return true;
}

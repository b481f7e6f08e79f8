// The vector and matrix functions: their defining formulas, and agreement
// with Wine's independent d3dx9_43 to a few ULPs over many random inputs.
#include "d3dx/d3dx.h"
#include "tests/d3dx/reference_d3dx.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <string>

static_assert(sizeof(D3DXMATRIX) == 64, "D3DXMATRIX is sixteen floats");
static_assert(sizeof(D3DXVECTOR3) == 12, "D3DXVECTOR3 is three floats");
static_assert(sizeof(D3DXVECTOR4) == 16, "D3DXVECTOR4 is four floats");
static_assert(offsetof(D3DXMATRIX, _41) == 48, "translation row is the fourth");

namespace {

// Deterministic inputs: a small linear congruential generator.
class Inputs {
public:
    explicit Inputs(uint32_t seed) : state_(seed) {}
    float Next(float low, float high) {
        state_ = state_ * 1664525u + 1013904223u;
        return low + (high - low) * static_cast<float>(state_ >> 8) / 16777216.0f;
    }
    D3DXVECTOR3 Vector(float range) {
        return D3DXVECTOR3(Next(-range, range), Next(-range, range), Next(-range, range));
    }
    D3DXMATRIX Matrix() {
        D3DXMATRIX m;
        for (int i = 0; i < 16; ++i)
            (&m._11)[i] = Next(-4.0f, 4.0f);
        return m;
    }

private:
    uint32_t state_;
};

::testing::AssertionResult MatricesAgree(const D3DXMATRIX& ours, const D3DXMATRIX& theirs, uint32_t maxUlps = 4,
                                         float absolute = 1e-6f) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!FloatsAgree(ours.m[r][c], theirs.m[r][c], maxUlps, absolute))
                return ::testing::AssertionFailure()
                       << "element (" << r << ", " << c << "): ours " << ours.m[r][c] << ", reference "
                       << theirs.m[r][c] << " (" << UlpDistance(ours.m[r][c], theirs.m[r][c]) << " ULPs)";
    return ::testing::AssertionSuccess();
}

::testing::AssertionResult VectorsAgree(const D3DXVECTOR3& ours, const D3DXVECTOR3& theirs, uint32_t maxUlps = 4,
                                        float absolute = 1e-6f) {
    const float* a = ours;
    const float* b = theirs;
    for (int i = 0; i < 3; ++i)
        if (!FloatsAgree(a[i], b[i], maxUlps, absolute))
            return ::testing::AssertionFailure() << "component " << i << ": ours " << a[i] << ", reference " << b[i];
    return ::testing::AssertionSuccess();
}

using LookAtFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, const D3DXVECTOR3*, const D3DXVECTOR3*, const D3DXVECTOR3*);
using PerspectiveFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, FLOAT, FLOAT, FLOAT, FLOAT);
using MultiplyFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, const D3DXMATRIX*, const D3DXMATRIX*);
using NormalizeFn = D3DXVECTOR3*(WINAPI*)(D3DXVECTOR3*, const D3DXVECTOR3*);
using HermiteFn = D3DXVECTOR3*(WINAPI*)(D3DXVECTOR3*, const D3DXVECTOR3*, const D3DXVECTOR3*, const D3DXVECTOR3*,
                                        const D3DXVECTOR3*, FLOAT);
using TranslationFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, FLOAT, FLOAT, FLOAT);
using RotationAxisFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, const D3DXVECTOR3*, FLOAT);
using YawPitchRollFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, FLOAT, FLOAT, FLOAT);

}  // namespace

TEST(D3dxMath, FormulasOfTheNames) {
    // Perspective: rows (x,0,0,0), (0,y,0,0), (0,0,f/(f-n),1), (0,0,-n f/(f-n),0).
    D3DXMATRIX p;
    ASSERT_EQ(&p, D3DXMatrixPerspectiveFovLH(&p, 1.0471976f, 800.0f / 600.0f, 0.1f, 9600.0f));
    const float y = 1.0f / std::tan(1.0471976f / 2.0f);
    EXPECT_NEAR(p._22, y, 1e-6f);
    EXPECT_NEAR(p._11, y / (800.0f / 600.0f), 1e-6f);
    EXPECT_NEAR(p._33, 9600.0f / (9600.0f - 0.1f), 1e-6f);
    EXPECT_NEAR(p._43, -0.1f * 9600.0f / (9600.0f - 0.1f), 1e-6f);
    EXPECT_EQ(p._34, 1.0f);
    EXPECT_EQ(p._44, 0.0f);
    EXPECT_EQ(p._12, 0.0f);
    EXPECT_EQ(p._41, 0.0f);

    // Looking from the origin along +z with y up is the identity view; from
    // (0, 0, -0.7) it moves the world 0.7 forward.
    D3DXMATRIX view;
    const D3DXVECTOR3 origin(0, 0, 0), ahead(0, 0, 1), up(0, 1, 0), back(0, 0, -0.7f);
    D3DXMatrixLookAtLH(&view, &origin, &ahead, &up);
    EXPECT_TRUE(D3DXMatrixIsIdentity(&view));
    D3DXMatrixLookAtLH(&view, &back, &origin, &up);
    EXPECT_NEAR(view._43, 0.7f, 1e-7f);
    // A point ahead of the eye ends up on the +z axis of view space.
    D3DXVECTOR3 eye(3, 4, 5), at(-2, 1, 7);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    const float px = at.x * view._11 + at.y * view._21 + at.z * view._31 + view._41;
    const float py = at.x * view._12 + at.y * view._22 + at.z * view._32 + view._42;
    const float pz = at.x * view._13 + at.y * view._23 + at.z * view._33 + view._43;
    EXPECT_NEAR(px, 0.0f, 1e-5f);
    EXPECT_NEAR(py, 0.0f, 1e-5f);
    const D3DXVECTOR3 toTarget = at - eye;
    EXPECT_NEAR(pz, D3DXVec3Length(&toTarget), 1e-5f);

    // Normalising: unit length; the zero vector stays zero.
    D3DXVECTOR3 v(3, 4, 12), n;
    D3DXVec3Normalize(&n, &v);
    EXPECT_FLOAT_EQ(n.x, 3.0f / 13.0f);
    EXPECT_FLOAT_EQ(n.z, 12.0f / 13.0f);
    const D3DXVECTOR3 zero(0, 0, 0);
    D3DXVec3Normalize(&n, &zero);
    EXPECT_EQ(n, zero);
    D3DXVec3Normalize(&v, &v);  // in place
    EXPECT_FLOAT_EQ(v.y, 4.0f / 13.0f);

    // Hermite: passes through V1 at 0 and V2 at 1 and follows the weights between.
    const D3DXVECTOR3 v1(1, 2, 3), t1(-1, 0, 2), v2(4, -2, 0), t2(0, 5, 1);
    D3DXVECTOR3 h;
    D3DXVec3Hermite(&h, &v1, &t1, &v2, &t2, 0.0f);
    EXPECT_EQ(h, v1);
    D3DXVec3Hermite(&h, &v1, &t1, &v2, &t2, 1.0f);
    EXPECT_EQ(h, v2);
    D3DXVec3Hermite(&h, &v1, &t1, &v2, &t2, 0.5f);
    // weights at s = 0.5: 0.5, 0.125, 0.5, -0.125
    EXPECT_FLOAT_EQ(h.y, 0.5f * 2 + 0.125f * 0 + 0.5f * -2 - 0.125f * 5);

    // Translation and multiplication: T(1,2,3) x T(4,5,6) = T(5,7,9); the
    // output may be either input.
    D3DXMATRIX a, b;
    D3DXMatrixTranslation(&a, 1, 2, 3);
    D3DXMatrixTranslation(&b, 4, 5, 6);
    D3DXMatrixMultiply(&a, &a, &b);
    EXPECT_EQ(a._41, 5.0f);
    EXPECT_EQ(a._42, 7.0f);
    EXPECT_EQ(a._43, 9.0f);
    D3DXMATRIX s;
    D3DXMatrixScaling(&s, 2, 2, 2);
    D3DXMatrixMultiply(&b, &s, &b);  // scale first, then translate
    EXPECT_EQ(b._11, 2.0f);
    EXPECT_EQ(b._41, 4.0f);
    EXPECT_EQ((s * b)._11, 4.0f);

    // A quarter turn about +y takes +x to -z (left-handed, clockwise looking down the axis).
    D3DXMATRIX r;
    const D3DXVECTOR3 yAxis(0, 2, 0);  // not unit: normalised first
    D3DXMatrixRotationAxis(&r, &yAxis, 1.5707964f);
    EXPECT_NEAR(r._11, 0.0f, 1e-6f);
    EXPECT_NEAR(r._13, -1.0f, 1e-6f);
    EXPECT_NEAR(r._31, 1.0f, 1e-6f);
    EXPECT_EQ(r._44, 1.0f);
}

TEST(D3dxMath, AgreesWithWineD3dx9) {
    ReferenceD3dx reference;
    ASSERT_TRUE(reference.Loaded()) << "d3dx9_43.dll is missing from the Wine prefix";
    const auto lookAt = reference.Get<LookAtFn>("D3DXMatrixLookAtLH");
    const auto perspective = reference.Get<PerspectiveFn>("D3DXMatrixPerspectiveFovLH");
    const auto multiply = reference.Get<MultiplyFn>("D3DXMatrixMultiply");
    const auto normalize = reference.Get<NormalizeFn>("D3DXVec3Normalize");
    const auto hermite = reference.Get<HermiteFn>("D3DXVec3Hermite");
    const auto translation = reference.Get<TranslationFn>("D3DXMatrixTranslation");
    const auto rotationAxis = reference.Get<RotationAxisFn>("D3DXMatrixRotationAxis");
    const auto yawPitchRoll = reference.Get<YawPitchRollFn>("D3DXMatrixRotationYawPitchRoll");
    ASSERT_TRUE(lookAt && perspective && multiply && normalize && hermite && translation && rotationAxis &&
                yawPitchRoll);

    Inputs in(20240521u);
    for (int i = 0; i < 500; ++i) {
        SCOPED_TRACE("case " + std::to_string(i));
        D3DXMATRIX ours, theirs;

        const D3DXVECTOR3 eye = in.Vector(60.0f), at = in.Vector(60.0f), up = in.Vector(1.0f);
        D3DXMatrixLookAtLH(&ours, &eye, &at, &up);
        lookAt(&theirs, &eye, &at, &up);
        // The translation row sums three products of up to 60: allow its rounding.
        EXPECT_TRUE(MatricesAgree(ours, theirs, 8, 2e-5f));

        const float fov = in.Next(0.2f, 2.5f), aspect = in.Next(0.5f, 2.0f);
        const float zn = in.Next(0.01f, 1.0f), zf = in.Next(10.0f, 10000.0f);
        D3DXMatrixPerspectiveFovLH(&ours, fov, aspect, zn, zf);
        perspective(&theirs, fov, aspect, zn, zf);
        EXPECT_TRUE(MatricesAgree(ours, theirs));

        const D3DXMATRIX m1 = in.Matrix(), m2 = in.Matrix();
        D3DXMatrixMultiply(&ours, &m1, &m2);
        multiply(&theirs, &m1, &m2);
        EXPECT_TRUE(MatricesAgree(ours, theirs, 4, 1e-5f));

        const D3DXVECTOR3 v = in.Vector(100.0f);
        D3DXVECTOR3 vo, vt;
        D3DXVec3Normalize(&vo, &v);
        normalize(&vt, &v);
        EXPECT_TRUE(VectorsAgree(vo, vt));

        const D3DXVECTOR3 v1 = in.Vector(50.0f), t1 = in.Vector(50.0f), v2 = in.Vector(50.0f), t2 = in.Vector(50.0f);
        const float s = in.Next(0.0f, 1.0f);
        D3DXVec3Hermite(&vo, &v1, &t1, &v2, &t2, s);
        hermite(&vt, &v1, &t1, &v2, &t2, s);
        EXPECT_TRUE(VectorsAgree(vo, vt, 8, 2e-5f));

        const float x = in.Next(-100, 100), y = in.Next(-100, 100), z = in.Next(-100, 100);
        D3DXMatrixTranslation(&ours, x, y, z);
        translation(&theirs, x, y, z);
        EXPECT_TRUE(MatricesAgree(ours, theirs, 0, 0.0f));

        const D3DXVECTOR3 axis = in.Vector(3.0f);
        const float angle = in.Next(-7.0f, 7.0f);
        D3DXMatrixRotationAxis(&ours, &axis, angle);
        rotationAxis(&theirs, &axis, angle);
        EXPECT_TRUE(MatricesAgree(ours, theirs));

        const float yaw = in.Next(-4, 4), pitch = in.Next(-4, 4), roll = in.Next(-4, 4);
        D3DXMatrixRotationYawPitchRoll(&ours, yaw, pitch, roll);
        yawPitchRoll(&theirs, yaw, pitch, roll);
        EXPECT_TRUE(MatricesAgree(ours, theirs, 8, 1e-6f));
    }
}

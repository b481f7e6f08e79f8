// The camera: the wrap by whole tiles, and matrices that agree with the
// public formulas and with Wine's independent d3dx9_43.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

#include "render/camera.h"
#include "tests/d3dx/reference_d3dx.h"

namespace {

constexpr float kPi = 3.14159265f;

Camera MakeCamera(D3DXVECTOR3 eye, D3DXVECTOR3 target) {
    Camera camera(nullptr);
    camera.eye = eye;
    camera.target = target;
    camera.up = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    camera.aspect = 1.25f;
    camera.nearPlane = 0.1f;
    camera.farPlane = 9600.0f;
    camera.fieldOfView = kPi / 3.0f;
    camera.dirty = true;
    return camera;
}

// The wrap as one tile at a time, the plain definition.
void StepWrap(float& eye, float& target) {
    while (eye > 50.0f) {
        eye -= 100.0f;
        target -= 100.0f;
    }
    while (eye < -50.0f) {
        eye += 100.0f;
        target += 100.0f;
    }
}

::testing::AssertionResult Agree(const D3DXMATRIX& ours, const D3DXMATRIX& theirs) {
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (!FloatsAgree(ours.m[r][c], theirs.m[r][c], 8, 1e-4f))
                return ::testing::AssertionFailure()
                       << "element (" << r << ", " << c << "): " << ours.m[r][c] << " vs " << theirs.m[r][c];
    return ::testing::AssertionSuccess();
}

TEST(Camera, WrapsTheEyeByWholeTilesIntoTheCentralOne) {
    struct Case {
        float eye, target, wrappedEye, wrappedTarget;
    } cases[] = {
        {50.0f, 51.0f, 50.0f, 51.0f},  // the bounds themselves stay
        {-50.0f, -51.0f, -50.0f, -51.0f},   {50.5f, 52.0f, -49.5f, -48.0f},
        {-250.0f, -249.0f, -50.0f, -49.0f},  // two tiles
        {-50.25f, -51.0f, 49.75f, 49.0f},   {0.0f, 1.0f, 0.0f, 1.0f},
    };
    for (const Case& c : cases) {
        Camera camera = MakeCamera(D3DXVECTOR3(c.eye, 5.0f, c.eye), D3DXVECTOR3(c.target, 7.0f, c.target));
        camera.Update(0.01f);
        EXPECT_EQ(camera.eye.x, c.wrappedEye) << "eye " << c.eye;
        EXPECT_EQ(camera.target.x, c.wrappedTarget) << "eye " << c.eye;
        EXPECT_EQ(camera.eye.z, c.wrappedEye) << "eye " << c.eye;
        EXPECT_EQ(camera.target.z, c.wrappedTarget) << "eye " << c.eye;
        EXPECT_EQ(camera.eye.y, 5.0f);
        EXPECT_EQ(camera.target.y, 7.0f);
        EXPECT_FALSE(camera.dirty);
    }

    // A shift changes only the translation of the view.
    Camera shifted = MakeCamera(D3DXVECTOR3(60.0f, 5.0f, -20.0f), D3DXVECTOR3(61.0f, 5.0f, -19.0f));
    shifted.Update(0.01f);
    EXPECT_EQ(shifted.eye, D3DXVECTOR3(-40.0f, 5.0f, -20.0f));
    EXPECT_EQ(shifted.target, D3DXVECTOR3(-39.0f, 5.0f, -19.0f));
    D3DXMATRIX unshifted;
    const D3DXVECTOR3 eye(60.0f, 5.0f, -20.0f), target(61.0f, 5.0f, -19.0f), up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&unshifted, &eye, &target, &up);
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(shifted.view.m[r][c], unshifted.m[r][c]) << r << ", " << c;
    EXPECT_NE(shifted.view._41, unshifted._41);

    // Subtracting whole tiles at once is the step-by-step wrap, to the bit,
    // over the whole range the flight can reach.
    uint32_t state = 1;
    for (int i = 0; i < 20000; ++i) {
        state = state * 1664525u + 1013904223u;
        const float x = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 40000.0f;
        state = state * 1664525u + 1013904223u;
        const float offset = (static_cast<float>(state >> 8) / 16777216.0f - 0.5f) * 2.0f;
        float stepEye = x, stepTarget = x + offset;
        StepWrap(stepEye, stepTarget);
        Camera camera = MakeCamera(D3DXVECTOR3(x, 0.0f, 0.0f), D3DXVECTOR3(x + offset, 0.0f, 1.0f));
        camera.Update(0.01f);
        ASSERT_EQ(camera.eye.x, stepEye) << "eye " << x;
        ASSERT_EQ(camera.target.x, stepTarget) << "eye " << x;
    }
}

TEST(Camera, FarAwayAndNonFiniteEyesEndTheWrapAtOnce) {
    // Stepping one tile at a time would never end for these.
    Camera distant = MakeCamera(D3DXVECTOR3(3e30f, 0.0f, -1e12f), D3DXVECTOR3(3e30f, 0.0f, -1e12f + 1.0f));
    distant.Update(0.01f);
    EXPECT_LE(std::fabs(distant.eye.x), 50.0f);
    EXPECT_LE(std::fabs(distant.eye.z), 50.0f);
    const float infinity = std::numeric_limits<float>::infinity();
    Camera broken = MakeCamera(D3DXVECTOR3(infinity, 0.0f, std::nanf("")), D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    broken.Update(0.01f);
    EXPECT_EQ(broken.eye.x, infinity);
    EXPECT_TRUE(std::isnan(broken.eye.z));
}

TEST(Camera, UpdateWithoutDirtyChangesNothing) {
    Camera camera = MakeCamera(D3DXVECTOR3(80.0f, 5.0f, 0.0f), D3DXVECTOR3(81.0f, 5.0f, 0.0f));
    camera.dirty = false;
    const Camera before = camera;
    camera.Update(0.01f);
    EXPECT_EQ(std::memcmp(&camera.eye, &before.eye, sizeof camera.eye), 0);
    EXPECT_EQ(std::memcmp(&camera.target, &before.target, sizeof camera.target), 0);
    EXPECT_EQ(std::memcmp(&camera.view, &before.view, sizeof camera.view), 0);
    EXPECT_EQ(std::memcmp(&camera.projection, &before.projection, sizeof camera.projection), 0);
    EXPECT_EQ(std::memcmp(&camera.viewProjection, &before.viewProjection, sizeof camera.viewProjection), 0);
}

TEST(Camera, MatricesFollowThePublicFormulas) {
    Camera camera = MakeCamera(D3DXVECTOR3(12.0f, 5.0f, -30.0f), D3DXVECTOR3(12.6f, 4.8f, -29.2f));
    camera.up = D3DXVECTOR3(0.1f, 0.99f, 0.0f);
    camera.Update(0.01f);

    // Left-handed perspective: y = cot(fov / 2), x = y / aspect.
    const float y = 1.0f / std::tan(camera.fieldOfView / 2.0f);
    EXPECT_FLOAT_EQ(camera.projection._11, y / 1.25f);
    EXPECT_FLOAT_EQ(camera.projection._22, y);
    EXPECT_FLOAT_EQ(camera.projection._33, 9600.0f / (9600.0f - 0.1f));
    EXPECT_EQ(camera.projection._34, 1.0f);
    EXPECT_FLOAT_EQ(camera.projection._43, -0.1f * 9600.0f / (9600.0f - 0.1f));
    EXPECT_EQ(camera.projection._44, 0.0f);
    EXPECT_EQ(camera.projection._12, 0.0f);

    // The view puts the eye at the origin looking down +z.
    const D3DXVECTOR4 eye(camera.eye.x, camera.eye.y, camera.eye.z, 1.0f);
    float viewed[4] = {};
    for (int c = 0; c < 4; ++c)
        viewed[c] = eye.x * camera.view.m[0][c] + eye.y * camera.view.m[1][c] + eye.z * camera.view.m[2][c] +
                    camera.view.m[3][c];
    EXPECT_NEAR(viewed[0], 0.0f, 1e-5f);
    EXPECT_NEAR(viewed[1], 0.0f, 1e-5f);
    EXPECT_NEAR(viewed[2], 0.0f, 1e-5f);

    ReferenceD3dx reference;
    ASSERT_TRUE(reference.Loaded()) << "Wine's d3dx9_43.dll is part of the test prefix";
    using LookAtFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, const D3DXVECTOR3*, const D3DXVECTOR3*, const D3DXVECTOR3*);
    using PerspectiveFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, FLOAT, FLOAT, FLOAT, FLOAT);
    using MultiplyFn = D3DXMATRIX*(WINAPI*)(D3DXMATRIX*, const D3DXMATRIX*, const D3DXMATRIX*);
    auto lookAt = reference.Get<LookAtFn>("D3DXMatrixLookAtLH");
    auto perspective = reference.Get<PerspectiveFn>("D3DXMatrixPerspectiveFovLH");
    auto multiply = reference.Get<MultiplyFn>("D3DXMatrixMultiply");
    ASSERT_TRUE(lookAt && perspective && multiply);
    D3DXMATRIX view, projection, product;
    lookAt(&view, &camera.eye, &camera.target, &camera.up);
    perspective(&projection, camera.fieldOfView, camera.aspect, camera.nearPlane, camera.farPlane);
    multiply(&product, &view, &projection);
    EXPECT_TRUE(Agree(camera.view, view));
    EXPECT_TRUE(Agree(camera.projection, projection));
    EXPECT_TRUE(Agree(camera.viewProjection, product));
}

}  // namespace

// The screen's world and projection transforms on the recording device, and
// the panorama's turns of the other displays' views.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/camera.h"
#include "render/render_context.h"
#include "scene/panorama.h"
#include "scene/screen_projection.h"
#include "tests/support/recording_device.h"

namespace {

class ScreenProjectionTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(device->Release(), 0u);
        EXPECT_EQ(recorder->LiveObjectCount(), 0u);
    }

    // The projection for a screen, on a context of the given device, camera
    // and wide-screen choice.
    std::optional<float> Apply(IDirect3DDevice9* onDevice, Camera* withCamera, bool wide, int width, int height) {
        context.device = onDevice;
        context.camera = withCamera;
        context.wideScreen = wide;
        return ApplyScreenProjection(context, width, height);
    }

    std::shared_ptr<CallRecorder> recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    Camera camera{nullptr};
    RenderContext context;
};

TEST_F(ScreenProjectionTest, SetsWorldThenProjectionAndTellsTheCamera) {
    camera.aspect = 1.33333f;
    camera.dirty = false;
    const std::optional<float> aspect = Apply(device, &camera, false, 1280, 1024);
    ASSERT_TRUE(aspect.has_value());
    EXPECT_EQ(*aspect, 1.25f);
    EXPECT_EQ(camera.aspect, 1.25f);
    EXPECT_TRUE(camera.dirty);
    const auto transforms = recorder->CallsTo("SetTransform");
    ASSERT_EQ(transforms.size(), 2u) << recorder->Dump();
    EXPECT_EQ(transforms[0].args[0], static_cast<uint64_t>(D3DTS_WORLD));
    EXPECT_EQ(transforms[1].args[0], static_cast<uint64_t>(D3DTS_PROJECTION));
    const D3DMATRIX world = device->Transform(D3DTS_WORLD);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_EQ(world.m[r][c], r == c ? 1.0f : 0.0f);
    D3DXMATRIX expected;
    D3DXMatrixPerspectiveFovLH(&expected, 1.0471976f, 1.25f, 0.1f, 9600.0f);
    const D3DMATRIX given = device->Transform(D3DTS_PROJECTION);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) {
            EXPECT_EQ(given.m[r][c], expected.m[r][c]);
            EXPECT_EQ(context.projectionMatrix.m[r][c], expected.m[r][c]);
        }
    // The camera, given the same field of view, projects as the device does.
    camera.eye = D3DXVECTOR3(0.0f, 5.0f, 0.0f);
    camera.target = D3DXVECTOR3(0.0f, 5.0f, 1.0f);
    camera.fieldOfView = 1.0471976f;
    camera.nearPlane = 0.1f;
    camera.farPlane = 9600.0f;
    camera.Update(0.01f);
    EXPECT_EQ(std::memcmp(&camera.projection, &given, sizeof given), 0);
}

TEST_F(ScreenProjectionTest, AspectRatioOfTheScreenOrTheWideScreen) {
    EXPECT_EQ(Apply(device, &camera, true, 1280, 1024), 1.6f);
    EXPECT_EQ(Apply(device, &camera, true, 800, 600), 1.6f);
    EXPECT_EQ(Apply(device, &camera, false, 800, 600), 800.0f / 600.0f);
    // A height of 0 counts as 1; only the low 16 bits of each size count.
    EXPECT_EQ(Apply(device, &camera, false, 1280, 0), 1280.0f);
    EXPECT_EQ(Apply(device, &camera, false, 0x10000 + 800, 0x20000 + 600), 800.0f / 600.0f);
    // A width of 0 would give an infinite projection; it counts as 1 too.
    const std::optional<float> narrow = Apply(device, &camera, false, 0, 600);
    EXPECT_EQ(narrow, 1.0f / 600.0f);
    for (float element : context.projectionMatrix.m[0])
        EXPECT_TRUE(std::isfinite(element));
    // Without a camera the device still gets its transforms.
    EXPECT_EQ(Apply(device, nullptr, false, 640, 480), 640.0f / 480.0f);
}

TEST_F(ScreenProjectionTest, WithoutADeviceNothingHappens) {
    camera.aspect = 1.33333f;
    camera.dirty = false;
    EXPECT_FALSE(Apply(nullptr, &camera, false, 1280, 1024).has_value());
    EXPECT_EQ(camera.aspect, 1.33333f);
    EXPECT_FALSE(camera.dirty);
    // A device refusing the transforms changes nothing of the result.
    recorder->FailCallsFrom("SetTransform", 1);
    EXPECT_EQ(Apply(device, &camera, false, 1280, 1024), 1.25f);
    EXPECT_EQ(camera.aspect, 1.25f);
}

// Beyond the direct neighbours (ANeighbourPicksUpWhereThePrimaryEnds): a
// display counts whole steps to the nearest, whatever its size, and the
// horizontal step follows the primary's aspect ratio.
TEST(Panorama, EachDisplayTurnsByWholeFieldsOfViewTowardsItsPlace) {
    const auto across = [](float aspect) { return 2.0f * std::atan(std::tan(kFieldOfView / 2.0f) * aspect); };
    const float h = across(800.0f / 600.0f), v = kFieldOfView;
    const struct {
        RECT display;
        float aspect, yaw, pitch;
    } cases[] = {
        {{800, -600, 1600, 0}, 800.0f / 600.0f, h, v},      // above and to the right
        {{1600, 0, 2400, 600}, 800.0f / 600.0f, 2 * h, 0},  // two to the right
        {{800, 0, 1824, 768}, 800.0f / 600.0f, h, 0},       // a larger one, right and lower
        {{0, -480, 640, 0}, 800.0f / 600.0f, 0, v},         // a smaller one above, to the left
        {{800, 0, 1600, 600}, 1.6f, across(1.6f), 0},       // right of a wide-screen primary
    };
    for (const auto& c : cases) {
        const ViewTurn turn = PanoramaTurn({0, 0, 800, 600}, c.display, c.aspect);
        EXPECT_NEAR(turn.yaw, c.yaw, 1e-5f) << c.display.left << "," << c.display.top;
        EXPECT_NEAR(turn.pitch, c.pitch, 1e-5f) << c.display.left << "," << c.display.top;
    }
}

// Where a point of the world lands on a screen: x and y from -1 to 1.
D3DXVECTOR3 OnScreen(const D3DXVECTOR3& eye, const D3DXVECTOR3& target, const D3DXVECTOR3& up, float aspect,
                     const D3DXVECTOR3& point) {
    D3DXMATRIX view, projection, both;
    D3DXMatrixLookAtLH(&view, &eye, &target, &up);
    D3DXMatrixPerspectiveFovLH(&projection, kFieldOfView, aspect, kNearPlane, kFarPlane);
    D3DXMatrixMultiply(&both, &view, &projection);
    float out[4];
    for (int c = 0; c < 4; ++c)
        out[c] = point.x * both.m[0][c] + point.y * both.m[1][c] + point.z * both.m[2][c] + both.m[3][c];
    return D3DXVECTOR3(out[0] / out[3], out[1] / out[3], out[2] / out[3]);
}

// Displays side by side show one picture: what lies on the primary's edge
// lies on the neighbour's facing edge at the same height (or, above, the
// same distance across), however the flight banks.
TEST(Panorama, ANeighbourPicksUpWhereThePrimaryEnds) {
    const D3DXVECTOR3 eye(10, 5, -20), target(14, 4.2f, -11);
    const D3DXVECTOR3 banked(0.3f, 1, 0.1f);
    const float aspect = 800.0f / 600.0f, halfHeight = std::tan(kFieldOfView / 2.0f);
    D3DXMATRIX view;
    D3DXMatrixLookAtLH(&view, &eye, &target, &banked);
    const D3DXVECTOR3 right(view.m[0][0], view.m[1][0], view.m[2][0]), up(view.m[0][1], view.m[1][1], view.m[2][1]),
        ahead(view.m[0][2], view.m[1][2], view.m[2][2]);
    // A point 50 units out through the primary's screen at (x, y).
    auto through = [&](float x, float y) {
        return eye + (right * (x * halfHeight * aspect) + up * (y * halfHeight) + ahead) * 50.0f;
    };
    const struct {
        const char* place;
        RECT display;
        D3DXVECTOR3 primaryEdge, neighbourEdge;
    } cases[] = {
        {"right", {800, 0, 1600, 600}, {1, 0.3f, 0}, {-1, 0.3f, 0}},
        {"left", {-800, 0, 0, 600}, {-1, -0.6f, 0}, {1, -0.6f, 0}},
        {"above", {0, -600, 800, 0}, {0.4f, 1, 0}, {0.4f, -1, 0}},
        {"below", {0, 600, 800, 1200}, {-0.7f, -1, 0}, {-0.7f, 1, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.place);
        D3DXVECTOR3 turnedTarget = target, turnedUp = banked;
        TurnView(eye, turnedTarget, turnedUp, PanoramaTurn({0, 0, 800, 600}, c.display, aspect));
        const D3DXVECTOR3 shown =
            OnScreen(eye, turnedTarget, turnedUp, aspect, through(c.primaryEdge.x, c.primaryEdge.y));
        EXPECT_NEAR(shown.x, c.neighbourEdge.x, 1e-3f);
        EXPECT_NEAR(shown.y, c.neighbourEdge.y, 1e-3f);
        const D3DXVECTOR3 before = target - eye, after = turnedTarget - eye;
        EXPECT_NEAR(D3DXVec3Length(&after), D3DXVec3Length(&before), 1e-3f);
    }
}

}  // namespace

// The screen's world and projection transforms on the recording device.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>

#include "render/camera.h"
#include "render/render_context.h"
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

}  // namespace

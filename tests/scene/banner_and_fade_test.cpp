// The banner's thirty seconds and the opening fade.
#include "scene/banner_and_fade.h"

#include <vector>

#include "tests/scene/scene_fixture.h"

namespace {

TEST(BannerAlpha, OpaqueThirtySecondsThenGoneWithinOne) {
    EXPECT_EQ(BannerAlpha(0), 255u);
    EXPECT_EQ(BannerAlpha(29999), 255u);
    EXPECT_EQ(BannerAlpha(30000), 255u);
    EXPECT_EQ(BannerAlpha(30003), 255u);
    EXPECT_EQ(BannerAlpha(30004), 254u);  // one step per 4 ms
    EXPECT_EQ(BannerAlpha(30400), 155u);
    EXPECT_EQ(BannerAlpha(31019), 1u);
    EXPECT_EQ(BannerAlpha(31020), 0u);
    EXPECT_EQ(BannerAlpha(31999), 0u);
    EXPECT_EQ(BannerAlpha(32000), 0u);
    EXPECT_EQ(BannerAlpha(0xFFFFFFFFu), 0u);
    // Across a wrap of the timer the unsigned difference is what counts.
    const uint32_t start = 0xFFFFF000u;
    EXPECT_EQ(BannerAlpha(0x00000500u - start), 255u);  // 5.4 s after the start
}

using BannerAndFade = SceneFixture;

TEST_F(BannerAndFade, BannerQuadInTheLowerRightFadingOnTheClock) {
    ASSERT_TRUE(Build());
    ASSERT_EQ(context.device->BeginScene(), D3D_OK);
    // Well past the fade (the alpha of each moment is BannerAlpha's, tested
    // above): still drawn, unseen.
    ASSERT_TRUE(scene.DrawBanner(context, 40000));
    const SceneVertex* v = OverlayVertices();
    for (int i = 0; i < 6; ++i) {
        EXPECT_EQ(v[i].diffuse, 0x00FFFFFFu);
        EXPECT_EQ(v[i].z, 0.0f);
    }
    EXPECT_FLOAT_EQ(v[0].x, 0.65f * 0.9035f);
    EXPECT_FLOAT_EQ(v[0].y, 0.65f * -0.3000375f);
    EXPECT_EQ(v[0].u, 0.99f);  // stops short of the edge
    EXPECT_EQ(v[5].v, 0.0f);
    D3DMATRIX world = Device()->Transform(D3DTS_WORLD);
    EXPECT_FLOAT_EQ(world._41, 0.53f);
    EXPECT_FLOAT_EQ(world._42, -0.63f);
    EXPECT_FLOAT_EQ(world._43, 0.9f);

    context.wideScreen = true;
    ASSERT_TRUE(scene.DrawBanner(context, 0));
    EXPECT_EQ(OverlayVertices()[0].diffuse >> 24, 255u);
    world = Device()->Transform(D3DTS_WORLD);
    EXPECT_FLOAT_EQ(world._41, 0.93f);
    // The stack is back to where it was.
    EXPECT_EQ(*context.matrixStack->GetTop(), D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    context.device->EndScene();
}

TEST_F(BannerAndFade, FadeOverTheFirstFourteenFramesOnly) {
    ASSERT_TRUE(Build());
    ASSERT_EQ(context.device->BeginScene(), D3D_OK);
    std::vector<uint32_t> alphas;
    for (int frame = 0; frame < 20; ++frame) {
        const size_t drawsBefore = recorder->CountOf("DrawPrimitive");
        ASSERT_TRUE(scene.DrawOpeningFade(context));
        if (recorder->CountOf("DrawPrimitive") == drawsBefore)
            continue;
        const SceneVertex* v = OverlayVertices();
        alphas.push_back(v[0].diffuse >> 24);
        EXPECT_EQ(v[0].diffuse & 0x00FFFFFFu, 0u) << "the fade is black";
        EXPECT_EQ(v[5].x, 1.3f);
        EXPECT_EQ(v[5].y, 1.0f);
        EXPECT_EQ(v[5].z, 0.5f);
    }
    EXPECT_EQ(alphas, (std::vector<uint32_t>{255, 235, 216, 197, 178, 159, 140, 121, 102, 82, 63, 44, 25, 6}));
    EXPECT_LT(scene.fadeLevel, 0.0f);
    context.device->EndScene();
}

TEST_F(BannerAndFade, FailedLocksAreReported) {
    ASSERT_TRUE(Build());
    ASSERT_EQ(context.device->BeginScene(), D3D_OK);
    recorder->FailCallsFrom("Lock", recorder->CallCount("Lock") + 1);
    EXPECT_FALSE(scene.DrawBanner(context, 0));
    EXPECT_FALSE(scene.DrawOpeningFade(context));
    EXPECT_EQ(scene.fadeLevel, 1.0f) << "a fade that was not drawn is not used up";
    context.device->EndScene();
}

}  // namespace

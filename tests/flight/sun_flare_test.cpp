// The sun flare on the recording device: strength by angle, what is drawn.
#include "flight/sun_flare.h"

#include <cmath>

#include "render/view_vectors.h"
#include "tests/support/fake_vertex_buffer.h"
#include "tests/support/render_fixture.h"

namespace {

constexpr float kDegree = 3.14159265f / 180.0f;

TEST(SunFlareBrightness, FollowsTheAngleToTheSun) {
    EXPECT_EQ(SunFlare::Brightness(0.0f), 110.0f);
    // Spin is three times the angle between the view and the sun.
    EXPECT_GT(SunFlare::Brightness(3 * 38 * kDegree), 1.0f);
    EXPECT_EQ(SunFlare::Brightness(3 * 40 * kDegree), 0.1f) << "a trace from about 39 degrees";
    EXPECT_EQ(SunFlare::Brightness(3 * 74 * kDegree), 0.1f);
    EXPECT_EQ(SunFlare::Brightness(3 * 76 * kDegree), 0.0f) << "nothing from about 75 degrees";
    EXPECT_EQ(SunFlare::Brightness(3 * 180 * kDegree), 0.0f);
    for (float spin = 0; spin < 10; spin += 0.01f)
        ASSERT_LE(SunFlare::Brightness(spin), 110.0f);
}

TEST(SunFlareKind, PresetsAndUnknownKinds) {
    SunFlare flare;
    flare.SetKind(4);
    EXPECT_EQ(flare.sunDirection, D3DXVECTOR3(0.0f, 0.03f, 1.3f));
    flare.SetKind(1);
    EXPECT_EQ(flare.sunDirection, D3DXVECTOR3(-1.0f, 0.64f, 0.03f));
    flare.SetKind(9);
    EXPECT_EQ(flare.sunKind, 9);
    EXPECT_EQ(flare.sunDirection, D3DXVECTOR3(-1.0f, 0.64f, 0.03f)) << "kept";
}

// The flare of the scene (kind 4) on a render context with its overlay
// buffers.
class SunFlareDraw : public RenderFixture {
protected:
    void SetUp() override {
        RenderFixture::SetUp();
        ASSERT_TRUE(context.overlays.Create(context.device));
        ASSERT_TRUE(flare.LoadResources(context, resources));
        flare.SetKind(4);
        ASSERT_EQ(context.device->BeginScene(), D3D_OK);
    }
    void TearDown() override {
        context.device->EndScene();
        flare.ReleaseResources();
        RenderFixture::TearDown();
    }
    // Looks from the origin in `direction` with y up.
    void Look(const D3DXVECTOR3& direction) {
        view.Store(D3DXVECTOR3(5, 2, 5), D3DXVECTOR3(5, 2, 5) + direction, D3DXVECTOR3(0, 1, 0));
    }
    uint32_t FlareAlpha() const {
        auto* sprites = static_cast<FakeVertexBuffer*>(flare.spriteBuffer);
        return reinterpret_cast<const SceneVertex*>(sprites->Data().data())[0].diffuse >> 24;
    }
    SunFlare flare;
    ViewVectors view;
};

TEST_F(SunFlareDraw, StraightAtTheSunAndAway) {
    Look(D3DXVECTOR3(0.0f, 0.03f, 1.3f));
    recorder->ClearCalls();
    flare.Draw(context, view);
    // Two star bursts, eighteen sprites and the veil.
    EXPECT_EQ(recorder->CountOf("DrawPrimitive"), 21u);
    // 99 at exactly no angle; the unit vectors' rounding leaves a hair of one.
    EXPECT_GE(FlareAlpha(), 98u);
    EXPECT_LE(FlareAlpha(), 99u);
    EXPECT_EQ(OverlayVertices()[0].diffuse, 0u) << "kind 4's veil is fully transparent";
    EXPECT_EQ(Device()->RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(Device()->RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(Device()->Texture(0), nullptr);

    flare.SetKind(2);
    flare.sunDirection = D3DXVECTOR3(0.0f, 0.03f, 1.3f);
    flare.Draw(context, view);
    EXPECT_GE(FlareAlpha(), 43u);
    EXPECT_LE(FlareAlpha(), 44u);
    flare.SetKind(4);

    Look(D3DXVECTOR3(1.0f, 0.0f, 0.0f));  // about 89 degrees off
    recorder->ClearCalls();
    flare.Draw(context, view);
    EXPECT_EQ(recorder->CountOf("DrawPrimitive"), 21u) << "still drawn, invisibly";
    EXPECT_EQ(FlareAlpha(), 0u);
}

TEST_F(SunFlareDraw, AFailedOverlayLockEndsTheDrawAndASpriteLockSkipsOneSprite) {
    Look(D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    // The first Lock is the first star's: nothing is drawn.
    recorder->ClearCalls();
    recorder->FailCall("Lock", recorder->CallCount("Lock") + 1);
    flare.Draw(context, view);
    EXPECT_EQ(recorder->CountOf("DrawPrimitive"), 0u);
    // The third Lock is the first sprite's: only that sprite is missing.
    recorder->ClearCalls();
    recorder->FailCall("Lock", recorder->CallCount("Lock") + 3);
    flare.Draw(context, view);
    EXPECT_EQ(recorder->CountOf("DrawPrimitive"), 20u);
}

}  // namespace

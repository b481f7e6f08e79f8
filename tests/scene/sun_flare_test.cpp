// The sun flare on the recording device: strength by angle, what is drawn.
#include "flight/sun_flare.h"

#include <cmath>

#include "tests/scene/scene_fixture.h"
#include "tests/support/fake_vertex_buffer.h"

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

class SunFlareDraw : public SceneFixture {
protected:
    // Looks from the origin in `direction` with y up.
    void Look(const D3DXVECTOR3& direction) {
        app->viewVectors.Store(D3DXVECTOR3(5, 2, 5), D3DXVECTOR3(5, 2, 5) + direction, D3DXVECTOR3(0, 1, 0));
    }
    uint32_t FlareAlpha() const {
        auto* sprites = static_cast<FakeVertexBuffer*>(app->sunFlare->spriteBuffer);
        return reinterpret_cast<const SceneVertex*>(sprites->Data().data())[0].diffuse >> 24;
    }
};

TEST_F(SunFlareDraw, StraightAtTheSunAndAway) {
    ASSERT_TRUE(app->BuildScene());
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    Look(D3DXVECTOR3(0.0f, 0.03f, 1.3f));
    recorder->ClearCalls();
    app->sunFlare->Draw(app->viewVectors);
    // Two star bursts, eighteen sprites and the veil.
    EXPECT_EQ(recorder->CountOf("DrawPrimitive"), 21u);
    // 99 at exactly no angle; the unit vectors' rounding leaves a hair of one.
    EXPECT_GE(FlareAlpha(), 98u);
    EXPECT_LE(FlareAlpha(), 99u);
    EXPECT_EQ(OverlayVertices()[0].diffuse, 0u) << "kind 4's veil is fully transparent";
    EXPECT_EQ(Device()->RenderState(D3DRS_SRCBLEND), static_cast<DWORD>(D3DBLEND_SRCALPHA));
    EXPECT_EQ(Device()->RenderState(D3DRS_DESTBLEND), static_cast<DWORD>(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(Device()->Texture(0), nullptr);

    app->sunFlare->SetKind(2);
    app->sunFlare->sunDirection = D3DXVECTOR3(0.0f, 0.03f, 1.3f);
    app->sunFlare->Draw(app->viewVectors);
    EXPECT_GE(FlareAlpha(), 43u);
    EXPECT_LE(FlareAlpha(), 44u);
    app->sunFlare->SetKind(4);

    Look(D3DXVECTOR3(1.0f, 0.0f, 0.0f));  // about 89 degrees off
    recorder->ClearCalls();
    app->sunFlare->Draw(app->viewVectors);
    EXPECT_EQ(recorder->CountOf("DrawPrimitive"), 21u) << "still drawn, invisibly";
    EXPECT_EQ(FlareAlpha(), 0u);
    device->EndScene();
}

TEST_F(SunFlareDraw, AFailedOverlayLockEndsTheDrawAndASpriteLockSkipsOneSprite) {
    ASSERT_TRUE(app->BuildScene());
    ASSERT_EQ(device->BeginScene(), D3D_OK);
    Look(D3DXVECTOR3(0.0f, 0.0f, 1.0f));
    // The first Lock is the first star's: nothing is drawn.
    recorder->ClearCalls();
    recorder->FailCall("Lock", recorder->CallCount("Lock") + 1);
    app->sunFlare->Draw(app->viewVectors);
    EXPECT_EQ(recorder->CountOf("DrawPrimitive"), 0u);
    // The third Lock is the first sprite's: only that sprite is missing.
    recorder->ClearCalls();
    recorder->FailCall("Lock", recorder->CallCount("Lock") + 3);
    app->sunFlare->Draw(app->viewVectors);
    EXPECT_EQ(recorder->CountOf("DrawPrimitive"), 20u);
    device->EndScene();
}

}  // namespace

// Scene assembly and release on the recording device.
#include <gtest/gtest.h>

#include "flight/sun_flare.h"
#include "scene/camera.h"
#include "scene/sky_box.h"
#include "tests/scene/scene_fixture.h"

namespace {

using SceneAssembly = SceneFixture;

TEST_F(SceneAssembly, BuildsEverythingAndSetsTheFixedStatesThroughTheCaches) {
    ASSERT_TRUE(app->BuildScene());
    ASSERT_NE(app->skyBox, nullptr);
    for (IDirect3DTexture9* face : app->skyBox->faces)
        EXPECT_NE(face, nullptr);
    ASSERT_NE(app->sunFlare, nullptr);
    EXPECT_EQ(app->sunFlare->sunKind, 4);
    EXPECT_NE(app->sunFlare->spriteBuffer, nullptr);
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->aspect, 1.33333f);
    EXPECT_EQ(camera->fieldOfView, 0.7853982f);
    EXPECT_TRUE(camera->dirty);
    EXPECT_NE(app->bannerTexture, nullptr);
    for (IDirect3DTexture9* noise : app->noiseTextures)
        EXPECT_NE(noise, nullptr);
    EXPECT_NE(overlayVertexBuffer, nullptr);
    EXPECT_NE(spareVertexBuffer, nullptr);
    const uint32_t sinceBuild = GetTickCount() - app->lastFrameTick;
    EXPECT_LT(sinceBuild, 1000u);

    // Twelve render states, six sampler states, four stage states; all else unknown.
    const StateCache& cache = app->stateCache;
    int renderKnown = 0, samplerKnown = 0, stageKnown = 0;
    for (uint32_t v : cache.renderStateCache)
        renderKnown += v != StateCache::kUnknown;
    for (uint32_t v : cache.samplerStateCache)
        samplerKnown += v != StateCache::kUnknown;
    for (uint32_t v : cache.textureStageStateCache)
        stageKnown += v != StateCache::kUnknown;
    EXPECT_EQ(renderKnown, 12);
    EXPECT_EQ(samplerKnown, 6);
    EXPECT_EQ(stageKnown, 4);
    EXPECT_EQ(cache.renderStateCache[D3DRS_CULLMODE], static_cast<uint32_t>(D3DCULL_CW));
    EXPECT_EQ(cache.renderStateCache[D3DRS_DESTBLEND], static_cast<uint32_t>(D3DBLEND_INVSRCALPHA));
    EXPECT_EQ(cache.samplerStateCache[1 * 255 + D3DSAMP_MIPFILTER], static_cast<uint32_t>(D3DTEXF_LINEAR));
    EXPECT_EQ(cache.textureStageStateCache[1 * 255 + D3DTSS_COLORARG1], static_cast<uint32_t>(D3DTA_TEXTURE));

    // The buffers as the overlay passes need them.
    D3DVERTEXBUFFER_DESC description = {};
    overlayVertexBuffer->GetDesc(&description);
    EXPECT_EQ(description.Size, 192u);
    EXPECT_EQ(description.FVF, 0x242u);
    EXPECT_EQ(description.Pool, D3DPOOL_SYSTEMMEM);
    EXPECT_EQ(description.Usage, static_cast<DWORD>(D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY));
    spareVertexBuffer->GetDesc(&description);
    EXPECT_EQ(description.Size, 128u);
}

TEST_F(SceneAssembly, NothingWhileNotDrawing) {
    app->renderingActive = false;
    const size_t createdBefore = recorder->CreatedObjectCount();
    EXPECT_TRUE(app->BuildScene());
    EXPECT_EQ(app->skyBox, nullptr);
    EXPECT_EQ(camera, nullptr);
    EXPECT_EQ(recorder->CreatedObjectCount(), createdBefore);
}

TEST_F(SceneAssembly, AMissingSkyFaceIsDrawnBare) {
    recorder->FailCall("CreateTexture", 1);  // the first face
    ASSERT_TRUE(app->BuildScene());
    EXPECT_EQ(app->skyBox->faces[0], nullptr);
    EXPECT_NE(app->skyBox->faces[1], nullptr);
}

TEST_F(SceneAssembly, ReleaseLeavesNothingBehind) {
    ASSERT_TRUE(app->BuildScene());
    EXPECT_GT(recorder->LiveObjectCount(), liveBefore);
    app->ReleaseScene();
    EXPECT_EQ(recorder->LiveObjectCount(), liveBefore) << recorder->Dump();
    EXPECT_FALSE(app->renderingActive);
    EXPECT_EQ(app->skyBox, nullptr);
    EXPECT_EQ(camera, nullptr);
    EXPECT_EQ(overlayVertexBuffer, nullptr);
}

class SceneWithoutLastNoise : public SceneFixture {
protected:
    void SetUp() override { Prepare("scene_resources_no345.dll"); }
};

TEST_F(SceneWithoutLastNoise, FailsAfterTwelveTextures) {
    EXPECT_FALSE(app->BuildScene());
    EXPECT_NE(app->bannerTexture, nullptr);
    for (int i = 0; i < 11; ++i)
        EXPECT_NE(app->noiseTextures[i], nullptr) << i;
    EXPECT_EQ(app->noiseTextures[11], nullptr);
}

}  // namespace

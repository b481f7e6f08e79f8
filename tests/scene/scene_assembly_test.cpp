// Scene assembly and release on the recording device.
#include <gtest/gtest.h>

#include "flight/sun_flare.h"
#include "render/camera.h"
#include "scene/sky_box.h"
#include "tests/scene/scene_fixture.h"

namespace {

using SceneAssembly = SceneFixture;

TEST_F(SceneAssembly, BuildsEverythingAndSetsTheFixedStatesThroughTheCaches) {
    ASSERT_TRUE(Build());
    ASSERT_NE(scene.skyBox, nullptr);
    for (IDirect3DTexture9* face : scene.skyBox->faces)
        EXPECT_NE(face, nullptr);
    ASSERT_NE(scene.sunFlare, nullptr);
    EXPECT_EQ(scene.sunFlare->sunKind, 4);
    EXPECT_NE(scene.sunFlare->spriteBuffer, nullptr);
    const Camera* camera = context.camera;
    ASSERT_NE(camera, nullptr);
    EXPECT_EQ(camera->aspect, 1.33333f);
    EXPECT_EQ(camera->fieldOfView, 0.7853982f);
    EXPECT_TRUE(camera->dirty);
    EXPECT_NE(scene.bannerTexture, nullptr);
    for (IDirect3DTexture9* noise : scene.noiseTextures)
        EXPECT_NE(noise, nullptr);
    IDirect3DVertexBuffer9* overlayVertexBuffer = context.overlays.overlayVertexBuffer;
    IDirect3DVertexBuffer9* spareVertexBuffer = context.overlays.spareVertexBuffer;
    ASSERT_NE(overlayVertexBuffer, nullptr);
    ASSERT_NE(spareVertexBuffer, nullptr);

    // Twelve render states, six sampler states, four stage states; all else unknown.
    const StateCache& cache = scene.stateCache;
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

TEST_F(SceneAssembly, AMissingSkyFaceIsDrawnBare) {
    recorder->FailCall("CreateTexture", 1);  // the first face
    ASSERT_TRUE(Build());
    EXPECT_EQ(scene.skyBox->faces[0], nullptr);
    EXPECT_NE(scene.skyBox->faces[1], nullptr);
}

TEST_F(SceneAssembly, ReleaseLeavesNothingBehind) {
    ASSERT_TRUE(Build());
    EXPECT_GT(recorder->LiveObjectCount(), liveBefore);
    scene.Release(context);
    EXPECT_EQ(recorder->LiveObjectCount(), liveBefore) << recorder->Dump();
    EXPECT_EQ(scene.skyBox, nullptr);
    EXPECT_EQ(context.camera, nullptr);
    EXPECT_EQ(context.overlays.overlayVertexBuffer, nullptr);
}

class SceneWithoutLastNoise : public SceneFixture {
protected:
    void SetUp() override { Prepare("scene_resources_no345.dll"); }
};

TEST_F(SceneWithoutLastNoise, FailsAfterTwelveTextures) {
    EXPECT_FALSE(Build());
    EXPECT_NE(scene.bannerTexture, nullptr);
    for (int i = 0; i < 11; ++i)
        EXPECT_NE(scene.noiseTextures[i], nullptr) << i;
    EXPECT_EQ(scene.noiseTextures[11], nullptr);
}

}  // namespace

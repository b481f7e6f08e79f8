// The cached state setters on the recording device: which requests reach
// the device, which are skipped, and what a refused call leaves behind.
#include <gtest/gtest.h>

#include <cstring>

#include "scene/state_cache.h"
#include "tests/support/recording_device.h"

namespace {

class StateCacheTest : public ::testing::Test {
protected:
    void TearDown() override {
        EXPECT_EQ(device->Release(), 0u);
        EXPECT_EQ(recorder->LiveObjectCount(), 0u);
    }

    bool AllUnknown() const {
        for (uint32_t entry : cache.renderStateCache)
            if (entry != StateCache::kUnknown)
                return false;
        for (uint32_t entry : cache.textureStageStateCache)
            if (entry != StateCache::kUnknown)
                return false;
        for (uint32_t entry : cache.samplerStateCache)
            if (entry != StateCache::kUnknown)
                return false;
        return true;
    }

    std::shared_ptr<CallRecorder> recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    StateCache cache;
};

TEST_F(StateCacheTest, FirstRequestReachesTheDeviceAndRepeatsAreSkipped) {
    EXPECT_TRUE(AllUnknown());
    cache.SetRenderStateCached(device, D3DRS_ZENABLE, FALSE);
    cache.SetRenderStateCached(device, D3DRS_ZENABLE, FALSE);
    EXPECT_EQ(recorder->CountOf("SetRenderState"), 1u);
    cache.SetRenderStateCached(device, D3DRS_ZENABLE, TRUE);
    EXPECT_EQ(recorder->CountOf("SetRenderState"), 2u);
    EXPECT_EQ(device->RenderState(D3DRS_ZENABLE), static_cast<DWORD>(TRUE));
    // The all-ones value itself looks known while the entry is still unknown.
    cache.SetRenderStateCached(device, D3DRS_AMBIENT, 0xFFFFFFFF);
    EXPECT_EQ(recorder->CountOf("SetRenderState"), 2u);
    cache.SetTextureStageStateCached(device, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    cache.SetTextureStageStateCached(device, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    cache.SetSamplerStateCached(device, 7, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    cache.SetSamplerStateCached(device, 7, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
    EXPECT_EQ(recorder->TextsOf({"SetTextureStageState", "SetSamplerState"}),
              (std::vector<std::string>{"SetTextureStageState(0, D3DTSS_COLOROP, 4)",
                                        "SetSamplerState(7, D3DSAMP_MINFILTER, 2)"}));
    EXPECT_EQ(cache.samplerStateCache[7 * 255 + D3DSAMP_MINFILTER], static_cast<uint32_t>(D3DTEXF_LINEAR));

    // Float states compare by their bits: -0.0 is another value than 0.0.
    const float biases[] = {-0.7f, -0.7f, 0.0f, -0.0f};
    for (float bias : biases) {
        uint32_t bits = 0;
        std::memcpy(&bits, &bias, sizeof bits);
        cache.SetSamplerStateCached(device, 0, D3DSAMP_MIPMAPLODBIAS, bits);
    }
    EXPECT_EQ(recorder->CountOf("SetSamplerState"), 4u);
}

TEST_F(StateCacheTest, TheThreeKindsOfStateHaveTheirOwnTables) {
    cache.SetRenderStateCached(device, 5, 2);
    cache.SetTextureStageStateCached(device, 1, 5, 2);
    cache.SetSamplerStateCached(device, 1, 5, 2);
    cache.SetTextureStageStateCached(device, 2, 5, 2);  // another stage, another entry
    EXPECT_EQ(recorder->Calls().size(), 4u) << recorder->Dump();
    EXPECT_EQ(cache.textureStageStateCache[1 * 255 + 5], 2u);
    EXPECT_EQ(cache.textureStageStateCache[2 * 255 + 5], 2u);
    EXPECT_EQ(cache.samplerStateCache[1 * 255 + 5], 2u);
    EXPECT_EQ(cache.renderStateCache[5], 2u);
}

TEST_F(StateCacheTest, OutOfRangeRequestsAndAMissingDeviceDoNothing) {
    cache.SetRenderStateCached(device, 255, 1);
    cache.SetRenderStateCached(device, 0xFFFFFFFF, 1);
    cache.SetTextureStageStateCached(device, 8, D3DTSS_COLOROP, D3DTOP_DISABLE);
    cache.SetTextureStageStateCached(device, 0, 255, 1);
    cache.SetSamplerStateCached(device, 8, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    cache.SetSamplerStateCached(device, 0, 255, 1);
    cache.SetRenderStateCached(nullptr, D3DRS_ZENABLE, TRUE);
    cache.SetTextureStageStateCached(nullptr, 0, D3DTSS_COLOROP, D3DTOP_DISABLE);
    cache.SetSamplerStateCached(nullptr, 0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    EXPECT_TRUE(recorder->Calls().empty()) << recorder->Dump();
    EXPECT_TRUE(AllUnknown());
    // The last entries of each table are in range.
    cache.SetTextureStageStateCached(device, 7, 254, 3);
    cache.SetSamplerStateCached(device, 7, 254, 3);
    cache.SetRenderStateCached(device, 254, 3);
    EXPECT_EQ(cache.textureStageStateCache[7 * 255 + 254], StateCache::kUnknown);  // the device refused type 254
    EXPECT_EQ(cache.renderStateCache[254], 3u);
    EXPECT_EQ(recorder->Calls().size(), 3u);
}

TEST_F(StateCacheTest, ARefusedCallIsRetriedAndADirectCallIsNotSeen) {
    recorder->FailCall("SetRenderState", 1);
    cache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    EXPECT_EQ(cache.renderStateCache[D3DRS_CULLMODE], StateCache::kUnknown);
    cache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    EXPECT_EQ(recorder->CountOf("SetRenderState"), 2u);
    EXPECT_EQ(cache.renderStateCache[D3DRS_CULLMODE], static_cast<uint32_t>(D3DCULL_CW));

    // A state changed behind the cache's back is not noticed...
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    cache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    EXPECT_EQ(device->RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_NONE));
    EXPECT_EQ(recorder->CountOf("SetRenderState"), 3u);
    // ...unless the entry is marked so that the next request goes through.
    cache.renderStateCache[D3DRS_CULLMODE] = StateCache::kForceResend;
    cache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    EXPECT_EQ(device->RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CW));

    // Invalidating forgets everything.
    cache.SetSamplerStateCached(device, 0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    cache.InvalidateStateCaches();
    EXPECT_TRUE(AllUnknown());
    cache.SetSamplerStateCached(device, 0, D3DSAMP_MAGFILTER, D3DTEXF_POINT);
    cache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    EXPECT_EQ(recorder->CountOf("SetSamplerState"), 2u);
    EXPECT_EQ(recorder->CountOf("SetRenderState"), 5u);
}

}  // namespace

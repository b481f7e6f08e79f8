// StateCache: the last value the device accepted for each render state,
// texture-stage state and sampler state, so that a request for the value the
// device already holds costs one comparison and no device call. States set
// directly on the device bypass it; a caller that did so and wants the next
// cached request to go through writes kForceResend into the entry.
#pragma once

#include <d3d9.h>

#include <cstdint>

class StateCache {
public:
    static constexpr uint32_t kStateTypes = 255;  // per table, or per stage and sampler
    static constexpr uint32_t kStages = 8;
    static constexpr uint32_t kSamplers = 8;
    static constexpr uint32_t kUnknown = 0xFFFFFFFF;
    // A value no state takes: the next request for that entry reaches the device.
    static constexpr uint32_t kForceResend = 0x00FFFFFF;

    StateCache() { InvalidateStateCaches(); }

    // Each setter does nothing for an index out of range or a null device,
    // skips the call when the entry already holds `value`, and stores the
    // value only if the device accepted it (so a refused value is retried).
    void SetRenderStateCached(IDirect3DDevice9* device, uint32_t state, uint32_t value);
    void SetTextureStageStateCached(IDirect3DDevice9* device, uint32_t stage, uint32_t type, uint32_t value);
    void SetSamplerStateCached(IDirect3DDevice9* device, uint32_t sampler, uint32_t type, uint32_t value);
    // Every entry unknown.
    void InvalidateStateCaches();

    uint32_t renderStateCache[kStateTypes];
    uint32_t textureStageStateCache[kStages * kStateTypes];  // stage * 255 + type
    uint32_t samplerStateCache[kSamplers * kStateTypes];     // sampler * 255 + type
};

// The cached state setters.
#include "scene/state_cache.h"

#include <algorithm>
#include <iterator>

void StateCache::SetRenderStateCached(IDirect3DDevice9* device, uint32_t state, uint32_t value) {
    if (device == nullptr || state >= kStateTypes || renderStateCache[state] == value)
        return;
    if (device->SetRenderState(static_cast<D3DRENDERSTATETYPE>(state), value) == D3D_OK)
        renderStateCache[state] = value;
}

void StateCache::SetTextureStageStateCached(IDirect3DDevice9* device, uint32_t stage, uint32_t type, uint32_t value) {
    if (device == nullptr || stage >= kStages || type >= kStateTypes)
        return;
    uint32_t& entry = textureStageStateCache[stage * kStateTypes + type];
    if (entry == value)
        return;
    if (device->SetTextureStageState(stage, static_cast<D3DTEXTURESTAGESTATETYPE>(type), value) == D3D_OK)
        entry = value;
}

void StateCache::SetSamplerStateCached(IDirect3DDevice9* device, uint32_t sampler, uint32_t type, uint32_t value) {
    if (device == nullptr || sampler >= kSamplers || type >= kStateTypes)
        return;
    uint32_t& entry = samplerStateCache[sampler * kStateTypes + type];
    if (entry == value)
        return;
    if (device->SetSamplerState(sampler, static_cast<D3DSAMPLERSTATETYPE>(type), value) == D3D_OK)
        entry = value;
}

void StateCache::InvalidateStateCaches() {
    std::fill(std::begin(renderStateCache), std::end(renderStateCache), kUnknown);
    std::fill(std::begin(textureStageStateCache), std::end(textureStageStateCache), kUnknown);
    std::fill(std::begin(samplerStateCache), std::end(samplerStateCache), kUnknown);
}

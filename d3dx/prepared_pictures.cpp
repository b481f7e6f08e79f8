// The worker that prepares pictures ahead of the device, and the store the
// loaders take its work from. The worker alone writes the store until it
// has been waited for; from then on the store is only read, on the thread
// that makes the scene.
#include "d3dx/prepared_pictures.h"

#include <cstring>
#include <new>
#include <utility>

namespace d3dx {
namespace {

struct PreparedNormalMap {
    NormalMapRequest request;
    UINT levelCount = 0;
    const ImageLevel* heights = nullptr;  // level 0 of the source's prepared texture
    std::vector<ImageLevel> levels;
};

struct PreparedStore {
    HANDLE worker = nullptr;
    PictureRequests requests;
    std::vector<PreparedTexture> textures;
    std::vector<PreparedNormalMap> normalMaps;
    size_t taken = 0;
};

PreparedStore store;

HMODULE ModuleOf(HMODULE module) { return module != nullptr ? module : GetModuleHandleA(nullptr); }

bool SameCall(const TextureRequest& a, const TextureRequest& b) {
    return ModuleOf(a.module) == ModuleOf(b.module) && a.id == b.id && a.width == b.width && a.height == b.height &&
           a.mipLevels == b.mipLevels && a.usage == b.usage && a.format == b.format && a.pool == b.pool &&
           a.filter == b.filter && a.mipFilter == b.mipFilter && a.colorKey == b.colorKey;
}

DWORD WINAPI Prepare(void*) {
    try {
        // Reserved up front: the normal maps point into the textures' levels.
        store.textures.reserve(store.requests.textures.size());
        for (const TextureRequest& request : store.requests.textures) {
            PreparedTexture prepared;
            if (!PrepareTexture(request, prepared))
                prepared.levels.clear();  // left to the loader, which reports the failure
            store.textures.push_back(std::move(prepared));
        }
        for (const NormalMapRequest& request : store.requests.normalMaps) {
            if (request.source >= store.textures.size())
                continue;
            const PreparedTexture& source = store.textures[request.source];
            if (source.levels.empty() || source.shape.format != D3DFMT_L8)
                continue;
            const ImageLevel& heights = source.levels[0];
            const UINT full = FullMipCount(heights.width, heights.height);
            PreparedNormalMap map;
            map.request = request;
            map.levelCount = request.levels == 0 || request.levels > full ? full : request.levels;
            map.heights = &heights;
            map.levels = NormalMapLevels(heights.texels, heights.width, heights.height, map.levelCount, request.flags,
                                         request.amplitude);
            store.normalMaps.push_back(std::move(map));
        }
    } catch (const std::bad_alloc&) {
        // What is made stays usable; the rest is made by the loaders.
    }
    return 0;
}

// The worker's work is read only once it has ended.
bool WorkerDone() {
    if (store.worker != nullptr) {
        WaitForSingleObject(store.worker, INFINITE);
        CloseHandle(store.worker);
        store.worker = nullptr;
    }
    return !store.textures.empty();
}

}  // namespace

HRESULT CreateRequestedTexture(IDirect3DDevice9* device, const TextureRequest& request, IDirect3DTexture9** texture) {
    return D3DXCreateTextureFromResourceExA(device, request.module, MAKEINTRESOURCEA(request.id), request.width,
                                            request.height, request.mipLevels, request.usage, request.format,
                                            request.pool, request.filter, request.mipFilter, request.colorKey, nullptr,
                                            nullptr, texture);
}

void StartPreparing(PictureRequests requests) {
    DropPrepared();
    store.requests = std::move(requests);
    store.worker = CreateThread(nullptr, 0, Prepare, nullptr, 0, nullptr);
}

void DropPrepared() {
    WorkerDone();
    store.normalMaps = {};
    store.textures = {};
    store.requests = {};
    store.taken = 0;
}

size_t PreparedTaken() { return store.taken; }

const PreparedTexture* TakePreparedTexture(const TextureRequest& call) {
    if (!WorkerDone())
        return nullptr;
    for (const PreparedTexture& prepared : store.textures) {
        if (!prepared.levels.empty() && SameCall(prepared.request, call)) {
            ++store.taken;
            return &prepared;
        }
    }
    return nullptr;
}

const std::vector<ImageLevel>* TakePreparedNormalMap(const std::vector<uint8_t>& heights, uint32_t width,
                                                     uint32_t height, UINT levels, DWORD flags, DWORD channel,
                                                     float amplitude) {
    if (!WorkerDone())
        return nullptr;
    for (const PreparedNormalMap& map : store.normalMaps) {
        const NormalMapRequest& request = map.request;
        if (map.levelCount != levels || request.flags != flags || request.channel != channel ||
            std::memcmp(&request.amplitude, &amplitude, sizeof amplitude) != 0 || map.heights->width != width ||
            map.heights->height != height || map.heights->texels != heights)
            continue;
        ++store.taken;
        return &map.levels;
    }
    return nullptr;
}

}  // namespace d3dx

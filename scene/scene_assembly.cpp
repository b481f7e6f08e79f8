// Assembly and release of the scene: the sky box, the sun flare, the camera,
// the sea, the two small vertex buffers, the fixed pipeline states and the
// banner and noise textures.
#include <new>
#include <utility>

#include "d3dx/prepared_pictures.h"
#include "flight/sun_flare.h"
#include "ocean/water_surface.h"
#include "scene/scene.h"
#include "scene/sky_box.h"
#include "resources/resource_ids.h"

namespace {

constexpr int kSunKind = 4;  // straight ahead, just above the horizon
constexpr float kInitialAspect = 1.33333f;
constexpr float kInitialFieldOfView = 0.7853982f;  // pi/4, until the first frame sets the scene's
constexpr UINT kGridCells = 60;                    // per side of the detailed water tile
constexpr int kShadingLevel = 2;
constexpr int kEnvironment = 4;

// A picture of the module as a texture with `levels` mip levels
// (D3DX_DEFAULT: the whole chain).
HRESULT LoadTexture(IDirect3DDevice9* device, HMODULE module, int id, UINT levels, IDirect3DTexture9** texture) {
    return D3DXCreateTextureFromResourceExA(device, module, MAKEINTRESOURCEA(id), D3DX_DEFAULT, D3DX_DEFAULT, levels, 0,
                                            D3DFMT_A8R8G8B8, D3DPOOL_DEFAULT, D3DX_DEFAULT, D3DX_FILTER_POINT, 0,
                                            nullptr, nullptr, texture);
}

// Whether the environment variable `name` is "off".
bool SwitchedOff(const char* name) {
    char value[8] = "";
    const DWORD length = GetEnvironmentVariableA(name, value, sizeof value);
    return length > 0 && length < sizeof value && lstrcmpiA(value, "off") == 0;
}

}  // namespace

void Scene::StartPreparing(HMODULE module) {
    // BRINEMERE_PREPARE_AHEAD=off leaves all the work to Build, for the
    // proofs and the bench.
    if (SwitchedOff("BRINEMERE_PREPARE_AHEAD"))
        return;
    d3dx::PictureRequests requests;
    SkyBox::AddPictureRequests(requests);
    WaterSurface::AddPictureRequests(module, requests);
    d3dx::StartPreparing(std::move(requests));
}

void Scene::DropPrepared() { d3dx::DropPrepared(); }

bool Scene::Build(RenderContext& context, HMODULE module) {
    IDirect3DDevice9* device = context.device;
    skyBox = new (std::nothrow) SkyBox();
    if (skyBox == nullptr)
        return false;
    skyBox->Load(device);

    sunFlare = new (std::nothrow) SunFlare();
    if (sunFlare == nullptr)
        return false;
    sunFlare->LoadResources(context, module);
    sunFlare->SetKind(kSunKind);

    Camera* camera = context.camera = new (std::nothrow) Camera(device);
    if (camera == nullptr)
        return false;
    camera->eye = D3DXVECTOR3(0.0f, 5.0f, 0.0f);
    camera->target = D3DXVECTOR3(0.0f, 0.0f, 5.0f);
    camera->up = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
    camera->aspect = kInitialAspect;
    camera->farPlane = kFarPlane;
    camera->nearPlane = kNearPlane;
    camera->fieldOfView = kInitialFieldOfView;
    camera->dirty = true;

    water = new (std::nothrow) WaterSurface(device, kGridCells, kGridCells, kShadingLevel);
    if (water == nullptr)
        return false;
    // Without its art or shaders the sea stays undrawn; the sky and the sun go on.
    water->SetEnvironment(kEnvironment);
    // BRINEMERE_SEA_CULL=off draws the whole sea as before the view test,
    // BRINEMERE_SEA_MIPS=off without the normal maps' mip filter, so that
    // the proofs can set each change and what was before side by side.
    water->leaveOutHidden = !SwitchedOff("BRINEMERE_SEA_CULL");
    water->filterNormalMips = !SwitchedOff("BRINEMERE_SEA_MIPS");
    // The sea's tile is the period of the camera's eye shift: one constant for both.
    water->Init(Camera::kTileSize, Camera::kTileSize, WaterSurface::kFrameCount);

    if (!context.overlays.Create(device))
        return false;

    stateCache.SetRenderStateCached(device, D3DRS_CULLMODE, D3DCULL_CW);
    stateCache.SetRenderStateCached(device, D3DRS_LIGHTING, FALSE);
    stateCache.SetRenderStateCached(device, D3DRS_ZENABLE, TRUE);
    stateCache.SetRenderStateCached(device, D3DRS_FOGENABLE, FALSE);
    stateCache.SetRenderStateCached(device, D3DRS_ALPHABLENDENABLE, TRUE);
    stateCache.SetRenderStateCached(device, D3DRS_SHADEMODE, D3DSHADE_GOURAUD);
    stateCache.SetRenderStateCached(device, D3DRS_DITHERENABLE, TRUE);
    stateCache.SetRenderStateCached(device, D3DRS_ZFUNC, D3DCMP_LESS);
    stateCache.SetRenderStateCached(device, D3DRS_NORMALIZENORMALS, FALSE);
    stateCache.SetRenderStateCached(device, D3DRS_COLORVERTEX, TRUE);
    for (uint32_t sampler = 0; sampler < 2; ++sampler) {
        stateCache.SetSamplerStateCached(device, sampler, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        stateCache.SetSamplerStateCached(device, sampler, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        stateCache.SetSamplerStateCached(device, sampler, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    }
    stateCache.SetRenderStateCached(device, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    stateCache.SetRenderStateCached(device, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_COLOROP, D3DTOP_MODULATE);
    stateCache.SetTextureStageStateCached(device, 0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    stateCache.SetTextureStageStateCached(device, 1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    stateCache.SetTextureStageStateCached(device, 1, D3DTSS_COLORARG1, D3DTA_TEXTURE);

    // The banner keeps its mip chain; the noise pictures are held but never
    // drawn, so they get one level each.
    if (FAILED(LoadTexture(device, module, IDR_BANNER, D3DX_DEFAULT, &bannerTexture)))
        return false;
    for (int i = 0; i < kNoiseTextureCount; ++i)
        if (FAILED(LoadTexture(device, module, IDR_NOISE_FIRST + i, 1, &noiseTextures[i])))
            return false;
    return true;
}

void Scene::Release(RenderContext& context) {
    if (skyBox != nullptr) {
        skyBox->Release();
        delete skyBox;
        skyBox = nullptr;
    }
    if (sunFlare != nullptr) {
        sunFlare->ReleaseResources();
        delete sunFlare;
        sunFlare = nullptr;
    }
    for (IDirect3DTexture9*& noise : noiseTextures) {
        if (noise != nullptr) {
            noise->Release();
            noise = nullptr;
        }
    }
    if (bannerTexture != nullptr) {
        bannerTexture->Release();
        bannerTexture = nullptr;
    }
    delete water;
    water = nullptr;
    delete context.camera;
    context.camera = nullptr;
    context.overlays.Release();
}

// The sea pass: the camera wraps its eye into the central tile and rebuilds
// its matrices, then, with the device's own states (full ambient, lighting
// and culling off, depth test on, blending off with source-alpha factors)
// and the eye in the water shaders' register, the sea draws itself (it sets
// its samplers, textures, declaration, shaders and depth writes); after it
// the shaders and the normal map's stage are unbound.
#include "ocean/water_registers.h"
#include "ocean/water_surface.h"
#include "scene/scene.h"

namespace {

constexpr float kTimeStep = 0.01f;  // scene time per frame
constexpr DWORD kAllOnes = 0xFFFFFFFF;

}  // namespace

void Scene::DrawSeaPass(RenderContext& context) {
    IDirect3DDevice9* device = context.device;
    Camera* camera = context.camera;
    camera->Update(kTimeStep);

    device->SetRenderState(D3DRS_AMBIENT, kAllOnes);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    const float eyeConstant[4] = {camera->eye.x, camera->eye.y, camera->eye.z, 1.0f};
    device->SetVertexShaderConstantF(kConstEye, eyeConstant, 1);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    // Without a sea (its art or shaders missing) the sky and the sun go on.
    if (water != nullptr)
        water->Render(context, kTimeStep);
    device->SetVertexShader(nullptr);
    device->SetPixelShader(nullptr);
    device->SetTexture(kNormalStage, nullptr);
}

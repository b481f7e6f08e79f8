// The sun flare pass: culling off (through the cache) and a view transform
// that puts the eye at the origin looking along the frame's direction; the
// flare sets its own blending, stage and depth states.
#include "flight/sun_flare.h"
#include "scene/scene.h"

void Scene::DrawSunFlarePass(RenderContext& context) {
    stateCache.SetRenderStateCached(context.device, D3DRS_CULLMODE, D3DCULL_NONE);
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    D3DXMatrixLookAtLH(&context.viewMatrix, &origin, &viewVectors.viewDirection, &viewVectors.viewUp);
    context.device->SetTransform(D3DTS_VIEW, &context.viewMatrix);
    sunFlare->Draw(context, viewVectors);
}

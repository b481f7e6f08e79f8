// The screen's world and projection transforms.
#include "scene/screen_projection.h"

#include <cstdint>

#include "render/render_context.h"
#include "scene/scene.h"

std::optional<float> ApplyScreenProjection(RenderContext& context, int width, int height) {
    IDirect3DDevice9* device = context.device;
    if (device == nullptr)
        return std::nullopt;
    D3DXMatrixIdentity(&context.worldMatrix);
    device->SetTransform(D3DTS_WORLD, &context.worldMatrix);
    // A zero width would make an infinite projection just as a zero height.
    uint16_t pixelsWide = static_cast<uint16_t>(width);
    uint16_t pixelsHigh = static_cast<uint16_t>(height);
    if (pixelsWide == 0)
        pixelsWide = 1;
    if (pixelsHigh == 0)
        pixelsHigh = 1;
    const float aspectRatio =
        context.wideScreen ? kWideScreenAspect : static_cast<float>(pixelsWide) / static_cast<float>(pixelsHigh);
    D3DXMatrixPerspectiveFovLH(&context.projectionMatrix, kFieldOfView, aspectRatio, kNearPlane, kFarPlane);
    if (context.camera != nullptr) {
        context.camera->dirty = true;
        context.camera->aspect = aspectRatio;
    }
    device->SetTransform(D3DTS_PROJECTION, &context.projectionMatrix);
    return aspectRatio;
}

void Scene::ApplyScreenProjection(RenderContext& context, int width, int height) {
    const std::optional<float> aspect = ::ApplyScreenProjection(context, width, height);
    if (aspect.has_value())
        aspectRatio = *aspect;
}

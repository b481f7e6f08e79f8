// The overlay and spare vertex buffers and the shared-buffer draw sequence.
#include "scene/overlay_buffers.h"

#include <cstring>

IDirect3DVertexBuffer9* overlayVertexBuffer = nullptr;
IDirect3DVertexBuffer9* spareVertexBuffer = nullptr;

namespace {
constexpr UINT kQuadPrimitives = 2;

bool CreateBuffer(IDirect3DDevice9* device, UINT vertexCount, IDirect3DVertexBuffer9** buffer) {
    *buffer = nullptr;
    const HRESULT result = device->CreateVertexBuffer(vertexCount * kSceneVertexStride, kOverlayBufferUsage,
                                                      kSceneVertexFvf, D3DPOOL_SYSTEMMEM, buffer, nullptr);
    if (FAILED(result) || *buffer == nullptr) {
        *buffer = nullptr;
        return false;
    }
    return true;
}

void ReleaseBuffer(IDirect3DVertexBuffer9** buffer) {
    if (*buffer != nullptr) {
        (*buffer)->Release();
        *buffer = nullptr;
    }
}
}  // namespace

bool CreateOverlayBuffers(IDirect3DDevice9* device) {
    if (device == nullptr)
        return false;
    return CreateBuffer(device, kOverlayVertexCount, &overlayVertexBuffer) &&
           CreateBuffer(device, kSpareVertexCount, &spareVertexBuffer);
}

void ReleaseOverlayBuffers() {
    ReleaseBuffer(&overlayVertexBuffer);
    ReleaseBuffer(&spareVertexBuffer);
}

bool WriteOverlayQuad(const SceneVertex* vertices, UINT vertexCount) {
    if (overlayVertexBuffer == nullptr || vertices == nullptr || vertexCount == 0 ||
        vertexCount > kOverlayVertexCount)
        return false;
    const UINT bytes = vertexCount * kSceneVertexStride;
    void* data = nullptr;
    if (FAILED(overlayVertexBuffer->Lock(0, bytes, &data, 0)) || data == nullptr)
        return false;
    std::memcpy(data, vertices, bytes);
    overlayVertexBuffer->Unlock();
    return true;
}

bool DrawOverlayQuad(IDirect3DDevice9* device, const SceneVertex* vertices, UINT vertexCount,
                     D3DPRIMITIVETYPE type) {
    if (device == nullptr || !WriteOverlayQuad(vertices, vertexCount))
        return false;
    device->SetStreamSource(0, overlayVertexBuffer, 0, kSceneVertexStride);
    device->SetFVF(kSceneVertexFvf);
    device->DrawPrimitive(type, 0, kQuadPrimitives);
    return true;
}

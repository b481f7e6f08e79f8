// The overlay and spare vertex buffers and the write of a quad into the shared one.
#include "render/overlay_buffers.h"

#include <cstring>

namespace {

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

bool OverlayBuffers::Create(IDirect3DDevice9* device) {
    if (device == nullptr)
        return false;
    return CreateBuffer(device, kOverlayVertexCount, &overlayVertexBuffer) &&
           CreateBuffer(device, kSpareVertexCount, &spareVertexBuffer);
}

void OverlayBuffers::Release() {
    ReleaseBuffer(&overlayVertexBuffer);
    ReleaseBuffer(&spareVertexBuffer);
}

bool OverlayBuffers::WriteQuad(const SceneVertex* vertices, UINT vertexCount) {
    if (overlayVertexBuffer == nullptr || vertices == nullptr || vertexCount == 0 || vertexCount > kOverlayVertexCount)
        return false;
    const UINT bytes = vertexCount * kSceneVertexStride;
    void* data = nullptr;
    if (FAILED(overlayVertexBuffer->Lock(0, bytes, &data, 0)) || data == nullptr)
        return false;
    std::memcpy(data, vertices, bytes);
    overlayVertexBuffer->Unlock();
    return true;
}

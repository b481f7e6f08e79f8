// Shared pieces of the ocean tests: a sea on the recording device with the
// test art built into the program (or a resource-only module holding a
// damaged variant of it), and readers for what the sea wrote into its
// buffers.
#pragma once

#include <d3d9.h>

#include <cstring>
#include <memory>
#include <vector>

#include "art_table.h"
#include "ocean/water_surface.h"
#include "render/camera.h"
#include "render/render_context.h"
#include "tests/support/call_recorder.h"
#include "tests/support/fake_index_buffer.h"
#include "tests/support/fake_vertex_buffer.h"
#include "tests/support/recording_device.h"

// A camera low over the sea from `eye` to `target`, with the frame's field
// of view and planes, its matrices built.
inline void AimTestCamera(Camera& view, const D3DXVECTOR3& eye, const D3DXVECTOR3& target) {
    view.eye = eye;
    view.target = target;
    view.fieldOfView = kFieldOfView;
    view.aspect = 4.0f / 3.0f;
    view.nearPlane = kNearPlane;
    view.farPlane = kFarPlane;
    view.dirty = true;
    view.Update(0.01f);
}

// The floats a fake vertex buffer holds.
inline std::vector<float> BufferFloats(IDirect3DVertexBuffer9* buffer) {
    const std::vector<uint8_t>& bytes = static_cast<FakeVertexBuffer*>(buffer)->Data();
    std::vector<float> floats(bytes.size() / sizeof(float));
    std::memcpy(floats.data(), bytes.data(), floats.size() * sizeof(float));
    return floats;
}

inline std::vector<WORD> BufferIndices(IDirect3DIndexBuffer9* buffer) {
    const std::vector<uint8_t>& bytes = static_cast<FakeIndexBuffer*>(buffer)->Data();
    std::vector<WORD> indices(bytes.size() / sizeof(WORD));
    std::memcpy(indices.data(), bytes.data(), indices.size() * sizeof(WORD));
    return indices;
}

// A recording device, a camera at a known place, and a sea built the way the
// scene builds it, its resources from `module` (null: this program).
struct RecordedSea {
    explicit RecordedSea(HMODULE module = nullptr, bool init = true)
        : recorder(std::make_shared<CallRecorder>()), device(RecordingDevice::Create(recorder)), view(device) {
        AimTestCamera(view, D3DXVECTOR3(12.0f, 5.0f, -30.0f), D3DXVECTOR3(12.0f, 0.0f, 0.0f));
        context.device = device;
        context.camera = &view;
        water = new WaterSurface(device, 60, 60, 2);
        water->resourceModule = module;
        water->SetEnvironment(4);
        if (init)
            initialised = water->Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES);
    }
    ~RecordedSea() {
        delete water;
        device->Release();
    }
    // One frame as the scene draws it.
    void Frame() {
        device->BeginScene();
        water->Render(context, 0.01f);
        device->EndScene();
    }

    std::shared_ptr<CallRecorder> recorder;
    RecordingDevice* device;
    Camera view;
    // The context the scene would hand the sea: the device and the camera.
    RenderContext context;
    WaterSurface* water = nullptr;
    bool initialised = false;
};

// A render context on the recording device, for the tests of what draws on
// one (the scene, the sun flare): a fake device, a real D3DX matrix stack,
// and art from one of the scene test resource DLLs (tests/scene).
#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "render/render_context.h"
#include "render/scene_vertex.h"
#include "tests/support/call_recorder.h"
#include "tests/support/fake_vertex_buffer.h"
#include "tests/support/recording_device.h"

class RenderFixture : public ::testing::Test {
protected:
    void SetUp() override { Prepare("scene_resources_full.dll"); }

    void Prepare(const char* resourceDll) {
        recorder = std::make_shared<CallRecorder>();
        context.device = RecordingDevice::Create(recorder);
        ASSERT_EQ(D3DXCreateMatrixStack(0, &context.matrixStack), S_OK);
        resources = LoadLibraryExA(resourceDll, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(resources, nullptr) << resourceDll;
        liveBefore = recorder->LiveObjectCount();
    }

    // Whatever the test made on the device is released before this checks
    // that nothing is left.
    void TearDown() override {
        context.overlays.Release();
        if (context.matrixStack != nullptr)
            context.matrixStack->Release();
        context.matrixStack = nullptr;
        EXPECT_EQ(recorder->LiveObjectCount(), liveBefore) << "left alive after the test's release";
        if (context.device != nullptr)
            context.device->Release();
        context.device = nullptr;
        EXPECT_EQ(recorder->LiveObjectCount(), 0u);
        if (resources != nullptr)
            FreeLibrary(resources);
    }

    RecordingDevice* Device() const { return static_cast<RecordingDevice*>(context.device); }

    // The vertices last written into the shared overlay buffer.
    const SceneVertex* OverlayVertices() const {
        auto* buffer = static_cast<FakeVertexBuffer*>(context.overlays.overlayVertexBuffer);
        return reinterpret_cast<const SceneVertex*>(buffer->Data().data());
    }

    std::shared_ptr<CallRecorder> recorder;
    RenderContext context;
    HMODULE resources = nullptr;
    size_t liveBefore = 0;
};

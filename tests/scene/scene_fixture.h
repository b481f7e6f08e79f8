// A SaverApp with its scene on the recording device: the module-wide device
// and matrix stack point at fakes and a real D3DX stack, the saver's module
// is one of the scene test resource DLLs.
#pragma once

#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "host/direct3d_globals.h"
#include "host/saver_app.h"
#include "scene/overlay_buffers.h"
#include "scene/scene_vertex.h"
#include "tests/support/call_recorder.h"
#include "tests/support/fake_vertex_buffer.h"
#include "tests/support/recording_device.h"

class SceneFixture : public ::testing::Test {
protected:
    void SetUp() override { Prepare("scene_resources_full.dll"); }

    void Prepare(const char* resourceDll) {
        recorder = std::make_shared<CallRecorder>();
        device = RecordingDevice::Create(recorder);
        ASSERT_EQ(D3DXCreateMatrixStack(0, &matrixStack), S_OK);
        resources = LoadLibraryExA(resourceDll, nullptr, LOAD_LIBRARY_AS_DATAFILE);
        ASSERT_NE(resources, nullptr) << resourceDll;
        app = std::make_unique<SaverApp>();
        app->instance = resources;
        app->mode = RunMode::Saver;
        app->renderingActive = true;
        wideScreen = false;
        liveBefore = recorder->LiveObjectCount();
    }

    void TearDown() override {
        if (app != nullptr)
            app->ReleaseScene();
        app.reset();
        if (matrixStack != nullptr)
            matrixStack->Release();
        matrixStack = nullptr;
        EXPECT_EQ(recorder->LiveObjectCount(), liveBefore) << "left alive after the scene's release";
        if (device != nullptr)
            device->Release();
        device = nullptr;
        EXPECT_EQ(recorder->LiveObjectCount(), 0u);
        if (resources != nullptr)
            FreeLibrary(resources);
    }

    RecordingDevice* Device() const { return static_cast<RecordingDevice*>(device); }

    // The vertices last written into the shared overlay buffer.
    const SceneVertex* OverlayVertices() const {
        auto* buffer = static_cast<FakeVertexBuffer*>(overlayVertexBuffer);
        return reinterpret_cast<const SceneVertex*>(buffer->Data().data());
    }

    std::shared_ptr<CallRecorder> recorder;
    std::unique_ptr<SaverApp> app;
    HMODULE resources = nullptr;
    size_t liveBefore = 0;
};

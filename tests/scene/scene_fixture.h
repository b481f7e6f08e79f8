// A scene on a render context of the recording device (tests/support).
#pragma once

#include "scene/scene.h"
#include "tests/support/render_fixture.h"

class SceneFixture : public RenderFixture {
protected:
    bool Build() { return scene.Build(context, resources); }

    void TearDown() override {
        scene.Release(context);
        RenderFixture::TearDown();
    }

    Scene scene;
};

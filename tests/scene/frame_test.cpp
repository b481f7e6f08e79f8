// The frame on the recording device: its exact order, and how it ends early.
#include "scene/frame_view.h"

#include <string>

#include "flight/camera_flight.h"
#include "tests/scene/scene_fixture.h"
#include "tests/support/golden_calls.h"

namespace {

TEST(FrameView, FlightPositionStretchedAndLifted) {
    D3DXVECTOR3 eye, target;
    FrameViewFromFlight(D3DXVECTOR3(15, 2, -5), D3DXVECTOR3(16, 1.5f, -4), eye, target);
    EXPECT_EQ(eye, D3DXVECTOR3(60, 5, -20));
    EXPECT_EQ(target, D3DXVECTOR3(61, 4.5f, -19));
    // The target lies along the flight's own look direction.
    EXPECT_EQ(target - eye, D3DXVECTOR3(1, -0.5f, 1));
}

class Frame : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        ASSERT_TRUE(Build());
        scene.ApplyScreenProjection(context, 800, 600);
        recorder->ClearCalls();
    }
    FrameOutcome RenderFrame() { return scene.RenderFrame(context, flight, 0); }
    size_t Count(const char* method) const { return recorder->CountOf(method); }
    CameraFlight flight;
};

// The first frame's calls, one line each, against
// tests/scene/goldens/first_frame.calls. The sea is absent here (the test
// program carries no heightmaps), so its own sequence, tested with the
// ocean, does not crowd this one; every call around it is in place.
TEST_F(Frame, FirstFrameInTheOrderOfItsSteps) {
    EXPECT_EQ(RenderFrame(), FrameOutcome::Presented);
    std::string texts;
    for (const std::string& text : recorder->Texts())
        texts += text + "\n";
    EXPECT_TRUE(MatchesGoldenFile(texts, SCENE_GOLDEN_DIR "/first_frame.calls"));
}

TEST_F(Frame, ALostDeviceDrawsNothing) {
    recorder->LoseDeviceFromFrame(0);
    EXPECT_EQ(RenderFrame(), FrameOutcome::DeviceLost);
    EXPECT_EQ(Count("Clear"), 0u);
    EXPECT_EQ(Count("BeginScene"), 0u);
    EXPECT_EQ(Count("Present"), 0u);
}

TEST_F(Frame, AFailedOverlayLockEndsTheSceneButPresentsNothingAndAFailedPresentIsSaid) {
    const unsigned locksBefore = recorder->CallCount("Lock");
    EXPECT_EQ(RenderFrame(), FrameOutcome::Presented);
    const unsigned locksPerFrame = recorder->CallCount("Lock") - locksBefore;
    ASSERT_EQ(Count("Present"), 1u);
    // The fade's lock is the frame's last, the banner's the one before.
    for (unsigned fromEnd : {0u, 1u}) {
        SCOPED_TRACE(fromEnd == 0 ? "fade" : "banner");
        recorder->ClearCalls();
        recorder->FailCall("Lock", recorder->CallCount("Lock") + locksPerFrame - fromEnd);
        EXPECT_EQ(RenderFrame(), FrameOutcome::Dropped);
        EXPECT_EQ(Count("BeginScene"), 1u);
        EXPECT_EQ(Count("EndScene"), 1u);
        EXPECT_EQ(Count("Present"), 0u);
    }
    recorder->FailCall("Present", recorder->CallCount("Present") + 1);
    EXPECT_EQ(RenderFrame(), FrameOutcome::PresentFailed);
}

// Another display's view of the same flight step: turned towards its place,
// without the banner and the fade (whose level stays where it was).
TEST_F(Frame, AnotherDisplaysViewIsTurnedAndHasNeitherBannerNorFade) {
    const FlightView view = Scene::NextFlightView(flight);
    EXPECT_EQ(scene.DrawView(context, view, ViewTurn{}, true, 0), FrameOutcome::Presented);
    const size_t locksWithOverlays = Count("Lock");
    const float fade = scene.fadeLevel;
    recorder->ClearCalls();

    const ViewTurn turn = {-1.2f, 0.4f};
    EXPECT_EQ(scene.DrawView(context, view, turn, false, 0), FrameOutcome::Presented);
    EXPECT_EQ(Count("Lock"), locksWithOverlays - 2);
    EXPECT_EQ(Count("Present"), 1u);
    EXPECT_EQ(scene.fadeLevel, fade);
    D3DXVECTOR3 target = view.target, up = view.up;
    TurnView(view.eye, target, up, turn);
    EXPECT_EQ(scene.viewVectors.viewTarget, target);
    EXPECT_EQ(scene.viewVectors.viewUp, up);
}

}  // namespace

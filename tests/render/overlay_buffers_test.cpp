// The overlay and spare buffers and the shared-buffer draw sequence, on the
// recording device; and the view vectors the frame keeps.
#include <gtest/gtest.h>

#include <cstring>

#include "render/overlay_buffers.h"
#include "render/view_vectors.h"
#include "tests/support/fake_vertex_buffer.h"
#include "tests/support/recording_device.h"

namespace {

using Texts = std::vector<std::string>;

class OverlayBuffersTest : public ::testing::Test {
protected:
    void TearDown() override {
        buffers.Release();
        EXPECT_EQ(buffers.overlayVertexBuffer, nullptr);
        EXPECT_EQ(buffers.spareVertexBuffer, nullptr);
        EXPECT_EQ(device->Release(), 0u);
        EXPECT_EQ(recorder->LiveObjectCount(), 0u) << "leaked";
    }

    const std::vector<uint8_t>& OverlayBytes() const {
        return static_cast<FakeVertexBuffer*>(buffers.overlayVertexBuffer)->Data();
    }

    static SceneVertex Vertex(float n) { return SceneVertex{n, n + 1, n + 2, 0x80FF0000u, n / 10, n / 20, 0, 0}; }

    std::shared_ptr<CallRecorder> recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    OverlayBuffers buffers;
};

TEST_F(OverlayBuffersTest, CreatesTheOverlayThenTheSpareAndReleasesBoth) {
    ASSERT_TRUE(buffers.Create(device));
    EXPECT_EQ(recorder->Texts(),
              Texts({"CreateVertexBuffer(192, 0x00000208, 0x00000242, D3DPOOL_SYSTEMMEM, VertexBuffer#1)",
                     "CreateVertexBuffer(128, 0x00000208, 0x00000242, D3DPOOL_SYSTEMMEM, VertexBuffer#2)"}));
    EXPECT_EQ(recorder->LiveObjectCount(), 3u);
    buffers.Release();
    EXPECT_EQ(recorder->LiveObjectCount(), 1u);
    buffers.Release();  // twice is harmless
}

TEST_F(OverlayBuffersTest, AFailedCreationFailsAndLeavesWhatWasMade) {
    recorder->FailCall("CreateVertexBuffer", 2, E_OUTOFMEMORY);
    EXPECT_FALSE(buffers.Create(device));
    EXPECT_NE(buffers.overlayVertexBuffer, nullptr);
    EXPECT_EQ(buffers.spareVertexBuffer, nullptr);
    buffers.Release();
    recorder->FailCall("CreateVertexBuffer", 3);
    EXPECT_FALSE(buffers.Create(device));
    EXPECT_EQ(buffers.overlayVertexBuffer, nullptr);
    EXPECT_EQ(recorder->CountOf("CreateVertexBuffer"), 3u);  // the spare is not tried
    EXPECT_FALSE(buffers.Create(nullptr));
}

TEST_F(OverlayBuffersTest, QuadsAreWrittenFromTheStart) {
    ASSERT_TRUE(buffers.Create(device));
    recorder->ClearCalls();
    SceneVertex six[6], four[4];
    for (int i = 0; i < 6; ++i)
        six[i] = Vertex(static_cast<float>(i));
    for (int i = 0; i < 4; ++i)
        four[i] = Vertex(static_cast<float>(100 + i));
    ASSERT_TRUE(buffers.WriteQuad(six, 6));
    EXPECT_EQ(recorder->Texts(), Texts({"VertexBuffer#1->Lock(0, 192, ptr, 0x00000000)", "VertexBuffer#1->Unlock()"}));
    ASSERT_EQ(OverlayBytes().size(), sizeof six);
    EXPECT_EQ(std::memcmp(OverlayBytes().data(), six, sizeof six), 0);

    // Four vertices fill the first 128 bytes; the rest is the last quad's.
    ASSERT_TRUE(buffers.WriteQuad(four, 4));
    EXPECT_EQ(recorder->CallsTo("Lock")[1].text, "VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)");
    EXPECT_EQ(std::memcmp(OverlayBytes().data(), four, sizeof four), 0);
    EXPECT_EQ(std::memcmp(OverlayBytes().data() + sizeof four, six + 4, 2 * sizeof(SceneVertex)), 0);
    EXPECT_EQ(static_cast<FakeVertexBuffer*>(buffers.spareVertexBuffer)->LockCount(), 0u);
}

TEST_F(OverlayBuffersTest, NothingIsWrittenWhenTheQuadCannotBe) {
    SceneVertex six[6] = {};
    EXPECT_FALSE(buffers.WriteQuad(six, 6));  // no buffer yet
    ASSERT_TRUE(buffers.Create(device));
    recorder->ClearCalls();
    recorder->FailCall("Lock", 1);
    EXPECT_FALSE(buffers.WriteQuad(six, 6));
    EXPECT_FALSE(buffers.WriteQuad(six, 7));
    EXPECT_FALSE(buffers.WriteQuad(six, 0));
    EXPECT_FALSE(buffers.WriteQuad(nullptr, 4));
    // Only the refused lock reached the buffer.
    ASSERT_EQ(recorder->Calls().size(), 1u) << recorder->Dump();
    EXPECT_EQ(recorder->Calls()[0].result, D3DERR_INVALIDCALL);
    EXPECT_EQ(recorder->CountOf("Lock"), 1u);
    EXPECT_EQ(recorder->CountOf("Unlock"), 0u);
}

TEST(ViewVectors, DirectionIsAlwaysTargetMinusEyeOfTheSameFrame) {
    ViewVectors view;
    view.Store(D3DXVECTOR3(60.0f, 5.0f, -20.0f), D3DXVECTOR3(61.0f, 4.5f, -19.0f), D3DXVECTOR3(0.1f, 0.99f, 0.0f));
    EXPECT_EQ(view.viewDirection, D3DXVECTOR3(1.0f, -0.5f, 1.0f));
    view.Store(D3DXVECTOR3(0.0f, 3.0f, 0.0f), D3DXVECTOR3(0.0f, 3.0f, -1.0f), D3DXVECTOR3(0.0f, 1.0f, 0.0f));
    EXPECT_EQ(view.viewEye, D3DXVECTOR3(0.0f, 3.0f, 0.0f));
    EXPECT_EQ(view.viewTarget, D3DXVECTOR3(0.0f, 3.0f, -1.0f));
    EXPECT_EQ(view.viewDirection, D3DXVECTOR3(0.0f, 0.0f, -1.0f));
    EXPECT_EQ(view.viewUp, D3DXVECTOR3(0.0f, 1.0f, 0.0f));
}

}  // namespace

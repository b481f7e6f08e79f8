// The frame on the recording device: its exact order, and how it ends early.
#include "scene/frame_view.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "tests/scene/scene_fixture.h"

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
        ASSERT_TRUE(app->BuildScene());
        app->ApplyScreenProjection(800, 600);
        recorder->ClearCalls();
    }
    size_t Count(const char* method) const { return recorder->CountOf(method); }
};

// Whether two recorded call lists are the same calls: names, enums, handles
// and integers to the letter; the numbers of a matrix or vector (in braces)
// and any number written with a point or an exponent within a relative
// 1e-5 plus 1e-6 (the printed six digits and a unit of rounding), so that a
// harmless rounding change does not fail the list while a wrong call does.
::testing::AssertionResult SameCalls(const std::string& actual, const std::string& golden) {
    constexpr double kRelative = 1e-5, kAbsolute = 1e-6;
    std::istringstream actualLines(actual), goldenLines(golden);
    std::string a, g;
    for (int line = 1; std::getline(goldenLines, g); ++line) {
        if (!std::getline(actualLines, a))
            return ::testing::AssertionFailure() << "line " << line << " missing: " << g;
        size_t i = 0, j = 0;
        bool inBraces = false, same = true;
        while (same && (i < a.size() || j < g.size())) {
            const bool number = i < a.size() && j < g.size() &&
                                (std::isdigit(static_cast<unsigned char>(a[i])) || a[i] == '-') &&
                                (std::isdigit(static_cast<unsigned char>(g[j])) || g[j] == '-');
            if (number) {
                char *aEnd = nullptr, *gEnd = nullptr;
                const double x = std::strtod(a.c_str() + i, &aEnd), y = std::strtod(g.c_str() + j, &gEnd);
                const std::string aText(a.c_str() + i, static_cast<const char*>(aEnd)),
                    gText(g.c_str() + j, static_cast<const char*>(gEnd));
                if (!aText.empty() && !gText.empty()) {
                    const bool real = inBraces || aText.find_first_of(".e") != std::string::npos ||
                                      gText.find_first_of(".e") != std::string::npos;
                    same = real ? std::fabs(x - y) <= kRelative * std::max(std::fabs(x), std::fabs(y)) + kAbsolute
                                : aText == gText;
                    i = size_t(aEnd - a.c_str());
                    j = size_t(gEnd - g.c_str());
                    continue;
                }
            }
            same = i < a.size() && j < g.size() && a[i] == g[j];
            inBraces = (inBraces || g[j] == '{') && g[j] != '}';
            ++i;
            ++j;
        }
        if (!same)
            return ::testing::AssertionFailure() << "line " << line << ":\n  got      " << a << "\n  expected " << g;
    }
    if (std::getline(actualLines, a))
        return ::testing::AssertionFailure() << "an unexpected call after the list: " << a;
    return ::testing::AssertionSuccess();
}

// The first frame's calls, one line each. The sea is absent here (the test
// program carries no heightmaps), so its own sequence, tested with the
// ocean, does not crowd this one; every call around it is in place.
const char* const kFirstFrameGolden = R"(TestCooperativeLevel()
Clear(0, NULL, 0x00000003, 0x00000000, 1, 0)
BeginScene()
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1})
SetRenderState(D3DRS_CULLMODE, 1)
SetRenderState(D3DRS_ALPHABLENDENABLE, 0)
SetRenderState(D3DRS_ZENABLE, 0)
SetRenderState(D3DRS_ZWRITEENABLE, 0)
SetTransform(D3DTS_VIEW, {0.707107 -0.000601105 -0.707107 0 -0 1 -0.000850091 0 0.707107 0.000601105 0.707107 0 -0 -0.00085 7.22577e-07 1})
SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, 0xBF333333)
SetSamplerState(1, D3DSAMP_MIPMAPLODBIAS, 0xBF333333)
SetRenderState(D3DRS_ZENABLE, 0)
SetRenderState(D3DRS_FOGENABLE, 0)
SetTextureStageState(0, D3DTSS_COLOROP, 2)
SetTextureStageState(0, D3DTSS_COLORARG1, 2)
SetTextureStageState(0, D3DTSS_ALPHAOP, 1)
SetSamplerState(0, D3DSAMP_MAGFILTER, 2)
SetSamplerState(0, D3DSAMP_MINFILTER, 2)
SetSamplerState(0, D3DSAMP_MIPFILTER, 2)
SetSamplerState(1, D3DSAMP_MAGFILTER, 2)
SetSamplerState(1, D3DSAMP_MINFILTER, 2)
SetSamplerState(1, D3DSAMP_MIPFILTER, 2)
SetSamplerState(0, D3DSAMP_ADDRESSU, 3)
SetSamplerState(0, D3DSAMP_ADDRESSV, 3)
VertexBuffer#2->Lock(0, 192, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetTexture(0, Texture#1)
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2)
VertexBuffer#2->Lock(0, 192, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetTexture(0, Texture#2)
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2)
VertexBuffer#2->Lock(0, 192, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetTexture(0, Texture#5)
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2)
VertexBuffer#2->Lock(0, 192, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetTexture(0, Texture#4)
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2)
VertexBuffer#2->Lock(0, 192, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetTexture(0, Texture#3)
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2)
SetSamplerState(0, D3DSAMP_ADDRESSU, 1)
SetSamplerState(0, D3DSAMP_ADDRESSV, 1)
SetSamplerState(0, D3DSAMP_MIPMAPLODBIAS, 0)
SetSamplerState(1, D3DSAMP_MIPMAPLODBIAS, 0)
SetRenderState(D3DRS_ZWRITEENABLE, 1)
SetRenderState(D3DRS_ZENABLE, 1)
SetRenderState(D3DRS_CULLMODE, 2)
SetFVF(0x00000242)
SetTextureStageState(0, D3DTSS_COLOROP, 4)
SetTextureStageState(0, D3DTSS_COLORARG1, 2)
SetTextureStageState(0, D3DTSS_COLORARG2, 0)
SetTextureStageState(1, D3DTSS_COLORARG2, 1)
SetSamplerState(1, D3DSAMP_ADDRESSU, 1)
SetSamplerState(1, D3DSAMP_ADDRESSV, 1)
SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF)
SetRenderState(D3DRS_LIGHTING, 0)
SetRenderState(D3DRS_CULLMODE, 1)
SetVertexShaderConstantF(8, {40 4.5 -40 1}, 1)
SetRenderState(D3DRS_ZENABLE, 1)
SetRenderState(D3DRS_ALPHABLENDENABLE, 0)
SetRenderState(D3DRS_SRCBLEND, 5)
SetRenderState(D3DRS_DESTBLEND, 6)
SetVertexShader(NULL)
SetPixelShader(NULL)
SetTexture(1, NULL)
SetRenderState(D3DRS_CULLMODE, 1)
SetTransform(D3DTS_VIEW, {0.707107 0 -0.707107 0 -0 1 0 0 0.707107 0 0.707107 0 -0 -0 -0 1})
SetRenderState(D3DRS_ZENABLE, 0)
SetTextureStageState(0, D3DTSS_ALPHAOP, 7)
SetFVF(0x00000242)
SetTexture(0, Texture#8)
SetRenderState(D3DRS_ALPHABLENDENABLE, 1)
SetRenderState(D3DRS_ALPHABLENDENABLE, 1)
SetRenderState(D3DRS_SRCBLEND, 5)
SetRenderState(D3DRS_DESTBLEND, 2)
SetTextureStageState(0, D3DTSS_COLOROP, 7)
SetTextureStageState(0, D3DTSS_ALPHAOP, 4)
SetTextureStageState(0, D3DTSS_ALPHAARG1, 2)
SetTextureStageState(0, D3DTSS_ALPHAARG2, 0)
VertexBuffer#2->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {-0.707671 0.706354 -0.0163005 0 -0.706354 -0.706762 0.0393868 0 0.0163005 0.0393868 0.999091 0 0 0.0230708 0.999734 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
VertexBuffer#2->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {-0.523111 -0.852038 0.0196624 0 0.852038 -0.5223 0.03513 0 -0.0196624 0.03513 0.999189 0 0 0.0230708 0.999734 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTextureStageState(0, D3DTSS_COLOROP, 4)
SetFVF(0x00000242)
SetRenderState(D3DRS_ALPHABLENDENABLE, 1)
SetTextureStageState(0, D3DTSS_ALPHAOP, 4)
SetTextureStageState(0, D3DTSS_ALPHAARG1, 2)
SetTextureStageState(0, D3DTSS_ALPHAARG2, 0)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.707107 0 0.707107 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.788778 -0.00266468 0.673308 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.808223 -0.00329912 0.665261 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.854892 -0.00482179 0.645948 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.901561 -0.00634447 0.626634 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.963787 -0.00837469 0.600883 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.979343 -0.00888225 0.594445 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -1.09602 -0.0126889 0.546162 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -1.15824 -0.0147192 0.520411 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -1.30815 -0.0196102 0.458374 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -1.48492 -0.0253779 0.385217 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.622254 0.00276849 0.742222 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.565685 0.00461416 0.765632 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.579828 0.00415274 0.75978 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.381838 0.0106126 0.841715 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.424264 0.00922831 0.824158 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#7)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.296985 0.0133811 0.87683 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetTexture(0, Texture#6)
VertexBuffer#1->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#1->Unlock()
SetStreamSource(0, VertexBuffer#1, 0, 32)
SetFVF(0x00000242)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 -0.318198 0.0126889 0.868052 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetRenderState(D3DRS_SRCBLEND, 5)
SetRenderState(D3DRS_DESTBLEND, 6)
VertexBuffer#2->Lock(0, 128, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
SetTexture(0, NULL)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1})
DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2)
SetRenderState(D3DRS_SRCBLEND, 5)
SetRenderState(D3DRS_DESTBLEND, 2)
SetRenderState(D3DRS_SRCBLEND, 5)
SetRenderState(D3DRS_DESTBLEND, 6)
SetRenderState(D3DRS_ALPHABLENDENABLE, 1)
SetSamplerState(0, D3DSAMP_MAGFILTER, 1)
SetSamplerState(0, D3DSAMP_MINFILTER, 1)
SetTextureStageState(0, D3DTSS_ALPHAOP, 4)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 0 0 0 1})
SetTexture(1, NULL)
SetSamplerState(0, D3DSAMP_MAGFILTER, 2)
SetSamplerState(0, D3DSAMP_MINFILTER, 2)
SetRenderState(D3DRS_ZENABLE, 0)
SetFVF(0x00000242)
SetSamplerState(0, D3DSAMP_ADDRESSU, 3)
SetSamplerState(0, D3DSAMP_ADDRESSV, 3)
SetTextureStageState(0, D3DTSS_ALPHAARG1, 2)
SetTextureStageState(0, D3DTSS_ALPHAARG2, 0)
SetRenderState(D3DRS_FOGENABLE, 0)
SetTransform(D3DTS_VIEW, {1 0 0 0 0 1 0 0 0 0 1 0 -0 -0 0.7 1})
SetTexture(0, Texture#9)
SetTexture(0, Texture#9)
VertexBuffer#2->Lock(0, 192, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 0.53 -0.63 0.9 1})
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetFVF(0x00000242)
DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2)
SetSamplerState(0, D3DSAMP_ADDRESSU, 1)
SetSamplerState(0, D3DSAMP_ADDRESSV, 1)
SetTransform(D3DTS_VIEW, {1 0 0 0 0 1 0 0 0 0 1 0 -0 -0 -0 1})
SetTexture(0, NULL)
VertexBuffer#2->Lock(0, 192, ptr, 0x00000000)
VertexBuffer#2->Unlock()
SetStreamSource(0, VertexBuffer#2, 0, 32)
SetTransform(D3DTS_WORLD, {1 0 0 0 0 1 0 0 0 0 1 0 0 0 1 1})
DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2)
SetRenderState(D3DRS_CULLMODE, 2)
SetRenderState(D3DRS_ZENABLE, 1)
EndScene()
Present(NULL, NULL, NULL, NULL)
)";

TEST_F(Frame, FirstFrameInTheOrderOfItsSteps) {
    app->RenderFrame();
    std::string texts;
    for (const std::string& text : recorder->Texts())
        texts += text + "\n";
    std::ofstream("first-frame-calls.txt") << texts;  // for review when the order changes
    EXPECT_TRUE(SameCalls(texts, kFirstFrameGolden));
}

TEST_F(Frame, ALostDeviceEndsTheSaverWithoutDrawing) {
    recorder->LoseDeviceFromFrame(0);
    app->RenderFrame();
    EXPECT_EQ(Count("Clear"), 0u);
    EXPECT_EQ(Count("BeginScene"), 0u);
    EXPECT_EQ(Count("Present"), 0u);
    // The shut-down ran: the scene and the device are gone.
    EXPECT_FALSE(app->renderingActive);
    EXPECT_EQ(app->skyBox, nullptr);
    EXPECT_EQ(::device, nullptr);
    liveBefore = 0;  // the device went with the shut-down
}

TEST_F(Frame, AFailedOverlayLockEndsTheSceneButPresentsNothing) {
    const unsigned locksBefore = recorder->CallCount("Lock");
    app->RenderFrame();
    const unsigned locksPerFrame = recorder->CallCount("Lock") - locksBefore;
    ASSERT_EQ(Count("Present"), 1u);
    // The fade's lock is the frame's last, the banner's the one before.
    for (unsigned fromEnd : {0u, 1u}) {
        SCOPED_TRACE(fromEnd == 0 ? "fade" : "banner");
        recorder->ClearCalls();
        recorder->FailCall("Lock", recorder->CallCount("Lock") + locksPerFrame - fromEnd);
        app->RenderFrame();
        EXPECT_EQ(Count("BeginScene"), 1u);
        EXPECT_EQ(Count("EndScene"), 1u);
        EXPECT_EQ(Count("Present"), 0u);
    }
}

}  // namespace

// The sea with bad input: damaged or missing art (from resource-only test
// modules), shaders that do not compile, failing Direct3D calls, sizes that
// do not fit. Each ends in a stated state, never a crash, and leaks nothing.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "d3dx/precompiled_shader.h"
#include "tests/ocean/ocean_test_support.h"
#include "tests/support/fake_shader.h"

namespace {

// A resource-only module built beside this program.
class ArtModule {
public:
    explicit ArtModule(const char* name) : module_(LoadLibraryExA(name, nullptr, LOAD_LIBRARY_AS_DATAFILE)) {}
    ~ArtModule() {
        if (module_)
            FreeLibrary(module_);
    }
    HMODULE Get() const { return module_; }

private:
    HMODULE module_;
};

bool GridIsGone(const WaterSurface& w) { return !w.gridVertices && !w.gridHeights && !w.gridIndices; }

// Renders a frame and says how many draw calls it made.
size_t DrawsOfOneFrame(RecordedSea& sea) {
    sea.recorder->ClearCalls();
    sea.Frame();
    return sea.recorder->CountOf("DrawIndexedPrimitive");
}

// The draws of a frame of a sound sea under the same view.
size_t DrawsOfASoundSea() {
    RecordedSea sound;
    return DrawsOfOneFrame(sound);
}

void ExpectNothingLeft(RecordedSea*& sea) {
    auto recorder = sea->recorder;
    delete sea;
    sea = nullptr;
    EXPECT_EQ(recorder->LiveObjectCount(), 0u) << ::testing::PrintToString(recorder->LiveObjectNames());
}

TEST(WaterSurfaceBadArt, MissingOrDamagedFrameLeavesTheSeaUndrawn) {
    for (const char* name : {"ocean_art_missing_frame.dll", "ocean_art_damaged_frame.dll"}) {
        SCOPED_TRACE(name);
        ArtModule art(name);
        ASSERT_NE(art.Get(), nullptr);
        auto* sea = new RecordedSea(art.Get());
        EXPECT_FALSE(sea->initialised);
        EXPECT_TRUE(GridIsGone(*sea->water));
        // The shaders, the ramp and the cube map were loaded before the frames.
        EXPECT_NE(sea->water->vertexShader, nullptr);
        EXPECT_NE(sea->water->fresnelRamp, nullptr);
        // The lists stay in step: a frame is kept whole or not at all.
        EXPECT_EQ(sea->water->heightTables.size(), sea->water->heightTextures.size());
        EXPECT_LT(sea->water->heightTables.size(), 30u);
        const size_t calls = sea->recorder->Calls().size();
        sea->Frame();
        EXPECT_EQ(sea->recorder->Calls().size(), calls + 2) << "only BeginScene and EndScene";
        EXPECT_EQ(sea->water->animTime, 0.0f);
        ExpectNothingLeft(sea);
    }
}

TEST(WaterSurfaceBadArt, BrokenEnvironmentDrawsWithoutSkyOrRamp) {
    ArtModule art("ocean_art_broken_environment.dll");
    ASSERT_NE(art.Get(), nullptr);
    auto* sea = new RecordedSea(art.Get());
    EXPECT_TRUE(sea->initialised);
    EXPECT_EQ(sea->water->cubeMap, nullptr);
    EXPECT_EQ(sea->water->fresnelRamp, nullptr);
    EXPECT_EQ(sea->water->heightScale, 2.0f);
    EXPECT_EQ(DrawsOfOneFrame(*sea), DrawsOfASoundSea());
    EXPECT_EQ(sea->device->Texture(0), nullptr);
    EXPECT_EQ(sea->device->Texture(3), nullptr);
    ExpectNothingLeft(sea);
}

TEST(WaterSurfaceBadArt, ShadersThatDoNotCompileSkipTheSea) {
    ArtModule art("ocean_art_broken_shader.dll");
    ASSERT_NE(art.Get(), nullptr);
    auto* sea = new RecordedSea(art.Get());
    EXPECT_TRUE(sea->initialised);  // the grid was built
    EXPECT_EQ(sea->water->vertexShader, nullptr);
    EXPECT_EQ(sea->water->pixelShader, nullptr);
    EXPECT_EQ(sea->recorder->CountOf("CreateVertexShader") + sea->recorder->CountOf("CreatePixelShader"), 0u);
    EXPECT_EQ(DrawsOfOneFrame(*sea), 0u);
    EXPECT_EQ(sea->recorder->Calls().size(), 2u);
    ExpectNothingLeft(sea);
}

// The byte code the build made of a water shader (after its header).
std::vector<DWORD> BuiltByteCode(const char* entry, const char* profile) {
    HRSRC found = FindResourceA(nullptr, PrecompiledShader::ResourceName(entry, profile).c_str(),
                                PrecompiledShader::kResourceType);
    const char* piece = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    if (piece == nullptr)
        return {};
    const DWORD* code = reinterpret_cast<const DWORD*>(piece + sizeof(PrecompiledShader::Header));
    return std::vector<DWORD>(code, code + (SizeofResource(nullptr, found) - sizeof(PrecompiledShader::Header)) / 4);
}

// A device that refuses the system compiler's code for a shader gets the
// byte code the build made of the same text; one that refuses that too
// leaves the sea out.
TEST(WaterSurfaceFaults, ShaderCodeTheDeviceRefusesIsReplacedByTheBuilds) {
    for (const bool vertex : {true, false}) {
        const char* method = vertex ? "CreateVertexShader" : "CreatePixelShader";
        for (const unsigned refusals : {1u, 2u}) {
            SCOPED_TRACE(std::string(method) + " refused " + std::to_string(refusals) + " times");
            auto* sea = new RecordedSea(nullptr, false);
            sea->recorder->FailCall(method, 1);
            if (refusals == 2)
                sea->recorder->FailCall(method, 2);
            EXPECT_TRUE(sea->water->Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES));
            EXPECT_EQ(sea->recorder->CountOf(method), 2u);
            const std::vector<DWORD> made =
                vertex
                    ? (sea->water->vertexShader ? static_cast<FakeVertexShader*>(sea->water->vertexShader)->ByteCode()
                                                : std::vector<DWORD>())
                    : (sea->water->pixelShader ? static_cast<FakePixelShader*>(sea->water->pixelShader)->ByteCode()
                                               : std::vector<DWORD>());
            if (refusals == 1) {
                EXPECT_EQ(made, vertex ? BuiltByteCode("VS_Main_Ultra", "vs.1.1")
                                       : BuiltByteCode("PS2_Main_Ultra", "ps.2.0"));
                EXPECT_EQ(DrawsOfOneFrame(*sea), DrawsOfASoundSea());
            } else {
                EXPECT_TRUE(made.empty());
                EXPECT_EQ(DrawsOfOneFrame(*sea), 0u);
            }
            ExpectNothingLeft(sea);
        }
    }
}

TEST(WaterSurfaceFaults, FailingBufferCallsEndInitWithTheGridReleased) {
    struct Case {
        const char* method;
        unsigned nth;
        bool initSucceeds;
    };
    // Buffer creation and the index locks are fatal; a failed lock while
    // filling the vertices is not (the buffers keep whatever they held).
    const Case cases[] = {{"CreateVertexBuffer", 1, false},
                          {"CreateVertexBuffer", 2, false},
                          {"CreateVertexBuffer", 3, false},
                          {"CreateVertexBuffer", 4, false},
                          {"CreateIndexBuffer", 1, false},
                          {"CreateIndexBuffer", 2, false},
                          {"Lock", 1, false},
                          {"Lock", 2, false},
                          {"Unlock", 1, false},
                          {"Unlock", 2, false},
                          {"Lock", 3, true},
                          {"Lock", 4, true},
                          {"Lock", 6, true}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.method) + " #" + std::to_string(c.nth));
        auto* sea = new RecordedSea(nullptr, false);
        sea->recorder->FailCall(c.method, c.nth);
        sea->initialised = sea->water->Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES);
        EXPECT_EQ(sea->initialised, c.initSucceeds);
        if (!c.initSucceeds) {
            EXPECT_TRUE(GridIsGone(*sea->water));
            EXPECT_EQ(DrawsOfOneFrame(*sea), 0u);
        } else {
            for (IDirect3DVertexBuffer9* b :
                 {sea->water->gridVertices, sea->water->gridHeights, sea->water->farVertices, sea->water->farHeights})
                EXPECT_FALSE(static_cast<FakeVertexBuffer*>(b)->IsLocked());
            EXPECT_EQ(DrawsOfOneFrame(*sea), DrawsOfASoundSea());
        }
        ExpectNothingLeft(sea);
    }
}

TEST(WaterSurfaceFaults, FailingLoadsOfFramesEndInitWithFailure) {
    // From the third texture creation (or texel lock) of Init on, every one
    // fails: a frame or a normal map cannot be made, whichever comes first.
    for (const char* method : {"CreateTexture", "LockRect"}) {
        SCOPED_TRACE(method);
        auto* sea = new RecordedSea(nullptr, false);
        sea->recorder->FailCallsFrom(method, sea->recorder->CallCount(method) + 3);
        EXPECT_FALSE(sea->water->Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES));
        EXPECT_TRUE(GridIsGone(*sea->water));
        EXPECT_LT(sea->water->normalMaps.size(), 30u);
        EXPECT_EQ(DrawsOfOneFrame(*sea), 0u);
        ExpectNothingLeft(sea);
    }
}

TEST(WaterSurfaceFaults, FailingStreamLockKeepsThePreviousPair) {
    RecordedSea sea;
    ASSERT_TRUE(sea.initialised);
    const unsigned locksSoFar = sea.recorder->CallCount("Lock");
    sea.recorder->FailCall("Lock", locksSoFar + 1);
    sea.Frame();
    sea.Frame();  // steps: the rewrite fails
    EXPECT_EQ(sea.water->frameIndex, 1);
    EXPECT_FALSE(static_cast<FakeVertexBuffer*>(sea.water->gridHeights)->IsLocked());
    std::vector<float> heights = BufferFloats(sea.water->gridHeights);
    EXPECT_EQ(heights[0], sea.water->heightTables[0][0]);
    sea.Frame();
    sea.Frame();  // steps again and writes the pair (1, 2)
    heights = BufferFloats(sea.water->gridHeights);
    for (UINT v = 0; v < sea.water->vertexCount; ++v) {
        ASSERT_EQ(heights[2 * v], sea.water->heightTables[1][v]);
        ASSERT_EQ(heights[2 * v + 1], sea.water->heightTables[2][v]);
    }
}

TEST(WaterSurfaceFaults, MissingDeclarationCameraOrWrongSizesDrawNothing) {
    {
        auto recorder = std::make_shared<CallRecorder>();
        recorder->FailCall("CreateVertexDeclaration", 1);
        RecordingDevice* device = RecordingDevice::Create(recorder);
        Camera view(device);
        RenderContext context;
        context.camera = &view;
        {
            WaterSurface w(device, 60, 60, 2);
            w.SetEnvironment(4);
            EXPECT_TRUE(w.Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES));
            EXPECT_EQ(w.vertexDecl, nullptr);
            recorder->ClearCalls();
            device->BeginScene();
            w.Render(context, 0.01f);
            device->EndScene();
            EXPECT_EQ(recorder->Calls().size(), 2u);
        }
        device->Release();
        EXPECT_EQ(recorder->LiveObjectCount(), 0u);
    }
    {
        // Without a camera there are no matrices to draw with.
        RecordedSea sea;
        sea.context.camera = nullptr;
        EXPECT_EQ(DrawsOfOneFrame(sea), 0u);
    }
    {
        // A frame count other than the loop's length, a grid too large for
        // 16-bit indices, an empty grid.
        RecordedSea sea(nullptr, false);
        EXPECT_FALSE(sea.water->Init(100.0f, 100.0f, 12));
        EXPECT_TRUE(GridIsGone(*sea.water));
        EXPECT_EQ(DrawsOfOneFrame(sea), 0u);
        for (UINT side : {300u, 0u}) {
            WaterSurface odd(sea.device, side, side, 2);
            EXPECT_FALSE(odd.Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES)) << side;
            EXPECT_TRUE(GridIsGone(odd));
        }
    }
    {
        // No device at all.
        WaterSurface w(nullptr, 60, 60, 2);
        w.SetEnvironment(4);
        EXPECT_FALSE(w.Init(100.0f, 100.0f, ART_HEIGHTMAP_FRAMES));
        w.Render(RenderContext{}, 0.01f);
    }
}

}  // namespace

// Shader compilation from a resource with the system's compiler, and the
// compiled code accepted by a real device; failures carry the reason.
#include "d3dx/d3dx.h"
#include "d3dx/precompiled_shader.h"
#include "tests/d3dx/test_device.h"
#include "tests/d3dx/test_resources.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::string Text(ID3DXBuffer* buffer) {
    return buffer ? std::string(static_cast<const char*>(buffer->GetBufferPointer()), buffer->GetBufferSize()) : "";
}

// The saver's two shaders, as the sea compiles them.
const struct {
    const char* entry;
    const char* profile;
} kSaverShaders[] = {{"VS_Main_Ultra", "vs.1.1"}, {"PS2_Main_Ultra", "ps.2.0"}};

// The byte code the build compiled for an entry point (after its header).
std::string BuiltByteCode(const char* entry, const char* profile) {
    const std::string name = PrecompiledShader::ResourceName(entry, profile);
    HRSRC found = FindResourceA(nullptr, name.c_str(), PrecompiledShader::kResourceType);
    if (!found || SizeofResource(nullptr, found) <= sizeof(PrecompiledShader::Header))
        return "";
    const char* piece = static_cast<const char*>(LockResource(LoadResource(nullptr, found)));
    return std::string(piece + sizeof(PrecompiledShader::Header),
                       SizeofResource(nullptr, found) - sizeof(PrecompiledShader::Header));
}

// D3DXCompileShaderFromResourceA's code as text, or "failed: <reason>".
std::string CompiledFromResource(int id, const char* entry, const char* profile, DWORD flags,
                                 const D3DXMACRO* macros = nullptr) {
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    const HRESULT hr = D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(id), macros, nullptr, entry, profile,
                                                      flags, &code, &errors, nullptr);
    const std::string result = SUCCEEDED(hr) && code ? Text(code) : "failed: " + Text(errors);
    if (code)
        code->Release();
    if (errors)
        errors->Release();
    return result;
}

}  // namespace

TEST(D3dxShaders, WaterShadersCompileAndRunOnTheDevice) {
    TestDevice device;
    ASSERT_NE(nullptr, device.Get());
    // Shader byte code starts with its version token: vs_1_1 = 0xFFFE0101, ps_2_0 = 0xFFFF0200.
    const DWORD versions[] = {0xFFFE0101u, 0xFFFF0200u};
    for (int i = 0; i < 2; ++i) {
        SCOPED_TRACE(kSaverShaders[i].entry);
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        const HRESULT hr = D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(IDR_WATER_SHADERS), nullptr,
                                                          nullptr, kSaverShaders[i].entry, kSaverShaders[i].profile,
                                                          D3DXSHADER_DEBUG, &code, &errors, nullptr);
        ASSERT_EQ(D3D_OK, hr) << Text(errors);
        ASSERT_NE(nullptr, code);
        const DWORD* function = static_cast<const DWORD*>(code->GetBufferPointer());
        EXPECT_EQ(versions[i], *function);
        IUnknown* shader = nullptr;
        EXPECT_EQ(D3D_OK,
                  i == 0
                      ? device.Get()->CreateVertexShader(function, reinterpret_cast<IDirect3DVertexShader9**>(&shader))
                      : device.Get()->CreatePixelShader(function, reinterpret_cast<IDirect3DPixelShader9**>(&shader)));
        if (shader)
            shader->Release();
        code->Release();
        if (errors)
            errors->Release();
    }
}

TEST(D3dxShaders, FailuresCarryTheReason) {
    ID3DXBuffer* code = reinterpret_cast<ID3DXBuffer*>(1);
    ID3DXBuffer* errors = nullptr;
    HRESULT hr = D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(IDR_SYNTAX_ERROR_SHADER), nullptr, nullptr,
                                                "PS2_Main_Ultra", "ps_2_0", 0, &code, &errors, nullptr);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(nullptr, code);
    ASSERT_NE(nullptr, errors);
    EXPECT_NE(std::string::npos, Text(errors).find("error")) << Text(errors);
    errors->Release();

    // Without an error buffer the failure is still only a result.
    EXPECT_TRUE(
        FAILED(D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(IDR_SYNTAX_ERROR_SHADER), nullptr, nullptr,
                                              "PS2_Main_Ultra", "ps.2.0", 0, &code, nullptr, nullptr)));

    hr = D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(999), nullptr, nullptr, "main", "vs.1.1", 0, &code,
                                        &errors, nullptr);
    EXPECT_EQ(D3DXERR_INVALIDDATA, hr);
    ASSERT_NE(nullptr, errors);
    EXPECT_NE(std::string::npos, Text(errors).find("not found"));
    errors->Release();

    hr = D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(IDR_WATER_SHADERS), nullptr, nullptr, "NoSuchEntry",
                                        "vs.1.1", 0, &code, &errors, nullptr);
    EXPECT_TRUE(FAILED(hr));
    if (errors)
        errors->Release();

    LPD3DXCONSTANTTABLE table = reinterpret_cast<LPD3DXCONSTANTTABLE>(1);
    hr = D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(IDR_WATER_SHADERS), nullptr, nullptr, "VS_Main_Ultra",
                                        "vs.1.1", 0, &code, &errors, &table);
    EXPECT_EQ(D3DERR_INVALIDCALL, hr);
    EXPECT_EQ(nullptr, table);
    ASSERT_NE(nullptr, errors);
    errors->Release();

    ID3DXBuffer* buffer = nullptr;
    ASSERT_EQ(D3D_OK, D3DXCreateBuffer(12, &buffer));
    EXPECT_EQ(12u, buffer->GetBufferSize());
    EXPECT_EQ(0u, buffer->Release());
}

// The byte code the module carries for systems without a compiler is what
// the compiler makes of the same text; it is tied to that text.
TEST(D3dxShaders, TheBuildsByteCodeIsWhatTheCompilerMakes) {
    const std::vector<uint8_t> saverText = ResourceBytes(IDR_WATER_SHADERS);
    const std::vector<uint8_t> otherText = ResourceBytes(IDR_SYNTAX_ERROR_SHADER);
    for (const auto& shader : kSaverShaders) {
        SCOPED_TRACE(shader.entry);
        const std::string built = BuiltByteCode(shader.entry, shader.profile);
        ASSERT_FALSE(built.empty());
        EXPECT_EQ(built, CompiledFromResource(IDR_WATER_SHADERS, shader.entry, shader.profile, D3DXSHADER_DEBUG));
        const std::string name = PrecompiledShader::ResourceName(shader.entry, shader.profile);
        HRSRC found = FindResourceA(nullptr, name.c_str(), PrecompiledShader::kResourceType);
        const void* piece = LockResource(LoadResource(nullptr, found));
        const size_t size = SizeofResource(nullptr, found);
        EXPECT_EQ("", PrecompiledShader::Mismatch(piece, size, saverText.data(), saverText.size(), shader.entry,
                                                  shader.profile, D3DXSHADER_DEBUG));
        EXPECT_EQ("compiled from another HLSL text (stale)",
                  PrecompiledShader::Mismatch(piece, size, otherText.data(), otherText.size(), shader.entry,
                                              shader.profile, D3DXSHADER_DEBUG));
        EXPECT_EQ("other compile flags", PrecompiledShader::Mismatch(piece, size, saverText.data(), saverText.size(),
                                                                     shader.entry, shader.profile, 0));
        EXPECT_EQ("shorter than its header",
                  PrecompiledShader::Mismatch(piece, 40, saverText.data(), saverText.size(), shader.entry,
                                              shader.profile, D3DXSHADER_DEBUG));
    }
}

// Run by the CTest entry d3dx_tests_without_compiler, with every
// d3dcompiler DLL disabled in Wine; skipped otherwise.
TEST(D3dxShadersWithoutCompiler, FailWithReadableText) {
    char flag[8] = {};
    if (!GetEnvironmentVariableA("D3DX_TEST_NO_COMPILER", flag, sizeof flag))
        GTEST_SKIP() << "compiler present";
    ID3DXBuffer* code = reinterpret_cast<ID3DXBuffer*>(1);
    ID3DXBuffer* errors = nullptr;
    // A text the build compiled nothing from.
    const HRESULT hr =
        D3DXCompileShaderFromResourceA(nullptr, MAKEINTRESOURCEA(IDR_SYNTAX_ERROR_SHADER), nullptr, nullptr,
                                       "PS2_Main_Ultra", "ps.2.0", D3DXSHADER_DEBUG, &code, &errors, nullptr);
    EXPECT_TRUE(FAILED(hr));
    EXPECT_EQ(nullptr, code);
    ASSERT_NE(nullptr, errors);
    EXPECT_NE(std::string::npos, Text(errors).find("no HLSL compiler found")) << Text(errors);
    errors->Release();
}

// Run by the same CTest entry: the saver's own shaders still come, as the
// byte code the build made of exactly their text, entry points, profiles
// and flags; any other request fails as without it.
TEST(D3dxShadersWithoutCompiler, TheSaversShadersComeFromTheBuild) {
    char flag[8] = {};
    if (!GetEnvironmentVariableA("D3DX_TEST_NO_COMPILER", flag, sizeof flag))
        GTEST_SKIP() << "compiler present";
    for (const auto& shader : kSaverShaders) {
        SCOPED_TRACE(shader.entry);
        const std::string built = BuiltByteCode(shader.entry, shader.profile);
        ASSERT_FALSE(built.empty());
        EXPECT_EQ(built, CompiledFromResource(IDR_WATER_SHADERS, shader.entry, shader.profile, D3DXSHADER_DEBUG));
        const std::string dotless = PrecompiledShader::NormaliseProfile(shader.profile);
        EXPECT_EQ(built, CompiledFromResource(IDR_WATER_SHADERS, shader.entry, dotless.c_str(), D3DXSHADER_DEBUG));
        const D3DXMACRO macros[] = {{"DETAIL", "1"}, {nullptr, nullptr}};
        for (const std::string& other :
             {CompiledFromResource(IDR_WATER_SHADERS, shader.entry, shader.profile, 0),
              CompiledFromResource(IDR_WATER_SHADERS, shader.entry, shader.profile, D3DXSHADER_DEBUG, macros),
              CompiledFromResource(IDR_WATER_SHADERS, shader.entry, "vs_2_0", D3DXSHADER_DEBUG)})
            EXPECT_EQ(0u, other.find("failed: D3DXCompileShader: no HLSL compiler found")) << other;
    }
}

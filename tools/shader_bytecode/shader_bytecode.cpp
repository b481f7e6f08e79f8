// A build helper, run under Wine while the module is built: compiles the
// water shaders' HLSL with the system's d3dcompiler_47.dll into byte code
// that the module carries for systems without a compiler, and checks that
// byte code against the HLSL that the module embeds.
//   shader_bytecode compile SOURCE FLAGS OUT_DIR ENTRY:PROFILE...
//       writes OUT_DIR/<RESOURCE NAME>.bin for each entry point
//   shader_bytecode check SOURCE FLAGS BIN_DIR ENTRY:PROFILE...
//       fails when a piece was compiled from another text (a stale pair)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "d3dx/d3dx.h"
#include "d3dx/precompiled_shader.h"
#include "d3dx/shader_compiler.h"

namespace {

std::vector<char> ReadFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    return std::vector<char>(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

struct Target {
    std::string entryPoint;
    std::string profile;
    std::string path;
};

bool ParseTargets(int argc, char** argv, const std::string& directory, std::vector<Target>& targets) {
    for (int i = 5; i < argc; ++i) {
        const std::string spec = argv[i];
        const size_t colon = spec.find(':');
        if (colon == std::string::npos)
            return false;
        Target target{spec.substr(0, colon), spec.substr(colon + 1), ""};
        target.path = directory + "\\" +
                      PrecompiledShader::ResourceName(target.entryPoint.c_str(), target.profile.c_str()) + ".bin";
        targets.push_back(target);
    }
    return !targets.empty();
}

int Compile(const std::vector<char>& source, DWORD flags, const std::vector<Target>& targets) {
    const ShaderCompiler::CompileFunction compile = ShaderCompiler::Compile();
    if (!compile) {
        std::fprintf(stderr, "shader_bytecode: no d3dcompiler DLL in the system directory\n");
        return 1;
    }
    for (const Target& target : targets) {
        ID3DXBuffer* code = nullptr;
        ID3DXBuffer* errors = nullptr;
        const std::string profile = PrecompiledShader::NormaliseProfile(target.profile.c_str());
        const HRESULT hr =
            compile(source.data(), source.size(), nullptr, nullptr, nullptr, target.entryPoint.c_str(), profile.c_str(),
                    flags, 0, reinterpret_cast<IUnknown**>(&code), reinterpret_cast<IUnknown**>(&errors));
        if (FAILED(hr) || !code) {
            std::fprintf(stderr, "shader_bytecode: %s (%s) does not compile: %s\n", target.entryPoint.c_str(),
                         profile.c_str(), errors ? static_cast<const char*>(errors->GetBufferPointer()) : "");
            return 1;
        }
        PrecompiledShader::Header header = {};
        header.magic = PrecompiledShader::kMagic;
        header.headerSize = sizeof header;
        header.sourceHash = PrecompiledShader::SourceHash(source.data(), source.size());
        header.sourceSize = static_cast<uint32_t>(source.size());
        header.flags = flags;
        header.codeSize = code->GetBufferSize();
        std::snprintf(header.entryPoint, sizeof header.entryPoint, "%s", target.entryPoint.c_str());
        std::snprintf(header.profile, sizeof header.profile, "%s", profile.c_str());
        std::ofstream out(target.path, std::ios::binary | std::ios::trunc);
        out.write(reinterpret_cast<const char*>(&header), sizeof header);
        out.write(static_cast<const char*>(code->GetBufferPointer()), code->GetBufferSize());
        code->Release();
        if (errors)
            errors->Release();
        if (!out) {
            std::fprintf(stderr, "shader_bytecode: cannot write %s\n", target.path.c_str());
            return 1;
        }
    }
    return 0;
}

int Check(const std::vector<char>& source, DWORD flags, const std::vector<Target>& targets) {
    int status = 0;
    for (const Target& target : targets) {
        const std::vector<char> piece = ReadFile(target.path);
        const std::string why = PrecompiledShader::Mismatch(piece.data(), piece.size(), source.data(), source.size(),
                                                            target.entryPoint.c_str(), target.profile.c_str(), flags);
        if (!why.empty()) {
            std::fprintf(stderr, "shader_bytecode: %s does not belong to the HLSL it is embedded with: %s\n",
                         target.path.c_str(), why.c_str());
            status = 1;
        }
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<Target> targets;
    if (argc < 6 || !ParseTargets(argc, argv, argv[4], targets) ||
        (std::strcmp(argv[1], "compile") != 0 && std::strcmp(argv[1], "check") != 0)) {
        std::fprintf(stderr, "usage: shader_bytecode compile|check SOURCE FLAGS DIR ENTRY:PROFILE...\n");
        return 2;
    }
    const std::vector<char> source = ReadFile(argv[2]);
    if (source.empty()) {
        std::fprintf(stderr, "shader_bytecode: cannot read %s\n", argv[2]);
        return 1;
    }
    const DWORD flags = std::strtoul(argv[3], nullptr, 0);
    return std::strcmp(argv[1], "compile") == 0 ? Compile(source, flags, targets) : Check(source, flags, targets);
}

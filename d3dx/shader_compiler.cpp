// Locating the HLSL compiler DLL and its D3DCompile entry point.
#include "d3dx/shader_compiler.h"
#include "d3dx/system_library.h"

namespace {
// Newest first. D3DCompile exists from d3dcompiler_39 on; Windows 8.1 and
// later ship d3dcompiler_47, older systems have whatever the DirectX runtime
// installed.
const char* const kCompilerLibraries[] = {
    "d3dcompiler_47.dll", "d3dcompiler_46.dll", "d3dcompiler_43.dll", "d3dcompiler_42.dll",
    "d3dcompiler_41.dll", "d3dcompiler_40.dll", "d3dcompiler_39.dll",
};
}  // namespace

ShaderCompiler::ShaderCompiler() {
    for (const char* name : kCompilerLibraries) {
        HMODULE module = LoadSystemLibrary(name);
        if (!module)
            continue;
        const FARPROC entry = GetProcAddress(module, "D3DCompile");
        if (!entry) {
            FreeLibrary(module);
            continue;
        }
        module_ = module;
        name_ = name;
        compile_ = reinterpret_cast<CompileFunction>(reinterpret_cast<void*>(entry));
        return;
    }
}

const ShaderCompiler& ShaderCompiler::Instance() {
    static const ShaderCompiler instance;  // thread-safe first use; the DLL stays loaded
    return instance;
}

ShaderCompiler::CompileFunction ShaderCompiler::Compile() { return Instance().compile_; }

const char* ShaderCompiler::LibraryName() { return Instance().name_; }

// The system's HLSL compiler, found at run time in the system directory:
// d3dcompiler_47.dll, else the newest older d3dcompiler_4x that is present.
// Loaded once, on first use, and kept for the life of the process (the only
// global state of the library).
#pragma once

#include <windows.h>
#include <unknwn.h>

class ShaderCompiler {
public:
    // D3DCompile of d3dcompiler_4x. The include handler, macros and blobs
    // have the layouts of ID3DXInclude, D3DXMACRO and ID3DXBuffer.
    using CompileFunction = HRESULT(WINAPI*)(LPCVOID source, SIZE_T sourceSize, LPCSTR sourceName, const void* defines,
                                             void* include, LPCSTR entryPoint, LPCSTR target, UINT flags1, UINT flags2,
                                             IUnknown** code, IUnknown** errors);

    // Null when no compiler DLL is present.
    static CompileFunction Compile();
    // The DLL's file name, or null.
    static const char* LibraryName();

private:
    ShaderCompiler();
    static const ShaderCompiler& Instance();

    HMODULE module_ = nullptr;
    const char* name_ = nullptr;
    CompileFunction compile_ = nullptr;
};

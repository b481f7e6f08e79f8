// D3DXCompileShader and D3DXCompileShaderFromResourceA on top of the system's
// HLSL compiler; where the system has none, the byte code that the build
// compiled from the same resource. Every failure comes back as a failure
// result, with a text saying why in the error buffer when one was asked for.
#include "d3dx/d3dx.h"
#include "d3dx/d3dx_buffer.h"
#include "d3dx/precompiled_shader.h"
#include "d3dx/shader_compiler.h"

#include <cctype>
#include <new>
#include <string>

namespace {

// D3DX flags the compiler does not know (it would reject them).
constexpr DWORD kD3dxOnlyFlags = D3DXSHADER_USE_LEGACY_D3DX9_31_DLL;

void SetErrorText(LPD3DXBUFFER* ppErrorMsgs, const std::string& text) {
    if (ppErrorMsgs)
        *ppErrorMsgs = D3dxBuffer::CreateText(text);
}

// The compiler's blob copied into our own buffer, so that the caller never
// holds an object of the compiler's DLL. Releases the blob.
D3dxBuffer* TakeBlob(IUnknown* blob) {
    if (!blob)
        return nullptr;
    ID3DXBuffer* view = reinterpret_cast<ID3DXBuffer*>(blob);  // ID3DBlob has the same layout
    D3dxBuffer* copy = D3dxBuffer::Create(view->GetBufferPointer(), view->GetBufferSize());
    blob->Release();
    return copy;
}

}  // namespace

extern "C" {

HRESULT WINAPI D3DXCompileShader(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude,
                                 LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags, LPD3DXBUFFER* ppShader,
                                 LPD3DXBUFFER* ppErrorMsgs, LPD3DXCONSTANTTABLE* ppConstantTable) {
    if (ppShader)
        *ppShader = nullptr;
    if (ppErrorMsgs)
        *ppErrorMsgs = nullptr;
    if (ppConstantTable) {
        *ppConstantTable = nullptr;
        SetErrorText(ppErrorMsgs, "D3DXCompileShader: constant tables are not provided; pass no constant table\n");
        return D3DERR_INVALIDCALL;
    }
    if (!pSrcData || !pFunctionName || !pProfile || !ppShader) {
        SetErrorText(ppErrorMsgs, "D3DXCompileShader: source, entry point, profile and code buffer are required\n");
        return D3DERR_INVALIDCALL;
    }
    const ShaderCompiler::CompileFunction compile = ShaderCompiler::Compile();
    if (!compile) {
        SetErrorText(ppErrorMsgs,
                     "D3DXCompileShader: no HLSL compiler found (d3dcompiler_47.dll or an older d3dcompiler_4x.dll) "
                     "and no byte code built for this source\n");
        return D3DERR_NOTAVAILABLE;
    }
    try {
        const std::string profile = PrecompiledShader::NormaliseProfile(pProfile);
        IUnknown* code = nullptr;
        IUnknown* errors = nullptr;
        const HRESULT hr = compile(pSrcData, SrcDataLen, nullptr, pDefines, pInclude, pFunctionName, profile.c_str(),
                                   Flags & ~kD3dxOnlyFlags, 0, &code, &errors);
        D3dxBuffer* codeCopy = TakeBlob(code);
        D3dxBuffer* errorCopy = TakeBlob(errors);
        if (FAILED(hr) || !codeCopy) {
            if (codeCopy)
                codeCopy->Release();
            if (!errorCopy)
                errorCopy = D3dxBuffer::CreateText("D3DXCompileShader: the compiler failed without a message\n");
            if (ppErrorMsgs)
                *ppErrorMsgs = errorCopy;
            else if (errorCopy)
                errorCopy->Release();
            return FAILED(hr) ? hr : E_OUTOFMEMORY;
        }
        *ppShader = codeCopy;
        if (ppErrorMsgs)
            *ppErrorMsgs = errorCopy;  // warnings, or null
        else if (errorCopy)
            errorCopy->Release();
        return D3D_OK;
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
}

HRESULT WINAPI D3DXCompileShaderFromResourceA(HMODULE hSrcModule, LPCSTR pSrcResource, const D3DXMACRO* pDefines,
                                              LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile,
                                              DWORD Flags, LPD3DXBUFFER* ppShader, LPD3DXBUFFER* ppErrorMsgs,
                                              LPD3DXCONSTANTTABLE* ppConstantTable) {
    if (ppShader)
        *ppShader = nullptr;
    if (ppErrorMsgs)
        *ppErrorMsgs = nullptr;
    HRSRC found =
        pSrcResource ? FindResourceA(hSrcModule, pSrcResource, MAKEINTRESOURCEA(10) /* RT_RCDATA */) : nullptr;
    HGLOBAL loaded = found ? LoadResource(hSrcModule, found) : nullptr;
    const char* text = loaded ? static_cast<const char*>(LockResource(loaded)) : nullptr;
    if (!text) {
        SetErrorText(ppErrorMsgs, "D3DXCompileShaderFromResourceA: the shader resource was not found\n");
        return D3DXERR_INVALIDDATA;
    }
    const DWORD size = SizeofResource(hSrcModule, found);
    // Without a compiler, the byte code built from this very text serves,
    // as long as nothing asks for more than the build compiled: no macros,
    // no constant table.
    const bool plainRequest = (!pDefines || !pDefines->Name) && !ppConstantTable && ppShader;
    if (plainRequest && !ShaderCompiler::Compile()) {
        if (ID3DXBuffer* code =
                PrecompiledShader::Find(hSrcModule, text, size, pFunctionName, pProfile, Flags & ~kD3dxOnlyFlags)) {
            *ppShader = code;
            return D3D_OK;
        }
    }
    return D3DXCompileShader(text, size, pDefines, pInclude, pFunctionName, pProfile, Flags, ppShader, ppErrorMsgs,
                             ppConstantTable);
}

}  // extern "C"

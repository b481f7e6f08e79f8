// Finding and checking the module's precompiled shader byte code.
#include "d3dx/precompiled_shader.h"

#include <cctype>
#include <cstring>

#include "d3dx/d3dx_buffer.h"

namespace {

constexpr uint64_t kFnvOffsetBasis = 0xCBF29CE484222325ull;
constexpr uint64_t kFnvPrime = 0x100000001B3ull;

}  // namespace

uint64_t PrecompiledShader::SourceHash(const void* text, size_t size) {
    const unsigned char* bytes = static_cast<const unsigned char*>(text);
    uint64_t hash = kFnvOffsetBasis;
    for (size_t i = 0; i < size; ++i) {
        hash ^= bytes[i];
        hash *= kFnvPrime;
    }
    return hash;
}

std::string PrecompiledShader::NormaliseProfile(const char* profile) {
    std::string p(profile ? profile : "");
    for (char& c : p)
        if (c == '.')
            c = '_';
    return p;
}

std::string PrecompiledShader::ResourceName(const char* entryPoint, const char* profile) {
    std::string name = std::string(entryPoint ? entryPoint : "") + "_" + NormaliseProfile(profile);
    for (char& c : name)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return name;
}

std::string PrecompiledShader::Mismatch(const void* piece, size_t pieceSize, const void* source, size_t sourceSize,
                                        const char* entryPoint, const char* profile, DWORD flags) {
    Header header;
    if (pieceSize < sizeof header)
        return "shorter than its header";
    std::memcpy(&header, piece, sizeof header);
    header.entryPoint[sizeof header.entryPoint - 1] = '\0';
    header.profile[sizeof header.profile - 1] = '\0';
    if (header.magic != kMagic || header.headerSize != sizeof header)
        return "not precompiled shader byte code";
    if (header.codeSize != pieceSize - sizeof header || header.codeSize == 0 || header.codeSize % 4 != 0)
        return "byte code of the wrong length";
    if (header.sourceSize != sourceSize || header.sourceHash != SourceHash(source, sourceSize))
        return "compiled from another HLSL text (stale)";
    if (std::strcmp(header.entryPoint, entryPoint ? entryPoint : "") != 0)
        return "another entry point";
    if (NormaliseProfile(profile) != header.profile)
        return "another profile";
    if (header.flags != flags)
        return "other compile flags";
    return "";
}

ID3DXBuffer* PrecompiledShader::FromResource(HMODULE module, LPCSTR resource, const char* entryPoint,
                                             const char* profile, DWORD flags) {
    HRSRC found = resource ? FindResourceA(module, resource, MAKEINTRESOURCEA(10) /* RT_RCDATA */) : nullptr;
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* text = loaded ? LockResource(loaded) : nullptr;
    return text ? Find(module, text, SizeofResource(module, found), entryPoint, profile, flags) : nullptr;
}

ID3DXBuffer* PrecompiledShader::Find(HMODULE module, const void* source, size_t sourceSize, const char* entryPoint,
                                     const char* profile, DWORD flags) {
    if (!source || !entryPoint || !profile)
        return nullptr;
    const std::string name = ResourceName(entryPoint, profile);
    HRSRC found = FindResourceA(module, name.c_str(), kResourceType);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const unsigned char* piece = loaded ? static_cast<const unsigned char*>(LockResource(loaded)) : nullptr;
    if (!piece)
        return nullptr;
    const size_t pieceSize = SizeofResource(module, found);
    if (!Mismatch(piece, pieceSize, source, sourceSize, entryPoint, profile, flags).empty())
        return nullptr;
    return D3dxBuffer::Create(piece + sizeof(Header), pieceSize - sizeof(Header));
}

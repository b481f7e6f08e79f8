// Shader byte code compiled at build time from a module's own HLSL resource
// and carried in that module, for systems that have no HLSL compiler
// (Windows before 8.1 without the DirectX runtime). Each piece is a
// resource of type "HLSLBYTECODE" named after its entry point and profile
// ("VS_MAIN_ULTRA_VS_1_1"). It starts with a header that names the source
// text it was compiled from by length and hash, so byte code that no longer
// matches its source is never used.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <string>

struct ID3DXBuffer;

class PrecompiledShader {
public:
    static constexpr const char* kResourceType = "HLSLBYTECODE";
    static constexpr uint32_t kMagic = 0x42534C48;  // "HLSB"

    struct Header {
        uint32_t magic;       // kMagic
        uint32_t headerSize;  // sizeof(Header)
        uint64_t sourceHash;  // SourceHash of the HLSL text
        uint32_t sourceSize;  // its length in bytes
        uint32_t flags;       // the compile flags
        uint32_t codeSize;    // bytes of byte code after the header
        uint32_t reserved;
        char entryPoint[64];  // zero-terminated
        char profile[16];     // normalised ("vs_1_1"), zero-terminated
    };

    // FNV-1a, 64 bits, of the source text.
    static uint64_t SourceHash(const void* text, size_t size);
    // "vs.1.1" -> "vs_1_1": older tools wrote profiles with dots.
    static std::string NormaliseProfile(const char* profile);
    // The resource name of an entry point's byte code for a profile.
    static std::string ResourceName(const char* entryPoint, const char* profile);
    // Why this piece does not belong to the source (empty when it does).
    static std::string Mismatch(const void* piece, size_t pieceSize, const void* source, size_t sourceSize,
                                const char* entryPoint, const char* profile, DWORD flags);
    // The module's byte code built from exactly this text for this entry
    // point, profile and flags, in a new buffer; null when it has none.
    static ID3DXBuffer* Find(HMODULE module, const void* source, size_t sourceSize, const char* entryPoint,
                             const char* profile, DWORD flags);
    // The same for the HLSL text of the module's RCDATA resource `resource`.
    static ID3DXBuffer* FromResource(HMODULE module, LPCSTR resource, const char* entryPoint, const char* profile,
                                     DWORD flags);
};

static_assert(sizeof(PrecompiledShader::Header) == 112, "the header is a file format");

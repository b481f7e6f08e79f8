// A d3dcompiler_47.dll for tests that fails on request, in the two ways a
// system's HLSL compiler can let the sea down. A test puts it into the test
// prefix's system directory in the place of Wine's own (and puts that back
// afterwards); the module loads it when d3dcompiler_47 is set to native. The
// fault is the first line of d3dcompiler-fault.txt beside this DLL:
//   compile-fail   every D3DCompile fails, with an error text
//   bad-bytecode   every D3DCompile succeeds with byte code that no device
//                  takes (its version token names no shader model)
// Each call is logged to d3dcompiler-calls.log beside this DLL.
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <string>

namespace {

constexpr DWORD kNoShaderModel = 0xDEADBEEF;
constexpr DWORD kEndToken = 0x0000FFFF;

// The layout of ID3DBlob (ID3D10Blob).
class Blob {
public:
    explicit Blob(const std::string& bytes) : bytes_(bytes) {}
    virtual HRESULT WINAPI QueryInterface(REFIID, void** object) {
        *object = nullptr;
        return E_NOINTERFACE;
    }
    virtual ULONG WINAPI AddRef() { return ++references_; }
    virtual ULONG WINAPI Release() {
        const ULONG left = --references_;
        if (left == 0)
            delete this;
        return left;
    }
    virtual void* WINAPI GetBufferPointer() { return &bytes_[0]; }
    virtual SIZE_T WINAPI GetBufferSize() { return bytes_.size(); }
    virtual ~Blob() = default;

private:
    std::string bytes_;
    ULONG references_ = 1;
};

std::string SiblingPath(const char* name) {
    HMODULE self = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS | GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&SiblingPath), &self);
    char path[MAX_PATH] = {};
    GetModuleFileNameA(self, path, MAX_PATH);
    std::string sibling = path;
    return sibling.substr(0, sibling.find_last_of('\\') + 1) + name;
}

std::string Fault() {
    char text[64] = {};
    if (FILE* file = std::fopen(SiblingPath("d3dcompiler-fault.txt").c_str(), "r")) {
        std::fgets(text, sizeof text, file);
        std::fclose(file);
    }
    return std::string(text, std::strcspn(text, "\r\n"));
}

void Log(const std::string& line) {
    if (FILE* file = std::fopen(SiblingPath("d3dcompiler-calls.log").c_str(), "a")) {
        std::fprintf(file, "%s\n", line.c_str());
        std::fclose(file);
    }
}

}  // namespace

extern "C" __declspec(dllexport) HRESULT WINAPI D3DCompile(const void*, SIZE_T, const char*, const void*, void*,
                                                           const char* entryPoint, const char* target, UINT, UINT,
                                                           Blob** code, Blob** errors) {
    if (code != nullptr)
        *code = nullptr;
    if (errors != nullptr)
        *errors = nullptr;
    const std::string fault = Fault();
    Log("D3DCompile " + std::string(entryPoint ? entryPoint : "") + " " + (target ? target : "") + ": " + fault);
    if (fault == "bad-bytecode") {
        const DWORD tokens[] = {kNoShaderModel, kEndToken};
        if (code != nullptr)
            *code = new (std::nothrow) Blob(std::string(reinterpret_cast<const char*>(tokens), sizeof tokens));
        return S_OK;
    }
    if (errors != nullptr)
        *errors = new (std::nothrow) Blob("stand-in compiler: failed as asked\n");
    return E_FAIL;
}

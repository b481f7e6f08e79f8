// RecordingDevice: a Direct3D 9 device without a GPU for unit tests. It
// emulates what the saver calls and nothing more: each such call is recorded
// with its arguments in the shared CallRecorder, can be made to fail there,
// and the states, transforms, shader constants, streams, indices, shaders and
// textures it is given are kept and readable. The resources it creates are
// fakes in plain memory. Draw calls outside BeginScene/EndScene fail with
// D3DERR_INVALIDCALL, as on a real device, unless a test of a single draw
// routine allows them.
//
// Every other method is refused: it answers D3DERR_INVALIDCALL (or 0, FALSE,
// nothing) and the recorder notes it as unexpected, which fails the test that
// made the call (see CallRecorder::Unexpected). Code that starts to need one
// of them needs its emulation here first.
//
// Typical use:
//     auto recorder = std::make_shared<CallRecorder>();
//     RecordingDevice* device = RecordingDevice::Create(recorder);
//     recorder->FailCall("Lock", 2);              // the second Lock fails
//     ... run the code under test on `device` ...
//     EXPECT_EQ(recorder->TextsOf({"SetRenderState"}), expected) << recorder->Dump();
//     EXPECT_EQ(device->Release(), 0u);           // every resource released
//     EXPECT_EQ(recorder->LiveObjectCount(), 0u);
#pragma once

#include <array>
#include <map>
#include <memory>
#include <type_traits>
#include <vector>

#include "tests/support/fake_object.h"

class RecordingDevice : public FakeObject<IDirect3DDevice9> {
public:
    static constexpr UINT kMaxStreams = 16;

    struct StreamBinding {
        IDirect3DVertexBuffer9* buffer = nullptr;
        UINT offset = 0;
        UINT stride = 0;
    };

    // A device with one reference, for tests that need no IDirect3D9.
    static RecordingDevice* Create(std::shared_ptr<CallRecorder> recorder = std::make_shared<CallRecorder>());
    // Capabilities of a plausible HAL device with the given shader versions.
    static D3DCAPS9 DefaultCaps(DWORD pixelShaderVersion = D3DPS_VERSION(2, 0),
                                DWORD vertexShaderVersion = D3DVS_VERSION(2, 0));

    // `direct3d` (may be null) is referenced until the device goes.
    RecordingDevice(std::shared_ptr<CallRecorder> recorder, IDirect3D9* direct3d, const D3DCAPS9& caps,
                    const D3DDEVICE_CREATION_PARAMETERS& creation, const D3DPRESENT_PARAMETERS& presentation);

    // For tests of a draw routine that the frame calls inside its scene.
    void AllowDrawsOutsideScene() { drawsOutsideSceneAllowed_ = true; }

    // What the code gave the device.
    DWORD RenderState(D3DRENDERSTATETYPE state) const;
    DWORD TextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const;
    DWORD SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const;
    D3DMATRIX Transform(D3DTRANSFORMSTATETYPE state) const;
    // Four floats (x, y, z, w) of one register.
    std::array<float, 4> VertexShaderConstant(UINT reg) const;
    std::array<float, 4> PixelShaderConstant(UINT reg) const;
    StreamBinding Stream(UINT stream) const;
    IDirect3DIndexBuffer9* Indices() const { return indices_; }
    IDirect3DBaseTexture9* Texture(DWORD stage) const;
    DWORD Fvf() const { return fvf_; }
    const D3DPRESENT_PARAMETERS& PresentParameters() const { return presentation_; }
    const D3DDEVICE_CREATION_PARAMETERS& CreationParameters() const { return creation_; }

    // IDirect3DDevice9: what the saver calls.
    HRESULT STDMETHODCALLTYPE TestCooperativeLevel() override;
    HRESULT STDMETHODCALLTYPE EvictManagedResources() override;
    HRESULT STDMETHODCALLTYPE GetDirect3D(IDirect3D9** direct3d) override;
    HRESULT STDMETHODCALLTYPE GetDeviceCaps(D3DCAPS9* caps) override;
    HRESULT STDMETHODCALLTYPE GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) override;
    HRESULT STDMETHODCALLTYPE GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) override;
    HRESULT STDMETHODCALLTYPE Reset(D3DPRESENT_PARAMETERS* parameters) override;
    HRESULT STDMETHODCALLTYPE Present(const RECT* source, const RECT* destination, HWND window,
                                      const RGNDATA* dirty) override;
    HRESULT STDMETHODCALLTYPE CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                            D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DCubeTexture9** texture, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                                 IDirect3DVertexBuffer9** buffer, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                                IDirect3DIndexBuffer9** buffer, HANDLE* shared) override;
    HRESULT STDMETHODCALLTYPE UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* destination) override;
    HRESULT STDMETHODCALLTYPE BeginScene() override;
    HRESULT STDMETHODCALLTYPE EndScene() override;
    HRESULT STDMETHODCALLTYPE Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                                    DWORD stencil) override;
    HRESULT STDMETHODCALLTYPE SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) override;
    HRESULT STDMETHODCALLTYPE SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
    HRESULT STDMETHODCALLTYPE SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) override;
    HRESULT STDMETHODCALLTYPE SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) override;
    HRESULT STDMETHODCALLTYPE DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) override;
    HRESULT STDMETHODCALLTYPE DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                                   UINT vertexCount, UINT startIndex, UINT primitiveCount) override;
    HRESULT STDMETHODCALLTYPE CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                      IDirect3DVertexDeclaration9** declaration) override;
    HRESULT STDMETHODCALLTYPE SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) override;
    HRESULT STDMETHODCALLTYPE SetFVF(DWORD fvf) override;
    HRESULT STDMETHODCALLTYPE CreateVertexShader(const DWORD* code, IDirect3DVertexShader9** shader) override;
    HRESULT STDMETHODCALLTYPE SetVertexShader(IDirect3DVertexShader9* shader) override;
    HRESULT STDMETHODCALLTYPE SetVertexShaderConstantF(UINT start, const float* data, UINT count) override;
    HRESULT STDMETHODCALLTYPE SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset,
                                              UINT stride) override;
    HRESULT STDMETHODCALLTYPE SetIndices(IDirect3DIndexBuffer9* indices) override;
    HRESULT STDMETHODCALLTYPE CreatePixelShader(const DWORD* code, IDirect3DPixelShader9** shader) override;
    HRESULT STDMETHODCALLTYPE SetPixelShader(IDirect3DPixelShader9* shader) override;
    HRESULT STDMETHODCALLTYPE SetPixelShaderConstantF(UINT start, const float* data, UINT count) override;

    // IDirect3DDevice9: the rest, refused.
#define RECORDING_DEVICE_REFUSES(Result, Method, ...) \
    Result STDMETHODCALLTYPE Method(__VA_ARGS__) override { return Refuse<Result>(#Method); }
    RECORDING_DEVICE_REFUSES(UINT, GetAvailableTextureMem)
    RECORDING_DEVICE_REFUSES(HRESULT, SetCursorProperties, UINT, UINT, IDirect3DSurface9*)
    RECORDING_DEVICE_REFUSES(void, SetCursorPosition, int, int, DWORD)
    RECORDING_DEVICE_REFUSES(BOOL, ShowCursor, BOOL)
    RECORDING_DEVICE_REFUSES(HRESULT, CreateAdditionalSwapChain, D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9**)
    RECORDING_DEVICE_REFUSES(HRESULT, GetSwapChain, UINT, IDirect3DSwapChain9**)
    RECORDING_DEVICE_REFUSES(UINT, GetNumberOfSwapChains)
    RECORDING_DEVICE_REFUSES(HRESULT, GetBackBuffer, UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**)
    RECORDING_DEVICE_REFUSES(HRESULT, GetRasterStatus, UINT, D3DRASTER_STATUS*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetDialogBoxMode, BOOL)
    RECORDING_DEVICE_REFUSES(void, SetGammaRamp, UINT, DWORD, const D3DGAMMARAMP*)
    RECORDING_DEVICE_REFUSES(void, GetGammaRamp, UINT, D3DGAMMARAMP*)
    RECORDING_DEVICE_REFUSES(HRESULT, CreateVolumeTexture, UINT, UINT, UINT, UINT, DWORD, D3DFORMAT, D3DPOOL,
                             IDirect3DVolumeTexture9**, HANDLE*)
    RECORDING_DEVICE_REFUSES(HRESULT, CreateRenderTarget, UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD, BOOL,
                             IDirect3DSurface9**, HANDLE*)
    RECORDING_DEVICE_REFUSES(HRESULT, CreateDepthStencilSurface, UINT, UINT, D3DFORMAT, D3DMULTISAMPLE_TYPE, DWORD,
                             BOOL, IDirect3DSurface9**, HANDLE*)
    RECORDING_DEVICE_REFUSES(HRESULT, UpdateSurface, IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const POINT*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetRenderTargetData, IDirect3DSurface9*, IDirect3DSurface9*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetFrontBufferData, UINT, IDirect3DSurface9*)
    RECORDING_DEVICE_REFUSES(HRESULT, StretchRect, IDirect3DSurface9*, const RECT*, IDirect3DSurface9*, const RECT*,
                             D3DTEXTUREFILTERTYPE)
    RECORDING_DEVICE_REFUSES(HRESULT, ColorFill, IDirect3DSurface9*, const RECT*, D3DCOLOR)
    RECORDING_DEVICE_REFUSES(HRESULT, CreateOffscreenPlainSurface, UINT, UINT, D3DFORMAT, D3DPOOL, IDirect3DSurface9**,
                             HANDLE*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetRenderTarget, DWORD, IDirect3DSurface9*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetRenderTarget, DWORD, IDirect3DSurface9**)
    RECORDING_DEVICE_REFUSES(HRESULT, SetDepthStencilSurface, IDirect3DSurface9*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetDepthStencilSurface, IDirect3DSurface9**)
    RECORDING_DEVICE_REFUSES(HRESULT, GetTransform, D3DTRANSFORMSTATETYPE, D3DMATRIX*)
    RECORDING_DEVICE_REFUSES(HRESULT, MultiplyTransform, D3DTRANSFORMSTATETYPE, const D3DMATRIX*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetViewport, const D3DVIEWPORT9*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetViewport, D3DVIEWPORT9*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetMaterial, const D3DMATERIAL9*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetMaterial, D3DMATERIAL9*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetLight, DWORD, const D3DLIGHT9*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetLight, DWORD, D3DLIGHT9*)
    RECORDING_DEVICE_REFUSES(HRESULT, LightEnable, DWORD, BOOL)
    RECORDING_DEVICE_REFUSES(HRESULT, GetLightEnable, DWORD, BOOL*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetClipPlane, DWORD, const float*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetClipPlane, DWORD, float*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetRenderState, D3DRENDERSTATETYPE, DWORD*)
    RECORDING_DEVICE_REFUSES(HRESULT, CreateStateBlock, D3DSTATEBLOCKTYPE, IDirect3DStateBlock9**)
    RECORDING_DEVICE_REFUSES(HRESULT, BeginStateBlock)
    RECORDING_DEVICE_REFUSES(HRESULT, EndStateBlock, IDirect3DStateBlock9**)
    RECORDING_DEVICE_REFUSES(HRESULT, SetClipStatus, const D3DCLIPSTATUS9*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetClipStatus, D3DCLIPSTATUS9*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetTexture, DWORD, IDirect3DBaseTexture9**)
    RECORDING_DEVICE_REFUSES(HRESULT, GetTextureStageState, DWORD, D3DTEXTURESTAGESTATETYPE, DWORD*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetSamplerState, DWORD, D3DSAMPLERSTATETYPE, DWORD*)
    RECORDING_DEVICE_REFUSES(HRESULT, ValidateDevice, DWORD*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetPaletteEntries, UINT, const PALETTEENTRY*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetPaletteEntries, UINT, PALETTEENTRY*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetCurrentTexturePalette, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, GetCurrentTexturePalette, UINT*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetScissorRect, const RECT*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetScissorRect, RECT*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetSoftwareVertexProcessing, BOOL)
    RECORDING_DEVICE_REFUSES(BOOL, GetSoftwareVertexProcessing)
    RECORDING_DEVICE_REFUSES(HRESULT, SetNPatchMode, float)
    RECORDING_DEVICE_REFUSES(float, GetNPatchMode)
    RECORDING_DEVICE_REFUSES(HRESULT, DrawPrimitiveUP, D3DPRIMITIVETYPE, UINT, const void*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, DrawIndexedPrimitiveUP, D3DPRIMITIVETYPE, UINT, UINT, UINT, const void*,
                             D3DFORMAT, const void*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, ProcessVertices, UINT, UINT, UINT, IDirect3DVertexBuffer9*,
                             IDirect3DVertexDeclaration9*, DWORD)
    RECORDING_DEVICE_REFUSES(HRESULT, GetVertexDeclaration, IDirect3DVertexDeclaration9**)
    RECORDING_DEVICE_REFUSES(HRESULT, GetFVF, DWORD*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetVertexShader, IDirect3DVertexShader9**)
    RECORDING_DEVICE_REFUSES(HRESULT, GetVertexShaderConstantF, UINT, float*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, SetVertexShaderConstantI, UINT, const int*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, GetVertexShaderConstantI, UINT, int*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, SetVertexShaderConstantB, UINT, const BOOL*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, GetVertexShaderConstantB, UINT, BOOL*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, GetStreamSource, UINT, IDirect3DVertexBuffer9**, UINT*, UINT*)
    RECORDING_DEVICE_REFUSES(HRESULT, SetStreamSourceFreq, UINT, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, GetStreamSourceFreq, UINT, UINT*)
    RECORDING_DEVICE_REFUSES(HRESULT, GetIndices, IDirect3DIndexBuffer9**)
    RECORDING_DEVICE_REFUSES(HRESULT, GetPixelShader, IDirect3DPixelShader9**)
    RECORDING_DEVICE_REFUSES(HRESULT, GetPixelShaderConstantF, UINT, float*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, SetPixelShaderConstantI, UINT, const int*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, GetPixelShaderConstantI, UINT, int*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, SetPixelShaderConstantB, UINT, const BOOL*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, GetPixelShaderConstantB, UINT, BOOL*, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, DrawRectPatch, UINT, const float*, const D3DRECTPATCH_INFO*)
    RECORDING_DEVICE_REFUSES(HRESULT, DrawTriPatch, UINT, const float*, const D3DTRIPATCH_INFO*)
    RECORDING_DEVICE_REFUSES(HRESULT, DeletePatch, UINT)
    RECORDING_DEVICE_REFUSES(HRESULT, CreateQuery, D3DQUERYTYPE, IDirect3DQuery9**)
#undef RECORDING_DEVICE_REFUSES

protected:
    ~RecordingDevice() override = default;
    void OnFinalRelease() override;
    std::string LogName() const override { return std::string(); }

private:
    // Notes a call to a method the saver does not use; answers it neutrally.
    template <class Result>
    Result Refuse(const char* method) {
        Recorder().Unexpected(method);
        if constexpr (std::is_same_v<Result, HRESULT>)
            return D3DERR_INVALIDCALL;
        else
            return Result();
    }
    // Ends a call: with its planned fault if there is one, else with
    // D3DERR_INVALIDCALL if it is not valid, else with D3D_OK once `apply`
    // has run.
    template <class Apply>
    HRESULT Done(CallBuilder& call, bool valid, Apply apply);
    HRESULT Done(CallBuilder& call, bool valid);
    // Done, handing out `value` through `out`.
    template <class T>
    HRESULT Answer(CallBuilder& call, bool valid, T* out, const T& value);
    // Done, handing out a new fake from `make` through `out` (null on failure).
    template <class T, class Make>
    HRESULT Created(CallBuilder& call, bool valid, T** out, Make make);
    // Done for a call that binds `object` in `slot`.
    template <class T>
    HRESULT SetBinding(const char* method, T*& slot, T* object);
    HRESULT SetConstants(const char* method, std::vector<float>& registers, UINT start, const float* data, UINT count);
    bool CanDraw() const;
    // Whether a triangle-list draw reads its indices inside the bound index
    // buffer and each index, with the base vertex, inside both the range the
    // call declares and stream 0's buffer, as Direct3D requires.
    bool IndexedDrawInBounds(INT baseVertex, UINT minIndex, UINT vertexCount, UINT startIndex,
                             UINT primitiveCount) const;

    IDirect3D9* direct3d_;
    D3DCAPS9 caps_;
    D3DDEVICE_CREATION_PARAMETERS creation_;
    D3DPRESENT_PARAMETERS presentation_;

    std::map<DWORD, DWORD> renderStates_;
    std::map<std::pair<DWORD, DWORD>, DWORD> stageStates_;
    std::map<std::pair<DWORD, DWORD>, DWORD> samplerStates_;
    std::map<DWORD, D3DMATRIX> transforms_;
    std::vector<float> vertexConstants_;
    std::vector<float> pixelConstants_;
    std::array<StreamBinding, kMaxStreams> streams_{};
    IDirect3DIndexBuffer9* indices_ = nullptr;
    std::map<DWORD, IDirect3DBaseTexture9*> textures_;
    IDirect3DVertexShader9* vertexShader_ = nullptr;
    IDirect3DPixelShader9* pixelShader_ = nullptr;
    IDirect3DVertexDeclaration9* vertexDeclaration_ = nullptr;
    DWORD fvf_ = 0;
    bool inScene_ = false;
    bool drawsOutsideSceneAllowed_ = false;
};

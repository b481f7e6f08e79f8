// The recording device: call recording, kept state and resource creation.
#include "tests/support/recording_device.h"

#include <algorithm>
#include <cstring>

#include "tests/support/d3d_names.h"
#include "tests/support/fake_cube_texture.h"
#include "tests/support/fake_index_buffer.h"
#include "tests/support/fake_shader.h"
#include "tests/support/fake_surface.h"
#include "tests/support/fake_texture.h"
#include "tests/support/fake_vertex_buffer.h"
#include "tests/support/fake_vertex_declaration.h"

namespace {

constexpr DWORD kVertexShaderVersionPrefix = 0xFFFE0000;
constexpr DWORD kPixelShaderVersionPrefix = 0xFFFF0000;
constexpr size_t kMaxShaderTokens = 1 << 16;
constexpr size_t kMaxDeclarationElements = 64;
constexpr UINT kMaxPalettes = 0x10000;
constexpr UINT kPaletteEntries = 256;
constexpr UINT kDisplayRefreshHz = 60;
constexpr DWORD kWorldMatrixFirst = 256;
constexpr DWORD kWorldMatrixLast = 511;
constexpr DWORD kDisplacementSampler = D3DDMAPSAMPLER;
constexpr DWORD kLastVertexSampler = D3DVERTEXTEXTURESAMPLER3;
constexpr DWORD kLastTextureStageState = D3DTSS_CONSTANT;
constexpr DWORD kLastSamplerState = D3DSAMP_DMAPOFFSET;
constexpr DWORD kRenderStateLimit = 256;

D3DMATRIX Identity() {
    D3DMATRIX matrix{};
    matrix._11 = matrix._22 = matrix._33 = matrix._44 = 1.0f;
    return matrix;
}

// Defaults of a freshly created device, as documented for Direct3D 9.
DWORD DefaultRenderState(DWORD state) {
    switch (state) {
    case D3DRS_ZENABLE: return D3DZB_TRUE;
    case D3DRS_FILLMODE: return D3DFILL_SOLID;
    case D3DRS_SHADEMODE: return D3DSHADE_GOURAUD;
    case D3DRS_ZWRITEENABLE: return TRUE;
    case D3DRS_LASTPIXEL: return TRUE;
    case D3DRS_SRCBLEND: return D3DBLEND_ONE;
    case D3DRS_DESTBLEND: return D3DBLEND_ZERO;
    case D3DRS_CULLMODE: return D3DCULL_CCW;
    case D3DRS_ZFUNC: return D3DCMP_LESSEQUAL;
    case D3DRS_ALPHAFUNC: return D3DCMP_ALWAYS;
    case D3DRS_STENCILFUNC: return D3DCMP_ALWAYS;
    case D3DRS_STENCILFAIL:
    case D3DRS_STENCILZFAIL:
    case D3DRS_STENCILPASS: return D3DSTENCILOP_KEEP;
    case D3DRS_STENCILMASK:
    case D3DRS_STENCILWRITEMASK:
    case D3DRS_TEXTUREFACTOR:
    case D3DRS_MULTISAMPLEMASK: return 0xFFFFFFFF;
    case D3DRS_CLIPPING:
    case D3DRS_LIGHTING:
    case D3DRS_COLORVERTEX:
    case D3DRS_LOCALVIEWER:
    case D3DRS_MULTISAMPLEANTIALIAS: return TRUE;
    case D3DRS_DIFFUSEMATERIALSOURCE: return D3DMCS_COLOR1;
    case D3DRS_SPECULARMATERIALSOURCE: return D3DMCS_COLOR2;
    case D3DRS_COLORWRITEENABLE: return 0x0000000F;
    case D3DRS_BLENDOP:
    case D3DRS_BLENDOPALPHA: return D3DBLENDOP_ADD;
    case D3DRS_FOGVERTEXMODE:
    case D3DRS_FOGTABLEMODE: return D3DFOG_NONE;
    case D3DRS_FOGEND:
    case D3DRS_FOGDENSITY:
    case D3DRS_POINTSIZE:
    case D3DRS_POINTSIZE_MIN:
    case D3DRS_POINTSCALE_A: return 0x3F800000;  // 1.0f
    case D3DRS_SRCBLENDALPHA: return D3DBLEND_ONE;
    case D3DRS_DESTBLENDALPHA: return D3DBLEND_ZERO;
    default: return 0;
    }
}

DWORD DefaultStageState(DWORD stage, DWORD type) {
    switch (type) {
    case D3DTSS_COLOROP: return stage == 0 ? D3DTOP_MODULATE : D3DTOP_DISABLE;
    case D3DTSS_ALPHAOP: return stage == 0 ? D3DTOP_SELECTARG1 : D3DTOP_DISABLE;
    case D3DTSS_COLORARG1:
    case D3DTSS_ALPHAARG1: return D3DTA_TEXTURE;
    case D3DTSS_COLORARG2:
    case D3DTSS_ALPHAARG2:
    case D3DTSS_COLORARG0:
    case D3DTSS_ALPHAARG0:
    case D3DTSS_RESULTARG: return D3DTA_CURRENT;
    case D3DTSS_TEXCOORDINDEX: return stage;
    default: return 0;
    }
}

DWORD DefaultSamplerState(DWORD type) {
    switch (type) {
    case D3DSAMP_ADDRESSU:
    case D3DSAMP_ADDRESSV:
    case D3DSAMP_ADDRESSW: return D3DTADDRESS_WRAP;
    case D3DSAMP_MAGFILTER:
    case D3DSAMP_MINFILTER: return D3DTEXF_POINT;
    case D3DSAMP_MAXANISOTROPY: return 1;
    default: return 0;
    }
}

FakeBindable* BindableOf(IUnknown* object) {
    void* bindable = nullptr;
    if (object != nullptr && SUCCEEDED(object->QueryInterface(kFakeBindableIid, &bindable)))
        return static_cast<FakeBindable*>(bindable);
    return nullptr;
}

std::string RectText(const RECT* rect) {
    if (rect == nullptr)
        return "NULL";
    return "{" + std::to_string(rect->left) + " " + std::to_string(rect->top) + " " + std::to_string(rect->right) +
           " " + std::to_string(rect->bottom) + "}";
}

}  // namespace

RecordingDevice* RecordingDevice::Create(std::shared_ptr<CallRecorder> recorder) {
    D3DDEVICE_CREATION_PARAMETERS creation{};
    creation.AdapterOrdinal = D3DADAPTER_DEFAULT;
    creation.DeviceType = D3DDEVTYPE_HAL;
    creation.BehaviorFlags = D3DCREATE_HARDWARE_VERTEXPROCESSING;
    D3DPRESENT_PARAMETERS presentation{};
    presentation.BackBufferWidth = 800;
    presentation.BackBufferHeight = 600;
    presentation.BackBufferFormat = D3DFMT_X8R8G8B8;
    presentation.BackBufferCount = 1;
    presentation.SwapEffect = D3DSWAPEFFECT_DISCARD;
    presentation.EnableAutoDepthStencil = TRUE;
    presentation.AutoDepthStencilFormat = D3DFMT_D16;
    return new RecordingDevice(std::move(recorder), nullptr, DefaultCaps(), creation, presentation);
}

D3DCAPS9 RecordingDevice::DefaultCaps(DWORD pixelShaderVersion, DWORD vertexShaderVersion) {
    D3DCAPS9 caps{};
    caps.DeviceType = D3DDEVTYPE_HAL;
    caps.AdapterOrdinal = D3DADAPTER_DEFAULT;
    caps.Caps2 = D3DCAPS2_CANAUTOGENMIPMAP | D3DCAPS2_DYNAMICTEXTURES;
    caps.PresentationIntervals = D3DPRESENT_INTERVAL_IMMEDIATE | D3DPRESENT_INTERVAL_ONE;
    caps.DevCaps = D3DDEVCAPS_HWTRANSFORMANDLIGHT | D3DDEVCAPS_DRAWPRIMITIVES2EX | D3DDEVCAPS_HWRASTERIZATION;
    caps.PrimitiveMiscCaps = D3DPMISCCAPS_CULLNONE | D3DPMISCCAPS_CULLCW | D3DPMISCCAPS_CULLCCW;
    caps.RasterCaps = D3DPRASTERCAPS_DITHER | D3DPRASTERCAPS_ZTEST | D3DPRASTERCAPS_MIPMAPLODBIAS;
    caps.ZCmpCaps = caps.AlphaCmpCaps = 0xFF;
    caps.SrcBlendCaps = caps.DestBlendCaps = 0x1FFF;
    caps.ShadeCaps = D3DPSHADECAPS_COLORGOURAUDRGB | D3DPSHADECAPS_ALPHAGOURAUDBLEND;
    caps.TextureCaps = D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_CUBEMAP |
                       D3DPTEXTURECAPS_MIPCUBEMAP;
    caps.TextureFilterCaps = caps.CubeTextureFilterCaps = D3DPTFILTERCAPS_MINFPOINT | D3DPTFILTERCAPS_MINFLINEAR |
                                                          D3DPTFILTERCAPS_MIPFPOINT | D3DPTFILTERCAPS_MIPFLINEAR |
                                                          D3DPTFILTERCAPS_MAGFPOINT | D3DPTFILTERCAPS_MAGFLINEAR;
    caps.TextureAddressCaps = D3DPTADDRESSCAPS_WRAP | D3DPTADDRESSCAPS_CLAMP | D3DPTADDRESSCAPS_MIRROR;
    caps.MaxTextureWidth = caps.MaxTextureHeight = 4096;
    caps.MaxTextureRepeat = 8192;
    caps.MaxTextureAspectRatio = 4096;
    caps.MaxAnisotropy = 16;
    caps.MaxVertexW = 1e10f;
    caps.StencilCaps = 0xFF;
    caps.FVFCaps = 8;
    caps.TextureOpCaps = 0x03FFFFFF;
    caps.MaxTextureBlendStages = kMaxTextureStages;
    caps.MaxSimultaneousTextures = kMaxTextureStages;
    caps.VertexProcessingCaps = D3DVTXPCAPS_TEXGEN | D3DVTXPCAPS_DIRECTIONALLIGHTS | D3DVTXPCAPS_LOCALVIEWER;
    caps.MaxActiveLights = 8;
    caps.MaxUserClipPlanes = kMaxClipPlanes;
    caps.MaxPointSize = 64.0f;
    caps.MaxPrimitiveCount = 0xFFFFF;
    caps.MaxVertexIndex = 0xFFFFF;
    caps.MaxStreams = kMaxStreams;
    caps.MaxStreamStride = 255;
    caps.VertexShaderVersion = vertexShaderVersion;
    caps.MaxVertexShaderConst = kVertexShaderFloatRegisters;
    caps.PixelShaderVersion = pixelShaderVersion;
    caps.PixelShader1xMaxValue = 8.0f;
    caps.NumSimultaneousRTs = 1;
    caps.MaxVShaderInstructionsExecuted = 65535;
    caps.MaxPShaderInstructionsExecuted = 65535;
    caps.MaxVertexShader30InstructionSlots = 0;
    caps.MaxPixelShader30InstructionSlots = 0;
    caps.DeclTypes = D3DDTCAPS_UBYTE4 | D3DDTCAPS_SHORT2N | D3DDTCAPS_FLOAT16_2 | D3DDTCAPS_FLOAT16_4;
    return caps;
}

RecordingDevice::RecordingDevice(std::shared_ptr<CallRecorder> recorder, IDirect3D9* direct3d,
                                 const D3DCAPS9& caps, const D3DDEVICE_CREATION_PARAMETERS& creation,
                                 const D3DPRESENT_PARAMETERS& presentation)
    : FakeObject(std::move(recorder), "Device"),
      direct3d_(direct3d),
      caps_(caps),
      creation_(creation),
      presentation_(presentation),
      vertexConstantsF_(kVertexShaderFloatRegisters * 4, 0.0f),
      pixelConstantsF_(kPixelShaderFloatRegisters * 4, 0.0f),
      vertexConstantsI_(kIntegerRegisters * 4, 0),
      pixelConstantsI_(kIntegerRegisters * 4, 0),
      vertexConstantsB_(kBoolRegisters, FALSE),
      pixelConstantsB_(kBoolRegisters, FALSE) {
    if (direct3d_ != nullptr)
        direct3d_->AddRef();
    // The swap chain's surfaces live and die with the device.
    const UINT width = std::max(1u, presentation_.BackBufferWidth);
    const UINT height = std::max(1u, presentation_.BackBufferHeight);
    backBuffer_ = new FakeSurface(this, SharedRecorder(), this, width, height, presentation_.BackBufferFormat,
                                  D3DUSAGE_RENDERTARGET, D3DPOOL_DEFAULT);
    renderTargets_[0] = backBuffer_;
    if (presentation_.EnableAutoDepthStencil) {
        autoDepthStencil_ = new FakeSurface(this, SharedRecorder(), this, width, height,
                                            presentation_.AutoDepthStencilFormat, D3DUSAGE_DEPTHSTENCIL,
                                            D3DPOOL_DEFAULT);
        depthStencil_ = autoDepthStencil_;
    }
    if (!presentation_.EnableAutoDepthStencil)
        renderStates_[D3DRS_ZENABLE] = D3DZB_FALSE;
    viewport_ = D3DVIEWPORT9{0, 0, width, height, 0.0f, 1.0f};
    scissor_ = RECT{0, 0, static_cast<LONG>(width), static_cast<LONG>(height)};
}

RecordingDevice::~RecordingDevice() {
    delete autoDepthStencil_;
    delete backBuffer_;
}

void RecordingDevice::OnFinalRelease() {
    for (StreamBinding& stream : streams_)
        Rebind(stream.buffer, static_cast<IDirect3DVertexBuffer9*>(nullptr));
    Rebind(indices_, static_cast<IDirect3DIndexBuffer9*>(nullptr));
    for (auto& texture : textures_)
        Rebind(texture.second, static_cast<IDirect3DBaseTexture9*>(nullptr));
    Rebind(vertexShader_, static_cast<IDirect3DVertexShader9*>(nullptr));
    Rebind(pixelShader_, static_cast<IDirect3DPixelShader9*>(nullptr));
    Rebind(vertexDeclaration_, static_cast<IDirect3DVertexDeclaration9*>(nullptr));
    for (IDirect3DSurface9*& target : renderTargets_)
        if (target != backBuffer_)
            Rebind(target, static_cast<IDirect3DSurface9*>(nullptr));
    if (depthStencil_ != autoDepthStencil_)
        Rebind(depthStencil_, static_cast<IDirect3DSurface9*>(nullptr));
    if (direct3d_ != nullptr) {
        direct3d_->Release();
        direct3d_ = nullptr;
    }
}

void RecordingDevice::Bind(IUnknown* object) {
    if (FakeBindable* bindable = BindableOf(object))
        bindable->AddBinding();
}

void RecordingDevice::Unbind(IUnknown* object) {
    // The swap chain's own surfaces are never counted as bound.
    if (object == nullptr || object == static_cast<IDirect3DSurface9*>(backBuffer_) ||
        object == static_cast<IDirect3DSurface9*>(autoDepthStencil_))
        return;
    if (FakeBindable* bindable = BindableOf(object))
        bindable->RemoveBinding();
}

bool RecordingDevice::IsValidSampler(DWORD sampler) {
    return sampler < kMaxSamplers || (sampler >= kDisplacementSampler && sampler <= kLastVertexSampler);
}

bool RecordingDevice::IsValidTransform(DWORD state) {
    return state == D3DTS_VIEW || state == D3DTS_PROJECTION || (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) ||
           (state >= kWorldMatrixFirst && state <= kWorldMatrixLast);
}

template <class T>
HRESULT RecordingDevice::CopyOut(T* slot, T** out) {
    if (out == nullptr)
        return D3DERR_INVALIDCALL;
    *out = slot;
    if (slot != nullptr)
        slot->AddRef();
    return D3D_OK;
}

HRESULT RecordingDevice::Simple(CallBuilder& call, HRESULT result) {
    const HRESULT planned = Planned(call);
    return Finish(call, FAILED(planned) ? planned : result);
}

HRESULT RecordingDevice::DrawCheck() const {
    return inScene_ || drawsOutsideSceneAllowed_ ? D3D_OK : D3DERR_INVALIDCALL;
}

// ---- What the code gave the device ----

DWORD RecordingDevice::RenderState(D3DRENDERSTATETYPE state) const {
    const auto found = renderStates_.find(state);
    return found != renderStates_.end() ? found->second : DefaultRenderState(state);
}

DWORD RecordingDevice::TextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type) const {
    const auto found = stageStates_.find({stage, type});
    return found != stageStates_.end() ? found->second : DefaultStageState(stage, type);
}

DWORD RecordingDevice::SamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type) const {
    const auto found = samplerStates_.find({sampler, type});
    return found != samplerStates_.end() ? found->second : DefaultSamplerState(type);
}

D3DMATRIX RecordingDevice::Transform(D3DTRANSFORMSTATETYPE state) const {
    const auto found = transforms_.find(state);
    return found != transforms_.end() ? found->second : Identity();
}

std::array<float, 4> RecordingDevice::VertexShaderConstant(UINT reg) const {
    std::array<float, 4> value{};
    if (reg < kVertexShaderFloatRegisters)
        std::copy_n(vertexConstantsF_.begin() + reg * 4, 4, value.begin());
    return value;
}

std::array<float, 4> RecordingDevice::PixelShaderConstant(UINT reg) const {
    std::array<float, 4> value{};
    if (reg < kPixelShaderFloatRegisters)
        std::copy_n(pixelConstantsF_.begin() + reg * 4, 4, value.begin());
    return value;
}

RecordingDevice::StreamBinding RecordingDevice::Stream(UINT stream) const {
    return stream < kMaxStreams ? streams_[stream] : StreamBinding{};
}

IDirect3DBaseTexture9* RecordingDevice::Texture(DWORD stage) const {
    const auto found = textures_.find(stage);
    return found != textures_.end() ? found->second : nullptr;
}

// ---- Device ----

HRESULT RecordingDevice::TestCooperativeLevel() {
    CallBuilder call = Begin("TestCooperativeLevel");
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = Recorder().CooperativeLevel();
    return Finish(call, result);
}

UINT RecordingDevice::GetAvailableTextureMem() {
    CallBuilder call = Begin("GetAvailableTextureMem");
    Finish(call, D3D_OK);
    return kAvailableTextureMemoryBytes;
}

HRESULT RecordingDevice::EvictManagedResources() {
    CallBuilder call = Begin("EvictManagedResources");
    return Simple(call);
}

HRESULT RecordingDevice::GetDirect3D(IDirect3D9** direct3d) {
    CallBuilder call = Begin("GetDirect3D");
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = direct3d_ == nullptr ? D3DERR_INVALIDCALL : CopyOut(direct3d_, direct3d);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS9* caps) {
    CallBuilder call = Begin("GetDeviceCaps");
    HRESULT result = Planned(call);
    if (caps == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *caps = caps_;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    CallBuilder call = Begin("GetDisplayMode");
    call.Uint(swapChain);
    HRESULT result = Planned(call);
    if (mode == nullptr || swapChain != 0)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *mode = D3DDISPLAYMODE{presentation_.BackBufferWidth, presentation_.BackBufferHeight, kDisplayRefreshHz,
                               presentation_.BackBufferFormat};
    return Finish(call, result);
}

HRESULT RecordingDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    CallBuilder call = Begin("GetCreationParameters");
    HRESULT result = Planned(call);
    if (parameters == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *parameters = creation_;
    return Finish(call, result);
}

HRESULT RecordingDevice::SetCursorProperties(UINT x, UINT y, IDirect3DSurface9* bitmap) {
    CallBuilder call = Begin("SetCursorProperties");
    call.Uint(x).Uint(y).Object(bitmap);
    return Simple(call, bitmap == nullptr ? D3DERR_INVALIDCALL : D3D_OK);
}

void RecordingDevice::SetCursorPosition(int x, int y, DWORD flags) {
    CallBuilder call = Begin("SetCursorPosition");
    call.Int(x).Int(y).Hex(flags);
    Finish(call, D3D_OK);
}

BOOL RecordingDevice::ShowCursor(BOOL show) {
    CallBuilder call = Begin("ShowCursor");
    call.Bool(show);
    Finish(call, D3D_OK);
    const BOOL previous = cursorShown_;
    cursorShown_ = show;
    return previous;
}

HRESULT RecordingDevice::CreateAdditionalSwapChain(D3DPRESENT_PARAMETERS*, IDirect3DSwapChain9** swapChain) {
    CallBuilder call = Begin("CreateAdditionalSwapChain");
    if (swapChain != nullptr)
        *swapChain = nullptr;
    return Simple(call, D3DERR_NOTAVAILABLE);
}

HRESULT RecordingDevice::GetSwapChain(UINT index, IDirect3DSwapChain9** swapChain) {
    CallBuilder call = Begin("GetSwapChain");
    call.Uint(index);
    if (swapChain != nullptr)
        *swapChain = nullptr;
    return Simple(call, D3DERR_NOTAVAILABLE);
}

UINT RecordingDevice::GetNumberOfSwapChains() {
    CallBuilder call = Begin("GetNumberOfSwapChains");
    Finish(call, D3D_OK);
    return 1;
}

HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS* parameters) {
    CallBuilder call = Begin("Reset");
    call.Pointer(parameters);
    if (parameters != nullptr)
        call.Uint(parameters->BackBufferWidth).Uint(parameters->BackBufferHeight).Bool(parameters->Windowed);
    HRESULT result = Planned(call);
    if (parameters == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        presentation_ = *parameters;
        inScene_ = false;
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::Present(const RECT* source, const RECT* destination, HWND window, const RGNDATA* dirty) {
    CallBuilder call = Begin("Present");
    call.Named(reinterpret_cast<uintptr_t>(source), RectText(source))
        .Named(reinterpret_cast<uintptr_t>(destination), RectText(destination))
        .Pointer(window)
        .Pointer(dirty);
    HRESULT result = Planned(call);
    if (inScene_)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        Recorder().FramePresented();
    return Finish(call, result);
}

HRESULT RecordingDevice::GetBackBuffer(UINT swapChain, UINT index, D3DBACKBUFFER_TYPE type,
                                       IDirect3DSurface9** surface) {
    CallBuilder call = Begin("GetBackBuffer");
    call.Uint(swapChain).Uint(index).Uint(type);
    HRESULT result = Planned(call);
    if (swapChain != 0 || index != 0)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        result = CopyOut(static_cast<IDirect3DSurface9*>(backBuffer_), surface);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetRasterStatus(UINT swapChain, D3DRASTER_STATUS* status) {
    CallBuilder call = Begin("GetRasterStatus");
    call.Uint(swapChain);
    HRESULT result = Planned(call);
    if (status == nullptr || swapChain != 0)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *status = D3DRASTER_STATUS{TRUE, 0};
    return Finish(call, result);
}

HRESULT RecordingDevice::SetDialogBoxMode(BOOL enable) {
    CallBuilder call = Begin("SetDialogBoxMode");
    call.Bool(enable);
    return Simple(call);
}

void RecordingDevice::SetGammaRamp(UINT swapChain, DWORD flags, const D3DGAMMARAMP* ramp) {
    CallBuilder call = Begin("SetGammaRamp");
    call.Uint(swapChain).Hex(flags).Pointer(ramp);
    if (ramp != nullptr)
        gammaRamp_ = *ramp;
    Finish(call, D3D_OK);
}

void RecordingDevice::GetGammaRamp(UINT swapChain, D3DGAMMARAMP* ramp) {
    CallBuilder call = Begin("GetGammaRamp");
    call.Uint(swapChain);
    if (ramp != nullptr)
        *ramp = gammaRamp_;
    Finish(call, D3D_OK);
}

// ---- Resources ----

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                       D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) {
    CallBuilder call = Begin("CreateTexture");
    call.Uint(width).Uint(height).Uint(levels).Hex(usage).Uint(format).Named(pool, PoolName(pool));
    HRESULT result = Planned(call);
    if (texture == nullptr || width == 0 || height == 0 || width > caps_.MaxTextureWidth ||
        height > caps_.MaxTextureHeight || shared != nullptr)
        result = D3DERR_INVALIDCALL;
    if (texture != nullptr)
        *texture = nullptr;
    if (SUCCEEDED(result)) {
        *texture = new FakeTexture(this, SharedRecorder(), width, height, levels, usage, format, pool);
        call.Object(*texture);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::CreateVolumeTexture(UINT width, UINT height, UINT depth, UINT levels, DWORD usage,
                                             D3DFORMAT format, D3DPOOL pool, IDirect3DVolumeTexture9** texture,
                                             HANDLE*) {
    CallBuilder call = Begin("CreateVolumeTexture");
    call.Uint(width).Uint(height).Uint(depth).Uint(levels).Hex(usage).Uint(format).Named(pool, PoolName(pool));
    if (texture != nullptr)
        *texture = nullptr;
    return Simple(call, D3DERR_NOTAVAILABLE);
}

HRESULT RecordingDevice::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DCubeTexture9** texture, HANDLE* shared) {
    CallBuilder call = Begin("CreateCubeTexture");
    call.Uint(edge).Uint(levels).Hex(usage).Uint(format).Named(pool, PoolName(pool));
    HRESULT result = Planned(call);
    if (texture == nullptr || edge == 0 || edge > caps_.MaxTextureWidth || shared != nullptr)
        result = D3DERR_INVALIDCALL;
    if (texture != nullptr)
        *texture = nullptr;
    if (SUCCEEDED(result)) {
        *texture = new FakeCubeTexture(this, SharedRecorder(), edge, levels, usage, format, pool);
        call.Object(*texture);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
    CallBuilder call = Begin("CreateVertexBuffer");
    call.Uint(length).Hex(usage).Hex(fvf).Named(pool, PoolName(pool));
    HRESULT result = Planned(call);
    if (buffer == nullptr || length == 0 || shared != nullptr)
        result = D3DERR_INVALIDCALL;
    if (buffer != nullptr)
        *buffer = nullptr;
    if (SUCCEEDED(result)) {
        *buffer = new FakeVertexBuffer(this, SharedRecorder(), length, usage, fvf, pool);
        call.Object(*buffer);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
    CallBuilder call = Begin("CreateIndexBuffer");
    call.Uint(length).Hex(usage).Uint(format).Named(pool, PoolName(pool));
    HRESULT result = Planned(call);
    if (buffer == nullptr || length == 0 || shared != nullptr || (format != D3DFMT_INDEX16 && format != D3DFMT_INDEX32))
        result = D3DERR_INVALIDCALL;
    if (buffer != nullptr)
        *buffer = nullptr;
    if (SUCCEEDED(result)) {
        *buffer = new FakeIndexBuffer(this, SharedRecorder(), length, usage, format, pool);
        call.Object(*buffer);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::CreateRenderTarget(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE,
                                            DWORD, BOOL lockable, IDirect3DSurface9** surface, HANDLE* shared) {
    CallBuilder call = Begin("CreateRenderTarget");
    call.Uint(width).Uint(height).Uint(format).Bool(lockable);
    HRESULT result = Planned(call);
    if (surface == nullptr || width == 0 || height == 0 || shared != nullptr)
        result = D3DERR_INVALIDCALL;
    if (surface != nullptr)
        *surface = nullptr;
    if (SUCCEEDED(result)) {
        *surface = new FakeSurface(this, SharedRecorder(), nullptr, width, height, format, D3DUSAGE_RENDERTARGET,
                                   D3DPOOL_DEFAULT);
        call.Object(*surface);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::CreateDepthStencilSurface(UINT width, UINT height, D3DFORMAT format, D3DMULTISAMPLE_TYPE,
                                                   DWORD, BOOL discard, IDirect3DSurface9** surface,
                                                   HANDLE* shared) {
    CallBuilder call = Begin("CreateDepthStencilSurface");
    call.Uint(width).Uint(height).Uint(format).Bool(discard);
    HRESULT result = Planned(call);
    if (surface == nullptr || width == 0 || height == 0 || shared != nullptr)
        result = D3DERR_INVALIDCALL;
    if (surface != nullptr)
        *surface = nullptr;
    if (SUCCEEDED(result)) {
        *surface = new FakeSurface(this, SharedRecorder(), nullptr, width, height, format, D3DUSAGE_DEPTHSTENCIL,
                                   D3DPOOL_DEFAULT);
        call.Object(*surface);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::UpdateSurface(IDirect3DSurface9* source, const RECT* sourceRect,
                                       IDirect3DSurface9* destination, const POINT*) {
    CallBuilder call = Begin("UpdateSurface");
    call.Object(source).Named(reinterpret_cast<uintptr_t>(sourceRect), RectText(sourceRect)).Object(destination);
    return Simple(call, source == nullptr || destination == nullptr ? D3DERR_INVALIDCALL : D3D_OK);
}

HRESULT RecordingDevice::UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* destination) {
    CallBuilder call = Begin("UpdateTexture");
    call.Object(source).Object(destination);
    return Simple(call, source == nullptr || destination == nullptr ? D3DERR_INVALIDCALL : D3D_OK);
}

HRESULT RecordingDevice::GetRenderTargetData(IDirect3DSurface9* renderTarget, IDirect3DSurface9* destination) {
    CallBuilder call = Begin("GetRenderTargetData");
    call.Object(renderTarget).Object(destination);
    return Simple(call, D3DERR_INVALIDCALL);
}

HRESULT RecordingDevice::GetFrontBufferData(UINT swapChain, IDirect3DSurface9* destination) {
    CallBuilder call = Begin("GetFrontBufferData");
    call.Uint(swapChain).Object(destination);
    return Simple(call, D3DERR_INVALIDCALL);
}

HRESULT RecordingDevice::StretchRect(IDirect3DSurface9* source, const RECT* sourceRect,
                                     IDirect3DSurface9* destination, const RECT* destinationRect,
                                     D3DTEXTUREFILTERTYPE filter) {
    CallBuilder call = Begin("StretchRect");
    call.Object(source)
        .Named(reinterpret_cast<uintptr_t>(sourceRect), RectText(sourceRect))
        .Object(destination)
        .Named(reinterpret_cast<uintptr_t>(destinationRect), RectText(destinationRect))
        .Uint(filter);
    return Simple(call, source == nullptr || destination == nullptr ? D3DERR_INVALIDCALL : D3D_OK);
}

HRESULT RecordingDevice::ColorFill(IDirect3DSurface9* surface, const RECT* rect, D3DCOLOR color) {
    CallBuilder call = Begin("ColorFill");
    call.Object(surface).Named(reinterpret_cast<uintptr_t>(rect), RectText(rect)).Hex(color);
    return Simple(call, surface == nullptr ? D3DERR_INVALIDCALL : D3D_OK);
}

HRESULT RecordingDevice::CreateOffscreenPlainSurface(UINT width, UINT height, D3DFORMAT format, D3DPOOL pool,
                                                     IDirect3DSurface9** surface, HANDLE* shared) {
    CallBuilder call = Begin("CreateOffscreenPlainSurface");
    call.Uint(width).Uint(height).Uint(format).Named(pool, PoolName(pool));
    HRESULT result = Planned(call);
    if (surface == nullptr || width == 0 || height == 0 || shared != nullptr || pool == D3DPOOL_MANAGED)
        result = D3DERR_INVALIDCALL;
    if (surface != nullptr)
        *surface = nullptr;
    if (SUCCEEDED(result)) {
        *surface = new FakeSurface(this, SharedRecorder(), nullptr, width, height, format, 0, pool);
        call.Object(*surface);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::SetRenderTarget(DWORD index, IDirect3DSurface9* surface) {
    CallBuilder call = Begin("SetRenderTarget");
    call.Uint(index).Object(surface);
    HRESULT result = Planned(call);
    if (index >= kMaxRenderTargets || (index == 0 && surface == nullptr))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        Rebind(renderTargets_[index], surface);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetRenderTarget(DWORD index, IDirect3DSurface9** surface) {
    CallBuilder call = Begin("GetRenderTarget");
    call.Uint(index);
    HRESULT result = Planned(call);
    if (index >= kMaxRenderTargets)
        result = D3DERR_INVALIDCALL;
    else if (SUCCEEDED(result))
        result = renderTargets_[index] == nullptr ? D3DERR_NOTFOUND : CopyOut(renderTargets_[index], surface);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetDepthStencilSurface(IDirect3DSurface9* surface) {
    CallBuilder call = Begin("SetDepthStencilSurface");
    call.Object(surface);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        Rebind(depthStencil_, surface);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetDepthStencilSurface(IDirect3DSurface9** surface) {
    CallBuilder call = Begin("GetDepthStencilSurface");
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = depthStencil_ == nullptr ? D3DERR_NOTFOUND : CopyOut(depthStencil_, surface);
    return Finish(call, result);
}

// ---- Frames ----

HRESULT RecordingDevice::BeginScene() {
    CallBuilder call = Begin("BeginScene");
    HRESULT result = Planned(call);
    if (inScene_)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        inScene_ = true;
    return Finish(call, result);
}

HRESULT RecordingDevice::EndScene() {
    CallBuilder call = Begin("EndScene");
    HRESULT result = Planned(call);
    if (!inScene_)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        inScene_ = false;
    return Finish(call, result);
}

HRESULT RecordingDevice::Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                               DWORD stencil) {
    CallBuilder call = Begin("Clear");
    call.Uint(rectCount).Pointer(rects).Hex(flags).Hex(color).Float(z).Uint(stencil);
    const bool wantsDepth = (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0;
    return Simple(call, (rectCount != 0 && rects == nullptr) || (wantsDepth && depthStencil_ == nullptr)
                            ? D3DERR_INVALIDCALL
                            : D3D_OK);
}

// ---- Fixed-function state ----

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    CallBuilder call = Begin("SetTransform");
    call.Named(state, TransformName(state)).Floats(matrix != nullptr ? &matrix->_11 : nullptr, 16);
    HRESULT result = Planned(call);
    if (matrix == nullptr || !IsValidTransform(state))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        transforms_[state] = *matrix;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetTransform(D3DTRANSFORMSTATETYPE state, D3DMATRIX* matrix) {
    CallBuilder call = Begin("GetTransform");
    call.Named(state, TransformName(state));
    HRESULT result = Planned(call);
    if (matrix == nullptr || !IsValidTransform(state))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *matrix = Transform(state);
    return Finish(call, result);
}

HRESULT RecordingDevice::MultiplyTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    CallBuilder call = Begin("MultiplyTransform");
    call.Named(state, TransformName(state)).Floats(matrix != nullptr ? &matrix->_11 : nullptr, 16);
    HRESULT result = Planned(call);
    if (matrix == nullptr || !IsValidTransform(state))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        // The given matrix is applied after the current one (row vectors).
        const D3DMATRIX current = Transform(state);
        D3DMATRIX product{};
        for (int row = 0; row < 4; ++row)
            for (int column = 0; column < 4; ++column) {
                float sum = 0.0f;
                for (int k = 0; k < 4; ++k)
                    sum += current.m[row][k] * matrix->m[k][column];
                product.m[row][column] = sum;
            }
        transforms_[state] = product;
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::SetViewport(const D3DVIEWPORT9* viewport) {
    CallBuilder call = Begin("SetViewport");
    call.Pointer(viewport);
    if (viewport != nullptr)
        call.Uint(viewport->X).Uint(viewport->Y).Uint(viewport->Width).Uint(viewport->Height);
    HRESULT result = Planned(call);
    if (viewport == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        viewport_ = *viewport;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetViewport(D3DVIEWPORT9* viewport) {
    CallBuilder call = Begin("GetViewport");
    HRESULT result = Planned(call);
    if (viewport == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *viewport = viewport_;
    return Finish(call, result);
}

HRESULT RecordingDevice::SetMaterial(const D3DMATERIAL9* material) {
    CallBuilder call = Begin("SetMaterial");
    call.Pointer(material);
    HRESULT result = Planned(call);
    if (material == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        material_ = *material;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetMaterial(D3DMATERIAL9* material) {
    CallBuilder call = Begin("GetMaterial");
    HRESULT result = Planned(call);
    if (material == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *material = material_;
    return Finish(call, result);
}

HRESULT RecordingDevice::SetLight(DWORD index, const D3DLIGHT9* light) {
    CallBuilder call = Begin("SetLight");
    call.Uint(index).Pointer(light);
    HRESULT result = Planned(call);
    if (light == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        lights_[index] = *light;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetLight(DWORD index, D3DLIGHT9* light) {
    CallBuilder call = Begin("GetLight");
    call.Uint(index);
    HRESULT result = Planned(call);
    const auto found = lights_.find(index);
    if (light == nullptr || found == lights_.end())
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *light = found->second;
    return Finish(call, result);
}

HRESULT RecordingDevice::LightEnable(DWORD index, BOOL enable) {
    CallBuilder call = Begin("LightEnable");
    call.Uint(index).Bool(enable);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result)) {
        if (lights_.find(index) == lights_.end()) {
            // Enabling a light never set gives it the default white directional light.
            D3DLIGHT9 light{};
            light.Type = D3DLIGHT_DIRECTIONAL;
            light.Diffuse = D3DCOLORVALUE{1.0f, 1.0f, 1.0f, 0.0f};
            light.Direction = D3DVECTOR{0.0f, 0.0f, 1.0f};
            lights_[index] = light;
        }
        lightEnabled_[index] = enable != FALSE;
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::GetLightEnable(DWORD index, BOOL* enable) {
    CallBuilder call = Begin("GetLightEnable");
    call.Uint(index);
    HRESULT result = Planned(call);
    const auto found = lightEnabled_.find(index);
    if (enable == nullptr || lights_.find(index) == lights_.end())
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *enable = found != lightEnabled_.end() ? found->second : FALSE;
    return Finish(call, result);
}

HRESULT RecordingDevice::SetClipPlane(DWORD index, const float* plane) {
    CallBuilder call = Begin("SetClipPlane");
    call.Uint(index).Floats(plane, 4);
    HRESULT result = Planned(call);
    if (plane == nullptr || index >= kMaxClipPlanes)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        std::copy_n(plane, 4, clipPlanes_[index].begin());
    return Finish(call, result);
}

HRESULT RecordingDevice::GetClipPlane(DWORD index, float* plane) {
    CallBuilder call = Begin("GetClipPlane");
    call.Uint(index);
    HRESULT result = Planned(call);
    if (plane == nullptr || index >= kMaxClipPlanes)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        std::copy_n(clipPlanes_[index].begin(), 4, plane);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    CallBuilder call = Begin("SetRenderState");
    call.Named(state, RenderStateName(state)).Value(value);
    HRESULT result = Planned(call);
    if (state >= kRenderStateLimit)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        renderStates_[state] = value;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetRenderState(D3DRENDERSTATETYPE state, DWORD* value) {
    CallBuilder call = Begin("GetRenderState");
    call.Named(state, RenderStateName(state));
    HRESULT result = Planned(call);
    if (value == nullptr || state >= kRenderStateLimit)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *value = RenderState(state);
    return Finish(call, result);
}

HRESULT RecordingDevice::CreateStateBlock(D3DSTATEBLOCKTYPE type, IDirect3DStateBlock9** block) {
    CallBuilder call = Begin("CreateStateBlock");
    call.Uint(type);
    if (block != nullptr)
        *block = nullptr;
    return Simple(call, D3DERR_NOTAVAILABLE);
}

HRESULT RecordingDevice::BeginStateBlock() {
    CallBuilder call = Begin("BeginStateBlock");
    return Simple(call, D3DERR_NOTAVAILABLE);
}

HRESULT RecordingDevice::EndStateBlock(IDirect3DStateBlock9** block) {
    CallBuilder call = Begin("EndStateBlock");
    if (block != nullptr)
        *block = nullptr;
    return Simple(call, D3DERR_INVALIDCALL);
}

HRESULT RecordingDevice::SetClipStatus(const D3DCLIPSTATUS9* status) {
    CallBuilder call = Begin("SetClipStatus");
    call.Pointer(status);
    HRESULT result = Planned(call);
    if (status == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        clipStatus_ = *status;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetClipStatus(D3DCLIPSTATUS9* status) {
    CallBuilder call = Begin("GetClipStatus");
    HRESULT result = Planned(call);
    if (status == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *status = clipStatus_;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetTexture(DWORD stage, IDirect3DBaseTexture9** texture) {
    CallBuilder call = Begin("GetTexture");
    call.Uint(stage);
    HRESULT result = Planned(call);
    if (!IsValidSampler(stage))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        result = CopyOut(Texture(stage), texture);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    CallBuilder call = Begin("SetTexture");
    call.Uint(stage).Object(texture);
    HRESULT result = Planned(call);
    if (!IsValidSampler(stage))
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        Rebind(textures_[stage], texture);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD* value) {
    CallBuilder call = Begin("GetTextureStageState");
    call.Uint(stage).Named(type, TextureStageStateName(type));
    HRESULT result = Planned(call);
    if (value == nullptr || stage >= kMaxTextureStages || type > kLastTextureStageState)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *value = TextureStageState(stage, type);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    CallBuilder call = Begin("SetTextureStageState");
    call.Uint(stage).Named(type, TextureStageStateName(type)).Value(value);
    HRESULT result = Planned(call);
    if (stage >= kMaxTextureStages || type > kLastTextureStageState)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        stageStates_[{stage, type}] = value;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD* value) {
    CallBuilder call = Begin("GetSamplerState");
    call.Uint(sampler).Named(type, SamplerStateName(type));
    HRESULT result = Planned(call);
    if (value == nullptr || !IsValidSampler(sampler) || type > kLastSamplerState)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *value = SamplerState(sampler, type);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    CallBuilder call = Begin("SetSamplerState");
    call.Uint(sampler).Named(type, SamplerStateName(type)).Value(value);
    HRESULT result = Planned(call);
    if (!IsValidSampler(sampler) || type > kLastSamplerState)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        samplerStates_[{sampler, type}] = value;
    return Finish(call, result);
}

HRESULT RecordingDevice::ValidateDevice(DWORD* passes) {
    CallBuilder call = Begin("ValidateDevice");
    HRESULT result = Planned(call);
    if (passes == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *passes = 1;
    return Finish(call, result);
}

HRESULT RecordingDevice::SetPaletteEntries(UINT palette, const PALETTEENTRY* entries) {
    CallBuilder call = Begin("SetPaletteEntries");
    call.Uint(palette).Pointer(entries);
    HRESULT result = Planned(call);
    if (entries == nullptr || palette >= kMaxPalettes)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        palettes_[palette] = std::vector<PALETTEENTRY>(entries, entries + kPaletteEntries);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetPaletteEntries(UINT palette, PALETTEENTRY* entries) {
    CallBuilder call = Begin("GetPaletteEntries");
    call.Uint(palette);
    HRESULT result = Planned(call);
    const auto found = palettes_.find(palette);
    if (entries == nullptr || found == palettes_.end())
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        std::copy(found->second.begin(), found->second.end(), entries);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetCurrentTexturePalette(UINT palette) {
    CallBuilder call = Begin("SetCurrentTexturePalette");
    call.Uint(palette);
    HRESULT result = Planned(call);
    if (palettes_.find(palette) == palettes_.end())
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        currentPalette_ = palette;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetCurrentTexturePalette(UINT* palette) {
    CallBuilder call = Begin("GetCurrentTexturePalette");
    HRESULT result = Planned(call);
    if (palette == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *palette = currentPalette_;
    return Finish(call, result);
}

HRESULT RecordingDevice::SetScissorRect(const RECT* rect) {
    CallBuilder call = Begin("SetScissorRect");
    call.Named(reinterpret_cast<uintptr_t>(rect), RectText(rect));
    HRESULT result = Planned(call);
    if (rect == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        scissor_ = *rect;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetScissorRect(RECT* rect) {
    CallBuilder call = Begin("GetScissorRect");
    HRESULT result = Planned(call);
    if (rect == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *rect = scissor_;
    return Finish(call, result);
}

HRESULT RecordingDevice::SetSoftwareVertexProcessing(BOOL software) {
    CallBuilder call = Begin("SetSoftwareVertexProcessing");
    call.Bool(software);
    HRESULT result = Planned(call);
    if ((creation_.BehaviorFlags & D3DCREATE_MIXED_VERTEXPROCESSING) == 0 && software != FALSE &&
        (creation_.BehaviorFlags & D3DCREATE_SOFTWARE_VERTEXPROCESSING) == 0)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        softwareVertexProcessing_ = software;
    return Finish(call, result);
}

BOOL RecordingDevice::GetSoftwareVertexProcessing() {
    CallBuilder call = Begin("GetSoftwareVertexProcessing");
    Finish(call, D3D_OK);
    return softwareVertexProcessing_;
}

HRESULT RecordingDevice::SetNPatchMode(float segments) {
    CallBuilder call = Begin("SetNPatchMode");
    call.Float(segments);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        nPatchSegments_ = segments;
    return Finish(call, result);
}

float RecordingDevice::GetNPatchMode() {
    CallBuilder call = Begin("GetNPatchMode");
    Finish(call, D3D_OK);
    return nPatchSegments_;
}

// ---- Drawing ----

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    CallBuilder call = Begin("DrawPrimitive");
    call.Named(type, PrimitiveTypeName(type)).Uint(startVertex).Uint(primitiveCount);
    return Simple(call, DrawCheck());
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex,
                                              UINT vertexCount, UINT startIndex, UINT primitiveCount) {
    CallBuilder call = Begin("DrawIndexedPrimitive");
    call.Named(type, PrimitiveTypeName(type))
        .Int(baseVertex)
        .Uint(minIndex)
        .Uint(vertexCount)
        .Uint(startIndex)
        .Uint(primitiveCount);
    HRESULT check = DrawCheck();
    if (indices_ == nullptr)
        check = D3DERR_INVALIDCALL;
    return Simple(call, check);
}

HRESULT RecordingDevice::DrawPrimitiveUP(D3DPRIMITIVETYPE type, UINT primitiveCount, const void* data,
                                         UINT stride) {
    CallBuilder call = Begin("DrawPrimitiveUP");
    call.Named(type, PrimitiveTypeName(type)).Uint(primitiveCount).Pointer(data).Uint(stride);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = data == nullptr ? D3DERR_INVALIDCALL : DrawCheck();
    if (SUCCEEDED(result)) {
        // As on a real device, the user-pointer draw leaves stream 0 unset.
        Rebind(streams_[0].buffer, static_cast<IDirect3DVertexBuffer9*>(nullptr));
        streams_[0].offset = streams_[0].stride = 0;
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::DrawIndexedPrimitiveUP(D3DPRIMITIVETYPE type, UINT minIndex, UINT vertexCount,
                                                UINT primitiveCount, const void* indices, D3DFORMAT format,
                                                const void* data, UINT stride) {
    CallBuilder call = Begin("DrawIndexedPrimitiveUP");
    call.Named(type, PrimitiveTypeName(type))
        .Uint(minIndex)
        .Uint(vertexCount)
        .Uint(primitiveCount)
        .Pointer(indices)
        .Uint(format)
        .Pointer(data)
        .Uint(stride);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = data == nullptr || indices == nullptr ? D3DERR_INVALIDCALL : DrawCheck();
    if (SUCCEEDED(result)) {
        // ...and the index buffer too.
        Rebind(streams_[0].buffer, static_cast<IDirect3DVertexBuffer9*>(nullptr));
        streams_[0].offset = streams_[0].stride = 0;
        Rebind(indices_, static_cast<IDirect3DIndexBuffer9*>(nullptr));
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::ProcessVertices(UINT sourceStart, UINT destinationIndex, UINT vertexCount,
                                         IDirect3DVertexBuffer9* destination,
                                         IDirect3DVertexDeclaration9* declaration, DWORD flags) {
    CallBuilder call = Begin("ProcessVertices");
    call.Uint(sourceStart).Uint(destinationIndex).Uint(vertexCount).Object(destination).Object(declaration).Hex(flags);
    return Simple(call, destination == nullptr ? D3DERR_INVALIDCALL : D3D_OK);
}

// ---- Shaders and vertex input ----

HRESULT RecordingDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                 IDirect3DVertexDeclaration9** declaration) {
    CallBuilder call = Begin("CreateVertexDeclaration");
    std::vector<D3DVERTEXELEMENT9> copy = FakeVertexDeclaration::ReadElements(elements, kMaxDeclarationElements);
    call.Pointer(elements).Uint(copy.empty() ? 0 : copy.size() - 1);
    HRESULT result = Planned(call);
    if (declaration == nullptr || copy.empty())
        result = D3DERR_INVALIDCALL;
    if (declaration != nullptr)
        *declaration = nullptr;
    if (SUCCEEDED(result)) {
        *declaration = new FakeVertexDeclaration(this, SharedRecorder(), std::move(copy));
        call.Object(*declaration);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
    CallBuilder call = Begin("SetVertexDeclaration");
    call.Object(declaration);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result)) {
        Rebind(vertexDeclaration_, declaration);
        fvf_ = 0;
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::GetVertexDeclaration(IDirect3DVertexDeclaration9** declaration) {
    CallBuilder call = Begin("GetVertexDeclaration");
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = CopyOut(vertexDeclaration_, declaration);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetFVF(DWORD fvf) {
    CallBuilder call = Begin("SetFVF");
    call.Hex(fvf);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result)) {
        fvf_ = fvf;
        if (fvf != 0)
            Rebind(vertexDeclaration_, static_cast<IDirect3DVertexDeclaration9*>(nullptr));
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::GetFVF(DWORD* fvf) {
    CallBuilder call = Begin("GetFVF");
    HRESULT result = Planned(call);
    if (fvf == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *fvf = fvf_;
    return Finish(call, result);
}

HRESULT RecordingDevice::CreateVertexShader(const DWORD* code, IDirect3DVertexShader9** shader) {
    CallBuilder call = Begin("CreateVertexShader");
    std::vector<DWORD> copy = FakeVertexShader::ReadByteCode(code, kVertexShaderVersionPrefix, kMaxShaderTokens);
    call.Pointer(code).Uint(copy.size());
    HRESULT result = Planned(call);
    if (shader == nullptr || copy.empty())
        result = D3DERR_INVALIDCALL;
    if (shader != nullptr)
        *shader = nullptr;
    if (SUCCEEDED(result)) {
        *shader = new FakeVertexShader(this, SharedRecorder(), "VertexShader", std::move(copy));
        call.Object(*shader);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::SetVertexShader(IDirect3DVertexShader9* shader) {
    CallBuilder call = Begin("SetVertexShader");
    call.Object(shader);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        Rebind(vertexShader_, shader);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetVertexShader(IDirect3DVertexShader9** shader) {
    CallBuilder call = Begin("GetVertexShader");
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = CopyOut(vertexShader_, shader);
    return Finish(call, result);
}

namespace {

// Shared by the six constant setters: copies `count` registers of `width`
// values from `data` into `registers` when they fit.
template <class T>
HRESULT SetConstants(std::vector<T>& registers, size_t width, UINT start, const T* data, UINT count) {
    const size_t limit = registers.size() / width;
    if (data == nullptr || start > limit || count > limit - start)
        return D3DERR_INVALIDCALL;
    std::copy_n(data, count * width, registers.begin() + start * width);
    return D3D_OK;
}

template <class T>
HRESULT GetConstants(const std::vector<T>& registers, size_t width, UINT start, T* data, UINT count) {
    const size_t limit = registers.size() / width;
    if (data == nullptr || start > limit || count > limit - start)
        return D3DERR_INVALIDCALL;
    std::copy_n(registers.begin() + start * width, count * width, data);
    return D3D_OK;
}

}  // namespace

HRESULT RecordingDevice::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    CallBuilder call = Begin("SetVertexShaderConstantF");
    call.Uint(start).Floats(data, static_cast<size_t>(count) * 4).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = SetConstants(vertexConstantsF_, 4, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetVertexShaderConstantF(UINT start, float* data, UINT count) {
    CallBuilder call = Begin("GetVertexShaderConstantF");
    call.Uint(start).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = GetConstants(vertexConstantsF_, 4, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetVertexShaderConstantI(UINT start, const int* data, UINT count) {
    CallBuilder call = Begin("SetVertexShaderConstantI");
    call.Uint(start).Ints(data, static_cast<size_t>(count) * 4).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = SetConstants(vertexConstantsI_, 4, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetVertexShaderConstantI(UINT start, int* data, UINT count) {
    CallBuilder call = Begin("GetVertexShaderConstantI");
    call.Uint(start).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = GetConstants(vertexConstantsI_, 4, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetVertexShaderConstantB(UINT start, const BOOL* data, UINT count) {
    CallBuilder call = Begin("SetVertexShaderConstantB");
    call.Uint(start).Ints(reinterpret_cast<const int*>(data), count).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = SetConstants(vertexConstantsB_, 1, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetVertexShaderConstantB(UINT start, BOOL* data, UINT count) {
    CallBuilder call = Begin("GetVertexShaderConstantB");
    call.Uint(start).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = GetConstants(vertexConstantsB_, 1, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
    CallBuilder call = Begin("SetStreamSource");
    call.Uint(stream).Object(buffer).Uint(offset).Uint(stride);
    HRESULT result = Planned(call);
    if (stream >= kMaxStreams)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result)) {
        Rebind(streams_[stream].buffer, buffer);
        streams_[stream].offset = offset;
        streams_[stream].stride = stride;
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::GetStreamSource(UINT stream, IDirect3DVertexBuffer9** buffer, UINT* offset, UINT* stride) {
    CallBuilder call = Begin("GetStreamSource");
    call.Uint(stream);
    HRESULT result = Planned(call);
    if (stream >= kMaxStreams || offset == nullptr || stride == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        result = CopyOut(streams_[stream].buffer, buffer);
    if (SUCCEEDED(result)) {
        *offset = streams_[stream].offset;
        *stride = streams_[stream].stride;
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::SetStreamSourceFreq(UINT stream, UINT divider) {
    CallBuilder call = Begin("SetStreamSourceFreq");
    call.Uint(stream).Hex(divider);
    HRESULT result = Planned(call);
    if (stream >= kMaxStreams)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        streams_[stream].frequency = divider;
    return Finish(call, result);
}

HRESULT RecordingDevice::GetStreamSourceFreq(UINT stream, UINT* divider) {
    CallBuilder call = Begin("GetStreamSourceFreq");
    call.Uint(stream);
    HRESULT result = Planned(call);
    if (stream >= kMaxStreams || divider == nullptr)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        *divider = streams_[stream].frequency;
    return Finish(call, result);
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* indices) {
    CallBuilder call = Begin("SetIndices");
    call.Object(indices);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        Rebind(indices_, indices);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetIndices(IDirect3DIndexBuffer9** indices) {
    CallBuilder call = Begin("GetIndices");
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = CopyOut(indices_, indices);
    return Finish(call, result);
}

HRESULT RecordingDevice::CreatePixelShader(const DWORD* code, IDirect3DPixelShader9** shader) {
    CallBuilder call = Begin("CreatePixelShader");
    std::vector<DWORD> copy = FakePixelShader::ReadByteCode(code, kPixelShaderVersionPrefix, kMaxShaderTokens);
    call.Pointer(code).Uint(copy.size());
    HRESULT result = Planned(call);
    if (shader == nullptr || copy.empty() || (code[0] & 0xFFFF) > (caps_.PixelShaderVersion & 0xFFFF))
        result = D3DERR_INVALIDCALL;
    if (shader != nullptr)
        *shader = nullptr;
    if (SUCCEEDED(result)) {
        *shader = new FakePixelShader(this, SharedRecorder(), "PixelShader", std::move(copy));
        call.Object(*shader);
    }
    return Finish(call, result);
}

HRESULT RecordingDevice::SetPixelShader(IDirect3DPixelShader9* shader) {
    CallBuilder call = Begin("SetPixelShader");
    call.Object(shader);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        Rebind(pixelShader_, shader);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetPixelShader(IDirect3DPixelShader9** shader) {
    CallBuilder call = Begin("GetPixelShader");
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = CopyOut(pixelShader_, shader);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    CallBuilder call = Begin("SetPixelShaderConstantF");
    call.Uint(start).Floats(data, static_cast<size_t>(count) * 4).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = SetConstants(pixelConstantsF_, 4, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetPixelShaderConstantF(UINT start, float* data, UINT count) {
    CallBuilder call = Begin("GetPixelShaderConstantF");
    call.Uint(start).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = GetConstants(pixelConstantsF_, 4, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetPixelShaderConstantI(UINT start, const int* data, UINT count) {
    CallBuilder call = Begin("SetPixelShaderConstantI");
    call.Uint(start).Ints(data, static_cast<size_t>(count) * 4).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = SetConstants(pixelConstantsI_, 4, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetPixelShaderConstantI(UINT start, int* data, UINT count) {
    CallBuilder call = Begin("GetPixelShaderConstantI");
    call.Uint(start).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = GetConstants(pixelConstantsI_, 4, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::SetPixelShaderConstantB(UINT start, const BOOL* data, UINT count) {
    CallBuilder call = Begin("SetPixelShaderConstantB");
    call.Uint(start).Ints(reinterpret_cast<const int*>(data), count).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = SetConstants(pixelConstantsB_, 1, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::GetPixelShaderConstantB(UINT start, BOOL* data, UINT count) {
    CallBuilder call = Begin("GetPixelShaderConstantB");
    call.Uint(start).Uint(count);
    HRESULT result = Planned(call);
    if (SUCCEEDED(result))
        result = GetConstants(pixelConstantsB_, 1, start, data, count);
    return Finish(call, result);
}

HRESULT RecordingDevice::DrawRectPatch(UINT handle, const float*, const D3DRECTPATCH_INFO*) {
    CallBuilder call = Begin("DrawRectPatch");
    call.Uint(handle);
    return Simple(call, D3DERR_INVALIDCALL);
}

HRESULT RecordingDevice::DrawTriPatch(UINT handle, const float*, const D3DTRIPATCH_INFO*) {
    CallBuilder call = Begin("DrawTriPatch");
    call.Uint(handle);
    return Simple(call, D3DERR_INVALIDCALL);
}

HRESULT RecordingDevice::DeletePatch(UINT handle) {
    CallBuilder call = Begin("DeletePatch");
    call.Uint(handle);
    return Simple(call, D3DERR_INVALIDCALL);
}

HRESULT RecordingDevice::CreateQuery(D3DQUERYTYPE type, IDirect3DQuery9** query) {
    CallBuilder call = Begin("CreateQuery");
    call.Uint(type);
    if (query != nullptr)
        *query = nullptr;
    return Simple(call, D3DERR_NOTAVAILABLE);
}

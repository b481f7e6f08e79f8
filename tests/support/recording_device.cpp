// The recording device: call recording, kept state and resource creation.
#include "tests/support/recording_device.h"

#include <algorithm>
#include <cstring>

#include "tests/support/d3d_names.h"
#include "tests/support/fake_cube_texture.h"
#include "tests/support/fake_index_buffer.h"
#include "tests/support/fake_shader.h"
#include "tests/support/fake_texture.h"
#include "tests/support/fake_vertex_buffer.h"
#include "tests/support/fake_vertex_declaration.h"

namespace {

constexpr UINT kMaxTextureStages = 8;
constexpr UINT kMaxSamplers = 16;
constexpr UINT kMaxClipPlanes = 6;
constexpr UINT kVertexShaderFloatRegisters = 256;
constexpr UINT kPixelShaderFloatRegisters = 224;
constexpr DWORD kVertexShaderVersionPrefix = 0xFFFE0000;
constexpr DWORD kPixelShaderVersionPrefix = 0xFFFF0000;
constexpr size_t kMaxShaderTokens = 1 << 16;
constexpr size_t kMaxDeclarationElements = 64;
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

// A binding keeps a fake alive without the reference count the code sees.
void Bind(IUnknown* object, bool bound) {
    void* bindable = nullptr;
    if (object == nullptr || FAILED(object->QueryInterface(kFakeBindableIid, &bindable)))
        return;
    if (bound)
        static_cast<FakeBindable*>(bindable)->AddBinding();
    else
        static_cast<FakeBindable*>(bindable)->RemoveBinding();
}

template <class T>
void Rebind(T*& slot, T* object) {
    Bind(object, true);
    Bind(slot, false);
    slot = object;
}

bool IsValidSampler(DWORD sampler) {
    return sampler < kMaxSamplers || (sampler >= kDisplacementSampler && sampler <= kLastVertexSampler);
}

bool IsValidTransform(DWORD state) {
    return state == D3DTS_VIEW || state == D3DTS_PROJECTION || (state >= D3DTS_TEXTURE0 && state <= D3DTS_TEXTURE7) ||
           (state >= kWorldMatrixFirst && state <= kWorldMatrixLast);
}

// Register `reg` of four floats; zeros past the last.
std::array<float, 4> Register(const std::vector<float>& registers, UINT reg) {
    std::array<float, 4> value{};
    if (reg < registers.size() / 4)
        std::copy_n(registers.begin() + reg * 4, 4, value.begin());
    return value;
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
    caps.TextureCaps =
        D3DPTEXTURECAPS_ALPHA | D3DPTEXTURECAPS_MIPMAP | D3DPTEXTURECAPS_CUBEMAP | D3DPTEXTURECAPS_MIPCUBEMAP;
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

RecordingDevice::RecordingDevice(std::shared_ptr<CallRecorder> recorder, IDirect3D9* direct3d, const D3DCAPS9& caps,
                                 const D3DDEVICE_CREATION_PARAMETERS& creation,
                                 const D3DPRESENT_PARAMETERS& presentation)
    : FakeObject(std::move(recorder), "Device"),
      direct3d_(direct3d),
      caps_(caps),
      creation_(creation),
      presentation_(presentation),
      vertexConstants_(kVertexShaderFloatRegisters * 4, 0.0f),
      pixelConstants_(kPixelShaderFloatRegisters * 4, 0.0f) {
    if (direct3d_ != nullptr)
        direct3d_->AddRef();
    if (!presentation_.EnableAutoDepthStencil)
        renderStates_[D3DRS_ZENABLE] = D3DZB_FALSE;
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
    if (direct3d_ != nullptr) {
        direct3d_->Release();
        direct3d_ = nullptr;
    }
}

template <class Apply>
HRESULT RecordingDevice::Done(CallBuilder& call, bool valid, Apply apply) {
    HRESULT result = Planned(call);
    if (SUCCEEDED(result) && !valid)
        result = D3DERR_INVALIDCALL;
    if (SUCCEEDED(result))
        apply();
    return Finish(call, result);
}

HRESULT RecordingDevice::Done(CallBuilder& call, bool valid) {
    return Done(call, valid, [] {});
}

template <class T>
HRESULT RecordingDevice::Answer(CallBuilder& call, bool valid, T* out, const T& value) {
    return Done(call, valid && out != nullptr, [&] { *out = value; });
}

template <class T, class Make>
HRESULT RecordingDevice::Created(CallBuilder& call, bool valid, T** out, Make make) {
    if (out != nullptr)
        *out = nullptr;
    return Done(call, valid && out != nullptr, [&] {
        *out = make();
        call.Object(*out);
    });
}

template <class T>
HRESULT RecordingDevice::SetBinding(const char* method, T*& slot, T* object) {
    CallBuilder call = Begin(method);
    call.Object(object);
    return Done(call, true, [&] { Rebind(slot, object); });
}

bool RecordingDevice::CanDraw() const { return inScene_ || drawsOutsideSceneAllowed_; }

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

std::array<float, 4> RecordingDevice::VertexShaderConstant(UINT reg) const { return Register(vertexConstants_, reg); }

std::array<float, 4> RecordingDevice::PixelShaderConstant(UINT reg) const { return Register(pixelConstants_, reg); }

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

HRESULT RecordingDevice::EvictManagedResources() {
    CallBuilder call = Begin("EvictManagedResources");
    return Done(call, true);
}

HRESULT RecordingDevice::GetDirect3D(IDirect3D9** direct3d) {
    CallBuilder call = Begin("GetDirect3D");
    const HRESULT result = Answer(call, direct3d_ != nullptr, direct3d, direct3d_);
    if (SUCCEEDED(result))
        direct3d_->AddRef();
    return result;
}

HRESULT RecordingDevice::GetDeviceCaps(D3DCAPS9* caps) {
    CallBuilder call = Begin("GetDeviceCaps");
    return Answer(call, true, caps, caps_);
}

HRESULT RecordingDevice::GetDisplayMode(UINT swapChain, D3DDISPLAYMODE* mode) {
    CallBuilder call = Begin("GetDisplayMode");
    call.Uint(swapChain);
    return Answer(call, swapChain == 0, mode,
                  D3DDISPLAYMODE{presentation_.BackBufferWidth, presentation_.BackBufferHeight, kDisplayRefreshHz,
                                 presentation_.BackBufferFormat});
}

HRESULT RecordingDevice::GetCreationParameters(D3DDEVICE_CREATION_PARAMETERS* parameters) {
    CallBuilder call = Begin("GetCreationParameters");
    return Answer(call, true, parameters, creation_);
}

HRESULT RecordingDevice::Reset(D3DPRESENT_PARAMETERS* parameters) {
    CallBuilder call = Begin("Reset");
    call.Pointer(parameters);
    if (parameters != nullptr)
        call.Uint(parameters->BackBufferWidth).Uint(parameters->BackBufferHeight).Bool(parameters->Windowed);
    return Done(call, parameters != nullptr, [&] {
        presentation_ = *parameters;
        inScene_ = false;
    });
}

HRESULT RecordingDevice::Present(const RECT* source, const RECT* destination, HWND window, const RGNDATA* dirty) {
    CallBuilder call = Begin("Present");
    call.Named(reinterpret_cast<uintptr_t>(source), RectText(source))
        .Named(reinterpret_cast<uintptr_t>(destination), RectText(destination))
        .Pointer(window)
        .Pointer(dirty);
    return Done(call, !inScene_, [&] { Recorder().FramePresented(); });
}

// ---- Resources ----

HRESULT RecordingDevice::CreateTexture(UINT width, UINT height, UINT levels, DWORD usage, D3DFORMAT format,
                                       D3DPOOL pool, IDirect3DTexture9** texture, HANDLE* shared) {
    CallBuilder call = Begin("CreateTexture");
    call.Uint(width).Uint(height).Uint(levels).Hex(usage).Uint(format).Named(pool, PoolName(pool));
    const bool valid = width != 0 && height != 0 && width <= caps_.MaxTextureWidth &&
                       height <= caps_.MaxTextureHeight && shared == nullptr;
    return Created(call, valid, texture,
                   [&] { return new FakeTexture(this, SharedRecorder(), width, height, levels, usage, format, pool); });
}

HRESULT RecordingDevice::CreateCubeTexture(UINT edge, UINT levels, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DCubeTexture9** texture, HANDLE* shared) {
    CallBuilder call = Begin("CreateCubeTexture");
    call.Uint(edge).Uint(levels).Hex(usage).Uint(format).Named(pool, PoolName(pool));
    const bool valid = edge != 0 && edge <= caps_.MaxTextureWidth && shared == nullptr;
    return Created(call, valid, texture,
                   [&] { return new FakeCubeTexture(this, SharedRecorder(), edge, levels, usage, format, pool); });
}

HRESULT RecordingDevice::CreateVertexBuffer(UINT length, DWORD usage, DWORD fvf, D3DPOOL pool,
                                            IDirect3DVertexBuffer9** buffer, HANDLE* shared) {
    CallBuilder call = Begin("CreateVertexBuffer");
    call.Uint(length).Hex(usage).Hex(fvf).Named(pool, PoolName(pool));
    return Created(call, length != 0 && shared == nullptr, buffer,
                   [&] { return new FakeVertexBuffer(this, SharedRecorder(), length, usage, fvf, pool); });
}

HRESULT RecordingDevice::CreateIndexBuffer(UINT length, DWORD usage, D3DFORMAT format, D3DPOOL pool,
                                           IDirect3DIndexBuffer9** buffer, HANDLE* shared) {
    CallBuilder call = Begin("CreateIndexBuffer");
    call.Uint(length).Hex(usage).Uint(format).Named(pool, PoolName(pool));
    const bool valid = length != 0 && shared == nullptr && (format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32);
    return Created(call, valid, buffer,
                   [&] { return new FakeIndexBuffer(this, SharedRecorder(), length, usage, format, pool); });
}

HRESULT RecordingDevice::UpdateTexture(IDirect3DBaseTexture9* source, IDirect3DBaseTexture9* destination) {
    CallBuilder call = Begin("UpdateTexture");
    call.Object(source).Object(destination);
    return Done(call, source != nullptr && destination != nullptr);
}

// ---- Frames ----

HRESULT RecordingDevice::BeginScene() {
    CallBuilder call = Begin("BeginScene");
    return Done(call, !inScene_, [&] { inScene_ = true; });
}

HRESULT RecordingDevice::EndScene() {
    CallBuilder call = Begin("EndScene");
    return Done(call, inScene_, [&] { inScene_ = false; });
}

HRESULT RecordingDevice::Clear(DWORD rectCount, const D3DRECT* rects, DWORD flags, D3DCOLOR color, float z,
                               DWORD stencil) {
    CallBuilder call = Begin("Clear");
    call.Uint(rectCount).Pointer(rects).Hex(flags).Hex(color).Float(z).Uint(stencil);
    // Only the automatic depth buffer can stand behind a depth clear.
    const bool wantsDepth = (flags & (D3DCLEAR_ZBUFFER | D3DCLEAR_STENCIL)) != 0;
    const bool hasDepth = presentation_.EnableAutoDepthStencil != FALSE;
    return Done(call, (rectCount == 0 || rects != nullptr) && (!wantsDepth || hasDepth));
}

// ---- Fixed-function state ----

HRESULT RecordingDevice::SetTransform(D3DTRANSFORMSTATETYPE state, const D3DMATRIX* matrix) {
    CallBuilder call = Begin("SetTransform");
    call.Named(state, TransformName(state)).Floats(matrix != nullptr ? &matrix->_11 : nullptr, 16);
    return Done(call, matrix != nullptr && IsValidTransform(state), [&] { transforms_[state] = *matrix; });
}

HRESULT RecordingDevice::SetRenderState(D3DRENDERSTATETYPE state, DWORD value) {
    CallBuilder call = Begin("SetRenderState");
    call.Named(state, RenderStateName(state)).Value(value);
    return Done(call, state < kRenderStateLimit, [&] { renderStates_[state] = value; });
}

HRESULT RecordingDevice::SetTexture(DWORD stage, IDirect3DBaseTexture9* texture) {
    CallBuilder call = Begin("SetTexture");
    call.Uint(stage).Object(texture);
    return Done(call, IsValidSampler(stage), [&] { Rebind(textures_[stage], texture); });
}

HRESULT RecordingDevice::SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value) {
    CallBuilder call = Begin("SetTextureStageState");
    call.Uint(stage).Named(type, TextureStageStateName(type)).Value(value);
    return Done(call, stage < kMaxTextureStages && type <= kLastTextureStageState,
                [&] { stageStates_[{stage, type}] = value; });
}

HRESULT RecordingDevice::SetSamplerState(DWORD sampler, D3DSAMPLERSTATETYPE type, DWORD value) {
    CallBuilder call = Begin("SetSamplerState");
    call.Uint(sampler).Named(type, SamplerStateName(type)).Value(value);
    return Done(call, IsValidSampler(sampler) && type <= kLastSamplerState,
                [&] { samplerStates_[{sampler, type}] = value; });
}

// ---- Drawing ----

HRESULT RecordingDevice::DrawPrimitive(D3DPRIMITIVETYPE type, UINT startVertex, UINT primitiveCount) {
    CallBuilder call = Begin("DrawPrimitive");
    call.Named(type, PrimitiveTypeName(type)).Uint(startVertex).Uint(primitiveCount);
    return Done(call, CanDraw());
}

HRESULT RecordingDevice::DrawIndexedPrimitive(D3DPRIMITIVETYPE type, INT baseVertex, UINT minIndex, UINT vertexCount,
                                              UINT startIndex, UINT primitiveCount) {
    CallBuilder call = Begin("DrawIndexedPrimitive");
    call.Named(type, PrimitiveTypeName(type))
        .Int(baseVertex)
        .Uint(minIndex)
        .Uint(vertexCount)
        .Uint(startIndex)
        .Uint(primitiveCount);
    return Done(call, CanDraw() && indices_ != nullptr &&
                          (type != D3DPT_TRIANGLELIST ||
                           IndexedDrawInBounds(baseVertex, minIndex, vertexCount, startIndex, primitiveCount)));
}

bool RecordingDevice::IndexedDrawInBounds(INT baseVertex, UINT minIndex, UINT vertexCount, UINT startIndex,
                                          UINT primitiveCount) const {
    const auto* indices = static_cast<const FakeIndexBuffer*>(indices_);
    const auto* vertices = static_cast<const FakeVertexBuffer*>(streams_[0].buffer);
    if (vertices == nullptr || streams_[0].stride == 0)
        return false;
    const size_t indexSize = indices->Format() == D3DFMT_INDEX32 ? 4 : 2;
    const size_t first = startIndex, count = size_t(primitiveCount) * 3;
    if ((first + count) * indexSize > indices->Data().size())
        return false;
    const size_t vertexSlots = (vertices->Data().size() - streams_[0].offset) / streams_[0].stride;
    for (size_t k = first; k < first + count; ++k) {
        uint32_t index = 0;
        std::memcpy(&index, indices->Data().data() + k * indexSize, indexSize);
        const int64_t vertex = int64_t(baseVertex) + index;
        if (index < minIndex || index >= uint64_t(minIndex) + vertexCount || vertex < 0 ||
            uint64_t(vertex) >= vertexSlots)
            return false;
    }
    return true;
}

// ---- Shaders and vertex input ----

HRESULT RecordingDevice::CreateVertexDeclaration(const D3DVERTEXELEMENT9* elements,
                                                 IDirect3DVertexDeclaration9** declaration) {
    CallBuilder call = Begin("CreateVertexDeclaration");
    std::vector<D3DVERTEXELEMENT9> copy = FakeVertexDeclaration::ReadElements(elements, kMaxDeclarationElements);
    call.Pointer(elements).Uint(copy.empty() ? 0 : copy.size() - 1);
    return Created(call, !copy.empty(), declaration,
                   [&] { return new FakeVertexDeclaration(this, SharedRecorder(), std::move(copy)); });
}

HRESULT RecordingDevice::SetVertexDeclaration(IDirect3DVertexDeclaration9* declaration) {
    CallBuilder call = Begin("SetVertexDeclaration");
    call.Object(declaration);
    return Done(call, true, [&] {
        Rebind(vertexDeclaration_, declaration);
        fvf_ = 0;
    });
}

HRESULT RecordingDevice::SetFVF(DWORD fvf) {
    CallBuilder call = Begin("SetFVF");
    call.Hex(fvf);
    return Done(call, true, [&] {
        fvf_ = fvf;
        if (fvf != 0)
            Rebind(vertexDeclaration_, static_cast<IDirect3DVertexDeclaration9*>(nullptr));
    });
}

HRESULT RecordingDevice::CreateVertexShader(const DWORD* code, IDirect3DVertexShader9** shader) {
    CallBuilder call = Begin("CreateVertexShader");
    std::vector<DWORD> copy = FakeVertexShader::ReadByteCode(code, kVertexShaderVersionPrefix, kMaxShaderTokens);
    call.Pointer(code).Uint(copy.size());
    return Created(call, !copy.empty(), shader,
                   [&] { return new FakeVertexShader(this, SharedRecorder(), "VertexShader", std::move(copy)); });
}

HRESULT RecordingDevice::SetVertexShader(IDirect3DVertexShader9* shader) {
    return SetBinding("SetVertexShader", vertexShader_, shader);
}

HRESULT RecordingDevice::SetVertexShaderConstantF(UINT start, const float* data, UINT count) {
    return SetConstants("SetVertexShaderConstantF", vertexConstants_, start, data, count);
}

// Keeps `count` registers of four floats from `start`, if they exist and are given.
HRESULT RecordingDevice::SetConstants(const char* method, std::vector<float>& registers, UINT start, const float* data,
                                      UINT count) {
    CallBuilder call = Begin(method);
    call.Uint(start).Floats(data, static_cast<size_t>(count) * 4).Uint(count);
    const size_t limit = registers.size() / 4;
    return Done(call, data != nullptr && start <= limit && count <= limit - start,
                [&] { std::copy_n(data, count * 4, registers.begin() + start * 4); });
}

HRESULT RecordingDevice::SetStreamSource(UINT stream, IDirect3DVertexBuffer9* buffer, UINT offset, UINT stride) {
    CallBuilder call = Begin("SetStreamSource");
    call.Uint(stream).Object(buffer).Uint(offset).Uint(stride);
    return Done(call, stream < kMaxStreams, [&] {
        Rebind(streams_[stream].buffer, buffer);
        streams_[stream].offset = offset;
        streams_[stream].stride = stride;
    });
}

HRESULT RecordingDevice::SetIndices(IDirect3DIndexBuffer9* indices) {
    return SetBinding("SetIndices", indices_, indices);
}

HRESULT RecordingDevice::CreatePixelShader(const DWORD* code, IDirect3DPixelShader9** shader) {
    CallBuilder call = Begin("CreatePixelShader");
    std::vector<DWORD> copy = FakePixelShader::ReadByteCode(code, kPixelShaderVersionPrefix, kMaxShaderTokens);
    call.Pointer(code).Uint(copy.size());
    // A device runs no pixel shader of a version above its own.
    const bool valid = !copy.empty() && (code[0] & 0xFFFF) <= (caps_.PixelShaderVersion & 0xFFFF);
    return Created(call, valid, shader,
                   [&] { return new FakePixelShader(this, SharedRecorder(), "PixelShader", std::move(copy)); });
}

HRESULT RecordingDevice::SetPixelShader(IDirect3DPixelShader9* shader) {
    return SetBinding("SetPixelShader", pixelShader_, shader);
}

HRESULT RecordingDevice::SetPixelShaderConstantF(UINT start, const float* data, UINT count) {
    return SetConstants("SetPixelShaderConstantF", pixelConstants_, start, data, count);
}

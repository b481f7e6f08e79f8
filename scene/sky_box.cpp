// SkyBox: a box 0.5 wide and 0.25 high around the eye, seen from inside.
#include "scene/sky_box.h"

#include "d3dx/d3dx.h"
#include "d3dx/prepared_pictures.h"
#include "render/render_context.h"
#include "render/scene_vertex.h"
#include "resources/resource_ids.h"

namespace {

constexpr float kHalfWidth = 0.25f;            // x and z extent, world units
constexpr float kHalfHeight = 0.125f;          // y extent: the box is half as high as wide
constexpr DWORD kMipBiasSharper = 0xBF333333;  // -0.7f: the faces stay crisp up close
constexpr DWORD kMipBiasNone = 0;              // 0.0f
constexpr D3DCOLOR kWhite = 0xFFFFFFFF;

struct FaceCorner {
    float x, y, z, u, v;
};

// Drawing order: the face index and its two triangles.
struct FaceQuad {
    int face;
    FaceCorner corners[6];
};

constexpr float W = kHalfWidth;
constexpr float H = kHalfHeight;

const FaceQuad kFaceQuads[SkyBox::kFaceCount] = {
    {0,
     {{W, -H, -W, 0, 1},
      {W, H, -W, 0, 0},
      {-W, H, -W, 1, 0},
      {-W, H, -W, 1, 0},
      {-W, -H, -W, 1, 1},
      {W, -H, -W, 0, 1}}},  // z = -0.25
    {1,
     {{-W, -H, W, 0, 1},
      {-W, H, W, 0, 0},
      {W, H, W, 1, 0},
      {W, H, W, 1, 0},
      {W, -H, W, 1, 1},
      {-W, -H, W, 0, 1}}},  // z = +0.25
    {4,
     {{W, H, -W, 1, 0},
      {W, H, W, 1, 1},
      {-W, H, W, 0, 1},
      {-W, H, W, 0, 1},
      {-W, H, -W, 0, 0},
      {W, H, -W, 1, 0}}},  // the top
    {3,
     {{-W, H, -W, 0, 0},
      {-W, H, W, 1, 0},
      {-W, -H, W, 1, 1},
      {-W, -H, W, 1, 1},
      {-W, -H, -W, 0, 1},
      {-W, H, -W, 0, 0}}},  // x = -0.25
    {2,
     {{W, -H, -W, 1, 1},
      {W, -H, W, 0, 1},
      {W, H, W, 0, 0},
      {W, H, W, 0, 0},
      {W, H, -W, 1, 0},
      {W, -H, -W, 1, 1}}},  // x = +0.25
};

// The load of face `i`, as Load makes it and the work ahead prepares it.
d3dx::TextureRequest FaceRequest(int i) {
    d3dx::TextureRequest request;
    request.id = static_cast<WORD>(IDR_SKY_FACE_FIRST + i);
    request.format = D3DFMT_A8R8G8B8;
    request.mipFilter = D3DX_FILTER_POINT;
    return request;
}

void SetBothSamplers(IDirect3DDevice9* device, D3DSAMPLERSTATETYPE type, DWORD value) {
    device->SetSamplerState(0, type, value);
    device->SetSamplerState(1, type, value);
}

}  // namespace

SkyBox::SkyBox() : faces{} {}

SkyBox::~SkyBox() = default;

void SkyBox::Load(IDirect3DDevice9* device) {
    for (int i = 0; i < kFaceCount; ++i) {
        faces[i] = nullptr;
        d3dx::CreateRequestedTexture(device, FaceRequest(i), &faces[i]);
    }
}

void SkyBox::AddPictureRequests(d3dx::PictureRequests& requests) {
    for (int i = 0; i < kFaceCount; ++i)
        requests.textures.push_back(FaceRequest(i));
}

HRESULT SkyBox::Draw(RenderContext& context) {
    IDirect3DDevice9* device = context.device;
    IDirect3DVertexBuffer9* overlayVertexBuffer = context.overlays.overlayVertexBuffer;
    SetBothSamplers(device, D3DSAMP_MIPMAPLODBIAS, kMipBiasSharper);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_DISABLE);
    for (DWORD sampler = 0; sampler < 2; ++sampler) {
        device->SetSamplerState(sampler, D3DSAMP_MAGFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MINFILTER, D3DTEXF_LINEAR);
        device->SetSamplerState(sampler, D3DSAMP_MIPFILTER, D3DTEXF_LINEAR);
    }
    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_CLAMP);

    for (const FaceQuad& quad : kFaceQuads) {
        void* data = nullptr;
        const HRESULT locked = overlayVertexBuffer != nullptr
                                   ? overlayVertexBuffer->Lock(0, 6 * kSceneVertexStride, &data, 0)
                                   : D3DERR_INVALIDCALL;
        if (FAILED(locked) || data == nullptr)
            return FAILED(locked) ? locked : D3DERR_INVALIDCALL;
        SceneVertex* vertices = static_cast<SceneVertex*>(data);
        for (int i = 0; i < 6; ++i) {
            const FaceCorner& c = quad.corners[i];
            vertices[i].x = c.x;
            vertices[i].y = c.y;
            vertices[i].z = c.z;
            vertices[i].diffuse = kWhite;
            vertices[i].u = c.u;
            vertices[i].v = c.v;
        }
        overlayVertexBuffer->Unlock();
        device->SetTexture(0, faces[quad.face]);
        device->SetStreamSource(0, overlayVertexBuffer, 0, kSceneVertexStride);
        device->SetFVF(kSceneVertexFvf);
        device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 2);
    }

    device->SetSamplerState(0, D3DSAMP_ADDRESSU, D3DTADDRESS_WRAP);
    device->SetSamplerState(0, D3DSAMP_ADDRESSV, D3DTADDRESS_WRAP);
    SetBothSamplers(device, D3DSAMP_MIPMAPLODBIAS, kMipBiasNone);
    return D3D_OK;
}

void SkyBox::Release() {
    for (IDirect3DTexture9*& face : faces) {
        if (face != nullptr) {
            face->Release();
            face = nullptr;
        }
    }
}

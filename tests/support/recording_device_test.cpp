// The recording device that the scene and ocean tests build on: that it
// counts objects honestly, hands out real memory, keeps what it is given,
// records calls readably, fails exactly the calls it is asked to, and fails
// the test that makes a call it does not emulate.
#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "tests/support/fake_index_buffer.h"
#include "tests/support/fake_texture.h"
#include "tests/support/fake_vertex_buffer.h"
#include "tests/support/recording_device.h"
#include "tests/support/recording_direct3d.h"

namespace {

using Texts = std::vector<std::string>;

// vs_2_0, a comment whose data holds the end token's value, then the end.
const DWORD kVertexShaderCode[] = {0xFFFE0200, 0x0002FFFE, 0x0000FFFF, 0x12345678, 0x0000FFFF};
const DWORD kPixelShader30Code[] = {0xFFFF0300, 0x0000FFFF};
const DWORD kPixelShader20Code[] = {0xFFFF0200, 0x0000FFFF};

TEST(RecordingDevice, EveryObjectIsCountedUntilItsLastReferenceGoes) {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    IDirect3DVertexBuffer9* vertices = nullptr;
    IDirect3DIndexBuffer9* indices = nullptr;
    IDirect3DTexture9* texture = nullptr;
    IDirect3DCubeTexture9* cube = nullptr;
    IDirect3DVertexShader9* vertexShader = nullptr;
    IDirect3DVertexDeclaration9* declaration = nullptr;
    const D3DVERTEXELEMENT9 elements[] = {{0, 0, D3DDECLTYPE_FLOAT3, 0, D3DDECLUSAGE_POSITION, 0}, D3DDECL_END()};
    ASSERT_EQ(device->CreateVertexBuffer(64, 0, 0, D3DPOOL_MANAGED, &vertices, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateCubeTexture(4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &cube, nullptr), D3D_OK);
    ASSERT_EQ(device->CreateVertexShader(kVertexShaderCode, &vertexShader), D3D_OK);
    ASSERT_EQ(device->CreateVertexDeclaration(elements, &declaration), D3D_OK);
    EXPECT_EQ(recorder->LiveObjectCount(), 7u);

    // Surfaces belong to their texture: they add no object and keep it alive.
    IDirect3DSurface9* level = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(1, &level), D3D_OK);
    EXPECT_EQ(recorder->LiveObjectCount(), 7u);

    // Bound objects outlive their last reference without being counted, as
    // on a real device.
    device->SetStreamSource(0, vertices, 0, 16);
    device->SetTexture(0, texture);
    device->SetVertexShader(vertexShader);
    EXPECT_EQ(vertices->Release(), 0u);
    EXPECT_EQ(texture->Release(), 1u);  // the level still holds it
    EXPECT_EQ(level->Release(), 0u);
    EXPECT_EQ(vertexShader->Release(), 0u);
    EXPECT_EQ(recorder->LiveObjectCount(), 4u);
    EXPECT_EQ(device->Texture(0)->GetLevelCount(), 4u);
    // Releasing an object no longer held is caught while a binding keeps it.
    EXPECT_EQ(texture->Release(), 0u);
    EXPECT_EQ(recorder->OverReleases(), Texts({"Texture#1"}));

    // A leak is named.
    declaration->Release();
    cube->Release();
    EXPECT_EQ(recorder->LiveObjectNames(), Texts({"Device#1", "IndexBuffer#1"}));
    indices->Release();
    // Every resource held a reference to the device, as Direct3D's do.
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(recorder->LiveObjectCount(), 0u);
    EXPECT_EQ(recorder->CreatedObjectCount(), 7u);
}

TEST(RecordingDevice, LocksHandOutTheMemoryTestsRead) {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    IDirect3DVertexBuffer9* buffer = nullptr;
    ASSERT_EQ(device->CreateVertexBuffer(32, D3DUSAGE_WRITEONLY, 0x242, D3DPOOL_SYSTEMMEM, &buffer, nullptr), D3D_OK);
    void* data = nullptr;
    ASSERT_EQ(buffer->Lock(8, 4, &data, 0), D3D_OK);
    const uint32_t word = 0xA1B2C3D4;
    std::memcpy(data, &word, sizeof word);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    const auto& bytes = static_cast<FakeVertexBuffer*>(buffer)->Data();
    uint32_t read = 0;
    std::memcpy(&read, bytes.data() + 8, sizeof read);
    EXPECT_EQ(read, word);
    // Size 0 locks to the end; ranges past the end and stray unlocks fail.
    EXPECT_EQ(buffer->Lock(16, 0, &data, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(data) - bytes.data(), 16);
    EXPECT_EQ(buffer->Unlock(), D3D_OK);
    EXPECT_EQ(buffer->Lock(24, 16, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(data, nullptr);
    EXPECT_EQ(buffer->Lock(0, 4, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(buffer->Unlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(static_cast<FakeVertexBuffer*>(buffer)->LockCount(), 2u);

    // Texture levels: halving sizes, a level's surface shares its memory.
    IDirect3DTexture9* texture = nullptr;
    ASSERT_EQ(device->CreateTexture(16, 4, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr), D3D_OK);
    EXPECT_EQ(texture->GetLevelCount(), 5u);  // 16, 8, 4, 2, 1 wide
    D3DSURFACE_DESC description{};
    ASSERT_EQ(texture->GetLevelDesc(2, &description), D3D_OK);
    EXPECT_EQ(description.Width, 4u);
    EXPECT_EQ(description.Height, 1u);
    D3DLOCKED_RECT locked{};
    const RECT corner{2, 0, 4, 1};
    ASSERT_EQ(texture->LockRect(1, &locked, &corner, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 32);
    *static_cast<uint32_t*>(locked.pBits) = 0xFF00FF00;
    EXPECT_EQ(texture->LockRect(1, &locked, nullptr, 0), D3DERR_INVALIDCALL);  // already locked
    EXPECT_EQ(texture->UnlockRect(1), D3D_OK);
    IDirect3DSurface9* surface = nullptr;
    ASSERT_EQ(texture->GetSurfaceLevel(1, &surface), D3D_OK);
    ASSERT_EQ(surface->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(static_cast<uint32_t*>(locked.pBits)[2], 0xFF00FF00u);
    surface->UnlockRect();
    surface->Release();
    EXPECT_EQ(texture->LockRect(5, &locked, nullptr, 0), D3DERR_INVALIDCALL);

    // Compressed levels are laid out in 4 x 4 blocks.
    IDirect3DTexture9* compressed = nullptr;
    ASSERT_EQ(device->CreateTexture(8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &compressed, nullptr), D3D_OK);
    ASSERT_EQ(compressed->LockRect(0, &locked, nullptr, 0), D3D_OK);
    EXPECT_EQ(locked.Pitch, 16);
    EXPECT_EQ(static_cast<FakeTexture*>(compressed)->Level(0)->Data().size(), 32u);
    compressed->UnlockRect(0);

    compressed->Release();
    texture->Release();
    buffer->Release();
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(recorder->LiveObjectCount(), 0u);
}

TEST(RecordingDevice, KeepsAndRecordsWhatItIsGiven) {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    EXPECT_EQ(device->RenderState(D3DRS_CULLMODE), static_cast<DWORD>(D3DCULL_CCW));  // the default
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF);
    device->SetTextureStageState(1, D3DTSS_COLOROP, D3DTOP_MODULATE);
    device->SetSamplerState(1, D3DSAMP_ADDRESSU, D3DTADDRESS_CLAMP);
    const float eye[4] = {-40.0f, 5.0f, -20.0f, 1.0f};
    device->SetVertexShaderConstantF(8, eye, 1);
    D3DMATRIX world{};
    world._11 = world._22 = world._33 = world._44 = 2.0f;
    device->SetTransform(static_cast<D3DTRANSFORMSTATETYPE>(256), &world);

    EXPECT_EQ(device->RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(device->TextureStageState(1, D3DTSS_COLOROP), static_cast<DWORD>(D3DTOP_MODULATE));
    EXPECT_EQ(device->SamplerState(1, D3DSAMP_ADDRESSU), static_cast<DWORD>(D3DTADDRESS_CLAMP));
    EXPECT_EQ(device->VertexShaderConstant(8)[0], -40.0f);
    EXPECT_EQ(device->VertexShaderConstant(8)[3], 1.0f);
    EXPECT_EQ(device->Transform(static_cast<D3DTRANSFORMSTATETYPE>(256))._22, 2.0f);
    EXPECT_EQ(recorder->Texts(),
              Texts({"SetRenderState(D3DRS_ZENABLE, 0)", "SetRenderState(D3DRS_AMBIENT, 0xFFFFFFFF)",
                     "SetTextureStageState(1, D3DTSS_COLOROP, 4)", "SetSamplerState(1, D3DSAMP_ADDRESSU, 3)",
                     "SetVertexShaderConstantF(8, {-40 5 -20 1}, 1)",
                     "SetTransform(D3DTS_WORLD, {2 0 0 0 0 2 0 0 0 0 2 0 0 0 0 2})"}));
    EXPECT_EQ(recorder->CallsTo("SetTransform")[0].floats.size(), 16u);

    // Out-of-range requests are refused and change nothing.
    EXPECT_EQ(device->SetTextureStageState(8, D3DTSS_COLOROP, D3DTOP_DISABLE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetVertexShaderConstantF(255, eye, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetTransform(D3DTS_VIEW, nullptr), D3DERR_INVALIDCALL);

    // Draw calls belong inside a scene.
    IDirect3DVertexBuffer9* buffer = nullptr;
    device->CreateVertexBuffer(96, 0, 0x242, D3DPOOL_SYSTEMMEM, &buffer, nullptr);
    device->SetStreamSource(0, buffer, 0, 32);
    EXPECT_EQ(device->Stream(0).buffer, buffer);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->BeginScene(), D3D_OK);
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3DERR_INVALIDCALL);  // no indices
    EXPECT_EQ(device->Present(nullptr, nullptr, nullptr, nullptr), D3DERR_INVALIDCALL);              // inside the scene
    // An indexed draw reads inside the index buffer, and its vertices inside
    // the range it declares and inside the vertex buffer (three vertices).
    IDirect3DIndexBuffer9* indices = nullptr;
    device->CreateIndexBuffer(12, 0, D3DFMT_INDEX16, D3DPOOL_MANAGED, &indices, nullptr);
    const WORD kIndices[6] = {0, 1, 2, 1, 2, 3};
    std::memcpy(static_cast<FakeIndexBuffer*>(indices)->Data().data(), kIndices, sizeof kIndices);
    device->SetIndices(indices);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 0, 1), D3D_OK);
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 3, 3, 2), D3DERR_INVALIDCALL);  // past the indices
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 0, 2, 0, 1), D3DERR_INVALIDCALL);  // past the range
    EXPECT_EQ(device->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 1, 3, 3, 1), D3DERR_INVALIDCALL);  // vertex 3 of 3
    device->SetIndices(nullptr);
    indices->Release();
    EXPECT_EQ(device->EndScene(), D3D_OK);
    EXPECT_EQ(recorder->CallsTo("DrawPrimitive")[1].text, "DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1)");
    device->AllowDrawsOutsideScene();
    EXPECT_EQ(device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3D_OK);

    // Shaders must be whole and of the right kind for the device.
    IDirect3DPixelShader9* pixelShader = nullptr;
    EXPECT_EQ(device->CreatePixelShader(kPixelShader30Code, &pixelShader), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->CreatePixelShader(kVertexShaderCode, &pixelShader), D3DERR_INVALIDCALL);
    ASSERT_EQ(device->CreatePixelShader(kPixelShader20Code, &pixelShader), D3D_OK);
    UINT size = 0;
    pixelShader->GetFunction(nullptr, &size);
    EXPECT_EQ(size, 8u);
    pixelShader->Release();

    buffer->Release();
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(recorder->LiveObjectCount(), 0u);
}

TEST(RecordingDevice, FailsTheCallsItIsToldTo) {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    recorder->FailCall("CreateVertexBuffer", 2, E_OUTOFMEMORY);
    recorder->FailCallsFrom("Lock", 2);
    recorder->FailCall("SetRenderState", 1);
    IDirect3DVertexBuffer9* first = nullptr;
    IDirect3DVertexBuffer9* second = reinterpret_cast<IDirect3DVertexBuffer9*>(1);
    IDirect3DVertexBuffer9* third = nullptr;
    EXPECT_EQ(device->CreateVertexBuffer(32, 0, 0, D3DPOOL_SYSTEMMEM, &first, nullptr), D3D_OK);
    EXPECT_EQ(device->CreateVertexBuffer(32, 0, 0, D3DPOOL_SYSTEMMEM, &second, nullptr), E_OUTOFMEMORY);
    EXPECT_EQ(second, nullptr);
    EXPECT_EQ(device->CreateVertexBuffer(32, 0, 0, D3DPOOL_SYSTEMMEM, &third, nullptr), D3D_OK);
    void* data = nullptr;
    EXPECT_EQ(first->Lock(0, 0, &data, 0), D3D_OK);
    first->Unlock();
    EXPECT_EQ(third->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);  // Lock is counted across buffers
    EXPECT_EQ(first->Lock(0, 0, &data, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->SetRenderState(D3DRS_ZENABLE, TRUE), D3DERR_INVALIDCALL);
    EXPECT_EQ(device->RenderState(D3DRS_ZENABLE), static_cast<DWORD>(D3DZB_TRUE));  // the default, untouched
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    EXPECT_EQ(device->RenderState(D3DRS_ZENABLE), 0u);
    EXPECT_EQ(recorder->CallsTo("CreateVertexBuffer")[1].result, E_OUTOFMEMORY);

    // The device is lost once two frames have been shown.
    recorder->LoseDeviceFromFrame(2);
    for (int frame = 0; frame < 4; ++frame) {
        EXPECT_EQ(device->TestCooperativeLevel(), frame < 2 ? D3D_OK : D3DERR_DEVICELOST) << "frame " << frame;
        device->BeginScene();
        device->EndScene();
        device->Present(nullptr, nullptr, nullptr, nullptr);
    }
    third->Release();
    first->Release();
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(recorder->LiveObjectCount(), 0u);
}

TEST(RecordingDevice, ACallItDoesNotEmulateFailsTheTest) {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDevice* device = RecordingDevice::Create(recorder);
    D3DVIEWPORT9 viewport{};
    EXPECT_NONFATAL_FAILURE(EXPECT_EQ(device->GetViewport(&viewport), D3DERR_INVALIDCALL), "GetViewport");
    EXPECT_EQ(recorder->UnexpectedCalls(), Texts({"GetViewport"}));
    EXPECT_EQ(device->Release(), 0u);
}

TEST(RecordingDirect3D, OffersTheChosenCardAndRefusesDevicesAsAsked) {
    auto recorder = std::make_shared<CallRecorder>();
    RecordingDirect3D* direct3d = RecordingDirect3D::Create(recorder);
    direct3d->SetPixelShaderVersion(D3DPS_VERSION(1, 4));
    D3DCAPS9 caps{};
    ASSERT_EQ(direct3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.PixelShaderVersion & 0xFFFF, 0x0104u);
    recorder->FailCall("GetDeviceCaps", 2, D3DERR_NOTAVAILABLE);
    EXPECT_EQ(direct3d->GetDeviceCaps(D3DADAPTER_DEFAULT, D3DDEVTYPE_HAL, &caps), D3DERR_NOTAVAILABLE);

    // Without hardware vertex processing only the software device comes.
    direct3d->RefuseBehaviorFlags(D3DCREATE_HARDWARE_VERTEXPROCESSING);
    D3DPRESENT_PARAMETERS parameters{};
    parameters.BackBufferWidth = 800;
    parameters.BackBufferHeight = 600;
    parameters.BackBufferFormat = D3DFMT_X8R8G8B8;
    parameters.EnableAutoDepthStencil = TRUE;
    parameters.AutoDepthStencilFormat = D3DFMT_D16;
    IDirect3DDevice9* device = nullptr;
    EXPECT_EQ(
        direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_HARDWARE_VERTEXPROCESSING, &parameters, &device),
        D3DERR_NOTAVAILABLE);
    EXPECT_EQ(device, nullptr);
    EXPECT_EQ(direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, 0, &parameters, &device), D3DERR_INVALIDCALL);
    ASSERT_EQ(
        direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &device),
        D3D_OK);
    EXPECT_EQ(direct3d->LastDevice(), device);
    EXPECT_EQ(direct3d->LastDevice()->PresentParameters().BackBufferWidth, 800u);
    // Planned faults count every CreateDevice call, refused ones included.
    recorder->FailCall("CreateDevice", 4);
    IDirect3DDevice9* other = nullptr;
    EXPECT_EQ(
        direct3d->CreateDevice(0, D3DDEVTYPE_HAL, nullptr, D3DCREATE_SOFTWARE_VERTEXPROCESSING, &parameters, &other),
        D3DERR_INVALIDCALL);
    EXPECT_EQ(other, nullptr);
    EXPECT_EQ(direct3d->LastDevice(), device);

    // The device holds the Direct3D object, which therefore goes last.
    EXPECT_EQ(direct3d->Release(), 1u);
    EXPECT_EQ(recorder->LiveObjectNames(), Texts({"Device#1", "Direct3D#1"}));
    EXPECT_EQ(device->Release(), 0u);
    EXPECT_EQ(recorder->LiveObjectCount(), 0u);
}

}  // namespace

// The matrix stack of the utility library (D3DXCreateMatrixStack).
#include "d3dx/matrix_stack.h"

#include <new>

extern "C" const GUID IID_ID3DXMatrixStack = {
    0xc7885ba7, 0xf990, 0x4fe7, {0x92, 0x2d, 0x85, 0x15, 0xe4, 0x77, 0xdd, 0x85}};

namespace {
// Room reserved up front: the scene nests at most a few levels, so a run never
// reallocates (and GetTop pointers stay valid between pushes in practice).
constexpr size_t kInitialCapacity = 16;
}  // namespace

MatrixStack::MatrixStack() {
    matrices_.reserve(kInitialCapacity);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    matrices_.push_back(identity);
}

HRESULT STDMETHODCALLTYPE MatrixStack::QueryInterface(REFIID riid, void** ppvObject) {
    if (!ppvObject)
        return E_POINTER;
    if (IsEqualGUID(riid, IID_IUnknown) || IsEqualGUID(riid, IID_ID3DXMatrixStack)) {
        AddRef();
        *ppvObject = static_cast<ID3DXMatrixStack*>(this);
        return S_OK;
    }
    *ppvObject = nullptr;
    return E_NOINTERFACE;
}

ULONG STDMETHODCALLTYPE MatrixStack::AddRef() { return static_cast<ULONG>(InterlockedIncrement(&references_)); }

ULONG STDMETHODCALLTYPE MatrixStack::Release() {
    const LONG left = InterlockedDecrement(&references_);
    if (left == 0)
        delete this;
    return static_cast<ULONG>(left);
}

HRESULT STDMETHODCALLTYPE MatrixStack::Pop() {
    // Popping the last matrix keeps it and still succeeds.
    if (matrices_.size() > 1)
        matrices_.pop_back();
    return D3D_OK;
}

HRESULT STDMETHODCALLTYPE MatrixStack::Push() {
    try {
        const D3DXMATRIX top = matrices_.back();
        matrices_.push_back(top);
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

HRESULT STDMETHODCALLTYPE MatrixStack::LoadIdentity() {
    D3DXMatrixIdentity(&matrices_.back());
    return D3D_OK;
}

HRESULT STDMETHODCALLTYPE MatrixStack::LoadMatrix(const D3DXMATRIX* pM) {
    if (!pM)
        return D3DERR_INVALIDCALL;
    matrices_.back() = *pM;
    return D3D_OK;
}

HRESULT MatrixStack::MultiplyTop(const D3DXMATRIX& m, bool local) {
    D3DXMATRIX& top = matrices_.back();
    if (local)
        D3DXMatrixMultiply(&top, &m, &top);
    else
        D3DXMatrixMultiply(&top, &top, &m);
    return D3D_OK;
}

HRESULT STDMETHODCALLTYPE MatrixStack::MultMatrix(const D3DXMATRIX* pM) {
    if (!pM)
        return D3DERR_INVALIDCALL;
    return MultiplyTop(*pM, false);
}

HRESULT STDMETHODCALLTYPE MatrixStack::MultMatrixLocal(const D3DXMATRIX* pM) {
    if (!pM)
        return D3DERR_INVALIDCALL;
    return MultiplyTop(*pM, true);
}

HRESULT STDMETHODCALLTYPE MatrixStack::RotateAxis(const D3DXVECTOR3* pV, FLOAT Angle) {
    if (!pV)
        return D3DERR_INVALIDCALL;
    D3DXMATRIX rotation;
    D3DXMatrixRotationAxis(&rotation, pV, Angle);
    return MultiplyTop(rotation, false);
}

HRESULT STDMETHODCALLTYPE MatrixStack::RotateAxisLocal(const D3DXVECTOR3* pV, FLOAT Angle) {
    if (!pV)
        return D3DERR_INVALIDCALL;
    D3DXMATRIX rotation;
    D3DXMatrixRotationAxis(&rotation, pV, Angle);
    return MultiplyTop(rotation, true);
}

HRESULT STDMETHODCALLTYPE MatrixStack::RotateYawPitchRoll(FLOAT Yaw, FLOAT Pitch, FLOAT Roll) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationYawPitchRoll(&rotation, Yaw, Pitch, Roll);
    return MultiplyTop(rotation, false);
}

HRESULT STDMETHODCALLTYPE MatrixStack::RotateYawPitchRollLocal(FLOAT Yaw, FLOAT Pitch, FLOAT Roll) {
    D3DXMATRIX rotation;
    D3DXMatrixRotationYawPitchRoll(&rotation, Yaw, Pitch, Roll);
    return MultiplyTop(rotation, true);
}

HRESULT STDMETHODCALLTYPE MatrixStack::Scale(FLOAT x, FLOAT y, FLOAT z) {
    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, x, y, z);
    return MultiplyTop(scaling, false);
}

HRESULT STDMETHODCALLTYPE MatrixStack::ScaleLocal(FLOAT x, FLOAT y, FLOAT z) {
    D3DXMATRIX scaling;
    D3DXMatrixScaling(&scaling, x, y, z);
    return MultiplyTop(scaling, true);
}

HRESULT STDMETHODCALLTYPE MatrixStack::Translate(FLOAT x, FLOAT y, FLOAT z) {
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, x, y, z);
    return MultiplyTop(translation, false);
}

HRESULT STDMETHODCALLTYPE MatrixStack::TranslateLocal(FLOAT x, FLOAT y, FLOAT z) {
    D3DXMATRIX translation;
    D3DXMatrixTranslation(&translation, x, y, z);
    return MultiplyTop(translation, true);
}

D3DXMATRIX* STDMETHODCALLTYPE MatrixStack::GetTop() { return &matrices_.back(); }

extern "C" HRESULT WINAPI D3DXCreateMatrixStack(DWORD Flags, LPD3DXMATRIXSTACK* ppStack) {
    (void)Flags;  // no flags are defined
    if (!ppStack)
        return D3DERR_INVALIDCALL;
    try {
        *ppStack = new MatrixStack();
    } catch (const std::bad_alloc&) {
        *ppStack = nullptr;
        return E_OUTOFMEMORY;
    }
    return D3D_OK;
}

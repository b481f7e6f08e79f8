// The matrix stack behind D3DXCreateMatrixStack: a growable array of
// matrices whose last entry is the top, reference-counted like a COM object.
#pragma once

#include "d3dx/d3dx.h"

#include <vector>

class MatrixStack final : public ID3DXMatrixStack {
public:
    // Throws std::bad_alloc when the first matrix cannot be stored.
    MatrixStack();
    MatrixStack(const MatrixStack&) = delete;
    MatrixStack& operator=(const MatrixStack&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID riid, void** ppvObject) override;
    ULONG STDMETHODCALLTYPE AddRef() override;
    ULONG STDMETHODCALLTYPE Release() override;

    HRESULT STDMETHODCALLTYPE Pop() override;
    HRESULT STDMETHODCALLTYPE Push() override;
    HRESULT STDMETHODCALLTYPE LoadIdentity() override;
    HRESULT STDMETHODCALLTYPE LoadMatrix(const D3DXMATRIX* pM) override;
    HRESULT STDMETHODCALLTYPE MultMatrix(const D3DXMATRIX* pM) override;
    HRESULT STDMETHODCALLTYPE MultMatrixLocal(const D3DXMATRIX* pM) override;
    HRESULT STDMETHODCALLTYPE RotateAxis(const D3DXVECTOR3* pV, FLOAT Angle) override;
    HRESULT STDMETHODCALLTYPE RotateAxisLocal(const D3DXVECTOR3* pV, FLOAT Angle) override;
    HRESULT STDMETHODCALLTYPE RotateYawPitchRoll(FLOAT Yaw, FLOAT Pitch, FLOAT Roll) override;
    HRESULT STDMETHODCALLTYPE RotateYawPitchRollLocal(FLOAT Yaw, FLOAT Pitch, FLOAT Roll) override;
    HRESULT STDMETHODCALLTYPE Scale(FLOAT x, FLOAT y, FLOAT z) override;
    HRESULT STDMETHODCALLTYPE ScaleLocal(FLOAT x, FLOAT y, FLOAT z) override;
    HRESULT STDMETHODCALLTYPE Translate(FLOAT x, FLOAT y, FLOAT z) override;
    HRESULT STDMETHODCALLTYPE TranslateLocal(FLOAT x, FLOAT y, FLOAT z) override;
    D3DXMATRIX* STDMETHODCALLTYPE GetTop() override;

private:
    ~MatrixStack() = default;  // only Release ends it

    // top = top x m, or m x top for the "Local" operations.
    HRESULT MultiplyTop(const D3DXMATRIX& m, bool local);

    LONG references_ = 1;
    std::vector<D3DXMATRIX> matrices_;
};

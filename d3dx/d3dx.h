// Our own small Direct3D 9 utility library: the part of the D3DX 9 interface
// that the saver uses, with the standard names, signatures, structure layouts
// and result codes, so that the module runs on a PC that has only the
// system's Direct3D 9 (no SDK runtime d3dx9_*.dll). Never include the SDK's
// d3dx9*.h beside this header: the names would clash.
//
// Provided: vector and matrix math, the matrix stack, textures and cube
// textures from RCDATA resources (DDS, BMP, JPEG), normal maps from
// heightmaps, and HLSL compilation from a resource through the system's
// d3dcompiler DLL (loaded at run time).
#pragma once

#include <d3d9.h>

#include <cfloat>

// ---------------------------------------------------------------------------
// Constants and result codes

#define D3DX_DEFAULT ((UINT) - 1)
#define D3DX_DEFAULT_NONPOW2 ((UINT) - 2)
#define D3DX_DEFAULT_FLOAT FLT_MAX
#define D3DX_FROM_FILE ((UINT) - 3)
#define D3DFMT_FROM_FILE ((D3DFORMAT) - 3)

#ifndef _FACDD
#define _FACDD 0x876
#endif
#ifndef MAKE_DDHRESULT
#define MAKE_DDHRESULT(code) MAKE_HRESULT(1, _FACDD, code)
#endif

enum _D3DXERR {
    D3DXERR_CANNOTMODIFYINDEXBUFFER = MAKE_DDHRESULT(2900),
    D3DXERR_INVALIDMESH = MAKE_DDHRESULT(2901),
    D3DXERR_CANNOTATTRSORT = MAKE_DDHRESULT(2902),
    D3DXERR_SKINNINGNOTSUPPORTED = MAKE_DDHRESULT(2903),
    D3DXERR_TOOMANYINFLUENCES = MAKE_DDHRESULT(2904),
    D3DXERR_INVALIDDATA = MAKE_DDHRESULT(2905),
    D3DXERR_LOADEDMESHASNODATA = MAKE_DDHRESULT(2906),
    D3DXERR_DUPLICATENAMEDFRAGMENT = MAKE_DDHRESULT(2907),
    D3DXERR_CANNOTREMOVELASTITEM = MAKE_DDHRESULT(2908),
};

// ---------------------------------------------------------------------------
// Math types (layouts of d3dx9math.h)

struct D3DXVECTOR2 {
    D3DXVECTOR2() = default;
    D3DXVECTOR2(FLOAT fx, FLOAT fy) : x(fx), y(fy) {}
    explicit D3DXVECTOR2(const FLOAT* f) : x(f[0]), y(f[1]) {}
    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }
    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
    FLOAT x, y;
};

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() = default;
    D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz) {
        x = fx;
        y = fy;
        z = fz;
    }
    explicit D3DXVECTOR3(const FLOAT* f) {
        x = f[0];
        y = f[1];
        z = f[2];
    }
    D3DXVECTOR3(const D3DVECTOR& v) {
        x = v.x;
        y = v.y;
        z = v.z;
    }

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    D3DXVECTOR3& operator*=(FLOAT f) {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    D3DXVECTOR3& operator/=(FLOAT f) {
        x /= f;
        y /= f;
        z /= f;
        return *this;
    }

    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
    D3DXVECTOR3 operator*(FLOAT f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
    D3DXVECTOR3 operator/(FLOAT f) const { return D3DXVECTOR3(x / f, y / f, z / f); }
    friend D3DXVECTOR3 operator*(FLOAT f, const D3DXVECTOR3& v) { return D3DXVECTOR3(f * v.x, f * v.y, f * v.z); }

    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4 {
    D3DXVECTOR4() = default;
    D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}
    explicit D3DXVECTOR4(const FLOAT* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
    D3DXVECTOR4(const D3DVECTOR& v, FLOAT fw) : x(v.x), y(v.y), z(v.z), w(fw) {}
    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }
    bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
    FLOAT x, y, z, w;
};

struct D3DXMATRIX;
extern "C" D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2);

// Row-major 4x4, row vectors (v' = v x M), translation in the fourth row.
struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() = default;
    explicit D3DXMATRIX(const FLOAT* f) {
        for (int i = 0; i < 16; ++i)
            (&_11)[i] = f[i];
    }
    D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}
    D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24, FLOAT f31,
               FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44) {
        _11 = f11;
        _12 = f12;
        _13 = f13;
        _14 = f14;
        _21 = f21;
        _22 = f22;
        _23 = f23;
        _24 = f24;
        _31 = f31;
        _32 = f32;
        _33 = f33;
        _34 = f34;
        _41 = f41;
        _42 = f42;
        _43 = f43;
        _44 = f44;
    }

    FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
    FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }
    operator FLOAT*() { return &_11; }
    operator const FLOAT*() const { return &_11; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& mat) {
        D3DXMatrixMultiply(this, this, &mat);
        return *this;
    }
    D3DXMATRIX& operator+=(const D3DXMATRIX& mat) {
        for (int i = 0; i < 16; ++i)
            (&_11)[i] += (&mat._11)[i];
        return *this;
    }
    D3DXMATRIX& operator-=(const D3DXMATRIX& mat) {
        for (int i = 0; i < 16; ++i)
            (&_11)[i] -= (&mat._11)[i];
        return *this;
    }
    D3DXMATRIX& operator*=(FLOAT f) {
        for (int i = 0; i < 16; ++i)
            (&_11)[i] *= f;
        return *this;
    }
    D3DXMATRIX& operator/=(FLOAT f) {
        for (int i = 0; i < 16; ++i)
            (&_11)[i] /= f;
        return *this;
    }

    D3DXMATRIX operator+() const { return *this; }
    D3DXMATRIX operator-() const {
        D3DXMATRIX r(*this);
        r *= -1.0f;
        return r;
    }
    D3DXMATRIX operator*(const D3DXMATRIX& mat) const {
        D3DXMATRIX r;
        D3DXMatrixMultiply(&r, this, &mat);
        return r;
    }
    D3DXMATRIX operator+(const D3DXMATRIX& mat) const {
        D3DXMATRIX r(*this);
        r += mat;
        return r;
    }
    D3DXMATRIX operator-(const D3DXMATRIX& mat) const {
        D3DXMATRIX r(*this);
        r -= mat;
        return r;
    }
    D3DXMATRIX operator*(FLOAT f) const {
        D3DXMATRIX r(*this);
        r *= f;
        return r;
    }
    D3DXMATRIX operator/(FLOAT f) const {
        D3DXMATRIX r(*this);
        r /= f;
        return r;
    }
    friend D3DXMATRIX operator*(FLOAT f, const D3DXMATRIX& mat) { return mat * f; }

    bool operator==(const D3DXMATRIX& mat) const {
        for (int i = 0; i < 16; ++i)
            if ((&_11)[i] != (&mat._11)[i])
                return false;
        return true;
    }
    bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};

typedef D3DXMATRIX* LPD3DXMATRIX;
typedef D3DXVECTOR3* LPD3DXVECTOR3;

// ---------------------------------------------------------------------------
// Math functions (the public formulas of these names)

inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut) {
    if (!pOut)
        return nullptr;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            pOut->m[r][c] = r == c ? 1.0f : 0.0f;
    return pOut;
}

inline BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM) {
    if (!pM)
        return FALSE;
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (pM->m[r][c] != (r == c ? 1.0f : 0.0f))
                return FALSE;
    return TRUE;
}

inline FLOAT D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    if (!pV1 || !pV2)
        return 0.0f;
    return pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z;
}

inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    const D3DXVECTOR3 r(pV1->y * pV2->z - pV1->z * pV2->y, pV1->z * pV2->x - pV1->x * pV2->z,
                        pV1->x * pV2->y - pV1->y * pV2->x);
    *pOut = r;
    return pOut;
}

inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = D3DXVECTOR3(pV1->x + pV2->x, pV1->y + pV2->y, pV1->z + pV2->z);
    return pOut;
}

inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2) {
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = D3DXVECTOR3(pV1->x - pV2->x, pV1->y - pV2->y, pV1->z - pV2->z);
    return pOut;
}

inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, FLOAT s) {
    if (!pOut || !pV)
        return nullptr;
    *pOut = D3DXVECTOR3(pV->x * s, pV->y * s, pV->z * s);
    return pOut;
}

inline FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* pV) {
    if (!pV)
        return 0.0f;
    return pV->x * pV->x + pV->y * pV->y + pV->z * pV->z;
}

extern "C" {

FLOAT WINAPI D3DXVec3Length(const D3DXVECTOR3* pV);
// The zero vector normalises to the zero vector.
D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);
// (2s³ − 3s² + 1)·V1 + (s³ − 2s² + s)·T1 + (−2s³ + 3s²)·V2 + (s³ − s²)·T2
D3DXVECTOR3* WINAPI D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1,
                                    const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, FLOAT s);
// pOut may alias either factor.
// (D3DXMatrixMultiply is declared above D3DXMATRIX, whose operators use it.)
D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z);
D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz);
// Rotation by Angle radians about the axis pV (normalised first); clockwise
// looking along the axis towards the origin in the left-handed system.
D3DXMATRIX* WINAPI D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, FLOAT Angle);
// Roll about z, then pitch about x, then yaw about y.
D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT Yaw, FLOAT Pitch, FLOAT Roll);
D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                      const D3DXVECTOR3* pUp);
// Rows (x, 0, 0, 0), (0, y, 0, 0), (0, 0, zf/(zf−zn), 1), (0, 0, −zn·zf/(zf−zn), 0)
// with y = cot(fovy/2), x = y/Aspect.
D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf);

}  // extern "C"

// ---------------------------------------------------------------------------
// Matrix stack

// {C7885BA7-F990-4FE7-922D-8515E477DD85}
extern "C" const GUID IID_ID3DXMatrixStack;

// The top starts as the identity. The plain operations multiply the top on
// the right (top = top x M); the "Local" ones on the left (top = M x top).
// Popping the last matrix leaves it in place and succeeds, as D3DX does.
struct ID3DXMatrixStack : public IUnknown {
    virtual HRESULT STDMETHODCALLTYPE Pop() = 0;
    virtual HRESULT STDMETHODCALLTYPE Push() = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadIdentity() = 0;
    virtual HRESULT STDMETHODCALLTYPE LoadMatrix(const D3DXMATRIX* pM) = 0;
    virtual HRESULT STDMETHODCALLTYPE MultMatrix(const D3DXMATRIX* pM) = 0;
    virtual HRESULT STDMETHODCALLTYPE MultMatrixLocal(const D3DXMATRIX* pM) = 0;
    virtual HRESULT STDMETHODCALLTYPE RotateAxis(const D3DXVECTOR3* pV, FLOAT Angle) = 0;
    virtual HRESULT STDMETHODCALLTYPE RotateAxisLocal(const D3DXVECTOR3* pV, FLOAT Angle) = 0;
    virtual HRESULT STDMETHODCALLTYPE RotateYawPitchRoll(FLOAT Yaw, FLOAT Pitch, FLOAT Roll) = 0;
    virtual HRESULT STDMETHODCALLTYPE RotateYawPitchRollLocal(FLOAT Yaw, FLOAT Pitch, FLOAT Roll) = 0;
    virtual HRESULT STDMETHODCALLTYPE Scale(FLOAT x, FLOAT y, FLOAT z) = 0;
    virtual HRESULT STDMETHODCALLTYPE ScaleLocal(FLOAT x, FLOAT y, FLOAT z) = 0;
    virtual HRESULT STDMETHODCALLTYPE Translate(FLOAT x, FLOAT y, FLOAT z) = 0;
    virtual HRESULT STDMETHODCALLTYPE TranslateLocal(FLOAT x, FLOAT y, FLOAT z) = 0;
    virtual D3DXMATRIX* STDMETHODCALLTYPE GetTop() = 0;
};
typedef ID3DXMatrixStack* LPD3DXMATRIXSTACK;

extern "C" {
// Flags must be 0. E_OUTOFMEMORY (and *ppStack null) when memory runs out,
// D3DERR_INVALIDCALL without ppStack.
HRESULT WINAPI D3DXCreateMatrixStack(DWORD Flags, LPD3DXMATRIXSTACK* ppStack);
}

// ---------------------------------------------------------------------------
// Buffers (ID3DXBuffer): compiled code and error text

// {8BA5FB08-5195-40E2-AC58-0D989C3A0102}
extern "C" const GUID IID_ID3DXBuffer;

struct ID3DXBuffer : public IUnknown {
    virtual LPVOID STDMETHODCALLTYPE GetBufferPointer() = 0;
    virtual DWORD STDMETHODCALLTYPE GetBufferSize() = 0;
};
typedef ID3DXBuffer* LPD3DXBUFFER;

extern "C" HRESULT WINAPI D3DXCreateBuffer(DWORD NumBytes, LPD3DXBUFFER* ppBuffer);

// ---------------------------------------------------------------------------
// Textures

#define D3DX_FILTER_NONE 0x00000001
#define D3DX_FILTER_POINT 0x00000002
#define D3DX_FILTER_LINEAR 0x00000003
#define D3DX_FILTER_TRIANGLE 0x00000004
#define D3DX_FILTER_BOX 0x00000005
#define D3DX_FILTER_MIRROR_U 0x00010000
#define D3DX_FILTER_MIRROR_V 0x00020000
#define D3DX_FILTER_MIRROR_W 0x00040000
#define D3DX_FILTER_MIRROR 0x00070000
#define D3DX_FILTER_DITHER 0x00080000
#define D3DX_FILTER_DITHER_DIFFUSION 0x00100000
#define D3DX_FILTER_SRGB_IN 0x00200000
#define D3DX_FILTER_SRGB_OUT 0x00400000
#define D3DX_FILTER_SRGB 0x00600000

#define D3DX_NORMALMAP_MIRROR_U 0x00010000
#define D3DX_NORMALMAP_MIRROR_V 0x00020000
#define D3DX_NORMALMAP_MIRROR 0x00030000
#define D3DX_NORMALMAP_INVERTSIGN 0x00080000
#define D3DX_NORMALMAP_COMPUTE_OCCLUSION 0x00100000

#define D3DX_CHANNEL_RED 0x00000001
#define D3DX_CHANNEL_BLUE 0x00000002
#define D3DX_CHANNEL_GREEN 0x00000004
#define D3DX_CHANNEL_ALPHA 0x00000008
#define D3DX_CHANNEL_LUMINANCE 0x00000010

typedef enum _D3DXIMAGE_FILEFORMAT {
    D3DXIFF_BMP = 0,
    D3DXIFF_JPG = 1,
    D3DXIFF_TGA = 2,
    D3DXIFF_PNG = 3,
    D3DXIFF_DDS = 4,
    D3DXIFF_PPM = 5,
    D3DXIFF_DIB = 6,
    D3DXIFF_HDR = 7,
    D3DXIFF_PFM = 8,
    D3DXIFF_FORCE_DWORD = 0x7fffffff
} D3DXIMAGE_FILEFORMAT;

typedef struct _D3DXIMAGE_INFO {
    UINT Width;
    UINT Height;
    UINT Depth;
    UINT MipLevels;
    D3DFORMAT Format;
    D3DRESOURCETYPE ResourceType;
    D3DXIMAGE_FILEFORMAT ImageFileFormat;
} D3DXIMAGE_INFO;

extern "C" {

// Pictures come from RCDATA resources holding DDS (L8, A8R8G8B8, X8R8G8B8,
// DXT3), BMP (8-bit palettised, uncompressed) or baseline JPEG files; any
// other or damaged data gives D3DXERR_INVALIDDATA, a missing resource too.
//
// Width/Height: 0 or D3DX_DEFAULT = the file's size rounded up to powers of
// two; D3DX_DEFAULT_NONPOW2 or D3DX_FROM_FILE = the file's size; other
// values resample with Filter. MipLevels: 0 or D3DX_DEFAULT = full chain,
// D3DX_FROM_FILE = the file's levels. Format: D3DFMT_UNKNOWN or
// D3DFMT_FROM_FILE = the file's (palettised BMP: A8R8G8B8, JPEG:
// X8R8G8B8). Pool D3DPOOL_DEFAULT is filled through a system-memory copy and
// UpdateTexture. Filters: D3DX_DEFAULT = box; NONE, POINT and BOX are exact,
// LINEAR and TRIANGLE are done as box. ColorKey: 0 = none, else texels of
// that ARGB value become transparent black. pPalette is left untouched
// (no palettised textures are made).
HRESULT WINAPI D3DXCreateTextureFromResourceExA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource,
                                                UINT Width, UINT Height, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                LPDIRECT3DTEXTURE9* ppTexture);
// The file's format and size (powers of two), full mip chain, managed pool.
HRESULT WINAPI D3DXCreateTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource,
                                              LPDIRECT3DTEXTURE9* ppTexture);
// The same from bytes in memory.
HRESULT WINAPI D3DXCreateTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                   UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                                   D3DFORMAT Format, D3DPOOL Pool, DWORD Filter, DWORD MipFilter,
                                                   D3DCOLOR ColorKey, D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                   LPDIRECT3DTEXTURE9* ppTexture);
// A cube map from a DDS cube map with all six faces: the file's size and
// format (DXT3 stays compressed), full mip chain (missing levels made with
// a box filter), managed pool.
HRESULT WINAPI D3DXCreateCubeTextureFromResourceA(LPDIRECT3DDEVICE9 pDevice, HMODULE hSrcModule, LPCSTR pSrcResource,
                                                  LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
HRESULT WINAPI D3DXCreateCubeTextureFromFileInMemoryEx(LPDIRECT3DDEVICE9 pDevice, LPCVOID pSrcData, UINT SrcDataSize,
                                                       UINT Size, UINT MipLevels, DWORD Usage, D3DFORMAT Format,
                                                       D3DPOOL Pool, DWORD Filter, DWORD MipFilter, D3DCOLOR ColorKey,
                                                       D3DXIMAGE_INFO* pSrcInfo, PALETTEENTRY* pPalette,
                                                       LPDIRECT3DCUBETEXTURE9* ppCubeTexture);
// An empty texture: 0 or D3DX_DEFAULT sides are 256, sides are rounded up to
// powers of two when the device needs it, MipLevels 0 = full chain.
HRESULT WINAPI D3DXCreateTexture(LPDIRECT3DDEVICE9 pDevice, UINT Width, UINT Height, UINT MipLevels, DWORD Usage,
                                 D3DFORMAT Format, D3DPOOL Pool, LPDIRECT3DTEXTURE9* ppTexture);

// Fills every level of pTexture (A8R8G8B8 or X8R8G8B8, the size of
// pSrcTexture's level 0) with the normal map of the heightfield in level 0
// of pSrcTexture (L8, A8R8G8B8 or X8R8G8B8, lockable). See normal_map.cpp
// for the kernel. pSrcPalette is ignored (no palettised sources).
HRESULT WINAPI D3DXComputeNormalMap(LPDIRECT3DTEXTURE9 pTexture, LPDIRECT3DTEXTURE9 pSrcTexture,
                                    const PALETTEENTRY* pSrcPalette, DWORD Flags, DWORD Channel, FLOAT Amplitude);

}  // extern "C"

// ---------------------------------------------------------------------------
// Shaders

#define D3DXSHADER_DEBUG 0x1
#define D3DXSHADER_SKIPVALIDATION 0x2
#define D3DXSHADER_SKIPOPTIMIZATION 0x4
#define D3DXSHADER_PACKMATRIX_ROWMAJOR 0x8
#define D3DXSHADER_PACKMATRIX_COLUMNMAJOR 0x10
#define D3DXSHADER_PARTIALPRECISION 0x20
#define D3DXSHADER_FORCE_VS_SOFTWARE_NOOPT 0x40
#define D3DXSHADER_FORCE_PS_SOFTWARE_NOOPT 0x80
#define D3DXSHADER_NO_PRESHADER 0x100
#define D3DXSHADER_AVOID_FLOW_CONTROL 0x200
#define D3DXSHADER_PREFER_FLOW_CONTROL 0x400
#define D3DXSHADER_ENABLE_BACKWARDS_COMPATIBILITY 0x1000
#define D3DXSHADER_IEEE_STRICTNESS 0x2000
#define D3DXSHADER_OPTIMIZATION_LEVEL0 0x4000
#define D3DXSHADER_OPTIMIZATION_LEVEL1 0x0
#define D3DXSHADER_OPTIMIZATION_LEVEL2 0xC000
#define D3DXSHADER_OPTIMIZATION_LEVEL3 0x8000
#define D3DXSHADER_USE_LEGACY_D3DX9_31_DLL 0x10000

typedef struct _D3DXMACRO {
    LPCSTR Name;
    LPCSTR Definition;
} D3DXMACRO, *LPD3DXMACRO;

typedef enum _D3DXINCLUDE_TYPE { D3DXINC_LOCAL, D3DXINC_SYSTEM, D3DXINC_FORCE_DWORD = 0x7fffffff } D3DXINCLUDE_TYPE;

// Not a COM object: the caller's include handler.
struct ID3DXInclude {
    virtual HRESULT STDMETHODCALLTYPE Open(D3DXINCLUDE_TYPE IncludeType, LPCSTR pFileName, LPCVOID pParentData,
                                           LPCVOID* ppData, UINT* pBytes) = 0;
    virtual HRESULT STDMETHODCALLTYPE Close(LPCVOID pData) = 0;
};
typedef ID3DXInclude* LPD3DXINCLUDE;

struct ID3DXConstantTable;  // not provided: callers bind constants by register
typedef ID3DXConstantTable* LPD3DXCONSTANTTABLE;

extern "C" {
// Compiles the HLSL text of an RCDATA resource with the system's compiler
// (d3dcompiler_47.dll, else an older d3dcompiler_4x), loaded on first use.
// Profiles are accepted as "vs_1_1" or "vs.1.1" (likewise ps, any version).
// On success *ppShader holds the byte code; warnings, and on failure the
// reason, come as text in *ppErrorMsgs (a missing compiler or resource
// included). ppConstantTable must be null: constant tables are not provided.
HRESULT WINAPI D3DXCompileShaderFromResourceA(HMODULE hSrcModule, LPCSTR pSrcResource, const D3DXMACRO* pDefines,
                                              LPD3DXINCLUDE pInclude, LPCSTR pFunctionName, LPCSTR pProfile,
                                              DWORD Flags, LPD3DXBUFFER* ppShader, LPD3DXBUFFER* ppErrorMsgs,
                                              LPD3DXCONSTANTTABLE* ppConstantTable);
// The same from text in memory.
HRESULT WINAPI D3DXCompileShader(LPCSTR pSrcData, UINT SrcDataLen, const D3DXMACRO* pDefines, LPD3DXINCLUDE pInclude,
                                 LPCSTR pFunctionName, LPCSTR pProfile, DWORD Flags, LPD3DXBUFFER* ppShader,
                                 LPD3DXBUFFER* ppErrorMsgs, LPD3DXCONSTANTTABLE* ppConstantTable);
}  // extern "C"

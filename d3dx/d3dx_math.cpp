// Vector and matrix functions of the utility library: the public left-handed
// D3DX formulas, evaluated in single precision in the same order as the
// reference implementations so that results agree to a few ULPs.
#include "d3dx/d3dx.h"

#include <cmath>

extern "C" {

FLOAT WINAPI D3DXVec3Length(const D3DXVECTOR3* pV) {
    if (!pV)
        return 0.0f;
    return std::sqrt(pV->x * pV->x + pV->y * pV->y + pV->z * pV->z);
}

D3DXVECTOR3* WINAPI D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV) {
    if (!pOut || !pV)
        return pOut;
    const FLOAT length = D3DXVec3Length(pV);
    if (length == 0.0f) {
        pOut->x = pOut->y = pOut->z = 0.0f;
    } else {
        const D3DXVECTOR3 v = *pV;
        pOut->x = v.x / length;
        pOut->y = v.y / length;
        pOut->z = v.z / length;
    }
    return pOut;
}

D3DXVECTOR3* WINAPI D3DXVec3Hermite(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pT1,
                                    const D3DXVECTOR3* pV2, const D3DXVECTOR3* pT2, FLOAT s) {
    if (!pOut || !pV1 || !pT1 || !pV2 || !pT2)
        return pOut;
    const FLOAT h1 = 2.0f * s * s * s - 3.0f * s * s + 1.0f;
    const FLOAT h2 = s * s * s - 2.0f * s * s + s;
    const FLOAT h3 = -2.0f * s * s * s + 3.0f * s * s;
    const FLOAT h4 = s * s * s - s * s;
    const D3DXVECTOR3 v1 = *pV1, t1 = *pT1, v2 = *pV2, t2 = *pT2;
    pOut->x = h1 * v1.x + h2 * t1.x + h3 * v2.x + h4 * t2.x;
    pOut->y = h1 * v1.y + h2 * t1.y + h3 * v2.y + h4 * t2.y;
    pOut->z = h1 * v1.z + h2 * t1.z + h3 * v2.z + h4 * t2.z;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2) {
    if (!pOut || !pM1 || !pM2)
        return pOut;
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = pM1->m[i][0] * pM2->m[0][j] + pM1->m[i][1] * pM2->m[1][j] + pM1->m[i][2] * pM2->m[2][j] +
                        pM1->m[i][3] * pM2->m[3][j];
    *pOut = r;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixTranslation(D3DXMATRIX* pOut, FLOAT x, FLOAT y, FLOAT z) {
    if (!D3DXMatrixIdentity(pOut))
        return pOut;
    pOut->_41 = x;
    pOut->_42 = y;
    pOut->_43 = z;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixScaling(D3DXMATRIX* pOut, FLOAT sx, FLOAT sy, FLOAT sz) {
    if (!D3DXMatrixIdentity(pOut))
        return pOut;
    pOut->_11 = sx;
    pOut->_22 = sy;
    pOut->_33 = sz;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, FLOAT Angle) {
    if (!pOut || !pV)
        return pOut;
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, pV);
    const FLOAT s = std::sin(Angle);
    const FLOAT c = std::cos(Angle);
    const FLOAT t = 1.0f - c;
    pOut->_11 = t * n.x * n.x + c;
    pOut->_21 = t * n.x * n.y - s * n.z;
    pOut->_31 = t * n.x * n.z + s * n.y;
    pOut->_41 = 0.0f;
    pOut->_12 = t * n.y * n.x + s * n.z;
    pOut->_22 = t * n.y * n.y + c;
    pOut->_32 = t * n.y * n.z - s * n.x;
    pOut->_42 = 0.0f;
    pOut->_13 = t * n.z * n.x - s * n.y;
    pOut->_23 = t * n.z * n.y + s * n.x;
    pOut->_33 = t * n.z * n.z + c;
    pOut->_43 = 0.0f;
    pOut->_14 = 0.0f;
    pOut->_24 = 0.0f;
    pOut->_34 = 0.0f;
    pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, FLOAT Yaw, FLOAT Pitch, FLOAT Roll) {
    if (!pOut)
        return pOut;
    // Roll about z, then pitch about x, then yaw about y: Rz x Rx x Ry.
    D3DXMATRIX rz, rx, ry;
    D3DXMatrixIdentity(&rz);
    rz._11 = std::cos(Roll);
    rz._12 = std::sin(Roll);
    rz._21 = -std::sin(Roll);
    rz._22 = std::cos(Roll);
    D3DXMatrixIdentity(&rx);
    rx._22 = std::cos(Pitch);
    rx._23 = std::sin(Pitch);
    rx._32 = -std::sin(Pitch);
    rx._33 = std::cos(Pitch);
    D3DXMatrixIdentity(&ry);
    ry._11 = std::cos(Yaw);
    ry._13 = -std::sin(Yaw);
    ry._31 = std::sin(Yaw);
    ry._33 = std::cos(Yaw);
    D3DXMatrixMultiply(pOut, &rz, &rx);
    return D3DXMatrixMultiply(pOut, pOut, &ry);
}

D3DXMATRIX* WINAPI D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                                      const D3DXVECTOR3* pUp) {
    if (!pOut || !pEye || !pAt || !pUp)
        return pOut;
    D3DXVECTOR3 zaxis, xaxis, yaxis;
    D3DXVec3Subtract(&zaxis, pAt, pEye);
    D3DXVec3Normalize(&zaxis, &zaxis);
    D3DXVec3Cross(&xaxis, pUp, &zaxis);
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVec3Normalize(&yaxis, &yaxis);
    const D3DXVECTOR3 eye = *pEye;
    pOut->_11 = xaxis.x;
    pOut->_12 = yaxis.x;
    pOut->_13 = zaxis.x;
    pOut->_14 = 0.0f;
    pOut->_21 = xaxis.y;
    pOut->_22 = yaxis.y;
    pOut->_23 = zaxis.y;
    pOut->_24 = 0.0f;
    pOut->_31 = xaxis.z;
    pOut->_32 = yaxis.z;
    pOut->_33 = zaxis.z;
    pOut->_34 = 0.0f;
    pOut->_41 = -D3DXVec3Dot(&xaxis, &eye);
    pOut->_42 = -D3DXVec3Dot(&yaxis, &eye);
    pOut->_43 = -D3DXVec3Dot(&zaxis, &eye);
    pOut->_44 = 1.0f;
    return pOut;
}

D3DXMATRIX* WINAPI D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, FLOAT fovy, FLOAT Aspect, FLOAT zn, FLOAT zf) {
    if (!D3DXMatrixIdentity(pOut))
        return pOut;
    const FLOAT tangent = std::tan(fovy / 2.0f);
    pOut->_11 = 1.0f / (Aspect * tangent);
    pOut->_22 = 1.0f / tangent;
    pOut->_33 = zf / (zf - zn);
    pOut->_34 = 1.0f;
    pOut->_43 = (zf * zn) / (zn - zf);
    pOut->_44 = 0.0f;
    return pOut;
}

}  // extern "C"

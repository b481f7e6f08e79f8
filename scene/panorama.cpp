// The panorama's turns (scene/panorama.h).
#include "scene/panorama.h"

#include <cmath>

#include "render/camera.h"

namespace {

// Whole steps of `size` from `from` to `to`, to the nearest (halves away
// from zero); 0 for an empty size.
float Steps(double to, double from, LONG size) {
    return size > 0 ? static_cast<float>(std::round((to - from) / size)) : 0.0f;
}

}  // namespace

ViewTurn PanoramaTurn(const RECT& primary, const RECT& display, float primaryAspect) {
    const double halfHeight = std::tan(kFieldOfView / 2.0);
    const float horizontalFieldOfView = static_cast<float>(2.0 * std::atan(halfHeight * primaryAspect));
    // Centres doubled, to stay in whole numbers.
    const double across =
        Steps(display.left + display.right, primary.left + primary.right, 2 * (primary.right - primary.left));
    // Desktop y grows downwards; upwards is a positive pitch.
    const double up =
        Steps(primary.top + primary.bottom, display.top + display.bottom, 2 * (primary.bottom - primary.top));
    return {static_cast<float>(across * horizontalFieldOfView), static_cast<float>(up * kFieldOfView)};
}

void TurnView(const D3DXVECTOR3& eye, D3DXVECTOR3& target, D3DXVECTOR3& up, ViewTurn turn) {
    if (turn.yaw == 0.0f && turn.pitch == 0.0f)
        return;
    // The view's own axes, as D3DXMatrixLookAtLH makes them.
    D3DXVECTOR3 ahead = target - eye;
    const float distance = D3DXVec3Length(&ahead);
    D3DXVec3Normalize(&ahead, &ahead);
    D3DXVECTOR3 right, upright;
    D3DXVec3Cross(&right, &up, &ahead);
    D3DXVec3Normalize(&right, &right);
    D3DXVec3Cross(&upright, &ahead, &right);

    const float cy = std::cos(turn.yaw), sy = std::sin(turn.yaw);
    const D3DXVECTOR3 turnedAhead = ahead * cy + right * sy;
    const float cp = std::cos(turn.pitch), sp = std::sin(turn.pitch);
    const D3DXVECTOR3 raisedAhead = turnedAhead * cp + upright * sp;
    up = upright * cp - turnedAhead * sp;
    target = eye + raisedAhead * distance;
}

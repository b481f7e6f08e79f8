// Several displays as one panorama: each display other than the primary
// looks from the same eye in the direction its place beside the primary
// implies, turned by whole fields of view of the primary, so that the
// pictures of displays side by side meet at their common edge.
#pragma once

#include <windows.h>

#include "d3dx/d3dx.h"

// How far a display's view is turned from the primary's: yaw to the right
// and pitch upwards, in radians, about the view's own up and right axes.
struct ViewTurn {
    float yaw = 0.0f;
    float pitch = 0.0f;
};

// The turn of the display at `display` beside the primary at `primary`
// (desktop rectangles), whose projection has the vertical field of view
// kFieldOfView and the aspect ratio `primaryAspect`: one horizontal field of
// view for each primary's width its centre stands to the right (negative:
// left), one vertical field of view for each primary's height it stands
// above (negative: below), counted to the nearest whole step.
ViewTurn PanoramaTurn(const RECT& primary, const RECT& display, float primaryAspect);

// The look-at point and up vector of a view from `eye` turned by `turn`:
// first about the view's up axis, then about its (turned) right axis. The
// distance to the look-at point is kept; the up vector comes back
// perpendicular to the new direction, of unit length.
void TurnView(const D3DXVECTOR3& eye, D3DXVECTOR3& target, D3DXVECTOR3& up, ViewTurn turn);

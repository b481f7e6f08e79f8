// Where the frame puts the eye for a point of the flight.
#pragma once

#include "d3dx/d3dx.h"

// The eye and look-at point of the frame for the flight's position and look
// point: the ground position stretched by 4, the look offset kept, the
// whole view lifted by 3.
void FrameViewFromFlight(const D3DXVECTOR3& position, const D3DXVECTOR3& lookAt, D3DXVECTOR3& eye, D3DXVECTOR3& target);

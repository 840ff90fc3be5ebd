// The program's position, direction and normal type: three floats laid out
// as a D3DXVECTOR3 and usable wherever one is expected.
#pragma once

#include "D3DXMath.h"

struct Vector3 : public D3DXVECTOR3 {
    Vector3() = default; // components stay unset
    Vector3(float vx, float vy, float vz) : D3DXVECTOR3(vx, vy, vz) {}
    Vector3(const D3DXVECTOR3& v) : D3DXVECTOR3(v) {}
};

static_assert(sizeof(Vector3) == 12, "Vector3 is three packed floats");

#include "SidePlanes.h"

#include "mesh/Pi.h"

#include <cmath>

namespace {

// Below this a view axis counts as degenerate.
const float DegenerateLength = 1e-6f;

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

bool BuildSidePlaneNormals(const D3DXVECTOR3& d, float halfAngle, Vector3 (&out)[SidePlaneCount])
{
    if (!Finite(d) || D3DXVec3Length(&d) < DegenerateLength)
        return false;
    // h: the horizontal axis across the view; v: the vertical one.
    const D3DXVECTOR3 h(-d.z, 0, d.x);
    if (D3DXVec3Length(&h) < DegenerateLength)
        return false;
    D3DXVECTOR3 v;
    D3DXVec3Cross(&v, &h, &d);
    const float a = halfAngle + HalfPi;

    Vector3 normals[SidePlaneCount];
    D3DXMATRIX r;
    D3DXMatrixRotationAxis(&r, &h, -a);
    D3DXVec3TransformCoord(&normals[0], &d, &r);
    D3DXMatrixRotationAxis(&r, &h, a);
    D3DXVec3TransformCoord(&normals[1], &d, &r);
    D3DXMatrixRotationAxis(&r, &v, -a);
    D3DXVec3TransformCoord(&normals[2], &d, &r);
    D3DXMatrixRotationAxis(&r, &v, a);
    D3DXVec3TransformCoord(&normals[3], &d, &r);
    for (const Vector3& n : normals)
        if (!Finite(n))
            return false;
    for (int i = 0; i < SidePlaneCount; ++i)
        out[i] = normals[i];
    return true;
}

#include "OruMove.h"

#include "trace/DebugPrint.h"

#include <cmath>

namespace {

bool Finite(const D3DXVECTOR3& v)
{
    return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

} // namespace

OruMove::OruMove() : lastGoodWorld()
{
    SetName("OruMove");
    D3DXMatrixIdentity(&lastGoodWorld);
}

void OruMove::Update(float time, float prevTime)
{
    // R = roll (x) x pitch (z) x yaw (y); S scales uniformly.
    D3DXMATRIX r, z, y, s, t;
    D3DXMatrixRotationX(&r, roll);
    D3DXMatrixRotationZ(&z, pitch);
    D3DXMatrixRotationY(&y, yaw);
    D3DXMatrixMultiply(&r, &r, &z);
    D3DXMatrixMultiply(&r, &r, &y);
    D3DXMatrixScaling(&s, scale, scale, scale);

    // The forward axis -x turned by the orientation, before the object moves.
    const D3DXVECTOR3 forward(-1, 0, 0);
    D3DXVec3TransformCoord(&heading, &forward, &r);

    // A position that is not finite (written from outside) would stay so:
    // take back the last good matrix's translation.
    if (!Finite(position)) {
        DebugPrint(2, "!MDF");
        position = Vector3(lastGoodWorld._41, lastGoodWorld._42, lastGoodWorld._43);
    }

    // Infinities count as not a number: an infinite step, or one that would
    // carry the position to infinity, would leave it there for good.
    const D3DXVECTOR3 d = heading * ((time - prevTime) * speed);
    const D3DXVECTOR3 moved = position + d;
    if (!Finite(d) || !Finite(moved))
        DebugPrint(2, "!MDF");
    else
        position = moved;

    D3DXMatrixTranslation(&t, position.x, position.y, position.z);
    D3DXMatrixMultiply(&world, &r, &s);
    D3DXMatrixMultiply(&world, &world, &t);

    for (int i = 0; i < 16; ++i) {
        if (!std::isfinite(world.m[i / 4][i % 4])) {
            world = lastGoodWorld;
            DebugPrint(2, "!MMX");
            break;
        }
    }
    lastGoodWorld = world;
}

HRESULT OruMove::FinalCleanup()
{
    OruObject::FinalCleanup();
    return 0;
}

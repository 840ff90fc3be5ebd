#include "flocks/PimFlyingBar.h"

#include "app/SelRandom.h"
#include "settings/SettingsTables.h"

#include "trace/DebugPrint.h"

#include <cmath>
#include <cstring>
#include <new>

namespace {

// The FBRotation setting: radians per second, stored as a float's bits.
float RollRate()
{
    const int32_t bits = SceneSetting(SceneFBRotation);
    float rate;
    std::memcpy(&rate, &bits, sizeof rate);
    return rate;
}

} // namespace

PimFlyingBar::PimFlyingBar(int requested) : columnOffsets(), columnTrails(), columns(0)
{
    SetName("PimFlyingBar");
    // The tables hold FlyingBarColumnCapacity columns; more are not made.
    columns = requested < 0 ? 0 : (requested > FlyingBarColumnCapacity ? FlyingBarColumnCapacity : requested);
    for (int i = 0; i < requested; ++i) {
        if (i < FlyingBarColumnCapacity)
            columnTrails[i] = new (std::nothrow) OruTrailRecorder(); // null: the column is not recorded
        else
            DebugPrint("ZING!! FB::FB\n");
    }

    // The columns spread over a square across the heading and a fifth of it
    // along the heading.
    const float side = 1.0f + 0.05f * static_cast<float>(columns);
    const float half = side / 2.0f;
    for (int i = 0; i < columns; ++i) {
        const float r1 = SelRandUnit();
        const float r2 = SelRandUnit();
        const float r3 = SelRandUnit();
        columnOffsets[i] = Vector3(0.2f * (r3 * side - half), r2 * side - half, r1 * side - half);
    }
}

PimFlyingBar::~PimFlyingBar()
{
    FreeTrails();
}

bool PimFlyingBar::Complete() const
{
    for (int i = 0; i < columns; ++i)
        if (!columnTrails[i])
            return false;
    return true;
}

void PimFlyingBar::FreeTrails()
{
    for (OruTrailRecorder*& t : columnTrails) {
        delete t;
        t = nullptr;
    }
}

HRESULT PimFlyingBar::FinalCleanup()
{
    FreeTrails();
    CPathWanderer::FinalCleanup();
    return 0;
}

OruTrailRecorder* PimFlyingBar::ColumnTrail(int column) const
{
    return column >= 0 && column < columns ? columnTrails[column] : nullptr;
}

void PimFlyingBar::Follow(float time, float prevTime, OruObject* body)
{
    if (!body)
        return;
    CPathWanderer::Follow(time, prevTime, body);

    const float roll = RollRate() * time;
    // A roll that is not finite would turn the whole formation into NaN.
    if (std::isfinite(roll))
        body->roll = roll;

    D3DXMATRIX m, r;
    D3DXMatrixScaling(&m, scale, scale, scale);
    D3DXMatrixRotationX(&r, body->roll);
    D3DXMatrixMultiply(&m, &m, &r);
    D3DXMatrixRotationZ(&r, body->pitch);
    D3DXMatrixMultiply(&m, &m, &r);
    D3DXMatrixRotationY(&r, body->yaw);
    D3DXMatrixMultiply(&m, &m, &r);

    for (int i = 0; i < columns; ++i) {
        if (!columnTrails[i])
            continue;
        D3DXVECTOR3 offset;
        D3DXVec3TransformCoord(&offset, &columnOffsets[i], &m);
        const Vector3 point = body->position + offset;
        columnTrails[i]->AddSample(&point, time);
    }
}

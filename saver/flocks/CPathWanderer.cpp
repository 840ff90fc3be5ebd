#include "flocks/CPathWanderer.h"

#include "app/SelRandom.h"

#include "trace/DebugPrint.h"

#include <algorithm>
#include <cmath>

namespace {

const int InitialPathPoints = 10;
const int CandidateTries = 10;
const float CaptureRadius = 0.5f;
const int SegmentSteps = 3;

} // namespace

CPathWanderer::CPathWanderer() : segmentStep(0)
{
    courseMode = CourseSeek;
    for (int i = 0; i < InitialPathPoints; ++i)
        PushPathPoint();
    position = PathPoint(3);
}

Vector3 CPathWanderer::PathPoint(int k) const
{
    Vector3 p;
    path.GetDelayed(&p, k);
    return p;
}

void CPathWanderer::PushPathPoint()
{
    const Vector3 p = AddRandomPoint(PathPoint(1), PathPoint(2));
    path.PushSample(p.x, p.y, p.z);
}

Vector3 CPathWanderer::AddRandomPoint(const Vector3& last, const Vector3& previous)
{
    // No direction yet (two equal points): no candidate lies ahead.
    D3DXVECTOR3 dir = last - previous;
    const float dirLength = D3DXVec3Length(&dir);
    dir = dirLength > 0.0f ? dir / dirLength : D3DXVECTOR3(0, 0, 0);

    Vector3 c(0, 0, 0);
    for (int i = 0; i < CandidateTries; ++i) {
        const float r1 = SelRandUnit();
        const float r2 = SelRandUnit();
        const float r3 = SelRandUnit();
        c = Vector3(20.0f * r3 - 10.0f, 10.0f * r2 - 8.0f, 20.0f * r1 - 10.0f);
        const D3DXVECTOR3 away = c - last;
        const float distance = D3DXVec3Length(&away);
        if (distance > 1.0f && D3DXVec3Dot(&dir, &away) / distance > 0.0f)
            break;
    }
    return c;
}

void CPathWanderer::Follow(float time, float prevTime, OruObject* body)
{
    if (!body)
        return;

    const D3DXVECTOR3 toEnd = body->position - PathPoint(2);
    const float speed = 0.3f * D3DXVec3Length(&toEnd);
    if (std::isnan(speed))
        DebugPrint("!WAI");
    else
        desiredSpeed = std::min(speed, 1.0f);

    const D3DXVECTOR3 toGoal = body->position - position;
    if (D3DXVec3Length(&toGoal) < CaptureRadius) {
        if (++segmentStep >= SegmentSteps) {
            segmentStep = 0;
            PushPathPoint();
        }
        const Vector3 p4 = PathPoint(4), p3 = PathPoint(3), p2 = PathPoint(2), p1 = PathPoint(1);
        D3DXVec3CatmullRom(&position, &p4, &p3, &p2, &p1, static_cast<float>(segmentStep) / SegmentSteps);
    }

    OruSteering::Follow(time, prevTime, body);
}

#include "flocks/COffsetFollower.h"

#include "trace/DebugPrint.h"

#include <algorithm>
#include <cmath>

COffsetFollower::COffsetFollower() : offset(0, 0, 0), leader(nullptr)
{
    courseMode = CourseSeek;
}

void COffsetFollower::SetTarget(OruObject* leaderIn, float dx, float dy, float dz)
{
    leader = leaderIn;
    offset = Vector3(dx, dy, dz);
}

void COffsetFollower::Follow(float time, float prevTime, OruObject* body)
{
    if (!body)
        return;
    if (leader)
        position = leader->position + offset;

    const D3DXVECTOR3 toGoal = body->position - position;
    const float speed = 0.3f * D3DXVec3Length(&toGoal) + 0.1f;
    if (std::isnan(speed))
        DebugPrint("!GAI");
    else
        desiredSpeed = std::min(speed, 1.0f);

    OruSteering::Follow(time, prevTime, body);
}

#include "flocks/CTrailFollower.h"

#include "trace/DebugPrint.h"

#include <algorithm>
#include <cmath>

CTrailFollower::CTrailFollower() : followedTrail(nullptr), delay(0)
{
    courseMode = CourseSeek;
}

void CTrailFollower::SetTrail(OruTrailRecorder* trailIn, int delayIn)
{
    followedTrail = trailIn;
    delay = delayIn;
}

void CTrailFollower::Follow(float time, float prevTime, OruObject* body)
{
    if (!body)
        return;
    if (followedTrail)
        followedTrail->GetDelayed(&position, delay);
    else
        position = Vector3(0, 0, 0);

    const D3DXVECTOR3 toGoal = body->position - position;
    const float speed = 0.3f * D3DXVec3Length(&toGoal) + 0.1f;
    if (std::isnan(speed))
        DebugPrint("!SAI");
    else
        desiredSpeed = std::min(speed, 1.0f);

    OruSteering::Follow(time, prevTime, body);
}

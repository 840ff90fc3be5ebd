// The time an update moves things by. A frame time that is not finite or is
// negative (a clock that jumped back, a time that is not a number) is no
// time, so nothing eases, moves or turns into a value that is not a number.
#pragma once

#include <cmath>

inline float FrameStep(float time, float prevTime)
{
    const float dt = time - prevTime;
    return std::isfinite(dt) && dt > 0.0f ? dt : 0.0f;
}

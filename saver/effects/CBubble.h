// One rising air bubble of an emitter: it waits dead until its emitter's
// burst lets it start, then rises, drifts away from the emitter's vertical
// axis, wobbles in a small circle and dies above y = 5.
#pragma once

#include "mesh/Vector3.h"

#include <cstdint>

class CBubbles;

// A bubble above this height stops being alive.
const float BubbleCeiling = 5.0f;

class CBubble {
public:
    CBubble();
    virtual ~CBubble() = default;

    // One update's motion; a dead bubble only asks its emitter for a start.
    virtual void Move(float time, float prevTime);
    // Alive again when the emitter hands out a start position.
    void Respawn();

    uint16_t index;     // 0..299 within the emitter; the wobble's phase
    Vector3 position;
    int32_t alive;
    CBubbles* emitter;  // not owned
};

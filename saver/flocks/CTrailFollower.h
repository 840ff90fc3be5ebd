// The mover of a formation fish: its goal is a flying bar's column trail a
// fixed number of samples behind the newest.
#pragma once

#include "scene/OruSteering.h"
#include "scene/OruTrailRecorder.h"

#include <cstdint>

class CTrailFollower : public OruSteering {
public:
    CTrailFollower();

    // trail: the column trail to follow (not owned); delay: samples behind
    // the newest (1 = the newest).
    void SetTrail(OruTrailRecorder* trail, int delay);

    // Goal = the delayed sample (the origin while there is no trail or no
    // sample), desired speed 0.3 x distance + 0.1 up to 1.0; then steers.
    void Follow(float time, float prevTime, OruObject* body) override;

    OruTrailRecorder* followedTrail; // not owned
    int32_t delay;
};

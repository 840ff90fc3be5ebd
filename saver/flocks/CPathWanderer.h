// A mover that leads its body along a smooth random path through the stage:
// the goal runs along a Catmull-Rom curve through the newest path points,
// a third of a segment at a time, moving on only once the body has come
// within 0.5 of it. It steers the lights and underlies the flying bar.
#pragma once

#include "scene/OruSteering.h"
#include "scene/OruTrailRecorder.h"

#include "mesh/Vector3.h"

#include <cstdint>

class CPathWanderer : public OruSteering {
public:
    // Builds a path of ten random points; the goal starts at P(3).
    CPathWanderer();

    // Places the goal and the desired speed, then steers body (nothing
    // without a body).
    void Follow(float time, float prevTime, OruObject* body) override;

    // A new path point after last, reached from previous: up to ten random
    // candidates in x [-10, 10], y [-8, 2], z [-10, 10]; the first that lies
    // ahead of the direction previous -> last and farther than 1 from last,
    // or else the tenth.
    Vector3 AddRandomPoint(const Vector3& last, const Vector3& previous);

    // Path point k places back (P(1) the newest).
    Vector3 PathPoint(int k) const;

    int32_t segmentStep;   // 0, 1 or 2: the goal's place in the segment, in thirds
    OruTrailRecorder path; // the path points; the current segment runs P(3) -> P(2)

private:
    void PushPathPoint();
};

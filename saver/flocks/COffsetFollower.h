// The mover of a follower fish: its goal is its formation fish's position
// plus a fixed offset along the world axes.
#pragma once

#include "scene/OruSteering.h"

#include "mesh/Vector3.h"

class COffsetFollower : public OruSteering {
public:
    COffsetFollower();

    // leader: the fish followed (not owned); (dx, dy, dz): the offset.
    void SetTarget(OruObject* leader, float dx, float dy, float dz);

    // Goal = leader position + offset (it stays where it is without a
    // leader), desired speed 0.3 x distance + 0.1 up to 1.0; then steers.
    void Follow(float time, float prevTime, OruObject* body) override;

    Vector3 offset;
    OruObject* leader; // not owned
};

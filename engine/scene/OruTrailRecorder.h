// A fixed ring of the last 200 positions of something that moves, sampled at
// most every 0.2 s; read back by delay (1 = the newest sample).
#pragma once

#include "mesh/Vector3.h"

#include <cstdint>

const int TrailCapacity = 200;

struct OruTrailRecorder {
    OruTrailRecorder();

    // Stores position when at least 0.2 s have passed since the last stored
    // sample (never for a time that is not a number).
    void AddSample(const Vector3* position, float time);

    // The sample n places back (n = 1 the newest; any n at or beyond the
    // count gives the oldest stored one, n below 1 the newest); the zero
    // vector while the ring is empty.
    Vector3* GetDelayed(Vector3* out, int n) const;

    // Stores (x, y, z) whatever the time; the time of the last sample stays.
    void PushSample(float x, float y, float z);

    float lastTime;
    Vector3 samples[TrailCapacity];
    int32_t writeIndex;
    int32_t count;
};

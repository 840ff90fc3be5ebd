// One movable part of a fish for the partial morph: the pose-mesh range that
// holds pose A, the one that holds pose B, and the part's range in the rest
// mesh.
#pragma once

#include <cstdint>

struct MorphTriple {
    int32_t poseRangeA;
    int32_t poseRangeB;
    int32_t baseRange;
};

static_assert(sizeof(MorphTriple) == 12, "MorphTriple is three 32-bit integers");

// One flock's description as the flock builder writes it into the world's
// flock table.
#pragma once

#include <cstdint>

struct OruFlockRecord {
    int32_t leading;          // cleared by the world, read by nothing
    int32_t rows;             // formation rows
    int32_t columns;          // formation columns
    int32_t followersPerFish; // follower fish per formation fish
    int32_t flockIndex;       // 0..7
    int32_t kind;             // the flock's fish kind; 0: no flock
    int32_t density;          // the flock's density setting
};

static_assert(sizeof(OruFlockRecord) == 7 * sizeof(int32_t), "seven int32 values");

// One output group of the strip builder: a triangle strip or a triangle list
// of 16-bit indices that the group owns.
#pragma once

#include <cstdint>

struct StripGroup {
    enum Kind : int32_t { List = 0, Strip = 1 };

    StripGroup() : kind(Strip), indexCount(0), indexData(nullptr) {}
    // Frees indexData (array new) and clears it.
    ~StripGroup();
    StripGroup(const StripGroup&) = delete;
    StripGroup& operator=(const StripGroup&) = delete;

    int32_t kind;
    uint32_t indexCount;
    uint16_t* indexData;
};

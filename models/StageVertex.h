// The stage mesh's 44-byte vertex: position, normal (stored turned a quarter
// turn about x, like all model data), a colour of three floats and one
// texture coordinate pair.
#pragma once

#include "mesh/Vector3.h"

#include <cstddef>

struct StageVertex {
    StageVertex() = default;
    StageVertex(const Vector3& p, const Vector3& n, const Vector3& colour, float u, float v)
        : position(p), normal(n), diffuse(colour), tu(u), tv(v)
    {
    }

    Vector3 position;
    Vector3 normal;
    Vector3 diffuse; // r, g, b
    float tu;
    float tv;
};

static_assert(sizeof(StageVertex) == 44, "StageVertex stride");
static_assert(offsetof(StageVertex, position) == 0 && offsetof(StageVertex, normal) == 12 &&
                  offsetof(StageVertex, diffuse) == 24 && offsetof(StageVertex, tu) == 36 &&
                  offsetof(StageVertex, tv) == 40,
              "StageVertex layout");

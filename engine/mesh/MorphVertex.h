// Vertex with position and normal only (FVF 0x12): swim keyframes and
// partial-morph poses.
#pragma once

#include "Vector3.h"

#include <cstddef>

struct MorphVertex {
    static const unsigned long Format = 0x12; // XYZ | NORMAL

    MorphVertex() = default;
    MorphVertex(const Vector3& p, const Vector3& n) : position(p), normal(n) {}

    Vector3 position;
    Vector3 normal;
};

static_assert(sizeof(MorphVertex) == 24, "MorphVertex stride");
static_assert(offsetof(MorphVertex, position) == 0 && offsetof(MorphVertex, normal) == 12, "MorphVertex layout");

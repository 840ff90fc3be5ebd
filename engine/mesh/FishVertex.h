// Vertex with position, normal and one texture coordinate pair (FVF 0x112):
// rest poses, low-detail meshes and .x meshes.
#pragma once

#include "Vector3.h"

#include <cstddef>

struct FishVertex {
    static const unsigned long Format = 0x112; // XYZ | NORMAL | TEX1

    FishVertex() = default;
    FishVertex(const Vector3& p, const Vector3& n, float u, float v) : position(p), normal(n), tu(u), tv(v) {}

    Vector3 position;
    Vector3 normal;
    float tu;
    float tv;
};

static_assert(sizeof(FishVertex) == 32, "FishVertex stride");
static_assert(offsetof(FishVertex, position) == 0 && offsetof(FishVertex, normal) == 12 &&
              offsetof(FishVertex, tu) == 24 && offsetof(FishVertex, tv) == 28, "FishVertex layout");

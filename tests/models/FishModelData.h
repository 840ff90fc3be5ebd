// The checks every fish kind's compiled-in model data passes, as the program
// links it: a FishCase states one kind's figures (counts, ranges, fins, the
// normal rule's tolerance, the swim wave, bounds, reference vertices,
// texture regions, skins and the views drawn on Wine's device), and the
// parameterized suite FishData (FishModelData.cpp) checks the data against
// them. Each kind's program instantiates the suite with its own case and
// adds the checks only that kind has; the geometry helpers below serve both.
#pragma once

#include "mesh/OruMeshRecord.h"
#include "texture/EmbeddedFile.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <map>
#include <string>
#include <utility>
#include <vector>

namespace fishdata {

const double Pi = 3.14159265358979323846;

struct V3 {
    double x = 0, y = 0, z = 0;
};
inline V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Len(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Unit(V3 a);
double AngleDeg(V3 a, V3 b);
// Stored (a, b, c) stands for the surface direction (a, c, -b).
inline V3 Direction(V3 stored) { return {stored.x, stored.z, -stored.y}; }

using Tri = std::array<int, 3>;

// One mesh record's data read through its fields.
struct MeshView {
    std::vector<V3> pos, nrm;
    std::vector<double> tu, tv;
    std::vector<Tri> tris;
};
MeshView View(const OruMeshRecord& r);

// The sums of the unit face normals at each vertex over faces [f0, f0 + fc).
std::vector<V3> RuleDirections(const std::vector<V3>& pos, const std::vector<Tri>& tris, uint32_t f0, uint32_t fc);

struct Range {
    uint32_t id, faceStart, faceCount, vertexStart, vertexCount;
};
bool SameRange(const D3DXATTRIBUTERANGE& a, const Range& b);

// Indices in range, every vertex used, no repeated vertex, no duplicate or
// zero-area triangle; ranges tile in the stated order and keep to their runs.
void CheckIndexList(const MeshView& m, const std::vector<Range>& table, const std::vector<uint32_t>& order);

// Edge uses (undirected) and whether each is walked equally both ways, and
// the signed volume, over faces [f0, f0 + fc).
struct Closure {
    std::map<std::pair<int, int>, int> uses;
    bool balanced = true;
    double volume = 0;
};
Closure Close(const MeshView& m, uint32_t f0, uint32_t fc);

// FNV-1a over the bytes of n floats.
uint32_t HashFloats(const float* f, size_t n);

inline bool Near(double a, double b, double half) { return std::fabs(a - b) <= half * 1.0001 + 1e-9; }

// One reference vertex of the rest pose: position (to `half`), normal and
// texture coordinates.
struct ReferenceVertex {
    int v;
    V3 p, n;
    double u, t;
    double half;
};

// A part's texture coordinates: their range (to `half`).
struct UvRegion {
    int range;
    double u0, u1, v0, v1, half;
};

struct Skin {
    const char* name;
    const EmbeddedFileRef* ref;
    int size;
    double bandTop; // v from which the skin is opaque
};

// A record drawn flat on Wine's device, seen along two model axes.
struct Silhouette {
    const char* name;
    const OruMeshRecord* record;
    int a, b;
};

// A mesh list and the bounds the vertex object finds over it.
struct Bounds {
    std::vector<OruMeshRecord*> meshes;
    double radius, xMax, half;
};

// What one fish kind's data must satisfy.
struct FishCase {
    const char* name;
    // The rest pose and the ten keyframes, and the arrays each record holds.
    OruMeshRecord* frames;
    const void* vertices[11];
    const void* indices[11];
    const D3DXATTRIBUTERANGE* ranges[11];
    const uint32_t* hashes; // of each frame's vertex floats
    int vertexCount, faceCount;
    std::vector<Range> table;
    std::vector<uint32_t> tilingOrder; // range ids in array order
    int bodyRange;
    std::vector<std::pair<int, int>> finPairs; // (range, reversed triangle pairs)
    std::vector<int> midplaneFins;             // ranges of flat two-sheet fins on the midplane
    std::vector<int> twinFins;                 // ranges whose halves are exact twins
    double normalTolDeg;
    double phaseDeg, waveRateDeg;
    double ampMin, ampMax;
    int ampMinVertex, ampMaxVertex; // the snout; a tail tip
    V3 boxLo, boxHi;                // over all frames, to 5 decimals
    std::vector<ReferenceVertex> referenceVertices;
    int tailTip;        // the vertex whose z series the keyframes state
    double tailZ[10];   // its z in keyframes 1 to 10
    std::vector<UvRegion> uvRegions;
    double uvLo[2], uvHi[2]; // u and v over the whole rest mesh
    std::vector<Skin> skins;
    std::vector<const OruMeshRecord*> skinMeshes; // the meshes that sample the skins
    std::vector<Silhouette> silhouettes;
    std::vector<Bounds> bounds;
};

// The suite's parameter: the kind's case, built when a test asks for it (the
// records it names are made by the model library's initialisers).
using FishCaseSource = const FishCase& (*)();

class FishData : public ::testing::TestWithParam<FishCaseSource> {
protected:
    const FishCase& Fish() const { return GetParam()(); }
};

} // namespace fishdata

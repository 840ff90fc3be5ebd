// The bream's compiled-in model data as the program links it: the checks
// every fish's data passes (FishModelData.h) with the bream's figures; its
// pose and low-detail records and morph triples, the shapes only it has
// (midplane fins, eyes, dorsal points), the poses' shift law and the
// low-detail mesh.

#include "FishModelData.h"

#include "Bream.h"
#include "BreamDataHashes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <set>
#include <string>
#include <vector>

using namespace fishdata;

namespace {

const std::vector<Range> BreamTable = {{0, 268, 290, 238, 147}, {1, 12, 28, 16, 32},   {2, 40, 92, 48, 68},
                                       {3, 0, 12, 0, 16},       {4, 136, 4, 128, 12},  {5, 132, 4, 116, 12},
                                       {6, 144, 4, 152, 12},    {7, 140, 4, 140, 12},  {8, 208, 60, 201, 37},
                                       {9, 148, 60, 164, 37}};
const std::vector<Range> PoseTable = {
    {0, 856, 28, 530, 32},  {1, 884, 28, 562, 32},   {2, 0, 12, 0, 16},      {3, 920, 12, 618, 16},
    {4, 852, 4, 518, 12},   {5, 16, 4, 28, 12},      {6, 848, 4, 506, 12},   {7, 12, 4, 16, 12},
    {8, 24, 4, 52, 12},     {9, 912, 4, 594, 12},    {10, 20, 4, 40, 12},    {11, 916, 4, 606, 12},
    {12, 88, 290, 101, 147}, {13, 558, 290, 359, 147}, {14, 378, 60, 248, 37}, {15, 28, 60, 64, 37},
    {16, 438, 60, 285, 37}, {17, 498, 60, 322, 37}};
const std::vector<Range> LowTable = {{0, 0, 156, 0, 114}};

const FishCase& BreamCase()
{
    static const FishCase bream = [] {
        FishCase f;
        f.name = "bream";
        f.frames = BreamFrames;
        for (int k = 0; k < 11; ++k) {
            f.vertices[k] = k ? static_cast<const void*>(BreamVertices.keyframes[k - 1]) : BreamVertices.rest;
            f.indices[k] = BreamIndices.frames[k];
            f.ranges[k] = BreamRanges.frames[k];
        }
        f.hashes = BreamFrameHashes;
        f.vertexCount = 385;
        f.faceCount = 558;
        f.table = BreamTable;
        f.tilingOrder = {3, 1, 2, 5, 4, 7, 6, 9, 8, 0};
        f.bodyRange = 0;
        f.finPairs = {{1, 11}, {2, 46}, {3, 6}, {4, 2}, {5, 2}, {6, 2}, {7, 2}};
        f.midplaneFins = {1, 2, 3};
        f.twinFins = {2, 3, 4, 5, 6, 7}; // tail, anal and paired fins
        f.normalTolDeg = 0.1;
        f.phaseDeg = 161.289;
        f.waveRateDeg = 972.976;
        f.ampMin = 0.00068;
        f.ampMax = 0.09377;
        f.ampMinVertex = 250;
        f.ampMaxVertex = 115;
        f.boxLo = {-0.14780, -0.10031, -0.09150};
        f.boxHi = {0.35211, 0.13075, 0.09124};
        f.referenceVertices = {
            {18, {-0.00465, 0.13075, -0.00013}, {0, 1, 0}, 0.1257, 0.2364, 5e-6},
            {74, {0.35211, 0.08590, -0.00013}, {0, 1, 0}, 0.9505, 0.0065, 5e-6},
            {142, {0.08350, -0.10031, 0.01687}, {0.0301, -0.9754, 0.2182}, 0.5319, 0.2969, 5e-6},
            {250, {-0.14780, -0.01451, -0.00103}, {-0.9717, -0.0018, 0.2361}, 0.0218, 0.8169, 5e-6},
        };
        f.tailTip = 74;
        const double tail[10] = {0.00186, -0.04966, -0.08225, -0.08348, -0.05287,
                                 -0.00212, 0.04939, 0.08199, 0.08322, 0.05261};
        std::copy(tail, tail + 10, f.tailZ);
        f.uvRegions = {
            {3, 0.639, 0.958, 0.328, 0.529, 5e-4}, {1, 0.041, 0.634, 0.236, 0.508, 5e-4},
            {2, 0.549, 0.950, 0.006, 0.349, 5e-4}, {4, 0.017, 0.415, 0.004, 0.265, 5e-4},
            {5, 0.017, 0.415, 0.004, 0.265, 5e-4}, {6, 0.257, 0.532, 0.187, 0.297, 5e-4},
            {7, 0.257, 0.532, 0.187, 0.297, 5e-4}, {8, 0.096, 0.214, 0.411, 0.534, 5e-4},
            {9, 0.096, 0.214, 0.411, 0.534, 5e-4}, {0, 0.022, 1.001, 0.552, 0.933, 5e-4},
        };
        f.uvLo[0] = 0.0165, f.uvHi[0] = 1.0014, f.uvLo[1] = 0.0040, f.uvHi[1] = 0.9328;
        f.skins = {{"bream 0", BreamSkins[0], 512, 0.545},
                   {"bream 1", BreamSkins[1], 512, 0.545},
                   {"bream 2", BreamSkins[2], 512, 0.545},
                   {"bream 3", BreamSkins[3], 512, 0.545}};
        f.skinMeshes = {&BreamFrames[0], &BreamLowMesh};
        f.silhouettes = {{"bream-rest-side", &BreamFrames[0], 0, 1},
                         {"bream-frame8-top", &BreamFrames[8], 0, 2},
                         {"bream-low-side", &BreamLowMesh, 0, 1}};
        // The frames reach x 0.35211; the pose mesh (as initialised) and the
        // low mesh take the box to x 0.3600 and the radius to 0.36.
        std::vector<OruMeshRecord*> frames;
        for (int k = 0; k < 11; ++k)
            frames.push_back(&BreamFrames[k]);
        std::vector<OruMeshRecord*> all = frames;
        all.push_back(&BreamPoseMesh);
        all.push_back(&BreamLowMesh);
        f.bounds = {{frames, 0.35211, 0.35211, 5e-6}, {all, 0.3600, 0.3600, 5e-5}};
        return f;
    }();
    return bream;
}

} // namespace

INSTANTIATE_TEST_SUITE_P(Bream, FishData, ::testing::Values(&BreamCase));

// --- records ------------------------------------------------------------

TEST(BreamData, PoseAndLowDetailRecordsHoldTheirArraysCountsAndRangesAndTheMorphTriples)
{
    // The bream's pose and low-detail records.
    struct Other {
        const OruMeshRecord* r;
        const void* vertices;
        const void* indices;
        const D3DXATTRIBUTERANGE* ranges;
        int vc, fc;
        DWORD fvf;
        int stride;
        const std::vector<Range>* table;
    };
    const Other others[2] = {
        {&BreamPoseMesh, BreamVertices.pose, BreamIndices.pose, BreamRanges.pose, 634, 932, 0x12, 24, &PoseTable},
        {&BreamLowMesh, BreamVertices.low, BreamIndices.low, BreamRanges.low, 114, 156, 0x112, 32, &LowTable}};
    for (const Other& o : others) {
        SCOPED_TRACE(o.vc);
        EXPECT_EQ(0u, o.r->key);
        EXPECT_EQ(nullptr, o.r->vertexBuffer);
        EXPECT_EQ(nullptr, o.r->indexBuffer);
        EXPECT_EQ(o.vertices, o.r->vertices);
        EXPECT_EQ(o.indices, o.r->indices);
        EXPECT_EQ(o.vc, o.r->vertexCount);
        EXPECT_EQ(o.fc, o.r->faceCount);
        EXPECT_EQ(o.fvf, o.r->fvf);
        EXPECT_EQ(o.stride, o.r->stride);
        EXPECT_EQ(0, o.r->noVB);
        EXPECT_EQ(1, o.r->isStatic);
        ASSERT_EQ(int(o.table->size()), o.r->rangeCount);
        for (size_t i = 0; i < o.table->size(); ++i) {
            EXPECT_TRUE(SameRange(o.r->ranges[i], (*o.table)[i])) << "range " << i;
            EXPECT_TRUE(SameRange(o.ranges[i], (*o.table)[i])) << "table, range " << i;
        }
    }
    const uint32_t poseHash = HashFloats(reinterpret_cast<const float*>(BreamVertices.pose), 634 * 6);
    const uint32_t lowHash = HashFloats(reinterpret_cast<const float*>(BreamVertices.low), 114 * 8);
    EXPECT_EQ(BreamPoseHash, poseHash);
    EXPECT_EQ(BreamLowHash, lowHash);
    // The morph triples.
    const int triples[9][3] = {{12, 13, 0}, {0, 1, 1}, {2, 3, 3}, {4, 5, 4}, {6, 7, 5},
                               {8, 9, 6},   {10, 11, 7}, {14, 15, 8}, {16, 17, 9}};
    for (int e = 0; e < 9; ++e) {
        EXPECT_EQ(triples[e][0], BreamMorphTriples[e].poseRangeA);
        EXPECT_EQ(triples[e][1], BreamMorphTriples[e].poseRangeB);
        EXPECT_EQ(triples[e][2], BreamMorphTriples[e].baseRange);
    }}

// --- shapes ---------------------------------------------------------------

// Shapes the tables state: the rest z range, the midplane fins, the eyes (a
// centre and three rings of 12 within 0.018 of their centres, 12 / 24 / 24
// triangles), the dorsal fin's 17 points.
TEST(BreamData, StatedShapesHold)
{
    const MeshView b = View(BreamFrames[0]);
    double zlo = 1, zhi = -1;
    for (const V3& p : b.pos)
        zlo = std::min(zlo, p.z), zhi = std::max(zhi, p.z);
    EXPECT_TRUE(Near(zlo, -0.0442, 5e-5) && Near(zhi, 0.0436, 5e-5)) << zlo << " " << zhi;
    for (uint32_t v = 0; v < 116; ++v)  // anal, dorsal and tail fins
        EXPECT_TRUE(Near(b.pos[v].z, -0.00013, 5e-6)) << v;
    const V3 centres[2] = {{-0.1063, 0.0242, -0.0243}, {-0.1063, 0.0242, 0.0227}};
    for (int e = 0; e < 2; ++e) {
        const Range& r = BreamTable[8 + e];
        for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v)
            EXPECT_LE(Len(b.pos[v] - centres[e]), 0.018) << "eye vertex " << v;
        // Fan of 12 about the centre, then two bands of 24; the rim's edges open.
        for (uint32_t f = r.faceStart; f < r.faceStart + 12; ++f)
            EXPECT_TRUE(std::count(b.tris[f].begin(), b.tris[f].end(), int(r.vertexStart))) << f;
        for (uint32_t f = r.faceStart + 12; f < r.faceStart + 60; ++f)
            EXPECT_FALSE(std::count(b.tris[f].begin(), b.tris[f].end(), int(r.vertexStart))) << f;
        Closure c = Close(b, r.faceStart, r.faceCount);
        int open = 0;
        for (const auto& edge : c.uses)
            open += edge.second == 1;
        EXPECT_EQ(12, open);
        // Facing its own side.
        for (uint32_t f = r.faceStart; f < r.faceStart + r.faceCount; ++f) {
            const Tri& t = b.tris[f];
            const V3 n = Cross(b.pos[t[1]] - b.pos[t[0]], b.pos[t[2]] - b.pos[t[0]]);
            EXPECT_GT(e == 0 ? -n.z : n.z, 0) << f;
        }
    }
    std::set<std::array<float, 3>> dorsalPoints;
    for (uint32_t v = 16; v < 48; ++v)
        dorsalPoints.insert({float(b.pos[v].x), float(b.pos[v].y), float(b.pos[v].z)});
    EXPECT_EQ(17u, dorsalPoints.size());
}

// --- the poses and the low-detail mesh ----------------------------------

// The pose ranges follow the shift law over the rest part's triangles;
// unmoved vertices are the rest positions bit for bit; the moved counts per
// entry; moves within 0.14 per coordinate; unit normals.
TEST(BreamData, PosesShiftTheRestTrianglesAndMoveTheStatedVertices)
{
    const MeshView rest = View(BreamFrames[0]);
    const MeshView pose = View(BreamPoseMesh);
    CheckIndexList(pose, PoseTable, {2, 7, 5, 10, 8, 15, 12, 14, 16, 17, 13, 6, 4, 0, 1, 9, 11, 3});
    const int moved[9] = {30, 16, 10, 12, 12, 6, 6, 13, 14};
    for (int e = 0; e < 9; ++e) {
        SCOPED_TRACE("entry " + std::to_string(e));
        const MorphTriple& t = BreamMorphTriples[e];
        const Range& base = BreamTable[t.baseRange];
        int count = 0;
        for (int s = 0; s < 2; ++s) {
            const Range& r = PoseTable[s ? t.poseRangeB : t.poseRangeA];
            ASSERT_EQ(base.vertexCount, r.vertexCount);
            ASSERT_EQ(base.faceCount, r.faceCount);
            for (uint32_t f = 0; f < r.faceCount; ++f)
                for (int k = 0; k < 3; ++k)
                    ASSERT_EQ(rest.tris[base.faceStart + f][k] + int(r.vertexStart) - int(base.vertexStart),
                              pose.tris[r.faceStart + f][k]);
        }
        for (uint32_t j = 0; j < base.vertexCount; ++j) {
            const V3 p0 = rest.pos[base.vertexStart + j];
            bool any = false;
            for (int s = 0; s < 2; ++s) {
                const Range& r = PoseTable[s ? t.poseRangeB : t.poseRangeA];
                const V3 p = pose.pos[r.vertexStart + j];
                any |= p.x != p0.x || p.y != p0.y || p.z != p0.z;
                EXPECT_LE(std::fabs(p.x - p0.x), 0.14);
                EXPECT_LE(std::fabs(p.y - p0.y), 0.14);
                EXPECT_LE(std::fabs(p.z - p0.z), 0.14);
                EXPECT_NEAR(1.0, Len(pose.nrm[r.vertexStart + j]), 1e-4);
            }
            count += any;
        }
        EXPECT_EQ(moved[e], count);
    }
    // The poses that show a part at rest: body, dorsal, anal and pelvic A,
    // pectoral B, within 0.000001.
    for (int r : {12, 0, 2, 8, 10, 5, 7}) {
        const Range& pr = PoseTable[r];
        int e = 0;
        while (BreamMorphTriples[e].poseRangeA != r && BreamMorphTriples[e].poseRangeB != r)
            ++e;
        const Range& base = BreamTable[BreamMorphTriples[e].baseRange];
        for (uint32_t j = 0; j < pr.vertexCount; ++j) {
            const V3 d = pose.pos[pr.vertexStart + j] - rest.pos[base.vertexStart + j];
            EXPECT_LE(std::max({std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)}), 1.0000001e-6) << "pose range " << r;
        }
    }}

TEST(BreamData, LowDetailMeshIsAClosedBodyWithFlatFins)
{
    const MeshView m = View(BreamLowMesh);
    // Pieces: (first triangle, count, first vertex, count, sheets).
    struct Piece {
        uint32_t f0, fc, v0, vc;
        int sheets;
    };
    const Piece pieces[7] = {{0, 10, 0, 14, 2},  {10, 4, 14, 8, 2}, {14, 4, 22, 8, 2}, {18, 2, 30, 4, 1},
                             {20, 2, 34, 4, 1},  {22, 8, 38, 12, 2}, {30, 126, 50, 64, 0}};
    std::vector<int> used(114, 0);
    for (const Piece& p : pieces)
        for (uint32_t f = p.f0; f < p.f0 + p.fc; ++f)
            for (int v : m.tris[f]) {
                EXPECT_TRUE(v >= int(p.v0) && v < int(p.v0 + p.vc)) << "triangle " << f;
                used[v]++;
            }
    for (int v = 0; v < 114; ++v)
        EXPECT_GT(used[v], 0) << v;
    for (size_t f = 0; f < m.tris.size(); ++f) {
        const Tri& t = m.tris[f];
        EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]);
        EXPECT_GT(Len(Cross(m.pos[t[1]] - m.pos[t[0]], m.pos[t[2]] - m.pos[t[0]])), 1e-12) << f;
    }
    // The body: every edge twice, except the three head edges of the flap
    // stored twice with opposite windings (85/145 over 79 80 88, 89/149 over
    // 77 80 88).
    Closure c = Close(m, 30, 126);
    for (const auto& e : c.uses) {
        bool head = e.first == std::make_pair(79, 80) || e.first == std::make_pair(77, 80) ||
                    e.first == std::make_pair(80, 88);
        EXPECT_EQ(head ? 4 : 2, e.second) << e.first.first << "-" << e.first.second;
    }
    EXPECT_TRUE(c.balanced);
    EXPECT_GT(c.volume, 0);
    const std::set<int> flapA = {79, 80, 88}, flapB = {77, 80, 88};
    EXPECT_EQ(flapA, std::set<int>(m.tris[85].begin(), m.tris[85].end()));
    EXPECT_EQ(flapA, std::set<int>(m.tris[145].begin(), m.tris[145].end()));
    EXPECT_EQ(flapB, std::set<int>(m.tris[89].begin(), m.tris[89].end()));
    EXPECT_EQ(flapB, std::set<int>(m.tris[149].begin(), m.tris[149].end()));
    // Sheets at z 0.0009 with their twins.
    for (const Piece& p : pieces)
        if (p.sheets == 2)
            for (uint32_t j = 0; j < p.vc / 2; ++j) {
                const uint32_t a = p.v0 + j, b = a + p.vc / 2;
                EXPECT_NEAR(0.0009, m.pos[a].z, 5e-7);
                EXPECT_TRUE(m.pos[a].x == m.pos[b].x && m.pos[a].y == m.pos[b].y && m.pos[a].z == m.pos[b].z);
                EXPECT_TRUE(m.tu[a] == m.tu[b] && m.tv[a] == m.tv[b]);
                EXPECT_TRUE(m.nrm[a].x == -m.nrm[b].x && m.nrm[a].y == -m.nrm[b].y && m.nrm[a].z == -m.nrm[b].z);
            }
    // Normals: the rule within 0.06 degrees (1e-3 rad) per piece, except the
    // pectorals (stored exactly sideways) and the flap tip.
    for (const Piece& p : pieces) {
        std::vector<V3> dirs = RuleDirections(m.pos, m.tris, p.f0, p.fc);
        for (uint32_t v = p.v0; v < p.v0 + p.vc; ++v) {
            EXPECT_NEAR(1.0, Len(m.nrm[v]), 1e-4);
            if (v >= 30 && v < 38) {
                EXPECT_TRUE(m.nrm[v].x == 0 && m.nrm[v].y == (v < 34 ? 1 : -1) && m.nrm[v].z == 0) << v;
            } else if (v != 88) {
                EXPECT_LE(AngleDeg(Direction(m.nrm[v]), dirs[v]), 0.06) << "vertex " << v;
            }
        }
    }
    // The pectorals face outward: -z for 30-33, +z for 34-37.
    for (uint32_t f = 18; f < 22; ++f) {
        const Tri& t = m.tris[f];
        V3 n = Cross(m.pos[t[1]] - m.pos[t[0]], m.pos[t[2]] - m.pos[t[0]]);
        EXPECT_LT(f < 20 ? n.z : -n.z, 0) << f;
    }
    // Body flanks mirrored about z = 0.00095; rings; body uv projection.
    for (int v = 50; v < 75; ++v) {
        const V3 a = m.pos[v], b = m.pos[v + 39];
        EXPECT_NEAR(a.x, b.x, 2e-4);
        EXPECT_NEAR(a.y, b.y, 2e-4);
        EXPECT_NEAR(0.0019 - a.z, b.z, 2e-4);
        EXPECT_TRUE(m.tu[v] == m.tu[v + 39] && m.tv[v] == m.tv[v + 39]);
    }
    for (int v = 75; v <= 88; ++v)
        EXPECT_NEAR(v == 80 ? -0.0006 : 0.0014, m.pos[v].z, 5e-7) << v;
    for (int v = 50; v < 114; ++v) {
        EXPECT_NEAR(0.3730 + 2.4675 * m.pos[v].x, m.tu[v], 1e-4) << v;
        EXPECT_NEAR(0.7975 - 2.5253 * m.pos[v].y, m.tv[v], 1e-4) << v;
    }
    // Extent, uv extent; no vertex coincides with the full mesh.
    V3 lo{1, 1, 1}, hi{-1, -1, -1};
    double u0 = 9, u1 = -9, v0 = 9, v1 = -9;
    const MeshView rest = View(BreamFrames[0]);
    for (int v = 0; v < 114; ++v) {
        const V3 p = m.pos[v];
        lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
        hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        u0 = std::min(u0, m.tu[v]), u1 = std::max(u1, m.tu[v]), v0 = std::min(v0, m.tv[v]), v1 = std::max(v1, m.tv[v]);
        for (const V3& q : rest.pos)
            ASSERT_FALSE(p.x == q.x && p.y == q.y && p.z == q.z) << "low vertex " << v;
    }
    EXPECT_TRUE(Near(lo.x, -0.1474, 5e-5) && Near(hi.x, 0.3600, 5e-5) && Near(lo.y, -0.0995, 5e-5) &&
                Near(hi.y, 0.1300, 5e-5) && Near(lo.z, -0.0601, 5e-5) && Near(hi.z, 0.0543, 5e-5));
    EXPECT_TRUE(Near(u0, 0.0074, 5e-5) && Near(u1, 1.0115, 5e-5) && Near(v0, 0.0068, 5e-5) && Near(v1, 0.9540, 5e-5))
        << u0 << " " << u1 << " " << v0 << " " << v1;}

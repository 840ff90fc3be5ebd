// The sardine's and the bream's compiled-in model data as the program links
// it: every record field, the index lists and ranges, closed bodies, fin
// sheets, the normal rule per frame, the swim wave and its mirror, bounds,
// reference vertices, texture coordinates, the bream's poses and low-detail mesh,
// and the skins. The same records and skins then go through the buffer
// server and the texture loader on Wine's device and are drawn.

#include "Bream.h"
#include "Sardine.h"
#include "SardineDataHashes.h"
#include "BreamDataHashes.h"

#include "TestDevice.h"
#include "framework/OruApplication.h"
#include "scene/PimVertexObject.h"
#include "servers/VBServer.h"
#include "texture/EmbeddedFile.h"
#include "texture/TextureCache.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace {

const double Pi = 3.14159265358979323846;

struct V3 {
    double x = 0, y = 0, z = 0;
};
V3 operator-(V3 a, V3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
V3 operator+(V3 a, V3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
double Dot(V3 a, V3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
V3 Cross(V3 a, V3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
double Len(V3 a) { return std::sqrt(Dot(a, a)); }
V3 Unit(V3 a)
{
    double l = Len(a);
    return l > 0 ? V3{a.x / l, a.y / l, a.z / l} : V3{};
}
double AngleDeg(V3 a, V3 b)
{
    double c = Dot(Unit(a), Unit(b));
    return std::acos(std::max(-1.0, std::min(1.0, c))) * 180.0 / Pi;
}
// Stored (a, b, c) stands for the surface direction (a, c, -b).
V3 Direction(V3 stored) { return {stored.x, stored.z, -stored.y}; }

using Tri = std::array<int, 3>;

// One mesh record's data read through its fields.
struct MeshView {
    std::vector<V3> pos, nrm;
    std::vector<double> tu, tv;
    std::vector<Tri> tris;
};

MeshView View(const OruMeshRecord& r)
{
    MeshView m;
    const uint8_t* base = static_cast<const uint8_t*>(r.vertices);
    for (int i = 0; i < r.vertexCount; ++i) {
        const float* f = reinterpret_cast<const float*>(base + size_t(i) * r.stride);
        m.pos.push_back({f[0], f[1], f[2]});
        m.nrm.push_back({f[3], f[4], f[5]});
        if (r.fvf == 0x112) {
            m.tu.push_back(f[6]);
            m.tv.push_back(f[7]);
        }
    }
    for (int t = 0; t < r.faceCount; ++t)
        m.tris.push_back({r.indices[3 * t], r.indices[3 * t + 1], r.indices[3 * t + 2]});
    return m;
}

std::vector<V3> RuleDirections(const std::vector<V3>& pos, const std::vector<Tri>& tris, uint32_t f0, uint32_t fc)
{
    std::vector<V3> sum(pos.size());
    for (uint32_t f = f0; f < f0 + fc; ++f) {
        const Tri& t = tris[f];
        V3 n = Unit(Cross(pos[t[1]] - pos[t[0]], pos[t[2]] - pos[t[0]]));
        for (int k = 0; k < 3; ++k)
            sum[t[k]] = sum[t[k]] + n;
    }
    return sum;
}

struct Range {
    uint32_t id, faceStart, faceCount, vertexStart, vertexCount;
};

bool SameRange(const D3DXATTRIBUTERANGE& a, const Range& b)
{
    return a.AttribId == b.id && a.FaceStart == b.faceStart && a.FaceCount == b.faceCount &&
           a.VertexStart == b.vertexStart && a.VertexCount == b.vertexCount;
}

// --- expected tables --------------------------------------------------

const std::vector<Range> SardineTable = {{0, 0, 172, 0, 88}, {1, 172, 12, 88, 16}, {2, 184, 40, 104, 34}};
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

// What one fish's frames must satisfy.
struct FishCase {
    const char* name;
    const OruMeshRecord* frames;
    int vertexCount, faceCount;
    const std::vector<Range>* table;
    std::vector<uint32_t> tilingOrder;  // range ids in array order
    int bodyRange;
    std::vector<std::pair<int, int>> finPairs;  // (range, reversed triangle pairs)
    double normalTolDeg;
    double phaseDeg, waveRateDeg;
    double ampMin, ampMax;
    int ampMinVertex, ampMaxVertex;  // the snout; the upper (sardine) or lower (bream) tail tip
    V3 boxLo, boxHi;  // over all frames, to 5 decimals
    const uint32_t* hashes;
};

const FishCase Sardine = {"sardine", SardineFrames, 138, 224, &SardineTable, {0, 1, 2}, 0, {{1, 6}, {2, 20}},
                          1.0, 46.516, 1190.063, 0.00148, 0.02062, 7, 119,
                          {-0.07295, -0.01855, -0.01971}, {0.18957, 0.05247, 0.01971}, SardineFrameHashes};
const FishCase Bream = {"bream", BreamFrames, 385, 558, &BreamTable, {3, 1, 2, 5, 4, 7, 6, 9, 8, 0}, 0,
                        {{1, 11}, {2, 46}, {3, 6}, {4, 2}, {5, 2}, {6, 2}, {7, 2}}, 0.1, 161.289, 972.976,
                        0.00068, 0.09377, 250, 115, {-0.14780, -0.10031, -0.09150}, {0.35211, 0.13075, 0.09124},
                        BreamFrameHashes};
const FishCase* const Fish[] = {&Sardine, &Bream};

uint32_t HashFloats(const float* f, size_t n)
{
    uint32_t h = 2166136261u;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(f);
    for (size_t i = 0; i < n * sizeof(float); ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

bool Near(double a, double b, double half) { return std::fabs(a - b) <= half * 1.0001 + 1e-9; }

// --- records ------------------------------------------------------------

TEST(FishModelData, FrameRecordsHoldTheirArraysCountsAndRanges)
{
    struct Arrays {
        const FishCase* fish;
        const void* vertices[11];
        const void* indices[11];
        const D3DXATTRIBUTERANGE* ranges[11];
    };
    Arrays cases[2] = {{&Sardine, {}, {}, {}}, {&Bream, {}, {}, {}}};
    for (int k = 0; k < 11; ++k) {
        cases[0].vertices[k] = k ? static_cast<const void*>(SardineVertices.keyframes[k - 1]) : SardineVertices.rest;
        cases[0].indices[k] = SardineIndices[k];
        cases[0].ranges[k] = SardineRanges[k];
        cases[1].vertices[k] = k ? static_cast<const void*>(BreamVertices.keyframes[k - 1]) : BreamVertices.rest;
        cases[1].indices[k] = BreamIndices.frames[k];
        cases[1].ranges[k] = BreamRanges.frames[k];
    }
    for (const Arrays& a : cases) {
        const FishCase& f = *a.fish;
        SCOPED_TRACE(f.name);
        for (int k = 0; k < 11; ++k) {
            SCOPED_TRACE(k);
            const OruMeshRecord& r = f.frames[k];
            EXPECT_EQ(0u, r.key);
            EXPECT_EQ(nullptr, r.vertexBuffer);
            EXPECT_EQ(nullptr, r.indexBuffer);
            EXPECT_EQ(a.vertices[k], r.vertices);
            EXPECT_EQ(a.indices[k], r.indices);
            EXPECT_EQ(f.vertexCount, r.vertexCount);
            EXPECT_EQ(f.faceCount, r.faceCount);
            EXPECT_EQ(k ? 0x12u : 0x112u, r.fvf);
            EXPECT_EQ(k ? 24 : 32, r.stride);
            EXPECT_EQ(0, r.noVB);
            EXPECT_EQ(1, r.isStatic);
            ASSERT_EQ(int(f.table->size()), r.rangeCount);
            for (size_t i = 0; i < f.table->size(); ++i) {
                EXPECT_TRUE(SameRange(r.ranges[i], (*f.table)[i])) << "range " << i;
                EXPECT_TRUE(SameRange(a.ranges[k][i], (*f.table)[i])) << "table copy, range " << i;
            }
            for (size_t i = f.table->size(); i < 20; ++i)
                EXPECT_EQ(0u, r.ranges[i].FaceCount | r.ranges[i].VertexCount | r.ranges[i].AttribId);
            EXPECT_EQ(0, std::memcmp(f.frames[0].indices, r.indices, sizeof(uint16_t) * 3 * f.faceCount));
            // Each record has an index list and a vertex array of its own.
            for (int j = 0; j < k; ++j) {
                EXPECT_NE(f.frames[j].indices, r.indices);
                EXPECT_NE(f.frames[j].vertices, r.vertices);
            }
            // The data as the generator wrote it.
            const size_t floats = size_t(r.vertexCount) * r.stride / 4;
            EXPECT_EQ(f.hashes[k], HashFloats(static_cast<const float*>(r.vertices), floats));
        }
    }
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
    }
}

// --- indices, ranges and topology -----------------------------------------

// Indices in range, every vertex used, no repeated vertex, no duplicate or
// zero-area triangle; ranges tile in the stated order and keep to their runs.
void CheckIndexList(const MeshView& m, const std::vector<Range>& table, const std::vector<uint32_t>& order)
{
    const int vc = int(m.pos.size());
    std::vector<int> used(vc, 0);
    std::set<std::array<int, 3>> seen;
    for (size_t f = 0; f < m.tris.size(); ++f) {
        Tri t = m.tris[f];
        for (int k = 0; k < 3; ++k)
            ASSERT_LT(t[k], vc) << "triangle " << f;
        for (int k = 0; k < 3; ++k)
            used[t[k]]++;
        EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]) << "triangle " << f;
        std::sort(t.begin(), t.end());
        EXPECT_TRUE(seen.insert(t).second) << "duplicate triangle " << f;
        const Tri& u = m.tris[f];
        EXPECT_GT(Len(Cross(m.pos[u[1]] - m.pos[u[0]], m.pos[u[2]] - m.pos[u[0]])), 1e-12) << "triangle " << f;
    }
    for (int v = 0; v < vc; ++v)
        EXPECT_GT(used[v], 0) << "vertex " << v << " unused";
    uint32_t face = 0, vertex = 0;
    for (uint32_t id : order) {
        const Range& r = table[id];
        EXPECT_EQ(face, r.faceStart) << "range " << id;
        EXPECT_EQ(vertex, r.vertexStart) << "range " << id;
        face += r.faceCount;
        vertex += r.vertexCount;
        std::set<int> touched;
        for (uint32_t f = r.faceStart; f < r.faceStart + r.faceCount; ++f)
            for (int v : m.tris[f]) {
                EXPECT_TRUE(v >= int(r.vertexStart) && v < int(r.vertexStart + r.vertexCount))
                    << "range " << id << " triangle " << f << " uses " << v;
                touched.insert(v);
            }
        EXPECT_EQ(r.vertexCount, touched.size()) << "range " << id;
    }
    EXPECT_EQ(m.tris.size(), face);
    EXPECT_EQ(size_t(vc), vertex);
}

// Edge uses (undirected) and whether each is walked equally both ways, and
// the signed volume, over faces [f0, f0 + fc).
struct Closure {
    std::map<std::pair<int, int>, int> uses;
    bool balanced = true;
    double volume = 0;
};

Closure Close(const MeshView& m, uint32_t f0, uint32_t fc)
{
    Closure c;
    std::map<std::pair<int, int>, int> directed;
    for (uint32_t f = f0; f < f0 + fc; ++f) {
        const Tri& t = m.tris[f];
        for (int k = 0; k < 3; ++k) {
            int a = t[k], b = t[(k + 1) % 3];
            directed[{a, b}]++;
            c.uses[{std::min(a, b), std::max(a, b)}]++;
        }
        c.volume += Dot(m.pos[t[0]], Cross(m.pos[t[1]], m.pos[t[2]])) / 6;
    }
    for (const auto& e : c.uses)
        c.balanced &= directed[e.first] == directed[{e.first.second, e.first.first}];
    return c;
}

int ReversedPairs(const MeshView& m, const Range& r)
{
    auto same = [&](int a, int b) {
        return m.pos[a].x == m.pos[b].x && m.pos[a].y == m.pos[b].y && m.pos[a].z == m.pos[b].z;
    };
    int pairs = 0;
    const uint32_t half = r.faceCount / 2;
    for (uint32_t i = 0; i < half; ++i) {
        const Tri& a = m.tris[r.faceStart + i];
        for (uint32_t j = half; j < r.faceCount; ++j) {
            const Tri& b = m.tris[r.faceStart + j];
            bool match = false;
            for (int s = 0; s < 3 && !match; ++s)
                match = same(a[0], b[s]) && same(a[1], b[(s + 2) % 3]) && same(a[2], b[(s + 1) % 3]);
            if (match) {
                ++pairs;
                break;
            }
        }
    }
    return pairs;
}

TEST(FishModelData, TrianglesTileTheRangesAndCloseTheBody)
{
    for (const FishCase* fp : Fish) {
        const FishCase& f = *fp;
        SCOPED_TRACE(f.name);
        const MeshView m = View(f.frames[0]);
        CheckIndexList(m, *f.table, f.tilingOrder);
        const Range& body = (*f.table)[f.bodyRange];
        Closure c = Close(m, body.faceStart, body.faceCount);
        for (const auto& e : c.uses)
            EXPECT_EQ(2, e.second) << "body edge " << e.first.first << "-" << e.first.second;
        EXPECT_TRUE(c.balanced);
        EXPECT_GT(c.volume, 0) << "the body is wound inward";
        // Two-sided fins: the second half repeats the first half's uv, and
        // the stated number of its triangles are exact reversals.
        for (const auto& fin : f.finPairs) {
            const Range& r = (*f.table)[fin.first];
            EXPECT_EQ(fin.second, ReversedPairs(m, r)) << "range " << fin.first;
        }
        // The flat midplane fins: the first sheet faces -z throughout and the
        // second +z, and no sheet folds over itself (the two triangles on an
        // inner edge lie on its two sides).
        for (int id : f.vertexCount == 138 ? std::vector<int>{1, 2} : std::vector<int>{1, 2, 3}) {
            const Range& r = (*f.table)[id];
            std::map<std::pair<int, int>, std::vector<int>> across;  // edge -> opposite vertices
            for (uint32_t k = 0; k < r.faceCount; ++k) {
                const Tri& t = m.tris[r.faceStart + k];
                const V3 n = Cross(m.pos[t[1]] - m.pos[t[0]], m.pos[t[2]] - m.pos[t[0]]);
                EXPECT_LT(k < r.faceCount / 2 ? n.z : -n.z, 0) << "range " << id << " triangle " << k;
                if (k < r.faceCount / 2)
                    for (int e = 0; e < 3; ++e) {
                        const int a = t[e], b = t[(e + 1) % 3];
                        across[{std::min(a, b), std::max(a, b)}].push_back(t[(e + 2) % 3]);
                    }
            }
            for (const auto& edge : across) {
                if (edge.second.size() != 2)
                    continue;
                const V3 a = m.pos[edge.first.first], b = m.pos[edge.first.second];
                auto side = [&](int v) { return Cross(b - a, m.pos[v] - a).z; };
                EXPECT_LT(side(edge.second[0]) * side(edge.second[1]), 0)
                    << "range " << id << " folds over edge " << edge.first.first << "-" << edge.first.second;
            }
        }
    }
}

// Each twin pair of a fin: the same position and uv, exactly negated
// normals in the rest pose (sardine fins, bream tail, anal and paired fins).
TEST(FishModelData, FinTwinsShareTheirPointsAndFaceAway)
{
    struct Fin {
        const FishCase* fish;
        int range;
    };
    const Fin fins[] = {{&Sardine, 1}, {&Sardine, 2}, {&Bream, 2}, {&Bream, 3}, {&Bream, 4},
                        {&Bream, 5},   {&Bream, 6},   {&Bream, 7}};
    for (const Fin& fin : fins) {
        SCOPED_TRACE(std::string(fin.fish->name) + " range " + std::to_string(fin.range));
        const MeshView m = View(fin.fish->frames[0]);
        const Range& r = (*fin.fish->table)[fin.range];
        const uint32_t half = r.vertexCount / 2;
        for (uint32_t j = 0; j < half; ++j) {
            uint32_t a = r.vertexStart + j, b = a + half;
            EXPECT_TRUE(m.pos[a].x == m.pos[b].x && m.pos[a].y == m.pos[b].y && m.pos[a].z == m.pos[b].z) << a;
            EXPECT_TRUE(m.tu[a] == m.tu[b] && m.tv[a] == m.tv[b]) << a;
            EXPECT_TRUE(m.nrm[a].x == -m.nrm[b].x && m.nrm[a].y == -m.nrm[b].y && m.nrm[a].z == -m.nrm[b].z) << a;
        }
    }
}

// --- normals, swim and bounds ----------------------------------------------

TEST(FishModelData, NormalsFollowTheRuleInEveryFrame)
{
    for (const FishCase* fp : Fish) {
        const FishCase& f = *fp;
        for (int k = 0; k < 11; ++k) {
            SCOPED_TRACE(std::string(f.name) + " frame " + std::to_string(k));
            const MeshView m = View(f.frames[k]);
            const MeshView rest = View(f.frames[0]);
            for (const Range& r : *f.table) {
                std::vector<V3> dirs = RuleDirections(m.pos, rest.tris, r.faceStart, r.faceCount);
                for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v) {
                    EXPECT_NEAR(1.0, Len(m.nrm[v]), 1e-4) << "vertex " << v;
                    EXPECT_LE(AngleDeg(Direction(m.nrm[v]), dirs[v]), f.normalTolDeg) << "vertex " << v;
                }
            }
        }
    }
}

// z_k = z_0 + A sin((k - 1) 36 + phase - rate x) with one A per vertex
// (fitted), x and y unchanged, the half-cycle mirror, A's range, and the
// box over all frames.
TEST(FishModelData, KeyframesSwimOneTravellingWave)
{
    for (const FishCase* fp : Fish) {
        const FishCase& f = *fp;
        SCOPED_TRACE(f.name);
        const MeshView rest = View(f.frames[0]);
        std::vector<MeshView> frames;
        for (int k = 0; k < 11; ++k)
            frames.push_back(View(f.frames[k]));
        double aMin = 1, aMax = 0;
        int minAt = -1, maxAt = -1;
        V3 lo{1, 1, 1}, hi{-1, -1, -1};
        std::map<std::pair<float, float>, double> ampAt;
        for (int v = 0; v < f.vertexCount; ++v) {
            const V3 p = rest.pos[v];
            double s[10], num = 0, den = 0;
            for (int k = 1; k <= 10; ++k) {
                s[k - 1] = std::sin(((k - 1) * 36.0 + f.phaseDeg - f.waveRateDeg * p.x) * Pi / 180);
                num += (frames[k].pos[v].z - p.z) * s[k - 1];
                den += s[k - 1] * s[k - 1];
            }
            const double a = num / den;
            if (a < aMin)
                aMin = a, minAt = v;
            if (a > aMax)
                aMax = a, maxAt = v;
            // A depends on x and y only.
            auto key = std::make_pair(float(p.x), float(p.y));
            if (ampAt.count(key)) {
                EXPECT_NEAR(ampAt[key], a, 2e-6) << "vertex " << v;
            }
            ampAt[key] = a;
            for (int k = 1; k <= 10; ++k) {
                const V3 q = frames[k].pos[v];
                ASSERT_NEAR(p.z + a * s[k - 1], q.z, 2e-6) << "vertex " << v << " frame " << k;
                ASSERT_NEAR(p.x, q.x, 1e-6);
                ASSERT_NEAR(p.y, q.y, 1e-6);
                if (k <= 5) {
                    ASSERT_NEAR(2 * p.z, q.z + frames[k + 5].pos[v].z, 2e-6) << "vertex " << v;
                }
            }
            for (int k = 0; k <= 10; ++k) {
                const V3 q = frames[k].pos[v];
                lo = {std::min(lo.x, q.x), std::min(lo.y, q.y), std::min(lo.z, q.z)};
                hi = {std::max(hi.x, q.x), std::max(hi.y, q.y), std::max(hi.z, q.z)};
            }
        }
        EXPECT_TRUE(Near(aMin, f.ampMin, 5e-6)) << aMin;
        EXPECT_EQ(f.ampMinVertex, minAt);
        // The largest amplitude at the tail tip (either sheet of the fin).
        EXPECT_TRUE(rest.pos[maxAt].x == rest.pos[f.ampMaxVertex].x && rest.pos[maxAt].y == rest.pos[f.ampMaxVertex].y)
            << maxAt;
        EXPECT_TRUE(Near(aMax, f.ampMax, 5e-6)) << aMax;
        EXPECT_TRUE(Near(lo.x, f.boxLo.x, 5e-6) && Near(lo.y, f.boxLo.y, 5e-6) && Near(lo.z, f.boxLo.z, 5e-6))
            << lo.x << " " << lo.y << " " << lo.z;
        EXPECT_TRUE(Near(hi.x, f.boxHi.x, 5e-6) && Near(hi.y, f.boxHi.y, 5e-6) && Near(hi.z, f.boxHi.z, 5e-6))
            << hi.x << " " << hi.y << " " << hi.z;
    }
}

// The reference vertices to half a unit of their last digit, and the z series of
// the tail tips.
TEST(FishModelData, ReferenceVerticesHold)
{
    struct Row {
        const FishCase* fish;
        int v;
        V3 p, n;
        double u, t;
        double half;  // of the position literals
    };
    const Row rows[] = {
        {&Sardine, 0, {-0.02982, 0.02398, -0.00475}, {-0.1640, 0.6474, 0.7443}, 0.2209, 0.6143, 5e-6},
        {&Sardine, 7, {-0.07295, 0.00362, 0}, {-0.9995, 0, -0.0321}, 0.0514, 0.6862, 5e-6},
        {&Sardine, 90, {0.01800, 0.05247, 0}, {0, 1, 0}, 0.1194, 0.2743, 5e-6},
        {&Sardine, 119, {0.18957, 0.02352, 0}, {0, 1, 0}, 0.8556, 0.2905, 5e-6},
        {&Bream, 18, {-0.00465, 0.13075, -0.00013}, {0, 1, 0}, 0.1257, 0.2364, 5e-6},
        {&Bream, 74, {0.35211, 0.08590, -0.00013}, {0, 1, 0}, 0.9505, 0.0065, 5e-6},
        {&Bream, 142, {0.08350, -0.10031, 0.01687}, {0.0301, -0.9754, 0.2182}, 0.5319, 0.2969, 5e-6},
        {&Bream, 250, {-0.14780, -0.01451, -0.00103}, {-0.9717, -0.0018, 0.2361}, 0.0218, 0.8169, 5e-6},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.fish->name) + " vertex " + std::to_string(r.v));
        const MeshView m = View(r.fish->frames[0]);
        EXPECT_TRUE(Near(m.pos[r.v].x, r.p.x, r.half) && Near(m.pos[r.v].y, r.p.y, r.half) &&
                    Near(m.pos[r.v].z, r.p.z, r.half))
            << m.pos[r.v].x << " " << m.pos[r.v].y << " " << m.pos[r.v].z;
        EXPECT_TRUE(Near(m.nrm[r.v].x, r.n.x, 5e-5) && Near(m.nrm[r.v].y, r.n.y, 5e-5) &&
                    Near(m.nrm[r.v].z, r.n.z, 5e-5))
            << m.nrm[r.v].x << " " << m.nrm[r.v].y << " " << m.nrm[r.v].z;
        EXPECT_TRUE(Near(m.tu[r.v], r.u, 5e-5) && Near(m.tv[r.v], r.t, 5e-5)) << m.tu[r.v] << " " << m.tv[r.v];
    }
    struct Series {
        const FishCase* fish;
        int v;
        double z[10];
    };
    const Series series[] = {
        {&Sardine, 119, {-0.00033, -0.01238, -0.01971, -0.01950, -0.01185, 0.00033, 0.01238, 0.01971, 0.01950, 0.01185}},
        {&Bream, 74, {0.00186, -0.04966, -0.08225, -0.08348, -0.05287, -0.00212, 0.04939, 0.08199, 0.08322, 0.05261}},
    };
    for (const Series& s : series)
        for (int k = 1; k <= 10; ++k) {
            const MeshView m = View(s.fish->frames[k]);
            EXPECT_TRUE(Near(m.pos[s.v].z, s.z[k - 1], 5e-6))
                << s.fish->name << " vertex " << s.v << " frame " << k << ": " << m.pos[s.v].z;
        }
}

// uv: per part affine in x and y (fitted, residual within 1e-4), inside the
// stated regions, and over the whole mesh.
TEST(FishModelData, TextureCoordinatesAreSideProjectionsPerPart)
{
    struct Region {
        const FishCase* fish;
        int range;
        double u0, u1, v0, v1, half;
    };
    const Region regions[] = {
        {&Sardine, 0, 0.051, 0.921, 0.588, 0.764, 5e-4}, {&Sardine, 1, 0.119, 0.340, 0.274, 0.391, 5e-4},
        {&Sardine, 2, 0.613, 0.856, 0.230, 0.473, 5e-4}, {&Bream, 3, 0.639, 0.958, 0.328, 0.529, 5e-4},
        {&Bream, 1, 0.041, 0.634, 0.236, 0.508, 5e-4},   {&Bream, 2, 0.549, 0.950, 0.006, 0.349, 5e-4},
        {&Bream, 4, 0.017, 0.415, 0.004, 0.265, 5e-4},   {&Bream, 5, 0.017, 0.415, 0.004, 0.265, 5e-4},
        {&Bream, 6, 0.257, 0.532, 0.187, 0.297, 5e-4},   {&Bream, 7, 0.257, 0.532, 0.187, 0.297, 5e-4},
        {&Bream, 8, 0.096, 0.214, 0.411, 0.534, 5e-4},   {&Bream, 9, 0.096, 0.214, 0.411, 0.534, 5e-4},
        {&Bream, 0, 0.022, 1.001, 0.552, 0.933, 5e-4},
    };
    for (const Region& g : regions) {
        SCOPED_TRACE(std::string(g.fish->name) + " range " + std::to_string(g.range));
        const MeshView m = View(g.fish->frames[0]);
        const Range& r = (*g.fish->table)[g.range];
        double u0 = 9, u1 = -9, v0 = 9, v1 = -9;
        // Least-squares affine fit u = a + b x + c y over the part.
        double sxx = 0, sxy = 0, syy = 0, sx = 0, sy = 0, n = 0, su = 0, sux = 0, suy = 0, sv = 0, svx = 0, svy = 0;
        for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v) {
            u0 = std::min(u0, m.tu[v]);
            u1 = std::max(u1, m.tu[v]);
            v0 = std::min(v0, m.tv[v]);
            v1 = std::max(v1, m.tv[v]);
            double x = m.pos[v].x, y = m.pos[v].y;
            sxx += x * x; sxy += x * y; syy += y * y; sx += x; sy += y; n += 1;
            su += m.tu[v]; sux += m.tu[v] * x; suy += m.tu[v] * y;
            sv += m.tv[v]; svx += m.tv[v] * x; svy += m.tv[v] * y;
        }
        EXPECT_TRUE(Near(u0, g.u0, g.half) && Near(u1, g.u1, g.half) && Near(v0, g.v0, g.half) && Near(v1, g.v1, g.half))
            << "u " << u0 << "-" << u1 << " v " << v0 << "-" << v1;
        // Solve the 3x3 normal equations by Cramer's rule.
        const double A[3][3] = {{n, sx, sy}, {sx, sxx, sxy}, {sy, sxy, syy}};
        auto det3 = [](const double M[3][3]) {
            return M[0][0] * (M[1][1] * M[2][2] - M[1][2] * M[2][1]) - M[0][1] * (M[1][0] * M[2][2] - M[1][2] * M[2][0]) +
                   M[0][2] * (M[1][0] * M[2][1] - M[1][1] * M[2][0]);
        };
        const double d = det3(A);
        for (int which = 0; which < 2; ++which) {
            const double b[3] = {which ? sv : su, which ? svx : sux, which ? svy : suy};
            double c[3];
            for (int i = 0; i < 3; ++i) {
                double M[3][3];
                std::memcpy(M, A, sizeof M);
                for (int row = 0; row < 3; ++row)
                    M[row][i] = b[row];
                c[i] = det3(M) / d;
            }
            for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v) {
                double fit = c[0] + c[1] * m.pos[v].x + c[2] * m.pos[v].y;
                EXPECT_NEAR(which ? m.tv[v] : m.tu[v], fit, 1e-4) << (which ? "v" : "u") << " of vertex " << v;
            }
        }
    }
}

// Shapes the tables state: the sardine's rest pose mirrors about z = 0 (37
// body pairs, 64 vertices on the plane); the bream's rest z range, its
// midplane fins, its eyes (a centre and three rings of 12 within 0.018 of
// their centres, 12 / 24 / 24 triangles), its dorsal fin's 17 points; the
// texture coordinates over each whole mesh.
TEST(FishModelData, StatedShapesHold)
{
    {
        const MeshView m = View(SardineFrames[0]);
        int onPlane = 0, pairs = 0;
        for (size_t i = 0; i < m.pos.size(); ++i) {
            if (m.pos[i].z == 0) {
                ++onPlane;
                continue;
            }
            int twins = 0;
            for (size_t j = 0; j < m.pos.size(); ++j)
                twins += m.pos[j].x == m.pos[i].x && m.pos[j].y == m.pos[i].y && m.pos[j].z == -m.pos[i].z &&
                         m.tu[j] == m.tu[i] && m.tv[j] == m.tv[i];
            EXPECT_EQ(1, twins) << "sardine vertex " << i;
            pairs += m.pos[i].z < 0;
        }
        EXPECT_EQ(64, onPlane);
        EXPECT_EQ(37, pairs);
        double hw = 0;
        for (const V3& p : m.pos)
            hw = std::max(hw, std::fabs(p.z));
        EXPECT_TRUE(Near(hw, 0.0157, 5e-5)) << hw;
    }
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
    struct Whole {
        const OruMeshRecord* r;
        double u0, u1, v0, v1;
    };
    for (const Whole& w : {Whole{&SardineFrames[0], 0.0514, 0.9213, 0.2296, 0.7644},
                           Whole{&BreamFrames[0], 0.0165, 1.0014, 0.0040, 0.9328}}) {
        const MeshView m = View(*w.r);
        EXPECT_TRUE(Near(*std::min_element(m.tu.begin(), m.tu.end()), w.u0, 5e-5));
        EXPECT_TRUE(Near(*std::max_element(m.tu.begin(), m.tu.end()), w.u1, 5e-5));
        EXPECT_TRUE(Near(*std::min_element(m.tv.begin(), m.tv.end()), w.v0, 5e-5));
        EXPECT_TRUE(Near(*std::max_element(m.tv.begin(), m.tv.end()), w.v1, 5e-5));
    }
}

// --- the bream's poses and low-detail mesh ----------------------------------

// The pose ranges follow the shift law over the rest part's triangles;
// unmoved vertices are the rest positions bit for bit; the moved counts per
// entry; moves within 0.14 per coordinate; unit normals.
TEST(FishModelData, PosesShiftTheRestTrianglesAndMoveTheStatedVertices)
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
    }
}

TEST(FishModelData, LowDetailMeshIsAClosedBodyWithFlatFins)
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
        << u0 << " " << u1 << " " << v0 << " " << v1;
}

// The box and radius the vertex object's bounds computation finds over a
// fish's mesh list: the sardine's radius is 0.18957; the bream's frames
// reach x 0.35211, its pose mesh (as initialised) and low mesh take the box
// to x 0.3600 and the radius to 0.36.
TEST(FishModelData, BoundsOverTheMeshListGiveTheStatedRadius)
{
    struct Case {
        std::vector<OruMeshRecord*> meshes;
        double radius, xMax, half;
    };
    std::vector<OruMeshRecord*> sardine, bream, breamAll;
    for (int k = 0; k < 11; ++k) {
        sardine.push_back(&SardineFrames[k]);
        bream.push_back(&BreamFrames[k]);
    }
    breamAll = bream;
    breamAll.push_back(&BreamPoseMesh);
    breamAll.push_back(&BreamLowMesh);
    const Case cases[] = {{sardine, 0.18957, 0.18957, 5e-6}, {bream, 0.35211, 0.35211, 5e-6},
                          {breamAll, 0.3600, 0.3600, 5e-5}};
    for (const Case& c : cases) {
        PimVertexObject object;
        object.boundsMin = Vector3(0, 0, 0);
        object.boundsMax = Vector3(0, 0, 0);
        for (OruMeshRecord* r : c.meshes)
            object.AddMesh(r);
        object.ComputeBounds();
        EXPECT_TRUE(Near(object.radius, c.radius, c.half)) << object.radius;
        EXPECT_TRUE(Near(object.boundsMax.x, c.xMax, c.half)) << object.boundsMax.x;
        for (int i = 0; i < object.meshCount; ++i) {
            object.meshes[i].vertexBuffer = nullptr;
            object.meshes[i].indexBuffer = nullptr;
        }
    }
    // The static records are unchanged by being added.
    EXPECT_EQ(1, BreamLowMesh.isStatic);
    EXPECT_EQ(0u, BreamLowMesh.key);
}

// --- skins --------------------------------------------------------------

struct Skin {
    const char* name;
    const EmbeddedFileRef* ref;
    int size;
    double bandTop;  // v from which the skin is opaque
};

std::vector<uint8_t> Inflate(const EmbeddedFileRef& ref)
{
    const BYTE* file = nullptr;
    size_t size = 0;
    if (FAILED(InflateEmbeddedFile(ref.data, ref.size, ImageInflateBuffer, ImageInflateBufferSize, &file, &size)))
        return {};
    return std::vector<uint8_t>(file, file + size);
}

int AlphaNibble(const std::vector<uint8_t>& dds, int size, int x, int y)
{
    const size_t at = 128 + (size_t(y / 4) * (size / 4) + size_t(x / 4)) * 16;
    const int i = (y % 4) * 4 + x % 4;
    return i % 2 ? dds[at + i / 2] >> 4 : dds[at + i / 2] & 15;
}

uint32_t Get32(const std::vector<uint8_t>& d, size_t at)
{
    uint32_t v;
    std::memcpy(&v, d.data() + at, 4);
    return v;
}

// Header, size, DXT2 with one level; the body band opaque; above it alpha
// only near the fins' and eyes' uv footprints; every triangle of the rest
// and low meshes samples non-zero alpha at its uv centroid.
TEST(FishModelData, SkinsAreOneLevelDxt2AtlasesCoveringEveryPart)
{
    const Skin skins[] = {{"sardine", &SardineSkin, 256, 0.5},
                          {"bream 0", BreamSkins[0], 512, 0.545},
                          {"bream 1", BreamSkins[1], 512, 0.545},
                          {"bream 2", BreamSkins[2], 512, 0.545},
                          {"bream 3", BreamSkins[3], 512, 0.545}};
    for (const Skin& skin : skins) {
        SCOPED_TRACE(skin.name);
        ASSERT_GT(skin.ref->size, 2);
        EXPECT_EQ(0x78, skin.ref->data[0]);
        EXPECT_EQ(0x9C, skin.ref->data[1]);
        const std::vector<uint8_t> dds = Inflate(*skin.ref);
        ASSERT_EQ(size_t(128 + skin.size * skin.size), dds.size());
        EXPECT_EQ(0, std::memcmp(dds.data(), "DDS ", 4));
        EXPECT_EQ(124u, Get32(dds, 4));
        EXPECT_EQ(uint32_t(skin.size), Get32(dds, 12));
        EXPECT_EQ(uint32_t(skin.size), Get32(dds, 16));
        EXPECT_LE(Get32(dds, 28), 1u);
        EXPECT_EQ(0, std::memcmp(dds.data() + 84, "DXT2", 4));
        const int band = int(skin.bandTop * skin.size);
        for (int y = band; y < skin.size; ++y)
            for (int x = 0; x < skin.size; ++x)
                ASSERT_EQ(15, AlphaNibble(dds, skin.size, x, y)) << x << "," << y;
        // Footprints of the meshes' triangles, widened by two texels.
        std::vector<const OruMeshRecord*> meshes = {skin.size == 256 ? &SardineFrames[0] : &BreamFrames[0]};
        if (skin.size == 512)
            meshes.push_back(&BreamLowMesh);
        std::vector<uint8_t> nearFin(size_t(skin.size) * skin.size, 0);
        for (const OruMeshRecord* r : meshes) {
            const MeshView m = View(*r);
            for (const Tri& t : m.tris) {
                double px[3], py[3];
                for (int k = 0; k < 3; ++k)
                    px[k] = m.tu[t[k]] * skin.size, py[k] = m.tv[t[k]] * skin.size;
                const double area = (px[1] - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (py[1] - py[0]);
                const int x0 = std::max(0, int(std::min({px[0], px[1], px[2]})) - 3);
                const int x1 = std::min(skin.size - 1, int(std::max({px[0], px[1], px[2]})) + 3);
                const int y0 = std::max(0, int(std::min({py[0], py[1], py[2]})) - 3);
                const int y1 = std::min(skin.size - 1, int(std::max({py[0], py[1], py[2]})) + 3);
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x) {
                        bool inside = true;
                        for (int k = 0; k < 3 && inside; ++k) {
                            const double ax = px[k], ay = py[k], bx = px[(k + 1) % 3], by = py[(k + 1) % 3];
                            const double ex = bx - ax, ey = by - ay, len = std::sqrt(ex * ex + ey * ey);
                            const double d = ((x + 0.5 - ax) * ey - (y + 0.5 - ay) * ex) / len * (area > 0 ? -1 : 1);
                            inside = d >= -2.0;
                        }
                        if (inside)
                            nearFin[size_t(y) * skin.size + x] = 1;
                    }
                const double u = (m.tu[t[0]] + m.tu[t[1]] + m.tu[t[2]]) / 3, v = (m.tv[t[0]] + m.tv[t[1]] + m.tv[t[2]]) / 3;
                EXPECT_GT(AlphaNibble(dds, skin.size, std::min(skin.size - 1, int(u * skin.size)),
                                      std::min(skin.size - 1, int(v * skin.size))),
                          0)
                    << "a triangle samples transparent skin at " << u << "," << v;
            }
        }
        for (int y = 0; y < band; ++y)
            for (int x = 0; x < skin.size; ++x)
                if (!nearFin[size_t(y) * skin.size + x]) {
                    ASSERT_EQ(0, AlphaNibble(dds, skin.size, x, y)) << "outside the fins at " << x << "," << y;
                }
    }
}

// --- on Wine's device -------------------------------------------------------

// The application the buffer server reaches for its device.
class ServerApp : public OruApplication {
public:
    explicit ServerApp(IDirect3DDevice8* d)
    {
        device = d;
        d->GetDeviceCaps(&caps);
    }
    ~ServerApp() override { device = nullptr; }
};

// A record copy whose buffer handles are the server's (borrowed).
struct BorrowingRecord : OruMeshRecord {
    using OruMeshRecord::OruMeshRecord;
    ~BorrowingRecord()
    {
        vertexBuffer = nullptr;
        indexBuffer = nullptr;
    }
};

// Row-vector projection of one view: screen axes from two model axes, the
// mesh's box fitted into 90% of the viewport.
struct View2 {
    int a, b;  // model axes to screen x and y (0 x, 1 y, 2 z)
    D3DMATRIX m;
};

View2 FitView(const MeshView& mesh, int a, int b)
{
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (const V3& p : mesh.pos) {
        const double c[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k)
            lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
    }
    const double s = 1.8 / std::max(hi[a] - lo[a], hi[b] - lo[b]);
    View2 v{a, b, {}};
    v.m.m[a][0] = float(s);
    v.m.m[3][0] = float(-s * (lo[a] + hi[a]) / 2);
    v.m.m[b][1] = float(s);
    v.m.m[3][1] = float(-s * (lo[b] + hi[b]) / 2);
    v.m.m[3][2] = 0.5f;
    v.m.m[3][3] = 1.0f;
    return v;
}

// The silhouette on the CPU: pixels whose centre lies in a triangle, and
// pixels within a pixel of an edge (left undecided).
void CpuSilhouette(const MeshView& mesh, const View2& v, int w, int h, std::vector<int>& inside,
                   std::vector<int>& undecided)
{
    inside.assign(size_t(w) * h, 0);
    undecided.assign(size_t(w) * h, 0);
    auto screen = [&](const V3& p, double& sx, double& sy) {
        const double c[3] = {p.x, p.y, p.z};
        const double xc = c[v.a] * v.m.m[v.a][0] + v.m.m[3][0], yc = c[v.b] * v.m.m[v.b][1] + v.m.m[3][1];
        sx = (xc + 1) * w / 2;
        sy = (1 - yc) * h / 2;
    };
    for (const Tri& t : mesh.tris) {
        double x[3], y[3];
        for (int k = 0; k < 3; ++k)
            screen(mesh.pos[t[k]], x[k], y[k]);
        const double area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        const int x0 = std::max(0, int(std::min({x[0], x[1], x[2]})) - 2), x1 = std::min(w - 1, int(std::max({x[0], x[1], x[2]})) + 2);
        const int y0 = std::max(0, int(std::min({y[0], y[1], y[2]})) - 2), y1 = std::min(h - 1, int(std::max({y[0], y[1], y[2]})) + 2);
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px) {
                const double cx = px + 0.5, cy = py + 0.5;
                double minDist = 1e9;
                bool in = area != 0;
                for (int k = 0; k < 3; ++k) {
                    const double ax = x[k], ay = y[k], bx = x[(k + 1) % 3], by = y[(k + 1) % 3];
                    const double ex = bx - ax, ey = by - ay, len2 = ex * ex + ey * ey;
                    const double side = ((cx - ax) * ey - (cy - ay) * ex) * (area > 0 ? -1 : 1);
                    in &= side >= 0;
                    double f = len2 > 0 ? ((cx - ax) * ex + (cy - ay) * ey) / len2 : 0;
                    f = std::max(0.0, std::min(1.0, f));
                    const double dx = cx - (ax + f * ex), dy = cy - (ay + f * ey);
                    minDist = std::min(minDist, std::sqrt(dx * dx + dy * dy));
                }
                const size_t i = size_t(py) * w + px;
                if (in)
                    inside[i] = 1;
                if (minDist < 1.0)
                    undecided[i] = 1;
            }
    }
}

// Each record goes through the buffer server's Create2 and is drawn flat
// white on black with culling off; its silhouette matches the CPU's.
TEST(FishModelData, RecordsLoadThroughTheBufferServerAndDrawTheirSilhouettes)
{
    const int W = 160, H = 160;
    TestDevice device(W, H);
    ASSERT_TRUE(device.Ok()) << device.Error();
    ServerApp app(device.Device());
    IDirect3DDevice8* d = device.Device();
    VBServer server;
    struct Case {
        const char* name;
        const OruMeshRecord* record;
        int a, b;  // view axes
    };
    const Case cases[] = {{"sardine-rest-side", &SardineFrames[0], 0, 1},
                          {"sardine-frame3-top", &SardineFrames[3], 0, 2},
                          {"bream-rest-side", &BreamFrames[0], 0, 1},
                          {"bream-frame8-top", &BreamFrames[8], 0, 2},
                          {"bream-low-side", &BreamLowMesh, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BorrowingRecord copy(c.record->vertexCount, c.record->vertices, c.record->faceCount, c.record->indices,
                             c.record->fvf, c.record->stride, c.record->ranges, c.record->rangeCount);
        ASSERT_EQ(S_OK, server.Create2(&copy, 0));
        ASSERT_TRUE(copy.vertexBuffer && copy.indexBuffer);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(c.record->vertices), copy.key);
        EXPECT_EQ(0u, c.record->key);  // the static record itself stays untouched
        EXPECT_EQ(nullptr, c.record->vertexBuffer);
        const MeshView mesh = View(*c.record);
        const View2 view = FitView(mesh, c.a, c.b);
        D3DMATRIX identity = {};
        identity._11 = identity._22 = identity._33 = identity._44 = 1;
        d->SetTransform(D3DTS_WORLD, &identity);
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &view.m);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        d->SetTexture(0, nullptr);
        ASSERT_EQ(S_OK, d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0));
        ASSERT_EQ(S_OK, d->BeginScene());
        d->SetVertexShader(c.record->fvf);
        d->SetStreamSource(0, copy.vertexBuffer, c.record->stride);
        d->SetIndices(copy.indexBuffer, 0);
        EXPECT_EQ(S_OK, d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, c.record->vertexCount, 0, c.record->faceCount));
        d->EndScene();
        const Image image = device.ReadBackBuffer();
        ASSERT_FALSE(image.Empty());
        std::vector<int> inside, undecided;
        CpuSilhouette(mesh, view, W, H, inside, undecided);
        int lit = 0, mismatches = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool on = (image.Rgb(x, y) & 0xFF) > 0x80;
                lit += on;
                const size_t i = size_t(y) * W + x;
                if (!undecided[i] && on != bool(inside[i]))
                    ++mismatches;
            }
        EXPECT_GT(lit, W * H / 20);
        EXPECT_EQ(0, mismatches);
        image.SavePngIfFailed(std::string("ModelDataSardineBream-") + c.name);
    }
    server.InvalidateDeviceObjects();
    server.DeleteDeviceObjects();
}

// The skins go through the texture loader: DXT2 (or the loader's fallback
// format) at their stated size.
TEST(FishModelData, SkinsLoadAsTextures)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    const Skin skins[] = {{"sardine", &SardineSkin, 256, 0.5}, {"bream 0", BreamSkins[0], 512, 0.545},
                          {"bream 1", BreamSkins[1], 512, 0.545}, {"bream 2", BreamSkins[2], 512, 0.545},
                          {"bream 3", BreamSkins[3], 512, 0.545}};
    for (const Skin& skin : skins) {
        SCOPED_TRACE(skin.name);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(S_OK, LoadTexture(device.Device(), skin.ref->data, skin.ref->size, &texture, D3DFMT_UNKNOWN));
        ASSERT_TRUE(texture);
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(UINT(skin.size), desc.Width);
        EXPECT_EQ(UINT(skin.size), desc.Height);
        ReleaseTexture(texture);
    }
}

} // namespace

#include "MackerelCheck.h"

#include "../common/MeshKitInline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <functional>
#include <map>
#include <set>

namespace mackerelcheck {
namespace {

using meshkit::V3;
using Fails = std::vector<std::string>;


using meshkit::Fail;

V3 P(const MeshView& m, int i)
{
    const float* q = m.v + size_t(i) * m.strideFloats;
    return V3(q[0], q[1], q[2]);
}
V3 N(const MeshView& m, int i)
{
    const float* q = m.v + size_t(i) * m.strideFloats + 3;
    return V3(q[0], q[1], q[2]);
}
double U(const MeshView& m, int i) { return m.v[size_t(i) * m.strideFloats + 6]; }
double Vv(const MeshView& m, int i) { return m.v[size_t(i) * m.strideFloats + 7]; }
int Idx(const MeshView& m, int f, int k) { return m.idx[size_t(f) * 3 + k]; }

struct Rng {
    uint32_t id, fs, fc, vs, vc;
};
Rng RangeOf(const MeshView& m, int k)
{
    const uint32_t* r = m.ranges + size_t(k) * 5;
    return {r[0], r[1], r[2], r[3], r[4]};
}

const uint32_t None = 0xFFFFFFFFu;
const Rng FrameTable[10] = {{0, 0, 236, 0, 119},  {1, 236, 24, 119, 28}, {2, 260, 44, 147, 38}, {3, 304, 8, 185, 12},
                            {4, 348, 4, 222, 8},  {5, 352, 4, 230, 8},   {6, 360, 4, 246, 8},   {7, 356, 4, 238, 8},
                            {8, 312, 36, 197, 25}, {9, 364, 36, 254, 25}};
const int FrameOrder[10] = {0, 1, 2, 3, 8, 4, 5, 7, 6, 9};
const Rng PoseTable[18] = {{0, 236, 24, 119, 28}, {1, 664, 24, 410, 28}, {2, 260, 8, 147, 12}, {3, 688, 8, 438, 12},
                           {4, 700, 4, 458, 8},   {5, 304, 4, 184, 8},   {6, 696, 4, 450, 8},   {7, 308, 4, 192, 8},
                           {8, 316, 4, 208, 8},   {9, 704, 4, 466, 8},   {10, 312, 4, 200, 8},  {11, 708, 4, 474, 8},
                           {12, 0, 236, 0, 119},  {13, 428, 236, 291, 119}, {14, 356, 36, 241, 25},
                           {15, 268, 36, 159, 25}, {16, 320, 36, 216, 25}, {17, 392, 36, 266, 25}};
const int PoseOrder[18] = {12, 0, 2, 15, 5, 7, 10, 8, 16, 14, 17, 13, 1, 3, 6, 4, 9, 11};
const Rng LowTable[8] = {{0, 0, 137, 0, 118},   {1, None, 0, None, 0}, {2, None, 0, None, 0}, {3, None, 0, None, 0},
                         {4, 109, 4, 62, 8},    {5, 113, 4, 70, 8},    {6, 121, 4, 86, 8},    {7, 117, 4, 78, 8}};
// (pose A, pose B, base range) per part, and the moved counts.
const int Triples[9][3] = {{12, 13, 0}, {0, 1, 1}, {2, 3, 3}, {4, 5, 4}, {6, 7, 5},
                           {8, 9, 6},   {10, 11, 7}, {14, 15, 8}, {16, 17, 9}};
const int MovedCounts[9] = {24, 14, 6, 8, 8, 4, 4, 13, 13};

bool SameRange(const Rng& a, const Rng& b)
{
    return a.id == b.id && a.fs == b.fs && a.fc == b.fc && a.vs == b.vs && a.vc == b.vc;
}

bool IsFin(int id) { return id >= 1 && id <= 7; }

// Side-view projections per part: tu = a x + b y + c, tv = d x + e y + f.
struct Projection {
    double a, b, c, d, e, f;
};
Projection ProjectionOf(int id)
{
    switch (id) {
    case 0: return {4.5710, 0, 0.3135, 0, -4.4781, 0.8143};
    case 1: return {4.6114, -0.1620, 0.0588, -0.2076, -5.9379, 0.3408};
    case 2: return {4.9270, 0, 0.0498, 0, -5.4889, 0.4063};
    case 3: return {6.0768, 0, 0.1059, 0, -5.1745, 0.3983};
    case 4: case 5: return {6.1755, 0, 0.2224, 0, -7.1724, 0.3547};
    case 6: case 7: return {6.2178, 0, 0.0913, 0, -4.8386, 0.3635};
    default: return {4.8064, 0, 0.3210, 0, -4.8518, 0.8250};
    }
}

// Part boxes: x, y, z, tu, tv (low, high), to four places.
const double PartBoxes[10][10] = {
    {-0.0512, 0.1316, -0.0166, 0.0298, -0.0106, 0.0110, 0.0794, 0.9153, 0.6810, 0.8885},
    {-0.0008, 0.1232, 0.0074, 0.0526, 0.0002, 0.0003, 0.0509, 0.6256, 0.0222, 0.2716},
    {0.1223, 0.1726, -0.0153, 0.0313, -0.0015, -0.0015, 0.6523, 0.9004, 0.2342, 0.4899},
    {0.0375, 0.1020, -0.0242, -0.0012, 0.0002, 0.0002, 0.3340, 0.7260, 0.4045, 0.5233},
    {-0.0012, 0.0488, -0.0060, 0.0190, -0.0176, -0.0107, 0.2151, 0.5239, 0.2184, 0.3978},
    {-0.0012, 0.0488, -0.0060, 0.0190, 0.0112, 0.0202, 0.2151, 0.5239, 0.2184, 0.3978},
    {0.0036, 0.0307, -0.0354, -0.0110, -0.0052, -0.0020, 0.1138, 0.2821, 0.4165, 0.5348},
    {0.0036, 0.0307, -0.0354, -0.0110, 0.0028, 0.0061, 0.1138, 0.2821, 0.4165, 0.5348},
    {-0.0372, -0.0230, 0.0020, 0.0154, -0.0097, -0.0023, 0.1422, 0.2106, 0.7501, 0.8153},
    {-0.0372, -0.0230, 0.0020, 0.0154, 0.0026, 0.0101, 0.1422, 0.2106, 0.7501, 0.8153},
};

double SwimD(double x, double y, int k)
{
    const double S = 0.00181386, yc = 0.0066789, beta = 78.938, lambda = 0.289, phi = 0.053517;
    return S * std::exp(20 * x) * (1 - beta * (y - yc) * (y - yc)) *
           std::sin(2 * Pi * k / 10 + phi - 2 * Pi * x / lambda);
}

// Unit normals of a mesh's vertices by the rule over faces [f0, f1).
std::vector<V3> Rule(const MeshView& m, int f0, int f1)
{
    std::vector<V3> pos(size_t(m.vertexCount));
    for (int i = 0; i < m.vertexCount; ++i)
        pos[i] = P(m, i);
    std::vector<uint16_t> idx(m.idx, m.idx + size_t(m.faceCount) * 3);
    return meshkit::RuleNormals(pos, idx, size_t(f0), size_t(f1));
}

bool MeshShape(const MeshView& m, int vc, int fc, int stride, int rc, const char* name, Fails& f)
{
    if (!m.v || !m.idx || !m.ranges || m.vertexCount != vc || m.faceCount != fc || m.strideFloats != stride ||
        m.rangeCount != rc) {
        Fail(f, "%s: counts %d/%d, stride %d floats, %d ranges; want %d/%d, %d, %d", name, m.vertexCount, m.faceCount,
             m.strideFloats, m.rangeCount, vc, fc, stride, rc);
        return false;
    }
    return true;
}

bool Shapes(const MackerelView& d, Fails& f)
{
    bool ok = true;
    for (int k = 0; k < 11; ++k)
        ok &= MeshShape(d.frames[k], 279, 400, k == 0 ? 8 : 6, 10, k == 0 ? "frame 0" : "keyframe", f);
    ok &= MeshShape(d.pose, 482, 712, 6, 18, "pose mesh", f);
    ok &= MeshShape(d.low, 118, 137, 8, 8, "low mesh", f);
    return ok;
}

// ---- Checks ----

void CheckRecords(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    for (int k = 0; k < 11; ++k) {
        for (int r = 0; r < 10; ++r)
            if (!SameRange(RangeOf(d.frames[k], r), FrameTable[r]))
                Fail(f, "frame %d range %d differs from the table", k, r);
        if (std::memcmp(d.frames[k].idx, d.frames[0].idx, 400 * 3 * sizeof(uint16_t)) != 0)
            Fail(f, "frame %d's index list differs from frame 0's", k);
    }
    for (int r = 0; r < 18; ++r)
        if (!SameRange(RangeOf(d.pose, r), PoseTable[r]))
            Fail(f, "pose range %d differs from the table", r);
    for (int r = 0; r < 8; ++r)
        if (!SameRange(RangeOf(d.low, r), LowTable[r]))
            Fail(f, "low range %d differs from the table", r);
}

// Ranges (non-empty) laid end to end in the given order, in faces and vertices.
void Tiling(const MeshView& m, const int* order, int n, const char* name, Fails& f)
{
    uint32_t face = 0, vert = 0;
    for (int k = 0; k < n; ++k) {
        const Rng r = RangeOf(m, order[k]);
        if (r.fs != face || r.vs != vert)
            Fail(f, "%s: range %d does not follow on (face %u, vertex %u)", name, order[k], face, vert);
        face = r.fs + r.fc;
        vert = r.vs + r.vc;
    }
    if (face != uint32_t(m.faceCount) || vert != uint32_t(m.vertexCount))
        Fail(f, "%s: ranges cover %u faces and %u vertices", name, face, vert);
}

void IndexRules(const MeshView& m, const char* name, bool allowDoubled, Fails& f)
{
    std::vector<int> used(size_t(m.vertexCount), 0);
    std::map<std::array<int, 3>, int> seen;
    for (int t = 0; t < m.faceCount; ++t) {
        const int a = Idx(m, t, 0), b = Idx(m, t, 1), c = Idx(m, t, 2);
        if (a >= m.vertexCount || b >= m.vertexCount || c >= m.vertexCount) {
            Fail(f, "%s: triangle %d indexes past the vertices", name, t);
            continue;
        }
        ++used[a], ++used[b], ++used[c];
        if (a == b || b == c || a == c)
            Fail(f, "%s: triangle %d repeats a vertex", name, t);
        if (meshkit::Length(meshkit::Cross(P(m, b) - P(m, a), P(m, c) - P(m, a))) == 0)
            Fail(f, "%s: triangle %d has no area", name, t);
        std::array<int, 3> key{a, b, c};
        std::sort(key.begin(), key.end());
        if (seen.count(key) && !allowDoubled)
            Fail(f, "%s: triangles %d and %d use the same vertices", name, seen[key], t);
        seen[key] = t;
    }
    for (int v = 0; v < m.vertexCount; ++v)
        if (!used[v])
            Fail(f, "%s: vertex %d is not used", name, v);
}

// Each non-empty range's triangles use only its vertex run, and all of it.
void RangeClosure(const MeshView& m, const char* name, Fails& f)
{
    for (int r = 0; r < m.rangeCount; ++r) {
        const Rng g = RangeOf(m, r);
        if (g.fc == 0)
            continue;
        std::vector<int> used(g.vc, 0);
        for (uint32_t t = g.fs; t < g.fs + g.fc; ++t)
            for (int k = 0; k < 3; ++k) {
                const uint32_t v = uint32_t(Idx(m, int(t), k));
                if (v < g.vs || v >= g.vs + g.vc)
                    Fail(f, "%s: range %d triangle %u uses vertex %u outside its run", name, r, t, v);
                else
                    used[v - g.vs] = 1;
            }
        for (uint32_t k = 0; k < g.vc; ++k)
            if (!used[k])
                Fail(f, "%s: range %d leaves its vertex %u unused", name, r, g.vs + k);
    }
}

void CheckIndexRules(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    IndexRules(d.frames[0], "frames", false, f);
    Tiling(d.frames[0], FrameOrder, 10, "frames", f);
    RangeClosure(d.frames[0], "frames", f);
    IndexRules(d.pose, "pose", false, f);
    Tiling(d.pose, PoseOrder, 18, "pose", f);
    RangeClosure(d.pose, "pose", f);
    IndexRules(d.low, "low", true, f);
    RangeClosure(d.low, "low", f);
}

using Edge = std::pair<int, int>;

// Directed edge counts of faces [f0, f1), skipping the listed faces.
std::map<Edge, int> DirectedEdges(const MeshView& m, int f0, int f1, const std::set<int>& skip)
{
    std::map<Edge, int> e;
    for (int t = f0; t < f1; ++t) {
        if (skip.count(t))
            continue;
        for (int k = 0; k < 3; ++k)
            ++e[{Idx(m, t, k), Idx(m, t, (k + 1) % 3)}];
    }
    return e;
}

void CheckBodySurface(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    const MeshView& m = d.frames[0];
    std::map<Edge, int> undirected;
    for (int t = 0; t < 236; ++t)
        for (int k = 0; k < 3; ++k) {
            int a = Idx(m, t, k), b = Idx(m, t, (k + 1) % 3);
            ++undirected[{std::min(a, b), std::max(a, b)}];
        }
    // The extra triangles are those with an open edge.
    std::set<int> extra;
    for (int t = 0; t < 236; ++t) {
        int open = 0, triple = 0;
        for (int k = 0; k < 3; ++k) {
            int a = Idx(m, t, k), b = Idx(m, t, (k + 1) % 3);
            const int n = undirected[{std::min(a, b), std::max(a, b)}];
            open += n == 1;
            triple += n == 3;
        }
        if (open) {
            extra.insert(t);
            if (open != 1 || triple != 2)
                Fail(f, "extra body triangle %d has %d open and %d three-fold edges; want 1 and 2", t, open, triple);
        }
    }
    if (extra.size() != 2) {
        Fail(f, "%zu body triangles have an open edge; want 2", extra.size());
        return;
    }
    const std::map<Edge, int> e = DirectedEdges(m, 0, 236, extra);
    size_t undirectedCount = 0;
    for (const auto& kv : e) {
        if (kv.second != 1)
            Fail(f, "body edge %d-%d walked %d times one way", kv.first.first, kv.first.second, kv.second);
        if (!e.count({kv.first.second, kv.first.first}))
            Fail(f, "body edge %d-%d has no opposite walk", kv.first.first, kv.first.second);
        undirectedCount += kv.first.first < kv.first.second;
    }
    if (119 - int(undirectedCount) + 234 != 2)
        Fail(f, "the closed body is not one sphere (V - E + F = %d)", 119 - int(undirectedCount) + 234);
    double volume = 0;
    for (int t = 0; t < 236; ++t)
        if (!extra.count(t))
            volume += meshkit::Dot(P(m, Idx(m, t, 0)), meshkit::Cross(P(m, Idx(m, t, 1)), P(m, Idx(m, t, 2)))) / 6;
    if (!(volume > 0))
        Fail(f, "the body is wound inward (volume %g)", volume);
    // Which extra triangle is which.
    int snout = 0;
    for (int v = 1; v < 119; ++v)
        if (P(m, v).x < P(m, snout).x)
            snout = v;
    bool midline = false, tip = false;
    for (int t : extra) {
        bool inPlane = true, hasSnout = false;
        for (int k = 0; k < 3; ++k) {
            const V3 p = P(m, Idx(m, t, k));
            inPlane &= std::fabs(p.z - 0.000225) <= 0.00006 && p.y > 0;
            hasSnout |= Idx(m, t, k) == snout;
        }
        midline |= inPlane && !hasSnout;
        tip |= hasSnout;
    }
    if (!midline || !tip)
        Fail(f, "the extra triangles are not one on the back's midline and one at the snout");
    for (int a = 0; a < 119; ++a)
        for (int b = a + 1; b < 119; ++b)
            if (P(m, a).x == P(m, b).x && P(m, a).y == P(m, b).y && P(m, a).z == P(m, b).z)
                Fail(f, "body vertices %d and %d share a position", a, b);
}

void CheckFinSheets(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    const int perSide[8][2] = {{0, 0}, {14, 12}, {19, 22}, {6, 4}, {4, 2}, {4, 2}, {4, 2}, {4, 2}};
    const MeshView& m = d.frames[0];
    for (int id = 1; id <= 7; ++id) {
        const Rng r = FrameTable[id];
        const int n = int(r.vc / 2), tn = int(r.fc / 2);
        if (n != perSide[id][0] || tn != perSide[id][1])
            Fail(f, "fin %d has %d vertices and %d triangles a side", id, n, tn);
        // Twin of each back vertex: the front vertex at its position.
        std::vector<int> twin(size_t(n), -1);
        for (int b = 0; b < n; ++b) {
            const int vb = int(r.vs) + n + b;
            for (int a = 0; a < n; ++a) {
                const int va = int(r.vs) + a;
                if (P(m, va).x == P(m, vb).x && P(m, va).y == P(m, vb).y && P(m, va).z == P(m, vb).z)
                    twin[b] = va;
            }
            if (twin[b] < 0) {
                Fail(f, "fin %d back vertex %d has no front twin", id, vb);
                continue;
            }
            if (U(m, vb) != U(m, twin[b]) || Vv(m, vb) != Vv(m, twin[b]))
                Fail(f, "fin %d back vertex %d has other texture coordinates than its twin", id, vb);
        }
        bool sameOrder = true;
        for (int b = 0; b < n; ++b)
            sameOrder &= twin[b] == int(r.vs) + b;
        if (sameOrder)
            Fail(f, "fin %d's back sheet lists its vertices in the front sheet's order", id);
        for (int k = 0; k < 11; ++k) {
            const MeshView& fr = d.frames[k];
            for (int b = 0; b < n; ++b) {
                if (twin[b] < 0)
                    continue;
                const int vb = int(r.vs) + n + b;
                const V3 pa = P(fr, twin[b]), pb = P(fr, vb), na = N(fr, twin[b]), nb = N(fr, vb);
                if (pa.x != pb.x || pa.y != pb.y || pa.z != pb.z)
                    Fail(f, "frame %d fin %d: vertex %d leaves its twin", k, id, vb);
                if (float(na.x) != -float(nb.x) || float(na.y) != -float(nb.y) || float(na.z) != -float(nb.z))
                    Fail(f, "frame %d fin %d: vertex %d's normal is not its twin's negated", k, id, vb);
            }
        }
        // Back triangles: the front ones reversed, on the twins.
        std::set<std::array<int, 3>> front;
        for (int t = 0; t < tn; ++t) {
            const int t0 = int(r.fs) + t;
            for (int k = 0; k < 3; ++k)
                if (Idx(m, t0, k) >= int(r.vs) + n)
                    Fail(f, "fin %d front triangle %d uses a back vertex", id, t0);
            std::array<int, 3> c{Idx(m, t0, 0), Idx(m, t0, 1), Idx(m, t0, 2)};
            std::rotate(c.begin(), std::min_element(c.begin(), c.end()), c.end());
            front.insert(c);
        }
        for (int t = tn; t < 2 * tn; ++t) {
            const int t0 = int(r.fs) + t;
            std::array<int, 3> c;
            bool ok = true;
            for (int k = 0; k < 3; ++k) {
                const int v = Idx(m, t0, 2 - k) - int(r.vs) - n;
                ok &= v >= 0 && v < n && twin[size_t(v)] >= 0;
                c[k] = ok ? twin[size_t(v)] : -1;
            }
            std::rotate(c.begin(), std::min_element(c.begin(), c.end()), c.end());
            if (!ok || !front.count(c))
                Fail(f, "fin %d back triangle %d does not reverse a front triangle", id, t0);
        }
        // Within each sheet, shared edges are walked in opposite directions.
        for (int s = 0; s < 2; ++s) {
            const std::map<Edge, int> e = DirectedEdges(m, int(r.fs) + s * tn, int(r.fs) + (s + 1) * tn, {});
            for (const auto& kv : e)
                if (kv.second > 1)
                    Fail(f, "fin %d sheet %d walks edge %d-%d twice the same way", id, s, kv.first.first,
                         kv.first.second);
        }
    }
    // Flat fins: dorsal and anal in the midplane, the tail in its plane.
    for (int v = 119; v < 197; ++v) {
        const double z = P(m, v).z;
        if (v >= 147 && v < 185) {
            if (std::fabs(z - (-0.001539)) > 5e-7)
                Fail(f, "tail vertex %d off its plane (z %.6f)", v, z);
        } else if (std::fabs(z - 0.000225) > 0.00006) {
            Fail(f, "midplane fin vertex %d off the midplane (z %.6f)", v, z);
        }
    }
}

void CheckEyes(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    const MeshView& m = d.frames[0];
    for (int id : {8, 9}) {
        const Rng r = FrameTable[id];
        const int centre = int(r.vs) + (id == 8 ? 0 : 2);
        std::map<int, int> degree;
        int fan = 0;
        for (uint32_t t = r.fs; t < r.fs + r.fc; ++t) {
            bool hasCentre = false;
            for (int k = 0; k < 3; ++k) {
                ++degree[Idx(m, int(t), k)];
                hasCentre |= Idx(m, int(t), k) == centre;
            }
            fan += hasCentre;
            const V3 n = meshkit::Cross(P(m, Idx(m, int(t), 1)) - P(m, Idx(m, int(t), 0)),
                                        P(m, Idx(m, int(t), 2)) - P(m, Idx(m, int(t), 0)));
            if ((id == 8) != (n.z < 0))
                Fail(f, "eye %d triangle %u faces the wrong side", id, t);
        }
        if (fan != 12 || degree[centre] != 12)
            Fail(f, "eye %d: %d triangles around the centre (vertex %d); want 12", id, fan, centre);
        // Inner ring: the centre's 12 neighbours; outer ring: the other 12.
        std::set<int> inner;
        for (uint32_t t = r.fs; t < r.fs + r.fc; ++t)
            for (int k = 0; k < 3; ++k)
                if (Idx(m, int(t), k) == centre) {
                    inner.insert(Idx(m, int(t), (k + 1) % 3));
                    inner.insert(Idx(m, int(t), (k + 2) % 3));
                }
        if (inner.size() != 12)
            Fail(f, "eye %d: inner ring of %zu vertices", id, inner.size());
        const V3 c = P(m, centre);
        double rMin = 1, rMax = 0;
        for (int v : inner) {
            const double dd = meshkit::Length(P(m, v) - c);
            rMin = std::min(rMin, dd);
            rMax = std::max(rMax, dd);
        }
        if (rMin < 0.0040 || rMax > 0.0056)
            Fail(f, "eye %d: inner ring at %.5f..%.5f from the centre; want about 0.0048", id, rMin, rMax);
        // The first 13 vertices are the centre and the inner ring.
        for (int k = 0; k < 13; ++k) {
            const int v = int(r.vs) + k;
            if (v != centre && !inner.count(v))
                Fail(f, "eye %d: vertex %d among the first 13 is not the pupil disc", id, v);
        }
    }
    // The right eye mirrors the left across z = 0.000172 with equal x, y, uv.
    for (int a = 0; a < 25; ++a) {
        const int vl = 197 + a;
        bool found = false;
        for (int b = 0; b < 25 && !found; ++b) {
            const int vr = 254 + b;
            found = P(m, vl).x == P(m, vr).x && P(m, vl).y == P(m, vr).y && U(m, vl) == U(m, vr) &&
                    Vv(m, vl) == Vv(m, vr) && std::fabs(P(m, vl).z + P(m, vr).z - 2 * 0.000172) <= 2e-6;
        }
        if (!found)
            Fail(f, "left eye vertex %d has no mirrored partner in the right eye", vl);
    }
}

// Rule normals over each part of a frame-shaped mesh, compared in degrees.
void RuleCheck(const MeshView& m, double tolDeg, const char* name, Fails& f)
{
    for (int id = 0; id < 8; ++id) {
        const Rng r = FrameTable[id];
        const std::vector<V3> n = Rule(m, int(r.fs), int(r.fs + r.fc));
        for (uint32_t v = r.vs; v < r.vs + r.vc; ++v) {
            const double a = meshkit::AngleDeg(meshkit::UnturnStored(N(m, int(v))), n[v]);
            if (!(a <= tolDeg))
                Fail(f, "%s: vertex %u's normal is %.4f degrees off the rule", name, v, a);
        }
    }
}

void UnitNormals(const MeshView& m, const char* name, Fails& f)
{
    for (int v = 0; v < m.vertexCount; ++v) {
        const double l = meshkit::Length(N(m, v));
        if (!(std::fabs(l - 1) <= 1e-4))
            Fail(f, "%s: vertex %d's normal has length %.6f", name, v, l);
    }
}

void CheckNormals(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    char name[32];
    for (int k = 0; k < 11; ++k) {
        std::snprintf(name, sizeof name, "frame %d", k);
        UnitNormals(d.frames[k], name, f);
        RuleCheck(d.frames[k], k == 0 ? 0.05 : 0.08, name, f);
    }
    UnitNormals(d.pose, "pose", f);
    UnitNormals(d.low, "low", f);
    const std::vector<V3> n = Rule(d.low, 0, 137);
    for (int v = 0; v < 118; ++v) {
        const V3 want = meshkit::StoreTurned(n[v]);
        const V3 got = N(d.low, v);
        if (!(meshkit::Length(got - want) <= 2e-4))
            Fail(f, "low vertex %d's normal is %.6f off the rule", v, meshkit::Length(got - want));
    }
}

void CheckSwim(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    const MeshView& r = d.frames[0];
    const double maxima[5] = {0.02094, 0.03653, 0.05514, 0.05268, 0.03010};
    double zMin = 1, zMax = -1;
    int zMinFrame = 0, zMaxFrame = 0, snout = 0;
    for (int v = 1; v < 279; ++v)
        if (P(r, v).x < P(r, snout).x)
            snout = v;
    for (int k = 1; k <= 10; ++k) {
        const MeshView& m = d.frames[k];
        double best = 0;
        int at = 0;
        for (int v = 0; v < 279; ++v) {
            const V3 p = P(m, v), p0 = P(r, v);
            if (p.y != p0.y || std::fabs(p.x - p0.x) > 1e-6)
                Fail(f, "keyframe %d vertex %d moves in x or y", k, v);
            const double dz = p.z - p0.z;
            const double want = SwimD(p0.x, p0.y, k);
            if (!(std::fabs(dz - want) <= 1.3e-6))
                Fail(f, "keyframe %d vertex %d: z off the wave by %.3g", k, v, dz - want);
            if (std::fabs(dz) > std::fabs(best)) {
                best = dz;
                at = v;
            }
            if (p.z < zMin)
                zMin = p.z, zMinFrame = k;
            if (p.z > zMax)
                zMax = p.z, zMaxFrame = k;
            if (k <= 5) {
                const double dz5 = P(d.frames[k + 5], v).z - p0.z;
                if (!(std::fabs(dz + dz5) <= 1.1e-6))
                    Fail(f, "keyframes %d and %d do not mirror at vertex %d (%.3g)", k, k + 5, v, dz + dz5);
            }
        }
        const double want = maxima[(k - 1) % 5] * (k <= 5 ? -1 : 1);
        if (!(std::fabs(best - want) <= 5e-6))
            Fail(f, "keyframe %d: largest swing %.6f, want %.5f", k, best, want);
        const V3 p0 = P(r, at);
        const bool tailX = at >= 147 && at < 185;
        if (k == 1 || k == 6) {
            if (!tailX || std::fabs(p0.x - 0.13487) > 5e-6)
                Fail(f, "keyframe %d: largest swing at vertex %d (x %.6f), want the tail fin at x 0.13487", k, at,
                     p0.x);
        } else if (!tailX || std::fabs(p0.x - 0.17264) > 5e-6 || std::fabs(p0.y - (-0.00361)) > 5e-6) {
            Fail(f, "keyframe %d: largest swing at vertex %d (%.6f, %.6f), want the tail tip", k, at, p0.x, p0.y);
        }
        if (std::fabs(P(m, snout).z - P(r, snout).z) > 0.00065 + 5e-6)
            Fail(f, "keyframe %d: the snout swings more than 0.00065", k);
    }
    for (int v = 0; v < 279; ++v) {
        double sum = 0;
        for (int k = 1; k <= 10; ++k)
            sum += P(d.frames[k], v).z;
        if (!(std::fabs(sum / 10 - P(r, v).z) <= 1e-6))
            Fail(f, "vertex %d: the keyframes' mean is %.3g from the rest pose", v, sum / 10 - P(r, v).z);
    }
    if (std::fabs(zMin - (-0.05667)) > 5e-6 || std::fabs(zMax - 0.05360) > 5e-6 || zMinFrame != 3 ||
        zMaxFrame != 8)
        Fail(f, "keyframes span z %.6f (keyframe %d) to %.6f (keyframe %d); want -0.05667 (3) to 0.05360 (8)", zMin,
             zMinFrame, zMax, zMaxFrame);
}

void CheckBounds(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    const MeshView& m = d.frames[0];
    for (int id = 0; id < 10; ++id) {
        const Rng r = FrameTable[id];
        double lo[5] = {1, 1, 1, 1, 1}, hi[5] = {-1, -1, -1, -1, -1};
        const Projection pr = ProjectionOf(id);
        for (uint32_t v = r.vs; v < r.vs + r.vc; ++v) {
            const V3 p = P(m, int(v));
            const double q[5] = {p.x, p.y, p.z, U(m, int(v)), Vv(m, int(v))};
            for (int k = 0; k < 5; ++k)
                lo[k] = std::min(lo[k], q[k]), hi[k] = std::max(hi[k], q[k]);
            const double tu = pr.a * p.x + pr.b * p.y + pr.c, tv = pr.d * p.x + pr.e * p.y + pr.f;
            if (!(std::fabs(tu - q[3]) <= 0.0002 && std::fabs(tv - q[4]) <= 0.0002))
                Fail(f, "part %d vertex %u: uv (%.4f, %.4f) off the projection (%.4f, %.4f)", id, v, q[3], q[4], tu,
                     tv);
        }
        const char* axis[5] = {"x", "y", "z", "tu", "tv"};
        for (int k = 0; k < 5; ++k)
            if (!(std::fabs(lo[k] - PartBoxes[id][2 * k]) <= 0.0002 && std::fabs(hi[k] - PartBoxes[id][2 * k + 1]) <= 0.0002))
                Fail(f, "part %d spans %s %.5f..%.5f; want %.4f..%.4f", id, axis[k], lo[k], hi[k],
                     PartBoxes[id][2 * k], PartBoxes[id][2 * k + 1]);
    }
    // The whole rest pose and every keyframe's x and y extents.
    const double want[6] = {-0.05121, 0.17264, -0.03540, 0.05257, -0.01764, 0.02018};
    for (int k = 0; k < 11; ++k) {
        double lo[3] = {1, 1, 1}, hi[3] = {-1, -1, -1};
        for (int v = 0; v < 279; ++v) {
            const V3 p = P(d.frames[k], v);
            const double q[3] = {p.x, p.y, p.z};
            for (int a = 0; a < 3; ++a)
                lo[a] = std::min(lo[a], q[a]), hi[a] = std::max(hi[a], q[a]);
        }
        for (int a = 0; a < (k == 0 ? 3 : 2); ++a)
            if (!(std::fabs(lo[a] - want[2 * a]) <= 5e-6 && std::fabs(hi[a] - want[2 * a + 1]) <= 5e-6))
                Fail(f, "frame %d spans axis %d %.6f..%.6f; want %.5f..%.5f", k, a, lo[a], hi[a], want[2 * a],
                     want[2 * a + 1]);
    }
    // Parts keep apart; the only shared positions are the fins' 55 twins.
    int pairs = 0;
    std::vector<int> part(279);
    for (int id = 0; id < 10; ++id)
        for (uint32_t v = FrameTable[id].vs; v < FrameTable[id].vs + FrameTable[id].vc; ++v)
            part[v] = id;
    for (int a = 0; a < 279; ++a)
        for (int b = a + 1; b < 279; ++b) {
            const double dd = meshkit::Length(P(m, a) - P(m, b));
            if (part[a] != part[b] && !(dd > 1e-4))
                Fail(f, "vertices %d (part %d) and %d (part %d) are %.6f apart", a, part[a], b, part[b], dd);
            pairs += dd == 0;
        }
    if (pairs != 55)
        Fail(f, "%d pairs of vertices share a position; want the fins' 55", pairs);
    // No other mesh reaches beyond the rest pose in x or y.
    for (const MeshView* o : {&d.pose, &d.low})
        for (int v = 0; v < o->vertexCount; ++v) {
            const V3 p = P(*o, v);
            if (p.x < want[0] - 1e-7 || p.x > want[1] + 1e-7 || p.y < want[2] - 1e-7 || p.y > want[3] + 1e-7)
                Fail(f, "%s vertex %d lies beyond the rest pose's x or y", o == &d.pose ? "pose" : "low", v);
        }
}

void CheckPoses(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    const MeshView& rest = d.frames[0];
    const MeshView& p = d.pose;
    for (int t = 0; t < 9; ++t) {
        const Rng a = PoseTable[Triples[t][0]], b = PoseTable[Triples[t][1]], c = FrameTable[Triples[t][2]];
        if (a.vc != c.vc || b.vc != c.vc || a.fc != c.fc || b.fc != c.fc) {
            Fail(f, "part %d: pose ranges do not match the rest range's counts", t);
            continue;
        }
        // Triangles: the base part's, shifted.
        for (const Rng* r : {&a, &b})
            for (uint32_t k = 0; k < c.fc * 3; ++k) {
                const int want = int(rest.idx[c.fs * 3 + k]) - int(c.vs) + int(r->vs);
                if (p.idx[r->fs * 3 + k] != want) {
                    Fail(f, "pose range %u index %u breaks the shift law", r->id, k);
                    break;
                }
            }
        int moved = 0;
        for (uint32_t j = 0; j < c.vc; ++j) {
            const V3 r0 = P(rest, int(c.vs + j)), pa = P(p, int(a.vs + j)), pb = P(p, int(b.vs + j));
            const bool ma = pa.x != r0.x || pa.y != r0.y || pa.z != r0.z;
            const bool mb = pb.x != r0.x || pb.y != r0.y || pb.z != r0.z;
            moved += ma || mb;
            const bool pectoral = t == 3 || t == 4;
            if ((pa.z != r0.z && !pectoral) || pb.z != r0.z)
                Fail(f, "part %d vertex %u changes z", t, j);
        }
        if (moved != MovedCounts[t])
            Fail(f, "part %d: %d vertices move; want %d", t, moved, MovedCounts[t]);
        // Poses that show the part at rest are exact copies.
        const Rng* restPose = nullptr;
        if (t == 1 || t == 2 || t == 5 || t == 6)
            restPose = &a;
        if (t == 3 || t == 4)
            restPose = &b;
        if (restPose)
            for (uint32_t j = 0; j < c.vc; ++j)
                for (int k = 0; k < 6; ++k)
                    if (p.v[(restPose->vs + j) * 6 + k] != rest.v[(c.vs + j) * 8 + k])
                        Fail(f, "part %d: the rest pose range %u differs at vertex %u", t, restPose->id, j);
        // The anal fin and the spread pectorals keep the rest normals.
        const Rng* keepNormals = t == 2 ? &b : ((t == 3 || t == 4) ? &a : nullptr);
        if (keepNormals)
            for (uint32_t j = 0; j < c.vc; ++j)
                for (int k = 3; k < 6; ++k)
                    if (p.v[(keepNormals->vs + j) * 6 + k] != rest.v[(c.vs + j) * 8 + k])
                        Fail(f, "part %d: pose range %u changes vertex %u's normal", t, keepNormals->id, j);
        // A fin's twins move alike.
        if (IsFin(int(c.id))) {
            const uint32_t n = c.vc / 2;
            for (const Rng* r : {&a, &b})
                for (uint32_t j = 0; j < n; ++j) {
                    const uint32_t tw = c.vc - 1 - j;
                    const V3 q0 = P(p, int(r->vs + j)), q1 = P(p, int(r->vs + tw));
                    const V3 s0 = P(rest, int(c.vs + j)), s1 = P(rest, int(c.vs + tw));
                    if (s0.x == s1.x && s0.y == s1.y && s0.z == s1.z &&
                        (q0.x != q1.x || q0.y != q1.y || q0.z != q1.z))
                        Fail(f, "part %d: pose range %u separates the twins %u and %u", t, r->id, j, tw);
                }
        }
    }
}

void CheckLow(const MackerelView& d, Fails& f)
{
    if (!Shapes(d, f))
        return;
    const MeshView& m = d.low;
    const MeshView& rest = d.frames[0];
    // Body vertices: exact copies of rest-body vertices (position and uv).
    for (int v = 0; v < 62; ++v) {
        bool found = false;
        for (int r = 0; r < 119 && !found; ++r)
            found = m.v[v * 8] == rest.v[r * 8] && m.v[v * 8 + 1] == rest.v[r * 8 + 1] &&
                    m.v[v * 8 + 2] == rest.v[r * 8 + 2] && m.v[v * 8 + 6] == rest.v[r * 8 + 6] &&
                    m.v[v * 8 + 7] == rest.v[r * 8 + 7];
        if (!found)
            Fail(f, "low body vertex %d is not a rest-body vertex", v);
    }
    // The lone snout triangles 5 and 55 on vertices of their own; the
    // doubled triangle 73/74.
    const int lone[2][4] = {{5, 13, 14, 15}, {55, 54, 55, 56}};
    for (const auto& l : lone) {
        std::set<int> want{l[1], l[2], l[3]}, got{Idx(m, l[0], 0), Idx(m, l[0], 1), Idx(m, l[0], 2)};
        if (want != got)
            Fail(f, "low triangle %d does not stand on vertices %d-%d", l[0], l[1], l[3]);
        for (int t = 0; t < 137; ++t)
            for (int k = 0; k < 3; ++k)
                if (t != l[0] && want.count(Idx(m, t, k)))
                    Fail(f, "low triangle %d shares a lone triangle's vertex", t);
    }
    const std::set<int> dbl{53, 58, 60};
    if (std::set<int>{Idx(m, 73, 0), Idx(m, 73, 1), Idx(m, 73, 2)} != dbl ||
        std::set<int>{Idx(m, 74, 0), Idx(m, 74, 1), Idx(m, 74, 2)} != dbl)
        Fail(f, "low triangles 73 and 74 are not over vertices 53, 58 and 60");
    else {
        const V3 n73 = meshkit::Cross(P(m, Idx(m, 73, 1)) - P(m, Idx(m, 73, 0)), P(m, Idx(m, 73, 2)) - P(m, Idx(m, 73, 0)));
        const V3 n74 = meshkit::Cross(P(m, Idx(m, 74, 1)) - P(m, Idx(m, 74, 0)), P(m, Idx(m, 74, 2)) - P(m, Idx(m, 74, 0)));
        if (!(meshkit::Dot(n73, n74) < 0))
            Fail(f, "low triangles 73 and 74 have the same winding");
    }
    for (int t = 0; t < 109; ++t)
        for (int k = 0; k < 3; ++k)
            if (Idx(m, t, k) >= 62)
                Fail(f, "low body triangle %d uses a fin vertex", t);
    // The body's other triangles form one connected surface.
    std::vector<int> parent(62);
    for (int v = 0; v < 62; ++v)
        parent[v] = v;
    std::function<int(int)> root = [&](int v) { return parent[v] == v ? v : parent[v] = root(parent[v]); };
    for (int t = 0; t < 109; ++t) {
        if (t == 5 || t == 55)
            continue;
        parent[root(Idx(m, t, 1))] = root(Idx(m, t, 0));
        parent[root(Idx(m, t, 2))] = root(Idx(m, t, 0));
    }
    for (int v = 0; v < 62; ++v)
        if (v != 13 && v != 14 && v != 15 && v != 54 && v != 55 && v != 56 && root(v) != root(0))
            Fail(f, "low body vertex %d is not connected to the body", v);
    // Paired fins: copies of rest ranges 4, 5, 7, 6, the pectorals moved in z.
    const int src[4] = {222, 230, 238, 246};
    const int srcFace[4] = {348, 352, 356, 360};
    const double shift[4] = {0.001171, -0.001188, 0, 0};
    for (int k = 0; k < 4; ++k)
        for (int j = 0; j < 8; ++j) {
            const int v = 62 + 8 * k + j, r = src[k] + j;
            bool same = true;
            for (int c : {0, 1, 3, 4, 5, 6, 7})
                same &= m.v[v * 8 + c] == rest.v[r * 8 + c];
            const double dz = double(m.v[v * 8 + 2]) - double(rest.v[r * 8 + 2]);
            if (!same || std::fabs(dz - shift[k]) > 1e-6)
                Fail(f, "low fin vertex %d is not rest vertex %d moved by %.6f in z", v, r, shift[k]);
            if (j < 4)
                for (int c = 0; c < 3; ++c) {
                    const int t = 109 + 4 * k + j;
                    if (Idx(m, t, c) - (62 + 8 * k) != Idx(rest, srcFace[k] + j, c) - src[k])
                        Fail(f, "low fin triangle %d is not the rest fin's", t);
                }
        }
    // Rectangles in z = 0 over their skin rectangles, two sheets each.
    const double rects[3][8] = {
        {0.1211, 0.1707, -0.0179, 0.0329, 0.6448, 0.9043, 0.2377, 0.5033},
        {0.0052, 0.1232, 0.0083, 0.0494, 0.0727, 0.6312, 0.0466, 0.2530},
        {0.0383, 0.0969, -0.0238, -0.0004, 0.3564, 0.6543, 0.4200, 0.5214},
    };
    for (int k = 0; k < 3; ++k) {
        const double* r = rects[k];
        for (int j = 0; j < 8; ++j) {
            const int v = 94 + 8 * k + j;
            const V3 p = P(m, v);
            const bool left = std::fabs(p.x - r[0]) < 1e-6, right = std::fabs(p.x - r[1]) < 1e-6;
            const bool bottom = std::fabs(p.y - r[2]) < 1e-6, top = std::fabs(p.y - r[3]) < 1e-6;
            if (p.z != 0 || !(left || right) || !(bottom || top) ||
                std::fabs(U(m, v) - (left ? r[4] : r[5])) > 1e-6 || std::fabs(Vv(m, v) - (top ? r[6] : r[7])) > 1e-6)
                Fail(f, "low fin rectangle %d vertex %d is not a corner of its rectangle", k, v);
        }
        for (int j = 0; j < 4; ++j) {
            const int a = 94 + 8 * k + j, b = 94 + 8 * k + 7 - j;
            if (P(m, a).x != P(m, b).x || P(m, a).y != P(m, b).y || N(m, a).y != -N(m, b).y)
                Fail(f, "low fin rectangle %d: vertex %d is not vertex %d's twin", k, b, a);
        }
    }
    // Extent inside the rest pose's box.
    for (int v = 0; v < 118; ++v) {
        const V3 p = P(m, v);
        if (p.x < -0.05121 - 1e-7 || p.x > 0.1707 + 1e-6 || p.y < -0.0354 - 1e-6 || p.y > 0.0494 + 1e-6 ||
            p.z < -0.0165 - 5e-5 || p.z > 0.0190 + 5e-5)
            Fail(f, "low vertex %d lies outside the mesh's stated extent", v);
    }
}

void CheckSkin(const MackerelView& d, Fails& f)
{
    if (!d.skinDds || d.skinDdsSize < 128) {
        Fail(f, "no skin");
        return;
    }
    const uint8_t* s = d.skinDds;
    auto u32 = [&](size_t o) { return uint32_t(s[o]) | uint32_t(s[o + 1]) << 8 | uint32_t(s[o + 2]) << 16 | uint32_t(s[o + 3]) << 24; };
    if (std::memcmp(s, "DDS ", 4) != 0 || u32(4) != 124 || u32(12) != 512 || u32(16) != 512 ||
        std::memcmp(s + 84, "DXT2", 4) != 0 || u32(28) > 1 || (u32(8) & 0x20000) != 0)
        Fail(f, "the skin is not a 512 x 512 DXT2 image of one level");
    if (d.skinDdsSize != 128 + 128 * 128 * 16) {
        Fail(f, "the skin holds %zu bytes; want %d", d.skinDdsSize, 128 + 128 * 128 * 16);
        return;
    }
    const int boxes[5][4] = {{34, 312, 31, 126}, {337, 446, 133, 232}, {113, 225, 138, 179}, {67, 126, 216, 263},
                             {194, 324, 220, 258}};
    int lo[5][2], hi[5][2];
    for (int b = 0; b < 5; ++b)
        lo[b][0] = lo[b][1] = 512, hi[b][0] = hi[b][1] = -1;
    int stray = 0, clearBand = 0;
    for (int y = 0; y < 512; ++y)
        for (int x = 0; x < 512; ++x) {
            const int a = SkinAlpha(s, d.skinDdsSize, x, y);
            if (y >= 311) {
                clearBand += a != 15;
                continue;
            }
            if (a == 0)
                continue;
            int in = -1;
            for (int b = 0; b < 5; ++b)
                if (x >= boxes[b][0] && x <= boxes[b][1] && y >= boxes[b][2] && y <= boxes[b][3])
                    in = b;
            if (in < 0) {
                ++stray;
                continue;
            }
            lo[in][0] = std::min(lo[in][0], x), hi[in][0] = std::max(hi[in][0], x);
            lo[in][1] = std::min(lo[in][1], y), hi[in][1] = std::max(hi[in][1], y);
        }
    if (clearBand)
        Fail(f, "%d texels of rows 311-511 are not fully opaque", clearBand);
    if (stray)
        Fail(f, "%d texels of rows 0-310 outside the fin pictures are not transparent", stray);
    for (int b = 0; b < 5; ++b)
        if (lo[b][0] != boxes[b][0] || hi[b][0] != boxes[b][1] || lo[b][1] != boxes[b][2] || hi[b][1] != boxes[b][3])
            Fail(f, "fin picture %d covers columns %d-%d, rows %d-%d; want %d-%d, %d-%d", b, lo[b][0], hi[b][0],
                 lo[b][1], hi[b][1], boxes[b][0], boxes[b][1], boxes[b][2], boxes[b][3]);
    // Every range's uv region shows: the body and eyes wholly, every fin
    // somewhere inside its triangles' uv footprint.
    auto sample = [&](double u, double v) {
        return SkinAlpha(s, d.skinDdsSize, std::min(511, std::max(0, int(u * 512))), std::min(511, std::max(0, int(v * 512))));
    };
    auto region = [&](const MeshView& m, const Rng& r, bool whole, const char* name) {
        int shown = 0, total = 0;
        for (uint32_t t = r.fs; t < r.fs + r.fc; ++t) {
            const int a = Idx(m, int(t), 0), b = Idx(m, int(t), 1), c = Idx(m, int(t), 2);
            for (int i = 0; i <= 4; ++i)
                for (int j = 0; i + j <= 4; ++j) {
                    const double wa = i / 4.0, wb = j / 4.0, wc = 1 - wa - wb;
                    const int al = sample(wa * U(m, a) + wb * U(m, b) + wc * U(m, c), wa * Vv(m, a) + wb * Vv(m, b) + wc * Vv(m, c));
                    ++total;
                    shown += al > 0;
                }
        }
        if (whole ? shown != total : shown == 0)
            Fail(f, "%s range %u: %d of %d uv samples show", name, r.id, shown, total);
    };
    if (!Shapes(d, f))
        return;
    for (int id = 0; id < 10; ++id)
        region(d.frames[0], FrameTable[id], id == 0 || id >= 8, "rest");
    for (int id = 0; id < 8; ++id)
        if (LowTable[id].fc)
            region(d.low, LowTable[id], false, "low");
    // Each low fin rectangle shows around its centre.
    for (int k = 0; k < 3; ++k) {
        double u = 0, v = 0;
        for (int j = 0; j < 4; ++j)
            u += U(d.low, 94 + 8 * k + j) / 4, v += Vv(d.low, 94 + 8 * k + j) / 4;
        if (sample(u, v) == 0)
            Fail(f, "low fin rectangle %d is transparent at its centre", k);
    }
}

} // namespace

int SkinAlpha(const uint8_t* dds, size_t size, int x, int y)
{
    if (!dds || size < 128 + 16 || x < 0 || y < 0 || x >= 512 || y >= 512)
        return -1;
    const size_t block = 128 + (size_t(y / 4) * 128 + size_t(x / 4)) * 16;
    if (block + 16 > size)
        return -1;
    const int texel = (y % 4) * 4 + (x % 4);
    const uint8_t byte = dds[block + texel / 2];
    return texel % 2 ? byte >> 4 : byte & 15;
}

const std::vector<NamedCheck>& MackerelChecks()
{
    static const std::vector<NamedCheck> checks = {
        {"records", CheckRecords},   {"index rules", CheckIndexRules}, {"body surface", CheckBodySurface},
        {"fin sheets", CheckFinSheets}, {"eyes", CheckEyes},          {"normals", CheckNormals},
        {"swim wave", CheckSwim},    {"bounds and projections", CheckBounds}, {"poses", CheckPoses},
        {"low-detail mesh", CheckLow}, {"skin", CheckSkin},
    };
    return checks;
}

} // namespace mackerelcheck

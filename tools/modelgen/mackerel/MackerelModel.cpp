// Builds the mackerel: a lofted body with two small extra triangles, flat
// two-sided fins, two eye domes, the swim wave sampled into ten keyframes,
// the two poses of nine parts, the low-detail mesh made of rest-pose
// vertices and fin rectangles, and the skin atlas. Positions are decimals
// with 6 places, normals and texture coordinates with 4, each stored as the
// nearest float.
#include "MackerelModel.h"

#include "../common/MeshKitInline.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <limits>
#include <map>

namespace mackerelgen {
namespace {

using namespace meshkit;

const double MidZ = 0.000225;      // the body's midplane
const double FinZ = 0.000250;      // dorsal and anal fins
const double TailZ = -0.001539;    // tail fin plane
const double EyeMirrorZ = 0.000172;
const double PelvicMirrorZ = 0.00043;

using Tri = std::array<int, 3>;

// One part as built: positions (exact decimals before storing), local
// triangles, its uv projection and how its normals are made.
struct Part {
    std::vector<V3> p;
    std::vector<Tri> tri;
    std::function<std::array<double, 2>(const V3&)> uv;
    int sheetVertices = 0; // fins: vertices of the front sheet (the back repeats them reversed)
};

// Orders a triangle so that its normal has a positive component along want.
Tri Facing(const std::vector<V3>& p, Tri t, const V3& want)
{
    const V3 n = Cross(p[t[1]] - p[t[0]], p[t[2]] - p[t[0]]);
    if (Dot(n, want) < 0)
        std::swap(t[1], t[2]);
    return t;
}

// Triangles between two open polylines a and b that both run along one
// coordinate (key), advancing along the one whose next point comes first.
std::vector<Tri> ZipBy(const std::vector<V3>& p, const std::vector<int>& a, const std::vector<int>& b,
                       double (*key)(const V3&))
{
    std::vector<Tri> out;
    size_t i = 0, j = 0;
    while (i + 1 < a.size() || j + 1 < b.size()) {
        const double ka = i + 1 < a.size() ? key(p[a[i + 1]]) : 1e9;
        const double kb = j + 1 < b.size() ? key(p[b[j + 1]]) : 1e9;
        if (ka <= kb) {
            out.push_back({a[i], a[i + 1], b[j]});
            ++i;
        } else {
            out.push_back({a[i], b[j + 1], b[j]});
            ++j;
        }
    }
    return out;
}

double KeyX(const V3& q) { return q.x; }
double KeyY(const V3& q) { return q.y; }

// ---- Body ----

struct Ring {
    double x, top, bot, hw;
    int qL, qR; // flank points on the -z and +z sides
};

const Ring BodyRings[11] = {
    {-0.0460, 0.0070, -0.0040, 0.0040, 2, 2}, {-0.0380, 0.0140, -0.0085, 0.0068, 4, 4},
    {-0.0280, 0.0205, -0.0120, 0.0088, 5, 5}, {-0.0150, 0.0260, -0.0150, 0.0102, 5, 5},
    {0.0000, 0.0290, -0.0163, 0.0108, 5, 5},  {0.0180, 0.0298, -0.0166, 0.0108, 5, 5},
    {0.0380, 0.0280, -0.0150, 0.0096, 5, 5},  {0.0600, 0.0240, -0.0120, 0.0080, 5, 5},
    {0.0820, 0.0190, -0.0080, 0.0060, 4, 4},  {0.1030, 0.0140, -0.0040, 0.0040, 4, 4},
    {0.1200, 0.0100, -0.0010, 0.0025, 4, 3},
};
const V3 SnoutPole(-0.05121, 0.0020, MidZ);
const V3 TailPole(0.131645, 0.0045, MidZ);

struct RingPoint {
    int vertex;
    double phi; // angle about the x axis: 0 top, pi bottom, -z side first
};

struct Body {
    Part part;
    std::vector<std::vector<RingPoint>> rings;
    int snout = 0, tail = 0;
    // Named vertices for the poses: ring r, side (-1 left, +1 right, 0 top, 2 bottom), flank j.
    int At(int r, int side, int j) const
    {
        const auto& ring = rings[r];
        const int qL = BodyRings[r].qL;
        if (side == 0)
            return ring[0].vertex;
        if (side == 2)
            return ring[qL + 1].vertex;
        if (side < 0)
            return ring[j].vertex;
        return ring[ring.size() - j].vertex;
    }
};

double AxisY(double x)
{
    if (x <= BodyRings[0].x)
        return (BodyRings[0].top + BodyRings[0].bot) / 2;
    for (int r = 0; r + 1 < 11; ++r)
        if (x <= BodyRings[r + 1].x) {
            const double t = (x - BodyRings[r].x) / (BodyRings[r + 1].x - BodyRings[r].x);
            return (1 - t) * (BodyRings[r].top + BodyRings[r].bot) / 2 +
                   t * (BodyRings[r + 1].top + BodyRings[r + 1].bot) / 2;
        }
    return (BodyRings[10].top + BodyRings[10].bot) / 2;
}

// Triangles between two closed rings, merged by angle.
void ZipRings(const std::vector<RingPoint>& a, const std::vector<RingPoint>& b, std::vector<Tri>& out)
{
    size_t i = 0, j = 0;
    auto phiA = [&](size_t k) { return k < a.size() ? a[k].phi : 2 * Pi; };
    auto phiB = [&](size_t k) { return k < b.size() ? b[k].phi : 2 * Pi; };
    while (i < a.size() || j < b.size()) {
        const double na = i < a.size() ? phiA(i + 1) : 1e9;
        const double nb = j < b.size() ? phiB(j + 1) : 1e9;
        if (na <= nb) {
            out.push_back({a[i].vertex, a[(i + 1) % a.size()].vertex, b[j % b.size()].vertex});
            ++i;
        } else {
            out.push_back({a[i % a.size()].vertex, b[(j + 1) % b.size()].vertex, b[j].vertex});
            ++j;
        }
    }
}

void FanRing(int pole, const std::vector<RingPoint>& r, std::vector<Tri>& out)
{
    for (size_t k = 0; k < r.size(); ++k)
        out.push_back({pole, r[k].vertex, r[(k + 1) % r.size()].vertex});
}

// Outward orientation of a body triangle: away from the body's axis, and
// away from the end rings for the pole fans.
Tri OrientBody(const std::vector<V3>& p, Tri t)
{
    const V3 c = (p[t[0]] + p[t[1]] + p[t[2]]) * (1.0 / 3);
    double ax = c.x;
    if (ax < BodyRings[0].x)
        ax = BodyRings[0].x;
    if (ax > BodyRings[10].x)
        ax = BodyRings[10].x;
    return Facing(p, t, c - V3(ax, AxisY(ax), MidZ));
}

Body BuildBody()
{
    Body b;
    b.part.uv = [](const V3& q) { return std::array<double, 2>{4.5710 * q.x + 0.3135, 0.8143 - 4.4781 * q.y}; };
    b.snout = 0;
    b.part.p.push_back(SnoutPole);
    for (const Ring& r : BodyRings) {
        const double yc = (r.top + r.bot) / 2, ay = (r.top - r.bot) / 2;
        std::vector<RingPoint> ring;
        auto add = [&](double theta, int side, double phi) {
            ring.push_back({int(b.part.p.size()), phi});
            b.part.p.push_back(V3(r.x, yc + ay * std::cos(theta), MidZ + side * r.hw * std::sin(theta)));
        };
        const int ringIndex = int(b.rings.size());
        add(0, 0, 0);
        for (int j = 1; j <= r.qL; ++j) {
            double th = Pi * j / (r.qL + 1);
            // The last ring has one flank point more on the left: just off
            // the top, 0.000065 from the midplane; the others face the right's.
            if (r.qL != r.qR)
                th = j == 1 ? std::asin(0.000065 / r.hw) : Pi * (j - 1) / (r.qR + 1);
            add(th, -1, th);
        }
        add(Pi, 0, Pi);
        for (int j = r.qR; j >= 1; --j) {
            const double th = Pi * j / (r.qR + 1);
            add(th, +1, 2 * Pi - th);
        }
        // Three right flank points stand a little off their mirror images.
        if (ringIndex == 3 || ringIndex == 6 || ringIndex == 7) {
            const int j = ringIndex == 3 ? 1 : (ringIndex == 6 ? 2 : 4);
            b.part.p[ring[ring.size() - j].vertex].z += 0.00006;
        }
        b.rings.push_back(ring);
    }
    b.tail = int(b.part.p.size());
    b.part.p.push_back(TailPole);

    std::vector<Tri> t;
    FanRing(b.snout, b.rings[0], t);
    for (int r = 0; r + 1 < 11; ++r)
        ZipRings(b.rings[r], b.rings[r + 1], t);
    FanRing(b.tail, b.rings[10], t);
    for (Tri& tri : t)
        tri = OrientBody(b.part.p, tri);
    // The two small extra triangles: on the back's midline behind the eyes,
    // over the tops of rings 3 to 5, and at the snout's tip, over the pole
    // and the two flank points beside the first ring's top.
    t.push_back(Facing(b.part.p, {b.At(2, 0, 0), b.At(3, 0, 0), b.At(4, 0, 0)}, V3(0, 0, -1)));
    t.push_back(Facing(b.part.p, {b.snout, b.At(0, -1, 1), b.At(0, +1, 1)}, V3(-1, 0, 0)));
    b.part.tri = t;
    return b;
}

// ---- Fins ----

Part FlatFin(const std::vector<std::array<double, 2>>& lowerOrBase, const std::vector<std::array<double, 2>>& upper,
             double z)
{
    Part f;
    std::vector<int> a, b;
    for (auto& q : lowerOrBase) {
        a.push_back(int(f.p.size()));
        f.p.push_back(V3(q[0], q[1], z));
    }
    for (auto& q : upper) {
        b.push_back(int(f.p.size()));
        f.p.push_back(V3(q[0], q[1], z));
    }
    for (Tri t : ZipBy(f.p, a, b, KeyX))
        f.tri.push_back(Facing(f.p, t, V3(0, 0, -1)));
    f.sheetVertices = int(f.p.size());
    return f;
}

Part DorsalFin()
{
    Part f = FlatFin({{-0.0008, 0.0260}, {0.0200, 0.0280}, {0.0400, 0.0265}, {0.0600, 0.0225}, {0.0800, 0.0180},
                      {0.1000, 0.0125}, {0.1217, 0.0074}},
                     {{0.0030, 0.0340}, {0.0150, 0.0480}, {0.0310, 0.052570}, {0.0500, 0.0360}, {0.0750, 0.0380},
                      {0.1000, 0.0260}, {0.123150, 0.0082}},
                     FinZ);
    f.uv = [](const V3& q) {
        return std::array<double, 2>{4.6114 * q.x - 0.1620 * q.y + 0.0588, 0.3408 - 0.2076 * q.x - 5.9379 * q.y};
    };
    return f;
}

Part AnalFin()
{
    Part f = FlatFin({{0.037540, -0.0135}, {0.0650, -0.0110}, {0.0950, -0.0012}},
                     {{0.0450, -0.024160}, {0.0700, -0.0200}, {0.102040, -0.0060}}, FinZ);
    f.uv = [](const V3& q) { return std::array<double, 2>{6.0768 * q.x + 0.1059, 0.3983 - 5.1745 * q.y}; };
    return f;
}

Part TailFin()
{
    Part f;
    const double root[5][2] = {{0.1223, -0.0040}, {0.1228, -0.0005}, {0.1232, 0.0030}, {0.1228, 0.0075},
                               {0.1224, 0.0110}};
    const double mid[7][2] = {{0.1450, -0.0130}, {0.1390, -0.0070}, {0.1330, 0.0005}, {0.134870, 0.006679},
                              {0.1330, 0.0130},  {0.1390, 0.0200},  {0.1480, 0.0290}};
    const double trail[7][2] = {{0.1690, -0.015270}, {0.1600, -0.0115}, {0.1570, -0.0090}, {0.172642, -0.003610},
                                {0.1570, 0.0150},    {0.1600, 0.0250},  {0.1700, 0.031350}};
    std::vector<int> r, m, t;
    for (auto& q : root) {
        r.push_back(int(f.p.size()));
        f.p.push_back(V3(q[0], q[1], TailZ));
    }
    for (auto& q : mid) {
        m.push_back(int(f.p.size()));
        f.p.push_back(V3(q[0], q[1], TailZ));
    }
    for (auto& q : trail) {
        t.push_back(int(f.p.size()));
        f.p.push_back(V3(q[0], q[1], TailZ));
    }
    for (Tri x : ZipBy(f.p, r, m, KeyY))
        f.tri.push_back(Facing(f.p, x, V3(0, 0, -1)));
    for (Tri x : ZipBy(f.p, m, t, KeyY))
        f.tri.push_back(Facing(f.p, x, V3(0, 0, -1)));
    f.sheetVertices = int(f.p.size());
    f.uv = [](const V3& q) { return std::array<double, 2>{4.9270 * q.x + 0.0498, 0.4063 - 5.4889 * q.y}; };
    return f;
}

// A tilted quad fin: corners in outline order, two triangles (0,1,2) and
// (0,2,3), the front sheet facing `facing`.
Part QuadFin(const V3 c[4], const V3& facing)
{
    Part f;
    for (int i = 0; i < 4; ++i)
        f.p.push_back(c[i]);
    f.tri.push_back(Facing(f.p, {0, 1, 2}, facing));
    f.tri.push_back(Facing(f.p, {0, 2, 3}, facing));
    f.sheetVertices = 4;
    return f;
}

Part Pectoral(bool right)
{
    const double xy[4][2] = {{-0.0012, 0.0190}, {0.0300, 0.0150}, {0.0488, 0.0060}, {0.0040, -0.0060}};
    const double zl[4] = {-0.0107, -0.0150, -0.017640, -0.0112};
    const double zr[4] = {0.0112, 0.0174, 0.020180, 0.0118};
    V3 c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = V3(xy[i][0], xy[i][1], right ? zr[i] : zl[i]);
    Part f = QuadFin(c, V3(0, 0, right ? 1 : -1));
    f.uv = [](const V3& q) { return std::array<double, 2>{6.1755 * q.x + 0.2224, 0.3547 - 7.1724 * q.y}; };
    return f;
}

Part Pelvic(bool right)
{
    const double xy[4][2] = {{0.0036, -0.010960}, {0.0120, -0.0125}, {0.0307, -0.0354}, {0.0150, -0.0330}};
    const double zl[4] = {-0.0020, -0.0025, -0.0052, -0.0045};
    V3 c[4];
    for (int i = 0; i < 4; ++i)
        c[i] = V3(xy[i][0], xy[i][1], right ? 2 * PelvicMirrorZ - zl[i] : zl[i]);
    Part f = QuadFin(c, V3(0, 0, right ? 1 : -1));
    f.uv = [](const V3& q) { return std::array<double, 2>{6.2178 * q.x + 0.0913, 0.3635 - 4.8386 * q.y}; };
    return f;
}

// ---- Eyes ----

const double EyeX = -0.0301, EyeY = 0.0087, EyeRx = 0.0071, EyeRy = 0.0067;
const double EyeRimZ = -0.002300, EyeApexZ = -0.009730;
const double EyeInnerAngle = 40.0 * Pi / 180.0;

// A dome: centre, inner ring of 12, outer ring of 12 (the left eye's order);
// the right eye mirrors it across z = EyeMirrorZ and lists two inner-ring
// vertices before its centre.
Part Eye(bool right)
{
    std::vector<V3> centreFirst;
    centreFirst.push_back(V3(EyeX, EyeY, EyeApexZ));
    for (int ring = 0; ring < 2; ++ring) {
        const double a = ring == 0 ? EyeInnerAngle : Pi / 2;
        for (int j = 0; j < 12; ++j) {
            const double b = 2 * Pi * j / 12;
            const double z = EyeRimZ + (EyeApexZ - EyeRimZ) * std::cos(a);
            centreFirst.push_back(V3(EyeX + EyeRx * std::sin(a) * std::cos(b), EyeY + EyeRy * std::sin(a) * std::sin(b),
                                     ring == 1 ? EyeRimZ : z));
        }
    }
    // Local index of centre-first vertex k in the stored order.
    std::vector<int> place(25);
    for (int k = 0; k < 25; ++k)
        place[k] = k;
    if (right) {
        // stored: inner0, inner1, centre, inner2..inner11, outer0..outer11
        place[1] = 0;
        place[2] = 1;
        place[0] = 2;
    }
    Part f;
    f.p.resize(25);
    for (int k = 0; k < 25; ++k) {
        V3 q = centreFirst[k];
        if (right)
            q.z = 2 * EyeMirrorZ - q.z;
        f.p[place[k]] = q;
    }
    const V3 rimCentre(EyeX, EyeY, right ? 2 * EyeMirrorZ - EyeRimZ : EyeRimZ);
    auto add = [&](int a, int b, int c) {
        Tri t{place[a], place[b], place[c]};
        const V3 cen = (f.p[t[0]] + f.p[t[1]] + f.p[t[2]]) * (1.0 / 3);
        f.tri.push_back(Facing(f.p, t, cen - rimCentre));
    };
    for (int j = 0; j < 12; ++j)
        add(0, 1 + j, 1 + (j + 1) % 12);
    for (int j = 0; j < 12; ++j) {
        const int i0 = 1 + j, i1 = 1 + (j + 1) % 12, o0 = 13 + j, o1 = 13 + (j + 1) % 12;
        add(i0, o0, o1);
        add(i0, o1, i1);
    }
    f.uv = [](const V3& q) { return std::array<double, 2>{4.8064 * q.x + 0.3210, 0.8250 - 4.8518 * q.y}; };
    return f;
}

// ---- Assembly ----

// A part in the mesh: its first vertex and face, positions as stored.
struct Placed {
    int firstVertex = 0, vertexCount = 0, firstFace = 0, faceCount = 0;
    bool fin = false;
    int sheet = 0;
};

struct RestBuild {
    std::vector<V3> pos;      // stored (float) positions
    std::vector<std::array<double, 2>> uv;
    std::vector<uint16_t> idx;
    Placed parts[10];
    Body body;
};

V3 StorePosition(const V3& q) { return V3(Literal(q.x, 6), Literal(q.y, 6), Literal(q.z, 6)); }

// Adds a part: a fin gets its back sheet (positions repeated in reverse
// order, triangles reversed).
void Append(RestBuild& m, int id, const Part& part, bool fin)
{
    Placed& pl = m.parts[id];
    pl.firstVertex = int(m.pos.size());
    pl.firstFace = int(m.idx.size() / 3);
    pl.fin = fin;
    pl.sheet = part.sheetVertices;
    const int n = int(part.p.size());
    for (int i = 0; i < n; ++i) {
        m.pos.push_back(StorePosition(part.p[i]));
        m.uv.push_back(part.uv(part.p[i]));
    }
    for (const Tri& t : part.tri)
        for (int k = 0; k < 3; ++k)
            m.idx.push_back(uint16_t(pl.firstVertex + t[k]));
    if (fin) {
        for (int i = n - 1; i >= 0; --i) {
            m.pos.push_back(StorePosition(part.p[i]));
            m.uv.push_back(part.uv(part.p[i]));
        }
        auto twin = [&](int local) { return pl.firstVertex + n + (n - 1 - local); };
        for (const Tri& t : part.tri) {
            m.idx.push_back(uint16_t(twin(t[0])));
            m.idx.push_back(uint16_t(twin(t[2])));
            m.idx.push_back(uint16_t(twin(t[1])));
        }
    }
    pl.vertexCount = int(m.pos.size()) - pl.firstVertex;
    pl.faceCount = int(m.idx.size() / 3) - pl.firstFace;
}

// Normals by the rule for every part, fins' back sheets as the exact
// negatives of their front sheets. Returns stored (turned, rounded) normals.
std::vector<V3> PartNormals(const std::vector<V3>& pos, const std::vector<uint16_t>& idx, const Placed* parts,
                            int partCount)
{
    std::vector<V3> out(pos.size());
    for (int i = 0; i < partCount; ++i) {
        const Placed& pl = parts[i];
        const std::vector<V3> n = RuleNormals(pos, idx, size_t(pl.firstFace), size_t(pl.firstFace + pl.faceCount));
        for (int v = pl.firstVertex; v < pl.firstVertex + pl.vertexCount; ++v) {
            const V3 s = StoreTurned(n[v]);
            out[v] = V3(Literal(s.x, 4), Literal(s.y, 4), Literal(s.z, 4));
        }
        if (pl.fin) {
            const int half = pl.vertexCount / 2;
            for (int k = 0; k < half; ++k) {
                const V3& f = out[pl.firstVertex + k];
                out[pl.firstVertex + pl.vertexCount - 1 - k] = -f;
            }
        }
    }
    return out;
}

void PutFish(HostMesh& m, const V3& p, const V3& n, double u, double v)
{
    const float f[8] = {float(p.x), float(p.y), float(p.z), float(n.x), float(n.y), float(n.z), Literal(u, 4),
                        Literal(v, 4)};
    m.v.insert(m.v.end(), f, f + 8);
}

void PutMorph(HostMesh& m, const V3& p, const V3& n)
{
    const float f[6] = {float(p.x), float(p.y), float(p.z), float(n.x), float(n.y), float(n.z)};
    m.v.insert(m.v.end(), f, f + 6);
}

Range R(uint32_t id, uint32_t fs, uint32_t fc, uint32_t vs, uint32_t vc) { return Range{id, fs, fc, vs, vc}; }

double SwimD(double x, double y, int k)
{
    const double S = 0.00181386, yc = 0.0066789, beta = 78.938, lambda = 0.289, phi = 0.053517;
    const double e = S * std::exp(20 * x) * (1 - beta * (y - yc) * (y - yc));
    return e * std::sin(2 * Pi * k / 10 + phi - 2 * Pi * x / lambda);
}

// ---- Pose mesh ----

// One pose of one part: its vertices (rest order) and normals.
struct PoseVerts {
    std::vector<V3> pos, nrm;
};

// Rest copy of a part.
PoseVerts RestCopy(const RestBuild& m, const std::vector<V3>& nrm, int id)
{
    PoseVerts p;
    const Placed& pl = m.parts[id];
    for (int v = pl.firstVertex; v < pl.firstVertex + pl.vertexCount; ++v) {
        p.pos.push_back(m.pos[v]);
        p.nrm.push_back(nrm[v]);
    }
    return p;
}

// Moves the listed part-local vertices (and for fins their twins) by d.
void Move(PoseVerts& p, const Placed& pl, const std::vector<int>& local, const V3& d)
{
    for (int l : local) {
        std::vector<int> targets{l};
        if (pl.fin)
            targets.push_back(pl.vertexCount - 1 - l);
        for (int t : targets)
            p.pos[t] = StorePosition(p.pos[t] + d);
    }
}

void MoveTo(PoseVerts& p, const Placed& pl, int local, const V3& to)
{
    std::vector<int> targets{local};
    if (pl.fin)
        targets.push_back(pl.vertexCount - 1 - local);
    for (int t : targets)
        p.pos[t] = StorePosition(to);
}

// The rule's normals over the part's own triangles at the pose's positions.
void RuleOnPose(PoseVerts& p, const RestBuild& m, int id)
{
    const Placed& pl = m.parts[id];
    std::vector<V3> all = m.pos;
    for (int k = 0; k < pl.vertexCount; ++k)
        all[pl.firstVertex + k] = p.pos[k];
    Placed one = pl;
    const std::vector<V3> n = PartNormals(all, m.idx, &one, 1);
    for (int k = 0; k < pl.vertexCount; ++k)
        p.nrm[k] = n[pl.firstVertex + k];
}

// ---- Skin ----

struct Skin {
    int size = 512;
    std::vector<uint8_t> rgba;
    uint8_t* At(int x, int y) { return &rgba[(size_t(y) * size + x) * 4]; }
};

// Texels whose centres lie inside the uv triangle (scaled to texels).
template <typename F>
void Raster(const std::array<double, 2> a, const std::array<double, 2> b, const std::array<double, 2> c, int size, F fn)
{
    const double ax = a[0] * size, ay = a[1] * size, bx = b[0] * size, by = b[1] * size, cx = c[0] * size,
                 cy = c[1] * size;
    const int x0 = std::max(0, int(std::floor(std::min({ax, bx, cx})))),
              x1 = std::min(size - 1, int(std::ceil(std::max({ax, bx, cx}))));
    const int y0 = std::max(0, int(std::floor(std::min({ay, by, cy})))),
              y1 = std::min(size - 1, int(std::ceil(std::max({ay, by, cy}))));
    const double area = (bx - ax) * (cy - ay) - (by - ay) * (cx - ax);
    if (area == 0)
        return;
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
            const double px = x + 0.5, py = y + 0.5;
            const double w0 = ((bx - px) * (cy - py) - (by - py) * (cx - px)) / area;
            const double w1 = ((cx - px) * (ay - py) - (cy - py) * (ax - px)) / area;
            const double w2 = 1 - w0 - w1;
            if (w0 >= -1e-9 && w1 >= -1e-9 && w2 >= -1e-9)
                fn(x, y);
        }
}

struct PictureBox {
    int id;
    int c0, c1, r0, r1; // columns and rows, inclusive
};

// The fin pictures: each fin's outline (its front sheet's uv footprint)
// fitted into its rectangle, with alpha fading toward the edges.
const PictureBox FinPictures[5] = {
    {1, 34, 312, 31, 126}, {2, 337, 446, 133, 232}, {4, 113, 225, 138, 179}, {6, 67, 126, 216, 263},
    {3, 194, 324, 220, 258},
};

void PaintSkin(Skin& s, const RestBuild& m)
{
    s.rgba.assign(size_t(s.size) * s.size * 4, 0);
    // Lower band: white, fully opaque, with the fish's side view.
    for (int y = 311; y < s.size; ++y)
        for (int x = 0; x < s.size; ++x) {
            uint8_t* p = s.At(x, y);
            p[0] = p[1] = p[2] = 255;
            p[3] = 255;
        }
    const Placed& body = m.parts[0];
    for (int f = body.firstFace; f < body.firstFace + body.faceCount; ++f) {
        const int a = m.idx[f * 3], b = m.idx[f * 3 + 1], c = m.idx[f * 3 + 2];
        Raster(m.uv[a], m.uv[b], m.uv[c], s.size, [&](int x, int y) {
            if (y < 311)
                return;
            const double v = (y / double(s.size) - 0.6810) / (0.8885 - 0.6810); // 0 back, 1 belly
            const bool stripe = v < 0.45 && int(x / 9.0 + v * 20) % 4 == 0;
            uint8_t* p = s.At(x, y);
            if (v < 0.45) {
                p[0] = uint8_t(stripe ? 20 : 40);
                p[1] = uint8_t(stripe ? 50 : 110);
                p[2] = uint8_t(stripe ? 60 : 120);
            } else {
                p[0] = uint8_t(170 + 60 * v);
                p[1] = uint8_t(180 + 60 * v);
                p[2] = uint8_t(190 + 50 * v);
            }
        });
    }
    // The eye picture.
    const double eu = 4.8064 * EyeX + 0.3210, ev = 0.8250 - 4.8518 * EyeY;
    for (int y = 311; y < s.size; ++y)
        for (int x = 0; x < s.size; ++x) {
            const double d = std::hypot(x + 0.5 - eu * s.size, y + 0.5 - ev * s.size);
            uint8_t* p = s.At(x, y);
            if (d < 6) {
                p[0] = p[1] = p[2] = 10;
            } else if (d < 14) {
                p[0] = 200;
                p[1] = 190;
                p[2] = 120;
            }
        }
    // Fin pictures above the band.
    for (const PictureBox& box : FinPictures) {
        const Placed& pl = m.parts[box.id];
        double u0 = 1e9, u1 = -1e9, v0 = 1e9, v1 = -1e9;
        for (int v = pl.firstVertex; v < pl.firstVertex + pl.sheet; ++v) {
            u0 = std::min(u0, m.uv[v][0]);
            u1 = std::max(u1, m.uv[v][0]);
            v0 = std::min(v0, m.uv[v][1]);
            v1 = std::max(v1, m.uv[v][1]);
        }
        const int w = box.c1 - box.c0 + 1, h = box.r1 - box.r0 + 1;
        std::vector<uint8_t> mask(size_t(w) * h, 0);
        auto fit = [&](const std::array<double, 2>& q) {
            return std::array<double, 2>{(box.c0 + (q[0] - u0) / (u1 - u0) * w) / s.size,
                                         (box.r0 + (q[1] - v0) / (v1 - v0) * h) / s.size};
        };
        for (int f = pl.firstFace; f < pl.firstFace + pl.faceCount / 2; ++f) {
            const int a = m.idx[f * 3], b = m.idx[f * 3 + 1], c = m.idx[f * 3 + 2];
            Raster(fit(m.uv[a]), fit(m.uv[b]), fit(m.uv[c]), s.size, [&](int x, int y) {
                if (x >= box.c0 && x <= box.c1 && y >= box.r0 && y <= box.r1)
                    mask[size_t(y - box.r0) * w + (x - box.c0)] = 1;
            });
        }
        // The outline's corners reach the rectangle's edges.
        for (int v = pl.firstVertex; v < pl.firstVertex + pl.sheet; ++v) {
            const std::array<double, 2> q = fit(m.uv[v]);
            const int x = std::min(box.c1, std::max(box.c0, int(q[0] * s.size)));
            const int y = std::min(box.r1, std::max(box.r0, int(q[1] * s.size)));
            mask[size_t(y - box.r0) * w + (x - box.c0)] = 1;
        }
        // Distance (in texels, chessboard) to the nearest texel outside the fin.
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                if (!mask[size_t(y) * w + x])
                    continue;
                int d = 0;
                for (; d < 4; ++d) {
                    bool edge = false;
                    for (int dy = -d - 1; dy <= d + 1 && !edge; ++dy)
                        for (int dx = -d - 1; dx <= d + 1 && !edge; ++dx) {
                            const int xx = x + dx, yy = y + dy;
                            edge = xx < 0 || yy < 0 || xx >= w || yy >= h || !mask[size_t(yy) * w + xx];
                        }
                    if (edge)
                        break;
                }
                const int a4 = std::min(15, 4 + 3 * d);
                uint8_t* p = s.At(box.c0 + x, box.r0 + y);
                const double shade = 0.5 + 0.5 * double(y) / h;
                p[0] = uint8_t(60 * shade);
                p[1] = uint8_t(120 * shade);
                p[2] = uint8_t(140 * shade);
                p[3] = uint8_t(a4 * 17);
            }
    }
}

} // namespace

HostModel BuildMackerel()
{
    HostModel out;
    RestBuild m;
    m.body = BuildBody();
    // Storage order: body, dorsal, tail, anal, left eye, left pectoral,
    // right pectoral, right pelvic, left pelvic, right eye.
    Append(m, 0, m.body.part, false);
    Append(m, 1, DorsalFin(), true);
    Append(m, 2, TailFin(), true);
    Append(m, 3, AnalFin(), true);
    Append(m, 8, Eye(false), false);
    Append(m, 4, Pectoral(false), true);
    Append(m, 5, Pectoral(true), true);
    Append(m, 7, Pelvic(true), true);
    Append(m, 6, Pelvic(false), true);
    Append(m, 9, Eye(true), false);

    const std::vector<V3> restN = PartNormals(m.pos, m.idx, m.parts, 10);
    std::vector<Range> frameRanges;
    for (uint32_t id = 0; id < 10; ++id) {
        const Placed& pl = m.parts[id];
        frameRanges.push_back(R(id, pl.firstFace, pl.faceCount, pl.firstVertex, pl.vertexCount));
    }

    // Frame 0.
    HostMesh& rest = out.frames[0];
    rest.strideFloats = 8;
    for (size_t i = 0; i < m.pos.size(); ++i)
        PutFish(rest, m.pos[i], restN[i], m.uv[i][0], m.uv[i][1]);
    rest.idx = m.idx;
    rest.ranges = frameRanges;

    // Keyframes: z moved by the swim wave, normals by the rule.
    for (int k = 1; k <= 10; ++k) {
        std::vector<V3> pos = m.pos;
        for (V3& q : pos)
            q.z = Literal(q.z + SwimD(q.x, q.y, k), 6);
        const std::vector<V3> n = PartNormals(pos, m.idx, m.parts, 10);
        HostMesh& f = out.frames[k];
        f.strideFloats = 6;
        for (size_t i = 0; i < pos.size(); ++i)
            PutMorph(f, pos[i], n[i]);
        f.idx = m.idx;
        f.ranges = frameRanges;
    }

    // ---- Pose mesh ----
    PoseVerts poseA[10], poseB[10];
    for (int id : {0, 1, 3, 4, 5, 6, 7, 8, 9}) {
        poseA[id] = RestCopy(m, restN, id);
        poseB[id] = RestCopy(m, restN, id);
    }
    {
        // Body: the lower jaw turns about a hinge behind it (closed in A,
        // open in B); the mouth's corners, the back of the mouth, the upper
        // jaw and the chin move as groups.
        const Body& b = m.body;
        const std::vector<int> jaw = {b.snout, b.At(0, -1, 2), b.At(0, 2, 0), b.At(0, +1, 2), b.At(1, -1, 4),
                                      b.At(1, +1, 4)};
        const std::vector<int> corners = {b.At(0, -1, 1), b.At(0, +1, 1)};
        const std::vector<int> backOfMouth = {b.At(0, -1, 1), b.At(0, +1, 1), b.At(1, -1, 2), b.At(1, +1, 2),
                                              b.At(1, -1, 3), b.At(1, +1, 3), b.At(1, 2, 0),  b.At(2, -1, 3),
                                              b.At(2, +1, 3), b.At(2, -1, 4), b.At(2, +1, 4), b.At(2, -1, 5),
                                              b.At(2, +1, 5), b.At(2, 2, 0)};
        const std::vector<int> upperJaw = {b.At(0, 0, 0), b.At(1, -1, 1), b.At(1, +1, 1)};
        const std::vector<int> chin = {b.At(3, 2, 0)};
        const Placed& pl = m.parts[0];
        // The hinge is level with the snout, so that the snout moves a little
        // toward the tail in both poses.
        const double hx = -0.0112, hy = 0.0020;
        auto turn = [&](PoseVerts& p, double angle) {
            for (int v : jaw) {
                const V3 q = p.pos[v];
                const double dx = q.x - hx, dy = q.y - hy;
                const V3 to(hx + dx * std::cos(angle) - dy * std::sin(angle),
                            hy + dx * std::sin(angle) + dy * std::cos(angle), q.z);
                MoveTo(p, pl, v, to);
            }
        };
        turn(poseA[0], -0.1228);
        Move(poseA[0], pl, corners, V3(0, 0.0005, 0));
        turn(poseB[0], 0.1329);
        Move(poseB[0], pl, backOfMouth, V3(-0.0021, -0.0004, 0));
        Move(poseB[0], pl, upperJaw, V3(0.0003, 0.0004, 0));
        Move(poseB[0], pl, chin, V3(-0.0006, -0.0003, 0));
        RuleOnPose(poseA[0], m, 0);
        RuleOnPose(poseB[0], m, 0);
    }
    {
        // Dorsal fin folded in B: its free edge (front sheet 7..13) in three groups.
        const Placed& pl = m.parts[1];
        Move(poseB[1], pl, {7}, V3(0.0044, -0.0051, 0));
        Move(poseB[1], pl, {8, 9}, V3(0.0151, -0.0164, 0));
        Move(poseB[1], pl, {10, 11, 12, 13}, V3(0.0095, -0.0066, 0));
        RuleOnPose(poseB[1], m, 1);
    }
    {
        // Anal fin folded in B; normals stay the rest pose's.
        const Placed& pl = m.parts[3];
        Move(poseB[3], pl, {3, 4}, V3(0.0088, 0.0070, 0));
        Move(poseB[3], pl, {5}, V3(0.0141, 0.0140, 0));
    }
    {
        // Pectoral fins spread in A about their roots; normals unchanged.
        const Placed& l = m.parts[4];
        PoseVerts& a = poseA[4];
        Move(a, l, {0}, V3(0, 0, 0.0027));
        Move(a, l, {3}, V3(0, 0, 0.0034));
        MoveTo(a, l, 2, V3(0.0022, a.pos[2].y, -0.0577));
        MoveTo(a, l, 1, V3(0.0030, a.pos[1].y, -0.0420));
        const Placed& r = m.parts[5];
        PoseVerts& c = poseA[5];
        Move(c, r, {0}, V3(0, 0, -0.0019));
        Move(c, r, {3}, V3(0, 0, -0.0029));
        MoveTo(c, r, 2, V3(0.0027, c.pos[2].y + 0.0011, 0.0588));
        MoveTo(c, r, 1, V3(0.0035, c.pos[1].y + 0.0009, 0.0430));
    }
    {
        // Pelvic fins folded in B: the two free corners toward the tail and up.
        Move(poseB[6], m.parts[6], {2, 3}, V3(0.0200, 0.0188, 0));
        Move(poseB[7], m.parts[7], {2, 3}, V3(0.0205, 0.0190, 0));
        RuleOnPose(poseB[6], m, 6);
        RuleOnPose(poseB[7], m, 7);
    }
    {
        // Eyes: the pupil disc (the first 13 vertices) toward the head in A
        // and toward the tail in B.
        std::vector<int> disc;
        for (int k = 0; k < 13; ++k)
            disc.push_back(k);
        Move(poseA[8], m.parts[8], disc, V3(-0.0012, -0.0002, 0));
        Move(poseB[8], m.parts[8], disc, V3(0.0024, -0.0005, 0));
        Move(poseA[9], m.parts[9], disc, V3(-0.0014, -0.0005, 0));
        Move(poseB[9], m.parts[9], disc, V3(0.0023, 0.0000, 0));
        for (int id : {8, 9}) {
            RuleOnPose(poseA[id], m, id);
            RuleOnPose(poseB[id], m, id);
        }
    }
    {
        // Pose ranges: (pose range, part, which pose) with the table's spans.
        struct PoseRange {
            uint32_t fs, fc, vs, vc;
            int part;
            bool b;
        };
        const PoseRange table[18] = {
            {236, 24, 119, 28, 1, false}, {664, 24, 410, 28, 1, true}, {260, 8, 147, 12, 3, false},
            {688, 8, 438, 12, 3, true},   {700, 4, 458, 8, 4, false},  {304, 4, 184, 8, 4, true},
            {696, 4, 450, 8, 5, false},   {308, 4, 192, 8, 5, true},   {316, 4, 208, 8, 6, false},
            {704, 4, 466, 8, 6, true},    {312, 4, 200, 8, 7, false},  {708, 4, 474, 8, 7, true},
            {0, 236, 0, 119, 0, false},   {428, 236, 291, 119, 0, true}, {356, 36, 241, 25, 8, false},
            {268, 36, 159, 25, 8, true},  {320, 36, 216, 25, 9, false}, {392, 36, 266, 25, 9, true},
        };
        HostMesh& p = out.pose;
        p.strideFloats = 6;
        p.v.assign(482 * 6, 0.0f);
        p.idx.assign(712 * 3, 0);
        for (uint32_t r = 0; r < 18; ++r) {
            const PoseRange& e = table[r];
            const Placed& base = m.parts[e.part];
            const PoseVerts& pv = e.b ? poseB[e.part] : poseA[e.part];
            for (uint32_t k = 0; k < e.vc; ++k) {
                const float f[6] = {float(pv.pos[k].x), float(pv.pos[k].y), float(pv.pos[k].z),
                                    float(pv.nrm[k].x), float(pv.nrm[k].y), float(pv.nrm[k].z)};
                std::copy(f, f + 6, p.v.begin() + (e.vs + k) * 6);
            }
            for (uint32_t t = 0; t < e.fc * 3; ++t)
                p.idx[e.fs * 3 + t] = uint16_t(m.idx[base.firstFace * 3 + t] - base.firstVertex + e.vs);
            p.ranges.push_back(R(r, e.fs, e.fc, e.vs, e.vc));
        }
    }

    // ---- Low-detail mesh ----
    {
        HostMesh& low = out.low;
        low.strideFloats = 8;
        const Body& b = m.body;
        // A coarse sphere over rest-body vertices: both poles and five rings.
        const int pick[5] = {1, 3, 5, 8, 9};
        std::vector<Tri> sphere;
        FanRing(b.snout, b.rings[pick[0]], sphere);
        for (int r = 0; r + 1 < 5; ++r)
            ZipRings(b.rings[pick[r]], b.rings[pick[r + 1]], sphere);
        FanRing(b.tail, b.rings[pick[4]], sphere);
        for (Tri& t : sphere)
            t = OrientBody(m.pos, t);
        // Two snout triangles stand alone on vertices of their own; a third is
        // stored twice, with both windings.
        const Tri loneA = sphere[2], loneB = sphere[7], twice = sphere[4];
        std::vector<Tri> rest;
        for (size_t k = 0; k < sphere.size(); ++k)
            if (k != 2 && k != 7 && k != 4)
                rest.push_back(sphere[k]);
        // Vertex numbers: the doubled triangle's corners 53, 58, 60; the lone
        // triangles' own vertices 13-15 and 54-56; the others in ring order.
        std::map<int, int> number; // rest vertex -> low vertex
        const int twiceSlots[3] = {53, 58, 60};
        for (int k = 0; k < 3; ++k)
            number[twice[k]] = twiceSlots[k];
        std::vector<int> free;
        for (int s = 0; s < 62; ++s)
            if (s != 13 && s != 14 && s != 15 && s != 54 && s != 55 && s != 56 && s != 53 && s != 58 && s != 60)
                free.push_back(s);
        size_t next = 0;
        std::vector<int> order{b.snout};
        for (int r : pick)
            for (const RingPoint& q : b.rings[r])
                order.push_back(q.vertex);
        order.push_back(b.tail);
        for (int v : order)
            if (!number.count(v))
                number[v] = free[next++];
        std::vector<int> source(62, -1); // low vertex -> rest vertex
        for (auto& kv : number)
            source[kv.second] = kv.first;
        for (int k = 0; k < 3; ++k) {
            source[13 + k] = loneA[k];
            source[54 + k] = loneB[k];
        }
        auto mapTri = [&](const Tri& t) { return Tri{number[t[0]], number[t[1]], number[t[2]]}; };
        std::vector<Tri> tris;
        size_t ri = 0;
        for (int slot = 0; slot < 109; ++slot) {
            if (slot == 5)
                tris.push_back({13, 14, 15});
            else if (slot == 55)
                tris.push_back({54, 55, 56});
            else if (slot == 73)
                tris.push_back(mapTri(twice));
            else if (slot == 74) {
                const Tri t = mapTri(twice);
                tris.push_back({t[0], t[2], t[1]});
            } else
                tris.push_back(mapTri(rest[ri++]));
        }
        std::vector<V3> pos(118);
        std::vector<std::array<double, 2>> uv(118);
        for (int v = 0; v < 62; ++v) {
            pos[v] = m.pos[source[v]];
            uv[v] = {double(out.frames[0].v[source[v] * 8 + 6]), double(out.frames[0].v[source[v] * 8 + 7])};
        }
        std::vector<V3> nrm(118);
        std::vector<uint16_t> idx;
        for (const Tri& t : tris)
            for (int k = 0; k < 3; ++k)
                idx.push_back(uint16_t(t[k]));
        // Paired fins: copies of rest ranges 4, 5, 7, 6, the pectorals moved
        // toward the body.
        const int finIds[4] = {4, 5, 7, 6};
        const double shift[4] = {0.001171, -0.001188, 0, 0};
        int v = 62;
        for (int f = 0; f < 4; ++f) {
            const Placed& pl = m.parts[finIds[f]];
            const int first = v;
            for (int k = 0; k < pl.vertexCount; ++k, ++v) {
                const int src = pl.firstVertex + k;
                pos[v] = m.pos[src];
                if (shift[f] != 0)
                    pos[v].z = Literal(pos[v].z + shift[f], 6);
                uv[v] = {double(out.frames[0].v[src * 8 + 6]), double(out.frames[0].v[src * 8 + 7])};
                nrm[v] = restN[src];
            }
            for (int t = pl.firstFace * 3; t < (pl.firstFace + pl.faceCount) * 3; ++t)
                idx.push_back(uint16_t(m.idx[t] - pl.firstVertex + first));
        }
        // Tail, dorsal and anal fins: rectangles in z = 0 over their skin rectangles.
        const double rects[3][8] = {
            {0.1211, 0.1707, -0.0179, 0.0329, 0.6448, 0.9043, 0.2377, 0.5033},
            {0.0052, 0.1232, 0.0083, 0.0494, 0.0727, 0.6312, 0.0466, 0.2530},
            {0.0383, 0.0969, -0.0238, -0.0004, 0.3564, 0.6543, 0.4200, 0.5214},
        };
        for (const auto& r : rects) {
            const int first = v;
            const double cx[4] = {r[0], r[1], r[1], r[0]}, cy[4] = {r[2], r[2], r[3], r[3]};
            for (int k = 0; k < 4; ++k) {
                pos[v + k] = StorePosition(V3(cx[k], cy[k], 0));
                uv[v + k] = {cx[k] == r[0] ? r[4] : r[5], cy[k] == r[2] ? r[7] : r[6]};
            }
            for (int k = 0; k < 4; ++k) {
                pos[v + 4 + k] = pos[v + 3 - k];
                uv[v + 4 + k] = uv[v + 3 - k];
            }
            std::vector<Tri> front = {Facing(pos, {first, first + 1, first + 2}, V3(0, 0, -1)),
                                      Facing(pos, {first, first + 2, first + 3}, V3(0, 0, -1))};
            auto twin = [&](int q) { return first + 4 + (3 - (q - first)); };
            for (const Tri& t : front)
                for (int k = 0; k < 3; ++k)
                    idx.push_back(uint16_t(t[k]));
            for (const Tri& t : front) {
                idx.push_back(uint16_t(twin(t[0])));
                idx.push_back(uint16_t(twin(t[2])));
                idx.push_back(uint16_t(twin(t[1])));
            }
            v += 8;
        }
        // Normals by the rule over the whole mesh (the paired fins keep the
        // rest pose's, which follow the same rule).
        const std::vector<V3> rule = RuleNormals(pos, idx, 0, idx.size() / 3);
        for (int q = 0; q < 118; ++q) {
            if (q >= 62 && q < 94)
                continue;
            const V3 s = StoreTurned(rule[q]);
            nrm[q] = V3(Literal(s.x, 4), Literal(s.y, 4), Literal(s.z, 4));
        }
        for (int q = 0; q < 118; ++q)
            PutFish(low, pos[q], nrm[q], uv[q][0], uv[q][1]);
        low.idx = idx;
        const uint32_t None = 0xFFFFFFFFu;
        low.ranges = {R(0, 0, 137, 0, 118),   R(1, None, 0, None, 0),  R(2, None, 0, None, 0),
                      R(3, None, 0, None, 0), R(4, 109, 4, 62, 8),     R(5, 113, 4, 70, 8),
                      R(6, 121, 4, 86, 8),    R(7, 117, 4, 78, 8)};
    }

    Skin skin;
    PaintSkin(skin, m);
    out.skinSize = skin.size;
    out.skinRgba = skin.rgba;
    return out;
}

} // namespace mackerelgen

// Builds the stage: twelve pieces of flat polygons (terraced blocks as
// prisms of a stepped outline, a pillar with a faceted curved side, six step
// and bar boxes), each polygon over vertices of its own, with a flat normal,
// a baked colour and box-projected texture coordinates.
#include "StageModel.h"

#include "../common/MeshKitInline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numeric>

namespace stagegen {
namespace {

using namespace meshkit;


struct Polygon {
    std::vector<V3> ring; // in order, wound about `facing`
    V3 facing;
    bool fan = false;
    V3 centre;
    std::vector<V3> normals; // per ring vertex when set; otherwise the face's normal
};

// One piece: its polygons in vertex order, and where its vertices go.
struct Piece {
    std::vector<Polygon> polygons;
    std::vector<std::array<int, 2>> spans; // global vertex runs [first, last]
};

// Newell normal of a ring.
V3 Newell(const std::vector<V3>& r)
{
    V3 n;
    for (size_t i = 0; i < r.size(); ++i) {
        const V3& a = r[i];
        const V3& b = r[(i + 1) % r.size()];
        n.x += (a.y - b.y) * (a.z + b.z);
        n.y += (a.z - b.z) * (a.x + b.x);
        n.z += (a.x - b.x) * (a.y + b.y);
    }
    return n;
}

// Local triangles of a polygon (indices into its own vertex list; a fan's
// centre is vertex 0). Ear clipping in the polygon's plane, keeping only
// strictly convex ears with no other vertex inside or on them.
std::vector<std::array<int, 3>> Triangulate(const Polygon& p)
{
    std::vector<std::array<int, 3>> out;
    const int n = int(p.ring.size());
    if (p.fan) {
        for (int k = 0; k < n; ++k)
            out.push_back({0, 1 + k, 1 + (k + 1) % n});
        return out;
    }
    const V3 f = Normalised(p.facing);
    const V3 any = std::fabs(f.x) < 0.9 ? V3(1, 0, 0) : V3(0, 1, 0);
    const V3 e1 = Normalised(Cross(any, f));
    const V3 e2 = Cross(f, e1);
    std::vector<std::array<double, 2>> q(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i)
        q[i] = {Dot(p.ring[i], e1), Dot(p.ring[i], e2)};
    auto cross = [&](int a, int b, int c) {
        return (q[b][0] - q[a][0]) * (q[c][1] - q[a][1]) - (q[b][1] - q[a][1]) * (q[c][0] - q[a][0]);
    };
    std::vector<int> left(static_cast<size_t>(n));
    std::iota(left.begin(), left.end(), 0);
    while (left.size() > 3) {
        bool clipped = false;
        for (size_t k = 0; k < left.size() && !clipped; ++k) {
            const int a = left[(k + left.size() - 1) % left.size()], b = left[k], c = left[(k + 1) % left.size()];
            if (cross(a, b, c) <= 1e-9)
                continue;
            bool empty = true;
            for (int o : left) {
                if (o == a || o == b || o == c)
                    continue;
                if (cross(a, b, o) >= -1e-12 && cross(b, c, o) >= -1e-12 && cross(c, a, o) >= -1e-12) {
                    empty = false;
                    break;
                }
            }
            if (!empty)
                continue;
            out.push_back({a, b, c});
            left.erase(left.begin() + long(k));
            clipped = true;
        }
        if (!clipped)
            return {}; // reported by the checks as a wrong triangle count
    }
    out.push_back({left[0], left[1], left[2]});
    return out;
}

Polygon MakePolygon(std::vector<V3> ring, const V3& facing)
{
    if (Dot(Newell(ring), facing) < 0)
        std::reverse(ring.begin(), ring.end());
    Polygon p;
    p.ring = ring;
    p.facing = facing;
    return p;
}

void Box(Piece& pc, double x0, double x1, double y0, double y1, double z0, double z1)
{
    auto quad = [&](V3 a, V3 b, V3 c, V3 d, V3 f) { pc.polygons.push_back(MakePolygon({a, b, c, d}, f)); };
    quad({x0, y0, z0}, {x1, y0, z0}, {x1, y1, z0}, {x0, y1, z0}, {0, 0, -1});
    quad({x0, y0, z1}, {x1, y0, z1}, {x1, y1, z1}, {x0, y1, z1}, {0, 0, 1});
    quad({x0, y0, z0}, {x0, y1, z0}, {x0, y1, z1}, {x0, y0, z1}, {-1, 0, 0});
    quad({x1, y0, z0}, {x1, y1, z0}, {x1, y1, z1}, {x1, y0, z1}, {1, 0, 0});
    quad({x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}, {0, 1, 0});
    quad({x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1}, {0, -1, 0});
}

struct Split {
    int edge;
    double t;
    bool both; // also on the edge's side face
};

// Split points spread over the outline's edges (all but the open one) by
// length; the first `both` of them also split their side face.
std::vector<Split> Spread(const std::vector<std::array<double, 2>>& outline, int openEdge, int count, int both)
{
    const int m = int(outline.size());
    std::vector<int> per(size_t(m), 0);
    auto length = [&](int e) {
        const auto& a = outline[e];
        const auto& b = outline[(e + 1) % m];
        return std::hypot(b[0] - a[0], b[1] - a[1]);
    };
    for (int k = 0; k < count; ++k) {
        int best = -1;
        double bestLen = -1;
        for (int e = 0; e < m; ++e) {
            if (e == openEdge)
                continue;
            const double l = length(e) / (per[e] + 1);
            if (l > bestLen + 1e-9)
                best = e, bestLen = l;
        }
        ++per[best];
    }
    std::vector<Split> out;
    for (int e = 0; e < m; ++e)
        for (int k = 0; k < per[e]; ++k)
            out.push_back({e, double(k + 1) / (per[e] + 1), false});
    for (int k = 0; k < both && k < int(out.size()); ++k)
        out[size_t(k) * out.size() / size_t(std::max(both, 1))].both = true;
    return out;
}

// A block: the outline (counter-clockwise in x, y) extruded from z0 to z1;
// the front face at z0 (a fan about `centre` when fan is set), a side face
// on every outline edge but the open one, and the back face at z1 when
// asked for.
void Prism(Piece& pc, const std::vector<std::array<double, 2>>& outline, double z0, double z1, int openEdge,
           bool back, bool fan, std::array<double, 2> centre, const std::vector<Split>& splits)
{
    const int m = int(outline.size());
    auto at = [&](int e, double t, double z) {
        const auto& a = outline[e];
        const auto& b = outline[(e + 1) % m];
        return V3(a[0] + (b[0] - a[0]) * t, a[1] + (b[1] - a[1]) * t, z);
    };
    // Front face with every split point.
    std::vector<V3> front;
    for (int e = 0; e < m; ++e) {
        front.push_back(at(e, 0, z0));
        for (const Split& s : splits)
            if (s.edge == e)
                front.push_back(at(e, s.t, z0));
    }
    Polygon f = MakePolygon(front, V3(0, 0, -1));
    if (fan) {
        f.fan = true;
        f.centre = V3(centre[0], centre[1], z0);
    }
    pc.polygons.push_back(f);
    for (int e = 0; e < m; ++e) {
        if (e == openEdge)
            continue;
        const auto& a = outline[e];
        const auto& b = outline[(e + 1) % m];
        std::vector<V3> ring{at(e, 0, z0)};
        for (const Split& s : splits)
            if (s.edge == e && s.both)
                ring.push_back(at(e, s.t, z0));
        ring.push_back(at(e, 1, z0));
        ring.push_back(at(e, 1, z1));
        ring.push_back(at(e, 0, z1));
        pc.polygons.push_back(MakePolygon(ring, V3(b[1] - a[1], -(b[0] - a[0]), 0)));
    }
    if (back) {
        std::vector<V3> ring;
        for (int e = 0; e < m; ++e)
            ring.push_back(at(e, 0, z1));
        pc.polygons.push_back(MakePolygon(ring, V3(0, 0, 1)));
    }
}

// Turns unit vector a toward unit vector b by the fraction f of the angle
// between them.
V3 Slerp(const V3& a, const V3& b, double f)
{
    const double t = std::acos(std::max(-1.0, std::min(1.0, Dot(a, b))));
    return Normalised(a * std::sin((1 - f) * t) + b * std::sin(f * t));
}

// Pillar: a flat top at y1 (a fan) over a 12-point outline in x, z, and
// three upright facets of its curved side down to y0. The middle facet's
// corners carry normals between it and its neighbours: 18.5 degrees toward
// the first facet at one edge, 9 degrees toward the third at the other.
void Pillar(Piece& pc)
{
    const double y0 = -24.0385, y1 = -6.21;
    std::vector<std::array<double, 2>> xz = {{-29.82, -1.39}, {-27.0, -1.39}, {-24.0, -1.39}, {-21.12, -1.39},
                                             {-21.12, -4.0}};
    // The curved side: three facets turning 37 degrees each.
    const double turns[3] = {-95.0, -132.0, -169.0};
    for (double a : turns) {
        const auto& p = xz.back();
        xz.push_back({p[0] + 2.5 * std::cos(a * Pi / 180), p[1] + 2.5 * std::sin(a * Pi / 180)});
    }
    xz.push_back({-27.5, -8.94});
    xz.push_back({-29.82, -8.94});
    xz.push_back({-29.82, -6.0});
    xz.push_back({-29.82, -3.5});
    for (auto& q : xz)
        q = {Literal(q[0], 4), Literal(q[1], 4)};
    std::vector<V3> top;
    for (const auto& q : xz)
        top.push_back(V3(q[0], y1, q[1]));
    Polygon t = MakePolygon(top, V3(0, 1, 0));
    t.fan = true;
    t.centre = V3(-25.5, y1, -5.0);
    pc.polygons.push_back(t);
    V3 facet[3];
    for (int e = 4; e < 7; ++e) {
        const auto& a = xz[e];
        const auto& b = xz[e + 1];
        // Outward: the outline runs clockwise seen from +y in x, z.
        const V3 out(-(b[1] - a[1]), 0, b[0] - a[0]);
        facet[e - 4] = Normalised(out);
        pc.polygons.push_back(
            MakePolygon({V3(a[0], y1, a[1]), V3(b[0], y1, b[1]), V3(b[0], y0, b[1]), V3(a[0], y0, a[1])}, out));
    }
    Polygon& middle = pc.polygons[2];
    for (const V3& q : middle.ring) {
        if (std::fabs(q.x - xz[5][0]) < 1e-9 && std::fabs(q.z - xz[5][1]) < 1e-9)
            middle.normals.push_back(Slerp(facet[1], facet[0], 0.5));
        else
            middle.normals.push_back(Slerp(facet[1], facet[2], 9.0 / 37.0));
    }
}

using Outline = std::vector<std::array<double, 2>>;

std::array<double, 2> Uv(const V3& p, const V3& n)
{
    const double a = 0.1 * p.x - 1.1484, b = 0.1 * p.y + 1.0862, c = 0.1 * p.z + 0.2105;
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    if (ax >= ay && ax >= az)
        return n.x > 0 ? std::array<double, 2>{c, b} : std::array<double, 2>{1 - c, b};
    if (ay >= az)
        return n.y > 0 ? std::array<double, 2>{a, c} : std::array<double, 2>{1 - a, c};
    return n.z > 0 ? std::array<double, 2>{1 - a, b} : std::array<double, 2>{a, b};
}

// Baked light: by the face's axis, shaded along the surface.
V3 Colour(const V3& p, const V3& n)
{
    const double shade = 0.55 + 0.45 * (0.5 + 0.5 * std::sin(0.13 * p.x + 0.07 * p.y + 0.11 * p.z));
    const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    V3 base;
    if (ay >= ax && ay >= az)
        base = n.y > 0 ? V3(0.55, 0.708, 0.40) : V3(0, 0, 0);
    else if (ax >= az)
        base = n.x > 0 ? V3(0.45, 0.56, 0.33) : V3(0.10, 0.13, 0.07);
    else
        base = n.z < 0 ? V3(0.50, 0.62, 0.38) : V3(0.010, 0.012, 0.006);
    return base * shade;
}

} // namespace

HostStage BuildStage()
{
    std::vector<Piece> pieces(12);
    const std::array<double, 2> none{0, 0};
    {
        const Outline o = {{-24.81, -22.77}, {45.31, -22.77}, {45.31, -8.0},  {45.31, 7.37},  {40.60, 7.37},
                           {40.60, 4.75},    {36.0, 4.75},    {31.0, 4.75},   {31.0, 2.10},   {26.5, 2.10},
                           {22.0, 2.10},     {22.0, -0.52},   {12.0, -0.52},  {12.0, -3.14},  {2.45, -3.14},
                           {2.45, -4.52},    {-6.27, -4.52},  {-6.27, -3.14}, {-24.81, -3.14}, {-24.81, -12.0}};
        Prism(pieces[0], o, -7.16, -1.05, 0, false, false, none, Spread(o, 0, 39, 0));
    }
    {
        const Outline o = {{-24.82, -13.01}, {65.33, -13.01}, {65.33, -8.0},   {65.33, -2.88},  {55.0, -2.88},
                           {45.0, -2.88},    {35.0, -2.88},   {24.22, -2.88},  {24.22, -3.90},  {15.0, -3.90},
                           {8.0, -3.90},     {8.0, -4.95},    {0.0, -4.95},    {-6.0, -4.95},   {-6.0, -6.14},
                           {-12.0, -6.14},   {-18.0, -6.14},  {-24.82, -6.14}, {-24.82, -8.0},  {-24.82, -9.5},
                           {-24.82, -11.0},  {-24.82, -12.2}};
        Prism(pieces[1], o, -13.5601, -6.85, 0, false, false, none, Spread(o, 0, 44, 5));
    }
    Pillar(pieces[2]);
    {
        const Outline o = {{3.68, 6.51},  {11.54, 6.51}, {11.54, 8.5}, {11.54, 10.08},
                           {8.0, 10.08},  {5.5, 10.08},  {3.68, 10.08}, {3.68, 8.0}};
        Prism(pieces[3], o, 14.53, 18.10, 0, false, false, none, Spread(o, 0, 10, 0));
    }
    Box(pieces[4], 29.41, 49.14, 6.27, 8.41, 12.81, 14.96);
    Box(pieces[5], 29.41, 49.14, 6.27, 8.41, 15.96, 18.10);
    Box(pieces[6], -2.14, 3.13, -0.61, 0.51, 4.67, 5.89);
    {
        const Outline o = {{-50.67, -23.50}, {12.64, -23.50}, {12.64, -10.0},  {12.64, 4.25},  {10.2, 4.25},
                           {10.2, 1.30},     {7.8, 1.30},     {7.8, -1.52},    {0.0, -1.52},   {-10.0, -1.52},
                           {-20.0, -1.52},   {-30.0, -1.52},  {-40.0, -1.52},  {-50.67, -1.52}, {-50.67, -8.0},
                           {-50.67, -13.0},  {-50.67, -18.0}};
        Prism(pieces[7], o, -3.56, 7.71, 0, false, true, {11.0, -12.0}, Spread(o, 0, 22, 0));
    }
    Box(pieces[8], -2.33, 3.18, -1.83, -0.94, 2.42, 3.93);
    Box(pieces[9], -2.35, 3.13, 1.56, 2.74, 6.76, 7.95);
    {
        const Outline o = {
            {-51.0987, -23.50}, {85.7633, -23.50}, {85.7633, -12.0}, {85.7633, -1.58}, {75.0, -1.58},
            {66.0, -1.58},      {66.0, 2.50},      {58.0, 2.50},     {51.0, 2.50},     {51.0, 5.90},
            {40.0, 5.90},       {28.0, 5.90},      {28.0, 7.60},     {20.0, 7.60},     {14.0, 7.60},
            {14.0, 9.06},       {8.0, 9.06},       {2.0, 9.06},      {-3.58, 9.06},    {-3.58, 11.2041},
            {-9.0, 11.2041},    {-15.0, 11.2041},  {-21.07, 11.2041}, {-21.07, 8.50},  {-26.0, 8.50},
            {-31.0, 8.50},      {-31.0, 5.20},     {-36.0, 5.20},    {-41.0, 5.20},    {-41.0, 1.80},
            {-46.0, 1.80},      {-51.0987, 1.80},  {-51.0987, -4.0}, {-51.0987, -10.0}, {-51.0987, -16.0},
            {-51.0987, -20.0}};
        Prism(pieces[10], o, -3.30, 19.3494, 0, true, false, none, Spread(o, 0, 27, 20));
    }
    Box(pieces[11], -3.16, 3.58, 3.69, 4.80, 8.58, 9.69);

    // Global vertex runs per piece.
    const int runs[12][4] = {{0, 134, -1, -1},   {135, 289, -1, -1}, {290, 314, -1, -1}, {315, 360, -1, -1},
                             {361, 384, -1, -1}, {385, 408, -1, -1}, {409, 432, -1, -1}, {433, 509, 558, 584},
                             {510, 533, -1, -1}, {534, 557, -1, -1}, {585, 842, 867, 867}, {843, 866, -1, -1}};

    HostStage out;
    const int vertexCount = 868;
    std::vector<V3> pos(vertexCount), nrm(vertexCount), polyNormal(vertexCount);
    std::vector<std::array<double, 2>> uv(vertexCount);
    std::vector<int> filled(vertexCount, 0);
    for (int k = 0; k < 12; ++k) {
        std::vector<int> slots;
        for (int r = 0; r < 2; ++r)
            if (runs[k][2 * r] >= 0)
                for (int v = runs[k][2 * r]; v <= runs[k][2 * r + 1]; ++v)
                    slots.push_back(v);
        size_t next = 0;
        for (const Polygon& p : pieces[k].polygons) {
            std::vector<V3> verts;
            if (p.fan)
                verts.push_back(p.centre);
            verts.insert(verts.end(), p.ring.begin(), p.ring.end());
            const V3 n = Normalised(Newell(p.ring));
            const auto tris = Triangulate(p);
            std::vector<int> global;
            for (size_t i = 0; i < verts.size(); ++i) {
                const int g = next < slots.size() ? slots[next] : -1;
                ++next;
                global.push_back(g);
                if (g < 0)
                    continue;
                pos[g] = V3(Literal(verts[i].x, 4), Literal(verts[i].y, 4), Literal(verts[i].z, 4));
                polyNormal[g] = n;
                nrm[g] = (p.normals.empty() || (p.fan && i == 0)) ? n : p.normals[p.fan ? i - 1 : i];
                uv[g] = Uv(verts[i], n);
                ++filled[g];
            }
            for (const auto& t : tris) {
                if (global[t[0]] < 0 || global[t[1]] < 0 || global[t[2]] < 0)
                    continue;
                for (int c = 0; c < 3; ++c)
                    out.idx.push_back(uint16_t(global[t[c]]));
            }
        }
        if (next != slots.size())
            out.idx.clear(); // a piece whose polygons do not fill its vertex runs fails the checks
    }
    // Colours: the baked light.
    std::vector<V3> colour(vertexCount);
    for (int g = 0; g < vertexCount; ++g) {
        colour[g] = Colour(pos[g], polyNormal[g]);
        colour[g] = V3(Literal(colour[g].x, 4), Literal(colour[g].y, 4), Literal(colour[g].z, 4));
    }
    // A reddish cast on the 48 highest vertices of faces turned to -x, then
    // black where the light does not reach: faces turned to -y, then those
    // turned to +z, then the deepest of the rest (the tops last).
    auto black = [&](int g) { return colour[g].x == 0 && colour[g].y == 0 && colour[g].z == 0; };
    std::vector<int> order(vertexCount);
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) { return pos[a].y > pos[b].y; });
    std::vector<int> reddish(vertexCount, 0);
    int reddishCount = 0;
    for (int g : order) {
        if (reddishCount == 48)
            break;
        if (polyNormal[g].x < -0.9 && !black(g)) {
            colour[g] = V3(Literal(colour[g].y * 1.3, 4), colour[g].y, colour[g].z);
            reddish[g] = 1;
            ++reddishCount;
        }
    }
    int zeros = 0;
    for (int g = 0; g < vertexCount; ++g)
        zeros += black(g);
    auto rank = [&](int g) { return polyNormal[g].z > 0.9 ? 0 : (polyNormal[g].y > 0.9 ? 2 : 1); };
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        return rank(a) != rank(b) ? rank(a) < rank(b) : pos[a].y < pos[b].y;
    });
    for (int g : order) {
        if (zeros >= 238)
            break;
        if (black(g) || reddish[g])
            continue;
        colour[g] = V3(0, 0, 0);
        ++zeros;
    }
    for (int g = 0; g < vertexCount; ++g) {
        const V3 s = StoreTurned(nrm[g]);
        const float f[11] = {float(pos[g].x),   float(pos[g].y),  float(pos[g].z),   Literal(s.x, 4),
                             Literal(s.y, 4),   Literal(s.z, 4),  float(colour[g].x), float(colour[g].y),
                             float(colour[g].z), Literal(uv[g][0], 4), Literal(uv[g][1], 4)};
        out.v.insert(out.v.end(), f, f + 11);
    }
    return out;
}

} // namespace stagegen

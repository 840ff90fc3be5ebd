#include "StageCheck.h"

#include "../common/MeshKitInline.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <set>
#include <tuple>

namespace stagecheck {
namespace {

using meshkit::V3;
using Fails = std::vector<std::string>;

using meshkit::Fail;

const float* At(const StageView& s, int i) { return s.v + size_t(i) * 11; }
V3 P(const StageView& s, int i) { return V3(At(s, i)[0], At(s, i)[1], At(s, i)[2]); }
V3 N(const StageView& s, int i) { return V3(At(s, i)[3], At(s, i)[4], At(s, i)[5]); }
V3 C(const StageView& s, int i) { return V3(At(s, i)[6], At(s, i)[7], At(s, i)[8]); }
int Idx(const StageView& s, int t, int k) { return s.idx[size_t(t) * 3 + k]; }
V3 FaceNormal(const StageView& s, int t)
{
    return meshkit::FaceNormal(P(s, Idx(s, t, 0)), P(s, Idx(s, t, 1)), P(s, Idx(s, t, 2)));
}

struct PieceRow {
    int first, last, first2, last2, triangles;
    double x0, x1, y0, y1, z0, z1;
};
const PieceRow Pieces[12] = {
    {0, 134, -1, -1, 95, -24.81, 45.31, -22.77, 7.37, -7.16, -1.05},
    {135, 289, -1, -1, 111, -24.82, 65.33, -13.01, -2.88, -13.56, -6.85},
    {290, 314, -1, -1, 18, -29.82, -21.12, -24.04, -6.21, -8.94, -1.39},
    {315, 360, -1, -1, 30, 3.68, 11.54, 6.51, 10.08, 14.53, 18.10},
    {361, 384, -1, -1, 12, 29.41, 49.14, 6.27, 8.41, 12.81, 14.96},
    {385, 408, -1, -1, 12, 29.41, 49.14, 6.27, 8.41, 15.96, 18.10},
    {409, 432, -1, -1, 12, -2.14, 3.13, -0.61, 0.51, 4.67, 5.89},
    {433, 509, 558, 584, 71, -50.67, 12.64, -23.50, 4.25, -3.56, 7.71},
    {510, 533, -1, -1, 12, -2.33, 3.18, -1.83, -0.94, 2.42, 3.93},
    {534, 557, -1, -1, 12, -2.35, 3.13, 1.56, 2.74, 6.76, 7.95},
    {585, 842, 867, 867, 185, -51.10, 85.76, -23.50, 11.20, -3.30, 19.35},
    {843, 866, -1, -1, 12, -3.16, 3.58, 3.69, 4.80, 8.58, 9.69},
};

int PieceOf(int v)
{
    for (int k = 0; k < 12; ++k)
        if ((v >= Pieces[k].first && v <= Pieces[k].last) || (v >= Pieces[k].first2 && v <= Pieces[k].last2))
            return k;
    return -1;
}

bool Shape(const StageView& s, Fails& f)
{
    if (!s.v || !s.idx || s.vertexCount != 868 || s.faceCount != 582) {
        Fail(f, "the stage has %d vertices and %d triangles; want 868 and 582", s.vertexCount, s.faceCount);
        return false;
    }
    return true;
}

void CheckPieces(const StageView& s, Fails& f)
{
    if (!Shape(s, f))
        return;
    // Triangles piece by piece, each within one piece's vertices.
    int t = 0;
    for (int k = 0; k < 12; ++k)
        for (int n = 0; n < Pieces[k].triangles; ++n, ++t)
            for (int c = 0; c < 3; ++c)
                if (PieceOf(Idx(s, t, c)) != k)
                    Fail(f, "triangle %d (of piece %d) uses vertex %d of piece %d", t, k + 1, Idx(s, t, c),
                         PieceOf(Idx(s, t, c)) + 1);
    // Each piece's window, to two places.
    for (int k = 0; k < 12; ++k) {
        double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
        for (int v = 0; v < 868; ++v)
            if (PieceOf(v) == k) {
                const V3 p = P(s, v);
                const double q[3] = {p.x, p.y, p.z};
                for (int a = 0; a < 3; ++a)
                    lo[a] = std::min(lo[a], q[a]), hi[a] = std::max(hi[a], q[a]);
            }
        const PieceRow& r = Pieces[k];
        const double want[6] = {r.x0, r.x1, r.y0, r.y1, r.z0, r.z1};
        for (int a = 0; a < 3; ++a)
            if (!(std::fabs(lo[a] - want[2 * a]) <= 0.0051 && std::fabs(hi[a] - want[2 * a + 1]) <= 0.0051))
                Fail(f, "piece %d spans axis %d %.4f..%.4f; want %.2f..%.2f", k + 1, a, lo[a], hi[a], want[2 * a],
                     want[2 * a + 1]);
    }
    // The whole mesh's spans.
    const double want[6] = {-51.0987, 85.7633, -24.0385, 11.2041, -13.5601, 19.3494};
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (int v = 0; v < 868; ++v) {
        const V3 p = P(s, v);
        const double q[3] = {p.x, p.y, p.z};
        for (int a = 0; a < 3; ++a)
            lo[a] = std::min(lo[a], q[a]), hi[a] = std::max(hi[a], q[a]);
    }
    for (int a = 0; a < 3; ++a)
        if (!(std::fabs(lo[a] - want[2 * a]) <= 1e-4 && std::fabs(hi[a] - want[2 * a + 1]) <= 1e-4))
            Fail(f, "the stage spans axis %d %.4f..%.4f; want %.4f..%.4f", a, lo[a], hi[a], want[2 * a],
                 want[2 * a + 1]);
}

void CheckIndices(const StageView& s, Fails& f)
{
    if (!Shape(s, f))
        return;
    std::vector<int> used(868, 0);
    for (int t = 0; t < 582; ++t) {
        const int a = Idx(s, t, 0), b = Idx(s, t, 1), c = Idx(s, t, 2);
        if (a >= 868 || b >= 868 || c >= 868) {
            Fail(f, "triangle %d indexes past the vertices", t);
            continue;
        }
        ++used[a], ++used[b], ++used[c];
        if (a == b || b == c || a == c)
            Fail(f, "triangle %d repeats a vertex", t);
        else if (!(meshkit::Length(meshkit::Cross(P(s, b) - P(s, a), P(s, c) - P(s, a))) > 1e-9))
            Fail(f, "triangle %d has no area", t);
    }
    for (int v = 0; v < 868; ++v)
        if (!used[v])
            Fail(f, "vertex %d is not used", v);
}

// Seen from the side its normal points to, each triangle runs clockwise: its
// normal (p1 - p0) x (p2 - p0) is the face's, which the vertices' stored
// normals give; tops face +y.
void CheckWinding(const StageView& s, Fails& f)
{
    if (!Shape(s, f))
        return;
    int tops = 0;
    for (int t = 0; t < 582; ++t) {
        const V3 n = FaceNormal(s, t);
        for (int c = 0; c < 3; ++c) {
            const V3 stored = meshkit::UnturnStored(N(s, Idx(s, t, c)));
            if (!(meshkit::AngleDeg(n, stored) < 20))
                Fail(f, "triangle %d turns against its vertex %d's normal", t, Idx(s, t, c));
        }
        tops += n.y > 0.99;
    }
    if (tops == 0)
        Fail(f, "no triangle faces +y");
}

void CheckPositions(const StageView& s, Fails& f)
{
    if (!Shape(s, f))
        return;
    std::set<std::tuple<float, float, float>> distinct;
    for (int v = 0; v < 868; ++v)
        distinct.insert(std::make_tuple(At(s, v)[0], At(s, v)[1], At(s, v)[2]));
    if (distinct.size() != 414)
        Fail(f, "%zu distinct positions; want 414", distinct.size());
}

void CheckNormals(const StageView& s, Fails& f)
{
    if (!Shape(s, f))
        return;
    std::vector<V3> sum(868);
    for (int t = 0; t < 582; ++t) {
        const V3 n = FaceNormal(s, t);
        for (int c = 0; c < 3; ++c)
            sum[Idx(s, t, c)] = sum[Idx(s, t, c)] + n;
    }
    int off = 0;
    for (int v = 0; v < 868; ++v) {
        const double l = meshkit::Length(N(s, v));
        if (!(std::fabs(l - 1) <= 1e-4))
            Fail(f, "vertex %d's normal has length %.6f", v, l);
        const V3 stored = meshkit::UnturnStored(N(s, v));
        const double a = meshkit::AngleDeg(stored, meshkit::Normalised(sum[v]));
        if (a <= 0.2)
            continue;
        ++off;
        // The curved side of piece 3: between two facets, 9 to 18.5 degrees off.
        bool between = false;
        if (PieceOf(v) == 2 && a >= 9 - 0.05 && a <= 18.5 + 0.05)
            for (int t = 0; t < 582 && !between; ++t) {
                if (PieceOf(Idx(s, t, 0)) != 2)
                    continue;
                const V3 g = FaceNormal(s, t);
                const V3 r = meshkit::Normalised(sum[v]);
                const double span = meshkit::AngleDeg(r, g);
                between = span > 1 && std::fabs(meshkit::AngleDeg(stored, r) + meshkit::AngleDeg(stored, g) - span) < 0.05;
            }
        if (!between)
            Fail(f, "vertex %d's normal is %.3f degrees off the rule", v, a);
    }
    if (off != 4)
        Fail(f, "%d vertices depart from the normals rule; want the 4 of the curved side", off);
}

bool Zero(const V3& c) { return c.x == 0 && c.y == 0 && c.z == 0; }

void CheckColours(const StageView& s, Fails& f)
{
    if (!Shape(s, f))
        return;
    int zeros = 0, ordered = 0;
    for (int v = 0; v < 868; ++v) {
        const V3 c = C(s, v);
        if (!(c.x >= 0 && c.y >= 0 && c.z >= 0 && c.x <= 0.708 + 1e-7 && c.y <= 0.708 + 1e-7 && c.z <= 0.708 + 1e-7))
            Fail(f, "vertex %d's colour (%.4f, %.4f, %.4f) lies outside [0, 0.708]", v, c.x, c.y, c.z);
        if (Zero(c))
            ++zeros;
        else
            ordered += c.y >= c.x && c.x >= c.z;
    }
    if (zeros != 238)
        Fail(f, "%d vertices are black; want 238", zeros);
    if (ordered != 582)
        Fail(f, "%d of the coloured vertices have g >= r >= b; want 582", ordered);
    for (int t = 0; t < 582; ++t)
        if (FaceNormal(s, t).y < -0.9)
            for (int c = 0; c < 3; ++c)
                if (!Zero(C(s, Idx(s, t, c))))
                    Fail(f, "vertex %d of a face turned to -y is not black", Idx(s, t, c));
}

void CheckTextureCoordinates(const StageView& s, Fails& f)
{
    if (!Shape(s, f))
        return;
    double lo[2] = {1e9, 1e9}, hi[2] = {-1e9, -1e9};
    for (int t = 0; t < 582; ++t) {
        const V3 n = FaceNormal(s, t);
        const double ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
        for (int c = 0; c < 3; ++c) {
            const int v = Idx(s, t, c);
            const V3 p = P(s, v);
            const double a = 0.1 * p.x - 1.1484, b = 0.1 * p.y + 1.0862, cc = 0.1 * p.z + 0.2105;
            double u, w;
            if (ax >= ay && ax >= az)
                u = n.x > 0 ? cc : 1 - cc, w = b;
            else if (ay >= az)
                u = n.y > 0 ? a : 1 - a, w = cc;
            else
                u = n.z > 0 ? 1 - a : a, w = b;
            const double tu = At(s, v)[9], tv = At(s, v)[10];
            if (!(std::fabs(tu - u) <= 1e-4 && std::fabs(tv - w) <= 1e-4))
                Fail(f, "vertex %d of triangle %d: uv (%.4f, %.4f), want (%.4f, %.4f)", v, t, tu, tv, u, w);
        }
    }
    for (int v = 0; v < 868; ++v)
        for (int k = 0; k < 2; ++k)
            lo[k] = std::min(lo[k], double(At(s, v)[9 + k])), hi[k] = std::max(hi[k], double(At(s, v)[9 + k]));
    if (!(std::fabs(lo[0] + 6.4279) <= 1e-4 && std::fabs(hi[0] - 7.4279) <= 1e-4 && std::fabs(lo[1] + 1.3177) <= 1e-4 &&
          std::fabs(hi[1] - 2.2066) <= 1e-4))
        Fail(f, "tu spans %.4f..%.4f and tv %.4f..%.4f; want -6.4279..7.4279 and -1.3177..2.2066", lo[0], hi[0], lo[1],
             hi[1]);
}

void CheckFaces(const StageView& s, Fails& f)
{
    if (!Shape(s, f))
        return;
    for (int t = 0; t < 582; ++t) {
        const V3 n = FaceNormal(s, t);
        const bool axis = std::fabs(n.x) > 1 - 1e-6 || std::fabs(n.y) > 1 - 1e-6 || std::fabs(n.z) > 1 - 1e-6;
        if (!axis && std::fabs(n.y) > 0.016)
            Fail(f, "triangle %d is neither axis-aligned nor upright (normal y %.4f)", t, n.y);
    }
}

} // namespace

const std::vector<NamedCheck>& StageChecks()
{
    static const std::vector<NamedCheck> checks = {
        {"pieces", CheckPieces},     {"indices", CheckIndices}, {"winding", CheckWinding},
        {"positions", CheckPositions}, {"normals", CheckNormals}, {"colours", CheckColours},
        {"texture coordinates", CheckTextureCoordinates}, {"faces", CheckFaces},
    };
    return checks;
}

} // namespace stagecheck

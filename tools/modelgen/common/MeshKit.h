// Shared building blocks of the fish-model generators: literal rounding as
// the compiled-in data stores it (positions to 6 decimals, normals and
// texture coordinates to 4, each the nearest float), triangulation of rings
// and polylines, the stored-normal rule, and the C++ source writer for
// vertex initialisers, index lists and range tables.
#pragma once

#include "../../common/Pi.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

struct P3 {
    double x = 0, y = 0, z = 0;
};
inline P3 operator+(P3 a, P3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline P3 operator-(P3 a, P3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline P3 operator*(P3 a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline P3 operator-(P3 a) { return {-a.x, -a.y, -a.z}; }
inline double Dot(P3 a, P3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline P3 Cross(P3 a, P3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
inline double Length(P3 a) { return std::sqrt(Dot(a, a)); }
inline P3 Normalize(P3 a)
{
    double l = Length(a);
    return l > 0 ? a * (1.0 / l) : P3{};
}
// A surface direction (a, b, c) is stored turned a quarter turn about x.
inline P3 ToStored(P3 d) { return {d.x, -d.z, d.y}; }
inline P3 FromStored(P3 s) { return {s.x, s.z, -s.y}; }

using Tri = std::array<int, 3>;

// The literal of v with `places` decimals (trailing zeros dropped) and the
// float the compiler makes of it.
std::string Literal(double v, int places);
float LiteralFloat(double v, int places);
// Position / normal / texture literals as the data stores them.
inline double Pos(double v) { return LiteralFloat(v, 6); }
inline double Unit4(double v) { return LiteralFloat(v, 4); }
inline P3 PosOf(P3 p) { return {Pos(p.x), Pos(p.y), Pos(p.z)}; }
inline P3 NormalOf(P3 n) { return {Unit4(n.x), Unit4(n.y), Unit4(n.z)}; }

// Unit triangle normal (p1 - p0) x (p2 - p0), normalised.
P3 FaceNormal(const std::vector<P3>& pos, const Tri& t);
// The rule: per vertex the normalised sum of the unit normals of the
// triangles (of `tris`) that use it, as a surface direction; zero where
// no triangle uses it or the sum vanishes.
std::vector<P3> RuleDirections(const std::vector<P3>& pos, const std::vector<Tri>& tris);
// Angle in degrees between two directions.
double AngleDegrees(P3 a, P3 b);

// Strip between two open polylines (indices into pos), walked by their
// normalised arc length: a.size() + b.size() - 2 triangles.
void ZipOpen(const std::vector<P3>& pos, const std::vector<int>& a, const std::vector<int>& b, std::vector<Tri>& out);
// Band between two closed rings, each with a parameter in [0, 1) per
// vertex increasing along the ring and starting near 0: a.size() +
// b.size() triangles.
void ZipClosed(const std::vector<int>& a, const std::vector<double>& pa, const std::vector<int>& b,
               const std::vector<double>& pb, std::vector<Tri>& out);
// Fan from a centre over a closed ring: ring.size() triangles.
void FanClosed(int centre, const std::vector<int>& ring, std::vector<Tri>& out);
// Reverses t when its normal points away from `toward`.
void OrientToward(const std::vector<P3>& pos, Tri& t, P3 toward);

// Affine map value = a + b * s through two points.
struct Affine1 {
    double a = 0, b = 0;
    static Affine1 Through(double s1, double v1, double s2, double v2)
    {
        Affine1 m;
        m.b = (v2 - v1) / (s2 - s1);
        m.a = v1 - m.b * s1;
        return m;
    }
    double operator()(double s) const { return a + b * s; }
};

struct RangeRow {
    uint32_t id, faceStart, faceCount, vertexStart, vertexCount;
};

// One vertex array as its generated initialiser writes it.
struct VertexArrayText {
    std::string function;   // initialiser's name
    std::string target;     // array expression, e.g. "SardineVertices.rest"
    bool fish = true;       // FishVertex (with uv) or MorphVertex
};

// Writes "target[i] = FishVertex(...)" / "MorphVertex(...)" statements for
// every vertex, in index order, inside a function of the given name.
std::string EmitVertexInitialiser(const VertexArrayText& a, const std::vector<P3>& pos, const std::vector<P3>& nrm,
                                  const std::vector<double>& tu, const std::vector<double>& tv, int posPlaces = 6);
// Braced initialiser lists for an index list and a range table.
std::string EmitIndices(const std::vector<Tri>& tris, const std::string& indent);
std::string EmitRanges(const std::vector<RangeRow>& rows, const std::string& indent);

// FNV-1a over the float bytes of an array of values (written beside the
// data so the tests can tell an emission fault from a data fault).
uint32_t HashFloats(const std::vector<float>& values);
// HashFloats over each vertex's position and normal, followed by its texture
// coordinates where tu and tv are given.
uint32_t HashVertices(const std::vector<P3>& pos, const std::vector<P3>& nrm, const std::vector<double>* tu,
                      const std::vector<double>* tv);

// Error collection of a generator's self-check.
struct CheckLog {
    int failures = 0;
    std::string name;
    void Fail(const char* fmt, ...);
    bool Expect(bool ok, const char* fmt, ...);
};

// A two-sided fin: appends the sheet's points to pos, then the same points
// again; the first copy's triangles (sheet, indices into pts) are turned to
// face `face`, the second copy's are the first's reversed. A flat sheet
// whose triangles need different turns folds over itself: logged.
void AddTwoSidedSheet(std::vector<P3>& pos, std::vector<Tri>& tris, const std::vector<P3>& pts,
                      const std::vector<Tri>& sheet, P3 face, CheckLog& log);

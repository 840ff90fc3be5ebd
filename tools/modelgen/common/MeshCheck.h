// Structural checks the fish-model generators run over what they write:
// index lists, range tiling, closed surfaces, fin sheets and the normal
// rule. Each failing check is reported through the CheckLog.
#pragma once

#include "MeshKit.h"

#include <algorithm>
#include <cmath>
#include <set>

// Indices below vertexCount, every vertex used, no repeated vertex in a
// triangle, no triangle twice (as a vertex set), no zero-area triangle.
// (The duplicate test is left out where a mesh stores a triangle twice.)
void CheckIndexList(CheckLog& log, const std::vector<P3>& pos, const std::vector<Tri>& tris, int vertexCount,
                    bool noDuplicates = true);
// Each range's triangles use only (and all) of its vertex run; the runs
// tile the faces and the vertices.
void CheckRangeTiling(CheckLog& log, const std::vector<Tri>& tris, const std::vector<RangeRow>& rows, int vertexCount);
// Every directed edge of the range's triangles has exactly one reverse
// (except edges listed in `allowedExtra`, as vertex pairs used 4 times),
// and the enclosed volume is positive (outward winding).
void CheckClosedOutward(CheckLog& log, const std::vector<P3>& pos, const std::vector<Tri>& tris,
                        const RangeRow& r, const std::set<std::pair<int, int>>& fourFold = {},
                        const std::set<int>& skipTriangles = {});
// Triangles of the second half of a fin that are the reverse (by vertex
// positions) of a triangle of the first half.
int ReversedSheetPairs(const std::vector<P3>& pos, const std::vector<Tri>& tris, const RangeRow& r);
// Stored normals against the rule, per range (each range's own triangles),
// within tolDegrees; unit length within 1e-4.
void CheckNormalRule(CheckLog& log, const char* what, const std::vector<P3>& pos, const std::vector<P3>& nrm,
                     const std::vector<Tri>& tris, const std::vector<RangeRow>& rows, double tolDegrees,
                     const std::set<int>& exempt = {});

// |a - b| within half (with a hair of slack for the decimal tolerances).
inline bool Near(double a, double b, double half) { return std::fabs(a - b) <= half * 1.0001 + 1e-12; }
// Widens the box lo..hi to hold p.
inline void GrowBox(P3& lo, P3& hi, const P3& p)
{
    lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
    hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
}
// Each range's texture coordinates span its region {u0, u1, v0, v1} within
// 0.0005.
void CheckUvRegions(CheckLog& log, const std::vector<double>& tu, const std::vector<double>& tv,
                    const RangeRow* ranges, const double (*regions)[4], int count);
// The swim's half-cycle mirror: frames k and k + 5 (k = 1 to 5) lie either
// side of the rest pose in z, within 2e-6. Stops at the first failure and
// returns false.
bool CheckMirrorFrames(CheckLog& log, const std::vector<P3>* framePos, const std::vector<P3>& rest, int vertexCount);
// A vertex the rest pose must hold: position within 5e-6, normal and
// texture coordinates within 5e-5.
struct ReferenceVertex {
    int v;
    P3 p;
    P3 n;
    double u, t;
};
void CheckReferenceVertices(CheckLog& log, const std::vector<P3>& pos, const std::vector<P3>& nrm,
                            const std::vector<double>& tu, const std::vector<double>& tv, const ReferenceVertex* rows,
                            int count);
// The tail tip's z in keyframes 1 to 10 (tipZ[k - 1]), within 5e-6.
void CheckTailTip(CheckLog& log, const std::vector<P3>* framePos, int vertex, const double* tipZ);

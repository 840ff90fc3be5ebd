// Structural checks the fish-model generators run over what they write:
// index lists, range tiling, closed surfaces, fin sheets and the normal
// rule. Each failing check is reported through the CheckLog.
#pragma once

#include "MeshKit.h"

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

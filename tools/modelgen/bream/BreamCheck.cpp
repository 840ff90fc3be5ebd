#include "BreamCheck.h"

#include "common/MeshCheck.h"

#include <algorithm>
#include <cstdio>
#include <set>

namespace breamgen {

void CheckBream(CheckLog& log, const Model& md)
{
    const Mesh& m = md.rest;
    std::vector<RangeRow> rows(Ranges, Ranges + 10);
    log.Expect(m.pos.size() == size_t(VertexCount) && m.tris.size() == size_t(FaceCount), "counts %zu / %zu",
               m.pos.size(), m.tris.size());
    CheckIndexList(log, m.pos, m.tris, VertexCount);
    CheckRangeTiling(log, m.tris, rows, VertexCount);
    CheckClosedOutward(log, m.pos, m.tris, Ranges[0]);
    const int pairs[10] = {0, 11, 46, 6, 2, 2, 2, 2, 0, 0};
    for (int r = 1; r <= 7; ++r)
        log.Expect(ReversedSheetPairs(m.pos, m.tris, Ranges[r]) == pairs[r], "range %d has %d reversed pairs", r,
                   ReversedSheetPairs(m.pos, m.tris, Ranges[r]));
    for (int k = 0; k < Frames; ++k) {
        char what[32];
        std::snprintf(what, sizeof what, "frame %d", k);
        CheckNormalRule(log, what, md.framePos[k], md.frameNrm[k], m.tris, rows, 0.1);
    }
    // Eyes within 0.018 of their centres.
    for (int e = 0; e < 2; ++e) {
        P3 c = e == 0 ? P3{-0.1063, 0.0242, 0.0227} : P3{-0.1063, 0.0242, -0.0243};
        for (int v = 164 + 37 * e; v < 201 + 37 * e; ++v)
            log.Expect(Length(m.pos[v] - c) <= 0.018, "eye vertex %d is %.4f from its centre", v, Length(m.pos[v] - c));
    }
    const ReferenceVertex tell[4] = {{18, {-0.00465, 0.13075, -0.00013}, {0, 1, 0}, 0.1257, 0.2364},
                         {74, {0.35211, 0.08590, -0.00013}, {0, 1, 0}, 0.9505, 0.0065},
                         {142, {0.08350, -0.10031, 0.01687}, PelvicNormal, 0.5319, 0.2969},
                         {250, {-0.14780, -0.01451, -0.00103}, SnoutNormal, 0.0218, 0.8169}};
    CheckReferenceVertices(log, m.pos, md.frameNrm[0], m.tu, m.tv, tell, 4);
    CheckTailTip(log, md.framePos, 74, TailTipZ);
    P3 lo{1, 1, 1}, hi{-1, -1, -1}, rlo{1, 1, 1}, rhi{-1, -1, -1};
    for (int k = 0; k < Frames; ++k)
        for (const P3& p : md.framePos[k])
            GrowBox(lo, hi, p);
    for (const P3& p : m.pos)
        GrowBox(rlo, rhi, p);
    log.Expect(Near(lo.x, -0.14780, 5e-6) && Near(hi.x, 0.35211, 5e-6) && Near(lo.y, -0.10031, 5e-6) &&
                   Near(hi.y, 0.13075, 5e-6) && Near(lo.z, -0.09150, 5e-6) && Near(hi.z, 0.09124, 5e-6),
               "box (%.6f %.6f %.6f)-(%.6f %.6f %.6f)", lo.x, lo.y, lo.z, hi.x, hi.y, hi.z);
    log.Expect(Near(rlo.z, -0.0442, 5e-5) && Near(rhi.z, 0.0436, 5e-5), "rest z %.5f..%.5f", rlo.z, rhi.z);
    // uv regions.
    const double regions[10][4] = {{0.022, 1.001, 0.552, 0.933}, {0.041, 0.634, 0.236, 0.508},
                                   {0.549, 0.950, 0.006, 0.349}, {0.639, 0.958, 0.328, 0.529},
                                   {0.017, 0.415, 0.004, 0.265}, {0.017, 0.415, 0.004, 0.265},
                                   {0.257, 0.532, 0.187, 0.297}, {0.257, 0.532, 0.187, 0.297},
                                   {0.096, 0.214, 0.411, 0.534}, {0.096, 0.214, 0.411, 0.534}};
    CheckUvRegions(log, m.tu, m.tv, Ranges, regions, 10);
    if (!CheckMirrorFrames(log, md.framePos, m.pos, VertexCount))
        return;

    // Poses: the shift law, the moved counts, unit normals, the span.
    std::vector<RangeRow> prow(PoseRanges, PoseRanges + 18);
    CheckIndexList(log, md.posePos, md.poseTris, PoseVertexCount);
    CheckRangeTiling(log, md.poseTris, prow, PoseVertexCount);
    for (int e = 0; e < 9; ++e) {
        const RangeRow& br = Ranges[Triples[e][2]];
        int moved = 0;
        for (uint32_t j = 0; j < br.vertexCount; ++j) {
            const P3& r = m.pos[br.vertexStart + j];
            bool differs = false;
            for (int s = 0; s < 2; ++s) {
                const P3& p = md.posePos[PoseRanges[Triples[e][s]].vertexStart + j];
                differs |= float(p.x) != float(r.x) || float(p.y) != float(r.y) || float(p.z) != float(r.z);
                log.Expect(std::fabs(p.x - r.x) <= 0.14 && std::fabs(p.y - r.y) <= 0.14 && std::fabs(p.z - r.z) <= 0.14,
                           "pose range %d vertex %u moves beyond 0.14", Triples[e][s], j);
            }
            moved += differs;
        }
        log.Expect(moved == MovedPerTriple[e], "entry %d moves %d vertices", e, moved);
        // The pose that shows the part at rest (B for the pectorals) within 0.000001.
        const int restPose = (e == 3 || e == 4) ? Triples[e][1] : Triples[e][0];
        if (e < 7)
            for (uint32_t j = 0; j < br.vertexCount; ++j) {
                P3 d = md.posePos[PoseRanges[restPose].vertexStart + j] - m.pos[br.vertexStart + j];
                log.Expect(std::max({std::fabs(d.x), std::fabs(d.y), std::fabs(d.z)}) <= 1e-6,
                           "pose range %d vertex %u is off the rest shape", restPose, j);
            }
    }
    P3 plo{1, 1, 1}, phi{-1, -1, -1};
    for (size_t v = 0; v < md.posePos.size(); ++v) {
        GrowBox(plo, phi, md.posePos[v]);
        log.Expect(std::fabs(Length(md.poseNrm[v]) - 1) <= 1e-4, "pose normal %zu length", v);
    }
    log.Expect(Near(plo.x, -0.1486, 5e-5) && Near(phi.x, 0.2489, 5e-5) && Near(plo.y, -0.1003, 5e-5) &&
                   Near(phi.y, 0.1307, 5e-5) && Near(plo.z, -0.1720, 5e-5) && Near(phi.z, 0.1723, 5e-5),
               "pose span (%.5f %.5f %.5f)-(%.5f %.5f %.5f)", plo.x, plo.y, plo.z, phi.x, phi.y, phi.z);

    // Low mesh: indices, the closed body with the flap, normals, extent, uv.
    const Mesh& l = md.low;
    CheckIndexList(log, l.pos, l.tris, LowVertexCount, false);
    CheckClosedOutward(log, l.pos, l.tris, {0, 30, 126, 50, 64}, {{79, 80}, {77, 80}, {80, 88}});
    log.Expect(l.tris[85] == Tri{l.tris[145][0], l.tris[145][2], l.tris[145][1]} &&
                   l.tris[89] == Tri{l.tris[149][0], l.tris[149][2], l.tris[149][1]},
               "flap triangles");
    const RangeRow pieces[7] = {{0, 0, 10, 0, 14},  {1, 10, 4, 14, 8},  {2, 14, 4, 22, 8},  {3, 18, 2, 30, 4},
                                {4, 20, 2, 34, 4},  {5, 22, 8, 38, 12}, {6, 30, 126, 50, 64}};
    CheckRangeTiling(log, l.tris, std::vector<RangeRow>(pieces, pieces + 7), LowVertexCount);
    std::set<int> exempt = {30, 31, 32, 33, 34, 35, 36, 37, 88};
    CheckNormalRule(log, "low", l.pos, md.lowNrm, l.tris, std::vector<RangeRow>(pieces, pieces + 7), 0.06, exempt);
    P3 llo{1, 1, 1}, lhi{-1, -1, -1};
    double u0 = 9, u1 = -9, t0 = 9, t1 = -9;
    for (int v = 0; v < LowVertexCount; ++v) {
        GrowBox(llo, lhi, l.pos[v]);
        u0 = std::min(u0, l.tu[v]), u1 = std::max(u1, l.tu[v]), t0 = std::min(t0, l.tv[v]), t1 = std::max(t1, l.tv[v]);
    }
    log.Expect(Near(llo.x, -0.1474, 5e-5) && Near(lhi.x, 0.3600, 5e-5) && Near(llo.y, -0.0995, 5e-5) &&
                   Near(lhi.y, 0.1300, 5e-5) && Near(llo.z, -0.0601, 5e-5) && Near(lhi.z, 0.0543, 5e-5),
               "low extent (%.5f %.5f %.5f)-(%.5f %.5f %.5f)", llo.x, llo.y, llo.z, lhi.x, lhi.y, lhi.z);
    log.Expect(Near(u0, 0.0074, 5e-5) && Near(u1, 1.0115, 5e-5) && Near(t0, 0.0068, 5e-5) && Near(t1, 0.9540, 5e-5),
               "low uv u %.4f-%.4f v %.4f-%.4f", u0, u1, t0, t1);
    // No low vertex coincides with a full-mesh vertex.
    for (const P3& p : l.pos)
        for (const P3& q : m.pos)
            if (!log.Expect(!(p.x == q.x && p.y == q.y && p.z == q.z), "a low vertex coincides with the full mesh"))
                return;
}

void CheckSkinCover(CheckLog& log, const Model& md, const SkinPainter& painter)
{
    auto centroidAlpha = [&](const Mesh& m, const char* what) {
        for (size_t f = 0; f < m.tris.size(); ++f) {
            const Tri& t = m.tris[f];
            double u = (m.tu[t[0]] + m.tu[t[1]] + m.tu[t[2]]) / 3, v = (m.tv[t[0]] + m.tv[t[1]] + m.tv[t[2]]) / 3;
            int x = std::min(511, int(u * 512)), y = std::min(511, int(v * 512));
            log.Expect(painter.Alpha(x, y) > 0, "%s triangle %zu samples transparent skin", what, f);
        }
    };
    centroidAlpha(md.rest, "rest");
    centroidAlpha(md.low, "low");
}

} // namespace breamgen

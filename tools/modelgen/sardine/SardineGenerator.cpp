// modelgen sardine <out-dir>: the sardine's rest pose, ten swim keyframes,
// index list, range table, mesh records and skin, written as
// SardineData.cpp and SardineSkinImage.dds after the self-check passes.
//
// Body: a closed surface lofted from a snout pole, six rings (top and
// bottom on the midplane, mirrored flank vertices) and a tail pole; fins:
// two-sided sheets in z = 0. The swim moves z only, by a travelling wave.
#include "GeneratorRegistry.h"
#include "WriteIfChanged.h"
#include "common/MeshCheck.h"
#include "common/MeshKit.h"
#include "common/SkinPainter.h"

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <sstream>

namespace {

const int VertexCount = 138, FaceCount = 224, Frames = 11;
const RangeRow Ranges[3] = {{0, 0, 172, 0, 88}, {1, 172, 12, 88, 16}, {2, 184, 40, 104, 34}};

// Reference vertices of the rest pose (position, normal, uv).
const P3 V0{-0.02982, 0.02398, -0.00475};
const P3 V0Normal{-0.1640, 0.6474, 0.7443};
const P3 Snout{-0.07295, 0.00362, 0};
const P3 SnoutNormal{-0.9995, 0, -0.0321};
const P3 DorsalTop{0.01800, 0.05247, 0};
const P3 TailTip{0.18957, 0.02352, 0};
const double TailTipZ[10] = {-0.00033, -0.01238, -0.01971, -0.01950, -0.01185,
                             0.00033,  0.01238,  0.01971,  0.01950,  0.01185};

// Swim wave: z_k = z_0 + A(x) sin((k - 1) 36 deg + phase - waveRate x).
const double PhaseDeg = 46.516, WaveRateDeg = 1190.063;
const double AmpMin = 0.00148, AmpMax = 0.0206165;

double Amplitude(double x)
{
    double t = (x - Snout.x) / (TailTip.x - Snout.x);
    return AmpMin + (AmpMax - AmpMin) * t * t;
}

double Deg(double d) { return d * Pi / 180.0; }

struct Model {
    std::vector<P3> pos;
    std::vector<double> tu, tv;
    std::vector<Tri> tris;
    std::vector<P3> frameNrm[Frames];
    std::vector<P3> framePos[Frames];
};

// --- body -------------------------------------------------------------

struct BodyRing {
    double x, top, bottom, halfWidth;
    int flank;
};

// Builds the body in local order (snout, rings, tail pole), returns the
// per-vertex centre used to slide a vertex radially.
void BuildBody(std::vector<P3>& pos, std::vector<Tri>& tris, std::vector<P3>& centre, std::vector<int>& ringOf,
               int& v0Local)
{
    // Ring 1 is a regular polygon about the snout's outward direction, turned
    // half a step so that no vertex lies on the midplane: the snout's rule
    // normal is then that direction.
    const P3 d7 = FromStored(SnoutNormal);
    const double ring1Radius = 0.0050, ring1Back = 0.0060;
    const BodyRing rings[6] = {
        {-0.0520, 0.0180, -0.0095, 0.0085, 4},
        {V0.x, 0.0, -0.0140, 0.0120, 6},   // top solved so that V0 lies on it
        {0.0100, 0.0300, -0.018524, 0.0157, 7},
        {0.0500, 0.031427, -0.0160, 0.0140, 6},
        {0.0900, 0.0220, -0.0085, 0.0090, 6},
        {0.1250, 0.0140, -0.0010, 0.0045, 4},
    };
    const int v0Ring = 1;
    pos.push_back(Snout);
    centre.push_back(Snout);
    ringOf.push_back(-1);

    std::vector<std::vector<int>> ringIdx;
    std::vector<std::vector<double>> ringPar;
    {
        P3 c = Snout - d7 * ring1Back;
        P3 up = Normalize(P3{0, 1, 0} - d7 * Dot(P3{0, 1, 0}, d7));
        P3 side{0, 0, -1};
        std::vector<int> idx;
        std::vector<double> par;
        const int n = 8;
        for (int j = 0; j < n; ++j) {
            // The +z half mirrors the -z half exactly.
            int jj = j < n / 2 ? j : n - 1 - j;
            double phi = 2 * Pi * (jj + 0.5) / n;
            P3 p = c + up * (ring1Radius * std::cos(phi)) + side * (ring1Radius * std::sin(phi));
            if (j >= n / 2)
                p.z = -p.z;
            idx.push_back(int(pos.size()));
            par.push_back((j + 0.5) / n);
            pos.push_back(p);
            centre.push_back(c);
            ringOf.push_back(0);
        }
        ringIdx.push_back(idx);
        ringPar.push_back(par);
    }
    for (int r = 0; r < 6; ++r) {
        BodyRing ring = rings[r];
        double theta0 = 0;
        if (r == v0Ring) {
            // Solve the top so that V0 lies on the ellipse at the ring's first
            // flank angle: ((y - yc) / hh)^2 + (z / hw)^2 = 1.
            double k = std::sqrt(1 - (V0.z / ring.halfWidth) * (V0.z / ring.halfWidth));
            ring.top = (2 * V0.y - ring.bottom + k * ring.bottom) / (1 + k);
            theta0 = std::acos(k);
        }
        double yc = (ring.top + ring.bottom) / 2, hh = (ring.top - ring.bottom) / 2, hw = ring.halfWidth;
        std::vector<double> thetas;
        for (int j = 0; j < ring.flank; ++j)
            thetas.push_back(r == v0Ring ? theta0 + j * (Pi - theta0) / ring.flank
                                         : Pi * (j + 1) / (ring.flank + 1));
        std::vector<int> idx;
        std::vector<double> par;
        auto add = [&](double theta, double side) {
            idx.push_back(int(pos.size()));
            par.push_back(side < 0 ? theta / (2 * Pi) : 1 - theta / (2 * Pi));
            double z = hw * std::sin(theta);
            if (theta == 0 || theta == Pi)
                z = 0;
            pos.push_back({ring.x, yc + hh * std::cos(theta), side * z});
            centre.push_back({ring.x, yc, 0});
            ringOf.push_back(r + 1);
        };
        add(0, 1);
        for (int j = 0; j < ring.flank; ++j) {
            if (r == v0Ring && j == 0)
                v0Local = int(pos.size());
            add(thetas[j], -1);
        }
        add(Pi, 1);
        for (int j = ring.flank - 1; j >= 0; --j)
            add(thetas[j], 1);
        ringIdx.push_back(idx);
        ringPar.push_back(par);
    }
    const P3 tail{0.148400, 0.0065, 0};
    int tailIdx = int(pos.size());
    pos.push_back(tail);
    centre.push_back(tail);
    ringOf.push_back(6);

    std::vector<Tri> local;
    FanClosed(0, ringIdx[0], local);
    for (size_t r = 0; r + 1 < ringIdx.size(); ++r)
        ZipClosed(ringIdx[r], ringPar[r], ringIdx[r + 1], ringPar[r + 1], local);
    FanClosed(tailIdx, ringIdx.back(), local);
    // Outward: away from the axis point at the triangle's x.
    const double firstX = centre[ringIdx[0][0]].x, lastX = rings[5].x;
    for (Tri& t : local) {
        P3 c = (pos[t[0]] + pos[t[1]] + pos[t[2]]) * (1.0 / 3);
        double x = std::min(std::max(c.x, firstX), lastX);
        // Axis height by interpolating the ring centres.
        double y = 0;
        for (size_t r = 0; r + 1 < ringIdx.size(); ++r) {
            P3 a = centre[ringIdx[r][0]], b = centre[ringIdx[r + 1][0]];
            if (x >= a.x && x <= b.x) {
                y = a.y + (b.y - a.y) * (x - a.x) / (b.x - a.x);
                break;
            }
        }
        OrientToward(pos, t, c - P3{x, y, 0});
    }
    tris = local;
}

// Slides the neighbours of v (and their mirror twins) along their radial
// direction until every triangle around v lies in the plane normal to d:
// v's rule normal is then d.
void Flatten(std::vector<P3>& pos, const std::vector<Tri>& tris, const std::vector<P3>& centre, int v, P3 d)
{
    std::set<int> around;
    for (const Tri& t : tris)
        for (int k = 0; k < 3; ++k)
            if (t[k] == v)
                for (int m = 0; m < 3; ++m)
                    if (t[m] != v)
                        around.insert(t[m]);
    for (int q : around) {
        P3 radial = pos[q] - centre[q];
        radial.x = 0;
        radial = Normalize(radial);
        double s = -Dot(d, pos[q] - pos[v]) / Dot(d, radial);
        P3 moved = pos[q] + radial * s;
        // The twin on the other flank moves with it.
        for (size_t w = 0; w < pos.size(); ++w)
            if (int(w) != q && pos[q].z != 0 && std::fabs(pos[w].x - pos[q].x) < 1e-12 &&
                std::fabs(pos[w].y - pos[q].y) < 1e-12 && std::fabs(pos[w].z + pos[q].z) < 1e-12)
                pos[w] = {moved.x, moved.y, -moved.z};
        pos[q] = moved;
    }
}

// --- the model ----------------------------------------------------------

void Build(Model& m, CheckLog& log)
{
    // Body (vertices 0-87): local order, then V0 to 0 and the snout to 7.
    std::vector<P3> bpos, centre;
    std::vector<Tri> btris;
    std::vector<int> ringOf;
    int v0Local = -1;
    BuildBody(bpos, btris, centre, ringOf, v0Local);
    bpos[v0Local] = V0;
    for (size_t w = 0; w < bpos.size(); ++w)
        if (std::fabs(bpos[w].x - V0.x) < 1e-12 && std::fabs(bpos[w].y - V0.y) < 1e-9 &&
            std::fabs(bpos[w].z + V0.z) < 1e-9)
            bpos[w] = {V0.x, V0.y, -V0.z};
    Flatten(bpos, btris, centre, v0Local, FromStored(V0Normal));
    std::vector<int> order(bpos.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::swap(order[0], order[v0Local]);  // local 0 is the snout
    int snoutAt = 0;
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] == 0)
            snoutAt = int(i);
    std::swap(order[7], order[snoutAt]);
    std::vector<int> finalOf(order.size());
    for (size_t i = 0; i < order.size(); ++i) {
        finalOf[order[i]] = int(i);
        m.pos.push_back(bpos[order[i]]);
    }
    for (const Tri& t : btris)
        m.tris.push_back({finalOf[t[0]], finalOf[t[1]], finalOf[t[2]]});

    // Dorsal fin (88-103): an 8-gon fanned from its front base; its top
    // (vertex 90) is the front tip.
    std::vector<P3> dorsal = {{0.0195, 0.0270, 0}, {0.0186, 0.0400, 0}, DorsalTop,          {0.0290, 0.0478, 0},
                              {0.0410, 0.0415, 0}, {0.0540, 0.0350, 0}, {0.066200, 0.0290, 0}, {0.0430, 0.0265, 0}};
    std::vector<Tri> dsheet;
    for (int i = 1; i + 1 < 8; ++i)
        dsheet.push_back({0, i, i + 1});
    AddTwoSidedSheet(m.pos, m.tris, dorsal, dsheet, P3{0, 0, -1}, log);

    // Tail fin (104-137): strips between the root (3 points), a middle line
    // (7) and the forked trailing edge (7); the upper tip is vertex 119.
    std::vector<P3> tail = {
        {0.13364, 0.0120, 0},  {0.13364, 0.0065, 0},  {0.13364, 0.0010, 0},                        // root
        {0.1700, 0.03756, 0},  {0.1560, 0.0270, 0},   {0.1500, 0.0170, 0},   {0.1480, 0.0065, 0},  // middle
        {0.1500, -0.0040, 0},  {0.1560, -0.0120, 0},  {0.1580, -0.01855, 0},
        {0.1870, -0.0110, 0},  {0.1790, -0.0040, 0},  {0.1720, 0.0020, 0},   {0.1680, 0.0065, 0},  // edge, from below
        {0.1720, 0.0100, 0},   TailTip,               {0.1800, 0.0160, 0}};
    // Trailing edge top to bottom: 15 (tip), 16, 14, 13, 12, 11, 10.
    std::vector<P3> tpos = tail;
    std::vector<Tri> tsheet;
    ZipOpen(tpos, {0, 1, 2}, {3, 4, 5, 6, 7, 8, 9}, tsheet);
    ZipOpen(tpos, {3, 4, 5, 6, 7, 8, 9}, {15, 16, 14, 13, 12, 11, 10}, tsheet);
    AddTwoSidedSheet(m.pos, m.tris, tail, tsheet, P3{0, 0, -1}, log);

    // Literals: positions to 6 decimals.
    for (P3& p : m.pos)
        p = PosOf(p);

    // Texture coordinates: per part affine in x and y, pinned by the reference
    // vertices and the parts' extremes.
    m.tu.resize(VertexCount);
    m.tv.resize(VertexCount);
    Affine1 bodyU = Affine1::Through(Snout.x, 0.0514, V0.x, 0.2209);
    Affine1 bodyV = Affine1::Through(Snout.y, 0.6862, V0.y, 0.6143);
    Affine1 dorsU = Affine1::Through(DorsalTop.x, 0.1194, 0.066200, 0.3400);
    Affine1 dorsV = Affine1::Through(DorsalTop.y, 0.2743, 0.0265, 0.3910);
    Affine1 tailU = Affine1::Through(TailTip.x, 0.8556, 0.13364, 0.6130);
    Affine1 tailV = Affine1::Through(TailTip.y, 0.2905, 0.03756, 0.2296);
    for (int i = 0; i < VertexCount; ++i) {
        const Affine1& u = i < 88 ? bodyU : i < 104 ? dorsU : tailU;
        const Affine1& v = i < 88 ? bodyV : i < 104 ? dorsV : tailV;
        m.tu[i] = Unit4(u(m.pos[i].x));
        m.tv[i] = Unit4(v(m.pos[i].y));
    }

    // Frames: z moves by the wave; normals by the rule on each frame's own
    // shape, per part.
    for (int k = 0; k < Frames; ++k) {
        m.framePos[k] = m.pos;
        if (k > 0)
            for (P3& p : m.framePos[k]) {
                double z = p.z + Amplitude(p.x) * std::sin(Deg((k - 1) * 36.0 + PhaseDeg - WaveRateDeg * p.x));
                p.z = Pos(z);
            }
        std::vector<P3> nrm(VertexCount);
        for (const RangeRow& r : Ranges) {
            std::vector<Tri> own(m.tris.begin() + r.faceStart, m.tris.begin() + r.faceStart + r.faceCount);
            std::vector<P3> dirs = RuleDirections(m.framePos[k], own);
            for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v)
                nrm[v] = NormalOf(ToStored(dirs[v]));
        }
        // Fin twins: exactly negated normals.
        for (uint32_t r = 1; r < 3; ++r)
            for (uint32_t j = 0; j < Ranges[r].vertexCount / 2; ++j) {
                uint32_t a = Ranges[r].vertexStart + j, b = a + Ranges[r].vertexCount / 2;
                nrm[b] = -nrm[a];
                nrm[b] = {nrm[b].x + 0.0, nrm[b].y + 0.0, nrm[b].z + 0.0};
            }
        m.frameNrm[k] = nrm;
    }
    // The reference vertices' normals as their literals.
    m.frameNrm[0][0] = NormalOf(V0Normal);
    m.frameNrm[0][7] = NormalOf(SnoutNormal);
}

// --- self-check ----------------------------------------------------------

void Check(CheckLog& log, const Model& m)
{
    std::vector<RangeRow> rows(Ranges, Ranges + 3);
    log.Expect(m.pos.size() == size_t(VertexCount) && m.tris.size() == size_t(FaceCount), "counts %zu / %zu",
               m.pos.size(), m.tris.size());
    CheckIndexList(log, m.pos, m.tris, VertexCount);
    CheckRangeTiling(log, m.tris, rows, VertexCount);
    CheckClosedOutward(log, m.pos, m.tris, Ranges[0]);
    log.Expect(ReversedSheetPairs(m.pos, m.tris, Ranges[1]) == 6, "dorsal twin triangles");
    log.Expect(ReversedSheetPairs(m.pos, m.tris, Ranges[2]) == 20, "tail twin triangles");
    for (int k = 0; k < Frames; ++k) {
        char what[32];
        std::snprintf(what, sizeof what, "frame %d", k);
        CheckNormalRule(log, what, m.framePos[k], m.frameNrm[k], m.tris, rows, 1.0);
    }
    // Mirror symmetry of the rest pose: 37 body pairs, 64 vertices on the plane.
    int onPlane = 0, pairs = 0;
    for (int i = 0; i < VertexCount; ++i) {
        if (m.pos[i].z == 0) {
            ++onPlane;
            continue;
        }
        int twins = 0;
        for (int j = 0; j < VertexCount; ++j)
            if (m.pos[j].x == m.pos[i].x && m.pos[j].y == m.pos[i].y && m.pos[j].z == -m.pos[i].z &&
                m.tu[j] == m.tu[i] && m.tv[j] == m.tv[i])
                ++twins;
        log.Expect(twins == 1, "vertex %d has %d mirror twins", i, twins);
        pairs += m.pos[i].z < 0;
    }
    log.Expect(onPlane == 64 && pairs == 37, "%d on the plane, %d pairs", onPlane, pairs);
    // Reference vertices.
    const ReferenceVertex rowsT[4] = {{0, V0, V0Normal, 0.2209, 0.6143},
                          {7, Snout, SnoutNormal, 0.0514, 0.6862},
                          {90, DorsalTop, {0, 1, 0}, 0.1194, 0.2743},
                          {119, TailTip, {0, 1, 0}, 0.8556, 0.2905}};
    CheckReferenceVertices(log, m.pos, m.frameNrm[0], m.tu, m.tv, rowsT, 4);
    CheckTailTip(log, m.framePos, 119, TailTipZ);
    // Bounds over all frames.
    P3 lo{1, 1, 1}, hi{-1, -1, -1};
    for (int k = 0; k < Frames; ++k)
        for (const P3& p : m.framePos[k])
            GrowBox(lo, hi, p);
    log.Expect(Near(lo.x, -0.07295, 5e-6) && Near(hi.x, 0.18957, 5e-6) && Near(lo.y, -0.01855, 5e-6) &&
                   Near(hi.y, 0.05247, 5e-6) && Near(lo.z, -0.01971, 5e-6) && Near(hi.z, 0.01971, 5e-6),
               "box (%.6f %.6f %.6f)-(%.6f %.6f %.6f)", lo.x, lo.y, lo.z, hi.x, hi.y, hi.z);
    double restHalfWidth = 0;
    for (const P3& p : m.pos)
        restHalfWidth = std::max(restHalfWidth, std::fabs(p.z));
    log.Expect(Near(restHalfWidth, 0.0157, 5e-5), "rest half-width %.6f", restHalfWidth);
    // uv regions per part and over the mesh.
    const double regions[3][4] = {{0.051, 0.921, 0.588, 0.764}, {0.119, 0.340, 0.274, 0.391},
                                  {0.613, 0.856, 0.230, 0.473}};
    CheckUvRegions(log, m.tu, m.tv, Ranges, regions, 3);
    // Swim: x and y kept, the half-cycle mirror.
    CheckMirrorFrames(log, m.framePos, m.pos, VertexCount);
}

// --- output ---------------------------------------------------------------

std::string Source(const Model& m)
{
    std::ostringstream s;
    s << "// Generated by modelgen sardine; do not edit.\n"
         "#include \"Sardine.h\"\n#include \"SardineSkinImage.h\"\n\n";
    const char* names[Frames] = {"Rest",      "Keyframe1", "Keyframe2", "Keyframe3", "Keyframe4", "Keyframe5",
                                 "Keyframe6", "Keyframe7", "Keyframe8", "Keyframe9", "Keyframe10"};
    s << "SardineVertexArrays SardineVertices;\n\n";
    s << "const uint16_t SardineIndices[SardineFrameCount][SardineFaceCount * 3] = {\n";
    for (int k = 0; k < Frames; ++k)
        s << "    " << EmitIndices(m.tris, "        ") << ",\n";
    s << "};\n\n";
    s << "const D3DXATTRIBUTERANGE SardineRanges[SardineFrameCount][SardineRangeCount] = {\n";
    for (int k = 0; k < Frames; ++k)
        s << "    " << EmitRanges(std::vector<RangeRow>(Ranges, Ranges + 3), "        ") << ",\n";
    s << "};\n\n";
    s << "const EmbeddedFileRef& SardineSkin = SardineSkinImage.ref;\n\n";
    s << "// Vertex initialisers (InitModelVertices), one per array.\n";
    for (int k = 0; k < Frames; ++k) {
        VertexArrayText a;
        a.function = std::string("InitModelVerticesSardine") + names[k];
        a.target = k == 0 ? "SardineVertices.rest" : "SardineVertices.keyframes[" + std::to_string(k - 1) + "]";
        a.fish = k == 0;
        s << EmitVertexInitialiser(a, m.framePos[k], m.frameNrm[k], m.tu, m.tv);
    }
    s << "namespace {\n\n// Run before the entry, in frame order, ahead of the records below.\n"
         "struct FillSardineVertices {\n    FillSardineVertices()\n    {\n";
    for (int k = 0; k < Frames; ++k)
        s << "        InitModelVerticesSardine" << names[k] << "();\n";
    s << "    }\n} fillSardineVertices;\n\n} // namespace\n\n";
    s << "OruMeshRecord SardineFrames[SardineFrameCount] = {\n";
    for (int k = 0; k < Frames; ++k) {
        s << "    OruMeshRecord(SardineVertexCount, "
          << (k == 0 ? std::string("SardineVertices.rest") : "SardineVertices.keyframes[" + std::to_string(k - 1) + "]")
          << ", SardineFaceCount, const_cast<uint16_t*>(SardineIndices[" << k << "]), "
          << (k == 0 ? "0x112, 32" : "0x12, 24") << ", SardineRanges[" << k << "], SardineRangeCount),\n";
    }
    s << "};\n";
    return s.str();
}

// Hashes of every frame's floats, for the tests to compare against.
std::string HashHeader(const Model& m)
{
    std::ostringstream s;
    s << "// Generated by modelgen sardine; do not edit.\n#pragma once\n\n#include <cstdint>\n\n"
         "const uint32_t SardineFrameHashes[11] = {";
    for (int k = 0; k < Frames; ++k)
        s << (k ? ", " : "") << HashVertices(m.framePos[k], m.frameNrm[k], k ? nullptr : &m.tu, k ? nullptr : &m.tv)
          << "u";
    s << "};\n";
    return s.str();
}

int Generate(const std::string& outDir)
{
    Model m;
    CheckLog log;
    log.name = "sardine";
    Build(m, log);
    Check(log, m);

    // Skin: 256 x 256, the body band in the lower half, the fins above it.
    SkinPainter painter(256, 0.5);
    painter.PaintFootprint(m.tu, m.tv, m.tris, 172, 52);
    std::string dds = EncodeSkin(painter.Image(150, 170, 190));
    CheckSkin(log, dds, painter);
    // Every triangle's uv centroid samples non-zero alpha.
    for (size_t f = 0; f < m.tris.size(); ++f) {
        const Tri& t = m.tris[f];
        int x = int((m.tu[t[0]] + m.tu[t[1]] + m.tu[t[2]]) / 3 * 256), y = int((m.tv[t[0]] + m.tv[t[1]] + m.tv[t[2]]) / 3 * 256);
        log.Expect(painter.Alpha(x, y) > 0, "triangle %zu samples transparent skin", f);
    }
    if (log.failures) {
        std::fprintf(stderr, "sardine: %d checks failed\n", log.failures);
        return 1;
    }
    if (!WriteIfChanged(outDir + "/SardineData.cpp", Source(m)) ||
        !WriteIfChanged(outDir + "/SardineDataHashes.h", HashHeader(m)) ||
        !WriteIfChanged(outDir + "/SardineSkinImage.dds", dds))
        return 1;
    return 0;
}

} // namespace

REEF_GENERATOR(sardine, Generate);

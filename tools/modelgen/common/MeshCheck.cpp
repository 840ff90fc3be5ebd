#include "MeshCheck.h"

#include <algorithm>
#include <map>

void CheckIndexList(CheckLog& log, const std::vector<P3>& pos, const std::vector<Tri>& tris, int vertexCount,
                    bool noDuplicates)
{
    std::vector<int> used(vertexCount, 0);
    std::set<std::array<int, 3>> seen;
    for (size_t i = 0; i < tris.size(); ++i) {
        const Tri& t = tris[i];
        bool inRange = true;
        for (int k = 0; k < 3; ++k)
            inRange &= log.Expect(t[k] >= 0 && t[k] < vertexCount, "triangle %zu index %d out of range", i, t[k]);
        if (!inRange)
            continue;
        for (int k = 0; k < 3; ++k)
            used[t[k]]++;
        log.Expect(t[0] != t[1] && t[1] != t[2] && t[0] != t[2], "triangle %zu repeats a vertex", i);
        std::array<int, 3> key = t;
        std::sort(key.begin(), key.end());
        log.Expect(seen.insert(key).second || !noDuplicates, "triangle %zu is a duplicate", i);
        log.Expect(Length(Cross(pos[t[1]] - pos[t[0]], pos[t[2]] - pos[t[0]])) > 1e-12, "triangle %zu has no area", i);
    }
    for (int v = 0; v < vertexCount; ++v)
        log.Expect(used[v] > 0, "vertex %d unused", v);
}

void CheckRangeTiling(CheckLog& log, const std::vector<Tri>& tris, const std::vector<RangeRow>& rows, int vertexCount)
{
    std::vector<int> faceOwner(tris.size(), -1), vertexOwner(vertexCount, -1);
    for (const RangeRow& r : rows) {
        if (r.faceStart == 0xFFFFFFFFu)
            continue;
        for (uint32_t f = r.faceStart; f < r.faceStart + r.faceCount; ++f)
            if (log.Expect(f < tris.size() && faceOwner[f] < 0, "range %u face %u overlaps", r.id, f))
                faceOwner[f] = int(r.id);
        for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v)
            if (log.Expect(v < uint32_t(vertexCount) && vertexOwner[v] < 0, "range %u vertex %u overlaps", r.id, v))
                vertexOwner[v] = int(r.id);
        std::set<int> usedHere;
        for (uint32_t f = r.faceStart; f < r.faceStart + r.faceCount && f < tris.size(); ++f)
            for (int k = 0; k < 3; ++k) {
                int v = tris[f][k];
                log.Expect(v >= int(r.vertexStart) && v < int(r.vertexStart + r.vertexCount),
                           "range %u face %u uses vertex %d outside its run", r.id, f, v);
                usedHere.insert(v);
            }
        log.Expect(usedHere.size() == r.vertexCount, "range %u uses %zu of its %u vertices", r.id, usedHere.size(),
                   r.vertexCount);
    }
    for (size_t f = 0; f < tris.size(); ++f)
        log.Expect(faceOwner[f] >= 0, "face %zu in no range", f);
    for (int v = 0; v < vertexCount; ++v)
        log.Expect(vertexOwner[v] >= 0, "vertex %d in no range", v);
}

void CheckClosedOutward(CheckLog& log, const std::vector<P3>& pos, const std::vector<Tri>& tris, const RangeRow& r,
                        const std::set<std::pair<int, int>>& fourFold, const std::set<int>& skipTriangles)
{
    std::map<std::pair<int, int>, int> directed;
    std::map<std::pair<int, int>, int> undirected;
    double volume = 0;
    for (uint32_t f = r.faceStart; f < r.faceStart + r.faceCount; ++f) {
        const Tri& t = tris[f];
        for (int k = 0; k < 3; ++k) {
            int a = t[k], b = t[(k + 1) % 3];
            directed[{a, b}]++;
            undirected[{std::min(a, b), std::max(a, b)}]++;
        }
        if (!skipTriangles.count(int(f)))
            volume += Dot(pos[t[0]], Cross(pos[t[1]], pos[t[2]])) / 6.0;
    }
    for (const auto& e : undirected) {
        int expected = fourFold.count(e.first) ? 4 : 2;
        log.Expect(e.second == expected, "range %u edge %d-%d used %d times", r.id, e.first.first, e.first.second,
                   e.second);
        int ab = directed.count(e.first) ? directed[e.first] : 0;
        std::pair<int, int> rev{e.first.second, e.first.first};
        int ba = directed.count(rev) ? directed[rev] : 0;
        log.Expect(ab == ba, "range %u edge %d-%d not walked both ways equally", r.id, e.first.first, e.first.second);
    }
    // (p1 - p0) x (p2 - p0) pointing outward makes the signed volume positive.
    log.Expect(volume > 0, "range %u encloses volume %g (inward winding)", r.id, volume);
}

int ReversedSheetPairs(const std::vector<P3>& pos, const std::vector<Tri>& tris, const RangeRow& r)
{
    uint32_t half = r.faceCount / 2;
    auto same = [&](int a, int b) {
        return pos[a].x == pos[b].x && pos[a].y == pos[b].y && pos[a].z == pos[b].z;
    };
    int pairs = 0;
    for (uint32_t i = 0; i < half; ++i) {
        const Tri& a = tris[r.faceStart + i];
        for (uint32_t j = half; j < r.faceCount; ++j) {
            const Tri& b = tris[r.faceStart + j];
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

void CheckNormalRule(CheckLog& log, const char* what, const std::vector<P3>& pos, const std::vector<P3>& nrm,
                     const std::vector<Tri>& tris, const std::vector<RangeRow>& rows, double tolDegrees,
                     const std::set<int>& exempt)
{
    for (const RangeRow& r : rows) {
        if (r.faceStart == 0xFFFFFFFFu)
            continue;
        std::vector<Tri> own(tris.begin() + r.faceStart, tris.begin() + r.faceStart + r.faceCount);
        std::vector<P3> dirs = RuleDirections(pos, own);
        for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v) {
            log.Expect(std::fabs(Length(nrm[v]) - 1.0) <= 1e-4, "%s vertex %u normal length %.6f", what, v,
                       Length(nrm[v]));
            if (exempt.count(int(v)))
                continue;
            double a = AngleDegrees(FromStored(nrm[v]), dirs[v]);
            log.Expect(Length(dirs[v]) > 0.5 && a <= tolDegrees, "%s vertex %u normal off the rule by %.4f deg", what,
                       v, a);
        }
    }
}

void CheckUvRegions(CheckLog& log, const std::vector<double>& tu, const std::vector<double>& tv,
                    const RangeRow* ranges, const double (*regions)[4], int count)
{
    for (int r = 0; r < count; ++r) {
        double u0 = 9, u1 = -9, t0 = 9, t1 = -9;
        for (uint32_t v = ranges[r].vertexStart; v < ranges[r].vertexStart + ranges[r].vertexCount; ++v) {
            u0 = std::min(u0, tu[v]);
            u1 = std::max(u1, tu[v]);
            t0 = std::min(t0, tv[v]);
            t1 = std::max(t1, tv[v]);
        }
        log.Expect(Near(u0, regions[r][0], 5e-4) && Near(u1, regions[r][1], 5e-4) && Near(t0, regions[r][2], 5e-4) &&
                       Near(t1, regions[r][3], 5e-4),
                   "range %d uv region u %.4f-%.4f v %.4f-%.4f", r, u0, u1, t0, t1);
    }
}

bool CheckMirrorFrames(CheckLog& log, const std::vector<P3>* framePos, const std::vector<P3>& rest, int vertexCount)
{
    for (int k = 1; k <= 5; ++k)
        for (int v = 0; v < vertexCount; ++v)
            if (!log.Expect(std::fabs(framePos[k][v].z + framePos[k + 5][v].z - 2 * rest[v].z) <= 2e-6,
                            "mirror frame %d vertex %d", k, v))
                return false;
    return true;
}

void CheckReferenceVertices(CheckLog& log, const std::vector<P3>& pos, const std::vector<P3>& nrm,
                            const std::vector<double>& tu, const std::vector<double>& tv, const ReferenceVertex* rows,
                            int count)
{
    for (int i = 0; i < count; ++i) {
        const ReferenceVertex& r = rows[i];
        const P3 &p = pos[r.v], &n = nrm[r.v];
        log.Expect(Near(p.x, r.p.x, 5e-6) && Near(p.y, r.p.y, 5e-6) && Near(p.z, r.p.z, 5e-6),
                   "vertex %d position (%.6f %.6f %.6f)", r.v, p.x, p.y, p.z);
        log.Expect(Near(n.x, r.n.x, 5e-5) && Near(n.y, r.n.y, 5e-5) && Near(n.z, r.n.z, 5e-5),
                   "vertex %d normal (%.4f %.4f %.4f)", r.v, n.x, n.y, n.z);
        log.Expect(Near(tu[r.v], r.u, 5e-5) && Near(tv[r.v], r.t, 5e-5), "vertex %d uv (%.4f %.4f)", r.v, tu[r.v],
                   tv[r.v]);
    }
}

void CheckTailTip(CheckLog& log, const std::vector<P3>* framePos, int vertex, const double* tipZ)
{
    for (int k = 1; k <= 10; ++k)
        log.Expect(Near(framePos[k][vertex].z, tipZ[k - 1], 5e-6), "vertex %d frame %d z %.6f", vertex, k,
                   framePos[k][vertex].z);
}

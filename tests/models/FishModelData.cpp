#include "FishModelData.h"

#include "Image.h"
#include "TestApp.h"
#include "TestDevice.h"

#include "scene/PimVertexObject.h"
#include "servers/VBServer.h"
#include "texture/TextureCache.h"

#include <algorithm>
#include <cstring>
#include <set>

namespace fishdata {

V3 Unit(V3 a)
{
    double l = Len(a);
    return l > 0 ? V3{a.x / l, a.y / l, a.z / l} : V3{};
}

double AngleDeg(V3 a, V3 b)
{
    double c = Dot(Unit(a), Unit(b));
    return std::acos(std::max(-1.0, std::min(1.0, c))) * 180.0 / Pi;
}

MeshView View(const OruMeshRecord& r)
{
    MeshView m;
    const uint8_t* base = static_cast<const uint8_t*>(r.vertices);
    for (int i = 0; i < r.vertexCount; ++i) {
        const float* f = reinterpret_cast<const float*>(base + size_t(i) * r.stride);
        m.pos.push_back({f[0], f[1], f[2]});
        m.nrm.push_back({f[3], f[4], f[5]});
        if (r.fvf == 0x112) {
            m.tu.push_back(f[6]);
            m.tv.push_back(f[7]);
        }
    }
    for (int t = 0; t < r.faceCount; ++t)
        m.tris.push_back({r.indices[3 * t], r.indices[3 * t + 1], r.indices[3 * t + 2]});
    return m;
}

std::vector<V3> RuleDirections(const std::vector<V3>& pos, const std::vector<Tri>& tris, uint32_t f0, uint32_t fc)
{
    std::vector<V3> sum(pos.size());
    for (uint32_t f = f0; f < f0 + fc; ++f) {
        const Tri& t = tris[f];
        V3 n = Unit(Cross(pos[t[1]] - pos[t[0]], pos[t[2]] - pos[t[0]]));
        for (int k = 0; k < 3; ++k)
            sum[t[k]] = sum[t[k]] + n;
    }
    return sum;
}

bool SameRange(const D3DXATTRIBUTERANGE& a, const Range& b)
{
    return a.AttribId == b.id && a.FaceStart == b.faceStart && a.FaceCount == b.faceCount &&
           a.VertexStart == b.vertexStart && a.VertexCount == b.vertexCount;
}

uint32_t HashFloats(const float* f, size_t n)
{
    uint32_t h = 2166136261u;
    const unsigned char* p = reinterpret_cast<const unsigned char*>(f);
    for (size_t i = 0; i < n * sizeof(float); ++i) {
        h ^= p[i];
        h *= 16777619u;
    }
    return h;
}

void CheckIndexList(const MeshView& m, const std::vector<Range>& table, const std::vector<uint32_t>& order)
{
    const int vc = int(m.pos.size());
    std::vector<int> used(vc, 0);
    std::set<std::array<int, 3>> seen;
    for (size_t f = 0; f < m.tris.size(); ++f) {
        Tri t = m.tris[f];
        for (int k = 0; k < 3; ++k)
            ASSERT_LT(t[k], vc) << "triangle " << f;
        for (int k = 0; k < 3; ++k)
            used[t[k]]++;
        EXPECT_TRUE(t[0] != t[1] && t[1] != t[2] && t[0] != t[2]) << "triangle " << f;
        std::sort(t.begin(), t.end());
        EXPECT_TRUE(seen.insert(t).second) << "duplicate triangle " << f;
        const Tri& u = m.tris[f];
        EXPECT_GT(Len(Cross(m.pos[u[1]] - m.pos[u[0]], m.pos[u[2]] - m.pos[u[0]])), 1e-12) << "triangle " << f;
    }
    for (int v = 0; v < vc; ++v)
        EXPECT_GT(used[v], 0) << "vertex " << v << " unused";
    uint32_t face = 0, vertex = 0;
    for (uint32_t id : order) {
        const Range& r = table[id];
        EXPECT_EQ(face, r.faceStart) << "range " << id;
        EXPECT_EQ(vertex, r.vertexStart) << "range " << id;
        face += r.faceCount;
        vertex += r.vertexCount;
        std::set<int> touched;
        for (uint32_t f = r.faceStart; f < r.faceStart + r.faceCount; ++f)
            for (int v : m.tris[f]) {
                EXPECT_TRUE(v >= int(r.vertexStart) && v < int(r.vertexStart + r.vertexCount))
                    << "range " << id << " triangle " << f << " uses " << v;
                touched.insert(v);
            }
        EXPECT_EQ(r.vertexCount, touched.size()) << "range " << id;
    }
    EXPECT_EQ(m.tris.size(), face);
    EXPECT_EQ(size_t(vc), vertex);
}

Closure Close(const MeshView& m, uint32_t f0, uint32_t fc)
{
    Closure c;
    std::map<std::pair<int, int>, int> directed;
    for (uint32_t f = f0; f < f0 + fc; ++f) {
        const Tri& t = m.tris[f];
        for (int k = 0; k < 3; ++k) {
            int a = t[k], b = t[(k + 1) % 3];
            directed[{a, b}]++;
            c.uses[{std::min(a, b), std::max(a, b)}]++;
        }
        c.volume += Dot(m.pos[t[0]], Cross(m.pos[t[1]], m.pos[t[2]])) / 6;
    }
    for (const auto& e : c.uses)
        c.balanced &= directed[e.first] == directed[{e.first.second, e.first.first}];
    return c;
}

} // namespace fishdata

using namespace fishdata;

namespace {

int ReversedPairs(const MeshView& m, const Range& r)
{
    auto same = [&](int a, int b) {
        return m.pos[a].x == m.pos[b].x && m.pos[a].y == m.pos[b].y && m.pos[a].z == m.pos[b].z;
    };
    int pairs = 0;
    const uint32_t half = r.faceCount / 2;
    for (uint32_t i = 0; i < half; ++i) {
        const Tri& a = m.tris[r.faceStart + i];
        for (uint32_t j = half; j < r.faceCount; ++j) {
            const Tri& b = m.tris[r.faceStart + j];
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

std::vector<uint8_t> Inflate(const EmbeddedFileRef& ref)
{
    const BYTE* file = nullptr;
    size_t size = 0;
    if (FAILED(InflateEmbeddedFile(ref.data, ref.size, ImageInflateBuffer, ImageInflateBufferSize, &file, &size)))
        return {};
    return std::vector<uint8_t>(file, file + size);
}

int AlphaNibble(const std::vector<uint8_t>& dds, int size, int x, int y)
{
    const size_t at = 128 + (size_t(y / 4) * (size / 4) + size_t(x / 4)) * 16;
    const int i = (y % 4) * 4 + x % 4;
    return i % 2 ? dds[at + i / 2] >> 4 : dds[at + i / 2] & 15;
}

uint32_t Get32(const std::vector<uint8_t>& d, size_t at)
{
    uint32_t v;
    std::memcpy(&v, d.data() + at, 4);
    return v;
}

// A record copy whose buffer handles are the server's (borrowed).
struct BorrowingRecord : OruMeshRecord {
    using OruMeshRecord::OruMeshRecord;
    ~BorrowingRecord()
    {
        vertexBuffer = nullptr;
        indexBuffer = nullptr;
    }
};

// Row-vector projection of one view: screen axes from two model axes, the
// mesh's box fitted into 90% of the viewport.
struct View2 {
    int a, b;  // model axes to screen x and y (0 x, 1 y, 2 z)
    D3DMATRIX m;
};

View2 FitView(const MeshView& mesh, int a, int b)
{
    double lo[3] = {1e9, 1e9, 1e9}, hi[3] = {-1e9, -1e9, -1e9};
    for (const V3& p : mesh.pos) {
        const double c[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k)
            lo[k] = std::min(lo[k], c[k]), hi[k] = std::max(hi[k], c[k]);
    }
    const double s = 1.8 / std::max(hi[a] - lo[a], hi[b] - lo[b]);
    View2 v{a, b, {}};
    v.m.m[a][0] = float(s);
    v.m.m[3][0] = float(-s * (lo[a] + hi[a]) / 2);
    v.m.m[b][1] = float(s);
    v.m.m[3][1] = float(-s * (lo[b] + hi[b]) / 2);
    v.m.m[3][2] = 0.5f;
    v.m.m[3][3] = 1.0f;
    return v;
}

// The silhouette on the CPU: pixels whose centre lies in a triangle, and
// pixels within a pixel of an edge (left undecided).
void CpuSilhouette(const MeshView& mesh, const View2& v, int w, int h, std::vector<int>& inside,
                   std::vector<int>& undecided)
{
    inside.assign(size_t(w) * h, 0);
    undecided.assign(size_t(w) * h, 0);
    auto screen = [&](const V3& p, double& sx, double& sy) {
        const double c[3] = {p.x, p.y, p.z};
        const double xc = c[v.a] * v.m.m[v.a][0] + v.m.m[3][0], yc = c[v.b] * v.m.m[v.b][1] + v.m.m[3][1];
        sx = (xc + 1) * w / 2;
        sy = (1 - yc) * h / 2;
    };
    for (const Tri& t : mesh.tris) {
        double x[3], y[3];
        for (int k = 0; k < 3; ++k)
            screen(mesh.pos[t[k]], x[k], y[k]);
        const double area = (x[1] - x[0]) * (y[2] - y[0]) - (x[2] - x[0]) * (y[1] - y[0]);
        const int x0 = std::max(0, int(std::min({x[0], x[1], x[2]})) - 2), x1 = std::min(w - 1, int(std::max({x[0], x[1], x[2]})) + 2);
        const int y0 = std::max(0, int(std::min({y[0], y[1], y[2]})) - 2), y1 = std::min(h - 1, int(std::max({y[0], y[1], y[2]})) + 2);
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px) {
                const double cx = px + 0.5, cy = py + 0.5;
                double minDist = 1e9;
                bool in = area != 0;
                for (int k = 0; k < 3; ++k) {
                    const double ax = x[k], ay = y[k], bx = x[(k + 1) % 3], by = y[(k + 1) % 3];
                    const double ex = bx - ax, ey = by - ay, len2 = ex * ex + ey * ey;
                    const double side = ((cx - ax) * ey - (cy - ay) * ex) * (area > 0 ? -1 : 1);
                    in &= side >= 0;
                    double f = len2 > 0 ? ((cx - ax) * ex + (cy - ay) * ey) / len2 : 0;
                    f = std::max(0.0, std::min(1.0, f));
                    const double dx = cx - (ax + f * ex), dy = cy - (ay + f * ey);
                    minDist = std::min(minDist, std::sqrt(dx * dx + dy * dy));
                }
                const size_t i = size_t(py) * w + px;
                if (in)
                    inside[i] = 1;
                if (minDist < 1.0)
                    undecided[i] = 1;
            }
    }
}

} // namespace

// --- records ------------------------------------------------------------

TEST_P(FishData, FrameRecordsHoldTheirArraysCountsAndRanges)
{
    const FishCase& f = Fish();
    for (int k = 0; k < 11; ++k) {
        SCOPED_TRACE(k);
        const OruMeshRecord& r = f.frames[k];
        EXPECT_EQ(0u, r.key);
        EXPECT_EQ(nullptr, r.vertexBuffer);
        EXPECT_EQ(nullptr, r.indexBuffer);
        EXPECT_EQ(f.vertices[k], r.vertices);
        EXPECT_EQ(f.indices[k], r.indices);
        EXPECT_EQ(f.vertexCount, r.vertexCount);
        EXPECT_EQ(f.faceCount, r.faceCount);
        EXPECT_EQ(k ? 0x12u : 0x112u, r.fvf);
        EXPECT_EQ(k ? 24 : 32, r.stride);
        EXPECT_EQ(0, r.noVB);
        EXPECT_EQ(1, r.isStatic);
        ASSERT_EQ(int(f.table.size()), r.rangeCount);
        for (size_t i = 0; i < f.table.size(); ++i) {
            EXPECT_TRUE(SameRange(r.ranges[i], f.table[i])) << "range " << i;
            EXPECT_TRUE(SameRange(f.ranges[k][i], f.table[i])) << "table copy, range " << i;
        }
        for (size_t i = f.table.size(); i < 20; ++i)
            EXPECT_EQ(0u, r.ranges[i].FaceCount | r.ranges[i].VertexCount | r.ranges[i].AttribId);
        EXPECT_EQ(0, std::memcmp(f.frames[0].indices, r.indices, sizeof(uint16_t) * 3 * f.faceCount));
        // Each record has an index list and a vertex array of its own.
        for (int j = 0; j < k; ++j) {
            EXPECT_NE(f.frames[j].indices, r.indices);
            EXPECT_NE(f.frames[j].vertices, r.vertices);
        }
        // The data as the generator wrote it.
        const size_t floats = size_t(r.vertexCount) * r.stride / 4;
        EXPECT_EQ(f.hashes[k], HashFloats(static_cast<const float*>(r.vertices), floats));
    }
}

// --- indices, ranges and topology -----------------------------------------

TEST_P(FishData, TrianglesTileTheRangesAndCloseTheBody)
{
    const FishCase& f = Fish();
    const MeshView m = View(f.frames[0]);
    CheckIndexList(m, f.table, f.tilingOrder);
    const Range& body = f.table[f.bodyRange];
    Closure c = Close(m, body.faceStart, body.faceCount);
    for (const auto& e : c.uses)
        EXPECT_EQ(2, e.second) << "body edge " << e.first.first << "-" << e.first.second;
    EXPECT_TRUE(c.balanced);
    EXPECT_GT(c.volume, 0) << "the body is wound inward";
    // Two-sided fins: the second half repeats the first half's uv, and
    // the stated number of its triangles are exact reversals.
    for (const auto& fin : f.finPairs) {
        const Range& r = f.table[fin.first];
        EXPECT_EQ(fin.second, ReversedPairs(m, r)) << "range " << fin.first;
    }
    // The flat midplane fins: the first sheet faces -z throughout and the
    // second +z, and no sheet folds over itself (the two triangles on an
    // inner edge lie on its two sides).
    for (int id : f.midplaneFins) {
        const Range& r = f.table[id];
        std::map<std::pair<int, int>, std::vector<int>> across;  // edge -> opposite vertices
        for (uint32_t k = 0; k < r.faceCount; ++k) {
            const Tri& t = m.tris[r.faceStart + k];
            const V3 n = Cross(m.pos[t[1]] - m.pos[t[0]], m.pos[t[2]] - m.pos[t[0]]);
            EXPECT_LT(k < r.faceCount / 2 ? n.z : -n.z, 0) << "range " << id << " triangle " << k;
            if (k < r.faceCount / 2)
                for (int e = 0; e < 3; ++e) {
                    const int a = t[e], b = t[(e + 1) % 3];
                    across[{std::min(a, b), std::max(a, b)}].push_back(t[(e + 2) % 3]);
                }
        }
        for (const auto& edge : across) {
            if (edge.second.size() != 2)
                continue;
            const V3 a = m.pos[edge.first.first], b = m.pos[edge.first.second];
            auto side = [&](int v) { return Cross(b - a, m.pos[v] - a).z; };
            EXPECT_LT(side(edge.second[0]) * side(edge.second[1]), 0)
                << "range " << id << " folds over edge " << edge.first.first << "-" << edge.first.second;
        }
    }
}

// Each twin pair of a fin: the same position and uv, exactly negated
// normals in the rest pose.
TEST_P(FishData, FinTwinsShareTheirPointsAndFaceAway)
{
    const FishCase& f = Fish();
    for (int range : f.twinFins) {
        SCOPED_TRACE("range " + std::to_string(range));
        const MeshView m = View(f.frames[0]);
        const Range& r = f.table[range];
        const uint32_t half = r.vertexCount / 2;
        for (uint32_t j = 0; j < half; ++j) {
            uint32_t a = r.vertexStart + j, b = a + half;
            EXPECT_TRUE(m.pos[a].x == m.pos[b].x && m.pos[a].y == m.pos[b].y && m.pos[a].z == m.pos[b].z) << a;
            EXPECT_TRUE(m.tu[a] == m.tu[b] && m.tv[a] == m.tv[b]) << a;
            EXPECT_TRUE(m.nrm[a].x == -m.nrm[b].x && m.nrm[a].y == -m.nrm[b].y && m.nrm[a].z == -m.nrm[b].z) << a;
        }
    }
}

// --- normals, swim and bounds ----------------------------------------------

TEST_P(FishData, NormalsFollowTheRuleInEveryFrame)
{
    const FishCase& f = Fish();
    for (int k = 0; k < 11; ++k) {
        SCOPED_TRACE("frame " + std::to_string(k));
        const MeshView m = View(f.frames[k]);
        const MeshView rest = View(f.frames[0]);
        for (const Range& r : f.table) {
            std::vector<V3> dirs = RuleDirections(m.pos, rest.tris, r.faceStart, r.faceCount);
            for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v) {
                EXPECT_NEAR(1.0, Len(m.nrm[v]), 1e-4) << "vertex " << v;
                EXPECT_LE(AngleDeg(Direction(m.nrm[v]), dirs[v]), f.normalTolDeg) << "vertex " << v;
            }
        }
    }
}

// z_k = z_0 + A sin((k - 1) 36 + phase - rate x) with one A per vertex
// (fitted), x and y unchanged, the half-cycle mirror, A's range, and the
// box over all frames.
TEST_P(FishData, KeyframesSwimOneTravellingWave)
{
    const FishCase& f = Fish();
    const MeshView rest = View(f.frames[0]);
    std::vector<MeshView> frames;
    for (int k = 0; k < 11; ++k)
        frames.push_back(View(f.frames[k]));
    double aMin = 1, aMax = 0;
    int minAt = -1, maxAt = -1;
    V3 lo{1, 1, 1}, hi{-1, -1, -1};
    std::map<std::pair<float, float>, double> ampAt;
    for (int v = 0; v < f.vertexCount; ++v) {
        const V3 p = rest.pos[v];
        double s[10], num = 0, den = 0;
        for (int k = 1; k <= 10; ++k) {
            s[k - 1] = std::sin(((k - 1) * 36.0 + f.phaseDeg - f.waveRateDeg * p.x) * Pi / 180);
            num += (frames[k].pos[v].z - p.z) * s[k - 1];
            den += s[k - 1] * s[k - 1];
        }
        const double a = num / den;
        if (a < aMin)
            aMin = a, minAt = v;
        if (a > aMax)
            aMax = a, maxAt = v;
        // A depends on x and y only.
        auto key = std::make_pair(float(p.x), float(p.y));
        if (ampAt.count(key)) {
            EXPECT_NEAR(ampAt[key], a, 2e-6) << "vertex " << v;
        }
        ampAt[key] = a;
        for (int k = 1; k <= 10; ++k) {
            const V3 q = frames[k].pos[v];
            ASSERT_NEAR(p.z + a * s[k - 1], q.z, 2e-6) << "vertex " << v << " frame " << k;
            ASSERT_NEAR(p.x, q.x, 1e-6);
            ASSERT_NEAR(p.y, q.y, 1e-6);
            if (k <= 5) {
                ASSERT_NEAR(2 * p.z, q.z + frames[k + 5].pos[v].z, 2e-6) << "vertex " << v;
            }
        }
        for (int k = 0; k <= 10; ++k) {
            const V3 q = frames[k].pos[v];
            lo = {std::min(lo.x, q.x), std::min(lo.y, q.y), std::min(lo.z, q.z)};
            hi = {std::max(hi.x, q.x), std::max(hi.y, q.y), std::max(hi.z, q.z)};
        }
    }
    EXPECT_TRUE(Near(aMin, f.ampMin, 5e-6)) << aMin;
    EXPECT_EQ(f.ampMinVertex, minAt);
    // The largest amplitude at the tail tip (either sheet of the fin).
    EXPECT_TRUE(rest.pos[maxAt].x == rest.pos[f.ampMaxVertex].x && rest.pos[maxAt].y == rest.pos[f.ampMaxVertex].y)
        << maxAt;
    EXPECT_TRUE(Near(aMax, f.ampMax, 5e-6)) << aMax;
    EXPECT_TRUE(Near(lo.x, f.boxLo.x, 5e-6) && Near(lo.y, f.boxLo.y, 5e-6) && Near(lo.z, f.boxLo.z, 5e-6))
        << lo.x << " " << lo.y << " " << lo.z;
    EXPECT_TRUE(Near(hi.x, f.boxHi.x, 5e-6) && Near(hi.y, f.boxHi.y, 5e-6) && Near(hi.z, f.boxHi.z, 5e-6))
        << hi.x << " " << hi.y << " " << hi.z;
}

// The reference vertices to half a unit of their last digit, and the z series of
// the tail tips.
TEST_P(FishData, ReferenceVerticesHold)
{
    const FishCase& f = Fish();
    for (const ReferenceVertex& r : f.referenceVertices) {
        SCOPED_TRACE("vertex " + std::to_string(r.v));
        const MeshView m = View(f.frames[0]);
        EXPECT_TRUE(Near(m.pos[r.v].x, r.p.x, r.half) && Near(m.pos[r.v].y, r.p.y, r.half) &&
                    Near(m.pos[r.v].z, r.p.z, r.half))
            << m.pos[r.v].x << " " << m.pos[r.v].y << " " << m.pos[r.v].z;
        EXPECT_TRUE(Near(m.nrm[r.v].x, r.n.x, 5e-5) && Near(m.nrm[r.v].y, r.n.y, 5e-5) &&
                    Near(m.nrm[r.v].z, r.n.z, 5e-5))
            << m.nrm[r.v].x << " " << m.nrm[r.v].y << " " << m.nrm[r.v].z;
        EXPECT_TRUE(Near(m.tu[r.v], r.u, 5e-5) && Near(m.tv[r.v], r.t, 5e-5)) << m.tu[r.v] << " " << m.tv[r.v];
    }
    for (int k = 1; k <= 10; ++k) {
        const MeshView m = View(f.frames[k]);
        EXPECT_TRUE(Near(m.pos[f.tailTip].z, f.tailZ[k - 1], 5e-6))
            << "vertex " << f.tailTip << " frame " << k << ": " << m.pos[f.tailTip].z;
    }
}

// uv: per part affine in x and y (fitted, residual within 1e-4) and inside
// the stated regions.
TEST_P(FishData, TextureCoordinatesAreSideProjectionsPerPart)
{
    const FishCase& f = Fish();
    for (const UvRegion& g : f.uvRegions) {
        SCOPED_TRACE("range " + std::to_string(g.range));
        const MeshView m = View(f.frames[0]);
        const Range& r = f.table[g.range];
        double u0 = 9, u1 = -9, v0 = 9, v1 = -9;
        // Least-squares affine fit u = a + b x + c y over the part.
        double sxx = 0, sxy = 0, syy = 0, sx = 0, sy = 0, n = 0, su = 0, sux = 0, suy = 0, sv = 0, svx = 0, svy = 0;
        for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v) {
            u0 = std::min(u0, m.tu[v]);
            u1 = std::max(u1, m.tu[v]);
            v0 = std::min(v0, m.tv[v]);
            v1 = std::max(v1, m.tv[v]);
            double x = m.pos[v].x, y = m.pos[v].y;
            sxx += x * x; sxy += x * y; syy += y * y; sx += x; sy += y; n += 1;
            su += m.tu[v]; sux += m.tu[v] * x; suy += m.tu[v] * y;
            sv += m.tv[v]; svx += m.tv[v] * x; svy += m.tv[v] * y;
        }
        EXPECT_TRUE(Near(u0, g.u0, g.half) && Near(u1, g.u1, g.half) && Near(v0, g.v0, g.half) && Near(v1, g.v1, g.half))
            << "u " << u0 << "-" << u1 << " v " << v0 << "-" << v1;
        // Solve the 3x3 normal equations by Cramer's rule.
        const double A[3][3] = {{n, sx, sy}, {sx, sxx, sxy}, {sy, sxy, syy}};
        auto det3 = [](const double M[3][3]) {
            return M[0][0] * (M[1][1] * M[2][2] - M[1][2] * M[2][1]) - M[0][1] * (M[1][0] * M[2][2] - M[1][2] * M[2][0]) +
                   M[0][2] * (M[1][0] * M[2][1] - M[1][1] * M[2][0]);
        };
        const double d = det3(A);
        for (int which = 0; which < 2; ++which) {
            const double b[3] = {which ? sv : su, which ? svx : sux, which ? svy : suy};
            double c[3];
            for (int i = 0; i < 3; ++i) {
                double M[3][3];
                std::memcpy(M, A, sizeof M);
                for (int row = 0; row < 3; ++row)
                    M[row][i] = b[row];
                c[i] = det3(M) / d;
            }
            for (uint32_t v = r.vertexStart; v < r.vertexStart + r.vertexCount; ++v) {
                double fit = c[0] + c[1] * m.pos[v].x + c[2] * m.pos[v].y;
                EXPECT_NEAR(which ? m.tv[v] : m.tu[v], fit, 1e-4) << (which ? "v" : "u") << " of vertex " << v;
            }
        }
    }
}

// Over the whole rest mesh the texture coordinates span the stated range.
TEST_P(FishData, TextureCoordinatesSpanTheStatedRangeOverTheWholeMesh)
{
    const FishCase& f = Fish();
    const MeshView m = View(f.frames[0]);
    EXPECT_TRUE(Near(*std::min_element(m.tu.begin(), m.tu.end()), f.uvLo[0], 5e-5));
    EXPECT_TRUE(Near(*std::max_element(m.tu.begin(), m.tu.end()), f.uvHi[0], 5e-5));
    EXPECT_TRUE(Near(*std::min_element(m.tv.begin(), m.tv.end()), f.uvLo[1], 5e-5));
    EXPECT_TRUE(Near(*std::max_element(m.tv.begin(), m.tv.end()), f.uvHi[1], 5e-5));
}

// The box and radius the vertex object's bounds computation finds over the
// fish's mesh lists.
TEST_P(FishData, BoundsOverTheMeshListGiveTheStatedRadius)
{
    const FishCase& f = Fish();
    for (const Bounds& c : f.bounds) {
        PimVertexObject object;
        object.boundsMin = Vector3(0, 0, 0);
        object.boundsMax = Vector3(0, 0, 0);
        for (OruMeshRecord* r : c.meshes)
            object.AddMesh(r);
        object.ComputeBounds();
        EXPECT_TRUE(Near(object.radius, c.radius, c.half)) << object.radius;
        EXPECT_TRUE(Near(object.boundsMax.x, c.xMax, c.half)) << object.boundsMax.x;
        for (int i = 0; i < object.meshCount; ++i) {
            object.meshes[i].vertexBuffer = nullptr;
            object.meshes[i].indexBuffer = nullptr;
        }
    }
    // The static records are unchanged by being added.
    for (const Bounds& c : f.bounds)
        for (const OruMeshRecord* r : c.meshes) {
            EXPECT_EQ(1, r->isStatic);
            EXPECT_EQ(0u, r->key);
        }
}

// --- skins --------------------------------------------------------------

// Header, size, DXT2 with one level; the body band opaque; above it alpha
// only near the fins' and eyes' uv footprints; every triangle of the meshes
// that sample it has non-zero alpha at its uv centroid.
TEST_P(FishData, SkinsAreOneLevelDxt2AtlasesCoveringEveryPart)
{
    const FishCase& f = Fish();
    for (const Skin& skin : f.skins) {
        SCOPED_TRACE(skin.name);
        ASSERT_GT(skin.ref->size, 2);
        EXPECT_EQ(0x78, skin.ref->data[0]);
        EXPECT_EQ(0x9C, skin.ref->data[1]);
        const std::vector<uint8_t> dds = Inflate(*skin.ref);
        ASSERT_EQ(size_t(128 + skin.size * skin.size), dds.size());
        EXPECT_EQ(0, std::memcmp(dds.data(), "DDS ", 4));
        EXPECT_EQ(124u, Get32(dds, 4));
        EXPECT_EQ(uint32_t(skin.size), Get32(dds, 12));
        EXPECT_EQ(uint32_t(skin.size), Get32(dds, 16));
        EXPECT_LE(Get32(dds, 28), 1u);
        EXPECT_EQ(0, std::memcmp(dds.data() + 84, "DXT2", 4));
        const int band = int(skin.bandTop * skin.size);
        for (int y = band; y < skin.size; ++y)
            for (int x = 0; x < skin.size; ++x)
                ASSERT_EQ(15, AlphaNibble(dds, skin.size, x, y)) << x << "," << y;
        // Footprints of the meshes' triangles, widened by two texels.
        std::vector<uint8_t> nearFin(size_t(skin.size) * skin.size, 0);
        for (const OruMeshRecord* r : f.skinMeshes) {
            const MeshView m = View(*r);
            for (const Tri& t : m.tris) {
                double px[3], py[3];
                for (int k = 0; k < 3; ++k)
                    px[k] = m.tu[t[k]] * skin.size, py[k] = m.tv[t[k]] * skin.size;
                const double area = (px[1] - px[0]) * (py[2] - py[0]) - (px[2] - px[0]) * (py[1] - py[0]);
                const int x0 = std::max(0, int(std::min({px[0], px[1], px[2]})) - 3);
                const int x1 = std::min(skin.size - 1, int(std::max({px[0], px[1], px[2]})) + 3);
                const int y0 = std::max(0, int(std::min({py[0], py[1], py[2]})) - 3);
                const int y1 = std::min(skin.size - 1, int(std::max({py[0], py[1], py[2]})) + 3);
                for (int y = y0; y <= y1; ++y)
                    for (int x = x0; x <= x1; ++x) {
                        bool inside = true;
                        for (int k = 0; k < 3 && inside; ++k) {
                            const double ax = px[k], ay = py[k], bx = px[(k + 1) % 3], by = py[(k + 1) % 3];
                            const double ex = bx - ax, ey = by - ay, len = std::sqrt(ex * ex + ey * ey);
                            const double d = ((x + 0.5 - ax) * ey - (y + 0.5 - ay) * ex) / len * (area > 0 ? -1 : 1);
                            inside = d >= -2.0;
                        }
                        if (inside)
                            nearFin[size_t(y) * skin.size + x] = 1;
                    }
                const double u = (m.tu[t[0]] + m.tu[t[1]] + m.tu[t[2]]) / 3, v = (m.tv[t[0]] + m.tv[t[1]] + m.tv[t[2]]) / 3;
                EXPECT_GT(AlphaNibble(dds, skin.size, std::min(skin.size - 1, int(u * skin.size)),
                                      std::min(skin.size - 1, int(v * skin.size))),
                          0)
                    << "a triangle samples transparent skin at " << u << "," << v;
            }
        }
        for (int y = 0; y < band; ++y)
            for (int x = 0; x < skin.size; ++x)
                if (!nearFin[size_t(y) * skin.size + x]) {
                    ASSERT_EQ(0, AlphaNibble(dds, skin.size, x, y)) << "outside the fins at " << x << "," << y;
                }
    }
}

// --- on Wine's device -------------------------------------------------------

// Each record goes through the buffer server's Create2 and is drawn flat
// white on black with culling off; its silhouette matches the CPU's.
TEST_P(FishData, RecordsLoadThroughTheBufferServerAndDrawTheirSilhouettes)
{
    const int W = 160, H = 160;
    TestDevice device(W, H);
    ASSERT_TRUE(device.Ok()) << device.Error();
    TestApp app(device.Device());
    IDirect3DDevice8* d = device.Device();
    VBServer server;
    const FishCase& f = Fish();
    for (const Silhouette& c : f.silhouettes) {
        SCOPED_TRACE(c.name);
        BorrowingRecord copy(c.record->vertexCount, c.record->vertices, c.record->faceCount, c.record->indices,
                             c.record->fvf, c.record->stride, c.record->ranges, c.record->rangeCount);
        ASSERT_EQ(S_OK, server.Create2(&copy, 0));
        ASSERT_TRUE(copy.vertexBuffer && copy.indexBuffer);
        EXPECT_EQ(reinterpret_cast<uintptr_t>(c.record->vertices), copy.key);
        EXPECT_EQ(0u, c.record->key);  // the static record itself stays untouched
        EXPECT_EQ(nullptr, c.record->vertexBuffer);
        const MeshView mesh = View(*c.record);
        const View2 view = FitView(mesh, c.a, c.b);
        D3DMATRIX identity = {};
        identity._11 = identity._22 = identity._33 = identity._44 = 1;
        d->SetTransform(D3DTS_WORLD, &identity);
        d->SetTransform(D3DTS_VIEW, &identity);
        d->SetTransform(D3DTS_PROJECTION, &view.m);
        d->SetRenderState(D3DRS_LIGHTING, FALSE);
        d->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        d->SetRenderState(D3DRS_ZENABLE, FALSE);
        d->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        d->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFFFFFFFF);
        d->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        d->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TFACTOR);
        d->SetTexture(0, nullptr);
        ASSERT_EQ(S_OK, d->Clear(0, nullptr, D3DCLEAR_TARGET, 0x00000000, 1.0f, 0));
        ASSERT_EQ(S_OK, d->BeginScene());
        d->SetVertexShader(c.record->fvf);
        d->SetStreamSource(0, copy.vertexBuffer, c.record->stride);
        d->SetIndices(copy.indexBuffer, 0);
        EXPECT_EQ(S_OK, d->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, c.record->vertexCount, 0, c.record->faceCount));
        d->EndScene();
        const Image image = device.ReadBackBuffer();
        ASSERT_FALSE(image.Empty());
        std::vector<int> inside, undecided;
        CpuSilhouette(mesh, view, W, H, inside, undecided);
        int lit = 0, mismatches = 0;
        for (int y = 0; y < H; ++y)
            for (int x = 0; x < W; ++x) {
                const bool on = (image.Rgb(x, y) & 0xFF) > 0x80;
                lit += on;
                const size_t i = size_t(y) * W + x;
                if (!undecided[i] && on != bool(inside[i]))
                    ++mismatches;
            }
        EXPECT_GT(lit, W * H / 20);
        EXPECT_EQ(0, mismatches);
        image.SavePngIfFailed(std::string("FishModelData-") + c.name);
    }
    server.InvalidateDeviceObjects();
    server.DeleteDeviceObjects();
}

// The skins go through the texture loader: DXT2 (or the loader's fallback
// format) at their stated size.
TEST_P(FishData, SkinsLoadAsTextures)
{
    TestDevice device;
    ASSERT_TRUE(device.Ok()) << device.Error();
    const FishCase& f = Fish();
    for (const Skin& skin : f.skins) {
        SCOPED_TRACE(skin.name);
        IDirect3DTexture8* texture = nullptr;
        ASSERT_EQ(S_OK, LoadTexture(device.Device(), skin.ref->data, skin.ref->size, &texture, D3DFMT_UNKNOWN));
        ASSERT_TRUE(texture);
        D3DSURFACE_DESC desc = {};
        texture->GetLevelDesc(0, &desc);
        EXPECT_EQ(UINT(skin.size), desc.Width);
        EXPECT_EQ(UINT(skin.size), desc.Height);
        ReleaseTexture(texture);
    }
}

// LogoShape.x: the logo, a binary .x file ("xof 0303bin 0032") of 58,164
// bytes: a Header, then the Frame "frame1" holding the Mesh "mesh1". The
// mesh spells REEF GLOW 3 in raised block letters on a thin plate: REEF
// above GLOW, a tall 3 beside them. 1,274 vertices and 2,132 triangles, x
// from -3.44 to 4.37, y from -1.61 to 1.61; the plate lies at z 0 and the
// letters' faces at z -0.2, towards the viewer (the camera looks along +z,
// x to its right, y up). One material (diffuse grey 0.8627, power 100); no
// normals and no texture coordinates: the loader computes the normals.
//
// A letter is a set of cells of its grid (5 x 7, the 3's 5 x 15): its face
// is the cells' squares, two triangles each, and its walls join every
// outline edge of the face to a copy of the edge on the plate. The plate is
// a ring of 52 points on its border zipped to a grid of 32 x 16 points
// inside it; those counts make the totals come out exact.

#include "common/ImageCheck.h"
#include "GeneratorRegistry.h"
#include "WriteIfChanged.h"
#include "XWriter.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

const char* const Name = "LogoShape.x";
const float Left = -3.44f, Right = 4.37f, Bottom = -1.61f, Top = 1.61f, Depth = -0.2f;
const int ExpectedVertices = 1274;
const int ExpectedTriangles = 2132;
const size_t ExpectedFileSize = 58164;

// The letters' rows, top first; '#' a raised cell. No two cells touch at a
// corner only, so every outline is a simple loop.
const char* const R[7] = {"#####", "#...#", "#...#", "#####", "#..#.", "#..##", "#...#"};
const char* const E[7] = {"#####", "#....", "#....", "####.", "#....", "#....", "#####"};
const char* const F[7] = {"#####", "#....", "#....", "####.", "#....", "#....", "#...."};
const char* const G[7] = {"#####", "#....", "#....", "#..##", "#...#", "#...#", "#####"};
const char* const L[7] = {"#....", "#....", "#....", "#....", "#....", "#....", "#####"};
const char* const O[7] = {"#####", "#...#", "#...#", "#...#", "#...#", "#...#", "#####"};
const char* const W[7] = {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", "#####"};
const char* const Three[15] = {"#####", "#####", "....#", "....#", "....#", "....#", ".####", ".####",
                               ".####", "....#", "....#", "....#", "....#", "#####", "#####"};

// Fifteen rows of cells between margins of 0.185 (REEF in rows 0-6, GLOW
// in rows 8-14, the 3 across all); 32.5 letter columns between margins of
// 0.2 (four letters of 5 with gaps of 1, a gap of 2, the 3 of 5 columns
// one and a half times as wide).
const float MarginY = 0.185f, MarginX = 0.2f;
const float CellH = (Top - MarginY - (Bottom + MarginY)) / 15;
const float CellW = (Right - MarginX - (Left + MarginX)) / 32.5f;

struct Glyph {
    char letter;
    const char* const* rows;
    int rowCount;
    float x0, y0, w, h; // left, top, cell size
    bool counter;       // encloses a hole
};

std::vector<Glyph> Glyphs()
{
    std::vector<Glyph> g;
    const char* const* top[4] = {R, E, E, F};
    const char* const* bottom[4] = {G, L, O, W};
    const char topNames[4] = {'R', 'E', 'E', 'F'}, bottomNames[4] = {'G', 'L', 'O', 'W'};
    const float x0 = Left + MarginX, y0 = Top - MarginY;
    for (int k = 0; k < 4; ++k)
        g.push_back({topNames[k], top[k], 7, x0 + 6 * k * CellW, y0, CellW, CellH, k == 0});
    for (int k = 0; k < 4; ++k)
        g.push_back({bottomNames[k], bottom[k], 7, x0 + 6 * k * CellW, y0 - 8 * CellH, CellW, CellH, k == 2});
    g.push_back({'3', Three, 15, x0 + 25 * CellW, y0, 1.5f * CellW, CellH, false});
    return g;
}

bool Filled(const Glyph& g, int c, int r)
{
    return c >= 0 && c < 5 && r >= 0 && r < g.rowCount && g.rows[r][c] == '#';
}

struct P {
    float x, y, z;
};

struct Mesh {
    std::vector<P> v;
    std::vector<std::array<uint32_t, 3>> t;

    uint32_t Add(float x, float y, float z)
    {
        v.push_back({x, y, z});
        return uint32_t(v.size() - 1);
    }
    // A triangle whose normal (p1 - p0) x (p2 - p0) points along `toward`.
    void Face(uint32_t a, uint32_t b, uint32_t c, P toward)
    {
        const P p = v[a], q = v[b], s = v[c];
        const double ux = q.x - p.x, uy = q.y - p.y, uz = q.z - p.z;
        const double wx = s.x - p.x, wy = s.y - p.y, wz = s.z - p.z;
        const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
        if (nx * toward.x + ny * toward.y + nz * toward.z < 0)
            std::swap(b, c);
        t.push_back({a, b, c});
    }
};

const P Viewer{0, 0, -1};

// One raised letter: its face of cells at Depth and a wall under every
// outline edge. False when an outline point is not on exactly two edges.
bool AddGlyph(Mesh& m, const Glyph& g)
{
    auto x = [&](int c) { return g.x0 + c * g.w; };
    auto y = [&](int r) { return g.y0 - r * g.h; };
    std::map<std::pair<int, int>, uint32_t> face, foot;
    auto faceAt = [&](int c, int r) {
        auto it = face.find({c, r});
        if (it != face.end())
            return it->second;
        return face[{c, r}] = m.Add(x(c), y(r), Depth);
    };
    for (int r = 0; r < g.rowCount; ++r)
        for (int c = 0; c < 5; ++c)
            if (Filled(g, c, r)) {
                const uint32_t a = faceAt(c, r), b = faceAt(c + 1, r), d = faceAt(c, r + 1), e = faceAt(c + 1, r + 1);
                m.Face(a, d, b, Viewer);
                m.Face(b, d, e, Viewer);
            }
    // Outline edges: the sides of cells with no cell beyond them.
    struct Edge {
        std::pair<int, int> a, b;
        P out;
    };
    std::vector<Edge> edges;
    std::map<std::pair<int, int>, int> uses;
    for (int r = 0; r < g.rowCount; ++r)
        for (int c = 0; c < 5; ++c) {
            if (!Filled(g, c, r))
                continue;
            if (!Filled(g, c, r - 1))
                edges.push_back({{c, r}, {c + 1, r}, {0, 1, 0}});
            if (!Filled(g, c, r + 1))
                edges.push_back({{c, r + 1}, {c + 1, r + 1}, {0, -1, 0}});
            if (!Filled(g, c - 1, r))
                edges.push_back({{c, r}, {c, r + 1}, {-1, 0, 0}});
            if (!Filled(g, c + 1, r))
                edges.push_back({{c + 1, r}, {c + 1, r + 1}, {1, 0, 0}});
        }
    for (const Edge& e : edges)
        ++uses[e.a], ++uses[e.b];
    for (const auto& u : uses)
        if (u.second != 2)
            return false;
    auto footAt = [&](std::pair<int, int> k) {
        auto it = foot.find(k);
        if (it != foot.end())
            return it->second;
        return foot[k] = m.Add(x(k.first), y(k.second), 0.0f);
    };
    for (const Edge& e : edges) {
        const uint32_t ta = face.at(e.a), tb = face.at(e.b), fa = footAt(e.a), fb = footAt(e.b);
        m.Face(ta, tb, fb, e.out);
        m.Face(ta, fb, fa, e.out);
    }
    return true;
}

// The border ring's points per side and the inner grid's size.
const int RingLong = 18, RingShort = 8, GridColumns = 32, GridRows = 16;
const float GridInset = 0.1f;

// Triangles between two polylines from one end of a side to the other,
// taken in order of their fraction of the way along.
void Zip(Mesh& m, const std::vector<uint32_t>& a, const std::vector<uint32_t>& b)
{
    auto along = [&](const std::vector<uint32_t>& line, size_t i) {
        const P s = m.v[line.front()], e = m.v[line.back()], p = m.v[line[i]];
        const float dx = e.x - s.x, dy = e.y - s.y;
        return ((p.x - s.x) * dx + (p.y - s.y) * dy) / (dx * dx + dy * dy);
    };
    size_t i = 0, j = 0;
    while (i + 1 < a.size() || j + 1 < b.size()) {
        const bool stepA = j + 1 >= b.size() || (i + 1 < a.size() && along(a, i + 1) <= along(b, j + 1));
        if (stepA) {
            m.Face(a[i], a[i + 1], b[j], Viewer);
            ++i;
        } else {
            m.Face(a[i], b[j + 1], b[j], Viewer);
            ++j;
        }
    }
}

// The plate at z 0: the border ring (its corners the extents) and the
// inner grid, joined side by side.
void AddPlate(Mesh& m)
{
    auto line = [&](int n, P s, P e, bool exactEnd) {
        std::vector<uint32_t> pts;
        for (int k = 0; k <= n; ++k) {
            const float f = float(k) / n;
            float x = s.x + f * (e.x - s.x), y = s.y + f * (e.y - s.y);
            if (k == n && exactEnd)
                x = e.x, y = e.y;
            pts.push_back(m.Add(x, y, 0.0f));
        }
        return pts;
    };
    // The ring, as four sides sharing their corners.
    std::vector<uint32_t> bottom = line(RingLong, {Left, Bottom, 0}, {Right, Bottom, 0}, true);
    std::vector<uint32_t> right = line(RingShort - 2, {Right, Bottom + (Top - Bottom) / RingShort, 0},
                                       {Right, Top - (Top - Bottom) / RingShort, 0}, false);
    std::vector<uint32_t> top = line(RingLong, {Right, Top, 0}, {Left, Top, 0}, true);
    std::vector<uint32_t> left = line(RingShort - 2, {Left, Top - (Top - Bottom) / RingShort, 0},
                                      {Left, Bottom + (Top - Bottom) / RingShort, 0}, false);
    right.insert(right.begin(), bottom.back());
    right.push_back(top.front());
    left.insert(left.begin(), top.back());
    left.push_back(bottom.front());

    const float gx0 = Left + GridInset, gx1 = Right - GridInset, gy0 = Bottom + GridInset, gy1 = Top - GridInset;
    std::vector<uint32_t> grid;
    for (int j = 0; j < GridRows; ++j)
        for (int i = 0; i < GridColumns; ++i)
            grid.push_back(m.Add(gx0 + (gx1 - gx0) * i / (GridColumns - 1), gy0 + (gy1 - gy0) * j / (GridRows - 1), 0));
    auto at = [&](int i, int j) { return grid[size_t(j) * GridColumns + i]; };
    for (int j = 0; j + 1 < GridRows; ++j)
        for (int i = 0; i + 1 < GridColumns; ++i) {
            m.Face(at(i, j), at(i, j + 1), at(i + 1, j), Viewer);
            m.Face(at(i + 1, j), at(i, j + 1), at(i + 1, j + 1), Viewer);
        }
    std::vector<uint32_t> in[4];
    for (int i = 0; i < GridColumns; ++i)
        in[0].push_back(at(i, 0)), in[2].push_back(at(GridColumns - 1 - i, GridRows - 1));
    for (int j = 0; j < GridRows; ++j)
        in[1].push_back(at(GridColumns - 1, j)), in[3].push_back(at(0, GridRows - 1 - j));
    Zip(m, bottom, in[0]);
    Zip(m, right, in[1]);
    Zip(m, top, in[2]);
    Zip(m, left, in[3]);
}

// --- checks -------------------------------------------------------------

bool Fail(const char* what)
{
    mediacheck::Fail(Name, what);
    return false;
}

bool CheckFigures(const Mesh& m)
{
    if (int(m.v.size()) != ExpectedVertices || int(m.t.size()) != ExpectedTriangles) {
        std::fprintf(stderr, "mediagen: %s: %zu vertices, %zu triangles\n", Name, m.v.size(), m.t.size());
        return Fail("wrong vertex or triangle count");
    }
    std::vector<int> used(m.v.size(), 0);
    std::set<std::array<uint32_t, 3>> seen;
    for (const auto& t : m.t) {
        for (uint32_t i : t)
            used[i] = 1;
        const P a = m.v[t[0]], b = m.v[t[1]], c = m.v[t[2]];
        const double ux = b.x - a.x, uy = b.y - a.y, uz = b.z - a.z, wx = c.x - a.x, wy = c.y - a.y, wz = c.z - a.z;
        const double nx = uy * wz - uz * wy, ny = uz * wx - ux * wz, nz = ux * wy - uy * wx;
        if (std::sqrt(nx * nx + ny * ny + nz * nz) < 1e-5)
            return Fail("a degenerate triangle");
        std::array<uint32_t, 3> key = t;
        std::sort(key.begin(), key.end());
        if (!seen.insert(key).second)
            return Fail("a triangle twice");
    }
    if (std::count(used.begin(), used.end(), 0) != 0)
        return Fail("a vertex without a triangle");
    float low[3] = {1e9f, 1e9f, 1e9f}, high[3] = {-1e9f, -1e9f, -1e9f};
    for (const P& p : m.v) {
        const float c[3] = {p.x, p.y, p.z};
        for (int k = 0; k < 3; ++k)
            low[k] = std::min(low[k], c[k]), high[k] = std::max(high[k], c[k]);
    }
    if (low[0] != Left || high[0] != Right || low[1] != Bottom || high[1] != Top || low[2] != Depth || high[2] != 0)
        return Fail("wrong extents");
    return true;
}

// The mesh seen from the front, orthographically, one pixel per 0.01: per
// pixel the nearest surface's z, or +inf where nothing is.
struct FrontView {
    int width = 0, height = 0;
    std::vector<float> z;
    bool Raised(int x, int y) const { return z[size_t(y) * width + x] < Depth / 2; }
};

FrontView Rasterise(const Mesh& m)
{
    FrontView f;
    const float step = 0.01f;
    f.width = int(std::lround((Right - Left) / step));
    f.height = int(std::lround((Top - Bottom) / step));
    f.z.assign(size_t(f.width) * f.height, INFINITY);
    for (const auto& t : m.t) {
        const P a = m.v[t[0]], b = m.v[t[1]], c = m.v[t[2]];
        const double area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
        if (std::fabs(area) < 1e-9)
            continue; // edge-on
        const int x0 = std::max(0, int((std::min({a.x, b.x, c.x}) - Left) / step) - 1);
        const int x1 = std::min(f.width - 1, int((std::max({a.x, b.x, c.x}) - Left) / step) + 1);
        const int y0 = std::max(0, int((Top - std::max({a.y, b.y, c.y})) / step) - 1);
        const int y1 = std::min(f.height - 1, int((Top - std::min({a.y, b.y, c.y})) / step) + 1);
        for (int py = y0; py <= y1; ++py)
            for (int px = x0; px <= x1; ++px) {
                const double x = Left + (px + 0.5) * step, y = Top - (py + 0.5) * step;
                const double wa = ((b.x - x) * (c.y - y) - (c.x - x) * (b.y - y)) / area;
                const double wb = ((c.x - x) * (a.y - y) - (a.x - x) * (c.y - y)) / area;
                const double wc = 1 - wa - wb;
                if (wa < -1e-6 || wb < -1e-6 || wc < -1e-6) // shared edges belong to both
                    continue;
                float& z = f.z[size_t(py) * f.width + px];
                z = std::min(z, float(wa * a.z + wb * b.z + wc * c.z));
            }
    }
    return f;
}

// Labels the 4-connected regions of pixels where `inside` holds; returns
// their count, each region's pixels in `regions`.
template <typename Inside>
int Regions(const FrontView& f, Inside inside, std::vector<std::vector<std::pair<int, int>>>& regions)
{
    std::vector<int> label(size_t(f.width) * f.height, -1);
    for (int y = 0; y < f.height; ++y)
        for (int x = 0; x < f.width; ++x) {
            if (!inside(x, y) || label[size_t(y) * f.width + x] >= 0)
                continue;
            regions.emplace_back();
            std::vector<std::pair<int, int>> stack{{x, y}};
            label[size_t(y) * f.width + x] = int(regions.size() - 1);
            while (!stack.empty()) {
                const auto p = stack.back();
                stack.pop_back();
                regions.back().push_back(p);
                const int d[4][2] = {{1, 0}, {-1, 0}, {0, 1}, {0, -1}};
                for (const auto& s : d) {
                    const int nx = p.first + s[0], ny = p.second + s[1];
                    if (nx < 0 || ny < 0 || nx >= f.width || ny >= f.height || !inside(nx, ny))
                        continue;
                    int& l = label[size_t(ny) * f.width + nx];
                    if (l < 0) {
                        l = int(regions.size() - 1);
                        stack.push_back({nx, ny});
                    }
                }
            }
        }
    return int(regions.size());
}

// Which glyph's box holds every pixel of a region (-1 when none does).
int GlyphOf(const std::vector<Glyph>& glyphs, const std::vector<std::pair<int, int>>& region)
{
    for (size_t k = 0; k < glyphs.size(); ++k) {
        const Glyph& g = glyphs[k];
        bool all = true;
        for (const auto& p : region) {
            const float x = Left + (p.first + 0.5f) * 0.01f, y = Top - (p.second + 0.5f) * 0.01f;
            const float e = 0.006f; // a pixel centre on the box's edge counts
            all = all && x > g.x0 - e && x < g.x0 + 5 * g.w + e && y < g.y0 + e && y > g.y0 - g.rowCount * g.h - e;
        }
        if (all)
            return int(k);
    }
    return -1;
}

// From the front the plate is whole, each letter is one raised shape in its
// own box, and the only enclosed holes are the counters of R and O.
bool CheckFrontView(const Mesh& m, const std::vector<Glyph>& glyphs)
{
    const FrontView f = Rasterise(m);
    for (size_t i = 0; i < f.z.size(); ++i)
        if (!(f.z[i] <= 0)) {
            std::fprintf(stderr, "mediagen: %s: nothing at pixel (%zu, %zu) of the front view\n", Name,
                         i % f.width, i / f.width);
            return Fail("the front view has a gap in the plate");
        }
    std::vector<std::vector<std::pair<int, int>>> letters, holes;
    const int shapes = Regions(f, [&](int x, int y) { return f.Raised(x, y); }, letters);
    if (shapes != int(glyphs.size())) {
        std::fprintf(stderr, "mediagen: %s: %d raised shapes from the front\n", Name, shapes);
        return Fail("not one raised shape per letter");
    }
    std::vector<int> shapesOf(glyphs.size(), 0);
    for (const auto& region : letters) {
        const int k = GlyphOf(glyphs, region);
        if (k < 0) {
            std::fprintf(stderr, "mediagen: %s: a raised shape from pixel (%d, %d)\n", Name, region[0].first,
                         region[0].second);
            return Fail("a raised shape outside the letters' boxes");
        }
        ++shapesOf[k];
    }
    if (std::count(shapesOf.begin(), shapesOf.end(), 1) != int(glyphs.size()))
        return Fail("a letter's box without its one shape");
    Regions(f, [&](int x, int y) { return !f.Raised(x, y); }, holes);
    std::vector<int> countersOf(glyphs.size(), 0);
    for (const auto& region : holes) {
        bool border = false;
        for (const auto& p : region)
            border = border || p.first == 0 || p.second == 0 || p.first == f.width - 1 || p.second == f.height - 1;
        if (border)
            continue;
        const int k = GlyphOf(glyphs, region);
        if (k < 0)
            return Fail("an enclosed hole outside the letters");
        ++countersOf[k];
    }
    for (size_t k = 0; k < glyphs.size(); ++k)
        if (countersOf[k] != (glyphs[k].counter ? 1 : 0))
            return Fail("the counters are not those of R and O");
    return true;
}

// --- the file -----------------------------------------------------------

std::string WriteX(const Mesh& m)
{
    xwriter::Writer w("xof 0303bin 0032");
    w.Begin("Header");
    w.Ints({1, 0, 1}); // major, minor, flags
    w.End();
    w.Begin("Frame", "frame1");
    w.Begin("Mesh", "mesh1");
    w.Ints({uint32_t(m.v.size())});
    std::vector<float> positions;
    for (const P& p : m.v)
        positions.insert(positions.end(), {p.x, p.y, p.z});
    w.Floats(positions);
    std::vector<uint32_t> faces{uint32_t(m.t.size())};
    for (const auto& t : m.t)
        faces.insert(faces.end(), {3, t[0], t[1], t[2]});
    w.Ints(faces);
    w.Begin("MeshMaterialList");
    std::vector<uint32_t> list{1, uint32_t(m.t.size())};
    list.resize(2 + m.t.size(), 0);
    w.Ints(list);
    w.Begin("Material");
    // Face colour (r, g, b, a), power, specular (r, g, b), emissive (r, g, b).
    w.Floats({0.8627f, 0.8627f, 0.8627f, 1.0f, 100.0f, 0, 0, 0, 0, 0, 0});
    w.End();
    w.End();
    w.End();
    w.End();
    return w.Bytes();
}

int Generate(const std::string& outDir)
{
    const std::vector<Glyph> glyphs = Glyphs();
    Mesh m;
    for (const Glyph& g : glyphs)
        if (!AddGlyph(m, g))
            return Fail("a letter's outline touches itself"), 1;
    AddPlate(m);
    if (!CheckFigures(m) || !CheckFrontView(m, glyphs))
        return 1;
    const std::string bytes = WriteX(m);
    if (bytes.compare(0, 16, "xof 0303bin 0032") != 0)
        return Fail("bad header"), 1;
    if (bytes.size() != ExpectedFileSize) {
        std::fprintf(stderr, "mediagen: %s: %zu bytes\n", Name, bytes.size());
        return Fail("wrong file size"), 1;
    }
    if (!WriteIfChanged(outDir + "/" + Name, bytes))
        return Fail("cannot write"), 1;
    return 0;
}

} // namespace

REEF_GENERATOR(LogoMesh, Generate);

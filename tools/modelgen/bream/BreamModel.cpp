// The bream's geometry. Body: a closed surface lofted from a snout pole
// through eleven rings to a tail pole; fins: two-sided sheets (dorsal, tail
// and anal in the midplane z = -0.000132, paired fins tilted quads); eyes:
// open domes. The swim moves z only, by a travelling wave whose amplitude
// grows toward the tail and toward the lower lobe.
#include "BreamModel.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <set>

namespace breamgen {

namespace {

// The midplane of the flat fins.
const double Zm = -0.000132;

// Reference vertices of the rest pose (position, normal, uv).
const P3 DorsalTop{-0.00465, 0.13075, Zm};
const P3 TailTip{0.352114, 0.08590, Zm};
const P3 PelvicTip{0.08350, -0.10031, 0.01687};
const P3 Snout{-0.14780, -0.01451, -0.00103};
const P3 LowerTailTip{0.345620, -0.0672, Zm};

// Swim wave: z_k = z_0 + A(x, y) sin((k - 1) 36 deg + phase - rate x).
const double PhaseDeg = 161.289, WaveRateDeg = 972.976;
const double AmpMin = 0.00068, AmpLowerTip = 0.09377, AmpTailTip = 0.087015;

double Deg(double d) { return d * Pi / 180.0; }

double Amplitude(double x, double y)
{
    auto t = [](double x) { return (x - Snout.x) / (TailTip.x - Snout.x); };
    const double tl = t(LowerTailTip.x);
    const double k = (AmpLowerTip - AmpMin) / (tl * tl);
    const double gamma = (1 - (AmpTailTip - AmpMin) / k) / (TailTip.y - LowerTailTip.y);
    const double tt = t(x);
    return AmpMin + k * tt * tt * (1 + gamma * (LowerTailTip.y - y));
}

// --- parts ----------------------------------------------------------------

// A paired fin: a quad (corners c0 c1 c2 c3) as two triangles (c0 c1 c2),
// (c0 c2 c3), each corner a vertex of its own per triangle; the first sheet
// faces `face`, the second repeats it reversed.
void AddQuadFin(Mesh& m, const P3 c[4], P3 face)
{
    Tri a{0, 1, 2}, b{0, 2, 3};
    std::vector<P3> corners(c, c + 4);
    std::vector<P3> pts;
    std::vector<Tri> sheet;
    for (Tri t : {a, b}) {
        if (Dot(Cross(corners[t[1]] - corners[t[0]], corners[t[2]] - corners[t[0]]), face) < 0)
            std::swap(t[0], t[1]);
        int at = int(pts.size());
        for (int k = 0; k < 3; ++k)
            pts.push_back(corners[t[k]]);
        sheet.push_back({at, at + 1, at + 2});
    }
    int base = int(m.pos.size());
    for (int s = 0; s < 2; ++s)
        for (const P3& p : pts)
            m.pos.push_back(p);
    for (const Tri& t : sheet)
        m.tris.push_back({t[0] + base, t[1] + base, t[2] + base});
    for (const Tri& t : sheet)
        m.tris.push_back({t[0] + base + 6, t[2] + base + 6, t[1] + base + 6});
}

// An eye: a centre and three rings of 12 (rim last) on a dome facing `side`.
void AddEye(Mesh& m, P3 centre, double side)
{
    int base = int(m.pos.size());
    m.pos.push_back({centre.x, centre.y, centre.z + side * 0.0040});
    const double radius[3] = {0.0050, 0.0100, 0.0165}, lift[3] = {0.0035, 0.0022, 0.0};
    std::vector<int> rings[3];
    std::vector<double> par[3];
    for (int r = 0; r < 3; ++r)
        for (int j = 0; j < 12; ++j) {
            double a = 2 * Pi * j / 12;
            rings[r].push_back(int(m.pos.size()));
            par[r].push_back(j / 12.0);
            m.pos.push_back({centre.x + radius[r] * std::cos(a), centre.y + radius[r] * std::sin(a),
                             centre.z + side * lift[r]});
        }
    std::vector<Tri> t;
    FanClosed(base, rings[0], t);
    ZipClosed(rings[0], par[0], rings[1], par[1], t);
    ZipClosed(rings[1], par[1], rings[2], par[2], t);
    for (Tri& x : t) {
        OrientToward(m.pos, x, P3{0, 0, side});
        m.tris.push_back(x);
    }
}

struct BodyRing {
    double x, top, bottom, halfWidth;
    int n;
};

// The body: snout pole, a regular ring about the snout's outward direction,
// ten elliptical rings, the tail pole; the snout stored 13th (vertex 250).
void AddBody(Mesh& m)
{
    const P3 d = FromStored(SnoutNormal);
    const double zc = -0.0003;
    const BodyRing rings[10] = {
        {-0.125, 0.0200, -0.0320, 0.0160, 10}, {-0.100, 0.0450, -0.0450, 0.0240, 12},
        {-0.070, 0.0680, -0.0540, 0.0320, 14}, {-0.035, 0.0840, -0.0590, 0.0390, 15},
        {0.000, 0.090388, -0.060406, 0.0439, 16}, {0.040, 0.0880, -0.0570, 0.0420, 16},
        {0.080, 0.0780, -0.0490, 0.0370, 16}, {0.120, 0.0620, -0.0370, 0.0290, 15},
        {0.165, 0.0410, -0.0190, 0.0190, 13}, {0.210, 0.0250, -0.0030, 0.0100, 12}};
    std::vector<P3> pos;
    std::vector<P3> axis;
    std::vector<std::vector<int>> idx;
    std::vector<std::vector<double>> par;
    pos.push_back(Snout);
    {
        const double radius = 0.0110, back = 0.0070;
        P3 c = Snout - d * back;
        P3 up = Normalize(P3{0, 1, 0} - d * Dot(P3{0, 1, 0}, d));
        P3 side = Normalize(Cross(d, up));
        if (side.z > 0)
            side = -side;  // the ring runs over the -z side first
        std::vector<int> i;
        std::vector<double> p;
        for (int j = 0; j < 6; ++j) {
            double phi = 2 * Pi * j / 6;
            i.push_back(int(pos.size()));
            p.push_back(j / 6.0);
            pos.push_back(c + up * (radius * std::cos(phi)) + side * (radius * std::sin(phi)));
        }
        idx.push_back(i);
        par.push_back(p);
        axis.push_back(c);
    }
    for (const BodyRing& r : rings) {
        double yc = (r.top + r.bottom) / 2, hh = (r.top - r.bottom) / 2;
        std::vector<int> i;
        std::vector<double> p;
        for (int j = 0; j < r.n; ++j) {
            double a = 2 * Pi * j / r.n;
            double s = std::sin(a), c = std::cos(a);
            if (4 * j == r.n || 4 * j == 3 * r.n)
                c = 0;
            if (2 * j == r.n)
                s = 0, c = -1;
            i.push_back(int(pos.size()));
            p.push_back(j / double(r.n));
            pos.push_back({r.x, yc + hh * c, zc - r.halfWidth * s});
        }
        idx.push_back(i);
        par.push_back(p);
        axis.push_back({r.x, yc, zc});
    }
    const int tail = int(pos.size());
    pos.push_back({0.2489, 0.0120, zc});
    std::vector<Tri> tris;
    FanClosed(0, idx[0], tris);
    for (size_t r = 0; r + 1 < idx.size(); ++r)
        ZipClosed(idx[r], par[r], idx[r + 1], par[r + 1], tris);
    FanClosed(tail, idx.back(), tris);
    for (Tri& t : tris) {
        P3 c = (pos[t[0]] + pos[t[1]] + pos[t[2]]) * (1.0 / 3);
        P3 a = axis.front();
        if (c.x >= axis.back().x)
            a = axis.back();
        else
            for (size_t r = 0; r + 1 < axis.size(); ++r)
                if (c.x >= axis[r].x && c.x <= axis[r + 1].x) {
                    double f = (c.x - axis[r].x) / (axis[r + 1].x - axis[r].x);
                    a = axis[r] + (axis[r + 1] - axis[r]) * f;
                }
        OrientToward(pos, t, c - a);
    }
    // Local 0 (the snout) to 12, local 12 to 0.
    std::vector<int> order(pos.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = int(i);
    std::swap(order[0], order[12]);
    std::vector<int> finalOf(order.size());
    int base = int(m.pos.size());
    for (size_t i = 0; i < order.size(); ++i) {
        finalOf[order[i]] = base + int(i);
        m.pos.push_back(pos[order[i]]);
    }
    for (const Tri& t : tris)
        m.tris.push_back({finalOf[t[0]], finalOf[t[1]], finalOf[t[2]]});
}

// Per part: u and v affine in x and y through two anchors each.
void MapPart(Mesh& m, int first, int count, Affine1 u, Affine1 v)
{
    for (int i = first; i < first + count; ++i) {
        m.tu[i] = Unit4(u(m.pos[i].x));
        m.tv[i] = Unit4(v(m.pos[i].y));
    }
}

// Box map of a part onto a texture region.
void MapBox(Mesh& m, int first, int count, double u0, double u1, double v0, double v1)
{
    double x0 = 1, x1 = -1, y0 = 1, y1 = -1;
    for (int i = first; i < first + count; ++i) {
        x0 = std::min(x0, m.pos[i].x);
        x1 = std::max(x1, m.pos[i].x);
        y0 = std::min(y0, m.pos[i].y);
        y1 = std::max(y1, m.pos[i].y);
    }
    MapPart(m, first, count, Affine1::Through(x0, u0, x1, u1), Affine1::Through(y1, v0, y0, v1));
}

// Spread pectoral: the root about which the fin turns by `angle` (about +y)
// so that the tip goes from t to t2.
P3 SpreadRoot(P3 t, P3 t2, double angle)
{
    double mx = (t.x + t2.x) / 2, mz = (t.z + t2.z) / 2;
    double cx = t2.x - t.x, cz = t2.z - t.z, chord = std::sqrt(cx * cx + cz * cz);
    double dist = chord / 2 / std::tan(angle / 2);
    // Two candidates on the bisector; the one nearer the midplane.
    P3 a{mx - cz / chord * dist, 0, mz + cx / chord * dist}, b{mx + cz / chord * dist, 0, mz - cx / chord * dist};
    return std::fabs(a.z) < std::fabs(b.z) ? a : b;
}

P3 TurnAboutY(P3 p, P3 root, double angle)
{
    double dx = p.x - root.x, dz = p.z - root.z, c = std::cos(angle), s = std::sin(angle);
    return {root.x + dx * c + dz * s, p.y, root.z - dx * s + dz * c};
}


Pectoral MakePectoral(double side)
{
    Pectoral p;
    P3 tip = side < 0 ? P3{0.113, -0.035, -0.041} : P3{0.108, -0.034, 0.040};
    P3 spread = side < 0 ? P3{-0.014, -0.035, -0.17200} : P3{-0.024, -0.034, 0.17230};
    P3 r = SpreadRoot(tip, spread, Deg(80));
    // The turn that takes the tip outward.
    double a = Deg(80);
    if (std::fabs(TurnAboutY(tip, r, a).z - spread.z) > std::fabs(TurnAboutY(tip, r, -a).z - spread.z))
        a = -a;
    p.root = r;
    p.angle = a;
    // Direction from the root to the tip; the root corners lie behind the
    // root along it (so they turn toward the midplane).
    P3 along = Normalize(P3{tip.x - r.x, 0, tip.z - r.z});
    P3 c0 = {r.x - along.x * 0.0270, -0.0080, r.z - along.z * 0.0270};
    P3 c1 = {r.x - along.x * 0.0050, -0.0200, r.z - along.z * 0.0050};
    P3 outer = {r.x + along.x * 0.095, -0.0120, r.z + along.z * 0.095};
    p.corners[0] = c0;
    p.corners[1] = c1;
    p.corners[2] = {tip.x, tip.y, tip.z};
    p.corners[3] = outer;
    return p;
}

// Pelvic corners in the plane of the reference normal through the tip.
void PelvicCorners(double side, P3 c[4])
{
    P3 n = FromStored(PelvicNormal);
    const double xy[4][2] = {{0.030, -0.058}, {0.045, -0.060}, {PelvicTip.x, PelvicTip.y}, {0.055, -0.092}};
    for (int k = 0; k < 4; ++k) {
        double z = PelvicTip.z - (n.x * (xy[k][0] - PelvicTip.x) + n.y * (xy[k][1] - PelvicTip.y)) / n.z;
        if (side < 0)
            z = -z - 0.0003;
        c[k] = {xy[k][0], xy[k][1], z};
    }
}

// --- the model ------------------------------------------------------------

std::vector<P3> StoredRuleNormals(const std::vector<P3>& pos, const std::vector<Tri>& tris,
                                  const RangeRow* rows, int rowCount)
{
    std::vector<P3> nrm(pos.size());
    for (int r = 0; r < rowCount; ++r) {
        std::vector<Tri> own(tris.begin() + rows[r].faceStart, tris.begin() + rows[r].faceStart + rows[r].faceCount);
        std::vector<P3> dirs = RuleDirections(pos, own);
        for (uint32_t v = rows[r].vertexStart; v < rows[r].vertexStart + rows[r].vertexCount; ++v)
            nrm[v] = NormalOf(ToStored(dirs[v]));
    }
    return nrm;
}

void BuildRest(Model& md, CheckLog& log)
{
    Mesh& m = md.rest;
    // Anal fin (0-15): an 8-gon fanned from its front base.
    std::vector<P3> anal = {{0.105, -0.040, Zm}, {0.106, -0.062, Zm}, {0.122, -0.085, Zm}, {0.148, -0.080, Zm},
                            {0.172, -0.070, Zm}, {0.200, -0.040, Zm}, {0.205, -0.030, Zm}, {0.150, -0.032, Zm}};
    std::vector<Tri> fan;
    for (int i = 1; i + 1 < 8; ++i)
        fan.push_back({0, i, i + 1});
    AddTwoSidedSheet(m.pos, m.tris, anal, fan, P3{0, 0, -1}, log);

    // Dorsal fin (16-47): the free edge (8 points, the top the third) zipped
    // to the base (8); the second sheet moves one point that lies in three
    // triangles, so the sheets share 15 of their 17 points.
    std::vector<P3> dorsal = {{-0.030, 0.100, Zm},  {-0.012, 0.122, Zm}, DorsalTop,          {0.030, 0.120, Zm},
                              {0.070, 0.109, Zm},   {0.110, 0.102, Zm},  {0.150, 0.098, Zm},  {0.199, 0.097, Zm},
                              {-0.038584, 0.0800, Zm}, {0.000, 0.0830, Zm}, {0.035, 0.0850, Zm}, {0.070, 0.0850, Zm},
                              {0.105, 0.0830, Zm}, {0.140, 0.0790, Zm}, {0.170, 0.0750, Zm}, {0.199, 0.0703, Zm}};
    std::vector<Tri> dsheet;
    ZipOpen(dorsal, {0, 1, 2, 3, 4, 5, 6, 7}, {8, 9, 10, 11, 12, 13, 14, 15}, dsheet);
    int dorsalBase = int(m.pos.size());
    AddTwoSidedSheet(m.pos, m.tris, dorsal, dsheet, P3{0, 0, -1}, log);
    {
        std::map<int, int> degree;
        for (const Tri& t : dsheet)
            for (int v : t)
                degree[v]++;
        int odd = -1;
        for (int v : {5, 4, 6, 3})
            if (degree[v] == 3) {
                odd = v;
                break;
            }
        log.Expect(odd >= 0, "no dorsal point lies in exactly three triangles");
        if (odd >= 0) {
            md.dorsalOdd = odd;
            P3& p = m.pos[dorsalBase + 16 + odd];
            p = {p.x + 0.0015, p.y + 0.0015, p.z};
        }
    }

    // Tail fin (48-115): strips between a root line (6), two middle lines (9,
    // 9) and the forked trailing edge (10, top down), stored so that the
    // upper tip is the sheet's 27th point (vertex 74).
    std::vector<P3> tail = {
        {0.225, 0.018, Zm},   {0.225, 0.013, Zm},   {0.225, 0.008, Zm},   {0.225, 0.003, Zm},  {0.225, -0.002, Zm},
        {0.225, -0.006, Zm},  // root
        {0.262, 0.040, Zm},   {0.258, 0.030, Zm},   {0.255, 0.020, Zm},   {0.254, 0.010, Zm},  {0.253, 0.002, Zm},
        {0.254, -0.006, Zm},  {0.256, -0.014, Zm},  {0.259, -0.022, Zm},  {0.263, -0.030, Zm},  // middle 1
        {0.300, 0.068, Zm},   {0.292, 0.052, Zm},   {0.286, 0.036, Zm},   {0.282, 0.020, Zm},  {0.280, 0.006, Zm},
        {0.282, -0.010, Zm},  {0.286, -0.024, Zm},  {0.292, -0.038, Zm},  {0.300, -0.050, Zm},  // middle 2
        {0.345, 0.068, Zm},   {0.335, 0.048, Zm},   TailTip,              {0.325, 0.028, Zm},  {0.316, 0.010, Zm},
        {0.322, -0.008, Zm},  {0.330, -0.025, Zm},  {0.337, -0.042, Zm},  {0.342, -0.056, Zm},  LowerTailTip};
    std::vector<Tri> tsheet;
    ZipOpen(tail, {0, 1, 2, 3, 4, 5}, {6, 7, 8, 9, 10, 11, 12, 13, 14}, tsheet);
    ZipOpen(tail, {6, 7, 8, 9, 10, 11, 12, 13, 14}, {15, 16, 17, 18, 19, 20, 21, 22, 23}, tsheet);
    ZipOpen(tail, {15, 16, 17, 18, 19, 20, 21, 22, 23}, {26, 24, 25, 27, 28, 29, 30, 31, 32, 33}, tsheet);
    AddTwoSidedSheet(m.pos, m.tris, tail, tsheet, P3{0, 0, -1}, log);

    // Pectoral fins: +z (116-127), then -z (128-139); each faces outward.
    md.pectoral[0] = MakePectoral(-1);
    md.pectoral[1] = MakePectoral(1);
    AddQuadFin(m, md.pectoral[1].corners, P3{0, 0, 1});
    AddQuadFin(m, md.pectoral[0].corners, P3{0, 0, -1});
    // Pelvic fins: +z (140-151), then -z (152-163); the +z tip is vertex 142.
    P3 pel[4];
    PelvicCorners(1, pel);
    AddQuadFin(m, pel, FromStored(PelvicNormal));
    PelvicCorners(-1, pel);
    P3 nm = FromStored(PelvicNormal);
    AddQuadFin(m, pel, P3{nm.x, nm.y, -nm.z});
    // Eyes: +z (164-200), then -z (201-237).
    AddEye(m, {-0.1063, 0.0242, 0.0227}, 1);
    AddEye(m, {-0.1063, 0.0242, -0.0243}, -1);
    // Body (238-384).
    AddBody(m);

    for (P3& p : m.pos)
        p = PosOf(p);

    m.tu.assign(m.pos.size(), 0);
    m.tv.assign(m.pos.size(), 0);
    MapBox(m, 0, 16, 0.639, 0.958, 0.328, 0.529);
    MapPart(m, 16, 32, Affine1::Through(DorsalTop.x, 0.1257, 0.199, 0.634),
            Affine1::Through(DorsalTop.y, 0.2364, 0.0703, 0.508));
    MapPart(m, 48, 68, Affine1::Through(TailTip.x, 0.9505, 0.225, 0.549),
            Affine1::Through(TailTip.y, 0.0065, LowerTailTip.y, 0.349));
    MapBox(m, 116, 12, 0.0165, 0.415, 0.0040, 0.265);
    MapBox(m, 128, 12, 0.0165, 0.415, 0.0040, 0.265);
    {
        double x0 = 1, y0 = -1;
        for (int i = 140; i < 152; ++i) {
            x0 = std::min(x0, m.pos[i].x);
            y0 = std::max(y0, m.pos[i].y);
        }
        MapPart(m, 140, 12, Affine1::Through(PelvicTip.x, 0.5319, x0, 0.257),
                Affine1::Through(PelvicTip.y, 0.2969, y0, 0.187));
        MapPart(m, 152, 12, Affine1::Through(PelvicTip.x, 0.5319, x0, 0.257),
                Affine1::Through(PelvicTip.y, 0.2969, y0, 0.187));
    }
    MapBox(m, 164, 37, 0.096, 0.214, 0.411, 0.534);
    MapBox(m, 201, 37, 0.096, 0.214, 0.411, 0.534);
    MapPart(m, 238, 147, Affine1::Through(Snout.x, 0.0218, 0.2489, 1.0014),
            Affine1::Through(Snout.y, 0.8169, -0.060406, 0.9328));
}

void BuildFrames(Model& md)
{
    for (int k = 0; k < Frames; ++k) {
        md.framePos[k] = md.rest.pos;
        if (k > 0)
            for (P3& p : md.framePos[k])
                p.z = Pos(p.z + Amplitude(p.x, p.y) * std::sin(Deg((k - 1) * 36.0 + PhaseDeg - WaveRateDeg * p.x)));
        std::vector<P3> nrm = StoredRuleNormals(md.framePos[k], md.rest.tris, Ranges, 10);
        // Fin twins: exactly negated normals where the sheets share points.
        for (int r = 1; r <= 7; ++r)
            for (uint32_t j = 0; j < Ranges[r].vertexCount / 2; ++j) {
                uint32_t a = Ranges[r].vertexStart + j, b = a + Ranges[r].vertexCount / 2;
                const P3 &pa = md.framePos[k][a], &pb = md.framePos[k][b];
                if (pa.x == pb.x && pa.y == pb.y && pa.z == pb.z && r != 1)
                    nrm[b] = P3{0.0 - nrm[a].x, 0.0 - nrm[a].y, 0.0 - nrm[a].z};
            }
        md.frameNrm[k] = nrm;
    }
    md.frameNrm[0][142] = NormalOf(PelvicNormal);
    md.frameNrm[0][250] = NormalOf(SnoutNormal);
}

// --- poses ------------------------------------------------------------------

void BuildPoses(Model& md)
{
    const Mesh& rest = md.rest;
    md.posePos.assign(PoseVertexCount, P3{});
    md.poseNrm.assign(PoseVertexCount, P3{});
    md.poseTris.assign(PoseFaceCount, Tri{});
    // Each pose range starts as the rest part, triangles shifted.
    for (int e = 0; e < 9; ++e)
        for (int s = 0; s < 2; ++s) {
            const RangeRow& pr = PoseRanges[Triples[e][s]];
            const RangeRow& br = Ranges[Triples[e][2]];
            for (uint32_t j = 0; j < pr.vertexCount; ++j) {
                md.posePos[pr.vertexStart + j] = rest.pos[br.vertexStart + j];
                md.poseNrm[pr.vertexStart + j] = md.frameNrm[0][br.vertexStart + j];
            }
            for (uint32_t f = 0; f < pr.faceCount; ++f)
                for (int k = 0; k < 3; ++k)
                    md.poseTris[pr.faceStart + f][k] =
                        rest.tris[br.faceStart + f][k] + int(pr.vertexStart) - int(br.vertexStart);
        }
    auto at = [&](int poseRange, int j) -> P3& { return md.posePos[PoseRanges[poseRange].vertexStart + j]; };
    auto move = [&](int poseRange, int j, P3 d) {
        P3& p = at(poseRange, j);
        p = PosOf(p + d);
    };
    std::set<int> renormal;  // pose ranges whose normals follow their moved shape

    // Body B: the mouth opens. Head vertices (local, body-relative) sorted by
    // height: the snout and the lowest four drop (the snout also forward),
    // the next seven rise, the three lowest of the next ring move back, eight
    // more on the head sides shift slightly.
    {
        const RangeRow& br = Ranges[0];
        std::vector<std::pair<double, int>> head, ring3;
        for (uint32_t j = 0; j < br.vertexCount; ++j) {
            const P3& p = rest.pos[br.vertexStart + j];
            if (p.x < -0.120)
                head.push_back({p.y, int(j)});
            else if (p.x < -0.095)
                ring3.push_back({p.y, int(j)});
        }
        std::sort(head.begin(), head.end());
        std::sort(ring3.begin(), ring3.end());
        std::vector<int> jaw = {12}, lip, sides;
        for (const auto& h : head)
            if (h.second != 12) {
                if (jaw.size() < 5)
                    jaw.push_back(h.second);
                else if (lip.size() < 7)
                    lip.push_back(h.second);
                else
                    sides.push_back(h.second);
            }
        for (size_t i = 0; i < jaw.size(); ++i)
            move(13, jaw[i], {i == 0 ? -0.0008 : 0.0, -(0.017 + 0.00175 * double(i)), 0});
        for (size_t i = 0; i < lip.size(); ++i)
            move(13, lip[i], {0, 0.003 + 0.0003 * double(i), 0});
        for (int i = 0; i < 3; ++i)
            move(13, ring3[i].second, {0.008, 0, 0});
        for (size_t i = 3; i < ring3.size() && sides.size() < 8; ++i)
            sides.push_back(ring3[i].second);
        for (size_t i = 0; i < sides.size(); ++i)
            move(13, sides[i], {0.0005, -0.0015 - 0.0002 * double(i), 0});
        renormal.insert(13);
        // Pose A is the rest shape; seven vertices of the mid body differ from
        // it by one unit of the last decimal.
        int marked = 0;
        for (uint32_t j = 0; j < br.vertexCount && marked < 7; ++j) {
            P3& p = at(12, j);
            if (std::fabs(p.x - 0.040) < 1e-9 && p.y > 0) {
                // One coordinate one unit of the last decimal off, where the
                // stored floats stay within 0.000001 of each other.
                double* c[3] = {&p.x, &p.y, &p.z};
                bool done = false;
                for (int k = 0; k < 3 && !done; ++k)
                    for (double step : {0.000001, -0.000001}) {
                        double moved = Pos(*c[k] + step);
                        if (!done && moved != *c[k] && std::fabs(moved - *c[k]) <= 1e-6) {
                            *c[k] = moved;
                            done = true;
                        }
                    }
                marked += done;
            }
        }
    }
    // Dorsal B: the free edge folds back and down (both sheets).
    for (int s = 0; s < 2; ++s)
        for (int j = 0; j < 8; ++j) {
            // Two points of the spine fold further; the low rear end less.
            const double scales[8] = {1.0, 1.0, 1.0, 1.4, 1.4, 1.0, 0.8, 0.6};
            double scale = scales[j];
            move(1, s * 16 + j, {0.020 * scale, -0.024 * scale, 0});
        }
    renormal.insert(1);
    // Anal B: the free edge rises, its rear part also back; the rear upper
    // corner moves forward.
    for (int s = 0; s < 2; ++s) {
        const double rise[4] = {0.020, 0.023, 0.022, 0.021};
        for (int j = 1; j <= 4; ++j)
            move(3, s * 8 + j, {j >= 2 ? 0.012 + 0.0005 * (j - 2) : 0.0, rise[j - 1], 0});
        move(3, s * 8 + 6, {-0.013, 0, 0});
    }
    renormal.insert(3);
    // Pectorals A: spread about the root (normals kept).
    for (int side = 0; side < 2; ++side) {
        const Pectoral& p = md.pectoral[side];
        int range = side == 0 ? 4 : 6;
        for (int j = 0; j < 12; ++j) {
            P3& q = at(range, j);
            q = PosOf(TurnAboutY(q, p.root, p.angle));
        }
    }
    // Pelvics B: the free corners (tip and outer corner) fold back and up.
    for (int range : {9, 11}) {
        const P3 tip = at(range, 2);
        for (int j = 0; j < 12; ++j) {
            const P3 q = at(range, j);
            bool isTip = q.x == tip.x && q.y == tip.y && q.z == tip.z;
            bool isOuter = std::fabs(q.x - 0.055) < 1e-9 && std::fabs(q.y + 0.092) < 1e-9;
            if (isTip)
                move(range, j, {0.035, 0.024, 0});
            else if (isOuter)
                move(range, j, {0.035, 0.030, 0});
        }
        renormal.insert(range);
    }
    // Eyes: the pupil disc (centre and inner ring) looks forward (A) and back (B).
    const P3 eyeMoves[4] = {{-0.0016, -0.0004, 0}, {0.0026, -0.0013, -0.0013}, {-0.0021, -0.0010, 0}, {0.0034, -0.0006, 0}};
    const int eyeRanges[4] = {14, 15, 16, 17};
    for (int e = 0; e < 4; ++e) {
        for (int j = 0; j < 13; ++j)
            move(eyeRanges[e], j, eyeMoves[e]);
        renormal.insert(eyeRanges[e]);
    }
    move(16, 13, {0.000011, 0, 0});
    // Normals of the moved shapes by the rule.
    for (int r : renormal) {
        const RangeRow& pr = PoseRanges[r];
        std::vector<Tri> own(md.poseTris.begin() + pr.faceStart, md.poseTris.begin() + pr.faceStart + pr.faceCount);
        std::vector<P3> dirs = RuleDirections(md.posePos, own);
        for (uint32_t v = pr.vertexStart; v < pr.vertexStart + pr.vertexCount; ++v)
            md.poseNrm[v] = NormalOf(ToStored(dirs[v]));
    }
}

// --- low-detail mesh ----------------------------------------------------------

void BuildLow(Model& md, CheckLog& log)
{
    Mesh& m = md.low;
    const double zf = 0.0009;
    // Tail (0-13): a 7-gon fanned from its upper root corner.
    std::vector<P3> tail = {{0.228, 0.016, zf}, {0.3600, 0.0880, zf}, {0.336, 0.040, zf}, {0.318, 0.004, zf},
                            {0.334, -0.035, zf}, {0.352, -0.070, zf}, {0.228, -0.008, zf}};
    std::vector<Tri> fan7;
    for (int i = 1; i + 1 < 7; ++i)
        fan7.push_back({0, i, i + 1});
    AddTwoSidedSheet(m.pos, m.tris, tail, fan7, P3{0, 0, -1}, log);
    // Anal (14-21) and both pelvics as one midplane quad (22-29).
    std::vector<Tri> quad = {{0, 1, 2}, {0, 2, 3}};
    AddTwoSidedSheet(m.pos, m.tris, {{0.105, -0.040, zf}, {0.125, -0.072, zf}, {0.200, -0.045, zf}, {0.205, -0.028, zf}}, quad,
              P3{0, 0, -1}, log);
    AddTwoSidedSheet(m.pos, m.tris, {{0.030, -0.058, zf}, {0.060, -0.092, zf}, {0.0835, -0.0995, zf}, {0.045, -0.055, zf}}, quad,
              P3{0, 0, -1}, log);
    // Pectorals: one outward sheet each (30-33 on -z, 34-37 on +z).
    for (double side : {-1.0, 1.0}) {
        int base = int(m.pos.size());
        double zr = side < 0 ? -0.030 : 0.029, zt = side < 0 ? -0.0601 : 0.0543;
        m.pos.push_back({-0.040, -0.008, zr});
        m.pos.push_back({-0.034, -0.020, zr});
        m.pos.push_back({0.105, -0.035, zt});
        m.pos.push_back({0.060, -0.012, (zr + zt) / 2});
        for (Tri t : quad) {
            Tri g{t[0] + base, t[1] + base, t[2] + base};
            OrientToward(m.pos, g, P3{0, 0, side});
            m.tris.push_back(g);
        }
    }
    // Dorsal (38-49): a 6-gon fanned from its front base.
    std::vector<P3> dorsal = {{-0.035, 0.078, zf}, {-0.004, 0.1300, zf}, {0.060, 0.108, zf},
                              {0.190, 0.094, zf},  {0.195, 0.070, zf},   {0.080, 0.072, zf}};
    std::vector<Tri> fan6;
    for (int i = 1; i + 1 < 6; ++i)
        fan6.push_back({0, i, i + 1});
    AddTwoSidedSheet(m.pos, m.tris, dorsal, fan6, P3{0, 0, -1}, log);

    // Body (50-113): the +z flank's three contour rings (z 0.0338 / 0.0274 /
    // 0.0134, 6 + 8 + 11), the midline outline (13, at z 0.0014, the head
    // point 80 at -0.0006) with the flap tip 88, and the -z flank mirrored
    // about z = 0.00095.
    const double cx = 0.053, cy = 0.014, ax = 0.197, ay = 0.074;
    const double mirror = 0.00095;
    auto contour = [&](double scale, double angle) {
        return P3{cx + ax * scale * std::cos(angle), cy + ay * scale * std::sin(angle), 0};
    };
    const int sizes[3] = {6, 8, 11};
    const double scales[3] = {0.42, 0.70, 0.90}, zs[3] = {0.0338, 0.0274, 0.0134};
    std::vector<P3> flank;  // 25 points of the +z flank, outer ring first
    std::vector<std::vector<int>> rings(3);
    std::vector<std::vector<double>> pars(3);
    for (int r = 0; r < 3; ++r)
        for (int j = 0; j < sizes[r]; ++j) {
            double a = 2 * Pi * (j + 0.5 * r) / sizes[r];
            P3 p = contour(scales[r], a);
            p.z = zs[r];
            if (r == 0 && j == 0)
                p.z = 0.0411;
            rings[r].push_back(int(flank.size()));
            pars[r].push_back(std::fmod((j + 0.5 * r) / sizes[r], 1.0));
            flank.push_back(p);
        }
    // The outline: 13 points; the head point at angle pi.
    std::vector<P3> outline;
    std::vector<double> opar;
    for (int j = 0; j < 13; ++j) {
        double a = 2 * Pi * j / 13 + Pi / 13;
        P3 p = contour(1.0, a);
        p.z = 0.0014;
        outline.push_back(p);
        opar.push_back(a / (2 * Pi));
    }
    // Outline slot 6 (angle pi) is the head point 80; its neighbours 79 and 77.
    // Index assignment: outline slot -> vertex.
    const int slotVertex[13] = {83, 84, 85, 86, 87, 79, 80, 77, 78, 75, 76, 81, 82};
    outline[6].z = -0.0006;
    const P3 flapTip{-0.1474, outline[6].y + 0.004, 0.0014};
    const int base = int(m.pos.size());  // 50
    m.pos.resize(base + 64);
    std::vector<int> plusVertex(25), minusVertex(25);
    for (int i = 0; i < 25; ++i) {
        plusVertex[i] = base + i;
        minusVertex[i] = base + 39 + i;
        m.pos[plusVertex[i]] = flank[i];
        m.pos[minusVertex[i]] = {flank[i].x, flank[i].y, 2 * mirror - flank[i].z};
    }
    std::vector<int> outlineVertex(13);
    for (int j = 0; j < 13; ++j) {
        outlineVertex[j] = slotVertex[j] - 50 + base;
        m.pos[outlineVertex[j]] = outline[j];
    }
    m.pos[base + 38] = flapTip;  // vertex 88
    // The belly's lowest outline point sets the body's v extent.
    {
        int lowest = outlineVertex[0];
        for (int v : outlineVertex)
            if (m.pos[v].y < m.pos[lowest].y)
                lowest = v;
        m.pos[lowest].y = -0.061973;
    }
    std::vector<Tri> body;
    for (int side = 0; side < 2; ++side) {
        const std::vector<int>& vmap = side == 0 ? plusVertex : minusVertex;
        auto mapped = [&](const std::vector<int>& ring) {
            std::vector<int> out;
            for (int i : ring)
                out.push_back(vmap[i]);
            return out;
        };
        std::vector<Tri> t;
        ZipClosed(outlineVertex, opar, mapped(rings[2]), pars[2], t);
        ZipClosed(mapped(rings[2]), pars[2], mapped(rings[1]), pars[1], t);
        ZipClosed(mapped(rings[1]), pars[1], mapped(rings[0]), pars[0], t);
        std::vector<int> cap = mapped(rings[0]);
        for (size_t i = 1; i + 1 < cap.size(); ++i)
            t.push_back({cap[0], cap[i], cap[i + 1]});
        for (Tri& x : t) {
            P3 c = (m.pos[x[0]] + m.pos[x[1]] + m.pos[x[2]]) * (1.0 / 3);
            OrientToward(m.pos, x, c - P3{cx, cy, mirror});
            body.push_back(x);
        }
    }
    // 126 body triangles: the sphere's 122 with the flap's two triangles
    // stored twice, each copy with the opposite winding, at 85/145 and 89/149.
    std::vector<Tri> sphere = body;
    Tri flapA{79, 80, 88}, flapB{77, 80, 88};
    OrientToward(m.pos, flapA, P3{0, 0, 1});
    OrientToward(m.pos, flapB, P3{0, 0, 1});
    std::vector<Tri> all;
    size_t s = 0;
    for (int f = 0; f < 126; ++f) {
        if (f == 55)
            all.push_back(flapA);
        else if (f == 59)
            all.push_back(flapB);
        else if (f == 115)
            all.push_back({flapA[0], flapA[2], flapA[1]});
        else if (f == 119)
            all.push_back({flapB[0], flapB[2], flapB[1]});
        else
            all.push_back(sphere[s++]);
    }
    log.Expect(s == sphere.size(), "low body has %zu sphere triangles", sphere.size());
    for (const Tri& t : all)
        m.tris.push_back(t);

    for (P3& p : m.pos)
        p = PosOf(p);
    m.tu.assign(m.pos.size(), 0);
    m.tv.assign(m.pos.size(), 0);
    MapBox(m, 0, 14, 0.5490, 0.9500, 0.0068, 0.3490);
    MapBox(m, 14, 8, 0.6390, 1.0115, 0.3280, 0.5290);
    MapBox(m, 22, 8, 0.2570, 0.5320, 0.1870, 0.2970);
    MapBox(m, 30, 4, 0.0074, 0.4150, 0.0100, 0.2650);
    MapBox(m, 34, 4, 0.0074, 0.4150, 0.0100, 0.2650);
    MapBox(m, 38, 12, 0.0410, 0.6340, 0.2360, 0.5080);
    MapPart(m, 50, 64, Affine1{0.3730, 2.4675}, Affine1{0.7975, -2.5253});
    // Normals: the rule per piece; the pectorals exactly sideways; the flap
    // tip forward.
    const RangeRow pieces[7] = {{0, 0, 10, 0, 14},  {0, 10, 4, 14, 8},  {0, 14, 4, 22, 8},  {0, 18, 2, 30, 4},
                                {0, 20, 2, 34, 4},  {0, 22, 8, 38, 12}, {0, 30, 126, 50, 64}};
    md.lowNrm = StoredRuleNormals(m.pos, m.tris, pieces, 7);
    for (int i = 30; i < 34; ++i)
        md.lowNrm[i] = {0, 1, 0};
    for (int i = 34; i < 38; ++i)
        md.lowNrm[i] = {0, -1, 0};
    md.lowNrm[88] = {-1, 0, 0};
}

} // namespace

Model BuildBream(CheckLog& log)
{
    Model md;
    BuildRest(md, log);
    BuildFrames(md);
    BuildPoses(md);
    BuildLow(md, log);
    return md;
}

} // namespace breamgen

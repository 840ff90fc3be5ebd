#include "MeshKit.h"

#include "MeshKitInline.h"

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <sstream>

std::string Literal(double v, int places)
{
    std::string s = meshkit::DecimalText(v, places);
    // Always a floating literal, so that an 'f' suffix may follow.
    if (s.find('.') == std::string::npos)
        s += ".0";
    return s;
}

float LiteralFloat(double v, int places)
{
    return std::strtof(Literal(v, places).c_str(), nullptr);
}

P3 FaceNormal(const std::vector<P3>& pos, const Tri& t)
{
    return Normalize(Cross(pos[t[1]] - pos[t[0]], pos[t[2]] - pos[t[0]]));
}

std::vector<P3> RuleDirections(const std::vector<P3>& pos, const std::vector<Tri>& tris)
{
    std::vector<P3> sum(pos.size());
    for (const Tri& t : tris) {
        P3 n = FaceNormal(pos, t);
        for (int k = 0; k < 3; ++k)
            sum[t[k]] = sum[t[k]] + n;
    }
    for (P3& s : sum)
        s = Length(s) > 1e-12 ? Normalize(s) : P3{};
    return sum;
}

double AngleDegrees(P3 a, P3 b)
{
    double c = Dot(Normalize(a), Normalize(b));
    if (c > 1)
        c = 1;
    if (c < -1)
        c = -1;
    return std::acos(c) * 180.0 / Pi;
}

namespace {

std::vector<double> ArcParams(const std::vector<P3>& pos, const std::vector<int>& line)
{
    std::vector<double> s(line.size(), 0.0);
    for (size_t i = 1; i < line.size(); ++i)
        s[i] = s[i - 1] + Length(pos[line[i]] - pos[line[i - 1]]);
    for (double& v : s)
        v /= s.back();
    return s;
}

} // namespace

void ZipOpen(const std::vector<P3>& pos, const std::vector<int>& a, const std::vector<int>& b, std::vector<Tri>& out)
{
    std::vector<double> sa = ArcParams(pos, a), sb = ArcParams(pos, b);
    size_t i = 0, j = 0;
    while (i + 1 < a.size() || j + 1 < b.size()) {
        bool advanceA;
        if (i + 1 >= a.size())
            advanceA = false;
        else if (j + 1 >= b.size())
            advanceA = true;
        else
            advanceA = sa[i + 1] <= sb[j + 1];
        if (advanceA) {
            out.push_back({a[i], a[i + 1], b[j]});
            ++i;
        } else {
            out.push_back({a[i], b[j + 1], b[j]});
            ++j;
        }
    }
}

void ZipClosed(const std::vector<int>& a, const std::vector<double>& pa, const std::vector<int>& b,
               const std::vector<double>& pb, std::vector<Tri>& out)
{
    size_t n = a.size(), m = b.size(), i = 0, j = 0;
    while (i < n || j < m) {
        double na = i < n ? (i + 1 < n ? pa[i + 1] : 1.0 + pa[0]) : 1e9;
        double nb = j < m ? (j + 1 < m ? pb[j + 1] : 1.0 + pb[0]) : 1e9;
        if (na <= nb) {
            out.push_back({a[i % n], a[(i + 1) % n], b[j % m]});
            ++i;
        } else {
            out.push_back({a[i % n], b[(j + 1) % m], b[j % m]});
            ++j;
        }
    }
}

void FanClosed(int centre, const std::vector<int>& ring, std::vector<Tri>& out)
{
    for (size_t i = 0; i < ring.size(); ++i)
        out.push_back({centre, ring[i], ring[(i + 1) % ring.size()]});
}

void OrientToward(const std::vector<P3>& pos, Tri& t, P3 toward)
{
    P3 n = Cross(pos[t[1]] - pos[t[0]], pos[t[2]] - pos[t[0]]);
    if (Dot(n, toward) < 0)
        std::swap(t[1], t[2]);
}

std::string EmitVertexInitialiser(const VertexArrayText& a, const std::vector<P3>& pos, const std::vector<P3>& nrm,
                                  const std::vector<double>& tu, const std::vector<double>& tv, int posPlaces)
{
    std::ostringstream s;
    s << "void " << a.function << "()\n{\n";
    for (size_t i = 0; i < pos.size(); ++i) {
        s << "    " << a.target << "[" << i << "] = " << (a.fish ? "FishVertex" : "MorphVertex") << "(Vector3("
          << Literal(pos[i].x, posPlaces) << "f, " << Literal(pos[i].y, posPlaces) << "f, "
          << Literal(pos[i].z, posPlaces) << "f), Vector3(" << Literal(nrm[i].x, 4) << "f, "
          << Literal(nrm[i].y, 4) << "f, " << Literal(nrm[i].z, 4) << "f)";
        if (a.fish)
            s << ", " << Literal(tu[i], 4) << "f, " << Literal(tv[i], 4) << "f";
        s << ");\n";
    }
    s << "}\n\n";
    return s.str();
}

std::string EmitIndices(const std::vector<Tri>& tris, const std::string& indent)
{
    std::ostringstream s;
    s << "{";
    for (size_t i = 0; i < tris.size(); ++i) {
        if (i % 8 == 0)
            s << "\n" << indent;
        s << tris[i][0] << ", " << tris[i][1] << ", " << tris[i][2] << ",";
        if (i % 8 != 7)
            s << " ";
    }
    s << "\n" << indent.substr(0, indent.size() >= 4 ? indent.size() - 4 : 0) << "}";
    return s.str();
}

std::string EmitRanges(const std::vector<RangeRow>& rows, const std::string& indent)
{
    std::ostringstream s;
    s << "{\n";
    for (const RangeRow& r : rows) {
        s << indent << "{" << r.id << ", ";
        if (r.faceStart == 0xFFFFFFFFu)
            s << "0xFFFFFFFF";
        else
            s << r.faceStart;
        s << ", " << r.faceCount << ", ";
        if (r.vertexStart == 0xFFFFFFFFu)
            s << "0xFFFFFFFF";
        else
            s << r.vertexStart;
        s << ", " << r.vertexCount << "},\n";
    }
    s << indent.substr(0, indent.size() >= 4 ? indent.size() - 4 : 0) << "}";
    return s.str();
}

uint32_t HashFloats(const std::vector<float>& values)
{
    uint32_t h = 2166136261u;
    for (float f : values) {
        const unsigned char* p = reinterpret_cast<const unsigned char*>(&f);
        for (size_t k = 0; k < sizeof f; ++k) {
            h ^= p[k];
            h *= 16777619u;
        }
    }
    return h;
}

uint32_t HashVertices(const std::vector<P3>& pos, const std::vector<P3>& nrm, const std::vector<double>* tu,
                      const std::vector<double>* tv)
{
    std::vector<float> f;
    for (size_t v = 0; v < pos.size(); ++v) {
        for (double x : {pos[v].x, pos[v].y, pos[v].z, nrm[v].x, nrm[v].y, nrm[v].z})
            f.push_back(float(x));
        if (tu) {
            f.push_back(float((*tu)[v]));
            f.push_back(float((*tv)[v]));
        }
    }
    return HashFloats(f);
}

namespace {

void Report(const std::string& name, const char* fmt, va_list ap)
{
    std::fprintf(stderr, "%s: check failed: ", name.c_str());
    std::vfprintf(stderr, fmt, ap);
    std::fprintf(stderr, "\n");
}

} // namespace

void CheckLog::Fail(const char* fmt, ...)
{
    ++failures;
    va_list ap;
    va_start(ap, fmt);
    Report(name, fmt, ap);
    va_end(ap);
}

bool CheckLog::Expect(bool ok, const char* fmt, ...)
{
    if (ok)
        return true;
    ++failures;
    va_list ap;
    va_start(ap, fmt);
    Report(name, fmt, ap);
    va_end(ap);
    return false;
}

void AddTwoSidedSheet(std::vector<P3>& pos, std::vector<Tri>& tris, const std::vector<P3>& pts,
                      const std::vector<Tri>& sheet, P3 face, CheckLog& log)
{
    const int base = int(pos.size()), n = int(pts.size());
    for (int s = 0; s < 2; ++s)
        for (const P3& p : pts)
            pos.push_back(p);
    std::vector<Tri> first;
    int flipped = 0;
    for (Tri t : sheet) {
        Tri g{t[0] + base, t[1] + base, t[2] + base};
        const Tri before = g;
        OrientToward(pos, g, face);
        flipped += g != before;
        first.push_back(g);
    }
    log.Expect(flipped == 0 || flipped == int(sheet.size()), "sheet at vertex %d folds (%d of %zu flipped)", base,
               flipped, sheet.size());
    for (const Tri& t : first)
        tris.push_back(t);
    for (const Tri& t : first)
        tris.push_back({t[0] + n, t[2] + n, t[1] + n});
}

// Small mesh helpers shared by the model generators and the checks of the
// mackerel and stage data: vectors in double precision, literals rounded to a
// number of decimal places and stored as floats, the vertex-normal rule of
// the model data, the writing of C++ literals, and the collection of check
// failures. Header-only; no platform headers, so the checks also build into
// the Windows test programs.
#pragma once

#include "../../common/Pi.h"

#include <cmath>
#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace meshkit {

struct V3 {
    double x = 0, y = 0, z = 0;
    V3() = default;
    V3(double a, double b, double c) : x(a), y(b), z(c) {}
};

inline V3 operator+(const V3& a, const V3& b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline V3 operator-(const V3& a, const V3& b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline V3 operator*(const V3& a, double s) { return {a.x * s, a.y * s, a.z * s}; }
inline V3 operator-(const V3& a) { return {-a.x, -a.y, -a.z}; }
inline double Dot(const V3& a, const V3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline V3 Cross(const V3& a, const V3& b)
{
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(const V3& a) { return std::sqrt(Dot(a, a)); }
inline V3 Normalised(const V3& a)
{
    const double l = Length(a);
    return l > 0 ? a * (1.0 / l) : V3();
}
// Angle between two directions in degrees.
inline double AngleDeg(const V3& a, const V3& b)
{
    const double la = Length(a), lb = Length(b);
    if (la == 0 || lb == 0)
        return 180.0;
    double c = Dot(a, b) / (la * lb);
    c = c > 1 ? 1 : (c < -1 ? -1 : c);
    return std::acos(c) * 180.0 / Pi;
}

// The decimal text of v with at most `places` decimals (trailing zeros
// dropped, never "-0").
inline std::string DecimalText(double v, int places)
{
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*f", places, v);
    std::string s = buf;
    if (s.find('.') != std::string::npos) {
        while (!s.empty() && s.back() == '0')
            s.pop_back();
        if (!s.empty() && s.back() == '.')
            s.pop_back();
    }
    if (s == "-0")
        s = "0";
    return s;
}

// The float that the literal of v with `places` decimals stands for.
inline float Literal(double v, int places) { return std::strtof(DecimalText(v, places).c_str(), nullptr); }

// A float literal for C++ source.
inline std::string FloatSource(double v, int places)
{
    std::string s = DecimalText(v, places);
    if (s.find('.') == std::string::npos)
        s += ".0";
    return s + "f";
}

inline V3 Position(const float* p) { return {p[0], p[1], p[2]}; }

// Triangle normal normalize((p1 - p0) x (p2 - p0)).
inline V3 FaceNormal(const V3& p0, const V3& p1, const V3& p2) { return Normalised(Cross(p1 - p0, p2 - p0)); }

// The vertex-normal rule: per vertex the normalised sum of the unit normals
// of the triangles that use it (only triangles in [faceBegin, faceEnd)).
// positions: vertexCount x 3 doubles-as-V3.
inline std::vector<V3> RuleNormals(const std::vector<V3>& positions, const std::vector<uint16_t>& indices,
                                   size_t faceBegin, size_t faceEnd)
{
    std::vector<V3> sum(positions.size());
    for (size_t f = faceBegin; f < faceEnd; ++f) {
        const uint16_t a = indices[f * 3], b = indices[f * 3 + 1], c = indices[f * 3 + 2];
        const V3 g = FaceNormal(positions[a], positions[b], positions[c]);
        sum[a] = sum[a] + g;
        sum[b] = sum[b] + g;
        sum[c] = sum[c] + g;
    }
    for (V3& s : sum)
        s = Normalised(s);
    return sum;
}

// A direction stored turned a quarter turn about x: (n.x, -n.z, n.y).
inline V3 StoreTurned(const V3& n) { return {n.x, -n.z, n.y}; }
// The direction a stored normal (a, b, c) stands for: (a, c, -b).
inline V3 UnturnStored(const V3& s) { return {s.x, s.z, -s.y}; }

// Adds a formatted failure to a check's list; the list keeps the first 25.
inline void Fail(std::vector<std::string>& f, const char* fmt, ...)
{
    if (f.size() >= 25)
        return;
    char buf[512];
    va_list ap;
    va_start(ap, fmt);
    std::vsnprintf(buf, sizeof buf, fmt, ap);
    va_end(ap);
    f.push_back(buf);
}

} // namespace meshkit

#include "D3DXMath.h"

#include <cmath>
#include <cstring>

namespace {

// Lengths are summed in double so that very small or very large components
// neither underflow to a zero length nor overflow to infinity.
double LengthOf(double x, double y, double z)
{
    return std::sqrt(x * x + y * y + z * z);
}

// Unit vector in the direction of v; the zero vector stays zero.
D3DXVECTOR3 Normalized(const D3DXVECTOR3& v)
{
    const double len = LengthOf(v.x, v.y, v.z);
    if (len == 0.0)
        return D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    return D3DXVECTOR3(static_cast<float>(v.x / len), static_cast<float>(v.y / len),
                       static_cast<float>(v.z / len));
}

D3DXVECTOR3 Cross(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return D3DXVECTOR3(a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x);
}

float Dot(const D3DXVECTOR3& a, const D3DXVECTOR3& b)
{
    return a.x * b.x + a.y * b.y + a.z * b.z;
}

D3DXMATRIX Product(const D3DXMATRIX& a, const D3DXMATRIX& b)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = a.m[i][0] * b.m[0][j] + a.m[i][1] * b.m[1][j] +
                        a.m[i][2] * b.m[2][j] + a.m[i][3] * b.m[3][j];
        }
    }
    return r;
}

D3DXMATRIX IdentityMatrix()
{
    return D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f,
                      0.0f, 1.0f, 0.0f, 0.0f,
                      0.0f, 0.0f, 1.0f, 0.0f,
                      0.0f, 0.0f, 0.0f, 1.0f);
}

} // namespace

// ---------------------------------------------------------------------------
// D3DXMATRIX members

D3DXMATRIX::D3DXMATRIX(const float* f)
{
    std::memcpy(m, f, sizeof(m));
}

D3DXMATRIX::D3DXMATRIX(float f11, float f12, float f13, float f14,
                       float f21, float f22, float f23, float f24,
                       float f31, float f32, float f33, float f34,
                       float f41, float f42, float f43, float f44)
{
    _11 = f11; _12 = f12; _13 = f13; _14 = f14;
    _21 = f21; _22 = f22; _23 = f23; _24 = f24;
    _31 = f31; _32 = f32; _33 = f33; _34 = f34;
    _41 = f41; _42 = f42; _43 = f43; _44 = f44;
}

D3DXMATRIX D3DXMATRIX::operator*(const D3DXMATRIX& mat) const
{
    return Product(*this, mat);
}

D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat)
{
    *this = Product(*this, mat);
    return *this;
}

bool D3DXMATRIX::operator==(const D3DXMATRIX& mat) const
{
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            if (m[i][j] != mat.m[i][j])
                return false;
    return true;
}

// ---------------------------------------------------------------------------
// Matrix functions

D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out)
{
    *out = IdentityMatrix();
    return out;
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* m1, const D3DXMATRIX* m2)
{
    // Product() builds the result in a temporary, so out may alias m1 or m2.
    *out = Product(*m1, *m2);
    return out;
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, float sx, float sy, float sz)
{
    *out = IdentityMatrix();
    out->_11 = sx;
    out->_22 = sy;
    out->_33 = sz;
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, float x, float y, float z)
{
    *out = IdentityMatrix();
    out->_41 = x;
    out->_42 = y;
    out->_43 = z;
    return out;
}

// The rotations turn clockwise about the axis when looking from its positive
// end towards the origin, as is usual for left-handed coordinates.
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *out = IdentityMatrix();
    out->_22 = c;
    out->_23 = s;
    out->_32 = -s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *out = IdentityMatrix();
    out->_11 = c;
    out->_13 = -s;
    out->_31 = s;
    out->_33 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, float angle)
{
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    *out = IdentityMatrix();
    out->_11 = c;
    out->_12 = s;
    out->_21 = -s;
    out->_22 = c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, float angle)
{
    const D3DXVECTOR3 n = Normalized(*axis);
    if (n.x == 0.0f && n.y == 0.0f && n.z == 0.0f)
        return D3DXMatrixIdentity(out);

    // Rodrigues' formula c*I + (1-c)*n*n^T + s*[n]x, transposed for row vectors.
    const float c = std::cos(angle);
    const float s = std::sin(angle);
    const float t = 1.0f - c;

    *out = IdentityMatrix();
    out->_11 = t * n.x * n.x + c;
    out->_12 = t * n.x * n.y + s * n.z;
    out->_13 = t * n.x * n.z - s * n.y;

    out->_21 = t * n.y * n.x - s * n.z;
    out->_22 = t * n.y * n.y + c;
    out->_23 = t * n.y * n.z + s * n.x;

    out->_31 = t * n.z * n.x + s * n.y;
    out->_32 = t * n.z * n.y - s * n.x;
    out->_33 = t * n.z * n.z + c;
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, float yaw, float pitch, float roll)
{
    // Roll about Z first, then pitch about X, then yaw about Y.
    D3DXMATRIX rz, rx, ry;
    D3DXMatrixRotationZ(&rz, roll);
    D3DXMatrixRotationX(&rx, pitch);
    D3DXMatrixRotationY(&ry, yaw);
    *out = Product(Product(rz, rx), ry);
    return out;
}

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                               const D3DXVECTOR3* up)
{
    // Copy the inputs first: the caller may pass vectors that live inside *out.
    const D3DXVECTOR3 e = *eye;
    const D3DXVECTOR3 zaxis = Normalized(*at - e);
    const D3DXVECTOR3 xaxis = Normalized(Cross(*up, zaxis));
    const D3DXVECTOR3 yaxis = Cross(zaxis, xaxis);

    *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0.0f,
                      xaxis.y, yaxis.y, zaxis.y, 0.0f,
                      xaxis.z, yaxis.z, zaxis.z, 0.0f,
                      -Dot(xaxis, e), -Dot(yaxis, e), -Dot(zaxis, e), 1.0f);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, float fovy, float aspect, float zn, float zf)
{
    const float yScale = 1.0f / std::tan(fovy * 0.5f);
    const float xScale = yScale / aspect;
    const float depth = zf / (zf - zn);

    std::memset(out->m, 0, sizeof(out->m));
    out->_11 = xScale;
    out->_22 = yScale;
    out->_33 = depth;
    out->_34 = 1.0f;
    out->_43 = -zn * depth;
    return out;
}

// ---------------------------------------------------------------------------
// Vector functions

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v)
{
    const double len = LengthOf(v->x, v->y, 0.0);
    if (len == 0.0) {
        *out = D3DXVECTOR2(0.0f, 0.0f);
    } else {
        *out = D3DXVECTOR2(static_cast<float>(v->x / len), static_cast<float>(v->y / len));
    }
    return out;
}

float D3DXVec3Length(const D3DXVECTOR3* v)
{
    return static_cast<float>(LengthOf(v->x, v->y, v->z));
}

float D3DXVec3Dot(const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    return Dot(*v1, *v2);
}

D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    *out = Cross(*v1, *v2);
    return out;
}

D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    *out = *v1 + *v2;
    return out;
}

D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2)
{
    *out = *v1 - *v2;
    return out;
}

D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, float s)
{
    *out = *v * s;
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v)
{
    *out = Normalized(*v);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m)
{
    const float x = v->x * m->_11 + v->y * m->_21 + v->z * m->_31 + m->_41;
    const float y = v->x * m->_12 + v->y * m->_22 + v->z * m->_32 + m->_42;
    const float z = v->x * m->_13 + v->y * m->_23 + v->z * m->_33 + m->_43;
    const float w = v->x * m->_14 + v->y * m->_24 + v->z * m->_34 + m->_44;

    // A point on the camera plane has w == 0; return it unprojected rather
    // than as infinities.
    if (w == 0.0f)
        *out = D3DXVECTOR3(x, y, z);
    else
        *out = D3DXVECTOR3(x / w, y / w, z / w);
    return out;
}

D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1,
                                const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, float s)
{
    const float s2 = s * s;
    const float s3 = s2 * s;

    // Weights of the four control points in the uniform Catmull-Rom basis.
    const float w0 = 0.5f * (-s + 2.0f * s2 - s3);
    const float w1 = 0.5f * (2.0f - 5.0f * s2 + 3.0f * s3);
    const float w2 = 0.5f * (s + 4.0f * s2 - 3.0f * s3);
    const float w3 = 0.5f * (-s2 + s3);

    *out = *v0 * w0 + *v1 * w1 + *v2 * w2 + *v3 * w3;
    return out;
}

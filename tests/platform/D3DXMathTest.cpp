// Tests for our D3DX 8 math subset. Expected values are hand-computed or follow
// from geometry (known points landing in known places, orthonormal bases),
// never from re-running the formulas under test.
#include "D3DXMath.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstddef>
#include <type_traits>

namespace {

const float kPi = 3.14159265358979f;
const float kTol = 1e-5f;

float Deg(float degrees) { return degrees * kPi / 180.0f; }

D3DXMATRIX Identity()
{
    return D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
}

// Rows 1..4 hold 1..16.
D3DXMATRIX Sequential()
{
    return D3DXMATRIX(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
}

// Doubles the x axis, swaps y and z, and adds the old w to x.
D3DXMATRIX Shuffle()
{
    return D3DXMATRIX(2, 0, 0, 0, 0, 0, 1, 0, 0, 1, 0, 0, 1, 0, 0, 1);
}

void ExpectMatrixNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tol = kTol)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_NEAR(actual.m[r][c], expected.m[r][c], tol) << "element _" << r + 1 << c + 1;
}

void ExpectVec3Near(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tol = kTol)
{
    EXPECT_NEAR(actual.x, expected.x, tol) << "x";
    EXPECT_NEAR(actual.y, expected.y, tol) << "y";
    EXPECT_NEAR(actual.z, expected.z, tol) << "z";
}

void ExpectMatrixFinite(const D3DXMATRIX& mat)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            EXPECT_TRUE(std::isfinite(mat.m[r][c])) << "element _" << r + 1 << c + 1;
}

// The upper 3x3 block must be an orthonormal basis with determinant +1: a
// pure rotation that keeps the coordinate system's handedness.
void ExpectProperRotation(const D3DXMATRIX& mat)
{
    for (int i = 0; i < 3; ++i) {
        for (int j = 0; j < 3; ++j) {
            const float dot = mat.m[i][0] * mat.m[j][0] + mat.m[i][1] * mat.m[j][1] +
                              mat.m[i][2] * mat.m[j][2];
            EXPECT_NEAR(dot, i == j ? 1.0f : 0.0f, kTol) << "rows " << i + 1 << ", " << j + 1;
        }
    }
    const float det = mat._11 * (mat._22 * mat._33 - mat._23 * mat._32) -
                      mat._12 * (mat._21 * mat._33 - mat._23 * mat._31) +
                      mat._13 * (mat._21 * mat._32 - mat._22 * mat._31);
    EXPECT_NEAR(det, 1.0f, kTol);
}

D3DXVECTOR3 Transform(const D3DXVECTOR3& v, const D3DXMATRIX& mat)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &mat);
    return out;
}

D3DXMATRIX RotX(float a) { D3DXMATRIX m; return *D3DXMatrixRotationX(&m, a); }
D3DXMATRIX RotY(float a) { D3DXMATRIX m; return *D3DXMatrixRotationY(&m, a); }
D3DXMATRIX RotZ(float a) { D3DXMATRIX m; return *D3DXMatrixRotationZ(&m, a); }
D3DXMATRIX RotAxis(D3DXVECTOR3 axis, float a) { D3DXMATRIX m; return *D3DXMatrixRotationAxis(&m, &axis, a); }
D3DXMATRIX RotAxisOblique(float a) { return RotAxis(D3DXVECTOR3(1, -2, 3), a); }
D3DXMATRIX Ypr(float y, float p, float r) { D3DXMATRIX m; return *D3DXMatrixRotationYawPitchRoll(&m, y, p, r); }
D3DXMATRIX Scale(float x, float y, float z) { D3DXMATRIX m; return *D3DXMatrixScaling(&m, x, y, z); }
D3DXMATRIX Translate(float x, float y, float z) { D3DXMATRIX m; return *D3DXMatrixTranslation(&m, x, y, z); }

} // namespace

// ---------------------------------------------------------------------------
// Layouts: these types are handed to Direct3D and stored in mesh files.

TEST(D3DXMathLayout, TypesMatchDirect3DLayouts)
{
    static_assert(sizeof(D3DXVECTOR2) == 8, "");
    static_assert(sizeof(D3DXVECTOR3) == sizeof(D3DVECTOR), "");
    static_assert(sizeof(D3DXVECTOR4) == 16, "");
    static_assert(sizeof(D3DXMATRIX) == sizeof(D3DMATRIX), "");
    static_assert(std::is_trivially_copyable<D3DXVECTOR3>::value, "");
    static_assert(std::is_trivially_copyable<D3DXMATRIX>::value, "");
    static_assert(offsetof(D3DXVECTOR4, w) == 12, "");
    static_assert(sizeof(D3DXATTRIBUTERANGE) == 20, "");
    static_assert(offsetof(D3DXATTRIBUTERANGE, AttribId) == 0, "");
    static_assert(offsetof(D3DXATTRIBUTERANGE, FaceStart) == 4, "");
    static_assert(offsetof(D3DXATTRIBUTERANGE, FaceCount) == 8, "");
    static_assert(offsetof(D3DXATTRIBUTERANGE, VertexStart) == 12, "");
    static_assert(offsetof(D3DXATTRIBUTERANGE, VertexCount) == 16, "");

    // Translation lives in the fourth row, which is floats 12..14 in memory.
    D3DXMATRIX t = Translate(7, 8, 9);
    const float* f = &t._11;
    EXPECT_EQ(f[12], 7.0f);
    EXPECT_EQ(f[13], 8.0f);
    EXPECT_EQ(f[14], 9.0f);
    EXPECT_EQ(&t.m[3][0], &t._41);
    EXPECT_EQ(&t.m[1][2], &t._23);

    // A D3DXVECTOR3 can be passed where Direct3D wants a D3DVECTOR.
    D3DXVECTOR3 v(1, 2, 3);
    const D3DVECTOR* dv = &v;
    EXPECT_EQ(dv->z, 3.0f);
}

TEST(D3DXMathLayout, MatrixConstructorsAndElementAccess)
{
    const float values[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};
    const D3DXMATRIX fromArray(values);
    const D3DXMATRIX fromFloats = Sequential();

    struct Case { unsigned row, col; float expected; };
    const Case cases[] = {{0, 0, 1}, {0, 3, 4}, {1, 0, 5}, {2, 1, 10}, {3, 0, 13}, {3, 3, 16}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "row " << c.row << " col " << c.col);
        EXPECT_EQ(fromArray(c.row, c.col), c.expected);
        EXPECT_EQ(fromFloats(c.row, c.col), c.expected);
        EXPECT_EQ(fromFloats.m[c.row][c.col], c.expected);
    }
    EXPECT_EQ(fromFloats._23, 7.0f);
    EXPECT_EQ(fromFloats._42, 14.0f);

    D3DXMATRIX writable = Sequential();
    writable(2, 3) = -1.0f;
    EXPECT_EQ(writable._34, -1.0f);

    EXPECT_TRUE(fromArray == fromFloats);
    EXPECT_FALSE(fromArray != fromFloats);
    EXPECT_TRUE(writable != fromFloats);
    EXPECT_FALSE(writable == fromFloats);
}

// ---------------------------------------------------------------------------
// Vector operators

TEST(D3DXMathVectorOperators, Vector3)
{
    const D3DXVECTOR3 a(1, 2, 3);
    const D3DXVECTOR3 b(4, -5, 6);

    struct Case { const char* name; D3DXVECTOR3 actual; D3DXVECTOR3 expected; };
    const Case cases[] = {
        {"a + b", a + b, D3DXVECTOR3(5, -3, 9)},
        {"a - b", a - b, D3DXVECTOR3(-3, 7, -3)},
        {"-a", -a, D3DXVECTOR3(-1, -2, -3)},
        {"a * 2", a * 2.0f, D3DXVECTOR3(2, 4, 6)},
        {"2 * b", 2.0f * b, D3DXVECTOR3(8, -10, 12)},
        {"b / 4", b / 4.0f, D3DXVECTOR3(1, -1.25f, 1.5f)},
        {"a += b", D3DXVECTOR3(a) += b, D3DXVECTOR3(5, -3, 9)},
        {"a -= b", D3DXVECTOR3(a) -= b, D3DXVECTOR3(-3, 7, -3)},
        {"a *= -3", D3DXVECTOR3(a) *= -3.0f, D3DXVECTOR3(-3, -6, -9)},
        {"b /= 2", D3DXVECTOR3(b) /= 2.0f, D3DXVECTOR3(2, -2.5f, 3)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectVec3Near(c.actual, c.expected, 0.0f);
    }

    EXPECT_TRUE(a == D3DXVECTOR3(1, 2, 3));
    EXPECT_FALSE(a != D3DXVECTOR3(1, 2, 3));
    const D3DXVECTOR3 differ[] = {D3DXVECTOR3(0, 2, 3), D3DXVECTOR3(1, 0, 3), D3DXVECTOR3(1, 2, 0)};
    for (const D3DXVECTOR3& d : differ) {
        EXPECT_FALSE(a == d);
        EXPECT_TRUE(a != d);
    }

    // Self-assignment through the compound operators.
    D3DXVECTOR3 self(1, 2, 3);
    self += self;
    EXPECT_EQ(self, D3DXVECTOR3(2, 4, 6));
    self -= self;
    EXPECT_EQ(self, D3DXVECTOR3(0, 0, 0));
}

TEST(D3DXMathVectorOperators, Vector2And4)
{
    const D3DXVECTOR2 a(1, -2);
    const D3DXVECTOR2 b(3, 5);
    struct Case2 { const char* name; D3DXVECTOR2 actual; D3DXVECTOR2 expected; };
    const Case2 cases2[] = {
        {"a + b", a + b, D3DXVECTOR2(4, 3)},
        {"a - b", a - b, D3DXVECTOR2(-2, -7)},
        {"-a", -a, D3DXVECTOR2(-1, 2)},
        {"a * 3", a * 3.0f, D3DXVECTOR2(3, -6)},
        {"0.5 * b", 0.5f * b, D3DXVECTOR2(1.5f, 2.5f)},
        {"b / 2", b / 2.0f, D3DXVECTOR2(1.5f, 2.5f)},
        {"a += b", D3DXVECTOR2(a) += b, D3DXVECTOR2(4, 3)},
        {"a -= b", D3DXVECTOR2(a) -= b, D3DXVECTOR2(-2, -7)},
        {"a *= 2", D3DXVECTOR2(a) *= 2.0f, D3DXVECTOR2(2, -4)},
        {"b /= 5", D3DXVECTOR2(b) /= 5.0f, D3DXVECTOR2(0.6f, 1)},
    };
    for (const Case2& c : cases2) {
        SCOPED_TRACE(c.name);
        EXPECT_FLOAT_EQ(c.actual.x, c.expected.x);
        EXPECT_FLOAT_EQ(c.actual.y, c.expected.y);
    }
    EXPECT_TRUE(a == D3DXVECTOR2(1, -2));
    EXPECT_TRUE(a != D3DXVECTOR2(1, 2));

    const D3DXVECTOR4 p(1, 2, 3, 4);
    const D3DXVECTOR4 q(-1, 0, 2, 0.5f);
    struct Case4 { const char* name; D3DXVECTOR4 actual; D3DXVECTOR4 expected; };
    const Case4 cases4[] = {
        {"p + q", p + q, D3DXVECTOR4(0, 2, 5, 4.5f)},
        {"p - q", p - q, D3DXVECTOR4(2, 2, 1, 3.5f)},
        {"-q", -q, D3DXVECTOR4(1, 0, -2, -0.5f)},
        {"p * 2", p * 2.0f, D3DXVECTOR4(2, 4, 6, 8)},
        {"-1 * p", -1.0f * p, D3DXVECTOR4(-1, -2, -3, -4)},
        {"p / 4", p / 4.0f, D3DXVECTOR4(0.25f, 0.5f, 0.75f, 1)},
        {"p += q", D3DXVECTOR4(p) += q, D3DXVECTOR4(0, 2, 5, 4.5f)},
        {"p -= q", D3DXVECTOR4(p) -= q, D3DXVECTOR4(2, 2, 1, 3.5f)},
        {"q *= 4", D3DXVECTOR4(q) *= 4.0f, D3DXVECTOR4(-4, 0, 8, 2)},
        {"p /= 2", D3DXVECTOR4(p) /= 2.0f, D3DXVECTOR4(0.5f, 1, 1.5f, 2)},
    };
    for (const Case4& c : cases4) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(c.actual, c.expected);
    }
    EXPECT_TRUE(p != D3DXVECTOR4(1, 2, 3, 5));
    EXPECT_FALSE(p != D3DXVECTOR4(1, 2, 3, 4));
}

// ---------------------------------------------------------------------------
// Matrix product and transpose

TEST(D3DXMathMatrix, MultiplyMatchesHandComputedProducts)
{
    const D3DXMATRIX a = Sequential();
    const D3DXMATRIX b = Shuffle();
    const D3DXMATRIX ab(6, 3, 2, 4, 18, 7, 6, 8, 30, 11, 10, 12, 42, 15, 14, 16);
    const D3DXMATRIX ba(2, 4, 6, 8, 9, 10, 11, 12, 5, 6, 7, 8, 14, 16, 18, 20);
    const D3DXMATRIX aa(90, 100, 110, 120, 202, 228, 254, 280,
                        314, 356, 398, 440, 426, 484, 542, 600);

    struct Case { const char* name; D3DXMATRIX left, right, expected; };
    const Case cases[] = {
        {"A*B", a, b, ab},
        {"B*A", b, a, ba},
        {"A*A", a, a, aa},
        {"A*I", a, Identity(), a},
        {"I*B", Identity(), b, b},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX out;
        EXPECT_EQ(D3DXMatrixMultiply(&out, &c.left, &c.right), &out);
        ExpectMatrixNear(out, c.expected, 0.0f);
        ExpectMatrixNear(c.left * c.right, c.expected, 0.0f);
        D3DXMATRIX compound = c.left;
        compound *= c.right;
        ExpectMatrixNear(compound, c.expected, 0.0f);
    }
}

TEST(D3DXMathMatrix, MultiplyWithAliasedOutput)
{
    const D3DXMATRIX ab(6, 3, 2, 4, 18, 7, 6, 8, 30, 11, 10, 12, 42, 15, 14, 16);
    const D3DXMATRIX aa(90, 100, 110, 120, 202, 228, 254, 280,
                        314, 356, 398, 440, 426, 484, 542, 600);

    D3DXMATRIX a = Sequential();
    D3DXMATRIX b = Shuffle();
    D3DXMatrixMultiply(&a, &a, &b);
    ExpectMatrixNear(a, ab, 0.0f);

    a = Sequential();
    D3DXMatrixMultiply(&b, &a, &b);
    ExpectMatrixNear(b, ab, 0.0f);

    a = Sequential();
    D3DXMatrixMultiply(&a, &a, &a);
    ExpectMatrixNear(a, aa, 0.0f);

    a = Sequential();
    a *= a;
    ExpectMatrixNear(a, aa, 0.0f);
}

TEST(D3DXMathMatrix, TransposeAndIdentity)
{
    const D3DXMATRIX a = Sequential();
    const D3DXMATRIX expected(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16);

    D3DXMATRIX out;
    EXPECT_EQ(D3DXMatrixTranspose(&out, &a), &out);
    ExpectMatrixNear(out, expected, 0.0f);

    D3DXMATRIX inPlace = Sequential();
    D3DXMatrixTranspose(&inPlace, &inPlace);
    ExpectMatrixNear(inPlace, expected, 0.0f);

    D3DXMATRIX id = Sequential();
    EXPECT_EQ(D3DXMatrixIdentity(&id), &id);
    ExpectMatrixNear(id, Identity(), 0.0f);
}

// ---------------------------------------------------------------------------
// Building transforms: known points must land in known places.

TEST(D3DXMathTransforms, KnownPointsMapToKnownPlaces)
{
    const float s30 = 0.5f;
    const float c30 = std::sqrt(3.0f) / 2.0f;

    struct Case { const char* name; D3DXMATRIX mat; D3DXVECTOR3 in, expected; };
    const Case cases[] = {
        {"scaling", Scale(2, 3, 4), {1, 1, 1}, {2, 3, 4}},
        {"negative scaling", Scale(-1, 0.5f, 1), {2, 2, 2}, {-2, 1, 2}},
        {"translation", Translate(1, 2, 3), {1, 1, 1}, {2, 3, 4}},
        {"translation of origin", Translate(-4, 0, 9), {0, 0, 0}, {-4, 0, 9}},
        {"rotX 90: y to z", RotX(Deg(90)), {0, 1, 0}, {0, 0, 1}},
        {"rotX 90: z to -y", RotX(Deg(90)), {0, 0, 1}, {0, -1, 0}},
        {"rotX leaves x", RotX(Deg(37)), {2, 0, 0}, {2, 0, 0}},
        {"rotY 90: x to -z", RotY(Deg(90)), {1, 0, 0}, {0, 0, -1}},
        {"rotY 90: z to x", RotY(Deg(90)), {0, 0, 1}, {1, 0, 0}},
        {"rotY 30", RotY(Deg(30)), {1, 0, 0}, {c30, 0, -s30}},
        {"rotY leaves y", RotY(Deg(-71)), {0, 3, 0}, {0, 3, 0}},
        {"rotZ 90: x to y", RotZ(Deg(90)), {1, 0, 0}, {0, 1, 0}},
        {"rotZ 90: y to -x", RotZ(Deg(90)), {0, 1, 0}, {-1, 0, 0}},
        {"rotZ 30", RotZ(Deg(30)), {1, 0, 0}, {c30, s30, 0}},
        {"rotZ leaves z", RotZ(Deg(123)), {0, 0, -5}, {0, 0, -5}},
        // Row vectors: the left matrix is applied first.
        {"translate then scale", Translate(1, 0, 0) * Scale(2, 2, 2), {1, 1, 1}, {4, 2, 2}},
        {"scale then translate", Scale(2, 2, 2) * Translate(1, 0, 0), {1, 1, 1}, {3, 2, 2}},
        {"rotate then translate", RotZ(Deg(90)) * Translate(0, 0, 5), {1, 0, 0}, {0, 1, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ExpectVec3Near(Transform(c.in, c.mat), c.expected);
    }
}

TEST(D3DXMathTransforms, RotationsAreProperAndCompose)
{
    typedef D3DXMATRIX (*Builder)(float);
    struct Case { const char* name; Builder build; };
    const Case cases[] = {
        {"RotationX", RotX},
        {"RotationY", RotY},
        {"RotationZ", RotZ},
        {"RotationAxis(1,-2,3)", RotAxisOblique},
    };
    const float angles[][2] = {{0.3f, 1.1f}, {-2.0f, 0.7f}, {Deg(180), Deg(90)}, {5.0f, -5.0f}};

    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& ab : angles) {
            SCOPED_TRACE(testing::Message() << "angles " << ab[0] << ", " << ab[1]);
            const D3DXMATRIX ra = c.build(ab[0]);
            ExpectProperRotation(ra);
            // A rotation moves nothing by translation and keeps w.
            EXPECT_EQ(ra._14, 0.0f);
            EXPECT_EQ(ra._24, 0.0f);
            EXPECT_EQ(ra._34, 0.0f);
            EXPECT_EQ(ra._41, 0.0f);
            EXPECT_EQ(ra._42, 0.0f);
            EXPECT_EQ(ra._43, 0.0f);
            EXPECT_EQ(ra._44, 1.0f);
            ExpectMatrixNear(ra * c.build(ab[1]), c.build(ab[0] + ab[1]));
            ExpectMatrixNear(ra * c.build(-ab[0]), Identity());
        }
        ExpectMatrixNear(c.build(0.0f), Identity(), 0.0f);
    }
}

TEST(D3DXMathTransforms, RotationAxisMatchesCardinalRotations)
{
    struct Case { const char* name; D3DXVECTOR3 axis; D3DXMATRIX (*cardinal)(float); float sign; };
    const Case cases[] = {
        {"+x", {1, 0, 0}, RotX, 1},
        {"+y", {0, 1, 0}, RotY, 1},
        {"+z", {0, 0, 1}, RotZ, 1},
        {"unnormalised +y", {0, 5, 0}, RotY, 1},
        {"unnormalised -z", {0, 0, -2}, RotZ, -1},
        {"tiny -x", {-1e-3f, 0, 0}, RotX, -1},
    };
    const float angles[] = {0.4f, -1.3f, Deg(90), 3.0f};
    for (const Case& c : cases) {
        for (float angle : angles) {
            SCOPED_TRACE(testing::Message() << c.name << " angle " << angle);
            ExpectMatrixNear(RotAxis(c.axis, angle), c.cardinal(c.sign * angle));
        }
    }
}

TEST(D3DXMathTransforms, RotationAxisGeneralAndDegenerate)
{
    // A third of a turn about the diagonal cycles the axes x -> y -> z -> x.
    const D3DXMATRIX third = RotAxis(D3DXVECTOR3(1, 1, 1), Deg(120));
    struct Case { D3DXVECTOR3 in, expected; };
    const Case cycle[] = {
        {{1, 0, 0}, {0, 1, 0}},
        {{0, 1, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}},
        {{2, 2, 2}, {2, 2, 2}},
    };
    for (const Case& c : cycle)
        ExpectVec3Near(Transform(c.in, third), c.expected);

    // Any axis is left where it is, and the axis vector itself is not modified.
    D3DXVECTOR3 axis(1, -2, 3);
    D3DXMATRIX m;
    D3DXMatrixRotationAxis(&m, &axis, 0.9f);
    EXPECT_EQ(axis, D3DXVECTOR3(1, -2, 3));
    ExpectVec3Near(Transform(axis, m), axis);

    // A zero axis has no direction; it must give the identity, not NaN.
    const D3DXVECTOR3 zero(0, 0, 0);
    D3DXMATRIX z = Sequential();
    EXPECT_EQ(D3DXMatrixRotationAxis(&z, &zero, 1.0f), &z);
    ExpectMatrixFinite(z);
    ExpectMatrixNear(z, Identity(), 0.0f);
}

TEST(D3DXMathTransforms, YawPitchRoll)
{
    struct Angles { float yaw, pitch, roll; };
    const Angles cases[] = {
        {0.0f, 0.0f, 0.0f}, {0.5f, 0.0f, 0.0f}, {0.0f, 0.0f, 0.8f}, {1.2f, 0.0f, -0.4f},
        {-2.5f, 0.0f, 2.0f}, {0.3f, 0.6f, 0.9f}, {-1.0f, -0.7f, 2.2f}, {Deg(90), Deg(-45), Deg(30)},
    };
    for (const Angles& a : cases) {
        SCOPED_TRACE(testing::Message() << "yaw " << a.yaw << " pitch " << a.pitch << " roll " << a.roll);
        const D3DXMATRIX m = Ypr(a.yaw, a.pitch, a.roll);
        ExpectProperRotation(m);

        // The forward axis ignores roll: yaw turns it about y, pitch tips it down.
        ExpectVec3Near(Transform(D3DXVECTOR3(0, 0, 1), m),
                       D3DXVECTOR3(std::sin(a.yaw) * std::cos(a.pitch), -std::sin(a.pitch),
                                   std::cos(a.yaw) * std::cos(a.pitch)));

        if (a.pitch == 0.0f) {
            ExpectVec3Near(Transform(D3DXVECTOR3(1, 0, 0), m),
                           D3DXVECTOR3(std::cos(a.roll) * std::cos(a.yaw), std::sin(a.roll),
                                       -std::cos(a.roll) * std::sin(a.yaw)));
        }
    }

    // Each angle alone is the matching single-axis rotation.
    ExpectMatrixNear(Ypr(0.7f, 0, 0), RotY(0.7f));
    ExpectMatrixNear(Ypr(0, 0.7f, 0), RotX(0.7f));
    ExpectMatrixNear(Ypr(0, 0, 0.7f), RotZ(0.7f));

    // Yaw and pitch of 90 degrees, worked out axis by axis: pitch first turns
    // y to z and z to -y, then yaw turns x to -z and z to x.
    ExpectMatrixNear(Ypr(Deg(90), Deg(90), 0),
                     D3DXMATRIX(0, 0, -1, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 0, 0, 1));
}

// ---------------------------------------------------------------------------
// Camera matrices

TEST(D3DXMathCamera, LookAtHandComputed)
{
    struct Case { const char* name; D3DXVECTOR3 eye, at, up; D3DXMATRIX expected; };
    const Case cases[] = {
        {"behind the origin looking down +z", {0, 0, -5}, {0, 0, 0}, {0, 1, 0},
         D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 5, 1)},
        {"offset eye, unnormalised up", {1, 2, 3}, {1, 2, 10}, {0, 7, 0},
         D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, -1, -2, -3, 1)},
        {"looking down +x", {0, 0, 0}, {1, 0, 0}, {0, 1, 0},
         D3DXMATRIX(0, 0, 1, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1)},
        {"up not perpendicular to view", {0, 0, 0}, {0, 0, 3}, {0, 1, -1},
         D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1)},
        {"looking straight down with +z up", {0, 10, 0}, {0, 0, 0}, {0, 0, 1},
         D3DXMATRIX(1, 0, 0, 0, 0, 0, -1, 0, 0, 1, 0, 0, 0, 0, 10, 1)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX out;
        EXPECT_EQ(D3DXMatrixLookAtLH(&out, &c.eye, &c.at, &c.up), &out);
        ExpectMatrixNear(out, c.expected);
    }
}

TEST(D3DXMathCamera, LookAtGeometry)
{
    struct Case { D3DXVECTOR3 eye, at, up; };
    const Case cases[] = {
        {{3, 4, 5}, {-1, 0.5f, 2}, {0, 1, 0}},
        {{-10, 2, 0}, {0, 0, 0}, {0, 1, 0}},
        {{0, 0, 0}, {1, 1, 1}, {0, 0, 1}},
        {{2, -3, 7}, {2.5f, -3, 1}, {0.2f, 1, 0.1f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "eye " << c.eye.x << "," << c.eye.y << "," << c.eye.z);
        D3DXMATRIX view;
        D3DXMatrixLookAtLH(&view, &c.eye, &c.at, &c.up);
        ExpectProperRotation(view);
        EXPECT_EQ(view._14, 0.0f);
        EXPECT_EQ(view._24, 0.0f);
        EXPECT_EQ(view._34, 0.0f);
        EXPECT_EQ(view._44, 1.0f);

        // The eye becomes the origin and the target lies straight ahead.
        const D3DXVECTOR3 d = c.at - c.eye;
        const float dist = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        ExpectVec3Near(Transform(c.eye, view), D3DXVECTOR3(0, 0, 0), 1e-4f);
        ExpectVec3Near(Transform(c.at, view), D3DXVECTOR3(0, 0, dist), 1e-4f);

        // The up vector points up on screen, never sideways.
        const D3DXVECTOR3 upView = Transform(c.eye + c.up, view);
        EXPECT_GT(upView.y, 0.0f);
        EXPECT_NEAR(upView.x, 0.0f, 1e-4f);
    }
}

TEST(D3DXMathCamera, LookAtDegenerateInputStaysFinite)
{
    struct Case { const char* name; D3DXVECTOR3 eye, at, up; };
    const Case cases[] = {
        {"eye equals at", {1, 2, 3}, {1, 2, 3}, {0, 1, 0}},
        {"up along view direction", {0, 0, 0}, {0, 5, 0}, {0, 1, 0}},
        {"up against view direction", {0, 3, 0}, {0, 0, 0}, {0, 1, 0}},
        {"zero up", {0, 0, -1}, {0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXMATRIX view;
        D3DXMatrixLookAtLH(&view, &c.eye, &c.at, &c.up);
        ExpectMatrixFinite(view);
        EXPECT_EQ(view._44, 1.0f);
    }
}

TEST(D3DXMathCamera, PerspectiveFovHandComputed)
{
    // 90 degrees: cot(45) = 1; aspect 2 halves x; near 1, far 101.
    D3DXMATRIX proj = Sequential();
    EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&proj, Deg(90), 2.0f, 1.0f, 101.0f), &proj);
    ExpectMatrixNear(proj, D3DXMATRIX(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0));

    // 60 degrees: cot(30) = sqrt(3).
    D3DXMatrixPerspectiveFovLH(&proj, Deg(60), 1.0f, 2.0f, 4.0f);
    const float r3 = std::sqrt(3.0f);
    ExpectMatrixNear(proj, D3DXMATRIX(r3, 0, 0, 0, 0, r3, 0, 0, 0, 0, 2, 1, 0, 0, -4, 0));
}

TEST(D3DXMathCamera, PerspectiveFovMapsFrustumToClipVolume)
{
    struct Case { float fovyDeg, aspect, zn, zf; };
    const Case cases[] = {
        {45, 4.0f / 3.0f, 1, 1000}, {90, 1, 0.1f, 100}, {30, 16.0f / 9.0f, 5, 50}, {120, 0.5f, 1, 2},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fovy " << c.fovyDeg << " aspect " << c.aspect);
        D3DXMATRIX proj;
        D3DXMatrixPerspectiveFovLH(&proj, Deg(c.fovyDeg), c.aspect, c.zn, c.zf);
        const float halfH = std::tan(Deg(c.fovyDeg) / 2);
        const float halfW = halfH * c.aspect;

        struct Point { D3DXVECTOR3 in, expected; };
        const Point points[] = {
            {{0, 0, c.zn}, {0, 0, 0}},
            {{0, 0, c.zf}, {0, 0, 1}},
            {{halfW * c.zn, halfH * c.zn, c.zn}, {1, 1, 0}},
            {{-halfW * c.zf, -halfH * c.zf, c.zf}, {-1, -1, 1}},
        };
        for (const Point& p : points)
            ExpectVec3Near(Transform(p.in, proj), p.expected, 1e-4f);
    }
}

// ---------------------------------------------------------------------------
// Vector functions

TEST(D3DXMathVectors, LengthDotCross)
{
    struct Case { D3DXVECTOR3 a, b; float lengthA, dot; D3DXVECTOR3 cross; };
    const Case cases[] = {
        {{1, 0, 0}, {0, 1, 0}, 1, 0, {0, 0, 1}},
        {{0, 1, 0}, {0, 0, 1}, 1, 0, {1, 0, 0}},
        {{0, 0, 1}, {1, 0, 0}, 1, 0, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, 1, 0, {0, 0, -1}},
        {{1, 2, 3}, {4, 5, 6}, std::sqrt(14.0f), 32, {-3, 6, -3}},
        {{2, 3, 6}, {4, 6, 12}, 7, 98, {0, 0, 0}},
        {{-3, 0, 4}, {1, 1, 1}, 5, 1, {-4, 7, -3}},
        {{0, 0, 0}, {1, 2, 3}, 0, 0, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "a " << c.a.x << "," << c.a.y << "," << c.a.z);
        EXPECT_FLOAT_EQ(D3DXVec3Length(&c.a), c.lengthA);
        EXPECT_FLOAT_EQ(D3DXVec3Dot(&c.a, &c.b), c.dot);
        EXPECT_FLOAT_EQ(D3DXVec3Dot(&c.b, &c.a), c.dot);

        D3DXVECTOR3 out;
        EXPECT_EQ(D3DXVec3Cross(&out, &c.a, &c.b), &out);
        ExpectVec3Near(out, c.cross, 0.0f);

        // Output aliasing either input.
        D3DXVECTOR3 a = c.a, b = c.b;
        D3DXVec3Cross(&a, &a, &b);
        ExpectVec3Near(a, c.cross, 0.0f);
        a = c.a;
        D3DXVec3Cross(&b, &a, &b);
        ExpectVec3Near(b, c.cross, 0.0f);
    }
}

TEST(D3DXMathVectors, AddSubtractScale)
{
    const D3DXVECTOR3 a(1, -2, 3.5f);
    const D3DXVECTOR3 b(0.5f, 4, -1);

    D3DXVECTOR3 out;
    EXPECT_EQ(D3DXVec3Add(&out, &a, &b), &out);
    ExpectVec3Near(out, D3DXVECTOR3(1.5f, 2, 2.5f), 0.0f);
    EXPECT_EQ(D3DXVec3Subtract(&out, &a, &b), &out);
    ExpectVec3Near(out, D3DXVECTOR3(0.5f, -6, 4.5f), 0.0f);
    EXPECT_EQ(D3DXVec3Scale(&out, &a, -2), &out);
    ExpectVec3Near(out, D3DXVECTOR3(-2, 4, -7), 0.0f);

    D3DXVECTOR3 x = a;
    D3DXVec3Add(&x, &x, &b);
    ExpectVec3Near(x, D3DXVECTOR3(1.5f, 2, 2.5f), 0.0f);
    x = a;
    D3DXVec3Subtract(&x, &b, &x);
    ExpectVec3Near(x, D3DXVECTOR3(-0.5f, 6, -4.5f), 0.0f);
    x = a;
    D3DXVec3Subtract(&x, &x, &x);
    ExpectVec3Near(x, D3DXVECTOR3(0, 0, 0), 0.0f);
    x = a;
    D3DXVec3Scale(&x, &x, 0.5f);
    ExpectVec3Near(x, D3DXVECTOR3(0.5f, -1, 1.75f), 0.0f);
}

TEST(D3DXMathVectors, Normalize)
{
    const float r3 = 1.0f / std::sqrt(3.0f);
    struct Case { D3DXVECTOR3 in, expected; };
    const Case cases[] = {
        {{3, 4, 0}, {0.6f, 0.8f, 0}},
        {{0, 0, -2}, {0, 0, -1}},
        {{1, 1, 1}, {r3, r3, r3}},
        {{-5, 5, -5}, {-r3, r3, -r3}},
        {{0, 0.25f, 0}, {0, 1, 0}},
        // Squares of these would leave float range.
        {{1e-25f, 0, 0}, {1, 0, 0}},
        {{0, 3e25f, 4e25f}, {0, 0.6f, 0.8f}},
        {{0, 0, 0}, {0, 0, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "in " << c.in.x << "," << c.in.y << "," << c.in.z);
        D3DXVECTOR3 out;
        EXPECT_EQ(D3DXVec3Normalize(&out, &c.in), &out);
        ExpectVec3Near(out, c.expected);
        D3DXVECTOR3 inPlace = c.in;
        D3DXVec3Normalize(&inPlace, &inPlace);
        ExpectVec3Near(inPlace, c.expected);
        EXPECT_TRUE(std::isfinite(inPlace.x) && std::isfinite(inPlace.y) && std::isfinite(inPlace.z));
    }

    struct Case2 { D3DXVECTOR2 in, expected; };
    const Case2 cases2[] = {
        {{3, -4}, {0.6f, -0.8f}},
        {{0, 7}, {0, 1}},
        {{-2, -2}, {-std::sqrt(0.5f), -std::sqrt(0.5f)}},
        {{0, 0}, {0, 0}},
    };
    for (const Case2& c : cases2) {
        SCOPED_TRACE(testing::Message() << "in " << c.in.x << "," << c.in.y);
        D3DXVECTOR2 out;
        EXPECT_EQ(D3DXVec2Normalize(&out, &c.in), &out);
        EXPECT_NEAR(out.x, c.expected.x, kTol);
        EXPECT_NEAR(out.y, c.expected.y, kTol);
        D3DXVECTOR2 inPlace = c.in;
        D3DXVec2Normalize(&inPlace, &inPlace);
        EXPECT_NEAR(inPlace.x, c.expected.x, kTol);
        EXPECT_NEAR(inPlace.y, c.expected.y, kTol);
    }
}

TEST(D3DXMathVectors, TransformCoord)
{
    const D3DXMATRIX perspective(0.5f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.01f, 1, 0, 0, -1.01f, 0);
    struct Case { const char* name; D3DXMATRIX mat; D3DXVECTOR3 in, expected; };
    const Case cases[] = {
        {"identity", Identity(), {1, -2, 3}, {1, -2, 3}},
        // (1,2,3,1) * Sequential = (1+10+27+13, 2+12+30+14, 3+14+33+15, 4+16+36+16).
        {"general matrix", Sequential(), {1, 2, 3}, {51.0f / 72, 58.0f / 72, 65.0f / 72}},
        {"uniform w", D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 4), {4, 8, -12}, {1, 2, -3}},
        {"perspective divide", perspective, {2, 4, 2}, {0.5f, 2, 0.505f}},
        // w = 0: the point is on the camera plane; the result stays undivided.
        {"w zero", perspective, {1, 2, 0}, {0.5f, 2, -1.01f}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        D3DXVECTOR3 out;
        EXPECT_EQ(D3DXVec3TransformCoord(&out, &c.in, &c.mat), &out);
        ExpectVec3Near(out, c.expected);
        D3DXVECTOR3 inPlace = c.in;
        D3DXVec3TransformCoord(&inPlace, &inPlace, &c.mat);
        ExpectVec3Near(inPlace, c.expected);
    }
}

TEST(D3DXMathVectors, CatmullRom)
{
    const D3DXVECTOR3 p0(-1, 4, 0), p1(0, 0, 2), p2(3, 1, -1), p3(5, 5, 5);

    D3DXVECTOR3 out;
    // The curve runs from the second control point to the third.
    EXPECT_EQ(D3DXVec3CatmullRom(&out, &p0, &p1, &p2, &p3, 0.0f), &out);
    ExpectVec3Near(out, p1);
    D3DXVec3CatmullRom(&out, &p0, &p1, &p2, &p3, 1.0f);
    ExpectVec3Near(out, p2);

    // Its tangent at the start is half the chord from the first to the third point.
    // (Central difference; the polynomial is just as valid slightly before 0.)
    const float h = 1e-3f;
    D3DXVECTOR3 ahead, behind;
    D3DXVec3CatmullRom(&ahead, &p0, &p1, &p2, &p3, h);
    D3DXVec3CatmullRom(&behind, &p0, &p1, &p2, &p3, -h);
    ExpectVec3Near((ahead - behind) / (2 * h), D3DXVECTOR3(2, -1.5f, -0.5f), 1e-3f);

    // Halfway, a lone bump at the third point weighs 9/16 (and the ends -1/16).
    const D3DXVECTOR3 zero(0, 0, 0), bump(1, 2, 4);
    D3DXVec3CatmullRom(&out, &zero, &zero, &bump, &zero, 0.5f);
    ExpectVec3Near(out, bump * 0.5625f);
    D3DXVec3CatmullRom(&out, &zero, &zero, &zero, &bump, 0.5f);
    ExpectVec3Near(out, bump * -0.0625f);

    // Evenly spaced points on a line give plain linear motion along it.
    const D3DXVECTOR3 origin(1, 1, 1), step(2, -1, 0.5f);
    const D3DXVECTOR3 l0 = origin, l1 = origin + step, l2 = origin + 2.0f * step, l3 = origin + 3.0f * step;
    const float params[] = {0.0f, 0.1f, 0.25f, 0.5f, 0.8f, 1.0f};
    for (float s : params) {
        SCOPED_TRACE(testing::Message() << "s " << s);
        D3DXVec3CatmullRom(&out, &l0, &l1, &l2, &l3, s);
        ExpectVec3Near(out, l1 + s * step);
    }

    // Output aliasing a control point.
    D3DXVECTOR3 q1 = p1;
    D3DXVec3CatmullRom(&q1, &p0, &q1, &p2, &p3, 1.0f);
    ExpectVec3Near(q1, p2);
    D3DXVECTOR3 q0 = zero;
    D3DXVec3CatmullRom(&q0, &q0, &zero, &bump, &zero, 0.5f);
    ExpectVec3Near(q0, bump * 0.5625f);
}

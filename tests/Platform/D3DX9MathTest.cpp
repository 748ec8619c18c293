#include "Platform/D3DX9Math.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

// Readable failure messages; without these the values would print as pointers.
void PrintTo(const D3DXVECTOR2& v, std::ostream* os) { *os << "(" << v.x << ", " << v.y << ")"; }
void PrintTo(const D3DXVECTOR3& v, std::ostream* os) { *os << "(" << v.x << ", " << v.y << ", " << v.z << ")"; }
void PrintTo(const D3DXVECTOR4& v, std::ostream* os)
{
    *os << "(" << v.x << ", " << v.y << ", " << v.z << ", " << v.w << ")";
}
void PrintTo(const D3DXQUATERNION& q, std::ostream* os)
{
    *os << "(" << q.x << ", " << q.y << ", " << q.z << ", " << q.w << ")";
}
void PrintTo(const D3DXPLANE& p, std::ostream* os)
{
    *os << "(" << p.a << ", " << p.b << ", " << p.c << ", " << p.d << ")";
}
void PrintTo(const D3DXCOLOR& c, std::ostream* os)
{
    *os << "(" << c.r << ", " << c.g << ", " << c.b << ", " << c.a << ")";
}
void PrintTo(const D3DXMATRIX& m, std::ostream* os)
{
    for (int r = 0; r < 4; ++r)
        *os << (r ? " " : "[") << m(r, 0) << ", " << m(r, 1) << ", " << m(r, 2) << ", " << m(r, 3) << (r < 3 ? ";" : "]");
}

namespace
{
constexpr float kTol = 1e-5f;
constexpr float kHalfSqrt2 = 0.70710678f;

void ExpectNearFloats(const float* actual, const float* expected, int count, float tol)
{
    for (int i = 0; i < count; ++i)
        EXPECT_NEAR(actual[i], expected[i], tol) << "component " << i;
}

void ExpectNear(const D3DXVECTOR3& actual, const D3DXVECTOR3& expected, float tol = kTol)
{
    ExpectNearFloats(actual, expected, 3, tol);
}

void ExpectNear(const D3DXVECTOR4& actual, const D3DXVECTOR4& expected, float tol = kTol)
{
    ExpectNearFloats(actual, expected, 4, tol);
}

void ExpectNear(const D3DXQUATERNION& actual, const D3DXQUATERNION& expected, float tol = kTol)
{
    ExpectNearFloats(actual, expected, 4, tol);
}

void ExpectNear(const D3DXPLANE& actual, const D3DXPLANE& expected, float tol = kTol)
{
    ExpectNearFloats(actual, expected, 4, tol);
}

void ExpectNear(const D3DXMATRIX& actual, const D3DXMATRIX& expected, float tol = kTol)
{
    ExpectNearFloats(actual, expected, 16, tol);
}

// q and -q are the same rotation.
void ExpectSameRotation(const D3DXQUATERNION& actual, const D3DXQUATERNION& expected)
{
    const D3DXQUATERNION& e = D3DXQuaternionDot(&actual, &expected) < 0.0f ? -expected : expected;
    ExpectNear(actual, e);
}

D3DXVECTOR3 TransformCoord(const D3DXVECTOR3& v, const D3DXMATRIX& m)
{
    D3DXVECTOR3 out;
    D3DXVec3TransformCoord(&out, &v, &m);
    return out;
}

D3DXMATRIX Identity()
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    return m;
}

D3DXMATRIX Translation(float x, float y, float z)
{
    D3DXMATRIX m;
    D3DXMatrixTranslation(&m, x, y, z);
    return m;
}

D3DXMATRIX RotationX(float a) { D3DXMATRIX m; D3DXMatrixRotationX(&m, a); return m; }
D3DXMATRIX RotationY(float a) { D3DXMATRIX m; D3DXMatrixRotationY(&m, a); return m; }
D3DXMATRIX RotationZ(float a) { D3DXMATRIX m; D3DXMatrixRotationZ(&m, a); return m; }

D3DXMATRIX FromQuaternion(const D3DXQUATERNION& q)
{
    D3DXMATRIX m;
    D3DXMatrixRotationQuaternion(&m, &q);
    return m;
}

// Rows 1..16, a matrix of rank 2.
const D3DXMATRIX kCounting(1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16);
// An invertible matrix with no zero entries and a projective column.
const D3DXMATRIX kGeneral(2, -1, 0.5f, 0.1f, 1, 3, -2, 0.2f, 0.5f, 1, 4, -0.3f, 3, -2, 1, 2);

// The engine's 48-byte vertex: position, normal, two colours, two texture pairs.
struct TestVertex
{
    float position[3];
    float normal[3];
    uint32_t diffuse;
    uint32_t specular;
    float uv[4];
};
static_assert(sizeof(TestVertex) == 48, "vertex size");
}

// --- Types and operators ----------------------------------------------------

TEST(D3DX9Math, DefaultConstructorsAreZero)
{
    const D3DXVECTOR2 v2;
    const D3DXVECTOR3 v3;
    const D3DXVECTOR4 v4;
    const D3DXQUATERNION q;
    const D3DXPLANE p;
    const D3DXCOLOR c;
    const D3DXMATRIX m;
    EXPECT_EQ(v2, D3DXVECTOR2(0, 0));
    EXPECT_EQ(v3, D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(v4, D3DXVECTOR4(0, 0, 0, 0));
    EXPECT_EQ(q, D3DXQUATERNION(0, 0, 0, 0));
    EXPECT_EQ(p, D3DXPLANE(0, 0, 0, 0));
    EXPECT_EQ(c, D3DXCOLOR(0.0f, 0.0f, 0.0f, 0.0f));
    EXPECT_EQ(m, D3DXMATRIX(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0));
    EXPECT_FALSE(D3DXMatrixIsIdentity(&m));
}

TEST(D3DX9Math, MatrixFieldsRowsAndParenthesesAgree)
{
    D3DXMATRIX m = kCounting;
    EXPECT_EQ(m._11, 1.0f);
    EXPECT_EQ(m._14, 4.0f);
    EXPECT_EQ(m._41, 13.0f);
    EXPECT_EQ(m.m[2][1], 10.0f);
    EXPECT_EQ(m(3, 2), 15.0f);
    m(1, 3) = -8.0f;
    EXPECT_EQ(m._24, -8.0f);
    const float* f = m;
    EXPECT_EQ(f[7], -8.0f);
    EXPECT_EQ(D3DXMATRIX(f), m);
}

TEST(D3DX9Math, VectorOperators)
{
    const D3DXVECTOR3 a(1, 2, 3), b(4, -5, 6);
    EXPECT_EQ(a + b, D3DXVECTOR3(5, -3, 9));
    EXPECT_EQ(a - b, D3DXVECTOR3(-3, 7, -3));
    EXPECT_EQ(a * 2.0f, D3DXVECTOR3(2, 4, 6));
    EXPECT_EQ(2.0f * a, D3DXVECTOR3(2, 4, 6));
    EXPECT_EQ(b / 2.0f, D3DXVECTOR3(2, -2.5f, 3));
    EXPECT_EQ(-a, D3DXVECTOR3(-1, -2, -3));
    EXPECT_NE(a, b);
    D3DXVECTOR3 c = a;
    c += b;
    c -= a;
    EXPECT_EQ(c, b);
    c *= 3.0f;
    c /= 3.0f;
    EXPECT_EQ(c, b);
    EXPECT_EQ(static_cast<const float*>(a)[2], 3.0f);

    EXPECT_EQ(D3DXVECTOR2(1, 2) + D3DXVECTOR2(3, 4), D3DXVECTOR2(4, 6));
    EXPECT_EQ(D3DXVECTOR4(1, 2, 3, 4) * 0.5f, D3DXVECTOR4(0.5f, 1, 1.5f, 2));
    EXPECT_EQ(D3DXQUATERNION(1, 2, 3, 4) - D3DXQUATERNION(1, 1, 1, 1), D3DXQUATERNION(0, 1, 2, 3));
}

TEST(D3DX9Math, MatrixOperatorsMultiplyInRowVectorOrder)
{
    // Scale first, then translate: the translation is not scaled.
    const D3DXMATRIX s(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 0, 0, 0, 1);
    const D3DXMATRIX t = Translation(1, 2, 3);
    EXPECT_EQ(s * t, D3DXMATRIX(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 1, 2, 3, 1));
    EXPECT_EQ(t * s, D3DXMATRIX(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 2, 6, 12, 1));
    D3DXMATRIX m = s;
    m *= t;
    EXPECT_EQ(m, s * t);
    EXPECT_EQ(s + s, s * 2.0f);
    EXPECT_EQ((s + t) - t, s);
    EXPECT_EQ(-s, s * -1.0f);
    EXPECT_EQ(s / 2.0f, 0.5f * s);
}

// --- Colours ----------------------------------------------------------------

TEST(D3DX9Math, PackedColourHelpers)
{
    EXPECT_EQ(D3DCOLOR_ARGB(0x12, 0x34, 0x56, 0x78), 0x12345678u);
    EXPECT_EQ(D3DCOLOR_RGBA(0x34, 0x56, 0x78, 0x12), 0x12345678u);
    EXPECT_EQ(D3DCOLOR_XRGB(0x7f, 0x7f, 0x7f), 0xff7f7f7fu);
    // Bits above a byte do not reach a neighbouring channel.
    EXPECT_EQ(D3DCOLOR_ARGB(0x1ff, 0x100, 0, 0x2ff), 0xff0000ffu);
    EXPECT_EQ(D3DCOLOR_COLORVALUE(1.0f, 0.5f, 0.0f, 1.0f), 0xffff7f00u);
    // Out-of-range channels are clamped instead of wrapping.
    EXPECT_EQ(D3DCOLOR_COLORVALUE(1.5f, -0.5f, 0.25f, 2.0f), 0xffff003fu);
}

TEST(D3DX9Math, FloatColourConvertsToAndFromPacked)
{
    const D3DXCOLOR c(0x80ff4000u);
    EXPECT_FLOAT_EQ(c.a, 128.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.r, 1.0f);
    EXPECT_FLOAT_EQ(c.g, 64.0f / 255.0f);
    EXPECT_FLOAT_EQ(c.b, 0.0f);
    for (DWORD v = 0; v < 256; ++v) {
        const D3DCOLOR packed = D3DCOLOR_ARGB(v, 255 - v, v, v ^ 0x5a);
        EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(packed)), packed);
    }
    // Packing rounds to the nearest step and clamps.
    EXPECT_EQ(static_cast<D3DCOLOR>(D3DXCOLOR(0.5f, 2.0f, -1.0f, 1.0f)), 0xff80ff00u);

    const D3DXCOLOR black(0.0f, 0.0f, 0.0f, 1.0f), white(1.0f, 1.0f, 1.0f, 1.0f);
    D3DXCOLOR out;
    EXPECT_EQ(D3DXColorLerp(&out, &black, &white, 0.25f), &out);
    EXPECT_EQ(out, D3DXCOLOR(0.25f, 0.25f, 0.25f, 1.0f));
    const D3DXCOLOR half(0.5f, 0.25f, 1.0f, 0.5f);
    D3DXColorModulate(&out, &half, &half);
    EXPECT_EQ(out, D3DXCOLOR(0.25f, 0.0625f, 1.0f, 0.25f));
    D3DXColorScale(&out, &half, 2.0f);
    EXPECT_EQ(out, D3DXCOLOR(1.0f, 0.5f, 2.0f, 1.0f));
}

TEST(D3DX9Math, AngleConversions)
{
    EXPECT_FLOAT_EQ(D3DXToRadian(180.0f), D3DX_PI);
    EXPECT_FLOAT_EQ(D3DXToRadian(90.0f), D3DX_PI / 2.0f);
    EXPECT_FLOAT_EQ(D3DXToDegree(D3DX_PI / 4.0f), 45.0f);
}

// --- Vectors ----------------------------------------------------------------

TEST(D3DX9Math, VectorLengthsAndDots)
{
    const D3DXVECTOR2 a2(3, 4), b2(-2, 1);
    EXPECT_FLOAT_EQ(D3DXVec2Length(&a2), 5.0f);
    EXPECT_FLOAT_EQ(D3DXVec2LengthSq(&a2), 25.0f);
    EXPECT_FLOAT_EQ(D3DXVec2Dot(&a2, &b2), -2.0f);

    const D3DXVECTOR3 a3(2, 3, 6), b3(1, -1, 2);
    EXPECT_FLOAT_EQ(D3DXVec3Length(&a3), 7.0f);
    EXPECT_FLOAT_EQ(D3DXVec3LengthSq(&a3), 49.0f);
    EXPECT_FLOAT_EQ(D3DXVec3Dot(&a3, &b3), 11.0f);

    const D3DXVECTOR4 a4(1, 2, 2, 4), b4(1, 0, -1, 0.5f);
    EXPECT_FLOAT_EQ(D3DXVec4Length(&a4), 5.0f);
    EXPECT_FLOAT_EQ(D3DXVec4LengthSq(&a4), 25.0f);
    EXPECT_FLOAT_EQ(D3DXVec4Dot(&a4, &b4), 1.0f);
}

TEST(D3DX9Math, NormaliseGivesUnitLengthAndZeroStaysZero)
{
    D3DXVECTOR2 v2(3, 4);
    EXPECT_EQ(D3DXVec2Normalize(&v2, &v2), &v2);
    EXPECT_FLOAT_EQ(v2.x, 0.6f);
    EXPECT_FLOAT_EQ(v2.y, 0.8f);

    D3DXVECTOR3 v3;
    const D3DXVECTOR3 a(2, -3, 6);
    D3DXVec3Normalize(&v3, &a);
    ExpectNear(v3, D3DXVECTOR3(2.0f / 7, -3.0f / 7, 6.0f / 7));

    D3DXVECTOR4 v4;
    const D3DXVECTOR4 b(0, 0, 0, -2);
    D3DXVec4Normalize(&v4, &b);
    EXPECT_EQ(v4, D3DXVECTOR4(0, 0, 0, -1));

    // Lengths whose square leaves the float range still normalise.
    const D3DXVECTOR3 tiny(3e-30f, 0, 4e-30f), huge(3e30f, 0, -4e30f);
    D3DXVec3Normalize(&v3, &tiny);
    ExpectNear(v3, D3DXVECTOR3(0.6f, 0, 0.8f));
    D3DXVec3Normalize(&v3, &huge);
    ExpectNear(v3, D3DXVECTOR3(0.6f, 0, -0.8f));

    const D3DXVECTOR2 zero2;
    const D3DXVECTOR3 zero3;
    const D3DXVECTOR4 zero4;
    v2 = D3DXVECTOR2(9, 9);
    v3 = D3DXVECTOR3(9, 9, 9);
    v4 = D3DXVECTOR4(9, 9, 9, 9);
    EXPECT_EQ(*D3DXVec2Normalize(&v2, &zero2), zero2);
    EXPECT_EQ(*D3DXVec3Normalize(&v3, &zero3), zero3);
    EXPECT_EQ(*D3DXVec4Normalize(&v4, &zero4), zero4);
}

TEST(D3DX9Math, Vector3Arithmetic)
{
    const D3DXVECTOR3 x(1, 0, 0), y(0, 1, 0), a(1, 5, -2), b(3, -1, 4);
    D3DXVECTOR3 out;
    EXPECT_EQ(*D3DXVec3Cross(&out, &x, &y), D3DXVECTOR3(0, 0, 1));
    EXPECT_EQ(*D3DXVec3Cross(&out, &y, &x), D3DXVECTOR3(0, 0, -1));
    EXPECT_EQ(*D3DXVec3Cross(&out, &a, &b), D3DXVECTOR3(18, -10, -16));
    // The output may be one of the inputs.
    out = a;
    EXPECT_EQ(*D3DXVec3Cross(&out, &out, &b), D3DXVECTOR3(18, -10, -16));

    EXPECT_EQ(*D3DXVec3Add(&out, &a, &b), D3DXVECTOR3(4, 4, 2));
    EXPECT_EQ(*D3DXVec3Subtract(&out, &a, &b), D3DXVECTOR3(-2, 6, -6));
    EXPECT_EQ(*D3DXVec3Scale(&out, &a, -2.0f), D3DXVECTOR3(-2, -10, 4));
    EXPECT_EQ(*D3DXVec3Lerp(&out, &a, &b, 0.0f), a);
    EXPECT_EQ(*D3DXVec3Lerp(&out, &a, &b, 0.5f), D3DXVECTOR3(2, 2, 1));
    EXPECT_EQ(*D3DXVec3Lerp(&out, &a, &b, 2.0f), D3DXVECTOR3(5, -7, 10));
    EXPECT_EQ(*D3DXVec3Minimize(&out, &a, &b), D3DXVECTOR3(1, -1, -2));
    EXPECT_EQ(*D3DXVec3Maximize(&out, &a, &b), D3DXVECTOR3(3, 5, 4));

    const D3DXVECTOR4 p(1, 2, 3, 4), q(3, 2, 1, 0);
    D3DXVECTOR4 out4;
    EXPECT_EQ(*D3DXVec4Add(&out4, &p, &q), D3DXVECTOR4(4, 4, 4, 4));
    EXPECT_EQ(*D3DXVec4Subtract(&out4, &p, &q), D3DXVECTOR4(-2, 0, 2, 4));
    EXPECT_EQ(*D3DXVec4Scale(&out4, &p, 2.0f), D3DXVECTOR4(2, 4, 6, 8));
    EXPECT_EQ(*D3DXVec4Lerp(&out4, &p, &q, 0.5f), D3DXVECTOR4(2, 2, 2, 2));
}

// --- Transforming vectors ---------------------------------------------------

TEST(D3DX9Math, TransformCoordNormalAndFull)
{
    const D3DXMATRIX m = RotationZ(D3DX_PI / 2) * Translation(10, 20, 30);
    const D3DXVECTOR3 v(1, 2, 3);
    // (1, 2, 3) turned a quarter about z is (-2, 1, 3).
    ExpectNear(TransformCoord(v, m), D3DXVECTOR3(8, 21, 33));
    D3DXVECTOR3 n;
    D3DXVec3TransformNormal(&n, &v, &m);
    ExpectNear(n, D3DXVECTOR3(-2, 1, 3));
    D3DXVECTOR4 full;
    D3DXVec3Transform(&full, &v, &m);
    ExpectNear(full, D3DXVECTOR4(8, 21, 33, 1));

    D3DXVECTOR4 out4;
    const D3DXVECTOR4 v4(1, 2, 3, 0);
    D3DXVec4Transform(&out4, &v4, &m);
    ExpectNear(out4, D3DXVECTOR4(-2, 1, 3, 0));

    // A projective matrix: the result is divided by w.
    const D3DXMATRIX halve(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 2);
    EXPECT_EQ(TransformCoord(D3DXVECTOR3(2, 4, 6), halve), D3DXVECTOR3(1, 2, 3));
    D3DXVec3Transform(&full, &v, &halve);
    EXPECT_EQ(full, D3DXVECTOR4(1, 2, 3, 2));
}

TEST(D3DX9Math, TransformCoordAtZeroWStaysFinite)
{
    // w = z - 1 is 0 for points on the plane z = 1.
    const D3DXMATRIX m(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 1, 0, 0, 0, -1);
    EXPECT_EQ(TransformCoord(D3DXVECTOR3(2, 3, 1), m), D3DXVECTOR3(2, 3, 1));
    EXPECT_EQ(TransformCoord(D3DXVECTOR3(2, 3, 3), m), D3DXVECTOR3(1, 1.5f, 1.5f));
}

TEST(D3DX9Math, TransformArraysWalkInterleavedVertices)
{
    std::vector<TestVertex> vertices(5);
    for (size_t i = 0; i < vertices.size(); ++i) {
        TestVertex& v = vertices[i];
        const float f = static_cast<float>(i);
        v.position[0] = f;
        v.position[1] = 2 * f - 1;
        v.position[2] = 0.5f * f;
        v.normal[0] = 1;
        v.normal[1] = f;
        v.normal[2] = 0;
        v.diffuse = 0xdeadbeefu;
        v.specular = static_cast<uint32_t>(i);
        v.uv[0] = v.uv[1] = v.uv[2] = v.uv[3] = -f;
    }
    const std::vector<TestVertex> original = vertices;
    const UINT stride = sizeof(TestVertex);
    const UINT n = static_cast<UINT>(vertices.size());

    const D3DXMATRIX matrices[] = {RotationY(0.7f) * Translation(1, -2, 3), kGeneral};
    for (const D3DXMATRIX& m : matrices) {
        vertices = original;
        D3DXVECTOR3* positions = reinterpret_cast<D3DXVECTOR3*>(vertices[0].position);
        D3DXVECTOR3* normals = reinterpret_cast<D3DXVECTOR3*>(vertices[0].normal);
        // In place, both strides one vertex.
        EXPECT_EQ(D3DXVec3TransformCoordArray(positions, stride, positions, stride, &m, n), positions);
        EXPECT_EQ(D3DXVec3TransformNormalArray(normals, stride, normals, stride, &m, n), normals);
        // Into a packed array from the strided source.
        std::vector<D3DXVECTOR3> packed(n);
        const D3DXVECTOR3* source = reinterpret_cast<const D3DXVECTOR3*>(original[0].position);
        D3DXVec3TransformCoordArray(packed.data(), sizeof(D3DXVECTOR3), source, stride, &m, n);

        for (size_t i = 0; i < vertices.size(); ++i) {
            const D3DXVECTOR3 p(original[i].position), nrm(original[i].normal);
            D3DXVECTOR3 expectedNormal;
            D3DXVec3TransformNormal(&expectedNormal, &nrm, &m);
            EXPECT_EQ(D3DXVECTOR3(vertices[i].position), TransformCoord(p, m)) << i;
            EXPECT_EQ(D3DXVECTOR3(vertices[i].normal), expectedNormal) << i;
            EXPECT_EQ(packed[i], TransformCoord(p, m)) << i;
            // Everything after the normal is left alone.
            EXPECT_EQ(std::memcmp(&vertices[i].diffuse, &original[i].diffuse, 24), 0) << i;
        }
    }
}

// --- Matrices ---------------------------------------------------------------

TEST(D3DX9Math, IdentityAndIsIdentity)
{
    D3DXMATRIX m = Identity();
    EXPECT_EQ(m, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1));
    EXPECT_TRUE(D3DXMatrixIsIdentity(&m));
    m._43 = 1e-7f;
    EXPECT_FALSE(D3DXMatrixIsIdentity(&m));
    m = Identity();
    m._22 = 0.999999f;
    EXPECT_FALSE(D3DXMatrixIsIdentity(&m));
}

TEST(D3DX9Math, MultiplyTransposeAndDeterminant)
{
    D3DXMATRIX transposed;
    EXPECT_EQ(D3DXMatrixTranspose(&transposed, &kCounting), &transposed);
    EXPECT_EQ(transposed, D3DXMATRIX(1, 5, 9, 13, 2, 6, 10, 14, 3, 7, 11, 15, 4, 8, 12, 16));

    const D3DXMATRIX expected(30, 70, 110, 150, 70, 174, 278, 382, 110, 278, 446, 614, 150, 382, 614, 846);
    D3DXMATRIX product;
    EXPECT_EQ(D3DXMatrixMultiply(&product, &kCounting, &transposed), &product);
    EXPECT_EQ(product, expected);
    // The output may be either input.
    D3DXMATRIX a = kCounting;
    D3DXMatrixMultiply(&a, &a, &transposed);
    EXPECT_EQ(a, expected);
    D3DXMATRIX b = transposed;
    D3DXMatrixMultiply(&b, &kCounting, &b);
    EXPECT_EQ(b, expected);
    a = kCounting;
    D3DXMatrixTranspose(&a, &a);
    EXPECT_EQ(a, transposed);

    struct Case
    {
        D3DXMATRIX m;
        float det;
    };
    const Case cases[] = {
        {Identity(), 1.0f},
        {D3DXMATRIX(2, 0, 0, 0, 0, 3, 0, 0, 0, 0, 4, 0, 7, 8, 9, 5), 120.0f},
        {D3DXMATRIX(0, 1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1), -1.0f},
        {kCounting, 0.0f},
        {D3DXMATRIX(1, 2, 0, 0, 3, 4, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1), -2.0f},
    };
    for (const Case& c : cases)
        EXPECT_FLOAT_EQ(D3DXMatrixDeterminant(&c.m), c.det);
}

TEST(D3DX9Math, InverseOfRotationAndTranslation)
{
    // p -> p turned a quarter about z, then moved by (1, 2, 3).
    const D3DXMATRIX m = RotationZ(D3DX_PI / 2) * Translation(1, 2, 3);
    D3DXMATRIX inverse;
    float det = 0.0f;
    EXPECT_EQ(D3DXMatrixInverse(&inverse, &det, &m), &inverse);
    EXPECT_NEAR(det, 1.0f, kTol);
    ExpectNear(inverse, D3DXMATRIX(0, -1, 0, 0, 1, 0, 0, 0, 0, 0, 1, 0, -2, 1, -3, 1));
    ExpectNear(TransformCoord(D3DXVECTOR3(1, 2, 3), inverse), D3DXVECTOR3(0, 0, 0));

    // A general matrix: M x M^-1 = I, and the determinant pointer is optional.
    EXPECT_EQ(D3DXMatrixInverse(&inverse, nullptr, &kGeneral), &inverse);
    ExpectNear(kGeneral * inverse, Identity());
    ExpectNear(inverse * kGeneral, Identity());
    // In place.
    D3DXMATRIX same = kGeneral;
    D3DXMatrixInverse(&same, nullptr, &same);
    EXPECT_EQ(same, inverse);
}

TEST(D3DX9Math, InverseOfSingularMatrixIsNull)
{
    // A frame whose first two rows are parallel, and a matrix of rank 2.
    const D3DXMATRIX frame(1, 2, 0, 0, 0.5f, 1, 0, 0, 0, 0, 1, 0, 4, -3, 0, 1);
    for (const D3DXMATRIX& m : {frame, kCounting, D3DXMATRIX()}) {
        D3DXMATRIX out = kGeneral;
        float det = 99.0f;
        EXPECT_EQ(D3DXMatrixInverse(&out, &det, &m), nullptr);
        EXPECT_EQ(det, 0.0f);
        EXPECT_EQ(out, kGeneral);
    }
}

TEST(D3DX9Math, TranslationAndScaling)
{
    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixTranslation(&m, 1, -2, 3), &m);
    EXPECT_EQ(m, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 1, -2, 3, 1));
    EXPECT_EQ(D3DXMatrixScaling(&m, 2, -3, 0.5f), &m);
    EXPECT_EQ(m, D3DXMATRIX(2, 0, 0, 0, 0, -3, 0, 0, 0, 0, 0.5f, 0, 0, 0, 0, 1));
    EXPECT_EQ(TransformCoord(D3DXVECTOR3(1, 1, 4), m), D3DXVECTOR3(2, -3, 2));
}

TEST(D3DX9Math, AxisRotationsTurnUnitVectors)
{
    struct Case
    {
        D3DXMATRIX m;
        D3DXVECTOR3 in;
        D3DXVECTOR3 out;
    };
    const float q = D3DX_PI / 2;
    const Case cases[] = {
        {RotationX(q), {0, 1, 0}, {0, 0, 1}},
        {RotationX(q), {0, 0, 1}, {0, -1, 0}},
        {RotationX(q), {1, 0, 0}, {1, 0, 0}},
        {RotationY(q), {0, 0, 1}, {1, 0, 0}},
        {RotationY(q), {1, 0, 0}, {0, 0, -1}},
        {RotationZ(q), {1, 0, 0}, {0, 1, 0}},
        {RotationZ(q), {0, 1, 0}, {-1, 0, 0}},
        {RotationZ(D3DX_PI / 6), {2, 0, 0}, {1.7320508f, 1, 0}},
    };
    for (const Case& c : cases)
        ExpectNear(TransformCoord(c.in, c.m), c.out);
}

TEST(D3DX9Math, RotationAxis)
{
    D3DXMATRIX m;
    // The axis is normalised first.
    const D3DXVECTOR3 z2(0, 0, 2);
    EXPECT_EQ(D3DXMatrixRotationAxis(&m, &z2, 0.4f), &m);
    ExpectNear(m, RotationZ(0.4f));
    const D3DXVECTOR3 minusX(-3, 0, 0);
    D3DXMatrixRotationAxis(&m, &minusX, 0.4f);
    ExpectNear(m, RotationX(-0.4f));
    // A third of a turn about (1, 1, 1) cycles the axes.
    const D3DXVECTOR3 diagonal(1, 1, 1);
    D3DXMatrixRotationAxis(&m, &diagonal, 2 * D3DX_PI / 3);
    ExpectNear(TransformCoord(D3DXVECTOR3(1, 0, 0), m), D3DXVECTOR3(0, 1, 0));
    ExpectNear(TransformCoord(D3DXVECTOR3(0, 1, 0), m), D3DXVECTOR3(0, 0, 1));
    // A zero axis: the identity at angle 0, and at a half turn every
    // direction reverses (so +z still turns onto -z).
    const D3DXVECTOR3 zero;
    D3DXMatrixRotationAxis(&m, &zero, 0.0f);
    EXPECT_EQ(m, Identity());
    D3DXMatrixRotationAxis(&m, &zero, D3DX_PI);
    ExpectNear(TransformCoord(D3DXVECTOR3(0, 0, 1), m), D3DXVECTOR3(0, 0, -1));
}

TEST(D3DX9Math, RotationQuaternionAndYawPitchRoll)
{
    ExpectNear(FromQuaternion(D3DXQUATERNION(0, 0, 0, 1)), Identity());
    ExpectNear(FromQuaternion(D3DXQUATERNION(0, 0, kHalfSqrt2, kHalfSqrt2)), RotationZ(D3DX_PI / 2));
    ExpectNear(FromQuaternion(D3DXQUATERNION(1, 0, 0, 0)), RotationX(D3DX_PI));

    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixRotationYawPitchRoll(&m, 0.3f, 0, 0), &m);
    ExpectNear(m, RotationY(0.3f));
    // Roll about z, then pitch about x, then yaw about y.
    const float angles[][3] = {{0.3f, -1.1f, 2.0f}, {D3DX_PI / 2, D3DX_PI / 2, 0}, {-2.5f, 0.2f, -0.7f}};
    for (const auto& a : angles) {
        D3DXMatrixRotationYawPitchRoll(&m, a[0], a[1], a[2]);
        ExpectNear(m, RotationZ(a[2]) * RotationX(a[1]) * RotationY(a[0]));
    }
    // A quarter pitch turns y onto z, then a quarter yaw turns z onto x.
    D3DXMatrixRotationYawPitchRoll(&m, D3DX_PI / 2, D3DX_PI / 2, 0);
    ExpectNear(TransformCoord(D3DXVECTOR3(0, 1, 0), m), D3DXVECTOR3(1, 0, 0));
}

TEST(D3DX9Math, LookAtLH)
{
    D3DXMATRIX m;
    const D3DXVECTOR3 origin(0, 0, 0), yUp(0, 1, 0), back(0, 0, -5);
    EXPECT_EQ(D3DXMatrixLookAtLH(&m, &back, &origin, &yUp), &m);
    EXPECT_EQ(m, Translation(0, 0, 5));

    // From +z looking back at the origin: x and z flip.
    const D3DXVECTOR3 eye(0, 0, 14.5f);
    D3DXMatrixLookAtLH(&m, &eye, &origin, &yUp);
    ExpectNear(m, D3DXMATRIX(-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, -1, 0, 0, 0, 14.5f, 1));

    // A general view: the eye goes to the origin, the target onto +z, up stays up.
    const D3DXVECTOR3 from(3, -4, 2), to(-1, 2, 5), zUp(0, 0, 1);
    D3DXMatrixLookAtLH(&m, &from, &to, &zUp);
    ExpectNear(TransformCoord(from, m), D3DXVECTOR3(0, 0, 0));
    const D3DXVECTOR3 toTarget = to - from;
    ExpectNear(TransformCoord(to, m), D3DXVECTOR3(0, 0, D3DXVec3Length(&toTarget)), 1e-4f);
    EXPECT_GT(TransformCoord(from + zUp, m).y, 0.0f);
    D3DXMATRIX inverse;
    EXPECT_NE(D3DXMatrixInverse(&inverse, nullptr, &m), nullptr);

    // An up vector along the line of sight gives a degenerate but finite matrix.
    D3DXMatrixLookAtLH(&m, &eye, &origin, &zUp);
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c)
            EXPECT_TRUE(std::isfinite(m(r, c)));
    }
}

TEST(D3DX9Math, PerspectiveFovLH)
{
    D3DXMATRIX m;
    EXPECT_EQ(D3DXMatrixPerspectiveFovLH(&m, D3DX_PI / 2, 4.0f / 3.0f, 1.0f, 1000.0f), &m);
    // cot(45 deg) = 1; x scale = 1 / aspect; depth: 1000 / 999 and -1000 / 999.
    ExpectNear(m, D3DXMATRIX(0.75f, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1.001001f, 1, 0, 0, -1.001001f, 0));
    // Near plane to depth 0, far plane to depth 1, the frustum's corner to (1, 1).
    ExpectNear(TransformCoord(D3DXVECTOR3(0, 0, 1), m), D3DXVECTOR3(0, 0, 0));
    ExpectNear(TransformCoord(D3DXVECTOR3(0, 0, 1000), m), D3DXVECTOR3(0, 0, 1));
    ExpectNear(TransformCoord(D3DXVECTOR3(4.0f / 3.0f * 10, 10, 10), m), D3DXVECTOR3(1, 1, 0.9009009f));

    // The renderer's default projection: 63 degrees, near 0.1.
    D3DXMatrixPerspectiveFovLH(&m, 1.0995574f, 4.0f / 3.0f, 0.1f, 1000.0f);
    EXPECT_NEAR(m._22, 1.6318517f, 1e-4f);
    EXPECT_NEAR(m._11, 1.2238888f, 1e-4f);
    EXPECT_NEAR(m._43, -0.1f * 1000.0f / 999.9f, 1e-6f);
}

TEST(D3DX9Math, OrthoOffCenterLH)
{
    D3DXMATRIX m;
    // Pixel space: y runs downwards.
    EXPECT_EQ(D3DXMatrixOrthoOffCenterLH(&m, 0, 1024, 768, 0, 0, 1), &m);
    ExpectNear(m, D3DXMATRIX(2.0f / 1024, 0, 0, 0, 0, -2.0f / 768, 0, 0, 0, 0, 1, 0, -1, 1, 0, 1));
    ExpectNear(TransformCoord(D3DXVECTOR3(0, 0, 0), m), D3DXVECTOR3(-1, 1, 0));
    ExpectNear(TransformCoord(D3DXVECTOR3(1024, 768, 1), m), D3DXVECTOR3(1, -1, 1));
    ExpectNear(TransformCoord(D3DXVECTOR3(512, 384, 0.5f), m), D3DXVECTOR3(0, 0, 0.5f));

    D3DXMatrixOrthoOffCenterLH(&m, -10, 30, -5, 15, 2, 10);
    ExpectNear(TransformCoord(D3DXVECTOR3(-10, -5, 2), m), D3DXVECTOR3(-1, -1, 0));
    ExpectNear(TransformCoord(D3DXVECTOR3(30, 15, 10), m), D3DXVECTOR3(1, 1, 1));
}

TEST(D3DX9Math, ShadowFlattensOntoThePlane)
{
    struct Case
    {
        D3DXVECTOR4 light;
        D3DXPLANE plane;
        D3DXVECTOR3 point;
        D3DXVECTOR3 shadow;
    };
    const Case cases[] = {
        // Straight down onto z = 0.
        {{0, 0, 1, 0}, {0, 0, 1, 0}, {3, -4, 7}, {3, -4, 0}},
        // A slanted directional light.
        {{1, 0, 1, 0}, {0, 0, 1, 0}, {0, 0, 1}, {-1, 0, 0}},
        // A point light at height 10: from it through (1, 0, 5) down to (2, 0, 0).
        {{0, 0, 10, 1}, {0, 0, 1, 0}, {1, 0, 5}, {2, 0, 0}},
        // The level's ground z = 0.5, given unnormalised with the normal down.
        {{0.3f, 0.2f, -1, 0}, {0, 0, -2, 1}, {1, 1, 3}, {1.75f, 1.5f, 0.5f}},
    };
    for (const Case& c : cases) {
        D3DXMATRIX m;
        EXPECT_EQ(D3DXMatrixShadow(&m, &c.light, &c.plane), &m);
        ExpectNear(TransformCoord(c.point, m), c.shadow);
    }

    // The plane is normalised first.
    const D3DXVECTOR4 light(0.3f, -0.4f, 1, 0);
    const D3DXPLANE unit(0, 0, 1, -0.5f), scaled(0, 0, 4, -2);
    D3DXMATRIX a, b;
    D3DXMatrixShadow(&a, &light, &unit);
    D3DXMatrixShadow(&b, &light, &scaled);
    ExpectNear(a, b);
    ExpectNear(a, D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, -0.3f, 0.4f, 0, 0, 0.15f, -0.2f, 0.5f, 1));
}

// --- Quaternions ------------------------------------------------------------

TEST(D3DX9Math, QuaternionBasics)
{
    D3DXQUATERNION q;
    EXPECT_EQ(*D3DXQuaternionIdentity(&q), D3DXQUATERNION(0, 0, 0, 1));
    const D3DXQUATERNION a(1, 2, 2, 4), b(0.5f, -1, 0, 2);
    EXPECT_FLOAT_EQ(D3DXQuaternionLength(&a), 5.0f);
    EXPECT_FLOAT_EQ(D3DXQuaternionLengthSq(&a), 25.0f);
    EXPECT_FLOAT_EQ(D3DXQuaternionDot(&a, &b), 6.5f);
    EXPECT_EQ(*D3DXQuaternionConjugate(&q, &a), D3DXQUATERNION(-1, -2, -2, 4));
    D3DXQuaternionNormalize(&q, &a);
    ExpectNear(q, D3DXQUATERNION(0.2f, 0.4f, 0.4f, 0.8f));

    // q x q^-1 is the identity, for a quaternion of any length.
    D3DXQuaternionInverse(&q, &a);
    ExpectNear(q, D3DXQUATERNION(-0.04f, -0.08f, -0.08f, 0.16f));
    ExpectNear(a * q, D3DXQUATERNION(0, 0, 0, 1));

    const D3DXQUATERNION zero;
    q = a;
    EXPECT_EQ(*D3DXQuaternionNormalize(&q, &zero), zero);
    q = a;
    EXPECT_EQ(*D3DXQuaternionInverse(&q, &zero), zero);
}

TEST(D3DX9Math, QuaternionMultiplyAppliesFirstArgumentFirst)
{
    D3DXQUATERNION aboutZ, aboutX, product;
    const D3DXVECTOR3 z(0, 0, 1), x(1, 0, 0);
    D3DXQuaternionRotationAxis(&aboutZ, &z, D3DX_PI / 2);
    ExpectNear(aboutZ, D3DXQUATERNION(0, 0, kHalfSqrt2, kHalfSqrt2));
    D3DXQuaternionRotationAxis(&aboutX, &x, D3DX_PI / 2);
    EXPECT_EQ(D3DXQuaternionMultiply(&product, &aboutZ, &aboutX), &product);
    // Hamilton product aboutX * aboutZ, worked out by hand.
    ExpectNear(product, D3DXQUATERNION(0.5f, -0.5f, 0.5f, 0.5f));
    ExpectNear(FromQuaternion(product), RotationZ(D3DX_PI / 2) * RotationX(D3DX_PI / 2));
    // x turns onto y about z, then y onto z about x.
    ExpectNear(TransformCoord(x, FromQuaternion(product)), z);
    ExpectNear(aboutZ * aboutX, product);
    D3DXQUATERNION inPlace = aboutZ;
    inPlace *= aboutX;
    ExpectNear(inPlace, product);
}

TEST(D3DX9Math, QuaternionRotationMatrixInvertsRotationQuaternion)
{
    // One case for each branch: large w, then x, y and z largest.
    D3DXQUATERNION cases[] = {
        {0.1f, -0.2f, 0.3f, 0.9f},
        {0.9f, 0.3f, -0.2f, 0.1f},
        {-0.2f, 0.9f, 0.1f, -0.3f},
        {0.3f, 0.1f, -0.9f, 0.2f},
        {0, 0, 0, 1},
        {1, 0, 0, 0},
    };
    for (D3DXQUATERNION& q : cases) {
        D3DXQuaternionNormalize(&q, &q);
        const D3DXMATRIX m = FromQuaternion(q);
        D3DXQUATERNION back;
        EXPECT_EQ(D3DXQuaternionRotationMatrix(&back, &m), &back);
        ExpectSameRotation(back, q);
    }
    D3DXQUATERNION q;
    const D3DXMATRIX rz = RotationZ(D3DX_PI / 2);
    D3DXQuaternionRotationMatrix(&q, &rz);
    ExpectSameRotation(q, D3DXQUATERNION(0, 0, kHalfSqrt2, kHalfSqrt2));
    // The translation row is ignored.
    const D3DXMATRIX moved = rz * Translation(5, 6, 7);
    D3DXQuaternionRotationMatrix(&q, &moved);
    ExpectSameRotation(q, D3DXQUATERNION(0, 0, kHalfSqrt2, kHalfSqrt2));
    // The zero matrix gives a finite value.
    const D3DXMATRIX zero;
    D3DXQuaternionRotationMatrix(&q, &zero);
    EXPECT_TRUE(std::isfinite(q.x) && std::isfinite(q.y) && std::isfinite(q.z) && std::isfinite(q.w));
}

TEST(D3DX9Math, QuaternionAndMatrixRotationsAgree)
{
    const struct
    {
        D3DXVECTOR3 axis;
        float angle;
    } axes[] = {{{0, 0, 1}, 0.5f}, {{1, 2, 3}, -1.3f}, {{-4, 0.5f, 0}, 3.0f}, {{0, 1, 0}, D3DX_PI}};
    for (const auto& c : axes) {
        D3DXQUATERNION q;
        D3DXMATRIX fromAxis;
        D3DXQuaternionRotationAxis(&q, &c.axis, c.angle);
        D3DXMatrixRotationAxis(&fromAxis, &c.axis, c.angle);
        ExpectNear(FromQuaternion(q), fromAxis);
    }

    const float angles[][3] = {{0.3f, 0, 0}, {0, 0.3f, 0}, {0, 0, 0.3f}, {0.3f, -1.1f, 2.0f}, {-2.5f, 0.2f, -0.7f}};
    for (const auto& a : angles) {
        D3DXQUATERNION q;
        D3DXMATRIX m;
        EXPECT_EQ(D3DXQuaternionRotationYawPitchRoll(&q, a[0], a[1], a[2]), &q);
        D3DXMatrixRotationYawPitchRoll(&m, a[0], a[1], a[2]);
        ExpectNear(FromQuaternion(q), m);
        EXPECT_NEAR(D3DXQuaternionLength(&q), 1.0f, kTol);
        // The engine's usual way to a quaternion: a product of axis rotations.
        D3DXQUATERNION fromMatrix;
        D3DXQuaternionRotationMatrix(&fromMatrix, &m);
        ExpectSameRotation(fromMatrix, q);
    }
}

TEST(D3DX9Math, QuaternionSlerp)
{
    const D3DXQUATERNION identity(0, 0, 0, 1);
    D3DXQUATERNION quarter, eighth, out;
    const D3DXVECTOR3 z(0, 0, 1);
    D3DXQuaternionRotationAxis(&quarter, &z, D3DX_PI / 2);
    D3DXQuaternionRotationAxis(&eighth, &z, D3DX_PI / 4);

    EXPECT_EQ(D3DXQuaternionSlerp(&out, &identity, &quarter, 0.0f), &out);
    ExpectNear(out, identity);
    D3DXQuaternionSlerp(&out, &identity, &quarter, 1.0f);
    ExpectNear(out, quarter);
    D3DXQuaternionSlerp(&out, &identity, &quarter, 0.5f);
    ExpectNear(out, eighth);
    EXPECT_NEAR(D3DXQuaternionLength(&out), 1.0f, kTol);
    // -quarter is the same rotation: the path stays the short one.
    const D3DXQUATERNION negated = -quarter;
    D3DXQuaternionSlerp(&out, &identity, &negated, 0.5f);
    ExpectNear(out, eighth);
    // Equal rotations interpolate to themselves without dividing by zero.
    D3DXQuaternionSlerp(&out, &quarter, &quarter, 0.3f);
    ExpectNear(out, quarter);
}

// --- Planes -----------------------------------------------------------------

TEST(D3DX9Math, PlaneDotsAndNormalise)
{
    const D3DXPLANE p(0, 0, 2, 4);
    const D3DXVECTOR3 v(1, 2, 3);
    const D3DXVECTOR4 v4(1, 2, 3, 0.5f);
    EXPECT_FLOAT_EQ(D3DXPlaneDotCoord(&p, &v), 10.0f);
    EXPECT_FLOAT_EQ(D3DXPlaneDotNormal(&p, &v), 6.0f);
    EXPECT_FLOAT_EQ(D3DXPlaneDot(&p, &v4), 8.0f);

    D3DXPLANE out;
    EXPECT_EQ(D3DXPlaneNormalize(&out, &p), &out);
    EXPECT_EQ(out, D3DXPLANE(0, 0, 1, 2));
    const D3DXPLANE slanted(3, 0, -4, 10);
    D3DXPlaneNormalize(&out, &slanted);
    ExpectNear(out, D3DXPLANE(0.6f, 0, -0.8f, 2));
    const D3DXPLANE zero(0, 0, 0, 5);
    EXPECT_EQ(*D3DXPlaneNormalize(&out, &zero), D3DXPLANE(0, 0, 0, 0));
}

TEST(D3DX9Math, PlaneFromPointsAndPointNormal)
{
    D3DXPLANE p;
    const D3DXVECTOR3 point(1, 2, 3), normal(0, 2, 0);
    EXPECT_EQ(D3DXPlaneFromPointNormal(&p, &point, &normal), &p);
    EXPECT_EQ(p, D3DXPLANE(0, 2, 0, -4));

    const D3DXVECTOR3 a(0, 0, 3), b(2, 0, 3), c(0, 5, 3);
    EXPECT_EQ(D3DXPlaneFromPoints(&p, &a, &b, &c), &p);
    ExpectNear(p, D3DXPLANE(0, 0, 1, -3));
    // The other winding flips the normal.
    D3DXPlaneFromPoints(&p, &a, &c, &b);
    ExpectNear(p, D3DXPLANE(0, 0, -1, 3));
    // Three points on one line: no plane, and no NaN.
    const D3DXVECTOR3 d(4, 0, 3);
    D3DXPlaneFromPoints(&p, &a, &b, &d);
    EXPECT_EQ(p, D3DXPLANE(0, 0, 0, 0));
}

TEST(D3DX9Math, PlaneIntersectLine)
{
    const D3DXPLANE ground(0, 0, 1, 0);
    D3DXVECTOR3 out;
    const D3DXVECTOR3 above(1, 2, 3), below(1, 2, -1);
    EXPECT_EQ(D3DXPlaneIntersectLine(&out, &ground, &above, &below), &out);
    EXPECT_EQ(out, D3DXVECTOR3(1, 2, 0));
    // The whole line counts, not just the segment between the points.
    const D3DXVECTOR3 p1(0, 1, 1), p2(2, 1, 2);
    D3DXPlaneIntersectLine(&out, &ground, &p1, &p2);
    ExpectNear(out, D3DXVECTOR3(-2, 1, 0));
    // An unnormalised plane z = 2.
    const D3DXPLANE raised(0, 0, 3, -6);
    D3DXPlaneIntersectLine(&out, &raised, &above, &below);
    ExpectNear(out, D3DXVECTOR3(1, 2, 2));
    // Parallel: no point, out untouched.
    const D3DXVECTOR3 q1(0, 0, 1), q2(5, 3, 1);
    out = D3DXVECTOR3(7, 7, 7);
    EXPECT_EQ(D3DXPlaneIntersectLine(&out, &ground, &q1, &q2), nullptr);
    EXPECT_EQ(out, D3DXVECTOR3(7, 7, 7));
}

TEST(D3DX9Math, PlaneTransformMovesWithThePoints)
{
    // Points move by M; the plane moves by the inverse transpose of M.
    const D3DXMATRIX m = RotationX(0.6f) * Translation(1, -2, 5);
    D3DXMATRIX inverse, inverseTranspose;
    D3DXMatrixInverse(&inverse, nullptr, &m);
    D3DXMatrixTranspose(&inverseTranspose, &inverse);

    const D3DXPLANE ground(0, 0, 1, 0);
    D3DXPLANE moved;
    EXPECT_EQ(D3DXPlaneTransform(&moved, &ground, &inverseTranspose), &moved);
    for (const D3DXVECTOR3& p : {D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(3, -1, 0), D3DXVECTOR3(-2, 4, 0)}) {
        const D3DXVECTOR3 q = TransformCoord(p, m);
        EXPECT_NEAR(D3DXPlaneDotCoord(&moved, &q), 0.0f, kTol);
    }
    const D3DXVECTOR3 up = TransformCoord(D3DXVECTOR3(0, 0, 1), m);
    EXPECT_NEAR(D3DXPlaneDotCoord(&moved, &up), 1.0f, kTol);

    // Translation by (0, 0, 5) alone: z = 0 becomes z = 5.
    const D3DXMATRIX back = Translation(0, 0, -5);
    D3DXMatrixTranspose(&inverseTranspose, &back);
    D3DXPlaneTransform(&moved, &ground, &inverseTranspose);
    EXPECT_EQ(moved, D3DXPLANE(0, 0, 1, -5));
}

// --- Bad arguments ----------------------------------------------------------

TEST(D3DX9Math, NullArgumentsReturnNullOrZero)
{
    D3DXVECTOR3 v;
    D3DXMATRIX m;
    D3DXQUATERNION q;
    D3DXPLANE p;
    EXPECT_EQ(D3DXVec3Normalize(nullptr, &v), nullptr);
    EXPECT_EQ(D3DXVec3Normalize(&v, nullptr), nullptr);
    EXPECT_EQ(D3DXVec3TransformCoord(&v, &v, nullptr), nullptr);
    EXPECT_EQ(D3DXVec3TransformCoordArray(&v, 12, nullptr, 12, &m, 1), nullptr);
    EXPECT_EQ(D3DXVec3Cross(&v, nullptr, &v), nullptr);
    EXPECT_EQ(D3DXVec3Length(nullptr), 0.0f);
    EXPECT_EQ(D3DXMatrixIdentity(nullptr), nullptr);
    EXPECT_EQ(D3DXMatrixTranslation(nullptr, 1, 2, 3), nullptr);
    EXPECT_EQ(D3DXMatrixMultiply(&m, &m, nullptr), nullptr);
    EXPECT_EQ(D3DXMatrixInverse(&m, nullptr, nullptr), nullptr);
    EXPECT_EQ(D3DXMatrixLookAtLH(&m, &v, &v, nullptr), nullptr);
    EXPECT_EQ(D3DXMatrixShadow(&m, nullptr, &p), nullptr);
    EXPECT_FALSE(D3DXMatrixIsIdentity(nullptr));
    EXPECT_EQ(D3DXMatrixDeterminant(nullptr), 0.0f);
    EXPECT_EQ(D3DXQuaternionMultiply(&q, nullptr, &q), nullptr);
    EXPECT_EQ(D3DXQuaternionRotationMatrix(&q, nullptr), nullptr);
    EXPECT_EQ(D3DXPlaneFromPoints(&p, &v, nullptr, &v), nullptr);
    EXPECT_EQ(D3DXPlaneDotCoord(nullptr, &v), 0.0f);
    EXPECT_EQ(D3DXVECTOR3(static_cast<const float*>(nullptr)), D3DXVECTOR3());
    EXPECT_EQ(D3DXMATRIX(static_cast<const float*>(nullptr)), D3DXMATRIX());
}

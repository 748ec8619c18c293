// Vector, matrix, quaternion, plane and colour math under the D3DX names the
// engine calls. Conventions: row vectors (a point p becomes p x M), the
// translation in the fourth row, left-handed projections. Every function
// returns its out pointer, or NULL (0 for scalars) when an argument is NULL.
// Unlike the originals, the default constructors of the D3DX types set every
// member to zero, so a value never depends on stale memory. The short ones
// are defined here, for callers to inline; those built on sine and cosine
// stay in the source file, so that every caller gets the math library's
// values rather than ones the compiler worked out from constants.
#pragma once

#include "Platform/Win32.h"

#include <cmath>
#include <cstring>
#include <type_traits>

constexpr float D3DX_PI = 3.141592654f;

constexpr float D3DXToRadian(float degree) { return degree * (D3DX_PI / 180.0f); }
constexpr float D3DXToDegree(float radian) { return radian * (180.0f / D3DX_PI); }

// --- Plain device types -----------------------------------------------------

// Packed 32-bit colour: alpha in the top byte, then red, green, blue.
typedef DWORD D3DCOLOR;

constexpr D3DCOLOR D3DCOLOR_ARGB(DWORD a, DWORD r, DWORD g, DWORD b)
{
    return ((a & 0xffu) << 24) | ((r & 0xffu) << 16) | ((g & 0xffu) << 8) | (b & 0xffu);
}
constexpr D3DCOLOR D3DCOLOR_RGBA(DWORD r, DWORD g, DWORD b, DWORD a) { return D3DCOLOR_ARGB(a, r, g, b); }
constexpr D3DCOLOR D3DCOLOR_XRGB(DWORD r, DWORD g, DWORD b) { return D3DCOLOR_ARGB(0xff, r, g, b); }

// A channel of 0..1 scaled to 0..255 and truncated; values outside 0..1 are
// clamped, so an out-of-range float cannot wrap into a neighbouring channel.
constexpr DWORD D3DColorChannelFromFloat(float value)
{
    return value >= 1.0f ? 255u : (value > 0.0f ? static_cast<DWORD>(value * 255.0f) : 0u);
}
constexpr D3DCOLOR D3DCOLOR_COLORVALUE(float r, float g, float b, float a)
{
    return D3DCOLOR_RGBA(D3DColorChannelFromFloat(r), D3DColorChannelFromFloat(g),
                         D3DColorChannelFromFloat(b), D3DColorChannelFromFloat(a));
}

// Plain bases as the device interfaces take them; no constructors.
struct D3DVECTOR
{
    float x, y, z;
};

struct D3DMATRIX
{
    union {
        struct
        {
            float _11, _12, _13, _14;
            float _21, _22, _23, _24;
            float _31, _32, _33, _34;
            float _41, _42, _43, _44;
        };
        float m[4][4];
    };
};

// --- Vectors ----------------------------------------------------------------

struct D3DXVECTOR2
{
    float x, y;

    D3DXVECTOR2() : x(0.0f), y(0.0f) {}
    explicit D3DXVECTOR2(const float* f) : x(f ? f[0] : 0.0f), y(f ? f[1] : 0.0f) {}
    D3DXVECTOR2(float fx, float fy) : x(fx), y(fy) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& v) { x += v.x; y += v.y; return *this; }
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& v) { x -= v.x; y -= v.y; return *this; }
    D3DXVECTOR2& operator*=(float f) { x *= f; y *= f; return *this; }
    D3DXVECTOR2& operator/=(float f) { const float inv = 1.0f / f; x *= inv; y *= inv; return *this; }

    D3DXVECTOR2 operator+() const { return *this; }
    D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }

    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
    D3DXVECTOR2 operator*(float f) const { return D3DXVECTOR2(x * f, y * f); }
    D3DXVECTOR2 operator/(float f) const { const float inv = 1.0f / f; return D3DXVECTOR2(x * inv, y * inv); }
    friend D3DXVECTOR2 operator*(float f, const D3DXVECTOR2& v) { return v * f; }

    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};

struct D3DXVECTOR3 : public D3DVECTOR
{
    D3DXVECTOR3() : D3DVECTOR{0.0f, 0.0f, 0.0f} {}
    explicit D3DXVECTOR3(const float* f)
        : D3DVECTOR{f ? f[0] : 0.0f, f ? f[1] : 0.0f, f ? f[2] : 0.0f} {}
    D3DXVECTOR3(const D3DVECTOR& v) : D3DVECTOR(v) {}
    D3DXVECTOR3(float fx, float fy, float fz) : D3DVECTOR{fx, fy, fz} {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v) { x += v.x; y += v.y; z += v.z; return *this; }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v) { x -= v.x; y -= v.y; z -= v.z; return *this; }
    D3DXVECTOR3& operator*=(float f) { x *= f; y *= f; z *= f; return *this; }
    D3DXVECTOR3& operator/=(float f) { const float inv = 1.0f / f; return *this *= inv; }

    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }

    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
    D3DXVECTOR3 operator*(float f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
    D3DXVECTOR3 operator/(float f) const { const float inv = 1.0f / f; return *this * inv; }
    friend D3DXVECTOR3 operator*(float f, const D3DXVECTOR3& v) { return v * f; }

    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};

struct D3DXVECTOR4
{
    float x, y, z, w;

    D3DXVECTOR4() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    explicit D3DXVECTOR4(const float* f)
        : x(f ? f[0] : 0.0f), y(f ? f[1] : 0.0f), z(f ? f[2] : 0.0f), w(f ? f[3] : 0.0f) {}
    D3DXVECTOR4(const D3DVECTOR& v, float fw) : x(v.x), y(v.y), z(v.z), w(fw) {}
    D3DXVECTOR4(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& v) { x += v.x; y += v.y; z += v.z; w += v.w; return *this; }
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& v) { x -= v.x; y -= v.y; z -= v.z; w -= v.w; return *this; }
    D3DXVECTOR4& operator*=(float f) { x *= f; y *= f; z *= f; w *= f; return *this; }
    D3DXVECTOR4& operator/=(float f) { const float inv = 1.0f / f; return *this *= inv; }

    D3DXVECTOR4 operator+() const { return *this; }
    D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }

    D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const { return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w); }
    D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const { return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w); }
    D3DXVECTOR4 operator*(float f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
    D3DXVECTOR4 operator/(float f) const { const float inv = 1.0f / f; return *this * inv; }
    friend D3DXVECTOR4 operator*(float f, const D3DXVECTOR4& v) { return v * f; }

    bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};

// --- Matrix -----------------------------------------------------------------

// A default-constructed matrix is all zeros, not the identity.
struct D3DXMATRIX : public D3DMATRIX
{
    D3DXMATRIX() : D3DMATRIX{} {}
    explicit D3DXMATRIX(const float* f) : D3DMATRIX{}
    {
        if (f)
            std::memcpy(m, f, sizeof(m));
    }
    D3DXMATRIX(const D3DMATRIX& mat) : D3DMATRIX(mat) {}
    D3DXMATRIX(float f11, float f12, float f13, float f14,
               float f21, float f22, float f23, float f24,
               float f31, float f32, float f33, float f34,
               float f41, float f42, float f43, float f44)
        : D3DMATRIX{}
    {
        _11 = f11; _12 = f12; _13 = f13; _14 = f14;
        _21 = f21; _22 = f22; _23 = f23; _24 = f24;
        _31 = f31; _32 = f32; _33 = f33; _34 = f34;
        _41 = f41; _42 = f42; _43 = f43; _44 = f44;
    }

    float& operator()(UINT row, UINT col) { return m[row][col]; }
    float operator()(UINT row, UINT col) const { return m[row][col]; }

    operator float*() { return &_11; }
    operator const float*() const { return &_11; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator+=(const D3DXMATRIX& mat)
    {
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c)
                m[r][c] += mat.m[r][c];
        }
        return *this;
    }
    D3DXMATRIX& operator-=(const D3DXMATRIX& mat)
    {
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c)
                m[r][c] -= mat.m[r][c];
        }
        return *this;
    }
    D3DXMATRIX& operator*=(float f)
    {
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c)
                m[r][c] *= f;
        }
        return *this;
    }
    D3DXMATRIX& operator/=(float f) { return *this *= 1.0f / f; }

    D3DXMATRIX operator+() const { return *this; }
    D3DXMATRIX operator-() const { D3DXMATRIX r(*this); return r *= -1.0f; }

    // Matrix product: this first, then mat.
    D3DXMATRIX operator*(const D3DXMATRIX& mat) const;
    D3DXMATRIX operator+(const D3DXMATRIX& mat) const { D3DXMATRIX r(*this); return r += mat; }
    D3DXMATRIX operator-(const D3DXMATRIX& mat) const { D3DXMATRIX r(*this); return r -= mat; }
    D3DXMATRIX operator*(float f) const { D3DXMATRIX r(*this); return r *= f; }
    D3DXMATRIX operator/(float f) const { D3DXMATRIX r(*this); return r /= f; }
    friend D3DXMATRIX operator*(float f, const D3DXMATRIX& mat) { return mat * f; }

    bool operator==(const D3DXMATRIX& mat) const
    {
        for (int r = 0; r < 4; ++r) {
            for (int c = 0; c < 4; ++c) {
                if (m[r][c] != mat.m[r][c])
                    return false;
            }
        }
        return true;
    }
    bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};

// --- Quaternion, plane, colour ----------------------------------------------

// Rotation quaternion (x, y, z, w); w is the scalar part.
struct D3DXQUATERNION
{
    float x, y, z, w;

    D3DXQUATERNION() : x(0.0f), y(0.0f), z(0.0f), w(0.0f) {}
    explicit D3DXQUATERNION(const float* f)
        : x(f ? f[0] : 0.0f), y(f ? f[1] : 0.0f), z(f ? f[2] : 0.0f), w(f ? f[3] : 0.0f) {}
    D3DXQUATERNION(float fx, float fy, float fz, float fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator float*() { return &x; }
    operator const float*() const { return &x; }

    D3DXQUATERNION& operator+=(const D3DXQUATERNION& q) { x += q.x; y += q.y; z += q.z; w += q.w; return *this; }
    D3DXQUATERNION& operator-=(const D3DXQUATERNION& q) { x -= q.x; y -= q.y; z -= q.z; w -= q.w; return *this; }
    // Composition as D3DXQuaternionMultiply: this rotation, then q.
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator*=(float f) { x *= f; y *= f; z *= f; w *= f; return *this; }
    D3DXQUATERNION& operator/=(float f) { const float inv = 1.0f / f; return *this *= inv; }

    D3DXQUATERNION operator+() const { return *this; }
    D3DXQUATERNION operator-() const { return D3DXQUATERNION(-x, -y, -z, -w); }

    D3DXQUATERNION operator+(const D3DXQUATERNION& q) const { return D3DXQUATERNION(x + q.x, y + q.y, z + q.z, w + q.w); }
    D3DXQUATERNION operator-(const D3DXQUATERNION& q) const { return D3DXQUATERNION(x - q.x, y - q.y, z - q.z, w - q.w); }
    D3DXQUATERNION operator*(const D3DXQUATERNION& q) const;
    D3DXQUATERNION operator*(float f) const { return D3DXQUATERNION(x * f, y * f, z * f, w * f); }
    D3DXQUATERNION operator/(float f) const { const float inv = 1.0f / f; return *this * inv; }
    friend D3DXQUATERNION operator*(float f, const D3DXQUATERNION& q) { return q * f; }

    bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
    bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};

// Plane a*x + b*y + c*z + d = 0; (a, b, c) is its normal.
struct D3DXPLANE
{
    float a, b, c, d;

    D3DXPLANE() : a(0.0f), b(0.0f), c(0.0f), d(0.0f) {}
    explicit D3DXPLANE(const float* f)
        : a(f ? f[0] : 0.0f), b(f ? f[1] : 0.0f), c(f ? f[2] : 0.0f), d(f ? f[3] : 0.0f) {}
    D3DXPLANE(float fa, float fb, float fc, float fd) : a(fa), b(fb), c(fc), d(fd) {}

    operator float*() { return &a; }
    operator const float*() const { return &a; }

    D3DXPLANE operator+() const { return *this; }
    D3DXPLANE operator-() const { return D3DXPLANE(-a, -b, -c, -d); }

    bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
    bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};

// Colour with float channels, nominally 0..1. Converts to and from D3DCOLOR;
// packing clamps each channel to 0..1 and rounds to the nearest of 0..255.
struct D3DXCOLOR
{
    float r, g, b, a;

    D3DXCOLOR() : r(0.0f), g(0.0f), b(0.0f), a(0.0f) {}
    D3DXCOLOR(D3DCOLOR argb)
        : r(static_cast<float>((argb >> 16) & 0xffu) * (1.0f / 255.0f)),
          g(static_cast<float>((argb >> 8) & 0xffu) * (1.0f / 255.0f)),
          b(static_cast<float>(argb & 0xffu) * (1.0f / 255.0f)),
          a(static_cast<float>((argb >> 24) & 0xffu) * (1.0f / 255.0f)) {}
    explicit D3DXCOLOR(const float* f)
        : r(f ? f[0] : 0.0f), g(f ? f[1] : 0.0f), b(f ? f[2] : 0.0f), a(f ? f[3] : 0.0f) {}
    D3DXCOLOR(float fr, float fg, float fb, float fa) : r(fr), g(fg), b(fb), a(fa) {}

    operator D3DCOLOR() const
    {
        return D3DCOLOR_ARGB(PackChannel(a), PackChannel(r), PackChannel(g), PackChannel(b));
    }
    operator float*() { return &r; }
    operator const float*() const { return &r; }

    D3DXCOLOR& operator+=(const D3DXCOLOR& c) { r += c.r; g += c.g; b += c.b; a += c.a; return *this; }
    D3DXCOLOR& operator-=(const D3DXCOLOR& c) { r -= c.r; g -= c.g; b -= c.b; a -= c.a; return *this; }
    D3DXCOLOR& operator*=(float f) { r *= f; g *= f; b *= f; a *= f; return *this; }
    D3DXCOLOR& operator/=(float f) { const float inv = 1.0f / f; return *this *= inv; }

    D3DXCOLOR operator+() const { return *this; }
    D3DXCOLOR operator-() const { return D3DXCOLOR(-r, -g, -b, -a); }

    D3DXCOLOR operator+(const D3DXCOLOR& c) const { return D3DXCOLOR(r + c.r, g + c.g, b + c.b, a + c.a); }
    D3DXCOLOR operator-(const D3DXCOLOR& c) const { return D3DXCOLOR(r - c.r, g - c.g, b - c.b, a - c.a); }
    D3DXCOLOR operator*(float f) const { return D3DXCOLOR(r * f, g * f, b * f, a * f); }
    D3DXCOLOR operator/(float f) const { const float inv = 1.0f / f; return *this * inv; }
    friend D3DXCOLOR operator*(float f, const D3DXCOLOR& c) { return c * f; }

    bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
    bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }

private:
    static DWORD PackChannel(float value)
    {
        return value >= 1.0f ? 255u : (value > 0.0f ? static_cast<DWORD>(value * 255.0f + 0.5f) : 0u);
    }
};

static_assert(sizeof(D3DXVECTOR2) == 8 && sizeof(D3DXVECTOR3) == 12 && sizeof(D3DXVECTOR4) == 16, "vector layout");
static_assert(sizeof(D3DXMATRIX) == 64 && sizeof(D3DXQUATERNION) == 16 && sizeof(D3DXPLANE) == 16, "layout");
static_assert(sizeof(D3DXCOLOR) == 16, "colour layout");
static_assert(std::is_standard_layout<D3DXVECTOR3>::value && std::is_trivially_copyable<D3DXVECTOR3>::value,
              "vectors are copied as bytes into vertex and constant buffers");
static_assert(std::is_standard_layout<D3DXMATRIX>::value && std::is_trivially_copyable<D3DXMATRIX>::value,
              "matrices are copied as bytes into constant buffers");

namespace PlatformD3DX
{
// A matrix copied into locals, so a loop that writes through an output
// pointer does not have to reload it after every store. The point and
// direction transforms below are made of it, one vector or many.
struct MatrixRows
{
    float m11, m12, m13, m14;
    float m21, m22, m23, m24;
    float m31, m32, m33, m34;
    float m41, m42, m43, m44;

    explicit MatrixRows(const D3DXMATRIX& m)
        : m11(m._11), m12(m._12), m13(m._13), m14(m._14),
          m21(m._21), m22(m._22), m23(m._23), m24(m._24),
          m31(m._31), m32(m._32), m33(m._33), m34(m._34),
          m41(m._41), m42(m._42), m43(m._43), m44(m._44) {}

    bool IsAffine() const { return m14 == 0.0f && m24 == 0.0f && m34 == 0.0f && m44 == 1.0f; }

    // (x, y, z, 1) x M divided by w; w = 0 leaves the result undivided.
    void TransformCoord(const float in[3], float out[3]) const
    {
        const float x = in[0], y = in[1], z = in[2];
        float rx = x * m11 + y * m21 + z * m31 + m41;
        float ry = x * m12 + y * m22 + z * m32 + m42;
        float rz = x * m13 + y * m23 + z * m33 + m43;
        const float w = x * m14 + y * m24 + z * m34 + m44;
        if (w != 0.0f) {
            const float inv = 1.0f / w;
            rx *= inv;
            ry *= inv;
            rz *= inv;
        }
        out[0] = rx;
        out[1] = ry;
        out[2] = rz;
    }

    // (x, y, z, 1) x M for a matrix whose fourth column is (0, 0, 0, 1).
    void TransformAffine(const float in[3], float out[3]) const
    {
        const float x = in[0], y = in[1], z = in[2];
        out[0] = x * m11 + y * m21 + z * m31 + m41;
        out[1] = x * m12 + y * m22 + z * m32 + m42;
        out[2] = x * m13 + y * m23 + z * m33 + m43;
    }

    // (x, y, z, 0) x M.
    void TransformNormal(const float in[3], float out[3]) const
    {
        const float x = in[0], y = in[1], z = in[2];
        out[0] = x * m11 + y * m21 + z * m31;
        out[1] = x * m12 + y * m22 + z * m32;
        out[2] = x * m13 + y * m23 + z * m33;
    }
};
}

// --- 2D vectors -------------------------------------------------------------

inline float D3DXVec2LengthSq(const D3DXVECTOR2* pV)
{
    return pV ? pV->x * pV->x + pV->y * pV->y : 0.0f;
}
inline float D3DXVec2Length(const D3DXVECTOR2* pV)
{
    return std::sqrt(D3DXVec2LengthSq(pV));
}
inline float D3DXVec2Dot(const D3DXVECTOR2* pV1, const D3DXVECTOR2* pV2)
{
    return pV1 && pV2 ? pV1->x * pV2->x + pV1->y * pV2->y : 0.0f;
}
// A zero vector stays zero.
D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* pOut, const D3DXVECTOR2* pV);

// --- 3D vectors -------------------------------------------------------------

inline float D3DXVec3LengthSq(const D3DXVECTOR3* pV)
{
    return pV ? pV->x * pV->x + pV->y * pV->y + pV->z * pV->z : 0.0f;
}
inline float D3DXVec3Length(const D3DXVECTOR3* pV)
{
    return std::sqrt(D3DXVec3LengthSq(pV));
}
inline float D3DXVec3Dot(const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    return pV1 && pV2 ? pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z : 0.0f;
}
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    const D3DXVECTOR3 r(pV1->y * pV2->z - pV1->z * pV2->y,
                        pV1->z * pV2->x - pV1->x * pV2->z,
                        pV1->x * pV2->y - pV1->y * pV2->x);
    *pOut = r;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = *pV1 + *pV2;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = *pV1 - *pV2;
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, float s)
{
    if (!pOut || !pV)
        return nullptr;
    *pOut = *pV * s;
    return pOut;
}
// pV1 + s * (pV2 - pV1).
inline D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2, float s)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}
// Component-wise minimum and maximum.
inline D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = D3DXVECTOR3(pV1->x < pV2->x ? pV1->x : pV2->x, pV1->y < pV2->y ? pV1->y : pV2->y,
                        pV1->z < pV2->z ? pV1->z : pV2->z);
    return pOut;
}
inline D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = D3DXVECTOR3(pV1->x > pV2->x ? pV1->x : pV2->x, pV1->y > pV2->y ? pV1->y : pV2->y,
                        pV1->z > pV2->z ? pV1->z : pV2->z);
    return pOut;
}
// A zero vector stays zero.
D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV);

// (x, y, z, 1) x M, divided by the resulting w. When that w is 0 (a point at
// infinity) x, y and z are returned undivided, so no infinity or NaN escapes.
inline D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    if (!pOut || !pV || !pM)
        return nullptr;
    const float in[3] = {pV->x, pV->y, pV->z};
    float out[3];
    PlatformD3DX::MatrixRows(*pM).TransformCoord(in, out);
    *pOut = D3DXVECTOR3(out);
    return pOut;
}
// (x, y, z, 0) x M: directions, without the translation.
inline D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM)
{
    if (!pOut || !pV || !pM)
        return nullptr;
    const float in[3] = {pV->x, pV->y, pV->z};
    float out[3];
    PlatformD3DX::MatrixRows(*pM).TransformNormal(in, out);
    *pOut = D3DXVECTOR3(out);
    return pOut;
}
// (x, y, z, 1) x M, the full four components.
D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* pOut, const D3DXVECTOR3* pV, const D3DXMATRIX* pM);
// The same over n vectors. Strides are in bytes between consecutive vectors,
// so positions can be transformed inside interleaved vertices; input and
// output may be the same array.
D3DXVECTOR3* D3DXVec3TransformCoordArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV,
                                         UINT vStride, const D3DXMATRIX* pM, UINT n);
D3DXVECTOR3* D3DXVec3TransformNormalArray(D3DXVECTOR3* pOut, UINT outStride, const D3DXVECTOR3* pV,
                                          UINT vStride, const D3DXMATRIX* pM, UINT n);

// --- 4D vectors -------------------------------------------------------------

inline float D3DXVec4LengthSq(const D3DXVECTOR4* pV)
{
    return pV ? pV->x * pV->x + pV->y * pV->y + pV->z * pV->z + pV->w * pV->w : 0.0f;
}
inline float D3DXVec4Length(const D3DXVECTOR4* pV)
{
    return std::sqrt(D3DXVec4LengthSq(pV));
}
inline float D3DXVec4Dot(const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    return pV1 && pV2 ? pV1->x * pV2->x + pV1->y * pV2->y + pV1->z * pV2->z + pV1->w * pV2->w : 0.0f;
}
inline D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = *pV1 + *pV2;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = *pV1 - *pV2;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, float s)
{
    if (!pOut || !pV)
        return nullptr;
    *pOut = *pV * s;
    return pOut;
}
inline D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV1, const D3DXVECTOR4* pV2, float s)
{
    if (!pOut || !pV1 || !pV2)
        return nullptr;
    *pOut = *pV1 + (*pV2 - *pV1) * s;
    return pOut;
}
// A zero vector stays zero.
D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV);
// pV x M.
D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* pOut, const D3DXVECTOR4* pV, const D3DXMATRIX* pM);

// --- Matrices ---------------------------------------------------------------

inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* pOut)
{
    if (!pOut)
        return nullptr;
    *pOut = D3DXMATRIX(1.0f, 0.0f, 0.0f, 0.0f,
                       0.0f, 1.0f, 0.0f, 0.0f,
                       0.0f, 0.0f, 1.0f, 0.0f,
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}
// True only for the exact identity.
BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* pM);
// pM1 x pM2: pM1's transform first, then pM2's. pOut may be either input.
inline D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* pOut, const D3DXMATRIX* pM1, const D3DXMATRIX* pM2)
{
    if (!pOut || !pM1 || !pM2)
        return nullptr;
    // Each result row is a combination of pM2's rows; written this way the
    // inner loop works on whole rows and vectorises.
    float result[4][4];
    for (int r = 0; r < 4; ++r) {
        const float a0 = pM1->m[r][0], a1 = pM1->m[r][1], a2 = pM1->m[r][2], a3 = pM1->m[r][3];
        for (int c = 0; c < 4; ++c)
            result[r][c] = a0 * pM2->m[0][c] + a1 * pM2->m[1][c] + a2 * pM2->m[2][c] + a3 * pM2->m[3][c];
    }
    std::memcpy(pOut->m, result, sizeof(result));
    return pOut;
}
D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* pOut, const D3DXMATRIX* pM);
float D3DXMatrixDeterminant(const D3DXMATRIX* pM);
// The inverse of pM. pDeterminant (may be NULL) receives the determinant.
// A singular matrix (determinant exactly 0) leaves pOut untouched and
// returns NULL.
D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* pOut, float* pDeterminant, const D3DXMATRIX* pM);

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* pOut, float x, float y, float z);
D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* pOut, float sx, float sy, float sz);
// Rotations by an angle in radians; looking down the axis towards the
// origin, a positive angle turns clockwise (left-handed).
D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* pOut, float angle);
D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* pOut, float angle);
// Rotation about an axis through the origin; the axis is normalised first.
// A zero axis gives the uniform scale by cos(angle) (the identity at 0).
D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* pOut, const D3DXVECTOR3* pV, float angle);
// Rotation of a quaternion, taken as it is (not normalised).
inline D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* pOut, const D3DXQUATERNION* pQ)
{
    if (!pOut || !pQ)
        return nullptr;
    const float x = pQ->x, y = pQ->y, z = pQ->z, w = pQ->w;
    *pOut = D3DXMATRIX(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w), 2.0f * (x * z - y * w), 0.0f,
                       2.0f * (x * y - z * w), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w), 0.0f,
                       2.0f * (x * z + y * w), 2.0f * (y * z - x * w), 1.0f - 2.0f * (x * x + y * y), 0.0f,
                       0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}
// Roll about z, then pitch about x, then yaw about y:
// RotationZ(roll) x RotationX(pitch) x RotationY(yaw).
D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* pOut, float yaw, float pitch, float roll);

// View matrix: the eye at the origin looking along +z, +y up. An up vector
// parallel to the line of sight gives a degenerate (but finite) matrix.
D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* pOut, const D3DXVECTOR3* pEye, const D3DXVECTOR3* pAt,
                               const D3DXVECTOR3* pUp);
// Projection with a vertical field of view; depth 0 at zn and 1 at zf.
D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* pOut, float fovy, float aspect, float zn, float zf);
// Orthographic projection of the box [l, r] x [b, t] x [zn, zf] onto
// [-1, 1] x [-1, 1] x [0, 1].
D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* pOut, float l, float r, float b, float t, float zn, float zf);
// Flattens geometry onto a plane along the light: a point light when
// pLight->w is 1, a directional light when it is 0. The plane is normalised
// first.
D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* pOut, const D3DXVECTOR4* pLight, const D3DXPLANE* pPlane);

// --- Quaternions ------------------------------------------------------------

inline D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* pOut)
{
    if (!pOut)
        return nullptr;
    *pOut = D3DXQUATERNION(0.0f, 0.0f, 0.0f, 1.0f);
    return pOut;
}
inline float D3DXQuaternionLengthSq(const D3DXQUATERNION* pQ)
{
    return pQ ? pQ->x * pQ->x + pQ->y * pQ->y + pQ->z * pQ->z + pQ->w * pQ->w : 0.0f;
}
inline float D3DXQuaternionLength(const D3DXQUATERNION* pQ)
{
    return std::sqrt(D3DXQuaternionLengthSq(pQ));
}
inline float D3DXQuaternionDot(const D3DXQUATERNION* pQ1, const D3DXQUATERNION* pQ2)
{
    return pQ1 && pQ2 ? pQ1->x * pQ2->x + pQ1->y * pQ2->y + pQ1->z * pQ2->z + pQ1->w * pQ2->w : 0.0f;
}
// (-x, -y, -z, w).
inline D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ)
{
    if (!pOut || !pQ)
        return nullptr;
    *pOut = D3DXQUATERNION(-pQ->x, -pQ->y, -pQ->z, pQ->w);
    return pOut;
}
// A zero quaternion stays zero.
D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
// The conjugate divided by the squared length; zero stays zero.
D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ);
// Rotation pQ1 followed by pQ2 (the Hamilton product pQ2 * pQ1), so that the
// matrix of the result is the matrix of pQ1 x the matrix of pQ2.
D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                       const D3DXQUATERNION* pQ2);
// Same rotation as D3DXMatrixRotationAxis; the axis is normalised first.
D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* pOut, const D3DXVECTOR3* pV, float angle);
// Quaternion of the rotation part of a matrix (the inverse of
// D3DXMatrixRotationQuaternion for unit quaternions, up to sign).
inline D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* pOut, const D3DXMATRIX* pM)
{
    if (!pOut || !pM)
        return nullptr;
    const D3DXMATRIX& m = *pM;
    const float trace = m._11 + m._22 + m._33;
    // Solve for the largest of the four components first, so the divisor is
    // never small. In each branch the square root's argument is at least 1.
    if (trace > 0.0f) {
        const float s = 2.0f * std::sqrt(trace + 1.0f);
        *pOut = D3DXQUATERNION((m._23 - m._32) / s, (m._31 - m._13) / s, (m._12 - m._21) / s, 0.25f * s);
    } else if (m._11 >= m._22 && m._11 >= m._33) {
        const float s = 2.0f * std::sqrt(1.0f + m._11 - m._22 - m._33);
        *pOut = D3DXQUATERNION(0.25f * s, (m._12 + m._21) / s, (m._13 + m._31) / s, (m._23 - m._32) / s);
    } else if (m._22 >= m._33) {
        const float s = 2.0f * std::sqrt(1.0f + m._22 - m._11 - m._33);
        *pOut = D3DXQUATERNION((m._12 + m._21) / s, 0.25f * s, (m._23 + m._32) / s, (m._31 - m._13) / s);
    } else {
        const float s = 2.0f * std::sqrt(1.0f + m._33 - m._11 - m._22);
        *pOut = D3DXQUATERNION((m._13 + m._31) / s, (m._23 + m._32) / s, 0.25f * s, (m._12 - m._21) / s);
    }
    return pOut;
}
// Same rotation as D3DXMatrixRotationYawPitchRoll.
D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* pOut, float yaw, float pitch, float roll);
// Spherical interpolation from pQ1 (t = 0) to pQ2 (t = 1) along the shorter arc.
D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* pOut, const D3DXQUATERNION* pQ1,
                                    const D3DXQUATERNION* pQ2, float t);

// --- Planes -----------------------------------------------------------------

// a*x + b*y + c*z + d*w.
inline float D3DXPlaneDot(const D3DXPLANE* pP, const D3DXVECTOR4* pV)
{
    return pP && pV ? pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d * pV->w : 0.0f;
}
// a*x + b*y + c*z + d: the signed distance for a normalised plane.
inline float D3DXPlaneDotCoord(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP && pV ? pP->a * pV->x + pP->b * pV->y + pP->c * pV->z + pP->d : 0.0f;
}
// a*x + b*y + c*z.
inline float D3DXPlaneDotNormal(const D3DXPLANE* pP, const D3DXVECTOR3* pV)
{
    return pP && pV ? pP->a * pV->x + pP->b * pV->y + pP->c * pV->z : 0.0f;
}
// Scales the plane so its normal has length 1; a zero normal gives zero.
D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* pOut, const D3DXPLANE* pP);
D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* pOut, const D3DXVECTOR3* pPoint, const D3DXVECTOR3* pNormal);
// The plane through three points with the normal (v2 - v1) x (v3 - v1),
// normalised; three points on a line give the zero plane.
D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* pOut, const D3DXVECTOR3* pV1, const D3DXVECTOR3* pV2,
                               const D3DXVECTOR3* pV3);
// Where the line through pV1 and pV2 (not only the segment) meets the plane;
// NULL when the line runs parallel to it.
D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* pOut, const D3DXPLANE* pP, const D3DXVECTOR3* pV1,
                                    const D3DXVECTOR3* pV2);
// (a, b, c, d) x M. To move a plane with the points it holds, pass the
// inverse transpose of the points' matrix.
D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* pOut, const D3DXPLANE* pP, const D3DXMATRIX* pM);

// --- Colours ----------------------------------------------------------------

// pC1 + s * (pC2 - pC1), every channel.
inline D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2, float s)
{
    if (!pOut || !pC1 || !pC2)
        return nullptr;
    *pOut = *pC1 + (*pC2 - *pC1) * s;
    return pOut;
}
// Channel-wise product.
inline D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* pOut, const D3DXCOLOR* pC1, const D3DXCOLOR* pC2)
{
    if (!pOut || !pC1 || !pC2)
        return nullptr;
    *pOut = D3DXCOLOR(pC1->r * pC2->r, pC1->g * pC2->g, pC1->b * pC2->b, pC1->a * pC2->a);
    return pOut;
}
inline D3DXCOLOR* D3DXColorScale(D3DXCOLOR* pOut, const D3DXCOLOR* pC, float s)
{
    if (!pOut || !pC)
        return nullptr;
    *pOut = *pC * s;
    return pOut;
}

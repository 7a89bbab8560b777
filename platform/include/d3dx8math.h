// D3DX 8 math: value types with their operators, and the math functions.
// Row vectors and left-handed conventions: a point p is transformed as p * M,
// and D3DXMatrixMultiply(out, a, b) yields a * b (a applied first).
#pragma once
#include <cmath>
#include <cstring>

#include "d3d8types.h"
#include "kestu_platform_api.h"

#define D3DX_PI ((FLOAT)3.141592654f)
#define D3DX_1BYPI ((FLOAT)0.318309886f)
#define D3DXToRadian(degree) ((degree) * (D3DX_PI / 180.0f))
#define D3DXToDegree(radian) ((radian) * (180.0f / D3DX_PI))

struct D3DXVECTOR2 {
    FLOAT x, y;

    D3DXVECTOR2() = default;
    D3DXVECTOR2(const FLOAT* f) : x(f[0]), y(f[1]) {}
    D3DXVECTOR2(FLOAT fx, FLOAT fy) : x(fx), y(fy) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR2& operator+=(const D3DXVECTOR2& v)
    {
        x += v.x;
        y += v.y;
        return *this;
    }
    D3DXVECTOR2& operator-=(const D3DXVECTOR2& v)
    {
        x -= v.x;
        y -= v.y;
        return *this;
    }
    D3DXVECTOR2& operator*=(FLOAT f)
    {
        x *= f;
        y *= f;
        return *this;
    }
    D3DXVECTOR2& operator/=(FLOAT f)
    {
        const FLOAT inv = 1.0f / f;
        x *= inv;
        y *= inv;
        return *this;
    }

    D3DXVECTOR2 operator+() const { return *this; }
    D3DXVECTOR2 operator-() const { return D3DXVECTOR2(-x, -y); }
    D3DXVECTOR2 operator+(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x + v.x, y + v.y); }
    D3DXVECTOR2 operator-(const D3DXVECTOR2& v) const { return D3DXVECTOR2(x - v.x, y - v.y); }
    D3DXVECTOR2 operator*(FLOAT f) const { return D3DXVECTOR2(x * f, y * f); }
    D3DXVECTOR2 operator/(FLOAT f) const
    {
        const FLOAT inv = 1.0f / f;
        return D3DXVECTOR2(x * inv, y * inv);
    }
    friend D3DXVECTOR2 operator*(FLOAT f, const D3DXVECTOR2& v) { return D3DXVECTOR2(f * v.x, f * v.y); }

    bool operator==(const D3DXVECTOR2& v) const { return x == v.x && y == v.y; }
    bool operator!=(const D3DXVECTOR2& v) const { return !(*this == v); }
};
typedef D3DXVECTOR2* LPD3DXVECTOR2;

struct D3DXVECTOR3 : public D3DVECTOR {
    D3DXVECTOR3() = default;
    D3DXVECTOR3(const FLOAT* f)
    {
        x = f[0];
        y = f[1];
        z = f[2];
    }
    D3DXVECTOR3(const D3DVECTOR& v)
    {
        x = v.x;
        y = v.y;
        z = v.z;
    }
    D3DXVECTOR3(FLOAT fx, FLOAT fy, FLOAT fz)
    {
        x = fx;
        y = fy;
        z = fz;
    }

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR3& operator+=(const D3DXVECTOR3& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        return *this;
    }
    D3DXVECTOR3& operator-=(const D3DXVECTOR3& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        return *this;
    }
    D3DXVECTOR3& operator*=(FLOAT f)
    {
        x *= f;
        y *= f;
        z *= f;
        return *this;
    }
    D3DXVECTOR3& operator/=(FLOAT f)
    {
        const FLOAT inv = 1.0f / f;
        x *= inv;
        y *= inv;
        z *= inv;
        return *this;
    }

    D3DXVECTOR3 operator+() const { return *this; }
    D3DXVECTOR3 operator-() const { return D3DXVECTOR3(-x, -y, -z); }
    D3DXVECTOR3 operator+(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x + v.x, y + v.y, z + v.z); }
    D3DXVECTOR3 operator-(const D3DXVECTOR3& v) const { return D3DXVECTOR3(x - v.x, y - v.y, z - v.z); }
    D3DXVECTOR3 operator*(FLOAT f) const { return D3DXVECTOR3(x * f, y * f, z * f); }
    D3DXVECTOR3 operator/(FLOAT f) const
    {
        const FLOAT inv = 1.0f / f;
        return D3DXVECTOR3(x * inv, y * inv, z * inv);
    }
    friend D3DXVECTOR3 operator*(FLOAT f, const D3DXVECTOR3& v) { return D3DXVECTOR3(f * v.x, f * v.y, f * v.z); }

    bool operator==(const D3DXVECTOR3& v) const { return x == v.x && y == v.y && z == v.z; }
    bool operator!=(const D3DXVECTOR3& v) const { return !(*this == v); }
};
typedef D3DXVECTOR3* LPD3DXVECTOR3;

struct D3DXVECTOR4 {
    FLOAT x, y, z, w;

    D3DXVECTOR4() = default;
    D3DXVECTOR4(const FLOAT* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
    D3DXVECTOR4(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXVECTOR4& operator+=(const D3DXVECTOR4& v)
    {
        x += v.x;
        y += v.y;
        z += v.z;
        w += v.w;
        return *this;
    }
    D3DXVECTOR4& operator-=(const D3DXVECTOR4& v)
    {
        x -= v.x;
        y -= v.y;
        z -= v.z;
        w -= v.w;
        return *this;
    }
    D3DXVECTOR4& operator*=(FLOAT f)
    {
        x *= f;
        y *= f;
        z *= f;
        w *= f;
        return *this;
    }
    D3DXVECTOR4& operator/=(FLOAT f)
    {
        const FLOAT inv = 1.0f / f;
        x *= inv;
        y *= inv;
        z *= inv;
        w *= inv;
        return *this;
    }

    D3DXVECTOR4 operator+() const { return *this; }
    D3DXVECTOR4 operator-() const { return D3DXVECTOR4(-x, -y, -z, -w); }
    D3DXVECTOR4 operator+(const D3DXVECTOR4& v) const { return D3DXVECTOR4(x + v.x, y + v.y, z + v.z, w + v.w); }
    D3DXVECTOR4 operator-(const D3DXVECTOR4& v) const { return D3DXVECTOR4(x - v.x, y - v.y, z - v.z, w - v.w); }
    D3DXVECTOR4 operator*(FLOAT f) const { return D3DXVECTOR4(x * f, y * f, z * f, w * f); }
    D3DXVECTOR4 operator/(FLOAT f) const
    {
        const FLOAT inv = 1.0f / f;
        return D3DXVECTOR4(x * inv, y * inv, z * inv, w * inv);
    }
    friend D3DXVECTOR4 operator*(FLOAT f, const D3DXVECTOR4& v) { return v * f; }

    bool operator==(const D3DXVECTOR4& v) const { return x == v.x && y == v.y && z == v.z && w == v.w; }
    bool operator!=(const D3DXVECTOR4& v) const { return !(*this == v); }
};
typedef D3DXVECTOR4* LPD3DXVECTOR4;

struct D3DXMATRIX : public D3DMATRIX {
    D3DXMATRIX() = default;
    D3DXMATRIX(const FLOAT* f) { std::memcpy(&_11, f, sizeof(D3DMATRIX)); }
    D3DXMATRIX(const D3DMATRIX& mat) { std::memcpy(&_11, &mat, sizeof(D3DMATRIX)); }
    D3DXMATRIX(FLOAT f11, FLOAT f12, FLOAT f13, FLOAT f14, FLOAT f21, FLOAT f22, FLOAT f23, FLOAT f24, FLOAT f31,
               FLOAT f32, FLOAT f33, FLOAT f34, FLOAT f41, FLOAT f42, FLOAT f43, FLOAT f44)
    {
        _11 = f11;
        _12 = f12;
        _13 = f13;
        _14 = f14;
        _21 = f21;
        _22 = f22;
        _23 = f23;
        _24 = f24;
        _31 = f31;
        _32 = f32;
        _33 = f33;
        _34 = f34;
        _41 = f41;
        _42 = f42;
        _43 = f43;
        _44 = f44;
    }

    FLOAT& operator()(UINT row, UINT col) { return m[row][col]; }
    FLOAT operator()(UINT row, UINT col) const { return m[row][col]; }

    operator FLOAT*() { return &_11; }
    operator const FLOAT*() const { return &_11; }

    D3DXMATRIX& operator*=(const D3DXMATRIX& mat);
    D3DXMATRIX& operator+=(const D3DXMATRIX& mat)
    {
        for (int i = 0; i < 16; ++i) (&_11)[i] += (&mat._11)[i];
        return *this;
    }
    D3DXMATRIX& operator-=(const D3DXMATRIX& mat)
    {
        for (int i = 0; i < 16; ++i) (&_11)[i] -= (&mat._11)[i];
        return *this;
    }
    D3DXMATRIX& operator*=(FLOAT f)
    {
        for (int i = 0; i < 16; ++i) (&_11)[i] *= f;
        return *this;
    }
    D3DXMATRIX& operator/=(FLOAT f) { return *this *= (1.0f / f); }

    D3DXMATRIX operator+() const { return *this; }
    D3DXMATRIX operator-() const
    {
        D3DXMATRIX r(*this);
        r *= -1.0f;
        return r;
    }
    D3DXMATRIX operator*(const D3DXMATRIX& mat) const
    {
        D3DXMATRIX r(*this);
        r *= mat;
        return r;
    }
    D3DXMATRIX operator+(const D3DXMATRIX& mat) const
    {
        D3DXMATRIX r(*this);
        r += mat;
        return r;
    }
    D3DXMATRIX operator-(const D3DXMATRIX& mat) const
    {
        D3DXMATRIX r(*this);
        r -= mat;
        return r;
    }
    D3DXMATRIX operator*(FLOAT f) const
    {
        D3DXMATRIX r(*this);
        r *= f;
        return r;
    }
    D3DXMATRIX operator/(FLOAT f) const
    {
        D3DXMATRIX r(*this);
        r /= f;
        return r;
    }
    friend D3DXMATRIX operator*(FLOAT f, const D3DXMATRIX& mat) { return mat * f; }

    bool operator==(const D3DXMATRIX& mat) const
    {
        for (int i = 0; i < 16; ++i)
            if ((&_11)[i] != (&mat._11)[i]) return false;
        return true;
    }
    bool operator!=(const D3DXMATRIX& mat) const { return !(*this == mat); }
};
typedef D3DXMATRIX* LPD3DXMATRIX;
static_assert(sizeof(D3DXMATRIX) == 64, "stored files depend on the matrix size");
static_assert(sizeof(D3DXVECTOR3) == 12 && sizeof(D3DXVECTOR4) == 16 && sizeof(D3DXVECTOR2) == 8,
              "stored files depend on the vector sizes");

struct D3DXQUATERNION {
    FLOAT x, y, z, w;

    D3DXQUATERNION() = default;
    D3DXQUATERNION(const FLOAT* f) : x(f[0]), y(f[1]), z(f[2]), w(f[3]) {}
    D3DXQUATERNION(FLOAT fx, FLOAT fy, FLOAT fz, FLOAT fw) : x(fx), y(fy), z(fz), w(fw) {}

    operator FLOAT*() { return &x; }
    operator const FLOAT*() const { return &x; }

    D3DXQUATERNION& operator+=(const D3DXQUATERNION& q)
    {
        x += q.x;
        y += q.y;
        z += q.z;
        w += q.w;
        return *this;
    }
    D3DXQUATERNION& operator-=(const D3DXQUATERNION& q)
    {
        x -= q.x;
        y -= q.y;
        z -= q.z;
        w -= q.w;
        return *this;
    }
    D3DXQUATERNION& operator*=(const D3DXQUATERNION& q);
    D3DXQUATERNION& operator*=(FLOAT f)
    {
        x *= f;
        y *= f;
        z *= f;
        w *= f;
        return *this;
    }
    D3DXQUATERNION& operator/=(FLOAT f) { return *this *= (1.0f / f); }

    D3DXQUATERNION operator+() const { return *this; }
    D3DXQUATERNION operator-() const { return D3DXQUATERNION(-x, -y, -z, -w); }
    D3DXQUATERNION operator+(const D3DXQUATERNION& q) const
    {
        return D3DXQUATERNION(x + q.x, y + q.y, z + q.z, w + q.w);
    }
    D3DXQUATERNION operator-(const D3DXQUATERNION& q) const
    {
        return D3DXQUATERNION(x - q.x, y - q.y, z - q.z, w - q.w);
    }
    D3DXQUATERNION operator*(const D3DXQUATERNION& q) const
    {
        D3DXQUATERNION r(*this);
        r *= q;
        return r;
    }
    D3DXQUATERNION operator*(FLOAT f) const { return D3DXQUATERNION(x * f, y * f, z * f, w * f); }
    D3DXQUATERNION operator/(FLOAT f) const { return *this * (1.0f / f); }
    friend D3DXQUATERNION operator*(FLOAT f, const D3DXQUATERNION& q) { return q * f; }

    bool operator==(const D3DXQUATERNION& q) const { return x == q.x && y == q.y && z == q.z && w == q.w; }
    bool operator!=(const D3DXQUATERNION& q) const { return !(*this == q); }
};
typedef D3DXQUATERNION* LPD3DXQUATERNION;

struct D3DXPLANE {
    FLOAT a, b, c, d;

    D3DXPLANE() = default;
    D3DXPLANE(const FLOAT* f) : a(f[0]), b(f[1]), c(f[2]), d(f[3]) {}
    D3DXPLANE(FLOAT fa, FLOAT fb, FLOAT fc, FLOAT fd) : a(fa), b(fb), c(fc), d(fd) {}

    operator FLOAT*() { return &a; }
    operator const FLOAT*() const { return &a; }

    D3DXPLANE operator+() const { return *this; }
    D3DXPLANE operator-() const { return D3DXPLANE(-a, -b, -c, -d); }

    bool operator==(const D3DXPLANE& p) const { return a == p.a && b == p.b && c == p.c && d == p.d; }
    bool operator!=(const D3DXPLANE& p) const { return !(*this == p); }
};
typedef D3DXPLANE* LPD3DXPLANE;

struct D3DXCOLOR {
    FLOAT r, g, b, a;

    D3DXCOLOR() = default;
    D3DXCOLOR(DWORD argb)
        : r(((argb >> 16) & 0xff) * (1.0f / 255.0f)), g(((argb >> 8) & 0xff) * (1.0f / 255.0f)),
          b((argb & 0xff) * (1.0f / 255.0f)), a(((argb >> 24) & 0xff) * (1.0f / 255.0f))
    {
    }
    D3DXCOLOR(const FLOAT* f) : r(f[0]), g(f[1]), b(f[2]), a(f[3]) {}
    D3DXCOLOR(const D3DCOLORVALUE& c) : r(c.r), g(c.g), b(c.b), a(c.a) {}
    D3DXCOLOR(FLOAT fr, FLOAT fg, FLOAT fb, FLOAT fa) : r(fr), g(fg), b(fb), a(fa) {}

    // Channels are clamped to [0, 1] and rounded to the nearest byte.
    operator DWORD() const
    {
        auto byte = [](FLOAT v) -> DWORD {
            if (!(v > 0.0f)) return 0;
            if (v >= 1.0f) return 0xff;
            return (DWORD)(v * 255.0f + 0.5f);
        };
        return (byte(a) << 24) | (byte(r) << 16) | (byte(g) << 8) | byte(b);
    }
    operator FLOAT*() { return &r; }
    operator const FLOAT*() const { return &r; }
    operator D3DCOLORVALUE*() { return reinterpret_cast<D3DCOLORVALUE*>(&r); }
    operator const D3DCOLORVALUE*() const { return reinterpret_cast<const D3DCOLORVALUE*>(&r); }
    operator D3DCOLORVALUE&() { return *reinterpret_cast<D3DCOLORVALUE*>(&r); }
    operator const D3DCOLORVALUE&() const { return *reinterpret_cast<const D3DCOLORVALUE*>(&r); }

    D3DXCOLOR& operator+=(const D3DXCOLOR& c)
    {
        r += c.r;
        g += c.g;
        b += c.b;
        a += c.a;
        return *this;
    }
    D3DXCOLOR& operator-=(const D3DXCOLOR& c)
    {
        r -= c.r;
        g -= c.g;
        b -= c.b;
        a -= c.a;
        return *this;
    }
    D3DXCOLOR& operator*=(FLOAT f)
    {
        r *= f;
        g *= f;
        b *= f;
        a *= f;
        return *this;
    }
    D3DXCOLOR& operator/=(FLOAT f) { return *this *= (1.0f / f); }

    D3DXCOLOR operator+() const { return *this; }
    D3DXCOLOR operator-() const { return D3DXCOLOR(-r, -g, -b, -a); }
    D3DXCOLOR operator+(const D3DXCOLOR& c) const { return D3DXCOLOR(r + c.r, g + c.g, b + c.b, a + c.a); }
    D3DXCOLOR operator-(const D3DXCOLOR& c) const { return D3DXCOLOR(r - c.r, g - c.g, b - c.b, a - c.a); }
    D3DXCOLOR operator*(FLOAT f) const { return D3DXCOLOR(r * f, g * f, b * f, a * f); }
    D3DXCOLOR operator/(FLOAT f) const { return *this * (1.0f / f); }
    friend D3DXCOLOR operator*(FLOAT f, const D3DXCOLOR& c) { return c * f; }

    bool operator==(const D3DXCOLOR& c) const { return r == c.r && g == c.g && b == c.b && a == c.a; }
    bool operator!=(const D3DXCOLOR& c) const { return !(*this == c); }
};
typedef D3DXCOLOR* LPD3DXCOLOR;
static_assert(sizeof(D3DXCOLOR) == sizeof(D3DCOLORVALUE), "a colour is four floats");

// ---- 2D vectors --------------------------------------------------------------

inline FLOAT D3DXVec2Length(const D3DXVECTOR2* v) { return std::sqrt(v->x * v->x + v->y * v->y); }
inline FLOAT D3DXVec2LengthSq(const D3DXVECTOR2* v) { return v->x * v->x + v->y * v->y; }
inline FLOAT D3DXVec2Dot(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->x + a->y * b->y; }
// The z component of the 3D cross product.
inline FLOAT D3DXVec2CCW(const D3DXVECTOR2* a, const D3DXVECTOR2* b) { return a->x * b->y - a->y * b->x; }
inline D3DXVECTOR2* D3DXVec2Add(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b)
{
    out->x = a->x + b->x;
    out->y = a->y + b->y;
    return out;
}
inline D3DXVECTOR2* D3DXVec2Subtract(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b)
{
    out->x = a->x - b->x;
    out->y = a->y - b->y;
    return out;
}
inline D3DXVECTOR2* D3DXVec2Minimize(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b)
{
    out->x = a->x < b->x ? a->x : b->x;
    out->y = a->y < b->y ? a->y : b->y;
    return out;
}
inline D3DXVECTOR2* D3DXVec2Maximize(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b)
{
    out->x = a->x > b->x ? a->x : b->x;
    out->y = a->y > b->y ? a->y : b->y;
    return out;
}
inline D3DXVECTOR2* D3DXVec2Scale(D3DXVECTOR2* out, const D3DXVECTOR2* v, FLOAT s)
{
    out->x = v->x * s;
    out->y = v->y * s;
    return out;
}
inline D3DXVECTOR2* D3DXVec2Lerp(D3DXVECTOR2* out, const D3DXVECTOR2* a, const D3DXVECTOR2* b, FLOAT s)
{
    out->x = a->x + s * (b->x - a->x);
    out->y = a->y + s * (b->y - a->y);
    return out;
}
KESTU_PLATFORM_API D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v);
KESTU_PLATFORM_API D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
KESTU_PLATFORM_API D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);
KESTU_PLATFORM_API D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m);

// ---- 3D vectors --------------------------------------------------------------

inline FLOAT D3DXVec3Length(const D3DXVECTOR3* v) { return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z); }
inline FLOAT D3DXVec3LengthSq(const D3DXVECTOR3* v) { return v->x * v->x + v->y * v->y + v->z * v->z; }
inline FLOAT D3DXVec3Dot(const D3DXVECTOR3* a, const D3DXVECTOR3* b) { return a->x * b->x + a->y * b->y + a->z * b->z; }
inline D3DXVECTOR3* D3DXVec3Cross(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    const D3DXVECTOR3 r(a->y * b->z - a->z * b->y, a->z * b->x - a->x * b->z, a->x * b->y - a->y * b->x);
    *out = r;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Add(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    out->x = a->x + b->x;
    out->y = a->y + b->y;
    out->z = a->z + b->z;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Subtract(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    out->x = a->x - b->x;
    out->y = a->y - b->y;
    out->z = a->z - b->z;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Minimize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    out->x = a->x < b->x ? a->x : b->x;
    out->y = a->y < b->y ? a->y : b->y;
    out->z = a->z < b->z ? a->z : b->z;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Maximize(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b)
{
    out->x = a->x > b->x ? a->x : b->x;
    out->y = a->y > b->y ? a->y : b->y;
    out->z = a->z > b->z ? a->z : b->z;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Scale(D3DXVECTOR3* out, const D3DXVECTOR3* v, FLOAT s)
{
    out->x = v->x * s;
    out->y = v->y * s;
    out->z = v->z * s;
    return out;
}
inline D3DXVECTOR3* D3DXVec3Lerp(D3DXVECTOR3* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b, FLOAT s)
{
    out->x = a->x + s * (b->x - a->x);
    out->y = a->y + s * (b->y - a->y);
    out->z = a->z + s * (b->z - a->z);
    return out;
}
// Hermite spline from v1 (tangent t1) to v2 (tangent t2) at s in [0, 1].
KESTU_PLATFORM_API D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1,
                                                const D3DXVECTOR3* v2, const D3DXVECTOR3* t2, FLOAT s);
// Catmull-Rom spline between v1 and v2, shaped by v0 and v3.
KESTU_PLATFORM_API D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1,
                                                   const D3DXVECTOR3* v2, const D3DXVECTOR3* v3, FLOAT s);
// v1 + f (v2 - v1) + g (v3 - v1).
KESTU_PLATFORM_API D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                                                    const D3DXVECTOR3* v3, FLOAT f, FLOAT g);
// A zero vector normalises to zero.
KESTU_PLATFORM_API D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v);
// (x, y, z, 1) * m, without the divide by w.
KESTU_PLATFORM_API D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 1) * m, divided by the resulting w.
KESTU_PLATFORM_API D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// (x, y, z, 0) * m: the rotation and scale only.
KESTU_PLATFORM_API D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m);
// Object space to viewport coordinates and back; any matrix may be null (identity).
KESTU_PLATFORM_API D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT8* viewport,
                                                const D3DXMATRIX* projection, const D3DXMATRIX* view,
                                                const D3DXMATRIX* world);
KESTU_PLATFORM_API D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT8* viewport,
                                                  const D3DXMATRIX* projection, const D3DXMATRIX* view,
                                                  const D3DXMATRIX* world);

// ---- 4D vectors --------------------------------------------------------------

inline FLOAT D3DXVec4Length(const D3DXVECTOR4* v)
{
    return std::sqrt(v->x * v->x + v->y * v->y + v->z * v->z + v->w * v->w);
}
inline FLOAT D3DXVec4LengthSq(const D3DXVECTOR4* v) { return v->x * v->x + v->y * v->y + v->z * v->z + v->w * v->w; }
inline FLOAT D3DXVec4Dot(const D3DXVECTOR4* a, const D3DXVECTOR4* b)
{
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
inline D3DXVECTOR4* D3DXVec4Add(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b)
{
    *out = *a + *b;
    return out;
}
inline D3DXVECTOR4* D3DXVec4Subtract(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b)
{
    *out = *a - *b;
    return out;
}
inline D3DXVECTOR4* D3DXVec4Scale(D3DXVECTOR4* out, const D3DXVECTOR4* v, FLOAT s)
{
    *out = *v * s;
    return out;
}
inline D3DXVECTOR4* D3DXVec4Lerp(D3DXVECTOR4* out, const D3DXVECTOR4* a, const D3DXVECTOR4* b, FLOAT s)
{
    *out = *a + (*b - *a) * s;
    return out;
}
KESTU_PLATFORM_API D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v);
KESTU_PLATFORM_API D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m);

// ---- matrices ----------------------------------------------------------------

inline D3DXMATRIX* D3DXMatrixIdentity(D3DXMATRIX* out)
{
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}
inline BOOL D3DXMatrixIsIdentity(const D3DXMATRIX* m)
{
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c)
            if (m->m[r][c] != (r == c ? 1.0f : 0.0f)) return FALSE;
    return TRUE;
}
KESTU_PLATFORM_API FLOAT D3DXMatrixfDeterminant(const D3DXMATRIX* m);
// out = a * b; out may alias a or b.
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
// out = transpose(a * b).
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m);
// Returns null and leaves out untouched for a singular matrix; the determinant
// is stored when asked for, also for a singular matrix.
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z);
// Left-handed rotations: looking down the axis towards the origin, a positive
// angle turns clockwise.
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q);
// Roll about z, then pitch about x, then yaw about y.
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                                                  const D3DXVECTOR3* up);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at,
                                                  const D3DXVECTOR3* up);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                                          FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn,
                                                          FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                                                FLOAT zn, FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t,
                                                                FLOAT zn, FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                                          FLOAT zf);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn,
                                                          FLOAT zf);
// Scale, then rotate about the centre, then translate; null parts are left out.
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* out, FLOAT scaling,
                                                              const D3DXVECTOR3* rotationCenter,
                                                              const D3DXQUATERNION* rotation,
                                                              const D3DXVECTOR3* translation);
// Projects onto the plane along the light (w = 0: a direction, w = 1: a point).
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* out, const D3DXVECTOR4* light, const D3DXPLANE* plane);
KESTU_PLATFORM_API D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* out, const D3DXPLANE* plane);

// ---- quaternions -------------------------------------------------------------

inline FLOAT D3DXQuaternionLength(const D3DXQUATERNION* q)
{
    return std::sqrt(q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w);
}
inline FLOAT D3DXQuaternionLengthSq(const D3DXQUATERNION* q)
{
    return q->x * q->x + q->y * q->y + q->z * q->z + q->w * q->w;
}
inline FLOAT D3DXQuaternionDot(const D3DXQUATERNION* a, const D3DXQUATERNION* b)
{
    return a->x * b->x + a->y * b->y + a->z * b->z + a->w * b->w;
}
inline D3DXQUATERNION* D3DXQuaternionIdentity(D3DXQUATERNION* out)
{
    *out = D3DXQUATERNION(0, 0, 0, 1);
    return out;
}
inline BOOL D3DXQuaternionIsIdentity(const D3DXQUATERNION* q)
{
    return q->x == 0.0f && q->y == 0.0f && q->z == 0.0f && q->w == 1.0f;
}
inline D3DXQUATERNION* D3DXQuaternionConjugate(D3DXQUATERNION* out, const D3DXQUATERNION* q)
{
    *out = D3DXQUATERNION(-q->x, -q->y, -q->z, q->w);
    return out;
}
// out = a * b: the rotation a followed by the rotation b.
KESTU_PLATFORM_API D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                                          const D3DXQUATERNION* b);
KESTU_PLATFORM_API D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q);
KESTU_PLATFORM_API D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q);
KESTU_PLATFORM_API D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis,
                                                              FLOAT angle);
KESTU_PLATFORM_API D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m);
KESTU_PLATFORM_API D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch,
                                                                      FLOAT roll);
KESTU_PLATFORM_API void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, FLOAT* angle);
// Spherical interpolation along the shorter arc: t = 0 gives a, t = 1 gives b
// or -b, whichever lies nearer a.
KESTU_PLATFORM_API D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a,
                                                       const D3DXQUATERNION* b, FLOAT t);

// ---- planes ------------------------------------------------------------------

inline FLOAT D3DXPlaneDot(const D3DXPLANE* p, const D3DXVECTOR4* v)
{
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d * v->w;
}
inline FLOAT D3DXPlaneDotCoord(const D3DXPLANE* p, const D3DXVECTOR3* v)
{
    return p->a * v->x + p->b * v->y + p->c * v->z + p->d;
}
inline FLOAT D3DXPlaneDotNormal(const D3DXPLANE* p, const D3DXVECTOR3* v)
{
    return p->a * v->x + p->b * v->y + p->c * v->z;
}
KESTU_PLATFORM_API D3DXPLANE* D3DXPlaneNormalize(D3DXPLANE* out, const D3DXPLANE* p);
// The point where the line through a and b meets the plane; null when the
// line is parallel to it.
KESTU_PLATFORM_API D3DXVECTOR3* D3DXPlaneIntersectLine(D3DXVECTOR3* out, const D3DXPLANE* p, const D3DXVECTOR3* a,
                                                       const D3DXVECTOR3* b);
KESTU_PLATFORM_API D3DXPLANE* D3DXPlaneFromPointNormal(D3DXPLANE* out, const D3DXVECTOR3* point,
                                                       const D3DXVECTOR3* normal);
// Normal along normalize((b - a) x (c - a)).
KESTU_PLATFORM_API D3DXPLANE* D3DXPlaneFromPoints(D3DXPLANE* out, const D3DXVECTOR3* a, const D3DXVECTOR3* b,
                                                  const D3DXVECTOR3* c);
// m must be the inverse transpose of the matrix that moves the points.
KESTU_PLATFORM_API D3DXPLANE* D3DXPlaneTransform(D3DXPLANE* out, const D3DXPLANE* p, const D3DXMATRIX* m);

// ---- colours -----------------------------------------------------------------

inline D3DXCOLOR* D3DXColorNegative(D3DXCOLOR* out, const D3DXCOLOR* c)
{
    *out = D3DXCOLOR(1.0f - c->r, 1.0f - c->g, 1.0f - c->b, c->a);
    return out;
}
inline D3DXCOLOR* D3DXColorAdd(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b)
{
    *out = *a + *b;
    return out;
}
inline D3DXCOLOR* D3DXColorSubtract(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b)
{
    *out = *a - *b;
    return out;
}
inline D3DXCOLOR* D3DXColorScale(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s)
{
    *out = *c * s;
    return out;
}
inline D3DXCOLOR* D3DXColorModulate(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b)
{
    *out = D3DXCOLOR(a->r * b->r, a->g * b->g, a->b * b->b, a->a * b->a);
    return out;
}
inline D3DXCOLOR* D3DXColorLerp(D3DXCOLOR* out, const D3DXCOLOR* a, const D3DXCOLOR* b, FLOAT s)
{
    *out = D3DXCOLOR(a->r + s * (b->r - a->r), a->g + s * (b->g - a->g), a->b + s * (b->b - a->b),
                     a->a + s * (b->a - a->a));
    return out;
}
KESTU_PLATFORM_API D3DXCOLOR* D3DXColorAdjustSaturation(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s);
KESTU_PLATFORM_API D3DXCOLOR* D3DXColorAdjustContrast(D3DXCOLOR* out, const D3DXCOLOR* c, FLOAT s);

// ---- bounds and intersection -------------------------------------------------

// TRUE when the ray from origin along direction meets the box (a box behind
// the origin is missed; an origin inside the box hits).
KESTU_PLATFORM_API BOOL D3DXBoxBoundProbe(const D3DXVECTOR3* min, const D3DXVECTOR3* max, const D3DXVECTOR3* origin,
                                          const D3DXVECTOR3* direction);
KESTU_PLATFORM_API BOOL D3DXSphereBoundProbe(const D3DXVECTOR3* centre, FLOAT radius, const D3DXVECTOR3* origin,
                                             const D3DXVECTOR3* direction);
// Bounds of count positions, each at the start of a vertex of stride bytes.
KESTU_PLATFORM_API HRESULT D3DXComputeBoundingBox(const void* firstPosition, DWORD count, DWORD stride,
                                                  D3DXVECTOR3* min, D3DXVECTOR3* max);
KESTU_PLATFORM_API HRESULT D3DXComputeBoundingSphere(const void* firstPosition, DWORD count, DWORD stride,
                                                     D3DXVECTOR3* centre, FLOAT* radius);
// Ray against the triangle p0 p1 p2 (both windings); u and v are the weights of
// p1 and p2 at the hit, dist the distance along direction in its units.
KESTU_PLATFORM_API BOOL D3DXIntersectTri(const D3DXVECTOR3* p0, const D3DXVECTOR3* p1, const D3DXVECTOR3* p2,
                                         const D3DXVECTOR3* origin, const D3DXVECTOR3* direction, FLOAT* u, FLOAT* v,
                                         FLOAT* dist);

inline D3DXMATRIX& D3DXMATRIX::operator*=(const D3DXMATRIX& mat)
{
    D3DXMatrixMultiply(this, this, &mat);
    return *this;
}
inline D3DXQUATERNION& D3DXQUATERNION::operator*=(const D3DXQUATERNION& q)
{
    D3DXQuaternionMultiply(this, this, &q);
    return *this;
}

// Matrix products, inverse and the transform builders (row vectors, left-handed).
#include <cmath>

#include "d3dx8math.h"

namespace {
// Cofactor expansion of the 4x4 matrix in double precision.
double Determinant4(const D3DXMATRIX& m, double cof[4][4])
{
    const double a[4][4] = {{m._11, m._12, m._13, m._14},
                            {m._21, m._22, m._23, m._24},
                            {m._31, m._32, m._33, m._34},
                            {m._41, m._42, m._43, m._44}};
    for (int r = 0; r < 4; ++r) {
        for (int c = 0; c < 4; ++c) {
            double s[3][3];
            for (int i = 0, si = 0; i < 4; ++i) {
                if (i == r) continue;
                for (int j = 0, sj = 0; j < 4; ++j) {
                    if (j == c) continue;
                    s[si][sj++] = a[i][j];
                }
                ++si;
            }
            const double minor = s[0][0] * (s[1][1] * s[2][2] - s[1][2] * s[2][1]) -
                                 s[0][1] * (s[1][0] * s[2][2] - s[1][2] * s[2][0]) +
                                 s[0][2] * (s[1][0] * s[2][1] - s[1][1] * s[2][0]);
            cof[r][c] = ((r + c) & 1) ? -minor : minor;
        }
    }
    return a[0][0] * cof[0][0] + a[0][1] * cof[0][1] + a[0][2] * cof[0][2] + a[0][3] * cof[0][3];
}
} // namespace

FLOAT D3DXMatrixfDeterminant(const D3DXMATRIX* m)
{
    double cof[4][4];
    return (FLOAT)Determinant4(*m, cof);
}

D3DXMATRIX* D3DXMatrixMultiply(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            r.m[i][j] =
                a->m[i][0] * b->m[0][j] + a->m[i][1] * b->m[1][j] + a->m[i][2] * b->m[2][j] + a->m[i][3] * b->m[3][j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixMultiplyTranspose(D3DXMATRIX* out, const D3DXMATRIX* a, const D3DXMATRIX* b)
{
    D3DXMATRIX r;
    D3DXMatrixMultiply(&r, a, b);
    return D3DXMatrixTranspose(out, &r);
}

D3DXMATRIX* D3DXMatrixTranspose(D3DXMATRIX* out, const D3DXMATRIX* m)
{
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = m->m[j][i];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixInverse(D3DXMATRIX* out, FLOAT* determinant, const D3DXMATRIX* m)
{
    double cof[4][4];
    const double det = Determinant4(*m, cof);
    if (determinant) *determinant = (FLOAT)det;
    // A determinant too small for a float is as singular as zero: its inverse
    // would not fit in floats either.
    if ((FLOAT)det == 0.0f || !std::isfinite((FLOAT)det)) return nullptr;
    const double inv = 1.0 / det;
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) {
            r.m[i][j] = (FLOAT)(cof[j][i] * inv);
            if (!std::isfinite(r.m[i][j])) return nullptr;
        }
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixScaling(D3DXMATRIX* out, FLOAT sx, FLOAT sy, FLOAT sz)
{
    *out = D3DXMATRIX(sx, 0, 0, 0, 0, sy, 0, 0, 0, 0, sz, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixTranslation(D3DXMATRIX* out, FLOAT x, FLOAT y, FLOAT z)
{
    *out = D3DXMATRIX(1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, x, y, z, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationX(D3DXMATRIX* out, FLOAT angle)
{
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    *out = D3DXMATRIX(1, 0, 0, 0, 0, c, s, 0, 0, -s, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationY(D3DXMATRIX* out, FLOAT angle)
{
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    *out = D3DXMATRIX(c, 0, -s, 0, 0, 1, 0, 0, s, 0, c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationZ(D3DXMATRIX* out, FLOAT angle)
{
    const FLOAT c = std::cos(angle), s = std::sin(angle);
    *out = D3DXMATRIX(c, s, 0, 0, -s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationAxis(D3DXMATRIX* out, const D3DXVECTOR3* axis, FLOAT angle)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    const FLOAT c = std::cos(angle), s = std::sin(angle), t = 1.0f - c;
    *out = D3DXMATRIX(t * n.x * n.x + c, t * n.x * n.y + s * n.z, t * n.x * n.z - s * n.y, 0, t * n.x * n.y - s * n.z,
                      t * n.y * n.y + c, t * n.y * n.z + s * n.x, 0, t * n.x * n.z + s * n.y, t * n.y * n.z - s * n.x,
                      t * n.z * n.z + c, 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationQuaternion(D3DXMATRIX* out, const D3DXQUATERNION* q)
{
    const FLOAT x = q->x, y = q->y, z = q->z, w = q->w;
    *out = D3DXMATRIX(1.0f - 2.0f * (y * y + z * z), 2.0f * (x * y + z * w), 2.0f * (x * z - y * w), 0,
                      2.0f * (x * y - z * w), 1.0f - 2.0f * (x * x + z * z), 2.0f * (y * z + x * w), 0,
                      2.0f * (x * z + y * w), 2.0f * (y * z - x * w), 1.0f - 2.0f * (x * x + y * y), 0, 0, 0, 0, 1);
    return out;
}

D3DXMATRIX* D3DXMatrixRotationYawPitchRoll(D3DXMATRIX* out, FLOAT yaw, FLOAT pitch, FLOAT roll)
{
    D3DXMATRIX z, x, y;
    D3DXMatrixRotationZ(&z, roll);
    D3DXMatrixRotationX(&x, pitch);
    D3DXMatrixRotationY(&y, yaw);
    D3DXMatrixMultiply(out, &z, &x);
    return D3DXMatrixMultiply(out, out, &y);
}

namespace {
D3DXMATRIX* ViewFromAxes(D3DXMATRIX* out, const D3DXVECTOR3& eye, const D3DXVECTOR3& zaxis, const D3DXVECTOR3* up)
{
    D3DXVECTOR3 xaxis, yaxis;
    D3DXVec3Cross(&xaxis, up, &zaxis);
    D3DXVec3Normalize(&xaxis, &xaxis);
    D3DXVec3Cross(&yaxis, &zaxis, &xaxis);
    *out = D3DXMATRIX(xaxis.x, yaxis.x, zaxis.x, 0, xaxis.y, yaxis.y, zaxis.y, 0, xaxis.z, yaxis.z, zaxis.z, 0,
                      -D3DXVec3Dot(&xaxis, &eye), -D3DXVec3Dot(&yaxis, &eye), -D3DXVec3Dot(&zaxis, &eye), 1);
    return out;
}
} // namespace

D3DXMATRIX* D3DXMatrixLookAtLH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up)
{
    D3DXVECTOR3 zaxis = *at - *eye;
    D3DXVec3Normalize(&zaxis, &zaxis);
    return ViewFromAxes(out, *eye, zaxis, up);
}

D3DXMATRIX* D3DXMatrixLookAtRH(D3DXMATRIX* out, const D3DXVECTOR3* eye, const D3DXVECTOR3* at, const D3DXVECTOR3* up)
{
    D3DXVECTOR3 zaxis = *eye - *at;
    D3DXVec3Normalize(&zaxis, &zaxis);
    return ViewFromAxes(out, *eye, zaxis, up);
}

D3DXMATRIX* D3DXMatrixPerspectiveLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    const FLOAT q = zf / (zf - zn);
    *out = D3DXMATRIX(2.0f * zn / w, 0, 0, 0, 0, 2.0f * zn / h, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    const FLOAT q = zf / (zn - zf);
    *out = D3DXMATRIX(2.0f * zn / w, 0, 0, 0, 0, 2.0f * zn / h, 0, 0, 0, 0, q, -1, 0, 0, zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovLH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf)
{
    const FLOAT ys = 1.0f / std::tan(fovy * 0.5f);
    const FLOAT xs = ys / aspect;
    const FLOAT q = zf / (zf - zn);
    *out = D3DXMATRIX(xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, q, 1, 0, 0, -zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveFovRH(D3DXMATRIX* out, FLOAT fovy, FLOAT aspect, FLOAT zn, FLOAT zf)
{
    const FLOAT ys = 1.0f / std::tan(fovy * 0.5f);
    const FLOAT xs = ys / aspect;
    const FLOAT q = zf / (zn - zf);
    *out = D3DXMATRIX(xs, 0, 0, 0, 0, ys, 0, 0, 0, 0, q, -1, 0, 0, zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn, FLOAT zf)
{
    const FLOAT q = zf / (zf - zn);
    *out = D3DXMATRIX(2.0f * zn / (r - l), 0, 0, 0, 0, 2.0f * zn / (t - b), 0, 0, (l + r) / (l - r), (t + b) / (b - t),
                      q, 1, 0, 0, -zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixPerspectiveOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn, FLOAT zf)
{
    const FLOAT q = zf / (zn - zf);
    *out = D3DXMATRIX(2.0f * zn / (r - l), 0, 0, 0, 0, 2.0f * zn / (t - b), 0, 0, (l + r) / (r - l), (t + b) / (t - b),
                      q, -1, 0, 0, zn * q, 0);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoLH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    *out = D3DXMATRIX(2.0f / w, 0, 0, 0, 0, 2.0f / h, 0, 0, 0, 0, 1.0f / (zf - zn), 0, 0, 0, zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoRH(D3DXMATRIX* out, FLOAT w, FLOAT h, FLOAT zn, FLOAT zf)
{
    *out = D3DXMATRIX(2.0f / w, 0, 0, 0, 0, 2.0f / h, 0, 0, 0, 0, 1.0f / (zn - zf), 0, 0, 0, zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterLH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn, FLOAT zf)
{
    *out = D3DXMATRIX(2.0f / (r - l), 0, 0, 0, 0, 2.0f / (t - b), 0, 0, 0, 0, 1.0f / (zf - zn), 0, (l + r) / (l - r),
                      (t + b) / (b - t), zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixOrthoOffCenterRH(D3DXMATRIX* out, FLOAT l, FLOAT r, FLOAT b, FLOAT t, FLOAT zn, FLOAT zf)
{
    *out = D3DXMATRIX(2.0f / (r - l), 0, 0, 0, 0, 2.0f / (t - b), 0, 0, 0, 0, 1.0f / (zn - zf), 0, (l + r) / (l - r),
                      (t + b) / (b - t), zn / (zn - zf), 1);
    return out;
}

D3DXMATRIX* D3DXMatrixAffineTransformation(D3DXMATRIX* out, FLOAT scaling, const D3DXVECTOR3* rotationCenter,
                                           const D3DXQUATERNION* rotation, const D3DXVECTOR3* translation)
{
    D3DXMATRIX m, step;
    D3DXMatrixScaling(&m, scaling, scaling, scaling);
    if (rotation) {
        if (rotationCenter)
            D3DXMatrixMultiply(
                &m, &m, D3DXMatrixTranslation(&step, -rotationCenter->x, -rotationCenter->y, -rotationCenter->z));
        D3DXMatrixMultiply(&m, &m, D3DXMatrixRotationQuaternion(&step, rotation));
        if (rotationCenter)
            D3DXMatrixMultiply(&m, &m,
                               D3DXMatrixTranslation(&step, rotationCenter->x, rotationCenter->y, rotationCenter->z));
    }
    if (translation) {
        m._41 += translation->x;
        m._42 += translation->y;
        m._43 += translation->z;
    }
    *out = m;
    return out;
}

D3DXMATRIX* D3DXMatrixShadow(D3DXMATRIX* out, const D3DXVECTOR4* light, const D3DXPLANE* plane)
{
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, plane);
    const FLOAT d = p.a * light->x + p.b * light->y + p.c * light->z + p.d * light->w;
    const FLOAT pv[4] = {p.a, p.b, p.c, p.d};
    const FLOAT lv[4] = {light->x, light->y, light->z, light->w};
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) r.m[i][j] = (i == j ? d : 0.0f) - pv[i] * lv[j];
    *out = r;
    return out;
}

D3DXMATRIX* D3DXMatrixReflect(D3DXMATRIX* out, const D3DXPLANE* plane)
{
    D3DXPLANE p;
    D3DXPlaneNormalize(&p, plane);
    const FLOAT pv[4] = {p.a, p.b, p.c, p.d};
    D3DXMATRIX r;
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 3; ++j) r.m[i][j] = (i == j ? 1.0f : 0.0f) - 2.0f * pv[i] * pv[j];
    r._14 = r._24 = r._34 = 0.0f;
    r._44 = 1.0f;
    *out = r;
    return out;
}

// Quaternions: products, conversions and spherical interpolation.
#include <cmath>

#include "d3dx8math.h"

D3DXQUATERNION* D3DXQuaternionMultiply(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b)
{
    // The rotation a followed by b is the Hamilton product b a.
    const D3DXQUATERNION r(
        b->w * a->x + b->x * a->w + b->y * a->z - b->z * a->y, b->w * a->y - b->x * a->z + b->y * a->w + b->z * a->x,
        b->w * a->z + b->x * a->y - b->y * a->x + b->z * a->w, b->w * a->w - b->x * a->x - b->y * a->y - b->z * a->z);
    *out = r;
    return out;
}

D3DXQUATERNION* D3DXQuaternionNormalize(D3DXQUATERNION* out, const D3DXQUATERNION* q)
{
    const FLOAT len = D3DXQuaternionLength(q);
    if (len == 0.0f) {
        *out = D3DXQUATERNION(0, 0, 0, 0);
        return out;
    }
    *out = *q / len;
    return out;
}

D3DXQUATERNION* D3DXQuaternionInverse(D3DXQUATERNION* out, const D3DXQUATERNION* q)
{
    const FLOAT lsq = D3DXQuaternionLengthSq(q);
    if (lsq == 0.0f) {
        *out = D3DXQUATERNION(0, 0, 0, 0);
        return out;
    }
    const FLOAT inv = 1.0f / lsq;
    *out = D3DXQUATERNION(-q->x * inv, -q->y * inv, -q->z * inv, q->w * inv);
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationAxis(D3DXQUATERNION* out, const D3DXVECTOR3* axis, FLOAT angle)
{
    D3DXVECTOR3 n;
    D3DXVec3Normalize(&n, axis);
    const FLOAT s = std::sin(angle * 0.5f);
    *out = D3DXQUATERNION(n.x * s, n.y * s, n.z * s, std::cos(angle * 0.5f));
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationMatrix(D3DXQUATERNION* out, const D3DXMATRIX* m)
{
    const FLOAT trace = m->_11 + m->_22 + m->_33;
    D3DXQUATERNION q;
    if (trace > 0.0f) {
        const FLOAT s = std::sqrt(trace + 1.0f) * 2.0f;
        q.w = 0.25f * s;
        q.x = (m->_23 - m->_32) / s;
        q.y = (m->_31 - m->_13) / s;
        q.z = (m->_12 - m->_21) / s;
    } else if (m->_11 >= m->_22 && m->_11 >= m->_33) {
        const FLOAT s = std::sqrt(1.0f + m->_11 - m->_22 - m->_33) * 2.0f;
        q.x = 0.25f * s;
        q.w = (m->_23 - m->_32) / s;
        q.y = (m->_12 + m->_21) / s;
        q.z = (m->_13 + m->_31) / s;
    } else if (m->_22 >= m->_33) {
        const FLOAT s = std::sqrt(1.0f + m->_22 - m->_11 - m->_33) * 2.0f;
        q.y = 0.25f * s;
        q.w = (m->_31 - m->_13) / s;
        q.x = (m->_12 + m->_21) / s;
        q.z = (m->_23 + m->_32) / s;
    } else {
        const FLOAT s = std::sqrt(1.0f + m->_33 - m->_11 - m->_22) * 2.0f;
        q.z = 0.25f * s;
        q.w = (m->_12 - m->_21) / s;
        q.x = (m->_13 + m->_31) / s;
        q.y = (m->_23 + m->_32) / s;
    }
    *out = q;
    return out;
}

D3DXQUATERNION* D3DXQuaternionRotationYawPitchRoll(D3DXQUATERNION* out, FLOAT yaw, FLOAT pitch, FLOAT roll)
{
    const D3DXVECTOR3 ax(1, 0, 0), ay(0, 1, 0), az(0, 0, 1);
    D3DXQUATERNION qz, qx, qy;
    D3DXQuaternionRotationAxis(&qz, &az, roll);
    D3DXQuaternionRotationAxis(&qx, &ax, pitch);
    D3DXQuaternionRotationAxis(&qy, &ay, yaw);
    D3DXQuaternionMultiply(out, &qz, &qx);
    return D3DXQuaternionMultiply(out, out, &qy);
}

void D3DXQuaternionToAxisAngle(const D3DXQUATERNION* q, D3DXVECTOR3* axis, FLOAT* angle)
{
    if (axis) *axis = D3DXVECTOR3(q->x, q->y, q->z);
    if (angle) {
        const FLOAT w = q->w > 1.0f ? 1.0f : (q->w < -1.0f ? -1.0f : q->w);
        *angle = 2.0f * std::acos(w);
    }
}

D3DXQUATERNION* D3DXQuaternionSlerp(D3DXQUATERNION* out, const D3DXQUATERNION* a, const D3DXQUATERNION* b, FLOAT t)
{
    FLOAT cosom = D3DXQuaternionDot(a, b);
    D3DXQUATERNION end = *b;
    if (cosom < 0.0f) {
        cosom = -cosom;
        end = -end;
    }
    FLOAT ka, kb;
    if (cosom < 0.9999f) {
        const FLOAT omega = std::acos(cosom);
        const FLOAT sinom = std::sin(omega);
        ka = std::sin((1.0f - t) * omega) / sinom;
        kb = std::sin(t * omega) / sinom;
    } else {
        // Nearly equal: linear interpolation is exact enough and avoids 0/0.
        ka = 1.0f - t;
        kb = t;
    }
    *out =
        D3DXQUATERNION(ka * a->x + kb * end.x, ka * a->y + kb * end.y, ka * a->z + kb * end.z, ka * a->w + kb * end.w);
    return out;
}

// Vector normalisation, transformation and projection.
#include "d3dx8math.h"

D3DXVECTOR2* D3DXVec2Normalize(D3DXVECTOR2* out, const D3DXVECTOR2* v)
{
    const FLOAT len = D3DXVec2Length(v);
    if (len == 0.0f) {
        out->x = out->y = 0.0f;
        return out;
    }
    const FLOAT inv = 1.0f / len;
    out->x = v->x * inv;
    out->y = v->y * inv;
    return out;
}

D3DXVECTOR4* D3DXVec2Transform(D3DXVECTOR4* out, const D3DXVECTOR2* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y;
    *out = D3DXVECTOR4(x * m->_11 + y * m->_21 + m->_41, x * m->_12 + y * m->_22 + m->_42,
                       x * m->_13 + y * m->_23 + m->_43, x * m->_14 + y * m->_24 + m->_44);
    return out;
}

D3DXVECTOR2* D3DXVec2TransformCoord(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m)
{
    D3DXVECTOR4 r;
    D3DXVec2Transform(&r, v, m);
    const FLOAT inv = r.w != 0.0f ? 1.0f / r.w : 0.0f;
    out->x = r.x * inv;
    out->y = r.y * inv;
    return out;
}

D3DXVECTOR2* D3DXVec2TransformNormal(D3DXVECTOR2* out, const D3DXVECTOR2* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y;
    out->x = x * m->_11 + y * m->_21;
    out->y = x * m->_12 + y * m->_22;
    return out;
}

D3DXVECTOR3* D3DXVec3Normalize(D3DXVECTOR3* out, const D3DXVECTOR3* v)
{
    const FLOAT len = D3DXVec3Length(v);
    if (len == 0.0f) {
        out->x = out->y = out->z = 0.0f;
        return out;
    }
    const FLOAT inv = 1.0f / len;
    *out = D3DXVECTOR3(v->x * inv, v->y * inv, v->z * inv);
    return out;
}

D3DXVECTOR4* D3DXVec3Transform(D3DXVECTOR4* out, const D3DXVECTOR3* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y, z = v->z;
    *out = D3DXVECTOR4(x * m->_11 + y * m->_21 + z * m->_31 + m->_41, x * m->_12 + y * m->_22 + z * m->_32 + m->_42,
                       x * m->_13 + y * m->_23 + z * m->_33 + m->_43, x * m->_14 + y * m->_24 + z * m->_34 + m->_44);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformCoord(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m)
{
    D3DXVECTOR4 r;
    D3DXVec3Transform(&r, v, m);
    // A point at infinity (w = 0) has no finite image; zero is returned rather than inf/NaN.
    const FLOAT inv = r.w != 0.0f ? 1.0f / r.w : 0.0f;
    *out = D3DXVECTOR3(r.x * inv, r.y * inv, r.z * inv);
    return out;
}

D3DXVECTOR3* D3DXVec3TransformNormal(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y, z = v->z;
    *out = D3DXVECTOR3(x * m->_11 + y * m->_21 + z * m->_31, x * m->_12 + y * m->_22 + z * m->_32,
                       x * m->_13 + y * m->_23 + z * m->_33);
    return out;
}

namespace {
D3DXMATRIX CombinedTransform(const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world)
{
    D3DXMATRIX m;
    D3DXMatrixIdentity(&m);
    if (world) D3DXMatrixMultiply(&m, &m, world);
    if (view) D3DXMatrixMultiply(&m, &m, view);
    if (projection) D3DXMatrixMultiply(&m, &m, projection);
    return m;
}
} // namespace

D3DXVECTOR3* D3DXVec3Project(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT8* viewport,
                             const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world)
{
    const D3DXMATRIX m = CombinedTransform(projection, view, world);
    D3DXVECTOR3 c;
    D3DXVec3TransformCoord(&c, v, &m);
    if (viewport) {
        c.x = (FLOAT)viewport->X + (1.0f + c.x) * (FLOAT)viewport->Width * 0.5f;
        c.y = (FLOAT)viewport->Y + (1.0f - c.y) * (FLOAT)viewport->Height * 0.5f;
        c.z = viewport->MinZ + c.z * (viewport->MaxZ - viewport->MinZ);
    }
    *out = c;
    return out;
}

D3DXVECTOR3* D3DXVec3Unproject(D3DXVECTOR3* out, const D3DXVECTOR3* v, const D3DVIEWPORT8* viewport,
                               const D3DXMATRIX* projection, const D3DXMATRIX* view, const D3DXMATRIX* world)
{
    D3DXMATRIX m = CombinedTransform(projection, view, world);
    if (!D3DXMatrixInverse(&m, nullptr, &m)) return nullptr;
    D3DXVECTOR3 c = *v;
    if (viewport) {
        const FLOAT w = viewport->Width ? (FLOAT)viewport->Width : 1.0f;
        const FLOAT h = viewport->Height ? (FLOAT)viewport->Height : 1.0f;
        const FLOAT depth = viewport->MaxZ - viewport->MinZ;
        c.x = 2.0f * (c.x - (FLOAT)viewport->X) / w - 1.0f;
        c.y = 1.0f - 2.0f * (c.y - (FLOAT)viewport->Y) / h;
        c.z = depth != 0.0f ? (c.z - viewport->MinZ) / depth : 0.0f;
    }
    D3DXVec3TransformCoord(out, &c, &m);
    return out;
}

D3DXVECTOR4* D3DXVec4Normalize(D3DXVECTOR4* out, const D3DXVECTOR4* v)
{
    const FLOAT len = D3DXVec4Length(v);
    if (len == 0.0f) {
        *out = D3DXVECTOR4(0, 0, 0, 0);
        return out;
    }
    *out = *v / len;
    return out;
}

D3DXVECTOR4* D3DXVec4Transform(D3DXVECTOR4* out, const D3DXVECTOR4* v, const D3DXMATRIX* m)
{
    const FLOAT x = v->x, y = v->y, z = v->z, w = v->w;
    *out = D3DXVECTOR4(
        x * m->_11 + y * m->_21 + z * m->_31 + w * m->_41, x * m->_12 + y * m->_22 + z * m->_32 + w * m->_42,
        x * m->_13 + y * m->_23 + z * m->_33 + w * m->_43, x * m->_14 + y * m->_24 + z * m->_34 + w * m->_44);
    return out;
}

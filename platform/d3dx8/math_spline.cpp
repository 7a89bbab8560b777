// Curves through vectors: Hermite, Catmull-Rom and barycentric blends.
#include "d3dx8math.h"

D3DXVECTOR3* D3DXVec3Hermite(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* t1, const D3DXVECTOR3* v2,
                             const D3DXVECTOR3* t2, FLOAT s)
{
    const FLOAT s2 = s * s, s3 = s2 * s;
    const FLOAT h1 = 2.0f * s3 - 3.0f * s2 + 1.0f;
    const FLOAT h2 = s3 - 2.0f * s2 + s;
    const FLOAT h3 = -2.0f * s3 + 3.0f * s2;
    const FLOAT h4 = s3 - s2;
    *out = *v1 * h1 + *t1 * h2 + *v2 * h3 + *t2 * h4;
    return out;
}

D3DXVECTOR3* D3DXVec3CatmullRom(D3DXVECTOR3* out, const D3DXVECTOR3* v0, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2,
                                const D3DXVECTOR3* v3, FLOAT s)
{
    const FLOAT s2 = s * s, s3 = s2 * s;
    *out = (*v1 * 2.0f + (*v2 - *v0) * s + (*v0 * 2.0f - *v1 * 5.0f + *v2 * 4.0f - *v3) * s2 +
            (*v1 * 3.0f - *v0 - *v2 * 3.0f + *v3) * s3) *
           0.5f;
    return out;
}

D3DXVECTOR3* D3DXVec3BaryCentric(D3DXVECTOR3* out, const D3DXVECTOR3* v1, const D3DXVECTOR3* v2, const D3DXVECTOR3* v3,
                                 FLOAT f, FLOAT g)
{
    *out = *v1 + (*v2 - *v1) * f + (*v3 - *v1) * g;
    return out;
}

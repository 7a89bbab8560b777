// Orientation matrices of the billboards that keep their own direction.
#pragma once
#include "d3dx8math.h"

namespace kestu_bb {

// The rotation whose rows are x, y and z, with no translation.
inline void SetRows(D3DXMATRIX& m, const D3DXVECTOR3& x, const D3DXVECTOR3& y, const D3DXVECTOR3& z)
{
    D3DXMatrixIdentity(&m);
    m._11 = x.x, m._12 = x.y, m._13 = x.z;
    m._21 = y.x, m._22 = y.y, m._23 = y.z;
    m._31 = z.x, m._32 = z.y, m._33 = z.z;
}

} // namespace kestu_bb

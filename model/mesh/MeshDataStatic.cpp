#include "kestu_meshdata_kinds.h"

namespace Kestu {

long CMeshDataStatic::Build(IDirect3DDevice8* device)
{
    if (m_bBuilt) return 0;
    CMeshDataBase::Build(device);
    long hr = CreateVertexBuffer(0, D3DPOOL_MANAGED, nullptr);
    if (hr < 0) return hr;
    UpdateVertexBuffer(m_pVB.Get(), GetVertexData());
    hr = CreateIndexBuffer(0, D3DPOOL_MANAGED, nullptr);
    if (hr < 0) return hr;
    UpdateIndexBuffer(GetIndexData());
    m_bBuilt = 1;
    return hr;
}

long CMeshDataStatic::Render(D3DXMATRIX*, int)
{
    if (!m_pDevice) return E_FAIL;
    SetStreams();
    return m_pDevice->DrawIndexedPrimitive(static_cast<D3DPRIMITIVETYPE>(dwPrimitiveType), m_dwMinVertexIndex,
                                           dwVerticesNum, 0, dwPrimitiveCount);
}

} // namespace Kestu

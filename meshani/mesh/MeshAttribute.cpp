// One material of a GMA mesh with its faces, index buffer and level of detail.
#include <algorithm>
#include <cstring>
#include <utility>

#include "kestu_meshanidata.h"
#include "core/device/DeviceUnbind.h"

namespace {

void SafeRelease(IDirect3DIndexBuffer8*& ib)
{
    if (ib) ib->Release();
    ib = nullptr;
}

HRESULT Fill(IDirect3DIndexBuffer8* ib, const std::vector<WORD>& indices)
{
    BYTE* p = nullptr;
    const UINT bytes = static_cast<UINT>(indices.size() * sizeof(WORD));
    const HRESULT hr = ib->Lock(0, bytes, &p, 0);
    if (FAILED(hr)) return hr;
    std::memcpy(p, indices.data(), bytes);
    ib->Unlock();
    return S_OK;
}

} // namespace

CMeshAttribute::CMeshAttribute()
    : m_dwTextureID(GMA_NO_TEXTURE), m_pIB(nullptr), m_pRestoreIB(nullptr), m_wNumIndices(0), m_wCurrNumIndices(0),
      m_wLowest(0), m_wHighest(0), m_bBuilt(FALSE), m_Pool(D3DPOOL_MANAGED), m_bAutoRestore(TRUE), m_pDevice(nullptr)
{
}

CMeshAttribute::~CMeshAttribute() { Release(); }

HRESULT CMeshAttribute::CreateIB(D3DPOOL pool, IDirect3DIndexBuffer8** out) const
{
    return m_pDevice->CreateIndexBuffer(m_wNumIndices * sizeof(WORD), 0, D3DFMT_INDEX16, pool, out);
}

HRESULT CMeshAttribute::Build(BOOL systemIndices, const SMaterialInitHeaderEx& material,
                              const std::vector<SMeshFaceInit>& faces, IDirect3DDevice8* device, BOOL swapWinding,
                              D3DPOOL pool, BOOL autoRestore, DWORD vertexLimit)
{
    if (faces.empty() || faces.size() * 3 > 0xFFFF || !device) return E_INVALIDARG;
    if (m_bBuilt) {
        Invalidate();
        Release();
    }
    std::vector<WORD> indices;
    indices.reserve(faces.size() * 3);
    WORD lowest = 0xFFFF, highest = 0;
    for (const SMeshFaceInit& f : faces) {
        SMeshFaceInit face = f;
        if (swapWinding) std::swap(face.wIndex[1], face.wIndex[2]);
        for (WORD i : face.wIndex) {
            if (i >= vertexLimit) return E_INVALIDARG;
            lowest = std::min(lowest, i);
            highest = std::max(highest, i);
            indices.push_back(i);
        }
    }
    m_Material = material;
    m_Material.wNumFaces = static_cast<WORD>(faces.size());
    m_pDevice = device;
    m_Pool = pool;
    m_bAutoRestore = autoRestore;
    m_wLowest = lowest;
    m_wHighest = highest;
    m_wNumIndices = m_wCurrNumIndices = static_cast<WORD>(indices.size());
    SPrimitiveInfo prim;
    prim.dwMinIndex = lowest;
    prim.dwNumVertices = DWORD(highest) - lowest + 1;
    prim.dwPrimitiveCount = static_cast<DWORD>(faces.size());
    m_Primitives.aList.assign(1, prim);
    m_SourceIndices = indices;
    m_CurrentIndices = std::move(indices);
    if (pool == D3DPOOL_SYSTEMMEM && systemIndices) {
        m_SystemIndices = m_CurrentIndices;
    } else {
        HRESULT hr = CreateIB(pool, &m_pIB);
        if (SUCCEEDED(hr) && pool == D3DPOOL_DEFAULT && autoRestore) hr = CreateIB(D3DPOOL_SYSTEMMEM, &m_pRestoreIB);
        if (SUCCEEDED(hr)) hr = Upload();
        if (FAILED(hr)) {
            Release();
            return hr;
        }
    }
    m_bBuilt = TRUE;
    return S_OK;
}

// The current indices into every buffer that holds them.
HRESULT CMeshAttribute::Upload()
{
    if (!m_SystemIndices.empty()) m_SystemIndices = m_CurrentIndices;
    HRESULT hr = S_OK;
    if (m_pIB) hr = Fill(m_pIB, m_CurrentIndices);
    if (SUCCEEDED(hr) && m_pRestoreIB) hr = Fill(m_pRestoreIB, m_CurrentIndices);
    return hr;
}

void CMeshAttribute::Release()
{
    SafeRelease(m_pIB);
    SafeRelease(m_pRestoreIB);
    m_SystemIndices.clear();
    m_SourceIndices.clear();
    m_CurrentIndices.clear();
    m_Primitives.CleanUp();
    m_wNumIndices = m_wCurrNumIndices = m_wLowest = m_wHighest = 0;
    m_bBuilt = FALSE;
    m_pDevice = nullptr;
}

HRESULT CMeshAttribute::Restore()
{
    if (!m_bBuilt || m_Pool != D3DPOOL_DEFAULT || !m_pRestoreIB || m_pIB) return S_OK;
    HRESULT hr = CreateIB(D3DPOOL_DEFAULT, &m_pIB);
    if (SUCCEEDED(hr)) hr = Fill(m_pIB, m_CurrentIndices);
    if (FAILED(hr)) SafeRelease(m_pIB);
    return hr;
}

HRESULT CMeshAttribute::Invalidate()
{
    if (!m_bBuilt) return S_FALSE;
    // Only a buffer that can be made again is let go.
    if (m_Pool == D3DPOOL_DEFAULT && m_pRestoreIB) {
        UnbindFromDevice(m_pIB);
        SafeRelease(m_pIB);
    }
    return S_OK;
}

HRESULT CMeshAttribute::CalculateLod(const SGMAVertexLodInfo* vertexInfo, DWORD numInfo, DWORD removed)
{
    if (!m_bBuilt || !vertexInfo || m_wHighest >= numInfo) return E_FAIL;
    const DWORD range = DWORD(m_wHighest) - m_wLowest + 1;
    removed = std::min(removed, range - 1);
    const DWORD kept = range - removed;
    m_CurrentIndices = m_SourceIndices;
    DWORD removedFaces = 0;
    for (DWORD i = m_wLowest + kept; i <= m_wHighest; ++i) removedFaces += vertexInfo[i].dwNumFacesRemoved & 0xFFFF;
    const DWORD count = 3 * std::min<DWORD>(removedFaces, m_wNumIndices / 3);
    m_wCurrNumIndices = static_cast<WORD>(m_wNumIndices - count);
    for (DWORD n = 0; n < m_wCurrNumIndices; ++n) {
        WORD& index = m_CurrentIndices[n];
        if (index < m_wLowest + kept) continue;
        // Along the collapse targets to a vertex that stays; each step must
        // go to a vertex that collapses later, so the walk ends.
        DWORD from = index - m_wLowest;
        DWORD t = vertexInfo[index].dwCollapseTarget;
        while (t < from && t >= kept) {
            from = t;
            t = vertexInfo[m_wLowest + t].dwCollapseTarget;
        }
        if (t < kept && t < from) index = static_cast<WORD>(m_wLowest + t);
    }
    SPrimitiveInfo& prim = m_Primitives.aList.front();
    prim.dwPrimitiveType = D3DPT_TRIANGLELIST;
    prim.dwMinIndex = m_wLowest;
    prim.dwNumVertices = kept;
    prim.dwStartIndex = 0;
    prim.dwPrimitiveCount = m_wCurrNumIndices / 3;
    return Upload();
}

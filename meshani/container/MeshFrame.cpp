// One frame of a GMA mesh in a vertex buffer (or in plain memory).
#include <cmath>
#include <cstring>

#include "kestu_gmacontainer.h"
#include "kestu_gmatools.h"
#include "meshani/container/VertexBuffers.h"
#include "core/device/DeviceUnbind.h"
#include "meshani/file/GmaVertexRecords.h"

namespace {

// Right-handed files turn into the engine's left-handed space by -90 degrees about x.
const D3DXMATRIX& FlipMatrix()
{
    static const D3DXMATRIX flip = [] {
        D3DXMATRIX m;
        D3DXMatrixRotationX(&m, -D3DX_PI / 2);
        return m;
    }();
    return flip;
}

} // namespace

DWORD SGmaVertexStore::GetFVF() const
{
    if (normalSkipped) return coordSkipped ? GMA_FVF_NORMAL_COORD_SKIPPED : GMA_FVF_NORMAL_SKIPPED;
    return coordSkipped ? GMA_FVF_COORD_SKIPPED : GMA_FVF_VERTEX;
}

DWORD SGmaVertexStore::GetStride() const { return SMeshAniFrame::GetVerticesSize(1, normalSkipped, coordSkipped); }

CMeshFrame::CMeshFrame()
    : m_pVB(nullptr), m_pRestoreVB(nullptr), m_dwNumVertices(0), m_pDevice(nullptr), m_fPos(0.0f), m_pLocked(nullptr)
{
    m_BoundBox.Reset();
}

CMeshFrame::~CMeshFrame() { Release(); }

HRESULT CMeshFrame::CreateBuffer(D3DPOOL pool, IDirect3DVertexBuffer8** out) const
{
    return gmavb::Create(m_pDevice, m_dwNumVertices * GetStride(), GetFVF(), pool, nullptr, out);
}

HRESULT CMeshFrame::Build(const SGmaFrame& fileFrame, IDirect3DDevice8* device, BOOL fileNormalSkipped,
                          BOOL fileCoordShared, D3DPOOL pool, float scale, BOOL autoRestore, BOOL flip, BOOL computeBox,
                          BOOL normalSkipped, BOOL coordSkipped, const std::vector<SCoords2d>* sharedCoords)
{
    Release();
    if (!device) return E_INVALIDARG;
    m_fPos = fileFrame.fPos;
    m_Store = {pool, scale, autoRestore, normalSkipped, coordSkipped};
    const DWORD count = static_cast<DWORD>(fileFrame.vertices.size());
    const bool takeShared = fileCoordShared && !coordSkipped;
    if (takeShared && (!sharedCoords || sharedCoords->size() < count)) return E_FAIL;
    if (count == 0) return S_FALSE;

    m_pDevice = device;
    m_dwNumVertices = count;
    const DWORD format = GetFVF();
    BYTE* dst = nullptr;
    IDirect3DVertexBuffer8* locked = nullptr;
    if (pool == D3DPOOL_SYSTEMMEM && !coordSkipped) {
        m_SystemVertices.assign(size_t(count) * GetStride(), 0);
        dst = m_SystemVertices.data();
    } else {
        const bool restoreCopy = m_Store.DefaultWithRestore();
        IDirect3DVertexBuffer8*& vb = restoreCopy ? m_pRestoreVB : m_pVB;
        HRESULT hr = CreateBuffer(restoreCopy ? D3DPOOL_SYSTEMMEM : pool, &vb);
        if (SUCCEEDED(hr)) hr = vb->Lock(0, 0, &dst, 0);
        if (FAILED(hr)) {
            Release();
            return hr;
        }
        locked = vb;
    }

    const BOOL scaled = scale > 0.0f && std::fabs(scale - 1.0f) >= 0.001f;
    if (computeBox) m_BoundBox.Reset();
    const SGMAVertex* src = fileFrame.vertices.data();
    if (flip || computeBox)
        Kestu_GMA_VertexCopyEx(dst, format, src, GMA_FVF_VERTEX, count, scaled, scale, flip ? &FlipMatrix() : nullptr,
                               computeBox ? &m_BoundBox : nullptr);
    else if (scaled)
        Kestu_GMA_VertexCopyScaling(dst, format, src, GMA_FVF_VERTEX, count, scale);
    else
        Kestu_GMA_VertexCopy(dst, format, src, GMA_FVF_VERTEX, count);
    if (takeShared) {
        SGmaVerticesEntry entry;
        entry.Init(format, count, dst);
        for (DWORD i = 0; i < count; ++i) entry.TexCoord(i) = (*sharedCoords)[i];
    }
    if (locked) locked->Unlock();
    return S_OK;
}

void CMeshFrame::Release()
{
    if (m_pLocked) EndAccessVertices(FALSE);
    gmavb::SafeRelease(m_pVB);
    gmavb::SafeRelease(m_pRestoreVB);
    m_SystemVertices.clear();
    m_SystemVertices.shrink_to_fit();
    m_dwNumVertices = 0;
    m_pDevice = nullptr;
    m_BoundBox.Reset();
}

HRESULT CMeshFrame::Restore()
{
    if (!m_Store.DefaultWithRestore() || m_pVB || !m_pRestoreVB) return S_OK;
    IDirect3DVertexBuffer8* vb = nullptr;
    if (FAILED(CreateBuffer(D3DPOOL_DEFAULT, &vb))) return S_OK;
    if (FAILED(gmavb::Copy(m_pRestoreVB, vb, m_dwNumVertices * GetStride()))) {
        vb->Release();
        return S_OK;
    }
    m_pVB = vb;
    return S_OK;
}

HRESULT CMeshFrame::Invalidate()
{
    if (m_Store.DefaultWithRestore()) {
        UnbindFromDevice(m_pVB);
        gmavb::SafeRelease(m_pVB);
    }
    return S_OK;
}

HRESULT CMeshFrame::BeginAccessVertices(SGmaVerticesEntry* entry)
{
    if (!entry || m_pLocked) return E_FAIL;
    if (IsSystemVerticesData()) {
        entry->Init(GetFVF(), m_dwNumVertices, m_SystemVertices.data());
        return S_OK;
    }
    IDirect3DVertexBuffer8* vb = ChangeableVB();
    if (!vb) return E_FAIL;
    BYTE* data = nullptr;
    const HRESULT hr = vb->Lock(0, 0, &data, 0);
    if (FAILED(hr)) return hr;
    m_pLocked = data;
    entry->Init(GetFVF(), m_dwNumVertices, data);
    return S_OK;
}

HRESULT CMeshFrame::EndAccessVertices(BOOL apply)
{
    if (!m_pLocked) return IsSystemVerticesData() ? S_OK : E_FAIL;
    ChangeableVB()->Unlock();
    m_pLocked = nullptr;
    return apply ? ApplyVBChange() : S_OK;
}

HRESULT CMeshFrame::ApplyVBChange()
{
    if (!m_Store.DefaultWithRestore() || !m_pVB || !m_pRestoreVB) return S_OK;
    return gmavb::Copy(m_pRestoreVB, m_pVB, m_dwNumVertices * GetStride());
}

BOOL CMeshFrame::IsSameFramework(const SGmaFrame& fileFrame) const
{
    return fileFrame.vertices.size() == m_dwNumVertices && std::fabs(m_fPos - fileFrame.fPos) < 0.01f;
}

HRESULT CMeshFrame::Clone(CMeshFrame* destination, DWORD frameIndex, LPGMACLONECALLBACK callback, void* user)
{
    if (!destination || destination == this) return E_INVALIDARG;
    destination->Release();
    destination->m_fPos = m_fPos;
    destination->m_Store = m_Store;
    if (!IsBuilt()) return S_FALSE;
    destination->m_pDevice = m_pDevice;
    destination->m_dwNumVertices = m_dwNumVertices;
    destination->m_BoundBox = m_BoundBox;
    if (IsSystemVerticesData()) {
        destination->m_SystemVertices = m_SystemVertices;
    } else {
        const bool restoreCopy = m_Store.DefaultWithRestore();
        IDirect3DVertexBuffer8*& to = restoreCopy ? destination->m_pRestoreVB : destination->m_pVB;
        HRESULT hr = destination->CreateBuffer(restoreCopy ? D3DPOOL_SYSTEMMEM : m_Store.pool, &to);
        if (SUCCEEDED(hr)) hr = gmavb::Copy(ChangeableVB(), to, m_dwNumVertices * GetStride());
        if (FAILED(hr)) {
            destination->Release();
            return hr;
        }
    }
    if (callback) {
        SGmaVerticesEntry entry;
        if (SUCCEEDED(destination->BeginAccessVertices(&entry))) {
            callback(&entry, frameIndex, user);
            destination->EndAccessVertices(FALSE);
        }
    }
    return destination->Restore();
}

HRESULT CMeshFrame::ReadFullVertices(std::vector<SGMAVertex>& out, const std::vector<SCoords2d>* coords)
{
    out.assign(m_dwNumVertices, SGMAVertex());
    if (!IsBuilt()) return S_FALSE;
    SGmaVerticesEntry entry;
    HRESULT hr = BeginAccessVertices(&entry);
    if (FAILED(hr)) return hr;
    for (DWORD i = 0; i < m_dwNumVertices; ++i) {
        if (m_Store.normalSkipped) out[i].n = D3DXVECTOR3(0.0f, 1.0f, 0.0f);
        if (m_Store.coordSkipped && coords && i < coords->size()) {
            out[i].u = (*coords)[i].u;
            out[i].v = (*coords)[i].v;
        }
    }
    hr = Kestu_GMA_VertexCopy(out.data(), GMA_FVF_VERTEX, entry.pBase, GetFVF(), m_dwNumVertices);
    EndAccessVertices(FALSE);
    return hr;
}

HRESULT CMeshFrame::SaveToDiskFile(FILE* file)
{
    if (!file) return E_FAIL;
    if (!IsBuilt()) return S_FALSE;
    std::vector<SGMAVertex> vertices;
    const HRESULT hr = ReadFullVertices(vertices, nullptr);
    if (FAILED(hr)) return hr;
    std::vector<BYTE> bytes;
    kestu::ByteWriter w(bytes);
    WriteGmaVertices(w, true, true, vertices);
    return std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size() ? S_OK : E_FAIL;
}

HRESULT CMeshFrame::SetScale(float scale)
{
    if (IsBuilt()) return E_FAIL;
    m_Store.scale = scale;
    return S_OK;
}

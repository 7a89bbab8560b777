// All frames of one GMA mesh, and the shared texture coordinates.
#include <cmath>
#include <new>

#include "kestu_gmacontainer.h"
#include "kestu_log.h"
#include "meshani/container/VertexBuffers.h"
#include "core/device/DeviceUnbind.h"

CAniMeshContainer::CAniMeshContainer()
    : m_bShareContainer(FALSE), m_dwIndex(0xFFFFFFFF), m_nRef(0), m_dwMeshID(0), m_pSharedCoordVB(nullptr),
      m_pSharedCoordRestoreVB(nullptr), m_dwNumSharedCoords(0), m_dwNumFrames(0), m_pDevice(nullptr)
{
}

CAniMeshContainer::~CAniMeshContainer() { Release(); }

HRESULT CAniMeshContainer::Build(const CGmaFile& file, IDirect3DDevice8* device, D3DPOOL pool, float scale,
                                 BOOL autoRestore, BOOL autoSkipNormal, BOOL normalSkipped, BOOL autoShareCoord,
                                 BOOL shareCoord)
{
    Release();
    if (!device) return E_INVALIDARG;
    const SMeshAniHeader& h = file.header;
    m_bShareContainer = h.IsShareContainer();
    m_dwMeshID = h.dwMeshID;
    m_pDevice = device;
    m_Store.pool = pool;
    m_Store.scale = scale;
    m_Store.autoRestore = autoRestore;
    m_Store.normalSkipped = autoSkipNormal ? h.IsNormalSkipped() : normalSkipped;
    // Coordinates leave the frames only when the file has shared ones to give
    // and the device can feed a second stream to a vertex shader.
    BOOL& coords = m_Store.coordSkipped;
    coords = (autoShareCoord ? h.IsFrameShareTexCoord() : shareCoord) && h.IsFrameShareTexCoord();
    for (const SGmaFrame& f : file.frames)
        if (f.vertices.size() > file.sharedCoords.size())
            coords = FALSE; // the shared stream would not reach its last vertices
    if (coords) {
        D3DCAPS8 caps{};
        if (FAILED(device->GetDeviceCaps(&caps)) || caps.VertexShaderVersion < D3DVS_VERSION(1, 0) ||
            caps.MaxStreams < 2)
            coords = FALSE;
    }

    m_pFrames.reset(new (std::nothrow) CMeshFrame[file.frames.size() ? file.frames.size() : 1]);
    if (!m_pFrames) return E_OUTOFMEMORY;
    m_dwNumFrames = static_cast<DWORD>(file.frames.size());
    // Boxes stored in the file hold for the file's own coordinates only.
    const BOOL flip = !h.IsLeftHandCoordSystem();
    const BOOL scaled = scale > 0.0f && std::fabs(scale - 1.0f) >= 0.001f;
    const BOOL takeBoxes = h.IsFrameBoundBox() && !flip && !scaled;
    for (DWORD i = 0; i < m_dwNumFrames; ++i) {
        const HRESULT hr = m_pFrames[i].Build(file.frames[i], device, h.IsNormalSkipped(), h.IsFrameShareTexCoord(),
                                              pool, scale, autoRestore, flip, !takeBoxes, m_Store.normalSkipped,
                                              m_Store.coordSkipped, &file.sharedCoords);
        if (FAILED(hr)) KestuSaveLog(KESTU_LOG_ERROR, "Failed to build mesh frame%d !\r\n", static_cast<int>(i));
        if (takeBoxes) m_pFrames[i].SetBoundBox(file.boundBoxes[i]);
    }
    if (m_Store.coordSkipped && !file.sharedCoords.empty()) {
        m_dwNumSharedCoords = static_cast<DWORD>(file.sharedCoords.size());
        const bool restoreCopy = m_Store.DefaultWithRestore();
        const HRESULT hr = gmavb::Create(device, m_dwNumSharedCoords * GMA_TEXCOORD_SIZE, GMA_FVF_TEXCOORD,
                                         restoreCopy ? D3DPOOL_SYSTEMMEM : pool, file.sharedCoords.data(),
                                         restoreCopy ? &m_pSharedCoordRestoreVB : &m_pSharedCoordVB);
        if (FAILED(hr)) return hr;
    }
    return S_OK;
}

void CAniMeshContainer::Release()
{
    m_pFrames.reset();
    m_dwNumFrames = 0;
    gmavb::SafeRelease(m_pSharedCoordVB);
    gmavb::SafeRelease(m_pSharedCoordRestoreVB);
    m_dwNumSharedCoords = 0;
    m_Store = SGmaVertexStore();
    m_bShareContainer = FALSE;
    m_dwMeshID = 0;
    m_pDevice = nullptr;
}

HRESULT CAniMeshContainer::Invalidate()
{
    if (m_Store.pool == D3DPOOL_DEFAULT && !m_Store.autoRestore) return S_FALSE;
    for (DWORD i = 0; i < m_dwNumFrames; ++i) m_pFrames[i].Invalidate();
    if (m_Store.pool == D3DPOOL_DEFAULT) {
        UnbindFromDevice(m_pSharedCoordVB);
        gmavb::SafeRelease(m_pSharedCoordVB);
    }
    return S_OK;
}

HRESULT CAniMeshContainer::Restore()
{
    HRESULT result = S_OK;
    for (DWORD i = 0; i < m_dwNumFrames; ++i) m_pFrames[i].Restore();
    if (m_Store.DefaultWithRestore() && m_pSharedCoordRestoreVB && !m_pSharedCoordVB) {
        const UINT bytes = m_dwNumSharedCoords * GMA_TEXCOORD_SIZE;
        result = gmavb::Create(m_pDevice, bytes, GMA_FVF_TEXCOORD, D3DPOOL_DEFAULT, nullptr, &m_pSharedCoordVB);
        if (SUCCEEDED(result)) result = gmavb::Copy(m_pSharedCoordRestoreVB, m_pSharedCoordVB, bytes);
        if (FAILED(result)) gmavb::SafeRelease(m_pSharedCoordVB);
    }
    return result;
}

HRESULT CAniMeshContainer::ApplyShareCoordVBChange()
{
    if (!m_Store.DefaultWithRestore() || !m_pSharedCoordRestoreVB || !m_pSharedCoordVB) return S_OK;
    return gmavb::Copy(m_pSharedCoordRestoreVB, m_pSharedCoordVB, m_dwNumSharedCoords * GMA_TEXCOORD_SIZE);
}

HRESULT CAniMeshContainer::ReadSharedCoords(std::vector<SCoords2d>& out) const
{
    out.assign(m_dwNumSharedCoords, SCoords2d());
    if (m_dwNumSharedCoords == 0) return S_FALSE;
    return gmavb::Read(ChangeableCoordVB(), out.data(), m_dwNumSharedCoords * GMA_TEXCOORD_SIZE);
}

void CAniMeshContainer::SetScale(float scale)
{
    m_Store.scale = scale;
    for (DWORD i = 0; i < m_dwNumFrames; ++i) m_pFrames[i].SetScale(scale);
}

BOOL CAniMeshContainer::IsSameFramework(const CGmaFile& file) const
{
    const SMeshAniHeader& h = file.header;
    if (!IsBuilt() || !h.IsKnownVersion() || file.frames.size() != m_dwNumFrames) return FALSE;
    for (DWORD i = 0; i < m_dwNumFrames; ++i)
        if (!m_pFrames[i].IsSameFramework(file.frames[i])) return FALSE;
    return TRUE;
}

HRESULT CAniMeshContainer::Clone(CAniMeshContainer* destination, LPGMACLONECALLBACK callback, void* user)
{
    if (!destination || destination == this) return E_INVALIDARG;
    destination->Release();
    if (!IsBuilt()) return E_FAIL;
    destination->m_bShareContainer = m_bShareContainer;
    destination->m_dwMeshID = m_dwMeshID;
    destination->m_Store = m_Store;
    destination->m_pDevice = m_pDevice;
    destination->m_pFrames.reset(new (std::nothrow) CMeshFrame[m_dwNumFrames ? m_dwNumFrames : 1]);
    if (!destination->m_pFrames) return E_OUTOFMEMORY;
    destination->m_dwNumFrames = m_dwNumFrames;
    for (DWORD i = 0; i < m_dwNumFrames; ++i)
        if (FAILED(m_pFrames[i].Clone(&destination->m_pFrames[i], i, callback, user)))
            KestuSaveLog(KESTU_LOG_ERROR, "Failed to clone mesh frame%d !", static_cast<int>(i));
    if (m_dwNumSharedCoords) {
        const bool restoreCopy = m_Store.DefaultWithRestore();
        IDirect3DVertexBuffer8*& to =
            restoreCopy ? destination->m_pSharedCoordRestoreVB : destination->m_pSharedCoordVB;
        const UINT bytes = m_dwNumSharedCoords * GMA_TEXCOORD_SIZE;
        HRESULT hr = gmavb::Create(m_pDevice, bytes, GMA_FVF_TEXCOORD, restoreCopy ? D3DPOOL_SYSTEMMEM : m_Store.pool,
                                   nullptr, &to);
        if (SUCCEEDED(hr)) hr = gmavb::Copy(ChangeableCoordVB(), to, bytes);
        if (FAILED(hr)) return hr;
        destination->m_dwNumSharedCoords = m_dwNumSharedCoords;
        return destination->Restore();
    }
    return S_OK;
}

HRESULT CAniMeshContainer::BeginAccessVertices(DWORD frame, SGmaVerticesEntry* entry)
{
    return frame < m_dwNumFrames ? m_pFrames[frame].BeginAccessVertices(entry) : E_FAIL;
}

HRESULT CAniMeshContainer::EndAccessVertices(DWORD frame)
{
    return frame < m_dwNumFrames ? m_pFrames[frame].EndAccessVertices(TRUE) : E_FAIL;
}

// CTerrain: building from the data block, releasing, device loss, vertex
// editing and writing the head back.
#include <algorithm>
#include <cstring>
#include <new>

#include "kestu_bytes.h"
#include "kestu_log.h"
#include "kestu_terrain.h"
#include "ou_strings.h"
#include "core/device/DeviceUnbind.h"

namespace {

constexpr float kFloatMax = 3.4028235e38f;

void ResetBox(SBoundBox& box)
{
    box.min = D3DXVECTOR3(kFloatMax, kFloatMax, kFloatMax);
    box.max = D3DXVECTOR3(-kFloatMax, -kFloatMax, -kFloatMax);
}

template <class T>
void FreeArray(T*& p)
{
    delete[] p;
    p = nullptr;
}

template <class T>
void ReleaseCom(T*& p)
{
    if (p) p->Release();
    p = nullptr;
}

HRESULT CopyBuffer(IDirect3DVertexBuffer8* from, IDirect3DVertexBuffer8* to, DWORD size)
{
    BYTE* src = nullptr;
    BYTE* dst = nullptr;
    HRESULT hr = from->Lock(0, size, &src, D3DLOCK_READONLY);
    if (FAILED(hr)) return hr;
    hr = to->Lock(0, size, &dst, 0);
    if (SUCCEEDED(hr)) {
        std::memcpy(dst, src, size);
        hr = to->Unlock();
    }
    from->Unlock();
    return hr;
}

// Every record names only vertices the block has.
bool RecordsFit(const unsigned char* records, DWORD count, DWORD vertices)
{
    for (DWORD i = 0; i < count; ++i) {
        const STerrainBlockInit* rec =
            reinterpret_cast<const STerrainBlockInit*>(records + i * STerrainBlockInit::kSize);
        for (WORD k = 0; k < 25; ++k)
            if (rec->GetIndex(k) >= vertices) return false;
    }
    return true;
}

} // namespace

CTerrain::CTerrain()
    : m_bBuilt(0), m_bTestingVisibility(0), m_ppBlocks(nullptr), m_bExternBlocks(0), m_fBlockWidth(0.0f),
      m_fBlockHeight(0.0f), m_fExtentX(0.0f), m_fExtentZ(0.0f), m_dwDepth(0), m_dwLength(0),
      m_pTexMng(nullptr), m_szTexLib{}, m_Material{}, m_ePool(D3DPOOL_MANAGED), m_pDevice(nullptr), m_pLocalVB(nullptr),
      m_pSysMemVB(nullptr), m_pModifyVB(nullptr), m_pNormals(nullptr), m_dwMaxVisibleBlocks(0), m_pVisibleList(nullptr),
      m_pVisibleFlags(nullptr), m_pLODLevels(nullptr), m_pNeighbors{}, m_pIB(nullptr), m_pLockedIndices(nullptr),
      m_pRenderInfo(nullptr), m_dwRenderInfoCount(0), m_dwRenderInfoCapacity(0), m_dwVisibleCount(0),
      m_dwVisibleFaces(0), m_byMinLODLevel(0), m_dwFVF(0), m_dwVertexStride(0), m_dwVertexCount(0),
      m_dwID(0), m_szInfo{}, m_bModifyByCopy(0), m_pModifyData(nullptr), m_ppLeafArray(nullptr), m_dwIndexCursor(0)
{
    ResetBox(m_BoundBox);
    CTerrainLODIndexTable::AddRef();
}

CTerrain::~CTerrain()
{
    // A terrain prepared for external blocks holds buffers before it is built.
    Release();
    CTerrainLODIndexTable::Release();
}

void CTerrain::Release()
{
    CQTNode::Release();
    CleanUp();
    m_ppLeaves = nullptr;
    m_dwSize = m_dwPitch = 0;
    FreeArray(m_pLODLevels);
    FreeArray(m_pVisibleList);
    FreeArray(m_pVisibleFlags);
    FreeArray(m_pNormals);
    if (m_ppBlocks && !m_bExternBlocks) {
        for (DWORD i = 0; i < m_dwLength * m_dwLength; ++i) delete m_ppBlocks[i];
        delete[] m_ppBlocks;
    }
    m_ppBlocks = nullptr;
    FreeArray(m_ppLeafArray);
    m_fBlockWidth = m_fBlockHeight = m_fExtentX = m_fExtentZ = 0.0f;
    m_dwLength = m_dwDepth = 0;
    if (m_pIB && m_pLockedIndices) m_pIB->Unlock();
    m_pLockedIndices = nullptr;
    ReleaseCom(m_pIB);
    FreeArray(m_pRenderInfo);
    m_dwRenderInfoCount = m_dwRenderInfoCapacity = 0;
    m_dwVisibleCount = m_dwVisibleFaces = 0;
    if (m_pModifyData && !m_bModifyByCopy && m_pModifyVB) m_pModifyVB->Unlock();
    m_pModifyVB = nullptr;
    m_pModifyData = nullptr;
    ReleaseCom(m_pLocalVB);
    ReleaseCom(m_pSysMemVB);
    m_pDevice = nullptr;
    m_pTexMng = nullptr;
    m_ePool = D3DPOOL_MANAGED;
    m_szTexLib[0] = 0;
    ResetBox(m_BoundBox);
    m_dwFVF = 0;
    m_byMinLODLevel = 0;
    m_bExternBlocks = 0;
    m_bTestingVisibility = 0;
    m_bBuilt = 0;
}

HRESULT CTerrain::Build(IDirect3DDevice8* device, unsigned char* data, const SGfxDistLOD* distLOD, float altitudeFloor,
                        ENUM_TERRAIN_BUILDMODE mode, CTerrain** neighbourTerrains)
{
    if (!device || !data) return KESTUERR_INVALIDPARAM;
    const STerrainInit* head = reinterpret_cast<const STerrainInit*>(data);
    if (!head->IsValid()) return KESTUERR_INVALIDPARAM;
    return Build(device, data, head->GetDataBlockSize(), distLOD, altitudeFloor, mode, neighbourTerrains);
}

HRESULT CTerrain::Build(IDirect3DDevice8* device, const unsigned char* data, uint64_t dataSize,
                        const SGfxDistLOD* distLOD, float altitudeFloor, ENUM_TERRAIN_BUILDMODE mode,
                        CTerrain** neighbourTerrains)
{
    if (!device || !data) return KESTUERR_INVALIDPARAM;
    Release();
    m_pDevice = device;
    m_pTexMng = nullptr;
    for (int side = 0; side < 4; ++side) m_pNeighbors[side] = neighbourTerrains ? neighbourTerrains[side] : nullptr;
    m_DistLOD = distLOD ? *distLOD : SGfxDistLOD();
    const bool externBlocks = mode == TERRAIN_BUILD_EXTERNBLOCKS || mode == TERRAIN_BUILD_NOBLOCKS;

    if (dataSize < STerrainInit::kSize) return KESTUERR_INVALIDPARAM;
    const STerrainInit* head = reinterpret_cast<const STerrainInit*>(data);
    if (!head->IsValid()) {
        KestuSaveLog(0, "CTerrain::Build: the data block's head is invalid (0x82000109)\r\n");
        return KESTUERR_INVALIDPARAM;
    }
    const uint64_t vbSize = uint64_t(head->GetVertexNumber()) * head->GetVertexStride();
    const DWORD n = head->GetLength();
    if (head->GetDataBlockSize() > dataSize || vbSize > 0xFFFFFFFFu || head->GetPool() > D3DPOOL_SYSTEMMEM ||
        !RecordsFit(head->GetBlockInits(), n * n, head->GetVertexNumber())) {
        KestuSaveLog(0, "CTerrain::Build: the data block is shorter than its head says, names missing vertices or "
                        "no vertex-buffer pool (0x82000109)\r\n");
        return KESTUERR_INVALIDPARAM;
    }

    m_dwID = head->GetID();
    head->GetInfo(m_szInfo, sizeof m_szInfo);
    head->GetTexLib(m_szTexLib, sizeof m_szTexLib);
    m_fBlockWidth = head->GetBlockWidth();
    m_fBlockHeight = head->GetBlockHeight();
    m_dwLength = n;
    m_dwDepth = head->GetDepth();
    m_fExtentX = head->GetExtentX();
    m_fExtentZ = head->GetExtentZ();
    m_dwFVF = head->GetFVF();
    m_dwVertexStride = head->GetVertexStride();
    m_dwVertexCount = head->GetVertexNumber();
    head->GetMaterial(&m_Material);
    m_ePool = static_cast<D3DPOOL>(head->GetPool());
    head->GetBoundBox(&m_BoundBox);
    m_Rect = KESTURECT2(m_BoundBox.min.x, m_BoundBox.max.z, m_BoundBox.max.x, m_BoundBox.min.z);
    m_byMinLODLevel = head->GetMinLODLevel();

    HRESULT hr = CreateVertexBuffer(head->GetVertices());
    if (FAILED(hr)) return hr;
    hr = AllocateFrameArrays(head->GetNormals());
    if (FAILED(hr)) return hr;
    hr = device->CreateIndexBuffer(n * n * kIndexBytesPerBlock, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED,
                                   &m_pIB);
    if (FAILED(hr)) return hr;
    m_dwRenderInfoCapacity = n * n * kMaxRecordsPerBlock;
    m_pRenderInfo = new (std::nothrow) STerrainRenderInfo[m_dwRenderInfoCapacity];
    if (!m_pRenderInfo) return E_OUTOFMEMORY;
    m_dwRenderInfoCount = 0;
    if (externBlocks) {
        m_bExternBlocks = 1;
        return hr;
    }

    m_ppBlocks = new (std::nothrow) CTerrainBlock*[n * n]();
    if (!m_ppBlocks) return E_OUTOFMEMORY;
    const unsigned char* records = head->GetBlockInits();
    for (DWORD i = 0; i < n * n; ++i) {
        m_ppBlocks[i] = new (std::nothrow) CTerrainBlock;
        if (!m_ppBlocks[i]) return E_OUTOFMEMORY;
        const STerrainBlockInit* rec =
            reinterpret_cast<const STerrainBlockInit*>(records + i * STerrainBlockInit::kSize);
        m_ppBlocks[i]->Set(static_cast<WORD>(i), rec);
        m_pLODLevels[i] = rec->GetLODLevel();
    }
    return LinkBlocks(altitudeFloor);
}

HRESULT CTerrain::CreateVertexBuffer(const unsigned char* vertices)
{
    const DWORD size = m_dwVertexCount * m_dwVertexStride;
    const bool defaultPool = m_ePool == D3DPOOL_DEFAULT;
    IDirect3DVertexBuffer8* vb = nullptr;
    HRESULT hr = m_pDevice->CreateVertexBuffer(size, D3DUSAGE_WRITEONLY, m_dwFVF,
                                               defaultPool ? D3DPOOL_SYSTEMMEM : m_ePool, &vb);
    if (FAILED(hr)) return hr;
    (defaultPool ? m_pSysMemVB : m_pLocalVB) = vb;
    BYTE* p = nullptr;
    hr = vb->Lock(0, size, &p, 0);
    if (FAILED(hr)) return hr;
    std::memcpy(p, vertices, size);
    return vb->Unlock();
}

HRESULT CTerrain::AllocateFrameArrays(const unsigned char* normals)
{
    const DWORD blocks = m_dwLength * m_dwLength;
    if (!m_dwMaxVisibleBlocks) m_dwMaxVisibleBlocks = blocks;
    m_pVisibleList = new (std::nothrow) WORD[m_dwMaxVisibleBlocks]();
    m_pVisibleFlags = new (std::nothrow) BYTE[blocks]();
    m_pLODLevels = new (std::nothrow) BYTE[blocks];
    m_pNormals = new (std::nothrow) D3DXVECTOR3[m_dwVertexCount];
    if (!m_pVisibleList || !m_pVisibleFlags || !m_pLODLevels || !m_pNormals) return E_OUTOFMEMORY;
    std::memset(m_pLODLevels, 255, blocks);
    kestu::ByteReader in(normals, size_t(m_dwVertexCount) * 12);
    for (DWORD i = 0; i < m_dwVertexCount; ++i) {
        const float x = in.F32(), y = in.F32(), z = in.F32();
        m_pNormals[i] = D3DXVECTOR3(x, y, z);
    }
    m_dwVisibleCount = 0;
    return S_OK;
}

HRESULT CTerrain::LinkBlocks(float altitudeFloor)
{
    const DWORD blocks = m_dwLength * m_dwLength;
    m_ppLeafArray = new (std::nothrow) CQTLeaf*[blocks];
    if (!m_ppLeafArray) return E_OUTOFMEMORY;
    for (DWORD i = 0; i < blocks; ++i) m_ppLeafArray[i] = m_ppBlocks[i];
    CQTNode* self = this;
    const KESTURECT2 rect = m_Rect;
    const HRESULT hr = KestuCreateQuadtree(m_dwDepth, &rect, m_ppLeafArray, &self);
    FillAltitude(altitudeFloor);
    FillBoundSphere(altitudeFloor);
    m_bBuilt = 1;
    return hr;
}

HRESULT CTerrain::CreateQuadtree(CTerrainBlock** blocks, unsigned char* records, float altitudeFloor)
{
    if (!m_bExternBlocks || m_bBuilt || !m_pIB) return D3DERR_INVALIDCALL;
    if (!blocks || !records) return KESTUERR_INVALIDPARAM;
    const DWORD count = m_dwLength * m_dwLength;
    for (DWORD i = 0; i < count; ++i)
        if (!blocks[i]) return KESTUERR_INVALIDPARAM;
    if (!RecordsFit(records, count, m_dwVertexCount)) return KESTUERR_INVALIDPARAM;
    m_ppBlocks = blocks;
    for (DWORD i = 0; i < count; ++i) {
        const STerrainBlockInit* rec =
            reinterpret_cast<const STerrainBlockInit*>(records + i * STerrainBlockInit::kSize);
        m_ppBlocks[i]->Set(static_cast<WORD>(i), rec);
        m_pLODLevels[i] = rec->GetLODLevel();
    }
    return LinkBlocks(altitudeFloor);
}

HRESULT CTerrain::WriteDataBlock(unsigned char* data)
{
    if (!data) return KESTUERR_INVALIDPARAM;
    if (!m_bBuilt) return D3DERR_INVALIDCALL;
    STerrainInit* head = reinterpret_cast<STerrainInit*>(data);
    head->CleanUp();
    head->SetID(m_dwID);
    head->SetInfo(m_szInfo);
    head->SetTexLib(m_szTexLib);
    head->SetBlockSize(m_fBlockWidth, m_fBlockHeight);
    head->SetLength(m_dwLength);
    head->SetDepth(m_dwDepth);
    head->SetExtent(m_fExtentX, m_fExtentZ);
    head->SetFVF(m_dwFVF);
    head->SetVertexStride(m_dwVertexStride);
    head->SetVertexNumber(m_dwVertexCount);
    head->SetMaterial(&m_Material);
    head->SetPool(m_ePool);
    head->SetBoundBox(&m_BoundBox);
    return S_OK;
}

// ---- device loss ----

HRESULT CTerrain::Restore()
{
    if (m_ePool != D3DPOOL_DEFAULT) return S_OK;
    if (!m_pDevice || !m_pSysMemVB) return KESTUERR_SURFACENOTBUILT;
    ReleaseCom(m_pLocalVB);
    const DWORD size = GetVBSize();
    HRESULT hr = m_pDevice->CreateVertexBuffer(size, D3DUSAGE_WRITEONLY, m_dwFVF, D3DPOOL_DEFAULT, &m_pLocalVB);
    if (FAILED(hr)) return hr;
    hr = CopyBuffer(m_pSysMemVB, m_pLocalVB, size);
    if (FAILED(hr)) ReleaseCom(m_pLocalVB);
    return hr;
}

HRESULT CTerrain::Invalidate()
{
    if (m_ePool == D3DPOOL_DEFAULT) {
        UnbindFromDevice(m_pLocalVB);
        ReleaseCom(m_pLocalVB);
    }
    return S_OK;
}

DWORD CTerrain::SetPriority(DWORD priority) { return m_pLocalVB ? m_pLocalVB->SetPriority(priority) : 0; }

DWORD CTerrain::GetPriority() const { return m_pLocalVB ? m_pLocalVB->GetPriority() : 0; }

// ---- vertex editing ----

HRESULT CTerrain::BeginModifyVB(void** data, int copy)
{
    if (!m_pDevice || !m_pLocalVB) return KESTUERR_SURFACENOTBUILT;
    if (!data || (copy && !*data)) return KESTUERR_INVALIDPARAM;
    if (m_pModifyData) return D3DERR_INVALIDCALL;
    // Edits go to the buffer that survives device loss; EndModifyVB brings a
    // default-pool copy up to date.
    IDirect3DVertexBuffer8* vb = GetModifiableVB();
    const DWORD size = GetVBSize();
    BYTE* p = nullptr;
    HRESULT hr = vb->Lock(0, size, &p, copy ? D3DLOCK_READONLY : 0);
    if (SUCCEEDED(hr)) {
        if (copy) {
            std::memcpy(*data, p, size);
            hr = vb->Unlock();
        } else {
            *data = p;
        }
    }
    m_bModifyByCopy = copy;
    m_pModifyVB = SUCCEEDED(hr) ? vb : nullptr;
    m_pModifyData = SUCCEEDED(hr) ? *data : nullptr;
    return hr;
}

HRESULT CTerrain::EndModifyVB(int cancel)
{
    if (!m_pModifyData || !m_pModifyVB) return D3DERR_INVALIDCALL;
    IDirect3DVertexBuffer8* vb = m_pModifyVB;
    const DWORD size = GetVBSize();
    HRESULT hr = S_OK;
    if (!m_bModifyByCopy) {
        hr = vb->Unlock();
    } else if (!cancel) {
        BYTE* p = nullptr;
        hr = vb->Lock(0, size, &p, 0);
        if (SUCCEEDED(hr)) {
            std::memcpy(p, m_pModifyData, size);
            hr = vb->Unlock();
        }
    }
    if (SUCCEEDED(hr) && !cancel && vb != m_pLocalVB && m_pLocalVB) hr = CopyBuffer(vb, m_pLocalVB, size);
    m_pModifyVB = nullptr;
    m_pModifyData = nullptr;
    return hr;
}

void CTerrain::SetMaxNumVisibleBlocks(DWORD n)
{
    if (m_pVisibleList) {
        WORD* list = new (std::nothrow) WORD[n]();
        if (!list) return;
        std::memcpy(list, m_pVisibleList, std::min(m_dwMaxVisibleBlocks, n) * sizeof(WORD));
        delete[] m_pVisibleList;
        m_pVisibleList = list;
        m_dwVisibleCount = std::min(m_dwVisibleCount, n);
    }
    m_dwMaxVisibleBlocks = n;
}

void CTerrain::CleanBlockVisible()
{
    if (m_pVisibleFlags) std::memset(m_pVisibleFlags, 0, GetBlockNum());
    m_dwVisibleCount = 0;
}

void CTerrain::ReportVisibleBlock(WORD index)
{
    // One entry per block and frame: the index buffer holds one block's lists each.
    if (!m_pVisibleList || index >= GetBlockNum() || m_pVisibleFlags[index]) return;
    if (m_dwVisibleCount >= m_dwMaxVisibleBlocks) return;
    m_pVisibleList[m_dwVisibleCount++] = index;
    m_pVisibleFlags[index] = 1;
}

CTerrainBlock* CTerrain::GetBlock(float x, float z) const
{
    // The lookup by position only reads the tree.
    return m_bBuilt ? static_cast<CTerrainBlock*>(const_cast<CTerrain*>(this)->CQTNode::GetLeaf(x, z)) : nullptr;
}

float CTerrain::GetAtitude(float x, float z) const
{
    const CTerrainBlock* block = GetBlock(x, z);
    return block ? block->GetAtitude(x, z) : 0.0f;
}

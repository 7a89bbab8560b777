// Construction, reference count, arrays and materials of the mesh data.
#include <cstring>

#include "kestu_meshdata.h"
#include "kestu_meshdatamng.h"

namespace Kestu {

CMaterialData CMeshDataBase::m_mtlInvalid;

namespace {

void ResetBox(SBoundBox& box)
{
    box.Reset();
    const D3DXVECTOR3 origin(0.0f, 0.0f, 0.0f);
    box.AddPoint(&origin);
}

// The array becomes a copy of count items from data, or empty for null.
template <class T>
void AssignArray(std::vector<T>& array, const T* data, size_t count)
{
    if (data)
        array.assign(data, data + count);
    else
        array.clear();
}

} // namespace

CMeshDataBase::CMeshDataBase()
{
    dwIndexFormat = D3DFMT_INDEX32;
    ResetBox(m_bbox);
}

CMeshDataBase::CMeshDataBase(const SMeshDataBase& head) : SMeshDataBase(head) { ResetBox(m_bbox); }

CMeshDataBase::~CMeshDataBase() {}

long CMeshDataBase::Release()
{
    if (m_dwRef.n > 0) --m_dwRef.n;
    if (m_dwRef.n > 0) return static_cast<long>(m_dwRef.n);
    delete this;
    return 0;
}

long CMeshDataBase::Build(IDirect3DDevice8* device)
{
    m_pDevice = device;
    return 0;
}

long CMeshDataBase::RenderBeginPass(D3DXMATRIX*, DWORD, DWORD) { return 0; }

long CMeshDataBase::RenderEndPass() { return 0; }

void CMeshDataBase::SetVertexData(const char* data, DWORD size)
{
    AssignArray(m_vertexData, data, size);
    m_workVertexData = m_vertexData;
}

char* CMeshDataBase::GetVertexData(DWORD* size)
{
    if (size) *size = GetVertexBufferSize();
    return m_vertexData.empty() ? nullptr : m_vertexData.data();
}

void CMeshDataBase::SetIndexData(const char* data, DWORD size) { AssignArray(m_indexData, data, size); }

char* CMeshDataBase::GetIndexData(DWORD* size)
{
    if (size) *size = GetIndexBufferSize();
    return m_indexData.empty() ? nullptr : m_indexData.data();
}

void CMeshDataBase::SetVerInfluneceBuf(const DWORD* bones, DWORD count)
{
    AssignArray(m_influences, bones, count);
    ++m_dwInfluenceStamp;
}

void CMeshDataBase::SetVerWeightBuf(const float* weights, DWORD count)
{
    AssignArray(m_weights, weights, count);
    ++m_dwInfluenceStamp;
}

void CMeshDataBase::SetVertexRedundantBuf(const DWORD* table, DWORD count) { AssignArray(m_redundant, table, count); }

void CMeshDataBase::SetPrimitiveMaterialList(const DWORD* list)
{
    AssignArray(m_faceMaterials, list, dwPrimitiveCount);
}

void CMeshDataBase::SetBoundBox(const SBoundBox* box)
{
    m_bbox.Reset();
    m_bbox.AddPoint(&box->max);
    m_bbox.AddPoint(&box->min);
}

DWORD CMeshDataBase::IndexAt(size_t i) const
{
    if (dwIndexFormat == D3DFMT_INDEX32) {
        DWORD v;
        std::memcpy(&v, m_indexData.data() + i * 4, 4);
        return v;
    }
    WORD v;
    std::memcpy(&v, m_indexData.data() + i * 2, 2);
    return v;
}

DWORD CMeshDataBase::VerticesHeld() const
{
    if (dwVertexStride == 0) return 0;
    const size_t held = std::min(m_vertexData.size(), m_workVertexData.size()) / dwVertexStride;
    return static_cast<DWORD>(std::min<size_t>(held, dwVerticesNum));
}

void CMeshDataBase::NotifyManager(DWORD event)
{
    if (m_pMng) m_pMng->NotifyCallBack(event, this);
}

void CMeshDataBase::AddMaterial(const CMaterialData* material)
{
    if (m_materials.size() == m_materials.capacity())
        m_materials.reserve(m_materials.empty() ? 1 : m_materials.size() * 2);
    m_materials.emplace_back();
    if (material) m_materials.back() = *material;
}

CMaterialData& CMeshDataBase::GetMaterial(DWORD i) { return i < m_materials.size() ? m_materials[i] : m_mtlInvalid; }

CMaterialData* CMeshDataBase::GetMaterialByID(DWORD i) { return i < m_materials.size() ? &m_materials[i] : nullptr; }

int CMeshDataBase::SetMaterial(DWORD i, const CMaterialData& material)
{
    if (i >= m_materials.size()) return 0;
    m_materials[i] = material;
    return 1;
}

} // namespace Kestu

#include "kestu_object.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

CBaseObject::CBaseObject()
{
    D3DXMatrixIdentity(&m_matOffset);
    D3DXMatrixIdentity(&m_matRoot);
    D3DXMatrixIdentity(&m_matTransform);
    m_bbox.min = m_bbox.max = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
}

CBaseObject::CBaseObject(const CBaseObject& other) = default;

CBaseObject::~CBaseObject() {}

CBaseObject& CBaseObject::operator=(const CBaseObject& other)
{
    m_strName = other.m_strName;
    return *this;
}

long CBaseObject::Attach(CBaseObject* child, const CJointBase* joint, const D3DXVECTOR3*, const D3DXVECTOR3*)
{
    m_children.emplace(child, joint);
    return 1;
}

long CBaseObject::Detach(CBaseObject* child) { return m_children.erase(child) ? 1 : 0; }

long CBaseObject::Serialize(COUArchive& ar, DWORD& byteCount, DWORD, int store, int)
{
    try {
        record::Matrix(ar, store, m_matRoot, byteCount);
        record::Matrix(ar, store, m_matOffset, byteCount);
        DWORD children = static_cast<DWORD>(m_children.size());
        record::U32(ar, store, children, byteCount);
    } catch (HRESULT) {
        return E_FAIL;
    }
    return 0;
}

long CBaseObject::Release()
{
    m_MeshRef.Release();
    return 0;
}

void CBaseObject::SetBoundBox(const SBoundBox* box)
{
    m_bbox.Reset();
    m_bbox.AddPoint(&box->max);
    m_bbox.AddPoint(&box->min);
}

void CBaseObject::SetMeshData(CMeshDataBase* mesh)
{
    m_bMeshFromArchive = 0;
    m_MeshRef.SetMeshData(mesh);
}

void CJointBase::SetJointFreedom(int mask, float a, float b, float c)
{
    if (mask & 1) m_fLimits[0] = a;
    if (mask & 2) m_fLimits[1] = b;
    if (mask & 4) m_fLimits[2] = c;
}

} // namespace Kestu

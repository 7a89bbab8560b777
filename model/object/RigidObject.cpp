#include "kestu_object.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

CRigidObject::CRigidObject() { m_bboxWorld.min = m_bboxWorld.max = D3DXVECTOR3(0.0f, 0.0f, 0.0f); }

CRigidObject& CRigidObject::operator=(const CRigidObject& other)
{
    CBaseObject::operator=(other);
    m_bboxWorld = other.m_bboxWorld;
    return *this;
}

long CRigidObject::Transform(const D3DXMATRIX* m)
{
    m_matRoot = *m;
    if (m_bVisible) {
        D3DXVec3TransformCoord(&m_bboxWorld.min, &m_bbox.min, &m_matRoot);
        D3DXVec3TransformCoord(&m_bboxWorld.max, &m_bbox.max, &m_matRoot);
    }
    return 0;
}

long CRigidObject::Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag)
{
    try {
        record::Vector(ar, store, &m_bbox.min.x, 3, byteCount);
        record::Vector(ar, store, &m_bbox.max.x, 3, byteCount);
    } catch (HRESULT) {
        return E_FAIL;
    }
    return CBaseObject::Serialize(ar, byteCount, version, store, flag);
}

long CRigidObject::Build(IDirect3DDevice8* device)
{
    m_MeshRef.Build(device);
    return 0;
}

long CRigidObject::Render(IDirect3DDevice8*)
{
    if (m_bVisible) m_MeshRef.Render(nullptr);
    return 0;
}

long CRigidObject::RenderRough(IDirect3DDevice8*, int mode)
{
    if (m_bVisible) m_MeshRef.RenderRough(nullptr, mode);
    return E_FAIL;
}

} // namespace Kestu

#include "kestu_skin.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

CSkAniBone& CSkAniBone::operator=(const CSkAniBone& other)
{
    CRigidObject::operator=(other);
    m_dwSKLVersion = other.m_dwSKLVersion;
    m_dwSKLFlag = other.m_dwSKLFlag;
    m_dwWord = other.m_dwWord;
    return *this;
}

long CSkAniBone::Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag)
{
    if (m_dwSKLVersion != 0xFFFFFFFF) {
        try {
            DWORD visible = static_cast<DWORD>(m_bVisible);
            record::U32(ar, store, visible, byteCount);
            m_bVisible = static_cast<int>(visible);
        } catch (HRESULT) {
            return E_FAIL;
        }
    }
    return CRigidObject::Serialize(ar, byteCount, version, store, flag);
}

void CSkAniBone::Clone(const CSkAniBone* src)
{
    m_dwSKLVersion = src->m_dwSKLVersion;
    m_dwSKLFlag = src->m_dwSKLFlag;
    m_dwWord = src->m_dwWord;
    m_bboxWorld = src->m_bboxWorld;
    m_matOffset = src->m_matOffset;
    m_matRoot = src->m_matRoot;
    m_matTransform = src->m_matTransform;
    m_strName = src->m_strName;
    m_bVisible = src->m_bVisible;
    m_bbox = src->m_bbox;
    m_pSkeleton = src->m_pSkeleton;
    m_pRenderContext = src->m_pRenderContext;
}

} // namespace Kestu

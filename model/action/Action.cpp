// CAction, the engine's action adapter, and the default adapter factory.
#include <algorithm>

#include "kestu_action.h"
#include "kestu_log.h"
#include "kestu_skeleton.h"
#include "model/archive/LogText.h"

namespace Kestu {

CAction& CAction::operator=(const CAction& other)
{
    if (this == &other) return *this;
    Cleanup();
    m_dwBoneNum = other.m_dwBoneNum;
    m_pParent = other.m_pParent;
    m_pAction = other.m_pAction;
    return *this;
}

void CAction::Cleanup()
{
    m_bones.clear();
    m_boneIds.clear();
    m_dwBoneNum = 0;
    m_pParent = nullptr;
    m_pAction = nullptr;
}

void CAction::SetActionData(CActionData* d)
{
    m_pAction = d;
    if (!d) return;
    m_dwBoneNum = d->GetBoneNum();
    m_boneIds.assign(m_dwBoneNum, 0xFFFFFFFF);
    m_pFrameTimes = d->GetFrameTime();
    m_dwFrameNum = d->GetFrameNum();
    m_pCurAction = d;
}

void CAction::SetBoneList(DWORD n, const DWORD* ids)
{
    m_bones.clear();
    m_boneIds.clear();
    if (n == 0 || !ids) {
        m_dwBoneNum = 0;
        return;
    }
    m_boneIds.assign(ids, ids + n);
    if (n != m_dwBoneNum) OutputDebugStringA("Bone's number not identical");
    m_dwBoneNum = n;
    if (m_pParent) {
        m_bones.resize(n);
        for (DWORD i = 0; i < n; ++i) m_bones[i] = m_pParent->GetBone(ids[i]);
    }
}

long CAction::GenerateBoneList(CSkeleton* s)
{
    if (!s || !m_pAction) return E_FAIL;
    const DWORD clipBones = m_pAction->GetBoneNum();
    if (m_dwBoneNum != clipBones) {
        m_dwBoneNum = clipBones;
        m_boneIds.assign(m_dwBoneNum, 0);
        m_bones.assign(m_dwBoneNum, nullptr);
    }
    if (m_boneIds.size() != m_dwBoneNum) m_boneIds.assign(m_dwBoneNum, 0);
    if (m_bones.size() != m_dwBoneNum) m_bones.assign(m_dwBoneNum, nullptr);
    long result = 0;
    DWORD i = 0;
    const CActionData::BoneNameList* names = m_pAction->GetBoneNameListPtr();
    for (const std::string& name : *names) {
        if (i >= m_dwBoneNum) {
            result = E_FAIL;
            break;
        }
        const DWORD id = s->GetBoneIDByName(name);
        m_boneIds[i] = id;
        m_bones[i] = id != 0xFFFFFFFF ? s->GetBone(id) : nullptr;
        if (!m_bones[i] && s->GetBonesNumber()) {
            KestuSaveLog(0, logtext::kActionBoneMissing, s->GetSKLFileName(), name.c_str());
            result = E_FAIL;
        }
        ++i;
    }
    m_pParent = s;
    return result;
}

long CAction::TransformObject(DWORD frame, const D3DXMATRIX* world)
{
    if (!m_pAction || !world) return E_FAIL;
    const D3DXMATRIX* keys = m_pAction->GetMatrixList();
    const DWORD clipBones = m_pAction->GetBoneNum();
    // The matrix list holds frames x bones keys whenever it exists.
    if (!keys || frame >= m_pAction->GetFrameNum()) return E_FAIL;
    const DWORD n = std::min<DWORD>(clipBones, static_cast<DWORD>(m_bones.size()));
    const D3DXMATRIX* row = keys + size_t(frame) * clipBones;
    for (DWORD i = 0; i < n; ++i) {
        if (CSkAniBone* bone = m_bones[i]) {
            bone->SetTransform(world);
            bone->Transform(&row[i]);
        }
    }
    return 0;
}

DWORD CAction::GetPositionByTime(int unused, float dt)
{
    return m_pAction ? m_pAction->GetPositionByTime(unused, dt) : 0xFFFFFFFF;
}

DWORD CAction::GetPositionByTime(float& t) { return m_pAction ? m_pAction->GetPositionByTime(t) : 0xFFFFFFFF; }

DWORD CAction::GetObjectIndex(CBaseObject* object)
{
    if (!m_pParent || m_boneIds.empty() || m_pParent->GetBonesNumber() == 0) return 0xFFFFFFFF;
    for (DWORD i = 0; i < m_boneIds.size(); ++i)
        if (m_pParent->GetBone(m_boneIds[i]) == object) return i;
    return 0xFFFFFFFF;
}

DWORD CAction::GetObjectIndex(const char* name)
{
    if (!m_pAction || !name) return 0xFFFFFFFF;
    DWORD i = 0;
    for (const std::string& stored : *m_pAction->GetBoneNameListPtr()) {
        if (_stricmp(stored.c_str(), name) == 0) return i;
        ++i;
    }
    return 0xFFFFFFFF;
}

long CAction::Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag)
{
    if (!m_pAction) return E_FAIL;
    CSkeleton* saved = m_pAction->GetParent();
    m_pAction->SetParent(m_pParent);
    const long hr = m_pAction->Serialize(m_dwACTVersion, ar, byteCount, version, store, flag);
    m_pAction->SetParent(saved);
    m_pFrameTimes = m_pAction->GetFrameTime();
    m_pCurAction = m_pAction;
    m_dwFrameNum = m_pAction->GetFrameNum();
    return hr;
}

DWORD CAction::GetBoneNumber() const { return m_pAction ? m_pAction->GetBoneNum() : 0; }

float* CAction::GetFrameTime() const { return m_pAction ? m_pAction->GetFrameTime() : nullptr; }

IActionAdapter* CActionAdapterFactory::CreateActionAdapter() { return new CAction(); }

} // namespace Kestu

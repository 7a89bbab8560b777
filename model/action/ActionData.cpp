// A clip's arrays, its times and the two frame lookups.
#include <algorithm>
#include <cmath>
#include <cstdio>

#include "kestu_action.h"
#include "kestu_skeleton.h"
#include "model/action/TimeWrap.h"

namespace Kestu {

int CActionData::m_bUseCondenseModeLoad = 0;

CActionData& CActionData::operator=(const CActionData& other)
{
    if (this == &other) return *this;
    dwHeader = other.dwHeader;
    dwActionID = other.dwActionID;
    dwFrameNum = other.dwFrameNum;
    dwBoneNum = other.dwBoneNum;
    m_boneNames = other.m_boneNames;
    m_frameTimes = other.m_frameTimes;
    m_fTotalTime = other.m_fTotalTime;
    m_boneList = other.m_boneList;
    m_matList = other.m_matList;
    m_rmatList = other.m_rmatList;
    m_offsets = other.m_offsets;
    m_quats = other.m_quats;
    return *this;
}

void CActionData::Clear()
{
    m_boneList.clear();
    m_matList.clear();
    m_rmatList.clear();
    m_offsets.clear();
    m_quats.clear();
    m_frameTimes.clear();
    m_originTimes.clear();
    m_boneNames.clear();
    m_fTotalTime = 0.0f;
    m_fPlayClock = 0.0f;
    dwHeader = 0;
    dwActionID = 0xFFFFFFFF;
    dwFrameNum = 0;
    dwBoneNum = 0;
}

int CActionData::GetBoneNameList(BoneNameList& list) const
{
    list = m_boneNames;
    return 1;
}

void CActionData::SetBoneList(DWORD n, const DWORD* ids)
{
    if (n != dwBoneNum) OutputDebugStringA("Bone's number not identical\n\r");
    dwBoneNum = n;
    m_boneList.assign(ids, ids ? ids + n : ids);
    if (!ids) m_boneList.assign(n, 0xFFFFFFFF);
}

namespace {

template <class T>
void CopyIn(std::vector<T>& to, DWORD n, const T* from)
{
    if (from)
        to.assign(from, from + n);
    else
        to.clear();
}

} // namespace

void CActionData::SetMatrixList(DWORD n, const D3DXMATRIX* m) { CopyIn(m_matList, n, m); }
void CActionData::SetRMatrixList(DWORD n, const D3DXMATRIX* m) { CopyIn(m_rmatList, n, m); }
void CActionData::SetQuatList(DWORD n, const D3DXQUATERNION* q) { CopyIn(m_quats, n, q); }
void CActionData::SetOffsetList(DWORD n, const D3DXVECTOR4* o) { CopyIn(m_offsets, n, o); }

void CActionData::SetOffsetList(DWORD n, const D3DXVECTOR3* o)
{
    m_offsets.clear();
    if (!o) return;
    m_offsets.reserve(n);
    for (DWORD i = 0; i < n; ++i) m_offsets.emplace_back(o[i].x, o[i].y, o[i].z, 1.0f);
}

void CActionData::SetFrameTime(DWORD n, const float* times)
{
    CopyIn(m_frameTimes, n, times);
    dwFrameNum = static_cast<DWORD>(m_frameTimes.size());
    m_fTotalTime = m_frameTimes.empty() ? 0.0f : m_frameTimes.back();
}

void CActionData::SetOriginFrameTime(DWORD n, const float* times) { CopyIn(m_originTimes, n, times); }

long CActionData::SetFrameTimeToMaxOrigin()
{
    if (m_originTimes.empty() || m_frameTimes.empty()) return E_FAIL;
    const size_t n = std::min(m_originTimes.size(), m_frameTimes.size());
    std::copy(m_originTimes.begin(), m_originTimes.begin() + n, m_frameTimes.begin());
    m_fTotalTime = m_frameTimes.back();
    return 0;
}

void CActionData::Scale(float s)
{
    if (dwFrameNum == 0 || m_frameTimes.empty()) return;
    float previousOld = m_frameTimes[0];
    m_frameTimes[0] *= s;
    for (size_t f = 1; f < m_frameTimes.size(); ++f) {
        const float old = m_frameTimes[f];
        m_frameTimes[f] = m_frameTimes[f - 1] + s * (old - previousOld);
        previousOld = old;
    }
    m_fTotalTime = m_frameTimes.back();
}

DWORD CActionData::GetPositionByTime(int, float dt)
{
    m_fPlayClock = timewrap::Wrap(m_fPlayClock + dt, m_fTotalTime);
    const DWORD n = static_cast<DWORD>(std::min<size_t>(dwFrameNum, m_frameTimes.size()));
    for (DWORD f = 0; f < n; ++f)
        if (m_frameTimes[f] > m_fPlayClock) return f;
    return 0;
}

DWORD CActionData::GetPositionByTime(float& t) const
{
    t = timewrap::Wrap(t, m_fTotalTime);
    const DWORD n = static_cast<DWORD>(std::min<size_t>(dwFrameNum, m_frameTimes.size()));
    for (DWORD f = 0; f < n; ++f)
        if (m_frameTimes[f] >= t) return f;
    return 0;
}

DWORD CActionData::GetBoneIndex(const CBaseObject* o) const
{
    if (!m_pParent || !o) return 0xFFFFFFFF;
    const DWORD n = static_cast<DWORD>(std::min<size_t>(dwBoneNum, m_boneList.size()));
    for (DWORD i = 0; i < n; ++i)
        if (m_pParent->GetBone(m_boneList[i]) == o) return i;
    return 0xFFFFFFFF;
}

long CActionData::GenerateBoneList(CSkeleton* s)
{
    m_boneList.assign(m_boneNames.size(), 0xFFFFFFFF);
    size_t i = 0;
    for (const std::string& name : m_boneNames) m_boneList[i++] = s ? s->GetBoneIDByName(name) : 0xFFFFFFFF;
    return 0;
}

} // namespace Kestu

// The "ACTSDATA" record of a clip.
#include <algorithm>
#include <cstring>

#include "kestu_action.h"
#include "kestu_log.h"
#include "kestu_skeleton.h"
#include "model/archive/LogText.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

namespace {

constexpr DWORD kNoVersion = 0xFFFFFFFF;
// Keys that condensed loading reads into one scratch area and drops.
constexpr size_t kCondensedKeys = 4096;

template <class T>
constexpr size_t FloatsOf()
{
    return sizeof(T) / sizeof(float);
}

} // namespace

// One key array of frames x bones entries, frame-major in memory; stored
// frame-major or (flag bit 2) bone by bone. Reading grows with the data, so
// a damaged count stops at the end of the file.
template <class T>
void CActionData::KeyArray(COUArchive& ar, int store, std::vector<T>& keys, DWORD& byteCount)
{
    const size_t frames = dwFrameNum, bones = dwBoneNum;
    const size_t n = FloatsOf<T>();
    const bool boneMajor = (m_dwACTFlag & KESTU_ACT_BONEMAJOR) != 0;
    std::vector<float> flat;
    if (store) {
        flat.assign(frames * bones * n, 0.0f);
        for (size_t f = 0; f < frames; ++f)
            for (size_t b = 0; b < bones; ++b) {
                const size_t key = f * bones + b;
                if (key >= keys.size()) continue;
                const size_t at = boneMajor ? b * frames + f : key;
                std::memcpy(&flat[at * n], &keys[key], sizeof(T));
            }
        record::WriteArray(ar, flat, flat.size(), byteCount);
        return;
    }
    record::ReadArray(ar, flat, static_cast<unsigned long long>(frames) * bones * n, byteCount);
    keys.resize(frames * bones);
    for (size_t f = 0; f < frames; ++f)
        for (size_t b = 0; b < bones; ++b) {
            const size_t at = boneMajor ? b * frames + f : f * bones + b;
            std::memcpy(&keys[f * bones + b], &flat[at * n], sizeof(T));
        }
}

long CActionData::Serialize(DWORD version, COUArchive& ar, DWORD& byteCount, DWORD, int store, int)
{
    try {
        if (version >= 2 && version != kNoVersion) record::U32(ar, store, m_dwACTFlag, byteCount);
        char tag[8];
        record::Tag(ar, store, "ACTSDATA", tag, byteCount);
        record::U32(ar, store, dwHeader, byteCount);
        record::U32(ar, store, dwActionID, byteCount);
        record::U32(ar, store, dwFrameNum, byteCount);
        record::U32(ar, store, dwBoneNum, byteCount);
        if (store) {
            std::vector<std::string> names;
            auto stored = m_boneNames.begin();
            for (DWORD i = 0; i < dwBoneNum; ++i) {
                const CSkAniBone* bone = m_pParent && m_pParent->GetBonesNumber() && i < m_boneList.size()
                                             ? m_pParent->GetBone(m_boneList[i])
                                             : nullptr;
                if (bone)
                    names.emplace_back(bone->GetName());
                else
                    names.emplace_back(stored != m_boneNames.end() ? *stored : std::string());
                if (stored != m_boneNames.end()) ++stored;
                if (names.back().size() > record::kLongestPaddedName) return E_FAIL;
            }
            for (const std::string& name : names) record::WriteName(ar, name, byteCount);
            record::WriteArray(ar, m_frameTimes, dwFrameNum, byteCount);
            if (m_dwACTFlag & KESTU_ACT_ORIGINTIMES)
                record::WriteArray(ar, m_originTimes.empty() ? m_frameTimes : m_originTimes, dwFrameNum, byteCount);
            if (m_dwACTFlag & KESTU_ACT_MATRICES) KeyArray(ar, 1, m_matList, byteCount);
            if (m_dwACTFlag & KESTU_ACT_QUATS) {
                KeyArray(ar, 1, m_offsets, byteCount);
                KeyArray(ar, 1, m_quats, byteCount);
            }
            return ar.IsFailed() ? E_FAIL : 0;
        }

        if (dwBoneNum == 0) {
            if (m_pParent) KestuSaveLog(0, logtext::kClipWithoutBones, m_pParent->GetSKLFileName());
            return E_FAIL;
        }
        m_boneNames.clear();
        m_boneList.clear();
        for (DWORD i = 0; i < dwBoneNum; ++i) {
            m_boneNames.push_back(record::ReadName(ar, byteCount));
            m_boneList.push_back(m_pParent ? m_pParent->GetBoneIDByName(m_boneNames.back()) : 0xFFFFFFFF);
        }
        record::ReadArray(ar, m_frameTimes, dwFrameNum, byteCount);
        m_originTimes.clear();
        if (m_dwACTFlag & KESTU_ACT_ORIGINTIMES) record::ReadArray(ar, m_originTimes, dwFrameNum, byteCount);
        m_matList.clear();
        m_rmatList.clear();
        if (m_dwACTFlag & KESTU_ACT_MATRICES) {
            KeyArray(ar, 0, m_matList, byteCount);
            D3DXMATRIX zero;
            std::memset(&zero, 0, sizeof zero);
            m_rmatList.assign(m_matList.size(), zero);
        }
        m_offsets.clear();
        m_quats.clear();
        if (m_dwACTFlag & KESTU_ACT_QUATS) {
            KeyArray(ar, 0, m_offsets, byteCount);
            KeyArray(ar, 0, m_quats, byteCount);
            if (m_bUseCondenseModeLoad && static_cast<unsigned long long>(dwFrameNum) * dwBoneNum < kCondensedKeys) {
                m_offsets.clear();
                m_offsets.shrink_to_fit();
                m_quats.clear();
                m_quats.shrink_to_fit();
            }
        }
        m_fTotalTime = m_frameTimes.empty() ? 0.0f : m_frameTimes.back();
        m_fPlayClock = 0.0f;
    } catch (HRESULT) {
        return E_FAIL;
    }
    return 0;
}

} // namespace Kestu

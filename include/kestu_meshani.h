// CMeshAni: the playing state of one frame-animated mesh, which frame is shown
// now. It holds no geometry: the client feeds it the running time through
// FrameMove and draws GetCurrentFrame with CMeshAniData::Render. Frames are
// never blended: the frame shown is the last one whose start time is not
// after the current time.
#pragma once
#include <windows.h>

#include "kestu_export.h"
#include "kestu_aniplay.h"
#include "kestu_gmafile.h"

class CMeshAniData;
class CMeshFrame;

class KESTU_API CMeshAni {
public:
    CMeshAni();
    // Copies own their arrays.
    CMeshAni(const CMeshAni& other);
    CMeshAni& operator=(const CMeshAni& other);
    virtual ~CMeshAni();

    // E_FAIL when the data, its container or its frames are missing.
    HRESULT Build(CMeshAniData* data);
    // frames holds header->dwNumFrames frames.
    HRESULT Build(const SMeshAniHeader* header, const CMeshFrame* frames, DWORD id);
    HRESULT BuildFromFile(const char* path, DWORD id);
    // E_FAIL for fewer than 76 bytes or a file the reader refuses.
    HRESULT BuildFromFileInMemory(const void* buffer, DWORD size, DWORD id);
    void Release();

    void Play(float time, ENUM_ANIPLAY_MODE mode, BOOL forward, float pos);
    void PlayInSpeed(float time, float speed, ENUM_ANIPLAY_MODE mode, BOOL forward, float pos);
    void Stop() { m_bPlaying = FALSE; }
    void ResetSpeed() { SetSpeed(1.0f); }
    void SetSpeed(float speed);
    // E_INVALIDARG (nothing changes) unless start <= end < GetNumFrames().
    HRESULT SetCycle(DWORD start, DWORD end);
    void SetPos(float pos);
    void SetPosByFrame(DWORD frame);
    void Rewind(BOOL toStart) { SetPosByFrame(toStart ? m_dwCycleStart : m_dwCycleEnd); }
    // -1.0 outside the cycle, else the frame's place in it from 0 to 1.
    float GetPos(DWORD frame) const;
    float GetPos() const { return m_fPos; }
    HRESULT SetAbsPosOfFrame(DWORD frame, float pos);
    // E_FAIL unless built, the frame is a file frame and another file frame stays.
    HRESULT RemoveFrame(DWORD frame);
    // Writes the current frame positions (and removals) back into the file at path.
    HRESULT SaveToGMA(const char* path);
    void FrameMove(float time);

    DWORD GetAniDataID() const { return m_dwAniDataID; }
    const float* GetRawTimeRefList() const { return m_pPositions; }
    const float* GetTimeTable() const { return m_pTimeTable; }
    BOOL IsBuilt() const { return m_pTimeTable != nullptr; }
    DWORD GetNumFrames() const { return m_dwNumFrames; }
    DWORD GetCurrentFrame() const { return m_dwCurrFrame; }
    DWORD GetPrevFrame() const { return m_dwPrevFrame; }
    DWORD GetCycleStart() const { return m_dwCycleStart; }
    DWORD GetCycleEnd() const { return m_dwCycleEnd; }
    float GetCurrentTime() const { return m_fCurrTime; }
    float GetLastTime() const { return m_fLastTime; }
    ENUM_ANIPLAY_MODE GetPlayMode() const { return m_ePlayMode; }
    BOOL IsPlaying() const { return m_bPlaying; }
    BOOL IsForward() const { return m_bForward; }
    float GetSpeed() const { return m_fSpeed; }
    float GetAbsPos(DWORD frame) const;
    float GetAbsStartPos() const { return GetAbsPos(m_dwCycleStart); }
    float GetAbsEndPos() const { return GetAbsPos(m_dwCycleEnd); }
    // Length of the cycle, and of the whole animation, at the current speed.
    float GetDuration() const { return (GetAbsEndPos() - GetAbsStartPos()) * m_fInvSpeed * m_fDuration; }
    float GetAbsDuration() const { return m_fInvSpeed * m_fDuration; }
    float GetStartTime() const { return IsBuilt() ? m_pTimeTable[m_dwCycleStart] : 0.0f; }
    float GetEndTime() const { return IsBuilt() ? m_pTimeTable[m_dwCycleEnd] : 0.0f; }

private:
    HRESULT Allocate(DWORD numFrames);
    void Start(float duration);
    void RebuildTimeTable();
    void UpdateCurrFrame();
    float T(DWORD frame) const { return m_pTimeTable[frame]; }

    DWORD m_dwAniDataID;
    float* m_pPositions;
    float* m_pTimeTable;
    float m_fLastTime;
    float m_fCurrTime;
    float m_fPos;
    float m_fDuration;
    DWORD m_dwNumFrames;
    DWORD m_dwCycleStart;
    DWORD m_dwCycleEnd;
    DWORD m_dwCurrFrame;
    DWORD m_dwPrevFrame;
    DWORD m_dwNumRemoved;
    DWORD* m_pRemoved;
    ENUM_ANIPLAY_MODE m_ePlayMode;
    BOOL m_bPlaying;
    BOOL m_bForward;
    BOOL m_bBounced;
    float m_fSpeed;
    float m_fInvSpeed;
};

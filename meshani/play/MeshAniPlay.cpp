// Playing a frame-animated mesh: play, the per-frame time step, removing frames and saving their positions.
#include <algorithm>
#include <cmath>
#include <new>

#include "kestu_meshani.h"

void CMeshAni::Play(float time, ENUM_ANIPLAY_MODE mode, BOOL forward, float pos)
{
    if (pos > -0.001f) SetPos(pos);
    m_fLastTime = time;
    m_ePlayMode = mode;
    m_bForward = forward;
    m_bBounced = FALSE;
    m_bPlaying = IsBuilt() && GetDuration() >= 0.03f;
}

void CMeshAni::PlayInSpeed(float time, float speed, ENUM_ANIPLAY_MODE mode, BOOL forward, float pos)
{
    SetSpeed(speed);
    Play(time, mode, forward, pos);
}

void CMeshAni::FrameMove(float time)
{
    const float dt = time - m_fLastTime;
    m_fLastTime = time;
    if (!m_bPlaying || !IsBuilt()) return;
    const float start = T(m_dwCycleStart), end = T(m_dwCycleEnd), length = GetDuration();
    switch (m_ePlayMode) {
    case ANIPLAY_LOOP:
        if (m_bForward) {
            m_fCurrTime += dt;
            if (m_fCurrTime > end) m_fCurrTime = start + std::fmod(m_fCurrTime - start, length);
        } else {
            m_fCurrTime -= dt;
            if (m_fCurrTime < start) {
                m_fCurrTime = start + std::fmod(m_fCurrTime - start, length);
                if (m_fCurrTime < start) m_fCurrTime += length;
            }
        }
        break;
    case ANIPLAY_PINGPONG_ONCE:
    case ANIPLAY_PINGPONG: {
        bool turn = false;
        if (m_bForward == m_bBounced) {
            m_fCurrTime -= dt;
            if (m_fCurrTime < start) {
                m_fCurrTime = start;
                turn = true;
            }
        } else {
            m_fCurrTime += dt;
            if (m_fCurrTime > end) {
                m_fCurrTime = end;
                turn = true;
            }
        }
        if (turn) {
            if (m_ePlayMode == ANIPLAY_PINGPONG)
                m_bBounced = !m_bBounced;
            else if (!m_bBounced)
                m_bBounced = TRUE;
            else
                m_bPlaying = FALSE;
        }
        break;
    }
    default:
        if (m_bForward) {
            m_fCurrTime += dt;
            if (m_fCurrTime > end) {
                m_fCurrTime = end;
                m_bPlaying = FALSE;
            }
        } else {
            m_fCurrTime -= dt;
            if (m_fCurrTime < start) {
                m_fCurrTime = start;
                m_bPlaying = FALSE;
            }
        }
        break;
    }
    UpdateCurrFrame();
}

HRESULT CMeshAni::RemoveFrame(DWORD frame)
{
    // The end mark stays, and so does at least one frame of the file before it.
    if (!IsBuilt() || frame + 1 >= m_dwNumFrames || m_dwNumFrames < 3) return E_FAIL;
    if (!m_pRemoved) {
        m_dwNumRemoved = m_dwNumFrames - 1;
        m_pRemoved = new (std::nothrow) DWORD[m_dwNumRemoved]();
        if (!m_pRemoved) {
            m_dwNumRemoved = 0;
            return E_OUTOFMEMORY;
        }
    }
    // The frame-th of the frames still there.
    for (DWORD i = 0, kept = 0; i < m_dwNumRemoved; ++i) {
        if (m_pRemoved[i]) continue;
        if (kept++ == frame) {
            m_pRemoved[i] = 1;
            break;
        }
    }
    for (DWORD i = frame; i + 1 < m_dwNumFrames; ++i) m_pPositions[i] = m_pPositions[i + 1];
    --m_dwNumFrames;
    m_dwCycleStart = std::min(m_dwCycleStart, m_dwNumFrames - 2);
    m_dwCycleEnd = std::min(m_dwCycleEnd, m_dwNumFrames - 1);
    m_dwCurrFrame = std::min(m_dwCurrFrame, m_dwNumFrames - 1);
    SetCycle(m_dwCycleStart, m_dwCycleEnd);
    m_dwPrevFrame = std::min(m_dwPrevFrame, m_dwNumFrames - 1);
    return S_OK;
}

HRESULT CMeshAni::SaveToGMA(const char* path)
{
    if (!IsBuilt()) return E_FAIL;
    CGmaFile file;
    if (FAILED(file.Load(path))) return E_FAIL;
    if (file.frames.size() > 1) {
        if (m_pRemoved) {
            if (file.frames.size() != m_dwNumRemoved) return E_FAIL;
            // Removed frames go with their bound boxes and LOD records.
            const bool perFrameLod = file.lod.size() == file.frames.size();
            for (DWORD i = m_dwNumRemoved; i-- > 0;)
                if (m_pRemoved[i]) {
                    file.frames.erase(file.frames.begin() + i);
                    if (!file.boundBoxes.empty()) file.boundBoxes.erase(file.boundBoxes.begin() + i);
                    if (perFrameLod && !file.header.IsFrameShareMaterials()) file.lod.erase(file.lod.begin() + i);
                }
        }
        if (file.frames.size() + 1 != m_dwNumFrames) return E_FAIL;
        for (size_t i = 0; i < file.frames.size(); ++i) file.frames[i].fPos = m_pPositions[i];
    }
    return file.Save(path);
}

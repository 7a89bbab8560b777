// The playing state of a frame-animated mesh: building, copying, the cycle and its time table.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

#include "core/resources/WholeFile.h"
#include "kestu_gmacontainer.h"
#include "kestu_meshani.h"

CMeshAni::CMeshAni()
    : m_dwAniDataID(0), m_pPositions(nullptr), m_pTimeTable(nullptr), m_fLastTime(0.0f), m_fCurrTime(0.0f),
      m_fPos(0.0f), m_fDuration(0.0f), m_dwNumFrames(0), m_dwCycleStart(0), m_dwCycleEnd(0), m_dwCurrFrame(0),
      m_dwPrevFrame(0), m_dwNumRemoved(0), m_pRemoved(nullptr), m_ePlayMode(ANIPLAY_LOOP), m_bPlaying(FALSE),
      m_bForward(TRUE), m_bBounced(FALSE), m_fSpeed(1.0f), m_fInvSpeed(1.0f)
{
}

CMeshAni::CMeshAni(const CMeshAni& other) : CMeshAni() { *this = other; }

namespace {

template <typename T>
T* CopyArray(const T* from, DWORD count)
{
    if (!from) return nullptr;
    T* to = new T[count ? count : 1];
    std::copy(from, from + count, to);
    return to;
}

} // namespace

CMeshAni& CMeshAni::operator=(const CMeshAni& other)
{
    if (this == &other) return *this;
    Release();
    m_dwAniDataID = other.m_dwAniDataID;
    m_pPositions = CopyArray(other.m_pPositions, other.m_dwNumFrames);
    m_pTimeTable = CopyArray(other.m_pTimeTable, other.m_dwNumFrames);
    m_pRemoved = CopyArray(other.m_pRemoved, other.m_dwNumRemoved);
    m_fLastTime = other.m_fLastTime;
    m_fCurrTime = other.m_fCurrTime;
    m_fPos = other.m_fPos;
    m_fDuration = other.m_fDuration;
    m_dwNumFrames = other.m_dwNumFrames;
    m_dwCycleStart = other.m_dwCycleStart;
    m_dwCycleEnd = other.m_dwCycleEnd;
    m_dwCurrFrame = other.m_dwCurrFrame;
    m_dwPrevFrame = other.m_dwPrevFrame;
    m_dwNumRemoved = other.m_dwNumRemoved;
    m_ePlayMode = other.m_ePlayMode;
    m_bPlaying = other.m_bPlaying;
    m_bForward = other.m_bForward;
    m_bBounced = other.m_bBounced;
    m_fSpeed = other.m_fSpeed;
    m_fInvSpeed = other.m_fInvSpeed;
    return *this;
}

CMeshAni::~CMeshAni() { Release(); }

void CMeshAni::Release()
{
    delete[] m_pPositions;
    delete[] m_pTimeTable;
    delete[] m_pRemoved;
    m_pPositions = nullptr;
    m_pTimeTable = nullptr;
    m_pRemoved = nullptr;
    m_dwAniDataID = 0;
    m_fLastTime = m_fCurrTime = m_fPos = m_fDuration = 0.0f;
    m_dwNumFrames = m_dwCycleStart = m_dwCycleEnd = m_dwCurrFrame = m_dwPrevFrame = m_dwNumRemoved = 0;
    m_ePlayMode = ANIPLAY_LOOP;
    m_bPlaying = FALSE;
    m_bForward = TRUE;
    m_bBounced = FALSE;
    m_fSpeed = m_fInvSpeed = 1.0f;
}

HRESULT CMeshAni::Allocate(DWORD numFrames)
{
    m_pPositions = new (std::nothrow) float[numFrames];
    m_pTimeTable = new (std::nothrow) float[numFrames];
    if (!m_pPositions || !m_pTimeTable) {
        Release();
        return E_OUTOFMEMORY;
    }
    std::fill(m_pTimeTable, m_pTimeTable + numFrames, 0.0f);
    m_dwNumFrames = numFrames;
    m_pPositions[0] = 0.0f;
    m_pPositions[numFrames - 1] = 1.0f;
    return S_OK;
}

// The common end of every build: the whole animation as the cycle, at speed 1, from its start.
void CMeshAni::Start(float duration)
{
    m_fDuration = duration;
    SetCycle(0, m_dwNumFrames - 1);
    SetSpeed(1.0f);
    SetPos(0.0f);
    m_bPlaying = FALSE;
    m_bBounced = FALSE;
    m_ePlayMode = ANIPLAY_LOOP;
    m_bForward = TRUE;
}

HRESULT CMeshAni::Build(const SMeshAniHeader* header, const CMeshFrame* frames, DWORD id)
{
    if (!header || !frames) return E_FAIL;
    Release();
    const HRESULT hr = Allocate(header->dwNumFrames + 1);
    if (FAILED(hr)) return hr;
    for (DWORD i = 1; i < header->dwNumFrames; ++i) m_pPositions[i] = frames[i].GetPosRef();
    m_dwAniDataID = id;
    Start(header->fDuration);
    return S_OK;
}

HRESULT CMeshAni::BuildFromFile(const char* path, DWORD id)
{
    Release();
    DWORD size = 0;
    BYTE* data = LoadWholeFile(path, &size);
    if (!data) return E_FAIL;
    const HRESULT hr = BuildFromFileInMemory(data, size, id);
    delete[] data;
    return hr;
}

HRESULT CMeshAni::BuildFromFileInMemory(const void* buffer, DWORD size, DWORD id)
{
    Release();
    CGmaFile file;
    if (!buffer || size < GMA_HEADER_SIZE || FAILED(file.Read(buffer, size))) return E_FAIL;
    const DWORD frames = static_cast<DWORD>(file.frames.size());
    const HRESULT hr = Allocate(frames + 1);
    if (FAILED(hr)) return hr;
    for (DWORD i = 1; i < frames; ++i) m_pPositions[i] = file.frames[i].fPos;
    m_dwAniDataID = id;
    Start(file.header.fDuration);
    return S_OK;
}

float CMeshAni::GetAbsPos(DWORD frame) const
{
    return frame + 1 < m_dwNumFrames && m_pPositions ? m_pPositions[frame] : 1.0f;
}

float CMeshAni::GetPos(DWORD frame) const
{
    if (frame < m_dwCycleStart || frame > m_dwCycleEnd) return -1.0f;
    const float width = GetAbsEndPos() - GetAbsStartPos();
    return width != 0.0f ? (GetAbsPos(frame) - GetAbsStartPos()) / width : 0.0f;
}

void CMeshAni::RebuildTimeTable()
{
    if (!IsBuilt()) return;
    const float width = GetAbsEndPos() - GetAbsStartPos();
    for (DWORD i = 0; i < m_dwNumFrames; ++i) m_pTimeTable[i] = -1.0f;
    m_pTimeTable[m_dwCycleStart] = 0.0f;
    for (DWORD i = m_dwCycleStart; i <= m_dwCycleEnd; ++i)
        m_pTimeTable[i] = GetPos(i) * width * m_fDuration * m_fInvSpeed;
}

void CMeshAni::SetSpeed(float speed)
{
    if (m_bPlaying && std::fabs(speed) < 0.01f) {
        m_bPlaying = FALSE;
        return;
    }
    if (speed < 0.0f) {
        speed = -speed;
        if (m_bPlaying) m_bForward = !m_bForward;
    }
    m_fSpeed = speed;
    m_fInvSpeed = 1.0f / speed;
    RebuildTimeTable();
    if (m_bPlaying) {
        m_fCurrTime = m_fPos * GetDuration();
        UpdateCurrFrame();
    }
}

HRESULT CMeshAni::SetCycle(DWORD start, DWORD end)
{
    if (!IsBuilt() || start > end || end >= m_dwNumFrames) return E_INVALIDARG;
    m_dwCycleStart = start;
    m_dwCycleEnd = end;
    SetSpeed(m_fSpeed);
    m_fCurrTime = m_fPos * GetDuration();
    UpdateCurrFrame();
    return S_OK;
}

void CMeshAni::SetPos(float pos)
{
    m_fPos = pos;
    m_fCurrTime = pos * GetDuration();
    UpdateCurrFrame();
}

void CMeshAni::SetPosByFrame(DWORD frame)
{
    if (frame <= m_dwCycleStart)
        frame = m_dwCycleStart;
    else if (frame >= m_dwCycleEnd)
        frame = m_dwCycleEnd;
    m_fPos = GetPos(frame);
    m_dwPrevFrame = m_dwCurrFrame;
    m_dwCurrFrame = frame;
}

void CMeshAni::UpdateCurrFrame()
{
    if (!IsBuilt()) return;
    DWORD i = m_dwCycleStart + 1;
    while (i < m_dwCycleEnd && !(T(i) > m_fCurrTime)) ++i;
    m_dwPrevFrame = m_dwCurrFrame;
    m_dwCurrFrame = i - 1;
    if (m_dwCycleEnd > m_dwCycleStart)
        m_fPos = float(m_dwCurrFrame - m_dwCycleStart) / float(m_dwCycleEnd - m_dwCycleStart);
}

HRESULT CMeshAni::SetAbsPosOfFrame(DWORD frame, float pos)
{
    if (!IsBuilt() || m_bPlaying || frame == 0 || frame + 1 >= m_dwNumFrames) return E_FAIL;
    pos = std::min(pos, m_pPositions[frame + 1]);
    pos = std::max(pos, m_pPositions[frame - 1]);
    m_pPositions[frame] = pos;
    return SetCycle(m_dwCycleStart, m_dwCycleEnd);
}

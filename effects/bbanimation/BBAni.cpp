#include "kestu_bbanimation.h"

#include <cfloat>
#include <cmath>
#include <new>

namespace {
// Past this many whole cycles the wrap is computed instead of stepped.
const float kStepWraps = 64.0f;
} // namespace

CBBAni::CBBAni(const CBBAni& other) : CAnimation(other) { *this = other; }

CBBAni& CBBAni::operator=(const CBBAni& other)
{
    if (this == &other) return *this;
    CAnimation::operator=(other);
    CBBAFrame* frames = nullptr;
    if (other.m_pFrames != nullptr) {
        frames = new CBBAFrame[other.m_dwFrameNumber];
        for (DWORD i = 0; i < other.m_dwFrameNumber; ++i) frames[i] = other.m_pFrames[i];
    }
    delete[] m_pFrames;
    m_pFrames = frames;
    m_dwCurrFrame = other.m_dwCurrFrame;
    m_dwPrevFrame = other.m_dwPrevFrame;
    m_dwFrameNumber = other.m_dwFrameNumber;
    m_dwCycleFirst = other.m_dwCycleFirst;
    m_dwCycleLast = other.m_dwCycleLast;
    m_fPosition = other.m_fPosition;
    m_fLastTime = other.m_fLastTime;
    return *this;
}

CBBAni::~CBBAni() { delete[] m_pFrames; }

int CBBAni::Build(const BBANIMATION_HEADER* header)
{
    if (header == nullptr) return 0;
    return Build(reinterpret_cast<const BYTE*>(header) + KESTU_BBANI_HEADER_SIZE, header->dwFrameNumber);
}

int CBBAni::Build(const BYTE* records, DWORD frameCount)
{
    // A sequence of no frames builds as an empty animation: it shows the
    // empty frame and has no cycle to play.
    if (frameCount == 0) {
        Release();
        m_dwPrevFrame = 0xFFFFFFFF;
        ResetToBegin();
        return 1;
    }
    if (records == nullptr) return 0;
    CBBAFrame* frames = new (std::nothrow) CBBAFrame[frameCount];
    if (frames == nullptr) return 0;
    for (DWORD i = 0; i < frameCount; ++i) frames[i].BuildFromRecord(records + size_t(i) * KESTU_BBANI_FRAME_SIZE);
    delete[] m_pFrames;
    m_pFrames = frames;
    m_dwFrameNumber = frameCount;
    m_dwPrevFrame = 0xFFFFFFFF;
    m_dwCycleFirst = 0;
    m_dwCycleLast = frameCount - 1;
    ResetToBegin();
    return 1;
}

void CBBAni::Release()
{
    delete[] m_pFrames;
    m_pFrames = nullptr;
    m_dwFrameNumber = 0;
    m_dwCycleFirst = m_dwCycleLast = 0;
    m_fPosition = 0.0f;
    m_fLastTime = 0.0f;
    m_dwCurrFrame = 0xFFFFFFFF;
}

CBBAFrame* CBBAni::GetFrame(DWORD index)
{
    if (m_pFrames == nullptr) return &g_BBAFEmpty;
    return index < m_dwFrameNumber ? &m_pFrames[index] : &m_pFrames[0];
}

float CBBAni::GetStartTime() const
{
    if (m_pFrames == nullptr || m_dwCycleFirst == 0) return 0.0f;
    return m_pFrames[m_dwCycleFirst - 1].m_Init.fTime;
}

float CBBAni::GetEndTime() const { return m_pFrames != nullptr ? m_pFrames[m_dwCycleLast].m_Init.fTime : 0.0f; }

void CBBAni::PickFrame(bool strict)
{
    if (m_pFrames == nullptr) return;
    DWORD pick = m_dwCycleLast;
    for (DWORD i = m_dwCycleFirst; i <= m_dwCycleLast; ++i) {
        const float t = m_pFrames[i].m_Init.fTime;
        if (strict ? t > m_fPosition : t >= m_fPosition) {
            pick = i;
            break;
        }
    }
    m_dwPrevFrame = m_dwCurrFrame;
    m_dwCurrFrame = pick;
}

void CBBAni::SetPosition(float position)
{
    const float start = GetStartTime(), end = GetEndTime();
    if (position <= 0.0f)
        m_fPosition = start;
    else if (position >= 1.0f)
        m_fPosition = end;
    else
        m_fPosition = start + (end - start) * position;
    PickFrame(true);
}

float CBBAni::GetPosition() const
{
    const float d = GetDuration();
    return d > 0.0f ? (m_fPosition - GetStartTime()) / d : 0.0f;
}

void CBBAni::SetTimeReference(float t)
{
    m_fPosition = t;
    PickFrame(true);
}

void CBBAni::SetCurrentFrame(DWORD index)
{
    if (m_pFrames == nullptr) return;
    if (index < m_dwCycleFirst) index = m_dwCycleFirst;
    if (index > m_dwCycleLast) index = m_dwCycleLast;
    if (m_bForward)
        m_fPosition = index == 0 ? 0.0f : m_pFrames[index - 1].m_Init.fTime;
    else
        m_fPosition = m_pFrames[index].m_Init.fTime;
    m_dwPrevFrame = m_dwCurrFrame;
    m_dwCurrFrame = index;
}

void CBBAni::SetCycle(DWORD first, DWORD last)
{
    if (m_pFrames == nullptr) return;
    if (last >= m_dwFrameNumber) last = m_dwFrameNumber - 1;
    if (first > last) first = last;
    m_dwCycleFirst = first;
    m_dwCycleLast = last;
}

void CBBAni::Play(float now, ENUM_ANIPLAY_MODE mode, int bForward, float startPosition)
{
    if (startPosition >= 0.0f) SetPosition(startPosition);
    m_fLastTime = now;
    m_ePlayMode = mode;
    m_bForward = bForward;
    m_bReturning = 0;
    m_bPlaying = 1;
}

float CBBAni::Advance(float now)
{
    const float dt = now - m_fLastTime;
    m_fLastTime = now;
    return dt;
}

void CBBAni::WrapUp()
{
    const float end = GetEndTime(), d = GetDuration();
    if (!(m_fPosition > end)) return;
    if (!(d > 0.0f)) {
        m_fPosition = end;
        return;
    }
    const float over = m_fPosition - end;
    if (over / d > kStepWraps) {
        // Whole cycles at once: what stepping down by d would leave.
        const float r = static_cast<float>(std::fmod(double(over), double(d)));
        m_fPosition = r > 0.0f ? GetStartTime() + r : end;
    }
    while (m_fPosition > end) m_fPosition -= d;
}

void CBBAni::WrapDown()
{
    const float start = GetStartTime(), d = GetDuration();
    if (!(m_fPosition < start)) return;
    if (!(d > 0.0f)) {
        m_fPosition = start;
        return;
    }
    const float under = start - m_fPosition;
    if (under / d > kStepWraps) {
        const float r = static_cast<float>(std::fmod(double(under), double(d)));
        m_fPosition = r > 0.0f ? GetEndTime() - r : start;
    }
    while (m_fPosition < start) m_fPosition += d;
}

void CBBAni::FrameMove(float now)
{
    const float dt = Advance(now);
    if (!m_bPlaying || m_pFrames == nullptr) return;
    const bool up = (m_bForward != 0) != (m_bReturning != 0);
    m_fPosition += up ? dt : -dt;
    const float start = GetStartTime(), end = GetEndTime();
    const bool pastEnd = up ? m_fPosition > end : m_fPosition < start;
    // NaN never passes an end, so a broken clock freezes the picture.
    if (std::isnan(m_fPosition)) m_fPosition = up ? end : start;
    if (pastEnd) {
        switch (m_ePlayMode) {
        case ANIPLAY_LOOP:
            if (up)
                WrapUp();
            else
                WrapDown();
            break;
        case ANIPLAY_PINGPONG_ONCE:
            m_fPosition = up ? end : start;
            if (m_bReturning)
                m_bPlaying = 0;
            else
                m_bReturning = 1;
            break;
        case ANIPLAY_PINGPONG:
            m_fPosition = up ? end : start;
            m_bReturning = !m_bReturning;
            break;
        default:
            m_fPosition = up ? end : start;
            m_bPlaying = 0;
            break;
        }
    }
    PickFrame(false);
}

const D3DXVECTOR2* CBBAni::GetOffset() { return &GetCurrentFrame()->m_Init.vOffset; }

int CBBAni::IsFirstFrameHead() const
{
    return m_dwCurrFrame == m_dwCycleFirst && m_dwCurrFrame != m_dwPrevFrame ? 1 : 0;
}

int CBBAni::IsLastFrameHead() const { return m_dwCurrFrame >= m_dwCycleLast && m_dwCurrFrame != m_dwPrevFrame ? 1 : 0; }

int CBBAni::IsXFrameHead(DWORD i) const { return m_dwCurrFrame == i && m_dwCurrFrame != m_dwPrevFrame ? 1 : 0; }

CBBAFrame* CBBAni::GetNextFrameCyclic(float now)
{
    m_fPosition += Advance(now);
    WrapUp();
    PickFrame(false);
    return GetCurrentFrame();
}

CBBAFrame* CBBAni::GetPreviousFrameCyclic(float now)
{
    m_fPosition -= Advance(now);
    WrapDown();
    PickFrame(false);
    return GetCurrentFrame();
}

CBBAFrame* CBBAni::GetNextFrame(float now)
{
    m_fPosition += Advance(now);
    if (m_fPosition > GetEndTime()) m_fPosition = GetEndTime();
    PickFrame(true);
    return GetCurrentFrame();
}

CBBAFrame* CBBAni::GetPreviousFrame(float now)
{
    m_fPosition -= Advance(now);
    if (m_fPosition < GetStartTime()) m_fPosition = GetStartTime();
    PickFrame(true);
    return GetCurrentFrame();
}

CBBAFrame* CBBAni::GetNextFrameChk(float now)
{
    m_fPosition += Advance(now);
    if (m_fPosition > GetEndTime()) {
        m_fPosition = GetEndTime();
        PickFrame(true);
        Stop();
        return &g_BBAFEmpty;
    }
    PickFrame(true);
    return GetCurrentFrame();
}

CBBAFrame* CBBAni::GetPreviousFrameChk(float now)
{
    m_fPosition -= Advance(now);
    if (m_fPosition < GetStartTime()) {
        m_fPosition = GetStartTime();
        PickFrame(true);
        Stop();
        return &g_BBAFEmpty;
    }
    PickFrame(true);
    return GetCurrentFrame();
}

namespace {
// Index of the extreme frame: `better(v, best)` decides whether v replaces it.
template <class Value, class Better>
DWORD Extreme(const CBBAFrame* frames, DWORD n, float start, float& out, Value value, Better better)
{
    out = start;
    DWORD index = 0;
    if (frames == nullptr || n == 0) return 0;
    for (DWORD i = 0; i < n; ++i) {
        const float v = value(frames[i].m_Init.size);
        if (better(v, out)) {
            out = v;
            index = i;
        }
    }
    return index;
}
float Width(const FSIZE& s) { return s.cx; }
float Height(const FSIZE& s) { return s.cy; }
bool AtLeast(float v, float best) { return v >= best; }
bool Below(float v, float best) { return v < best; }
} // namespace

DWORD CBBAni::GetMaxWidth(float& w) const { return Extreme(m_pFrames, m_dwFrameNumber, 0.0f, w, Width, AtLeast); }

DWORD CBBAni::GetMaxHeight(float& h) const { return Extreme(m_pFrames, m_dwFrameNumber, 0.0f, h, Height, AtLeast); }

DWORD CBBAni::GetMinWidth(float& w) const { return Extreme(m_pFrames, m_dwFrameNumber, FLT_MAX, w, Width, Below); }

DWORD CBBAni::GetMinHeight(float& h) const { return Extreme(m_pFrames, m_dwFrameNumber, FLT_MAX, h, Height, Below); }

void CBBAni::ChangeSpeedFromDefault(float s)
{
    if (s == 1.0f || m_pFrames == nullptr) return;
    for (DWORD i = 0; i < m_dwFrameNumber; ++i) m_pFrames[i].ChangeTimeReferenceFromDefault(s);
}

void CBBAni::ChangeSpeedFromCurrent(float s)
{
    if (s == 1.0f || m_pFrames == nullptr) return;
    for (DWORD i = 0; i < m_dwFrameNumber; ++i) m_pFrames[i].ChangeTimeReferenceFromCurrent(s);
}

void CBBAni::ResetSpeed()
{
    if (m_pFrames == nullptr) return;
    for (DWORD i = 0; i < m_dwFrameNumber; ++i) m_pFrames[i].ResetTimeReference();
}

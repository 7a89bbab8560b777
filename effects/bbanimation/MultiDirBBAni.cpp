#include "kestu_bbanimation.h"

#include <cmath>

namespace {
const float kTwoPi = 6.28318530718f;
} // namespace

int CMultiDirBBAni::Build(CAnimation** animations, DWORD count, float angle0, float step)
{
    if (animations == nullptr || count == 0) return 0;
    for (DWORD i = 0; i < count; ++i)
        if (animations[i] == nullptr) return 0;
    m_ppAnimations = animations;
    m_dwDirNumber = count;
    m_dwCurrDir = 0;
    m_fAngle0 = angle0;
    m_fStep = step;
    return 1;
}

void CMultiDirBBAni::Release()
{
    m_ppAnimations = nullptr;
    m_dwDirNumber = 0;
    m_dwCurrDir = 0;
}

DWORD CMultiDirBBAni::PickDirection(float angle) const
{
    if (m_dwDirNumber == 0 || !(m_fStep > 0.0f)) return 0;
    float a = angle - m_fAngle0;
    if (!std::isfinite(a)) return 0;
    a = std::fmod(a, kTwoPi);
    if (a < 0.0f) a += kTwoPi;
    // Direction i faces angle0 + i x step and owns half a step to each side.
    const DWORD sector = static_cast<DWORD>(std::floor((a + m_fStep * 0.5f) / m_fStep));
    return sector % m_dwDirNumber;
}

void CMultiDirBBAni::FrameMove(float now, float angle)
{
    if (Clock() == nullptr) return;
    m_dwCurrDir = PickDirection(angle);
    Clock()->FrameMove(now);
}

void CMultiDirBBAni::FrameMove(float now)
{
    if (Clock() != nullptr) Clock()->FrameMove(now);
}

CBBAFrame* CMultiDirBBAni::GetCurrentFrame()
{
    if (Clock() == nullptr) return &g_BBAFEmpty;
    return m_ppAnimations[m_dwCurrDir]->GetFrame(Clock()->GetCurrentFrameIdx());
}

int CMultiDirBBAni::IsPlaying()
{
    m_bPlaying = Clock() != nullptr ? Clock()->IsPlaying() : 0;
    return m_bPlaying;
}

void CMultiDirBBAni::Play(float now, ENUM_ANIPLAY_MODE mode, int bForward, float startPosition)
{
    m_ePlayMode = mode;
    m_bForward = bForward;
    if (Clock() != nullptr) Clock()->Play(now, mode, bForward, startPosition);
}

void CMultiDirBBAni::Stop()
{
    if (Clock() != nullptr) Clock()->Stop();
}

void CMultiDirBBAni::SetPosition(float position)
{
    if (Clock() != nullptr) Clock()->SetPosition(position);
}

float CMultiDirBBAni::GetPosition() const { return Clock() != nullptr ? Clock()->GetPosition() : 0.0f; }

void CMultiDirBBAni::SetTimeReference(float t)
{
    if (Clock() != nullptr) Clock()->SetTimeReference(t);
}

float CMultiDirBBAni::GetTimeReference() const { return Clock() != nullptr ? Clock()->GetTimeReference() : 0.0f; }

float CMultiDirBBAni::GetStartTime() const { return Clock() != nullptr ? Clock()->GetStartTime() : 0.0f; }

float CMultiDirBBAni::GetEndTime() const { return Clock() != nullptr ? Clock()->GetEndTime() : 0.0f; }

CBBAFrame* CMultiDirBBAni::GetFrame(DWORD index)
{
    return Clock() != nullptr ? Clock()->GetFrame(index) : &g_BBAFEmpty;
}

void CMultiDirBBAni::SetCurrentFrame(DWORD index)
{
    if (Clock() != nullptr) Clock()->SetCurrentFrame(index);
}

DWORD CMultiDirBBAni::GetCurrentFrameIdx() const { return Clock() != nullptr ? Clock()->GetCurrentFrameIdx() : 0; }

DWORD CMultiDirBBAni::GetFrameNumber() const { return Clock() != nullptr ? Clock()->GetFrameNumber() : 0; }

DWORD CMultiDirBBAni::GetActiveFrameNumber() const { return Clock() != nullptr ? Clock()->GetActiveFrameNumber() : 0; }

void CMultiDirBBAni::SetCycle(DWORD first, DWORD last)
{
    if (Clock() != nullptr) Clock()->SetCycle(first, last);
}

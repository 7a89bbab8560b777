#include <new>

#include "kestu_bbanimation.h"
#include "kestu_billboard.h"
#include "kestu_eye.h"

namespace {
const float kTwoPi = 6.28318530718f;
} // namespace

CBBMultiDir::~CBBMultiDir() { DeleteBBAnimationGroup(m_ppSDAnimations, m_dwSDAniNumber); }

HRESULT CBBMultiDir::Build(const SBBInit* init)
{
    const HRESULT hr = CBBRect::Build(init);
    if (FAILED(hr)) return hr;
    // The buffer's animations are the single-direction set; the billboard's
    // own animations are the multi-directional ones over it.
    m_ppSDAnimations = m_ppAnimations;
    m_dwSDAniNumber = m_dwAniNumber;
    m_ppAnimations = nullptr;
    m_dwAniNumber = 0;
    const auto* multi = dynamic_cast<const SBBMultiDirInit*>(init);
    if (multi == nullptr) return S_OK;
    m_fDirection = multi->fDirection;
    const DWORD count = multi->dwMultiDirAniNumber, directions = multi->dwDirectionNumber;
    // Every direction needs an animation of the set.
    if (count == 0 || directions == 0 || directions > m_dwSDAniNumber) return S_OK;
    CAnimation** group = new (std::nothrow) CAnimation*[count]();
    if (group == nullptr) return E_OUTOFMEMORY;
    m_ppAnimations = group;
    for (DWORD i = 0; i < count; ++i) {
        auto* ani = new (std::nothrow) CMultiDirBBAni;
        if (ani == nullptr) return E_OUTOFMEMORY;
        group[i] = ani;
        // Counted as made, so every animation the billboard names exists.
        m_dwAniNumber = i + 1;
        ani->Build(m_ppSDAnimations, directions, 0.0f, kTwoPi / static_cast<float>(directions));
    }
    return S_OK;
}

void CBBMultiDir::Release()
{
    CBBRect::Release();
    DeleteBBAnimationGroup(m_ppSDAnimations, m_dwSDAniNumber);
    m_dwSDAniNumber = 0;
}

CAnimation* CBBMultiDir::GetSDAni(DWORD index) const
{
    return index < m_dwSDAniNumber ? m_ppSDAnimations[index] : nullptr;
}

void CBBMultiDir::FrameMove(float now)
{
    const float seen = m_pEye != nullptr ? m_pEye->GetRelAngel(m_vPos.x, m_vPos.z) : 0.0f;
    const float angle = seen - m_fDirection;
    ApplyCurrentAnimation(now, &angle);
}

#include "kestu_particle.h"

#include <cstdlib>

#include "effects/particles/ParticleHeap.h"

static_assert(sizeof(CParticle) <= 104, "an ordinary particle fits a slot of the particle heap");

void* CParticleBase::operator new(size_t size)
{
    if (void* p = ParticleHeapAllocate(size)) return p;
    throw std::bad_alloc();
}

void* CParticleBase::operator new(size_t size, const std::nothrow_t&) noexcept { return ParticleHeapAllocate(size); }

void CParticleBase::operator delete(void* p, size_t size) noexcept { ParticleHeapFree(p, size); }

CParticleBase::CParticleBase()
    : m_vVelocity{}, m_vPosition{}, m_fLifeTime(0.0f), m_fVelLength2(0.0f), m_vVelNormal{}, m_fWeight(1.0f)
{
    const int r = rand() % 100;
    m_vVelocity[r % 3] = static_cast<float>(r) * 0.01f;
}

void CParticleBase::CopyMotion(const CParticleBase& other)
{
    m_fWeight = other.m_fWeight;
    for (int i = 0; i < 4; ++i) {
        m_vVelocity[i] = other.m_vVelocity[i];
        m_vVelNormal[i] = other.m_vVelNormal[i];
        m_vPosition[i] = other.m_vPosition[i];
    }
    m_fLifeTime = other.m_fLifeTime;
    m_fVelLength2 = other.m_fVelLength2;
}

void CParticleBase::Clear()
{
    m_fWeight = 0.0f;
    m_fLifeTime = 0.0f;
    m_fVelLength2 = 0.0f;
    for (int i = 0; i < 4; ++i) m_vVelocity[i] = m_vVelNormal[i] = m_vPosition[i] = 0.0f;
}

void CParticle::SetColor(const float* rgb)
{
    DWORD channel[3];
    for (int i = 0; i < 3; ++i) {
        // Truncated toward zero like an integer conversion; values beyond an
        // int's range wrap instead of being undefined.
        const float scaled = rgb[i] * 255.0f;
        if (scaled > -2147483648.0f && scaled < 2147483648.0f) {
            channel[i] = static_cast<DWORD>(static_cast<int32_t>(scaled)) & 0xFF;
        } else {
            const double whole = std::trunc(static_cast<double>(scaled));
            const double wrapped = std::isfinite(whole) ? std::fmod(whole, 4294967296.0) : 0.0;
            channel[i] = static_cast<DWORD>(static_cast<int64_t>(wrapped)) & 0xFF;
        }
    }
    m_dwColor = 0xFF000000u | channel[0] << 16 | channel[1] << 8 | channel[2];
}

#include "kestu_particle.h"

#include <cstdlib>

CParticleBase::CParticleBase()
    : m_fWeight(1.0f), m_vVelocity{}, m_fLifeTime(0.0f), m_fVelLength2(0.0f), m_vVelNormal{}, m_vPosition{}
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
        const double scaled = std::trunc(static_cast<double>(rgb[i] * 255.0f));
        const double wrapped = std::isfinite(scaled) ? std::fmod(scaled, 4294967296.0) : 0.0;
        channel[i] = static_cast<DWORD>(static_cast<int64_t>(wrapped)) & 0xFF;
    }
    m_dwColor = 0xFF000000u | channel[0] << 16 | channel[1] << 8 | channel[2];
}

#include <new>

#include "kestu_particle.h"
#include "effects/particles/ParticlePool.h"

CParticleFreeList* ParticleFreeList = nullptr;

bool CParticleFreeList::Give(CParticleBase* particle)
{
    if (m_nCount == m_Ring.size()) {
        // Full: the ring is laid out again, oldest first, in a buffer twice
        // the size.
        std::vector<CParticleBase*> bigger;
        try {
            bigger.reserve(m_Ring.empty() ? 256 : m_Ring.size() * 2);
        } catch (const std::bad_alloc&) {
            return false;
        }
        for (size_t i = 0; i < m_nCount; ++i) bigger.push_back(m_Ring[(m_nHead + i) % m_Ring.size()]);
        bigger.resize(bigger.capacity());
        m_Ring.swap(bigger);
        m_nHead = 0;
    }
    size_t tail = m_nHead + m_nCount;
    if (tail >= m_Ring.size()) tail -= m_Ring.size();
    m_Ring[tail] = particle;
    ++m_nCount;
    return true;
}

void CParticleFreeList::DeleteAll()
{
    while (CParticleBase* p = Take()) delete p;
}

CParticleBase* AllocParticle()
{
    if (ParticleFreeList) {
        if (CParticleBase* p = ParticleFreeList->Take()) return p;
    }
    return new (std::nothrow) CParticle;
}

void FreeParticle(CParticleBase* particle)
{
    if (!particle) return;
    if (!ParticleFreeList || !ParticleFreeList->Give(particle)) delete particle;
}

void RegisterParticleUser()
{
    if (!ParticleFreeList) ParticleFreeList = new CParticleFreeList;
    ++ParticleFreeList->m_nUsers;
}

void UnregisterParticleUser()
{
    if (!ParticleFreeList || ParticleFreeList->m_nUsers <= 0) return;
    if (--ParticleFreeList->m_nUsers == 0) ParticleFreeList->DeleteAll();
}

#include <new>

#include "kestu_particle.h"

CParticleFreeList* ParticleFreeList = nullptr;

CParticleBase* CParticleFreeList::Take()
{
    CParticleBase* p = m_pHead;
    if (!p) return nullptr;
    m_pHead = p->m_pNext;
    if (!m_pHead) m_pTail = nullptr;
    p->m_pNext = p->m_pPrev = nullptr;
    --m_nCount;
    return p;
}

void CParticleFreeList::Give(CParticleBase* particle)
{
    particle->m_pNext = nullptr;
    particle->m_pPrev = m_pTail;
    if (m_pTail)
        m_pTail->m_pNext = particle;
    else
        m_pHead = particle;
    m_pTail = particle;
    ++m_nCount;
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
    if (ParticleFreeList)
        ParticleFreeList->Give(particle);
    else
        delete particle;
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

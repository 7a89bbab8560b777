#include "effects/particles/ReadBounds.h"

#include <cinttypes>

#include "kestu_log.h"
#include "kestu_particlesystemmng.h"

bool ParticleReadTotals::Add(CParticleSystem& system)
{
    uint64_t particles = 0;
    const uint64_t groups = system.GetGroupCount();
    CParticleSystem::group_iterator it = system.FirstGroupPosition();
    while (const CParticleGroup* group = system.NextGroup(it)) particles += group->GetMaxParticleNumber();
    ++m_nSystems;
    m_nGroups += groups;
    m_nParticles += particles;
    m_nVisits += uint64_t{system.GetActionCount()} * (groups + particles);
    return Within("systems", m_nSystems, CParticleSystemMng::kMaxReadSystems) &&
           Within("groups", m_nGroups, CParticleSystemMng::kMaxReadGroups) &&
           Within("particles (the sum of the groups' maximums)", m_nParticles, CParticleSystemMng::kMaxReadParticles) &&
           Within("action visits a step", m_nVisits, CParticleSystemMng::kMaxReadActionVisits);
}

bool ParticleReadTotals::Within(const char* what, uint64_t total, uint64_t bound) const
{
    if (total <= bound) return true;
    KestuSaveLog(KESTU_LOG_ERROR,
                 "Error: particle %s refused: it asks for more than %" PRIu64 " %s (%" PRIu64 " so far)\n", m_szInput,
                 bound, what, total);
    return false;
}

#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"

SPPS_ACTION_SINK::SPPS_ACTION_SINK(DWORD type, int killInside, EPPS_DOMAIN_TYPE domainType, float a0, float a1,
                                   float a2, float a3, float a4, float a5, float a6, float a7, float a8)
    : SPPS_ACTION_BASE(PPS_ACTION_SINK, 184), domain(domainType, a0, a1, a2, a3, a4, a5, a6, a7, a8), nType(type),
      bKillInside(killInside)
{
}

HRESULT SPPS_ACTION_SINK::Update(CParticleGroup* group)
{
    if (nType != 0 && nType != 1) return 0;
    CParticleGroup::iterator it, end;
    group->FirstParticle(it);
    group->LastParticle(end);
    while (it != end) {
        CParticleBase* p = *it;
        const float* tested = nType == 0 ? p->GetPosition() : p->GetVelocity();
        if (domain.IsWithin(tested) == bKillInside)
            group->RemoveAt(it);
        else
            ++it;
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_SINK::domain>("domain", ScriptForm::Domain, Rec(0)),
    Field<&SPPS_ACTION_SINK::bKillInside>("bKillInside", ScriptForm::Value, Rec(1)),
    Field<&SPPS_ACTION_SINK::nType>("nType", ScriptForm::Value, Rec(2)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_SINK, kFields)

#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"

SPPS_ACTION_KILL::SPPS_ACTION_KILL(float ageLimit, int killLessThan)
    : SPPS_ACTION_BASE(PPS_ACTION_KILL, 116), fAgeLimit(ageLimit), bKillLessThan(killLessThan)
{
}

HRESULT SPPS_ACTION_KILL::Update(CParticleGroup* group)
{
    if (!bKillLessThan) return 0;
    const float limit = fAgeLimit;
    CParticleGroup::iterator it, end;
    group->FirstParticle(it);
    group->LastParticle(end);
    while (it != end) {
        if ((*it)->GetLifeTime() > limit)
            group->RemoveAt(it);
        else
            ++it;
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_KILL::fAgeLimit>("fAgeLimit", ScriptForm::Value, Rec(0)),
    Field<&SPPS_ACTION_KILL::bKillLessThan>("bKillLessThan", ScriptForm::Value, Rec(1)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_KILL, kFields)

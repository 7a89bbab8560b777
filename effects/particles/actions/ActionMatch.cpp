#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_MATCH::SPPS_ACTION_MATCH() : SPPS_ACTION_BASE(PPS_ACTION_MATCH, 120) {}

HRESULT SPPS_ACTION_MATCH::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    ForEachPair(group, [&](CParticleBase* i, CParticleBase* j, const D3DXVECTOR3& d) {
        const float d2 = Dot(d, d);
        if (!(d2 < fMaxRadius)) return;
        const float softened = d2 + fEpsilon;
        if (softened == 0.0f) return;
        const float f = magdt / softened;
        const D3DXVECTOR3 vj = Vec(j->GetVelocity());
        SetVelocity(i, Vec(i->GetVelocity()) + Scaled(vj, f));
        SetVelocity(j, vj - Scaled(vj, f));
    });
    return 0;
}

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_MATCH, kForceFields<SPPS_ACTION_MATCH>)

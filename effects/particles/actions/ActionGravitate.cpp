#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_GRAVITATE::SPPS_ACTION_GRAVITATE(float magnitude, float epsilon, float maxRadius)
    : SPPS_ACTION_BASE(PPS_ACTION_GRAVITATE, 120), fMagnitude(magnitude), fEpsilon(epsilon), fMaxRadius(maxRadius)
{
}

HRESULT SPPS_ACTION_GRAVITATE::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    const float maxSqr = fMaxRadius * fMaxRadius;
    ForEachPair(group, [&](CParticleBase* i, CParticleBase* j, const D3DXVECTOR3& d) {
        const float lenSqr = Dot(d, d);
        // Two particles at one point have no direction to attract along.
        if (!(lenSqr < maxSqr) || lenSqr == 0.0f) return;
        const float len = std::sqrt(lenSqr);
        const float f = magdt / ((lenSqr + fEpsilon) * len);
        const D3DXVECTOR3 pull = Scaled(d, f);
        SetVelocity(i, Vec(i->GetVelocity()) + pull);
        SetVelocity(j, Vec(j->GetVelocity()) - pull);
    });
    return 0;
}

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_GRAVITATE, kForceFields<SPPS_ACTION_GRAVITATE>)

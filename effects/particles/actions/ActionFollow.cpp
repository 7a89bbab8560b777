#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_FOLLOW::SPPS_ACTION_FOLLOW(float magnitude, float epsilon, float maxRadius)
    : SPPS_ACTION_BASE(PPS_ACTION_FOLLOW, 120), fMagnitude(magnitude), fEpsilon(epsilon), fMaxRadius(maxRadius)
{
}

HRESULT SPPS_ACTION_FOLLOW::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    const float maxSqr = fMaxRadius * fMaxRadius;
    if (maxSqr >= 100000.0f) return 0;
    CParticleGroup::iterator it = group->begin();
    const CParticleGroup::iterator end = group->end();
    if (it == end) return 0;
    CParticleBase* previous = *it;
    D3DXVECTOR3 previousPos = Vec(previous->GetPosition());
    for (++it; it != end; ++it) {
        CParticleBase* p = *it;
        const D3DXVECTOR3 pos = Vec(p->GetPosition());
        const D3DXVECTOR3 d = pos - previousPos;
        const float lenSqr = Dot(d, d);
        const float len = std::sqrt(lenSqr);
        // Two particles at one point give no direction to follow.
        if (len < fMaxRadius && len > 0.0f)
            SetVelocity(previous, Vec(previous->GetVelocity()) + Scaled(d, magdt / ((lenSqr + fEpsilon) * len)));
        previous = p;
        previousPos = pos;
    }
    return 0;
}

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_FOLLOW, kForceFields<SPPS_ACTION_FOLLOW>)

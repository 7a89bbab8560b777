#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_ORBIT::SPPS_ACTION_ORBIT(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius)
    : SPPS_ACTION_BASE(PPS_ACTION_ORBIT), vCenter(cx, cy, cz), fMagnitude(magnitude), fEpsilon(epsilon),
      fMaxRadius(maxRadius)
{
}

HRESULT SPPS_ACTION_ORBIT::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    const float maxSqr = fMaxRadius * fMaxRadius;
    // From 1e16 on every particle is in reach and no distance is tested.
    const bool everywhere = maxSqr >= 1.0e16f;
    for (CParticleBase* p : *group) {
        const D3DXVECTOR3 d = vCenter - Vec(p->GetPosition());
        const float r2 = Dot(d, d);
        if (!everywhere && !(r2 < maxSqr)) continue;
        const float softened = r2 + fEpsilon + std::sqrt(r2);
        if (softened == 0.0f) continue;
        SetVelocity(p, Vec(p->GetVelocity()) + Scaled(d, magdt / softened));
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_ORBIT::fEpsilon>("fEpsilon", ScriptForm::Value, Rec(1)),
    Field<&SPPS_ACTION_ORBIT::fMagnitude>("fMagnitude", ScriptForm::Value, Rec(0)),
    Field<&SPPS_ACTION_ORBIT::fMaxRadius>("fMaxRadius", ScriptForm::Value, Rec(2)),
    Field<&SPPS_ACTION_ORBIT::vCenter>("OrbitCenter", ScriptForm::Flat, Extra(0), "vCenter"),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_ORBIT, kFields)

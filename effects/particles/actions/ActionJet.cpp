#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_JET::SPPS_ACTION_JET(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius)
    : SPPS_ACTION_BASE(PPS_ACTION_JET, 200), vCenter(cx, cy, cz), fMagnitude(magnitude), fEpsilon(epsilon),
      fMaxRadius(maxRadius)
{
}

HRESULT SPPS_ACTION_JET::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    for (CParticleBase* p : *group) {
        const D3DXVECTOR3 d = Vec(p->GetPosition()) - vCenter;
        const float r = std::sqrt(Dot(d, d));
        if (!(r < fMaxRadius)) continue;
        D3DXVECTOR3 a;
        domain.Generate(a);
        const float softened = r + fEpsilon;
        // The draw is taken either way; a zero distance without softening
        // has no finite push.
        if (softened != 0.0f) SetVelocity(p, Vec(p->GetVelocity()) + Scaled(a, magdt / softened));
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_JET::vCenter>("vCenter", ScriptForm::Vector, Rec(0)),
    Field<&SPPS_ACTION_JET::fEpsilon>("fEpsilon", ScriptForm::Value, Rec(1)),
    Field<&SPPS_ACTION_JET::fMagnitude>("fMagnitude", ScriptForm::Value, Rec(2)),
    Field<&SPPS_ACTION_JET::fMaxRadius>("fMaxRadius", ScriptForm::Value, Rec(3)),
    Field<&SPPS_ACTION_JET::domain>("JetDomain", ScriptForm::Flat, Extra(0), "domain"),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_JET, kFields)

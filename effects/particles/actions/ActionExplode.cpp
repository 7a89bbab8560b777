#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_EXPLODE::SPPS_ACTION_EXPLODE(float cx, float cy, float cz, float velocity, float magnitude, float stdev,
                                         float epsilon, float age)
    : SPPS_ACTION_BASE(PPS_ACTION_EXPLODE, 140), vCenter(cx, cy, cz), fVelocity(velocity), fMagnitude(magnitude),
      fStdev(stdev), fAge(age), fEpsilon(epsilon)
{
}

HRESULT SPPS_ACTION_EXPLODE::Update(CParticleGroup* group)
{
    // A wave without width pushes nothing (the Gaussian would be 0 times
    // infinity).
    if (fStdev == 0.0f) return 0;
    const float radius = fVelocity * fAge;
    const float magdt = fMagnitude * fDeltaTime;
    const float s = 1.0f / fStdev;
    const float inexp = -0.5f * (s * s);
    const float norm = 0.3989423f * s;
    for (CParticleBase* p : *group) {
        const D3DXVECTOR3 d = Vec(p->GetPosition()) - vCenter;
        const float distSqr = Dot(d, d);
        const float dist = std::sqrt(distSqr);
        // A particle at the centre has no direction to be pushed in.
        if (dist == 0.0f) continue;
        const float off = radius - dist;
        const float g = std::exp(off * off * inexp) * norm * magdt;
        const float f = g / ((distSqr + fEpsilon) * dist);
        SetVelocity(p, Vec(p->GetVelocity()) + Scaled(d, f));
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_EXPLODE::vCenter>("vCenter", ScriptForm::Vector, Rec(0)),
    Field<&SPPS_ACTION_EXPLODE::fMagnitude>("fMagnitude", ScriptForm::Value, Rec(1)),
    Field<&SPPS_ACTION_EXPLODE::fAge>("fAge", ScriptForm::Value, Rec(2)),
    Field<&SPPS_ACTION_EXPLODE::fEpsilon>("fEpsilon", ScriptForm::Value, Rec(3)),
    Field<&SPPS_ACTION_EXPLODE::fStdev>("fStdev", ScriptForm::Value, Rec(4)),
    Field<&SPPS_ACTION_EXPLODE::fVelocity>("fVelocity", ScriptForm::Value, Rec(5)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_EXPLODE, kFields)

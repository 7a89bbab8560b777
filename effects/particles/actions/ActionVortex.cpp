#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_VORTEX::SPPS_ACTION_VORTEX(float cx, float cy, float cz, const D3DXVECTOR3& axis, float magnitude,
                                       float epsilon, float maxRadius)
    : SPPS_ACTION_BASE(PPS_ACTION_VORTEX, 144), vCenter(cx, cy, cz), vAxis(axis), fMagnitude(magnitude),
      fEpsilon(epsilon), fMaxRadius(maxRadius)
{
}

HRESULT SPPS_ACTION_VORTEX::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    const float maxSqr = fMaxRadius * fMaxRadius;
    for (CParticleBase* p : *group) {
        const D3DXVECTOR3 d = Vec(p->GetPosition()) - vCenter;
        const float r2 = Dot(d, d);
        // A particle on the centre has no direction to turn; it stays.
        if (!(r2 <= maxSqr) || r2 == 0.0f) continue;
        const float r = std::sqrt(r2);
        const D3DXVECTOR3 u = Divided(d, r);
        const D3DXVECTOR3 along = Scaled(vAxis, Dot(u, vAxis));
        const D3DXVECTOR3 across = u - along;
        const float theta = magdt / (r2 + fEpsilon);
        const D3DXVECTOR3 turned =
            Scaled(across, std::cos(theta)) + Scaled(Cross(vAxis, across), std::sin(theta)) + along;
        const D3DXVECTOR3 pos = vCenter + Scaled(turned, r);
        p->SetPosition(&pos.x);
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_VORTEX::vCenter>("vCenter", ScriptForm::Vector, Rec(0)),
    Field<&SPPS_ACTION_VORTEX::vAxis>("vAxis", ScriptForm::Vector, Rec(1)),
    Field<&SPPS_ACTION_VORTEX::fEpsilon>("fEpsilon", ScriptForm::Value, Rec(2)),
    Field<&SPPS_ACTION_VORTEX::fMagnitude>("fMagnitude", ScriptForm::Value, Rec(3)),
    Field<&SPPS_ACTION_VORTEX::fMaxRadius>("fMaxRadius", ScriptForm::Value, Rec(4)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_VORTEX, kFields)

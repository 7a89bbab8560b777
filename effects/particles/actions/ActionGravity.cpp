#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_GRAVITY::SPPS_ACTION_GRAVITY(float x, float y, float z)
    : SPPS_ACTION_BASE(PPS_ACTION_GRAVITY, 120), vDirection(x, y, z)
{
}

HRESULT SPPS_ACTION_GRAVITY::Update(CParticleGroup* group)
{
    const float dx = fDeltaTime * vDirection.x;
    const float dy = fDeltaTime * vDirection.y;
    const float dz = fDeltaTime * vDirection.z;
    group->ForEachParticle([=](CParticleBase* p) {
        const float* v = p->GetVelocity();
        const float next[3] = {v[0] + dx, v[1] + dy, v[2] + dz};
        p->SetVelocity(next);
    });
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_GRAVITY::vDirection>("vDirection", ScriptForm::VectorBare, Rec(0)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_GRAVITY, kFields)

#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_DAMP::SPPS_ACTION_DAMP(float x, float y, float z, float vHighSqr, float vLowSqr)
    : SPPS_ACTION_BASE(PPS_ACTION_DAMP), fDamping(x, y, z), fVlowSqr(vLowSqr), fVhighSqr(vHighSqr)
{
}

HRESULT SPPS_ACTION_DAMP::Update(CParticleGroup* group)
{
    const float dt = fDeltaTime;
    const float sx = 1.0f - (1.0f - fDamping.x) * dt;
    const float sy = 1.0f - (1.0f - fDamping.y) * dt;
    const float sz = 1.0f - (1.0f - fDamping.z) * dt;
    const float low = fVlowSqr, high = fVhighSqr;
    // The stored squared speed is the one SetVelocity last derived; the
    // in-place scaling leaves it (and the direction) as it was.
    group->ForEachParticle([=](CParticleBase* p) {
        const float speed2 = p->GetVelocity2();
        if (!(low < speed2 && speed2 < high)) return;
        float* v = p->GetVelocity();
        v[0] *= sx;
        v[1] *= sy;
        v[2] *= sz;
    });
    return 0;
}

namespace {
// The record both forms hold keeps x alone; y and z only the second form.
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_DAMP::fDamping>("fDamping", ScriptForm::VectorTab, RecordPlace{0, 0}),
    Field<&SPPS_ACTION_DAMP::fVhighSqr>("fVhighSqr", ScriptForm::Value, Rec(1)),
    Field<&SPPS_ACTION_DAMP::fVlowSqr>("fVlowSqr", ScriptForm::Value, Rec(2)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_DAMP, kFields)

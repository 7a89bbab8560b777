#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_MOVE::SPPS_ACTION_MOVE() : SPPS_ACTION_BASE(PPS_ACTION_MOVE, 108) {}

HRESULT SPPS_ACTION_MOVE::Update(CParticleGroup* group)
{
    const float dt = fDeltaTime;
    group->ForEachParticle([dt](CParticleBase* p) {
        p->SetLifeTime(p->GetLifeTime() + dt);
        float* pos = p->GetPosition();
        const float* v = p->GetVelocity();
        pos[0] += v[0] * dt;
        pos[1] += v[1] * dt;
        pos[2] += v[2] * dt;
    });
    return 0;
}

HRESULT SPPS_ACTION_MOVE::CreateFromScript(CDataChunk& chunk)
{
    return ReadFieldScript(*this, chunk, RecordFieldList());
}

HRESULT SPPS_ACTION_MOVE::WriteToScript(std::ostream& out) { return WriteFieldScript(*this, out, RecordFieldList()); }

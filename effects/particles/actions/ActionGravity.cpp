#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
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

HRESULT SPPS_ACTION_GRAVITY::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) { f.Vec3(vDirection); });
}

HRESULT SPPS_ACTION_GRAVITY::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        if (ScriptKeyIs(line, "vDirection")) ReadVectorBlock(chunk, vDirection);
    });
    return 0;
}

HRESULT SPPS_ACTION_GRAVITY::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    out << "\tvDirection";
    WriteVectorBlock(out, vDirection);
    CloseActionBlock(out);
    return 0;
}

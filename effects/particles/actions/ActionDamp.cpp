#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
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

HRESULT SPPS_ACTION_DAMP::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.F32(fDamping.x);
        f.F32(fVhighSqr);
        f.F32(fVlowSqr);
        if (f.Full()) {
            f.F32(fDamping.y);
            f.F32(fDamping.z);
        }
    });
}

HRESULT SPPS_ACTION_DAMP::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        if (ScriptKeyIs(line, "fDamping")) {
            ReadVectorBlock(chunk, fDamping);
            return;
        }
        ReadKeyValue(line, "fVhighSqr", fVhighSqr) || ReadKeyValue(line, "fVlowSqr", fVlowSqr);
    });
    return 0;
}

HRESULT SPPS_ACTION_DAMP::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    out << "\tfDamping\t";
    WriteVectorBlock(out, fDamping);
    out << "\n";
    WriteValueLine(out, "\tfVhighSqr\t", fVhighSqr);
    WriteValueLine(out, "\tfVlowSqr\t", fVlowSqr);
    CloseActionBlock(out);
    return 0;
}

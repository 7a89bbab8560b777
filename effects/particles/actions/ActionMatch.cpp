#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_MATCH::SPPS_ACTION_MATCH() : SPPS_ACTION_BASE(PPS_ACTION_MATCH, 120) {}

HRESULT SPPS_ACTION_MATCH::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    const CParticleGroup::iterator end = group->end();
    for (CParticleGroup::iterator a = group->begin(); a != end; ++a) {
        CParticleBase* i = *a;
        const D3DXVECTOR3 pi = Vec(i->GetPosition());
        CParticleGroup::iterator b = a;
        for (++b; b != end; ++b) {
            CParticleBase* j = *b;
            const D3DXVECTOR3 d = Vec(j->GetPosition()) - pi;
            const float d2 = Dot(d, d);
            if (!(d2 < fMaxRadius)) continue;
            const float softened = d2 + fEpsilon;
            if (softened == 0.0f) continue;
            const float f = magdt / softened;
            const D3DXVECTOR3 vj = Vec(j->GetVelocity());
            SetVelocity(i, Vec(i->GetVelocity()) + Scaled(vj, f));
            SetVelocity(j, vj - Scaled(vj, f));
        }
    }
    return 0;
}

HRESULT SPPS_ACTION_MATCH::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.F32(fEpsilon);
        f.F32(fMagnitude);
        f.F32(fMaxRadius);
    });
}

HRESULT SPPS_ACTION_MATCH::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        ReadKeyValue(line, "fEpsilon", fEpsilon) || ReadKeyValue(line, "fMagnitude", fMagnitude) ||
            ReadKeyValue(line, "fMaxRadius", fMaxRadius);
    });
    return 0;
}

HRESULT SPPS_ACTION_MATCH::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    WriteValueLine(out, "\tfEpsilon\t", fEpsilon);
    WriteValueLine(out, "\tfMagnitude\t", fMagnitude);
    WriteValueLine(out, "\tfMaxRadius\t", fMaxRadius);
    CloseActionBlock(out);
    return 0;
}

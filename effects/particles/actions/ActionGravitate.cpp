#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_GRAVITATE::SPPS_ACTION_GRAVITATE(float magnitude, float epsilon, float maxRadius)
    : SPPS_ACTION_BASE(PPS_ACTION_GRAVITATE, 120), fMagnitude(magnitude), fEpsilon(epsilon), fMaxRadius(maxRadius)
{
}

HRESULT SPPS_ACTION_GRAVITATE::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    const float maxSqr = fMaxRadius * fMaxRadius;
    const CParticleGroup::iterator end = group->end();
    for (CParticleGroup::iterator a = group->begin(); a != end; ++a) {
        CParticleBase* i = *a;
        const D3DXVECTOR3 pi = Vec(i->GetPosition());
        CParticleGroup::iterator b = a;
        for (++b; b != end; ++b) {
            CParticleBase* j = *b;
            const D3DXVECTOR3 d = Vec(j->GetPosition()) - pi;
            const float lenSqr = Dot(d, d);
            // Two particles at one point have no direction to attract along.
            if (!(lenSqr < maxSqr) || lenSqr == 0.0f) continue;
            const float len = std::sqrt(lenSqr);
            const float f = magdt / ((lenSqr + fEpsilon) * len);
            const D3DXVECTOR3 pull = Scaled(d, f);
            SetVelocity(i, Vec(i->GetVelocity()) + pull);
            SetVelocity(j, Vec(j->GetVelocity()) - pull);
        }
    }
    return 0;
}

HRESULT SPPS_ACTION_GRAVITATE::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.F32(fEpsilon);
        f.F32(fMagnitude);
        f.F32(fMaxRadius);
    });
}

HRESULT SPPS_ACTION_GRAVITATE::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        ReadKeyValue(line, "fEpsilon", fEpsilon) || ReadKeyValue(line, "fMagnitude", fMagnitude) ||
            ReadKeyValue(line, "fMaxRadius", fMaxRadius);
    });
    return 0;
}

HRESULT SPPS_ACTION_GRAVITATE::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    WriteValueLine(out, "\tfEpsilon\t", fEpsilon);
    WriteValueLine(out, "\tfMagnitude\t", fMagnitude);
    WriteValueLine(out, "\tfMaxRadius\t", fMaxRadius);
    CloseActionBlock(out);
    return 0;
}

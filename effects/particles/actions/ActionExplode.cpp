#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
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

HRESULT SPPS_ACTION_EXPLODE::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.Vec3(vCenter);
        f.F32(fMagnitude);
        f.F32(fAge);
        f.F32(fEpsilon);
        f.F32(fStdev);
        f.F32(fVelocity);
    });
}

HRESULT SPPS_ACTION_EXPLODE::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        if (ScriptKeyIs(line, "vCenter")) {
            ReadVectorBlock(chunk, vCenter);
            return;
        }
        ReadKeyValue(line, "fMagnitude", fMagnitude) || ReadKeyValue(line, "fAge", fAge) ||
            ReadKeyValue(line, "fEpsilon", fEpsilon) || ReadKeyValue(line, "fStdev", fStdev) ||
            ReadKeyValue(line, "fVelocity", fVelocity);
    });
    return 0;
}

HRESULT SPPS_ACTION_EXPLODE::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    out << "\tvCenter";
    WriteVectorBlock(out, vCenter);
    out << "\n";
    WriteValueLine(out, "\tfMagnitude\t", fMagnitude);
    WriteValueLine(out, "\tfAge\t", fAge);
    WriteValueLine(out, "\tfEpsilon\t", fEpsilon);
    WriteValueLine(out, "\tfStdev\t", fStdev);
    WriteValueLine(out, "\tfVelocity\t", fVelocity);
    CloseActionBlock(out);
    return 0;
}

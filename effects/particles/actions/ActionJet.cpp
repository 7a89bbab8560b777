#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_JET::SPPS_ACTION_JET(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius)
    : SPPS_ACTION_BASE(PPS_ACTION_JET, 200), vCenter(cx, cy, cz), fMagnitude(magnitude), fEpsilon(epsilon),
      fMaxRadius(maxRadius)
{
}

HRESULT SPPS_ACTION_JET::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    for (CParticleBase* p : *group) {
        const D3DXVECTOR3 d = Vec(p->GetPosition()) - vCenter;
        const float r = std::sqrt(Dot(d, d));
        if (!(r < fMaxRadius)) continue;
        D3DXVECTOR3 a;
        domain.Generate(a);
        const float softened = r + fEpsilon;
        // The draw is taken either way; a zero distance without softening
        // has no finite push.
        if (softened != 0.0f) SetVelocity(p, Vec(p->GetVelocity()) + Scaled(a, magdt / softened));
    }
    return 0;
}

HRESULT SPPS_ACTION_JET::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.Vec3(vCenter);
        ForceRecord(f, fEpsilon, fMagnitude, fMaxRadius);
        if (f.Full()) f.Domain(domain);
    });
}

namespace {
// The acceleration domain, kept in a script only when a client filled it.
constexpr const char* kDomainKey = "JetDomain";
} // namespace

HRESULT SPPS_ACTION_JET::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        if (ReadFlatDomain(line, kDomainKey, domain)) return;
        if (ScriptKeyIs(line, "vCenter")) {
            ReadVectorBlock(chunk, vCenter);
            return;
        }
        // Earlier builds wrote the domain as a nested block.
        if (ScriptKeyIs(line, "domain")) {
            ReadDomainBlock(chunk, domain);
            return;
        }
        ReadForceKey(line, fEpsilon, fMagnitude, fMaxRadius);
    });
    return 0;
}

HRESULT SPPS_ACTION_JET::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    out << "\tvCenter";
    WriteVectorBlock(out, vCenter);
    out << "\n";
    WriteForceLines(out, fEpsilon, fMagnitude, fMaxRadius);
    if (!SameDomain(domain, SPPS_DOMAIN())) WriteFlatDomain(out, kDomainKey, domain);
    CloseActionBlock(out);
    return 0;
}

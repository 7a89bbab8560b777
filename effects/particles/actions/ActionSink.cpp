#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"

SPPS_ACTION_SINK::SPPS_ACTION_SINK(DWORD type, int killInside, EPPS_DOMAIN_TYPE domainType, float a0, float a1,
                                   float a2, float a3, float a4, float a5, float a6, float a7, float a8)
    : SPPS_ACTION_BASE(PPS_ACTION_SINK, 184), domain(domainType, a0, a1, a2, a3, a4, a5, a6, a7, a8), nType(type),
      bKillInside(killInside)
{
}

HRESULT SPPS_ACTION_SINK::Update(CParticleGroup* group)
{
    if (nType != 0 && nType != 1) return 0;
    CParticleGroup::iterator it, end;
    group->FirstParticle(it);
    group->LastParticle(end);
    while (it != end) {
        CParticleBase* p = *it;
        const float* tested = nType == 0 ? p->GetPosition() : p->GetVelocity();
        if (domain.IsWithin(tested) == bKillInside)
            group->RemoveAt(it);
        else
            ++it;
    }
    return 0;
}

HRESULT SPPS_ACTION_SINK::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.Domain(domain);
        f.I32(bKillInside);
        f.U32(nType);
    });
}

HRESULT SPPS_ACTION_SINK::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        if (ScriptKeyIs(line, "domain")) {
            ReadDomainBlock(chunk, domain);
            return;
        }
        ReadKeyFlag(line, "bKillInside", bKillInside) || ReadKeyValue(line, "nType", nType);
    });
    return 0;
}

HRESULT SPPS_ACTION_SINK::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    out << "\tdomain\tdomain";
    WriteDomainBlock(out, domain);
    WriteValueLine(out, "\tbKillInside\t", bKillInside);
    WriteValueLine(out, "\tnType\t", nType);
    CloseActionBlock(out);
    return 0;
}

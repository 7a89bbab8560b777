#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"

SPPS_ACTION_KILL::SPPS_ACTION_KILL(float ageLimit, int killLessThan)
    : SPPS_ACTION_BASE(PPS_ACTION_KILL, 116), fAgeLimit(ageLimit), bKillLessThan(killLessThan)
{
}

HRESULT SPPS_ACTION_KILL::Update(CParticleGroup* group)
{
    if (!bKillLessThan) return 0;
    const float limit = fAgeLimit;
    CParticleGroup::iterator it, end;
    group->FirstParticle(it);
    group->LastParticle(end);
    while (it != end) {
        if ((*it)->GetLifeTime() > limit)
            group->RemoveAt(it);
        else
            ++it;
    }
    return 0;
}

HRESULT SPPS_ACTION_KILL::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.F32(fAgeLimit);
        f.I32(bKillLessThan);
    });
}

HRESULT SPPS_ACTION_KILL::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        ReadKeyValue(line, "fAgeLimit", fAgeLimit) || ReadKeyFlag(line, "bKillLessThan", bKillLessThan);
    });
    return 0;
}

HRESULT SPPS_ACTION_KILL::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    WriteValueLine(out, "\tfAgeLimit\t", fAgeLimit);
    WriteValueLine(out, "\tbKillLessThan\t", bKillLessThan);
    CloseActionBlock(out);
    return 0;
}

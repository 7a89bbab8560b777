#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"

SPPS_ACTION_DIFFUSE::SPPS_ACTION_DIFFUSE(float factor, EPPS_DOMAIN_TYPE type, float a0, float a1, float a2, float a3,
                                         float a4, float a5, float a6, float a7, float a8)
    : SPPS_ACTION_BASE(PPS_ACTION_DIFFUSE, 180), domain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8), fFactor(factor)
{
}

HRESULT SPPS_ACTION_DIFFUSE::Update(CParticleGroup* group) { return 0; }

// The domain and the factor are carried in memory only: the record and the
// script block hold the base part alone.
HRESULT SPPS_ACTION_DIFFUSE::Serialize(std::iostream& stream, int bWrite)
{
    return SPPS_ACTION_BASE::Serialize(stream, bWrite);
}

// Like every action block, the block is read to its end, so that the reader
// of the system goes on after it.
HRESULT SPPS_ACTION_DIFFUSE::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [](const std::string&) {});
    return 0;
}

HRESULT SPPS_ACTION_DIFFUSE::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    CloseActionBlock(out);
    return 0;
}

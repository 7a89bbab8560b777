#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"

SPPS_ACTION_DIFFUSE::SPPS_ACTION_DIFFUSE(float factor, EPPS_DOMAIN_TYPE type, float a0, float a1, float a2, float a3,
                                         float a4, float a5, float a6, float a7, float a8)
    : SPPS_ACTION_BASE(PPS_ACTION_DIFFUSE, 180), domain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8), fFactor(factor)
{
}

HRESULT SPPS_ACTION_DIFFUSE::Update(CParticleGroup* group) { return 0; }

// The domain and the factor are carried in memory only: the record and the
// script block hold the base part alone.
KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_DIFFUSE, RecordFieldList())

#include <cmath>

#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"

namespace {
// New particles fly up inside a thin tube and take colours from a unit ball.
SPPS_DOMAIN DefaultVelocity()
{
    return SPPS_DOMAIN(PPS_DOMAIN_CYLINDER, 0.0f, 2.35f, -0.01f, 0.0f, 2.37f, -0.01f, 0.31f, 0.39f, 0.0f);
}
SPPS_DOMAIN DefaultColor() { return SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0.0f, 0.0f, 0.0f, 1.0f); }
} // namespace

SPPS_ACTION_SOURCE::SPPS_ACTION_SOURCE() : SPPS_ACTION_SOURCE(0.0f, SPPS_DOMAIN(), DefaultVelocity(), DefaultColor()) {}

SPPS_ACTION_SOURCE::SPPS_ACTION_SOURCE(float rate, const SPPS_DOMAIN& position, const SPPS_DOMAIN& velocity,
                                       const SPPS_DOMAIN& color)
    : SPPS_ACTION_BASE(PPS_ACTION_SOURCE), position(position), velocity(velocity), color(color), fRate(rate)
{
}

SPPS_ACTION_SOURCE::SPPS_ACTION_SOURCE(const SPPS_ACTION_DATA* data)
    : SPPS_ACTION_BASE(data), velocity(DefaultVelocity()), color(DefaultColor())
{
}

HRESULT SPPS_ACTION_SOURCE::Update(CParticleGroup* group)
{
    const float x = fDeltaTime * fRate;
    const float whole = std::floor(x);
    const float u = RandUniform();
    // The count stays a float until it is bounded by the room left, so that
    // no rate converts out of range.
    float wanted = 0.0f;
    if (x > 0.0f) wanted = u < x - whole ? whole + 1.0f : whole;
    const DWORD count = group->GetParticlesNumber();
    const DWORD max = group->GetMaxParticleNumber();
    const DWORD room = count < max ? max - count : 0;
    const DWORD n = !(wanted < static_cast<float>(room)) ? room : static_cast<DWORD>(wanted);
    for (DWORD i = 0; i < n; ++i) {
        D3DXVECTOR3 p, s, v, k;
        position.Generate(p);
        size.Generate(s);
        velocity.Generate(v);
        color.Generate(k);
        const float age = fAge + RandNormal(fAgeSigma);
        group->Add(&p.x, &p.x, &s.x, &v.x, &k.x, age, age);
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_SOURCE::position>("position", ScriptForm::Domain, Rec(0)),
    Field<&SPPS_ACTION_SOURCE::positionB>("positionB", ScriptForm::Domain, Extra(0)),
    Field<&SPPS_ACTION_SOURCE::size>("size", ScriptForm::Domain, Extra(1)),
    Field<&SPPS_ACTION_SOURCE::velocity>("velocity", ScriptForm::Domain, Rec(1)),
    Field<&SPPS_ACTION_SOURCE::color>("color", ScriptForm::Domain, Rec(2)),
    Field<&SPPS_ACTION_SOURCE::fRate>("fRate", ScriptForm::Value, Rec(3)),
    Field<&SPPS_ACTION_SOURCE::fAge>("fAge", ScriptForm::Value, Extra(2)),
    Field<&SPPS_ACTION_SOURCE::fAgeSigma>("fAgeSigma", ScriptForm::Value, Extra(3)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_SOURCE, kFields)

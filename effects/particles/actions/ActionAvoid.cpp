#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_AVOID::SPPS_ACTION_AVOID(float magnitude, float lookAhead, float epsilon)
    : SPPS_ACTION_BASE(PPS_ACTION_AVOID), fLookAhead(lookAhead), fMagnitude(magnitude), fEpsilon(epsilon)
{
}

namespace {
// The perpendicular from the point g to the edge line through the origin
// along the unit direction e.
D3DXVECTOR3 ToEdge(const D3DXVECTOR3& e, const D3DXVECTOR3& g) { return Scaled(e, Dot(g, e)) - g; }

// The first of the candidates whose squared length is not above any later one.
D3DXVECTOR3 Shortest(const D3DXVECTOR3* c, int count)
{
    for (int i = 0; i < count - 1; ++i) {
        bool shortest = true;
        for (int j = i + 1; j < count && shortest; ++j) shortest = Dot(c[i], c[i]) <= Dot(c[j], c[j]);
        if (shortest) return c[i];
    }
    return c[count - 1];
}

// The old speed in the direction of escape plus the old direction.
bool Steered(const D3DXVECTOR3& escape, float k, const D3DXVECTOR3& unitVel, float speed, D3DXVECTOR3& out)
{
    const D3DXVECTOR3 dir = Scaled(escape, k) + unitVel;
    const float len = Length(dir);
    if (!(len > 0.0f)) return false;
    out = Scaled(dir, speed / len);
    return true;
}
} // namespace

HRESULT SPPS_ACTION_AVOID::Update(CParticleGroup* group)
{
    const float dt = fDeltaTime;
    const float magdt = fMagnitude * dt;
    const EPPS_DOMAIN_TYPE type = domain.DomainType;
    if (type == PPS_DOMAIN_TRIANGLE || type == PPS_DOMAIN_RECTANGLE || type == PPS_DOMAIN_DISC) {
        const D3DXVECTOR3 normal = domain.p2;
        const float term = PlaneTerm(domain);
        const SidePlane plane(domain);
        // The sides' lengths are kept in the two squared-radius fields.
        const D3DXVECTOR3 uh = Divided(domain.u, domain.fRadius1Sqr);
        const D3DXVECTOR3 vh = Divided(domain.v, domain.fRadius2Sqr);
        const D3DXVECTOR3 fh = Normalized(domain.v - domain.u);
        for (CParticleBase* p : *group) {
            const D3DXVECTOR3 pos = Vec(p->GetPosition());
            const D3DXVECTOR3 vel = Vec(p->GetVelocity());
            const float distOld = Dot(normal, pos) + term;
            const float distNew = Dot(normal, pos + Scaled(Scaled(vel, dt), fLookAhead)) + term;
            if (!(distOld * distNew < 0.0f)) continue;
            const float t = -distOld / Dot(vel, normal);
            const D3DXVECTOR3 o = pos + Scaled(vel, t) - domain.p1;
            D3DXVECTOR3 escape;
            if (type == PPS_DOMAIN_DISC) {
                if (!DiscHolds(domain, o)) continue;
                escape = o;
            } else {
                if (!plane.Holds(domain, o)) continue;
                D3DXVECTOR3 c[4];
                c[0] = ToEdge(uh, o);
                c[1] = ToEdge(vh, o);
                if (type == PPS_DOMAIN_TRIANGLE) {
                    c[2] = ToEdge(fh, o - domain.u);
                    escape = Shortest(c, 3);
                } else {
                    const D3DXVECTOR3 g = domain.u + domain.v - o;
                    c[2] = ToEdge(uh, g);
                    c[3] = ToEdge(vh, g);
                    escape = Shortest(c, 4);
                }
            }
            escape = Normalized(escape);
            const float speed = Length(vel);
            const float k = magdt / (t * t + fEpsilon);
            D3DXVECTOR3 steered;
            if (Steered(escape, k, Divided(vel, speed), speed, steered)) SetVelocity(p, steered);
        }
        return 0;
    }
    if (type != PPS_DOMAIN_SPHERE) return 0;
    const float r2 = domain.fRadius1 * domain.fRadius1;
    for (CParticleBase* p : *group) {
        const D3DXVECTOR3 pos = Vec(p->GetPosition());
        const D3DXVECTOR3 vel = Vec(p->GetVelocity());
        const float speed = Length(vel);
        // A particle at rest is heading nowhere.
        if (!(speed > 0.0f)) continue;
        const D3DXVECTOR3 unit = Divided(vel, speed);
        const D3DXVECTOR3 L = domain.p1 - pos;
        const float b = Dot(L, unit);
        const float disc = b * b + r2 - Dot(L, L);
        if (!(disc >= 0.0f)) continue;
        const float d = b - std::sqrt(disc);
        if (!(d >= 0.0f && d <= speed * fLookAhead)) continue;
        const D3DXVECTOR3 across = Normalized(Cross(unit, L));
        const D3DXVECTOR3 escape = Cross(unit, across);
        const float k = magdt / (d * d + fEpsilon);
        D3DXVECTOR3 steered;
        if (Steered(escape, k, unit, speed, steered)) SetVelocity(p, steered);
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_AVOID::domain>("domain", ScriptForm::Domain, Rec(0)),
    Field<&SPPS_ACTION_AVOID::fEpsilon>("fEpsilon", ScriptForm::Value, Rec(1)),
    Field<&SPPS_ACTION_AVOID::fLookAhead>("fLookAhead", ScriptForm::Value, Rec(2)),
    Field<&SPPS_ACTION_AVOID::fMagnitude>("fMagnitude", ScriptForm::Value, Rec(3)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_AVOID, kFields)

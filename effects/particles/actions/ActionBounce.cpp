#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_BOUNCE::SPPS_ACTION_BOUNCE(float oneMinFriction, float resilience, float cutoffSqr, EPPS_DOMAIN_TYPE type,
                                       float a0, float a1, float a2, float a3, float a4, float a5, float a6, float a7,
                                       float a8)
    : SPPS_ACTION_BASE(PPS_ACTION_BOUNCE), domain(type, a0, a1, a2, a3, a4, a5, a6, a7, a8),
      fOneMinFriction(oneMinFriction), fResilience(resilience), fCutoffSqr(cutoffSqr)
{
}

namespace {
// The normal part of the velocity reflected with resilience; friction on the
// tangential part once it is faster than the cutoff.
D3DXVECTOR3 Bounced(const SPPS_ACTION_BOUNCE& a, const D3DXVECTOR3& vn, const D3DXVECTOR3& vt)
{
    const D3DXVECTOR3 back = Scaled(vn, a.fResilience);
    if (Dot(vt, vt) > a.fCutoffSqr) return Scaled(vt, a.fOneMinFriction) - back;
    return vt - back;
}
} // namespace

HRESULT SPPS_ACTION_BOUNCE::Update(CParticleGroup* group)
{
    const float dt = fDeltaTime;
    switch (domain.DomainType) {
    case PPS_DOMAIN_TRIANGLE:
    case PPS_DOMAIN_RECTANGLE:
    case PPS_DOMAIN_DISC:
    case PPS_DOMAIN_PLANE: {
        const D3DXVECTOR3 normal = domain.p2;
        const float term = PlaneTerm(domain);
        const bool sides = domain.DomainType == PPS_DOMAIN_TRIANGLE || domain.DomainType == PPS_DOMAIN_RECTANGLE;
        const SidePlane plane(domain);
        // Few particles cross in a step: the bounce itself is kept out of
        // the loop that tests them all.
        const auto cross = [&](CParticleBase * p, float distOld) __attribute__((noinline))
        {
            const D3DXVECTOR3 vel = Vec(p->GetVelocity());
            if (domain.DomainType != PPS_DOMAIN_PLANE) {
                const float t = -distOld / Dot(vel, normal);
                const D3DXVECTOR3 offset = Vec(p->GetPosition()) + Scaled(vel, t) - domain.p1;
                if (sides ? !plane.Holds(domain, offset) : !DiscHolds(domain, offset)) return;
            }
            const D3DXVECTOR3 vn = Scaled(normal, Dot(vel, normal));
            SetVelocity(p, Bounced(*this, vn, vel - vn));
        };
        group->ForEachParticle([&](CParticleBase* p) {
            const float* pos = p->GetPosition();
            const float* w = p->GetVelocity();
            const float distOld = normal.x * pos[0] + normal.y * pos[1] + normal.z * pos[2] + term;
            const float distNew = normal.x * (pos[0] + w[0] * dt) + normal.y * (pos[1] + w[1] * dt) +
                                  normal.z * (pos[2] + w[2] * dt) + term;
            if (distOld * distNew < 0.0f) cross(p, distOld);
        });
        return 0;
    }
    case PPS_DOMAIN_SPHERE:
        for (CParticleBase* p : *group) {
            const D3DXVECTOR3 pos = Vec(p->GetPosition());
            const D3DXVECTOR3 vel = Vec(p->GetVelocity());
            if (!domain.IsWithin(pos + Scaled(vel, dt))) continue;
            const int inside = domain.IsWithin(pos);
            const D3DXVECTOR3 n = Normalized(pos - domain.p1);
            const D3DXVECTOR3 vn = Scaled(n, Dot(vel, n));
            const D3DXVECTOR3 vt = vel - vn;
            if (!inside)
                SetVelocity(p, Bounced(*this, vn, vt));
            else
                SetVelocity(p, Dot(vel, n) < 0.0f ? vt - vn : vel);
        }
        return 0;
    default: return 0;
    }
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_BOUNCE::domain>("domain", ScriptForm::Domain, Rec(0)),
    Field<&SPPS_ACTION_BOUNCE::fCutoffSqr>("fCutoffSqr", ScriptForm::Value, Rec(1)),
    Field<&SPPS_ACTION_BOUNCE::fOneMinFriction>("fOneMinFriction", ScriptForm::Value, Rec(2)),
    Field<&SPPS_ACTION_BOUNCE::fResilience>("fResilience", ScriptForm::Value, Rec(3)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_BOUNCE, kFields)

// Random points of a domain and the containment test.
#include <cmath>

#include "kestu_ppsdomain.h"

namespace {
constexpr float kTwoPi = 6.2831855f;

// p + a * s, component by component.
D3DXVECTOR3 AddScaled(const D3DXVECTOR3& p, const D3DXVECTOR3& a, float s)
{
    return D3DXVECTOR3(p.x + a.x * s, p.y + a.y * s, p.z + a.z * s);
}
} // namespace

void SPPS_DOMAIN::Generate(D3DXVECTOR3& out) const
{
    switch (DomainType) {
    case PPS_DOMAIN_POINT: out = p1; return;
    case PPS_DOMAIN_LINE: out = AddScaled(p1, p2, RandUniform()); return;
    case PPS_DOMAIN_TRIANGLE: {
        float s = RandUniform();
        float t = RandUniform();
        if (s + t >= 1.0f) {
            s = 1.0f - s;
            t = 1.0f - t;
        }
        out = AddScaled(AddScaled(p1, u, s), v, t);
        return;
    }
    case PPS_DOMAIN_RECTANGLE: {
        const float first = RandUniform();
        const float second = RandUniform();
        out = AddScaled(AddScaled(p1, u, second), v, first);
        return;
    }
    case PPS_DOMAIN_DISC: {
        const float theta = RandUniform() * kTwoPi;
        const float r = fRadius2 + (fRadius1 - fRadius2) * RandUniform();
        out = AddScaled(AddScaled(p1, u, r * std::cos(theta)), v, r * std::sin(theta));
        return;
    }
    case PPS_DOMAIN_SPHERE: {
        const D3DXVECTOR3 cube = RandUnitCube();
        D3DXVECTOR3 d(cube.x - 0.5f, cube.y - 0.5f, cube.z - 0.5f);
        D3DXVec3Normalize(&d, &d);
        const float r = fRadius1 != fRadius2 ? fRadius2 + (fRadius1 - fRadius2) * RandUniform() : fRadius1;
        out = AddScaled(p1, d, r);
        return;
    }
    case PPS_DOMAIN_CONE:
    case PPS_DOMAIN_CYLINDER: {
        const float t = RandUniform();
        const float theta = RandUniform() * kTwoPi;
        const float r = fRadius2 + (fRadius1 - fRadius2) * RandUniform();
        float a = r * std::cos(theta);
        float b = r * std::sin(theta);
        if (DomainType == PPS_DOMAIN_CONE) {
            a *= t;
            b *= t;
        }
        out = AddScaled(AddScaled(AddScaled(p1, p2, t), u, a), v, b);
        return;
    }
    case PPS_DOMAIN_BOX: {
        const float x = p1.x + (p2.x - p1.x) * RandUniform();
        const float y = p1.y + (p2.y - p1.y) * RandUniform();
        const float z = p1.z + (p2.z - p1.z) * RandUniform();
        out = D3DXVECTOR3(x, y, z);
        return;
    }
    case PPS_DOMAIN_BLOB: {
        const float x = p1.x + RandNormal(fRadius1);
        const float y = p1.y + RandNormal(fRadius1);
        const float z = p1.z + RandNormal(fRadius1);
        out = D3DXVECTOR3(x, y, z);
        return;
    }
    default: out = D3DXVECTOR3(0.0f, 0.0f, 0.0f); return;
    }
}

int SPPS_DOMAIN::IsWithin(const float* pos) const
{
    const D3DXVECTOR3 x(pos[0] - p1.x, pos[1] - p1.y, pos[2] - p1.z);
    switch (DomainType) {
    case PPS_DOMAIN_SPHERE: {
        const float d2 = D3DXVec3LengthSq(&x);
        return fRadius2Sqr <= d2 && d2 <= fRadius1Sqr ? 1 : 0;
    }
    case PPS_DOMAIN_CONE:
    case PPS_DOMAIN_CYLINDER: {
        const float t = D3DXVec3Dot(&x, &p2) * fRadius2Sqr;
        if (t < 0.0f || t > 1.0f) return 0;
        const D3DXVECTOR3 across(x.x - p2.x * t, x.y - p2.y * t, x.z - p2.z * t);
        const float r2 = D3DXVec3LengthSq(&across);
        if (DomainType == PPS_DOMAIN_CONE) {
            const float inner = t * fRadius2;
            const float outer = t * fRadius1;
            return inner * inner <= r2 && r2 <= outer * outer ? 1 : 0;
        }
        return fRadius2 * fRadius2 <= r2 && r2 <= fRadius1Sqr ? 1 : 0;
    }
    case PPS_DOMAIN_BOX:
        return p1.x <= pos[0] && pos[0] <= p2.x && p1.y <= pos[1] && pos[1] <= p2.y && p1.z <= pos[2] && pos[2] <= p2.z
                   ? 1
                   : 0;
    case PPS_DOMAIN_BLOB: {
        const float g = fRadius2 * std::exp(D3DXVec3LengthSq(&x) * fRadius2Sqr);
        return RandUniform() < g ? 1 : 0;
    }
    case PPS_DOMAIN_PLANE: return pos[0] * p2.x + pos[1] * p2.y + pos[2] * p2.z >= -fRadius1 ? 1 : 0;
    default: return 0;
    }
}

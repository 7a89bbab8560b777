#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
#include "effects/particles/actions/ActionMath.h"

SPPS_ACTION_ORBIT::SPPS_ACTION_ORBIT(float cx, float cy, float cz, float magnitude, float epsilon, float maxRadius)
    : SPPS_ACTION_BASE(PPS_ACTION_ORBIT), vCenter(cx, cy, cz), fMagnitude(magnitude), fEpsilon(epsilon),
      fMaxRadius(maxRadius)
{
}

HRESULT SPPS_ACTION_ORBIT::Update(CParticleGroup* group)
{
    const float magdt = fMagnitude * fDeltaTime;
    const float maxSqr = fMaxRadius * fMaxRadius;
    // From 1e16 on every particle is in reach and no distance is tested.
    const bool everywhere = maxSqr >= 1.0e16f;
    for (CParticleBase* p : *group) {
        const D3DXVECTOR3 d = vCenter - Vec(p->GetPosition());
        const float r2 = Dot(d, d);
        if (!everywhere && !(r2 < maxSqr)) continue;
        const float softened = r2 + fEpsilon + std::sqrt(r2);
        if (softened == 0.0f) continue;
        SetVelocity(p, Vec(p->GetVelocity()) + Scaled(d, magdt / softened));
    }
    return 0;
}

HRESULT SPPS_ACTION_ORBIT::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.F32(fMagnitude);
        f.F32(fEpsilon);
        f.F32(fMaxRadius);
        if (f.Full()) f.Vec3(vCenter);
    });
}

namespace {
// The centre, kept in a script only away from the origin.
constexpr const char* kCenterKey = "OrbitCenter";
} // namespace

HRESULT SPPS_ACTION_ORBIT::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        if (ReadFlatVector(line, kCenterKey, vCenter)) return;
        // Earlier builds wrote the centre as a nested block.
        if (ScriptKeyIs(line, "vCenter")) {
            ReadVectorBlock(chunk, vCenter);
            return;
        }
        ReadForceKey(line, fEpsilon, fMagnitude, fMaxRadius);
    });
    return 0;
}

HRESULT SPPS_ACTION_ORBIT::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    WriteForceLines(out, fEpsilon, fMagnitude, fMaxRadius);
    if (!(vCenter.x == 0.0f && vCenter.y == 0.0f && vCenter.z == 0.0f)) WriteFlatVector(out, kCenterKey, vCenter);
    CloseActionBlock(out);
    return 0;
}

#include <algorithm>

#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"

namespace {
// New particles fly up inside a thin tube and take colours from a unit ball.
SPPS_DOMAIN DefaultVelocity()
{
    return SPPS_DOMAIN(PPS_DOMAIN_CYLINDER, 0.0f, 2.35f, -0.01f, 0.0f, 2.37f, -0.01f, 0.31f, 0.39f, 0.0f);
}
SPPS_DOMAIN DefaultColor() { return SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0.0f, 0.0f, 0.0f, 1.0f); }
} // namespace

SPPS_ACTION_SOURCE::SPPS_ACTION_SOURCE() : SPPS_ACTION_SOURCE(0.0f, SPPS_DOMAIN(), DefaultVelocity(), DefaultColor())
{
}

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
    const DWORD room = std::min(count < max ? max - count : 0, kMaxBirthsPerStep);
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

HRESULT SPPS_ACTION_SOURCE::Serialize(std::iostream& stream, int bWrite)
{
    return SerializeAction(*this, stream, bWrite, [this](ActionFields& f) {
        f.Domain(position);
        f.Domain(velocity);
        f.Domain(color);
        f.F32(fRate);
        if (f.Full()) {
            f.Domain(positionB);
            f.Domain(size);
            f.F32(fAge);
            f.F32(fAgeSigma);
        }
    });
}

HRESULT SPPS_ACTION_SOURCE::CreateFromScript(CDataChunk& chunk)
{
    ReadActionBlock(chunk, *this, [&](const std::string& line) {
        if (ScriptKeyIs(line, "domain")) {
            const std::vector<std::string> tokens = SplitTokens(line);
            SPPS_DOMAIN* target = nullptr;
            if (tokens.size() >= 2) {
                const std::string& which = tokens[1];
                if (which == "position")
                    target = &position;
                else if (which == "positionB")
                    target = &positionB;
                else if (which == "size")
                    target = &size;
                else if (which == "velocity")
                    target = &velocity;
                else if (which == "color")
                    target = &color;
            }
            if (target) ReadDomainBlock(chunk, *target);
            return;
        }
        // "fAge" is a prefix of "fAgeSigma": the longer key is told apart.
        ReadKeyValue(line, "fRate", fRate) || ReadKeyValue(line, "fAgeSigma", fAgeSigma) ||
            ReadKeyValue(line, "fAge", fAge);
    });
    return 0;
}

HRESULT SPPS_ACTION_SOURCE::WriteToScript(std::ostream& out)
{
    SPPS_ACTION_BASE::WriteToScript(out);
    const std::pair<const char*, const SPPS_DOMAIN*> domains[] = {
        {"\tdomain\tposition", &position}, {"\tdomain\tpositionB", &positionB}, {"\tdomain\tsize", &size},
        {"\tdomain\tvelocity", &velocity}, {"\tdomain\tcolor", &color}};
    for (const auto& d : domains) {
        out << d.first;
        WriteDomainBlock(out, *d.second);
    }
    WriteValueLine(out, "\tfRate\t", fRate);
    WriteValueLine(out, "\tfAge\t", fAge);
    WriteValueLine(out, "\tfAgeSigma\t", fAgeSigma);
    CloseActionBlock(out);
    return 0;
}

#include <cmath>

#include "kestu_particlegroup.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionFieldList.h"

SPPS_ACTION_COLORCTRL::SPPS_ACTION_COLORCTRL(int spark, int suddenChange, DWORD startColor, DWORD endColor, float cycle,
                                             int loop)
    : SPPS_ACTION_BASE(PPS_ACTION_COLORCTRL, 4), bSpark(spark), bSuddenChange(suddenChange), dwStartColor(startColor),
      dwEndColor(endColor), fCycle(cycle), bLoop(loop)
{
}

namespace {
// Builds a colour channel by channel, so that no channel carries into its
// neighbour; step(a, b) is the change from the channel's start value a
// towards its end value b.
template <class Step>
DWORD PerChannel(DWORD start, DWORD end, Step step)
{
    DWORD out = 0;
    for (int shift = 0; shift < 32; shift += 8) {
        const int a = static_cast<int>((start >> shift) & 0xFF);
        const int b = static_cast<int>((end >> shift) & 0xFF);
        const float c = step(static_cast<float>(a), static_cast<float>(b));
        const float clamped = c >= 0.0f ? (c <= 255.0f ? c : 255.0f) : 0.0f;
        out |= static_cast<DWORD>(clamped) << shift;
    }
    return out;
}

// From start towards end, t of cycle on the way.
DWORD Forth(DWORD start, DWORD end, float cycle, float t)
{
    return PerChannel(start, end, [&](float a, float b) { return a + std::trunc((b - a) / cycle * t); });
}

// Back from end towards start, x - cycle of cycle on the way.
DWORD Back(DWORD start, DWORD end, float cycle, float x)
{
    return PerChannel(start, end, [&](float a, float b) { return b - std::trunc((x - cycle) / cycle * (b - a)); });
}
} // namespace

HRESULT SPPS_ACTION_COLORCTRL::Update(CParticleGroup* group)
{
    const DWORD start = dwStartColor, end = dwEndColor;
    const float cycle = fCycle;
    for (CParticleBase* p : *group) {
        const float age = p->GetLifeTime();
        DWORD color;
        if (!(cycle > 0.0f)) {
            // A blend over no time has already ended.
            color = end;
        } else if (!bLoop) {
            if (age >= cycle)
                color = end;
            else
                color = bSuddenChange ? start : Forth(start, end, cycle, age);
        } else {
            const float period = 2.0f * cycle;
            if (age - m_fLoopOffset > period) m_fLoopOffset += period;
            const float x = age - m_fLoopOffset;
            if (x <= cycle)
                color = bSuddenChange ? start : Forth(start, end, cycle, x);
            else
                color = bSuddenChange ? end : Back(start, end, cycle, x);
        }
        p->SetColor(color);
    }
    return 0;
}

namespace {
constexpr RecordField kFields[] = {
    Field<&SPPS_ACTION_COLORCTRL::bSpark>("bSpark", ScriptForm::Value, Rec(0)),
    Field<&SPPS_ACTION_COLORCTRL::bSuddenChange>("bSuddenChange", ScriptForm::Value, Rec(1)),
    Field<&SPPS_ACTION_COLORCTRL::dwStartColor>("dwStartColor", ScriptForm::Value, Rec(2)),
    Field<&SPPS_ACTION_COLORCTRL::dwEndColor>("dwEndColor", ScriptForm::Value, Rec(3)),
    Field<&SPPS_ACTION_COLORCTRL::fCycle>("fCycle", ScriptForm::Value, Rec(4)),
    Field<&SPPS_ACTION_COLORCTRL::bLoop>("bLoop", ScriptForm::Value, Rec(5)),
};
} // namespace

KESTU_PPS_ACTION_FIELD_IO(SPPS_ACTION_COLORCTRL, kFields)

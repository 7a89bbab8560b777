#include <new>

#include "kestu_ppsactions.h"

namespace {
// One class per id; make(Class) builds it from the arguments the caller gives.
template <class Make>
SPPS_ACTION_BASE* ForId(DWORD id, Make make)
{
    switch (id) {
    case PPS_ACTION_AVOID: return make(static_cast<SPPS_ACTION_AVOID*>(nullptr));
    case PPS_ACTION_BOUNCE: return make(static_cast<SPPS_ACTION_BOUNCE*>(nullptr));
    case PPS_ACTION_DAMP: return make(static_cast<SPPS_ACTION_DAMP*>(nullptr));
    case PPS_ACTION_EXPLODE: return make(static_cast<SPPS_ACTION_EXPLODE*>(nullptr));
    case PPS_ACTION_FOLLOW: return make(static_cast<SPPS_ACTION_FOLLOW*>(nullptr));
    case PPS_ACTION_GRAVITY: return make(static_cast<SPPS_ACTION_GRAVITY*>(nullptr));
    case PPS_ACTION_GRAVITATE: return make(static_cast<SPPS_ACTION_GRAVITATE*>(nullptr));
    case PPS_ACTION_JET: return make(static_cast<SPPS_ACTION_JET*>(nullptr));
    case PPS_ACTION_KILL: return make(static_cast<SPPS_ACTION_KILL*>(nullptr));
    case PPS_ACTION_MATCH: return make(static_cast<SPPS_ACTION_MATCH*>(nullptr));
    case PPS_ACTION_MOVE: return make(static_cast<SPPS_ACTION_MOVE*>(nullptr));
    case PPS_ACTION_SINK: return make(static_cast<SPPS_ACTION_SINK*>(nullptr));
    case PPS_ACTION_VORTEX: return make(static_cast<SPPS_ACTION_VORTEX*>(nullptr));
    case PPS_ACTION_DIFFUSE: return make(static_cast<SPPS_ACTION_DIFFUSE*>(nullptr));
    case PPS_ACTION_ORBIT: return make(static_cast<SPPS_ACTION_ORBIT*>(nullptr));
    case PPS_ACTION_SOURCE: return make(static_cast<SPPS_ACTION_SOURCE*>(nullptr));
    case PPS_ACTION_COLORCTRL: return make(static_cast<SPPS_ACTION_COLORCTRL*>(nullptr));
    default: return nullptr;
    }
}
} // namespace

SPPS_ACTION_BASE* NewPPSAction(DWORD id)
{
    return ForId(id, [](auto* tag) -> SPPS_ACTION_BASE* {
        using Action = std::remove_pointer_t<decltype(tag)>;
        return new (std::nothrow) Action();
    });
}

SPPS_ACTION_BASE* NewPPSAction(const SPPS_ACTION_DATA* data)
{
    if (!data) return nullptr;
    return ForId(data->dwActionID, [data](auto* tag) -> SPPS_ACTION_BASE* {
        using Action = std::remove_pointer_t<decltype(tag)>;
        return new (std::nothrow) Action(data);
    });
}

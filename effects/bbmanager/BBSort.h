// Sorting a manager's entries by a billboard comparator.
#pragma once
#include "kestu_bbmng.h"

namespace kestu_bb {

// Reorders `entries` so that their billboards (what `billboard` reads from
// an entry) follow `compare`; `keys` is room for the engine's own order.
void SortEntries(void** entries, DWORD count, PFN_BBSORT compare, CBillboard* (*billboard)(void* entry),
                 std::vector<std::pair<float, void*>>& keys);

} // namespace kestu_bb

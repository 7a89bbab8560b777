#include "effects/bbmanager/BBSort.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "kestu_billboard.h"

int BBSort(const void* a, const void* b)
{
    const auto* x = *static_cast<CBillboard* const*>(a);
    const auto* y = *static_cast<CBillboard* const*>(b);
    if (x == nullptr || y == nullptr) return (x == nullptr) - (y == nullptr);
    const float za = x->GetPos()->z, zb = y->GetPos()->z;
    if (za < zb) return 1;
    if (za > zb) return -1;
    return 0;
}

namespace kestu_bb {

void SortEntries(void** entries, DWORD count, PFN_BBSORT compare, CBillboard* (*billboard)(void* entry),
                 std::vector<std::pair<float, void*>>& keys)
{
    if (count < 2 || compare == nullptr) return;
    if (compare == BBSort) {
        // The engine's own order sorts by key, without a call per comparison.
        keys.resize(count);
        for (DWORD i = 0; i < count; ++i) {
            const CBillboard* bb = billboard(entries[i]);
            keys[i] = {bb != nullptr ? bb->GetPos()->z : -__builtin_inff(), entries[i]};
        }
        std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first > b.first; });
        for (DWORD i = 0; i < count; ++i) entries[i] = keys[i].second;
        return;
    }
    // A client's comparator sees pointers to billboard pointers; qsort
    // survives one that is not a strict order.
    struct Context {
        PFN_BBSORT compare;
        CBillboard* (*billboard)(void*);
    } context{compare, billboard};
    qsort_r(
        entries, count, sizeof(void*),
        [](const void* a, const void* b, void* arg) {
            const auto* c = static_cast<const Context*>(arg);
            CBillboard* x = c->billboard(*static_cast<void* const*>(a));
            CBillboard* y = c->billboard(*static_cast<void* const*>(b));
            return c->compare(&x, &y);
        },
        &context);
}

} // namespace kestu_bb

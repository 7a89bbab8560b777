// A library of materials and material sets by identifier, for the engine's own use.
#pragma once
#include <map>
#include <memory>

#include "kestu_material.h"

namespace Kestu {

class CMaterialLib {
public:
    CMaterialLib() {}
    CMaterialLib(const CMaterialLib&) = delete;
    CMaterialLib& operator=(const CMaterialLib&) = delete;
    virtual ~CMaterialLib() { Clear(); }

    // Files a copy under the material's id (an id already present keeps its
    // entry); returns the id.
    DWORD AddMtl(const CMaterialData& material);
    // Files a copy under the set's id (an id already present keeps its entry).
    void AddMtlSet(const CMaterialSet& set);
    CMaterialData* GetMtl(DWORD id);
    CMaterialSet* GetMtlSet(DWORD id);
    void Clear();

private:
    std::map<DWORD, std::unique_ptr<CMaterialData>> m_mtls;
    std::map<DWORD, std::unique_ptr<CMaterialSet>> m_sets;
};

} // namespace Kestu

#include "model/material/MaterialLib.h"

namespace Kestu {

DWORD CMaterialLib::AddMtl(const CMaterialData& material)
{
    auto made = std::make_unique<CMaterialData>();
    *made = material;
    m_mtls.try_emplace(material.dwMtlID, std::move(made));
    return material.dwMtlID;
}

void CMaterialLib::AddMtlSet(const CMaterialSet& set)
{
    m_sets.try_emplace(set.dwSetID, std::make_unique<CMaterialSet>(set));
}

CMaterialData* CMaterialLib::GetMtl(DWORD id)
{
    auto it = m_mtls.find(id);
    return it == m_mtls.end() ? nullptr : it->second.get();
}

CMaterialSet* CMaterialLib::GetMtlSet(DWORD id)
{
    auto it = m_sets.find(id);
    return it == m_sets.end() ? nullptr : it->second.get();
}

void CMaterialLib::Clear()
{
    m_mtls.clear();
    m_sets.clear();
}

} // namespace Kestu

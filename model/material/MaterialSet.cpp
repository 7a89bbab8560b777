#include "kestu_material.h"

namespace Kestu {

CMaterialData* CMaterialSet::GetMtl(DWORD i)
{
    return i < dwCount && i < m_materials.size() ? &m_materials[i] : nullptr;
}

DWORD CMaterialSet::GetID(DWORD i) const { return i < dwCount && i < m_ids.size() ? m_ids[i] : 0xFFFFFFFF; }

void CMaterialSet::AddMtl(const CMaterialData* material)
{
    if (dwCount >= m_dwCapacity) {
        m_dwCapacity = (m_dwCapacity ? m_dwCapacity : 1) * 2;
        m_ids.reserve(m_dwCapacity);
        m_materials.reserve(m_dwCapacity);
    }
    m_ids.push_back(0xFFFFFFFF);
    m_materials.push_back(material ? *material : CMaterialData());
    ++dwCount;
}

} // namespace Kestu

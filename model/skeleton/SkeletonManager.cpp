#include "kestu_skeleton.h"

namespace Kestu {

DWORD CSkeletonManager::AddSkeleton(CSkeleton* skeleton)
{
    while (m_skeletons.count(m_dwNextID)) ++m_dwNextID;
    m_skeletons[m_dwNextID] = skeleton;
    return m_dwNextID++;
}

int CSkeletonManager::RemoveSkeleton(DWORD id) { return m_skeletons.erase(id) ? 1 : 0; }

DWORD CSkeletonManager::GetIndexByName(const char* name) const
{
    auto it = m_names.find(name ? name : "");
    return it == m_names.end() ? 0xFFFFFFFF : it->second;
}

int CSkeletonManager::GetNameByIndex(DWORD id, std::string& name) const
{
    for (auto& [n, i] : m_names)
        if (i == id) {
            name = n;
            return 1;
        }
    return 0;
}

} // namespace Kestu

// The parts of a skeleton: bones, helper objects, skins and actions by id
// and by name, and the hierarchy's links to them.
#include <cstdio>

#include "kestu_meshdatamng.h"
#include "kestu_skeleton.h"

namespace Kestu {

namespace {

CActionAdapterFactory g_defaultActionAdapterFactory;

template <class Map>
DWORD FreeId(const Map& map, DWORD& counter)
{
    while (map.count(counter)) ++counter;
    return counter;
}

template <class Map>
typename Map::mapped_type ByIndex(const Map& map, DWORD i)
{
    if (i >= map.size()) return nullptr;
    auto it = map.begin();
    std::advance(it, i);
    return it->second;
}

template <class Map>
typename Map::mapped_type Find(const Map& map, DWORD id)
{
    auto it = map.find(id);
    return it == map.end() ? nullptr : it->second;
}

template <class Map>
int RemoveById(Map& map, CSkeleton::NameMap& names, DWORD id)
{
    if (!map.erase(id)) return 0;
    for (auto it = names.begin(); it != names.end(); ++it)
        if (it->second == id) {
            names.erase(it);
            break;
        }
    return 1;
}

template <class Map>
int RemoveByName(Map& map, CSkeleton::NameMap& names, const char* name)
{
    auto it = names.find(name ? name : "");
    if (it == names.end()) return 0;
    map.erase(it->second);
    names.erase(it);
    return 1;
}

} // namespace

IActionAdapterFactory* CSkeleton::m_pActionAdapterFactory = &g_defaultActionAdapterFactory;

CSkeleton::CSkeleton()
{
    D3DXMatrixIdentity(&m_matWorld);
    m_bboxCur.min = m_bboxCur.max = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_matLocal = D3DXMATRIX(0.01f, 0, 0, 0, 0, 0, 0.01f, 0, 0, 0.01f, 0, 0, 0, 0, 0, 1);
}

CSkeleton::~CSkeleton()
{
    Release();
    delete m_pTree;
}

DWORD CSkeleton::AddBone(const char* name, CSkAniBone* bone)
{
    if (!name || !bone) return 0xFFFFFFFF;
    if (!m_pBones) {
        m_pBones = new BoneMap();
        m_pBoneNames = new NameMap();
        m_bShareBones = 0;
    }
    if (m_pBoneNames->count(name)) return 0xFFFFFFFF;
    const DWORD id = FreeId(*m_pBones, m_dwNextBoneID);
    (*m_pBones)[id] = bone;
    (*m_pBoneNames)[name] = id;
    bone->SetSkeleton(this);
    ++m_dwNextBoneID;
    return id;
}

DWORD CSkeleton::AddObject(const char* name, CBaseObject* object)
{
    if (!name || !object || m_objectNames.count(name)) return 0xFFFFFFFF;
    const DWORD id = FreeId(m_objects, m_dwNextObjectID);
    m_objects[id] = object;
    m_objectNames[name] = id;
    object->SetSkeleton(this);
    ++m_dwNextObjectID;
    return id;
}

DWORD CSkeleton::AddSkin(const char* name, CSkAniSkin* skin)
{
    if (!name || !skin || m_skinNames.count(name)) return 0xFFFFFFFF;
    const DWORD id = FreeId(m_skins, m_dwNextSkinID);
    m_skins[id] = skin;
    m_skinNames[name] = id;
    skin->SetSkeleton(this);
    skin->SetParent(this);
    ++m_dwNextSkinID;
    skin->GenerateBoneList(this);
    CMeshDataBase* mesh = skin->GetMeshData();
    if (m_pMeshMng && mesh) {
        if (CMeshDataMng::IsUsingCache()) {
            if (m_pMeshMng->AddMeshData(name, mesh) == 0xFFFFFFFF) {
                CMeshDataBase* registered = m_pMeshMng->GetMeshData(name);
                if (registered && registered != mesh) skin->SetMeshData(registered);
            }
        } else {
            mesh->SetMeshDataMng(m_pMeshMng);
        }
    }
    return id;
}

DWORD CSkeleton::AddAction(IActionAdapter* adapter)
{
    if (!adapter) return 0xFFFFFFFF;
    FreeId(m_actions, m_dwNextActionID);
    if (adapter->GetID() == 0xFFFFFFFF) adapter->SetID(m_dwNextActionID);
    const DWORD id = adapter->GetID();
    m_actions[id] = adapter;
    const long hr = adapter->GenerateBoneList(this);
    ++m_dwNextActionID;
    return hr < 0 ? 0xFFFFFFFF : id;
}

int CSkeleton::RemoveBone(DWORD id) { return m_pBones && m_pBoneNames ? RemoveById(*m_pBones, *m_pBoneNames, id) : 0; }
int CSkeleton::RemoveSkin(DWORD id) { return RemoveById(m_skins, m_skinNames, id); }
int CSkeleton::RemoveObject(DWORD id) { return RemoveById(m_objects, m_objectNames, id); }
int CSkeleton::RemoveBone(const char* name)
{
    return m_pBones && m_pBoneNames ? RemoveByName(*m_pBones, *m_pBoneNames, name) : 0;
}
int CSkeleton::RemoveSkin(const char* name) { return RemoveByName(m_skins, m_skinNames, name); }
int CSkeleton::RemoveObject(const char* name) { return RemoveByName(m_objects, m_objectNames, name); }
int CSkeleton::RemoveAction(DWORD id) { return m_actions.erase(id) ? 1 : 0; }

CSkAniBone* CSkeleton::GetBone(DWORD id) const { return m_pBones ? Find(*m_pBones, id) : nullptr; }
CSkAniSkin* CSkeleton::GetSkin(DWORD id) const { return Find(m_skins, id); }
CBaseObject* CSkeleton::GetObject(DWORD id) const { return Find(m_objects, id); }
IActionAdapter* CSkeleton::GetAction(DWORD id) const { return Find(m_actions, id); }
CSkAniBone* CSkeleton::GetBoneByIndex(DWORD i) const { return m_pBones ? ByIndex(*m_pBones, i) : nullptr; }
CSkAniSkin* CSkeleton::GetSkinByIndex(DWORD i) const { return ByIndex(m_skins, i); }
IActionAdapter* CSkeleton::GetActionByIndex(DWORD i) const { return ByIndex(m_actions, i); }

CSkAniBone* CSkeleton::GetBoneByName(const std::string& name) const
{
    if (!m_pBoneNames) return nullptr;
    auto it = m_pBoneNames->find(name);
    return it == m_pBoneNames->end() ? nullptr : GetBone(it->second);
}

CSkAniBone* CSkeleton::GetNodeByName(const char* name) const { return GetBoneByName(name ? name : ""); }

CSkAniSkin* CSkeleton::GetSkinByName(const char* name) const
{
    auto it = m_skinNames.find(name ? name : "");
    return it == m_skinNames.end() ? nullptr : GetSkin(it->second);
}

CBaseObject* CSkeleton::GetObjectByName(const char* name) const
{
    auto it = m_objectNames.find(name ? name : "");
    return it == m_objectNames.end() ? nullptr : GetObject(it->second);
}

DWORD CSkeleton::GetBoneIDByName(const std::string& name) const
{
    if (!m_pBoneNames || m_pBoneNames->empty()) {
        char line[400];
        std::snprintf(line, sizeof line, "CSkeleton::GetBoneIDByName() Error : Bone name pool is empty<%s>.\n",
                      name.c_str());
        OutputDebugStringA(line);
        return 0xFFFFFFFF;
    }
    auto it = m_pBoneNames->find(name);
    return it == m_pBoneNames->end() ? 0xFFFFFFFF : it->second;
}

CSkAniBone* CSkeleton::FirstBone(BoneMap::const_iterator& it) const
{
    if (!m_pBones) return nullptr;
    it = m_pBones->begin();
    return it == m_pBones->end() ? nullptr : it->second;
}

CSkAniBone* CSkeleton::NextBone(BoneMap::const_iterator& it) const
{
    if (!m_pBones || it == m_pBones->end() || ++it == m_pBones->end()) return nullptr;
    return it->second;
}

CSkAniSkin* CSkeleton::FirstSkin(SkinMap::const_iterator& it) const
{
    it = m_skins.begin();
    return it == m_skins.end() ? nullptr : it->second;
}

CSkAniSkin* CSkeleton::NextSkin(SkinMap::const_iterator& it) const
{
    if (it == m_skins.end() || ++it == m_skins.end()) return nullptr;
    return it->second;
}

IActionAdapter* CSkeleton::FirstAction(ActionMap::const_iterator& it) const
{
    it = m_actions.begin();
    return it == m_actions.end() ? nullptr : it->second;
}

IActionAdapter* CSkeleton::NextAction(ActionMap::const_iterator& it) const
{
    if (it == m_actions.end() || ++it == m_actions.end()) return nullptr;
    return it->second;
}

void CSkeleton::SetAllSKLVersion(DWORD v)
{
    m_dwSKLVersion = v;
    if (m_pBones)
        for (auto& [id, bone] : *m_pBones) bone->SetSKLVersion(v);
}

void CSkeleton::SetAllSKLFlag(DWORD f)
{
    m_dwSKLFlag = f;
    if (m_pBones)
        for (auto& [id, bone] : *m_pBones) bone->SetSKLFlag(f);
}

void CSkeleton::SetAllMSDVersion(DWORD v)
{
    for (auto& [id, skin] : m_skins) skin->SetMSDVersion(v);
}

void CSkeleton::SetAllMSDFlag(DWORD f)
{
    for (auto& [id, skin] : m_skins) skin->SetMSDFlag(f);
}

void CSkeleton::SetAllACTVersion(DWORD v)
{
    for (auto& [id, adapter] : m_actions) adapter->SetACTVersion(v);
}

void CSkeleton::SetAllACTFlag(DWORD f)
{
    for (auto& [id, adapter] : m_actions)
        if (CActionData* clip = adapter->GetCurActionData()) clip->SetACTFlag(f);
}

void CSkeleton::SetSkeletonTree(CSkeletonTreeNode* root)
{
    if (root != m_pTree) delete m_pTree;
    m_pTree = root;
}

void CSkeleton::BuildSkeletonTree(CSkeletonTreeNode* node)
{
    if (!node) return;
    if (CSkAniBone* bone = GetBoneByName(node->GetName())) {
        node->SetNodeObject(bone);
        node->SetNodeType(KESTU_NODE_BONE);
    } else if (CBaseObject* object = GetObjectByName(node->GetName())) {
        node->SetNodeObject(object);
        node->SetNodeType(KESTU_NODE_HELPER);
    }
    for (CSkeletonTreeNode* child : node->GetChildNodeList()) BuildSkeletonTree(child);
}

void CSkeleton::SetVSDirLight(float r, float g, float b, float x, float y, float z)
{
    const float v[6] = {r, g, b, x, y, z};
    std::copy(v, v + 6, m_fDirLight);
}

void CSkeleton::GetVSDirLight(float& r, float& g, float& b, float& x, float& y, float& z) const
{
    r = m_fDirLight[0];
    g = m_fDirLight[1];
    b = m_fDirLight[2];
    x = m_fDirLight[3];
    y = m_fDirLight[4];
    z = m_fDirLight[5];
}

void CSkeleton::SetVSPointLight(int i, float r, float g, float b, float range, float x, float y, float z)
{
    if (i < 0 || i > 1) return;
    m_fPointColour[i][0] = r;
    m_fPointColour[i][1] = g;
    m_fPointColour[i][2] = b;
    m_fPointRange[i] = range;
    m_fPointPos[i][0] = x;
    m_fPointPos[i][1] = y;
    m_fPointPos[i][2] = z;
}

void CSkeleton::GetVSPointLight(int i, float& r, float& g, float& b, float& range, float& x, float& y, float& z) const
{
    if (i < 0 || i > 1) return;
    r = m_fPointColour[i][0];
    g = m_fPointColour[i][1];
    b = m_fPointColour[i][2];
    range = m_fPointRange[i];
    x = m_fPointPos[i][0];
    y = m_fPointPos[i][1];
    z = m_fPointPos[i][2];
}

} // namespace Kestu

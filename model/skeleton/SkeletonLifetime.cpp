// Releasing a skeleton's parts, sharing another skeleton's bones and
// duplicating a skeleton.
#include <memory>

#include "kestu_meshdatamng.h"
#include "kestu_skeleton.h"

namespace Kestu {

void CSkeleton::FreeBones()
{
    if (!m_bShareBones && m_pBones) {
        for (auto& [id, bone] : *m_pBones) {
            bone->Release();
            delete bone;
        }
        delete m_pBones;
        delete m_pBoneNames;
    }
    m_pBones = nullptr;
    m_pBoneNames = nullptr;
    m_bShareBones = 0;
    m_ownBones.clear();
}

long CSkeleton::Release()
{
    FreeBones();
    for (auto& [id, object] : m_objects) {
        object->Release();
        delete object;
    }
    m_objects.clear();
    m_objectNames.clear();
    for (auto& [id, skin] : m_skins) {
        // The manager's slot must not outlive the last holder of the mesh.
        CMeshDataBase* mesh = skin->GetMeshData();
        if (m_pMeshMng && mesh && mesh->GetRef() == 1 && m_pMeshMng->GetMeshData(mesh->GetMeshID()) == mesh)
            m_pMeshMng->ReleaseMeshData(mesh);
        skin->Release();
        delete skin;
    }
    m_skins.clear();
    m_skinNames.clear();
    for (auto& [id, adapter] : m_actions) {
        if (CActionData* clip = adapter->GetCurActionData())
            if (clip->Release() == 0) delete clip;
        delete adapter;
    }
    m_actions.clear();
    m_dwNextBoneID = m_dwNextSkinID = m_dwNextObjectID = m_dwNextActionID = 0;
    m_dwCurAction = m_dwCurFrame = 0xFFFFFFFF;
    // The nodes pointed at the parts just freed.
    SetSkeletonTree(nullptr);
    return 0;
}

void CSkeleton::Clone(CSkeleton& src)
{
    if (&src == this) return;
    FreeBones();
    m_pBones = src.m_pBones;
    m_pBoneNames = src.m_pBoneNames;
    m_bShareBones = 1;
    m_ownBones = src.m_ownBones;
    m_pMeshMng = src.m_pMeshMng;
    m_matWorld = src.m_matWorld;
}

long CSkeleton::Duplicate(const CSkeleton* src, IDirect3DDevice8* device)
{
    if (!src || src == this) return E_INVALIDARG;
    Release();
    m_pMeshMng = src->m_pMeshMng;
    m_matWorld = src->m_matWorld;
    m_matLocal = src->m_matLocal;
    m_dwSKLVersion = src->m_dwSKLVersion;
    m_dwSKLFlag = src->m_dwSKLFlag;
    m_strFileName = src->m_strFileName;
    m_dwAmbient = src->m_dwAmbient;
    std::copy(src->m_fDirLight, src->m_fDirLight + 6, m_fDirLight);
    m_nLightNum = src->m_nLightNum;
    for (int i = 0; i < 2; ++i)
        SetVSPointLight(i, src->m_fPointColour[i][0], src->m_fPointColour[i][1], src->m_fPointColour[i][2],
                        src->m_fPointRange[i], src->m_fPointPos[i][0], src->m_fPointPos[i][1], src->m_fPointPos[i][2]);
    m_bUsePs = src->m_bUsePs;
    m_bShaderMode = src->m_bShaderMode;

    // Bones and objects under their names and ids.
    if (src->m_pBones && src->m_pBoneNames) {
        for (auto& [name, id] : *src->m_pBoneNames) {
            CSkAniBone* bone = new CSkAniBone();
            bone->Clone(src->GetBone(id));
            m_dwNextBoneID = id;
            AddBone(name.c_str(), bone);
        }
    }
    for (auto& [name, id] : src->m_objectNames) {
        const CBaseObject* from = src->GetObject(id);
        CDummyObject* object = new CDummyObject();
        object->SetName(from->GetName());
        object->SetRootMatrix(from->GetRootMatrix());
        object->SetOffsetMatrix(from->GetOffsetMatrix());
        m_dwNextObjectID = id;
        AddObject(name.c_str(), object);
    }
    if (src->m_pTree) {
        CSkeletonTreeNode* root = new CSkeletonTreeNode();
        root->Clone(src->m_pTree, nullptr);
        SetSkeletonTree(root);
        BuildSkeletonTree(root);
    }
    long result = 0;
    // Skins share the source's mesh data and bind to the new bones.
    for (auto& [name, id] : src->m_skinNames) {
        CSkAniSkin* skin = new CSkAniSkin();
        *skin = *src->GetSkin(id);
        skin->ClearBone();
        m_dwNextSkinID = id;
        AddSkin(name.c_str(), skin);
        if (skin->GetBoneNumber() != skin->GetBoneNameList().size()) result = E_FAIL;
    }
    // Adapters of its own over the source's clips, which count the share.
    for (auto& [id, from] : src->m_actions) {
        CActionData* clip = from->GetCurActionData();
        if (!clip) continue;
        CAction* adapter = new CAction();
        adapter->SetACTVersion(from->GetACTVersion());
        adapter->SetActionData(clip);
        adapter->SetID(id);
        clip->AddRef();
        AddAction(adapter);
    }
    m_dwNextBoneID = m_dwNextSkinID = m_dwNextObjectID = 0;
    m_dwNextActionID = src->m_dwNextActionID;
    if (device) Build(device);
    return result;
}

} // namespace Kestu

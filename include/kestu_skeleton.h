// Kestu::CSkeleton: a skeletal model — its bones, named helper objects,
// skins, clips (as action adapters) and the hierarchy that joins bones and
// objects. It registers its skins' meshes with the mesh-data manager, moves
// the bones to a frame of a clip, deforms the skins (through the manager's
// per-clip cache when it is on), keeps the model's bound box, draws the skins
// and reads and writes its archives (".skl", ".msd", ".act", ".mtl").
#pragma once
#include "kestu_export.h"
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include <functional>
#include <iosfwd>
#include <list>
#include <map>
#include <string>

#include "kestu_action.h"
#include "kestu_bound.h"
#include "kestu_skin.h"

class COUArchive;

namespace Kestu {

class CMeshDataMng;

// Node types of the hierarchy.
enum : DWORD {
    KESTU_NODE_BONE = 1,
    KESTU_NODE_HELPER = 0x100,
};

// Section mask bits of the archives.
enum : DWORD {
    KESTU_SKL_SKELETON = 0x80,
    KESTU_SKL_SKINS = 0x40,
    KESTU_SKL_ACTIONS = 0x20,
    KESTU_SKL_MATERIALS = 0x10,
    KESTU_SKL_ALL = 0xF0,
};

class KESTU_API CSkeletonTreeNode {
public:
    using NodeList = std::list<CSkeletonTreeNode*>;

    CSkeletonTreeNode() {}
    CSkeletonTreeNode(const CSkeletonTreeNode&) = delete;
    CSkeletonTreeNode& operator=(const CSkeletonTreeNode&) = delete;
    // Destroys the children.
    virtual ~CSkeletonTreeNode();

    DWORD GetChildNum() const { return m_dwChildNum; }
    void SetName(const char* name) { m_strName = name ? name : ""; }
    const char* GetName() const { return m_strName.c_str(); }
    void SetNodeObject(CBaseObject* o) { m_pObject = o; }
    CBaseObject* GetNodeObject() const { return m_pObject; }
    void SetNodeType(DWORD t) { m_dwType = t; }
    DWORD GetNodeType() const { return m_dwType; }
    CSkeletonTreeNode* GetParent() const { return m_pParent; }
    const NodeList& GetChildNodeList() const { return m_children; }

    // Appends the child (whose parent becomes this node); 0.
    long AddChild(CSkeletonTreeNode* child);
    CSkeletonTreeNode* GetChild(DWORD i) const;
    // Inserts the children before where (last first when reverse); 1.
    int GetChildList(NodeList& list, NodeList::iterator& where, int reverse) const;
    // This node when fn gives 0, else the first match among the children.
    CSkeletonTreeNode* FindNode(int (*fn)(CSkeletonTreeNode*, void*), void* param);
    CSkeletonTreeNode* FindNodeByName(const char* name);
    // Destroys the children and clears the parent link.
    void Clear();
    // Copies src's fields and clones its children below this node.
    void Clone(const CSkeletonTreeNode* src, CSkeletonTreeNode* parent);
    // The node record and its children's, depth first. 0, or E_FAIL for a
    // short or damaged record.
    long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store);

private:
    long SerializeAt(COUArchive& ar, DWORD& byteCount, DWORD version, int store, DWORD depth);

    DWORD m_dwChildNum = 0;
    std::string m_strName;
    DWORD m_dwWord = 0;
    CBaseObject* m_pObject = nullptr;
    DWORD m_dwType = KESTU_NODE_BONE;
    CSkeletonTreeNode* m_pParent = nullptr;
    NodeList m_children;
};

class KESTU_API CSkeleton {
public:
    using BoneMap = std::map<DWORD, CSkAniBone*>;
    using SkinMap = std::map<DWORD, CSkAniSkin*>;
    using ObjectMap = std::map<DWORD, CBaseObject*>;
    using ActionMap = std::map<DWORD, IActionAdapter*>;
    using NameMap = std::map<std::string, DWORD>;

    CSkeleton();
    // A skeleton owns its bones, skins, objects and clips: copies are made
    // with Clone (shared bones) or Duplicate.
    CSkeleton(const CSkeleton&) = delete;
    CSkeleton& operator=(const CSkeleton&) = delete;
    virtual ~CSkeleton();

    // The sections of the mask (0x80 skeleton, 0x40 skins, 0x20 clips) in
    // that order. 0 (or the last section's result); E_FAIL for a damaged
    // section, with what was read so far kept.
    virtual long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, DWORD mask);
    // single: one file holding the sections; else one file per section bit,
    // named by the path's folder and file name with ".skl", ".msd", ".act",
    // ".mtl". 0, or the failure of a file that could not be written (a file
    // that was there stays as it was).
    virtual long Export(const char* path, int single, DWORD mask);
    virtual long Import(const char* path, int single, DWORD mask);
    virtual long Render(IDirect3DDevice8* device);
    virtual long RenderRough(IDirect3DDevice8* device, int mode);
    virtual long RenderForceColor(IDirect3DDevice8* device, D3DXMATRIX* m, D3DXCOLOR colour);

    // Parts. The id, or 0xFFFFFFFF when the name is taken.
    DWORD AddBone(const char* name, CSkAniBone* bone);
    DWORD AddObject(const char* name, CBaseObject* object);
    DWORD AddSkin(const char* name, CSkAniSkin* skin);
    // The id the adapter is filed under, or 0xFFFFFFFF when its bones could
    // not all be bound (it stays filed).
    DWORD AddAction(IActionAdapter* adapter);
    DWORD GetLastAddActionID() const { return m_dwNextActionID - 1; }
    int RemoveBone(DWORD id);
    int RemoveSkin(DWORD id);
    int RemoveObject(DWORD id);
    int RemoveBone(const char* name);
    int RemoveSkin(const char* name);
    int RemoveObject(const char* name);
    int RemoveAction(DWORD id);
    void RemoveAllAction() { m_actions.clear(); }

    CSkAniBone* GetBone(DWORD id) const;
    CSkAniSkin* GetSkin(DWORD id) const;
    CBaseObject* GetObject(DWORD id) const;
    IActionAdapter* GetAction(DWORD id) const;
    CSkAniBone* GetBoneByIndex(DWORD i) const;
    CSkAniSkin* GetSkinByIndex(DWORD i) const;
    IActionAdapter* GetActionByIndex(DWORD i) const;
    CSkAniBone* GetBoneByName(const std::string& name) const;
    CSkAniBone* GetNodeByName(const char* name) const;
    CSkAniSkin* GetSkinByName(const char* name) const;
    CBaseObject* GetObjectByName(const char* name) const;
    DWORD GetBoneIDByName(const std::string& name) const;
    CSkAniBone* FirstBone(BoneMap::const_iterator& it) const;
    CSkAniBone* NextBone(BoneMap::const_iterator& it) const;
    CSkAniSkin* FirstSkin(SkinMap::const_iterator& it) const;
    CSkAniSkin* NextSkin(SkinMap::const_iterator& it) const;
    IActionAdapter* FirstAction(ActionMap::const_iterator& it) const;
    IActionAdapter* NextAction(ActionMap::const_iterator& it) const;
    DWORD GetBonesNumber() const { return m_pBones ? DWORD(m_pBones->size()) : 0; }
    DWORD GetSkinsNumber() const { return DWORD(m_skins.size()); }
    DWORD GetObjectsNumber() const { return DWORD(m_objects.size()); }
    DWORD GetActionsNumber() const { return DWORD(m_actions.size()); }

    void SetAllSKLVersion(DWORD v);
    void SetAllSKLFlag(DWORD f);
    void SetAllMSDVersion(DWORD v);
    void SetAllMSDFlag(DWORD f);
    void SetAllACTVersion(DWORD v);
    void SetAllACTFlag(DWORD f);

    // Tree.
    void SetSkeletonTree(CSkeletonTreeNode* root);
    CSkeletonTreeNode* GetSkeletonTree() const { return m_pTree; }
    // Links each node to the bone of its name, or else the helper object.
    void BuildSkeletonTree(CSkeletonTreeNode* node);

    // Frames.
    long Transform(DWORD action, DWORD frame, CSkeleton* other);
    void SetCurrentRef(DWORD action, DWORD frame, CSkeleton* other);
    long FrameMove(float dt);
    void UseAction(DWORD id);
    void UnuseAction(DWORD id);
    void Refresh();
    DWORD GetCurrentAction() const { return m_dwCurAction; }
    DWORD GetCurrentFrame() const { return m_dwCurFrame; }
    void SetCurrentFrame(DWORD f) { m_dwCurFrame = f; }

    // Drawing.
    long Build(IDirect3DDevice8* device);
    long SetVSRenderPass(IDirect3DDevice8* device);

    // Copies and lifetime.
    // Shares src's bones (and bone names); copies its mesh manager and world transform.
    void Clone(CSkeleton& src);
    // Makes this skeleton a copy of src with bones, objects and skins of its
    // own and adapters of its own over src's (shared, counted) clips; builds
    // it when a device is given. 0, or E_FAIL when src's skins cannot bind.
    long Duplicate(const CSkeleton* src, IDirect3DDevice8* device);
    long Release();

    void SetTransform(const D3DXMATRIX* m) { m_matWorld = *m; }
    const D3DXMATRIX* GetTransform() const { return &m_matWorld; }
    void SetMeshManager(CMeshDataMng* mng) { m_pMeshMng = mng; }
    CMeshDataMng* GetMeshManager() const { return m_pMeshMng; }
    const SBoundBox* GetCurBoundBox() const { return &m_bboxCur; }
    void SetLocalTransform(const D3DXMATRIX* m) { m_matLocal = *m; }
    const D3DXMATRIX* GetLocalTransform() const { return &m_matLocal; }
    DWORD GetSKLVersion() const { return m_dwSKLVersion; }
    DWORD GetSKLFlag() const { return m_dwSKLFlag; }
    const char* GetSKLFileName() const { return m_strFileName.c_str(); }
    void SetSKLFileName(const char* name) { m_strFileName = name ? name : ""; }
    int IsShareBones() const { return m_bShareBones; }

    // Lights of the shader paths.
    void SetVSAmbientLight(DWORD argb) { m_dwAmbient = argb; }
    DWORD GetVSAmbientLight() const { return m_dwAmbient; }
    void SetVSDirLight(float r, float g, float b, float x, float y, float z);
    void GetVSDirLight(float& r, float& g, float& b, float& x, float& y, float& z) const;
    void EnableLightNum(int n) { m_nLightNum = n; }
    int GetLightNum() const { return m_nLightNum; }
    void SetVSPointLight(int i, float r, float g, float b, float range, float x, float y, float z);
    void GetVSPointLight(int i, float& r, float& g, float& b, float& range, float& x, float& y, float& z) const;
    void EnableUsePs(int v) { m_bUsePs = v; }
    int IsEnableUsePs() const { return m_bUsePs; }
    void RenderShaderMode(int v) { m_bShaderMode = v; }
    int IsRenderShaderMode() const { return m_bShaderMode; }

    // The factory of adapters that clients may replace.
    static IActionAdapterFactory* m_pActionAdapterFactory;

protected:
    long SerializeSkeleton(COUArchive& ar, DWORD& byteCount, DWORD version, int store);
    long SerializeSkins(COUArchive& ar, DWORD& byteCount, DWORD version, int store);
    long SerializeActions(COUArchive& ar, DWORD& byteCount, DWORD version, int store);
    // Deforms every skin for (action, frame) and caches it where the cache
    // is on; moves the bones first when moveBones.
    void DeformSkins(DWORD action, DWORD frame, bool onlyUncached, IActionAdapter* adapter);
    void FreeBones();
    // Draws each skin with draw, on path 2 in shader mode, with the
    // constants of the path set first.
    long DrawSkins(IDirect3DDevice8* device, const std::function<void(CSkAniSkin*)>& draw);
    // Calls fn(meshId, action) of the manager for each skin's mesh (cache on).
    void ForEachCachedMesh(void (CMeshDataMng::*fn)(DWORD, DWORD), DWORD action);

    int m_bShareBones = 0;
    CSkeletonTreeNode* m_pTree = nullptr;
    BoneMap m_ownBones;
    BoneMap* m_pBones = nullptr;
    SkinMap m_skins;
    ObjectMap m_objects;
    NameMap* m_pBoneNames = nullptr;
    NameMap m_skinNames;
    NameMap m_objectNames;
    ActionMap m_actions;
    DWORD m_dwCurAction = 0xFFFFFFFF;
    DWORD m_dwNextBoneID = 0;
    DWORD m_dwNextSkinID = 0;
    DWORD m_dwNextObjectID = 0;
    DWORD m_dwNextActionID = 0;
    DWORD m_dwCurFrame = 0xFFFFFFFF;
    D3DXMATRIX m_matWorld;
    CMeshDataMng* m_pMeshMng = nullptr;
    SBoundBox m_bboxCur;
    D3DXMATRIX m_matLocal;
    DWORD m_dwSKLVersion = 2;
    DWORD m_dwSKLFlag = 1;
    std::string m_strFileName;
    DWORD m_dwAmbient = 0x77777777;
    float m_fDirLight[6] = {1.0f, 1.0f, 1.0f, 1.0f, 0.0f, 0.0f};
    int m_nLightNum = 0;
    float m_fPointColour[2][3] = {};
    float m_fPointRange[2] = {};
    float m_fPointPos[2][3] = {};
    int m_bUsePs = 0;
    int m_bShaderMode = 0;
};

// A registry of the client's loaded skeletons by number; it owns none.
class KESTU_API CSkeletonManager {
public:
    CSkeletonManager() {}
    CSkeletonManager(const CSkeletonManager&) = default;
    CSkeletonManager& operator=(const CSkeletonManager&) = default;
    virtual ~CSkeletonManager() {}
    // Does nothing; 1.
    virtual long Serialize(std::fstream&, int) { return 1; }

    DWORD AddSkeleton(CSkeleton* skeleton);
    int RemoveSkeleton(DWORD id);
    DWORD GetIndexByName(const char* name) const;
    int GetNameByIndex(DWORD id, std::string& name) const;

private:
    std::map<DWORD, CSkeleton*> m_skeletons;
    std::map<std::string, DWORD> m_names;
    DWORD m_dwNextID = 0;
};

} // namespace Kestu

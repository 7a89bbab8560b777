// Bones and skins of a skeleton: a bone is a rigid object that the animation
// moves; a skin is a soft object whose vertices follow a list of bones, each
// with its offset matrix. A skin stores its bones by name and binds them to
// the skeleton's bone objects after loading.
#pragma once
#include "kestu_export.h"
#include "kestu_object.h"

#include <list>
#include <string>
#include <utility>
#include <vector>

namespace Kestu {

class KESTU_API CSkAniBone : public CRigidObject {
public:
    // A new bone is hidden.
    CSkAniBone() { m_bVisible = 0; }
    CSkAniBone(const CSkAniBone& other) = default;
    // The name, the world box and the three bone words.
    CSkAniBone& operator=(const CSkAniBone& other);

    // The visible flag (unless the SKL version is 0xFFFFFFFF), then the rigid record.
    long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag) override;
    long Render(IDirect3DDevice8* device) override { return CRigidObject::Render(device); }

    // The bone words, the world box, the matrices, name, visibility, local
    // box, skeleton and render context; not the mesh data or the children.
    void Clone(const CSkAniBone* src);

    DWORD GetSKLVersion() const { return m_dwSKLVersion; }
    void SetSKLVersion(DWORD v) { m_dwSKLVersion = v; }
    DWORD GetSKLFlag() const { return m_dwSKLFlag; }
    void SetSKLFlag(DWORD v) { m_dwSKLFlag = v; }

protected:
    DWORD m_dwSKLVersion = 2;
    DWORD m_dwSKLFlag = 1;
    DWORD m_dwWord = 0;
};

class KESTU_API CSkAniSkin : public CSoftObject {
public:
    using BoneNameList = std::list<std::pair<std::string, D3DXMATRIX>>;

    CSkAniSkin() {}
    // Copies own copies of the bone tables and the name list.
    CSkAniSkin(const CSkAniSkin& other) = default;
    CSkAniSkin& operator=(const CSkAniSkin& other);
    ~CSkAniSkin() override {}

    // The skin record: the MSD flag (MSD version 2 or more), the soft record,
    // the bone entries. 0, or E_FAIL for a short or damaged record.
    long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag) override;
    // Builds the mesh handle and, on a shader path, the palette and the
    // shader streams; the mesh handle's result.
    long Build(IDirect3DDevice8* device) override;

    // Appends a bound bone; a full table doubles (at least to 4).
    void AddBone(CSkAniBone* bone, const D3DXMATRIX* offset);
    // The same with 16 floats, or the identity for null.
    void AddBone(CSkAniBone* bone, const float* m);
    void ClearBone() { m_dwBoneNum = 0; }
    // Copies min(n, capacity) matrices over the offset matrices.
    void SetBoneMatrixList(const D3DXMATRIX* m, DWORD n);
    void AddBoneToList(const char* name, const D3DXMATRIX* m);
    // Binds the listed names to s's bones, stopping at the first name s lacks
    // (E_FAIL, logged when s has bones).
    long GenerateBoneList(CSkeleton* s);
    // Deforms the mesh data by the bound bones into the handle's buffer; 0.
    long CalcDeform();
    void EnableNormalCalc(int enable);
    int IsNormalCalcEnabled() const { return m_bNormalCalc; }

    D3DXMATRIX* GetMatrixList() { return m_dwBoneCapacity ? m_matOffsets.data() : nullptr; }
    CSkAniBone** GetBoneList() { return m_dwBoneCapacity ? m_bones.data() : nullptr; }
    const BoneNameList& GetBoneNameList() const { return m_boneNames; }
    DWORD GetBoneNumber() const { return m_dwBoneNum; }
    DWORD GetBoneCapacity() const { return m_dwBoneCapacity; }
    void SetParent(CSkeleton* skeleton) { m_pParent = skeleton; }
    CSkeleton* GetParent() const { return m_pParent; }
    void SetTexturePath(const char* folder) { m_szTexturePath = folder; }
    CMeshDataRef* GetMeshDataRef() { return &m_MeshRef; }
    // The bone palette (one matrix per listed bone on the shader paths).
    D3DXMATRIX* GetPalette() { return CSoftObject::GetMatrixList(); }

protected:
    DWORD m_dwWord1 = 0xFFFFFFFF;
    std::vector<D3DXMATRIX> m_matOffsets;
    std::vector<CSkAniBone*> m_bones;
    BoneNameList m_boneNames;
    DWORD m_dwBoneNum = 0;
    DWORD m_dwBoneCapacity = 0;
    DWORD m_dwWord2 = 0;
    int m_bNormalCalc = 0;
    CSkeleton* m_pParent = nullptr;
    const char* m_szTexturePath = nullptr;
};

} // namespace Kestu

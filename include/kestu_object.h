// The skeletal object model: every part of a model (bone, skin, rigid mesh,
// helper or dummy marker) is a CBaseObject with an offset (bind) matrix, a
// root matrix (its matrix in the model, which the animation writes), the
// world transform, a name, a visibility flag, a bound box, a handle on shared
// mesh data, an optional material set, its skeleton and a client context.
// Objects attach to one another through joints.
#pragma once
#include "kestu_export.h"
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include <map>
#include <string>
#include <vector>

#include "kestu_bound.h"
#include "kestu_meshdataref.h"

class COUArchive;

namespace Kestu {

class CSkeleton;
class CMaterialSet;
class CJointBase;

class KESTU_API CBaseObject {
public:
    using ObjectMap = std::map<CBaseObject*, const CJointBase*>;

    CBaseObject();
    // Copies every field: the maps, the mesh handle (with references of its own).
    CBaseObject(const CBaseObject& other);
    // Copies the name only.
    CBaseObject& operator=(const CBaseObject& other);

    virtual void SetTransform(const D3DXMATRIX* m) { m_matTransform = *m; }
    virtual ~CBaseObject();
    // Files (child, joint) unless the child is there already; 1.
    virtual long Attach(CBaseObject* child, const CJointBase* joint, const D3DXVECTOR3* = nullptr,
                        const D3DXVECTOR3* = nullptr);
    // 1 when the child was attached, else 0.
    virtual long Detach(CBaseObject* child);
    virtual long Transform(const D3DXMATRIX*) { return 0; }
    // The base record: root matrix, offset matrix, child count. 0, or E_FAIL
    // for a short record.
    virtual long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag);
    virtual long Build(IDirect3DDevice8* device) = 0;
    virtual long Render(IDirect3DDevice8* device) = 0;
    virtual long RenderRough(IDirect3DDevice8* device, int mode) = 0;
    // Drops the handle's own vertex buffer; 0.
    virtual long Release();
    virtual SBoundBox* GetBoundBox() { return &m_bbox; }

    // The name only.
    void Duplicate(const CBaseObject* src) { m_strName = src->m_strName; }

    const D3DXMATRIX* GetOffsetMatrix() const { return &m_matOffset; }
    void SetOffsetMatrix(const D3DXMATRIX* m) { m_matOffset = *m; }
    const D3DXMATRIX* GetRootMatrix() const { return &m_matRoot; }
    void SetRootMatrix(const D3DXMATRIX* m) { m_matRoot = *m; }
    const D3DXMATRIX* GetTransform() const { return &m_matTransform; }

    const ObjectMap& GetChildren() const { return m_children; }
    int IsMeshDataFromArchive() const { return m_bMeshFromArchive; }
    void SetMtlSet(CMaterialSet* set) { m_pMtlSet = set; }
    CMaterialSet* GetMtlSet() const { return m_pMtlSet; }
    const char* GetName() const { return m_strName.c_str(); }
    void SetName(const char* name) { m_strName = name ? name : ""; }
    int IsVisible() const { return m_bVisible; }
    void EnableVisible(int visible) { m_bVisible = visible; }
    // Empties the box, then takes the source's corners.
    void SetBoundBox(const SBoundBox* box);
    void SetSkeleton(CSkeleton* skeleton) { m_pSkeleton = skeleton; }
    CSkeleton* GetSkeleton() const { return m_pSkeleton; }
    void SetRenderContex(void* context) { m_pRenderContext = context; }
    void* GetRenderContex() const { return m_pRenderContext; }
    // Takes a reference on the mesh and drops the old one.
    void SetMeshData(CMeshDataBase* mesh);
    CMeshDataBase* GetMeshData() const { return m_MeshRef.GetMeshData(); }

    static constexpr const char* kDefaultName = "What.the.Hell.is.this?";

protected:
    D3DXMATRIX m_matOffset;
    D3DXMATRIX m_matRoot;
    D3DXMATRIX m_matTransform;
    ObjectMap m_children;
    ObjectMap m_others; // carried with the object, never filled
    int m_bMeshFromArchive = 0;
    CMaterialSet* m_pMtlSet = nullptr;
    std::string m_strName = kDefaultName;
    int m_bVisible = 1;
    SBoundBox m_bbox;
    CSkeleton* m_pSkeleton = nullptr;
    void* m_pRenderContext = nullptr;
    CMeshDataRef m_MeshRef;
};

// Rigid geometry moved as a whole; its world box follows the root matrix.
class KESTU_API CRigidObject : public CBaseObject {
public:
    CRigidObject();
    CRigidObject(const CRigidObject& other) = default;
    // The name and the world box.
    CRigidObject& operator=(const CRigidObject& other);

    // The root matrix becomes m; a visible object's world box follows.
    long Transform(const D3DXMATRIX* m) override;
    // The local box, then the base record.
    long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag) override;
    long Build(IDirect3DDevice8* device) override;
    long Render(IDirect3DDevice8* device) override;
    // Draws when visible; E_FAIL always.
    long RenderRough(IDirect3DDevice8* device, int mode) override;
    long Release() override { return CBaseObject::Release(); }
    // The world box.
    SBoundBox* GetBoundBox() override { return &m_bboxWorld; }

protected:
    SBoundBox m_bboxWorld;
};

// Deformable geometry: its mesh data follow the matrix list (the bone palette).
class KESTU_API CSoftObject : public CBaseObject {
public:
    CSoftObject() {}
    CSoftObject(const CSoftObject& other) = default;
    // The name, and the mesh handle on the source's mesh data.
    CSoftObject& operator=(const CSoftObject& other);

    long Transform(const D3DXMATRIX* m) override
    {
        SetRootMatrix(m);
        return 0;
    }
    // The base record, then the mesh data as a "MESHDATA" chunk (an empty
    // one of the null kind when the object holds none).
    long Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store, int flag) override;
    long Build(IDirect3DDevice8*) override { return 0; }
    long Render(IDirect3DDevice8* device) override;
    long RenderRough(IDirect3DDevice8* device, int mode) override;
    long Release() override { return CBaseObject::Release(); }

    DWORD GetMSDVersion() const { return m_dwMSDVersion; }
    void SetMSDVersion(DWORD v) { m_dwMSDVersion = v; }
    DWORD GetMSDFlag() const { return m_dwMSDFlag; }
    void SetMSDFlag(DWORD v) { m_dwMSDFlag = v; }
    // The palette: null when none was made.
    D3DXMATRIX* GetMatrixList() { return m_matList.empty() ? nullptr : m_matList.data(); }

protected:
    DWORD m_dwMSDVersion = 2;
    DWORD m_dwMSDFlag = 1;
    std::vector<D3DXMATRIX> m_matList;
};

// A marker in the hierarchy: no geometry.
class KESTU_API CHelperObject : public CBaseObject {
public:
    long Build(IDirect3DDevice8*) override { return 0; }
    long Render(IDirect3DDevice8*) override { return 0; }
    long RenderRough(IDirect3DDevice8*, int) override { return E_FAIL; }
};

class KESTU_API CDummyObject : public CHelperObject {};

// How an attached object may move against its parent. Only the freedom mask
// and the three limits are read.
class KESTU_API CJointBase {
public:
    CJointBase() {}
    CJointBase(const CJointBase&) = default;
    CJointBase& operator=(const CJointBase&) = default;
    virtual void PerformTransform(const D3DXVECTOR3& v) = 0;
    virtual ~CJointBase() {}

    DWORD GetJointFreedom() const { return m_dwParams[1]; }
    // Limit 1 takes a when bit 0 of the mask is set, limit 2 b with bit 1,
    // limit 3 c with bit 2; the others stay.
    void SetJointFreedom(int mask, float a, float b, float c);

protected:
    DWORD m_dwWords[2] = {};
    DWORD m_dwWord = 0;
    DWORD m_dwParams[6] = {};
    D3DXVECTOR3 m_vVectors[3] = {};
    float m_fLimits[3] = {};
};

class KESTU_API CJointFixed : public CJointBase {
public:
    CJointFixed() { m_dwParams[1] = 0; }
    void PerformTransform(const D3DXVECTOR3&) override {}
};

class KESTU_API CJointAxis : public CJointBase {
public:
    void PerformTransform(const D3DXVECTOR3&) override {}
};

} // namespace Kestu

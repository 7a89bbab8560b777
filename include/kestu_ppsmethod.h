// Render methods of the particle groups and the manager that creates, owns
// and finds them. A method keeps one record per group it serves.
#pragma once
#include "kestu_export.h"
#include <cstdint>
#include <iosfwd>
#include <list>
#include <map>
#include <string>

#include <windows.h>
#include <d3d8.h>

class CBBFaceMe;
class CBillboardMng;
class CDataChunk;
class CEye;
class CMeshAni;
class CMeshAniData;
class CParticleBase;
class CParticleGroup;
class CTextureMng;
namespace Kestu {
class CMeshDataMng;
class CSkeleton;
class CSkeletonAni;
} // namespace Kestu

// A method's record of one group: twelve words, zero when created. Words that
// hold pointers are pointer-sized in memory.
struct SPPS_METHOD_RES {
    void* pVertices = nullptr;                    // points, triangles, quads, point sprites (owned)
    DWORD dwSize = 0;                             // vertex bytes; the billboard method: billboard count
    DWORD dwReserved2 = 0;                        // mesh and skeletal methods: number of players
    DWORD dwReserved3 = 0;                        // skeletal method: 1 once Build has prepared the players
    DWORD dwFVF = 0;                              // vertex format
    CMeshAni* pMeshAnis = nullptr;                // mesh method: players (owned)
    CMeshAniData* pMeshAniData = nullptr;         // mesh method: the group's mesh data (owned)
    Kestu::CSkeleton* pSkeleton = nullptr;        // skeletal method: the skeleton (owned)
    Kestu::CSkeletonAni* pSkeletonAnis = nullptr; // skeletal method: players (owned)
    DWORD dwMeshState = 0;                        // mesh method: 0 after Build
    DWORD dwReserved10 = 0;
    CBBFaceMe* pBillboards = nullptr; // billboard method: billboards (owned)
};

class KESTU_API CPPS_METHOD_BASE {
public:
    CPPS_METHOD_BASE() {}
    CPPS_METHOD_BASE(const CPPS_METHOD_BASE&) = delete;
    CPPS_METHOD_BASE& operator=(const CPPS_METHOD_BASE&) = delete;
    // Frees the records still held; a deriving method frees what its records
    // point at before this runs.
    virtual ~CPPS_METHOD_BASE();

    // A zeroed record for a group without one (0); 1 when it has one already.
    virtual LONG AddRef(CParticleGroup* group) = 0;
    virtual HRESULT Build(IDirect3DDevice8* device, CParticleGroup* group) = 0;
    virtual void Release(CParticleGroup* group) = 0;
    virtual HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) = 0;
    virtual HRESULT Update(CParticleGroup* group, float dt) = 0;
    virtual CParticleBase* New(CParticleGroup* group, int count) = 0;
    virtual void Delete(CParticleGroup* group, CParticleBase* particle) = 0;
    // The name as a u32 length and its bytes.
    virtual HRESULT Serialize(std::iostream& stream, int bWrite);
    // Reads lines until one that begins with "Method" and carries a value, the
    // name (0); 1 when the block's "}" or the end of the text comes first.
    virtual HRESULT CreateFromScript(CDataChunk& chunk);
    // "{" and the "Method" line.
    virtual HRESULT WriteToScript(std::ostream& out);

    DWORD GetID() const { return m_dwID; }
    void SetID(DWORD id) { m_dwID = id; }
    const char* GetName() const { return m_strName.c_str(); }
    void SetName(const char* name) { m_strName = name ? name : ""; }
    // The record of the group, null when it has none.
    SPPS_METHOD_RES* GetRes(CParticleGroup* group) const;
    size_t GetResCount() const { return m_Res.size(); }

protected:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    // The common behaviour the methods share: a zeroed record per group
    // (0, or 1 when the group has one), the record erased and freed, and
    // particles taken from and given back to the free list.
    LONG AddRes(CParticleGroup* group);
    void EraseRes(CParticleGroup* group);
    // A particle from the free list with its motion cleared (colour and
    // shape kept); null when memory runs out.
    static CParticleBase* NewPooledParticle();
    static void DeletePooledParticle(CParticleBase* particle);

    std::map<CParticleGroup*, SPPS_METHOD_RES*> m_Res;
    DWORD m_dwID = 0;
    std::string m_strName;
};

// One entry of the method manager: the method (owned) and its type.
struct _SMethodTypeUnion {
    CPPS_METHOD_BASE* pMethod;
    DWORD dwType;
};

// Method types, as stored in the particle files.
enum EPPS_METHOD_TYPE : DWORD {
    PPS_METHOD_POINT = 0,
    PPS_METHOD_TRIANGLE = 1,
    PPS_METHOD_QUAD = 2,
    PPS_METHOD_POINTSPRITE = 3,
    PPS_METHOD_BB = 4,
    PPS_METHOD_SKLANI = 5,
    PPS_METHOD_MESH = 6,
};

class KESTU_API CParticleMethodMng {
public:
    using iterator = std::list<_SMethodTypeUnion>::iterator;

    CParticleMethodMng() {}
    CParticleMethodMng(const CParticleMethodMng&) = delete;
    CParticleMethodMng& operator=(const CParticleMethodMng&) = delete;
    virtual ~CParticleMethodMng() { Clear(); }

    // A new method of the type, named after the running method counter and
    // appended; null for a type no method class answers to.
    CPPS_METHOD_BASE* NewMethod(DWORD type);
    // The method set of the particle binary file. Reading replaces every
    // method; a type without a method class or a method record the format
    // cannot hold fails with E_FAIL and leaves the manager empty.
    HRESULT Serialize(std::iostream& stream, int bWrite);
    // The method set's body, after its "MethodSet" line, up to its "}".
    HRESULT CreateFromScript(CDataChunk& chunk);
    HRESULT WriteToScript(std::ostream& out);
    CPPS_METHOD_BASE* GetMethodByName(const char* name) const;
    // 0xFFFFFFFF when no method has the name.
    DWORD GetMethodTypeByName(const char* name) const;
    CPPS_METHOD_BASE* GetMethod(DWORD id) const;
    // 1 when a method of the id was deleted, else 0.
    int RemoveMethod(DWORD id);
    void Clear();

    DWORD GetMethodCount() const { return static_cast<DWORD>(m_Methods.size()); }
    DWORD GetStoredMethodCount() const { return m_dwMethodCount; }
    void SetStoredMethodCount(DWORD count) { m_dwMethodCount = count; }
    CPPS_METHOD_BASE* FirstMethod() const { return m_Methods.empty() ? nullptr : m_Methods.front().pMethod; }
    CPPS_METHOD_BASE* LastMethod() const { return m_Methods.empty() ? nullptr : m_Methods.back().pMethod; }
    iterator FirstMethodPosition() { return m_Methods.begin(); }
    iterator EndMethodPosition() { return m_Methods.end(); }
    // Moves on first, then returns the method there (null at the end).
    CPPS_METHOD_BASE* NextMethod(iterator& it);

    void SetTextureMng(CTextureMng* textureMng);
    CTextureMng* GetTextureMng() const { return m_pTextureMng; }
    void SetMeshDataMng(Kestu::CMeshDataMng* meshDataMng);
    Kestu::CMeshDataMng* GetMeshDataMng() const { return m_pMeshDataMng; }
    void SetEye(CEye* eye) { m_pEye = eye; }
    CEye* GetEye() const { return m_pEye; }
    void SetDevice(IDirect3DDevice8* device) { m_pDevice = device; }
    IDirect3DDevice8* GetDevice() const { return m_pDevice; }
    void SetBillboardMng(CBillboardMng* billboardMng) { m_pBillboardMng = billboardMng; }
    CBillboardMng* GetBillboardMng() const { return m_pBillboardMng; }

    // Gives a method the next running number as its ID and name and appends
    // it with its type; the manager owns it from then on. NewMethod makes its
    // methods through here.
    CPPS_METHOD_BASE* AddMethod(CPPS_METHOD_BASE* method, DWORD type);

private:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    DWORD m_dwMethodCount = 0;
    std::list<_SMethodTypeUnion> m_Methods;
    CTextureMng* m_pTextureMng = nullptr;
    CEye* m_pEye = nullptr;
    Kestu::CMeshDataMng* m_pMeshDataMng = nullptr;
    IDirect3DDevice8* m_pDevice = nullptr;
    CBillboardMng* m_pBillboardMng = nullptr;
};

// The decimal text of a running number: the default name of new methods,
// groups and systems.
KESTU_API std::string PPSNumberName(DWORD number);

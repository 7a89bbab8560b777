// The render methods that draw particle groups: points, triangles, quads and
// point sprites from one vertex array per group, camera-facing billboards,
// frame-animated meshes and skeletal models.
#pragma once
#include "kestu_export.h"
#include <cstdint>
#include <list>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include <d3d8.h>
#include <d3dx8.h>

#include "kestu_ppsmethod.h"

class CBillboard;
class CMeshAniMng;

// The vertex of the array methods: position and diffuse colour.
struct SPPS_VERTEX {
    float x, y, z;
    DWORD color;
};
constexpr DWORD PPS_VERTEX_FVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;

// What the point, triangle, quad and point-sprite methods share: a record
// per group holding a vertex array sized for the group's maximum, particles
// from the free list, and the name as the method's only stored field.
class KESTU_API CPPS_METHOD_VERTICES : public CPPS_METHOD_BASE {
public:
    LONG AddRef(CParticleGroup* group) override { return AddRes(group); }
    // A fresh, zeroed array for MaxParticleNumber particles; E_OUTOFMEMORY
    // (and no array) when it cannot be had.
    HRESULT Build(IDirect3DDevice8* device, CParticleGroup* group) override;
    void Release(CParticleGroup* group) override;
    CParticleBase* New(CParticleGroup* group, int count) override { return NewPooledParticle(); }
    void Delete(CParticleGroup* group, CParticleBase* particle) override { DeletePooledParticle(particle); }
    // The block's "Method" line; the rest of the block is passed over.
    HRESULT CreateFromScript(CDataChunk& chunk) override;
    // The "Method" line closes the block.
    HRESULT WriteToScript(std::ostream& out) override;
    ~CPPS_METHOD_VERTICES() override;

    // Vertices each particle becomes.
    DWORD GetVerticesPerParticle() const { return m_dwVerticesPerParticle; }

protected:
    explicit CPPS_METHOD_VERTICES(DWORD verticesPerParticle) : m_dwVerticesPerParticle(verticesPerParticle) {}
    // The particles whose vertices the array holds: the group's count, at
    // most the array's capacity.
    DWORD DrawableParticles(CParticleGroup* group, const SPPS_METHOD_RES& res) const;
    // One vertex per particle, for the point and the point-sprite methods.
    HRESULT UpdatePoints(CParticleGroup* group);
    // The group's particles as triangles under its root matrix, 1000
    // particles to a call.
    HRESULT RenderTriangles(IDirect3DDevice8* device, CParticleGroup* group, DWORD trianglesPerParticle);
    // Draws n particles in batches of batch particles, each particle being
    // primitivesPerParticle primitives of the type.
    static void DrawBatches(IDirect3DDevice8* device, D3DPRIMITIVETYPE type, const SPPS_VERTEX* vertices, DWORD n,
                            DWORD batch, DWORD verticesPerParticle, DWORD primitivesPerParticle);

private:
    DWORD m_dwVerticesPerParticle;
};

class KESTU_API CMethodPoint : public CPPS_METHOD_VERTICES {
public:
    CMethodPoint() : CPPS_METHOD_VERTICES(1) {}
    // Refills the array from the particles in list order, at most as many as
    // it holds.
    HRESULT Update(CParticleGroup* group, float dt) override;
    HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) override;
};

// A double-sided triangle per particle, with edges of size along the
// group's x and y axes.
class KESTU_API CMethodTriangle : public CPPS_METHOD_VERTICES {
public:
    CMethodTriangle() : CPPS_METHOD_VERTICES(6) {}
    HRESULT Update(CParticleGroup* group, float dt) override;
    HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) override;
    void SetSize(float size) { m_fSize = size; }
    float GetSize() const { return m_fSize; }

private:
    float m_fSize = 0.1f;
};

// A double-sided square per particle, from the particle to (size, size).
class KESTU_API CMethodQuad : public CPPS_METHOD_VERTICES {
public:
    CMethodQuad() : CPPS_METHOD_VERTICES(12) {}
    HRESULT Update(CParticleGroup* group, float dt) override;
    HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) override;
    void SetSize(float size) { m_fSize = size; }
    float GetSize() const { return m_fSize; }

private:
    float m_fSize = 0.1f;
};

// Hardware point sprites, added onto the frame, with one texture from a file.
class KESTU_API CMethodPointSprite : public CPPS_METHOD_VERTICES {
public:
    CMethodPointSprite() : CPPS_METHOD_VERTICES(1) {}
    ~CMethodPointSprite() override { ReleaseTexture(); }

    // Stores the path; a device that cannot size points is told of with a
    // message box (drawing still goes ahead).
    void Init(const char* path, IDirect3DDevice8* device);
    // The texture from TexturePath, replacing the held one; the loader's result.
    HRESULT LoadTexture(IDirect3DDevice8* device);
    void ReleaseTexture();

    // Linear filtering on stage 0, then the array.
    HRESULT Build(IDirect3DDevice8* device, CParticleGroup* group) override;
    HRESULT Update(CParticleGroup* group, float dt) override;
    HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) override;
    // The name, PointSize and TexturePath.
    HRESULT Serialize(std::iostream& stream, int bWrite) override;
    HRESULT CreateFromScript(CDataChunk& chunk) override;
    HRESULT WriteToScript(std::ostream& out) override;

    void SetSize(float size) { m_fSize = size; }
    float GetSize() const { return m_fSize; }
    void SetPointSize(float size) { m_fPointSize = size; }
    float GetPointSize() const { return m_fPointSize; }
    void SetTexturePath(const char* path) { m_strTexturePath = path ? path : ""; }
    const char* GetTexturePath() const { return m_strTexturePath.c_str(); }
    IDirect3DTexture8* GetTexture() const { return m_pTexture; }
    int IsSupported() const { return m_bSupported; }

private:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    float m_fSize = 0.0f;
    std::string m_strTexturePath;
    IDirect3DTexture8* m_pTexture = nullptr;
    int32_t m_bSupported = 0;
    float m_fPointSize = 1.0f;
};

// A camera-facing billboard per particle, textured by id from a texture
// manager, drawn far to near by the method or handed to a billboard manager
// that sorts and draws it with its other billboards.
class KESTU_API CMethodBB : public CPPS_METHOD_BASE {
public:
    CMethodBB() {}
    CMethodBB(CEye* eye, CTextureMng* textureMng, DWORD textureID);
    // Takes the billboards it handed to the billboard manager back out of it.
    ~CMethodBB() override;

    LONG AddRef(CParticleGroup* group) override { return AddRes(group); }
    // MaxParticleNumber billboards, replacing the group's earlier ones; a
    // billboard that cannot be built leaves the group without billboards and
    // its failure is returned.
    HRESULT Build(IDirect3DDevice8* device, CParticleGroup* group) override;
    void Release(CParticleGroup* group) override;
    // Draws the billboards of the particles far to near; nothing while a
    // billboard manager draws them.
    HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) override;
    // Places one billboard on each particle, in its colour; the billboards of
    // live particles are then sorted, or kept in the billboard manager (each
    // once) when one draws them.
    HRESULT Update(CParticleGroup* group, float dt) override;
    CParticleBase* New(CParticleGroup* group, int count) override { return NewPooledParticle(); }
    void Delete(CParticleGroup* group, CParticleBase* particle) override { DeletePooledParticle(particle); }
    // The name, TextureID, BBHeight and BBWidth.
    HRESULT Serialize(std::iostream& stream, int bWrite) override;
    HRESULT CreateFromScript(CDataChunk& chunk) override;
    HRESULT WriteToScript(std::ostream& out) override;

    // Stores the manager and turns its use on; billboards held by an earlier
    // manager are taken out of it.
    void SetBillboardMng(CBillboardMng* billboardMng);
    CBillboardMng* GetBillboardMng() const { return m_pBillboardMng; }
    // Turning the use off takes the billboards out of the manager.
    void EnableUsedMng(int use);
    int IsUsedMng() const { return m_bUseMng; }
    void SetEye(CEye* eye) { m_pEye = eye; }
    CEye* GetEye() const { return m_pEye; }
    // Also given to the billboards already built.
    void SetTextureMng(CTextureMng* textureMng);
    CTextureMng* GetTextureMng() const { return m_pTextureMng; }
    void SetTextureID(DWORD id) { m_dwTextureID = id; }
    DWORD GetTextureID() const { return m_dwTextureID; }
    void SetBBHeight(float height) { m_fBBHeight = height; }
    float GetBBHeight() const { return m_fBBHeight; }
    void SetBBWidth(float width) { m_fBBWidth = width; }
    float GetBBWidth() const { return m_fBBWidth; }

    // The group's billboards in the order the last Update left them for
    // drawing (empty while a manager draws them).
    std::vector<CBillboard*> GetDrawOrder(CParticleGroup* group) const;
    // How many of the group's billboards the billboard manager held after
    // the last update.
    DWORD GetBillboardsInMng(CParticleGroup* group) const;

private:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    struct SGroupBillboards {
        // Entries as the billboard managers hold them: CBillboard pointers.
        std::vector<void*> order;
        // Which billboards the manager held at the last update, and how
        // many of the particles' billboards it holds now.
        std::vector<uint8_t> held;
        DWORD inMng = 0;
    };
    // True when a manager draws the billboards.
    bool DrawsThroughMng() const { return m_bUseMng && m_pBillboardMng; }
    // The manager holds each of the group's first n billboards once and no
    // other billboard of the group.
    void KeepInMng(const SPPS_METHOD_RES& res, SGroupBillboards& state, DWORD n);
    void WithdrawAll();
    void FreeBillboards(CParticleGroup* group, SPPS_METHOD_RES& res);

    float m_fBBHeight = 0.1f;
    float m_fBBWidth = 0.1f;
    CEye* m_pEye = nullptr;
    CTextureMng* m_pTextureMng = nullptr;
    DWORD m_dwTextureID = 0;
    int32_t m_bUseMng = 0;
    CBillboardMng* m_pBillboardMng = nullptr;
    std::map<CParticleGroup*, SGroupBillboards> m_Groups;
    // Room for the depth keys of a sort, kept between frames.
    std::vector<std::pair<float, void*>> m_SortKeys;
};

// A frame-animated mesh per particle, its animation running with the
// particle's age. Its particles are mesh particles of its own.
class KESTU_API CMethodMesh : public CPPS_METHOD_BASE {
public:
    CMethodMesh();
    ~CMethodMesh() override;

    LONG AddRef(CParticleGroup* group) override { return AddRes(group); }
    // The players and the group's own mesh data from MeshFile; an unreadable
    // or broken file leaves the players unbuilt and still returns 0.
    HRESULT Build(IDirect3DDevice8* device, CParticleGroup* group) override;
    void Release(CParticleGroup* group) override;
    HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) override;
    HRESULT Update(CParticleGroup* group, float dt) override;
    // One mesh particle; the group hands each particle back singly.
    CParticleBase* New(CParticleGroup* group, int count) override;
    void Delete(CParticleGroup* group, CParticleBase* particle) override;
    // The name, MeshFile and MeshPath.
    HRESULT Serialize(std::iostream& stream, int bWrite) override;
    HRESULT CreateFromScript(CDataChunk& chunk) override;
    HRESULT WriteToScript(std::ostream& out) override;

    // At most 259 characters are kept.
    void SetMeshFile(const char* file);
    const char* GetMeshFile() const { return m_szMeshFile; }
    void SetMeshPath(const char* path);
    const char* GetMeshPath() const { return m_szMeshPath; }
    void SetMeshAniMng(CMeshAniMng* mng) { m_pMeshAniMng = mng; }
    CMeshAniMng* GetMeshAniMng() const { return m_pMeshAniMng; }
    void SetMeshAniData(CMeshAniData* data) { m_pMeshAniData = data; }
    CMeshAniData* GetMeshAniData() const { return m_pMeshAniData; }
    ID3DXMesh* GetSphere() const { return m_pSphere; }

private:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    void ReleaseSphere();

    char m_szMeshFile[260] = {};
    char m_szMeshPath[260] = {};
    ID3DXMesh* m_pSphere = nullptr;
    CMeshAniMng* m_pMeshAniMng = nullptr;
    CMeshAniData* m_pMeshAniData = nullptr;
};

// Every particle of a group drawn as the same animated skeletal model: one
// skeleton per group from SkeletonPath, its meshes through the mesh-data
// manager, and one player per animation (player 0 plays the skeleton's own
// clip, player k the k-th action file). The current action picks the player
// that is advanced and drawn at every particle.
class KESTU_API CMethodSklAni : public CPPS_METHOD_BASE {
public:
    CMethodSklAni();
    explicit CMethodSklAni(Kestu::CMeshDataMng* meshDataMng);
    ~CMethodSklAni() override;

    LONG AddRef(CParticleGroup* group) override { return AddRes(group); }
    // The group's skeleton from SkeletonPath, its players and every action
    // path: 1 without a record or a mesh-data manager, else the skeleton
    // import's result. A failed import leaves the players unprepared and the
    // group is then neither advanced nor drawn.
    HRESULT Build(IDirect3DDevice8* device, CParticleGroup* group) override;
    // Frees the group's skeleton and players; the action paths stay for the
    // other groups and later builds.
    void Release(CParticleGroup* group) override;
    // The current player at every particle: 1 without a record, 0 for no
    // particles, 1 when the group has nothing to draw them with (no
    // successful build, no player for the current action), else the last
    // player's result.
    HRESULT Render(IDirect3DDevice8* device, CParticleGroup* group) override;
    // Advances the current player by dt; 1 when there is none to advance.
    HRESULT Update(CParticleGroup* group, float dt) override;
    CParticleBase* New(CParticleGroup* group, int count) override { return NewPooledParticle(); }
    void Delete(CParticleGroup* group, CParticleBase* particle) override { DeletePooledParticle(particle); }
    // The name, SkeletonPath and the action paths; reading loads nothing.
    HRESULT Serialize(std::iostream& stream, int bWrite) override;
    HRESULT CreateFromScript(CDataChunk& chunk) override;
    HRESULT WriteToScript(std::ostream& out) override;

    // For the first group served (the lowest address); 0 when there is none.
    LONG AddActionPath(const char* path);
    // Appends a path not yet listed (1) and, when the record's group is
    // built, gives it a player of its own playing the imported action. 0 for
    // a path already listed or without a SkeletonPath.
    LONG AddActionPath(const char* path, SPPS_METHOD_RES* res);

    void SetSkeletonPath(const char* path) { m_strSkeletonPath = path ? path : ""; }
    const char* GetSkeletonPath() const { return m_strSkeletonPath.c_str(); }
    DWORD GetActionCount() const { return static_cast<DWORD>(m_ActionPaths.size()); }
    const std::list<std::string>& GetActionPaths() const { return m_ActionPaths; }
    void SetCurActionID(DWORD id) { m_dwCurAction = id; }
    DWORD GetCurActionID() const { return m_dwCurAction; }
    Kestu::CMeshDataMng* GetMeshDataMng() const { return m_pMeshDataMng; }
    // The manager is given only at construction.
    void SetMeshDataMng(Kestu::CMeshDataMng*) {}
    // Players a new build makes at least.
    DWORD GetPlayerCapacity() const { return m_dwPlayerCapacity; }
    // Players in the record's array.
    static DWORD GetPlayerCount(const SPPS_METHOD_RES& res) { return res.pSkeletonAnis ? res.dwReserved2 : 0; }
    // Empties the action-path list.
    void Clear() { m_ActionPaths.clear(); }

private:
    // Its stored fields, declared once for the record and the script.
    template <class>
    friend struct ParticleFieldList;

    void GrowCapacity(DWORD paths);
    void PreparePlayer(SPPS_METHOD_RES& res, DWORD i);
    void ImportAction(SPPS_METHOD_RES& res, DWORD i, const std::string& path);
    // The current player of a built group, null when there is none.
    Kestu::CSkeletonAni* CurrentPlayer(CParticleGroup* group) const;

    std::string m_strSkeletonPath;
    std::list<std::string> m_ActionPaths;
    Kestu::CMeshDataMng* m_pMeshDataMng = nullptr;
    DWORD m_dwPlayerCapacity = 5;
    DWORD m_dwCurAction = 0;
};

// D3DX 8 meshes: the mesh object, the sphere, normals and the .x loaders.
#pragma once
#include "d3d8.h"
#include "d3dx8core.h"
#include "d3dx8math.h"
#include "dxfile.h"
#include "kestu_platform_api.h"

// Mesh options.
#define D3DXMESH_32BIT 0x001
#define D3DXMESH_DONOTCLIP 0x002
#define D3DXMESH_POINTS 0x004
#define D3DXMESH_RTPATCHES 0x008
#define D3DXMESH_NPATCHES 0x4000
#define D3DXMESH_VB_SYSTEMMEM 0x010
#define D3DXMESH_VB_MANAGED 0x020
#define D3DXMESH_VB_WRITEONLY 0x040
#define D3DXMESH_VB_DYNAMIC 0x080
#define D3DXMESH_VB_SOFTWAREPROCESSING 0x8000
#define D3DXMESH_IB_SYSTEMMEM 0x100
#define D3DXMESH_IB_MANAGED 0x200
#define D3DXMESH_IB_WRITEONLY 0x400
#define D3DXMESH_IB_DYNAMIC 0x800
#define D3DXMESH_IB_SOFTWAREPROCESSING 0x10000
#define D3DXMESH_VB_SHARE 0x1000
#define D3DXMESH_USEHWONLY 0x2000
#define D3DXMESH_SYSTEMMEM 0x110
#define D3DXMESH_MANAGED 0x220
#define D3DXMESH_WRITEONLY 0x440
#define D3DXMESH_DYNAMIC 0x880
#define D3DXMESH_SOFTWAREPROCESSING 0x18000

// Optimiser flags.
#define D3DXMESHOPT_COMPACT 0x01000000
#define D3DXMESHOPT_ATTRSORT 0x02000000
#define D3DXMESHOPT_VERTEXCACHE 0x04000000
#define D3DXMESHOPT_STRIPREORDER 0x08000000
#define D3DXMESHOPT_IGNOREVERTS 0x10000000
#define D3DXMESHOPT_SHAREVB 0x00001000

typedef struct _D3DXATTRIBUTERANGE {
    DWORD AttribId;
    DWORD FaceStart;
    DWORD FaceCount;
    DWORD VertexStart;
    DWORD VertexCount;
} D3DXATTRIBUTERANGE, *LPD3DXATTRIBUTERANGE;

// One material of a loaded mesh: the texture name points into the same
// buffer (null without a texture).
typedef struct _D3DXMATERIAL {
    D3DMATERIAL8 MatD3D;
    LPSTR pTextureFilename;
} D3DXMATERIAL, *LPD3DXMATERIAL;

struct ID3DXBaseMesh;
struct ID3DXMesh;
typedef ID3DXBaseMesh* LPD3DXBASEMESH;
typedef ID3DXMesh* LPD3DXMESH;

DEFINE_GUID(IID_ID3DXBaseMesh, 0x2a835771, 0xbf4d, 0x43f4, 0x8e, 0x14, 0x82, 0xa8, 0x09, 0xf1, 0x7d, 0x8a);
DEFINE_GUID(IID_ID3DXMesh, 0xccae5c3b, 0x4dd1, 0x4d0f, 0x99, 0x7e, 0x46, 0x84, 0xca, 0x64, 0x55, 0x7f);

struct ID3DXBaseMesh : public IUnknown {
    // Draws the faces of one attribute with the device's current state.
    virtual HRESULT DrawSubset(DWORD attribId) = 0;
    virtual DWORD GetNumFaces() = 0;
    virtual DWORD GetNumVertices() = 0;
    virtual DWORD GetFVF() = 0;
    virtual HRESULT GetDeclaration(DWORD declaration[MAX_FVF_DECL_SIZE]) = 0;
    virtual DWORD GetOptions() = 0;
    virtual HRESULT GetDevice(LPDIRECT3DDEVICE8* device) = 0;
    virtual HRESULT CloneMeshFVF(DWORD options, DWORD fvf, LPDIRECT3DDEVICE8 device, LPD3DXMESH* cloneMesh) = 0;
    virtual HRESULT CloneMesh(DWORD options, const DWORD* declaration, LPDIRECT3DDEVICE8 device,
                              LPD3DXMESH* cloneMesh) = 0;
    virtual HRESULT GetVertexBuffer(LPDIRECT3DVERTEXBUFFER8* vertexBuffer) = 0;
    virtual HRESULT GetIndexBuffer(LPDIRECT3DINDEXBUFFER8* indexBuffer) = 0;
    virtual HRESULT LockVertexBuffer(DWORD flags, BYTE** data) = 0;
    virtual HRESULT UnlockVertexBuffer() = 0;
    virtual HRESULT LockIndexBuffer(DWORD flags, BYTE** data) = 0;
    virtual HRESULT UnlockIndexBuffer() = 0;
    // With a null table only the size is returned.
    virtual HRESULT GetAttributeTable(D3DXATTRIBUTERANGE* attribTable, DWORD* attribTableSize) = 0;
    virtual HRESULT ConvertPointRepsToAdjacency(const DWORD* pointReps, DWORD* adjacency) = 0;
    virtual HRESULT ConvertAdjacencyToPointReps(const DWORD* adjacency, DWORD* pointReps) = 0;
    virtual HRESULT GenerateAdjacency(FLOAT epsilon, DWORD* adjacency) = 0;
};

struct ID3DXMesh : public ID3DXBaseMesh {
    virtual HRESULT LockAttributeBuffer(DWORD flags, DWORD** data) = 0;
    virtual HRESULT UnlockAttributeBuffer() = 0;
    virtual HRESULT Optimize(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                             LPD3DXBUFFER* vertexRemap, LPD3DXMESH* optMesh) = 0;
    virtual HRESULT OptimizeInplace(DWORD flags, const DWORD* adjacencyIn, DWORD* adjacencyOut, DWORD* faceRemap,
                                    LPD3DXBUFFER* vertexRemap) = 0;
};

KESTU_PLATFORM_API HRESULT D3DXCreateMeshFVF(DWORD numFaces, DWORD numVertices, DWORD options, DWORD fvf,
                                             LPDIRECT3DDEVICE8 device, LPD3DXMESH* mesh);
KESTU_PLATFORM_API HRESULT D3DXCreateMesh(DWORD numFaces, DWORD numVertices, DWORD options, const DWORD* declaration,
                                          LPDIRECT3DDEVICE8 device, LPD3DXMESH* mesh);

// A sphere of position and normal vertices; adjacency (3 DWORDs per face) when asked.
KESTU_PLATFORM_API HRESULT D3DXCreateSphere(LPDIRECT3DDEVICE8 device, FLOAT radius, UINT slices, UINT stacks,
                                            LPD3DXMESH* mesh, LPD3DXBUFFER* adjacency);

// Vertex normals from the faces (the mesh needs D3DFVF_NORMAL); with
// adjacency, vertices at one position share their normal.
KESTU_PLATFORM_API HRESULT D3DXComputeNormals(LPD3DXBASEMESH mesh, const DWORD* adjacency);

// Every mesh of the file, carried through its frames' matrices, in one mesh.
// Buffers: adjacency (3 DWORDs per face) and the D3DXMATERIAL records.
KESTU_PLATFORM_API HRESULT D3DXLoadMeshFromX(LPCSTR filename, DWORD options, LPDIRECT3DDEVICE8 device,
                                             LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, PDWORD numMaterials,
                                             LPD3DXMESH* mesh);
#define D3DXLoadMeshFromXA D3DXLoadMeshFromX
// One Mesh data object of an open file.
KESTU_PLATFORM_API HRESULT D3DXLoadMeshFromXof(LPDIRECTXFILEDATA xofMesh, DWORD options, LPDIRECT3DDEVICE8 device,
                                               LPD3DXBUFFER* adjacency, LPD3DXBUFFER* materials, PDWORD numMaterials,
                                               LPD3DXMESH* mesh);

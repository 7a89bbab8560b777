// A mesh loaded from a .x file: a system-memory master copy that survives
// device resets, a device copy rebuilt after each, and per-subset materials
// and textures drawn in an opaque and a translucent pass.
#pragma once
#include "d3d8.h"
#include "d3dx8.h"
#include "dxfile.h"
#include "kestu_export.h"

class KESTU_API CD3DMesh {
public:
    CD3DMesh(const char* name = "CD3DFile_Mesh");
    CD3DMesh(const CD3DMesh&) = default;
    CD3DMesh& operator=(const CD3DMesh&) = default;
    virtual ~CD3DMesh();

    HRESULT Create(IDirect3DDevice8* device, const char* fileName);
    HRESULT Create(IDirect3DDevice8* device, IDirectXFileData* data);
    HRESULT SetVertexShader(IDirect3DDevice8* device, DWORD fvf);
    HRESULT RestoreDeviceObjects(IDirect3DDevice8* device);
    HRESULT InvalidateDeviceObjects();
    HRESULT Destroy();
    HRESULT Render(IDirect3DDevice8* device, bool drawOpaque = true, bool drawTranslucent = true);

    ID3DXMesh* GetSysMemMesh() { return m_pSysMemMesh; }
    ID3DXMesh* GetLocalMesh() { return m_pLocalMesh; }
    void UseMeshMaterials(bool use) { m_bUseMaterials = use; }

    char m_strName[512];

private:
    HRESULT TakeMaterials(IDirect3DDevice8* device, ID3DXBuffer* adjacency, ID3DXBuffer* materials);

    ID3DXMesh* m_pSysMemMesh;
    ID3DXMesh* m_pLocalMesh;
    DWORD m_dwNumMaterials;
    D3DMATERIAL8* m_pMaterials;
    IDirect3DTexture8** m_pTextures;
    bool m_bUseMaterials;
};

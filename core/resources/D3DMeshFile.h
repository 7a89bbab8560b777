// The frame hierarchy of a whole .x file: nested frames with transforms and
// at most one mesh each. Internal to the engine.
#pragma once
#include "kestu_d3dmesh.h"

class CD3DMeshFrame {
public:
    explicit CD3DMeshFrame(const char* name = "CD3DFile_Frame");
    CD3DMeshFrame(const CD3DMeshFrame&) = delete;
    CD3DMeshFrame& operator=(const CD3DMeshFrame&) = delete;
    virtual ~CD3DMeshFrame();

    bool ForEachMesh(bool (*callback)(CD3DMesh*, void*), void* context);
    CD3DMesh* FindMeshByName(const char* name);
    CD3DMeshFrame* FindFrameByName(const char* name);
    HRESULT Destroy();
    HRESULT RestoreDeviceObjects(IDirect3DDevice8* device);
    HRESULT InvalidateDeviceObjects();
    HRESULT Render(IDirect3DDevice8* device, bool opaque, bool translucent, const D3DXMATRIX* parentWorld = nullptr);

    char m_strName[512];
    D3DXMATRIX m_mat;
    CD3DMesh* m_pMesh = nullptr;
    CD3DMeshFrame* m_pNext = nullptr;
    CD3DMeshFrame* m_pChild = nullptr;
};

class CD3DMeshFile : public CD3DMeshFrame {
public:
    CD3DMeshFile() : CD3DMeshFrame("CD3DFile_Root") {}

    HRESULT LoadFromFile(IDirect3DDevice8* device, const char* fileName);
    HRESULT LoadFromResource(IDirect3DDevice8* device, const char* resourceName, const char* resourceType);
    HRESULT Render(IDirect3DDevice8* device, const D3DXMATRIX* world = nullptr);

private:
    HRESULT Load(IDirect3DDevice8* device, void* source, DXFILELOADOPTIONS options);
    HRESULT LoadFrameObject(IDirect3DDevice8* device, IDirectXFileData* data, CD3DMeshFrame* parent);
    HRESULT LoadMeshObject(IDirect3DDevice8* device, IDirectXFileData* data, CD3DMeshFrame* parent);
};

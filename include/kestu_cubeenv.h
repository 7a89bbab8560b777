// Kestu::CCubeEnv: a dynamic cube environment map. A 256 x 256 cube render
// target with its own depth buffer, into which the scene around an eye point
// is drawn face by face through RenderCubeFace, which a client class derived
// from this one overrides. The shader water reflects it.
#pragma once
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>

#include "kestu_export.h"

namespace Kestu {

class KESTU_API CCubeEnv {
public:
    static constexpr UINT kEdge = 256;
    static constexpr int kFaces = 6;

    CCubeEnv();
    // Releases nothing: copies share the cube, the owner calls Release.
    virtual ~CCubeEnv() = default;

    virtual HRESULT Build(IDirect3DDevice8* device);
    // Frees the cube and its depth buffer; the object can be built again.
    virtual void Release();
    virtual HRESULT Restore();
    virtual HRESULT Invalidate();
    // Draws the six faces around the eye.
    virtual HRESULT RenderCubeBox(D3DXVECTOR3 eye);
    // The client's drawing of one face; the face is the render target, its
    // camera is set, the depth buffer is clear.
    virtual HRESULT RenderCubeFace(int face);

    // Writes the six faces as TGA files ("right.tga" ... "back.tga") into the
    // folder; the first failing save's code, else 0.
    HRESULT SaveCubeToFile(const char* folder);

    IDirect3DCubeTexture8* GetCubeEnv() const { return m_pCubeTex; }
    int IsBuild() const { return m_bBuilt; }

    // The camera of a face: the look-at matrix from the eye along its axis.
    static void GetFaceView(int face, const D3DXVECTOR3& eye, D3DXMATRIX* view);
    // The file name of a face ("right.tga" for face 0).
    static const char* GetFaceFileName(int face);

protected:
    IDirect3DCubeTexture8* m_pCubeTex;
    IDirect3DSurface8* m_pDepthSurface;
    BOOL m_bBuilt;
    IDirect3DDevice8* m_pDevice;

private:
    void DropSurfaces();
};

} // namespace Kestu

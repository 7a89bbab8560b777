// CGfxSkyTent: the sky as a box of textured billboards around the camera,
// its top a low four-sided pyramid (a fan of four triangles). It is drawn
// first, with depth testing and writing off and the camera's translation
// taken out of the view, so it always surrounds the viewer and hides nothing
// drawn after it.
#pragma once
#include <cstdint>

#include <d3d8.h>
#include <d3dx8math.h>

#include "kestu_export.h"

class CBillboard;
class CTextureMng;

// Indexes the tent's planes and the texture ids of its build record.
enum ENUM_SKYTENT_PLANE : int32_t {
    SKYTENT_TOP = 0,    // the fan
    SKYTENT_POSX = 1,   // side at x = +size/2, facing -x
    SKYTENT_NEGX = 2,   // side at x = -size/2, facing +x
    SKYTENT_POSZ = 3,   // side at z = +size/2, facing -z
    SKYTENT_NEGZ = 4,   // side at z = -size/2, facing +z
    SKYTENT_BOTTOM = 5, // bottom, facing up
};

struct KESTU_API SGfxSkyTentInit {
    static constexpr WORD kNoTexture = 0xFFFF; // the plane is left out

    IDirect3DDevice8* pDevice = nullptr;
    CTextureMng* pTexMng = nullptr;
    WORD wTexID[6] = {kNoTexture, kNoTexture, kNoTexture, kNoTexture, kNoTexture, kNoTexture};
    float fSize = 0.0f;        // edge length of the square tent
    float fEaveHeight = 0.0f;  // height of the top's rim
    float fTopHeight = 0.0f;   // height of the top's apex
    float fBottomDepth = 0.0f; // distance of the bottom below the eye (and of the plain top above it)
};

class KESTU_API CGfxSkyTent {
public:
    static constexpr int kPlaneNum = 6;

    CGfxSkyTent();
    // Owns its planes: a copy would delete them twice.
    CGfxSkyTent(const CGfxSkyTent&) = delete;
    CGfxSkyTent& operator=(const CGfxSkyTent&) = delete;
    virtual ~CGfxSkyTent();

    // Starts from Release. The planes whose texture id is 0xFFFF are left
    // out; a failing plane ends the build with its code and the planes made
    // before it stay.
    HRESULT Build(const SGfxSkyTentInit& init);
    // Draws the planes with the view's translation zeroed and the world and
    // view transforms restored afterwards; the OR of the planes' results.
    // Depth testing and writing stay off for the caller to restore.
    HRESULT Render(IDirect3DDevice8* device);
    void Release();
    // Null when the plane is absent or the value names no plane.
    CBillboard* GetPlane(ENUM_SKYTENT_PLANE plane) const;

private:
    HRESULT CreateSkyTop(const SGfxSkyTentInit& init);
    static void CalcPlanePosAndSize(ENUM_SKYTENT_PLANE plane, const SGfxSkyTentInit& init, D3DXVECTOR3& pos,
                                    D3DXVECTOR3& dir, D3DXVECTOR3& up, float& width, float& height);

    CBillboard* m_pPlanes[kPlaneNum];
};

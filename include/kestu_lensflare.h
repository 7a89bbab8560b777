// CGfxLensflare: the flare of a light in a fixed direction (the sun), a row
// of screen-space billboards strung along the line from the light's screen
// position through the screen centre, each sized by how far the light is
// from the centre. CGfxSun: a lens flare whose first piece is the sun disc,
// fading from the full sun colour at the screen centre to black at the
// corners, drawn additively.
#pragma once
#include <cstdint>

#include <d3d8.h>
#include <d3dx8math.h>

#include "kestu_export.h"
#include "ou_geometry.h"

class CBB2d;
class CEye;
class CTextureMng;

// One piece of a flare, filled by the client; all zero when new. Its fields
// keep their natural alignment: byte-packed, the texture rectangle would sit
// at an odd offset where its constructors could not run.
struct KESTU_API SGfxLensflarePiece {
    // Along the flare line: 0 at the light, 0.5 at the screen centre, 1 at
    // the light's mirror point.
    float fPosition = 0.0f;
    CTextureMng* pTexMng = nullptr;
    WORD wTexID = 0;
    FRECT rcTexture{0.0f, 0.0f, 0.0f, 0.0f}; // the part of the texture shown
    // Fractions of the screen width and height: with the light at a corner
    // (edge) and at the centre. Without both heights the texture's aspect
    // decides the height (a square when the texture is missing).
    float fEdgeWidth = 0.0f;
    float fEdgeHeight = 0.0f;
    float fCenterWidth = 0.0f;
    float fCenterHeight = 0.0f;
};

struct KESTU_API SGfxLensflareInit {
    IDirect3DDevice8* pDevice = nullptr;
    CEye* pEye = nullptr;
    D3DXVECTOR3 vLightDir{0.0f, 0.0f, 0.0f}; // from the scene towards the light
    const SGfxLensflarePiece* pPieces = nullptr;
    int32_t nPieceNum = 0;

    int IsValid() const { return pDevice != nullptr && pEye != nullptr && pPieces != nullptr && nPieceNum >= 1; }
};

class KESTU_API CGfxLensflare {
public:
    CGfxLensflare();
    // Owns its billboards and pieces: a copy would free them twice.
    CGfxLensflare(const CGfxLensflare&) = delete;
    CGfxLensflare& operator=(const CGfxLensflare&) = delete;
    virtual ~CGfxLensflare();

    // E_INVALIDARG for a record that is not valid; otherwise the result of
    // the last billboard build (a failed build leaves the flare released).
    HRESULT Build(const SGfxLensflareInit& init);
    // Places and sizes the pieces for this frame. Behind the eye or off
    // screen the pieces stay as they were and only the visible flag drops.
    void DecideVisibility(IDirect3DDevice8* device);
    // S_FALSE when not visible, else the last billboard's result (stopping at
    // the first failure). Blending is the caller's.
    HRESULT Render(IDirect3DDevice8* device);
    void Release();

    int IsVisible() const { return m_bVisible; }
    int IsBuilt() const { return m_pBillboards != nullptr; }
    const D3DXVECTOR3& GetLightDir() const { return m_vLightDir; }
    CEye* GetEye() const { return m_pEye; }
    int32_t GetPieceNum() const { return m_nPieceNum; }
    // Null past the last piece.
    const SGfxLensflarePiece* GetPiece(int32_t i) const;
    CBB2d* GetBillboard(int32_t i) const;
    // The light's place on the render target in pixels, last computed.
    int32_t GetLightX() const { return m_nLightX; }
    int32_t GetLightY() const { return m_nLightY; }
    // 0 with the light at the screen centre, 1 at a corner.
    float GetCenterDistRatio() const { return m_fCenterDistRatio; }

protected:
    D3DXVECTOR3 m_vLightDir;
    CEye* m_pEye;
    SGfxLensflarePiece* m_pPieces;
    CBB2d* m_pBillboards;
    int32_t m_nPieceNum;
    BOOL m_bVisible;
    int32_t m_nLightX;
    int32_t m_nLightY;
    float m_fCenterDistRatio;
};

class KESTU_API CGfxSun : public CGfxLensflare {
public:
    // colour is 0x00RRGGBB.
    HRESULT Build(const SGfxLensflareInit& init, DWORD colour);
    // The flare's, then the sun colour faded by the distance from the centre
    // becomes the disc's (the first piece's) diffuse colour.
    void DecideVisibility(IDirect3DDevice8* device);
    // Decides the visibility itself; S_FALSE when not visible. Draws every
    // piece added to the target and turns blending off again (left on when a
    // piece fails).
    HRESULT Render(IDirect3DDevice8* device);

    DWORD GetSunColor() const { return m_dwSunColor; }
    DWORD GetCurrColor() const { return m_dwCurrColor; }

private:
    DWORD m_dwSunColor = 0;
    DWORD m_dwCurrColor = 0;
};

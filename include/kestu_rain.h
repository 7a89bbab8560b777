// CGfxRain: rain streaks (thin vertical triangles) in a box in front of the
// camera. One vertex buffer holds a grid of streaks; the box is drawn as
// layers of that grid stacked along the fall direction, each falling and
// wrapping from the bottom of the box to the top with a fresh sideways
// jitter. The rain has a view of its own that follows only the camera's
// pitch; the camera's yaw turns the fall direction.
#pragma once
#include <d3d8.h>
#include <d3dx8math.h>

#include "kestu_export.h"

class CEye;

struct KESTU_API SRainInit {
    IDirect3DDevice8* pDevice = nullptr;
    CEye* pEye = nullptr;
    float fWidth = 50.0f;  // along x
    float fHeight = 40.0f; // along the fall direction: how far a layer falls before it wraps
    float fDepth = 50.0f;  // along z
    int32_t nRows = 5;     // streak rows (along z) per layer
    int32_t nColumns = 5;  // streak columns (along x) per layer
    int32_t nLayers = 5;
    float fFallSpeed = 60.0f;                                   // units per second
    float fViewDistance = 30.0f;                                // the rain camera's distance from the box centre
    D3DXVECTOR3 vFallDirection = D3DXVECTOR3(0.0f, 1.0f, 0.0f); // the box's up axis before the yaw
    float fStreakWidth = 0.06f;
    float fStreakLength = 0.8f;
    DWORD dwTopColor = 0x00A0A0A0;    // a streak's tip
    DWORD dwBottomColor = 0x80A0A0A0; // its two base vertices
};

class KESTU_API CGfxRain {
public:
    static constexpr DWORD kFVF = D3DFVF_XYZ | D3DFVF_DIFFUSE;
    static constexpr DWORD kVertexSize = 16;

    CGfxRain();
    // Owns its buffer and layer array: a copy would free them twice.
    CGfxRain(const CGfxRain&) = delete;
    CGfxRain& operator=(const CGfxRain&) = delete;
    virtual ~CGfxRain();

    // The result of the vertex-buffer creation; E_INVALIDARG for a record
    // without device or eye, without rows, columns or layers, or with no
    // height to fall. An earlier build is released first.
    HRESULT Build(const SRainInit& init);
    // Moves the layers to the absolute time in seconds.
    void Logic(float time);
    // Takes the rain's view and orientation from the eye's pitch and yaw.
    void NotifyCameraMove();
    // The OR of the device's results; 0x8200010B when not built. Leaves
    // blending on.
    HRESULT Render(IDirect3DDevice8* device);
    void Release();

    int IsBuilt() const { return m_pVB != nullptr; }
    IDirect3DVertexBuffer8* GetVB() const { return m_pVB; }
    int32_t GetLayerNum() const { return m_nLayers; }
    // Layer i's offset (x, y, z) in the box; null past the last layer.
    const D3DXVECTOR3* GetLayerOffset(int32_t i) const;
    float GetLayerSpace() const { return m_fLayerSpace; }
    float GetCellWidth() const { return m_fCellWidth; }
    float GetCellDepth() const { return m_fCellDepth; }
    const D3DXVECTOR3& GetBoxCenter() const { return m_vBoxCenter; }
    const D3DXMATRIX& GetRainView() const { return m_matView; }
    const D3DXMATRIX& GetRainOrientation() const { return m_matOrientation; }

private:
    CEye* m_pEye;
    float m_fWidth;
    float m_fHeight;
    float m_fDepth;
    int32_t m_nRows;
    int32_t m_nColumns;
    int32_t m_nLayers;
    float m_fFallSpeed;
    float m_fViewDistance;
    float m_fCellWidth;
    float m_fCellDepth;
    D3DXVECTOR3* m_pLayers;
    D3DXVECTOR3 m_vFallDirection;
    float m_fLayerSpace;
    IDirect3DVertexBuffer8* m_pVB;
    D3DXVECTOR3 m_vBoxCenter;
    D3DXMATRIX m_matView;
    D3DXMATRIX m_matOrientation;
    // The view and orientation come from the eye once before the first draw.
    BOOL m_bCameraSet;
};

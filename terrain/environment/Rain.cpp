// CGfxRain: the streak grid, the falling layers and the draw.
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <new>

#include "kestu_eye.h"
#include "kestu_log.h"
#include "kestu_rain.h"

namespace {

struct RainVertex {
    float x, y, z;
    DWORD diffuse;
};
static_assert(sizeof(RainVertex) == CGfxRain::kVertexSize, "the rain vertex is 16 bytes");

// A value in [-0.5, 0.5] from the classic generator.
float Jitter() { return float(std::rand()) * 0.000030518509f - 0.5f; }

} // namespace

CGfxRain::CGfxRain()
    : m_pEye(nullptr), m_fWidth(0.0f), m_fHeight(0.0f), m_fDepth(0.0f), m_nRows(0), m_nColumns(0), m_nLayers(0),
      m_fFallSpeed(0.0f), m_fViewDistance(0.0f), m_fCellWidth(0.0f), m_fCellDepth(0.0f), m_pLayers(nullptr),
      m_vFallDirection(0.0f, 1.0f, 0.0f), m_fLayerSpace(0.0f), m_pVB(nullptr), m_vBoxCenter(0.0f, 0.0f, 0.0f),
      m_bCameraSet(0)
{
    std::memset(&m_matView, 0, sizeof m_matView);
    std::memset(&m_matOrientation, 0, sizeof m_matOrientation);
}

CGfxRain::~CGfxRain() { Release(); }

void CGfxRain::Release()
{
    delete[] m_pLayers;
    m_pLayers = nullptr;
    if (m_pVB) m_pVB->Release();
    m_pVB = nullptr;
    m_nLayers = 0;
    m_bCameraSet = 0;
}

const D3DXVECTOR3* CGfxRain::GetLayerOffset(int32_t i) const
{
    return (m_pLayers && i >= 0 && i < m_nLayers) ? &m_pLayers[i] : nullptr;
}

HRESULT CGfxRain::Build(const SRainInit& init)
{
    Release();
    const int64_t streaks = int64_t(init.nRows) * int64_t(init.nColumns);
    if (!init.pDevice || !init.pEye || init.nRows < 1 || init.nColumns < 1 || init.nLayers < 1 ||
        !(init.fHeight > 0.0f) || streaks * 48 > int64_t(0xFFFFFFFFu))
        return E_INVALIDARG;
    m_pLayers = new (std::nothrow) D3DXVECTOR3[size_t(init.nLayers)];
    if (!m_pLayers) return E_OUTOFMEMORY;
    std::memset(static_cast<void*>(m_pLayers), 0, sizeof(D3DXVECTOR3) * size_t(init.nLayers));
    m_pEye = init.pEye;
    m_fWidth = init.fWidth;
    m_fHeight = init.fHeight;
    m_fDepth = init.fDepth;
    m_nRows = init.nRows;
    m_nColumns = init.nColumns;
    m_nLayers = init.nLayers;
    m_fFallSpeed = init.fFallSpeed;
    m_fViewDistance = init.fViewDistance;
    m_vFallDirection = init.vFallDirection;
    m_fLayerSpace = m_fHeight / float(m_nLayers);
    m_vBoxCenter = D3DXVECTOR3(0.0f, m_fHeight * 0.5f, m_fDepth * 0.5f);
    m_fCellWidth = m_fWidth / float(m_nColumns);
    m_fCellDepth = m_fDepth / float(m_nRows);

    HRESULT hr = init.pDevice->CreateVertexBuffer(UINT(streaks * 48), 0, kFVF, D3DPOOL_MANAGED, &m_pVB);
    if (FAILED(hr)) {
        m_pVB = nullptr;
        Release();
        return hr;
    }
    BYTE* bytes = nullptr;
    hr = m_pVB->Lock(0, 0, &bytes, 0);
    if (FAILED(hr) || !bytes) {
        Release();
        return FAILED(hr) ? hr : KESTUERR_SURFACENOTBUILT;
    }
    auto* v = reinterpret_cast<RainVertex*>(bytes);
    const float halfWidth = init.fStreakWidth * 0.5f;
    for (int32_t r = 0; r < m_nRows; ++r)
        for (int32_t c = 0; c < m_nColumns; ++c) {
            const float x = (Jitter() + float(c - m_nColumns / 2)) * m_fCellWidth;
            const float y = Jitter() * m_fLayerSpace;
            const float z = (Jitter() + float(r)) * m_fCellDepth;
            const float base = y - init.fStreakLength;
            *v++ = {x, y, z, init.dwTopColor};
            *v++ = {x + halfWidth, base, z, init.dwBottomColor};
            *v++ = {x - halfWidth, base, z, init.dwBottomColor};
        }
    m_pVB->Unlock();
    return hr;
}

void CGfxRain::Logic(float time)
{
    if (!m_pLayers) return;
    double s = double(time * m_fFallSpeed);
    for (int32_t i = 0; i < m_nLayers; ++i) {
        const float y = float(double(m_fHeight) - std::fmod(s, double(m_fHeight)));
        D3DXVECTOR3& layer = m_pLayers[i];
        // Rising means the layer wrapped to the top (or this is the first frame).
        if (y > layer.y) {
            layer.x = Jitter() * m_fCellWidth;
            layer.z = Jitter() * m_fCellDepth;
        }
        layer.y = y;
        s += double(m_fLayerSpace);
    }
}

void CGfxRain::NotifyCameraMove()
{
    if (!m_pEye) return;
    const float pitch = m_pEye->GetPitch();
    const D3DXVECTOR3 eye =
        m_vBoxCenter + D3DXVECTOR3(0.0f, std::sin(pitch) * m_fViewDistance, -std::cos(pitch) * m_fViewDistance);
    const D3DXVECTOR3 up(0.0f, 1.0f, 0.0f);
    D3DXMatrixLookAtLH(&m_matView, &eye, &m_vBoxCenter, &up);

    D3DXMATRIX yaw;
    D3DXMatrixRotationY(&yaw, -m_pEye->GetYaw());
    D3DXVECTOR3 f;
    D3DXVec3TransformNormal(&f, &m_vFallDirection, &yaw);
    D3DXVec3Normalize(&f, &f);
    const D3DXVECTOR3 forward(0.0f, 0.0f, 1.0f);
    D3DXVECTOR3 s;
    D3DXVec3Cross(&s, &f, &forward);
    m_matOrientation =
        D3DXMATRIX(s.x, s.y, s.z, 0.0f, f.x, f.y, f.z, 0.0f, 0.0f, 0.0f, 1.0f, 0.0f, 0.0f, 0.0f, 0.0f, 1.0f);
    m_bCameraSet = 1;
}

HRESULT CGfxRain::Render(IDirect3DDevice8* device)
{
    if (!device || !m_pVB) return KESTUERR_SURFACENOTBUILT;
    // A draw before the first camera move takes the camera as it is now.
    if (!m_bCameraSet) NotifyCameraMove();
    device->SetTransform(D3DTS_VIEW, &m_matView);
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1);
    device->SetTextureStageState(0, D3DTSS_ALPHAARG1, D3DTA_DIFFUSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
    device->SetRenderState(D3DRS_ALPHATESTENABLE, FALSE);

    HRESULT result = device->SetStreamSource(0, m_pVB, kVertexSize);
    result |= device->SetVertexShader(kFVF);
    const D3DXMATRIX& o = m_matOrientation;
    for (int32_t i = 0; i < m_nLayers; ++i) {
        const D3DXVECTOR3& p = m_pLayers[i];
        D3DXMATRIX world = o;
        world._41 = p.x * o._11 + p.y * o._21 + p.z * o._31;
        world._42 = p.x * o._12 + p.y * o._22 + p.z * o._32;
        world._43 = p.x * o._13 + p.y * o._23 + p.z * o._33;
        device->SetTransform(D3DTS_WORLD, &world);
        result |= device->DrawPrimitive(D3DPT_TRIANGLELIST, 0, UINT(m_nRows * m_nColumns));
    }
    if (m_pEye) device->SetTransform(D3DTS_VIEW, m_pEye->GetViewMatrix());
    device->SetRenderState(D3DRS_CULLMODE, D3DCULL_CCW);
    return result;
}

#include <cmath>
#include <new>

#include "kestu_api.h"
#include "kestu_bbanimation.h"
#include "kestu_billboard.h"
#include "kestu_config.h"
#include "kestu_texture_mng.h"

namespace {
const FRECT kWholeTexture(0.0f, 0.0f, 1.0f, 1.0f);
const FPOINT kCentre(0.5f, 0.5f);
} // namespace

CBB2d::~CBB2d()
{
    delete[] GetVertex2dBuffer();
    m_pVertices = nullptr;
}

HRESULT CBB2d::Build(const SBBInit* init)
{
    if (m_bBuilt) Release();
    const HRESULT hr = CBillboard::Build(init);
    if (FAILED(hr)) return hr;
    if (const auto* init2d = dynamic_cast<const SBB2dInit*>(init)) {
        m_rcScreen = init2d->rcScreen;
        m_fRotation = init2d->fRotation;
    } else {
        m_rcScreen = FRECT(0.0f, 0.0f, 1.0f, 1.0f);
        m_fRotation = 0.0f;
    }
    SKESTUBBVERTEX2D* v = new (std::nothrow) SKESTUBBVERTEX2D[4];
    if (v == nullptr) {
        Release();
        return E_OUTOFMEMORY;
    }
    m_pVertices = v;
    for (int i = 0; i < 4; ++i) v[i].color = init->dwVertexColor[i];
    SetTexCorners(init->rcTexture);
    m_bDirty = 1;
    // The screen decides a 2D billboard's visibility, camera or not.
    DecideIsVisible();
    return S_OK;
}

void CBB2d::Release()
{
    CBillboard::Release();
    delete[] GetVertex2dBuffer();
    m_pVertices = nullptr;
    m_fRotation = 0.0f;
    m_bDirty = 0;
    m_eEffect = BB_EFFECT_NONE;
}

int CBB2d::DecideIsVisible()
{
    if (m_pVertices == nullptr) return m_bVisible = 0;
    const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
    const FRECT screen(0.0f, 0.0f, static_cast<float>(back->Width), static_cast<float>(back->Height));
    const FRECT placed(m_vPos.x + m_rcScreen.left, m_vPos.y + m_rcScreen.top, m_vPos.x + m_rcScreen.right,
                       m_vPos.y + m_rcScreen.bottom);
    m_bVisible = placed.IsIntersect(screen) ? 1 : 0;
    return m_bVisible;
}

void CBB2d::UpdatePosition(const D3DXVECTOR3* pos)
{
    CBillboard::UpdatePosition(pos);
    m_bDirty = 1;
}

void CBB2d::UpdatePosition(float x, float y)
{
    const D3DXVECTOR3 pos(x, y, 0.0f);
    UpdatePosition(&pos);
}

void CBB2d::SetRotation(float radians)
{
    m_fRotation = radians;
    m_bDirty = 1;
}

void CBB2d::SetTexCorners(const FRECT& tex)
{
    SKESTUBBVERTEX2D* v = GetVertex2dBuffer();
    if (v == nullptr) return;
    v[0].u = tex.left, v[0].v = tex.bottom;
    v[1].u = tex.left, v[1].v = tex.top;
    v[2].u = tex.right, v[2].v = tex.bottom;
    v[3].u = tex.right, v[3].v = tex.top;
}

void CBB2d::ApplyPicture(DWORD texID, const FSIZE* size, const FPOINT* hotSpot, const FRECT* texRect)
{
    const FPOINT& hot = hotSpot != nullptr ? *hotSpot : kCentre;
    const float w = size != nullptr ? size->cx * m_fScaleX : 0.0f;
    const float h = size != nullptr ? size->cy * m_fScaleY : 0.0f;
    m_rcScreen.left = -w * hot.x;
    m_rcScreen.top = -h * hot.y;
    m_rcScreen.right = m_rcScreen.left + w;
    m_rcScreen.bottom = m_rcScreen.top + h;
    SetTexCorners(texRect != nullptr ? *texRect : kWholeTexture);
    m_dwTexID = texID;
    m_bDirty = 1;
}

void CBB2d::ApplyAnimationFrame(CBBAFrame* frame)
{
    if (frame == nullptr || frame == m_pLastFrame) return;
    m_pLastFrame = frame;
    const BBANIMATION_FRAME_INIT& f = frame->m_Init;
    const float w = f.size.cx * m_fScaleX, h = f.size.cy * m_fScaleY;
    m_rcScreen.left = (f.vOffset.x - f.ptHotSpot.x) * w;
    m_rcScreen.top = (f.vOffset.y - f.ptHotSpot.y) * h;
    m_rcScreen.right = m_rcScreen.left + w;
    m_rcScreen.bottom = m_rcScreen.top + h;
    SetTexCorners(f.rcTexture);
    m_dwTexID = f.dwTextureID;
    m_bDirty = 1;
}

void CBB2d::UpdateVertices()
{
    SKESTUBBVERTEX2D* v = GetVertex2dBuffer();
    if (v == nullptr) return;
    const float left = m_vPos.x + m_rcScreen.left, right = m_vPos.x + m_rcScreen.right;
    const float top = m_vPos.y + m_rcScreen.top, bottom = m_vPos.y + m_rcScreen.bottom;
    const float xs[4] = {left, left, right, right}, ys[4] = {bottom, top, bottom, top};
    const bool turn = m_fRotation > 0.01f || m_fRotation < -0.01f;
    const float c = std::cos(m_fRotation), s = std::sin(m_fRotation);
    const float cx = (left + right) * 0.5f, cy = (top + bottom) * 0.5f;
    for (int i = 0; i < 4; ++i) {
        if (turn) {
            v[i].x = (xs[i] - cx) * c - (ys[i] - cy) * s + cx;
            v[i].y = (xs[i] - cx) * s + (ys[i] - cy) * c + cy;
        } else {
            v[i].x = xs[i];
            v[i].y = ys[i];
        }
    }
    m_bDirty = 0;
}

HRESULT CBB2d::Render(IDirect3DDevice8* device)
{
    if (!m_bVisible) return S_FALSE;
    CBillboard::Render(device);
    device->SetTexture(0, m_pTexMng != nullptr ? m_pTexMng->GetD3DTexture(m_dwTexID) : nullptr);
    if (m_bDirty) UpdateVertices();
    device->SetVertexShader(KESTU_BBVERTEX2D_FVF);
    return device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_pVertices, sizeof(SKESTUBBVERTEX2D));
}

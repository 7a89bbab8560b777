#include <new>

#include "kestu_bbanimation.h"
#include "kestu_billboard.h"
#include "kestu_eye.h"
#include "kestu_texture_mng.h"

namespace {
const FRECT kWholeTexture(0.0f, 0.0f, 1.0f, 1.0f);
const FPOINT kCentre(0.5f, 0.5f);
} // namespace

CBB3d::~CBB3d()
{
    delete[] GetVertex3dBuffer();
    m_pVertices = nullptr;
}

HRESULT CBB3d::Build(const SBBInit* init)
{
    const HRESULT hr = CBillboard::Build(init);
    if (FAILED(hr)) return hr;
    delete[] GetVertex3dBuffer();
    m_pVertices = new (std::nothrow) SKESTUBBVERTEX[GetVerNum()];
    if (m_pVertices == nullptr) {
        Release();
        return E_OUTOFMEMORY;
    }
    return S_OK;
}

void CBB3d::Release()
{
    CBillboard::Release();
    delete[] GetVertex3dBuffer();
    m_pVertices = nullptr;
}

int CBB3d::DecideIsVisible()
{
    // Without a camera there is nothing to cull against.
    m_bVisible = m_pEye == nullptr || m_pEye->IsContain(&m_vPos) ? 1 : 0;
    return m_bVisible;
}

HRESULT CBB3d::Render(IDirect3DDevice8* device)
{
    if (m_pVertices == nullptr) return S_FALSE;
    if (m_pTexMng == nullptr) {
        device->SetTexture(0, nullptr);
    } else {
        device->SetTextureStageState(0, D3DTSS_COLOROP, m_dwColorOp);
        device->SetRenderState(D3DRS_TEXTUREFACTOR, m_dwTexFactor);
        device->SetTexture(0, m_pTexMng->GetD3DTexture(m_dwTexID));
    }
    // Kinds that share one orientation draw at their own place because the
    // translation is written just before each draw.
    D3DXMATRIX* world = GetMatWorld();
    world->_41 = m_vPos.x;
    world->_42 = m_vPos.y;
    world->_43 = m_vPos.z;
    device->SetTransform(D3DTS_WORLD, world);
    device->SetVertexShader(KESTU_BBVERTEX_FVF);
    return DrawShape(device);
}

HRESULT CBBRect::Build(const SBBInit* init)
{
    if (m_bBuilt) Release();
    const HRESULT hr = CBB3d::Build(init);
    if (FAILED(hr)) return hr;
    float w = 1.0f, h = 1.0f;
    if (const auto* rect = dynamic_cast<const SBBRectInit*>(init)) {
        w = rect->fHalfWidth;
        h = rect->fHalfHeight;
    }
    SetCorners(-w, 2.0f * h, w, 0.0f, init->rcTexture);
    SKESTUBBVERTEX* v = GetVertex3dBuffer();
    for (int i = 0; i < 4; ++i) v[i].color = init->dwVertexColor[i];
    return S_OK;
}

void CBBRect::SetCorners(float left, float top, float right, float bottom, const FRECT& tex)
{
    SKESTUBBVERTEX* v = GetVertex3dBuffer();
    if (v == nullptr) return;
    const float xs[4] = {left, left, right, right}, ys[4] = {bottom, top, bottom, top};
    const float us[4] = {tex.left, tex.left, tex.right, tex.right};
    const float vs[4] = {tex.bottom, tex.top, tex.bottom, tex.top};
    for (int i = 0; i < 4; ++i) {
        v[i].x = xs[i];
        v[i].y = ys[i];
        v[i].z = 0.0f;
        v[i].u = us[i];
        v[i].v = vs[i];
    }
}

void CBBRect::UpdateVertexColor(DWORD color)
{
    SKESTUBBVERTEX* v = GetVertex3dBuffer();
    if (v == nullptr) return;
    for (int i = 0; i < 4; ++i) v[i].color = color;
}

void CBBRect::ApplyPicture(DWORD texID, const FSIZE* size, const FPOINT* hotSpot, const FRECT* texRect)
{
    const FPOINT& hot = hotSpot != nullptr ? *hotSpot : kCentre;
    const float w = size != nullptr ? size->cx * m_fScaleX : 0.0f;
    const float h = size != nullptr ? size->cy * m_fScaleY : 0.0f;
    const float left = -w * hot.x, top = h * hot.y;
    SetCorners(left, top, left + w, top - h, texRect != nullptr ? *texRect : kWholeTexture);
    m_dwTexID = texID;
}

void CBBRect::ApplyAnimationFrame(CBBAFrame* frame)
{
    if (frame == nullptr || frame == m_pLastFrame) return;
    m_pLastFrame = frame;
    const BBANIMATION_FRAME_INIT& f = frame->m_Init;
    const float w = f.size.cx * m_fScaleX, h = f.size.cy * m_fScaleY;
    const float left = (f.vOffset.x * m_fScaleX - f.ptHotSpot.x) * w;
    const float top = (f.ptHotSpot.y - f.vOffset.y * m_fScaleY) * h;
    SetCorners(left, top, left + w, top - h, f.rcTexture);
    m_dwTexID = f.dwTextureID;
}

HRESULT CBBRect::DrawShape(IDirect3DDevice8* device)
{
    return device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, m_pVertices, sizeof(SKESTUBBVERTEX));
}

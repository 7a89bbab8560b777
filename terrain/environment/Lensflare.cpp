// CGfxLensflare: the pieces' billboards, where the light meets the screen and
// how the pieces are strung along the flare line.
#include <algorithm>
#include <cmath>
#include <new>

#include "kestu_api.h"
#include "kestu_billboard.h"
#include "kestu_eye.h"
#include "kestu_lensflare.h"
#include "kestu_log.h"
#include "kestu_texture.h"

namespace {

const FPOINT kCentre(0.5f, 0.5f);

// The piece's texture when it can be drawn: known to its manager and loaded.
const CTexture* DrawableTexture(const CBB2d& bb)
{
    const CTexture* texture = bb.GetTexture(bb.GetTexID());
    return texture != nullptr && texture->GetD3DTexture() != nullptr ? texture : nullptr;
}

// Height over width of the piece's texture; a missing or empty texture
// draws as a square.
float Aspect(const CTexture* texture)
{
    if (texture == nullptr || texture->GetWidth() <= 0 || texture->GetHeight() <= 0) return 1.0f;
    return float(texture->GetHeight()) / float(texture->GetWidth());
}

} // namespace

CGfxLensflare::CGfxLensflare()
    : m_vLightDir(0.0f, 0.0f, 1.0f), m_pEye(nullptr), m_pPieces(nullptr), m_pBillboards(nullptr), m_nPieceNum(0),
      m_bVisible(0), m_nLightX(0), m_nLightY(0), m_fCenterDistRatio(0.0f)
{
}

CGfxLensflare::~CGfxLensflare() { Release(); }

void CGfxLensflare::Release()
{
    if (m_pBillboards != nullptr)
        for (int32_t i = 0; i < m_nPieceNum; ++i) m_pBillboards[i].Release();
    delete[] m_pBillboards;
    m_pBillboards = nullptr;
    delete[] m_pPieces;
    m_pPieces = nullptr;
    m_nPieceNum = 0;
    m_bVisible = 0;
}

const SGfxLensflarePiece* CGfxLensflare::GetPiece(int32_t i) const
{
    return m_pPieces != nullptr && i >= 0 && i < m_nPieceNum ? &m_pPieces[i] : nullptr;
}

CBB2d* CGfxLensflare::GetBillboard(int32_t i) const
{
    return m_pBillboards != nullptr && i >= 0 && i < m_nPieceNum ? &m_pBillboards[i] : nullptr;
}

HRESULT CGfxLensflare::Build(const SGfxLensflareInit& init)
{
    if (!init.IsValid()) return E_INVALIDARG;
    Release();
    m_pEye = init.pEye;
    D3DXVec3Normalize(&m_vLightDir, &init.vLightDir);

    const size_t count = size_t(init.nPieceNum);
    m_pBillboards = new (std::nothrow) CBB2d[count];
    m_pPieces = new (std::nothrow) SGfxLensflarePiece[count];
    if (m_pBillboards == nullptr || m_pPieces == nullptr) {
        Release();
        return E_OUTOFMEMORY;
    }
    std::copy(init.pPieces, init.pPieces + count, m_pPieces);
    m_nPieceNum = init.nPieceNum;

    HRESULT hr = S_OK;
    for (int32_t i = 0; i < m_nPieceNum; ++i) {
        SBB2dInit bb;
        bb.dwValid = reinterpret_cast<uintptr_t>(init.pDevice);
        bb.pTexMng = m_pPieces[i].pTexMng;
        bb.dwTexID = m_pPieces[i].wTexID;
        // The owner may colour a piece (the sun fades its disc): the
        // texture is modulated by the vertices' diffuse, white by default.
        bb.dwColorOp = D3DTOP_MODULATE;
        bb.dwColorArg1 = D3DTA_TEXTURE;
        bb.dwColorArg2 = D3DTA_DIFFUSE;
        hr = m_pBillboards[i].Build(&bb);
        if (FAILED(hr)) {
            Release();
            return hr;
        }
    }
    return hr;
}

void CGfxLensflare::DecideVisibility(IDirect3DDevice8*)
{
    m_bVisible = 0;
    if (m_pEye == nullptr || m_pBillboards == nullptr) return;
    const D3DSURFACE_DESC* back = Kestu_GetCfg()->GetSDBackBuff();
    const DWORD width = back->Width, height = back->Height;
    if (width == 0 || height == 0) return;

    const float d = D3DXVec3Dot(m_pEye->GetDirection(), &m_vLightDir);
    if (!(d > 0.0f)) return;
    // Where the ray towards the light meets the near plane, in view space.
    D3DXVECTOR3 p = m_vLightDir * (m_pEye->GetNearZ() / d);
    D3DXMATRIX view = *m_pEye->GetViewMatrix();
    view._41 = view._42 = view._43 = 0.0f;
    D3DXVec3TransformCoord(&p, &p, &view);
    if (!m_pEye->IsInViewportRect(p.x, p.y)) return;
    const FSIZE& window = *m_pEye->GetViewportSize();
    if (!(window.cx > 0.0f && window.cy > 0.0f)) return;
    const float w = float(width), h = float(height);
    m_nLightX = int32_t(w / window.cx * (p.x + window.cx * 0.5f));
    m_nLightY = int32_t(h / window.cy * (window.cy * 0.5f - p.y));
    m_bVisible = 1;

    const float dx = float(m_nLightX - int32_t(width / 2)), dy = float(m_nLightY - int32_t(height / 2));
    const float ratio = std::sqrt(dx * dx + dy * dy) / std::sqrt((w * w + h * h) * 0.25f);
    m_fCenterDistRatio = ratio;

    for (int32_t i = 0; i < m_nPieceNum; ++i) {
        const SGfxLensflarePiece piece = m_pPieces[i];
        CBB2d& bb = m_pBillboards[i];
        const CTexture* texture = DrawableTexture(bb);
        const float pw = w * ((piece.fEdgeWidth - piece.fCenterWidth) * ratio + piece.fCenterWidth);
        const float ph = piece.fCenterHeight > 0.0f && piece.fEdgeHeight > 0.0f
                             ? h * ((piece.fEdgeHeight - piece.fCenterHeight) * ratio + piece.fCenterHeight)
                             : pw * Aspect(texture);
        const D3DXVECTOR3 pos(float(m_nLightX) - 2.0f * dx * piece.fPosition,
                              float(m_nLightY) - 2.0f * dy * piece.fPosition, 0.0f);
        bb.UpdatePosition(&pos);
        bb.Visible(1);
        const FSIZE size(pw, ph);
        const FRECT rect = piece.rcTexture;
        bb.ApplyPicture(piece.wTexID, &size, &kCentre, &rect);
        // Without its texture a piece is a plain square of its diffuse
        // colour, whatever the driver makes of an empty stage.
        bb.SetTexOp(texture != nullptr ? D3DTOP_MODULATE : D3DTOP_SELECTARG2);
        bb.SetAlphaTexOp(texture != nullptr ? D3DTOP_SELECTARG1 : D3DTOP_SELECTARG2);
    }
}

HRESULT CGfxLensflare::Render(IDirect3DDevice8* device)
{
    if (!m_bVisible) return S_FALSE;
    if (device == nullptr) return KESTUERR_SURFACENOTBUILT;
    device->SetVertexShader(KESTU_BBVERTEX2D_FVF);
    device->SetRenderState(D3DRS_FOGENABLE, FALSE);
    HRESULT hr = S_OK;
    for (int32_t i = 0; i < m_nPieceNum; ++i) {
        hr = m_pBillboards[i].Render(device);
        if (FAILED(hr)) break;
    }
    return hr;
}

// CGfxTextDevice3D: building, device objects, textures and the attribute record.
#include "kestu_textdevice3d.h"

#include "kestu_imageprobe.h"

bool SGfxTextAttri3D::operator==(const SGfxTextAttri3D& o) const
{
    const SGfxTextAttriBase& a = *this;
    const SGfxTextAttriBase& b = o;
    return a.nFontType == b.nFontType && a.dwColor == b.dwColor && a.dwBkColor == b.dwBkColor &&
           a.dwFrameColor == b.dwFrameColor && a.fZ == b.fZ && a.bStripCodes == b.bStripCodes &&
           a.bInterpretCodes == b.bInterpretCodes && a.nCharGap == b.nCharGap && a.nLineGap == b.nLineGap &&
           a.dwFormat == b.dwFormat && a.rcLayout.left == b.rcLayout.left && a.rcLayout.top == b.rcLayout.top &&
           a.rcLayout.right == b.rcLayout.right && a.rcLayout.bottom == b.rcLayout.bottom &&
           a.dwActiveLinkColor == b.dwActiveLinkColor && a.dwLinkColor == b.dwLinkColor &&
           a.nActiveLinkID == b.nActiveLinkID && a.dwOutlineColor == b.dwOutlineColor && a.nLinkMode == b.nLinkMode &&
           a.nUnderlineOffset == b.nUnderlineOffset && a.dwLinkValueB == b.dwLinkValueB &&
           a.dwLinkValueC == b.dwLinkValueC && a.dwReserved[0] == b.dwReserved[0] &&
           a.dwReserved[1] == b.dwReserved[1] && a.pfnHyperlink == b.pfnHyperlink && a.nPadLeft == b.nPadLeft &&
           a.nPadRight == b.nPadRight && a.nPadTop == b.nPadTop && a.nPadBottom == b.nPadBottom &&
           vPosition == o.vPosition && vDirection == o.vDirection && vUp == o.vUp && dwTexWidth == o.dwTexWidth &&
           dwTexHeight == o.dwTexHeight && fScale2DX == o.fScale2DX && fScale2DY == o.fScale2DY &&
           fSize3DX == o.fSize3DX && fSize3DY == o.fSize3DY;
}

CGfxTextDevice3D::CGfxTextDevice3D(CGfxFont* font) : CGfxTextDeviceBase(font, nullptr) { SetTextAttriBase(&m_Attri); }

CGfxTextDevice3D::~CGfxTextDevice3D()
{
    if (m_bBuilt) Release();
    ClearCommonTex();
    ClearCache();
    if (m_pVB2D) m_pVB2D->Release();
    if (m_pVB3D) m_pVB3D->Release();
}

HRESULT CGfxTextDevice3D::Create(IDirect3DDevice8* device, CGfxFont* font, DWORD cacheCapacity, int innerBuffers,
                                 D3DFORMAT format, DWORD lifeTime)
{
    if (m_bBuilt) Release();
    m_dwLifeTime = lifeTime ? lifeTime : 2000;
    if (device == nullptr || font == nullptr || !CGfxFont::IsValidFormat(format)) return E_INVALIDARG;
    m_pDevice = device;
    m_dwCacheCapacity = cacheCapacity;
    m_TextFormat = format;
    CGfxTextDeviceBase::Create(font);
    if (innerBuffers > 0) {
        m_nInnerBufs = innerBuffers;
        m_InnerBufs.assign(size_t(innerBuffers), nullptr);
        m_InnerWidth.assign(size_t(innerBuffers), 0);
        m_InnerHeight.assign(size_t(innerBuffers), 0);
    }
    m_bBuilt = 1;
    return S_OK;
}

void CGfxTextDevice3D::Release()
{
    if (!m_bBuilt) return;
    m_bBuilt = 0;
    ReleaseInnerBuf(-1);
    m_InnerBufs.clear();
    m_InnerWidth.clear();
    m_InnerHeight.clear();
    m_nInnerBufs = 0;
    ClearCommonTex();
    ClearCache();
    m_dwCacheCapacity = 0;
    if (m_pVB2D) m_pVB2D->Release();
    if (m_pVB3D) m_pVB3D->Release();
    m_pVB2D = m_pVB3D = nullptr;
}

HRESULT CGfxTextDevice3D::Restore()
{
    if (!m_bBuilt) return E_FAIL;
    HRESULT first = S_OK;
    const auto restore = [&](CTexture* t) {
        if (t == nullptr) return;
        const HRESULT hr = t->Restore();
        if (FAILED(hr) && SUCCEEDED(first)) first = hr;
    };
    for (CTexture* t : m_InnerBufs) restore(t);
    restore(m_Shared.texture);
    for (auto& [text, nodes] : m_Cache)
        for (TCN& node : nodes) restore(node.texture);
    if (FAILED(first)) return first;
    // Buffers of an earlier Restore survive a lost device; they are replaced, not leaked.
    if (m_pVB2D) m_pVB2D->Release();
    if (m_pVB3D) m_pVB3D->Release();
    m_pVB2D = m_pVB3D = nullptr;
    HRESULT hr = m_pDevice->CreateVertexBuffer(96, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFVF_XYZRHW | D3DFVF_TEX1,
                                               D3DPOOL_SYSTEMMEM, &m_pVB2D);
    if (FAILED(hr)) return hr;
    hr = m_pDevice->CreateVertexBuffer(80, D3DUSAGE_DYNAMIC | D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_TEX1,
                                       D3DPOOL_SYSTEMMEM, &m_pVB3D);
    return hr;
}

HRESULT CGfxTextDevice3D::Invalidate()
{
    for (CTexture* t : m_InnerBufs)
        if (t) t->Invalidate();
    if (m_Shared.texture) m_Shared.texture->Invalidate();
    for (auto& [text, nodes] : m_Cache)
        for (TCN& node : nodes)
            if (node.texture) node.texture->Invalidate();
    return S_OK;
}

CTexture* CGfxTextDevice3D::GetInnerBuffer(int i) const
{
    return i >= 0 && i < m_nInnerBufs ? m_InnerBufs[size_t(i)] : nullptr;
}

HRESULT CGfxTextDevice3D::GetTextureSize(CTexture* texture, int, DWORD& width, DWORD& height) const
{
    if (texture == nullptr) return E_FAIL;
    width = texture->GetTexWidth();
    height = texture->GetTexHeight();
    return S_OK;
}

HRESULT CGfxTextDevice3D::NewTexture(CTexture*& texture, DWORD width, DWORD height, DWORD levels)
{
    texture = new CTexture();
    const HRESULT hr = texture->Build(m_pDevice, int(GfxUtil_FindMinSizeForTexture(width, 1)),
                                      int(GfxUtil_FindMinSizeForTexture(height, 1)), levels, 0, m_TextFormat,
                                      D3DPOOL_MANAGED, CTexture::GenID(), 0);
    if (FAILED(hr)) FreeTexture(texture);
    return hr;
}

void CGfxTextDevice3D::FreeTexture(CTexture*& texture)
{
    delete texture;
    texture = nullptr;
}

// CTexture as a source: the texture drawn on the render target as an
// alpha-blended screen quad, every device state it touches put back.
#include <iterator>

#include "core/device/StateTable.h"
#include "kestu_texture.h"

namespace {

struct QuadVertex {
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 28, "the quad vertex is 28 bytes");

constexpr StateRow kQuadStates[] = {
    {-1, D3DRS_ZENABLE, 0},
    {-1, D3DRS_LIGHTING, 0},
    {-1, D3DRS_ALPHATESTENABLE, 1},
    {-1, D3DRS_ALPHABLENDENABLE, 1},
    {-1, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {-1, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {-1, D3DRS_ALPHAREF, 8},
    {-1, D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
    {-1, D3DRS_FILLMODE, D3DFILL_SOLID},
    {-1, D3DRS_CULLMODE, D3DCULL_CCW},
    {-1, D3DRS_STENCILENABLE, 0},
    {-1, D3DRS_CLIPPING, 1},
    {-1, D3DRS_CLIPPLANEENABLE, 0},
    {-1, D3DRS_VERTEXBLEND, 0},
    {-1, D3DRS_INDEXEDVERTEXBLENDENABLE, 0},
    {-1, D3DRS_FOGENABLE, 0},
    {-1, D3DRS_COLORWRITEENABLE, 15},
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_TEXCOORDINDEX, 0},
    {0, D3DTSS_TEXTURETRANSFORMFLAGS, 0},
    {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MINFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
};
constexpr size_t kQuadStateCount = std::size(kQuadStates);

// The size of the surface the quad lands on.
bool RenderTargetSize(IDirect3DDevice8* device, LONG& width, LONG& height)
{
    IDirect3DSurface8* target = nullptr;
    if (FAILED(device->GetRenderTarget(&target)) || !target)
        return false;
    D3DSURFACE_DESC desc{};
    const HRESULT hr = target->GetDesc(&desc);
    target->Release();
    if (FAILED(hr))
        return false;
    width = static_cast<LONG>(desc.Width);
    height = static_cast<LONG>(desc.Height);
    return true;
}

} // namespace

int CTexture::Paint(RECT* src, RECT* dst)
{
    if (!m_pDevice || !m_pTexture)
        return 0;
    LONG screenW = 0, screenH = 0;
    if (!RenderTargetSize(m_pDevice, screenW, screenH))
        return 0;

    const LONG texW = static_cast<LONG>(m_dwWidth), texH = static_cast<LONG>(m_dwHeight);
    RECT s = src ? *src : RECT{0, 0, texW, texH};
    if (src && (s.left >= texW || s.top >= texH || s.right <= s.left || s.bottom <= s.top))
        return 0;
    if (s.left < 0)
        s.left = 0;
    if (s.top < 0)
        s.top = 0;
    float scaleX = 1.0f, scaleY = 1.0f;
    if (s.right > texW) {
        scaleX = 1.0f - static_cast<float>(s.right - texW) / static_cast<float>(s.right - s.left);
        s.right = texW;
    }
    if (s.bottom > texH) {
        scaleY = 1.0f - static_cast<float>(s.bottom - texH) / static_cast<float>(s.bottom - s.top);
        s.bottom = texH;
    }

    const RECT d = dst ? *dst : RECT{0, 0, screenW, screenH};
    if (dst && (d.left >= screenW || d.top >= screenH || d.right <= d.left || d.bottom <= d.top))
        return 0;
    return DrawQuad(s, d, scaleX, scaleY);
}

int CTexture::DrawQuad(const RECT& src, const RECT& dst, float scaleX, float scaleY)
{
    const float left = static_cast<float>(dst.left), top = static_cast<float>(dst.top);
    const float right = left + static_cast<float>(dst.right - dst.left) * scaleX;
    const float bottom = top + static_cast<float>(dst.bottom - dst.top) * scaleY;
    const float w = static_cast<float>(m_dwWidth), h = static_cast<float>(m_dwHeight);
    const float u0 = static_cast<float>(src.left) / w, v0 = static_cast<float>(src.top) / h;
    const float u1 = static_cast<float>(src.right) / w, v1 = static_cast<float>(src.bottom) / h;
    const QuadVertex quad[4] = {
        {left, top, 0.0f, 1.0f, m_dwVectorColor, u0, v0},
        {right, top, 0.0f, 1.0f, m_dwVectorColor, u1, v0},
        {right, bottom, 0.0f, 1.0f, m_dwVectorColor, u1, v1},
        {left, bottom, 0.0f, 1.0f, m_dwVectorColor, u0, v1},
    };

    IDirect3DDevice8* device = m_pDevice;
    DWORD saved[kQuadStateCount];
    for (size_t i = 0; i < kQuadStateCount; ++i)
        SaveAndSetState(device, kQuadStates[i], kQuadStates[i].value, &saved[i]);
    DWORD savedShader = 0;
    device->GetVertexShader(&savedShader);
    IDirect3DBaseTexture8* savedTexture = nullptr;
    device->GetTexture(0, &savedTexture);

    HRESULT hr = device->SetTexture(0, m_pTexture);
    if (SUCCEEDED(hr))
        hr = device->SetVertexShader(KESTU_FVF_TEXTURE_QUAD);
    if (SUCCEEDED(hr))
        hr = device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex));

    device->SetTexture(0, savedTexture);
    if (savedTexture)
        savedTexture->Release();
    device->SetVertexShader(savedShader);
    for (size_t i = kQuadStateCount; i-- > 0;)
        RestoreState(device, kQuadStates[i], saved[i], kQuadStates[i].value);
    return SUCCEEDED(hr) ? 1 : 0;
}

int CTexture::Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip)
{
    return Paint(dest, x, y, static_cast<int>(m_dwWidth), static_cast<int>(m_dwHeight), 0, 0, paintType, clip);
}

int CTexture::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD, const GRECT* clip)
{
    if (!dest)
        return 0;
    GRECT area(x, y, w, h);
    if (!area.Intersect(GRECT(0, 0, dest->GetWidth(), dest->GetHeight())))
        return 0;
    if (clip && !area.Intersect(*clip))
        return 0;
    RECT screen{area.x, area.y, area.x + area.width, area.y + area.height};
    RECT source{area.x - x + sx, area.y - y + sy, area.x - x + sx + area.width, area.y - y + sy + area.height};
    return Paint(&source, &screen);
}

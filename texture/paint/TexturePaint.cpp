// CTexture as a source: the texture drawn on the render target as an
// alpha-blended screen quad, every device state it touches put back.
#include <iterator>

#include "core/device/DeviceState.h"
#include "kestu_texture.h"

namespace {

struct QuadVertex {
    float x, y, z, rhw;
    DWORD colour;
    float u, v;
};
static_assert(sizeof(QuadVertex) == 28, "the quad vertex is 28 bytes");

// The size of the surface the quad lands on.
bool RenderTargetSize(IDirect3DDevice8* device, LONG& width, LONG& height)
{
    IDirect3DSurface8* target = nullptr;
    if (FAILED(device->GetRenderTarget(&target)) || !target) return false;
    D3DSURFACE_DESC desc{};
    const HRESULT hr = target->GetDesc(&desc);
    target->Release();
    if (FAILED(hr)) return false;
    width = static_cast<LONG>(desc.Width);
    height = static_cast<LONG>(desc.Height);
    return true;
}

} // namespace

int CTexture::Paint(RECT* src, RECT* dst)
{
    if (!m_pDevice || !m_pTexture) return 0;
    LONG screenW = 0, screenH = 0;
    if (!RenderTargetSize(m_pDevice, screenW, screenH)) return 0;

    const LONG texW = static_cast<LONG>(m_dwWidth), texH = static_cast<LONG>(m_dwHeight);
    RECT s = src ? *src : RECT{0, 0, texW, texH};
    if (src && (s.left >= texW || s.top >= texH || s.right <= s.left || s.bottom <= s.top)) return 0;
    if (s.left < 0) s.left = 0;
    if (s.top < 0) s.top = 0;
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
    if (dst && (d.left >= screenW || d.top >= screenH || d.right <= d.left || d.bottom <= d.top)) return 0;
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

    kestu::StateScope states(m_pDevice, kestu::PutBack::Changed);
    states.Render(D3DRS_ZENABLE, FALSE);
    states.Render(D3DRS_LIGHTING, FALSE);
    states.Set(kestu::kOverlayStates, std::size(kestu::kOverlayStates));
    HRESULT hr = states.Texture(0, m_pTexture);
    if (SUCCEEDED(hr)) hr = states.VertexShader(KESTU_FVF_TEXTURE_QUAD);
    if (SUCCEEDED(hr)) hr = m_pDevice->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, quad, sizeof(QuadVertex));
    return SUCCEEDED(hr) ? 1 : 0;
}

int CTexture::Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip)
{
    return Paint(dest, x, y, static_cast<int>(m_dwWidth), static_cast<int>(m_dwHeight), 0, 0, paintType, clip);
}

int CTexture::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD, const GRECT* clip)
{
    if (!dest) return 0;
    GRECT area(x, y, w, h);
    if (!area.Intersect(GRECT(0, 0, dest->GetWidth(), dest->GetHeight()))) return 0;
    if (clip && !area.Intersect(*clip)) return 0;
    RECT screen{area.x, area.y, area.x + area.width, area.y + area.height};
    RECT source{area.x - x + sx, area.y - y + sy, area.x - x + sx + area.width, area.y - y + sy + area.height};
    return Paint(&source, &screen);
}

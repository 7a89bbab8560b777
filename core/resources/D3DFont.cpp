#include "kestu_d3dfont.h"

#include <cmath>
#include <cstring>
#include <iterator>

#include "core/device/DeviceState.h"
#include "ou_strings.h"
#include "windows.h"
#include "core/device/DeviceUnbind.h"

namespace {

constexpr DWORD kMaxVertices = 300;
constexpr DWORD kScreenFvf = D3DFVF_XYZRHW | D3DFVF_DIFFUSE | D3DFVF_TEX1;
constexpr DWORD kWorldFvf = D3DFVF_XYZ | D3DFVF_NORMAL | D3DFVF_TEX1;
constexpr UINT kScreenStride = 28;
constexpr UINT kWorldStride = 32;

// The z enable, then the overlay. Entries 0 (z enable) and 1 (blend enable)
// take their drawing value from the font; entries 2 and 3 are used only when
// blending is usable.
static_assert(CD3DFont::kStateCount == 1 + std::size(kestu::kOverlayStates));

const kestu::StateRow& StateAt(int entry)
{
    static constexpr kestu::StateRow kZEnable = {kestu::kRenderState, D3DRS_ZENABLE, 0};
    return entry == 0 ? kZEnable : kestu::kOverlayStates[entry - 1];
}

inline bool Drawable(unsigned char c) { return c >= 32 && c <= 127; }

inline BYTE* PutScreen(BYTE* p, float x, float y, float z, DWORD colour, float u, float v)
{
    const float f[4] = {x - 0.5f, y - 0.5f, z, 1.0f};
    std::memcpy(p, f, 16);
    std::memcpy(p + 16, &colour, 4);
    const float t[2] = {u, v};
    std::memcpy(p + 20, t, 8);
    return p + kScreenStride;
}

inline BYTE* PutWorld(BYTE* p, float x, float y, float u, float v)
{
    const float f[8] = {x, y, 0.0f, 0.0f, 0.0f, -1.0f, u, v};
    std::memcpy(p, f, 32);
    return p + kWorldStride;
}

// Six screen vertices of one glyph: two triangles sharing the diagonal.
inline BYTE* PutScreenQuad(BYTE* p, float px, float py, float w, float h, float z, DWORD c, const float* r)
{
    p = PutScreen(p, px, py + h, z, c, r[0], r[3]);
    p = PutScreen(p, px, py, z, c, r[0], r[1]);
    p = PutScreen(p, px + w, py + h, z, c, r[2], r[3]);
    p = PutScreen(p, px + w, py, z, c, r[2], r[1]);
    p = PutScreen(p, px + w, py + h, z, c, r[2], r[3]);
    return PutScreen(p, px, py, z, c, r[0], r[1]);
}

// The same glyph flat in the world, facing -z.
inline BYTE* PutWorldQuad(BYTE* p, float x, float y, float w, float h, const float* r)
{
    p = PutWorld(p, x, y, r[0], r[3]);
    p = PutWorld(p, x, y + h, r[0], r[1]);
    p = PutWorld(p, x + w, y, r[2], r[3]);
    p = PutWorld(p, x + w, y + h, r[2], r[1]);
    p = PutWorld(p, x + w, y, r[2], r[3]);
    return PutWorld(p, x, y + h, r[0], r[1]);
}

struct GlyphSize {
    float w;
    float h;
};

// Width of the first line of s, advancing as DrawGlyphs does.
template <class Size>
float FirstLineWidth(const unsigned char* s, const float (*coords)[4], float gap, Size size)
{
    float sum = 0.0f;
    for (const unsigned char* p = s; *p && *p != '\n'; ++p)
        if (Drawable(*p)) sum += size(coords[*p - 32]).w - gap;
    return sum;
}

} // namespace

CD3DFont::CD3DFont(const char* fontName, DWORD height, DWORD flags)
{
    m_strFontName[0] = '\0';
    if (fontName) OU_SafeStrCpy(m_strFontName, sizeof(m_strFontName), fontName);
    m_strFontName[sizeof(m_strFontName) - 1] = '\0';
    m_dwFontHeight = height;
    m_dwFontFlags = flags;
    m_dwSpacing = 0;
    m_pd3dDevice = nullptr;
    m_pTexture = nullptr;
    m_pVB = nullptr;
    m_bStatesSaved = FALSE;
    m_bBlendingUsable = TRUE;
}

CD3DFont::~CD3DFont()
{
    InvalidateDeviceObjects();
    DeleteDeviceObjects();
}

DWORD CD3DFont::GlyphSpacing(LONG xHeight)
{
    // The single-precision 0.3 widened to double: a multiple of ten gets one more.
    return static_cast<DWORD>(std::ceil(static_cast<double>(xHeight) * static_cast<double>(0.3f)));
}

HRESULT CD3DFont::CreateGDIFont(HDC dc, HFONT* font)
{
    const int dpi = static_cast<int>(static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY)) * m_fTextScale);
    const int height = -MulDiv(static_cast<int>(m_dwFontHeight), dpi, 72);
    *font = CreateFontA(height, 0, 0, 0, (m_dwFontFlags & D3DFONT_BOLD) ? FW_BOLD : FW_NORMAL,
                        (m_dwFontFlags & D3DFONT_ITALIC) ? TRUE : FALSE, FALSE, FALSE, DEFAULT_CHARSET,
                        OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, ANTIALIASED_QUALITY, VARIABLE_PITCH, m_strFontName);
    return *font ? S_OK : E_FAIL;
}

HRESULT CD3DFont::PaintAlphabet(HDC dc, int measureOnly)
{
    SIZE size{};
    if (!GetTextExtentPoint32A(dc, "x", 1, &size)) return E_FAIL;
    m_dwSpacing = GlyphSpacing(size.cy);

    DWORD x = m_dwSpacing;
    DWORD y = 0;
    for (int c = 32; c < 127; ++c) {
        const char str[2] = {static_cast<char>(c), '\0'};
        if (!GetTextExtentPoint32A(dc, str, 1, &size)) return E_FAIL;
        const DWORD w = static_cast<DWORD>(size.cx);
        const DWORD h = static_cast<DWORD>(size.cy);
        if (x + w + m_dwSpacing > m_dwTexWidth) {
            x = m_dwSpacing;
            y += h + 1;
        }
        if (y + h > m_dwTexHeight) return D3DERR_MOREDATA;
        if (!measureOnly) {
            if (!ExtTextOutA(dc, static_cast<int>(x), static_cast<int>(y), ETO_OPAQUE, nullptr, str, 1, nullptr))
                return E_FAIL;
            float* r = m_fTexCoords[c - 32];
            r[0] = static_cast<float>(x - m_dwSpacing) / static_cast<float>(m_dwTexWidth);
            r[1] = static_cast<float>(y) / static_cast<float>(m_dwTexHeight);
            r[2] = static_cast<float>(x + w + m_dwSpacing) / static_cast<float>(m_dwTexWidth);
            r[3] = static_cast<float>(y + h) / static_cast<float>(m_dwTexHeight);
        }
        x += w + 2 * m_dwSpacing;
    }
    return S_OK;
}

HRESULT CD3DFont::InitDeviceObjects(IDirect3DDevice8* device)
{
    if (!device) return E_FAIL;
    // A second build replaces the atlas instead of leaking it.
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    m_pd3dDevice = device;
    m_fTextScale = 1.0f;

    HDC dc = CreateCompatibleDC(nullptr);
    if (!dc) return E_FAIL;
    SetMapMode(dc, MM_TEXT);

    HFONT font = nullptr;
    HGDIOBJ oldFont = nullptr;
    HGDIOBJ oldBitmap = nullptr;
    HBITMAP bitmap = nullptr;
    bool locked = false;
    HRESULT hr = CreateGDIFont(dc, &font);
    if (SUCCEEDED(hr)) {
        oldFont = SelectObject(dc, font);
        m_dwTexWidth = m_dwTexHeight = 128;
        while ((hr = PaintAlphabet(dc, TRUE)) == D3DERR_MOREDATA) {
            m_dwTexWidth *= 2;
            m_dwTexHeight *= 2;
        }
    }
    if (SUCCEEDED(hr)) {
        D3DCAPS8 caps{};
        device->GetDeviceCaps(&caps);
        if (caps.MaxTextureWidth > 0 && m_dwTexWidth > caps.MaxTextureWidth) {
            m_fTextScale = static_cast<float>(caps.MaxTextureWidth) / static_cast<float>(m_dwTexWidth);
            m_dwTexWidth = m_dwTexHeight = caps.MaxTextureWidth;
            bool first = true;
            do {
                if (!first) m_fTextScale *= 0.9f;
                first = false;
                // Below one pixel per inch the font cannot shrink any further.
                if (static_cast<int>(static_cast<float>(GetDeviceCaps(dc, LOGPIXELSY)) * m_fTextScale) < 1) {
                    hr = D3DERR_MOREDATA;
                    break;
                }
                SelectObject(dc, oldFont);
                DeleteObject(font);
                font = nullptr;
                hr = CreateGDIFont(dc, &font);
                if (FAILED(hr)) break;
                SelectObject(dc, font);
                hr = PaintAlphabet(dc, TRUE);
            } while (hr == D3DERR_MOREDATA);
        }
    }
    if (SUCCEEDED(hr))
        hr = device->CreateTexture(m_dwTexWidth, m_dwTexHeight, 1, 0, D3DFMT_A4R4G4B4, D3DPOOL_MANAGED, &m_pTexture);
    DWORD* bits = nullptr;
    if (SUCCEEDED(hr)) {
        BITMAPINFO bmi{};
        bmi.bmiHeader.biSize = sizeof(BITMAPINFOHEADER);
        bmi.bmiHeader.biWidth = static_cast<LONG>(m_dwTexWidth);
        bmi.bmiHeader.biHeight = -static_cast<LONG>(m_dwTexHeight);
        bmi.bmiHeader.biPlanes = 1;
        bmi.bmiHeader.biCompression = BI_RGB;
        bmi.bmiHeader.biBitCount = 32;
        bitmap = CreateDIBSection(dc, &bmi, DIB_RGB_COLORS, reinterpret_cast<void**>(&bits), nullptr, 0);
        if (!bitmap || !bits) hr = E_FAIL;
    }
    if (SUCCEEDED(hr)) {
        oldBitmap = SelectObject(dc, bitmap);
        SetTextColor(dc, RGB(255, 255, 255));
        SetBkColor(dc, 0x00000000);
        SetTextAlign(dc, TA_TOP);
        hr = PaintAlphabet(dc, FALSE);
    }
    if (SUCCEEDED(hr)) {
        D3DLOCKED_RECT lr{};
        hr = m_pTexture->LockRect(0, &lr, nullptr, 0);
        if (SUCCEEDED(hr)) {
            locked = true;
            BYTE* row = static_cast<BYTE*>(lr.pBits);
            for (DWORD y = 0; y < m_dwTexHeight; ++y, row += lr.Pitch) {
                WORD* dst = reinterpret_cast<WORD*>(row);
                const DWORD* src = bits + static_cast<size_t>(y) * m_dwTexWidth;
                for (DWORD x = 0; x < m_dwTexWidth; ++x) {
                    const WORD a = static_cast<WORD>((src[x] & 0xFF) >> 4);
                    dst[x] = a ? static_cast<WORD>((a << 12) | 0x0FFF) : 0;
                }
            }
        }
    }

    if (locked) m_pTexture->UnlockRect(0);
    if (oldBitmap) SelectObject(dc, oldBitmap);
    if (oldFont) SelectObject(dc, oldFont);
    if (bitmap) DeleteObject(bitmap);
    if (font) DeleteObject(font);
    DeleteDC(dc);
    return hr;
}

HRESULT CD3DFont::RestoreDeviceObjects()
{
    if (!m_pd3dDevice) return E_FAIL;
    if (m_pVB) {
        m_pVB->Release();
        m_pVB = nullptr;
    }
    HRESULT hr = m_pd3dDevice->CreateVertexBuffer(kMaxVertices * kWorldStride, D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, 0,
                                                  D3DPOOL_DEFAULT, &m_pVB);
    if (FAILED(hr)) {
        m_pVB = nullptr;
        return hr;
    }

    m_bBlendingUsable = TRUE;
    IDirect3D8* d3d = nullptr;
    if (SUCCEEDED(m_pd3dDevice->GetDirect3D(&d3d)) && d3d) {
        D3DCAPS8 caps{};
        D3DDISPLAYMODE mode{};
        m_pd3dDevice->GetDeviceCaps(&caps);
        m_pd3dDevice->GetDisplayMode(&mode);
        IDirect3DSurface8* target = nullptr;
        if (SUCCEEDED(m_pd3dDevice->GetRenderTarget(&target)) && target) {
            D3DSURFACE_DESC desc{};
            target->GetDesc(&desc);
            if (FAILED(d3d->CheckDeviceFormat(caps.AdapterOrdinal, caps.DeviceType, mode.Format, D3DUSAGE_RENDERTARGET,
                                              D3DRTYPE_SURFACE, desc.Format)))
                m_bBlendingUsable = FALSE;
            target->Release();
        }
        d3d->Release();
    }
    return S_OK;
}

HRESULT CD3DFont::InvalidateDeviceObjects()
{
    if (m_pVB) {
        UnbindFromDevice(m_pVB);
        m_pVB->Release();
        m_pVB = nullptr;
    }
    m_bStatesSaved = FALSE;
    return S_OK;
}

HRESULT CD3DFont::DeleteDeviceObjects()
{
    if (m_pTexture) {
        m_pTexture->Release();
        m_pTexture = nullptr;
    }
    m_pd3dDevice = nullptr;
    return S_OK;
}

DWORD CD3DFont::DrawingValue(int entry) const
{
    if (entry == 0) return (m_dwFontFlags & D3DFONT_ZENABLE) ? TRUE : FALSE;
    if (entry == 1) return m_bBlendingUsable ? TRUE : FALSE;
    return StateAt(entry).value;
}

void CD3DFont::ApplyDrawTextStatus()
{
    m_pd3dDevice->SetTexture(0, m_pTexture);
    for (int i = 0; i < kStateCount; ++i) {
        if ((i == 2 || i == 3) && !m_bBlendingUsable) continue;
        const kestu::StateRow& row = StateAt(i);
        kestu::SaveState(m_pd3dDevice, {row.stage, row.type, DrawingValue(i)}, &m_dwSavedStates[i]);
    }
    m_bStatesSaved = TRUE;
}

void CD3DFont::RestoreDrawTextStatus()
{
    if (!m_bStatesSaved) return;
    for (int i = 0; i < kStateCount; ++i) {
        if ((i == 2 || i == 3) && !m_bBlendingUsable) continue;
        const kestu::StateRow& row = StateAt(i);
        kestu::PutBackChanged(m_pd3dDevice, {row.stage, row.type, DrawingValue(i)}, m_dwSavedStates[i]);
    }
}

bool CD3DFont::BeginBatch(BYTE** vertices)
{
    *vertices = nullptr;
    return SUCCEEDED(m_pVB->Lock(0, 0, vertices, D3DLOCK_DISCARD)) && *vertices;
}

HRESULT CD3DFont::FlushBatch(BYTE** vertices, DWORD* triangles, bool relock)
{
    if (*vertices) m_pVB->Unlock();
    *vertices = nullptr;
    HRESULT hr = S_OK;
    if (*triangles > 0) hr = m_pd3dDevice->DrawPrimitive(D3DPT_TRIANGLELIST, 0, *triangles);
    *triangles = 0;
    if (relock && !BeginBatch(vertices)) return E_FAIL;
    return hr;
}

HRESULT CD3DFont::GetTextExtent(const char* text, SIZE* extent)
{
    if (!text || !extent) return E_FAIL;
    const float lineHeight = static_cast<float>(m_dwTexHeight) * (m_fTexCoords[0][3] - m_fTexCoords[0][1]);
    float row = 0.0f;
    float width = 0.0f;
    float height = lineHeight;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p; ++p) {
        if (*p == '\n') {
            row = 0.0f;
            height += lineHeight;
        }
        if (!Drawable(*p)) continue;
        const float* r = m_fTexCoords[*p - 32];
        row += static_cast<float>(m_dwTexWidth) * (r[2] - r[0]) - 2.0f * static_cast<float>(m_dwSpacing);
        if (row > width) width = row;
    }
    extent->cx = static_cast<LONG>(width);
    extent->cy = static_cast<LONG>(height);
    return S_OK;
}

bool CD3DFont::BeginDraw(const char* text, DWORD fvf, UINT stride, DWORD flags)
{
    // Without a vertex buffer (after Invalidate) or text there is nothing to draw.
    if (!m_pd3dDevice || !m_pVB || !text) return false;
    ApplyDrawTextStatus();
    m_pd3dDevice->SetPixelShader(0);
    m_pd3dDevice->SetVertexShader(fvf);
    m_pd3dDevice->SetStreamSource(0, m_pVB, stride);
    if (flags & D3DFONT_FILTERED) {
        m_pd3dDevice->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTEXF_LINEAR);
        m_pd3dDevice->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR);
    }
    return true;
}

// Lays out text from the pen (x, y): size(r) gives a glyph's width and height,
// put writes its six vertices; the pen moves on by width - gap, and each line
// break returns it to x and moves it by lineStep. Restores the device states.
template <class Size, class Put>
HRESULT CD3DFont::DrawGlyphs(const char* text, float x, float y, float lineStep, float gap, Size size, Put put)
{
    const float startX = x;
    BYTE* v = nullptr;
    DWORD triangles = 0;
    if (!BeginBatch(&v)) {
        RestoreDrawTextStatus();
        return E_FAIL;
    }
    HRESULT hr = S_OK;
    for (const unsigned char* p = reinterpret_cast<const unsigned char*>(text); *p && v; ++p) {
        if (*p == '\n') {
            x = startX;
            y += lineStep;
        }
        if (!Drawable(*p)) continue;
        const float* r = m_fTexCoords[*p - 32];
        const GlyphSize g = size(r);
        if (*p != ' ') {
            v = put(v, x, y, g.w, g.h, r);
            triangles += 2;
            if (triangles * 3 > kMaxVertices - 6) hr = FlushBatch(&v, &triangles, true);
        }
        x += g.w - gap;
    }
    const HRESULT last = FlushBatch(&v, &triangles, false);
    RestoreDrawTextStatus();
    return FAILED(hr) ? hr : (FAILED(last) ? last : S_OK);
}

HRESULT CD3DFont::DrawTextA(float x, float y, DWORD colour, const char* text, DWORD flags)
{
    if (!BeginDraw(text, kScreenFvf, kScreenStride, flags)) return E_FAIL;

    const float texW = static_cast<float>(m_dwTexWidth);
    const float texH = static_cast<float>(m_dwTexHeight);
    const float spacing = static_cast<float>(m_dwSpacing);
    const float lineHeight = texH * (m_fTexCoords[0][3] - m_fTexCoords[0][1]);
    const float gap = 2.0f * spacing;
    const auto size = [&](const float* r) {
        return GlyphSize{texW * (r[2] - r[0]) / m_fTextScale, texH * (r[3] - r[1]) / m_fTextScale};
    };

    if (flags & (D3DFONT_CENTERED_X | D3DFONT_CENTERED_Y)) {
        D3DVIEWPORT8 vp{};
        m_pd3dDevice->GetViewport(&vp);
        if (flags & D3DFONT_CENTERED_X) {
            const float width = FirstLineWidth(reinterpret_cast<const unsigned char*>(text), m_fTexCoords, gap, size);
            x = (static_cast<float>(vp.Width) - width) * 0.5f;
        }
        if (flags & D3DFONT_CENTERED_Y) y = (static_cast<float>(vp.Height) - lineHeight) * 0.5f;
    }

    return DrawGlyphs(text, x - spacing, y, lineHeight, gap, size,
                      [colour](BYTE* v, float px, float py, float w, float h, const float* r) {
                          return PutScreenQuad(v, px, py, w, h, 0.9f, colour, r);
                      });
}

HRESULT CD3DFont::DrawTextScaled(float x, float y, float z, float xScale, float yScale, DWORD colour, const char* text,
                                 DWORD flags)
{
    if (!BeginDraw(text, kScreenFvf, kScreenStride, flags)) return E_FAIL;

    D3DVIEWPORT8 vp{};
    m_pd3dDevice->GetViewport(&vp);
    const float vpW = static_cast<float>(vp.Width);
    const float vpH = static_cast<float>(vp.Height);
    const float texW = static_cast<float>(m_dwTexWidth);
    const float texH = static_cast<float>(m_dwTexHeight);
    const float spacing = static_cast<float>(m_dwSpacing);
    const float lineHeight = texH * (m_fTexCoords[0][3] - m_fTexCoords[0][1]);
    const float k = vpH * xScale / lineHeight;
    const float gap = 2.0f * spacing * k;
    const auto size = [&](const float* r) {
        return GlyphSize{texW * (r[2] - r[0]) * k, texH * (r[3] - r[1]) * vpH * yScale / lineHeight};
    };

    if (flags & D3DFONT_CENTERED_X)
        x = -FirstLineWidth(reinterpret_cast<const unsigned char*>(text), m_fTexCoords, gap, size) / vpW;
    if (flags & D3DFONT_CENTERED_Y) y = -lineHeight / vpH;

    const float sx = vpW * (x + 1.0f) * 0.5f - spacing * k;
    const float sy = (y + 1.0f) * vpH * 0.5f;
    return DrawGlyphs(text, sx, sy, vpH * yScale, gap, size,
                      [colour, z](BYTE* v, float px, float py, float w, float h, const float* r) {
                          return PutScreenQuad(v, px, py, w, h, z, colour, r);
                      });
}

HRESULT CD3DFont::Render3DText(const char* text, DWORD flags)
{
    if (!BeginDraw(text, kWorldFvf, kWorldStride, flags)) return E_FAIL;

    float x = 0.0f;
    float y = 0.0f;
    if (flags & (D3DFONT_CENTERED_X | D3DFONT_CENTERED_Y)) {
        SIZE extent{};
        GetTextExtent(text, &extent);
        if (flags & D3DFONT_CENTERED_X) x = static_cast<float>(extent.cx) * 0.1f * -0.5f;
        if (flags & D3DFONT_CENTERED_Y) y = static_cast<float>(extent.cy) * 0.1f * -0.5f;
    }
    if (flags & D3DFONT_TWOSIDED) m_pd3dDevice->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);

    const float texW = static_cast<float>(m_dwTexWidth);
    const float texH = static_cast<float>(m_dwTexHeight);
    const float spacing = static_cast<float>(m_dwSpacing);
    // World text is a tenth of its texel size and reads downwards along -y.
    const float lineStep = -(texH * (m_fTexCoords[0][3] - m_fTexCoords[0][1]) * 0.1f);
    return DrawGlyphs(
        text, x - spacing * 0.1f, y, lineStep, 2.0f * spacing * 0.1f,
        [&](const float* r) {
            return GlyphSize{texW * (r[2] - r[0]) / (10.0f * m_fTextScale),
                             texH * (r[3] - r[1]) / (10.0f * m_fTextScale)};
        },
        PutWorldQuad);
}

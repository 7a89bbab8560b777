// Text: font creation, measuring, metrics and drawing.
#include <algorithm>
#include <cstring>

#include "gdi/gdi_blit.h"
#include "gdi/gdi_font.h"
#include "gdi/gdi_objects.h"

using namespace kestu::platform;
using namespace kestu::platform::gdi;

namespace {

FontFace* FaceOf(DeviceContext& dc)
{
    Font* font = dc.font != nullptr ? dc.font : static_cast<Font*>(Stock(SYSTEM_FONT));
    if (font == nullptr) return nullptr;
    if (!font->face) font->face = OpenFace(font->logFont);
    return font->face.get();
}

int Extent(FontFace& face, const unsigned char* text, int count, const INT* dx)
{
    int64_t width = 0;
    for (int i = 0; i < count; ++i) width += dx != nullptr ? dx[i] : face.GlyphFor(text[i]).advance;
    return static_cast<int>(std::clamp<int64_t>(width, INT32_MIN, INT32_MAX));
}

// Blends one glyph into the view at pen (x, baseline), inside clip.
void DrawGlyph(const PixelView& view, const PixelCodec& codec, const Glyph& g, int x, int baseline, uint32_t color,
               uint32_t colorRaw, const RECT& clip)
{
    const int x0 = x + g.left, y0 = baseline - g.top;
    const int cr = (color >> 16) & 0xFF, cg = (color >> 8) & 0xFF, cb = color & 0xFF;
    for (int gy = 0; gy < g.height; ++gy) {
        const int y = y0 + gy;
        if (y < clip.top || y >= clip.bottom) continue;
        uint8_t* row = view.Row(y);
        const uint8_t* cov = &g.coverage[static_cast<size_t>(gy) * g.width];
        for (int gx = 0; gx < g.width; ++gx) {
            const int px = x0 + gx;
            const int a = cov[gx];
            if (a == 0 || px < clip.left || px >= clip.right) continue;
            if (a == 255 || view.layout.indexed()) {
                if (a >= 128) codec.PutRaw(row, px, colorRaw);
                continue;
            }
            const uint32_t d = codec.Read(row, px);
            const int dr = (d >> 16) & 0xFF, dg = (d >> 8) & 0xFF, db = d & 0xFF;
            const uint32_t out = (static_cast<uint32_t>(dr + (cr - dr) * a / 255) << 16) |
                                 (static_cast<uint32_t>(dg + (cg - dg) * a / 255) << 8) |
                                 static_cast<uint32_t>(db + (cb - db) * a / 255);
            codec.Write(row, px, out);
        }
    }
}

} // namespace

HFONT CreateFontIndirectA(const LOGFONTA* lplf)
{
    if (lplf == nullptr) return nullptr;
    auto font = std::make_unique<Font>();
    font->logFont = *lplf;
    font->logFont.lfFaceName[LF_FACESIZE - 1] = '\0';
    font->face = OpenFace(font->logFont);
    if (!font->face) return nullptr;
    return static_cast<HFONT>(Register(std::move(font)));
}

HFONT CreateFontA(int cHeight, int cWidth, int cEscapement, int cOrientation, int cWeight, DWORD bItalic,
                  DWORD bUnderline, DWORD bStrikeOut, DWORD iCharSet, DWORD iOutPrecision, DWORD iClipPrecision,
                  DWORD iQuality, DWORD iPitchAndFamily, LPCSTR pszFaceName)
{
    LOGFONTA lf{};
    lf.lfHeight = cHeight;
    lf.lfWidth = cWidth;
    lf.lfEscapement = cEscapement;
    lf.lfOrientation = cOrientation;
    lf.lfWeight = cWeight;
    lf.lfItalic = static_cast<BYTE>(bItalic != 0);
    lf.lfUnderline = static_cast<BYTE>(bUnderline != 0);
    lf.lfStrikeOut = static_cast<BYTE>(bStrikeOut != 0);
    lf.lfCharSet = static_cast<BYTE>(iCharSet);
    lf.lfOutPrecision = static_cast<BYTE>(iOutPrecision);
    lf.lfClipPrecision = static_cast<BYTE>(iClipPrecision);
    lf.lfQuality = static_cast<BYTE>(iQuality);
    lf.lfPitchAndFamily = static_cast<BYTE>(iPitchAndFamily);
    if (pszFaceName != nullptr) std::strncpy(lf.lfFaceName, pszFaceName, LF_FACESIZE - 1);
    return CreateFontIndirectA(&lf);
}

BOOL GetTextExtentPoint32A(HDC hdc, LPCSTR lpString, int c, LPSIZE psizl)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr || psizl == nullptr || c < 0 || (lpString == nullptr && c > 0)) return FALSE;
    FontFace* face = FaceOf(*dc);
    if (face == nullptr) return FALSE;
    psizl->cx = Extent(*face, reinterpret_cast<const unsigned char*>(lpString), c, nullptr);
    psizl->cy = face->height();
    return TRUE;
}

BOOL GetTextMetricsA(HDC hdc, LPTEXTMETRICA lptm)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr || lptm == nullptr) return FALSE;
    FontFace* face = FaceOf(*dc);
    if (face == nullptr) return FALSE;
    std::memset(lptm, 0, sizeof(*lptm));
    lptm->tmHeight = face->height();
    lptm->tmAscent = face->ascent;
    lptm->tmDescent = face->descent;
    lptm->tmInternalLeading = std::max(0, face->height() - face->emPixels);
    lptm->tmAveCharWidth = face->aveCharWidth;
    lptm->tmMaxCharWidth = face->maxCharWidth;
    lptm->tmWeight = face->weight;
    lptm->tmDigitizedAspectX = lptm->tmDigitizedAspectY = 96;
    lptm->tmFirstChar = 0x20;
    lptm->tmLastChar = 0xFF;
    lptm->tmDefaultChar = 0x1F;
    lptm->tmBreakChar = 0x20;
    lptm->tmItalic = static_cast<BYTE>(face->italic);
    lptm->tmUnderlined = static_cast<BYTE>(face->underline);
    lptm->tmStruckOut = static_cast<BYTE>(face->strikeOut);
    // The low bit is set for variable pitch.
    lptm->tmPitchAndFamily = static_cast<BYTE>((face->fixedPitch ? 0 : TMPF_FIXED_PITCH) | TMPF_VECTOR | TMPF_TRUETYPE);
    lptm->tmCharSet = dc->font != nullptr ? dc->font->logFont.lfCharSet : ANSI_CHARSET;
    return TRUE;
}

BOOL ExtTextOutA(HDC hdc, int x, int y, UINT options, const RECT* lprect, LPCSTR lpString, UINT c, const INT* lpDx)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr || (lpString == nullptr && c > 0) || c > 0x7FFFFFFF) return FALSE;
    FontFace* face = FaceOf(*dc);
    if (face == nullptr) return FALSE;
    const PixelView view = TargetView(*dc);
    const auto* text = reinterpret_cast<const unsigned char*>(lpString);
    const int count = static_cast<int>(c);
    const int width = Extent(*face, text, count, lpDx);

    // Reference point to the cell's top-left.
    int left = x, top = y;
    const UINT horizontal = dc->textAlign & (TA_CENTER | TA_RIGHT);
    if (horizontal == TA_CENTER)
        left -= width / 2;
    else if (horizontal == TA_RIGHT)
        left -= width;
    if ((dc->textAlign & TA_BASELINE) == TA_BASELINE)
        top -= face->ascent;
    else if (dc->textAlign & TA_BOTTOM)
        top -= face->height();

    if (!view.valid()) return TRUE;
    RECT clip{0, 0, view.width, view.height};
    if ((options & ETO_CLIPPED) && lprect != nullptr) {
        clip.left = std::max(clip.left, lprect->left);
        clip.top = std::max(clip.top, lprect->top);
        clip.right = std::min(clip.right, lprect->right);
        clip.bottom = std::min(clip.bottom, lprect->bottom);
    }
    const uint32_t bkRaw = ColorToRaw(*dc, view, dc->bkColor);
    if ((options & ETO_OPAQUE) && lprect != nullptr) {
        RECT r{std::max<LONG>(lprect->left, 0), std::max<LONG>(lprect->top, 0),
               std::min<LONG>(lprect->right, view.width), std::min<LONG>(lprect->bottom, view.height)};
        if (r.right > r.left && r.bottom > r.top)
            FillRaw(view, r.left, r.top, r.right - r.left, r.bottom - r.top, bkRaw);
    } else if (dc->bkMode == OPAQUE || (options & ETO_OPAQUE)) {
        RECT cell{left, top, static_cast<LONG>(std::clamp<int64_t>(int64_t{left} + width, INT32_MIN, INT32_MAX)),
                  static_cast<LONG>(std::clamp<int64_t>(int64_t{top} + face->height(), INT32_MIN, INT32_MAX))};
        cell.left = std::max(cell.left, clip.left);
        cell.top = std::max(cell.top, clip.top);
        cell.right = std::min(cell.right, clip.right);
        cell.bottom = std::min(cell.bottom, clip.bottom);
        if (cell.right > cell.left && cell.bottom > cell.top)
            FillRaw(view, cell.left, cell.top, cell.right - cell.left, cell.bottom - cell.top, bkRaw);
    }
    if (clip.right <= clip.left || clip.bottom <= clip.top) return TRUE;

    const PixelCodec codec(view.layout, view.palette, view.paletteSize);
    const uint32_t color = ResolveColor(*dc, dc->textColor);
    const uint32_t colorRaw = ColorToRaw(*dc, view, dc->textColor);
    const int baseline = top + face->ascent;
    int pen = left;
    for (int i = 0; i < count; ++i) {
        const Glyph& g = face->GlyphFor(text[i]);
        DrawGlyph(view, codec, g, pen, baseline, color, colorRaw, clip);
        pen += lpDx != nullptr ? lpDx[i] : g.advance;
    }
    // Underline and strike-out run under the whole text.
    auto line = [&](int y) {
        RECT r{std::max<LONG>(left, clip.left), std::max<LONG>(y, clip.top),
               std::min<LONG>(static_cast<LONG>(std::min<int64_t>(int64_t{left} + width, INT32_MAX)), clip.right),
               std::min<LONG>(y + face->lineThickness, clip.bottom)};
        if (r.right > r.left && r.bottom > r.top)
            FillRaw(view, r.left, r.top, r.right - r.left, r.bottom - r.top, colorRaw);
    };
    if (face->underline) line(baseline + face->underlineOffset);
    if (face->strikeOut) line(baseline - face->strikeOutOffset);
    return TRUE;
}

BOOL TextOutA(HDC hdc, int x, int y, LPCSTR lpString, int c)
{
    if (c < 0) return FALSE;
    return ExtTextOutA(hdc, x, y, 0, nullptr, lpString, static_cast<UINT>(c), nullptr);
}

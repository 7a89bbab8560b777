// Device contexts: creation, object selection, attributes and device caps.
#include <cstring>

#include "gdi/gdi_display.h"
#include "gdi/gdi_objects.h"
#include "win32/window_store.h"
#include "winuser.h"

using namespace kestu::platform;
using namespace kestu::platform::gdi;

namespace {

bool IsLiveWindow(HWND hwnd) { return IsWindow(hwnd) != FALSE && GetWindowStore(hwnd) != nullptr; }

template <class T>
T* Swap(T*& slot, T* next)
{
    T* previous = slot;
    if (previous != nullptr) --previous->selected;
    slot = next;
    ++next->selected;
    return previous;
}

} // namespace

HDC GetDC(HWND hWnd)
{
    auto dc = std::make_unique<DeviceContext>();
    if (hWnd == nullptr) {
        dc->type = DeviceContext::Type::Screen;
    } else {
        if (!IsLiveWindow(hWnd)) return nullptr;
        dc->type = DeviceContext::Type::Window;
        dc->window = hWnd;
    }
    return RegisterDC(std::move(dc));
}

int ReleaseDC(HWND hWnd, HDC hDC)
{
    DeviceContext* dc = LookupDC(hDC);
    if (dc == nullptr || dc->type == DeviceContext::Type::Memory || dc->window != hWnd) return 0;
    DestroyDC(hDC);
    return 1;
}

HDC CreateCompatibleDC(HDC hdc)
{
    if (hdc != nullptr && LookupDC(hdc) == nullptr) return nullptr;
    auto dc = std::make_unique<DeviceContext>();
    dc->type = DeviceContext::Type::Memory;
    return RegisterDC(std::move(dc));
}

BOOL DeleteDC(HDC hdc)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return FALSE;
    DestroyDC(hdc);
    return TRUE;
}

HGDIOBJ SelectObject(HDC hdc, HGDIOBJ h)
{
    DeviceContext* dc = LookupDC(hdc);
    Object* o = LookupObject(h);
    if (dc == nullptr || o == nullptr) return nullptr;
    switch (o->kind) {
    case Kind::Bitmap: {
        auto* bm = static_cast<Bitmap*>(o);
        if (dc->type != DeviceContext::Type::Memory) return nullptr;
        if (bm == dc->bitmap) return bm;
        // A bitmap can be selected into one memory context at a time.
        if (bm->selected > 0 && !bm->stock) return nullptr;
        return Swap(dc->bitmap, bm);
    }
    case Kind::Brush: return Swap(dc->brush, static_cast<Brush*>(o));
    case Kind::Pen: return Swap(dc->pen, static_cast<Pen*>(o));
    case Kind::Font: return Swap(dc->font, static_cast<Font*>(o));
    case Kind::Palette: return nullptr; // palettes go through SelectPalette
    }
    return nullptr;
}

BOOL DeleteObject(HGDIOBJ ho) { return Destroy(ho) ? TRUE : FALSE; }

HGDIOBJ GetStockObject(int i) { return Stock(i); }

HGDIOBJ GetCurrentObject(HDC hdc, UINT type)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return nullptr;
    switch (type) {
    case OBJ_PEN: return dc->pen;
    case OBJ_BRUSH: return dc->brush;
    case OBJ_PAL: return dc->palette;
    case OBJ_FONT: return dc->font;
    case OBJ_BITMAP: return dc->bitmap;
    default: return nullptr;
    }
}

DWORD GetObjectType(HGDIOBJ h)
{
    if (DeviceContext* dc = LookupDC(static_cast<HDC>(h)))
        return dc->type == DeviceContext::Type::Memory ? OBJ_MEMDC : OBJ_DC;
    Object* o = LookupObject(h);
    if (o == nullptr) return 0;
    switch (o->kind) {
    case Kind::Bitmap: return OBJ_BITMAP;
    case Kind::Palette: return OBJ_PAL;
    case Kind::Brush: return OBJ_BRUSH;
    case Kind::Pen: return OBJ_PEN;
    case Kind::Font: return OBJ_FONT;
    }
    return 0;
}

int GetObjectA(HGDIOBJ h, int c, LPVOID pv)
{
    Object* o = LookupObject(h);
    if (o == nullptr || c < 0) return 0;
    switch (o->kind) {
    case Kind::Bitmap: {
        if (pv == nullptr) return sizeof(BITMAP);
        if (c < static_cast<int>(sizeof(BITMAP))) return 0;
        const auto* bm = static_cast<Bitmap*>(o);
        BITMAP out{};
        out.bmType = 0;
        out.bmWidth = bm->width;
        out.bmHeight = bm->height;
        out.bmWidthBytes = bm->dibSection ? bm->stride : ((bm->width * bm->layout.bits + 15) / 16) * 2;
        out.bmPlanes = 1;
        out.bmBitsPixel = static_cast<WORD>(bm->layout.bits);
        out.bmBits = bm->dibSection ? bm->bits.get() : nullptr;
        std::memcpy(pv, &out, sizeof(out));
        return sizeof(BITMAP);
    }
    case Kind::Palette: {
        if (pv == nullptr) return sizeof(WORD);
        if (c < static_cast<int>(sizeof(WORD))) return 0;
        const WORD count = static_cast<WORD>(static_cast<Palette*>(o)->entries.size());
        std::memcpy(pv, &count, sizeof(count));
        return sizeof(WORD);
    }
    case Kind::Font: {
        if (pv == nullptr) return sizeof(LOGFONTA);
        const int n = c < static_cast<int>(sizeof(LOGFONTA)) ? c : static_cast<int>(sizeof(LOGFONTA));
        std::memcpy(pv, &static_cast<Font*>(o)->logFont, static_cast<size_t>(n));
        return n;
    }
    case Kind::Brush: {
        if (pv == nullptr) return sizeof(LOGBRUSH);
        if (c < static_cast<int>(sizeof(LOGBRUSH))) return 0;
        const auto* b = static_cast<Brush*>(o);
        LOGBRUSH lb{b->hollow ? static_cast<UINT>(BS_NULL) : static_cast<UINT>(BS_SOLID), b->color, 0};
        std::memcpy(pv, &lb, sizeof(lb));
        return sizeof(LOGBRUSH);
    }
    case Kind::Pen: return 0;
    }
    return 0;
}

int GetDeviceCaps(HDC hdc, int index)
{
    if (LookupDC(hdc) == nullptr) return 0;
    const display::Mode& m = display::Current();
    const bool palettised = m.bits == 8;
    switch (index) {
    case DRIVERVERSION: return 0x4000;
    case TECHNOLOGY: return DT_RASDISPLAY;
    case HORZSIZE: return m.width * 254 / 960; // millimetres at 96 dpi
    case VERTSIZE: return m.height * 254 / 960;
    case HORZRES:
    case DESKTOPHORZRES: return m.width;
    case VERTRES:
    case DESKTOPVERTRES: return m.height;
    case BITSPIXEL: return m.bits;
    case PLANES: return 1;
    case NUMBRUSHES:
    case NUMPENS: return -1;
    case NUMFONTS: return 0;
    case NUMCOLORS: return palettised ? 20 : -1;
    case RASTERCAPS:
        return RC_BITBLT | RC_BITMAP64 | RC_GDI20_OUTPUT | RC_DI_BITMAP | RC_DIBTODEV | RC_BIGFONT | RC_STRETCHBLT |
               RC_STRETCHDIB | RC_DEVBITS | (palettised ? RC_PALETTE : 0);
    case ASPECTX:
    case ASPECTY: return 36;
    case ASPECTXY: return 51;
    case LOGPIXELSX:
    case LOGPIXELSY: return 96;
    case SIZEPALETTE: return palettised ? 256 : 0;
    case NUMRESERVED: return palettised ? 20 : 0;
    case COLORRES: return palettised ? 18 : 24;
    case VREFRESH: return 60;
    case BLTALIGNMENT: return 0;
    default: return 0;
    }
}

int SetMapMode(HDC hdc, int iMode)
{
    DeviceContext* dc = LookupDC(hdc);
    // Only the pixel mapping is drawn; asking for another is refused.
    if (dc == nullptr || iMode != MM_TEXT) return 0;
    const int previous = dc->mapMode;
    dc->mapMode = iMode;
    return previous;
}

int GetMapMode(HDC hdc)
{
    DeviceContext* dc = LookupDC(hdc);
    return dc == nullptr ? 0 : dc->mapMode;
}

// Drawing is synchronous, so there is never a batch to flush.
BOOL GdiFlush() { return TRUE; }

namespace {

// Replaces one colour of a device context and returns the old one.
COLORREF ExchangeColor(HDC hdc, COLORREF DeviceContext::*field, COLORREF color)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return CLR_INVALID;
    const COLORREF previous = dc->*field;
    dc->*field = color;
    return previous;
}

COLORREF ReadColor(HDC hdc, COLORREF DeviceContext::*field)
{
    DeviceContext* dc = LookupDC(hdc);
    return dc == nullptr ? CLR_INVALID : dc->*field;
}

} // namespace

COLORREF SetTextColor(HDC hdc, COLORREF color) { return ExchangeColor(hdc, &DeviceContext::textColor, color); }
COLORREF GetTextColor(HDC hdc) { return ReadColor(hdc, &DeviceContext::textColor); }
COLORREF SetBkColor(HDC hdc, COLORREF color) { return ExchangeColor(hdc, &DeviceContext::bkColor, color); }
COLORREF GetBkColor(HDC hdc) { return ReadColor(hdc, &DeviceContext::bkColor); }

int SetBkMode(HDC hdc, int mode)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
    const int previous = dc->bkMode;
    dc->bkMode = mode;
    return previous;
}

int GetBkMode(HDC hdc)
{
    DeviceContext* dc = LookupDC(hdc);
    return dc == nullptr ? 0 : dc->bkMode;
}

UINT SetTextAlign(HDC hdc, UINT align)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return GDI_ERROR;
    const UINT previous = dc->textAlign;
    dc->textAlign = align;
    return previous;
}

UINT GetTextAlign(HDC hdc)
{
    DeviceContext* dc = LookupDC(hdc);
    return dc == nullptr ? GDI_ERROR : dc->textAlign;
}

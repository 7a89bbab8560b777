// GDI objects and device contexts behind their handles. A handle is the
// address of its object; every call looks the handle up first, so stale or
// foreign handles are refused instead of followed.
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "gdi/gdi_pixels.h"
#include "wingdi.h"

namespace kestu::platform::gdi {

struct FontFace;

enum class Kind { Bitmap, Palette, Brush, Pen, Font };

struct Object {
    explicit Object(Kind k) : kind(k) {}
    virtual ~Object() = default;
    Kind kind;
    bool stock = false;
    int selected = 0; // device contexts that hold it
};

struct Bitmap : Object {
    Bitmap() : Object(Kind::Bitmap) {}
    int width = 0;
    int height = 0;
    int stride = 0;        // bytes per stored row
    bool bottomUp = false; // stored rows run from the bottom of the picture up
    bool dibSection = false;
    PixelLayout layout;
    std::vector<RGBQUAD> colors; // colour table of indexed layouts
    std::unique_ptr<uint8_t[]> bits;

    PixelView View() const;
    uint8_t* StoredRow(int storedIndex) const { return bits.get() + static_cast<size_t>(stride) * storedIndex; }
};

struct Palette : Object {
    Palette() : Object(Kind::Palette) {}
    std::vector<PALETTEENTRY> entries;
};

struct Brush : Object {
    Brush() : Object(Kind::Brush) {}
    COLORREF color = 0;
    bool hollow = false;
};

struct Pen : Object {
    Pen() : Object(Kind::Pen) {}
    COLORREF color = 0;
    bool hollow = false;
};

struct Font : Object {
    Font() : Object(Kind::Font) {}
    LOGFONTA logFont{};
    std::shared_ptr<FontFace> face; // null until first used
};

struct DeviceContext {
    enum class Type { Screen, Window, Memory };
    Type type = Type::Memory;
    HWND window = nullptr;
    Bitmap* bitmap = nullptr;
    Palette* palette = nullptr;
    Brush* brush = nullptr;
    Pen* pen = nullptr;
    Font* font = nullptr;
    COLORREF textColor = 0x000000;
    COLORREF bkColor = 0xFFFFFF;
    int bkMode = OPAQUE;
    UINT textAlign = TA_TOP | TA_LEFT;
    int mapMode = MM_TEXT;
};

template <class T>
constexpr Kind KindOf();
template <>
constexpr Kind KindOf<Bitmap>()
{
    return Kind::Bitmap;
}
template <>
constexpr Kind KindOf<Palette>()
{
    return Kind::Palette;
}
template <>
constexpr Kind KindOf<Brush>()
{
    return Kind::Brush;
}
template <>
constexpr Kind KindOf<Pen>()
{
    return Kind::Pen;
}
template <>
constexpr Kind KindOf<Font>()
{
    return Kind::Font;
}

Object* LookupObject(HGDIOBJ handle);
template <class T>
T* Lookup(HGDIOBJ handle)
{
    Object* o = LookupObject(handle);
    return o != nullptr && o->kind == KindOf<T>() ? static_cast<T*>(o) : nullptr;
}
HGDIOBJ Register(std::unique_ptr<Object> object);
// Frees a non-stock object that no device context holds.
bool Destroy(HGDIOBJ handle);
Object* Stock(int index);

DeviceContext* LookupDC(HDC hdc);
HDC RegisterDC(std::unique_ptr<DeviceContext> dc);
void DestroyDC(HDC hdc);

// Where drawing on the context lands: the window's pixels, the selected
// bitmap, or nothing for the screen.
PixelView TargetView(const DeviceContext& dc);
// The palette that PALETTEINDEX colours of the context refer to.
const Palette& SelectedPalette(const DeviceContext& dc);
// A COLORREF resolved for the context to 0x00RRGGBB.
uint32_t ResolveColor(const DeviceContext& dc, COLORREF color);
// A COLORREF as a raw pixel of the view (an index for indexed views).
uint32_t ColorToRaw(const DeviceContext& dc, const PixelView& view, COLORREF color);

// A new bitmap with zeroed bits; null when the size is refused.
std::unique_ptr<Bitmap> MakeBitmap(int width, int height, const PixelLayout& layout, bool bottomUp);
// A registered copy of a bitmap (pixels and colour table), not a DIB section.
HBITMAP CopyBitmap(const Bitmap& source);

} // namespace kestu::platform::gdi

#include "gdi/gdi_objects.h"

#include <cstring>
#include <unordered_map>

#include "gdi/gdi_display.h"
#include "win32/window_store.h"
#include "winuser.h"

namespace kestu::platform::gdi {
namespace {

constexpr int64_t kMaxBitmapBytes = int64_t{1} << 30;

struct Registry {
    std::unordered_map<const void*, std::unique_ptr<Object>> objects;
    std::unordered_map<const void*, std::unique_ptr<DeviceContext>> dcs;
    Object* stock[DEFAULT_GUI_FONT + 1] = {};
    Object* monoBitmap = nullptr;
};

Registry& R()
{
    static Registry registry;
    return registry;
}

Object* AddStock(int index, std::unique_ptr<Object> o)
{
    o->stock = true;
    Object* raw = o.get();
    R().objects.emplace(raw, std::move(o));
    if (index >= 0) R().stock[index] = raw;
    return raw;
}

std::unique_ptr<Object> SolidBrush(COLORREF c, bool hollow = false)
{
    auto b = std::make_unique<Brush>();
    b->color = c;
    b->hollow = hollow;
    return b;
}

std::unique_ptr<Object> SolidPen(COLORREF c, bool hollow = false)
{
    auto p = std::make_unique<Pen>();
    p->color = c;
    p->hollow = hollow;
    return p;
}

std::unique_ptr<Object> StockFont(const char* face, LONG height, BYTE pitch)
{
    auto f = std::make_unique<Font>();
    f->logFont.lfHeight = height;
    f->logFont.lfWeight = FW_NORMAL;
    f->logFont.lfPitchAndFamily = pitch;
    for (int i = 0; face[i] != '\0' && i < LF_FACESIZE - 1; ++i) f->logFont.lfFaceName[i] = face[i];
    return f;
}

std::unique_ptr<Object> DefaultPalette()
{
    auto p = std::make_unique<Palette>();
    // The default palette holds the twenty static colours.
    static const PALETTEENTRY kColors[20] = {
        {0, 0, 0, 0},       {128, 0, 0, 0},     {0, 128, 0, 0},     {128, 128, 0, 0},   {0, 0, 128, 0},
        {128, 0, 128, 0},   {0, 128, 128, 0},   {192, 192, 192, 0}, {192, 220, 192, 0}, {166, 202, 240, 0},
        {255, 251, 240, 0}, {160, 160, 164, 0}, {128, 128, 128, 0}, {255, 0, 0, 0},     {0, 255, 0, 0},
        {255, 255, 0, 0},   {0, 0, 255, 0},     {255, 0, 255, 0},   {0, 255, 255, 0},   {255, 255, 255, 0},
    };
    p->entries.assign(kColors, kColors + 20);
    return p;
}

void MakeStockObjects()
{
    Registry& r = R();
    if (r.stock[WHITE_BRUSH] != nullptr) return;
    AddStock(WHITE_BRUSH, SolidBrush(RGB(255, 255, 255)));
    AddStock(LTGRAY_BRUSH, SolidBrush(RGB(192, 192, 192)));
    AddStock(GRAY_BRUSH, SolidBrush(RGB(128, 128, 128)));
    AddStock(DKGRAY_BRUSH, SolidBrush(RGB(64, 64, 64)));
    AddStock(BLACK_BRUSH, SolidBrush(RGB(0, 0, 0)));
    AddStock(NULL_BRUSH, SolidBrush(0, true));
    AddStock(WHITE_PEN, SolidPen(RGB(255, 255, 255)));
    AddStock(BLACK_PEN, SolidPen(RGB(0, 0, 0)));
    AddStock(NULL_PEN, SolidPen(0, true));
    AddStock(OEM_FIXED_FONT, StockFont("monospace", 16, FIXED_PITCH));
    AddStock(ANSI_FIXED_FONT, StockFont("monospace", 16, FIXED_PITCH));
    AddStock(ANSI_VAR_FONT, StockFont("sans-serif", 16, VARIABLE_PITCH));
    AddStock(SYSTEM_FONT, StockFont("sans-serif", 16, VARIABLE_PITCH));
    AddStock(DEVICE_DEFAULT_FONT, StockFont("sans-serif", 16, VARIABLE_PITCH));
    AddStock(DEFAULT_PALETTE, DefaultPalette());
    AddStock(SYSTEM_FIXED_FONT, StockFont("monospace", 16, FIXED_PITCH));
    AddStock(DEFAULT_GUI_FONT, StockFont("sans-serif", -11, VARIABLE_PITCH));
    // The 1 x 1 monochrome bitmap that a new memory context holds.
    auto mono = MakeBitmap(1, 1, PixelLayout::Indexed(1), false);
    mono->colors = {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    r.monoBitmap = AddStock(-1, std::move(mono));
}

} // namespace

Object* LookupObject(HGDIOBJ handle)
{
    if (handle == nullptr) return nullptr;
    MakeStockObjects();
    auto it = R().objects.find(handle);
    return it == R().objects.end() ? nullptr : it->second.get();
}

HGDIOBJ Register(std::unique_ptr<Object> object)
{
    if (!object) return nullptr;
    MakeStockObjects();
    Object* raw = object.get();
    R().objects.emplace(raw, std::move(object));
    return raw;
}

bool Destroy(HGDIOBJ handle)
{
    Object* o = LookupObject(handle);
    if (o == nullptr) return false;
    if (o->stock) return true;
    if (o->selected > 0) return false;
    if (display::RealizedPalette() == o) display::SetRealizedPalette(nullptr);
    R().objects.erase(handle);
    return true;
}

Object* Stock(int index)
{
    MakeStockObjects();
    if (index < 0 || index > DEFAULT_GUI_FONT) return nullptr;
    return R().stock[index];
}

DeviceContext* LookupDC(HDC hdc)
{
    if (hdc == nullptr) return nullptr;
    auto it = R().dcs.find(hdc);
    return it == R().dcs.end() ? nullptr : it->second.get();
}

HDC RegisterDC(std::unique_ptr<DeviceContext> dc)
{
    MakeStockObjects();
    dc->brush = static_cast<Brush*>(Stock(WHITE_BRUSH));
    dc->pen = static_cast<Pen*>(Stock(BLACK_PEN));
    dc->font = static_cast<Font*>(Stock(SYSTEM_FONT));
    dc->palette = static_cast<Palette*>(Stock(DEFAULT_PALETTE));
    if (dc->type == DeviceContext::Type::Memory) dc->bitmap = static_cast<Bitmap*>(R().monoBitmap);
    for (Object* o : {static_cast<Object*>(dc->brush), static_cast<Object*>(dc->pen), static_cast<Object*>(dc->font),
                      static_cast<Object*>(dc->palette), static_cast<Object*>(dc->bitmap)})
        if (o != nullptr) ++o->selected;
    HDC handle = reinterpret_cast<HDC>(dc.get());
    R().dcs.emplace(handle, std::move(dc));
    return handle;
}

void DestroyDC(HDC hdc)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return;
    for (Object* o : {static_cast<Object*>(dc->brush), static_cast<Object*>(dc->pen), static_cast<Object*>(dc->font),
                      static_cast<Object*>(dc->palette), static_cast<Object*>(dc->bitmap)})
        if (o != nullptr) --o->selected;
    R().dcs.erase(hdc);
}

PixelView Bitmap::View() const
{
    PixelView v;
    if (!bits) return v;
    v.width = width;
    v.height = height;
    v.layout = layout;
    v.palette = colors.empty() ? nullptr : colors.data();
    v.paletteSize = static_cast<int>(colors.size());
    if (bottomUp) {
        v.top = StoredRow(height - 1);
        v.stride = -static_cast<ptrdiff_t>(stride);
    } else {
        v.top = bits.get();
        v.stride = stride;
    }
    return v;
}

PixelView TargetView(const DeviceContext& dc)
{
    switch (dc.type) {
    case DeviceContext::Type::Memory: return dc.bitmap != nullptr ? dc.bitmap->View() : PixelView{};
    case DeviceContext::Type::Window:
    case DeviceContext::Type::Screen: {
        // The screen's pixels are the desktop window's.
        WindowStore* store = GetWindowStore(dc.type == DeviceContext::Type::Screen ? GetDesktopWindow() : dc.window);
        if (store == nullptr || store->width <= 0 || store->height <= 0 ||
            store->pixels.size() < static_cast<size_t>(store->width) * store->height)
            return PixelView{};
        PixelView v;
        v.top = reinterpret_cast<uint8_t*>(store->pixels.data());
        v.width = store->width;
        v.height = store->height;
        v.stride = static_cast<ptrdiff_t>(store->width) * 4;
        v.layout = PixelLayout::Xrgb32();
        return v;
    }
    }
    return PixelView{};
}

const Palette& SelectedPalette(const DeviceContext& dc)
{
    if (dc.palette != nullptr) return *dc.palette;
    return *static_cast<Palette*>(Stock(DEFAULT_PALETTE));
}

uint32_t ResolveColor(const DeviceContext& dc, COLORREF color)
{
    if ((color >> 24) == 0x01) {
        const Palette& pal = SelectedPalette(dc);
        const size_t i = color & 0xFFFF;
        if (i >= pal.entries.size()) return 0;
        const PALETTEENTRY& e = pal.entries[i];
        return (static_cast<uint32_t>(e.peRed) << 16) | (e.peGreen << 8) | e.peBlue;
    }
    return ColorRefToRgb(color & 0xFFFFFF);
}

uint32_t ColorToRaw(const DeviceContext& dc, const PixelView& view, COLORREF color)
{
    if (view.layout.indexed() && (color >> 24) == 0x01) return color & 0xFF;
    const PixelCodec codec(view.layout, view.palette, view.paletteSize);
    return codec.RgbToRaw(ResolveColor(dc, color));
}

std::unique_ptr<Bitmap> MakeBitmap(int width, int height, const PixelLayout& layout, bool bottomUp)
{
    if (width <= 0 || height <= 0) return nullptr;
    const int64_t stride = ((static_cast<int64_t>(width) * layout.bits + 31) / 32) * 4;
    const int64_t bytes = stride * height;
    if (bytes > kMaxBitmapBytes) return nullptr;
    auto bm = std::make_unique<Bitmap>();
    bm->width = width;
    bm->height = height;
    bm->stride = static_cast<int>(stride);
    bm->bottomUp = bottomUp;
    bm->layout = layout;
    bm->bits.reset(new (std::nothrow) uint8_t[static_cast<size_t>(bytes)]());
    if (!bm->bits) return nullptr;
    return bm;
}

HBITMAP CopyBitmap(const Bitmap& source)
{
    auto copy = MakeBitmap(source.width, source.height, source.layout, source.bottomUp);
    if (!copy) return nullptr;
    std::memcpy(copy->bits.get(), source.bits.get(), static_cast<size_t>(source.stride) * source.height);
    copy->colors = source.colors;
    return static_cast<HBITMAP>(Register(std::move(copy)));
}

} // namespace kestu::platform::gdi

// Icons and cursors: a mask bitmap, an optional colour bitmap and a hot spot.
#include <cstring>
#include <iterator>
#include <memory>
#include <unordered_map>

#include "gdi/gdi_objects.h"

using namespace kestu::platform;
using namespace kestu::platform::gdi;

namespace {

struct Icon {
    bool isIcon = false;
    DWORD hotX = 0;
    DWORD hotY = 0;
    bool shared = false; // system cursors live for the whole process
    HBITMAP mask = nullptr;
    HBITMAP color = nullptr;
};

std::unordered_map<const void*, std::unique_ptr<Icon>>& Icons()
{
    static std::unordered_map<const void*, std::unique_ptr<Icon>> icons;
    return icons;
}

Icon* Find(HICON h)
{
    auto it = Icons().find(h);
    return it == Icons().end() ? nullptr : it->second.get();
}

HICON Add(std::unique_ptr<Icon> icon)
{
    HICON h = reinterpret_cast<HICON>(icon.get());
    Icons().emplace(h, std::move(icon));
    return h;
}

// The standard arrow, 20 rows tall: B outline, W fill, anything else clear.
constexpr const char* kArrow[] = {
    "B",         "BB",         "BWB",        "BWWB",        "BWWWB",        "BWWWWB",     "BWWWWWB",
    "BWWWWWWB",  "BWWWWWWWB",  "BWWWWWWWWB", "BWWWWWWWWWB", "BWWWWWWBBBBB", "BWWWBWWB",   "BWWB.BWWB",
    "BWB..BWWB", "BB....BWWB", "B.....BWWB", ".......BWWB", ".......BWWB",  "........BB",
};

HCURSOR Arrow()
{
    static HCURSOR arrow = [] {
        constexpr int kSize = 32;
        // AND mask above XOR mask, both 1 bit per pixel.
        HBITMAP mask = CreateBitmap(kSize, kSize * 2, 1, 1, nullptr);
        Bitmap* bm = Lookup<Bitmap>(mask);
        const PixelCodec codec(bm->layout, nullptr, 0);
        for (int y = 0; y < kSize; ++y)
            for (int x = 0; x < kSize; ++x) {
                char c = '.';
                if (y < static_cast<int>(std::size(kArrow)) && x < static_cast<int>(std::strlen(kArrow[y])))
                    c = kArrow[y][x];
                const bool drawn = c == 'B' || c == 'W';
                codec.PutRaw(bm->StoredRow(y), x, drawn ? 0u : 1u);
                codec.PutRaw(bm->StoredRow(kSize + y), x, c == 'W' ? 1u : 0u);
            }
        auto icon = std::make_unique<Icon>();
        icon->shared = true;
        icon->mask = mask;
        return Add(std::move(icon));
    }();
    return arrow;
}

} // namespace

HCURSOR LoadCursorA(HINSTANCE hInstance, LPCSTR lpCursorName)
{
    if (hInstance == nullptr && lpCursorName == IDC_ARROW) return Arrow();
    return nullptr;
}

BOOL GetIconInfo(HICON hIcon, PICONINFO piconinfo)
{
    Icon* icon = Find(hIcon);
    if (icon == nullptr || piconinfo == nullptr) return FALSE;
    Bitmap* mask = Lookup<Bitmap>(icon->mask);
    Bitmap* color = Lookup<Bitmap>(icon->color);
    if (mask == nullptr) return FALSE;
    // The caller owns and deletes the bitmaps it is given.
    piconinfo->fIcon = icon->isIcon ? TRUE : FALSE;
    piconinfo->xHotspot = icon->hotX;
    piconinfo->yHotspot = icon->hotY;
    piconinfo->hbmMask = CopyBitmap(*mask);
    piconinfo->hbmColor = color != nullptr ? CopyBitmap(*color) : nullptr;
    return piconinfo->hbmMask != nullptr ? TRUE : FALSE;
}

HICON CreateIconIndirect(PICONINFO piconinfo)
{
    if (piconinfo == nullptr) return nullptr;
    Bitmap* mask = Lookup<Bitmap>(piconinfo->hbmMask);
    Bitmap* color = Lookup<Bitmap>(piconinfo->hbmColor);
    if (mask == nullptr || (piconinfo->hbmColor != nullptr && color == nullptr)) return nullptr;
    auto icon = std::make_unique<Icon>();
    icon->isIcon = piconinfo->fIcon != FALSE;
    const int height = color != nullptr ? mask->height : mask->height / 2;
    // Icons are held at their centre.
    icon->hotX = icon->isIcon ? static_cast<DWORD>(mask->width / 2) : piconinfo->xHotspot;
    icon->hotY = icon->isIcon ? static_cast<DWORD>(height / 2) : piconinfo->yHotspot;
    icon->mask = CopyBitmap(*mask);
    icon->color = color != nullptr ? CopyBitmap(*color) : nullptr;
    if (icon->mask == nullptr || (color != nullptr && icon->color == nullptr)) {
        DeleteObject(icon->mask);
        DeleteObject(icon->color);
        return nullptr;
    }
    return Add(std::move(icon));
}

BOOL DestroyIcon(HICON hIcon)
{
    Icon* icon = Find(hIcon);
    if (icon == nullptr) return FALSE;
    if (icon->shared) return TRUE;
    DeleteObject(icon->mask);
    if (icon->color != nullptr) DeleteObject(icon->color);
    Icons().erase(hIcon);
    return TRUE;
}

BOOL DestroyCursor(HCURSOR hCursor) { return DestroyIcon(hCursor); }

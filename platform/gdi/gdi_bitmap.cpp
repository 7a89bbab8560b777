// Bitmaps: DIB sections, device-dependent bitmaps, colour tables, GetDIBits.
#include <algorithm>
#include <cstring>

#include "gdi/gdi_blit.h"
#include "gdi/gdi_display.h"
#include "gdi/gdi_objects.h"

using namespace kestu::platform;
using namespace kestu::platform::gdi;

namespace {

bool SupportedBits(int bits) { return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32; }

// The layout a BITMAPINFO describes; false when it is not one we store.
bool LayoutFromInfo(const BITMAPINFO* info, PixelLayout* out)
{
    const BITMAPINFOHEADER& h = info->bmiHeader;
    if (!SupportedBits(h.biBitCount)) return false;
    if (h.biCompression == BI_RGB) {
        switch (h.biBitCount) {
        case 16: *out = PixelLayout::Rgb555(); break;
        case 24: *out = PixelLayout::Rgb24(); break;
        case 32: *out = PixelLayout::Xrgb32(); break;
        default: *out = PixelLayout::Indexed(h.biBitCount); break;
        }
        return true;
    }
    if (h.biCompression == BI_BITFIELDS && (h.biBitCount == 16 || h.biBitCount == 32)) {
        // The three masks follow the 40-byte header (inside larger headers).
        DWORD masks[3];
        std::memcpy(masks, reinterpret_cast<const BYTE*>(info) + sizeof(BITMAPINFOHEADER), sizeof(masks));
        const uint32_t limit = h.biBitCount == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        for (DWORD m : masks)
            if (m == 0 || (m & ~limit) != 0) return false;
        *out = PixelLayout{h.biBitCount, masks[0], masks[1], masks[2]};
        return true;
    }
    return false;
}

const BYTE* ColorTableOf(const BITMAPINFO* info)
{
    const BITMAPINFOHEADER& h = info->bmiHeader;
    size_t offset = h.biSize;
    if (h.biCompression == BI_BITFIELDS && h.biSize == sizeof(BITMAPINFOHEADER)) offset += 3 * sizeof(DWORD);
    return reinterpret_cast<const BYTE*>(info) + offset;
}

int ColorsUsed(const BITMAPINFOHEADER& h)
{
    if (h.biBitCount > 8) return 0;
    const int full = 1 << h.biBitCount;
    return h.biClrUsed == 0 ? full : std::min<int>(static_cast<int>(h.biClrUsed), full);
}

std::vector<RGBQUAD> SystemColors()
{
    std::vector<RGBQUAD> out(256);
    const auto& sys = display::SystemPalette();
    for (int i = 0; i < 256; ++i) out[i] = RGBQUAD{sys[i].peBlue, sys[i].peGreen, sys[i].peRed, 0};
    return out;
}

std::vector<RGBQUAD> DefaultColors(int bits)
{
    if (bits == 1) return {RGBQUAD{0, 0, 0, 0}, RGBQUAD{255, 255, 255, 0}};
    if (bits == 8) return SystemColors();
    std::vector<RGBQUAD> out(16);
    const auto& sys = display::SystemPalette();
    for (int i = 0; i < 16; ++i) {
        const int s = i < 8 ? i : 248 + (i - 8);
        out[i] = RGBQUAD{sys[s].peBlue, sys[s].peGreen, sys[s].peRed, 0};
    }
    return out;
}

// The layout of bitmaps compatible with the display.
PixelLayout DisplayLayout()
{
    const display::Mode& m = display::Current();
    if (m.bits == 8) return PixelLayout::Indexed(8);
    if (m.bits == 16) return m.is555 ? PixelLayout::Rgb555() : PixelLayout::Rgb565();
    return PixelLayout::Xrgb32();
}

HBITMAP RegisterBitmap(std::unique_ptr<Bitmap> bm) { return static_cast<HBITMAP>(Register(std::move(bm))); }

Bitmap* SelectedDib(HDC hdc)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr || dc->bitmap == nullptr || !dc->bitmap->dibSection || !dc->bitmap->layout.indexed())
        return nullptr;
    return dc->bitmap;
}

} // namespace

HBITMAP CreateDIBSection(HDC hdc, const BITMAPINFO* pbmi, UINT usage, VOID** ppvBits, HANDLE hSection, DWORD offset)
{
    if (ppvBits != nullptr) *ppvBits = nullptr;
    if (pbmi == nullptr || hSection != nullptr || pbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER)) return nullptr;
    if (usage != DIB_RGB_COLORS && usage != DIB_PAL_COLORS) return nullptr;
    const BITMAPINFOHEADER& h = pbmi->bmiHeader;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN || h.biPlanes != 1) return nullptr;
    PixelLayout layout;
    if (!LayoutFromInfo(pbmi, &layout)) return nullptr;

    auto bm = MakeBitmap(h.biWidth, h.biHeight < 0 ? -h.biHeight : h.biHeight, layout, h.biHeight > 0);
    if (!bm) return nullptr;
    bm->dibSection = true;
    if (layout.indexed()) {
        bm->colors.assign(static_cast<size_t>(1) << layout.bits, RGBQUAD{0, 0, 0, 0});
        const int used = ColorsUsed(h);
        const BYTE* table = ColorTableOf(pbmi);
        if (usage == DIB_RGB_COLORS) {
            std::memcpy(bm->colors.data(), table, static_cast<size_t>(used) * sizeof(RGBQUAD));
        } else {
            DeviceContext* dc = LookupDC(hdc);
            if (dc == nullptr) return nullptr;
            const Palette& pal = SelectedPalette(*dc);
            for (int i = 0; i < used; ++i) {
                WORD index;
                std::memcpy(&index, table + i * sizeof(WORD), sizeof(WORD));
                if (index < pal.entries.size()) {
                    const PALETTEENTRY& e = pal.entries[index];
                    bm->colors[i] = RGBQUAD{e.peBlue, e.peGreen, e.peRed, 0};
                }
            }
        }
    }
    void* bits = bm->bits.get();
    HBITMAP handle = RegisterBitmap(std::move(bm));
    if (handle != nullptr && ppvBits != nullptr) *ppvBits = bits;
    return handle;
}

HBITMAP CreateBitmap(int nWidth, int nHeight, UINT nPlanes, UINT nBitCount, const VOID* lpBits)
{
    if (nPlanes != 1 || !SupportedBits(static_cast<int>(nBitCount))) return nullptr;
    PixelLayout layout;
    switch (nBitCount) {
    case 16: layout = PixelLayout::Rgb565(); break;
    case 24: layout = PixelLayout::Rgb24(); break;
    case 32: layout = PixelLayout::Xrgb32(); break;
    default: layout = PixelLayout::Indexed(static_cast<int>(nBitCount)); break;
    }
    auto bm = MakeBitmap(nWidth, nHeight, layout, false);
    if (!bm) return nullptr;
    if (layout.indexed()) bm->colors = DefaultColors(layout.bits);
    if (lpBits != nullptr) {
        // Device-dependent rows are padded to 16 bits, top row first.
        const size_t srcStride = static_cast<size_t>((nWidth * static_cast<int>(nBitCount) + 15) / 16) * 2;
        const size_t rowBytes = static_cast<size_t>((nWidth * static_cast<int>(nBitCount) + 7) / 8);
        for (int y = 0; y < nHeight; ++y)
            std::memcpy(bm->StoredRow(y), static_cast<const BYTE*>(lpBits) + srcStride * y, rowBytes);
    }
    return RegisterBitmap(std::move(bm));
}

HBITMAP CreateCompatibleBitmap(HDC hdc, int cx, int cy)
{
    DeviceContext* dc = LookupDC(hdc);
    if (dc == nullptr) return nullptr;
    if (cx == 0 || cy == 0) return CreateBitmap(1, 1, 1, 1, nullptr);
    PixelLayout layout = DisplayLayout();
    std::vector<RGBQUAD> colors;
    if (dc->type == DeviceContext::Type::Memory && dc->bitmap != nullptr) {
        layout = dc->bitmap->layout;
        colors = dc->bitmap->colors;
    } else if (layout.indexed()) {
        colors = SystemColors();
    }
    auto bm = MakeBitmap(cx, cy, layout, false);
    if (!bm) return nullptr;
    bm->colors = std::move(colors);
    return RegisterBitmap(std::move(bm));
}

UINT SetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, const RGBQUAD* prgbq)
{
    Bitmap* bm = SelectedDib(hdc);
    if (bm == nullptr || prgbq == nullptr || iStart >= bm->colors.size()) return 0;
    const UINT n = std::min<UINT>(cEntries, static_cast<UINT>(bm->colors.size()) - iStart);
    std::memcpy(&bm->colors[iStart], prgbq, n * sizeof(RGBQUAD));
    return n;
}

UINT GetDIBColorTable(HDC hdc, UINT iStart, UINT cEntries, RGBQUAD* prgbq)
{
    Bitmap* bm = SelectedDib(hdc);
    if (bm == nullptr || prgbq == nullptr || iStart >= bm->colors.size()) return 0;
    const UINT n = std::min<UINT>(cEntries, static_cast<UINT>(bm->colors.size()) - iStart);
    std::memcpy(prgbq, &bm->colors[iStart], n * sizeof(RGBQUAD));
    return n;
}

int GetDIBits(HDC hdc, HBITMAP hbm, UINT start, UINT cLines, LPVOID lpvBits, LPBITMAPINFO lpbmi, UINT usage)
{
    Bitmap* bm = Lookup<Bitmap>(hbm);
    if (LookupDC(hdc) == nullptr || bm == nullptr || lpbmi == nullptr ||
        lpbmi->bmiHeader.biSize < sizeof(BITMAPINFOHEADER) || usage != DIB_RGB_COLORS)
        return 0;
    BITMAPINFOHEADER& h = lpbmi->bmiHeader;

    if (lpvBits == nullptr && h.biBitCount == 0) {
        // Describe the bitmap.
        h.biWidth = bm->width;
        h.biHeight = bm->height;
        h.biPlanes = 1;
        h.biBitCount = static_cast<WORD>(bm->layout.bits);
        h.biCompression = BI_RGB;
        h.biSizeImage = static_cast<DWORD>(((bm->width * bm->layout.bits + 31) / 32) * 4 * bm->height);
        h.biClrUsed = 0;
        h.biClrImportant = 0;
        return bm->height;
    }

    PixelLayout layout;
    if (h.biWidth <= 0 || h.biHeight == 0 || h.biHeight == INT32_MIN || !LayoutFromInfo(lpbmi, &layout)) return 0;
    const int outRows = h.biHeight < 0 ? -h.biHeight : h.biHeight;
    const int64_t outStride = ((int64_t{h.biWidth} * layout.bits + 31) / 32) * 4;
    h.biSizeImage = static_cast<DWORD>(std::min<int64_t>(outStride * outRows, UINT32_MAX));

    // The colour table of indexed output: the bitmap's own, or a default one.
    std::vector<RGBQUAD> table;
    if (layout.indexed()) {
        table = (bm->layout.indexed() && bm->layout.bits == layout.bits) ? bm->colors : DefaultColors(layout.bits);
        table.resize(static_cast<size_t>(1) << layout.bits, RGBQUAD{0, 0, 0, 0});
        std::memcpy(const_cast<BYTE*>(ColorTableOf(lpbmi)), table.data(), table.size() * sizeof(RGBQUAD));
    }
    if (lpvBits == nullptr) return bm->height;

    const int firstRow = static_cast<int>(std::min<UINT>(start, static_cast<UINT>(bm->height)));
    const int lines = static_cast<int>(
        std::min<int64_t>({int64_t{cLines}, int64_t{bm->height} - firstRow, int64_t{outRows} - firstRow}));
    if (lines <= 0) return 0;
    const int width = std::min(h.biWidth, bm->width);
    const PixelView src = bm->View();
    const bool bottomUp = h.biHeight > 0;
    for (int i = 0; i < lines; ++i) {
        // Scan line numbers count from the bottom for bottom-up output.
        const int picRow = bottomUp ? bm->height - 1 - (firstRow + i) : firstRow + i;
        PixelView dst;
        dst.top = static_cast<uint8_t*>(lpvBits) + outStride * i;
        dst.width = width;
        dst.height = 1;
        dst.stride = static_cast<ptrdiff_t>(outStride);
        dst.layout = layout;
        dst.palette = table.empty() ? nullptr : table.data();
        dst.paletteSize = static_cast<int>(table.size());
        CopyRect(dst, 0, 0, src, 0, picRow, width, 1);
    }
    return lines;
}

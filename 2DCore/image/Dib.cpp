// CDIB: a window buffer over a GDI DIB section.
#include <climits>
#include <cstring>

#include "2DCore/image/DrawPixels.h"
#include "kestu_winbuf.h"

namespace {

// A BITMAPINFO with room for a full colour table (or three masks).
struct DibInfo {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

} // namespace

CDIB::CDIB() : m_bitmap(nullptr), m_bits(nullptr), m_paletteStamp(-1), m_dibWindow(nullptr)
{
    std::memset(&m_header, 0, sizeof(m_header));
    std::memset(m_colors, 0, sizeof(m_colors));
}

CDIB::~CDIB() = default;

int CDIB::Build(int bits, int w, int h, HWND window)
{
    if (w <= 0 || h <= 0) return 0;
    int dibBits;
    if (bits == 8) {
        SetPpgfx(new PGFX());
        dibBits = 8;
    } else if (bits <= 1) {
        dibBits = 1;
    } else if (bits <= 4) {
        dibBits = 4;
    } else if (bits <= 8) {
        dibBits = 8;
    } else if (bits <= 16) {
        dibBits = 16;
    } else if (bits <= 24) {
        dibBits = 24;
    } else {
        // A 32-bit buffer writes four bytes a pixel: its DIB must hold them.
        dibBits = 32;
    }

    DibInfo info{};
    info.header.biSize = sizeof(BITMAPINFOHEADER);
    info.header.biWidth = w;
    info.header.biHeight = -h;
    info.header.biPlanes = 1;
    info.header.biBitCount = static_cast<WORD>(dibBits);
    info.header.biCompression = BI_RGB;
    const bool is565 = dibBits == 16 && bits == 16;
    if (is565) {
        // Plain 16-bit DIBs are 555; the buffer's 565 pixels need their masks.
        info.header.biCompression = BI_BITFIELDS;
        const DWORD masks[3] = {0xF800, 0x07E0, 0x001F};
        std::memcpy(info.colors, masks, sizeof(masks));
    }

    m_dibWindow = window;
    HDC dc = GetDC(window);
    void* pixels = nullptr;
    HBITMAP bitmap = CreateDIBSection(dc, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS, &pixels, nullptr, 0);
    if (dc != nullptr) ReleaseDC(window, dc);
    if (bitmap == nullptr) return 0;

    m_bitmapOwner.reset(static_cast<void*>(bitmap), [](void* b) { DeleteObject(static_cast<HBITMAP>(b)); });
    m_bitmap = bitmap;
    m_bits = pixels;
    m_header = info.header;
    // Differs from every counter value, so the first Prepare fills the colour table.
    m_paletteStamp = INT_MIN;
    m_pitch = ((dibBits * w + 31) / 32) * 4;
    m_rows = h;
    m_orientation = 1;
    m_pixelWidth = static_cast<uint8_t>(dibBits);
    if (bits == 16)
        m_pixelFormat = 16;
    else if (bits == 15)
        m_pixelFormat = 15;
    else if (dibBits != 16)
        m_pixelFormat = static_cast<uint8_t>(dibBits);
    m_rect = GRECT(0, 0, w, h);
    return 1;
}

void* CDIB::Prepare(GRECT*)
{
    if (m_header.biBitCount == 8 && m_palette != nullptr && m_palette->GetFlag() != m_paletteStamp) {
        SetColorTable();
        m_paletteStamp = m_palette->GetFlag();
    }
    return m_bits;
}

int CDIB::SetColorTable()
{
    if (m_bitmap == nullptr) return 1;
    PALETTEENTRY e[256] = {};
    HPALETTE pal = m_palette != nullptr ? m_palette->GetHpalRealized() : nullptr;
    if (pal != nullptr) GetPaletteEntries(pal, 0, 256, e);
    for (int i = 0; i < 256; ++i) m_colors[i] = RGBQUAD{e[i].peBlue, e[i].peGreen, e[i].peRed, 0};
    HDC dc = GetDC(m_dibWindow);
    HDC mem = CreateCompatibleDC(dc);
    if (mem != nullptr) {
        HGDIOBJ old = SelectObject(mem, m_bitmap);
        SetDIBColorTable(mem, 0, 256, m_colors);
        SelectObject(mem, old);
        DeleteDC(mem);
    }
    if (dc != nullptr) ReleaseDC(m_dibWindow, dc);
    return 1;
}

int CDIB::Paint(HWND window, int x, int y, int w, int h, int sx, int sy)
{
    if (m_bitmap == nullptr) return 0;
    if (m_header.biBitCount == 8) Prepare(nullptr); // a stale colour table is refreshed before showing
    HDC dc = GetDC(window);
    if (dc == nullptr) return 0;
    HDC mem = CreateCompatibleDC(dc);
    if (mem == nullptr) {
        ReleaseDC(window, dc);
        return 0;
    }
    HGDIOBJ oldBitmap = SelectObject(mem, m_bitmap);
    HPALETTE oldPal = nullptr;
    const bool paletted = m_header.biBitCount == 8 && m_palette != nullptr && m_palette->GetHpalRealized() != nullptr;
    if (paletted) {
        oldPal = SelectPalette(dc, m_palette->GetHpalRealized(), FALSE);
        RealizePalette(dc);
    }
    const BOOL result = BitBlt(dc, x, y, w, h, mem, sx, sy, SRCCOPY);
    GdiFlush();
    if (paletted) SelectPalette(dc, oldPal, FALSE);
    SelectObject(mem, oldBitmap);
    ReleaseDC(window, dc);
    DeleteDC(mem);
    return result;
}

void CDIB::Replace(int colour)
{
    if (m_bits == nullptr || m_header.biBitCount != 16) return;
    const uint16_t from = static_cast<uint16_t>(colour), to = static_cast<uint16_t>(m_transColor);
    for (int y = 0; y < m_rows; ++y) {
        uint8_t* row = static_cast<uint8_t*>(m_bits) + static_cast<size_t>(y) * m_pitch;
        for (int x = 0; x < m_rect.width; ++x)
            if (kestu2d::Load16(row + 2 * x) == from) kestu2d::Store16(row + 2 * x, to);
    }
}

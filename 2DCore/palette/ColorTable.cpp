#include "kestu_colortable.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <vector>

namespace {

// A LOGPALETTE of 256 entries laid out in one block.
struct Logical {
    Logical() : bytes(sizeof(LOGPALETTE) + 255 * sizeof(PALETTEENTRY), 0)
    {
        header()->palVersion = 0x300;
        header()->palNumEntries = 256;
    }
    LOGPALETTE* header() { return reinterpret_cast<LOGPALETTE*>(bytes.data()); }
    PALETTEENTRY* entries() { return header()->palPalEntry; }
    std::vector<uint8_t> bytes;
};

PALETTEENTRY Entry(BYTE r, BYTE g, BYTE b, BYTE flags) { return PALETTEENTRY{r, g, b, flags}; }

} // namespace

HPALETTE CaptureSystemPalette(const RGBQUAD* colours, int32_t count)
{
    Logical pal;
    PALETTEENTRY* e = pal.entries();
    const int n = colours == nullptr ? 0 : std::clamp<int32_t>(count, 0, 256);
    HDC dc = GetDC(nullptr);
    if (GetSystemPaletteUse(dc) != SYSPAL_NOSTATIC) {
        const int s = std::clamp(GetDeviceCaps(dc, NUMCOLORS) / 2, 0, 128);
        GetSystemPaletteEntries(dc, 0, 256, e);
        for (int i = 0; i < s; ++i) e[i].peFlags = 0;
        for (int i = s; i < n - s; ++i)
            e[i] = Entry(colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue, PC_RESERVED);
        for (int i = std::max(n - s, s); i < 256 - s; ++i) e[i].peFlags = PC_RESERVED;
        for (int i = 256 - s; i < 256; ++i) e[i].peFlags = 0;
    } else {
        for (int i = 0; i < n; ++i)
            e[i] = Entry(colours[i].rgbRed, colours[i].rgbGreen, colours[i].rgbBlue, PC_RESERVED);
        for (int i = n; i < 256; ++i) e[i].peFlags = PC_RESERVED;
        e[255] = Entry(255, 255, 255, 0);
        e[0] = Entry(0, 0, 0, 0);
    }
    ReleaseDC(nullptr, dc);
    return CreatePalette(pal.header());
}

COLORTABLE::COLORTABLE(const COLORTABLE& other) { CopyFrom(other); }

COLORTABLE& COLORTABLE::operator=(const COLORTABLE& other)
{
    if (this != &other) {
        Free();
        CopyFrom(other);
    }
    return *this;
}

COLORTABLE::~COLORTABLE() { Free(); }

void COLORTABLE::Free()
{
    if (m_hpal != nullptr) DeleteObject(m_hpal);
    m_hpal = nullptr;
    delete[] m_rgb;
    m_rgb = nullptr;
    m_count = 0;
}

void COLORTABLE::CopyFrom(const COLORTABLE& other)
{
    m_count = 0;
    m_rgb = nullptr;
    m_hpal = nullptr;
    if (other.m_rgb != nullptr) {
        m_rgb = new (std::nothrow) RGBQUAD[256];
        if (m_rgb == nullptr) return;
        std::memcpy(m_rgb, other.m_rgb, 256 * sizeof(RGBQUAD));
        m_count = other.m_count;
    }
    if (other.m_hpal != nullptr) {
        // The copy's palette carries the source palette's current entries.
        Logical pal;
        if (GetPaletteEntries(other.m_hpal, 0, 256, pal.entries()) == 256) m_hpal = CreatePalette(pal.header());
    }
}

int COLORTABLE::Build(const CCOL* colours)
{
    RGBQUAD* rgb = new (std::nothrow) RGBQUAD[256];
    if (rgb == nullptr) return 1; // the table stays as it was
    if (colours != nullptr)
        for (int i = 0; i < 256; ++i)
            rgb[i] = RGBQUAD{colours[i].blue, colours[i].green, colours[i].red, colours[i].reserved};
    else
        std::memset(rgb, 0, 256 * sizeof(RGBQUAD));
    Free(); // the table owns its palette: a rebuild replaces it
    m_rgb = rgb;
    m_count = 256;
    m_hpal = CaptureSystemPalette(m_rgb, 256);
    return 1;
}

int COLORTABLE::Build(unsigned char) { return Build(static_cast<const CCOL*>(nullptr)); }

void COLORTABLE::RestoreLogicalPalette(SYSTEMPALETTETYPE type)
{
    if (m_rgb == nullptr || m_hpal == nullptr) return;
    PALETTEENTRY e[256];
    for (int i = 1; i < 255; ++i) e[i] = Entry(m_rgb[i].rgbRed, m_rgb[i].rgbGreen, m_rgb[i].rgbBlue, PC_RESERVED);
    e[0] = Entry(0, 0, 0, 0);
    e[255] = Entry(255, 255, 255, 0);
    if (type == SYSTEMPALETTE_STATIC)
        SetPaletteEntries(m_hpal, 10, 236, &e[10]);
    else
        SetPaletteEntries(m_hpal, 1, 254, &e[1]);
}

PALINDEXMETRIX::PALINDEXMETRIX(const PALINDEXMETRIX& other) { *this = other; }

PALINDEXMETRIX& PALINDEXMETRIX::operator=(const PALINDEXMETRIX& other)
{
    if (this == &other) return *this;
    Free();
    if (other.m_block != nullptr && other.m_count > 0) {
        m_block = new (std::nothrow) BYTE[size_t(other.m_count) * 256];
        if (m_block != nullptr) {
            std::memcpy(m_block, other.m_block, size_t(other.m_count) * 256);
            m_count = other.m_count;
        }
    }
    return *this;
}

PALINDEXMETRIX::~PALINDEXMETRIX() { Free(); }

void PALINDEXMETRIX::Free()
{
    delete[] m_block;
    m_block = nullptr;
    m_count = 0;
}

int PALINDEXMETRIX::Build(int count, const BYTE* data)
{
    if (count < 0) count = 0;
    BYTE* block = new (std::nothrow) BYTE[size_t(count) * 256 + 1];
    if (block == nullptr) return 1;
    if (data != nullptr && count > 0) std::memcpy(block, data, size_t(count) * 256);
    Free(); // a rebuild replaces the earlier block
    m_block = block;
    m_count = count;
    return 1;
}

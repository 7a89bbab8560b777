// Colour tables and palette records of 8-bit display modes.
#pragma once

#include <windows.h>

#include <cstdint>

#include "kestu_export.h"

// One colour in RGBQUAD order.
struct KESTU_API CCOL {
    BYTE blue;
    BYTE green;
    BYTE red;
    BYTE reserved;
};

struct KESTU_API BITMAPHEADER {
    BITMAPINFOHEADER header;
    RGBQUAD colors[256];
};

// A LOGPALETTE with room for 256 entries.
struct KESTU_API LPALETTE {
    WORD version;
    WORD count;
    PALETTEENTRY entries[256];
};

struct KESTU_API PALINDEXTABLE {
    BYTE index[256];
};

// count index tables of 256 bytes, one after the other.
class KESTU_API PALINDEXMETRIX {
public:
    PALINDEXMETRIX() = default;
    PALINDEXMETRIX(const PALINDEXMETRIX& other); // deep copy: each owns its block
    PALINDEXMETRIX& operator=(const PALINDEXMETRIX& other);
    ~PALINDEXMETRIX();

    int Build(int count, const BYTE* data);
    BYTE* GetTable(int i) { return m_block + i * 256; }
    int GetCount() const { return m_count; }

private:
    void Free();
    BYTE* m_block = nullptr;
    int32_t m_count = 0;
};

// 1: the system keeps its static colours; any other value: it does not.
enum SYSTEMPALETTETYPE : int32_t {
    SYSTEMPALETTE_NOSTATIC = 0,
    SYSTEMPALETTE_STATIC = 1,
};

class KESTU_API COLORTABLE {
public:
    COLORTABLE() = default;
    COLORTABLE(const COLORTABLE& other); // deep copy: colours and a palette of its own
    COLORTABLE& operator=(const COLORTABLE& other);
    ~COLORTABLE();

    int Build(const CCOL* colours);
    int Build(unsigned char unused);
    RGBQUAD* GetRGB() const { return m_rgb; }
    HPALETTE GetHpal() const { return m_hpal; }
    DWORD GetCount() const { return m_count; }
    void RestoreLogicalPalette(SYSTEMPALETTETYPE type);

private:
    void Free();
    void CopyFrom(const COLORTABLE& other);
    DWORD m_count = 0;
    RGBQUAD* m_rgb = nullptr;
    HPALETTE m_hpal = nullptr;
};

// A logical palette of 256 entries that keeps the system's static colours
// where the system keeps them and carries the given colours elsewhere.
KESTU_API HPALETTE CaptureSystemPalette(const RGBQUAD* colours, int32_t count);

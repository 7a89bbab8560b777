#include <cstring>

#include "kestu_d3dutil.h"

namespace {

constexpr DWORD FourCC(char a, char b, char c, char d)
{
    return DWORD(BYTE(a)) | (DWORD(BYTE(b)) << 8) | (DWORD(BYTE(c)) << 16) | (DWORD(BYTE(d)) << 24);
}

struct FormatName {
    DWORD value;
    const char* name;
};

constexpr FormatName kFormats[] = {
    {0, "D3DFMT_UNKNOWN"},
    {20, "D3DFMT_R8G8B8"},
    {21, "D3DFMT_A8R8G8B8"},
    {22, "D3DFMT_X8R8G8B8"},
    {23, "D3DFMT_R5G6B5"},
    {24, "D3DFMT_X1R5G5B5"},
    {25, "D3DFMT_A1R5G5B5"},
    {26, "D3DFMT_A4R4G4B4"},
    {27, "D3DFMT_R3G3B2"},
    {28, "D3DFMT_A8"},
    {29, "D3DFMT_A8R3G3B2"},
    {30, "D3DFMT_X4R4G4B4"},
    {31, "D3DFMT_A2B10G10R10"},
    {34, "D3DFMT_G16R16"},
    {40, "D3DFMT_A8P8"},
    {41, "D3DFMT_P8"},
    {50, "D3DFMT_L8"},
    {51, "D3DFMT_A8L8"},
    {52, "D3DFMT_A4L4"},
    {60, "D3DFMT_V8U8"},
    {61, "D3DFMT_L6V5U5"},
    {62, "D3DFMT_X8L8V8U8"},
    {63, "D3DFMT_Q8W8V8U8"},
    {64, "D3DFMT_V16U16"},
    {67, "D3DFMT_A2W10V10U10"},
    {70, "D3DFMT_D16_LOCKABLE"},
    {71, "D3DFMT_D32"},
    {73, "D3DFMT_D15S1"},
    {75, "D3DFMT_D24S8"},
    {77, "D3DFMT_D24X8"},
    {79, "D3DFMT_D24X4S4"},
    {80, "D3DFMT_D16"},
    {100, "D3DFMT_VERTEXDATA"},
    {101, "D3DFMT_INDEX16"},
    {102, "D3DFMT_INDEX32"},
    {FourCC('D', 'X', 'T', '1'), "D3DFMT_DXT1"},
    {FourCC('D', 'X', 'T', '2'), "D3DFMT_DXT2"},
    {FourCC('D', 'X', 'T', '3'), "D3DFMT_DXT3"},
    {FourCC('D', 'X', 'T', '4'), "D3DFMT_DXT4"},
    {FourCC('D', 'X', 'T', '5'), "D3DFMT_DXT5"},
    {FourCC('Y', 'U', 'Y', '2'), "D3DFMT_YUY2"},
    {FourCC('U', 'Y', 'V', 'Y'), "D3DFMT_UYVY"},
};

} // namespace

const char* D3DUtil_D3DFormatToString(D3DFORMAT format, bool withPrefix)
{
    const char* name = "Unknown format";
    for (const FormatName& f : kFormats) {
        if (f.value == static_cast<DWORD>(format)) {
            name = f.name;
            break;
        }
    }
    if (!withPrefix) {
        if (const char* p = std::strstr(name, "D3DFMT_")) return p + 7;
    }
    return name;
}

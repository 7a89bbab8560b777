#include "kestu_resolution.h"

namespace {

struct Resolution {
    DWORD width;
    DWORD height;
};

constexpr Resolution kSizes[KESTU_RES_COUNT] = {
    {800, 600},   {1024, 768},  {1152, 864},  {1280, 720},  {1280, 768},  {1280, 960},
    {1280, 1024}, {1360, 768},  {1440, 900},  {1440, 1050}, {1600, 900},  {1600, 1024},
    {1600, 1200}, {1920, 1080}, {1920, 1200}, {1920, 1440}, {2048, 1536},
};

// Fixed 16-byte slots, as the texts are stored.
constexpr char kTexts[KESTU_RES_COUNT][16] = {
    "800x600",   "1024x768", "1152x864",  "1280x720",  "1280x768",  "1280x960",  "1280x1024", "1360x768",  "1440x900",
    "1440x1050", "1600x900", "1600x1024", "1600x1200", "1920x1080", "1920x1200", "1920x1440", "2048x1536",
};

bool InTable(ENUM_KESTU_RESOLUTION res) { return res >= 0 && res < KESTU_RES_COUNT; }

} // namespace

DWORD Kestu_GetWinCxByRes(ENUM_KESTU_RESOLUTION res) { return InTable(res) ? kSizes[res].width : 0; }

DWORD Kestu_GetWinCyByRes(ENUM_KESTU_RESOLUTION res) { return InTable(res) ? kSizes[res].height : 0; }

ENUM_KESTU_RESOLUTION Kestu_GetResByWinCxCyColorDepth(DWORD width, DWORD height)
{
    for (int i = 0; i < KESTU_RES_COUNT; ++i) {
        if (kSizes[i].width == width && kSizes[i].height == height) return static_cast<ENUM_KESTU_RESOLUTION>(i);
    }
    return static_cast<ENUM_KESTU_RESOLUTION>(-1);
}

const char* Kestu_GetResolutionText(ENUM_KESTU_RESOLUTION res) { return InTable(res) ? kTexts[res] : "UNKNOWN"; }

// The fixed table of supported screen sizes.
#pragma once
#include "kestu_config.h"

// Width and height of a table entry; 0 outside the table.
DWORD Kestu_GetWinCxByRes(ENUM_KESTU_RESOLUTION res);
DWORD Kestu_GetWinCyByRes(ENUM_KESTU_RESOLUTION res);
// The entry whose width and height both match, else -1.
ENUM_KESTU_RESOLUTION Kestu_GetResByWinCxCyColorDepth(DWORD width, DWORD height);
// "800x600" ... "2048x1536", or "UNKNOWN" outside the table.
const char* Kestu_GetResolutionText(ENUM_KESTU_RESOLUTION res);

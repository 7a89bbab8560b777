// The fixed table of supported screen sizes.
#pragma once
#include "kestu_config.h"
#include "kestu_export.h"

// Width and height of a table entry; 0 outside the table.
KESTU_API DWORD Kestu_GetWinCxByRes(ENUM_KESTU_RESOLUTION res);
KESTU_API DWORD Kestu_GetWinCyByRes(ENUM_KESTU_RESOLUTION res);
// The entry whose width and height both match, else -1.
KESTU_API ENUM_KESTU_RESOLUTION Kestu_GetResByWinCxCyColorDepth(DWORD width, DWORD height);
// "800x600" ... "2048x1536", or "UNKNOWN" outside the table.
KESTU_API const char* Kestu_GetResolutionText(ENUM_KESTU_RESOLUTION res);

// The pixel conversion behind D3DUtil_SetDeviceCursor.
#pragma once
#include <windows.h>

// Fills a locked A8R8G8B8 image of width x dstHeight whose rows are `pitch`
// bytes apart. `mask` holds width x srcHeight bottom-up values; `color`, when
// given, width x dstHeight bottom-up values. Without colour the mask holds the
// AND mask above the XOR mask, and the XOR half gives the colour.
void D3DUtil_FillCursorImage(BYTE* bits, INT pitch, DWORD width, DWORD dstHeight, DWORD srcHeight, const DWORD* mask,
                             const DWORD* color, BOOL addMark);

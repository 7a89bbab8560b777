// The virtual display: its current mode (set by DirectDraw, offered by the
// host) and the system palette of 8-bit modes with its static colours.
#pragma once
#include <array>
#include <vector>

#include "host/host_ddraw.h"
#include "wingdi.h"

namespace kestu::platform::display {

struct Mode {
    int width = 1024;
    int height = 768;
    int bits = 32;
    bool is555 = false; // 16-bit modes only
};

const Mode& Current();
const Mode& Desktop();
// Switches the virtual screen; false when the mode is not offered.
bool SetMode(int width, int height, int bits);
void RestoreDesktop();
bool ModeOffered(int width, int height, int bits);
// Counts mode changes, so surfaces made in an earlier mode know it.
unsigned ModeSerial();

void SetDesktopMode(const host::DisplayModeDesc& mode);
void SetAvailableModes(const std::vector<host::DisplayModeDesc>& modes);
void Set16Bit555(bool use555);
void ResetDisplay();

// System palette.
const std::array<PALETTEENTRY, 256>& SystemPalette();
UINT SystemPaletteUse();
// Returns the previous use, or SYSPAL_ERROR for an unknown value.
UINT SetSystemPaletteUse(UINT use);
// Whether a palette entry index may take a realized colour under the current use.
bool SystemEntryFree(int index);
void SetSystemEntry(int index, const PALETTEENTRY& entry);
// The palette last realized in the foreground; its animations reach the system palette.
const void* RealizedPalette();
void SetRealizedPalette(const void* palette);
void ResetSystemPalette();

} // namespace kestu::platform::display

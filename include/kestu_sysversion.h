// Operating-system and DirectX version descriptions for start-up reports.
#pragma once
#include <windows.h>

#include "kestu_export.h"

// The version Windows reports (emulated) and the one underneath it.
struct KESTU_API _OS_VERSION_INFO {
    OSVERSIONINFOA osvi;
    DWORD dwUnderlyingMajorVersion;
    DWORD dwUnderlyingMinorVersion;
};

KESTU_API BOOL IsEmulatedWindows95(const _OS_VERSION_INFO* info);
KESTU_API BOOL IsEmulatedWindows98(const _OS_VERSION_INFO* info);
KESTU_API BOOL IsEmulatedWindowsME(const _OS_VERSION_INFO* info);
KESTU_API BOOL IsEmulatedWindows2000(const _OS_VERSION_INFO* info);
KESTU_API BOOL IsEmulatedWindowsWhistler(const _OS_VERSION_INFO* info);
KESTU_API BOOL IsUnderlyingWindows95(const _OS_VERSION_INFO* info);
KESTU_API BOOL IsUnderlyingWindows98(const _OS_VERSION_INFO* info);

// Writes a one-line description of the system into text (at most size bytes,
// always terminated); 0 when the version cannot be read.
KESTU_API BOOL DisplaySystemVersion(char* text, DWORD size = 256);

// 0 (not usable), 0x100, 0x200, 0x300, 0x500, 0x600, 0x601, 0x700, 0x800 or 0x801.
KESTU_API DWORD GetDXVersion();

// Helpers shared by the win32 stand-in sources.
#pragma once
#include <string>
#include <string_view>

#include "windows.h"

namespace kestu::platform::win32 {

// A Windows-style path as the host file system expects it: '\' becomes '/'.
std::string HostPath(const char* path);

char LowerAscii(char c);
std::string LowerAscii(std::string_view text);
bool EqualsNoCase(std::string_view a, std::string_view b);

// True when the environment asks for debug output on stderr.
bool DebugEchoEnabled();

// Defaults restored by host::ResetWin32, one per area.
void ResetUser();
void ResetDialogs();
void ResetDebugOutput();
void ResetRegistry();
void ResetModules();
void ResetVersion();
void ResetCom();
void ResetClock();

} // namespace kestu::platform::win32

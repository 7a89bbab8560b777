// Procedure lookup for the built-in system modules.
#pragma once
#include "windows.h"

namespace kestu::platform::win32 {

// A function of the process by its plain name: a C-linkage symbol, or a
// free function of the global namespace in the platform library (found
// through its mangled name). Null when there is none.
FARPROC FindBuiltinExport(const char* name);

} // namespace kestu::platform::win32

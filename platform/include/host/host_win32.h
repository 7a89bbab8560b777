// Host control of the win32 stand-in.
#pragma once
#include "windows.h"

namespace host {
} // namespace host

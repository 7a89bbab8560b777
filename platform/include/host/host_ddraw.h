// Host control of the ddraw stand-in.
#pragma once
#include "windows.h"

namespace host {
} // namespace host

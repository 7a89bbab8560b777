// Host control of the d3d8 stand-in.
#pragma once
#include "windows.h"

namespace host {
} // namespace host

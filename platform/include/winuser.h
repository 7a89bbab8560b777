// Windows stand-in declarations (winuser).
#pragma once
#include "windef.h"
#include "winerror.h"

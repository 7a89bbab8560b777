// Windows stand-in declarations (winreg).
#pragma once
#include "windef.h"
#include "winerror.h"

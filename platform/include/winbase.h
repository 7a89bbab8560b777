// Windows stand-in declarations (winbase).
#pragma once
#include "windef.h"
#include "winerror.h"

// Windows stand-in declarations (wingdi).
#pragma once
#include "windef.h"
#include "winerror.h"

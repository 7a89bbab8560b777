// Windows stand-in declarations (mmsystem).
#pragma once
#include "windef.h"
#include "winerror.h"

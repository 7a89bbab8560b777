// What the engine takes from the Windows C runtime and Linux lacks or does
// differently (rand with RAND_MAX 32767, _splitpath, _stricmp, ...).
#pragma once
#include "windef.h"

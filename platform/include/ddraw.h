// Stand-in declarations (ddraw).
#pragma once
#include "windows.h"

// Stand-in declarations (ijl).
#pragma once
#include "windows.h"

// Stand-in declarations (d3d8caps).
#pragma once
#include "d3d8types.h"

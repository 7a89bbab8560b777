// Stand-in declarations (dxfile).
#pragma once
#include "d3d8types.h"

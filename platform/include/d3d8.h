// Stand-in declarations (d3d8).
#pragma once
#include "d3d8types.h"

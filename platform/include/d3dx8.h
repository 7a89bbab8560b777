// Stand-in declarations (d3dx8).
#pragma once
#include "d3d8types.h"

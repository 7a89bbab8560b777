// Stand-in declarations (d3dx8math).
#pragma once
#include "d3d8types.h"

// D3DX 8: the umbrella header of the utility library.
#pragma once
#include "d3d8.h"
#include "d3dx8math.h"
#include "d3dx8fvf.h"
#include "d3dx8core.h"
#include "d3dx8tex.h"
#include "d3dx8mesh.h"

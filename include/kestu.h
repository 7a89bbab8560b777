// The engine's umbrella header: every exported engine header and the platform
// headers they need.
#pragma once
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>
#include <ddraw.h>

#include "kestu_log.h"
#include "kestu_pixelformat.h"

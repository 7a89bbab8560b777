// The engine's umbrella header: every exported engine header and the platform
// headers they need.
#pragma once
#include <windows.h>
#include <d3d8.h>
#include <d3dx8.h>
#include <ddraw.h>

#include "kestu_log.h"
#include "kestu_config.h"
#include "kestu_devobjmng.h"
#include "kestu_pixelformat.h"
#include "kestu_painttypes.h"
#include "kestu_xbm.h"
#include "kestu_pixelshade.h"
#include "kestu_paper.h"
#include "kestu_ablight.h"
#include "kestu_blt8.h"
#include "kestu_colortable.h"
#include "kestu_resolution.h"
#include "kestu_geometry.h"
#include "kestu_bound.h"
#include "kestu_intersect.h"
#include "kestu_frustum.h"
#include "kestu_eye.h"
#include "kestu_billboard.h"
#include "kestu_line.h"
#include "kestu_rsmng.h"
#include "kestu_chain.h"
#include "kestu_datachunk.h"
#include "kestu_reslib.h"
#include "kestu_sysversion.h"
#include "kestu_d3dfont.h"
#include "kestu_d3dutil.h"

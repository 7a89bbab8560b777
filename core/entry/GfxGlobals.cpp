#include "core/entry/GfxGlobals.h"

// Constructed in this order when the library loads, destroyed in reverse.
CGfxDevObjPair g_GfxDevObjPair;
CGfxConfig g_GfxConfig;
CGfxCaps g_GfxCaps;
CGfxNullDevObjMng g_GfxNullDevObjMng;

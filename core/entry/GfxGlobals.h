// The engine core's global objects.
#pragma once
#include "kestu_config.h"
#include "core/device/GfxDevObjPair.h"
#include "core/device/GfxNullDevObjMng.h"

extern CGfxDevObjPair g_GfxDevObjPair; // the device-event forwarder
extern CGfxConfig g_GfxConfig;         // the configuration in use
extern CGfxCaps g_GfxCaps;             // the device's capabilities
extern CGfxNullDevObjMng g_GfxNullDevObjMng;

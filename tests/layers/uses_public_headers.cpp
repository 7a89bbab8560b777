// What a core source may include: core's exported headers, the platform's and
// the companion library's public headers, and its own folder's headers. This
// one builds, so the failures of the others are their includes alone.
#include "companion.h"
#include "core/entry/GfxGlobals.h"
#include "d3dx8.h"
#include "kestu_api.h"
#include "kestu_eye.h"
#include "windows.h"

// An engine source that reaches into the platform's own folders. The engine's
// include path must not find this header.
#include "d3d8/device.h"

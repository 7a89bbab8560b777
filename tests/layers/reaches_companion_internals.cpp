// An engine source that reaches into the companion library's own sources. The
// engine's include path must not find this header.
#include "pack_format.h"

// A core source that includes the exported header of a later folder (the
// billboards belong to effects). Core's include path must not find it.
#include "kestu_billboard.h"

// The companion library: item libraries, archives, pointer arrays, small
// geometry types, the sine table and string helpers.
#pragma once
#include "index_lib.h"
#include "ou_archive.h"
#include "ou_file.h"
#include "ou_geometry.h"
#include "ou_strings.h"
#include "pointer_array.h"
#include "trig_table.h"

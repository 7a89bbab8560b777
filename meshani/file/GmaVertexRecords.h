// The vertex records of a GMA frame, written field by field in the form the
// header's normal and coordinate flags select.
#pragma once
#include <vector>

#include "kestu_bytes.h"
#include "kestu_gmafile.h"

// Position, the normal unless normals are skipped, the colour, and u, v
// unless the coordinates are shared.
void WriteGmaVertices(kestu::ByteWriter& w, bool normals, bool coords, const std::vector<SGMAVertex>& in);

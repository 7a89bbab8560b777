// Helpers of the text layout shared with the 3D text device; the walk itself
// is LayoutWalk.
#pragma once

#include "kestu_textlayout.h"

namespace kestu::text {

int TextLength(const unsigned short* text);

} // namespace kestu::text

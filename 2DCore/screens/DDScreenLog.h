// The log lines of the DirectDraw screen's results; null for results that
// are not logged.
#pragma once

#include <ddraw.h>

namespace kestu2d {

const char* CooperativeResultText(HRESULT hr);
const char* DisplayModeResultText(HRESULT hr);
const char* RestoreResultText(HRESULT hr);

} // namespace kestu2d

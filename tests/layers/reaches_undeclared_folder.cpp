// A core source that reaches into 2DCore, which core does not use. Core's
// include path must not find this header.
#include "2DCore/kernels/Kernels.h"

// The host-control interface: what tests and samples use to drive the
// platform (display modes, caps, device loss, injected failures, captured
// debug output, window pixels). The engine never includes it.
#pragma once
#include "host/host_win32.h"
#include "host/host_d3d8.h"
#include "host/host_ddraw.h"

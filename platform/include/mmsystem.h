// Windows stand-in declarations (winmm): the millisecond timer.
#pragma once
#include "kestu_platform_api.h"
#include "windef.h"
#include "winerror.h"

typedef UINT MMRESULT;
#define TIMERR_NOERROR 0
#define TIMERR_NOCANDO 97

KESTU_WINAPI_BEGIN

// Milliseconds since an arbitrary start, monotonic (wrapping at 2^32); the
// host can drive it.
KESTU_PLATFORM_API DWORD timeGetTime();
KESTU_PLATFORM_API MMRESULT timeBeginPeriod(UINT period);
KESTU_PLATFORM_API MMRESULT timeEndPeriod(UINT period);

KESTU_WINAPI_END

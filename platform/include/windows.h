// The Windows stand-in: one include for the types, kernel32, user32, gdi32,
// advapi32 and winmm declarations the engine uses.
#pragma once
#include "windef.h"
#include "winerror.h"
#include "winbase.h"
#include "winuser.h"
#include "wingdi.h"
#include "winreg.h"
#include "unknwn.h"
#include "objbase.h"
#include "mmsystem.h"
#include "kestu_crt.h"

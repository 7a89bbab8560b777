// The engine's log, its result codes and the error-message table.
#pragma once
#include <windows.h>

#include "kestu_export.h"

// Kinds of log messages.
#define KESTU_LOG_ERROR 0
#define KESTU_LOG_INFO 1

// Types of Kestu_DisplayErrorMsg.
#define KESTU_MSGTYPE_INFO 0
#define KESTU_MSGTYPE_FATAL 1
#define KESTU_MSGTYPE_SWITCHTOREF 2

// The engine's own result codes.
#define KESTUERR_GENERIC ((HRESULT)0x82000000)             // failure without a more precise code
#define KESTUERR_NODIRECT3D ((HRESULT)0x82000001)          // Direct3D could not be initialised
#define KESTUERR_NOCOMPATIBLEDEVICES ((HRESULT)0x82000003) // no compatible device
#define KESTUERR_NOWINDOWABLEDEVICES ((HRESULT)0x82000004) // desktop mode cannot host a window
#define KESTUERR_NOHARDWAREDEVICE ((HRESULT)0x82000005)    // no hardware-accelerated device
#define KESTUERR_HALNOTCOMPATIBLE ((HRESULT)0x82000006)    // hardware lacks a required function
#define KESTUERR_NOWINDOWEDHAL ((HRESULT)0x82000007)       // hardware cannot render into a window
#define KESTUERR_NODESKTOPHAL ((HRESULT)0x82000008)        // ... with the current desktop settings
#define KESTUERR_NOHALTHISMODE ((HRESULT)0x82000009)       // function missing in the current desktop mode
#define KESTUERR_NONZEROREFCOUNT ((HRESULT)0x8200000A)     // a Direct3D object still referenced at clean-up
#define KESTUERR_MEDIANOTFOUND ((HRESULT)0x8200000B)       // required media could not be loaded
#define KESTUERR_RESETFAILED ((HRESULT)0x8200000C)         // device reset failed
#define KESTUERR_NOTBUILT ((HRESULT)0x82000103)            // used before it was built
#define KESTUERR_NOTSUPPORTEDINMODE ((HRESULT)0x82000104)  // function not available in the current mode
#define KESTUERR_NOTSUPPORTEDINVERSION ((HRESULT)0x82000105)
#define KESTUERR_DEVICENOTFOUND ((HRESULT)0x82000106)
#define KESTUERR_NOVALIDMODEHAL ((HRESULT)0x82000107)  // no mode of the wanted size on the hardware device
#define KESTUERR_NOVALIDMODE ((HRESULT)0x82000108)     // no mode of the wanted size on any device
#define KESTUERR_INVALIDPARAM ((HRESULT)0x82000109)    // bad argument
#define KESTUERR_SURFACENOTBUILT ((HRESULT)0x8200010B) // surface, texture or device missing
#define KESTUERR_FORMATMISMATCH ((HRESULT)0x8200010C)  // destination format differs from the source
#define KESTUERR_FORMATNOTSUPPORTED ((HRESULT)0x8200010D)
#define KESTUERR_FILEOPEN ((HRESULT)0x8200010E)      // a file fails to open
#define KESTUERR_FILEREAD ((HRESULT)0x8200010F)      // a file fails to read
#define KESTUERR_SHADENOTBUILT ((HRESULT)0x82000110) // shade tables not built
#define KESTUERR_NOTEXTURE ((HRESULT)0x82000111)     // no Direct3D texture behind a texture
#define KESTUERR_IMAGEHEADER ((HRESULT)0x82000112)   // an image header cannot be read
#define KESTUERR_NOANIMATION ((HRESULT)0x82000113)   // an animation buffer yields no animation

// Appends printf-style text to the configured log file, filtered by the log level.
KESTU_API void KestuSaveLog(int kind, const char* format, ...) __attribute__((format(printf, 2, 3)));

// Logs the code's fixed text, shows it in a message box for fatal errors when the
// configuration enables boxes, and closes the render window for some fatal codes.
// Returns code unchanged.
KESTU_API HRESULT Kestu_DisplayErrorMsg(HRESULT code, DWORD type);

#include "kestu_log.h"
#include "core/entry/EntryGuard.h"
#include "core/entry/GfxGlobals.h"

#include <cstdio>

namespace {

struct ErrorText {
    HRESULT code;
    bool closesWindow; // when fatal
    const char* text;
};

constexpr ErrorText kErrorTexts[] = {
    {KESTUERR_NODIRECT3D, true,
     "Could not initialize Direct3D. You may\nwant to check that the latest version of\nDirectX is correctly "
     "installed on your\nsystem.  Also make sure that this program\nwas compiled with header files that match\n"
     "the installed DirectX DLLs."},
    {KESTUERR_NOCOMPATIBLEDEVICES, true, "Could not find any compatible Direct3D\ndevices."},
    {KESTUERR_NOWINDOWABLEDEVICES, false,
     "This application cannot run in a desktop\nwindow with the current display settings.\nPlease change your "
     "desktop settings to a\n16- or 32-bit display mode and re-run this\napplication."},
    {KESTUERR_NOHARDWAREDEVICE, false, "No hardware-accelerated Direct3D devices\nwere found."},
    {KESTUERR_HALNOTCOMPATIBLE, false,
     "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator."},
    {KESTUERR_NOWINDOWEDHAL, false, "Your Direct3D hardware accelerator cannot\nrender into a window.\n"},
    {KESTUERR_NODESKTOPHAL, true,
     "Your Direct3D hardware accelerator cannot\nrender into a window with the current\ndesktop display settings.\n"},
    {KESTUERR_NOHALTHISMODE, false,
     "This application requires functionality that is\nnot available on your Direct3D hardware\naccelerator with "
     "the current desktop display\nsettings.\n"},
    {KESTUERR_NONZEROREFCOUNT, false,
     "A D3D object has a non-zero reference\ncount (meaning things were not properly\ncleaned up)."},
    {KESTUERR_MEDIANOTFOUND, true, "Could not load required media."},
    {KESTUERR_RESETFAILED, true, "Could not reset the Direct3D device."},
    {E_OUTOFMEMORY, true, "Not enough storage is available to process this command."},
    {D3DERR_OUTOFVIDEOMEMORY, false, "Not enough video memory."},
    {KESTUERR_NOTBUILT, false, "Not build kestu before use it."},
    {KESTUERR_NOTSUPPORTEDINMODE, false, "No support functions in current mode."},
    {KESTUERR_NOTSUPPORTEDINVERSION, false, "No support functions in this version."},
    {KESTUERR_DEVICENOTFOUND, false, "Not found the device wanted ."},
    {KESTUERR_NOVALIDMODEHAL, false, "No valid display mode in HAL device."},
    {KESTUERR_NOVALIDMODE, false, "No valid display mode in ALL device."},
    {KESTUERR_INVALIDPARAM, false, "The parameter is incorrect.."},
    {KESTUERR_SURFACENOTBUILT, false, "Not build surface before use it."},
    {KESTUERR_FORMATMISMATCH, false, "The destination pixel format don't match the source."},
    {KESTUERR_FORMATNOTSUPPORTED, false, "The pixel format is not support."},
};

constexpr ErrorText kGenericText = {0, false,
                                    "Generic application error. Enable\ndebug output for detailed information."};

const ErrorText& FindErrorText(HRESULT code)
{
    for (const ErrorText& e : kErrorTexts)
        if (e.code == code) return e;
    return kGenericText;
}

constexpr const char* kFatalSuffix = "\n\nThis application will now exit.";
constexpr const char* kSwitchToRefSuffix =
    "\n\nSwitching to the reference rasterizer,\na software device that implements the entire\nDirect3D feature "
    "set, but runs very slowly.";

HRESULT DisplayErrorMsg(HRESULT code, DWORD type)
{
    const ErrorText& entry = FindErrorText(code);
    char msg[512];

    if (type == KESTU_MSGTYPE_FATAL) {
        std::snprintf(msg, sizeof msg, "%s%s", entry.text, kFatalSuffix);
        if (g_GfxConfig.GetCfg()->bErrMsgBoxEnabled) MessageBoxA(nullptr, msg, "Error", MB_ICONERROR);
        KestuSaveLog(KESTU_LOG_ERROR, "%s", msg);
        HWND wnd = g_GfxConfig.GetRenderWnd();
        if (wnd && entry.closesWindow) SendMessageA(wnd, WM_CLOSE, 0, 0);
    } else if (type == KESTU_MSGTYPE_SWITCHTOREF) {
        std::snprintf(msg, sizeof msg, "%s%s", entry.text, kSwitchToRefSuffix);
        KestuSaveLog(KESTU_LOG_INFO, "%s", msg);
    } else {
        std::snprintf(msg, sizeof msg, "%s", entry.text);
        KestuSaveLog(KESTU_LOG_INFO, "%s", msg);
    }
    return code;
}

} // namespace

HRESULT Kestu_DisplayErrorMsg(HRESULT code, DWORD type)
{
    return KestuGuarded(code, [&] { return DisplayErrorMsg(code, type); });
}

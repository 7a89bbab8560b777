#include "kestu_config.h"

#include <cstring>

namespace {

D3DFORMAT SelectTextureFormat(const D3DFORMAT (&formats)[4], int bAlpha, int bCompressed)
{
    return formats[(bAlpha ? 1 : 0) + (bCompressed ? 2 : 0)];
}

} // namespace

// The reserved 520-byte fields are left as the client's memory held them.
KESTU_CONFIG::KESTU_CONFIG()
    : eResolution(KESTU_RES_800X600), eHowToCreateDevice(KESTU_CREATE_HAL_OR_REF), bErrMsgBoxEnabled(0), eLogLevel(2),
      hInstance(nullptr), dwReserved(0), bWindowed(0), bKeepWindowSize(0), rcRender{0, 0, 0, 0}, bRenderRectEnabled(0),
      pfnWndProc(nullptr), hIcon(nullptr), dwWindowStyle(0x80080000u), dwWindowExStyle(0x8u), bMenu(0),
      bBackBufferLockable(0), bUseDepthBuffer(1), dwMinDepthBits(16), dwMinStencilBits(0), bShowCursorWhenFullscreen(0),
      SwapEffect(1), PresentationInterval(0x80000000u), pDevObjMng(nullptr), bMultiThreaded(0), bAllowPureDevice(0),
      bSkipDeviceTest(0), fmtAllowed16{D3DFMT_R5G6B5, D3DFMT_X1R5G5B5, D3DFMT_A1R5G5B5}, fmtAllowed32{D3DFMT_X8R8G8B8,
                                                                                                      D3DFMT_A8R8G8B8},
      fmtTexture(D3DFMT_R5G6B5), fmtTextureAlpha(D3DFMT_A8R8G8B8), fmtTextureCompressed(D3DFMT_DXT1),
      fmtTextureCompressedAlpha(D3DFMT_DXT2), reserved3{}
{
    std::strcpy(szLogFile, "Kestu.log");
    std::strcpy(szWindowTitle, "Kestu Application");
}

BOOL KESTU_CONFIG::IsValidData() const { return hInstance != nullptr; }

BOOL KESTU_CONFIG::IsSpecialRenderRect() const { return bRenderRectEnabled && rcRender.right > rcRender.left; }

D3DFORMAT KESTU_CONFIG::GetfmtTexture(int bAlpha, int bCompressed) const
{
    const D3DFORMAT formats[4] = {fmtTexture, fmtTextureAlpha, fmtTextureCompressed, fmtTextureCompressedAlpha};
    return SelectTextureFormat(formats, bAlpha, bCompressed);
}

KESTU_EXTRA_CONFIG::KESTU_EXTRA_CONFIG()
    : pDevice(nullptr), dwCreateFlags(0), pPresentParams(nullptr), eResolution(KESTU_RES_800X600), bErrMsgBoxEnabled(0),
      eLogLevel(2), hInstance(nullptr), dwReserved(0), bWindowed(0), pDevObjMng(nullptr), bMultiThreaded(0),
      bAllowPureDevice(0), bSkipDeviceTest(0), fmtTexture(D3DFMT_R5G6B5), fmtTextureAlpha(D3DFMT_A8R8G8B8),
      fmtTextureCompressed(D3DFMT_DXT1), fmtTextureCompressedAlpha(D3DFMT_DXT2), reserved3{}
{
    std::strcpy(szLogFile, "Kestu.log");
}

BOOL KESTU_EXTRA_CONFIG::IsValidData() const { return pDevice != nullptr && hInstance != nullptr; }

D3DFORMAT KESTU_EXTRA_CONFIG::GetfmtTexture(int bAlpha, int bCompressed) const
{
    const D3DFORMAT formats[4] = {fmtTexture, fmtTextureAlpha, fmtTextureCompressed, fmtTextureCompressedAlpha};
    return SelectTextureFormat(formats, bAlpha, bCompressed);
}

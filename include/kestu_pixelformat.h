// Pixel-format codes, the display description and the pixel packing helpers.
#pragma once
#include <windows.h>
#include <d3d8types.h>

#include "kestu_export.h"

struct IDirectDrawSurface4;

// The engine's pixel-format codes.
typedef int32_t PIXELFORMAT;
#define PIXELFORMAT_P8 8
#define PIXELFORMAT_RGB555 15
#define PIXELFORMAT_RGB565 16
#define PIXELFORMAT_RGB888 24
#define PIXELFORMAT_XRGB8888 32
#define PIXELFORMAT_A1R5G5B5 101015
#define PIXELFORMAT_D16 101016
#define PIXELFORMAT_D32 101032
#define PIXELFORMAT_D15S1 102016
#define PIXELFORMAT_A8R8G8B8 102032
#define PIXELFORMAT_D16_LOCKABLE 103016
#define PIXELFORMAT_D24X8 103032
#define PIXELFORMAT_D24S8 104032
#define PIXELFORMAT_D24X4S4 105032
#define PIXELFORMAT_UNKNOWN 105033

// The display description; one global instance, `hardware`.
struct KESTU_API SHardware {
    int32_t m_nPixelFormat;          // 15, 16 or 32; set by the client only
    int32_t m_bIsCDDevice;
    int32_t m_bIsSurfaceLost;        // set by the DirectDraw screen when a lock meets a lost surface
    int32_t m_bReserved1;
    int32_t m_bReserved2;
    int32_t m_bPrimaryInVideoMemory; // set by the DirectDraw screen after it builds its flip chain

    // constexpr so the global holds its defaults from load time on.
    constexpr SHardware()
        : m_nPixelFormat(16), m_bIsCDDevice(1), m_bIsSurfaceLost(0), m_bReserved1(1), m_bReserved2(1),
          m_bPrimaryInVideoMemory(0)
    {
    }
    SHardware(const SHardware&) = default;
    SHardware& operator=(const SHardware& other);

    int32_t PixelFormat() const { return m_nPixelFormat; }
    int32_t IsCDDevice() const { return m_bIsCDDevice; }
    int32_t IsSurfaceLost() const { return m_bIsSurfaceLost; }
};
static_assert(sizeof(SHardware) == 24, "SHardware is shared with the client");

extern KESTU_API SHardware hardware;

// Channel layout of a 16-bit DirectDraw surface; channel bytes in the order blue, green, red.
struct KESTU_API _RGB16 {
    BYTE bMaxBlue, bMaxGreen, bMaxRed, bPad0;          // mask shifted down to bit 0
    BYTE bLossBlue, bLossGreen, bLossRed, bPad1;       // bits lost against 8 bits: 3 or 2
    BYTE bShiftBlue, bShiftGreen, bShiftRed, bPad2;    // position of the mask's lowest bit
    DWORD dwMaskRed, dwMaskGreen, dwMaskBlue;

    _RGB16& operator=(const _RGB16& other);
    // Reads the channel masks of the surface's pixel format.
    void DDGetRGB16(IDirectDrawSurface4* surface);

    // Masks and shift positions of the last surface examined.
    static int32_t mRed, mGreen, mBlue;
    static int32_t pRed, pGreen, pBlue;
};
static_assert(sizeof(_RGB16) == 24, "_RGB16 is shared with the client");

extern KESTU_API _RGB16 g_PixelFormat16Info;

struct KESTU_API _RGBMASK {
    DWORD dwRed, dwGreen, dwBlue;
    _RGBMASK& operator=(const _RGBMASK& other);
};

// Packing: channels are reduced by shifting, never rounded.
KESTU_API WORD PackRGB565(BYTE r, BYTE g, BYTE b);
KESTU_API WORD PackRGB555(BYTE r, BYTE g, BYTE b);
KESTU_API WORD PackARGB1555(BYTE r, BYTE g, BYTE b, BYTE a);  // alpha bit when a > 128
KESTU_API DWORD PackARGB(BYTE r, BYTE g, BYTE b, BYTE a);
KESTU_API DWORD PackRGB888(BYTE r, BYTE g, BYTE b);
// Converts a 24-bit colour to a 15, 16 or 32-bit pixel; anything else gives 0xFFFFFFFF.
KESTU_API DWORD PackPixelByDepth(int targetDepth, int sourceDepth, BYTE r, BYTE g, BYTE b);

// Splitting: channels come back at their own precision (5, 6 or 8 bits).
KESTU_API void SplitRGB565(const WORD* pixel, int32_t& r, int32_t& g, int32_t& b);
KESTU_API void SplitRGB555(const WORD* pixel, int32_t& r, int32_t& g, int32_t& b);
KESTU_API void SplitRGB888(const BYTE* pixel, int32_t& r, int32_t& g, int32_t& b);
// Depth 15, 16, 24 or 32; any other depth leaves r, g and b as they were.
KESTU_API void SplitPixelByDepth(const void* pixel, int depth, int32_t& r, int32_t& g, int32_t& b);

// D3DFORMAT mappings.
KESTU_API DWORD GetBitCountByD3DFormat(D3DFORMAT format);        // 0 for unknown formats
KESTU_API PIXELFORMAT GetPixelFormatByD3DFormat(D3DFORMAT format);  // PIXELFORMAT_UNKNOWN for unknown formats
KESTU_API DWORD GetColorKeyByD3DFormat(D3DFORMAT format);        // the format's magenta, or 0
KESTU_API D3DFORMAT FormatFromBitDepth(PIXELFORMAT pixelFormat); // D3DFMT_UNKNOWN for unknown codes

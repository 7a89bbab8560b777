#include "kestu_pixelformat.h"

#include <ddraw.h>

#include <cstring>

namespace {

struct Channel {
    BYTE max;
    BYTE loss;
    BYTE shift;
};

// A zero mask (palettized surfaces) gives an empty channel instead of an endless shift.
Channel ExamineMask(DWORD mask)
{
    Channel c{0, 2, 0};
    if (mask == 0) return c;
    while ((mask & 1) == 0) {
        mask >>= 1;
        ++c.shift;
    }
    c.max = static_cast<BYTE>(mask);
    c.loss = c.max == 31 ? 3 : 2;
    return c;
}

} // namespace

// Leaves the record and the statics unchanged when the surface cannot describe itself.
void _RGB16::DDGetRGB16(IDirectDrawSurface4* surface)
{
    if (!surface) return;
    DDSURFACEDESC2 desc;
    std::memset(&desc, 0, sizeof desc);
    desc.dwSize = sizeof desc;
    desc.dwFlags = DDSD_PIXELFORMAT;
    if (FAILED(surface->GetSurfaceDesc(&desc))) return;

    dwMaskRed = desc.ddpfPixelFormat.dwRBitMask;
    dwMaskGreen = desc.ddpfPixelFormat.dwGBitMask;
    dwMaskBlue = desc.ddpfPixelFormat.dwBBitMask;

    const Channel red = ExamineMask(dwMaskRed);
    const Channel green = ExamineMask(dwMaskGreen);
    const Channel blue = ExamineMask(dwMaskBlue);
    bMaxRed = red.max;
    bLossRed = red.loss;
    bShiftRed = red.shift;
    bMaxGreen = green.max;
    bLossGreen = green.loss;
    bShiftGreen = green.shift;
    bMaxBlue = blue.max;
    bLossBlue = blue.loss;
    bShiftBlue = blue.shift;

    mRed = static_cast<int32_t>(dwMaskRed);
    mGreen = static_cast<int32_t>(dwMaskGreen);
    mBlue = static_cast<int32_t>(dwMaskBlue);
    pRed = red.shift;
    pGreen = green.shift;
    pBlue = blue.shift;
}

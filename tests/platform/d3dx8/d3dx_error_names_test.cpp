#include <gtest/gtest.h>

#include <cstring>

#include "d3dx8.h"
#include "ddraw.h"
#include "dxerr8.h"

TEST(DXErrorNames, NamesOfCodes)
{
    struct Case {
        HRESULT code;
        const char* name;
    } cases[] = {
        {S_OK, "S_OK"},
        {(HRESULT)0x88760869, "D3DERR_DEVICENOTRESET"},
        {(HRESULT)0x88760868, "D3DERR_DEVICELOST"},
        {(HRESULT)0x8876086C, "D3DERR_INVALIDCALL"},
        {(HRESULT)0x8876017C, "D3DERR_OUTOFVIDEOMEMORY"}, // shared with DirectDraw: the Direct3D name
        {D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {DDERR_INVALIDPARAMS, "E_INVALIDARG"},
        {E_FAIL, "E_FAIL"},
        {DDERR_SURFACELOST, "DDERR_SURFACELOST"},
        {DDERR_WASSTILLDRAWING, "DDERR_WASSTILLDRAWING"},
        {(HRESULT)0x88760352, "DXFILEERR_BADOBJECT"},  // 850
        {(HRESULT)0x88760362, "DXFILEERR_PARSEERROR"}, // 866
        {(HRESULT)0x8876036C, "DXFILEERR_NOINTERNET"}, // 876
        {(HRESULT)0x8876FFFF, "Unknown"},
        {12345, "Unknown"},
    };
    for (const Case& c : cases) EXPECT_STREQ(DXGetErrorString8A(c.code), c.name) << std::hex << c.code;
}

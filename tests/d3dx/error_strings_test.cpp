#include <gtest/gtest.h>

#include <string>

#include "ddraw.h"
#include "dxerr8.h"
#include "dxfile.h"
#include "d3dx8.h"

TEST(DXGetErrorString8A, NamesCodesOfEveryFamily)
{
    const struct {
        HRESULT code;
        const char* name;
    } cases[] = {
        {S_OK, "S_OK"},
        {E_FAIL, "E_FAIL"},
        {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
        {E_INVALIDARG, "E_INVALIDARG"},
        {E_NOTIMPL, "E_NOTIMPL"},
        {(HRESULT)0x88760868, "D3DERR_DEVICELOST"},
        {(HRESULT)0x88760869, "D3DERR_DEVICENOTRESET"},
        {(HRESULT)0x8876086C, "D3DERR_INVALIDCALL"},
        {(HRESULT)0x8876017C, "D3DERR_OUTOFVIDEOMEMORY"}, // shared with DirectDraw: the device's name
        {(HRESULT)0x8876086A, "D3DERR_NOTAVAILABLE"},
        {(HRESULT)0x88760818, "D3DERR_WRONGTEXTUREFORMAT"},
        {D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA"},
        {D3DXERR_INVALIDMESH, "D3DXERR_INVALIDMESH"},
        {DDERR_SURFACELOST, "DDERR_SURFACELOST"},
        {DDERR_WASSTILLDRAWING, "DDERR_WASSTILLDRAWING"},
        {DDERR_INVALIDPARAMS, "E_INVALIDARG"}, // one value, the common name
        {DXFILEERR_PARSEERROR, "DXFILEERR_PARSEERROR"},
        {DXFILEERR_NOMOREOBJECTS, "DXFILEERR_NOMOREOBJECTS"},
        {(HRESULT)0x12345678, "Unknown"},
        {(HRESULT)0x88760001, "Unknown"},
    };
    for (const auto& c : cases) EXPECT_EQ(std::string(DXGetErrorString8A(c.code)), c.name) << std::hex << c.code;
}

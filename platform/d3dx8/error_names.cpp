// DXGetErrorString8A: result codes to their symbolic names.
#include "ddraw.h"
#include "d3dx8core.h"
#include "dxerr8.h"
#include "dxfile.h"

namespace {
struct Named {
    HRESULT code;
    const char* name;
};

constexpr HRESULT D3dCode(int code) { return MAKE_HRESULT(1, 0x876, code); }

// Searched in order: Direct3D and D3DX names first, then COM, then DirectDraw.
const Named kNames[] = {
    {S_OK, "S_OK"},
    {S_FALSE, "S_FALSE"},
    {D3dCode(2072), "D3DERR_WRONGTEXTUREFORMAT"},
    {D3dCode(2073), "D3DERR_UNSUPPORTEDCOLOROPERATION"},
    {D3dCode(2074), "D3DERR_UNSUPPORTEDCOLORARG"},
    {D3dCode(2075), "D3DERR_UNSUPPORTEDALPHAOPERATION"},
    {D3dCode(2076), "D3DERR_UNSUPPORTEDALPHAARG"},
    {D3dCode(2077), "D3DERR_TOOMANYOPERATIONS"},
    {D3dCode(2078), "D3DERR_CONFLICTINGTEXTUREFILTER"},
    {D3dCode(2079), "D3DERR_UNSUPPORTEDFACTORVALUE"},
    {D3dCode(2081), "D3DERR_CONFLICTINGRENDERSTATE"},
    {D3dCode(2082), "D3DERR_UNSUPPORTEDTEXTUREFILTER"},
    {D3dCode(2086), "D3DERR_CONFLICTINGTEXTUREPALETTE"},
    {D3dCode(2087), "D3DERR_DRIVERINTERNALERROR"},
    {D3dCode(2150), "D3DERR_NOTFOUND"},
    {D3dCode(2151), "D3DERR_MOREDATA"},
    {D3dCode(2152), "D3DERR_DEVICELOST"},
    {D3dCode(2153), "D3DERR_DEVICENOTRESET"},
    {D3dCode(2154), "D3DERR_NOTAVAILABLE"},
    {D3dCode(380), "D3DERR_OUTOFVIDEOMEMORY"},
    {D3dCode(2155), "D3DERR_INVALIDDEVICE"},
    {D3dCode(2156), "D3DERR_INVALIDCALL"},
    {D3dCode(2157), "D3DERR_DRIVERINVALIDCALL"},
    {D3DXERR_CANNOTMODIFYINDEXBUFFER, "D3DXERR_CANNOTMODIFYINDEXBUFFER"},
    {D3DXERR_INVALIDMESH, "D3DXERR_INVALIDMESH"},
    {D3DXERR_CANNOTATTRSORT, "D3DXERR_CANNOTATTRSORT"},
    {D3DXERR_SKINNINGNOTSUPPORTED, "D3DXERR_SKINNINGNOTSUPPORTED"},
    {D3DXERR_TOOMANYINFLUENCES, "D3DXERR_TOOMANYINFLUENCES"},
    {D3DXERR_INVALIDDATA, "D3DXERR_INVALIDDATA"},
    {D3DXERR_LOADEDMESHASNODATA, "D3DXERR_LOADEDMESHASNODATA"},
    {E_UNEXPECTED, "E_UNEXPECTED"},
    {E_NOTIMPL, "E_NOTIMPL"},
    {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
    {E_INVALIDARG, "E_INVALIDARG"},
    {E_NOINTERFACE, "E_NOINTERFACE"},
    {E_POINTER, "E_POINTER"},
    {E_HANDLE, "E_HANDLE"},
    {E_ABORT, "E_ABORT"},
    {E_FAIL, "E_FAIL"},
    {E_ACCESSDENIED, "E_ACCESSDENIED"},
    {E_PENDING, "E_PENDING"},
    {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
    {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
    {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
    {CO_E_NOTINITIALIZED, "CO_E_NOTINITIALIZED"},
#define KESTU_DD_NAME(name) {name, #name},
    KESTU_DD_NAME(DDERR_ALREADYINITIALIZED) KESTU_DD_NAME(DDERR_CANNOTATTACHSURFACE) KESTU_DD_NAME(
        DDERR_CANNOTDETACHSURFACE) KESTU_DD_NAME(DDERR_CURRENTLYNOTAVAIL) KESTU_DD_NAME(DDERR_EXCEPTION)
        KESTU_DD_NAME(DDERR_HEIGHTALIGN) KESTU_DD_NAME(DDERR_INCOMPATIBLEPRIMARY) KESTU_DD_NAME(
            DDERR_INVALIDCAPS) KESTU_DD_NAME(DDERR_INVALIDCLIPLIST) KESTU_DD_NAME(DDERR_INVALIDMODE)
            KESTU_DD_NAME(DDERR_INVALIDOBJECT) KESTU_DD_NAME(DDERR_INVALIDPIXELFORMAT) KESTU_DD_NAME(
                DDERR_INVALIDRECT) KESTU_DD_NAME(DDERR_LOCKEDSURFACES) KESTU_DD_NAME(DDERR_NO3D)
                KESTU_DD_NAME(DDERR_NOALPHAHW) KESTU_DD_NAME(DDERR_NOSTEREOHARDWARE) KESTU_DD_NAME(
                    DDERR_NOSURFACELEFT) KESTU_DD_NAME(DDERR_NOCLIPLIST) KESTU_DD_NAME(DDERR_NOCOLORCONVHW)
                    KESTU_DD_NAME(DDERR_NOCOOPERATIVELEVELSET) KESTU_DD_NAME(DDERR_NOCOLORKEY) KESTU_DD_NAME(
                        DDERR_NOCOLORKEYHW) KESTU_DD_NAME(DDERR_NODIRECTDRAWSUPPORT)
                        KESTU_DD_NAME(DDERR_NOEXCLUSIVEMODE) KESTU_DD_NAME(DDERR_NOFLIPHW) KESTU_DD_NAME(
                            DDERR_NOGDI) KESTU_DD_NAME(DDERR_NOMIRRORHW) KESTU_DD_NAME(DDERR_NOTFOUND)
                            KESTU_DD_NAME(DDERR_NOOVERLAYHW) KESTU_DD_NAME(DDERR_OVERLAPPINGRECTS) KESTU_DD_NAME(
                                DDERR_NORASTEROPHW) KESTU_DD_NAME(DDERR_NOROTATIONHW) KESTU_DD_NAME(DDERR_NOSTRETCHHW)
                                KESTU_DD_NAME(DDERR_NOT4BITCOLOR) KESTU_DD_NAME(DDERR_NOT4BITCOLORINDEX) KESTU_DD_NAME(
                                    DDERR_NOT8BITCOLOR) KESTU_DD_NAME(DDERR_NOTEXTUREHW) KESTU_DD_NAME(DDERR_NOVSYNCHW)
                                    KESTU_DD_NAME(DDERR_NOZBUFFERHW) KESTU_DD_NAME(DDERR_NOZOVERLAYHW) KESTU_DD_NAME(
                                        DDERR_OUTOFCAPS) KESTU_DD_NAME(DDERR_OUTOFVIDEOMEMORY) KESTU_DD_NAME(DDERR_OVERLAYCANTCLIP)
                                        KESTU_DD_NAME(DDERR_OVERLAYCOLORKEYONLYONEACTIVE) KESTU_DD_NAME(
                                            DDERR_PALETTEBUSY) KESTU_DD_NAME(DDERR_COLORKEYNOTSET)
                                            KESTU_DD_NAME(DDERR_SURFACEALREADYATTACHED) KESTU_DD_NAME(DDERR_SURFACEALREADYDEPENDENT) KESTU_DD_NAME(
                                                DDERR_SURFACEBUSY) KESTU_DD_NAME(DDERR_CANTLOCKSURFACE)
                                                KESTU_DD_NAME(DDERR_SURFACEISOBSCURED) KESTU_DD_NAME(DDERR_SURFACELOST) KESTU_DD_NAME(
                                                    DDERR_SURFACENOTATTACHED) KESTU_DD_NAME(DDERR_TOOBIGHEIGHT)
                                                    KESTU_DD_NAME(
                                                        DDERR_TOOBIGSIZE) KESTU_DD_NAME(DDERR_TOOBIGWIDTH)
                                                        KESTU_DD_NAME(DDERR_UNSUPPORTEDFORMAT) KESTU_DD_NAME(DDERR_UNSUPPORTEDMASK) KESTU_DD_NAME(
                                                            DDERR_INVALIDSTREAM) KESTU_DD_NAME(DDERR_VERTICALBLANKINPROGRESS) KESTU_DD_NAME(DDERR_WASSTILLDRAWING)
                                                            KESTU_DD_NAME(
                                                                DDERR_DDSCAPSCOMPLEXREQUIRED) KESTU_DD_NAME(DDERR_XALIGN)
                                                                KESTU_DD_NAME(DDERR_INVALIDDIRECTDRAWGUID) KESTU_DD_NAME(
                                                                    DDERR_DIRECTDRAWALREADYCREATED) KESTU_DD_NAME(DDERR_NODIRECTDRAWHW)
                                                                    KESTU_DD_NAME(DDERR_PRIMARYSURFACEALREADYEXISTS) KESTU_DD_NAME(DDERR_NOEMULATION) KESTU_DD_NAME(
                                                                        DDERR_REGIONTOOSMALL) KESTU_DD_NAME(DDERR_CLIPPERISUSINGHWND)
                                                                        KESTU_DD_NAME(DDERR_NOCLIPPERATTACHED) KESTU_DD_NAME(DDERR_NOHWND) KESTU_DD_NAME(
                                                                            DDERR_HWNDSUBCLASSED) KESTU_DD_NAME(DDERR_HWNDALREADYSET)
                                                                            KESTU_DD_NAME(DDERR_NOPALETTEATTACHED) KESTU_DD_NAME(DDERR_NOPALETTEHW) KESTU_DD_NAME(
                                                                                DDERR_BLTFASTCANTCLIP) KESTU_DD_NAME(DDERR_NOBLTHW)
                                                                                KESTU_DD_NAME(
                                                                                    DDERR_NODDROPSHW) KESTU_DD_NAME(DDERR_OVERLAYNOTVISIBLE)
                                                                                    KESTU_DD_NAME(DDERR_NOOVERLAYDEST) KESTU_DD_NAME(DDERR_INVALIDPOSITION) KESTU_DD_NAME(
                                                                                        DDERR_NOTAOVERLAYSURFACE) KESTU_DD_NAME(DDERR_EXCLUSIVEMODEALREADYSET)
                                                                                        KESTU_DD_NAME(DDERR_NOTFLIPPABLE) KESTU_DD_NAME(DDERR_CANTDUPLICATE) KESTU_DD_NAME(
                                                                                            DDERR_NOTLOCKED) KESTU_DD_NAME(DDERR_CANTCREATEDC)
                                                                                            KESTU_DD_NAME(DDERR_NODC) KESTU_DD_NAME(
                                                                                                DDERR_WRONGMODE) KESTU_DD_NAME(DDERR_IMPLICITLYCREATED)
                                                                                                KESTU_DD_NAME(DDERR_NOTPALETTIZED) KESTU_DD_NAME(DDERR_UNSUPPORTEDMODE) KESTU_DD_NAME(
                                                                                                    DDERR_NOMIPMAPHW) KESTU_DD_NAME(DDERR_INVALIDSURFACETYPE)
                                                                                                    KESTU_DD_NAME(DDERR_NOOPTIMIZEHW) KESTU_DD_NAME(
                                                                                                        DDERR_NOTLOADED) KESTU_DD_NAME(DDERR_NOFOCUSWINDOW)
                                                                                                        KESTU_DD_NAME(DDERR_NOTONMIPMAPSUBLEVEL) KESTU_DD_NAME(
                                                                                                            DDERR_DCALREADYCREATED) KESTU_DD_NAME(DDERR_NONONLOCALVIDMEM)
                                                                                                            KESTU_DD_NAME(DDERR_CANTPAGELOCK) KESTU_DD_NAME(
                                                                                                                DDERR_CANTPAGEUNLOCK) KESTU_DD_NAME(DDERR_NOTPAGELOCKED)
                                                                                                                KESTU_DD_NAME(DDERR_MOREDATA) KESTU_DD_NAME(
                                                                                                                    DDERR_EXPIRED) KESTU_DD_NAME(DDERR_TESTFINISHED)
                                                                                                                    KESTU_DD_NAME(DDERR_NEWMODE) KESTU_DD_NAME(
                                                                                                                        DDERR_D3DNOTINITIALIZED)
                                                                                                                        KESTU_DD_NAME(
                                                                                                                            DDERR_VIDEONOTACTIVE)
                                                                                                                            KESTU_DD_NAME(
                                                                                                                                DDERR_NOMONITORINFORMATION)
                                                                                                                                KESTU_DD_NAME(
                                                                                                                                    DDERR_NODRIVERSUPPORT)
                                                                                                                                    KESTU_DD_NAME(
                                                                                                                                        DDERR_DEVICEDOESNTOWNSURFACE)
    // The DirectX file interface's codes.
    KESTU_DD_NAME(DXFILEERR_BADOBJECT) KESTU_DD_NAME(DXFILEERR_BADVALUE) KESTU_DD_NAME(DXFILEERR_BADTYPE)
        KESTU_DD_NAME(DXFILEERR_BADSTREAMHANDLE) KESTU_DD_NAME(DXFILEERR_BADALLOC) KESTU_DD_NAME(DXFILEERR_NOTFOUND)
            KESTU_DD_NAME(DXFILEERR_NOTDONEYET) KESTU_DD_NAME(DXFILEERR_FILENOTFOUND) KESTU_DD_NAME(
                DXFILEERR_RESOURCENOTFOUND) KESTU_DD_NAME(DXFILEERR_URLNOTFOUND) KESTU_DD_NAME(DXFILEERR_BADRESOURCE)
                KESTU_DD_NAME(DXFILEERR_BADFILETYPE) KESTU_DD_NAME(DXFILEERR_BADFILEVERSION)
                    KESTU_DD_NAME(DXFILEERR_BADFILEFLOATSIZE) KESTU_DD_NAME(DXFILEERR_BADFILECOMPRESSIONTYPE)
                        KESTU_DD_NAME(DXFILEERR_BADFILE) KESTU_DD_NAME(DXFILEERR_PARSEERROR)
                            KESTU_DD_NAME(DXFILEERR_NOTEMPLATE) KESTU_DD_NAME(DXFILEERR_BADARRAYSIZE)
                                KESTU_DD_NAME(DXFILEERR_BADDATAREFERENCE) KESTU_DD_NAME(DXFILEERR_INTERNALERROR)
                                    KESTU_DD_NAME(DXFILEERR_NOMOREOBJECTS) KESTU_DD_NAME(DXFILEERR_BADINTRINSICS)
                                        KESTU_DD_NAME(DXFILEERR_NOMORESTREAMHANDLES) KESTU_DD_NAME(DXFILEERR_NOMOREDATA)
                                            KESTU_DD_NAME(DXFILEERR_BADCACHEFILE) KESTU_DD_NAME(DXFILEERR_NOINTERNET)
#undef KESTU_DD_NAME
};
} // namespace

const char* DXGetErrorString8A(HRESULT hr)
{
    for (const Named& n : kNames)
        if (n.code == hr) return n.name;
    return "Unknown";
}

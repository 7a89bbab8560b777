// IDirect3D8.
#include "d3d8/direct3d.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "d3d8/device.h"
#include "d3d8/format.h"
#include "d3d8/gl_context.h"
#include "d3d8/host_config.h"
#include "win32/com_result.h"

namespace kestu::d3d8 {
namespace {

std::vector<std::string> Adapters()
{
    if (!Host().adapters.empty()) return Host().adapters;
    auto names = GlDeviceNames();
    if (names.empty()) names.push_back("Software rasteriser");
    return names;
}

bool ValidType(D3DDEVTYPE t) { return t == D3DDEVTYPE_HAL || t == D3DDEVTYPE_REF; }

} // namespace

bool IsDisplayFormat(D3DFORMAT f)
{
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 || f == D3DFMT_A8R8G8B8 ||
           f == D3DFMT_R8G8B8;
}

bool IsBackBufferFormat(D3DFORMAT f)
{
    return f == D3DFMT_X8R8G8B8 || f == D3DFMT_A8R8G8B8 || f == D3DFMT_R5G6B5 || f == D3DFMT_X1R5G5B5 ||
           f == D3DFMT_A1R5G5B5;
}

bool IsRenderTargetFormat(D3DFORMAT f) { return IsBackBufferFormat(f) || f == D3DFMT_A4R4G4B4 || f == D3DFMT_X4R4G4B4; }

bool IsTextureFormat(D3DFORMAT f)
{
    FormatInfo i;
    return GetFormatInfo(f, i) && i.color;
}

Direct3D::Direct3D() { GlRetain(); }

Direct3D::~Direct3D() { GlRelease(); }

HRESULT Direct3D::QueryInterface(REFIID riid, void** ppv)
{
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_IDirect3D8) {
        *ppv = static_cast<IDirect3D8*>(this);
        AddRef();
        return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
}

ULONG Direct3D::Release()
{
    ULONG r = --refs_;
    if (r == 0) delete this;
    return r;
}

HRESULT Direct3D::RegisterSoftwareDevice(void* fn) { return fn ? D3D_OK : D3DERR_INVALIDCALL; }

UINT Direct3D::GetAdapterCount() { return static_cast<UINT>(Adapters().size()); }

HRESULT Direct3D::GetAdapterIdentifier(UINT adapter, DWORD flags, D3DADAPTER_IDENTIFIER8* id)
{
    auto adapters = Adapters();
    if (!id || adapter >= adapters.size() || (flags & ~D3DENUM_NO_WHQL_LEVEL)) return D3DERR_INVALIDCALL;
    std::memset(id, 0, sizeof(*id));
    std::snprintf(id->Driver, sizeof(id->Driver), "kestu_gl.so");
    std::snprintf(id->Description, sizeof(id->Description), "%s", adapters[adapter].c_str());
    id->DriverVersion.QuadPart = (static_cast<LONGLONG>(8) << 48) | (static_cast<LONGLONG>(1) << 32);
    id->VendorId = 0x4B45;
    id->DeviceId = 0x5354 + adapter;
    id->DeviceIdentifier = {0x6b657374u + adapter, 0x0d3d, 0x0008, {'k', 'e', 's', 't', 'u', 'g', 'l', 0}};
    id->WHQLLevel = (flags & D3DENUM_NO_WHQL_LEVEL) ? 0 : 1;
    return D3D_OK;
}

UINT Direct3D::GetAdapterModeCount(UINT adapter)
{
    if (adapter >= GetAdapterCount()) return 0;
    return static_cast<UINT>(DisplayModes().size());
}

HRESULT Direct3D::EnumAdapterModes(UINT adapter, UINT mode, D3DDISPLAYMODE* out)
{
    if (!out || adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    auto modes = DisplayModes();
    if (mode >= modes.size()) return D3DERR_INVALIDCALL;
    *out = modes[mode];
    return D3D_OK;
}

HRESULT Direct3D::GetAdapterDisplayMode(UINT adapter, D3DDISPLAYMODE* out)
{
    if (!out || adapter >= GetAdapterCount()) return D3DERR_INVALIDCALL;
    *out = Host().desktop;
    return D3D_OK;
}

HRESULT Direct3D::CheckDeviceType(UINT adapter, D3DDEVTYPE type, D3DFORMAT display, D3DFORMAT back, BOOL windowed)
{
    if (adapter >= GetAdapterCount() || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (!IsDisplayFormat(display) || !IsBackBufferFormat(back)) return D3DERR_NOTAVAILABLE;
    if (windowed) return D3D_OK;
    // Full screen: the back buffer must match the display's colour depth.
    if (FormatPitch(display, 1) != FormatPitch(back, 1)) return D3DERR_NOTAVAILABLE;
    bool offered = false;
    for (auto& m : DisplayModes()) offered |= m.Format == display;
    return offered ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDeviceFormat(UINT adapter, D3DDEVTYPE type, D3DFORMAT display, DWORD usage,
                                    D3DRESOURCETYPE rtype, D3DFORMAT format)
{
    if (adapter >= GetAdapterCount() || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (!IsDisplayFormat(display)) return D3DERR_NOTAVAILABLE;
    switch (rtype) {
    case D3DRTYPE_SURFACE:
        if (usage & D3DUSAGE_DEPTHSTENCIL) return IsDepthFormat(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
        if (usage & D3DUSAGE_RENDERTARGET) return IsRenderTargetFormat(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
        return IsTextureFormat(format) || IsDepthFormat(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_TEXTURE:
    case D3DRTYPE_CUBETEXTURE:
        if (usage & D3DUSAGE_DEPTHSTENCIL) return D3DERR_NOTAVAILABLE;
        if (usage & D3DUSAGE_RENDERTARGET) return IsRenderTargetFormat(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
        return IsTextureFormat(format) ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_VERTEXBUFFER: return format == D3DFMT_VERTEXDATA ? D3D_OK : D3DERR_NOTAVAILABLE;
    case D3DRTYPE_INDEXBUFFER:
        return format == D3DFMT_INDEX16 || format == D3DFMT_INDEX32 ? D3D_OK : D3DERR_NOTAVAILABLE;
    default: return D3DERR_NOTAVAILABLE;
    }
}

HRESULT Direct3D::CheckDeviceMultiSampleType(UINT adapter, D3DDEVTYPE type, D3DFORMAT format, BOOL windowed,
                                             D3DMULTISAMPLE_TYPE ms)
{
    if (adapter >= GetAdapterCount() || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (!IsRenderTargetFormat(format) && !IsDepthFormat(format)) return D3DERR_NOTAVAILABLE;
    return ms == D3DMULTISAMPLE_NONE ? D3D_OK : D3DERR_NOTAVAILABLE;
}

HRESULT Direct3D::CheckDepthStencilMatch(UINT adapter, D3DDEVTYPE type, D3DFORMAT display, D3DFORMAT target,
                                         D3DFORMAT depth)
{
    if (adapter >= GetAdapterCount() || !ValidType(type)) return D3DERR_INVALIDCALL;
    if (!IsDisplayFormat(display) || !IsRenderTargetFormat(target) || !IsDepthFormat(depth)) return D3DERR_NOTAVAILABLE;
    return D3D_OK;
}

HRESULT Direct3D::GetDeviceCaps(UINT adapter, D3DDEVTYPE type, D3DCAPS8* caps)
{
    if (!caps || adapter >= GetAdapterCount() || !ValidType(type)) return D3DERR_INVALIDCALL;
    FillCaps(type, adapter, *caps);
    if (Host().capsFilter) Host().capsFilter(type, *caps);
    return D3D_OK;
}

HMONITOR Direct3D::GetAdapterMonitor(UINT adapter)
{
    if (adapter >= GetAdapterCount()) return nullptr;
    return reinterpret_cast<HMONITOR>(static_cast<uintptr_t>(0x10000 + adapter));
}

HRESULT Direct3D::CreateDevice(UINT adapter, D3DDEVTYPE type, HWND focus, DWORD behavior, D3DPRESENT_PARAMETERS* pp,
                               IDirect3DDevice8** out)
try {
    if (!out) return D3DERR_INVALIDCALL;
    *out = nullptr;
    if (!pp || adapter >= GetAdapterCount() || !ValidType(type)) return D3DERR_INVALIDCALL;
    DWORD vp = behavior & (D3DCREATE_SOFTWARE_VERTEXPROCESSING | D3DCREATE_HARDWARE_VERTEXPROCESSING |
                           D3DCREATE_MIXED_VERTEXPROCESSING);
    if (vp != D3DCREATE_SOFTWARE_VERTEXPROCESSING && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING &&
        vp != D3DCREATE_MIXED_VERTEXPROCESSING)
        return D3DERR_INVALIDCALL;
    if ((behavior & D3DCREATE_PUREDEVICE) && vp != D3DCREATE_HARDWARE_VERTEXPROCESSING) return D3DERR_INVALIDCALL;
    if (!focus && !pp->hDeviceWindow) return D3DERR_INVALIDCALL;
    HRESULT injected = TakeInjectedFailure(host::D3D8Failure::CreateDevice);
    if (FAILED(injected)) return injected;
    if (!GlMakeCurrent()) return D3DERR_NOTAVAILABLE;
    auto* device = new (std::nothrow) Device(this, adapter, type, focus, behavior);
    if (!device) return E_OUTOFMEMORY;
    HRESULT hr = device->Create(pp);
    if (FAILED(hr)) {
        device->Release();
        return hr;
    }
    *out = device;
    return D3D_OK;
} catch (...) {
    return platform::ExceptionResult();
}

} // namespace kestu::d3d8

extern "C" IDirect3D8* Direct3DCreate8(UINT sdkVersion)
try {
    if (sdkVersion != D3D_SDK_VERSION) return nullptr;
    return new (std::nothrow) kestu::d3d8::Direct3D();
} catch (...) {
    return nullptr;
}

// Host control of the d3d8 stand-in.
#include "host/host_d3d8.h"

#include "d3d8/device.h"
#include "d3d8/host_config.h"
#include "d3d8/shader_translate.h"

namespace kestu::d3d8 {

HostConfig& Host()
{
    static HostConfig config;
    return config;
}

std::vector<D3DDISPLAYMODE> DisplayModes()
{
    const HostConfig& h = Host();
    if (!h.modes.empty()) return h.modes;
    static const UINT sizes[][2] = {{640, 480},  {800, 600},   {1024, 768},  {1152, 864},
                                    {1280, 960}, {1280, 1024}, {1600, 1200}, {2048, 1536}};
    static const UINT rates[] = {60, 75, 85};
    std::vector<D3DDISPLAYMODE> modes;
    for (D3DFORMAT f : {D3DFMT_R5G6B5, D3DFMT_X8R8G8B8})
        for (auto& s : sizes)
            for (UINT r : rates) modes.push_back({s[0], s[1], r, f});
    return modes;
}

UINT VertexShaderConstantCount()
{
    const UINT n = Host().vertexShaderConstants;
    return n == 0 || n > kVertexShaderConstants ? kVertexShaderConstants : n;
}

HRESULT TakeInjectedFailure(host::D3D8Failure what)
{
    auto& f = Host().failures[static_cast<int>(what)];
    if (f.count <= 0) return S_OK;
    --f.count;
    return f.hr;
}

} // namespace kestu::d3d8

namespace host {

using kestu::d3d8::Host;

void D3D8SetDisplayModes(const std::vector<D3DDISPLAYMODE>& modes) { Host().modes = modes; }
std::vector<D3DDISPLAYMODE> D3D8GetDisplayModes() { return kestu::d3d8::DisplayModes(); }
void D3D8SetDesktopMode(const D3DDISPLAYMODE& mode) { Host().desktop = mode; }
void D3D8SetAdapters(const std::vector<std::string>& descriptions) { Host().adapters = descriptions; }
void D3D8SetCapsFilter(D3D8CapsFilter filter) { Host().capsFilter = std::move(filter); }
void D3D8SetVertexShaderConstants(UINT count) { Host().vertexShaderConstants = count; }

void D3D8LoseDevices()
{
    for (auto* d : Host().devices) d->Lose();
}

void D3D8RegainDevices()
{
    for (auto* d : Host().devices) d->Regain();
}

void D3D8InjectFailure(D3D8Failure what, HRESULT hr, int count)
{
    Host().failures[static_cast<int>(what)] = {hr, count};
}

D3D8Counters D3D8GetCounters() { return Host().counters; }
void D3D8ResetCounters() { Host().counters = {}; }

bool D3D8ReadRenderTarget(IDirect3DDevice8* device, std::vector<uint32_t>& pixels, UINT& width, UINT& height)
{
    auto* d = kestu::d3d8::Device::From(device);
    return d && d->ReadSurface(d->CurrentRenderTarget(), pixels, width, height);
}

bool D3D8ReadBackBuffer(IDirect3DDevice8* device, std::vector<uint32_t>& pixels, UINT& width, UINT& height)
{
    auto* d = kestu::d3d8::Device::From(device);
    return d && d->ReadSurface(d->BackBuffer(), pixels, width, height);
}

bool D3D8GetCursorState(IDirect3DDevice8* device, D3D8CursorState& state)
{
    auto* d = kestu::d3d8::Device::From(device);
    if (!d) return false;
    state = d->Cursor();
    return true;
}

void D3D8ResetDefaults()
{
    auto& h = Host();
    h.modes.clear();
    h.desktop = {1024, 768, 60, D3DFMT_X8R8G8B8};
    h.adapters.clear();
    h.capsFilter = nullptr;
    h.vertexShaderConstants = 0;
    for (auto& f : h.failures) f = {};
    h.counters = {};
}

} // namespace host

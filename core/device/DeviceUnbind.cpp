#include "core/device/DeviceUnbind.h"

namespace {

// The device the resource was made on (its reference let go at once).
IDirect3DDevice8* DeviceOf(IDirect3DResource8* resource)
{
    IDirect3DDevice8* device = nullptr;
    if (!resource || FAILED(resource->GetDevice(&device)) || !device) return nullptr;
    device->Release();
    return device;
}

constexpr UINT kStreams = 16;
constexpr DWORD kStages = 8;

} // namespace

void UnbindFromDevice(IDirect3DVertexBuffer8* vb)
{
    IDirect3DDevice8* device = DeviceOf(vb);
    if (!device) return;
    for (UINT n = 0; n < kStreams; ++n) {
        IDirect3DVertexBuffer8* bound = nullptr;
        UINT stride = 0;
        if (FAILED(device->GetStreamSource(n, &bound, &stride)) || !bound) continue;
        bound->Release();
        if (bound == vb) device->SetStreamSource(n, nullptr, stride);
    }
}

void UnbindFromDevice(IDirect3DIndexBuffer8* ib)
{
    IDirect3DDevice8* device = DeviceOf(ib);
    if (!device) return;
    IDirect3DIndexBuffer8* bound = nullptr;
    UINT base = 0;
    if (FAILED(device->GetIndices(&bound, &base)) || !bound) return;
    bound->Release();
    if (bound == ib) device->SetIndices(nullptr, base);
}

void UnbindFromDevice(IDirect3DBaseTexture8* texture)
{
    IDirect3DDevice8* device = DeviceOf(texture);
    if (!device) return;
    for (DWORD stage = 0; stage < kStages; ++stage) {
        IDirect3DBaseTexture8* bound = nullptr;
        if (FAILED(device->GetTexture(stage, &bound)) || !bound) continue;
        bound->Release();
        if (bound == texture) device->SetTexture(stage, nullptr);
    }
}

// What the host interface configures, read by the d3d8 stand-in.
#pragma once
#include <set>

#include "host/host_d3d8.h"

namespace kestu::d3d8 {

class Device;

struct HostConfig {
    std::vector<D3DDISPLAYMODE> modes; // empty = built-in list
    D3DDISPLAYMODE desktop{1024, 768, 60, D3DFMT_X8R8G8B8};
    std::vector<std::string> adapters; // empty = from EGL
    host::D3D8CapsFilter capsFilter;
    UINT vertexShaderConstants = 0; // 0 = all the device has
    struct Injected {
        HRESULT hr = 0;
        int count = 0;
    };
    Injected failures[4];
    host::D3D8Counters counters;
    std::set<Device*> devices; // live devices, for loss
};

HostConfig& Host();
// The vertex-shader constant registers a device created now gets.
UINT VertexShaderConstantCount();
std::vector<D3DDISPLAYMODE> DisplayModes();
// Consumes one injected failure of the kind; S_OK when none is pending.
HRESULT TakeInjectedFailure(host::D3D8Failure what);

} // namespace kestu::d3d8

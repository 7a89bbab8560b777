#include "support/device.h"

namespace testdevice {
namespace {

IDirect3D8* g_d3d = nullptr;
IDirect3DDevice8* g_device = nullptr;

class ReleaseAtEnd : public ::testing::Environment {
public:
    void TearDown() override { ReleaseShared(g_d3d, g_device); }
};
[[maybe_unused]] ::testing::Environment* const g_release = ::testing::AddGlobalTestEnvironment(new ReleaseAtEnd);

} // namespace

IDirect3D8* ProcessD3D()
{
    if (g_d3d == nullptr) g_d3d = Direct3DCreate8(D3D_SDK_VERSION);
    return g_d3d;
}

IDirect3DDevice8* ProcessDevice(const D3DPRESENT_PARAMETERS& pp)
{
    CreateShared(pp, g_d3d, g_device);
    return g_device;
}

} // namespace testdevice

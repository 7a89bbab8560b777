#include "d3dx_device.h"

#include <cstdlib>

#include "support/device.h"
#include "support/image.h"
#include "d3d8/format.h"

namespace d3dxtest {
IDirect3DDevice8* Device()
{
    return testdevice::ProcessDevice(testdevice::DefaultParameters(32, 32, testdevice::FakeWindow(0x4321), true, true));
}

void D3DXDeviceTest::SetUp()
{
    host::D3D8ResetDefaults();
    dev = Device();
    ASSERT_NE(dev, nullptr);
}

void D3DXDeviceTest::TearDown() { host::D3D8ResetDefaults(); }

std::vector<uint32_t> D3DXDeviceTest::Pixels(IDirect3DSurface8* surface)
{
    D3DSURFACE_DESC desc;
    EXPECT_EQ(surface->GetDesc(&desc), D3D_OK);
    std::vector<uint32_t> out((size_t)desc.Width * desc.Height);
    D3DLOCKED_RECT lr;
    if (surface->LockRect(&lr, nullptr, D3DLOCK_READONLY) != D3D_OK) return {};
    kestu::d3d8::DecodeSurface(desc.Format, static_cast<const uint8_t*>(lr.pBits), (UINT)lr.Pitch, desc.Width,
                               desc.Height, out.data(), nullptr);
    surface->UnlockRect();
    return out;
}

std::vector<uint32_t> D3DXDeviceTest::Pixels(IDirect3DTexture8* tex, UINT level)
{
    IDirect3DSurface8* s = nullptr;
    if (tex->GetSurfaceLevel(level, &s) != D3D_OK) return {};
    auto out = Pixels(s);
    s->Release();
    return out;
}

std::string D3DXDeviceTest::TempPath(const std::string& name)
{
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    return std::string(info->test_suite_name()) + "_" + info->name() + "_" + name;
}

bool Near(uint32_t a, uint32_t b, int tolerance) { return kestu_test::ChannelsNear(a, b, tolerance, 0xFFFFFFFF); }

} // namespace d3dxtest

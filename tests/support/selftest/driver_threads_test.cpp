// The GL driver's worker threads end with the last Direct3D object, so a test
// program that has released its devices exits with no thread but its own.
#include <gtest/gtest.h>

#include <vector>

#include "d3d8.h"
#include "host/host_d3d8.h"
#include "support/device.h"
#include "support/threads.h"

namespace {

struct Vertex {
    float x, y, z, rhw;
    D3DCOLOR diffuse;
};

// Makes a device, draws a red triangle over the left half, reads the pixel
// in the middle of that half and releases everything again.
uint32_t DrawOnce()
{
    IDirect3D8* d3d = nullptr;
    IDirect3DDevice8* device = nullptr;
    const D3DPRESENT_PARAMETERS pp = testdevice::DefaultParameters(32, 32, testdevice::FakeWindow(0x5151), false, true);
    if (FAILED(testdevice::CreateShared(pp, d3d, device))) {
        testdevice::ReleaseShared(d3d, device);
        return 0;
    }
    const Vertex tri[] = {{0, 0, 0.5f, 1, 0xffff0000},  {16, 0, 0.5f, 1, 0xffff0000},  {0, 32, 0.5f, 1, 0xffff0000},
                          {16, 0, 0.5f, 1, 0xffff0000}, {16, 32, 0.5f, 1, 0xffff0000}, {0, 32, 0.5f, 1, 0xffff0000}};
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xff0000ff, 1.f, 0);
    device->BeginScene();
    device->SetVertexShader(D3DFVF_XYZRHW | D3DFVF_DIFFUSE);
    device->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 2, tri, sizeof(Vertex));
    device->EndScene();
    std::vector<uint32_t> pixels;
    UINT w = 0, h = 0;
    uint32_t pixel = 0;
    if (host::D3D8ReadRenderTarget(device, pixels, w, h) && w == 32 && h == 32) pixel = pixels[16 * 32 + 8];
    testdevice::ReleaseShared(d3d, device);
    return pixel;
}

TEST(DriverThreads, EndWithTheLastDirect3DObject)
{
    ASSERT_TRUE(testsupport::OtherThreads().empty());
    EXPECT_EQ(DrawOnce() & 0xffffffu, 0xff0000u);
    EXPECT_EQ(testsupport::OtherThreads(), std::vector<std::string>{});

    // A Direct3D object made after the teardown gets a new context that draws.
    EXPECT_EQ(DrawOnce() & 0xffffffu, 0xff0000u);
    EXPECT_EQ(testsupport::OtherThreads(), std::vector<std::string>{});
}

TEST(DriverThreads, StayWhileAnyDirect3DObjectLives)
{
    IDirect3D8* keeper = Direct3DCreate8(D3D_SDK_VERSION);
    ASSERT_NE(keeper, nullptr);
    EXPECT_EQ(DrawOnce() & 0xffffffu, 0xff0000u);
    // The context outlives the device while another Direct3D object holds it:
    // the keeper still answers with the driver's adapter.
    D3DADAPTER_IDENTIFIER8 id{};
    EXPECT_EQ(keeper->GetAdapterIdentifier(D3DADAPTER_DEFAULT, 0, &id), D3D_OK);
    EXPECT_EQ(DrawOnce() & 0xffffffu, 0xff0000u);
    keeper->Release();
    EXPECT_EQ(testsupport::OtherThreads(), std::vector<std::string>{});
}

} // namespace

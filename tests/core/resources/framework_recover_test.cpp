// The framework's font and .x mesh, as the sample clients use them, drawn
// before the device is lost: after InvalidateDeviceObjects, the reset and
// RestoreDeviceObjects they draw the same pixels.
#include <string>
#include <vector>

#include "kestu_d3dfont.h"
#include "kestu_d3dmesh.h"
#include "mesh_fixture.h"
#include "window_device.h"
#include "xfiles.h"

namespace {

class FrameworkRecover : public Core5Device {
protected:
    std::vector<uint32_t> Frame(CD3DFont& font, CD3DMesh& mesh)
    {
        LightMeshScene(device);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        EXPECT_EQ(device->BeginScene(), D3D_OK);
        EXPECT_EQ(mesh.Render(device), S_OK);
        EXPECT_EQ(font.DrawTextA(4.0f, 40.0f, 0xFFFFFF00, "Kestu"), S_OK);
        device->EndScene();
        return Pixels();
    }
};

TEST_F(FrameworkRecover, FontAndMeshDrawTheSamePixelsAfterALossThatFollowsADraw)
{
    WriteFile("framework_strip.x", kThreeMaterialsX);
    CD3DMesh mesh;
    ASSERT_EQ(mesh.Create(device, "framework_strip.x"), S_OK);
    ASSERT_EQ(mesh.RestoreDeviceObjects(device), S_OK);
    CD3DFont font("Arial", 12);
    ASSERT_EQ(font.InitDeviceObjects(device), S_OK);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);
    const std::vector<uint32_t> before = Frame(font, mesh);
    ASSERT_GT(Lit(before, 0, 0, kWidth, 32), 500) << "the mesh is drawn";
    ASSERT_GT(Lit(before, 4, 40, 60, 60, 0x00FF00), 20) << "the text is drawn";

    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    ASSERT_EQ(font.InvalidateDeviceObjects(), S_OK);
    ASSERT_EQ(mesh.InvalidateDeviceObjects(), S_OK);
    IDirect3DVertexBuffer8* vb = nullptr;
    UINT stride = 0;
    device->GetStreamSource(0, &vb, &stride);
    EXPECT_EQ(vb, nullptr) << "InvalidateDeviceObjects lets go of the buffers that were bound";
    if (vb) vb->Release();
    D3DPRESENT_PARAMETERS pp =
        testdevice::DefaultParameters(kWidth, kHeight, testdevice::FakeWindow(0x5150), true, false);
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_EQ(mesh.RestoreDeviceObjects(device), S_OK);
    ASSERT_EQ(font.RestoreDeviceObjects(), S_OK);

    const std::vector<uint32_t> after = Frame(font, mesh);
    EXPECT_EQ(after, before);
    SaveOnFailure(after, "framework_recover");
    font.InvalidateDeviceObjects();
    font.DeleteDeviceObjects();
    mesh.Destroy();
}

} // namespace

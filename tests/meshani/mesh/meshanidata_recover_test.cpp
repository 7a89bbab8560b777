// DEFAULT-pool GMA mesh data that has drawn, its buffers still bound, when
// the device is lost: Invalidate lets the device go of them, and after the
// reset and Restore every frame draws the same pixels.
#include <gtest/gtest.h>

#include "gma_fixtures.h"
#include "kestu_meshanidata.h"
#include "meshani_recover.h"

using namespace gmatest;

class MeshAniDataRecover : public MeshAniFolderDevice {
protected:
    std::vector<uint32_t> Draw(CMeshAniData& mesh, DWORD frame)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        LookAtOrigin();
        device->BeginScene();
        EXPECT_EQ(mesh.Render(frame, nullptr), S_OK);
        device->EndScene();
        return Pixels();
    }
};

TEST_F(MeshAniDataRecover, DrawsTheSamePixelsAfterALossThatFollowsADraw)
{
    Grid g;
    CGmaFile file = g.File();
    const std::vector<BYTE> bytes = Bytes(file);
    CMeshAniData mesh;
    ASSERT_EQ(mesh.Build(bytes.data(), DWORD(bytes.size()), device, Path("tex").c_str(), nullptr, nullptr, nullptr,
                         D3DPOOL_DEFAULT, 1.0f, TRUE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE),
              S_OK);
    const std::vector<uint32_t> frame0 = Draw(mesh, 0);
    const std::vector<uint32_t> frame1 = Draw(mesh, 1);
    ASSERT_GT(Lit(frame1, 0, 0, kWidth, kHeight), 200);
    ASSERT_NE(frame0, frame1);
    ASSERT_TRUE(BuffersBound(device));

    LoseDevice();
    ASSERT_EQ(mesh.Invalidate(), S_OK);
    EXPECT_FALSE(BuffersBound(device)) << "Invalidate lets go of the buffers it had bound";
    D3DPRESENT_PARAMETERS pp = Parameters();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_EQ(mesh.Restore(), S_OK);

    EXPECT_EQ(Draw(mesh, 1), frame1);
    EXPECT_EQ(Draw(mesh, 0), frame0);
    mesh.Release();
}

// GMA mesh managers in both pools whose meshes have drawn, their buffers and
// textures still bound, when the device is lost: after Invalidate, the reset
// and Restore the same meshes draw the same pixels.
#include <gtest/gtest.h>

#include "kestu_meshanimng.h"
#include "meshani_recover.h"
#include "meshanimng_fixture.h"

using namespace gmatest;

class MeshAniMngRecover : public MeshAniMngDevice {
protected:
    std::vector<uint32_t> Draw(CMeshAniData* mesh, DWORD frame, float x)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        LookAtOrigin();
        D3DXMATRIX shift;
        D3DXMatrixTranslation(&shift, x, 0.0f, 0.0f);
        device->BeginScene();
        EXPECT_EQ(mesh->Render(frame, &shift), S_OK);
        device->EndScene();
        return Pixels();
    }
};

TEST_F(MeshAniMngRecover, BothPoolsDrawTheSamePixelsAfterALossThatFollowsADraw)
{
    const std::string lib = Library({{1, 1, false, 0.1f}, {2, 2, true, 0.2f}});
    for (D3DPOOL pool : {D3DPOOL_DEFAULT, D3DPOOL_MANAGED}) {
        SCOPED_TRACE(pool == D3DPOOL_DEFAULT ? "default pool" : "managed pool");
        CMeshAniMng m;
        ASSERT_EQ(m.Build(device, lib.c_str(), Path("tex").c_str(), FALSE, 1.0f, nullptr, pool, TRUE, FALSE, FALSE,
                          FALSE, FALSE, 1, 0),
                  S_OK);
        ASSERT_NE(m.QueryMesh(1), nullptr);
        ASSERT_NE(m.QueryMesh(2), nullptr);
        const std::vector<uint32_t> one = Draw(m.GetMeshData(1), 0, -0.5f);
        const std::vector<uint32_t> two = Draw(m.GetMeshData(2), 1, 0.5f);
        ASSERT_GT(Lit(two, 0, 0, kWidth, kHeight), 200);
        ASSERT_NE(one, two);
        ASSERT_TRUE(BuffersBound(device));

        LoseDevice();
        ASSERT_EQ(m.Invalidate(), S_OK);
        if (pool == D3DPOOL_DEFAULT) {
            EXPECT_FALSE(BuffersBound(device)) << "Invalidate lets go of the buffers its meshes had bound";
        }
        D3DPRESENT_PARAMETERS pp = Parameters();
        ASSERT_EQ(device->Reset(&pp), D3D_OK);
        ASSERT_EQ(m.Restore(), S_OK);

        ASSERT_NE(m.GetMeshData(1), nullptr);
        EXPECT_EQ(Draw(m.GetMeshData(1), 0, -0.5f), one);
        EXPECT_EQ(Draw(m.GetMeshData(2), 1, 0.5f), two);
        EXPECT_EQ(m.GetMeshData(2)->GetRef(), 1);
        m.Release();
    }
}

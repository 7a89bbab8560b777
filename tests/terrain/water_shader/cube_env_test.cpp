// The cube environment: the faces drawn in order with their cameras, what
// RenderCubeBox puts back, the depth cleared and the colour kept, the files
// of the faces, and builds that fail.
#include <filesystem>

#include "water_fixture.h"

namespace watertest {
namespace {

class CubeEnv : public WaterDevice {
protected:
    void TearDown() override
    {
        cube.Release();
        WaterDevice::TearDown();
    }
    static bool SameMatrix(const D3DXMATRIX& a, const D3DXMATRIX& b)
    {
        for (int i = 0; i < 16; ++i)
            if (std::fabs(a.m[i / 4][i % 4] - b.m[i / 4][i % 4]) > 1e-5f) return false;
        return true;
    }
    ColourCube cube;
};

TEST_F(CubeEnv, DrawsEachFaceInOrderWithItsCameraAndStates)
{
    ArmGuards();
    ASSERT_EQ(cube.Build(device), 0);
    const D3DXVECTOR3 eye(3.0f, -2.0f, 7.0f);
    const D3DXVECTOR3 axes[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
    device->SetTextureStageState(0, D3DTSS_ADDRESSU, D3DTADDRESS_WRAP);
    cube.hook = [&](int face) {
        IDirect3DSurface8* target = nullptr;
        IDirect3DSurface8* faceSurface = nullptr;
        IDirect3DSurface8* depth = nullptr;
        device->GetRenderTarget(&target);
        device->GetDepthStencilSurface(&depth);
        cube.GetCubeEnv()->GetCubeMapSurface(D3DCUBEMAP_FACES(face), 0, &faceSurface);
        EXPECT_EQ(target, faceSurface) << face;
        EXPECT_EQ(depth, cube.Depth()) << face;
        for (IDirect3DSurface8* s : {target, faceSurface, depth})
            if (s) s->Release();
        // The face's camera maps its axis to the centre of the view, in front.
        D3DXMATRIX view, proj;
        device->GetTransform(D3DTS_VIEW, &view);
        device->GetTransform(D3DTS_PROJECTION, &proj);
        const D3DXVECTOR3 ahead = eye + axes[face] * 10.0f;
        D3DXVECTOR3 inView;
        D3DXVec3TransformCoord(&inView, &ahead, &view);
        EXPECT_NEAR(inView.x, 0.0f, 1e-4f) << face;
        EXPECT_NEAR(inView.y, 0.0f, 1e-4f) << face;
        EXPECT_NEAR(inView.z, 10.0f, 1e-4f) << face;
        D3DXMATRIX expectedProj;
        D3DXMatrixPerspectiveFovLH(&expectedProj, D3DX_PI / 2, 1.0f, 0.5f, 20000.0f);
        EXPECT_TRUE(SameMatrix(proj, expectedProj)) << face;
        DWORD v = 0;
        device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
        EXPECT_EQ(v, DWORD(FALSE));
        device->GetTextureStageState(0, D3DTSS_ADDRESSU, &v);
        EXPECT_EQ(v, DWORD(D3DTADDRESS_MIRROR));
        device->GetTextureStageState(0, D3DTSS_COLOROP, &v);
        EXPECT_EQ(v, DWORD(D3DTOP_SELECTARG1));
    };
    ASSERT_EQ(cube.RenderCubeBox(eye), 0);
    EXPECT_EQ(cube.faces, (std::vector<int>{0, 1, 2, 3, 4, 5}));
    // The up vectors: +y of the up face's picture is -z, of the down face +z.
    D3DXMATRIX view;
    const D3DXVECTOR3 up(0, 1, 0), back(0, 0, -1);
    Kestu::CCubeEnv::GetFaceView(2, eye, &view);
    D3DXVECTOR3 p, q = eye + axes[2] + back;
    D3DXVec3TransformCoord(&p, &q, &view);
    EXPECT_NEAR(p.y, 1.0f, 1e-4f);
    Kestu::CCubeEnv::GetFaceView(4, eye, &view);
    q = eye + axes[4] + up;
    D3DXVec3TransformCoord(&p, &q, &view);
    EXPECT_NEAR(p.y, 1.0f, 1e-4f);
    for (int face = 0; face < 6; ++face) {
        const kestu_test::Image image = ReadFace(cube, face);
        ASSERT_EQ(image.width, 256);
        EXPECT_TRUE(kestu_test::ChannelsNear(At(image, 128, 128), kFaceColours[face], 0)) << face;
    }
    DWORD v = 0;
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &v);
    EXPECT_EQ(v, DWORD(TRUE));
    device->GetTextureStageState(0, D3DTSS_ADDRESSU, &v);
    EXPECT_EQ(v, DWORD(D3DTADDRESS_WRAP));
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
}

TEST_F(CubeEnv, PutsTargetDepthViewAndProjectionBack)
{
    ASSERT_EQ(cube.Build(device), 0);
    const Targets before(device);
    D3DXMATRIX view, proj, m;
    D3DXMatrixRotationX(&view, 0.3f);
    D3DXMatrixPerspectiveFovLH(&proj, 0.8f, 1.5f, 2.0f, 50.0f);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);
    EXPECT_TRUE(Targets(device) == before);
    device->GetTransform(D3DTS_VIEW, &m);
    EXPECT_TRUE(SameMatrix(m, view));
    device->GetTransform(D3DTS_PROJECTION, &m);
    EXPECT_TRUE(SameMatrix(m, proj));
}

// A quad near the eye, then one farther away on the next drawing: the
// second shows only when the depth buffer starts again at 1. A hook that
// draws nothing leaves the faces as they were.
TEST_F(CubeEnv, EachFaceStartsAtFullDepthAndKeepsItsColour)
{
    ASSERT_EQ(cube.Build(device), 0);
    struct V {
        float x, y, z;
        DWORD colour;
    };
    float distance = 1.0f;
    DWORD colour = 0xFF102030;
    cube.hook = [&](int face) {
        if (face != 4) return;
        D3DXMATRIX world;
        D3DXMatrixIdentity(&world);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_ZWRITEENABLE, TRUE);
        device->SetRenderState(D3DRS_ZFUNC, D3DCMP_LESS);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_DIFFUSE);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        const float d = distance;
        const V quad[4] = {{-d, -d, d, colour}, {-d, d, d, colour}, {d, -d, d, colour}, {d, d, d, colour}};
        device->SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
        device->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, quad, sizeof(V));
    };
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);
    EXPECT_TRUE(kestu_test::ChannelsNear(At(ReadFace(cube, 4), 128, 128), 0x102030, 0));
    distance = 100.0f;
    colour = 0xFF405060;
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);
    EXPECT_TRUE(kestu_test::ChannelsNear(At(ReadFace(cube, 4), 128, 128), 0x405060, 0));

    cube.paint = false;
    cube.hook = nullptr;
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(5, 5, 5)), 0);
    EXPECT_TRUE(kestu_test::ChannelsNear(At(ReadFace(cube, 4), 128, 128), 0x405060, 0));
    EXPECT_TRUE(kestu_test::ChannelsNear(At(ReadFace(cube, 0), 10, 10), kFaceColours[0], 0));
    device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
    device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
}

TEST_F(CubeEnv, SavesSixTgaFacesInTheGivenFolder)
{
    ASSERT_EQ(cube.Build(device), 0);
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);
    struct Folder {
        std::filesystem::path p = std::filesystem::current_path() / "cube_faces";
        Folder() { std::filesystem::remove_all(p), std::filesystem::create_directories(p); }
        ~Folder() { std::filesystem::remove_all(p); }
        const std::filesystem::path& path() const { return p; }
    } dir;
    ASSERT_EQ(cube.SaveCubeToFile(dir.path().string().c_str()), 0);
    const char* names[6] = {"right.tga", "left.tga", "up.tga", "down.tga", "front.tga", "back.tga"};
    size_t files = 0;
    for ([[maybe_unused]] const auto& e : std::filesystem::directory_iterator(dir.path())) ++files;
    EXPECT_EQ(files, 6u);
    for (int face = 0; face < 6; ++face) {
        const std::string path = (dir.path() / names[face]).string();
        D3DXIMAGE_INFO info{};
        ASSERT_EQ(D3DXGetImageInfoFromFileA(path.c_str(), &info), D3D_OK) << path;
        EXPECT_EQ(info.ImageFileFormat, D3DXIFF_TGA);
        EXPECT_EQ(info.Width, 256u);
        IDirect3DSurface8* s = nullptr;
        ASSERT_EQ(device->CreateImageSurface(256, 256, D3DFMT_A8R8G8B8, &s), D3D_OK);
        ASSERT_EQ(D3DXLoadSurfaceFromFileA(s, nullptr, nullptr, path.c_str(), nullptr, D3DX_FILTER_NONE, 0, nullptr),
                  D3D_OK);
        D3DLOCKED_RECT r{};
        ASSERT_EQ(s->LockRect(&r, nullptr, D3DLOCK_READONLY), D3D_OK);
        const DWORD first = *static_cast<const DWORD*>(r.pBits);
        s->UnlockRect();
        s->Release();
        EXPECT_TRUE(kestu_test::ChannelsNear(first, kFaceColours[face], 0)) << names[face];
    }
    EXPECT_LT(cube.SaveCubeToFile((dir.path() / "missing" / "deeper").string().c_str()), 0);
    Kestu::CCubeEnv empty;
    EXPECT_LT(empty.SaveCubeToFile(dir.path().string().c_str()), 0);
}

// A failed build keeps nothing and is tried again by the next Build; a
// second Restore replaces the cube; a released cube builds again.
TEST_F(CubeEnv, FailedBuildRestoreAndReleaseLeaveNothing)
{
    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, E_OUTOFMEMORY, 1);
    EXPECT_EQ(cube.Build(device), E_FAIL);
    EXPECT_FALSE(cube.IsBuild());
    EXPECT_EQ(cube.GetCubeEnv(), nullptr);
    EXPECT_EQ(cube.Depth(), nullptr);
    ASSERT_EQ(cube.Build(device), 0);
    EXPECT_TRUE(cube.IsBuild());
    ASSERT_NE(cube.GetCubeEnv(), nullptr);
    IDirect3DCubeTexture8* first = cube.GetCubeEnv();
    first->AddRef();
    EXPECT_EQ(cube.Build(device), 0);
    EXPECT_EQ(cube.GetCubeEnv(), first);
    ASSERT_EQ(cube.Restore(), 0);
    EXPECT_EQ(first->Release(), 0u);

    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, D3DERR_OUTOFVIDEOMEMORY, 1);
    EXPECT_EQ(cube.Restore(), D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(cube.GetCubeEnv(), nullptr);
    EXPECT_EQ(cube.Depth(), nullptr);
    EXPECT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);
    EXPECT_TRUE(cube.faces.empty());
    ASSERT_EQ(cube.Restore(), 0);
    EXPECT_EQ(cube.Invalidate(), 0);
    EXPECT_EQ(cube.GetCubeEnv(), nullptr);
    cube.Release();
    EXPECT_FALSE(cube.IsBuild());
    ASSERT_EQ(cube.Build(device), 0);
    EXPECT_NE(cube.GetCubeEnv(), nullptr);
}

} // namespace
} // namespace watertest

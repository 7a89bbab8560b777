// The vertex-shader constants a skeleton writes for each render path.
#include <cstring>

#include "skeleton_fixture.h"

namespace {

using namespace modeltest;

class SkeletonConstants : public ModelDevice {
protected:
    void SetUp() override
    {
        ModelDevice::SetUp();
        mng.Build(device);
        if (mng.SetSkeletonRenderPath(0xFF) == 0 && CMeshDataMng::GetSkeletonRenderPath() == KESTU_SKLPATH_SOFTWARE)
            GTEST_SKIP() << "no vertex shaders";
        s.SetMeshManager(&mng);
        D3DXMatrixTranslation(&world, 1, 2, 3);
        D3DXMatrixScaling(&view, 2, 2, 2);
        D3DXMatrixTranslation(&proj, 0, 0, 5);
        device->SetTransform(D3DTS_WORLD, &world);
        device->SetTransform(D3DTS_VIEW, &view);
        device->SetTransform(D3DTS_PROJECTION, &proj);
        c = mng.GetVsConstantBuffer();
    }
    void TearDown() override
    {
        mng.Release();
        ModelDevice::TearDown();
    }
    // Register r against the transposed rows of m.
    void ExpectRows(int r, const D3DXMATRIX& m, int rows)
    {
        D3DXMATRIX t;
        D3DXMatrixTranspose(&t, &m);
        for (int i = 0; i < rows; ++i)
            for (int j = 0; j < 4; ++j) EXPECT_FLOAT_EQ(c[4 * (r + i) + j], t.m[i][j]) << "c" << r + i << "." << j;
    }

    CMeshDataMng mng;
    CSkeleton s;
    D3DXMATRIX world, view, proj;
    float* c = nullptr;
};

TEST_F(SkeletonConstants, PathsWriteTheirRegisters)
{
    ASSERT_NE(c, nullptr);
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_SOFTWARE, nullptr);
    EXPECT_EQ(s.SetVSRenderPass(device), 0);

    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_VS, nullptr);
    ASSERT_EQ(s.SetVSRenderPass(device), 0);
    EXPECT_EQ(c[1], 1.0f);
    EXPECT_EQ(c[0], 0.0f);
    ExpectRows(1, world * view * proj, 4);

    // The directional-light paths keep the world transform with point lights set.
    s.EnableLightNum(1);
    s.SetVSAmbientLight(0x80402010);
    s.SetVSPointLight(0, 1, 0.5f, 0.25f, 9, 7, 8, 9);
    for (int path : {KESTU_SKLPATH_VS_LIGHT, KESTU_SKLPATH_VS_PS}) {
        CMeshDataMng::ChangeRenderPath(path, nullptr);
        ASSERT_EQ(s.SetVSRenderPass(device), 0);
        ExpectRows(1, world * view * proj, 4);
        EXPECT_FLOAT_EQ(c[4 * 5], 64.0f / 256);
        EXPECT_FLOAT_EQ(c[4 * 5 + 3], 128.0f / 256);
        EXPECT_EQ(c[4 * 13], 1.0f); // towards the light (1, 0, 0)
    }
    // The point-light shaders take world positions.
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_VS_POINTLIGHTS, nullptr);
    std::memset(c + 4 * 14, 0, 16 * 4);
    ASSERT_EQ(s.SetVSRenderPass(device), 0);
    ExpectRows(1, view * proj, 4);
    ExpectRows(6, world, 3);
    EXPECT_EQ(c[4 * 14 + 3], 9.0f);
    EXPECT_EQ(c[4 * 15 + 2], 9.0f);
    EXPECT_EQ(c[4 * 16], 0.0f); // only one point light
    D3DXMATRIX inverse;
    D3DXMatrixInverse(&inverse, nullptr, &world);
    EXPECT_FLOAT_EQ(c[4 * 9 + 0], inverse._11);
    EXPECT_FLOAT_EQ(c[4 * 11 + 0], inverse._31);

    // Path 128: device lights; the floats of c0 and c1 stay.
    D3DLIGHT8 sun{};
    sun.Type = D3DLIGHT_DIRECTIONAL;
    sun.Diffuse = {0.5f, 0.6f, 0.7f, 1};
    sun.Direction = {0, 0, 2};
    D3DLIGHT8 lamp{};
    lamp.Type = D3DLIGHT_POINT;
    lamp.Diffuse = {1, 1, 1, 1};
    lamp.Position = {1, 2, 3};
    lamp.Range = 50;
    device->SetLight(0, &lamp);
    device->LightEnable(0, TRUE);
    device->SetLight(1, &sun);
    device->LightEnable(1, TRUE);
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_MATERIAL_WIDE, nullptr);
    ASSERT_EQ(s.SetVSRenderPass(device), 0);
    EXPECT_EQ(c[1], 1.0f);
    ExpectRows(1, view * proj, 4);
    EXPECT_FLOAT_EQ(c[4 * 15 + 2], 0.7f);
    EXPECT_FLOAT_EQ(c[4 * 16 + 2], -1.0f);
    EXPECT_FLOAT_EQ(c[4 * 17 + 3], 50.0f);
    EXPECT_FLOAT_EQ(c[4 * 18 + 1], -2.0f);
    DWORD words[8];
    std::memcpy(words, c + 4 * 30, sizeof words);
    EXPECT_EQ(words[0], 1u);
    EXPECT_EQ(words[4], 1u);
    EXPECT_EQ(words[5], 17u);
    device->LightEnable(0, FALSE);
    device->LightEnable(1, FALSE);
}

TEST_F(SkeletonConstants, ShaderModeDrawsOnPathTwo)
{
    MakeCharacter(s);
    s.Build(device);
    CMeshDataMng::ChangeRenderPath(KESTU_SKLPATH_VS_LIGHT, nullptr);
    s.RenderShaderMode(1);
    static int seen = 0;
    seen = 0;
    mng.RegisterCallBack(
        [](DWORD event, DWORD_PTR, DWORD_PTR, DWORD) -> long {
            if (event == KESTU_MESHEVENT_SUBSETBEGIN) seen = CMeshDataMng::GetSkeletonRenderPath();
            return 0;
        },
        "path", 0);
    s.Transform(0, 0, nullptr);
    device->BeginScene();
    EXPECT_EQ(s.Render(device), 0);
    device->EndScene();
    EXPECT_EQ(seen, KESTU_SKLPATH_VS);
    EXPECT_EQ(CMeshDataMng::GetSkeletonRenderPath(), KESTU_SKLPATH_VS_LIGHT);
    EXPECT_EQ(s.RenderRough(device, 0), E_FAIL);
    s.Release();
}

} // namespace

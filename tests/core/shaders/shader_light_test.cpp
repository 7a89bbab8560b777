#include "shader_device.h"
#include "kestu_shaderlight.h"

namespace {

D3DLIGHT8 Numbered(int n)
{
    D3DLIGHT8 l{};
    const float f = float(n);
    l.Type = D3DLIGHT_POINT;
    l.Diffuse = {f, f + 0.1f, f + 0.2f, f + 0.3f};
    l.Ambient = {-f, 0.5f, 0.25f, 1.0f};
    l.Specular = {f * 10, 0, 0, 1};
    l.Position = {f, 2.0f * f, 3.0f * f};
    l.Attenuation0 = 1.0f;
    l.Attenuation1 = 0.5f * f;
    l.Attenuation2 = 0.25f * f;
    return l;
}

TEST(ShaderLightList, GrowsByDoublingAndDeletesRuns)
{
    CShaderLight context;
    EXPECT_EQ(context.QueryInterface(), 4660u);
    const DWORD capacities[] = {2, 2, 4, 4, 8};
    for (DWORD i = 0; i < 5; ++i) {
        const D3DLIGHT8 l = Numbered(int(i));
        EXPECT_EQ(context.AddLight(&l), i);
        EXPECT_EQ(context.GetLightCapacity(), capacities[i]);
    }
    EXPECT_EQ(context.GetLightsNum(), 5u);
    EXPECT_EQ(context.GetLight(5), nullptr);
    const D3DLIGHT8 replacement = Numbered(42);
    EXPECT_EQ(context.SetLight(5, &replacement), 0);
    EXPECT_EQ(context.SetLight(4, &replacement), 1);
    EXPECT_EQ(context.GetLight(4)->Position.x, 42.0f);

    auto positions = [](CShaderLight& c) {
        std::vector<float> xs;
        for (DWORD i = 0; i < c.GetLightsNum(); ++i) xs.push_back(c.GetLight(i)->Position.x);
        return xs;
    };
    struct Case {
        DWORD first, count;
        int result;
        std::vector<float> left;
    } cases[] = {
        {2, 0xFFFFFFFF, 1, {0, 1}},  {1, 5, 0, {0, 1, 2, 3, 42}}, {1, 4, 1, {0}},          {5, 0, 0, {0, 1, 2, 3, 42}},
        {0, 0, 1, {0, 1, 2, 3, 42}}, {1, 2, 1, {0, 3, 42}},       {4, 1, 1, {0, 1, 2, 3}},
    };
    for (const Case& c : cases) {
        CShaderLight lights(context);
        EXPECT_EQ(lights.DelLightBatch(c.first, c.count), c.result) << c.first << "," << c.count;
        EXPECT_EQ(positions(lights), c.left) << c.first << "," << c.count;
    }
    EXPECT_EQ(context.DelLight(5), 0);
    EXPECT_EQ(context.DelLight(1), 1);
    EXPECT_EQ(positions(context), (std::vector<float>{0, 2, 3, 42}));
}

TEST(ShaderLightList, CopiesOwnTheirLights)
{
    CShaderLight a;
    const D3DLIGHT8 l = Numbered(1);
    a.AddLight(&l);
    CShaderLight b(a);
    CShaderLight c;
    c = a;
    CShaderLight& self = c;
    c = self; // assignment to itself keeps the lights
    b.GetLight(0)->Position.x = 9.0f;
    const D3DLIGHT8 more = Numbered(2);
    for (int i = 0; i < 4; ++i) c.AddLight(&more);
    EXPECT_EQ(a.GetLight(0)->Position.x, 1.0f);
    EXPECT_EQ(a.GetLightsNum(), 1u);
    EXPECT_EQ(c.GetLightsNum(), 5u);
}

TEST(ShaderLightList, UVOffsetMatrixScalesThenShifts)
{
    CShaderLight context;
    context.SetUVScaleFactor(2.0f);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    EXPECT_TRUE(context.GetTextureMatrix() == identity); // not rebuilt by the scale alone
    context.SetUVOrigin(D3DXVECTOR2(0.25f, 0.5f));
    D3DXVECTOR4 uv(1.0f, 1.0f, 1.0f, 0.0f), out;
    D3DXVec4Transform(&out, &uv, &context.GetTextureMatrix());
    EXPECT_FLOAT_EQ(out.x, 2.25f);
    EXPECT_FLOAT_EQ(out.y, 2.5f);
    EXPECT_TRUE(context.GetTextureMatrix() == context.GetUVOffsetTexTM());
}

using ShaderLightUpload = ShaderDevice;

struct Transforms {
    D3DXMATRIX world, view, proj;
};

Transforms SetSample(CShaderLight& context)
{
    Transforms t;
    D3DXMatrixRotationX(&t.world, 0.3f);
    D3DXMatrixTranslation(&t.view, 0.0f, 0.0f, 5.0f);
    D3DXMatrixPerspectiveFovLH(&t.proj, 1.2f, 1.0f, 1.0f, 50.0f);
    context.SetTransform(D3DTS_WORLD, &t.world);
    context.SetTransform(D3DTS_VIEW, &t.view);
    context.SetTransform(D3DTS_PROJECTION, &t.proj);
    return t;
}

TEST_F(ShaderLightUpload, NoLightsUploadsEmptySlotsAndFixedRegisters)
{
    CShaderLight context;
    const Transforms t = SetSample(context);
    context.SetFogIntensity(0.75f);
    Poison();
    EXPECT_EQ(context.UpdateConstant(device), 0);

    D3DXMATRIX wv, wvp, wvpT, viewT, viewInv;
    D3DXMatrixMultiply(&wv, &t.world, &t.view);
    D3DXMatrixMultiply(&wvp, &wv, &t.proj);
    D3DXMatrixTranspose(&wvpT, &wvp);
    D3DXMatrixTranspose(&viewT, &t.view);
    D3DXMatrixInverse(&viewInv, nullptr, &t.view);
    ExpectRegistersEqual(device, 2, &wvpT._11, 4);
    ExpectRegistersEqual(device, 6, &viewT._11, 4);
    ExpectRegistersEqual(device, 10, &viewInv._11, 3);
    EXPECT_EQ(VS(0), V4(0, 0, 0, 0));
    EXPECT_EQ(VS(1), V4(1, 1, 1, 1));
    for (DWORD j = 0; j < 4; ++j) {
        EXPECT_EQ(VS(30 + j), V4(0, 0, 0, 0)) << j;
        EXPECT_EQ(VS(13 + j), V4(0, 0, 0, 1)) << j;
        EXPECT_EQ(VS(21 + j)[0], -77.0f) << j; // attenuation keeps its last value
        if (j < 3) {
            EXPECT_EQ(VS(49 + j), V4(0, 0, 0, 0)) << j;
            EXPECT_EQ(VS(52 + j), V4(0, 0, 0, 0)) << j;
        }
    }
    EXPECT_EQ(VS(55)[0], -77.0f);
    EXPECT_EQ(VS(59), V4(0, 0, -1, 0));
    EXPECT_EQ(VS(58), V4(0, 0, 0, 5.0f));
    EXPECT_EQ(VS(81), V4(0, 0, 0, 0));
    EXPECT_EQ(VS(82)[0], 1.0f);
    EXPECT_EQ(VS(90), V4(0.75f, 0, 0, 1.0f));
}

TEST_F(ShaderLightUpload, FirstFourLightsFillTheSlots)
{
    CShaderLight context;
    for (int i = 1; i <= 6; ++i) {
        const D3DLIGHT8 l = Numbered(i);
        context.AddLight(&l);
    }
    Poison();
    context.UpdateConstant(device);
    for (DWORD j = 0; j < 4; ++j) {
        const D3DLIGHT8 l = Numbered(int(j) + 1);
        EXPECT_EQ(VS(30 + j), V4(l.Diffuse.r, l.Diffuse.g, l.Diffuse.b, l.Diffuse.a)) << j;
        EXPECT_EQ(VS(21 + j), V4(l.Attenuation0, l.Attenuation1, l.Attenuation2, 0)) << j;
        EXPECT_EQ(VS(13 + j), V4(l.Position.x, l.Position.y, l.Position.z, 1)) << j;
        if (j < 3) {
            EXPECT_EQ(VS(49 + j), V4(l.Ambient.r, l.Ambient.g, l.Ambient.b, l.Ambient.a)) << j;
            EXPECT_EQ(VS(52 + j), V4(l.Specular.r, l.Specular.g, l.Specular.b, l.Specular.a)) << j;
        }
    }
    // Slot 3 has no ambient or specular register: c52 is slot 0's specular.
    EXPECT_EQ(VS(52)[0], 10.0f);
    EXPECT_EQ(VS(55)[0], -77.0f);
    EXPECT_EQ(VS(17)[0], -77.0f); // the fifth light is not uploaded
    EXPECT_EQ(VS(34)[0], -77.0f);

    // Removing lights empties the slots at the next update.
    context.DelLightBatch(2, 0xFFFFFFFF);
    context.UpdateConstant(device);
    EXPECT_EQ(VS(30)[0], 1.0f);
    EXPECT_EQ(VS(32), V4(0, 0, 0, 0));
    EXPECT_EQ(VS(15), V4(0, 0, 0, 1));
}

TEST_F(ShaderLightUpload, PositionsPassRootModelAndViewAndScaleAttenuation)
{
    CShaderLight context;
    SetSample(context);
    D3DXMATRIX root, model;
    D3DXMatrixTranslation(&root, 1.0f, 0.0f, 0.0f);
    D3DXMatrixScaling(&model, 2.0f, 2.0f, 2.0f);
    context.SetRootMatrix(&root);
    context.SetModelMatrix(&model);
    D3DLIGHT8 l = Numbered(0);
    l.Position = {3.0f, 0.0f, 0.0f};
    l.Attenuation0 = 0.5f;
    l.Attenuation1 = 1.0f;
    l.Attenuation2 = 1.0f;
    context.AddLight(&l);
    context.UpdateConstant(device);
    // (3,0,0) - root (1,0,0) = (2,0,0); model x2 = (4,0,0); view moves z by 5.
    const float position[4] = {4.0f, 0.0f, 5.0f, 1.0f};
    ExpectRegistersEqual(device, 13, position, 1);
    const float attenuation[4] = {0.5f, 0.5f, 0.25f, 0.0f};
    ExpectRegistersEqual(device, 21, attenuation, 1);

    context.EnableNegative(1);
    EXPECT_EQ(context.IsNegative(), 1);
    context.UpdateConstant(device);
    const float negated[4] = {-4.0f, 0.0f, -5.0f, -1.0f};
    ExpectRegistersEqual(device, 13, negated, 1);
}

TEST_F(ShaderLightUpload, UVOffsetRegistersAndFixedFunctionTransform)
{
    CShaderLight context;
    context.SetUVScaleFactor(2.0f);
    context.SetUVOrigin(0.25f, 0.5f, 0.0f, 0.0f);
    context.EnableUVOffset(1, 0);
    context.UpdateConstant(device);
    EXPECT_EQ(VS(81), V4(0.25f, 0.5f, 0, 0));
    EXPECT_EQ(VS(82)[0], 2.0f);
    context.SetUVScaleFactor(3.0f);
    context.UpdateConstant(device);
    EXPECT_EQ(VS(82)[0], 3.0f);

    IShaderContext::EnableNonShader(1);
    Poison();
    context.UpdateConstant(device);
    D3DXMATRIX texture;
    device->GetTransform(D3DTS_TEXTURE0, &texture);
    EXPECT_TRUE(texture == context.GetTextureMatrix());
    EXPECT_EQ(texture._11, 2.0f); // the scale set after the origin waits for the next SetUVOrigin
    EXPECT_EQ(Stage(0, D3DTSS_TEXTURETRANSFORMFLAGS), DWORD(D3DTTFF_COUNT2));
    EXPECT_EQ(VS(82)[0], -77.0f); // no constants in non-shader mode
    context.EnableUVOffset(0);
    context.UpdateConstant(device);
    EXPECT_EQ(Stage(0, D3DTSS_TEXTURETRANSFORMFLAGS), DWORD(D3DTTFF_DISABLE));
    IShaderContext::EnableNonShader(0);
}

} // namespace

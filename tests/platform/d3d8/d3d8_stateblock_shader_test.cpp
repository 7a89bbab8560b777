// State blocks carry shader handles and shader constants.
#include <array>

#include "d3d8_fixture.h"
#include "d3d8shadertokens.h"

namespace d3d8test {
namespace {

using Vec4 = std::array<float, 4>;

class StateBlockShaders : public DeviceTest {
protected:
    void SetUp() override
    {
        DeviceTest::SetUp();
        const DWORD decl[] = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_END()};
        ASSERT_EQ(dev->CreateVertexShader(decl, nullptr, &vs, 0), D3D_OK);
        // ps.1.1: mov r0, v0
        const DWORD ps[] = {D3DPS_VERSION(1, 1), D3DSIO_MOV, 0x800F0000u, 0x90E40000u, 0x0000FFFFu};
        ASSERT_EQ(dev->CreatePixelShader(ps, &psA), D3D_OK);
        ASSERT_EQ(dev->CreatePixelShader(ps, &psB), D3D_OK);
    }
    void TearDown() override
    {
        dev->SetVertexShader(kTLFvf);
        dev->SetPixelShader(0);
        dev->DeleteVertexShader(vs);
        dev->DeletePixelShader(psA);
        dev->DeletePixelShader(psB);
        DeviceTest::TearDown();
    }
    // Vertex shader, pixel shader, vertex constant 5 and pixel constant 3 at once.
    void SetAll(DWORD vertex, DWORD pixel, float v)
    {
        ASSERT_EQ(dev->SetVertexShader(vertex), D3D_OK);
        ASSERT_EQ(dev->SetPixelShader(pixel), D3D_OK);
        const Vec4 c{v, v + 1, v + 2, v + 3};
        ASSERT_EQ(dev->SetVertexShaderConstant(5, c.data(), 1), D3D_OK);
        ASSERT_EQ(dev->SetPixelShaderConstant(3, c.data(), 1), D3D_OK);
    }
    DWORD VertexShader()
    {
        DWORD h = 0xDEAD;
        EXPECT_EQ(dev->GetVertexShader(&h), D3D_OK);
        return h;
    }
    DWORD PixelShader()
    {
        DWORD h = 0xDEAD;
        EXPECT_EQ(dev->GetPixelShader(&h), D3D_OK);
        return h;
    }
    Vec4 VertexConstant(DWORD reg)
    {
        Vec4 c{-1, -1, -1, -1};
        EXPECT_EQ(dev->GetVertexShaderConstant(reg, c.data(), 1), D3D_OK);
        return c;
    }
    Vec4 PixelConstant(DWORD reg)
    {
        Vec4 c{-1, -1, -1, -1};
        EXPECT_EQ(dev->GetPixelShaderConstant(reg, c.data(), 1), D3D_OK);
        return c;
    }
    DWORD vs = 0, psA = 0, psB = 0;
};

TEST_F(StateBlockShaders, CreatedBlocksCoverTheShaderStateOfTheirType)
{
    struct Case {
        D3DSTATEBLOCKTYPE type;
        bool vertex, pixel;
    };
    const Case cases[] = {
        {D3DSBT_ALL, true, true}, {D3DSBT_PIXELSTATE, false, true}, {D3DSBT_VERTEXSTATE, true, false}};
    for (const Case& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.type));
        SetAll(vs, psA, 10.f);
        DWORD token = 0;
        ASSERT_EQ(dev->CreateStateBlock(c.type, &token), D3D_OK);
        SetAll(kTLFvf, psB, 20.f);
        ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
        EXPECT_EQ(VertexShader(), c.vertex ? vs : kTLFvf);
        EXPECT_EQ(VertexConstant(5), c.vertex ? (Vec4{10, 11, 12, 13}) : (Vec4{20, 21, 22, 23}));
        EXPECT_EQ(PixelShader(), c.pixel ? psA : psB);
        EXPECT_EQ(PixelConstant(3), c.pixel ? (Vec4{10, 11, 12, 13}) : (Vec4{20, 21, 22, 23}));

        // Capture takes the current values into the block; applying brings them back.
        SetAll(kTLFvf, 0, 30.f);
        ASSERT_EQ(dev->CaptureStateBlock(token), D3D_OK);
        SetAll(vs, psB, 40.f);
        ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
        EXPECT_EQ(VertexShader(), c.vertex ? kTLFvf : vs);
        EXPECT_EQ(VertexConstant(5), c.vertex ? (Vec4{30, 31, 32, 33}) : (Vec4{40, 41, 42, 43}));
        EXPECT_EQ(PixelShader(), c.pixel ? 0u : psB);
        EXPECT_EQ(PixelConstant(3), c.pixel ? (Vec4{30, 31, 32, 33}) : (Vec4{40, 41, 42, 43}));
        ASSERT_EQ(dev->DeleteStateBlock(token), D3D_OK);
    }
}

TEST_F(StateBlockShaders, RecordingKeepsShadersAndConstantsOutOfTheDevice)
{
    SetAll(kTLFvf, 0, 1.f);
    const Vec4 six{7, 7, 7, 7};
    ASSERT_EQ(dev->SetVertexShaderConstant(6, six.data(), 1), D3D_OK);
    ASSERT_EQ(dev->BeginStateBlock(), D3D_OK);
    const float two[8] = {50, 51, 52, 53, 60, 61, 62, 63};
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    ASSERT_EQ(dev->SetPixelShader(psA), D3D_OK);
    ASSERT_EQ(dev->SetVertexShaderConstant(4, two, 2), D3D_OK);
    ASSERT_EQ(dev->SetPixelShaderConstant(2, two + 4, 1), D3D_OK);
    EXPECT_EQ(dev->SetPixelShader(psB + 100), D3DERR_INVALIDCALL); // still checked while recording
    // The device state is untouched until the block is applied.
    EXPECT_EQ(VertexShader(), kTLFvf);
    EXPECT_EQ(PixelShader(), 0u);
    EXPECT_EQ(VertexConstant(5), (Vec4{1, 2, 3, 4}));
    DWORD token = 0;
    ASSERT_EQ(dev->EndStateBlock(&token), D3D_OK);
    ASSERT_EQ(dev->ApplyStateBlock(token), D3D_OK);
    EXPECT_EQ(VertexShader(), vs);
    EXPECT_EQ(PixelShader(), psA);
    EXPECT_EQ(VertexConstant(4), (Vec4{50, 51, 52, 53}));
    EXPECT_EQ(VertexConstant(5), (Vec4{60, 61, 62, 63}));
    EXPECT_EQ(VertexConstant(6), six); // not recorded, not changed
    EXPECT_EQ(PixelConstant(2), (Vec4{60, 61, 62, 63}));
    EXPECT_EQ(PixelConstant(3), (Vec4{1, 2, 3, 4}));
    ASSERT_EQ(dev->DeleteStateBlock(token), D3D_OK);
}

} // namespace
} // namespace d3d8test

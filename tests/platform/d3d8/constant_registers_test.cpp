// The vertex-shader constant register file: all 256 registers reachable, and
// a register file lowered by the host that behaves as a smaller device's.
#include "d3d8shadertokens.h"
#include "shader_fixture.h"

namespace shadertest {
namespace {

// Reads c[a0.x + 10] with a0.x taken from c0.x.
const char* kRelativeRead = "vs.1.1\nmov oPos, v0\nmov a0.x, c0.x\nmov oD0, c[a0.x + 10]\n";

class ConstantRegisters : public ShaderTest {
protected:
    // With kRelativeRead set: the colour drawn with a0.x = `a0`.
    void ExpectRelativeRead(float a0, D3DCOLOR expected)
    {
        SetConstant(0, a0, 0.f, 0.f, 0.f);
        DrawClipQuad();
        EXPECT_TRUE(PixelNear(32, 32, expected, 2)) << "a0.x = " << a0;
    }
};

TEST_F(ConstantRegisters, AllTwoHundredFiftySixAreReachable)
{
    D3DCAPS8 caps{};
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.MaxVertexShaderConst, 256u);
    const float k[8] = {};
    EXPECT_EQ(dev->SetVertexShaderConstant(255, k, 1), D3D_OK);
    EXPECT_EQ(dev->SetVertexShaderConstant(256, k, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetVertexShaderConstant(250, k, 7), D3DERR_INVALIDCALL);

    const DWORD vs = CreateVs(QuadDeclaration(), kRelativeRead);
    ASSERT_NE(vs, 0u);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    SetConstant(254, 0.f, 0.5f, 0.25f, 1.f);
    SetConstant(255, 1.f, 0.f, 0.5f, 1.f);
    ExpectRelativeRead(245.f, Rgba(1.f, 0.f, 0.5f, 1.f));
    ExpectRelativeRead(244.f, Rgba(0.f, 0.5f, 0.25f, 1.f));
}

TEST_F(ConstantRegisters, HostLowersTheRegisterFile)
{
    host::D3D8SetVertexShaderConstants(96);
    D3DCAPS8 caps{};
    ASSERT_EQ(d3d8test::D3D()->GetDeviceCaps(0, D3DDEVTYPE_HAL, &caps), D3D_OK);
    EXPECT_EQ(caps.MaxVertexShaderConst, 96u);
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.MaxVertexShaderConst, 96u);
    const float k[4] = {1.f, 1.f, 1.f, 1.f};
    EXPECT_EQ(dev->SetVertexShaderConstant(95, k, 1), D3D_OK);
    EXPECT_EQ(dev->SetVertexShaderConstant(96, k, 1), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->SetVertexShaderConstant(90, k, 7), D3DERR_INVALIDCALL);
    float back[4] = {};
    EXPECT_EQ(dev->GetVertexShaderConstant(96, back, 1), D3DERR_INVALIDCALL);

    std::vector<DWORD> decl = QuadDeclaration();
    const std::vector<DWORD> beyond = Assemble("vs.1.1\nmov oPos, v0\nmov a0.x, c0.x\nmov oD0, c[a0.x + 96]\n");
    DWORD vs = 0;
    EXPECT_EQ(dev->CreateVertexShader(decl.data(), beyond.data(), &vs, 0), D3DERR_INVALIDCALL);
    std::vector<DWORD> loads = {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_CONST(95, 2)};
    loads.insert(loads.end(), 8, 0u);
    loads.push_back(D3DVSD_END());
    EXPECT_EQ(dev->CreateVertexShader(loads.data(), nullptr, &vs, 0), D3DERR_INVALIDCALL);

    // A relative read past the last register gives 0, as on such a device.
    vs = CreateVs(decl, kRelativeRead);
    ASSERT_NE(vs, 0u);
    ASSERT_EQ(dev->SetVertexShader(vs), D3D_OK);
    SetConstant(95, 0.f, 1.f, 0.f, 1.f);
    ExpectRelativeRead(85.f, Rgba(0.f, 1.f, 0.f, 1.f));
    ExpectRelativeRead(86.f, Rgba(0.f, 0.f, 0.f, 1.f));

    host::D3D8SetVertexShaderConstants(0);
    ASSERT_EQ(dev->GetDeviceCaps(&caps), D3D_OK);
    EXPECT_EQ(caps.MaxVertexShaderConst, 256u);
    EXPECT_EQ(dev->SetVertexShaderConstant(96, k, 1), D3D_OK);
}

} // namespace
} // namespace shadertest

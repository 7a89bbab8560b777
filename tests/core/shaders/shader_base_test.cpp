#include <cstdio>
#include <cstring>
#include <string>

#include "shader_device.h"
#include "host/host_win32.h"
#include "kestu_shader.h"
#include "kestu_shadercontexts.h"

namespace {

constexpr char kVertexText[] = "vs.1.1\n"
                               "dp4 oPos.x, v0, c0\n"
                               "dp4 oPos.y, v0, c1\n"
                               "dp4 oPos.z, v0, c2\n"
                               "dp4 oPos.w, v0, c3\n"
                               "mov oD0, c4\n";
constexpr char kPixelText[] = "ps.1.1\n"
                              "mov r0, v0\n";

// Opens the protected parts a subclass may use.
class TestPair : public IShaderBase {
public:
    using IShaderBase::KeepFunction;
    void Require(DWORD vs, DWORD ps)
    {
        m_dwVertexShaderVersion = vs;
        m_dwPixelShaderVersion = ps;
    }
};

class CountingContext : public IShaderContext {
public:
    DWORD QueryInterface() const override { return 1; }
    long UpdateConstant(IDirect3DDevice8*) override
    {
        ++updates;
        return 0;
    }
    int updates = 0;
};

using ShaderPair = ShaderDevice;

TEST(ShaderPairBasics, NewPairHoldsTheDefaultFormatAndItsDeclaration)
{
    IShaderBase pair;
    EXPECT_EQ(pair.GetFVF(), 0x112u);
    DWORD expected[MAX_FVF_DECL_SIZE + 1] = {};
    ASSERT_EQ(D3DXDeclaratorFromFVF(0x112, expected), D3D_OK);
    EXPECT_EQ(std::memcmp(pair.GetVertexElement(), expected, sizeof(expected)), 0);
    EXPECT_EQ(pair.GetVertexShader(), 0u);
    EXPECT_EQ(pair.GetPixelShader(), 0u);
    EXPECT_EQ(pair.BuildFromData(nullptr, nullptr, SHADER_TYPE_VERTEX), E_FAIL);

    pair.SetFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    DWORD other[MAX_FVF_DECL_SIZE + 1] = {};
    ASSERT_EQ(D3DXDeclaratorFromFVF(D3DFVF_XYZ | D3DFVF_DIFFUSE, other), D3D_OK);
    EXPECT_EQ(std::memcmp(pair.GetVertexElement(), other, sizeof(other)), 0);

    // A declaration maps back to its FVF code, which then drives the fixed pipeline.
    EXPECT_EQ(pair.SetVertexElement(expected), 0);
    EXPECT_EQ(pair.GetVertexShader(), 0x112u);
    // Without an FVF equivalent (position in register 5) the handle stays.
    const DWORD odd[] = {D3DVSD_STREAM(0), D3DVSD_REG(5, D3DVSDT_FLOAT3), D3DVSD_END()};
    EXPECT_NE(pair.SetVertexElement(const_cast<DWORD*>(odd)), 0);
    EXPECT_EQ(pair.GetVertexShader(), 0x112u);
}

TEST(ShaderPairBasics, AssemblyKeepsTokensByTypeAndReportsErrors)
{
    IShaderBase pair;
    EXPECT_EQ(pair.Assemble(kVertexText, sizeof(kVertexText) - 1, SHADER_TYPE_VERTEX), D3D_OK);
    ASSERT_NE(pair.GetVertexShaderFunction(), nullptr);
    EXPECT_EQ(pair.GetVertexShaderFunction()[0], 0xFFFE0101u);
    EXPECT_EQ(pair.GetPixelShaderFunction(), nullptr);
    EXPECT_EQ(pair.Assemble(kPixelText, sizeof(kPixelText) - 1, SHADER_TYPE_PIXEL), D3D_OK);
    ASSERT_NE(pair.GetPixelShaderFunction(), nullptr);
    EXPECT_EQ(pair.GetPixelShaderFunction()[0], 0xFFFF0101u);

    host::ClearDebugOutput();
    const char bad[] = "vs.1.1\nfrobnicate r0, v0\n";
    EXPECT_TRUE(FAILED(pair.Assemble(bad, sizeof(bad) - 1, SHADER_TYPE_VERTEX)));
    EXPECT_FALSE(host::GetDebugOutputText().empty());
    EXPECT_EQ(pair.GetVertexShaderFunction()[0], 0xFFFE0101u); // the earlier tokens stay

    // A copy shares the tokens; releasing both frees them once.
    IShaderBase copy(pair);
    EXPECT_EQ(copy.GetVertexShaderFunction(), pair.GetVertexShaderFunction());
    pair.Release();
    EXPECT_EQ(pair.GetVertexShaderFunction(), nullptr);
    EXPECT_EQ(copy.GetVertexShaderFunction()[0], 0xFFFE0101u);
    copy.Release();
}

TEST(ShaderPairBasics, ManagerIsInert)
{
    CShaderManager manager;
    IShaderBase pair;
    EXPECT_EQ(manager.AddShader(&pair), E_FAIL);
    EXPECT_EQ(manager.RemoveShader(&pair), E_FAIL);
    EXPECT_EQ(manager.Build(nullptr), E_FAIL);
    EXPECT_EQ(manager.Release(), E_FAIL);
    EXPECT_EQ(manager.GetShader(), nullptr);
    CShaderManager copy(manager);
    copy = manager;
}

TEST(ShaderContextTransforms, EachStateRewritesOnlyItsGroup)
{
    CShaderFire context;
    D3DXMATRIX m;
    D3DXMatrixScaling(&m, 2.0f, 4.0f, 8.0f);
    m._41 = 1.0f;
    m._12 = 0.5f;
    context.SetTransform(1, &m);
    context.SetTransform(D3DTS_PROJECTION, nullptr);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (DWORD state : {DWORD(D3DTS_VIEW), DWORD(D3DTS_PROJECTION), DWORD(D3DTS_WORLD)})
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(context.GetTransformGroup(state)[i] == identity);
    EXPECT_EQ(context.GetTransformGroup(1), nullptr);

    context.SetTransform(D3DTS_PROJECTION, &m);
    const D3DXMATRIX* p = context.GetTransformGroup(D3DTS_PROJECTION);
    D3DXMATRIX t, inv, invT, product;
    D3DXMatrixTranspose(&t, &m);
    D3DXMatrixInverse(&inv, nullptr, &m);
    D3DXMatrixTranspose(&invT, &inv);
    EXPECT_TRUE(p[0] == m);
    EXPECT_TRUE(p[1] == t);
    EXPECT_TRUE(p[2] == inv);
    EXPECT_TRUE(p[3] == invT);
    D3DXMatrixMultiply(&product, &p[0], &p[2]);
    for (int r = 0; r < 4; ++r)
        for (int c = 0; c < 4; ++c) EXPECT_NEAR(product(r, c), r == c ? 1.0f : 0.0f, 1e-5f);
    for (int i = 0; i < 4; ++i) {
        EXPECT_TRUE(context.GetTransformGroup(D3DTS_VIEW)[i] == identity);
        EXPECT_TRUE(context.GetTransformGroup(D3DTS_WORLD)[i] == identity);
    }
}

TEST_F(ShaderPair, CheckDeviceCapsComparesRequiredVersions)
{
    TestPair pair;
    EXPECT_EQ(pair.CheckDeviceCaps(device), 0);
    pair.Require(0xFFFE0909, 0);
    EXPECT_EQ(pair.CheckDeviceCaps(device), E_FAIL);
    pair.Require(0, 0xFFFF0909);
    EXPECT_EQ(pair.CheckDeviceCaps(device), E_FAIL);
}

TEST_F(ShaderPair, BuildWithNothingAssembledCreatesNothing)
{
    IShaderBase pair;
    host::ClearDebugOutput();
    EXPECT_EQ(pair.Build(device), 0);
    EXPECT_EQ(pair.GetDevice(), device);
    EXPECT_EQ(pair.GetVertexShader(), 0u);
    EXPECT_EQ(pair.GetPixelShader(), 0u);
    EXPECT_EQ(host::GetDebugOutputText().find("Build FAILED"), std::string::npos);
}

TEST_F(ShaderPair, FailedCreationReportsBuildFailed)
{
    TestPair pair;
    const DWORD garbage[] = {0x12345678, 0x0000FFFF};
    pair.KeepFunction(garbage, sizeof(garbage), SHADER_TYPE_VERTEX);
    ASSERT_EQ(pair.Assemble(kPixelText, sizeof(kPixelText) - 1, SHADER_TYPE_PIXEL), D3D_OK);
    host::ClearDebugOutput();
    EXPECT_EQ(pair.Build(device), E_FAIL);
    EXPECT_EQ(pair.GetVertexShader(), 0u);
    const auto lines = host::GetDebugOutput();
    EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("Build FAILED\n")), lines.end());
    pair.Release();
}

TEST_F(ShaderPair, BuildFromFileNeedsReadableText)
{
    IShaderBase pair;
    EXPECT_EQ(pair.BuildFromFile(device, "no_such_shader.vsh", SHADER_TYPE_VERTEX), E_FAIL);
    EXPECT_EQ(pair.GetDevice(), device);
    const char* empty = "empty_shader.vsh";
    std::fclose(std::fopen(empty, "wb"));
    EXPECT_EQ(pair.BuildFromFile(device, empty, SHADER_TYPE_VERTEX), E_FAIL);
    EXPECT_EQ(pair.GetVertexShaderFunction(), nullptr);
    std::remove(empty);

    const char* text = "text_shader.psh";
    FILE* f = std::fopen(text, "wb");
    std::fwrite(kPixelText, 1, sizeof(kPixelText) - 1, f);
    std::fclose(f);
    pair.BuildFromFile(device, text, SHADER_TYPE_PIXEL);
    ASSERT_NE(pair.GetPixelShaderFunction(), nullptr);
    EXPECT_EQ(pair.GetPixelShaderFunction()[0], 0xFFFF0101u);
    std::remove(text);
    pair.Release();
}

TEST_F(ShaderPair, SetDeviceShaderUploadsThenBindsOrFallsBack)
{
    IShaderBase pair;
    pair.SetVertexShader(D3DFVF_XYZ | D3DFVF_DIFFUSE);
    CountingContext context;

    device->SetVertexShader(D3DFVF_XYZ);
    EXPECT_EQ(pair.SetDeviceShader(device, nullptr), 0);
    DWORD bound = 0;
    device->GetVertexShader(&bound);
    EXPECT_EQ(bound, DWORD(D3DFVF_XYZ | D3DFVF_DIFFUSE));

    IShaderContext::EnableNonShader(1);
    device->SetVertexShader(D3DFVF_XYZ);
    EXPECT_EQ(pair.SetDeviceShader(device, &context), 0);
    IShaderContext::EnableNonShader(0);
    device->GetVertexShader(&bound);
    EXPECT_EQ(bound, DWORD(D3DFVF_XYZ)); // the caller's format stays in force
    EXPECT_EQ(context.updates, 1);
    device->GetPixelShader(&bound);
    EXPECT_EQ(bound, 0u);

    EXPECT_EQ(pair.SetDeviceShader(device, &context), 0);
    EXPECT_EQ(context.updates, 2);
    pair.Release(); // a handle given by the client is only forgotten
    EXPECT_EQ(pair.GetVertexShader(), 0u);
}

TEST_F(ShaderPair, ReleaseDeletesOnlyCreatedShadersAndCopiesShareThem)
{
    IShaderBase pair;
    ASSERT_EQ(pair.Assemble(kVertexText, sizeof(kVertexText) - 1, SHADER_TYPE_VERTEX), D3D_OK);
    ASSERT_EQ(pair.Assemble(kPixelText, sizeof(kPixelText) - 1, SHADER_TYPE_PIXEL), D3D_OK);
    ASSERT_EQ(pair.Build(device), 0);
    const DWORD vs = pair.GetVertexShader(), ps = pair.GetPixelShader();
    ASSERT_NE(vs, 0u);
    ASSERT_NE(ps, 0u);

    // A pair that was only told the handles must not delete them.
    IShaderBase borrower;
    borrower.SetVertexShader(vs);
    borrower.SetPixelShader(ps);
    borrower.Release();
    EXPECT_EQ(device->SetVertexShader(vs), D3D_OK);
    EXPECT_EQ(device->SetPixelShader(ps), D3D_OK);

    IShaderBase copy(pair);
    pair.Release();
    EXPECT_EQ(device->SetVertexShader(vs), D3D_OK); // the copy still holds them
    device->SetVertexShader(D3DFVF_XYZ);
    device->SetPixelShader(0);
    copy.Release();
    EXPECT_NE(device->SetVertexShader(vs), D3D_OK);
    EXPECT_NE(device->SetPixelShader(ps), D3D_OK);
    device->SetVertexShader(D3DFVF_XYZ);
    device->SetPixelShader(0);

    // Building again lets the old shader go and binds a new one.
    IShaderBase again;
    ASSERT_EQ(again.Assemble(kVertexText, sizeof(kVertexText) - 1, SHADER_TYPE_VERTEX), D3D_OK);
    ASSERT_EQ(again.Build(device), 0);
    ASSERT_EQ(again.Build(device), 0);
    EXPECT_NE(again.GetVertexShader(), 0u);
    EXPECT_EQ(device->SetVertexShader(again.GetVertexShader()), D3D_OK);
    device->SetVertexShader(D3DFVF_XYZ);
    again.Release();
}

} // namespace

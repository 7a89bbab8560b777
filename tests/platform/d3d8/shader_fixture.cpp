#include "shader_fixture.h"

#include <algorithm>
#include <cmath>

#include "d3dx8core.h"

namespace shadertest {

std::vector<DWORD> Assemble(const std::string& text, std::vector<DWORD>* constants)
{
    ID3DXBuffer* code = nullptr;
    ID3DXBuffer* errors = nullptr;
    ID3DXBuffer* defs = nullptr;
    HRESULT hr = D3DXAssembleShader(text.data(), static_cast<UINT>(text.size()), 0, &defs, &code, &errors);
    if (constants) constants->clear();
    if (defs) {
        const auto* p = static_cast<const DWORD*>(defs->GetBufferPointer());
        if (constants) constants->assign(p, p + defs->GetBufferSize() / 4);
        defs->Release();
    }
    std::vector<DWORD> out;
    if (SUCCEEDED(hr) && code) {
        const auto* p = static_cast<const DWORD*>(code->GetBufferPointer());
        out.assign(p, p + code->GetBufferSize() / 4);
    } else {
        std::string msg = errors ? static_cast<const char*>(errors->GetBufferPointer()) : "";
        ADD_FAILURE() << "assembly failed: " << msg << "\n" << text;
    }
    if (code) code->Release();
    if (errors) errors->Release();
    return out;
}

std::vector<DWORD> QuadDeclaration()
{
    return {D3DVSD_STREAM(0), D3DVSD_REG(0, D3DVSDT_FLOAT3), D3DVSD_REG(7, D3DVSDT_FLOAT2), D3DVSD_END()};
}

D3DCOLOR Rgba(float r, float g, float b, float a)
{
    auto c = [](float f) { return static_cast<DWORD>(std::lround(std::clamp(f, 0.f, 1.f) * 255.f)); };
    return (c(a) << 24) | (c(r) << 16) | (c(g) << 8) | c(b);
}

void ShaderTest::TearDown()
{
    if (dev) {
        dev->SetVertexShader(D3DFVF_XYZ);
        dev->SetPixelShader(0);
        for (DWORD h : vertexShaders) EXPECT_EQ(dev->DeleteVertexShader(h), D3D_OK);
        for (DWORD h : pixelShaders) EXPECT_EQ(dev->DeletePixelShader(h), D3D_OK);
    }
    DeviceTest::TearDown();
}

DWORD ShaderTest::CreateVs(const std::vector<DWORD>& decl, const std::string& text)
{
    std::vector<DWORD> constants;
    std::vector<DWORD> code = text.empty() ? std::vector<DWORD>() : Assemble(text, &constants);
    std::vector<DWORD> full(decl.begin(), decl.end() - 1);
    for (DWORD t : constants)
        if (t != D3DVSD_END()) full.push_back(t);
    full.push_back(D3DVSD_END());
    DWORD h = 0;
    HRESULT hr = dev->CreateVertexShader(full.data(), code.empty() ? nullptr : code.data(), &h, 0);
    EXPECT_EQ(hr, D3D_OK) << text;
    if (SUCCEEDED(hr)) vertexShaders.push_back(h);
    return h;
}

DWORD ShaderTest::CreatePs(const std::string& text)
{
    std::vector<DWORD> code = Assemble(text);
    DWORD h = 0;
    HRESULT hr = code.empty() ? E_FAIL : dev->CreatePixelShader(code.data(), &h);
    EXPECT_EQ(hr, D3D_OK) << text;
    if (SUCCEEDED(hr)) pixelShaders.push_back(h);
    return h;
}

void ShaderTest::DrawClipQuad()
{
    struct V {
        float x, y, z, u, v;
    };
    const V q[4] = {{-1, 1, 0.5f, 0, 0}, {1, 1, 0.5f, 1, 0}, {-1, -1, 0.5f, 0, 1}, {1, -1, 0.5f, 1, 1}};
    ASSERT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLESTRIP, 2, q, sizeof(V)), D3D_OK);
}

void ShaderTest::SetConstant(DWORD reg, float x, float y, float z, float w) const
{
    const float c[4] = {x, y, z, w};
    ASSERT_EQ(dev->SetVertexShaderConstant(reg, c, 1), D3D_OK);
}

void ShaderTest::SetPsConstant(DWORD reg, float x, float y, float z, float w) const
{
    const float c[4] = {x, y, z, w};
    ASSERT_EQ(dev->SetPixelShaderConstant(reg, c, 1), D3D_OK);
}

} // namespace shadertest

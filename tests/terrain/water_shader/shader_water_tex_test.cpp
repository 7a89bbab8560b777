// The shader water's texture generator: its tables, the bump texture drawn in
// five passes against the same sums on the CPU, the scroll of the noise, and
// what it restores after drawing.
#include <cstdlib>

#include "water_fixture.h"

namespace watertest {
namespace {

class WaterTex : public WaterDevice {
protected:
    void TearDown() override
    {
        tex.Release();
        WaterDevice::TearDown();
    }
    // Texel i of the cosine table, linearly sampled at coordinate x with wrapping, 0..1.
    float SampleTable(const std::vector<DWORD>& table, float x) const
    {
        const float t = x * 256.0f - 0.5f;
        const float f = std::floor(t);
        const int i0 = ((int(f) % 256) + 256) % 256, i1 = (i0 + 1) % 256;
        const float w = t - f;
        return ((table[i0] >> 16 & 0xFF) * (1 - w) + (table[i1] >> 16 & 0xFF) * w) / 255.0f;
    }
    static std::vector<DWORD> Texels(CTexture* t, UINT w, UINT h)
    {
        std::vector<DWORD> out;
        D3DLOCKED_RECT r{};
        if (FAILED(t->GetD3DTexture()->LockRect(0, &r, nullptr, D3DLOCK_READONLY))) return out;
        for (UINT y = 0; y < h; ++y) {
            const auto* row = reinterpret_cast<const DWORD*>(static_cast<const BYTE*>(r.pBits) + y * r.Pitch);
            out.insert(out.end(), row, row + w);
        }
        t->GetD3DTexture()->UnlockRect(0);
        return out;
    }
    TexView tex;
};

TEST_F(WaterTex, BuildsTablesFromTheDrawsAndASecondBuildChangesNothing)
{
    std::srand(321);
    std::vector<DWORD> expectedNoise;
    for (int i = 0; i < 256 * 256; ++i) {
        const double a = std::rand() / 32767.0, b = std::rand() / 32767.0;
        expectedNoise.push_back(0xFF000000u | (DWORD(a * 255.999) << 16) | DWORD(b * 255.999));
    }
    std::srand(321);
    ASSERT_EQ(tex.Build(device), 0);
    EXPECT_TRUE(tex.IsBuild());
    EXPECT_EQ(Texels(tex.m_pNoiseMap, 256, 256), expectedNoise);

    const std::vector<DWORD> table = Texels(tex.GetCosineLUT(), 256, 1);
    ASSERT_EQ(table.size(), 256u);
    for (int i = 0; i < 256; ++i) {
        const float a = float(i) * 6.2831855f / 255.0f;
        const double v = (float(0.5 * std::sin(a) + 0.5) * std::cos(a) + 1.0) * 0.5 * 255.99899291992188;
        const int byte = int(v) & 0xFF;
        EXPECT_NEAR(int(table[i] >> 16 & 0xFF), byte, 1) << i;
        EXPECT_EQ(table[i] & 0xFF, table[i] >> 16 & 0xFF) << i;
        EXPECT_EQ(table[i] & 0xFF00FF00u, 0xFF00FF00u) << i;
    }

    CTexture* bump = tex.GetBumpTex();
    const DWORD vs = tex.m_dwCosineVS;
    ASSERT_NE(bump, nullptr);
    EXPECT_EQ(bump->GetTexWidth(), 256u);
    EXPECT_EQ(tex.Build(device), 0);
    EXPECT_EQ(tex.GetBumpTex(), bump);
    EXPECT_EQ(tex.m_dwCosineVS, vs);
}

TEST_F(WaterTex, StillSurfaceWithoutNoiseIsOneHalf)
{
    ArmGuards();
    ASSERT_EQ(tex.Build(device), 0);
    Kestu::TexState state = StillState(0.0f);
    std::vector<Kestu::TexWaveDesc> waves = StillWaves();
    ASSERT_EQ(tex.RenderTex(&state, waves.data()), 0);
    const kestu_test::Image bump = ReadTexture(tex.GetBumpTex());
    ASSERT_EQ(bump.width, 256);
    for (int y = 0; y < 256; y += 17)
        for (int x = 0; x < 256; x += 13) {
            const uint32_t c = At(bump, x, y);
            EXPECT_NEAR(Red(c), 127.5, 1) << x << "," << y;
            EXPECT_NEAR(Blue(c), 127.5, 1) << x << "," << y;
            EXPECT_EQ(Green(c), 255) << x << "," << y;
        }
}

// One wave of fade 1 among still ones: red and blue follow its slope along u and v.
TEST_F(WaterTex, CosineWaveMatchesCpuSum)
{
    ArmGuards();
    ASSERT_EQ(tex.Build(device), 0);
    const std::vector<DWORD> table = Texels(tex.GetCosineLUT(), 256, 1);
    Kestu::TexState state = StillState(0.0f);
    std::vector<Kestu::TexWaveDesc> waves = StillWaves();
    Kestu::TexWaveDesc& w = waves[6]; // second wave of the second pass
    w.vRepeat = D3DXVECTOR2(3.0f, -4.0f);
    w.vDir = D3DXVECTOR2(0.6f, -0.8f);
    w.fPhase = 0.3f;
    w.fFade = 1.0f;
    ASSERT_EQ(tex.RenderTex(&state, waves.data()), 0);
    const kestu_test::Image bump = ReadTexture(tex.GetBumpTex());
    ASSERT_EQ(bump.width, 256);
    const float s = 0.5f / 4.0f;
    int checked = 0;
    for (int y = 3; y < 256; y += 11)
        for (int x = 5; x < 256; x += 7) {
            const float u = (x + 0.5f) / 256.0f, v = (256 - y + 0.5f) / 256.0f;
            const float L = SampleTable(table, 3.0f * u - 4.0f * v + 0.3f);
            const float red = 0.5f + s * 0.25f * 0.6f * (2 * L - 1);
            const float blue = 0.5f + s * 0.25f * -0.8f * (2 * L - 1);
            const uint32_t c = At(bump, x, y);
            EXPECT_NEAR(Red(c), red * 255, 2.5) << x << "," << y;
            EXPECT_NEAR(Blue(c), blue * 255, 2.5) << x << "," << y;
            ++checked;
        }
    EXPECT_GT(checked, 500);
}

// The noise pass adds q (1 + (n0 - 0.5) + (n1 - 0.5)) in red and blue; its
// scroll offsets grow by a tenth of the time step.
TEST_F(WaterTex, NoisePassMatchesCpuSampleAndScrolls)
{
    ArmGuards();
    ASSERT_EQ(tex.Build(device), 0);
    const std::vector<DWORD> noise = Texels(tex.m_pNoiseMap, 256, 256);
    Kestu::TexState state = StillState(0.5f);
    std::vector<Kestu::TexWaveDesc> waves = StillWaves();
    tex.FrameMove(0.0f);
    ASSERT_EQ(tex.RenderTex(&state, waves.data()), 0);
    float before[6][4];
    ASSERT_EQ(device->GetVertexShaderConstant(0, before, 6), D3D_OK);
    tex.FrameMove(2.5f);
    ASSERT_EQ(tex.RenderTex(&state, waves.data()), 0);
    float c[6][4];
    ASSERT_EQ(device->GetVertexShaderConstant(0, c, 6), D3D_OK);
    const float step = 0.25f;
    EXPECT_NEAR(std::fmod(c[0][3] - before[0][3] + 1.0f, 1.0f), step, 1e-4);
    EXPECT_NEAR(std::fmod(c[3][3] - before[3][3] + 1.0f, 1.0f), step, 1e-4);
    EXPECT_EQ(c[0][0], 20.0f);
    EXPECT_EQ(c[1][1], 20.0f);
    const float q = 0.5f * 0.5f / 4.5f;
    EXPECT_FLOAT_EQ(c[5][0], q);
    EXPECT_FLOAT_EQ(c[5][2], q);
    EXPECT_FLOAT_EQ(c[4][3], 2.0f);

    auto sample = [&](float u, float v, int shift) {
        const float tu = u * 256 - 0.5f, tv = v * 256 - 0.5f;
        const float fu = std::floor(tu), fv = std::floor(tv);
        const float wu = tu - fu, wv = tv - fv;
        auto texel = [&](int i, int j) {
            return float(noise[size_t(((j % 256) + 256) % 256) * 256 + ((i % 256) + 256) % 256] >> shift & 0xFF) / 255;
        };
        const int i = int(fu), j = int(fv);
        return (texel(i, j) * (1 - wu) + texel(i + 1, j) * wu) * (1 - wv) +
               (texel(i, j + 1) * (1 - wu) + texel(i + 1, j + 1) * wu) * wv;
    };
    const kestu_test::Image bump = ReadTexture(tex.GetBumpTex());
    ASSERT_EQ(bump.width, 256);
    for (int y = 2; y < 256; y += 23)
        for (int x = 1; x < 256; x += 19) {
            const float u = (x + 0.5f) / 256.0f, v = (256 - y + 0.5f) / 256.0f;
            const float u0 = 20 * u + c[0][3], v0 = 20 * v, u1 = 20 * u, v1 = 20 * v + c[3][3];
            const float red = 0.5f + q * (sample(u0, v0, 16) + sample(u1, v1, 16) - 1);
            const float blue = 0.5f + q * (sample(u0, v0, 0) + sample(u1, v1, 0) - 1);
            const uint32_t px = At(bump, x, y);
            EXPECT_NEAR(Red(px), red * 255, 3) << x << "," << y;
            EXPECT_NEAR(Blue(px), blue * 255, 3) << x << "," << y;
            EXPECT_EQ(Green(px), 255);
        }
}

TEST_F(WaterTex, RenderTexPutsTargetDepthTransformsAndStatesBack)
{
    ArmGuards();
    ASSERT_EQ(tex.Build(device), 0);
    const Targets before(device);
    ASSERT_NE(before.target, nullptr);
    ASSERT_NE(before.depth, nullptr);
    D3DXMATRIX world, view, proj;
    D3DXMatrixTranslation(&world, 1, 2, 3);
    D3DXMatrixRotationY(&view, 0.7f);
    D3DXMatrixPerspectiveFovLH(&proj, 1.0f, 1.0f, 1.0f, 100.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    const std::pair<D3DRENDERSTATETYPE, DWORD> states[] = {{D3DRS_ALPHABLENDENABLE, FALSE},
                                                           {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
                                                           {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
                                                           {D3DRS_ZENABLE, TRUE},
                                                           {D3DRS_CULLMODE, D3DCULL_CW}};
    for (auto [s, v] : states) device->SetRenderState(s, v);
    for (DWORD stage = 0; stage < 4; ++stage) {
        device->SetTextureStageState(stage, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(stage, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
        device->SetTextureStageState(stage, D3DTSS_MINFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(stage, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(stage, D3DTSS_MIPFILTER, D3DTEXF_NONE);
    }

    Kestu::TexState state = StillState(0.04f);
    std::vector<Kestu::TexWaveDesc> waves = StillWaves();
    ASSERT_EQ(tex.RenderTex(&state, waves.data()), 0);

    EXPECT_TRUE(Targets(device) == before);
    D3DXMATRIX m;
    device->GetTransform(D3DTS_WORLD, &m);
    EXPECT_EQ(std::memcmp(&m, &world, sizeof m), 0);
    device->GetTransform(D3DTS_VIEW, &m);
    EXPECT_EQ(std::memcmp(&m, &view, sizeof m), 0);
    device->GetTransform(D3DTS_PROJECTION, &m);
    EXPECT_EQ(std::memcmp(&m, &proj, sizeof m), 0);
    for (auto [s, v] : states) {
        DWORD now = 0;
        device->GetRenderState(s, &now);
        EXPECT_EQ(now, v) << "render state " << s;
    }
    for (DWORD stage = 0; stage < 4; ++stage) {
        const std::pair<D3DTEXTURESTAGESTATETYPE, DWORD> stageStates[] = {{D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP},
                                                                          {D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR},
                                                                          {D3DTSS_MINFILTER, D3DTEXF_POINT},
                                                                          {D3DTSS_MAGFILTER, D3DTEXF_POINT},
                                                                          {D3DTSS_MIPFILTER, D3DTEXF_NONE}};
        for (auto [t, v] : stageStates) {
            DWORD now = 0;
            device->GetTextureStageState(stage, t, &now);
            EXPECT_EQ(now, v) << "stage " << stage << " state " << t;
        }
    }
    DWORD vs = 1, ps = 1;
    device->GetVertexShader(&vs);
    device->GetPixelShader(&ps);
    EXPECT_EQ(vs, 0u);
    EXPECT_EQ(ps, 0u);
    // The textures stay bound.
    IDirect3DBaseTexture8* bound = nullptr;
    device->GetTexture(3, &bound);
    EXPECT_EQ(bound, static_cast<IDirect3DBaseTexture8*>(tex.GetCosineLUT()->GetD3DTexture()));
    if (bound) bound->Release();
}

// A device reset: new shaders, the bump texture made again, the tables and
// the quad kept; a released generator builds again.
TEST_F(WaterTex, InvalidateRestoreAndReleaseBuildAgain)
{
    ASSERT_EQ(tex.Build(device), 0);
    CTexture* noise = tex.m_pNoiseMap;
    CTexture* table = tex.GetCosineLUT();
    IDirect3DVertexBuffer8* quad = tex.m_pQuad;
    IDirect3DTexture8* bump = tex.GetBumpTex()->GetD3DTexture();
    bump->AddRef();
    EXPECT_EQ(tex.Invalidate(), 0);
    EXPECT_EQ(tex.m_dwCosineVS, 0u);
    EXPECT_EQ(tex.m_dwNoisePS, 0u);
    EXPECT_EQ(tex.GetBumpTex()->GetD3DTexture(), nullptr);
    EXPECT_EQ(bump->Release(), 0u); // the generator held the only other reference
    ASSERT_EQ(tex.Restore(), 0);
    EXPECT_NE(tex.m_dwCosineVS, 0u);
    EXPECT_NE(tex.m_dwCosinePS, 0u);
    EXPECT_NE(tex.m_dwNoiseVS, 0u);
    EXPECT_NE(tex.m_dwNoisePS, 0u);
    EXPECT_NE(tex.GetBumpTex()->GetD3DTexture(), nullptr);
    EXPECT_EQ(tex.m_pNoiseMap, noise);
    EXPECT_EQ(tex.GetCosineLUT(), table);
    EXPECT_EQ(tex.m_pQuad, quad);

    tex.Release();
    EXPECT_FALSE(tex.IsBuild());
    EXPECT_EQ(tex.GetBumpTex(), nullptr);
    EXPECT_EQ(tex.m_pQuad, nullptr);
    ASSERT_EQ(tex.Build(device), 0);
    EXPECT_NE(tex.GetBumpTex(), nullptr);
}

// A build whose noise map cannot be made keeps neither that nor the shaders
// made before it, leaves the flag clear and can be tried again.
TEST_F(WaterTex, FailedBuildLeavesNothing)
{
    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, E_OUTOFMEMORY, 1);
    EXPECT_EQ(tex.Build(device), E_FAIL);
    EXPECT_FALSE(tex.IsBuild());
    EXPECT_EQ(tex.GetBumpTex(), nullptr);
    EXPECT_EQ(tex.GetCosineLUT(), nullptr);
    EXPECT_EQ(tex.m_pNoiseMap, nullptr);
    EXPECT_EQ(tex.m_pQuad, nullptr);
    EXPECT_EQ(tex.m_dwCosineVS, 0u);
    EXPECT_EQ(tex.m_dwNoisePS, 0u);
    ASSERT_EQ(tex.Build(device), 0);
    EXPECT_TRUE(tex.IsBuild());
}

} // namespace
} // namespace watertest

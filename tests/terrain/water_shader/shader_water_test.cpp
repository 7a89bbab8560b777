// The shader water: which devices carry it, building, the waves it makes and
// moves on, its constants and states, and the drawn water against the same
// computation on the CPU.
#include <cstdlib>

#include "water_reference.h"

namespace watertest {
namespace {

class ShaderWater : public WaterDevice {
protected:
    void SetUp() override
    {
        WaterDevice::SetUp();
        ASSERT_EQ(cube.Build(device), 0);
        ASSERT_EQ(tex.Build(device), 0);
    }
    void TearDown() override
    {
        water.Release();
        tex.Release();
        cube.Release();
        WaterDevice::TearDown();
    }
    // Still texture waves and no noise: the bump normal is straight up.
    void StillBump()
    {
        water.m_TexState.fNoise = 0.0f;
        for (auto& w : water.m_TexWaves) w.fFade = 0.0f;
    }
    // The bump normal the water samples (the texture is uniform when still).
    D3DXVECTOR3 BumpNormal()
    {
        const uint32_t c = At(ReadTexture(tex.GetBumpTex()), 100, 100);
        return D3DXVECTOR3(2 * Red(c) / 255.0f - 1, 2 * Green(c) / 255.0f - 1, 2 * Blue(c) / 255.0f - 1);
    }
    // A grid of n x n cells over [x0, x1] x [z0, z1] at height y.
    static std::vector<Kestu::ShaderWaterVertex> Grid(float x0, float x1, float z0, float z1, float y, int n,
                                                      DWORD colour)
    {
        std::vector<Kestu::ShaderWaterVertex> v;
        auto at = [&](int i, int j) {
            const float x = x0 + (x1 - x0) * i / n, z = z0 + (z1 - z0) * j / n;
            return Kestu::ShaderWaterVertex{x, y, z, 0, 1, 0, colour, 0, 0};
        };
        for (int j = 0; j < n; ++j)
            for (int i = 0; i < n; ++i)
                for (auto [di, dj] : {std::pair{0, 0}, {0, 1}, {1, 0}, {1, 0}, {0, 1}, {1, 1}})
                    v.push_back(at(i + di, j + dj));
        return v;
    }
    static void Draw(const std::vector<Kestu::ShaderWaterVertex>& v, D3DPRIMITIVETYPE type = D3DPT_TRIANGLELIST)
    {
        const UINT count = type == D3DPT_POINTLIST ? UINT(v.size()) : UINT(v.size() / 3);
        ASSERT_EQ(device->DrawPrimitiveUP(type, count, v.data(), sizeof(Kestu::ShaderWaterVertex)), D3D_OK);
    }
    Constants CurrentConstants()
    {
        D3DXMATRIX world, view, proj;
        device->GetTransform(D3DTS_WORLD, &world);
        device->GetTransform(D3DTS_VIEW, &view);
        device->GetTransform(D3DTS_PROJECTION, &proj);
        return ReferenceConstants(water, world, view, proj);
    }

    ColourCube cube;
    TexView tex;
    WaterView water;
};

TEST_F(ShaderWater, NeedsThirtyConstantsFourTexturesAndShaders11)
{
    EXPECT_EQ(Kestu::CShaderWater::IsSupportShaderWater(device), 0);
    const std::function<void(D3DCAPS8&)> spoil[] = {[](D3DCAPS8& c) { c.MaxVertexShaderConst = 29; },
                                                    [](D3DCAPS8& c) { c.MaxSimultaneousTextures = 3; },
                                                    [](D3DCAPS8& c) { c.VertexShaderVersion = D3DVS_VERSION(1, 0); },
                                                    [](D3DCAPS8& c) { c.PixelShaderVersion = D3DPS_VERSION(1, 0); },
                                                    [](D3DCAPS8& c) { c.VertexShaderVersion = 0; }};
    for (size_t k = 0; k < std::size(spoil); ++k) {
        host::D3D8SetCapsFilter([&](D3DDEVTYPE, D3DCAPS8& c) { spoil[k](c); });
        EXPECT_EQ(Kestu::CShaderWater::IsSupportShaderWater(device), E_FAIL) << k;
        std::srand(5);
        const int next = std::rand();
        std::srand(5);
        EXPECT_EQ(water.Build(device, &cube, &tex), E_FAIL) << k;
        EXPECT_EQ(std::rand(), next) << "no wave was made";
    }
    host::D3D8SetCapsFilter(nullptr);
    EXPECT_EQ(Kestu::CShaderWater::IsSupportShaderWater(nullptr), E_FAIL);
}

TEST_F(ShaderWater, BuildNeedsItsPartnersAndASecondBuildChangesNothing)
{
    EXPECT_EQ(water.Build(device, nullptr, &tex), E_FAIL);
    EXPECT_EQ(water.Build(device, &cube, nullptr), E_FAIL);
    EXPECT_FALSE(water.IsBuild());
    EXPECT_EQ(water.m_dwVertexShader, 0u);
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    EXPECT_TRUE(water.IsBuild());
    EXPECT_EQ(Kestu::RenderStateGuard::GetDevice(), device);
    EXPECT_EQ(Kestu::TextureStageStateGuard::GetDevice(), device);
    const DWORD vs = water.m_dwVertexShader, ps = water.m_dwPixelShader;
    EXPECT_NE(vs, 0u);
    EXPECT_NE(ps, 0u);
    const float phase = water.m_GeoWaves[0].fPhase;
    EXPECT_EQ(water.Build(device, &cube, &tex), 0);
    EXPECT_EQ(water.m_dwVertexShader, vs);
    EXPECT_EQ(water.m_GeoWaves[0].fPhase, phase);
    // A device reset gives new shaders; a released water builds again.
    EXPECT_EQ(water.Invalidate(), 0);
    EXPECT_EQ(water.m_dwVertexShader, 0u);
    ASSERT_EQ(water.Restore(), 0);
    EXPECT_NE(water.m_dwVertexShader, 0u);
    water.Release();
    EXPECT_FALSE(water.IsBuild());
    EXPECT_EQ(water.m_dwPixelShader, 0u);
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    EXPECT_TRUE(water.IsBuild());
}

// The waves against the generation formulas, drawing the same numbers.
TEST_F(ShaderWater, GeneratesWavesFromTheSettings)
{
    std::srand(99);
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    std::srand(99);
    auto unit = [] { return std::rand() / 32767.0; };
    auto sign = [] { return std::rand() * 2.0 / 32767.0 - 1.0; };
    const Kestu::TexState& t = water.m_TexState;
    EXPECT_FLOAT_EQ(t.fNoise, 0.04f);
    EXPECT_EQ(t.vWindDir, D3DXVECTOR2(0, 2));
    EXPECT_FLOAT_EQ(t.fFadeRate, -0.2f);
    for (int i = 0; i < 16; ++i) {
        const Kestu::TexWaveDesc& w = water.m_TexWaves[i];
        const double a = sign() * 15 * 0.017453292f;
        const double rx = 2 * std::sin(a), ry = 2 * std::cos(a);
        const double len = 256 / 25.0 + (2560 / 25.0 - 256 / 25.0) * i / 15.0;
        const double R = 256 / len;
        const double repX = std::round(R * rx), repY = std::round(R * ry);
        EXPECT_EQ(w.vRepeat.x, float(repX)) << i;
        EXPECT_EQ(w.vRepeat.y, float(repY)) << i;
        const double m = std::hypot(repX, repY);
        EXPECT_NEAR(w.fLength, 256 / m, 1e-3) << i;
        EXPECT_NEAR(w.vDir.x * w.vDir.x + w.vDir.y * w.vDir.y, 1.0, 1e-5) << i;
        EXPECT_NEAR(w.fPhase, unit(), 1e-6) << i;
        EXPECT_EQ(w.fFade, 1.0f);
        EXPECT_NEAR(w.fSpeed, (1 + 0.1 * sign()) / (3 * std::sqrt(w.fLength * 0.0053051645)), 1e-5) << i;
    }
    EXPECT_GT(water.m_TexWaves[15].fLength, water.m_TexWaves[0].fLength * 5);
    const Kestu::GeoState& g = water.m_GeoState;
    EXPECT_FLOAT_EQ(g.fChop, 2.5f);
    EXPECT_FLOAT_EQ(g.fEnvRadius, 200.0f);
    EXPECT_FLOAT_EQ(g.fFadeRate, -1.0f / 6);
    for (int i = 0; i < 4; ++i) {
        const Kestu::GeoWaveDesc& w = water.m_GeoWaves[i];
        EXPECT_NEAR(w.fPhase, unit() * 6.2831854820251465, 1e-5) << i;
        const double len = unit() * 10 + 15;
        EXPECT_NEAR(w.fLen, len, 1e-4) << i;
        EXPECT_NEAR(w.fAmp, len * 0.01 * 0.25, 1e-6) << i;
        EXPECT_NEAR(w.fFreq, 6.2831853 / len, 1e-5) << i;
        const double a = sign() * 15 * 0.017453292f;
        EXPECT_NEAR(w.fDirX, std::sin(a), 1e-6) << i;
        EXPECT_NEAR(w.fDirZ, std::cos(a), 1e-6) << i;
    }
}

// No wind, or one too weak for a whole repeat, still gives finite waves and constants.
TEST_F(ShaderWater, ZeroWindGivesFiniteWavesAndConstants)
{
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    for (D3DXVECTOR2 wind : {D3DXVECTOR2(0, 0), D3DXVECTOR2(0.001f, -0.002f), D3DXVECTOR2(-0.003f, 0.0f)}) {
        water.SetTexWindDir(wind);
        water.SetGeoWindDir(wind);
        for (int i = 0; i < 16; ++i) water.InitTexWave(i);
        for (int i = 0; i < 4; ++i) water.InitGeoWave(i);
        for (const auto& w : water.m_TexWaves) {
            for (float f : {w.fLength, w.fSpeed, w.vDir.x, w.vDir.y, w.vRepeat.x, w.vRepeat.y})
                EXPECT_TRUE(std::isfinite(f));
            EXPECT_NEAR(std::hypot(w.vDir.x, w.vDir.y), 1.0, 1e-6);
            EXPECT_GE(std::hypot(w.vRepeat.x, w.vRepeat.y), 1.0);
        }
        ASSERT_EQ(water.FrameMove(0.25f, D3DXVECTOR3(0, 10, 0), D3DXVECTOR3(0, 10, 0)), 0);
        D3DXMATRIX id;
        D3DXMatrixIdentity(&id);
        float c[30][4];
        water.ComputeWaterParams(id, id, id, c);
        for (auto& row : c)
            for (float f : row) EXPECT_TRUE(std::isfinite(f));
    }
}

// With the defaults texture wave 0 fades out over 5 units, is made anew and
// fades in over 5 more, then wave 1 starts; geometry waves take 6 and 6.
TEST_F(ShaderWater, OneWaveAtATimeFadesOutIsMadeAnewAndFadesIn)
{
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    const D3DXVECTOR3 eye(0, 5, 0);
    const float step = 0.3f;
    WaterView fresh;
    int frame = 0;
    for (; frame < 16; ++frame) water.FrameMove(step, eye, eye);
    EXPECT_NEAR(water.m_TexWaves[0].fFade, 1 - 16 * 0.06f, 1e-4);
    EXPECT_EQ(water.m_TexWaves[1].fFade, 1.0f);
    // The 17th frame (5.1 units) takes it below 0: made anew from the next draws.
    std::srand(1234);
    fresh.m_TexState = water.m_TexState;
    fresh.InitTexWave(0);
    std::srand(1234);
    water.FrameMove(step, eye, eye);
    ++frame;
    EXPECT_EQ(water.m_TexWaves[0].vRepeat, fresh.m_TexWaves[0].vRepeat);
    EXPECT_FLOAT_EQ(water.m_TexWaves[0].fSpeed, fresh.m_TexWaves[0].fSpeed);
    EXPECT_EQ(water.m_TexWaves[0].fFade, 0.0f);
    EXPECT_FLOAT_EQ(water.m_TexState.fFadeRate, 0.2f);
    EXPECT_EQ(water.m_TexState.nFadingWave, 0);
    // Geometry wave 0 (rate 1/6 per unit) is at 1 - 5.1 / 6 by now.
    EXPECT_NEAR(water.m_GeoWaves[0].fFade, 1 - 17 * step / 6, 1e-4);
    for (; frame < 34; ++frame) water.FrameMove(step, eye, eye);
    // Faded in again on frame 34 (5.1 units later); wave 1 has begun in the same frame.
    EXPECT_EQ(water.m_TexWaves[0].fFade, 1.0f);
    EXPECT_FLOAT_EQ(water.m_TexState.fFadeRate, -0.2f);
    EXPECT_EQ(water.m_TexState.nFadingWave, 1);
    EXPECT_NEAR(water.m_TexWaves[1].fFade, 0.94f, 1e-4);
    for (const auto& w : water.m_TexWaves) EXPECT_LT(std::fabs(w.fPhase), 1.0f);
    // Geometry wave 0 faded out at 6 units (frame 21) and in again by 12 (frame 41).
    EXPECT_EQ(water.m_GeoState.nFadingWave, 0);
    for (; frame < 41; ++frame) water.FrameMove(step, eye, eye);
    EXPECT_EQ(water.m_GeoState.nFadingWave, 1);
    EXPECT_EQ(water.m_GeoWaves[0].fFade, 1.0f);
    for (const auto& w : water.m_GeoWaves) {
        EXPECT_GE(w.fPhase, 0.0f);
        EXPECT_LT(w.fPhase, 6.2831855f);
        EXPECT_NEAR(w.fAmp, w.fFade * 0.01f * w.fLen * 0.25f, 1e-6);
    }
}

// Elapsed 0 moves nothing but draws the bump texture again.
TEST_F(ShaderWater, StandingStillStillDrawsTheBumpTexture)
{
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    const D3DXVECTOR3 eye(0, 5, 0);
    water.FrameMove(0.5f, eye, eye);
    const kestu_test::Image drawn = ReadTexture(tex.GetBumpTex());
    const float texPhase = water.m_TexWaves[3].fPhase, geoPhase = water.m_GeoWaves[2].fPhase;
    IDirect3DSurface8* s = nullptr;
    ASSERT_EQ(tex.GetBumpTex()->GetD3DTexture()->GetSurfaceLevel(0, &s), D3D_OK);
    {
        const Targets before(device);
        device->SetRenderTarget(s, nullptr);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        device->SetRenderTarget(before.target, before.depth);
    }
    s->Release();
    EXPECT_EQ(At(ReadTexture(tex.GetBumpTex()), 100, 100) & 0xFFFFFF, 0u);
    water.FrameMove(0.0f, eye, eye);
    EXPECT_EQ(water.m_TexWaves[3].fPhase, texPhase);
    EXPECT_EQ(water.m_GeoWaves[2].fPhase, geoPhase);
    // The noise scroll stands still too, so the picture is the same again.
    EXPECT_TRUE(kestu_test::ImagesNear(ReadTexture(tex.GetBumpTex()), drawn, 0));
}

TEST_F(ShaderWater, ConstantsFollowTheWavesTransformsAndSettings)
{
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    D3DXMATRIX world, view, proj;
    D3DXMatrixRotationYawPitchRoll(&world, 0.3f, 0.1f, -0.2f);
    world._41 = 4;
    world._42 = -1;
    world._43 = 9;
    const D3DXVECTOR3 eye(3, 12, -20), at(0, 0, 10), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixPerspectiveFovLH(&proj, 1.0f, 1.0f, 1.0f, 500.0f);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    for (float ampOverLen : {0.01f, 0.001f}) { // the second limits K to 5
        water.SetGeoAmpOverLen(ampOverLen);
        water.SetReflectLv(0.35f);
        water.SetTexNoise(0.1f);
        water.SetTexAmpOverLen(0.05f);
        ASSERT_EQ(water.FrameMove(0.7f, eye, D3DXVECTOR3(10, 5, 30)), 0);
        ASSERT_EQ(water.RenderBeginPass(), 0);
        float c[30][4];
        ASSERT_EQ(device->GetVertexShaderConstant(0, c, 30), D3D_OK);
        water.RenderEndPass();
        const Constants expected = ReferenceConstants(water, world, view, proj);
        for (int r = 0; r < 30; ++r)
            for (int k = 0; k < 4; ++k)
                EXPECT_NEAR(c[r][k], expected[r][k], 1e-4f * std::max(1.0f, std::fabs(expected[r][k])))
                    << "c" << r << "[" << k << "] with amplitude over length " << ampOverLen;
        EXPECT_FLOAT_EQ(c[8][3], 0.35f);
        EXPECT_NEAR(c[11][0], water.m_GeoWaves[0].fFade * water.m_GeoWaves[0].fLen * ampOverLen * 0.25f, 1e-6);
    }
    // K = 5 for the steep setting: c19 = 5 x direction x.
    float c19[4];
    device->GetVertexShaderConstant(19, c19, 1);
    EXPECT_NEAR(c19[1], 5 * water.m_GeoWaves[1].fDirX, 1e-5);
}

// The 23 states are set for the pass and put back after it; the textures stay bound.
TEST_F(ShaderWater, PassSetsAndPutsBackItsStates)
{
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    for (DWORD s = 0; s < 4; ++s) {
        device->SetTextureStageState(s, D3DTSS_MIPFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(s, D3DTSS_MINFILTER, D3DTEXF_POINT + s % 2);
        device->SetTextureStageState(s, D3DTSS_MAGFILTER, D3DTEXF_POINT);
        device->SetTextureStageState(s, D3DTSS_ADDRESSU, D3DTADDRESS_CLAMP);
        device->SetTextureStageState(s, D3DTSS_ADDRESSV, D3DTADDRESS_MIRROR);
    }
    auto snapshot = [] {
        std::vector<DWORD> v;
        for (auto s : {D3DRS_ALPHABLENDENABLE, D3DRS_SRCBLEND, D3DRS_DESTBLEND}) {
            DWORD x = 0;
            device->GetRenderState(s, &x);
            v.push_back(x);
        }
        for (DWORD s = 0; s < 4; ++s)
            for (auto t : {D3DTSS_MIPFILTER, D3DTSS_MINFILTER, D3DTSS_MAGFILTER, D3DTSS_ADDRESSU, D3DTSS_ADDRESSV}) {
                DWORD x = 0;
                device->GetTextureStageState(s, t, &x);
                v.push_back(x);
            }
        return v;
    };
    const std::vector<DWORD> before = snapshot();
    ASSERT_EQ(water.RenderBeginPass(), 0);
    std::vector<DWORD> during = {TRUE, D3DBLEND_SRCALPHA, D3DBLEND_INVSRCALPHA};
    for (int s = 0; s < 4; ++s)
        during.insert(during.end(),
                      {D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTEXF_LINEAR, D3DTADDRESS_WRAP, D3DTADDRESS_WRAP});
    EXPECT_EQ(snapshot(), during);
    DWORD vs = 0, ps = 0;
    device->GetVertexShader(&vs);
    device->GetPixelShader(&ps);
    EXPECT_EQ(vs, water.m_dwVertexShader);
    EXPECT_EQ(ps, water.m_dwPixelShader);
    ASSERT_EQ(water.RenderEndPass(), 0);
    EXPECT_EQ(snapshot(), before);
    device->GetVertexShader(&vs);
    device->GetPixelShader(&ps);
    EXPECT_EQ(vs, 0u);
    EXPECT_EQ(ps, 0u);
    for (DWORD s = 0; s < 4; ++s) {
        IDirect3DBaseTexture8* bound = nullptr;
        device->GetTexture(s, &bound);
        IDirect3DBaseTexture8* expected = s < 3 ? static_cast<IDirect3DBaseTexture8*>(tex.GetBumpTex()->GetD3DTexture())
                                                : static_cast<IDirect3DBaseTexture8*>(cube.GetCubeEnv());
        EXPECT_EQ(bound, expected) << s;
        if (bound) bound->Release();
    }
}

// Flat water under a perspective camera reflects the cube's faces where the
// CPU's reflection of the eye vector points, for an environment centred on
// the eye, one moved away inside the sphere, and an eye outside the sphere.
TEST_F(ShaderWater, FlatWaterReflectsTheCubeAsComputed)
{
    ArmGuards();
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    StillBump();
    water.SetGeoAmpOverLen(0.0f);
    water.SetReflectLv(1.0f);
    const Camera camera = LookAcrossTheWater();
    const D3DXVECTOR3 eye = camera.eye;
    D3DXMATRIX viewProj, inverse;
    D3DXMatrixMultiply(&viewProj, &camera.view, &camera.proj);
    D3DXMatrixInverse(&inverse, nullptr, &viewProj);
    const std::vector<Kestu::ShaderWaterVertex> grid = Grid(-60, 60, -20, 100, 0, 60, 0xFF000000);
    struct Case {
        D3DXVECTOR3 centre;
        float radius;
        const char* what;
    };
    const Case cases[] = {{eye, 200, "centre at the eye"},
                          {eye + D3DXVECTOR3(30, -5, 60), 200, "centre moved"},
                          {eye + D3DXVECTOR3(0, 20, 100), 10, "eye outside the sphere"}};
    for (const Case& k : cases) {
        water.m_GeoState.fEnvRadius = k.radius;
        ASSERT_EQ(water.FrameMove(0.0f, eye, k.centre), 0);
        const D3DXVECTOR3 n = BumpNormal();
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        ASSERT_EQ(water.RenderBeginPass(), 0);
        Draw(grid);
        water.RenderEndPass();
        const Constants c = CurrentConstants();
        const kestu_test::Image picture = Picture();
        std::set<int> seen;
        int checked = 0;
        for (int py = 20; py < 64; py += 3)
            for (int px = 1; px < 64; px += 3) {
                D3DXVECTOR3 nearPoint, farPoint;
                const D3DXVECTOR3 ndcNear(2.0f * px / 64 - 1, 1 - 2.0f * py / 64, 0), ndcFar(ndcNear.x, ndcNear.y, 1);
                D3DXVec3TransformCoord(&nearPoint, &ndcNear, &inverse);
                D3DXVec3TransformCoord(&farPoint, &ndcFar, &inverse);
                const float t = nearPoint.y / (nearPoint.y - farPoint.y);
                const D3DXVECTOR3 p = nearPoint + (farPoint - nearPoint) * t;
                if (t <= 0 || p.z > 95 || std::fabs(p.x) > 55) continue;
                const VertexResult v = ReferenceVertex(c, p, 1.0f);
                for (const D3DXVECTOR3& e : {v.eyeVector})
                    EXPECT_TRUE(std::isfinite(e.x) && std::isfinite(e.y) && std::isfinite(e.z)) << k.what;
                const int face = ReflectedFace(v, n);
                if (face < 0) continue;
                seen.insert(face);
                ++checked;
                EXPECT_TRUE(kestu_test::ChannelsNear(At(picture, px, py), kFaceColours[face], 8))
                    << k.what << ": pixel " << px << "," << py << " face " << face << " got " << std::hex
                    << At(picture, px, py);
            }
        EXPECT_GT(checked, 100) << k.what;
        EXPECT_GE(seen.size(), 2u) << k.what;
        kestu_test::SaveIfFailed(picture, k.what);
    }
}

// A steep wave seen from straight above: the slopes turn the reflection
// toward the side each slope faces, onto the side faces of the cube.
TEST_F(ShaderWater, SlopesTurnTheReflectionTheirWay)
{
    ArmGuards();
    ASSERT_EQ(cube.RenderCubeBox(D3DXVECTOR3(0, 0, 0)), 0);
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    StillBump();
    water.SetReflectLv(1.0f);
    const D3DXVECTOR3 eye(0, 1000, 0);
    ASSERT_EQ(water.FrameMove(0.0f, eye, eye), 0);
    const D3DXVECTOR3 n = BumpNormal();
    water.m_GeoState.fChop = 0.0f;
    for (auto& w : water.m_GeoWaves) w = Kestu::GeoWaveDesc{0, 0, 32, 6.2831853f / 32, 1, 0, 1};
    water.m_GeoWaves[0] = Kestu::GeoWaveDesc{0.4f, 5.0f, 32, 6.2831853f / 32, 0.8f, 0.6f, 1};
    D3DXMATRIX world, view, proj;
    D3DXMatrixIdentity(&world);
    const D3DXVECTOR3 camera(0, 50, 0), at(0, 0, 0), north(0, 0, 1);
    D3DXMatrixLookAtLH(&view, &camera, &at, &north);
    D3DXMatrixOrthoLH(&proj, 64, 64, 1, 200);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(water.RenderBeginPass(), 0);
    Draw(Grid(-34, 34, -34, 34, 0, 68, 0xFF000000));
    water.RenderEndPass();
    const Constants c = CurrentConstants();
    const kestu_test::Image picture = Picture();
    std::set<int> seen;
    for (int py = 1; py < 64; py += 2)
        for (int px = 1; px < 64; px += 2) {
            const VertexResult v = ReferenceVertex(c, D3DXVECTOR3(float(px - 32), 0, float(32 - py)), 1.0f);
            const int face = ReflectedFace(v, n);
            if (face < 0) continue;
            seen.insert(face);
            EXPECT_TRUE(kestu_test::ChannelsNear(At(picture, px, py), kFaceColours[face], 8))
                << "pixel " << px << "," << py << " face " << face << " got " << std::hex << At(picture, px, py);
        }
    // Up, and both sides along the wave's travel.
    EXPECT_TRUE(seen.count(2));
    EXPECT_TRUE(seen.count(0) && seen.count(1));
    kestu_test::SaveIfFailed(picture);
}

// Seen from the side, each vertex stands where the waves put it: full waves
// for alpha 1, the horizontal part twice weakened for alpha 0.5, none and
// invisible for alpha 0.
TEST_F(ShaderWater, VerticesMoveByTheirAlphaWeightedWaves)
{
    ASSERT_EQ(water.Build(device, &cube, &tex), 0);
    StillBump();
    water.SetReflectLv(0.0f);
    const D3DXVECTOR3 eye(0, 0, -50);
    ASSERT_EQ(water.FrameMove(0.0f, eye, eye), 0);
    water.m_GeoState.fChop = 1.0f;
    water.SetGeoAmpOverLen(0.04f); // K = 1 / (8 pi 0.04)
    for (auto& w : water.m_GeoWaves) w = Kestu::GeoWaveDesc{0, 0, 20, 6.2831853f / 20, 0, 1, 1};
    water.m_GeoWaves[0] = Kestu::GeoWaveDesc{1.3f, 5.0f, 32, 6.2831853f / 32, 1, 0, 1};
    water.m_GeoWaves[1] = Kestu::GeoWaveDesc{4.0f, 2.0f, 24, 6.2831853f / 24, 0.6f, 0.8f, 1};
    D3DXMATRIX world, view, proj;
    D3DXMatrixIdentity(&world);
    const D3DXVECTOR3 at(0, 0, 0), up(0, 1, 0);
    D3DXMatrixLookAtLH(&view, &eye, &at, &up);
    D3DXMatrixOrthoLH(&proj, 64, 64, 1, 200);
    device->SetTransform(D3DTS_WORLD, &world);
    device->SetTransform(D3DTS_VIEW, &view);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    std::vector<Kestu::ShaderWaterVertex> points;
    const std::pair<float, DWORD> rows[] = {{14, 0xFFFFFFFF}, {-14, 0x80FFFFFF}, {0, 0x00FFFFFF}};
    for (auto [y, colour] : rows)
        for (int i = 0; i < 18; ++i) points.push_back({-25.5f + 3 * i, y, 0, 0, 1, 0, colour, 0, 0});
    device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
    ASSERT_EQ(water.RenderBeginPass(), 0);
    Draw(points, D3DPT_POINTLIST);
    water.RenderEndPass();
    const Constants c = CurrentConstants();
    const kestu_test::Image picture = Picture();
    std::vector<std::pair<int, int>> expected;
    for (const auto& p : points) {
        const float alpha = float(p.diffuse >> 24) / 255.0f;
        const VertexResult v = ReferenceVertex(c, D3DXVECTOR3(p.x, p.y, p.z), alpha);
        const float sx = (v.clip.x / v.clip.w + 1) * 32, sy = (1 - v.clip.y / v.clip.w) * 32;
        const int brightness = int(std::lround(255 * alpha * alpha));
        if (alpha > 0) {
            EXPECT_GT(std::fabs(v.displaced.y - p.y), 0.0f);
            int best = 0;
            for (int dy = -1; dy <= 1; ++dy)
                for (int dx = -1; dx <= 1; ++dx) {
                    const int x = int(std::lround(sx)) + dx, y = int(std::lround(sy)) + dy;
                    if (x >= 0 && y >= 0 && x < 64 && y < 64) best = std::max(best, Green(At(picture, x, y)));
                }
            EXPECT_NEAR(best, brightness, 3) << "vertex at " << p.x << "," << p.y << " expected at " << sx << "," << sy;
            expected.emplace_back(int(std::lround(sx)), int(std::lround(sy)));
        } else {
            EXPECT_EQ(v.displaced, D3DXVECTOR3(p.x, p.y, p.z));
        }
    }
    // Nothing lit away from where a visible vertex belongs.
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            if (Green(At(picture, x, y)) < 20) continue;
            bool near = false;
            for (auto [ex, ey] : expected) near |= std::abs(ex - x) <= 1 && std::abs(ey - y) <= 1;
            EXPECT_TRUE(near) << "stray pixel at " << x << "," << y;
        }
    kestu_test::SaveIfFailed(picture);
}

} // namespace
} // namespace watertest

// Rain: the streak grid, the layers falling and wrapping, the rain camera and
// the draw.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "host/host.h"
#include "kestu_eye.h"
#include "kestu_log.h"
#include "kestu_rain.h"
#include "support/device.h"

namespace {

struct RainVertex {
    float x, y, z;
    DWORD c;
};

float R() { return float(std::rand()) * 0.000030518509f - 0.5f; }

class Rain : public testdevice::DeviceSuite<64, 64> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        eye.SetViewingFrustum(1.2f, 1.0f, 1.0f, 500.0f, 1.0f, 0, 0, FRUSTUM_WIDEN_RATE);
        D3DXVECTOR3 pos(0, 0, 0);
        eye.SetPos(&pos, 1);
    }
    SRainInit Init()
    {
        SRainInit init;
        init.pDevice = device;
        init.pEye = &eye;
        init.nRows = 3;
        init.nColumns = 4;
        init.nLayers = 4;
        return init;
    }
    static std::vector<RainVertex> Vertices(const CGfxRain& rain, size_t count)
    {
        std::vector<RainVertex> out(count);
        BYTE* p = nullptr;
        if (FAILED(rain.GetVB()->Lock(0, 0, &p, D3DLOCK_READONLY))) return {};
        std::memcpy(out.data(), p, count * sizeof(RainVertex));
        rain.GetVB()->Unlock();
        return out;
    }
    CEye eye;
};

} // namespace

TEST_F(Rain, RefusesRecordsItCannotDraw)
{
    CGfxRain rain;
    using Spoil = void (*)(SRainInit&);
    for (Spoil spoil :
         {+[](SRainInit& i) { i.nRows = 0; }, +[](SRainInit& i) { i.nColumns = 0; },
          +[](SRainInit& i) { i.nLayers = 0; }, +[](SRainInit& i) { i.nLayers = -3; },
          +[](SRainInit& i) { i.fHeight = 0.0f; }, +[](SRainInit& i) { i.pDevice = nullptr; },
          +[](SRainInit& i) { i.pEye = nullptr; }, +[](SRainInit& i) { i.nRows = i.nColumns = 0x10000; }}) {
        SRainInit bad = Init();
        spoil(bad);
        EXPECT_EQ(rain.Build(bad), E_INVALIDARG);
        EXPECT_FALSE(rain.IsBuilt());
    }
    rain.Logic(1.0f);
    rain.NotifyCameraMove();
    EXPECT_EQ(rain.Render(device), KESTUERR_SURFACENOTBUILT);
}

TEST_F(Rain, StreakGrid)
{
    SRainInit init = Init();
    init.fStreakWidth = 0.5f;
    init.fStreakLength = 2.0f;
    init.dwTopColor = 0x11223344;
    init.dwBottomColor = 0x55667788;
    std::srand(21);
    CGfxRain rain;
    ASSERT_EQ(rain.Build(init), S_OK);
    D3DVERTEXBUFFER_DESC desc{};
    rain.GetVB()->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 3u * 4u * 48u);
    EXPECT_EQ(desc.FVF, CGfxRain::kFVF);
    EXPECT_EQ(desc.Pool, D3DPOOL_MANAGED);
    EXPECT_FLOAT_EQ(rain.GetCellWidth(), 12.5f);
    EXPECT_FLOAT_EQ(rain.GetCellDepth(), 50.0f / 3.0f);
    EXPECT_FLOAT_EQ(rain.GetLayerSpace(), 10.0f);
    EXPECT_EQ(rain.GetBoxCenter(), D3DXVECTOR3(0.0f, 20.0f, 25.0f));

    const std::vector<RainVertex> v = Vertices(rain, 36);
    ASSERT_EQ(v.size(), 36u);
    std::srand(21);
    size_t k = 0;
    for (int r = 0; r < 3; ++r)
        for (int c = 0; c < 4; ++c, k += 3) {
            const float x = (R() + float(c - 2)) * rain.GetCellWidth();
            const float y = R() * 10.0f;
            const float z = (R() + float(r)) * rain.GetCellDepth();
            EXPECT_EQ(v[k].x, x);
            EXPECT_EQ(v[k].y, y);
            EXPECT_EQ(v[k].z, z);
            EXPECT_EQ(v[k].c, 0x11223344u);
            EXPECT_EQ(v[k + 1].x, x + 0.25f);
            EXPECT_EQ(v[k + 2].x, x - 0.25f);
            EXPECT_EQ(v[k + 1].y, y - 2.0f);
            EXPECT_EQ(v[k + 2].z, z);
            EXPECT_EQ(v[k + 1].c, 0x55667788u);
            EXPECT_EQ(v[k + 2].c, 0x55667788u);
        }
    // A second build replaces the first.
    init.nRows = 1;
    ASSERT_EQ(rain.Build(init), S_OK);
    rain.GetVB()->GetDesc(&desc);
    EXPECT_EQ(desc.Size, 4u * 48u);
}

TEST_F(Rain, LayersFallAndWrap)
{
    CGfxRain rain;
    ASSERT_EQ(rain.Build(Init()), S_OK); // height 40, 4 layers 10 apart, speed 60
    for (int i = 0; i < 4; ++i) EXPECT_EQ(*rain.GetLayerOffset(i), D3DXVECTOR3(0, 0, 0));
    EXPECT_EQ(rain.GetLayerOffset(4), nullptr);

    // The first call jitters every layer.
    std::srand(5);
    rain.Logic(0.1f);
    std::srand(5);
    for (int i = 0; i < 4; ++i) {
        const D3DXVECTOR3& p = *rain.GetLayerOffset(i);
        EXPECT_EQ(p.x, R() * rain.GetCellWidth()) << i;
        EXPECT_EQ(p.z, R() * rain.GetCellDepth()) << i;
        EXPECT_NEAR(p.y, 40.0 - std::fmod(6.0 + 10.0 * i, 40.0), 1e-4) << i;
    }
    // 0.45 s later every layer has fallen 27: layers 1, 2 and 3 wrapped (their
    // fall crosses the bottom), layer 0 has not.
    std::vector<D3DXVECTOR3> before;
    for (int i = 0; i < 4; ++i) before.push_back(*rain.GetLayerOffset(i));
    std::srand(9);
    rain.Logic(0.55f);
    std::srand(9);
    for (int i = 0; i < 4; ++i) {
        const D3DXVECTOR3& p = *rain.GetLayerOffset(i);
        EXPECT_NEAR(p.y, 40.0 - std::fmod(33.0 + 10.0 * i, 40.0), 1e-4) << i;
        if (i == 0) {
            EXPECT_EQ(p.x, before[0].x);
            EXPECT_EQ(p.z, before[0].z);
        } else {
            EXPECT_EQ(p.x, R() * rain.GetCellWidth()) << i;
            EXPECT_EQ(p.z, R() * rain.GetCellDepth()) << i;
        }
    }
}

TEST_F(Rain, StillRainKeepsItsLayers)
{
    SRainInit init = Init();
    init.fFallSpeed = 0.0f;
    CGfxRain rain;
    ASSERT_EQ(rain.Build(init), S_OK);
    rain.Logic(1.0f);
    std::vector<D3DXVECTOR3> first;
    for (int i = 0; i < 4; ++i) first.push_back(*rain.GetLayerOffset(i));
    for (float t : {2.0f, 3.0f, 50.0f}) {
        rain.Logic(t);
        for (int i = 0; i < 4; ++i) {
            EXPECT_EQ(*rain.GetLayerOffset(i), first[size_t(i)]);
            EXPECT_NEAR(first[size_t(i)].y, 40.0f - std::fmod(10.0f * i, 40.0f), 1e-4f);
        }
    }
}

TEST_F(Rain, CameraFollowsPitchAndTurnsTheFall)
{
    SRainInit init = Init();
    init.vFallDirection = D3DXVECTOR3(0.0f, 1.0f, 1.0f);
    CGfxRain rain;
    ASSERT_EQ(rain.Build(init), S_OK);
    rain.NotifyCameraMove(); // level, facing +z
    D3DXMATRIX expected;
    const D3DXVECTOR3 at(0.0f, 20.0f, 25.0f), from(0.0f, 20.0f, -5.0f), up(0, 1, 0);
    D3DXMatrixLookAtLH(&expected, &from, &at, &up);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR((&rain.GetRainView()._11)[i], (&expected._11)[i], 1e-5f) << i;
    const float h = std::sqrt(0.5f);
    const D3DXMATRIX& o = rain.GetRainOrientation();
    EXPECT_NEAR(o._21, 0.0f, 1e-6f);
    EXPECT_NEAR(o._22, h, 1e-6f);
    EXPECT_NEAR(o._23, h, 1e-6f);
    EXPECT_NEAR(o._11, h, 1e-6f); // (0, h, h) x (0, 0, 1)
    EXPECT_EQ(o._33, 1.0f);
    EXPECT_EQ(o._44, 1.0f);

    // Looking down 30 degrees and turned a quarter to +x.
    const D3DXVECTOR3 dir(std::cos(0.5236f), -std::sin(0.5236f), 0.0f), eyeUp(0, 1, 0);
    eye.SetDirection(&dir, &eyeUp, 1);
    ASSERT_NEAR(eye.GetPitch(), 0.5236f, 1e-4f);
    rain.NotifyCameraMove();
    const D3DXVECTOR3 raised(0.0f, 20.0f + std::sin(eye.GetPitch()) * 30.0f, 25.0f - std::cos(eye.GetPitch()) * 30.0f);
    D3DXMatrixLookAtLH(&expected, &raised, &at, &up);
    for (int i = 0; i < 16; ++i) EXPECT_NEAR((&rain.GetRainView()._11)[i], (&expected._11)[i], 1e-4f) << i;
    D3DXMATRIX yaw;
    D3DXMatrixRotationY(&yaw, -eye.GetYaw());
    D3DXVECTOR3 f;
    D3DXVec3TransformNormal(&f, &init.vFallDirection, &yaw);
    D3DXVec3Normalize(&f, &f);
    EXPECT_NEAR(rain.GetRainOrientation()._21, f.x, 1e-5f);
    EXPECT_NEAR(rain.GetRainOrientation()._23, f.z, 1e-5f);
    EXPECT_GT(std::fabs(f.x), 0.5f); // the yaw really turned it
}

TEST_F(Rain, DrawsStreaksAndRestoresTheView)
{
    SRainInit init = Init();
    init.nRows = init.nColumns = 10;
    init.fStreakWidth = 0.3f;
    init.fStreakLength = 3.0f;
    init.dwTopColor = init.dwBottomColor = 0xFFFFFFFF;
    CGfxRain rain;
    ASSERT_EQ(rain.Build(init), S_OK);
    rain.Logic(0.3f);
    D3DXMATRIX proj;
    D3DXMatrixPerspectiveFovLH(&proj, 1.2f, 1.0f, 1.0f, 500.0f);
    device->SetTransform(D3DTS_PROJECTION, &proj);
    device->SetRenderState(D3DRS_LIGHTING, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, FALSE);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
    device->BeginScene();
    // No camera move yet: the draw takes the camera as it is.
    ASSERT_EQ(rain.Render(device), S_OK);
    device->EndScene();
    const kestu_test::Image image = Picture();
    int lit = 0;
    for (uint32_t p : image.pixels) lit += (p & 0xFFFFFF) != 0;
    EXPECT_GT(lit, 40);
    EXPECT_LT(lit, 64 * 64 / 2);
    D3DXMATRIX view;
    device->GetTransform(D3DTS_VIEW, &view);
    EXPECT_EQ(std::memcmp(&view, eye.GetViewMatrix(), sizeof view), 0);
    DWORD cull = 0, blend = 0;
    device->GetRenderState(D3DRS_CULLMODE, &cull);
    device->GetRenderState(D3DRS_ALPHABLENDENABLE, &blend);
    EXPECT_EQ(cull, DWORD(D3DCULL_CCW));
    EXPECT_EQ(blend, 1u);
    device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
    device->SetRenderState(D3DRS_ZENABLE, TRUE);
}

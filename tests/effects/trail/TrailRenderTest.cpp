#include <gtest/gtest.h>

#include <host/host_d3d8.h>

#include "TrailKit.h"
#include "kestu_trail.h"
#include "support/device.h"

using namespace Kestu;

namespace {

class TrailRender : public testdevice::DeviceSuite<64, 64, false> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        D3DXMATRIX id;
        D3DXMatrixIdentity(&id);
        for (D3DTRANSFORMSTATETYPE t : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) device->SetTransform(t, &id);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->SetTexture(0, nullptr);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
        strategy.Init(device);
        ctx.SetStripsNumber(2);
        ASSERT_EQ(strategy.BuildTrail(&ctx), 0);
        const auto colour = trailtest::Channel<trailtest::ColorElement>({{0.0f, 0xFFFFFF00u}});
        strategy.SetStrategyData(&colour, TRAIL_CHANNEL_COLOR);
    }
    void TearDown() override { strategy.ReleaseTrail(&ctx); }

    // A point pair across strip s at x: one point above the strip's centre
    // line, one below; the x-axis is clip space.
    void PushPair(unsigned long s, float x)
    {
        const float y = s == 0 ? 0.5f : -0.5f;
        D3DXVECTOR3 top(x, y + 0.2f, 0.5f), bottom(x, y - 0.2f, 0.5f), centre(x, y, 0.5f);
        float param = 0.0f;
        ctx.Push(&top, &centre, &param, 1, s, 0);
        ctx.Push(&bottom, &centre, &param, 1, s, 0);
    }
    host::D3D8Counters Draw()
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF000000, 1.0f, 0);
        host::D3D8ResetCounters();
        device->BeginScene();
        ctx.Render();
        device->EndScene();
        return host::D3D8GetCounters();
    }
    CTrail_Strategy strategy{8};
    ITrail_Context ctx{&strategy};
};

int Lit(const kestu_test::Image& img)
{
    int n = 0;
    for (uint32_t p : img.pixels) n += (p & 0xFFFFFF) != 0;
    return n;
}

TEST_F(TrailRender, FewerThanFourLiveVerticesDrawNothing)
{
    PushPair(1, -0.8f);
    PushPair(0, -0.8f);
    ASSERT_EQ(ctx.GetActiveCount(), 2);
    EXPECT_EQ(Draw().drawCalls, 0u);
    const float x = -0.6f;
    D3DXVECTOR3 p(x, 0.5f, 0.5f);
    float param = 0.0f;
    ctx.Push(&p, &p, &param, 1, 0, 0);
    ASSERT_EQ(ctx.GetActiveCount(), 3);
    EXPECT_EQ(Draw().drawCalls, 0u) << "three round down to two";
    EXPECT_EQ(Lit(Picture()), 0);
}

TEST_F(TrailRender, EveryStripDrawsItsLivePairs)
{
    for (float x : {-0.8f, -0.4f, 0.0f}) {
        PushPair(1, x);
        PushPair(0, x);
    }
    ASSERT_EQ(ctx.GetActiveCount(), 6);
    const host::D3D8Counters drawn = Draw();
    EXPECT_EQ(drawn.drawCalls, 2u);
    EXPECT_EQ(drawn.primitives, 8u);
    const kestu_test::Image img = Picture();
    const auto at = [&](int x, int y) { return img.pixels[size_t(y) * img.width + x] & 0xFFFFFF; };
    EXPECT_EQ(at(16, 16), 0xFFFF00u) << "strip 0";
    EXPECT_EQ(at(16, 48), 0xFFFF00u) << "strip 1";
    EXPECT_EQ(at(48, 16), 0u) << "beyond the newest pair";
    EXPECT_EQ(at(16, 32), 0u) << "between the strips";
}

TEST_F(TrailRender, ATrailBuiltAgainShorterDrawsOnlyItsOwnVertices)
{
    for (int i = 0; i < 8; ++i) {
        PushPair(1, -0.8f + 0.2f * float(i));
        PushPair(0, -0.8f + 0.2f * float(i));
    }
    ASSERT_EQ(ctx.GetActiveCount(), 16);
    EXPECT_EQ(strategy.SetTrailLength(2), 1);
    ASSERT_EQ(strategy.BuildTrail(&ctx), 0);
    for (float x : {-0.8f, 0.0f}) {
        PushPair(1, x);
        PushPair(0, x);
    }
    const host::D3D8Counters drawn = Draw();
    EXPECT_EQ(drawn.drawCalls, 2u);
    EXPECT_EQ(drawn.primitives, 4u) << "four vertices a strip";
    const kestu_test::Image img = Picture();
    const auto at = [&](int x, int y) { return img.pixels[size_t(y) * img.width + x] & 0xFFFFFF; };
    EXPECT_EQ(at(16, 16), 0xFFFF00u);
    EXPECT_EQ(at(48, 16), 0u) << "nothing left of the longer trail";
}

} // namespace

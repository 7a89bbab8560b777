#include <gtest/gtest.h>

#include <memory>

#include "TrailKit.h"
#include "kestu_trail.h"

using namespace Kestu;
using trailtest::Channel;
using trailtest::Vertices;

namespace {

// Pushes one point with its centre and parameter to a strip.
void PushPoint(ITrail_Context& ctx, D3DXVECTOR3 p, D3DXVECTOR3 c, float param, unsigned long strip = 0)
{
    ctx.Push(&p, &c, &param, 1, strip, 0);
}

TEST(TrailStrategy, BuildsListsAndItsMarkedBlock)
{
    CTrail_Strategy s;
    EXPECT_EQ(s.GetTrailLength(), 24u);
    EXPECT_EQ(CTrail_Strategy(0).GetTrailLength(), 24u);
    ITrail_Context ctx(&s);
    ctx.SetStripsNumber(2);
    EXPECT_EQ(s.SetTrailLength(0), 0);
    EXPECT_EQ(s.SetTrailLength(24), 0) << "nothing built yet";
    ASSERT_EQ(s.BuildTrail(&ctx), 0);
    EXPECT_EQ(ctx.GetPositionListLen(), 48);
    const auto* block = static_cast<STrailBlock*>(ctx.GetPositionCntx());
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(block->dwFVF, 0x142u);
    EXPECT_EQ(block->dwPrimitiveType, 5u);
    EXPECT_EQ(block->dwLengthMinusOne, 23u);
    EXPECT_EQ(block->dwVertexSize, 24u);
    EXPECT_EQ(block->dwMark, KESTU_TRAIL_BLOCK_MARK);
    EXPECT_NE(ctx.GetTexCoordList(), nullptr);
    EXPECT_EQ(s.SetTrailLength(4), 1) << "built trails must be built again";
    ASSERT_EQ(s.BuildTrail(&ctx), 0);
    EXPECT_EQ(ctx.GetPositionListLen(), 8);
    EXPECT_EQ(s.ReleaseTrail(&ctx), 0);
    EXPECT_EQ(ctx.GetPositionCntx(), nullptr);
    EXPECT_EQ(ctx.GetPositionList(), nullptr);
    EXPECT_EQ(ctx.GetPositionListLen(), 0);
    EXPECT_EQ(s.ReleaseTrail(&ctx), 0) << "nothing to release";

    // A block that is not this strategy's is refused and left alone.
    STrailBlock foreign{};
    ctx.SetPositionCntx(&foreign);
    EXPECT_EQ(s.ReleaseTrail(&ctx), 1);
    EXPECT_EQ(s.BuildTrail(&ctx), 1);
    D3DXVECTOR3 p(0, 0, 0);
    float t = 0;
    EXPECT_EQ(s.UpdateTrail(&p, &p, &t, 1, &ctx, 0, 0), 1);
    EXPECT_EQ(ctx.GetPositionCntx(), &foreign);
    ctx.SetPositionCntx(nullptr);
}

TEST(TrailStrategy, PushesGoNewestFirstAndOnlyStripZeroCounts)
{
    CTrail_Strategy s(2);
    ITrail_Context ctx(&s);
    ctx.SetStripsNumber(2);
    ASSERT_EQ(s.BuildTrail(&ctx), 0);
    for (int i = 1; i <= 6; ++i) {
        PushPoint(ctx, D3DXVECTOR3(float(i), 0, 0), D3DXVECTOR3(0, 0, 0), 0.1f * i, 0);
        PushPoint(ctx, D3DXVECTOR3(float(i), 1, 0), D3DXVECTOR3(0, 0, 0), 0.1f * i, 1);
    }
    EXPECT_EQ(ctx.GetActiveCount(), 4) << "capped at the list length";
    const D3DXVECTOR3* p = ctx.GetPositionList();
    EXPECT_EQ(p[0].x, 6.0f);
    EXPECT_EQ(p[3].x, 3.0f) << "the oldest fell off the end";
    EXPECT_EQ(p[4 + 0].y, 1.0f) << "strip 1 after strip 0";
    EXPECT_FLOAT_EQ(ctx.GetTexCoordList()[1].x, 0.5f);
    EXPECT_EQ(Vertices(ctx)[4 + 2].x, 4.0f);
    ctx.Clear();
    EXPECT_EQ(ctx.GetActiveCount(), 0);
    EXPECT_EQ(p[0].x, 6.0f) << "clearing keeps the lists";
    // A strip the trail was not built for is refused.
    D3DXVECTOR3 q(0, 0, 0);
    float t = 0;
    EXPECT_EQ(s.UpdateTrail(&q, &q, &t, 1, &ctx, 2, 0), 1);
    ctx.SetStripsNumber(5);
    EXPECT_EQ(s.UpdateTrail(&q, &q, &t, 1, &ctx, 3, 0), 1) << "more strips than the lists were made for";
    ctx.SetStripsNumber(2);
    s.ReleaseTrail(&ctx);

    ITrail_Context lone(nullptr);
    PushPoint(lone, q, q, 0);
    EXPECT_EQ(lone.GetActiveCount(), 0);
}

// Length 4: eight vertices in pairs at t = 0, 1/4, 2/4, 3/4.
class TrailChannels : public ::testing::Test {
protected:
    void SetUp() override
    {
        strategy.SetTrailLength(4);
        ctx.SetFrameParam(0.5f);
    }
    void Fill()
    {
        ASSERT_EQ(strategy.BuildTrail(&ctx), 0);
        for (int i = 0; i < 8; ++i)
            PushPoint(ctx, D3DXVECTOR3(float(i), 2.0f, 0), D3DXVECTOR3(float(i), 0, 0), 0.125f * i);
    }
    void TearDown() override { strategy.ReleaseTrail(&ctx); }
    CTrail_Strategy strategy;
    ITrail_Context ctx{&strategy};
};

TEST_F(TrailChannels, ColourBlendsBetweenElementsAndPairsShareIt)
{
    const auto colour = Channel<trailtest::ColorElement>({{0.0f, 0xFF000000u}, {1.0f, 0x80FFFFFFu}});
    ASSERT_EQ(strategy.SetStrategyData(&colour, TRAIL_CHANNEL_COLOR), 0);
    Fill();
    const trailtest::Vertex* v = Vertices(ctx);
    EXPECT_EQ(v[0].color, 0xFF000000u) << "the first element as it stands";
    EXPECT_EQ(v[1].color, 0xFF000000u);
    // t = 1/4: alpha 255 x 0.75 + 128 x 0.25 = 223, colour 255 x 0.25 = 63.
    EXPECT_EQ(v[2].color, 0xDF3F3F3Fu);
    EXPECT_EQ(v[3].color, v[2].color);
    EXPECT_EQ(v[6].color & 0xFF, 191u);
}

TEST_F(TrailChannels, OneColourElementColoursEveryVertex)
{
    const auto colour = Channel<trailtest::ColorElement>({{0.3f, 0x12345678u}});
    strategy.SetStrategyData(&colour, TRAIL_CHANNEL_COLOR);
    Fill();
    for (int i = 0; i < 8; ++i) EXPECT_EQ(Vertices(ctx)[i].color, 0x12345678u) << i;
}

TEST_F(TrailChannels, AlphaWidthAndTextureCoordinates)
{
    const auto colour = Channel<trailtest::ColorElement>({{0.0f, 0xFF102030u}});
    const auto alpha = Channel<trailtest::FloatElement>({{0.0f, 1.0f}, {1.0f, 0.0f}});
    const auto width = Channel<trailtest::FloatElement>({{0.0f, 1.0f}, {1.0f, 0.0f}});
    const auto tex = Channel<trailtest::TexElement>({{0.0f, 9.0f, 0.0f}, {1.0f, 9.0f, 1.0f}});
    strategy.SetStrategyData(&colour, TRAIL_CHANNEL_COLOR);
    strategy.SetStrategyData(&alpha, TRAIL_CHANNEL_ALPHA);
    strategy.SetStrategyData(&width, TRAIL_CHANNEL_WIDTH);
    strategy.SetStrategyData(&tex, TRAIL_CHANNEL_TEXCOORD);
    Fill();
    const trailtest::Vertex* v = Vertices(ctx);
    EXPECT_EQ(v[0].color, 0xFF102030u);
    EXPECT_EQ(v[4].color, 0x7F102030u) << "alpha 0.5 over the colour";
    // Vertex 4 (pushed fourth from last: point (3, 2, 0), centre (3, 0, 0))
    // at width 0.5 comes halfway to its centre.
    EXPECT_FLOAT_EQ(v[4].x, 3.0f);
    EXPECT_FLOAT_EQ(v[4].y, 1.0f);
    EXPECT_FLOAT_EQ(v[0].y, 2.0f) << "width 1 at the head";
    EXPECT_FLOAT_EQ(v[4].u, 0.375f) << "u is the point's parameter";
    EXPECT_FLOAT_EQ(v[4].v, 0.5f);
    EXPECT_FLOAT_EQ(v[6].v, 0.75f);
}

// Keys that stop short of the tail hold their last value, and a pair of
// equal keys takes the later one, rather than running the blend off its ends.
TEST_F(TrailChannels, AlphaHoldsPastTheLastKey)
{
    struct Case {
        std::vector<trailtest::FloatElement> elements;
        DWORD alpha[4]; // of the pairs at t = 0, 1/4, 2/4, 3/4
    };
    const Case cases[] = {
        {{{0.0f, 1.0f}, {0.5f, 0.0f}}, {255, 127, 0, 0}},
        {{{0.0f, 1.0f}, {0.5f, 0.5f}, {0.5f, 0.25f}}, {255, 191, 127, 63}},
    };
    for (const Case& c : cases) {
        const auto alpha = Channel<trailtest::FloatElement>(c.elements);
        strategy.SetStrategyData(&alpha, TRAIL_CHANNEL_ALPHA);
        Fill();
        for (int i = 0; i < 8; ++i)
            EXPECT_EQ(Vertices(ctx)[i].color >> 24, c.alpha[i / 2]) << c.elements.size() << " keys, vertex " << i;
    }
}

TEST_F(TrailChannels, ChannelsWithoutAUsableSlotAreSkipped)
{
    CStrategyData early; // its only slot ends at key 0.25; the frame stands at 0.5
    const trailtest::ColorElement e{0.0f, 0xFFFF0000u};
    early.AddSlot(0.25f, sizeof e, sizeof e, &e);
    strategy.SetStrategyData(&early, TRAIL_CHANNEL_COLOR);
    CStrategyData noElements;
    noElements.AddSlot(1.0f, sizeof e, 0, &e);
    strategy.SetStrategyData(&noElements, TRAIL_CHANNEL_ALPHA);
    CStrategyData tooSmall; // texture elements need a key and two floats
    tooSmall.AddSlot(1.0f, sizeof e, sizeof e, &e);
    strategy.SetStrategyData(&tooSmall, TRAIL_CHANNEL_TEXCOORD);
    Fill();
    for (int i = 0; i < 8; ++i) {
        EXPECT_EQ(Vertices(ctx)[i].color, 0xFFFFFFFFu);
        EXPECT_EQ(Vertices(ctx)[i].v, 0.0f);
    }
}

TEST(TrailPool, APoolOwnsItsContextsAndACopyOwnsCopies)
{
    CTrail_Strategy s;
    auto pool = std::make_unique<CTrailCntx_Pool>();
    pool->InitPool(4);
    auto* built = new ITrail_Context(&s);
    built->SetStripsNumber(3);
    s.BuildTrail(built);
    pool->GetList().push_back(built);
    pool->GetList().push_back(nullptr);
    CTrailCntx_Pool copy(*pool);
    ASSERT_EQ(copy.GetList().size(), 2u);
    ITrail_Context* twin = copy.GetList().front();
    EXPECT_NE(twin, built);
    EXPECT_EQ(twin->GetStripsNumber(), 3u);
    EXPECT_EQ(twin->GetStrategy(), &s);
    EXPECT_EQ(twin->GetPositionCntx(), nullptr) << "the trail's lists stay with the original";
    s.ReleaseTrail(built);
    pool.reset();
    EXPECT_EQ(copy.GetList().front()->GetStripsNumber(), 3u);
}

// A strategy of the client's own: its trail is one heap block per context.
class OwnStrategy : public CTrail_StrategyDummy {
public:
    ~OwnStrategy() override
    {
        for (ITrail_Context* ctx : GetContexts()) OwnStrategy::ReleaseTrail(ctx);
    }
    int BuildTrail(const ITrail_Context* ctx) override
    {
        ReleaseTrail(ctx);
        const_cast<ITrail_Context*>(ctx)->SetPositionCntx(new int(7));
        return 0;
    }
    int ReleaseTrail(const ITrail_Context* ctx) override
    {
        ++released;
        delete static_cast<int*>(ctx->GetPositionCntx());
        const_cast<ITrail_Context*>(ctx)->SetPositionCntx(nullptr);
        return 0;
    }
    int released = 0;
};

TEST(TrailLifetimes, AContextGoingFirstHasItsTrailReleased)
{
    CTrail_Strategy s;
    OwnStrategy own;
    auto pool = std::make_unique<CTrailCntx_Pool>();
    for (ITrail_Strategy* strategy : {static_cast<ITrail_Strategy*>(&s), static_cast<ITrail_Strategy*>(&own)}) {
        auto* ctx = new ITrail_Context(strategy);
        ctx->SetStripsNumber(2);
        ASSERT_EQ(strategy->BuildTrail(ctx), 0);
        pool->GetList().push_back(ctx);
    }
    pool.reset(); // deletes both built contexts; the leak check sees the rest
    EXPECT_EQ(own.released, 2) << "one release before the build, one as the context went";
}

TEST(TrailLifetimes, AStrategyGoingFirstReleasesItsTrailsAndLeavesItsContexts)
{
    CTrailCntx_Pool pool;
    auto s = std::make_unique<CTrail_Strategy>(4);
    auto own = std::make_unique<OwnStrategy>();
    auto* built = new ITrail_Context(s.get());
    auto* unbuilt = new ITrail_Context(s.get());
    auto* moved = new ITrail_Context(own.get());
    auto* other = new ITrail_Context(own.get());
    for (ITrail_Context* ctx : {built, unbuilt, moved, other}) pool.GetList().push_back(ctx);
    ASSERT_EQ(s->BuildTrail(built), 0);
    ASSERT_EQ(own->BuildTrail(other), 0);
    ITrail_Context copy(*built); // names the strategy, holds no trail
    moved->SetStrategy(s.get()); // from now on the working strategy's
    ASSERT_EQ(s->BuildTrail(moved), 0);

    s.reset();
    for (ITrail_Context* ctx : {built, unbuilt, moved, &copy}) {
        EXPECT_EQ(ctx->GetStrategy(), nullptr);
        EXPECT_EQ(ctx->GetPositionCntx(), nullptr);
        EXPECT_EQ(ctx->GetPositionList(), nullptr);
        EXPECT_EQ(ctx->GetCenterPosList(), nullptr);
        EXPECT_EQ(ctx->GetTexCoordList(), nullptr);
        EXPECT_EQ(ctx->GetPositionListLen(), 0);
    }
    // Without a strategy pushes and drawing do nothing.
    D3DXVECTOR3 p(1, 2, 3);
    float param = 0.5f;
    built->Push(&p, &p, &param, 1, 0, 0);
    built->Render();
    EXPECT_EQ(built->GetActiveCount(), 0);

    EXPECT_EQ(other->GetStrategy(), own.get()) << "another strategy's contexts are not touched";
    EXPECT_NE(other->GetPositionCntx(), nullptr);
    own.reset(); // a client's strategy releases its trails through GetContexts
    EXPECT_EQ(other->GetStrategy(), nullptr);
    EXPECT_EQ(other->GetPositionCntx(), nullptr);
    // A context given a new strategy after its old one went works as new.
    CTrail_Strategy next(2);
    built->SetStrategy(&next);
    ASSERT_EQ(next.BuildTrail(built), 0);
    built->Push(&p, &p, &param, 1, 0, 0);
    EXPECT_EQ(built->GetActiveCount(), 1);
}

} // namespace

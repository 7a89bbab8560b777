#include <sstream>

#include "kestu_datachunk.h"
#include "effects/particles/script/ScriptBlocks.h"
#include "effects/particles/script/ScriptValues.h"
#include "ParticleTestKit.h"

namespace {

// A chunk that owns a copy of the text.
struct Text {
    CDataChunk chunk;
    explicit Text(const std::string& s) { chunk.allocate(static_cast<int>(s.size()), s.data()); }
    ~Text() { chunk.clear(); }
};

TEST(ScriptValues, TokensAreRunsBetweenBlanksAndTabs)
{
    EXPECT_EQ(SplitTokens("  fLifeTime 3.5  "), (std::vector<std::string>{"fLifeTime", "3.5"}));
    EXPECT_EQ(SplitTokens("a\t\t b \tc"), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_TRUE(SplitTokens(" \t ").empty());
}

TEST(ScriptValues, ConversionsBothWays)
{
    EXPECT_EQ(ValueToScriptString(0.1f), "0.1");
    EXPECT_EQ(ValueToScriptString(2.5f), "2.5");
    EXPECT_EQ(ValueToScriptString(1.0e16f), "1e+16");
    EXPECT_EQ(ValueToScriptString(int32_t{-7}), "-7");
    EXPECT_EQ(ValueToScriptString(uint32_t{4294967295u}), "4294967295");
    EXPECT_EQ(ValueToScriptString(true), "true");
    EXPECT_EQ(ValueToScriptString(false, true), "no");

    float f = 1;
    ScriptStringToValue("abc", f);
    EXPECT_EQ(f, 0.0f);
    ScriptStringToValue("3.5", f);
    EXPECT_EQ(f, 3.5f);
    int32_t i;
    ScriptStringToValue("12x", i);
    EXPECT_EQ(i, 12);
    ScriptStringToValue("99999999999", i);
    EXPECT_EQ(i, INT32_MAX);
    uint32_t u;
    ScriptStringToValue("4278190080", u);
    EXPECT_EQ(u, 0xFF000000u);
    for (const char* text : {"1", "yes", "TRUE", ""}) {
        bool b = true;
        ScriptStringToValue(text, b);
        EXPECT_FALSE(b) << text;
    }
    bool b = false;
    ScriptStringToValue("true", b);
    EXPECT_TRUE(b);
    EXPECT_EQ(ScriptStringToFlag("true"), 1);
    EXPECT_EQ(ScriptStringToFlag("5"), 5);
    EXPECT_EQ(ScriptStringToFlag("false"), 0);
    EXPECT_EQ(ValueToScriptString(-3000000000l), "-3000000000");
    EXPECT_EQ(ValueToScriptString(7ul), "7");
    long l = 0;
    ScriptStringToValue("-42abc", l);
    EXPECT_EQ(l, -42);
}

TEST(ScriptBlocks, DomainWrittenThenReadKeepsEveryField)
{
    const SPPS_DOMAIN d(PPS_DOMAIN_DISC, 1, 2, 3, 0, 0.5f, 1, 0.25f, 2.5f, 0);
    std::ostringstream out;
    WriteDomainBlock(out, d);
    EXPECT_EQ(out.str().substr(0, 20), "\n\t\t{\n\t\tDomainType\t5\n");
    EXPECT_EQ(out.str().substr(out.str().size() - 5), "\n\t\t}\n");
    Text text(out.str());
    SPPS_DOMAIN back;
    ReadDomainBlock(text.chunk, back);
    EXPECT_EQ(back.DomainType, PPS_DOMAIN_DISC);
    EXPECT_VEC3_EQ(back.p1, 1, 2, 3);
    EXPECT_NEAR(back.p2.y, d.p2.y, 1e-5f);
    EXPECT_NEAR(back.u.x, d.u.x, 1e-5f);
    EXPECT_NEAR(back.v.z, d.v.z, 1e-5f);
    EXPECT_EQ(back.fRadius1, 2.5f);
    EXPECT_EQ(back.fRadius2, 0.25f);
    EXPECT_NEAR(back.fRadius1Sqr, d.fRadius1Sqr, 1e-5f);
    EXPECT_TRUE(text.chunk.isEOF());
}

TEST(ScriptBlocks, DomainReaderKeysAndLimits)
{
    Text text("{\n"
              "DomainType 15\n"
              "fRadius1Sqr 4\n"
              "fRadius2 0.5\n"
              "uv 9\n"
              "u\n"
              "{\nx 7\ny\nz 8\n}\n"
              "}\n"
              "after\n");
    SPPS_DOMAIN d(PPS_DOMAIN_SPHERE, 0, 0, 0, 1);
    ReadDomainBlock(text.chunk, d);
    EXPECT_EQ(d.DomainType, PPS_DOMAIN_SPHERE) << "15 is no domain type";
    EXPECT_EQ(d.fRadius1Sqr, 4.0f);
    EXPECT_EQ(d.fRadius1, 1.0f) << "a fRadius1Sqr line sets only the squared radius";
    EXPECT_EQ(d.fRadius2, 0.5f);
    // "uv" is no key; the "u" block's "y" line has no value and ends that
    // vector's reading, so its "z" stays; the domain reader passes over the
    // "z" line and takes the vector's "}" for its own.
    EXPECT_VEC3_EQ(d.u, 7, 0, 0);
    EXPECT_EQ(text.chunk.getLine(true), "}");
    EXPECT_EQ(text.chunk.getLine(true), "after");
}

TEST(ScriptBlocks, ReadersStopAtTheEndOfTheText)
{
    Text text("{\nDomainType 6\np1\n{\nx 1");
    SPPS_DOMAIN d;
    ReadDomainBlock(text.chunk, d);
    EXPECT_EQ(d.DomainType, PPS_DOMAIN_SPHERE);
    EXPECT_EQ(d.p1.x, 1.0f);
    EXPECT_TRUE(text.chunk.isEOF());
}

} // namespace

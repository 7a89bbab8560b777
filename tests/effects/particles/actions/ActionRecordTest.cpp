#include <memory>
#include <sstream>

#include "kestu_bytes.h"
#include "kestu_datachunk.h"
#include "kestu_ppsactions.h"
#include "effects/particles/actions/ActionIO.h"
#include "ParticleTestKit.h"

using namespace ppstest;

namespace {

// Every field an action stores, set to values the writers print exactly.
std::unique_ptr<SPPS_ACTION_BASE> Configured(DWORD id)
{
    std::unique_ptr<SPPS_ACTION_BASE> a(NewPPSAction(id));
    a->SetName(("act" + std::to_string(id)).c_str());
    a->scope = {4, 11, 12, 4000000000u};
    a->validity = {2, 21, 22, 23};
    a->fDeltaTime = 0.25f;
    a->dwCRCNum = 31;
    a->dwSize = 32;
    a->dwFPFFlags = 33;
    a->fStartTime = 1.5f;
    a->fLifeTime = 2.5f;
    a->fRepeatTime = 3.5f;
    a->fExecuteTime = 4.5f;
    const SPPS_DOMAIN box(PPS_DOMAIN_BOX, 1, 2, 3, 4, 5, 6);
    const SPPS_DOMAIN sphere(PPS_DOMAIN_SPHERE, 0.5f, 0, 0, 2, 1);
    if (auto* x = dynamic_cast<SPPS_ACTION_AVOID*>(a.get())) {
        x->domain = sphere;
        x->fLookAhead = 2;
        x->fMagnitude = 3;
        x->fEpsilon = 0.125f;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_BOUNCE*>(a.get())) {
        x->domain = box;
        x->fOneMinFriction = 0.75f;
        x->fResilience = 0.5f;
        x->fCutoffSqr = 0.25f;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_DAMP*>(a.get())) {
        x->fDamping = D3DXVECTOR3(0.5f, 0, 0);
        x->fVlowSqr = 1;
        x->fVhighSqr = 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_EXPLODE*>(a.get())) {
        x->vCenter = D3DXVECTOR3(1, 2, 3);
        x->fVelocity = 4;
        x->fMagnitude = 5;
        x->fStdev = 6;
        x->fAge = 7;
        x->fEpsilon = 8;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_FOLLOW*>(a.get())) {
        x->fMagnitude = 1;
        x->fEpsilon = 2;
        x->fMaxRadius = 3;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_GRAVITY*>(a.get())) {
        x->vDirection = D3DXVECTOR3(0, -9.5f, 0.25f);
    } else if (auto* x = dynamic_cast<SPPS_ACTION_GRAVITATE*>(a.get())) {
        x->fMagnitude = 4;
        x->fEpsilon = 5;
        x->fMaxRadius = 6;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_JET*>(a.get())) {
        x->vCenter = D3DXVECTOR3(-1, -2, -3);
        x->fMagnitude = 2;
        x->fEpsilon = 0.5f;
        x->fMaxRadius = 100;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_KILL*>(a.get())) {
        x->fAgeLimit = 12.5f;
        x->bKillLessThan = 1;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_MATCH*>(a.get())) {
        x->fMagnitude = 7;
        x->fEpsilon = 8;
        x->fMaxRadius = 9;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_ORBIT*>(a.get())) {
        x->fMagnitude = 1.25f;
        x->fEpsilon = 2.25f;
        x->fMaxRadius = 3.25f;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_SINK*>(a.get())) {
        x->domain = sphere;
        x->nType = 1;
        x->bKillInside = 0;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_SOURCE*>(a.get())) {
        x->position = box;
        x->velocity = sphere;
        x->color = SPPS_DOMAIN(PPS_DOMAIN_POINT, 1, 0.5f, 0.25f);
        x->fRate = 30;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_VORTEX*>(a.get())) {
        x->vCenter = D3DXVECTOR3(1, 0, 1);
        x->vAxis = D3DXVECTOR3(0, 0, 1);
        x->fMagnitude = 3;
        x->fEpsilon = 0.5f;
        x->fMaxRadius = 10;
    } else if (auto* x = dynamic_cast<SPPS_ACTION_COLORCTRL*>(a.get())) {
        x->bSpark = 1;
        x->bSuddenChange = 1;
        x->dwStartColor = 0xFF102030;
        x->dwEndColor = 0x80FFFFFF;
        x->fCycle = 2.5f;
        x->bLoop = 1;
    }
    return a;
}

std::string Record(SPPS_ACTION_BASE& a)
{
    std::stringstream s;
    EXPECT_EQ(a.Serialize(s, 1), 0);
    return s.str();
}

// Reads a record as the file reader does: the header, the action made from
// it, then the rest.
std::unique_ptr<SPPS_ACTION_BASE> ReadRecord(const std::string& bytes, HRESULT* result = nullptr,
                                             bool firstForm = false)
{
    std::stringstream s(bytes);
    if (firstForm) s.iword(ActionRecordFormSlot()) = kShortActionRecords;
    SPPS_ACTION_DATA data;
    EXPECT_TRUE(ReadActionHeader(s, data));
    std::unique_ptr<SPPS_ACTION_BASE> a(NewPPSAction(&data));
    const HRESULT hr = a->Serialize(s, 0);
    if (result) *result = hr;
    return a;
}

std::string Script(SPPS_ACTION_BASE& a)
{
    std::ostringstream out;
    EXPECT_EQ(a.WriteToScript(out), 0);
    return out.str();
}

// Reads an action block as the system reader does: the "Action" and "{"
// lines, then "ActionID", then the action's own reader.
std::unique_ptr<SPPS_ACTION_BASE> ReadScript(const std::string& text, std::string* rest = nullptr)
{
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(text.size()), text.data());
    std::string name;
    while (!chunk.isEOF()) {
        const std::string line = chunk.getLine(true);
        if (line.rfind("Action", 0) == 0) {
            name = line.substr(7);
            break;
        }
    }
    CDataChunk::skipToNextOpenBrace(chunk);
    const std::string idLine = chunk.getLine(true);
    std::unique_ptr<SPPS_ACTION_BASE> a(NewPPSAction(static_cast<DWORD>(std::atoi(idLine.c_str() + 9))));
    a->SetName(name.c_str());
    a->CreateFromScript(chunk);
    if (rest) *rest = chunk.isEOF() ? "" : chunk.getLine(true);
    chunk.clear();
    return a;
}

TEST(ActionRecord, BaseRecordLayoutByteByByte)
{
    SPPS_ACTION_MOVE move;
    move.SetName("mv");
    move.scope = {1, 2, 3, 4};
    move.validity = {2, 5, 6, 7};
    move.fDeltaTime = 1.0f;
    move.dwCRCNum = 8;
    move.fStartTime = 2.0f;
    const std::string bytes = Record(move);
    ASSERT_EQ(bytes.size(), 72u + 2u);
    kestu::ByteReader in(bytes.data(), bytes.size());
    EXPECT_EQ(in.U32(), 266u);
    for (uint32_t v : {1u, 2u, 3u, 4u, 2u, 5u, 6u, 7u}) EXPECT_EQ(in.U32(), v);
    EXPECT_EQ(in.F32(), 1.0f);
    EXPECT_EQ(in.U32(), 8u);
    EXPECT_EQ(in.U32(), 108u) << "MOVE's size figure";
    EXPECT_EQ(in.U32(), 0u);
    EXPECT_EQ(in.U32(), 2u);
    EXPECT_EQ(bytes.substr(56, 2), "mv");
    in.Skip(2);
    EXPECT_EQ(in.F32(), 2.0f);
}

// The own fields of each record in its first form, and what the full form
// adds after them.
struct OwnSize {
    DWORD id;
    size_t first, added;
};
constexpr OwnSize kOwnSizes[] = {
    {PPS_ACTION_AVOID, 80, 0},     {PPS_ACTION_BOUNCE, 80, 0},   {PPS_ACTION_DAMP, 12, 8},
    {PPS_ACTION_EXPLODE, 32, 0},   {PPS_ACTION_FOLLOW, 12, 0},   {PPS_ACTION_GRAVITY, 12, 0},
    {PPS_ACTION_GRAVITATE, 12, 0}, {PPS_ACTION_JET, 24, 68},     {PPS_ACTION_KILL, 8, 0},
    {PPS_ACTION_MATCH, 12, 0},     {PPS_ACTION_MOVE, 0, 0},      {PPS_ACTION_SINK, 76, 0},
    {PPS_ACTION_VORTEX, 36, 0},    {PPS_ACTION_DIFFUSE, 0, 0},   {PPS_ACTION_ORBIT, 12, 12},
    {PPS_ACTION_SOURCE, 208, 144}, {PPS_ACTION_COLORCTRL, 24, 0}};

TEST(ActionRecord, OwnFieldSizesFollowTheBasePart)
{
    for (const OwnSize& own : kOwnSizes) {
        std::unique_ptr<SPPS_ACTION_BASE> a = Configured(own.id);
        const std::string bytes = Record(*a);
        EXPECT_EQ(bytes.size(), 72u + 6u + own.first + own.added) << own.id;
        // The first form is the full one without its added tail.
        HRESULT hr = -1;
        std::unique_ptr<SPPS_ACTION_BASE> back = ReadRecord(bytes.substr(0, 78 + own.first), &hr, true);
        EXPECT_EQ(hr, 0) << own.id;
        EXPECT_EQ(Record(*back).substr(0, 78 + own.first), bytes.substr(0, 78 + own.first)) << own.id;
    }
}

TEST(ActionRecord, EveryActionReadsBackWhatItWrote)
{
    for (DWORD id = PPS_ACTION_AVOID; id <= PPS_ACTION_COLORCTRL; ++id) {
        std::unique_ptr<SPPS_ACTION_BASE> a = Configured(id);
        const std::string bytes = Record(*a);
        HRESULT hr = -1;
        std::unique_ptr<SPPS_ACTION_BASE> back = ReadRecord(bytes, &hr);
        EXPECT_EQ(hr, 0) << id;
        EXPECT_EQ(Record(*back), bytes) << id;
        EXPECT_STREQ(back->GetName(), a->GetName());
        EXPECT_EQ(back->fExecuteTime, 4.5f);
    }
}

TEST(ActionRecord, FirstFormRecordsLeaveTheLaterFieldsAtTheirDefaults)
{
    const auto first = [](DWORD id) {
        const std::string full = Record(*Configured(id));
        for (const OwnSize& own : kOwnSizes)
            if (own.id == id) return ReadRecord(full.substr(0, 78 + own.first), nullptr, true);
        return std::unique_ptr<SPPS_ACTION_BASE>();
    };
    std::unique_ptr<SPPS_ACTION_BASE> damp = first(PPS_ACTION_DAMP);
    EXPECT_VEC3_EQ(static_cast<SPPS_ACTION_DAMP&>(*damp).fDamping, 0.5f, 0, 0);
    std::unique_ptr<SPPS_ACTION_BASE> source = first(PPS_ACTION_SOURCE);
    const auto& s = static_cast<SPPS_ACTION_SOURCE&>(*source);
    EXPECT_EQ(s.positionB.DomainType, PPS_DOMAIN_NONE);
    EXPECT_EQ(s.size.DomainType, PPS_DOMAIN_NONE);
    std::unique_ptr<SPPS_ACTION_BASE> jet = first(PPS_ACTION_JET);
    EXPECT_EQ(static_cast<SPPS_ACTION_JET&>(*jet).domain.DomainType, PPS_DOMAIN_NONE);
    // A header-built SOURCE starts from the script defaults.
    SPPS_ACTION_DATA header{};
    header.dwActionID = PPS_ACTION_SOURCE;
    SPPS_ACTION_SOURCE fresh(&header);
    EXPECT_EQ(fresh.velocity.DomainType, PPS_DOMAIN_CYLINDER);
    EXPECT_EQ(fresh.color.DomainType, PPS_DOMAIN_SPHERE);
}

// Each action's own words in the order the format lays them out, one letter
// a field (f float, i integer, v vector, x a vector's x alone, D domain),
// with the script key that shows the field (a domain's name).
struct OwnLayout {
    DWORD id;
    const char* kinds;
    std::vector<const char*> keys;
};
const OwnLayout kOwnLayouts[] = {
    {PPS_ACTION_AVOID, "Dfff", {"domain", "fEpsilon", "fLookAhead", "fMagnitude"}},
    {PPS_ACTION_BOUNCE, "Dfff", {"domain", "fCutoffSqr", "fOneMinFriction", "fResilience"}},
    {PPS_ACTION_DAMP, "xff", {"fDamping", "fVhighSqr", "fVlowSqr"}},
    {PPS_ACTION_EXPLODE, "vfffff", {"vCenter", "fMagnitude", "fAge", "fEpsilon", "fStdev", "fVelocity"}},
    {PPS_ACTION_FOLLOW, "fff", {"fEpsilon", "fMagnitude", "fMaxRadius"}},
    {PPS_ACTION_GRAVITY, "v", {"vDirection"}},
    {PPS_ACTION_GRAVITATE, "fff", {"fEpsilon", "fMagnitude", "fMaxRadius"}},
    {PPS_ACTION_JET, "vfff", {"vCenter", "fEpsilon", "fMagnitude", "fMaxRadius"}},
    {PPS_ACTION_KILL, "fi", {"fAgeLimit", "bKillLessThan"}},
    {PPS_ACTION_MATCH, "fff", {"fEpsilon", "fMagnitude", "fMaxRadius"}},
    {PPS_ACTION_MOVE, "", {}},
    {PPS_ACTION_SINK, "Dii", {"domain", "bKillInside", "nType"}},
    {PPS_ACTION_VORTEX, "vvfff", {"vCenter", "vAxis", "fEpsilon", "fMagnitude", "fMaxRadius"}},
    {PPS_ACTION_DIFFUSE, "", {}},
    {PPS_ACTION_ORBIT, "fff", {"fMagnitude", "fEpsilon", "fMaxRadius"}},
    {PPS_ACTION_SOURCE, "DDDf", {"position", "velocity", "color", "fRate"}},
    {PPS_ACTION_COLORCTRL, "iiiifi", {"bSpark", "bSuddenChange", "dwStartColor", "dwEndColor", "fCycle", "bLoop"}},
};

// Word n of the own fields holds the number n + 1 (a domain's type word 0),
// so the script shows which word each field took.
TEST(ActionRecord, OwnWordsLaidByHandLandInTheirFields)
{
    for (const OwnLayout& layout : kOwnLayouts) {
        std::vector<uint8_t> b;
        kestu::ByteWriter w(b);
        w.U32(layout.id);
        w.Zeros(48);
        w.U32(0);
        w.Zeros(16);
        std::vector<std::string> expected;
        int n = 0;
        const auto number = [&](int k) { return std::to_string(n + k); };
        for (size_t i = 0; layout.kinds[i]; ++i) {
            const std::string key = layout.keys[i];
            switch (layout.kinds[i]) {
            case 'f':
            case 'i':
                if (layout.kinds[i] == 'f')
                    w.F32(float(++n));
                else
                    w.U32(uint32_t(++n));
                expected.push_back("\t" + key + "\t" + number(0) + "\n");
                break;
            case 'x':
                w.F32(float(++n));
                expected.push_back("\t" + key + "\t\n\t\t{\n\t\tx\t" + number(0) + "\n");
                break;
            case 'v':
                for (int k = 0; k < 3; ++k) w.F32(float(++n));
                expected.push_back("\t" + key + "\n\t\t{\n\t\tx\t" + number(-2) + "\n\t\ty\t" + number(-1) +
                                   "\n\t\tz\t" + number(0) + "\n");
                break;
            case 'D':
                w.U32(0);
                ++n;
                for (int k = 0; k < 16; ++k) w.F32(float(++n));
                expected.push_back("\tdomain\t" + key + "\n\t\t{\n\t\tDomainType\t0\n\t\tp1\t\n\t\t{\n\t\tx\t" +
                                   number(-15) + "\n");
                break;
            }
        }
        const std::string laid(b.begin(), b.end());
        HRESULT hr = -1;
        std::unique_ptr<SPPS_ACTION_BASE> a = ReadRecord(laid, &hr, true);
        ASSERT_EQ(hr, 0) << layout.id;
        const std::string script = Script(*a);
        for (const std::string& line : expected) EXPECT_NE(script.find(line), std::string::npos) << layout.id << line;
        std::stringstream again;
        again.iword(ActionRecordFormSlot()) = kShortActionRecords;
        a->Serialize(again, 1);
        EXPECT_EQ(again.str(), laid) << layout.id;
    }
}

TEST(ActionRecord, LongNamesAreCutOnWritingAndRefusedOnReading)
{
    SPPS_ACTION_GRAVITY g(0, -1, 0);
    g.SetName("a name that is far too long");
    const std::string bytes = Record(g);
    EXPECT_EQ(bytes.size(), 72u + 19u + 12u);
    std::unique_ptr<SPPS_ACTION_BASE> back = ReadRecord(bytes);
    EXPECT_STREQ(back->GetName(), "a name that is far ");

    std::string tooLong =
        bytes.substr(0, 52) + std::string("\x14\x00\x00\x00", 4) + std::string(20, 'n') + bytes.substr(52 + 4 + 19);
    HRESULT hr = 0;
    back = ReadRecord(tooLong, &hr);
    EXPECT_LT(hr, 0);
    EXPECT_STREQ(back->GetName(), "");
    EXPECT_VEC3_EQ(static_cast<SPPS_ACTION_GRAVITY&>(*back).vDirection, 0, 0, 0);

    for (size_t cut : {size_t{53}, size_t{60}, bytes.size() - 1}) {
        back = ReadRecord(bytes.substr(0, cut), &hr);
        EXPECT_LT(hr, 0) << cut;
        EXPECT_VEC3_EQ(static_cast<SPPS_ACTION_GRAVITY&>(*back).vDirection, 0, 0, 0);
    }
}

TEST(ActionScript, BaseBlockAsWritten)
{
    SPPS_ACTION_KILL kill(60.5f, 1);
    kill.SetName("old");
    kill.scope = {1, 2, 3, 4};
    kill.validity = {2, 5, 6, 7};
    kill.fDeltaTime = 0.1f;
    kill.fLifeTime = 3;
    EXPECT_EQ(Script(kill),
              "\n\tAction\told\n\t{\n"
              "\tActionID\t264\n"
              "\tBaseInfo\n\t{\n"
              "\t\tscope\n\t\t{\n\t\tnscope\t1\n\t\tdwParam1\t2\n\t\tdwParam2\t3\n\t\tdwParam3\t4\n\t\t}\n"
              "\t\tvalidity\n\t\t{\n\t\tnValidity\t2\n\t\tnParam1\t5\n\t\tnParam2\t6\n\t\tnParam3\t7\n\t\t}\n"
              "\tfDeltaTime\t0.1\n\tdwCRCNum\t0\n\tdwSize\t116\n\tdwFPFFlags\t0\n"
              "\tfStartTime\t0\n\tfLifeTime\t3\n\tfRepeatTime\t0\n\tfExecuteTime\t0\n"
              "\n\t}\n"
              "\tfAgeLimit\t60.5\n\tbKillLessThan\t1\n"
              "\n\t}\n");
}

TEST(ActionScript, OwnLinesOfTheVectorAndDomainActions)
{
    SPPS_ACTION_GRAVITY g(0, -10, 0);
    const std::string gravity = Script(g);
    EXPECT_EQ(gravity.substr(gravity.find("\tvDirection")),
              "\tvDirection\n\t\t{\n\t\tx\t0\n\t\ty\t-10\n\t\tz\t0\n\t\t}\n\t}\n");
    SPPS_ACTION_DAMP damp(0.5f, 0.25f, 1, 9, 1);
    const std::string d = Script(damp);
    EXPECT_NE(d.find("\tfDamping\t\n\t\t{\n\t\tx\t0.5\n\t\ty\t0.25\n\t\tz\t1\n\t\t}\n\tfVhighSqr\t9\n\tfVlowSqr\t1\n"),
              std::string::npos);
    SPPS_ACTION_SINK sink(1, 1, PPS_DOMAIN_SPHERE, 0, 0, 0, 1);
    const std::string s = Script(sink);
    EXPECT_NE(s.find("\tdomain\tdomain\n\t\t{\n\t\tDomainType\t6\n\t\tp1\t\n\t\t{"), std::string::npos);
    EXPECT_NE(s.find("\n\t\t}\n\tbKillInside\t1\n\tnType\t1\n\n\t}\n"), std::string::npos);
}

TEST(ActionScript, EveryActionReadsBackWhatItWrote)
{
    for (DWORD id = PPS_ACTION_AVOID; id <= PPS_ACTION_COLORCTRL; ++id) {
        std::unique_ptr<SPPS_ACTION_BASE> a = Configured(id);
        const std::string text = Script(*a) + "after\n";
        std::string rest;
        std::unique_ptr<SPPS_ACTION_BASE> back = ReadScript(text, &rest);
        EXPECT_EQ(Script(*back), Script(*a)) << id;
        EXPECT_EQ(rest, "after") << "the block is read to its end: " << id;
    }
}

TEST(ActionScript, FlagsUnsignedValuesAndTheRandomModeSurvive)
{
    std::unique_ptr<SPPS_ACTION_BASE> color = ReadScript(Script(*Configured(PPS_ACTION_COLORCTRL)));
    const auto& c = static_cast<SPPS_ACTION_COLORCTRL&>(*color);
    EXPECT_EQ(c.dwStartColor, 0xFF102030u);
    EXPECT_EQ(c.bLoop, 1);
    EXPECT_EQ(c.bSpark, 1);
    EXPECT_EQ(color->scope.dwParam3, 4000000000u);
    std::unique_ptr<SPPS_ACTION_BASE> kill = ReadScript(Script(*Configured(PPS_ACTION_KILL)));
    EXPECT_EQ(static_cast<SPPS_ACTION_KILL&>(*kill).bKillLessThan, 1);

    std::unique_ptr<SPPS_ACTION_BASE> coin = Configured(PPS_ACTION_MOVE);
    coin->validity.nValidity = 4;
    EXPECT_EQ(ReadScript(Script(*coin))->validity.nValidity, 4);
}

TEST(ActionScript, ScopeAndValidityReadersKeepTheirRules)
{
    const std::string text = "Action\tx\n{\nActionID\t266\n"
                             "BaseInfo\n{\n"
                             "scope\n{\nnscope 3\ndwParam1 9\n}\n"
                             "validity\n{\nnValidity 2\nnValidity 7\nnParam3 5\n}\n"
                             "fLifeTime\n"
                             "fStartTime 2\n"
                             "}\n}\nafter\n";
    std::string rest;
    std::unique_ptr<SPPS_ACTION_BASE> a = ReadScript(text, &rest);
    EXPECT_EQ(a->scope.nscope, 0) << "3 is no scope";
    EXPECT_EQ(a->scope.dwParam1, 9u);
    EXPECT_EQ(a->validity.nValidity, 2) << "7 is no mode";
    EXPECT_EQ(a->validity.nParam3, 5u);
    EXPECT_EQ(a->fLifeTime, 0.0f);
    EXPECT_EQ(a->fStartTime, 2.0f);
    EXPECT_EQ(rest, "after");

    // A key without a value ends a sub-block at once: its "}" then closes
    // "BaseInfo", and the lines after belong to the action's own keys.
    const std::string early = "Action\tx\n{\nActionID\t266\n"
                              "BaseInfo\n{\n"
                              "validity\n{\nnParam1\nnParam2 5\n}\n"
                              "fStartTime 2\n"
                              "}\n}\nafter\n";
    a = ReadScript(early, &rest);
    EXPECT_EQ(a->validity.nParam2, 0u);
    EXPECT_EQ(a->fStartTime, 0.0f);
    EXPECT_EQ(rest, "}");
}

TEST(ActionScript, SourceTellsItsAgeKeysApartAndKeepsDefaultDomains)
{
    const std::string text = "Action\ts\n{\nActionID\t271\n"
                             "domain\tposition\n{\nDomainType\t1\np1\n{\nx\t3\n}\n}\n"
                             "domain\tnowhere\n"
                             "fAge\t2\nfAgeSigma\t0.5\nfRate\t40\n}\n";
    std::unique_ptr<SPPS_ACTION_BASE> a = ReadScript(text);
    const auto& s = static_cast<SPPS_ACTION_SOURCE&>(*a);
    EXPECT_EQ(s.position.DomainType, PPS_DOMAIN_POINT);
    EXPECT_EQ(s.position.p1.x, 3.0f);
    EXPECT_EQ(s.fAge, 2.0f);
    EXPECT_EQ(s.fAgeSigma, 0.5f);
    EXPECT_EQ(s.fRate, 40.0f);
    EXPECT_EQ(s.velocity.DomainType, PPS_DOMAIN_CYLINDER);
    EXPECT_FLOAT_EQ(s.velocity.fRadius1, 0.39f);
    EXPECT_FLOAT_EQ(s.velocity.fRadius2, 0.31f);
}

TEST(ActionScript, ReadersStopAtTheEndOfTheText)
{
    for (DWORD id = PPS_ACTION_AVOID; id <= PPS_ACTION_COLORCTRL; ++id) {
        const std::string text = Script(*Configured(id));
        for (size_t cut : {text.size() / 3, text.size() / 2, text.size() - 4}) {
            std::unique_ptr<SPPS_ACTION_BASE> a = ReadScript(text.substr(0, cut));
            EXPECT_NE(a, nullptr);
        }
    }
}

} // namespace

#include <cstring>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "kestu_bytes.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethods.h"
#include "FullManager.h"
#include "effects/particles/file/FileFields.h"
#include "TgaLibrary.h"
#include "support/device.h"

namespace {

using ppstest::Binary;

bool SameDomain(const SPPS_DOMAIN& a, const SPPS_DOMAIN& b) { return std::memcmp(&a, &b, sizeof a) == 0; }

HRESULT Read(CParticleSystemMng& mng, const std::string& bytes)
{
    std::stringstream in(bytes);
    return mng.Serialize(in, 0);
}

TEST(ParticleFile, EmptyManagerIsByteExact)
{
    CParticleSystemMng mng;
    mng.SetTextureIDXPath("fx.kidx");
    const std::string expected("PPS_DAT_MNG\0"
                               "\x34\x12\0\0"
                               "\x78\x56\0\0"
                               "\x07\0\0\0"
                               "fx.kidx"
                               "\0\0\0\0"
                               "\0\0\0\0",
                               12 + 4 + 4 + 4 + 7 + 4 + 4);
    EXPECT_EQ(Binary(mng), expected);

    CParticleSystemMng again;
    ASSERT_EQ(Read(again, expected), 0);
    EXPECT_STREQ(again.GetTextureIDXPath(), "fx.kidx");
    EXPECT_STREQ(again.GetHeader(), "PPS_DAT_MNG");
    EXPECT_EQ(again.GetSystemCount(), 0u);
}

TEST(ParticleFile, EveryMethodAndActionSurvivesARoundTrip)
{
    CParticleSystemMng mng;
    ppstest::FillManager(mng);
    const std::string first = Binary(mng);

    CParticleSystemMng loaded;
    ASSERT_EQ(Read(loaded, first), 0);
    EXPECT_EQ(Binary(loaded), first) << "a second write differs: a field did not survive";

    // Methods by type and name, with their stored fields.
    CParticleMethodMng* methods = loaded.GetParticleMethodMng();
    ASSERT_EQ(methods->GetMethodCount(), ppstest::MethodTypes().size());
    EXPECT_EQ(methods->GetMethodTypeByName("sprites"), DWORD{PPS_METHOD_POINTSPRITE});
    auto* sprites = dynamic_cast<CMethodPointSprite*>(methods->GetMethodByName("sprites"));
    ASSERT_NE(sprites, nullptr);
    EXPECT_EQ(sprites->GetPointSize(), 7.5f);
    EXPECT_STREQ(sprites->GetTexturePath(), "sprites/spark.png");
    EXPECT_EQ(sprites->GetTexture(), nullptr) << "no device: no texture loaded";
    auto* meshes = dynamic_cast<CMethodMesh*>(methods->GetMethodByName("meshes"));
    ASSERT_NE(meshes, nullptr);
    EXPECT_STREQ(meshes->GetMeshPath(), "meshes/tex/");

    // Systems bind their method; an unspecified group gets one particle, a
    // specified one none.
    CParticleSystem* fire = loaded.GetSystemByName("fire");
    ASSERT_NE(fire, nullptr);
    EXPECT_EQ(fire->GetMethod(), methods->GetMethodByName("quads"));
    EXPECT_EQ(fire->fExecuteTime, 1.5f);
    CParticleGroup* flames = fire->GetGroupByName("flames");
    CParticleGroup* sparks = fire->GetGroupByName("sparks");
    ASSERT_TRUE(flames && sparks);
    EXPECT_EQ(flames->GetID(), 0x80000002u);
    EXPECT_TRUE(flames->IsInWorldSpace());
    EXPECT_EQ(flames->GetParticlesNumber(), 0u);
    EXPECT_EQ(sparks->GetParticlesNumber(), 1u);
    EXPECT_EQ(sparks->GetMethod(), fire->GetMethod());
    ASSERT_EQ(fire->GetActionCount(), 17u);

    // The fields the first form of the records left out.
    auto* damp = dynamic_cast<SPPS_ACTION_DAMP*>(fire->GetActionByName("act258"));
    ASSERT_NE(damp, nullptr);
    EXPECT_EQ(damp->fDamping, D3DXVECTOR3(7.0f, 7.25f, 7.5f));
    auto* source = dynamic_cast<SPPS_ACTION_SOURCE*>(fire->GetActionByName("act271"));
    ASSERT_NE(source, nullptr);
    EXPECT_TRUE(SameDomain(source->positionB, ppstest::Domain(25.0f)));
    EXPECT_TRUE(SameDomain(source->size, ppstest::Domain(35.0f)));
    EXPECT_EQ(source->fAge, 23.0f);
    EXPECT_EQ(source->fAgeSigma, 24.0f);
    auto* jet = dynamic_cast<SPPS_ACTION_JET*>(fire->GetActionByName("act263"));
    ASSERT_NE(jet, nullptr);
    EXPECT_TRUE(SameDomain(jet->domain, ppstest::Domain(7.0f)));
    auto* orbit = dynamic_cast<SPPS_ACTION_ORBIT*>(fire->GetActionByName("act270"));
    ASSERT_NE(orbit, nullptr);
    EXPECT_EQ(orbit->vCenter, D3DXVECTOR3(19.0f, 19.25f, 19.5f));
    auto* kill = dynamic_cast<SPPS_ACTION_KILL*>(fire->GetActionByName("act264"));
    ASSERT_NE(kill, nullptr);
    EXPECT_EQ(kill->bKillLessThan, 5);
    EXPECT_EQ(kill->validity.nValidity, 4);
    EXPECT_EQ(kill->scope.dwParam1, 0x80000001u);
}

TEST(ParticleFile, GroupRecordCountsOnlySpecifiedParticles)
{
    CParticleGroup specified, open;
    specified.SetSpecified(1);
    specified.Spawn(3);
    open.Spawn(2);
    for (CParticleGroup* g : {&specified, &open}) {
        std::stringstream s;
        ASSERT_EQ(g->Serialize(s, 1), 0);
        const std::string bytes = s.str();
        ASSERT_EQ(bytes.size(), 4u * 4 + 4 + std::strlen(g->GetName()) + 4);
        const uint32_t count = kestu::GetU32(reinterpret_cast<const uint8_t*>(bytes.data()) + bytes.size() - 4);
        EXPECT_EQ(count, g == &specified ? 3u : 1u);
        CParticleGroup back;
        ASSERT_EQ(back.Serialize(s, 0), 0);
        EXPECT_EQ(back.GetParticlesNumber(), g == &specified ? 0u : 1u);
        EXPECT_STREQ(back.GetName(), g->GetName());
    }
}

// The start of a manager's file with no path and no methods, up to its system
// count.
void PutManagerStart(kestu::ByteWriter& w, uint32_t systems)
{
    w.Bytes("PPS_DAT_MNG", 12);
    w.U32(0x1234);
    w.U32(0x5678);
    w.U32(0); // path
    w.U32(0); // methods
    w.U32(systems);
}

// A system record up to its group count, its times zero and no method name.
void PutSystemStart(kestu::ByteWriter& w, const std::string& name, uint32_t minorVer, uint32_t groups)
{
    w.U32(static_cast<uint32_t>(name.size()));
    w.Bytes(name.data(), name.size());
    w.Bytes("PPS_DAT", 8);
    w.U32(0x1234);
    w.U32(minorVer);
    for (int i = 0; i < 4; ++i) w.F32(0.0f);
    w.U32(0); // method name
    w.U32(groups);
}

// A group without a maximum is written with its one particle and reads back.
TEST(ParticleFile, GroupWithoutMaximumReadsBack)
{
    CParticleGroup none;
    none.SetMaxParticleNumber(0);
    std::stringstream s;
    ASSERT_EQ(none.Serialize(s, 1), 0);
    CParticleGroup back;
    ASSERT_EQ(back.Serialize(s, 0), 0);
    EXPECT_EQ(back.GetMaxParticleNumber(), 0u);
    EXPECT_EQ(back.GetParticlesNumber(), 1u);
}

// Many groups that each make a share of the most particles a file may make
// at load stop the read, inside one system, before the particles outgrow
// memory.
TEST(ParticleFile, ParticlesMadeAtLoadAreBoundedForTheWholeFile)
{
    constexpr uint32_t kShare = ppsfile::kLoadedParticlesTotal / 4;
    const auto file = [](uint32_t groups) {
        std::vector<uint8_t> b;
        kestu::ByteWriter w(b);
        PutManagerStart(w, 1);
        PutSystemStart(w, "s", 0x5679, groups);
        for (uint32_t i = 0; i < groups; ++i) {
            w.U32(i);
            w.U32(0); // particles not specified
            w.U32(kShare);
            w.U32(0);
            w.U32(1);
            w.Bytes("g", 1);
            w.U32(kShare);
        }
        w.U32(0); // actions
        return std::string(b.begin(), b.end());
    };
    CParticleSystemMng mng;
    ASSERT_EQ(Read(mng, file(4)), 0);
    EXPECT_EQ(mng.FirstSystem()->LastGroup()->GetParticlesNumber(), kShare);
    EXPECT_EQ(Read(mng, file(5)), E_FAIL) << "refused within the one system";
    EXPECT_EQ(mng.GetSystemCount(), 0u);
    EXPECT_EQ(Read(mng, file(4)), 0) << "every read starts with the whole allowance";
    mng.Clear();
}

TEST(ParticleFile, ReadingTwiceGivesTheSameSystems)
{
    CParticleSystemMng mng;
    ppstest::FillManager(mng);
    const std::string bytes = Binary(mng);
    CParticleSystemMng loaded;
    ASSERT_EQ(Read(loaded, bytes), 0);
    const DWORD firstId = loaded.FirstSystem()->GetID();
    ASSERT_EQ(Read(loaded, bytes), 0);
    EXPECT_EQ(loaded.GetSystemCount(), 2u);
    EXPECT_GT(loaded.FirstSystem()->GetID(), firstId) << "running ids keep growing";
    EXPECT_EQ(Binary(loaded), bytes);
}

// A system stored with the first minor version holds the records of the
// first form: DAMP without its y and z.
TEST(ParticleFile, FirstFormRecordsStillRead)
{
    std::vector<uint8_t> b;
    kestu::ByteWriter w(b);
    PutManagerStart(w, 1);
    PutSystemStart(w, "old", 0x5678, 0);
    w.U32(2); // actions
    for (DWORD id : {DWORD{PPS_ACTION_DAMP}, DWORD{PPS_ACTION_GRAVITY}}) {
        w.U32(id);
        w.Zeros(48);
        w.U32(0); // name
        for (int i = 0; i < 4; ++i) w.F32(0.0f);
        w.F32(0.5f);
        w.F32(id == PPS_ACTION_DAMP ? 9.0f : 0.75f);
        w.F32(id == PPS_ACTION_DAMP ? 1.0f : 2.5f);
    }
    CParticleSystemMng mng;
    ASSERT_EQ(Read(mng, std::string(b.begin(), b.end())), 0);
    CParticleSystem::action_iterator it;
    auto* damp = dynamic_cast<SPPS_ACTION_DAMP*>(mng.FirstSystem()->FirstAction(it));
    ASSERT_NE(damp, nullptr);
    EXPECT_EQ(damp->fDamping.x, 0.5f);
    EXPECT_EQ(damp->fVhighSqr, 9.0f);
    EXPECT_EQ(damp->fVlowSqr, 1.0f);
    mng.FirstSystem()->NextAction(it);
    auto* gravity = dynamic_cast<SPPS_ACTION_GRAVITY*>(mng.FirstSystem()->NextAction(it));
    ASSERT_NE(gravity, nullptr);
    EXPECT_EQ(gravity->vDirection, D3DXVECTOR3(0.5f, 0.75f, 2.5f));
}

// An action record of the first form: the 52-byte header, the name, four
// zero times and the action's own words.
void PutShortAction(kestu::ByteWriter& w, DWORD id, const std::string& name, const std::vector<float>& own)
{
    w.U32(id);
    w.I32(2); // nscope
    w.Zeros(12);
    w.I32(2); // nValidity
    w.Zeros(12);
    w.F32(0.05f);
    w.Zeros(12);
    w.U32(static_cast<uint32_t>(name.size()));
    w.Bytes(name.data(), name.size());
    for (int i = 0; i < 4; ++i) w.F32(0.0f);
    for (float f : own) w.F32(f);
}

std::vector<float> DomainWords(int32_t type, float k)
{
    std::vector<float> d(17);
    std::memcpy(d.data(), &type, 4);
    for (int i = 1; i < 17; ++i) d[i] = k + float(i);
    return d;
}

// A file laid out field by field as the format gives it, with the actions
// whose records the engine's second form lengthens, its system stored with
// the given minor version.
std::string ShortFormFile(uint32_t minorVer = 0x5678)
{
    std::vector<uint8_t> b;
    kestu::ByteWriter w(b);
    PutManagerStart(w, 1);
    PutSystemStart(w, "peer", minorVer, 1);
    w.U32(7);   // GroupID
    w.U32(0);   // not specified
    w.U32(500); // MaxParticleNumber
    w.U32(1);   // in world space
    w.U32(2);
    w.Bytes("g0", 2);
    w.U32(1); // one particle
    w.U32(4); // actions
    PutShortAction(w, PPS_ACTION_DAMP, "damp", {0.5f, 9.0f, 1.0f});
    std::vector<float> source;
    for (float k : {1.0f, 20.0f, 40.0f}) {
        const std::vector<float> d = DomainWords(k == 1.0f ? 3 : 6, k);
        source.insert(source.end(), d.begin(), d.end());
    }
    source.push_back(12.5f);
    PutShortAction(w, PPS_ACTION_SOURCE, "source", source);
    PutShortAction(w, PPS_ACTION_JET, "jet", {1.0f, 2.0f, 3.0f, 0.01f, 4.0f, 50.0f});
    PutShortAction(w, PPS_ACTION_ORBIT, "orbit", {2.0f, 0.5f, 9.0f});
    return std::string(b.begin(), b.end());
}

TEST(ParticleFile, FirstFormFileWritesBackByteForByte)
{
    const std::string peer = ShortFormFile();
    CParticleSystemMng mng;
    ASSERT_EQ(Read(mng, peer), 0);
    ASSERT_EQ(mng.FirstSystem()->GetActionCount(), 4u);
    auto* source = dynamic_cast<SPPS_ACTION_SOURCE*>(mng.FirstSystem()->GetActionByName("source"));
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->fRate, 12.5f);
    EXPECT_EQ(source->velocity.DomainType, PPS_DOMAIN_SPHERE);
    EXPECT_EQ(Binary(mng), peer);

    // Also after a trip through the script, which keeps every field of these
    // records that a binary value can be written as exactly.
    CParticleSystemMng fromScript;
    ppstest::ReadScript(fromScript, ppstest::Script(mng));
    EXPECT_EQ(Binary(fromScript), peer);
}

// The second form is written only for a system whose action holds what the
// first would lose, and keeps it.
TEST(ParticleFile, SecondFormOnlyWhereTheFirstWouldLoseAField)
{
    struct Case {
        const char* action;
        std::function<void(SPPS_ACTION_BASE*)> change;
    } cases[] = {
        {"damp", [](SPPS_ACTION_BASE* a) { static_cast<SPPS_ACTION_DAMP*>(a)->fDamping.z = 0.25f; }},
        {"source", [](SPPS_ACTION_BASE* a) { static_cast<SPPS_ACTION_SOURCE*>(a)->fAgeSigma = 1.0f; }},
        {"source", [](SPPS_ACTION_BASE* a) { static_cast<SPPS_ACTION_SOURCE*>(a)->size = ppstest::Domain(2.0f); }},
        {"source", [](SPPS_ACTION_BASE* a) { static_cast<SPPS_ACTION_SOURCE*>(a)->positionB.fRadius2Sqr = -0.0f; }},
        {"jet", [](SPPS_ACTION_BASE* a) { static_cast<SPPS_ACTION_JET*>(a)->domain = ppstest::Domain(3.0f); }},
        {"orbit", [](SPPS_ACTION_BASE* a) { static_cast<SPPS_ACTION_ORBIT*>(a)->vCenter.y = 1.0f; }},
    };
    const std::string peer = ShortFormFile();
    for (const Case& c : cases) {
        CParticleSystemMng mng;
        ASSERT_EQ(Read(mng, peer), 0);
        SPPS_ACTION_BASE* action = mng.FirstSystem()->GetActionByName(c.action);
        c.change(action);
        const std::string written = Binary(mng);
        // Every record of the system takes the second form: DAMP's y and z,
        // SOURCE's two domains and ages, JET's domain, ORBIT's centre.
        EXPECT_EQ(written.size(), peer.size() + 8 + (2 * 68 + 8) + 68 + 12) << c.action;
        CParticleSystemMng back;
        ASSERT_EQ(Read(back, written), 0);
        EXPECT_EQ(Binary(back), written) << c.action << ": the field did not survive";
    }
}

// A system whose method name matches no method loads without a method and
// runs, draws and releases safely.
TEST(ParticleFile, UnknownMethodNameLeavesGroupsWithoutMethod)
{
    CParticleSystemMng mng;
    ppstest::FillManager(mng);
    mng.GetSystemByName("fire")->SetMethodName("nothing");
    CParticleSystemMng loaded;
    ASSERT_EQ(Read(loaded, Binary(mng)), 0);
    CParticleSystem* fire = loaded.GetSystemByName("fire");
    EXPECT_EQ(fire->GetMethod(), nullptr);
    EXPECT_EQ(fire->GetGroupByName("sparks")->GetMethod(), nullptr);
    EXPECT_EQ(loaded.Build(nullptr), 0);
    loaded.Logic(0.1f);
    EXPECT_EQ(fire->Render(nullptr, 0), 0);
    loaded.Clear();
}

// A point sprite's texture is loaded while reading, from either form, only
// when the method manager already has a device.
class ParticleFileDevice : public testdevice::DeviceSuite<16, 16, false> {};

TEST_F(ParticleFileDevice, PointSpriteTextureLoadsOnlyWithADevice)
{
    const std::vector<uint8_t> tga = bbtest::Tga(2, 2, [](int, int) { return 0xFFFFFFFFu; });
    std::ofstream("pps_spark.tga", std::ios::binary)
        .write(reinterpret_cast<const char*>(tga.data()), std::streamsize(tga.size()));
    CParticleSystemMng mng;
    auto* sprite = static_cast<CMethodPointSprite*>(mng.GetParticleMethodMng()->NewMethod(PPS_METHOD_POINTSPRITE));
    sprite->SetName("s");
    sprite->SetTexturePath("pps_spark.tga");
    const std::string bytes = Binary(mng);
    const std::string text = ppstest::Script(mng);
    for (IDirect3DDevice8* with : {static_cast<IDirect3DDevice8*>(nullptr), device}) {
        for (bool script : {false, true}) {
            CParticleSystemMng loaded;
            loaded.GetParticleMethodMng()->SetDevice(with);
            if (script)
                ppstest::ReadScript(loaded, text);
            else
                ASSERT_EQ(Read(loaded, bytes), 0);
            auto* back = dynamic_cast<CMethodPointSprite*>(loaded.GetParticleMethodMng()->GetMethodByName("s"));
            ASSERT_NE(back, nullptr);
            EXPECT_EQ(back->GetTexture() != nullptr, with != nullptr) << (script ? "script" : "file");
        }
    }
    std::remove("pps_spark.tga");
}

// Where a field sits in the file of a small manager, so that a test can
// break it.
struct Layout {
    std::string bytes;
    size_t methodType, methodName, path, groupCount, particleCount, actionId;
};

Layout SmallFile()
{
    CParticleSystemMng mng;
    mng.SetTextureIDXPath("t");
    mng.GetParticleMethodMng()->NewMethod(PPS_METHOD_QUAD)->SetName("q");
    CParticleSystem* s = mng.NewSystem();
    s->SetName("s");
    s->NewGroup();
    s->FirstGroup()->SetName("g");
    s->FirstGroup()->SetMaxParticleNumber(4);
    s->SetMethodName("q");
    s->AddAction(new SPPS_ACTION_MOVE);
    Layout l;
    l.bytes = Binary(mng);
    l.path = 20;
    l.methodType = 29;
    l.methodName = 33;
    const size_t system = 38 + 4;
    const size_t groups = system + 5 + 8 + 8 + 16 + 5;
    l.groupCount = groups;
    l.particleCount = groups + 4 + 16 + 5;
    l.actionId = l.particleCount + 8;
    return l;
}

void PutU32At(std::string& s, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) s[at + i] = char(v >> (8 * i));
}

TEST(ParticleFile, RefusesWhatTheFormatCannotHold)
{
    const Layout good = SmallFile();
    ASSERT_EQ(kestu::GetU32(reinterpret_cast<const uint8_t*>(good.bytes.data()) + good.actionId),
              DWORD{PPS_ACTION_MOVE});
    struct Case {
        const char* what;
        size_t at;
        uint32_t value;
    } cases[] = {
        {"path longer than 255 bytes", good.path, 256},
        {"method type without a class", good.methodType, 7},
        {"method name longer than 19 bytes", good.methodName, 20},
        {"more particles than the group's maximum", good.particleCount, 5},
        {"action id beyond 272", good.actionId, 273},
        {"action id below 256", good.actionId, 255},
        {"more groups than the file holds", good.groupCount, 0xFFFFFFFFu},
    };
    for (const Case& c : cases) {
        std::string bad = good.bytes;
        PutU32At(bad, c.at, c.value);
        CParticleSystemMng mng;
        ppstest::FillManager(mng);
        EXPECT_EQ(Read(mng, bad), E_FAIL) << c.what;
        EXPECT_EQ(mng.GetSystemCount(), 0u) << c.what;
        EXPECT_EQ(mng.GetParticleMethodMng()->GetMethodCount(), 0u) << c.what;
        // Released and ready for another read.
        EXPECT_EQ(Read(mng, good.bytes), 0) << c.what;
        EXPECT_EQ(Binary(mng), good.bytes) << c.what;
    }
    for (size_t cut = 0; cut < good.bytes.size(); ++cut) {
        CParticleSystemMng mng;
        EXPECT_EQ(Read(mng, good.bytes.substr(0, cut)), E_FAIL) << "cut at " << cut;
        EXPECT_EQ(mng.GetSystemCount(), 0u);
    }
}

// Other writers store minor versions of their own; the records are of the
// short form unless the system carries our long form's version.
TEST(ParticleFile, EveryMinorVersionButTheLongFormsReadsShortRecords)
{
    for (uint32_t minor : {0u, 1u, 0x5677u, 0x5678u, 0x567Au, 0x79560000u, 0xFFFFFFFFu}) {
        SCOPED_TRACE(minor);
        CParticleSystemMng mng;
        ASSERT_EQ(Read(mng, ShortFormFile(minor)), 0);
        CParticleSystem* peer = mng.FirstSystem();
        EXPECT_EQ(peer->GetMinorVer(), minor) << "kept as read";
        ASSERT_EQ(peer->GetActionCount(), 4u);
        auto* source = dynamic_cast<SPPS_ACTION_SOURCE*>(peer->GetActionByName("source"));
        ASSERT_NE(source, nullptr);
        EXPECT_EQ(source->fRate, 12.5f);
        auto* orbit = dynamic_cast<SPPS_ACTION_ORBIT*>(peer->GetActionByName("orbit"));
        ASSERT_NE(orbit, nullptr);
        EXPECT_EQ(orbit->fMaxRadius, 9.0f);
        EXPECT_EQ(Binary(mng), ShortFormFile()) << "written back in the short form, under its version";
    }
    // Read as long records, the same bytes run past the end of the file.
    CParticleSystemMng mng;
    EXPECT_EQ(Read(mng, ShortFormFile(0x5679)), E_FAIL);
    EXPECT_EQ(mng.GetSystemCount(), 0u);
}

// The script has one form of records: a system read from a long-form file
// writes the same script as the system it was written from.
TEST(ParticleFile, ScriptOfALongFormFileCarriesTheScriptsVersion)
{
    CParticleSystemMng mng;
    ppstest::FillManager(mng);
    const std::string bytes = Binary(mng);
    CParticleSystemMng loaded;
    ASSERT_EQ(Read(loaded, bytes), 0);
    ASSERT_EQ(loaded.FirstSystem()->GetMinorVer(), 0x5679u) << "the fixture needs the long form";
    const std::string script = ppstest::Script(loaded);
    EXPECT_EQ(script, ppstest::Script(mng));
    EXPECT_EQ(script.find("//MinorVer\t22137"), std::string::npos);
    size_t versions = 0;
    for (size_t at = script.find("//MinorVer\t22136\n"); at != std::string::npos;
         at = script.find("//MinorVer\t22136\n", at + 1))
        ++versions;
    EXPECT_EQ(versions, 1u + loaded.GetSystemCount()) << "the manager's line and each system's";
}

} // namespace

#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "kestu_datachunk.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "kestu_ppsmethods.h"
#include "FullManager.h"

namespace {

using ppstest::ReadScript;
using ppstest::Script;

TEST(ParticleScript, EmptyManagerText)
{
    CParticleSystemMng mng;
    mng.SetTextureIDXPath("fx.kidx");
    EXPECT_EQ(Script(mng), "{\n"
                           "//Header\tPPS_DAT_MNG\n"
                           "//MajorVer\t4660\n"
                           "//MinorVer\t22136\n"
                           "TextureIDXPath\tfx.kidx\n"
                           "{\n\n\n"
                           "MethodSet\t\n"
                           "MethodNum\t0\n\n"
                           "}\n"
                           "SystemNum\t0\n"
                           "}\n");
}

TEST(ParticleScript, EveryMethodAndActionSurvivesARoundTrip)
{
    CParticleSystemMng mng;
    ppstest::FillManager(mng);
    const std::string first = Script(mng);
    CParticleSystemMng loaded;
    ReadScript(loaded, first);
    EXPECT_EQ(Script(loaded), first);

    EXPECT_STREQ(loaded.GetTextureIDXPath(), "data/effects.kidx");
    CParticleMethodMng* methods = loaded.GetParticleMethodMng();
    ASSERT_EQ(methods->GetMethodCount(), ppstest::MethodTypes().size());
    EXPECT_EQ(methods->GetMethodTypeByName("meshes"), DWORD{PPS_METHOD_MESH});
    auto* sprites = dynamic_cast<CMethodPointSprite*>(methods->GetMethodByName("sprites"));
    ASSERT_NE(sprites, nullptr);
    EXPECT_EQ(sprites->GetPointSize(), 7.5f);
    EXPECT_STREQ(sprites->GetTexturePath(), "sprites/spark.png");
    auto* meshes = dynamic_cast<CMethodMesh*>(methods->GetMethodByName("meshes"));
    ASSERT_NE(meshes, nullptr);
    EXPECT_STREQ(meshes->GetMeshFile(), "meshes/ember.gma");

    CParticleSystem* fire = loaded.GetSystemByName("fire");
    ASSERT_NE(fire, nullptr);
    EXPECT_EQ(fire->fStartTime, 0.5f);
    EXPECT_EQ(fire->fExecuteTime, 1.5f);
    EXPECT_EQ(fire->GetMethod(), methods->GetMethodByName("quads"));
    ASSERT_EQ(fire->GetGroupCount(), 2u);
    CParticleGroup* flames = fire->GetGroupByName("flames");
    ASSERT_NE(flames, nullptr);
    EXPECT_EQ(flames->GetID(), 0x80000002u) << "unsigned values beyond 2^31 survive";
    EXPECT_TRUE(flames->IsSpecified());
    EXPECT_TRUE(flames->IsInWorldSpace());
    EXPECT_EQ(flames->GetMaxParticleNumber(), 500u);
    EXPECT_EQ(flames->GetParticlesNumber(), 0u);
    EXPECT_EQ(flames->GetMethod(), fire->GetMethod());
    ASSERT_EQ(fire->GetActionCount(), 17u);
    EXPECT_NE(fire->GetActionByName("act269"), nullptr) << "DIFFUSE is written and read";
    auto* sink = dynamic_cast<SPPS_ACTION_SINK*>(fire->GetActionByName("act267"));
    ASSERT_NE(sink, nullptr);
    EXPECT_EQ(sink->nType, 0xF0000001u);
    EXPECT_EQ(sink->bKillInside, 3);
    EXPECT_EQ(sink->validity.nValidity, 4);
    auto* color = dynamic_cast<SPPS_ACTION_COLORCTRL*>(fire->GetActionByName("act272"));
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->bLoop, 4);
    EXPECT_EQ(color->dwStartColor, 0xFF102030u);
    auto* orbit = dynamic_cast<SPPS_ACTION_ORBIT*>(fire->GetActionByName("act270"));
    ASSERT_NE(orbit, nullptr);
    EXPECT_EQ(orbit->vCenter, D3DXVECTOR3(19.0f, 19.25f, 19.5f));
    auto* jet = dynamic_cast<SPPS_ACTION_JET*>(fire->GetActionByName("act263"));
    ASSERT_NE(jet, nullptr);
    EXPECT_EQ(jet->domain.DomainType, PPS_DOMAIN_CONE);
    EXPECT_EQ(jet->domain.p1, D3DXVECTOR3(7.0f, 7.25f, 7.5f));
    ASSERT_NE(loaded.GetSystemByName("smoke"), nullptr);
    EXPECT_EQ(loaded.GetSystemByName("smoke")->GetActionCount(), 17u);
}

// A binary file may carry names and paths with line feeds in them: the script
// keeps them up to the first, and every block around them whole.
TEST(ParticleScript, LineFeedsInNamesAndPathsKeepTheLines)
{
    CParticleSystemMng mng;
    ppstest::FillManager(mng);
    std::string bytes = ppstest::Binary(mng);
    bytes.replace(0, 4, "P\n}\n");
    std::stringstream in(bytes);
    CParticleSystemMng loaded;
    ASSERT_EQ(loaded.Serialize(in, 0), 0);
    loaded.SetTextureIDXPath("x.kidx\n}");
    CParticleMethodMng* methods = loaded.GetParticleMethodMng();
    auto* sprites = static_cast<CMethodPointSprite*>(methods->GetMethodByName("sprites"));
    sprites->SetName("sprites\n}\n}");
    sprites->SetTexturePath("t.png\n}\n}");
    static_cast<CMethodMesh*>(methods->GetMethodByName("meshes"))->SetMeshFile("m.gma\n}");
    CParticleSystem* fire = loaded.GetSystemByName("fire");
    fire->SetName("fire\n}");
    fire->FirstGroup()->SetName("flames\n}\n}");
    fire->GetActionByName("act256")->SetName("a\n}");
    loaded.GetSystemByName("smoke")->SetMethodName("sprites\n}\n}");

    CParticleSystemMng again;
    ReadScript(again, Script(loaded));
    EXPECT_STREQ(again.GetTextureIDXPath(), "x.kidx");
    methods = again.GetParticleMethodMng();
    ASSERT_EQ(methods->GetMethodCount(), ppstest::MethodTypes().size());
    sprites = dynamic_cast<CMethodPointSprite*>(methods->GetMethodByName("sprites"));
    ASSERT_NE(sprites, nullptr);
    EXPECT_STREQ(sprites->GetTexturePath(), "t.png");
    EXPECT_STREQ(static_cast<CMethodMesh*>(methods->GetMethodByName("meshes"))->GetMeshFile(), "m.gma");
    ASSERT_EQ(again.GetSystemCount(), 2u);
    fire = again.GetSystemByName("fire");
    ASSERT_NE(fire, nullptr);
    EXPECT_EQ(fire->GetGroupCount(), 2u);
    EXPECT_NE(fire->GetGroupByName("flames"), nullptr);
    EXPECT_EQ(fire->GetActionCount(), 17u);
    EXPECT_NE(fire->GetActionByName("a"), nullptr);
    ASSERT_NE(again.GetSystemByName("smoke"), nullptr);
    EXPECT_EQ(again.GetSystemByName("smoke")->GetMethod(), sprites);
}

// The lines of a system around one action block that breaks in some way.
std::string SystemAround(const std::string& action)
{
    return "{\nMethodSet\nMethodNum\t1\nMethodType\t2\n{\nMethod\tq\n}\n}\n"
           "ParticleSystem\tfire\n{\n"
           "fStartTime\t1\nfLifeTime   3.5  \n"
           "MapMethodName\tq\n" +
           action +
           "\n\tGroup\tafter\n\t{\n\tGroupID\t7\n\t}\n"
           "\n\tAction\tmove\n\t{\n\tActionID\t266\n\tBaseInfo\n\t{\n\tfStartTime\t0.25\n\t}\n\t}\n"
           "}\n}\n";
}

TEST(ParticleScript, ABrokenActionBlockNeverReachesTheSystem)
{
    const char* const broken[] = {
        // No "ActionID" first line: its base lines would set the system's times.
        "Action\tlost\n{\nBaseInfo\n{\nfStartTime\t99\nfLifeTime\t99\n}\n}\n",
        // An id no action has.
        "Action\tlost\n{\nActionID\t300\nBaseInfo\n{\nfStartTime\t99\n}\n}\n",
        // An unnamed block.
        "Action\n{\nActionID\t266\nBaseInfo\n{\nfStartTime\t99\n}\n}\n",
        // A sub-block that ends early at a key without a value.
        "Action\tdamp\n{\nActionID\t258\nfDamping\n{\nx\n}\nfStartTime\t99\n}\n",
        // DIFFUSE, whose own lines are none.
        "Action\tdiffuse\n{\nActionID\t269\nBaseInfo\n{\nfStartTime\t2\n}\nfLifeTime\t99\n}\n",
    };
    for (const char* action : broken) {
        CParticleSystemMng mng;
        ReadScript(mng, SystemAround(action));
        CParticleSystem* fire = mng.GetSystemByName("fire");
        ASSERT_NE(fire, nullptr) << action;
        EXPECT_EQ(fire->fStartTime, 1.0f) << action;
        EXPECT_EQ(fire->fLifeTime, 3.5f) << action;
        ASSERT_NE(fire->GetGroupByName("after"), nullptr) << action;
        EXPECT_EQ(fire->GetGroupByName("after")->GetID(), 7u) << action;
        ASSERT_NE(fire->GetActionByName("move"), nullptr) << action;
        EXPECT_EQ(fire->GetActionByName("move")->fStartTime, 0.25f) << action;
        EXPECT_EQ(fire->GetMethod(), mng.GetParticleMethodMng()->GetMethodByName("q")) << action;
    }
    CParticleSystemMng mng;
    ReadScript(mng, SystemAround(broken[4]));
    EXPECT_NE(mng.FirstSystem()->GetActionByName("diffuse"), nullptr);
    ReadScript(mng, SystemAround(broken[2]));
    EXPECT_NE(mng.FirstSystem()->GetActionByName(""), nullptr) << "an unnamed action keeps its block";
}

TEST(ParticleScript, SystemKeysAsTheScriptsWriteThem)
{
    CParticleSystemMng mng;
    ReadScript(mng, "{\nMethodSet\nMethodNum\t1\nMethodType\t0\n{\nMethod\tp\n}\n}\n"
                    "SystemNum\t5\n"
                    "ParticleSystem\tnamed\n{\nGroupSize\t4\nMapMethodName\tnone\n"
                    "Group\tg\n{\nbInWorldSpace\t1\nbSpecifiedParticles\ttrue\nMaxParticleNumber\t70000\n}\n}\n"
                    // Written without a method name: the first method, and
                    // the blocks after it kept.
                    "ParticleSystem\tbare\n{\nMapMethodName\n"
                    "Group\tkept\n{\nGroupID\t1\n}\n}\n"
                    "ParticleSystem\n{\nGroup\tlost\n{\n}\n}\n"
                    "}\n");
    EXPECT_EQ(mng.GetStoredSystemCount(), 5u);
    ASSERT_EQ(mng.GetSystemCount(), 2u) << "a system without a name is passed over";
    CParticleSystem* named = mng.GetSystemByName("named");
    ASSERT_NE(named, nullptr);
    EXPECT_EQ(named->GetStoredGroupCount(), 4u);
    EXPECT_EQ(named->GetGroupCount(), 1u);
    EXPECT_EQ(named->GetMethod(), nullptr);
    CParticleGroup* g = named->FirstGroup();
    EXPECT_FALSE(g->IsInWorldSpace()) << "only \"true\" is true";
    EXPECT_TRUE(g->IsSpecified());
    EXPECT_EQ(g->GetMaxParticleNumber(), 70000u) << "kept as stored, not cut";
    CParticleSystem* bare = mng.GetSystemByName("bare");
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->GetMethod(), mng.GetParticleMethodMng()->FirstMethod());
    ASSERT_NE(bare->GetGroupByName("kept"), nullptr);

    // The next binary write refreshes the stored counts.
    std::stringstream out;
    ASSERT_EQ(mng.Serialize(out, 1), 0);
    EXPECT_EQ(named->GetStoredGroupCount(), 1u);
    EXPECT_EQ(mng.GetStoredSystemCount(), 2u);
}

// A method set read after a system replaces the methods it holds: the
// system binds the new method of its name, and nothing points at a method
// that is gone.
TEST(ParticleScript, AMethodSetAfterTheSystemsRebindsThem)
{
    CParticleSystemMng mng;
    ReadScript(mng, "{\nMethodSet\nMethodType\t2\n{\nMethod\tq\n}\n}\n"
                    "ParticleSystem\tfire\n{\nMapMethodName\tq\nGroup\tg\n{\nMaxParticleNumber\t8\n}\n}\n"
                    "MethodSet\nMethodType\t0\n{\nMethod\tp\n}\nMethodType\t1\n{\nMethod\tq\n}\n}\n"
                    "}\n");
    CParticleSystem* fire = mng.GetSystemByName("fire");
    ASSERT_NE(fire, nullptr);
    CPPS_METHOD_BASE* q = mng.GetParticleMethodMng()->GetMethodByName("q");
    ASSERT_NE(q, nullptr);
    EXPECT_EQ(mng.GetParticleMethodMng()->GetMethodTypeByName("q"), DWORD{PPS_METHOD_TRIANGLE});
    EXPECT_EQ(fire->GetMethod(), q);
    EXPECT_EQ(fire->FirstGroup()->GetMethod(), q);
    EXPECT_NE(q->GetRes(fire->FirstGroup()), nullptr);
    fire->FirstGroup()->Spawn(2);
    mng.Logic(0.1f);
    mng.Clear();
}

// Hand-written method blocks: a method set that a broken block leaves whole.
TEST(ParticleScript, MethodBlocksAreReadByThemselves)
{
    CParticleSystemMng mng;
    ReadScript(mng, "{\nMethodSet\nMethodNum\t3\n"
                    "MethodType\t3\n{\nMethod\tsprite\nPointSize\n}\n"
                    "MethodType\t9\n{\nMethod\tnone\n}\n"
                    "MethodType\t6\n{\nMeshFile\tm.gma\n}\n"
                    "MethodType\t3\n{\nMethod\tlater\nPointSize\t4\nTexturePath\nTexturePath\tt.png\n}\n"
                    "}\n"
                    "TextureIDXPath\n"
                    "}\n");
    CParticleMethodMng* methods = mng.GetParticleMethodMng();
    EXPECT_EQ(methods->GetStoredMethodCount(), 3u);
    ASSERT_EQ(methods->GetMethodCount(), 3u);
    EXPECT_NE(methods->GetMethodByName("sprite"), nullptr);
    auto* mesh = dynamic_cast<CMethodMesh*>(methods->GetMethod(methods->FirstMethod()->GetID() + 1));
    ASSERT_NE(mesh, nullptr);
    EXPECT_STREQ(mesh->GetMeshFile(), "") << "a block without a name is read for its name alone";
    auto* later = dynamic_cast<CMethodPointSprite*>(methods->GetMethodByName("later"));
    ASSERT_NE(later, nullptr);
    EXPECT_EQ(later->GetPointSize(), 4.0f);
    EXPECT_STREQ(later->GetTexturePath(), "t.png");
    EXPECT_STREQ(mng.GetTextureIDXPath(), "");
}

// Systems and groups without a name, or with one that leaves no value on
// its line, are written under their numbers and come back.
TEST(ParticleScript, UnnamedSystemsAndGroupsSurviveARoundTrip)
{
    CParticleSystemMng mng;
    CParticleSystem* named = mng.NewSystem();
    named->SetName("named");
    named->NewGroup();
    named->FirstGroup()->SetName("");
    named->FirstGroup()->SetID(77);
    CParticleGroup client;
    client.SetMaxParticleNumber(12);
    named->AddGroup(client);
    CParticleSystem* blank = mng.NewSystem();
    blank->SetName("");
    const std::string blankId = PPSNumberName(blank->GetID());
    blank->NewGroup();
    blank->FirstGroup()->SetName(" \t\n  second line");
    blank->FirstGroup()->SetID(5);
    CParticleSystem* spaced = mng.NewSystem();
    spaced->SetName(" \t");
    const std::string spacedId = PPSNumberName(spaced->GetID());

    const std::string script = Script(mng);
    CParticleSystemMng loaded;
    ReadScript(loaded, script);
    ASSERT_EQ(loaded.GetSystemCount(), 3u);
    CParticleSystem* back = loaded.GetSystemByName("named");
    ASSERT_NE(back, nullptr);
    ASSERT_EQ(back->GetGroupCount(), 2u);
    EXPECT_STREQ(back->FirstGroup()->GetName(), "77");
    EXPECT_EQ(back->FirstGroup()->GetID(), 77u);
    EXPECT_STREQ(back->LastGroup()->GetName(), "0") << "a default group is numbered 0";
    EXPECT_EQ(back->LastGroup()->GetMaxParticleNumber(), 12u);
    CParticleSystem* blankBack = loaded.GetSystemByName(blankId.c_str());
    ASSERT_NE(blankBack, nullptr);
    ASSERT_EQ(blankBack->GetGroupCount(), 1u);
    EXPECT_STREQ(blankBack->FirstGroup()->GetName(), "5");
    EXPECT_NE(loaded.GetSystemByName(spacedId.c_str()), nullptr);
    EXPECT_EQ(Script(loaded), script) << "written again under the same names";
}

} // namespace

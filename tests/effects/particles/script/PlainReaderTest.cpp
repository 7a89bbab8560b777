// Scripts the engine writes, read by a reader that knows only the keys and
// blocks every script holds: each block ends at the first line that begins
// with "}", and the only nested blocks of an action are its BaseInfo (with
// scope and validity) and the vectors and domains of its listed keys.
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "FullManager.h"

namespace {

using ppstest::ReadScript;
using ppstest::Script;

class PlainReader {
public:
    struct System {
        std::string name;
        std::vector<std::string> groups, actions;
    };

    explicit PlainReader(const std::string& text) : m_In(text) {}

    // The manager's block; false when the text ends before its "}".
    bool Read()
    {
        std::string l;
        while (Line(l)) {
            if (Begins(l, "}")) return true;
            if (Begins(l, "MethodSet")) {
                while (Line(l) && !Begins(l, "}"))
                    if (Begins(l, "MethodType")) SkipBlock();
            } else if (Begins(l, "ParticleSystem") && Value(l).size()) {
                m_Systems.push_back({Value(l), {}, {}});
                SkipToOpen();
                ReadSystem(m_Systems.back());
            }
        }
        return false;
    }
    const std::vector<System>& Systems() const { return m_Systems; }
    // What follows the manager's block, blank lines left out.
    std::string Rest()
    {
        std::string rest, l;
        while (Line(l)) rest += l;
        return rest;
    }

private:
    static bool Begins(const std::string& l, const char* key) { return l.rfind(key, 0) == 0; }
    static std::string Value(const std::string& l)
    {
        std::istringstream tokens(l);
        std::string key, value;
        tokens >> key >> value;
        return value;
    }
    // The next line without its blanks, skipping empty and comment lines.
    bool Line(std::string& l)
    {
        while (std::getline(m_In, l)) {
            const size_t b = l.find_first_not_of(" \t\r"), e = l.find_last_not_of(" \t\r");
            l = b == std::string::npos ? "" : l.substr(b, e - b + 1);
            if (!l.empty() && !Begins(l, "//")) return true;
        }
        return false;
    }
    void SkipToOpen()
    {
        std::string l;
        while (Line(l) && l != "{") {}
    }
    // From the next "{" to the first line that begins with "}".
    void SkipBlock()
    {
        SkipToOpen();
        std::string l;
        while (Line(l) && !Begins(l, "}")) {}
    }
    void ReadSystem(System& s)
    {
        std::string l;
        while (Line(l) && !Begins(l, "}")) {
            if (Begins(l, "Group") && !Begins(l, "GroupSize")) {
                s.groups.push_back(Value(l));
                SkipBlock();
            } else if (Begins(l, "Action") && !Begins(l, "ActionSize")) {
                SkipToOpen();
                std::string id;
                if (!Line(id) || !Begins(id, "ActionID")) continue;
                s.actions.push_back(Value(l));
                ReadAction(Value(id));
            }
        }
    }
    void ReadAction(const std::string& id)
    {
        std::string l;
        while (Line(l) && !Begins(l, "}")) {
            if (Begins(l, "BaseInfo")) {
                while (Line(l) && !Begins(l, "}"))
                    if (Begins(l, "scope") || Begins(l, "validity")) SkipBlock();
            } else if (id == "263" && Begins(l, "vCenter")) {
                SkipBlock();
            }
        }
    }

    std::istringstream m_In;
    std::vector<System> m_Systems;
};

// Everything a client can set on the two actions, away from the defaults.
void FillSystems(CParticleSystemMng& mng)
{
    mng.GetParticleMethodMng()->NewMethod(PPS_METHOD_QUAD)->SetName("q");
    CParticleSystem* fire = mng.NewSystem();
    fire->SetName("fire");
    fire->SetMethodName("q");
    fire->NewGroup();
    fire->FirstGroup()->SetName("flames");
    auto* jet = new SPPS_ACTION_JET(1.0f, 2.0f, 3.0f, 4.0f, 0.5f, 60.0f);
    jet->SetName("jet");
    jet->domain = ppstest::Domain(3.0f);
    fire->AddAction(jet);
    auto* orbit = new SPPS_ACTION_ORBIT(-1.5f, 2.25f, 8.0f, 2.0f, 0.25f, 9.0f);
    orbit->SetName("orbit");
    fire->AddAction(orbit);
    auto* kill = new SPPS_ACTION_KILL(3.0f, 1);
    kill->SetName("after");
    fire->AddAction(kill);
    CParticleSystem* smoke = mng.NewSystem();
    smoke->SetName("smoke");
    smoke->NewGroup();
    smoke->FirstGroup()->SetName("puffs");
}

TEST(PlainScriptReader, KeepsWhatFollowsJetAndOrbit)
{
    CParticleSystemMng mng;
    FillSystems(mng);
    const std::string text = Script(mng);

    PlainReader plain(text);
    ASSERT_TRUE(plain.Read()) << "the manager's block ended early";
    EXPECT_EQ(plain.Rest(), "");
    ASSERT_EQ(plain.Systems().size(), 2u);
    EXPECT_EQ(plain.Systems()[0].name, "fire");
    EXPECT_EQ(plain.Systems()[0].groups, std::vector<std::string>{"flames"});
    EXPECT_EQ(plain.Systems()[0].actions, (std::vector<std::string>{"jet", "orbit", "after"}));
    EXPECT_EQ(plain.Systems()[1].name, "smoke");
    EXPECT_EQ(plain.Systems()[1].groups, std::vector<std::string>{"puffs"});

    // The engine's own reader keeps the values the plain one passes over.
    CParticleSystemMng back;
    ReadScript(back, text);
    EXPECT_EQ(Script(back), text);
    CParticleSystem* fire = back.GetSystemByName("fire");
    ASSERT_NE(fire, nullptr);
    auto* jet = dynamic_cast<SPPS_ACTION_JET*>(fire->GetActionByName("jet"));
    auto* orbit = dynamic_cast<SPPS_ACTION_ORBIT*>(fire->GetActionByName("orbit"));
    ASSERT_TRUE(jet && orbit);
    const SPPS_DOMAIN d = ppstest::Domain(3.0f);
    EXPECT_EQ(jet->domain.DomainType, d.DomainType);
    EXPECT_EQ(jet->domain.p1, d.p1);
    EXPECT_EQ(jet->domain.p2, d.p2);
    EXPECT_EQ(jet->domain.fRadius1, d.fRadius1);
    // Reals are written with six significant digits.
    EXPECT_NEAR(jet->domain.v.y, d.v.y, 1e-6f);
    EXPECT_NEAR(jet->domain.fRadius2Sqr, d.fRadius2Sqr, 1e-6f);
    EXPECT_EQ(jet->vCenter, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(orbit->vCenter, D3DXVECTOR3(-1.5f, 2.25f, 8.0f));
    EXPECT_EQ(orbit->fMaxRadius, 9.0f);
}

// With the values a script starts from, the two actions write the lines
// every script holds and nothing else.
TEST(PlainScriptReader, DefaultJetAndOrbitWriteOnlyTheirListedLines)
{
    const auto own = [](SPPS_ACTION_BASE& a) {
        std::ostringstream out;
        a.WriteToScript(out);
        const std::string text = out.str();
        const std::string baseEnd = "\tfExecuteTime\t0\n\n\t}\n";
        return text.substr(text.find(baseEnd) + baseEnd.size());
    };
    SPPS_ACTION_JET jet;
    EXPECT_EQ(own(jet), "\tvCenter\n\t\t{\n\t\tx\t0\n\t\ty\t0\n\t\tz\t0\n\t\t}\n"
                        "\tfEpsilon\t0.001\n\tfMagnitude\t1\n\tfMaxRadius\t1e+16\n\n\t}\n");
    SPPS_ACTION_ORBIT orbit;
    orbit.fMagnitude = 2.0f;
    EXPECT_EQ(own(orbit), "\tfEpsilon\t0\n\tfMagnitude\t2\n\tfMaxRadius\t0\n\n\t}\n");
}

// Hand-written blocks: the flat lines anywhere in the block, and the nested
// forms that earlier builds of the engine wrote.
TEST(PlainScriptReader, FlatLinesAndEarlierNestedFormsRead)
{
    const std::string text =
        "{\nParticleSystem\ts\n{\n"
        "Action\tj\n{\nActionID\t263\nJetDomainType\t6\nfMagnitude\t3\nJetDomainP1\t1\t2\t3\n"
        "JetDomainRadius1Sqr\t4\nJetDomainRadius1\t2\nJetDomainType\t99\nJetDomainP2\t5\n}\n"
        "Action\to\n{\nActionID\t270\nOrbitCenter\t1\t2\t3\nfEpsilon\t0.5\n}\n"
        "Action\told\n{\nActionID\t263\ndomain\tdomain\n{\nDomainType\t5\nfRadius2\t7\n}\nfMaxRadius\t2\n}\n"
        "Action\toldo\n{\nActionID\t270\nvCenter\n{\nx\t4\ny\t5\nz\t6\n}\nfMagnitude\t8\n}\n"
        "}\n}\n";
    CParticleSystemMng mng;
    ReadScript(mng, text);
    CParticleSystem* s = mng.GetSystemByName("s");
    ASSERT_NE(s, nullptr);
    auto* j = dynamic_cast<SPPS_ACTION_JET*>(s->GetActionByName("j"));
    auto* o = dynamic_cast<SPPS_ACTION_ORBIT*>(s->GetActionByName("o"));
    auto* oldJet = dynamic_cast<SPPS_ACTION_JET*>(s->GetActionByName("old"));
    auto* oldOrbit = dynamic_cast<SPPS_ACTION_ORBIT*>(s->GetActionByName("oldo"));
    ASSERT_TRUE(j && o && oldJet && oldOrbit);
    EXPECT_EQ(j->domain.DomainType, PPS_DOMAIN_SPHERE) << "a type beyond 14 is passed over";
    EXPECT_EQ(j->domain.p1, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(j->domain.p2, D3DXVECTOR3(0.0f, 0.0f, 0.0f)) << "a vector line needs all three values";
    EXPECT_EQ(j->domain.fRadius1, 2.0f);
    EXPECT_EQ(j->domain.fRadius1Sqr, 4.0f);
    EXPECT_EQ(j->fMagnitude, 3.0f);
    EXPECT_EQ(o->vCenter, D3DXVECTOR3(1.0f, 2.0f, 3.0f));
    EXPECT_EQ(o->fEpsilon, 0.5f);
    EXPECT_EQ(oldJet->domain.DomainType, PPS_DOMAIN_DISC);
    EXPECT_EQ(oldJet->domain.fRadius2, 7.0f);
    EXPECT_EQ(oldJet->fMaxRadius, 2.0f);
    EXPECT_EQ(oldOrbit->vCenter, D3DXVECTOR3(4.0f, 5.0f, 6.0f));
    EXPECT_EQ(oldOrbit->fMagnitude, 8.0f);
}

} // namespace

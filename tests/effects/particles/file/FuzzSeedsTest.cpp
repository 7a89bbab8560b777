// The seed corpora of the particle file and script fuzz targets are what the
// engine's own writers write. KESTU_WRITE_SEEDS=1 rewrites them.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kestu_particlesystemmng.h"
#include "kestu_ppsactions.h"
#include "FullManager.h"
#include "SkeletonKit.h"

namespace {

struct Seed {
    std::string name;
    std::string bytes;
};

// The managers the seeds are written from: empty, one small system, every
// method and action, and a system drawn by billboards.
std::vector<std::pair<std::string, std::string>> Managers(bool script)
{
    std::vector<std::pair<std::string, std::string>> out;
    const auto add = [&](const std::string& name, CParticleSystemMng& mng) {
        out.emplace_back(name, script ? ppstest::Script(mng) : ppstest::Binary(mng));
    };
    CParticleSystemMng empty;
    add("empty", empty);
    CParticleSystemMng small;
    small.GetParticleMethodMng()->NewMethod(PPS_METHOD_POINT)->SetName("p");
    CParticleSystem* s = small.NewSystem();
    s->SetName("small");
    s->NewGroup();
    s->FirstGroup()->SetName("g");
    s->FirstGroup()->SetID(1);
    s->FirstGroup()->SetMaxParticleNumber(16);
    s->SetMethodName("p");
    auto* source =
        new SPPS_ACTION_SOURCE(40.0f, SPPS_DOMAIN(PPS_DOMAIN_POINT, 0, 0, 0), SPPS_DOMAIN(PPS_DOMAIN_POINT, 0, 1, 0),
                               SPPS_DOMAIN(PPS_DOMAIN_POINT, 1, 0.5f, 0));
    source->validity.nValidity = 2;
    s->AddAction(source);
    auto* move = new SPPS_ACTION_MOVE;
    move->validity.nValidity = 2;
    s->AddAction(move);
    add("small", small);
    // A skeletal-model method with its action paths.
    CParticleSystemMng skl;
    skltest::AddCrowd(skl, {"chars/wave", "chars/lie"});
    add("method_skl", skl);
    CParticleSystemMng full;
    ppstest::FillManager(full);
    add("full", full);
    CParticleSystemMng billboards;
    ppstest::AddBillboardSystem(billboards);
    add("method_bb", billboards);
    // JET and ORBIT with the values only the longer records and the flat
    // script lines keep, and a source that asks for billions of a group that
    // may hold more than any step of it births.
    CParticleSystemMng extras;
    extras.GetParticleMethodMng()->NewMethod(PPS_METHOD_QUAD)->SetName("q");
    CParticleSystem* e = extras.NewSystem();
    e->SetName("extras");
    e->SetMethodName("q");
    e->NewGroup();
    e->FirstGroup()->SetName("g");
    e->FirstGroup()->SetID(2);
    e->FirstGroup()->SetMaxParticleNumber(100000);
    auto* jet = new SPPS_ACTION_JET(1, 2, 3, 4, 0.5f, 60);
    jet->domain = SPPS_DOMAIN(PPS_DOMAIN_SPHERE, 0, 0, 0, 1);
    e->AddAction(jet);
    e->AddAction(new SPPS_ACTION_ORBIT(-1, 2, 8, 2, 0.25f, 9));
    auto* runaway = new SPPS_ACTION_SOURCE;
    runaway->fRate = 1e12f;
    runaway->validity.nValidity = 2;
    e->AddAction(runaway);
    add("extras", extras);
    // Many groups under one source of a huge rate: beyond what one input may
    // ask for, refused.
    CParticleSystemMng groups;
    groups.GetParticleMethodMng()->NewMethod(PPS_METHOD_QUAD)->SetName("q");
    CParticleSystem* r = groups.NewSystem();
    r->SetName("boom");
    r->SetMethodName("q");
    for (DWORD g = 0; g < 100; ++g) {
        r->NewGroup();
        r->LastGroup()->SetName(("g" + std::to_string(g)).c_str());
        r->LastGroup()->SetID(g);
        r->LastGroup()->SetMaxParticleNumber(65536);
    }
    auto* births = new SPPS_ACTION_SOURCE;
    births->fRate = 1e12f;
    births->validity.nValidity = 2;
    r->AddAction(births);
    add("runaway_groups", groups);
    // Systems and groups without names, which the script writes under their
    // numbers. Only as a script: a file keeps no system number, so a system
    // read unnamed from one takes the next number of the process.
    CParticleSystemMng unnamed;
    unnamed.GetParticleMethodMng()->NewMethod(PPS_METHOD_QUAD)->SetName("q");
    for (int s = 0; s < 2; ++s) {
        CParticleSystem* u = unnamed.NewSystem();
        u->SetName("");
        u->SetID(DWORD(s + 1)); // not the process-wide count NewSystem takes from
        u->SetMethodName("q");
        u->NewGroup();
        u->FirstGroup()->SetName("");
        u->FirstGroup()->SetID(DWORD(s + 1));
        u->AddGroup(CParticleGroup());
    }
    if (script) add("unnamed", unnamed);
    return out;
}

std::filesystem::path CorpusFolder(const char* target)
{
    const std::filesystem::path below = std::filesystem::path("fuzz") / "corpus" / target;
    if (const char* source = std::getenv("KESTU_SOURCE_DIR")) return std::filesystem::path(source) / below;
    for (std::filesystem::path at = std::filesystem::current_path(); !at.empty(); at = at.parent_path()) {
        if (std::filesystem::is_directory(at / below)) return at / below;
        if (at == at.parent_path()) break;
    }
    return below;
}

void CheckSeeds(const char* target, const char* extension, bool script)
{
    const std::filesystem::path dir = CorpusFolder(target);
    const bool rewrite = std::getenv("KESTU_WRITE_SEEDS") != nullptr;
    if (rewrite) std::filesystem::create_directories(dir);
    ASSERT_TRUE(std::filesystem::is_directory(dir)) << dir;
    for (const auto& [name, bytes] : Managers(script)) {
        const std::filesystem::path path = dir / (name + extension);
        if (rewrite) std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
        std::ifstream in(path, std::ios::binary);
        const std::string stored((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        EXPECT_EQ(stored, bytes) << path;
    }
}

TEST(FuzzSeeds, FileSeedsAreTheWritersOwnBytes) { CheckSeeds("particles_file", ".pps", false); }

TEST(FuzzSeeds, ScriptSeedsAreTheWritersOwnText) { CheckSeeds("particles_script", ".txt", true); }

} // namespace

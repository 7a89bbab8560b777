// The skeletal-model method over real skeleton files: a skeleton and its
// players per group, action files added before and after the build, groups
// released one at a time, and the model drawn at every particle.
#include <algorithm>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "kestu_datachunk.h"
#include "kestu_meshdatamng.h"
#include "kestu_particlegroup.h"
#include "kestu_particlesystemmng.h"
#include "kestu_ppsmethods.h"
#include "SkeletonKit.h"
#include "support/device.h"

namespace {

using Kestu::CMeshDataMng;
using Kestu::CSkeletonAni;

constexpr uint32_t kBlack = 0xFF000000u;

class SkeletonMethod : public testdevice::DeviceSuite<64, 64> {
protected:
    static void SetUpTestSuite()
    {
        DeviceSuite::SetUpTestSuite();
        ASSERT_TRUE(skltest::WriteFiles());
    }
    void SetUp() override
    {
        DeviceSuite::SetUp();
        CMeshDataMng::ChangeRenderPath(Kestu::KESTU_SKLPATH_SOFTWARE, nullptr);
        CMeshDataMng::EnableCache(1);
        ASSERT_EQ(meshes.Build(device), 0);
        // Group space: x from -3 to 3 and y from -0.5 to 5.5 across the
        // picture, y up; the figures stand on y = 0 and are 1.78 tall.
        D3DXMATRIX identity, projection;
        D3DXMatrixIdentity(&identity);
        D3DXMatrixOrthoOffCenterLH(&projection, -3, 3, -0.5f, 5.5f, -10, 10);
        device->SetTransform(D3DTS_WORLD, &identity);
        device->SetTransform(D3DTS_VIEW, &identity);
        device->SetTransform(D3DTS_PROJECTION, &projection);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, TRUE);
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, FALSE);
        device->SetTexture(0, nullptr);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
    }
    void TearDown() override { meshes.Release(); }

    // A method on the test's mesh-data manager, drawing "hero".
    CMethodSklAni* Method()
    {
        methods.push_back(std::make_unique<CMethodSklAni>(&meshes));
        methods.back()->SetSkeletonPath("hero");
        return methods.back().get();
    }
    static void Put(CParticleGroup& group, float x, float y)
    {
        const float at[3] = {x, y, 0}, zero[3] = {0, 0, 0};
        group.Add(at, nullptr, nullptr, zero, zero, 0, 0);
    }
    static HRESULT Draw(CPPS_METHOD_BASE& method, CParticleGroup& group)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, kBlack, 1.0f, 0);
        device->BeginScene();
        const HRESULT hr = method.Render(device, &group);
        device->EndScene();
        return hr;
    }
    // Pixel (x, y) of a picture, y counted up from the bottom.
    static bool Lit(const kestu_test::Image& image, int x, int y)
    {
        return (image.pixels[size_t(image.height - 1 - y) * image.width + x] | kBlack) != kBlack;
    }
    // Pixel column and row of a point of group space.
    static int Column(float x) { return int((x + 3.0f) * 64.0f / 6.0f); }
    static int Row(float y) { return int((y + 0.5f) * 64.0f / 6.0f); }
    // The lit pixels' bounding box inside [x0, x1) x [y0, y1) of pixels, and
    // how many pixels outside it are lit.
    struct Box {
        int x0 = 64, y0 = 64, x1 = -1, y1 = -1;
        int Width() const { return x1 - x0 + 1; }
        int Height() const { return y1 - y0 + 1; }
    };
    static Box LitBox(const kestu_test::Image& image, int x0, int x1)
    {
        Box b;
        for (int y = 0; y < 64; ++y)
            for (int x = x0; x < x1; ++x)
                if (Lit(image, x, y)) {
                    b.x0 = std::min(b.x0, x), b.x1 = std::max(b.x1, x);
                    b.y0 = std::min(b.y0, y), b.y1 = std::max(b.y1, y);
                }
        return b;
    }
    static SPPS_METHOD_RES& Res(CPPS_METHOD_BASE& method, CParticleGroup& group) { return *method.GetRes(&group); }

    CMeshDataMng meshes;
    std::vector<std::unique_ptr<CMethodSklAni>> methods;
};

// Players 0 to 4 with four action paths and the default capacity; a fifth
// path grows the array on the next build rather than running past it.
TEST_F(SkeletonMethod, BuildPreparesAPlayerPerAction)
{
    CMethodSklAni* method = Method();
    EXPECT_EQ(method->GetPlayerCapacity(), 5u);
    CParticleGroup group;
    group.SetMethod(method);
    for (const char* path : {"wave", "lie", "walk", "./wave"}) EXPECT_EQ(method->AddActionPath(path), 1) << path;
    EXPECT_EQ(method->GetActionCount(), 4u);
    EXPECT_EQ(method->GetRes(&group)->pSkeletonAnis, nullptr) << "no build yet: no players touched";
    ASSERT_EQ(method->Build(device, &group), 0);
    SPPS_METHOD_RES& res = Res(*method, group);
    ASSERT_NE(res.pSkeleton, nullptr);
    EXPECT_EQ(res.pSkeleton->GetActionsNumber(), 5u);
    EXPECT_EQ(res.pSkeleton->GetSkinsNumber(), 2u);
    ASSERT_EQ(CMethodSklAni::GetPlayerCount(res), 5u);
    for (DWORD k = 0; k < 5; ++k) {
        const CSkeletonAni& player = res.pSkeletonAnis[k];
        EXPECT_TRUE(player.IsBuild()) << k;
        EXPECT_EQ(player.GetSkeleton(), res.pSkeleton) << k;
        EXPECT_EQ(player.GetCurrentAction(), k) << k;
        EXPECT_EQ(player.GetPlayMode(), ANIPLAY_LOOP) << k;
    }

    // Five paths: the capacity doubles and every action has its player.
    method->Clear();
    for (const char* path : {"wave", "lie", "walk", "./wave", "./lie"}) method->AddActionPath(path);
    ASSERT_EQ(method->Build(device, &group), 0);
    EXPECT_EQ(method->GetPlayerCapacity(), 10u);
    SPPS_METHOD_RES& again = Res(*method, group);
    ASSERT_EQ(CMethodSklAni::GetPlayerCount(again), 10u);
    EXPECT_EQ(again.pSkeletonAnis[5].GetCurrentAction(), 5u);
    EXPECT_FALSE(again.pSkeletonAnis[6].IsBuild()) << "players beyond the actions stay unprepared";
    group.Release();
}

TEST_F(SkeletonMethod, AddActionPathAfterBuildGivesTheFirstGroupAPlayer)
{
    CMethodSklAni* method = Method();
    EXPECT_EQ(method->AddActionPath("wave"), 0) << "no group yet";
    EXPECT_EQ(method->GetActionCount(), 0u);

    CParticleGroup group;
    group.SetMethod(method);
    ASSERT_EQ(method->Build(device, &group), 0);
    SPPS_METHOD_RES* res = method->GetRes(&group);
    EXPECT_EQ(res->pSkeleton->GetActionsNumber(), 1u) << "the skeleton's own walk";
    EXPECT_EQ(method->AddActionPath("wave"), 1);
    EXPECT_EQ(method->AddActionPath("wave"), 0) << "a path already listed";
    EXPECT_EQ(method->GetActionCount(), 1u);
    EXPECT_EQ(res->pSkeleton->GetActionsNumber(), 2u);
    EXPECT_EQ(res->pSkeletonAnis[1].GetCurrentAction(), 1u);
    EXPECT_TRUE(res->pSkeletonAnis[1].IsBuild());

    // Paths up to the capacity grow the array and keep the players made.
    res->pSkeletonAnis[1].SetPlaySpeed(2.5f);
    for (const char* path : {"lie", "walk", "./wave", "./lie"}) EXPECT_EQ(method->AddActionPath(path), 1) << path;
    EXPECT_EQ(method->GetPlayerCapacity(), 10u);
    ASSERT_EQ(CMethodSklAni::GetPlayerCount(*res), 10u);
    EXPECT_EQ(res->pSkeletonAnis[1].GetPlaySpeed(), 2.5f);
    EXPECT_EQ(res->pSkeletonAnis[1].GetCurrentAction(), 1u);
    EXPECT_EQ(res->pSkeletonAnis[5].GetCurrentAction(), 5u);
    EXPECT_EQ(res->pSkeleton->GetActionsNumber(), 6u);

    // Without a skeleton path nothing is added.
    CMethodSklAni* bare = Method();
    bare->SetSkeletonPath("");
    CParticleGroup other;
    other.SetMethod(bare);
    EXPECT_EQ(bare->AddActionPath("wave"), 0);
    EXPECT_EQ(bare->GetActionCount(), 0u);
    group.Release();
    other.Release();
}

// Releasing one group leaves the list whole: the other group keeps its
// actions and a later build of the released group finds them all.
TEST_F(SkeletonMethod, ReleasingOneGroupKeepsTheActionPaths)
{
    CMethodSklAni* method = Method();
    CParticleGroup a, b;
    a.SetMethod(method);
    b.SetMethod(method);
    method->AddActionPath("wave");
    method->AddActionPath("lie");
    ASSERT_EQ(method->Build(device, &a), 0);
    ASSERT_EQ(method->Build(device, &b), 0);
    a.Release();
    EXPECT_EQ(method->GetRes(&a), nullptr);
    EXPECT_EQ(method->GetActionCount(), 2u);
    SPPS_METHOD_RES& kept = Res(*method, b);
    EXPECT_EQ(kept.pSkeleton->GetActionsNumber(), 3u);
    method->SetCurActionID(2);
    Put(b, 0, 0);
    EXPECT_EQ(method->Update(&b, 0.1f), 0);
    EXPECT_EQ(Draw(*method, b), 0);

    a.SetMethod(method);
    ASSERT_EQ(method->Build(device, &a), 0);
    EXPECT_EQ(Res(*method, a).pSkeleton->GetActionsNumber(), 3u);
    EXPECT_EQ(Res(*method, a).pSkeletonAnis[2].GetCurrentAction(), 2u);
    a.Release();
    b.Release();
    EXPECT_EQ(method->GetResCount(), 0u);
}

// Groups whose build did not finish are never advanced or drawn.
TEST_F(SkeletonMethod, GroupsWithoutPlayersAreLeftAlone)
{
    CMethodSklAni noManager;
    noManager.SetSkeletonPath("hero");
    CMethodSklAni missing(&meshes);
    missing.SetSkeletonPath("nowhere/hero");
    CParticleGroup a, b, stranger;
    a.SetMethod(&noManager);
    b.SetMethod(&missing);
    missing.AddActionPath("wave");
    Put(a, 0, 0);
    Put(b, 0, 0);
    EXPECT_EQ(noManager.Update(&a, 0.1f), 1) << "before the build";
    EXPECT_EQ(noManager.Render(device, &a), 1);

    EXPECT_EQ(noManager.Build(device, &a), 1);
    EXPECT_NE(noManager.GetRes(&a)->pSkeleton, nullptr);
    EXPECT_EQ(noManager.GetRes(&a)->pSkeletonAnis, nullptr);
    EXPECT_EQ(noManager.AddActionPath("wave"), 1) << "listed for a later build";
    EXPECT_EQ(noManager.GetRes(&a)->pSkeletonAnis, nullptr);
    EXPECT_LT(missing.Build(device, &b), 0);
    EXPECT_EQ(CMethodSklAni::GetPlayerCount(Res(missing, b)), 5u) << "the players are made";
    EXPECT_FALSE(Res(missing, b).pSkeletonAnis[0].IsBuild());
    for (auto [method, group] :
         {std::pair<CMethodSklAni*, CParticleGroup*>{&noManager, &a}, {&missing, &b}, {&missing, &stranger}}) {
        EXPECT_EQ(method->Update(group, 0.1f), 1);
        EXPECT_EQ(Draw(*method, *group), 1);
        EXPECT_EQ(method->Build(device, &stranger), 1);
    }
    EXPECT_EQ(LitBox(Picture(), 0, 64).x1, -1);
    // Without particles there is nothing to draw, built or not.
    CParticleGroup idle;
    idle.SetMethod(&missing);
    EXPECT_EQ(Draw(missing, idle), 0);
    idle.Release();
    a.Release();
    b.Release();
    EXPECT_EQ(noManager.GetResCount(), 0u);
}

// Every particle shows the current player's pose where it is; a new current
// action changes every figure at once.
TEST_F(SkeletonMethod, FiguresStandAtTheirParticlesInTheCurrentAction)
{
    CMethodSklAni* method = Method();
    CParticleGroup group;
    group.SetMaxParticleNumber(4);
    D3DXMATRIX root;
    D3DXMatrixTranslation(&root, 0, 1.0f, 0);
    group.SetRootMat(root);
    group.SetMethod(method);
    method->AddActionPath("lie");
    ASSERT_EQ(method->Build(device, &group), 0);
    Put(group, -1.5f, 0);
    Put(group, 1.5f, 0);
    D3DXMATRIX marker;
    D3DXMatrixTranslation(&marker, 7, 8, 9);
    device->SetTransform(D3DTS_WORLD, &marker);

    EXPECT_EQ(method->Update(&group, 0.05f), 0);
    EXPECT_EQ(Draw(*method, group), 0);
    kestu_test::Image image = Picture();
    D3DXMATRIX world;
    device->GetTransform(D3DTS_WORLD, &world);
    EXPECT_EQ(world, marker) << "the caller's world transform comes back";
    // Two standing figures, 1.78 tall on y = 1, one per half of the picture.
    const Box left = LitBox(image, 0, 32), right = LitBox(image, 32, 64);
    for (const Box& b : {left, right}) {
        EXPECT_GE(b.Height(), 17);
        EXPECT_LE(b.Height(), 21);
        EXPECT_LE(b.Width(), 9);
        EXPECT_GE(b.y0, Row(1.0f) - 1);
        EXPECT_LE(b.y0, Row(1.0f) + 1);
    }
    EXPECT_NEAR((left.x0 + left.x1) / 2.0, Column(-1.5f), 1.5);
    EXPECT_NEAR((right.x0 + right.x1) / 2.0, Column(1.5f), 1.5);
    kestu_test::SaveIfFailed(image, "standing");

    // Lying down: wide and low, about the hips' height.
    method->SetCurActionID(1);
    EXPECT_EQ(method->Update(&group, 0.05f), 0);
    EXPECT_EQ(Draw(*method, group), 0);
    image = Picture();
    const Box lyingLeft = LitBox(image, 0, 32), lyingRight = LitBox(image, 32, 64);
    for (const Box& b : {lyingLeft, lyingRight}) {
        EXPECT_GE(b.Width(), 15);
        EXPECT_LE(b.Height(), 12);
        EXPECT_GT(b.y0, Row(1.0f) + 2) << "off the ground";
    }
    kestu_test::SaveIfFailed(image, "lying");

    // A current action without a player draws nothing.
    method->SetCurActionID(5);
    EXPECT_EQ(method->Update(&group, 0.05f), 1);
    EXPECT_EQ(Draw(*method, group), 1);
    EXPECT_EQ(LitBox(Picture(), 0, 64).x1, -1);
    method->SetCurActionID(2);
    EXPECT_EQ(Draw(*method, group), E_FAIL) << "a player never prepared";
    EXPECT_EQ(LitBox(Picture(), 0, 64).x1, -1);

    // An empty group draws nothing and succeeds.
    method->SetCurActionID(0);
    CParticleGroup empty;
    empty.SetMethod(method);
    ASSERT_EQ(method->Build(device, &empty), 0);
    EXPECT_EQ(Draw(*method, empty), 0);
    group.Release();
    empty.Release();
}

// Update advances the current player only.
TEST_F(SkeletonMethod, UpdateAdvancesTheCurrentPlayer)
{
    CMethodSklAni* method = Method();
    CParticleGroup group;
    group.SetMethod(method);
    method->AddActionPath("wave");
    ASSERT_EQ(method->Build(device, &group), 0);
    SPPS_METHOD_RES& res = Res(*method, group);
    const float t0 = res.pSkeletonAnis[0].GetPlayTime(), t1 = res.pSkeletonAnis[1].GetPlayTime();
    method->SetCurActionID(1);
    EXPECT_EQ(method->Update(&group, 0.25f), 0);
    EXPECT_EQ(res.pSkeletonAnis[0].GetPlayTime(), t0);
    EXPECT_NE(res.pSkeletonAnis[1].GetPlayTime(), t1);
    group.Release();
}

TEST_F(SkeletonMethod, TheMethodManagerHandsOverItsMeshDataManager)
{
    CParticleMethodMng mng;
    auto* before = dynamic_cast<CMethodSklAni*>(mng.NewMethod(PPS_METHOD_SKLANI));
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(before->GetMeshDataMng(), nullptr);
    mng.SetMeshDataMng(&meshes);
    EXPECT_EQ(before->GetMeshDataMng(), nullptr) << "made before the manager was set";
    auto* after = dynamic_cast<CMethodSklAni*>(mng.NewMethod(PPS_METHOD_SKLANI));
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->GetMeshDataMng(), &meshes);
    EXPECT_EQ(mng.GetMethodTypeByName(after->GetName()), DWORD{PPS_METHOD_SKLANI});
    EXPECT_EQ(std::string(after->GetName()), std::to_string(after->GetID()));
    EXPECT_EQ(after->GetCurActionID(), 0u);
    EXPECT_STREQ(after->GetSkeletonPath(), "");
}

// A script read by a manager that has the mesh-data manager: its type-5
// method takes it, builds from the files named and draws.
TEST_F(SkeletonMethod, AScriptLoadedManagerBuildsAndDraws)
{
    CParticleSystemMng mng;
    mng.GetParticleMethodMng()->SetMeshDataMng(&meshes);
    const std::string text = "{\nMethodSet\t\nMethodNum\t1\nMethodType\t5\n{\nMethod\twalkers\nSkeletonPath\thero\n"
                             "ActionPath\tlie\n}\n}\nSystemNum\t1\nParticleSystem\tcrowd\n{\nMapMethodName\twalkers\n"
                             "Group\tpeople\n{\nMaxParticleNumber\t4\n}\n}\n}\n";
    CDataChunk chunk;
    chunk.allocate(static_cast<int>(text.size()), text.data());
    mng.CreateFromScript(chunk);
    chunk.clear();
    auto* method = dynamic_cast<CMethodSklAni*>(mng.GetParticleMethodMng()->GetMethodByName("walkers"));
    ASSERT_NE(method, nullptr);
    EXPECT_EQ(method->GetMeshDataMng(), &meshes);
    ASSERT_EQ(mng.Build(device), 0);
    CParticleGroup* people = mng.GetSystemByName("crowd")->FirstGroup();
    ASSERT_NE(people, nullptr);
    EXPECT_EQ(CMethodSklAni::GetPlayerCount(Res(*method, *people)), 5u);
    Put(*people, 0, 0);
    method->SetCurActionID(1);
    EXPECT_EQ(Draw(*method, *people), 0);
    const Box lying = LitBox(Picture(), 0, 64);
    EXPECT_GE(lying.Width(), 15);
    EXPECT_LE(lying.Height(), 12);
    mng.GetSystemByName("crowd")->Release();
    EXPECT_EQ(method->GetResCount(), 0u) << "the system's release freed the group's record";
    EXPECT_EQ(method->GetActionCount(), 1u);
    mng.Clear();
}

} // namespace

// The billboard method: a camera-facing quad on each particle, drawn far to
// near by the method or through a billboard manager, on the headless device.
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "BillboardKit.h"
#include "ParticleTestKit.h"
#include "TgaLibrary.h"
#include "kestu_bbmng.h"
#include "kestu_ppsmethods.h"
#include "kestu_texture_mng.h"
#include "support/device.h"

using bbtest::EyeScope;

namespace {

constexpr uint32_t kBlack = 0xFF000000u, kRed = 0xFFFF0000u, kBlue = 0xFF0000FFu;
constexpr DWORD kWhiteTexture = 1, kGlassTexture = 2;

// x = +-3 at distance 10 under a 60 degree view lands 16.6 pixels either side
// of the centre; a 1 x 1 billboard there spans about 5.5 pixels.
const std::vector<std::array<int, 4>> kLeftAndRight = {{{11, 28, 21, 37}}, {{44, 28, 53, 37}}};

class BillboardMethod : public testdevice::DeviceSuite<64, 64, false> {
protected:
    void SetUp() override
    {
        DeviceSuite::SetUp();
        path = "bbmethod.kidx";
        bbtest::MakeLibrary(path, {{kWhiteTexture, bbtest::Solid(0xFFFFFFFFu)}});
        ASSERT_GE(textures.Build(device, path.c_str()), 0);
        ASSERT_NE(textures.QueryTexture(kWhiteTexture), nullptr);
        device->SetTransform(D3DTS_VIEW, scope.eye.GetViewMatrix());
        device->SetTransform(D3DTS_PROJECTION, scope.eye.GetProjMatrix());
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->SetRenderState(D3DRS_ZENABLE, FALSE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
    }
    void TearDown() override
    {
        textures.Release();
        std::remove(path.c_str());
    }

    // A method of 1 x 1 billboards with the white texture, and a group of
    // room for eight served by it.
    void Serve(CMethodBB& method, CParticleGroup& group, CEye* eye)
    {
        method.SetEye(eye);
        method.SetTextureMng(&textures);
        method.SetTextureID(kWhiteTexture);
        method.SetBBWidth(1.0f);
        method.SetBBHeight(1.0f);
        group.SetMaxParticleNumber(8);
        group.SetMethod(&method);
        ASSERT_EQ(method.Build(device, &group), 0);
    }
    static kestu_test::Image Draw(CPPS_METHOD_BASE& method, CParticleGroup& group, CBillboardMng* mng = nullptr)
    {
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        device->BeginScene();
        EXPECT_EQ(method.Render(device, &group), 0);
        if (mng) {
            mng->FrameMove(0.0f);
            EXPECT_EQ(mng->Render(device), 0);
        }
        device->EndScene();
        return Picture();
    }
    static uint32_t At(const kestu_test::Image& image, int x, int y)
    {
        return image.pixels[size_t(y) * image.width + x] | 0xFF000000u;
    }
    // The lit pixels of the picture outside the given boxes (x0, y0, x1, y1).
    static int LitOutside(const kestu_test::Image& image, std::vector<std::array<int, 4>> boxes)
    {
        int lit = 0;
        for (int y = 0; y < image.height; ++y)
            for (int x = 0; x < image.width; ++x) {
                const bool inside = std::any_of(boxes.begin(), boxes.end(), [&](const auto& b) {
                    return x >= b[0] && x < b[2] && y >= b[1] && y < b[3];
                });
                lit += !inside && At(image, x, y) != kBlack;
            }
        return lit;
    }
    static int Count(const kestu_test::Image& image, uint32_t colour)
    {
        int n = 0;
        for (uint32_t p : image.pixels) n += (p | 0xFF000000u) == colour;
        return n;
    }

    // Each manager kind, plain and by priority, holds every live particle's
    // billboard once, however many frames pass, and none once the group goes.
    template <class Mng>
    void DrawThroughManager()
    {
        Mng mng;
        CMethodBB method;
        CParticleGroup group;
        Serve(method, group, &scope.eye);
        ASSERT_EQ(mng.Build(0, 2, 2, 0), S_OK);
        method.SetBillboardMng(&mng);
        EXPECT_EQ(method.IsUsedMng(), 1);
        EXPECT_EQ(method.GetBillboardMng(), &mng);
        ppstest::Place(group, D3DXVECTOR3(-3, 0, 0), D3DXVECTOR3(0, 0, 0), kRed);
        ppstest::Place(group, D3DXVECTOR3(3, 0, 0), D3DXVECTOR3(0, 0, 0), kBlue);
        for (int frame = 0; frame < 5; ++frame) ASSERT_EQ(method.Update(&group, 0.1f), 0);
        EXPECT_EQ(mng.GetCount(), 2u) << "each billboard is in the manager once";
        EXPECT_EQ(method.GetBillboardsInMng(&group), 2u);
        EXPECT_TRUE(method.GetDrawOrder(&group).empty());

        // A client that empties its manager every frame, or takes a billboard
        // out, finds them back after the next update, still once each.
        mng.RemoveAllPointer();
        ASSERT_EQ(method.Update(&group, 0.1f), 0);
        EXPECT_EQ(mng.GetCount(), 2u);
        CBBFaceMe foreign;
        mng.InsertPointerGrow(static_cast<CBillboard*>(&foreign));
        mng.RemovePointer(static_cast<void*>(mng.GetBillboard(0)));
        ASSERT_EQ(mng.GetCount(), 2u);
        ASSERT_EQ(method.Update(&group, 0.1f), 0);
        EXPECT_EQ(mng.GetCount(), 3u);
        EXPECT_EQ(method.GetBillboardsInMng(&group), 2u);
        mng.RemovePointer(static_cast<void*>(static_cast<CBillboard*>(&foreign)));

        // The method draws nothing itself; the manager draws both.
        device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlack, 1.0f, 0);
        device->BeginScene();
        EXPECT_EQ(method.Render(device, &group), 0);
        device->EndScene();
        EXPECT_EQ(LitOutside(Picture(), {}), 0) << "the method drew";
        const kestu_test::Image image = Draw(method, group, &mng);
        EXPECT_EQ(At(image, 15, 32), kRed);
        EXPECT_EQ(At(image, 48, 32), kBlue);
        EXPECT_EQ(LitOutside(image, kLeftAndRight), 0);
        kestu_test::SaveIfFailed(image);

        // A particle that dies takes its billboard out of the manager.
        CParticleGroup::iterator it = group.begin();
        group.RemoveAt(it);
        ASSERT_EQ(method.Update(&group, 0.1f), 0);
        EXPECT_EQ(mng.GetCount(), 1u);
        const kestu_test::Image one = Draw(method, group, &mng);
        EXPECT_EQ(At(one, 48, 32), kBlue) << "the survivor moved into the first billboard";
        EXPECT_EQ(At(one, 15, 32), kBlack);
        kestu_test::SaveIfFailed(one, "one");

        // Turning the manager off hands the drawing back to the method.
        method.EnableUsedMng(0);
        EXPECT_EQ(mng.GetCount(), 0u);
        ASSERT_EQ(method.Update(&group, 0.1f), 0);
        EXPECT_EQ(At(Draw(method, group, &mng), 48, 32), kBlue);
        method.EnableUsedMng(1);
        ASSERT_EQ(method.Update(&group, 0.1f), 0);
        EXPECT_EQ(mng.GetCount(), 1u);

        group.Release();
        EXPECT_EQ(mng.GetCount(), 0u) << "a released group leaves no billboard behind";
    }

    EyeScope scope; // at (0, 0, -10) looking down +z
    std::string path;
    CTextureMng textures;
};

TEST_F(BillboardMethod, DrawsABillboardOnEachParticleInItsColour)
{
    CMethodBB method;
    CParticleGroup group;
    Serve(method, group, &scope.eye);
    ppstest::Place(group, D3DXVECTOR3(-3, 0, 0), D3DXVECTOR3(0, 0, 0), kRed);
    ppstest::Place(group, D3DXVECTOR3(3, 0, 0), D3DXVECTOR3(0, 0, 0), kBlue);
    ASSERT_EQ(method.Update(&group, 0.1f), 0);
    const kestu_test::Image image = Draw(method, group);
    EXPECT_EQ(At(image, 15, 32), kRed);
    EXPECT_EQ(At(image, 48, 32), kBlue);
    EXPECT_EQ(At(image, 32, 32), kBlack);
    EXPECT_GT(Count(image, kRed), 16);
    EXPECT_GT(Count(image, kBlue), 16);
    EXPECT_EQ(LitOutside(image, kLeftAndRight), 0);
    kestu_test::SaveIfFailed(image);

    // Particles beyond the billboards' room are not drawn; moving particles
    // carry their billboards along.
    group.FirstParticle()->GetPosition()[0] = 3.0f;
    group.FirstParticle()->GetPosition()[2] = -1.0f;
    ASSERT_EQ(method.Update(&group, 0.1f), 0);
    const kestu_test::Image moved = Draw(method, group);
    EXPECT_EQ(At(moved, 15, 32), kBlack);
    EXPECT_EQ(At(moved, 48, 32), kRed) << "the nearer billboard is drawn last";
    kestu_test::SaveIfFailed(moved, "moved");
    group.Release();
}

TEST_F(BillboardMethod, DrawsFarToNear)
{
    CMethodBB method;
    CParticleGroup group;
    Serve(method, group, &scope.eye);
    // The near billboard comes first in the list, so list order would hide it.
    ppstest::Place(group, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0), kRed);
    ppstest::Place(group, D3DXVECTOR3(0, 0, 4), D3DXVECTOR3(0, 0, 0), kBlue);
    ppstest::Place(group, D3DXVECTOR3(0, 0, 2), D3DXVECTOR3(0, 0, 0), kBlue);
    ASSERT_EQ(method.Update(&group, 0.1f), 0);
    const std::vector<CBillboard*> order = method.GetDrawOrder(&group);
    ASSERT_EQ(order.size(), 3u);
    EXPECT_EQ(order[0]->GetPos()->z, 4.0f);
    EXPECT_EQ(order[1]->GetPos()->z, 2.0f);
    EXPECT_EQ(order[2]->GetPos()->z, 0.0f);
    const kestu_test::Image image = Draw(method, group);
    EXPECT_EQ(At(image, 32, 32), kRed);
    EXPECT_GT(Count(image, kRed), 16);
    kestu_test::SaveIfFailed(image);
    group.Release();
}

TEST_F(BillboardMethod, WithoutAnEyeTheShapesKeepTheirLastTurn)
{
    CMethodBB method;
    CParticleGroup group;
    Serve(method, group, nullptr);
    ppstest::Place(group, D3DXVECTOR3(-3, 0, 0), D3DXVECTOR3(0, 0, 0), kRed);
    ASSERT_EQ(method.Update(&group, 0.1f), 0);
    const kestu_test::Image image = Draw(method, group);
    EXPECT_EQ(At(image, 15, 32), kRed);
    EXPECT_EQ(LitOutside(image, kLeftAndRight), 0);
    kestu_test::SaveIfFailed(image);
    group.Release();
}

// Drawn by the method, a billboard blends its texture's alpha over the frame
// and leaves blending off, also for a group it has no record of; the use flag
// without a manager leaves the drawing to the method.
TEST_F(BillboardMethod, BlendsByTextureAlphaAndTurnsBlendingOff)
{
    const std::string glass = "bbmethod_glass.kidx";
    bbtest::MakeLibrary(glass, {{kGlassTexture, bbtest::Solid(0x80FFFFFFu)}});
    CTextureMng translucent;
    ASSERT_GE(translucent.Build(device, glass.c_str()), 0);
    ASSERT_NE(translucent.QueryTexture(kGlassTexture), nullptr);
    CMethodBB method;
    CParticleGroup group, stranger;
    Serve(method, group, &scope.eye);
    method.SetTextureMng(&translucent);
    method.SetTextureID(kGlassTexture);
    method.EnableUsedMng(1);
    ppstest::Place(group, D3DXVECTOR3(-3, 0, 0), D3DXVECTOR3(0, 0, 0), kRed);
    ASSERT_EQ(method.Update(&group, 0.1f), 0);
    ASSERT_EQ(method.GetDrawOrder(&group).size(), 1u);

    device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
    device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_ZERO);
    device->SetTextureStageState(0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2);
    device->Clear(0, nullptr, D3DCLEAR_TARGET, kBlue, 1.0f, 0);
    device->BeginScene();
    EXPECT_EQ(method.Render(device, &group), 0);
    device->EndScene();
    const kestu_test::Image image = Picture();
    const uint32_t mixed = At(image, 15, 32);
    EXPECT_NEAR(int(mixed >> 16 & 0xFF), 0x80, 3) << std::hex << mixed;
    EXPECT_EQ(mixed >> 8 & 0xFF, 0u);
    EXPECT_NEAR(int(mixed & 0xFF), 0x7F, 3);
    EXPECT_EQ(At(image, 48, 32), kBlue);
    kestu_test::SaveIfFailed(image);

    for (CParticleGroup* g : {&group, &stranger}) {
        device->SetRenderState(D3DRS_ALPHABLENDENABLE, TRUE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_ONE);
        EXPECT_EQ(method.Render(device, g), g == &group ? 0 : 1);
        DWORD value = 0;
        device->GetRenderState(D3DRS_ALPHABLENDENABLE, &value);
        EXPECT_EQ(value, DWORD{FALSE});
        device->GetRenderState(D3DRS_SRCBLEND, &value);
        EXPECT_EQ(value, DWORD{D3DBLEND_SRCALPHA});
        device->GetRenderState(D3DRS_DESTBLEND, &value);
        EXPECT_EQ(value, DWORD{D3DBLEND_INVSRCALPHA});
        device->GetTextureStageState(0, D3DTSS_ALPHAOP, &value);
        EXPECT_EQ(value, DWORD{D3DTOP_SELECTARG1});
    }
    group.Release();
    translucent.Release();
    std::remove(glass.c_str());
}

TEST_F(BillboardMethod, PlainManagerDrawsTheParticles) { DrawThroughManager<CBillboardMng>(); }

TEST_F(BillboardMethod, PriorityManagerDrawsTheParticles) { DrawThroughManager<CBBMngPri>(); }

// New billboards join the priority manager as priority 0 entries would one by
// one: after the other priority 0 entries, before higher ones, in particle
// order, with the array grown past its initial room.
TEST_F(BillboardMethod, PriorityManagerTakesNewBillboardsInOrder)
{
    CBBMngPri mng;
    ASSERT_EQ(mng.Build(0, 2, 2, 0), S_OK);
    CBBFaceMe low, high;
    ASSERT_NE(mng.Insert(static_cast<CBillboard*>(&high), 5), 0xFFFFFFFFu);
    ASSERT_NE(mng.Insert(static_cast<CBillboard*>(&low), 0), 0xFFFFFFFFu);
    CMethodBB method;
    CParticleGroup group;
    Serve(method, group, &scope.eye);
    method.SetBillboardMng(&mng);
    for (int i = 0; i < 5; ++i) ppstest::Place(group, D3DXVECTOR3(float(i), 0, 0), D3DXVECTOR3(0, 0, 0));
    ASSERT_EQ(method.Update(&group, 0.1f), 0);
    ASSERT_EQ(mng.GetCount(), 7u);
    EXPECT_EQ(method.GetBillboardsInMng(&group), 5u);
    EXPECT_EQ(mng.GetBillboard(0), &low);
    EXPECT_EQ(mng.GetBillboard(6), &high);
    for (DWORD i = 0; i < 5; ++i) EXPECT_EQ(mng.GetBillboard(1 + i)->GetPos()->x, float(i)) << i;
    group.Release();
    EXPECT_EQ(mng.GetCount(), 2u);
}

TEST_F(BillboardMethod, BillboardsLeaveTheManagerWithTheirMethod)
{
    CBillboardMng first, second;
    ASSERT_EQ(first.Build(0, 4, 4, 0), S_OK);
    CParticleGroup a, b;
    {
        CMethodBB method;
        Serve(method, a, &scope.eye);
        b.SetMaxParticleNumber(4);
        b.SetMethod(&method);
        ASSERT_EQ(method.Build(device, &b), 0);
        method.SetBillboardMng(&first);
        for (CParticleGroup* g : {&a, &b}) {
            ppstest::Place(*g, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0));
            ppstest::Place(*g, D3DXVECTOR3(1, 0, 0), D3DXVECTOR3(0, 0, 0));
            ASSERT_EQ(method.Update(g, 0.1f), 0);
        }
        // A foreign billboard between them stays.
        CBBFaceMe foreign;
        first.InsertPointerGrow(static_cast<CBillboard*>(&foreign));
        ASSERT_EQ(first.GetCount(), 5u);
        // A rebuilt group takes its old billboards out first.
        ASSERT_EQ(method.Build(device, &a), 0);
        EXPECT_EQ(first.GetCount(), 3u);
        ASSERT_EQ(method.Update(&a, 0.1f), 0);
        EXPECT_EQ(first.GetCount(), 5u);
        // Another manager: the first gives the billboards back.
        method.SetBillboardMng(&second);
        EXPECT_EQ(first.GetCount(), 1u);
        EXPECT_EQ(first.GetBillboard(0), &foreign);
        for (CParticleGroup* g : {&a, &b}) ASSERT_EQ(method.Update(g, 0.1f), 0);
        EXPECT_EQ(second.GetCount(), 4u);
        first.RemoveAllPointer();
        // The method goes with its records still held by both groups.
        for (CParticleGroup* g : {&a, &b}) g->SetMethod(nullptr);
    }
    EXPECT_EQ(second.GetCount(), 0u);
    a.Release();
    b.Release();
}

// A manager that holds none of the method's billboards may go before the
// group does: releasing the group leaves it alone.
TEST_F(BillboardMethod, AManagerGivenNoBillboardMayGoFirst)
{
    CMethodBB method;
    CParticleGroup group;
    Serve(method, group, &scope.eye);
    {
        CBBMngPri gone;
        ASSERT_EQ(gone.Build(0, 2, 2, 0), S_OK);
        method.SetBillboardMng(&gone);
        ASSERT_EQ(method.Update(&group, 0.1f), 0);
        EXPECT_EQ(gone.GetCount(), 0u);
    }
    group.Release();
    EXPECT_EQ(method.GetRes(&group), nullptr);
}

TEST_F(BillboardMethod, BuildAndReleaseOwnTheBillboardsOnce)
{
    const DWORD before = CBillboard::GetTotalNumber();
    CMethodBB method;
    CParticleGroup group, stranger;
    EXPECT_EQ(method.Build(device, &stranger), 1);
    EXPECT_EQ(method.Update(&stranger, 0.1f), 1);
    EXPECT_EQ(method.Render(device, &stranger), 1);
    Serve(method, group, &scope.eye);
    const SPPS_METHOD_RES* res = method.GetRes(&group);
    ASSERT_NE(res, nullptr);
    EXPECT_EQ(res->dwSize, 8u);
    ASSERT_NE(res->pBillboards, nullptr);
    EXPECT_TRUE(res->pBillboards[7].IsBuilt());
    EXPECT_EQ(res->pBillboards[0].GetTexMng(), &textures);
    EXPECT_EQ(CBillboard::GetTotalNumber(), before + 8);
    // A second build replaces the billboards.
    group.SetMaxParticleNumber(3);
    ASSERT_EQ(method.Build(device, &group), 0);
    EXPECT_EQ(CBillboard::GetTotalNumber(), before + 3);
    // A texture manager given later reaches the billboards already built.
    method.SetTextureMng(nullptr);
    EXPECT_EQ(method.GetRes(&group)->pBillboards[2].GetTexMng(), nullptr);

    // No device: no valid init, so no billboards, and nothing to draw.
    ASSERT_EQ(method.Build(nullptr, &group), static_cast<HRESULT>(0x82000109));
    EXPECT_EQ(method.GetRes(&group)->pBillboards, nullptr);
    EXPECT_EQ(CBillboard::GetTotalNumber(), before);
    ppstest::Place(group, D3DXVECTOR3(0, 0, 0), D3DXVECTOR3(0, 0, 0), kRed);
    EXPECT_EQ(method.Update(&group, 0.1f), 0);
    EXPECT_EQ(Count(Draw(method, group), kRed), 0);

    // A maximum no memory holds fails the same way.
    group.SetMaxParticleNumber(0xFFFFFFFFu);
    EXPECT_EQ(method.Build(device, &group), E_OUTOFMEMORY);
    EXPECT_EQ(method.GetRes(&group)->pBillboards, nullptr);

    group.SetMaxParticleNumber(3);
    ASSERT_EQ(method.Build(device, &group), 0);
    group.Release();
    EXPECT_EQ(method.GetRes(&group), nullptr);
    EXPECT_EQ(CBillboard::GetTotalNumber(), before);
    method.Release(&group);
    EXPECT_EQ(CBillboard::GetTotalNumber(), before);
}

TEST(BillboardMethodFields, ConstructorsAndTheManagerHandOver)
{
    CMethodBB plain;
    EXPECT_EQ(plain.GetBBHeight(), 0.1f);
    EXPECT_EQ(plain.GetBBWidth(), 0.1f);
    EXPECT_EQ(plain.GetEye(), nullptr);
    EXPECT_EQ(plain.GetTextureMng(), nullptr);
    EXPECT_EQ(plain.GetTextureID(), 0u);
    EXPECT_EQ(plain.IsUsedMng(), 0);
    EXPECT_EQ(plain.GetBillboardMng(), nullptr);

    bbtest::EyeScope scope;
    CEye& eye = scope.eye;
    CTextureMng textures, later;
    CBillboardMng billboards;
    CMethodBB given(&eye, &textures, 9);
    EXPECT_EQ(given.GetEye(), &eye);
    EXPECT_EQ(given.GetTextureMng(), &textures);
    EXPECT_EQ(given.GetTextureID(), 9u);
    EXPECT_EQ(given.IsUsedMng(), 0);

    CParticleMethodMng mng;
    auto* bare = dynamic_cast<CMethodBB*>(mng.NewMethod(PPS_METHOD_BB));
    ASSERT_NE(bare, nullptr);
    EXPECT_EQ(bare->IsUsedMng(), 0);
    EXPECT_EQ(mng.GetMethodTypeByName(bare->GetName()), DWORD{PPS_METHOD_BB});
    mng.SetEye(&eye);
    mng.SetTextureMng(&textures);
    mng.SetBillboardMng(&billboards);
    EXPECT_EQ(bare->GetTextureMng(), &textures) << "existing billboard methods get the texture manager";
    EXPECT_EQ(bare->GetEye(), nullptr) << "the eye is given at creation only";
    auto* made = dynamic_cast<CMethodBB*>(mng.NewMethod(PPS_METHOD_BB));
    ASSERT_NE(made, nullptr);
    EXPECT_EQ(made->GetEye(), &eye);
    EXPECT_EQ(made->GetTextureMng(), &textures);
    EXPECT_EQ(made->GetTextureID(), 0u);
    EXPECT_EQ(made->GetBillboardMng(), &billboards);
    EXPECT_EQ(made->IsUsedMng(), 1);
    mng.SetTextureMng(&later);
    EXPECT_EQ(made->GetTextureMng(), &later);
    EXPECT_EQ(bare->GetTextureMng(), &later);
}

} // namespace

// CTextureMng over a texture library: queries and counts, the cache, loads
// and unloads, settings, both lost-device schemes, bad entries and several
// threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <thread>
#include <vector>

#include "host/host_d3d8.h"
#include "index_lib.h"
#include "kestu_log.h"
#include "kestu_texture_mng.h"
#include "texture_fixture.h"

using namespace texture_test;

namespace {

class ProbeMng : public CTextureMng {
public:
    using CTextureMng::TryIdxLib;
    using CTextureMng::UnlockIdxLib;
};

constexpr DWORD kA = 10, kB = 11, kC = 12, kD = 13;

class TextureMngTest : public TextureTest {
protected:
    void SetUp() override
    {
        TextureTest::SetUp();
        if (HasFatalFailure()) return;
        m_lib = MakeLibrary("textures.kidx", {{kA, "a.bmp", ImageFile(D3DXIFF_BMP, D3DFMT_R5G6B5, 8, 8)},
                                              {kB, "b.tga", ImageFile(D3DXIFF_TGA, D3DFMT_X8R8G8B8, 16, 8)},
                                              {kC, "c.png", ImageFile(D3DXIFF_PNG, D3DFMT_A8R8G8B8, 4, 4)},
                                              {kD, "d.dds", ImageFile(D3DXIFF_DDS, D3DFMT_DXT1, 8, 8)}});
    }
    HRESULT ResetDevice()
    {
        D3DPRESENT_PARAMETERS pp = DeviceParameters();
        return dev->Reset(&pp);
    }
    bool Built(const CTextureMng& mng, DWORD id) const
    {
        const CTexture* t = mng.GetTexture(id);
        return t && t->IsBuilt();
    }

    std::string m_lib;
};

TEST_F(TextureMngTest, QueriesCountReferencesAndLoadOnDemand)
{
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 0, 1, 0), S_OK);
    EXPECT_TRUE(mng.IsBuilt());
    EXPECT_EQ(mng.GetNumItems(), 4u);
    EXPECT_EQ(mng.GetLoadedTextures(), 0u);
    EXPECT_FALSE(mng.IsCacheEnable());

    CTexture* a = mng.QueryTexture(kA);
    ASSERT_NE(a, nullptr);
    EXPECT_TRUE(a->IsBuilt());
    EXPECT_EQ(a->GetID(), kA);
    EXPECT_STREQ(a->GetName(), "a.bmp");
    EXPECT_EQ(a->GetRef(), 1);
    EXPECT_EQ(a->GetTexWidth(), 8u);
    EXPECT_EQ(mng.QueryTexture(kA), a);
    EXPECT_EQ(a->GetRef(), 2);
    EXPECT_EQ(mng.GetLoadedTextures(), 1u);
    EXPECT_EQ(mng.GetD3DTexture(kA), a->GetD3DTexture());

    EXPECT_EQ(mng.ReleaseTexture(kA), 1);
    EXPECT_TRUE(a->IsBuilt());
    EXPECT_EQ(mng.ReleaseTexture(kA), 0); // no cache: unloaded at once
    EXPECT_FALSE(a->IsBuilt());
    EXPECT_EQ(mng.GetLoadedTextures(), 0u);
    EXPECT_EQ(mng.ReleaseTexture(kA), 0);

    // Without loading the count still goes up and nothing is decoded.
    CTexture* b = mng.QueryTexture(kB, 0);
    ASSERT_NE(b, nullptr);
    EXPECT_FALSE(b->IsBuilt());
    EXPECT_EQ(b->GetRef(), 1);
    EXPECT_EQ(mng.GetLoadedTextures(), 0u);
    EXPECT_EQ(mng.TryQueryTexture(kB), E_FAIL);
    EXPECT_EQ(mng.TryQueryTexture(999), 1);

    // Every kind of entry decodes: the TGA takes the alpha format.
    CTexture* d = mng.QueryTexture(kD);
    ASSERT_NE(d, nullptr);
    EXPECT_EQ(d->GetFormat(), D3DFMT_R5G6B5);
    ASSERT_EQ(mng.LoadTexture(kB), S_OK);
    EXPECT_EQ(b->GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(mng.LoadTexture(kB), E_FAIL); // built already
    EXPECT_EQ(mng.LoadTexture(999), E_FAIL);
    EXPECT_EQ(mng.LoadTextureByIndex(99), E_FAIL);
    EXPECT_EQ(mng.GetLoadedTextures(), 2u);
    EXPECT_EQ(mng.UnloadTexture(kB), S_OK);
    EXPECT_FALSE(b->IsBuilt());
    EXPECT_EQ(b->GetRef(), 1);
    EXPECT_EQ(mng.GetLoadedTextures(), 1u);
}

TEST_F(TextureMngTest, UnknownIdLeavesTheLockFree)
{
    ProbeMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 1, 1, 0), S_OK);
    EXPECT_TRUE(mng.IsMultiThreaded());
    EXPECT_EQ(mng.QueryTexture(4242), nullptr);
    EXPECT_EQ(mng.QueryTextureByIndex(99), nullptr);
    EXPECT_EQ(mng.ReleaseTexture(4242), 0);
    int acquired = 0;
    std::thread other([&] {
        acquired = mng.TryIdxLib();
        if (acquired) mng.UnlockIdxLib();
    });
    other.join();
    EXPECT_EQ(acquired, 1);
}

TEST_F(TextureMngTest, BuildFailuresLeaveAReusableManager)
{
    WriteFile("not_a_library.kidx", ImageFile(D3DXIFF_BMP, D3DFMT_R5G6B5, 4, 4));
    CTextureMng mng;
    EXPECT_EQ(mng.Build(nullptr, m_lib.c_str()), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(mng.Build(dev, nullptr), KESTUERR_INVALIDPARAM);
    EXPECT_EQ(mng.Build(dev, Path("missing.kidx").c_str()), KESTUERR_FILEOPEN);
    EXPECT_EQ(mng.Build(dev, Path("not_a_library.kidx").c_str()), IDXLIB_E_BAD_MAGIC);
    EXPECT_FALSE(mng.IsBuilt());
    EXPECT_EQ(mng.QueryTexture(kA), nullptr);
    EXPECT_EQ(mng.Invalidate(), KESTUERR_GENERIC);
    EXPECT_EQ(mng.Rebuild(), KESTUERR_GENERIC);
    EXPECT_EQ(mng.Restore(), E_FAIL);
    EXPECT_EQ(mng.ApplyAllTexturesReference(), E_FAIL);
    ASSERT_EQ(mng.Build(dev, m_lib.c_str()), S_OK);
    EXPECT_NE(mng.QueryTexture(kC), nullptr);
}

TEST_F(TextureMngTest, BadEntriesFailWithTheirLogLinesAndTheManagerGoesOn)
{
    const std::vector<uint8_t> png = ImageFile(D3DXIFF_PNG, D3DFMT_A8R8G8B8, 16, 16);
    const std::string noImage = "these bytes are no image";
    const std::vector<uint8_t> half(png.begin(), png.begin() + static_cast<long>(png.size() / 2));
    const std::string lib =
        MakeLibrary("bad.kidx", {{1, "good.png", png},
                                 {2, "words.png", std::vector<uint8_t>(noImage.begin(), noImage.end())},
                                 {3, "half.png", half}});
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, lib.c_str(), nullptr, 0, 0, 1, 1, 2), S_OK);
    EXPECT_EQ(mng.QueryTexture(2), nullptr);
    EXPECT_EQ(mng.QueryTexture(3), nullptr);
    EXPECT_EQ(mng.GetTexture(2)->GetRef(), 0);
    const std::string log = Log();
    EXPECT_NE(log.find("Error: Failed to build Texture named 'words.png'\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Failed to Load Texture(words.png) of lib=" + lib + "\n"), std::string::npos) << log;
    EXPECT_NE(log.find("Error: Failed to build Texture named 'half.png'\n"), std::string::npos) << log;
    EXPECT_EQ(mng.GetLoadedTextures(), 0u);

    CTexture* good = mng.QueryTexture(1);
    ASSERT_NE(good, nullptr);
    EXPECT_TRUE(good->IsBuilt());
    // A run over every entry goes past the bad ones; its result is the last entry's.
    EXPECT_TRUE(FAILED(mng.LoadAllTexture()));
    EXPECT_TRUE(Built(mng, 1));
    EXPECT_EQ(mng.GetLoadedTextures(), 1u);
}

TEST_F(TextureMngTest, CacheKeepsTheNewestReleasedTextures)
{
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 0, 1, 2), S_OK);
    EXPECT_TRUE(mng.IsCacheEnable());
    for (DWORD id : {kA, kB, kC}) ASSERT_NE(mng.QueryTexture(id), nullptr);
    for (DWORD id : {kA, kB, kC}) EXPECT_EQ(mng.ReleaseTexture(id), 0);
    EXPECT_FALSE(Built(mng, kA));
    EXPECT_TRUE(Built(mng, kB));
    EXPECT_TRUE(Built(mng, kC));
    EXPECT_EQ(mng.GetCacheSize(), 2u);
    EXPECT_EQ(mng.GetLoadedTextures(), 2u);

    ASSERT_EQ(mng.QueryTexture(kB), mng.GetTexture(kB));
    EXPECT_EQ(mng.GetCacheSize(), 2u); // queries leave the list alone
    mng.CheckCache();
    EXPECT_EQ(mng.GetCacheSize(), 1u);

    // A release at 0 moves the texture to the back again; a release that
    // unloads now ignores the cache.
    EXPECT_EQ(mng.ReleaseTexture(kC), 0);
    EXPECT_EQ(mng.GetCacheSize(), 1u);
    EXPECT_EQ(mng.ReleaseTexture(kB, 1), 0);
    EXPECT_FALSE(Built(mng, kB));

    // TryQuery takes a cached texture back out of the cache.
    EXPECT_EQ(mng.TryQueryTexture(kC), S_OK);
    EXPECT_EQ(mng.GetTexture(kC)->GetRef(), 1);
    EXPECT_EQ(mng.GetCacheSize(), 0u);
    EXPECT_EQ(mng.ReleaseTexture(kC), 0);
    mng.ClearCache();
    EXPECT_FALSE(Built(mng, kC));
    EXPECT_EQ(mng.GetCacheSize(), 0u);
    EXPECT_EQ(mng.GetLoadedTextures(), 0u);
}

// A texture released again is the newest in the cache, and an older entry of
// its own does not push it out.
TEST_F(TextureMngTest, CacheEvictsTheLeastRecentlyReleased)
{
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 0, 1, 2), S_OK);
    for (DWORD id : {kA, kB, kC}) ASSERT_NE(mng.QueryTexture(id), nullptr);
    mng.ReleaseTexture(kA);
    mng.ReleaseTexture(kB);
    ASSERT_NE(mng.QueryTexture(kA), nullptr);
    mng.ReleaseTexture(kA);
    mng.ReleaseTexture(kC);
    EXPECT_TRUE(Built(mng, kA));
    EXPECT_FALSE(Built(mng, kB));
    EXPECT_TRUE(Built(mng, kC));
    EXPECT_EQ(mng.GetCacheSize(), 2u);
    for (int i = 0; i < 10; ++i) {
        ASSERT_NE(mng.QueryTexture(kA), nullptr);
        mng.ReleaseTexture(kA);
    }
    EXPECT_TRUE(Built(mng, kA));
    EXPECT_TRUE(Built(mng, kC));
    EXPECT_EQ(mng.GetLoadedTextures(), 2u);
}

TEST_F(TextureMngTest, LoadAllUnloadAllAndReloadTheLibrary)
{
    TEXTURE_CONFIG cfg;
    cfg.bAlpha = 1;
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), &cfg, 1, 0, 0, 1, 0), S_OK);
    EXPECT_EQ(mng.GetLoadedTextures(), 4u);
    EXPECT_EQ(mng.GetTexture(kA)->GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(mng.GetTexture(kA)->GetRef(), 0);
    EXPECT_EQ(mng.UnloadAllTexture(), S_OK);
    EXPECT_EQ(mng.GetLoadedTextures(), 0u);
    EXPECT_FALSE(Built(mng, kD));

    ASSERT_EQ(mng.ReLoadLib(m_lib.c_str()), S_OK);
    EXPECT_EQ(mng.GetLoadedTextures(), 4u);
    EXPECT_EQ(mng.GetCfgTexture()->bAlpha, 0);
    EXPECT_EQ(mng.GetTexture(kA)->GetFormat(), D3DFMT_R5G6B5);
    EXPECT_EQ(mng.ReLoadLib(nullptr), KESTUERR_INVALIDPARAM);

    // A copy reads the same library again and loads textures of its own.
    CTextureMng copy(mng);
    ASSERT_EQ(copy.LoadTexture(kA), S_OK);
    CTexture* mine = copy.QueryTexture(kA);
    ASSERT_NE(mine, nullptr);
    EXPECT_NE(mine, mng.GetTexture(kA));
    EXPECT_TRUE(mng.GetTexture(kA)->IsBuilt());

    mng.Release();
    EXPECT_FALSE(mng.IsBuilt());
    EXPECT_EQ(mng.GetNumItems(), 0u);
    EXPECT_EQ(mng.GetDevice(), nullptr);
}

TEST_F(TextureMngTest, NewSettingsAndRebuildKeepTheCounts)
{
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 0, 1, 0), S_OK);
    CTexture* a = mng.QueryTexture(kA);
    ASSERT_NE(a, nullptr);
    mng.QueryTexture(kA);
    ASSERT_EQ(a->GetFormat(), D3DFMT_R5G6B5);
    TEXTURE_CONFIG cfg;
    cfg.bAlpha = 1;
    cfg.fLOD = 0.5f;
    EXPECT_EQ(mng.SetCfgTexture(nullptr), E_FAIL);
    EXPECT_EQ(mng.SetCfgTexture(&cfg), S_OK);
    EXPECT_TRUE(a->IsBuilt());
    EXPECT_EQ(a->GetRef(), 2);
    EXPECT_EQ(a->GetFormat(), D3DFMT_A8R8G8B8);
    EXPECT_EQ(mng.GetTexture(kB)->GetCfgTexture()->bAlpha, 1); // unbuilt: takes the settings
    EXPECT_EQ(mng.GetLoadedTextures(), 1u);

    EXPECT_EQ(mng.Rebuild(), S_OK);
    EXPECT_TRUE(a->IsBuilt());
    EXPECT_EQ(a->GetRef(), 2);
    EXPECT_EQ(a->GetTexWidth(), 8u);
    EXPECT_EQ(mng.GetLoadedTextures(), 1u);

    mng.SetLOD(0.0f);
    EXPECT_EQ(mng.GetLOD(), 0.0f);
    EXPECT_EQ(a->GetD3DTexture()->GetLOD(), a->GetMipLevels() - 1);
    mng.SetPriority(3);
    EXPECT_EQ(mng.GetPriority(), 3u);
    EXPECT_EQ(mng.SetMipLevels(2), S_OK);
    mng.PreLoad();
}

TEST_F(TextureMngTest, ReferencesAppliedAndTexturesAttached)
{
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 0, 1, 0), S_OK);
    mng.GetTexture(kA)->SetRef(1);
    ASSERT_EQ(mng.LoadTexture(kB), S_OK); // built with count 0
    EXPECT_EQ(mng.ApplyAllTexturesReference(), S_OK);
    EXPECT_TRUE(Built(mng, kA));
    EXPECT_FALSE(Built(mng, kB));
    EXPECT_FALSE(Built(mng, kC));
    EXPECT_EQ(mng.GetLoadedTextures(), 1u);

    EXPECT_EQ(mng.ApplyReference(kA), 1); // built and referenced
    EXPECT_EQ(mng.ApplyReference(kC), 1); // unbuilt and unreferenced
    mng.GetTexture(kC)->SetRef(2);
    EXPECT_EQ(mng.ApplyReference(kC), S_OK);
    EXPECT_TRUE(Built(mng, kC));
    mng.GetTexture(kC)->SetRef(0);
    EXPECT_EQ(mng.ApplyReference(kC), S_OK);
    EXPECT_FALSE(Built(mng, kC));
    EXPECT_EQ(mng.ApplyReference(999), E_FAIL);

    CTexture made;
    EXPECT_EQ(mng.AttachLoadedTexture(nullptr, 1), E_INVALIDARG);
    EXPECT_EQ(mng.AttachLoadedTexture(&made, 1), E_INVALIDARG); // not built
    ASSERT_EQ(made.Build(dev, 32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 555, 0), S_OK);
    EXPECT_EQ(mng.AttachLoadedTexture(&made, 1), E_FAIL); // no such entry
    made.SetID(kD);
    IDirect3DTexture8* d3d = made.GetD3DTexture();
    EXPECT_EQ(mng.AttachLoadedTexture(&made, 2), S_OK);
    EXPECT_EQ(mng.GetD3DTexture(kD), d3d);
    EXPECT_EQ(mng.GetTexture(kD)->GetRef(), 2);
    EXPECT_EQ(mng.GetTexture(kD)->GetTexWidth(), 32u);
    EXPECT_FALSE(made.IsBuilt());
    EXPECT_EQ(mng.GetLoadedTextures(), 2u);

    CTexture again;
    ASSERT_EQ(again.Build(dev, 4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, kD, 0), S_OK);
    EXPECT_EQ(mng.AttachLoadedTexture(&again, 1), 1);
    EXPECT_FALSE(again.IsBuilt());
    EXPECT_EQ(mng.GetTexture(kD)->GetRef(), 3);
    EXPECT_EQ(mng.GetD3DTexture(kD), d3d);
}

// DEFAULT pool: everything goes before the reset; only referenced textures
// come back, with their counts.
TEST_F(TextureMngTest, DefaultPoolReloadsExactlyTheReferencedTextures)
{
    TEXTURE_CONFIG cfg;
    cfg.Pool = D3DPOOL_DEFAULT;
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), &cfg, 0, 0, 0, 1, 4), S_OK);
    ASSERT_NE(mng.QueryTexture(kA), nullptr);
    ASSERT_NE(mng.QueryTexture(kA), nullptr);
    ASSERT_NE(mng.QueryTexture(kB), nullptr);
    ASSERT_NE(mng.QueryTexture(kC), nullptr);
    EXPECT_EQ(mng.ReleaseTexture(kC), 0); // cached
    EXPECT_EQ(mng.GetTexture(kA)->GetPool(), D3DPOOL_DEFAULT);
    EXPECT_EQ(mng.GetLoadedTextures(), 3u);

    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    EXPECT_TRUE(FAILED(ResetDevice()));
    ASSERT_EQ(mng.Invalidate(), S_OK);
    EXPECT_EQ(mng.GetLoadedTextures(), 0u);
    ASSERT_EQ(ResetDevice(), S_OK);
    ASSERT_EQ(mng.Restore(), S_OK);

    EXPECT_TRUE(Built(mng, kA));
    EXPECT_TRUE(Built(mng, kB));
    EXPECT_FALSE(Built(mng, kC));
    EXPECT_EQ(mng.GetTexture(kA)->GetRef(), 2);
    EXPECT_EQ(mng.GetTexture(kB)->GetRef(), 1);
    EXPECT_EQ(mng.GetLoadedTextures(), 2u);
    EXPECT_NE(mng.GetD3DTexture(kA), nullptr);
    mng.Release();
    EXPECT_EQ(ResetDevice(), S_OK); // nothing of the manager is left in the device
}

TEST_F(TextureMngTest, ManagedPoolKeepsItsTexturesOverAReset)
{
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 0, 1, 0), S_OK);
    CTexture* a = mng.QueryTexture(kA);
    ASSERT_NE(a, nullptr);
    IDirect3DTexture8* d3d = a->GetD3DTexture();
    ASSERT_EQ(mng.Invalidate(), S_OK);
    host::D3D8LoseDevices();
    host::D3D8RegainDevices();
    ASSERT_EQ(ResetDevice(), S_OK);
    ASSERT_EQ(mng.Restore(), S_OK);
    EXPECT_EQ(a->GetD3DTexture(), d3d);
    EXPECT_EQ(a->GetRef(), 1);
}

// Several threads query and release the same ids; every count change is
// made under the manager's lock, so the counts come out exact. The client's
// thread holds one reference on each texture throughout: the device makes
// and frees its resources on the client's thread only.
TEST_F(TextureMngTest, ThreadsQueryAndReleaseTheSameIds)
{
    CTextureMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 1, 1, 2), S_OK);
    const DWORD ids[] = {kA, kB, kC, kD};
    for (DWORD id : ids) ASSERT_NE(mng.QueryTexture(id), nullptr);
    std::atomic<int> failures{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < 2000; ++i) {
                const DWORD id = ids[(i + t) % 4];
                const CTexture* tex = mng.QueryTexture(id);
                if (!tex || !tex->IsBuilt()) ++failures;
                if (mng.TryQueryTexture(id) != S_OK) ++failures;
                if (mng.ReleaseTexture(id) < 2) ++failures;
                if (mng.ReleaseTexture(id) < 1) ++failures;
            }
        });
    for (std::thread& t : threads) t.join();
    EXPECT_EQ(failures.load(), 0);
    for (DWORD id : ids) EXPECT_EQ(mng.GetTexture(id)->GetRef(), 1) << id;
    for (DWORD id : ids) EXPECT_EQ(mng.ReleaseTexture(id), 0);
    EXPECT_EQ(mng.GetCacheSize(), 2u);
    EXPECT_EQ(mng.GetLoadedTextures(), 2u);
    EXPECT_FALSE(Built(mng, kA));
    EXPECT_TRUE(Built(mng, kD));
}

// TryQuery changes the count under the lock like every other count change.
TEST_F(TextureMngTest, TryQueryWaitsForTheLock)
{
    ProbeMng mng;
    ASSERT_EQ(mng.Build(dev, m_lib.c_str(), nullptr, 0, 0, 1, 1, 0), S_OK);
    CTexture* a = mng.QueryTexture(kA);
    ASSERT_NE(a, nullptr);
    ASSERT_TRUE(mng.TryIdxLib());
    std::atomic<bool> done{false};
    std::thread other([&] {
        mng.TryQueryTextureByIndex(mng.GetIndexFormID(kA));
        done = true;
    });
    std::this_thread::sleep_for(std::chrono::milliseconds(50));
    EXPECT_FALSE(done.load());
    EXPECT_EQ(a->GetRef(), 1);
    mng.UnlockIdxLib();
    other.join();
    EXPECT_EQ(a->GetRef(), 2);
}

} // namespace

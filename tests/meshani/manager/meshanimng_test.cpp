// The GMA mesh manager over a mesh library: sharing, references, the cache,
// lost devices, both texture modes, attached meshes and threads.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "gma_fixtures.h"
#include "index_lib.h"
#include "kestu_log.h"
#include "kestu_meshanimng.h"
#include "meshani_device.h"
#include "meshanimng_fixture.h"

using namespace gmatest;

class MeshAniMng : public MeshAniMngDevice {
protected:
    HRESULT BuildArray(CMeshAniMng& m, const std::string& lib, D3DPOOL pool = D3DPOOL_MANAGED, DWORD cache = 0,
                       BOOL multiThreaded = FALSE)
    {
        return m.Build(device, lib.c_str(), Path("tex").c_str(), FALSE, 1.0f, nullptr, pool, TRUE, FALSE, FALSE, FALSE,
                       multiThreaded, 1, cache);
    }
    std::vector<DWORD> SharedIds(const CMeshAniMng& m)
    {
        std::vector<DWORD> ids;
        for (DWORD i = 0; i < m.GetNumSharedContainers(); ++i) {
            EXPECT_EQ(m.GetSharedContainerList()[i]->GetIndex(), i);
            ids.push_back(m.GetSharedContainerList()[i]->GetMeshID());
        }
        return ids;
    }
};

TEST_F(MeshAniMng, MeshesOfOneMeshIdShareAContainer)
{
    CMeshAniMng m;
    ASSERT_EQ(BuildArray(m, Library({{1, 7, true}, {2, 7, true}, {3, 9, true}, {4, 3, true}, {5, 7, false}})), S_OK);
    CMeshAniData* a = m.QueryMesh(1);
    CMeshAniData* b = m.QueryMesh(2);
    CMeshAniData* c = m.QueryMesh(3);
    CMeshAniData* d = m.QueryMesh(4);
    CMeshAniData* e = m.QueryMesh(5);
    ASSERT_TRUE(a && b && c && d && e);
    EXPECT_EQ(a->GetContainer(), b->GetContainer());
    EXPECT_EQ(a->GetContainer()->GetRef(), 2);
    EXPECT_NE(e->GetContainer(), a->GetContainer());
    EXPECT_EQ(m.GetNumUniqueContainers(), 1u);
    EXPECT_EQ(SharedIds(m), (std::vector<DWORD>{3, 7, 9}));
    EXPECT_EQ(m.GetNumContainers(), 4u);
    EXPECT_EQ(m.ReleaseMesh(1), 0);
    EXPECT_FALSE(a->IsBuilt());
    EXPECT_EQ(b->GetContainer()->GetRef(), 1);
    EXPECT_EQ(SharedIds(m), (std::vector<DWORD>{3, 7, 9}));
    EXPECT_EQ(m.ReleaseMesh(2), 0);
    EXPECT_EQ(SharedIds(m), (std::vector<DWORD>{3, 9})); // the gap closes
    EXPECT_EQ(m.ReleaseMesh(5), 0);
    EXPECT_EQ(m.GetNumUniqueContainers(), 0u);
    EXPECT_EQ(m.QueryMesh(77), nullptr);
}

TEST_F(MeshAniMng, ReleasedMeshesWaitInTheCache)
{
    CMeshAniMng m;
    ASSERT_EQ(BuildArray(m, Library({{1, 1, false}, {2, 2, false}, {3, 3, false}, {4, 4, false}}), D3DPOOL_MANAGED, 2),
              S_OK);
    CMeshAniData* items[4];
    for (DWORD id = 1; id <= 4; ++id) ASSERT_NE(items[id - 1] = m.QueryMesh(id), nullptr);
    EXPECT_EQ(m.ReleaseMesh(1), 0);
    EXPECT_EQ(m.ReleaseMesh(2), 0);
    EXPECT_TRUE(items[0]->IsBuilt());
    EXPECT_EQ(m.ReleaseMesh(3), 0);
    EXPECT_FALSE(items[0]->IsBuilt()); // the oldest went
    EXPECT_TRUE(items[1]->IsBuilt());
    EXPECT_EQ(m.GetCacheSize(), 2u);
    // Queried again, a cached mesh leaves the cache, by either query.
    EXPECT_EQ(m.QueryMesh(2), items[1]);
    EXPECT_EQ(m.GetCacheSize(), 1u);
    EXPECT_EQ(m.TryQueryGma(3), S_OK);
    EXPECT_EQ(m.GetCacheSize(), 0u);
    EXPECT_EQ(m.TryQueryGma(1), E_FAIL); // not loaded
    EXPECT_EQ(m.TryQueryGma(99), S_FALSE);
    // Unloaded at once when asked, whatever the cache.
    EXPECT_EQ(m.ReleaseMesh(4, TRUE), 0);
    EXPECT_FALSE(items[3]->IsBuilt());
    EXPECT_EQ(m.ReleaseMesh(99), 0);
    m.ClearCache(TRUE);
    EXPECT_TRUE(items[1]->IsBuilt()); // still referenced
}

TEST_F(MeshAniMng, DefaultPoolLostDeviceReloadsTheReferencedMeshes)
{
    CMeshAniMng m;
    ASSERT_EQ(BuildArray(m, Library({{1, 1, false}, {2, 2, true}, {3, 3, false}}), D3DPOOL_DEFAULT, 4), S_OK);
    CMeshAniData* a = m.QueryMesh(1);
    CMeshAniData* b = m.QueryMesh(2);
    CMeshAniData* c = m.QueryMesh(3);
    ASSERT_TRUE(a && b && c);
    m.QueryMesh(2);
    EXPECT_EQ(m.ReleaseMesh(3), 0); // cached, loaded, no references
    EXPECT_TRUE(c->IsBuilt());
    ASSERT_EQ(m.Invalidate(), S_OK);
    EXPECT_FALSE(a->IsBuilt());
    EXPECT_FALSE(c->IsBuilt());
    EXPECT_EQ(m.GetNumContainers(), 0u);
    D3DPRESENT_PARAMETERS pp = Parameters();
    ASSERT_EQ(device->Reset(&pp), D3D_OK);
    ASSERT_EQ(m.Restore(), S_OK);
    EXPECT_TRUE(a->IsBuilt());
    EXPECT_TRUE(b->IsBuilt());
    EXPECT_FALSE(c->IsBuilt());
    EXPECT_EQ(a->GetRef(), 1);
    EXPECT_EQ(b->GetRef(), 2);
    EXPECT_EQ(m.GetNumContainers(), 2u);
    EXPECT_NE(a->GetContainer()->GetVB(0), nullptr);
}

TEST_F(MeshAniMng, ManagedPoolKeepsItsMeshesOverALostDevice)
{
    CMeshAniMng m;
    ASSERT_EQ(BuildArray(m, Library({{1, 1, false}})), S_OK);
    CMeshAniData* a = m.QueryMesh(1);
    ASSERT_NE(a, nullptr);
    ASSERT_EQ(m.Invalidate(), S_OK);
    ASSERT_EQ(m.Restore(), S_OK);
    EXPECT_TRUE(a->IsBuilt());
    EXPECT_EQ(a->GetRef(), 1);
}

TEST_F(MeshAniMng, BuildFailuresAndLoadingAll)
{
    CMeshAniMng m;
    EXPECT_EQ(BuildArray(m, Path("missing.kidx")), KESTUERR_FILEOPEN);
    EXPECT_FALSE(m.IsBuilt());
    EXPECT_EQ(m.LoadAllMesh(), E_FAIL);
    const std::string lib = Library({{1, 1, false}, {2, 5, true}});
    ASSERT_EQ(m.Build(device, lib.c_str(), Path("tex").c_str(), TRUE, 1.0f, nullptr, D3DPOOL_MANAGED, TRUE, FALSE,
                      FALSE, FALSE, TRUE, 1, 0),
              S_OK);
    EXPECT_TRUE(m.IsBuilt());
    EXPECT_TRUE(m.IsMultiThreaded());
    EXPECT_TRUE(m.GetMeshData(1)->IsBuilt());
    EXPECT_TRUE(m.GetMeshData(2)->IsBuilt());
    EXPECT_EQ(m.GetTextureNumber(), 2u);
    // Nothing referenced: applying the references unloads everything.
    EXPECT_EQ(m.ApplyAllMeshesReference(), S_OK);
    EXPECT_FALSE(m.GetMeshData(1)->IsBuilt());
    m.GetMeshData(2)->SetRef(1);
    EXPECT_EQ(m.ApplyReference(2), S_OK);
    EXPECT_TRUE(m.GetMeshData(2)->IsBuilt());
    EXPECT_EQ(m.ApplyReference(2), S_FALSE);
    EXPECT_EQ(m.ApplyReference(42), E_FAIL);
    EXPECT_EQ(m.ReBuild(), S_OK);
    EXPECT_TRUE(m.GetMeshData(2)->IsBuilt());
    EXPECT_FALSE(m.GetMeshData(1)->IsBuilt());
    // A mesh of the library whose bytes are not a GMA file fails to load and leaves nothing behind.
    CIndexLib edit;
    ASSERT_EQ(edit.Load(lib.c_str()), S_OK);
    const BYTE junk[100] = {2, 0, 0, 0}; // a version the engine does not know
    ASSERT_EQ(edit.ImportFromMemory(junk, sizeof junk, 3, "junk.gma"), S_OK);
    ASSERT_EQ(edit.Save(), S_OK);
    CMeshAniMng n;
    ASSERT_EQ(BuildArray(n, lib), S_OK);
    EXPECT_EQ(n.QueryMesh(3), nullptr);
    EXPECT_EQ(n.GetNumContainers(), 0u);
    EXPECT_NE(n.QueryMesh(2), nullptr);
}

TEST_F(MeshAniMng, TexturesByIdFromATextureLibrary)
{
    CIndexLib tex;
    const std::string texPath = Path("textures.kidx");
    ASSERT_EQ(tex.Load(texPath.c_str(), 0, 1, 1, 0), S_OK);
    ASSERT_EQ(tex.Import(Path("tex/left.png").c_str(), 11, "left.png"), S_OK);
    ASSERT_EQ(tex.Import(Path("tex/right.png").c_str(), 12, "right.png"), S_OK);
    ASSERT_EQ(tex.Save(), S_OK);
    const std::string lib = Library({{1, 1, false}, {2, 2, false}});
    CMeshAniMng m;
    EXPECT_EQ(m.BuildUseTextureIndexLib(device, lib.c_str(), Path("none.kidx").c_str(), FALSE, 1.0f, nullptr,
                                        D3DPOOL_MANAGED, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE, 1, 0),
              KESTUERR_FILEOPEN);
    ASSERT_EQ(m.BuildUseTextureIndexLib(device, lib.c_str(), texPath.c_str(), FALSE, 1.0f, nullptr, D3DPOOL_MANAGED,
                                        TRUE, FALSE, FALSE, FALSE, TRUE, FALSE, 1, 0),
              S_OK);
    EXPECT_TRUE(m.IsUseTextureIndexLib());
    EXPECT_STREQ(m.GetTextureIndexLibPathname(), texPath.c_str());
    CMeshAniData* a = m.QueryMesh(1);
    CMeshAniData* b = m.QueryMesh(2);
    ASSERT_TRUE(a && b);
    CTextureMng* mng = m.GetTextureList()->GetMng();
    EXPECT_EQ(mng->GetTexture(11)->GetRef(), 4); // two frames of two meshes
    EXPECT_NE(a->GetTexture(0, 0), nullptr);
    EXPECT_EQ(m.ReleaseMesh(1), 0);
    EXPECT_EQ(mng->GetTexture(11)->GetRef(), 2);
    EXPECT_EQ(m.AttachLoadedGmaTexture(nullptr, 1), E_INVALIDARG);
}

TEST_F(MeshAniMng, AttachedMeshesJoinTheirItems)
{
    const std::string lib = Library({{1, 1, false}, {2, 2, false}});
    CMeshAniMng m;
    ASSERT_EQ(BuildArray(m, lib), S_OK);
    Grid g;
    const std::vector<BYTE> bytes = Bytes(g.File());
    CMeshAniData outside;
    outside.SetID(2);
    ASSERT_EQ(outside.Build(bytes.data(), DWORD(bytes.size()), device, Path("tex").c_str(), m.GetTextureList(), nullptr,
                            nullptr, D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE),
              S_OK);
    ASSERT_EQ(m.AttachLoadedGmaMesh(&outside, 3), S_OK);
    CMeshAniData* item = m.GetMeshData(2);
    EXPECT_TRUE(item->IsBuilt());
    EXPECT_EQ(item->GetRef(), 3);
    EXPECT_FALSE(outside.IsBuilt());
    EXPECT_EQ(item->GetTextureList(), m.GetTextureList());
    // An item that is loaded already keeps its own mesh.
    CMeshAniData again;
    again.SetID(2);
    ASSERT_EQ(again.Build(bytes.data(), DWORD(bytes.size()), device, Path("tex").c_str(), nullptr, nullptr, nullptr,
                          D3DPOOL_MANAGED, 1.0f, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE),
              S_OK);
    EXPECT_EQ(m.AttachLoadedGmaMesh(&again, 1), S_FALSE);
    EXPECT_FALSE(again.IsBuilt());
    EXPECT_EQ(item->GetRef(), 4);
    CMeshAniData stranger;
    stranger.SetID(40);
    ASSERT_EQ(stranger.Build(bytes.data(), DWORD(bytes.size()), device, "", nullptr, nullptr, nullptr, D3DPOOL_MANAGED,
                             1.0f, FALSE, TRUE, FALSE, FALSE, FALSE, TRUE, FALSE),
              S_OK);
    EXPECT_EQ(m.AttachLoadedGmaMesh(&stranger, 1), E_FAIL);
    EXPECT_EQ(m.AttachLoadedGmaMesh(nullptr, 1), E_INVALIDARG);
    // The attached mesh unloads like any other.
    item->SetRef(1);
    EXPECT_EQ(m.ReleaseMesh(2), 0);
    EXPECT_FALSE(item->IsBuilt());
}

TEST_F(MeshAniMng, ThreadsQueryAndReleaseTheSameMeshes)
{
    CMeshAniMng m;
    ASSERT_EQ(
        BuildArray(m, Library({{1, 7, true}, {2, 7, true}, {3, 9, false}, {4, 3, true}}), D3DPOOL_MANAGED, 4, TRUE),
        S_OK);
    ASSERT_TRUE(m.IsMultiThreaded());
    // Loaded here, on the device's thread, and left in a cache that holds
    // them all: the threads below only count references and move the
    // meshes in and out of the cache, and none may be unloaded.
    for (DWORD id = 1; id <= 4; ++id) {
        ASSERT_NE(m.QueryMesh(id), nullptr);
        EXPECT_EQ(m.ReleaseMesh(id), 0);
    }
    ASSERT_EQ(m.GetCacheSize(), 4u);
    CMeshAniData* held = m.QueryMesh(1); // one reference stays ours throughout
    ASSERT_NE(held, nullptr);

    // Every thread starts at once and they walk the ids together, so that
    // the counts are changed side by side.
    constexpr int kThreads = 6, kRounds = 20000;
    std::atomic<int> misses{0}, ready{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&m, &misses, &ready] {
            ++ready;
            while (ready.load() < kThreads) std::this_thread::yield();
            for (int k = 0; k < kRounds; ++k) {
                const DWORD id = DWORD(1 + (k / 16) % 4);
                if (m.QueryMesh(id) == nullptr) {
                    ++misses;
                    continue;
                }
                if (k % 3 == 0) {
                    // A second reference by the other query, given back at once.
                    if (m.TryQueryGma(id) == S_OK)
                        m.ReleaseMesh(id);
                    else
                        ++misses;
                }
                m.ReleaseMesh(id);
            }
        });
    for (std::thread& th : threads) th.join();

    EXPECT_EQ(misses.load(), 0);
    EXPECT_EQ(held->GetRef(), 1);
    for (DWORD id = 2; id <= 4; ++id) {
        ASSERT_NE(m.GetMeshData(id), nullptr);
        EXPECT_EQ(m.GetMeshData(id)->GetRef(), 0) << id;
        EXPECT_TRUE(m.GetMeshData(id)->IsBuilt()) << id;
    }
    EXPECT_TRUE(held->IsBuilt());
    EXPECT_EQ(m.GetCacheSize(), 3u) << "each released mesh waits in the cache once";
    EXPECT_EQ(m.GetNumSharedContainers(), 2u);
    EXPECT_EQ(m.GetNumUniqueContainers(), 1u);
    EXPECT_EQ(held->GetContainer()->GetRef(), 2) << "meshes 1 and 2 still share mesh 7's container";
    EXPECT_EQ(m.ReleaseMesh(1), 0);
    EXPECT_EQ(m.GetCacheSize(), 4u);
}

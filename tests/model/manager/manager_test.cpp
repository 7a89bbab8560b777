// The mesh-data manager: ids, names, the action vertex cache, callbacks, copies.
#include <string>

#include "model_fixture.h"

namespace {

using namespace modeltest;

CMemVertexBuffer* Frame()
{
    CMemVertexBuffer* vb = new CMemVertexBuffer(8, 0x112, 8, 0, D3DPOOL_MANAGED, nullptr);
    vb->AddRef(); // the reference the cache takes over
    return vb;
}

SBoundBox Box(float lo, float hi)
{
    SBoundBox b;
    b.Reset();
    const D3DXVECTOR3 a(lo, lo, lo), c(hi, hi, hi);
    b.AddPoint(&a);
    b.AddPoint(&c);
    return b;
}

class Manager : public ::testing::Test {
protected:
    void SetUp() override { ResetSkinningStatics(); }
    void TearDown() override { ResetSkinningStatics(); }
    MeshPtr<TestMesh> a = MakeTube({3, 3, 1, 1, 1});
    MeshPtr<TestMesh> b = MakeTube({3, 3, 1, 1, 1});
    MeshPtr<TestMesh> c = MakeTube({3, 3, 1, 1, 1});
};

TEST_F(Manager, IdsAreReusedFirstFreedFirstTaken)
{
    CMeshDataMng m;
    EXPECT_EQ(m.AddMeshData("a", a.get()), 0u);
    EXPECT_EQ(m.AddMeshData("b", b.get()), 1u);
    EXPECT_EQ(a->GetMeshID(), 0u);
    EXPECT_EQ(a->GetMeshDataMng(), &m);
    EXPECT_EQ(m.AddMeshData("a", c.get()), 0xFFFFFFFFu);
    EXPECT_EQ(m.GetMeshData("a"), a.get());
    EXPECT_EQ(m.GetIndexByName("b"), 1u);
    EXPECT_EQ(m.GetIndexByName("c"), 0xFFFFFFFFu);
    m.ReleaseMeshData(a.get());
    EXPECT_EQ(m.GetMeshData("a"), nullptr);
    EXPECT_EQ(m.AddMeshData("c", c.get()), 0u);
    EXPECT_EQ(m.GetMeshData(0u), c.get());
    // With the cache off, releasing does nothing.
    CMeshDataMng::EnableCache(0);
    m.ReleaseMeshData(c.get());
    EXPECT_EQ(m.GetMeshData("c"), c.get());
}

TEST_F(Manager, ASixthActionEvictsTheOldestIdleOne)
{
    CMeshDataMng m;
    const DWORD id = m.AddMeshData("a", a.get());
    for (DWORD action = 0; action < 5; ++action) m.UseAction(id, action);
    const SBoundBox box = Box(-1, 1);
    ASSERT_EQ(m.AddDataToCache(id, 1, 3, Frame(), &box), 0);
    ASSERT_EQ(m.AddDataToCache(id, 2, 0, Frame(), &box), 0);
    // All five in use: a sixth is appended anyway.
    m.UseAction(id, 5);
    EXPECT_EQ(m.GetCacheRecord(id)->useList.size(), 6u);
    // Actions 2 and 1 go idle (2 first); the next new action evicts the
    // earliest in the list, 1, and its frames, then 2 while six are listed.
    m.UnuseAction(id, 2);
    m.UnuseAction(id, 1);
    m.UseAction(id, 6);
    const auto& uses = m.GetCacheRecord(id)->useList;
    ASSERT_EQ(uses.size(), 5u);
    EXPECT_EQ(uses.front().first, 0u);
    EXPECT_EQ(uses.back().first, 6u);
    EXPECT_EQ(m.GetCachedData(id, 1, 3), E_FAIL);
    EXPECT_EQ(m.GetCachedData(id, 2, 0), E_FAIL);
    // An action already listed only counts up.
    m.UseAction(id, 6);
    EXPECT_EQ(uses.back().second, 2u);
    EXPECT_EQ(uses.size(), 5u);
}

TEST_F(Manager, AnIdleActionWithoutFramesIsEvictedToo)
{
    CMeshDataMng m;
    const DWORD id = m.AddMeshData("a", a.get());
    for (DWORD action = 10; action < 15; ++action) m.UseAction(id, action);
    m.UnuseAction(id, 12);
    m.UnuseAction(id, 99); // not listed: ignored
    m.UseAction(id, 20);
    const auto& uses = m.GetCacheRecord(id)->useList;
    ASSERT_EQ(uses.size(), 5u);
    for (const auto& use : uses) EXPECT_NE(use.first, 12u);
}

TEST_F(Manager, CachedFramesGoBackToTheirMesh)
{
    CMeshDataMng m;
    const DWORD id = m.AddMeshData("a", a.get());
    CMemVertexBuffer* frame = Frame();
    const SBoundBox box = Box(-2, 3);
    ASSERT_EQ(m.AddDataToCache(id, 4, 7, frame, &box), 0);
    EXPECT_EQ(frame->GetRef(), 1u);
    EXPECT_EQ(m.GetCachedData(id, 4, 6), E_FAIL);
    EXPECT_EQ(a->GetMemVertexBuffer(), nullptr); // left as it was
    ASSERT_EQ(m.GetCachedData(id, 4, 7), 0);
    EXPECT_EQ(a->GetMemVertexBuffer(), frame);
    EXPECT_EQ(frame->GetRef(), 2u);
    EXPECT_EQ(a->GetBoundBox()->min.x, -2.0f);
    EXPECT_EQ(a->GetBoundBox()->max.z, 3.0f);
    m.ReleaseBuffer(id, 4, 7);
    EXPECT_EQ(a->GetMemVertexBuffer(), nullptr);
    // Replacing a frame lets the old buffer go.
    CMemVertexBuffer* second = Frame();
    second->AddRef(); // watched by the test
    ASSERT_EQ(m.AddDataToCache(id, 4, 7, second, &box), 0);
    CMemVertexBuffer* stray = Frame();
    EXPECT_EQ(m.AddDataToCache(99, 4, 7, stray, &box), E_FAIL) << "bad id";
    stray->Release();
    m.Release();
    EXPECT_EQ(second->GetRef(), 1u);
    second->Release();
    EXPECT_EQ(m.GetCachedData(id, 4, 7), E_FAIL);
}

// Records every call.
std::vector<std::string> g_calls;
long Record(DWORD event, DWORD_PTR param, DWORD_PTR user, DWORD)
{
    g_calls.push_back(std::to_string(event) + ":" + std::to_string(param != 0) + ":" + std::to_string(user));
    return 0;
}

TEST_F(Manager, CallbacksHearEveryEventInOrderAndTheEnd)
{
    g_calls.clear();
    {
        CMeshDataMng m;
        m.RegisterCallBack(Record, "first", 1);
        m.RegisterCallBack(Record, "second", 2);
        m.NotifyCallBack(0x1001, a.get());
        EXPECT_EQ(m.GetEventCode(), 0x1001u);
        EXPECT_EQ(m.GetEventMesh(), a.get());
    }
    const std::vector<std::string> expected = {"4097:1:1", "4097:1:2", "7936:0:1", "7936:0:2"};
    EXPECT_EQ(g_calls, expected);
}

TEST_F(Manager, CopiesShareNoRecords)
{
    g_calls.clear();
    auto m = std::make_unique<CMeshDataMng>();
    const DWORD id = m->AddMeshData("a", a.get());
    m->UseAction(id, 1);
    CMemVertexBuffer* frame = Frame();
    const SBoundBox box = Box(0, 1);
    ASSERT_EQ(m->AddDataToCache(id, 1, 0, frame, &box), 0);
    m->RegisterCallBack(Record, "cb", 5);
    CMeshDataMng copy(*m);
    EXPECT_EQ(frame->GetRef(), 2u);
    CMeshDataMng assigned;
    assigned = *m;
    EXPECT_EQ(frame->GetRef(), 3u);
    m.reset();
    EXPECT_EQ(frame->GetRef(), 2u);
    ASSERT_EQ(copy.GetCachedData(id, 1, 0), 0);
    EXPECT_EQ(a->GetMemVertexBuffer(), frame);
    a->SetMemVertexBuffer(nullptr);
    EXPECT_EQ(copy.GetCacheRecord(id)->useList.size(), 1u);
    EXPECT_EQ(g_calls.size(), 1u); // the original's end
}

} // namespace

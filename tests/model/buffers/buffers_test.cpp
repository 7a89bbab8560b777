// Counted vertex and index buffers, on the device and in memory.
#include <cstring>

#include "model_fixture.h"

namespace {

using namespace modeltest;

TEST(MemVertexBuffer, CopiesWithinItsLengthAndCopiesKeepTheirContents)
{
    CMemVertexBuffer* a = new CMemVertexBuffer(16, 0x112, 32, 0, D3DPOOL_MANAGED, nullptr);
    a->AddRef();
    const char bytes[20] = "0123456789abcdefghi";
    EXPECT_EQ(a->Copy(bytes, 20), E_FAIL);
    EXPECT_EQ(a->Copy(bytes, 16), 0);
    EXPECT_EQ(0, std::memcmp(a->GetBuffer(), bytes, 16));
    EXPECT_EQ(a->IsBuilt(), 0);
    CMemVertexBuffer* b = new CMemVertexBuffer();
    b->AddRef();
    b->AddRef();
    *b = *a;
    EXPECT_EQ(b->GetRef(), 2u);
    EXPECT_EQ(b->GetLength(), 16u);
    EXPECT_EQ(0, std::memcmp(b->GetBuffer(), bytes, 16));
    EXPECT_EQ(b->Release(), 1u);
    EXPECT_EQ(b->Release(), 0u); // destroyed (ASan watches)
    EXPECT_EQ(a->Release(), 0u);
    // A buffer nobody referenced is destroyed by its first Release.
    (new CMemVertexBuffer())->Release();
}

TEST(CountedRef, CopiesAndResetsBalanceTheCount)
{
    CMemVertexBuffer* a = new CMemVertexBuffer(4, 0, 4, 0, D3DPOOL_MANAGED, nullptr);
    a->AddRef(); // the test's own
    {
        CountedRef<CMemVertexBuffer> r(a);
        EXPECT_EQ(a->GetRef(), 2u);
        CountedRef<CMemVertexBuffer> s = r;
        EXPECT_EQ(a->GetRef(), 3u);
        s = r;
        EXPECT_EQ(a->GetRef(), 3u);
        s.Reset();
        EXPECT_EQ(a->GetRef(), 2u);
    }
    EXPECT_EQ(a->GetRef(), 1u);
    a->Release();
}

class Buffers : public ModelDevice {};

TEST_F(Buffers, VertexAndIndexBuffersCopyOnlyWhatFits)
{
    CVertexBuffer* vb = new CVertexBuffer(device, 64, 0x112, 32, 0, D3DPOOL_MANAGED, nullptr);
    vb->AddRef();
    ASSERT_EQ(vb->IsBuilt(), 1);
    std::vector<char> data(80, 7);
    EXPECT_EQ(vb->Copy(data.data(), 80), E_FAIL);
    EXPECT_EQ(vb->Copy(data.data(), 64), D3D_OK);
    CMemVertexBuffer* shorter = new CMemVertexBuffer(32, 0x112, 32, 0, D3DPOOL_MANAGED, nullptr);
    shorter->AddRef();
    EXPECT_EQ(vb->Copy(shorter), E_FAIL);
    shorter->Release();
    // Assignment shares the Direct3D buffer.
    CVertexBuffer* other = new CVertexBuffer();
    other->AddRef();
    *other = *vb;
    EXPECT_EQ(other->GetVtxBuf(), vb->GetVtxBuf());
    EXPECT_EQ(other->GetRef(), 1u);
    other->Release();
    vb->Release();

    CIndexBuffer* ib = new CIndexBuffer(device, 12, D3DFMT_INDEX16, 0, D3DPOOL_MANAGED, nullptr);
    ib->AddRef();
    EXPECT_EQ(ib->Copy(data.data(), 13), E_FAIL);
    EXPECT_EQ(ib->Copy(nullptr, 12), E_FAIL);
    const WORD idx[6] = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(ib->Copy(idx, 12), 0);
    CIndexBuffer* twin = new CIndexBuffer(device, 12, D3DFMT_INDEX16, 0, D3DPOOL_MANAGED, nullptr);
    twin->AddRef();
    EXPECT_EQ(twin->Copy(ib), D3D_OK);
    BYTE* bits = nullptr;
    ASSERT_EQ(twin->GetIdxBuf()->Lock(0, 0, &bits, D3DLOCK_READONLY), D3D_OK);
    EXPECT_EQ(0, std::memcmp(bits, idx, 12));
    twin->GetIdxBuf()->Unlock();
    CIndexBuffer* small = new CIndexBuffer(device, 6, D3DFMT_INDEX16, 0, D3DPOOL_MANAGED, nullptr);
    small->AddRef();
    EXPECT_EQ(twin->Copy(small), E_FAIL);
    small->Release();
    twin->Release();
    ib->Release();
}

TEST_F(Buffers, AFailedCreationLeavesTheBufferUnbuilt)
{
    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, E_OUTOFMEMORY);
    CVertexBuffer* vb = new CVertexBuffer(device, 64, 0x112, 32, 0, D3DPOOL_MANAGED, nullptr);
    vb->AddRef();
    EXPECT_EQ(vb->IsBuilt(), 0);
    const char data[4] = {};
    EXPECT_EQ(vb->Copy(data, 4), E_FAIL);
    EXPECT_EQ(vb->Build(), D3D_OK);
    EXPECT_EQ(vb->IsBuilt(), 1);
    vb->Release();
}

} // namespace

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "host/host_win32.h"
#include "kestu_textdevice3d.h"
#include "support/device.h"
#include "support/image.h"
#include "text_device3d_fixture.h"

using namespace text_test;

namespace {

// Reaches the cache, the shared node and the vertex buffers.
class Device3D : public CGfxTextDevice3D {
public:
    using CGfxTextDevice3D::CGfxTextDevice3D;
    using CGfxTextDevice3D::m_Cache;
    using CGfxTextDevice3D::m_pVB2D;
    using CGfxTextDevice3D::m_pVB3D;
    using CGfxTextDevice3D::m_Shared;
};

// Writes a marker over level 0, so a later render shows by its absence.
void Mark(CTexture* texture, uint32_t marker)
{
    IDirect3DTexture8* t = texture->GetD3DTexture();
    D3DLOCKED_RECT locked{};
    ASSERT_EQ(t->LockRect(0, &locked, nullptr, 0), D3D_OK);
    std::memcpy(locked.pBits, &marker, 4);
    t->UnlockRect(0);
}

uint32_t FirstTexel(CTexture* texture)
{
    IDirect3DTexture8* t = texture->GetD3DTexture();
    D3DLOCKED_RECT locked{};
    if (t->LockRect(0, &locked, nullptr, D3DLOCK_READONLY) != D3D_OK) return 0xDEADBEEF;
    uint32_t v;
    std::memcpy(&v, locked.pBits, 4);
    t->UnlockRect(0);
    return v;
}

class TextDevice3D : public TextDevice3DSuite {
protected:
    TextDevice3D() : TextDevice3DSuite("text3d") {}

    void TearDown() override
    {
        device->EndScene();
        TextDevice3DSuite::TearDown();
    }
    void Ready(Device3D& text, DWORD capacity, int inner = 0)
    {
        ASSERT_EQ(text.Create(device, &font, capacity, inner, D3DFMT_A8R8G8B8, 0), S_OK);
        ASSERT_EQ(text.Restore(), S_OK);
        device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
        device->SetRenderState(D3DRS_SRCBLEND, D3DBLEND_SRCALPHA);
        device->SetRenderState(D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA);
        device->SetRenderState(D3DRS_LIGHTING, FALSE);
        device->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
        device->Clear(0, nullptr, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, 0xFF000000, 1.0f, 0);
        device->BeginScene();
    }
    static size_t Nodes(Device3D& t, const std::u16string& s)
    {
        const auto it = t.m_Cache.find(s);
        return it == t.m_Cache.end() ? 0 : it->second.size();
    }
};

} // namespace

TEST_F(TextDevice3D, CreateChecksItsArguments)
{
    Device3D text;
    EXPECT_EQ(text.Create(nullptr, &font, 0, 0, D3DFMT_A8R8G8B8, 0), E_INVALIDARG);
    EXPECT_EQ(text.Create(device, nullptr, 0, 0, D3DFMT_A8R8G8B8, 0), E_INVALIDARG);
    EXPECT_EQ(text.Create(device, &font, 0, 0, D3DFMT_A4R4G4B4, 0), E_INVALIDARG);
    EXPECT_FALSE(text.IsBuilt());
    EXPECT_EQ(text.Create(device, &font, 3, 2, D3DFMT_R5G6B5, 0), S_OK);
    EXPECT_TRUE(text.IsTextCaching());
    EXPECT_EQ(text.GetTextCaching(), 3u);
    EXPECT_EQ(text.GetInnerBuffer(1), nullptr);
    // Drawing before Restore has no vertex buffer to lock: nothing is drawn.
    EXPECT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 4, 4), E_FAIL);
    EXPECT_EQ(text.DrawTextTo2D(U(u""), -1, 4, 4), S_FALSE);
    // Restoring twice replaces the buffers (LSan reports a leak otherwise).
    EXPECT_EQ(text.Restore(), S_OK);
    IDirect3DVertexBuffer8* first = text.m_pVB2D;
    EXPECT_EQ(text.Restore(), S_OK);
    EXPECT_NE(text.m_pVB2D, nullptr);
    (void)first;
    text.Release();
    EXPECT_FALSE(text.IsBuilt());
    EXPECT_EQ(text.m_pVB2D, nullptr);
}

TEST_F(TextDevice3D, DrawsTextOnTheScreen)
{
    Device3D text;
    Ready(text, 0);
    text.TextAttri().dwColor = 0xFFFFFF00;
    ASSERT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 10, 20), S_OK);
    // Text of several lines under the default attributes keeps its width and is drawn.
    text.TextAttri().dwColor = 0xFF00FFFF;
    ASSERT_EQ(text.DrawTextTo2D(U(u"B\nA"), -1, 40, 40), S_OK);
    device->EndScene();
    const kestu_test::Image picture = Picture();
    EXPECT_TRUE(kestu_test::PixelNear(picture, 40, 50, 0x00FFFF, 8)); // 'A' on the second line
    EXPECT_TRUE(kestu_test::PixelNear(picture, 10, 20, 0xFFFF00, 8)); // top-left of 'A'
    EXPECT_TRUE(kestu_test::PixelNear(picture, 12, 22, 0x000000, 8)); // inside the box
    EXPECT_TRUE(kestu_test::PixelNear(picture, 19, 21, 0xFFFF00, 8)); // 'B' after 7 + gap 2
    // The caller's layout rectangle and flags are as they were.
    EXPECT_EQ(text.TextAttri().rcLayout.right, 0);
    EXPECT_EQ(text.TextAttri().dwFormat, unsigned(GFXTF_NOWRAP));
}

TEST_F(TextDevice3D, SharedTextureIsRenderedOncePerStringAndAttributes)
{
    Device3D text;
    Ready(text, 0);
    ASSERT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 0, 0), S_OK);
    CTexture* shared = text.m_Shared.texture;
    ASSERT_NE(shared, nullptr);
    Mark(shared, 0x12345678);
    ASSERT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 0, 0), S_OK);
    EXPECT_EQ(FirstTexel(shared), 0x12345678u);
    text.TextAttri().dwColor = 0xFF00FF00;
    ASSERT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 0, 0), S_OK);
    EXPECT_EQ(text.m_Shared.texture, shared); // big enough: rendered again into it
    EXPECT_EQ(FirstTexel(shared), 0xFF00FF00u);
    // A text colour with alpha 0 leaves the cleared texture empty.
    text.TextAttri().dwColor = 0x00FFFFFF;
    ASSERT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 0, 0), S_OK);
    EXPECT_EQ(FirstTexel(shared), 0u);
}

TEST_F(TextDevice3D, CacheKeepsFourVariantsPerString)
{
    Device3D text;
    Ready(text, 4);
    ASSERT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 0, 0), S_OK);
    ASSERT_EQ(Nodes(text, u"AB"), 1u);
    CTexture* first = text.m_Cache[u"AB"].front().texture;
    Mark(first, 0x0BADF00D);
    ASSERT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 0, 0), S_OK);
    EXPECT_EQ(Nodes(text, u"AB"), 1u);
    EXPECT_EQ(FirstTexel(first), 0x0BADF00Du); // not rendered again
    const DWORD colours[] = {0xFF000001, 0xFF000002, 0xFF000003, 0xFF000004};
    for (DWORD c : colours) {
        text.TextAttri().dwColor = c;
        ASSERT_EQ(text.DrawTextTo2D(U(u"AB"), -1, 0, 0), S_OK);
    }
    ASSERT_EQ(Nodes(text, u"AB"), 4u);
    // The first-added variant made room for the fifth.
    EXPECT_EQ(text.m_Cache[u"AB"].front().attri.dwColor, 0xFF000001u);
    EXPECT_EQ(text.m_Cache[u"AB"].back().attri.dwColor, 0xFF000004u);
    EXPECT_EQ(text.GetTextureCacheSize(), 4u * 16u * 8u * 4u);
}

TEST_F(TextDevice3D, FullCacheDropsTheSmallestString)
{
    Device3D text;
    Ready(text, 2);
    ASSERT_EQ(text.DrawTextTo2D(U(u"b"), -1, 0, 0), S_OK);
    ASSERT_EQ(text.DrawTextTo2D(U(u"a"), -1, 0, 0), S_OK);
    ASSERT_EQ(text.DrawTextTo2D(U(u"c"), -1, 0, 0), S_OK);
    EXPECT_EQ(text.m_Cache.size(), 2u);
    EXPECT_EQ(Nodes(text, u"a"), 0u);
    EXPECT_EQ(Nodes(text, u"b"), 1u);
    EXPECT_EQ(Nodes(text, u"c"), 1u);
}

TEST_F(TextDevice3D, UnusedNodesExpire)
{
    Device3D text;
    Ready(text, 8);
    ASSERT_EQ(text.DrawTextTo2D(U(u"old"), -1, 0, 0), S_OK);
    host::AdvanceClock(1500);
    ASSERT_EQ(text.DrawTextTo2D(U(u"new"), -1, 0, 0), S_OK);
    host::AdvanceClock(600); // "old" unused for 2100 ms, "new" for 600
    text.PrepareRender();
    EXPECT_EQ(Nodes(text, u"old"), 0u);
    EXPECT_EQ(Nodes(text, u"new"), 1u);
    host::AdvanceClock(1400); // exactly the life time: kept
    text.PrepareRender();
    EXPECT_EQ(Nodes(text, u"new"), 1u);
    host::AdvanceClock(1);
    text.PrepareRender();
    EXPECT_TRUE(text.m_Cache.empty());
}

TEST_F(TextDevice3D, WorldQuadTakesThePositionOnce)
{
    Device3D text;
    Ready(text, 0);
    const D3DXVECTOR3 position(5.0f, 6.0f, 7.0f), direction(0.0f, 0.0f, 1.0f), up(0.0f, 1.0f, 0.0f);
    ASSERT_EQ(text.DrawTextTo3D(U(u"AB"), -1, &position, &direction, &up, 16, 8, 0, 0.5f, 0.5f), S_OK);
    BYTE* v = nullptr;
    ASSERT_EQ(text.m_pVB3D->Lock(0, 80, &v, D3DLOCK_READONLY), D3D_OK);
    float first[5], last[5];
    std::memcpy(first, v, sizeof first);
    std::memcpy(last, v + 60, sizeof last);
    text.m_pVB3D->Unlock();
    EXPECT_FLOAT_EQ(first[0], 5.0f);
    EXPECT_FLOAT_EQ(first[1], 6.0f);
    EXPECT_FLOAT_EQ(first[2], 7.0f);
    // r = d x up = (-1, 0, 0), t = r x d = (0, 1, 0): 8 x 0.5 wide, 4 high.
    EXPECT_FLOAT_EQ(last[0], 5.0f - 8.0f);
    EXPECT_FLOAT_EQ(last[1], 6.0f + 4.0f);
    EXPECT_FLOAT_EQ(last[2], 7.0f);
    EXPECT_EQ(text.TextAttri().dwTexWidth, 0u); // the call's settings were temporary
    EXPECT_EQ(text.PutTexTo3D(nullptr, 0, 0, 1, 1, &position, &direction, &up, 1, 1), S_OK);
    EXPECT_EQ(text.PutTexTo2D(nullptr, 0, 0, 1, 1, 0, 0, 1, 1), E_FAIL);
}

TEST_F(TextDevice3D, InnerBuffers)
{
    Device3D text;
    Ready(text, 0, 2);
    EXPECT_EQ(text.DrawInnerBufTo2D(2, 0, 0, 1.0f, 1.0f), E_FAIL);
    EXPECT_EQ(text.DrawInnerBufTo2D(0, 0, 0, 1.0f, 1.0f), E_FAIL); // empty slot
    ASSERT_EQ(text.CreateInnerBuf(0, 40, 12, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), S_OK);
    EXPECT_EQ(text.CreateInnerBuf(2, 40, 12, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED), E_INVALIDARG);
    CTexture* inner = text.GetInnerBuffer(0);
    ASSERT_NE(inner, nullptr);
    EXPECT_EQ(inner->GetTexWidth(), 64u);
    EXPECT_EQ(inner->GetTexHeight(), 16u);
    EXPECT_EQ(FirstTexel(inner), 0u);
    ASSERT_EQ(text.DrawTextToInnerBuf(0, U(u"A"), -1, 0, 0, 1), S_OK);
    EXPECT_EQ(FirstTexel(inner), 0xFFFFFFFFu);
    EXPECT_EQ(text.DrawInnerBufTo2D(0, 4, 4, 1.0f, 1.0f), S_OK);
    EXPECT_EQ(text.ReleaseInnerBuf(0), S_OK);
    EXPECT_EQ(text.GetInnerBuffer(0), nullptr);
}

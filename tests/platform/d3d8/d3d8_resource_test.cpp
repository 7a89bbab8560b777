// Resources, locks, copies, buffers and indexed drawing.
#include <cstring>

#include "d3d8_fixture.h"
#include "d3d8/format.h"

namespace d3d8test {
namespace {

class Resources : public DeviceTest {};

void FillPattern(uint8_t* p, size_t n, uint8_t seed)
{
    for (size_t i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(seed + i * 7);
}

TEST_F(Resources, LocksReturnExactlyWhatWasWritten)
{
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_X8R8G8B8, D3DFMT_R8G8B8, D3DFMT_R5G6B5, D3DFMT_X1R5G5B5,
                                 D3DFMT_A1R5G5B5, D3DFMT_A4R4G4B4, D3DFMT_A8,     D3DFMT_L8,     D3DFMT_A8L8,
                                 D3DFMT_P8,       D3DFMT_DXT1,     D3DFMT_DXT3,   D3DFMT_DXT5};
    for (D3DFORMAT f : formats) {
        for (D3DPOOL pool : {D3DPOOL_MANAGED, D3DPOOL_SYSTEMMEM, D3DPOOL_DEFAULT}) {
            IDirect3DTexture8* t = nullptr;
            ASSERT_EQ(dev->CreateTexture(16, 8, 2, 0, f, pool, &t), D3D_OK) << f;
            const UINT pitch = kestu::d3d8::FormatPitch(f, 16);
            const UINT rows = kestu::d3d8::FormatRowCount(f, 8);
            D3DLOCKED_RECT r;
            ASSERT_EQ(t->LockRect(0, &r, nullptr, 0), D3D_OK);
            EXPECT_EQ(static_cast<UINT>(r.Pitch), pitch) << f;
            std::vector<uint8_t> written(static_cast<size_t>(pitch) * rows);
            FillPattern(written.data(), written.size(), static_cast<uint8_t>(f));
            for (UINT y = 0; y < rows; ++y)
                std::memcpy(static_cast<uint8_t*>(r.pBits) + y * r.Pitch, written.data() + y * pitch, pitch);
            ASSERT_EQ(t->UnlockRect(0), D3D_OK);
            if (pool != D3DPOOL_SYSTEMMEM) {
                // Using the texture in a draw must not change its bytes.
                dev->SetTexture(0, t);
                DrawTexturedQuad(0, 0, 8, 8, 0xFFFFFFFF);
                dev->SetTexture(0, nullptr);
            }
            ASSERT_EQ(t->LockRect(0, &r, nullptr, D3DLOCK_READONLY), D3D_OK);
            for (UINT y = 0; y < rows; ++y)
                EXPECT_EQ(std::memcmp(static_cast<uint8_t*>(r.pBits) + y * r.Pitch, written.data() + y * pitch, pitch),
                          0)
                    << "format " << f << " row " << y;
            t->UnlockRect(0);
            t->Release();
        }
    }
}

TEST_F(Resources, LockRulesAndRectangles)
{
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(dev->CreateTexture(32, 16, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    EXPECT_EQ(t->GetLevelCount(), 6u);
    D3DSURFACE_DESC d;
    ASSERT_EQ(t->GetLevelDesc(5, &d), D3D_OK);
    EXPECT_EQ(d.Width, 1u);
    EXPECT_EQ(d.Height, 1u);
    ASSERT_EQ(t->GetLevelDesc(1, &d), D3D_OK);
    EXPECT_EQ(d.Width, 16u);
    EXPECT_EQ(d.Height, 8u);
    EXPECT_EQ(d.Format, D3DFMT_A8R8G8B8);
    EXPECT_EQ(d.Pool, D3DPOOL_MANAGED);
    EXPECT_EQ(d.Size, 16u * 8u * 4u);
    EXPECT_EQ(t->GetLevelDesc(6, &d), D3DERR_INVALIDCALL);

    D3DLOCKED_RECT whole, part;
    ASSERT_EQ(t->LockRect(0, &whole, nullptr, 0), D3D_OK);
    EXPECT_EQ(t->LockRect(0, &part, nullptr, 0), D3DERR_INVALIDCALL); // already locked
    ASSERT_EQ(t->UnlockRect(0), D3D_OK);
    EXPECT_EQ(t->UnlockRect(0), D3DERR_INVALIDCALL); // not locked
    RECT rc{4, 2, 8, 6};
    ASSERT_EQ(t->LockRect(0, &part, &rc, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(part.pBits), static_cast<uint8_t*>(whole.pBits) + 2 * whole.Pitch + 4 * 4);
    t->UnlockRect(0);
    const RECT bad[] = {{4, 2, 4, 6}, {-1, 0, 4, 4}, {0, 0, 33, 4}, {0, 0, 4, 17}, {8, 2, 4, 6}};
    for (auto& b : bad) EXPECT_EQ(t->LockRect(0, &part, &b, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(6, &part, nullptr, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(t->LockRect(0, nullptr, nullptr, 0), D3DERR_INVALIDCALL);
    // Surface levels share the texture's reference count.
    IDirect3DSurface8* s = nullptr;
    ASSERT_EQ(t->GetSurfaceLevel(1, &s), D3D_OK);
    IDirect3DTexture8* container = nullptr;
    ASSERT_EQ(s->GetContainer(IID_IDirect3DTexture8, reinterpret_cast<void**>(&container)), D3D_OK);
    EXPECT_EQ(container, t);
    container->Release();
    s->Release();
    EXPECT_EQ(t->SetPriority(5), 0u);
    EXPECT_EQ(t->GetPriority(), 5u);
    EXPECT_EQ(t->Release(), 0u);

    // DXT rectangles come in whole blocks.
    ASSERT_EQ(dev->CreateTexture(16, 16, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, &t), D3D_OK);
    RECT block{4, 8, 12, 16}, unaligned{2, 0, 8, 8};
    ASSERT_EQ(t->LockRect(0, &whole, nullptr, 0), D3D_OK);
    t->UnlockRect(0);
    ASSERT_EQ(t->LockRect(0, &part, &block, 0), D3D_OK);
    EXPECT_EQ(static_cast<uint8_t*>(part.pBits), static_cast<uint8_t*>(whole.pBits) + 2 * whole.Pitch + 8);
    t->UnlockRect(0);
    EXPECT_EQ(t->LockRect(0, &part, &unaligned, 0), D3DERR_INVALIDCALL);
    t->Release();
    // Non-managed textures have no LOD.
    ASSERT_EQ(dev->CreateTexture(8, 8, 0, 0, D3DFMT_A8R8G8B8, D3DPOOL_SYSTEMMEM, &t), D3D_OK);
    EXPECT_EQ(t->SetLOD(2), 0u);
    EXPECT_EQ(t->GetLOD(), 0u);
    EXPECT_EQ(dev->SetTexture(0, t), D3DERR_INVALIDCALL); // system memory cannot be drawn
    t->Release();
}

TEST_F(Resources, CreationArgumentsAreValidated)
{
    IDirect3DTexture8* t = nullptr;
    EXPECT_EQ(dev->CreateTexture(0, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateTexture(8, 8, 5, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_D16, D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, 0, static_cast<D3DFORMAT>(12345), D3DPOOL_MANAGED, &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, static_cast<D3DPOOL>(9), &t), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, nullptr), D3DERR_INVALIDCALL);
    EXPECT_EQ(t, nullptr);
    IDirect3DVertexBuffer8* vb = nullptr;
    EXPECT_EQ(dev->CreateVertexBuffer(0, 0, 0, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CreateVertexBuffer(64, D3DUSAGE_DYNAMIC, 0, D3DPOOL_MANAGED, &vb), D3DERR_INVALIDCALL);
    IDirect3DIndexBuffer8* ib = nullptr;
    EXPECT_EQ(dev->CreateIndexBuffer(64, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &ib), D3DERR_INVALIDCALL);
    // Injected failures reach the caller unchanged.
    host::D3D8InjectFailure(host::D3D8Failure::CreateResource, D3DERR_OUTOFVIDEOMEMORY);
    EXPECT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3DERR_OUTOFVIDEOMEMORY);
    ASSERT_EQ(dev->CreateTexture(8, 8, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    t->Release();
}

TEST_F(Resources, RenderTargetsLockOnlyWhenLockable)
{
    IDirect3DSurface8 *locked = nullptr, *plain = nullptr;
    ASSERT_EQ(dev->CreateRenderTarget(16, 16, D3DFMT_R5G6B5, D3DMULTISAMPLE_NONE, TRUE, &locked), D3D_OK);
    ASSERT_EQ(dev->CreateRenderTarget(16, 16, D3DFMT_X8R8G8B8, D3DMULTISAMPLE_NONE, FALSE, &plain), D3D_OK);
    D3DLOCKED_RECT r;
    EXPECT_EQ(plain->LockRect(&r, nullptr, 0), D3DERR_INVALIDCALL);
    IDirect3DSurface8 *bb = nullptr, *ds = nullptr;
    dev->GetRenderTarget(&bb);
    dev->GetDepthStencilSurface(&ds);
    ASSERT_EQ(dev->SetRenderTarget(locked, nullptr), D3D_OK);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, D3DCOLOR_XRGB(255, 128, 0), 1.f, 0);
    DrawQuad(0, 0, 4, 4, D3DCOLOR_XRGB(0, 0, 255));
    ASSERT_EQ(locked->LockRect(&r, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = static_cast<const uint16_t*>(r.pBits);
    EXPECT_EQ(row[0], 0x001F);
    EXPECT_EQ(row[8], (31 << 11) | (32 << 5));
    locked->UnlockRect();
    // Writes through a lock reach the next draw on top of them.
    ASSERT_EQ(locked->LockRect(&r, nullptr, 0), D3D_OK);
    static_cast<uint16_t*>(r.pBits)[15] = 0x07E0;
    locked->UnlockRect();
    DrawQuad(0, 8, 4, 12, D3DCOLOR_XRGB(255, 255, 255));
    EXPECT_TRUE(PixelNear(15, 0, 0x00FF00, 0));
    EXPECT_TRUE(PixelNear(1, 9, 0xFFFFFF, 0));
    ASSERT_EQ(dev->SetRenderTarget(bb, ds), D3D_OK);
    bb->Release();
    ds->Release();
    locked->Release();
    plain->Release();
}

TEST_F(Resources, SixteenBitTargetsQuantiseLikeTheirFormat)
{
    struct Case {
        D3DFORMAT format;
        uint32_t drawn, expected;
    } cases[] = {{D3DFMT_R5G6B5, 0xFF123456, 0x103552},
                 {D3DFMT_X1R5G5B5, 0xFF123456, 0x103152},
                 {D3DFMT_A4R4G4B4, 0xFF123456, 0x113355},
                 {D3DFMT_A1R5G5B5, 0xFF8899AA, 0x8C9CAD}};
    IDirect3DSurface8 *bb = nullptr, *ds = nullptr;
    dev->GetRenderTarget(&bb);
    dev->GetDepthStencilSurface(&ds);
    dev->SetRenderState(D3DRS_ZENABLE, D3DZB_FALSE);
    for (auto& c : cases) {
        IDirect3DTexture8* t = nullptr;
        ASSERT_EQ(dev->CreateTexture(8, 8, 1, D3DUSAGE_RENDERTARGET, c.format, D3DPOOL_DEFAULT, &t), D3D_OK);
        IDirect3DSurface8* s = nullptr;
        t->GetSurfaceLevel(0, &s);
        ASSERT_EQ(dev->SetRenderTarget(s, nullptr), D3D_OK);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG2);
        DrawQuad(0, 0, 8, 8, c.drawn);
        EXPECT_TRUE(PixelNear(3, 3, c.expected, 0)) << "format " << c.format;
        ASSERT_EQ(dev->SetRenderTarget(bb, ds), D3D_OK);
        // Sampled back as a texture it keeps the quantised colour.
        dev->SetTexture(0, t);
        dev->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_SELECTARG1);
        DrawTexturedQuad(0, 0, 8, 8, 0xFFFFFFFF);
        EXPECT_TRUE(PixelNear(3, 3, c.expected, 1)) << "format " << c.format;
        dev->SetTexture(0, nullptr);
        s->Release();
        t->Release();
    }
    bb->Release();
    ds->Release();
}

TEST_F(Resources, CopyRectsAndUpdateTexture)
{
    IDirect3DSurface8 *a = nullptr, *b = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &a), D3D_OK);
    ASSERT_EQ(dev->CreateImageSurface(8, 8, D3DFMT_A8R8G8B8, &b), D3D_OK);
    D3DLOCKED_RECT r;
    a->LockRect(&r, nullptr, 0);
    for (UINT y = 0; y < 8; ++y)
        for (UINT x = 0; x < 8; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch)[x] = y * 8 + x;
    a->UnlockRect();
    RECT rc{1, 2, 3, 4};
    POINT pt{5, 6};
    ASSERT_EQ(dev->CopyRects(a, &rc, 1, b, &pt), D3D_OK);
    b->LockRect(&r, nullptr, D3DLOCK_READONLY);
    auto at = [&](UINT x, UINT y) {
        return reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch)[x];
    };
    EXPECT_EQ(at(5, 6), 2u * 8 + 1);
    EXPECT_EQ(at(6, 7), 3u * 8 + 2);
    EXPECT_EQ(at(4, 6), 0u);
    b->UnlockRect();
    POINT outside{7, 7};
    EXPECT_EQ(dev->CopyRects(a, &rc, 1, b, &outside), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->CopyRects(a, &rc, 1, a, &pt), D3DERR_INVALIDCALL);
    IDirect3DSurface8* other = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(8, 8, D3DFMT_R5G6B5, &other), D3D_OK);
    EXPECT_EQ(dev->CopyRects(a, nullptr, 0, other, nullptr), D3DERR_INVALIDCALL);
    // The whole surface to the back buffer, then on screen.
    IDirect3DSurface8* bb = nullptr;
    dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
    IDirect3DSurface8* red = nullptr;
    ASSERT_EQ(dev->CreateImageSurface(4, 4, D3DFMT_X8R8G8B8, &red), D3D_OK);
    red->LockRect(&r, nullptr, 0);
    for (UINT y = 0; y < 4; ++y)
        for (UINT x = 0; x < 4; ++x)
            reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch)[x] = 0xFFFF0000;
    red->UnlockRect();
    POINT dst{10, 10};
    ASSERT_EQ(dev->CopyRects(red, nullptr, 0, bb, &dst), D3D_OK);
    EXPECT_TRUE(PixelNear(10, 10, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(13, 13, 0xFF0000, 0));
    EXPECT_TRUE(PixelNear(14, 14, 0x000000, 0));
    red->Release();
    bb->Release();
    other->Release();
    a->Release();
    b->Release();

    IDirect3DTexture8 *sys = nullptr, *vid = nullptr;
    ASSERT_EQ(dev->CreateTexture(8, 8, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_SYSTEMMEM, &sys), D3D_OK);
    ASSERT_EQ(dev->CreateTexture(4, 4, 0, 0, D3DFMT_X8R8G8B8, D3DPOOL_DEFAULT, &vid), D3D_OK);
    for (UINT l = 0; l < sys->GetLevelCount(); ++l) {
        D3DSURFACE_DESC d;
        sys->GetLevelDesc(l, &d);
        sys->LockRect(l, &r, nullptr, 0);
        for (UINT y = 0; y < d.Height; ++y)
            for (UINT x = 0; x < d.Width; ++x)
                reinterpret_cast<uint32_t*>(static_cast<uint8_t*>(r.pBits) + y * r.Pitch)[x] =
                    0xFF000000u | (0x10u * (l + 1));
        sys->UnlockRect(l);
    }
    ASSERT_EQ(dev->UpdateTexture(sys, vid), D3D_OK);
    vid->LockRect(0, &r, nullptr, D3DLOCK_READONLY);
    EXPECT_EQ(static_cast<uint32_t*>(r.pBits)[0], 0xFF000020u); // level 1 of the source is 4x4
    vid->UnlockRect(0);
    EXPECT_EQ(dev->UpdateTexture(vid, sys), D3DERR_INVALIDCALL);
    sys->Release();
    vid->Release();
}

TEST_F(Resources, VertexAndIndexBufferLocks)
{
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(100, D3DUSAGE_WRITEONLY, kTLFvf, D3DPOOL_MANAGED, &vb), D3D_OK);
    D3DVERTEXBUFFER_DESC d;
    ASSERT_EQ(vb->GetDesc(&d), D3D_OK);
    EXPECT_EQ(d.Size, 100u);
    EXPECT_EQ(d.FVF, kTLFvf);
    BYTE *all = nullptr, *part = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, &all, 0), D3D_OK);
    ASSERT_EQ(vb->Lock(40, 20, &part, D3DLOCK_NOOVERWRITE), D3D_OK); // buffers nest locks
    EXPECT_EQ(part, all + 40);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3D_OK);
    EXPECT_EQ(vb->Unlock(), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(90, 20, &part, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(101, 0, &part, 0), D3DERR_INVALIDCALL);
    EXPECT_EQ(vb->Lock(0, 0, nullptr, 0), D3DERR_INVALIDCALL);
    vb->Release();
}

TEST_F(Resources, IndexedDrawingWithBaseVertex)
{
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(dev->CreateVertexBuffer(8 * sizeof(TLVertex), D3DUSAGE_WRITEONLY | D3DUSAGE_DYNAMIC, kTLFvf,
                                      D3DPOOL_DEFAULT, &vb),
              D3D_OK);
    TLVertex* v = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<BYTE**>(&v), D3DLOCK_DISCARD), D3D_OK);
    // Two quads: red on the left, green on the right.
    const TLVertex quads[8] = {{0, 0, .5f, 1, 0xFFFF0000},   {32, 0, .5f, 1, 0xFFFF0000}, {0, 64, .5f, 1, 0xFFFF0000},
                               {32, 64, .5f, 1, 0xFFFF0000}, {32, 0, .5f, 1, 0xFF00FF00}, {64, 0, .5f, 1, 0xFF00FF00},
                               {32, 64, .5f, 1, 0xFF00FF00}, {64, 64, .5f, 1, 0xFF00FF00}};
    std::memcpy(v, quads, sizeof(quads));
    vb->Unlock();
    IDirect3DIndexBuffer8* ib = nullptr;
    ASSERT_EQ(dev->CreateIndexBuffer(6 * 2, D3DUSAGE_WRITEONLY, D3DFMT_INDEX16, D3DPOOL_MANAGED, &ib), D3D_OK);
    uint16_t* idx = nullptr;
    ASSERT_EQ(ib->Lock(0, 0, reinterpret_cast<BYTE**>(&idx), 0), D3D_OK);
    const uint16_t list[6] = {0, 1, 2, 2, 1, 3};
    std::memcpy(idx, list, sizeof(list));
    ib->Unlock();
    dev->SetVertexShader(kTLFvf);
    // Drawing needs a stream.
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLELIST, 0, 1), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->SetStreamSource(0, vb, sizeof(TLVertex)), D3D_OK);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL); // no indices
    ASSERT_EQ(dev->SetIndices(ib, 4), D3D_OK);
    ASSERT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(PixelNear(10, 10, 0x000000, 0));
    EXPECT_TRUE(PixelNear(50, 10, 0x00FF00, 0));
    ASSERT_EQ(dev->SetIndices(ib, 0), D3D_OK);
    ASSERT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3D_OK);
    EXPECT_TRUE(PixelNear(10, 10, 0xFF0000, 0));
    // Indices that reach past the vertices are refused, not read.
    ASSERT_EQ(dev->SetIndices(ib, 6), D3D_OK);
    EXPECT_EQ(dev->DrawIndexedPrimitive(D3DPT_TRIANGLELIST, 0, 4, 0, 2), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 6, 2), D3DERR_INVALIDCALL);
    ASSERT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2), D3D_OK);
    // A buffer still locked draws from what it holds (dynamic buffers are drawn between locks).
    TLVertex* p = nullptr;
    ASSERT_EQ(vb->Lock(0, 0, reinterpret_cast<BYTE**>(&p), D3DLOCK_NOOVERWRITE), D3D_OK);
    for (int i = 4; i < 8; ++i) p[i].diffuse = 0xFF0000FF;
    EXPECT_EQ(dev->DrawPrimitive(D3DPT_TRIANGLESTRIP, 4, 2), D3D_OK);
    EXPECT_TRUE(PixelNear(50, 10, 0x0000FF, 0));
    vb->Unlock();
    IDirect3DVertexBuffer8* got = nullptr;
    UINT stride = 0;
    ASSERT_EQ(dev->GetStreamSource(0, &got, &stride), D3D_OK);
    EXPECT_EQ(got, vb);
    EXPECT_EQ(stride, sizeof(TLVertex));
    got->Release();
    dev->SetStreamSource(0, nullptr, 0);
    dev->SetIndices(nullptr, 0);
    vb->Release();
    ib->Release();
}

TEST_F(Resources, PrimitiveTypesAndUserPointerIndices)
{
    const TLVertex pts[4] = {{4, 4, .5f, 1, 0xFFFFFFFF},
                             {60, 4, .5f, 1, 0xFFFFFFFF},
                             {4, 60, .5f, 1, 0xFFFFFFFF},
                             {60, 60, .5f, 1, 0xFFFFFFFF}};
    dev->SetVertexShader(kTLFvf);
    dev->SetRenderState(D3DRS_CULLMODE, D3DCULL_NONE);
    struct Case {
        D3DPRIMITIVETYPE type;
        UINT prims;
        int x, y;
    } cases[] = {{D3DPT_POINTLIST, 4, 60, 60},    {D3DPT_LINELIST, 2, 30, 4},       {D3DPT_LINESTRIP, 3, 30, 4},
                 {D3DPT_TRIANGLELIST, 1, 10, 10}, {D3DPT_TRIANGLESTRIP, 2, 50, 50}, {D3DPT_TRIANGLEFAN, 2, 10, 50}};
    for (auto& c : cases) {
        dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
        ASSERT_EQ(dev->DrawPrimitiveUP(c.type, c.prims, pts, sizeof(TLVertex)), D3D_OK);
        EXPECT_TRUE(PixelNear(c.x, c.y, 0xFFFFFF, 0)) << "type " << c.type;
    }
    const uint32_t idx32[3] = {3, 2, 1};
    dev->Clear(0, nullptr, D3DCLEAR_TARGET, 0, 1.f, 0);
    ASSERT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, idx32, D3DFMT_INDEX32, pts, sizeof(TLVertex)),
              D3D_OK);
    EXPECT_TRUE(PixelNear(50, 50, 0xFFFFFF, 0));
    EXPECT_TRUE(PixelNear(10, 10, 0x000000, 0));
    const uint16_t far16[3] = {0, 1, 9};
    EXPECT_EQ(dev->DrawIndexedPrimitiveUP(D3DPT_TRIANGLELIST, 0, 4, 1, far16, D3DFMT_INDEX16, pts, sizeof(TLVertex)),
              D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 0, pts, sizeof(TLVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(static_cast<D3DPRIMITIVETYPE>(9), 1, pts, sizeof(TLVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, nullptr, sizeof(TLVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, pts, 4), D3DERR_INVALIDCALL);
    // Outside a scene nothing is drawn.
    dev->EndScene();
    EXPECT_EQ(dev->DrawPrimitiveUP(D3DPT_TRIANGLELIST, 1, pts, sizeof(TLVertex)), D3DERR_INVALIDCALL);
    EXPECT_EQ(dev->EndScene(), D3DERR_INVALIDCALL);
    dev->BeginScene();
    EXPECT_EQ(dev->BeginScene(), D3DERR_INVALIDCALL);
}

} // namespace
} // namespace d3d8test

namespace d3d8test {
namespace {

TEST_F(Resources, LockableDepthReadsTheClearedDepth)
{
    IDirect3DSurface8* ds = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(kWidth, kHeight, D3DFMT_D16_LOCKABLE, D3DMULTISAMPLE_NONE, &ds), D3D_OK);
    IDirect3DSurface8* bb = nullptr;
    dev->GetBackBuffer(0, D3DBACKBUFFER_TYPE_MONO, &bb);
    ASSERT_EQ(dev->SetRenderTarget(bb, ds), D3D_OK);
    ASSERT_EQ(dev->Clear(0, nullptr, D3DCLEAR_ZBUFFER, 0, 0.5f, 0), D3D_OK);
    DrawQuad(0, 0, 8, 8, 0xFFFFFFFF, 0.25f);
    D3DLOCKED_RECT r;
    ASSERT_EQ(ds->LockRect(&r, nullptr, D3DLOCK_READONLY), D3D_OK);
    const auto* row = static_cast<const uint16_t*>(r.pBits);
    EXPECT_NEAR(row[20], 0x8000, 2);
    EXPECT_NEAR(row[2], 0x4000, 2);
    ds->UnlockRect();
    IDirect3DSurface8* plain = nullptr;
    ASSERT_EQ(dev->CreateDepthStencilSurface(8, 8, D3DFMT_D24S8, D3DMULTISAMPLE_NONE, &plain), D3D_OK);
    EXPECT_EQ(plain->LockRect(&r, nullptr, 0), D3DERR_INVALIDCALL);
    // A depth buffer smaller than the target is refused.
    EXPECT_EQ(dev->SetRenderTarget(bb, plain), D3DERR_INVALIDCALL);
    plain->Release();
    IDirect3DSurface8* autoDepth = nullptr;
    dev->GetDepthStencilSurface(&autoDepth);
    EXPECT_EQ(autoDepth, ds);
    autoDepth->Release();
    dev->SetRenderTarget(bb, nullptr);
    bb->Release();
    ds->Release();
}

TEST_F(Resources, TheDeviceOutlivesWhatItMade)
{
    IDirect3DDevice8* second = nullptr;
    D3DPRESENT_PARAMETERS pp = DefaultParameters();
    ASSERT_EQ(D3D()->CreateDevice(0, D3DDEVTYPE_REF, FakeWindow(), D3DCREATE_SOFTWARE_VERTEXPROCESSING, &pp, &second),
              D3D_OK);
    IDirect3DTexture8* t = nullptr;
    ASSERT_EQ(second->CreateTexture(4, 4, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &t), D3D_OK);
    IDirect3DVertexBuffer8* vb = nullptr;
    ASSERT_EQ(second->CreateVertexBuffer(64, 0, 0, D3DPOOL_DEFAULT, &vb), D3D_OK);
    second->SetTexture(0, t);
    second->SetStreamSource(0, vb, 16);
    // The texture and the buffer each hold the device.
    EXPECT_EQ(second->Release(), 2u);
    IDirect3DDevice8* owner = nullptr;
    ASSERT_EQ(t->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner, second);
    EXPECT_EQ(owner->Release(), 2u);
    EXPECT_EQ(dev->SetTexture(0, t), D3DERR_INVALIDCALL); // another device's texture
    D3DLOCKED_RECT r;
    ASSERT_EQ(t->LockRect(0, &r, nullptr, 0), D3D_OK);
    static_cast<uint32_t*>(r.pBits)[0] = 1;
    EXPECT_EQ(t->UnlockRect(0), D3D_OK);
    EXPECT_EQ(t->Release(), 0u);
    BYTE* p = nullptr;
    EXPECT_EQ(vb->Lock(0, 0, &p, 0), D3D_OK);
    vb->Unlock();
    ASSERT_EQ(vb->GetDevice(&owner), D3D_OK);
    EXPECT_EQ(owner->Release(), 1u);
    // The last one takes the device, and what it still binds, with it.
    EXPECT_EQ(vb->Release(), 0u);
    // The shared device still draws.
    DrawQuad(0, 0, 8, 8, 0xFF00FF00);
    EXPECT_TRUE(PixelNear(2, 2, 0x00FF00, 0));
}

} // namespace
} // namespace d3d8test

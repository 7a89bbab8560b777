// CTexture as a 2D buffer: painters drawing into it, ColorFill per format,
// and the texture drawn on the render target as a screen quad.
#include <gtest/gtest.h>

#include <vector>

#include "kestu_log.h"
#include "kestu_pixelformat.h"
#include "kestu_sbmp.h"
#include "kestu_texture.h"
#include "texture_fixture.h"

using namespace texture_test;

namespace {

class TexturePaintTest : public TextureTest {
protected:
    void ClearTarget(D3DCOLOR colour) { dev->Clear(0, nullptr, D3DCLEAR_TARGET, colour, 1.0f, 0); }
    uint32_t At(const std::vector<uint32_t>& pixels, int x, int y) const
    {
        return pixels[static_cast<size_t>(y) * kScreen + x] & 0x00FFFFFFu;
    }
};

TEST_F(TexturePaintTest, PrepareLocksOnceForTheSameRectangle)
{
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 32, 32, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 1, 0), S_OK);
    void* whole = tex.Prepare(nullptr);
    ASSERT_NE(whole, nullptr);
    EXPECT_TRUE(tex.IsLocked());
    EXPECT_TRUE(tex.IsAbsLock());
    EXPECT_EQ(tex.Prepare(nullptr), whole);
    GRECT part(4, 2, 8, 8);
    void* bits = tex.Prepare(&part);
    ASSERT_NE(bits, nullptr);
    EXPECT_FALSE(tex.IsAbsLock());
    EXPECT_EQ(static_cast<uint8_t*>(bits), static_cast<uint8_t*>(whole) + 2 * tex.GetLockedPitch() + 4 * 2);
    EXPECT_EQ(tex.GetLockedRect().right, 12);
    EXPECT_EQ(tex.Prepare(&part), bits);
    EXPECT_EQ(tex.PitchCx(), tex.GetLockedPitch());
    tex.Unprepare();
    EXPECT_EQ(tex.GetUnprepareResult(), 1);
    EXPECT_FALSE(tex.IsLocked());
    EXPECT_EQ(tex.PitchCx(), 64);
    tex.Unprepare();
    EXPECT_EQ(tex.GetUnprepareResult(), 1);

    CTexture empty;
    EXPECT_EQ(empty.Prepare(nullptr), nullptr);
}

// The 2D painters reach the texels through Prepare and Unprepare.
TEST_F(TexturePaintTest, TwoDimensionalPaintersDrawIntoTheTexture)
{
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 32, 16, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 1, 0), S_OK);
    tex.Clear(0x001F);
    tex.Rectangle(0x07E0, 2, 2, 4, 3, 1, nullptr);
    tex.SetPixel(0xFFFF, 31, 15);

    // A 4 x 2 sprite with a transparent texel, painted over the fill.
    std::vector<uint16_t> sprite = {0xF800, 0xF81F, 0xF800, 0xF800, 0x1234, 0x1234, 0x1234, 0x1234};
    XBMFILEHEADER header;
    header.width = 4;
    header.height = 2;
    header.bitsPerPixel = 16;
    header.pixelFormat = 16;
    header.transColor = 0xF81F;
    SBMP bmp(&header, reinterpret_cast<unsigned char*>(sprite.data()), 8);
    EXPECT_EQ(bmp.Paint(&tex, 20, 10, PT_KEY, nullptr), 1);
    EXPECT_FALSE(tex.IsLocked());

    const std::vector<uint16_t> texels = Texels<uint16_t>(tex.GetD3DTexture());
    ASSERT_EQ(texels.size(), 32u * 16u);
    auto at = [&](int x, int y) { return texels[static_cast<size_t>(y) * 32 + x]; };
    EXPECT_EQ(at(0, 0), 0x001F);
    EXPECT_EQ(at(2, 2), 0x07E0);
    EXPECT_EQ(at(5, 4), 0x07E0);
    EXPECT_EQ(at(6, 4), 0x001F);
    EXPECT_EQ(at(31, 15), 0xFFFF);
    EXPECT_EQ(at(20, 10), 0xF800);
    EXPECT_EQ(at(21, 10), 0x001F); // transparent texel left the fill
    EXPECT_EQ(at(23, 11), 0x1234);
}

TEST_F(TexturePaintTest, ColorFillPerFormat)
{
    const DWORD argb = 0x80FF4020;
    const struct {
        D3DFORMAT format;
        uint32_t want;
    } cases[] = {
        {D3DFMT_A8R8G8B8, 0x80FF4020},
        {D3DFMT_X8R8G8B8, 0x80FF4020},
        {D3DFMT_R5G6B5, PackRGB565(0xFF, 0x40, 0x20)},
        {D3DFMT_X1R5G5B5, PackRGB555(0xFF, 0x40, 0x20)},
        {D3DFMT_A1R5G5B5, PackARGB1555(0xFF, 0x40, 0x20, 0x80)},
        {D3DFMT_A4R4G4B4, 0x8F42},
    };
    for (const auto& c : cases) {
        CTexture tex;
        ASSERT_EQ(tex.Build(dev, 8, 4, 1, 0, c.format, D3DPOOL_MANAGED, 1, 0), S_OK);
        ASSERT_EQ(tex.ColorFill(argb, nullptr, 0), S_OK) << c.format;
        const RECT part{2, 1, 4, 3};
        ASSERT_EQ(tex.ColorFill(0xFFFFFFFF, &part, 0), S_OK) << c.format;
        std::vector<uint32_t> texels;
        if (GetBitCountByD3DFormat(c.format) == 32) {
            texels = Texels<uint32_t>(tex.GetD3DTexture());
        } else {
            for (uint16_t t : Texels<uint16_t>(tex.GetD3DTexture())) texels.push_back(t);
        }
        ASSERT_EQ(texels.size(), 32u);
        for (int y = 0; y < 4; ++y)
            for (int x = 0; x < 8; ++x) {
                const bool inPart = x >= 2 && x < 4 && y >= 1 && y < 3;
                if (inPart)
                    EXPECT_NE(texels[y * 8 + x], c.want) << c.format << " " << x << "," << y;
                else
                    EXPECT_EQ(texels[y * 8 + x], c.want) << c.format << " " << x << "," << y;
            }
    }
}

TEST_F(TexturePaintTest, ColorFillOfASmallerLevelStaysInsideIt)
{
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 16, 16, 2, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 1, 0), S_OK);
    ASSERT_EQ(tex.ColorFill(0xFF000000, nullptr, 0), S_OK);
    ASSERT_EQ(tex.ColorFill(0xFFFFFFFF, nullptr, 1), S_OK);
    for (uint16_t t : Texels<uint16_t>(tex.GetD3DTexture(), 1)) ASSERT_EQ(t, 0xFFFF);
    for (uint16_t t : Texels<uint16_t>(tex.GetD3DTexture(), 0)) ASSERT_EQ(t, 0x0000);
}

TEST_F(TexturePaintTest, ColorFillRefusals)
{
    CTexture tex;
    EXPECT_EQ(tex.ColorFill(0, nullptr, 0), KESTUERR_SURFACENOTBUILT);
    ASSERT_EQ(tex.Build(dev, 8, 8, 1, 0, D3DFMT_DXT1, D3DPOOL_MANAGED, 1, 0), S_OK);
    EXPECT_EQ(tex.ColorFill(0, nullptr, 0), KESTUERR_GENERIC);
    ASSERT_EQ(tex.Build(dev, 8, 8, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 1, 0), S_OK);
    ASSERT_TRUE(tex.AbsLock());
    EXPECT_EQ(tex.ColorFill(0, nullptr, 0), KESTUERR_GENERIC);
    ASSERT_TRUE(tex.AbsUnLock());
    const RECT outside{4, 4, 12, 12};
    EXPECT_TRUE(FAILED(tex.ColorFill(0, &outside, 0)));
}

struct StateProbe {
    int stage; // -1: render state
    DWORD type;
    DWORD odd; // a value the quad does not use
};

const StateProbe kProbes[] = {
    {-1, D3DRS_ZENABLE, 1},
    {-1, D3DRS_LIGHTING, 1},
    {-1, D3DRS_ALPHATESTENABLE, 0},
    {-1, D3DRS_ALPHABLENDENABLE, 0},
    {-1, D3DRS_SRCBLEND, D3DBLEND_ONE},
    {-1, D3DRS_DESTBLEND, D3DBLEND_ZERO},
    {-1, D3DRS_ALPHAREF, 200},
    {-1, D3DRS_ALPHAFUNC, D3DCMP_LESS},
    {-1, D3DRS_FILLMODE, D3DFILL_WIREFRAME},
    {-1, D3DRS_CULLMODE, D3DCULL_CW},
    {-1, D3DRS_STENCILENABLE, 1},
    {-1, D3DRS_CLIPPING, 0},
    {-1, D3DRS_CLIPPLANEENABLE, 1},
    {-1, D3DRS_VERTEXBLEND, 1},
    {-1, D3DRS_INDEXEDVERTEXBLENDENABLE, 1},
    {-1, D3DRS_FOGENABLE, 1},
    {-1, D3DRS_COLORWRITEENABLE, 7},
    {0, D3DTSS_COLOROP, D3DTOP_ADD},
    {0, D3DTSS_COLORARG1, D3DTA_CURRENT},
    {0, D3DTSS_COLORARG2, D3DTA_TFACTOR},
    {0, D3DTSS_ALPHAOP, D3DTOP_SELECTARG2},
    {0, D3DTSS_ALPHAARG1, D3DTA_TFACTOR},
    {0, D3DTSS_ALPHAARG2, D3DTA_CURRENT},
    {0, D3DTSS_TEXCOORDINDEX, 1},
    {0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_COUNT2},
    {0, D3DTSS_MAGFILTER, D3DTEXF_LINEAR},
    {0, D3DTSS_MINFILTER, D3DTEXF_LINEAR},
    {0, D3DTSS_MIPFILTER, D3DTEXF_LINEAR},
    {1, D3DTSS_COLOROP, D3DTOP_SELECTARG1},
    {1, D3DTSS_ALPHAOP, D3DTOP_SELECTARG1},
};

DWORD ReadState(IDirect3DDevice8* dev, const StateProbe& p)
{
    DWORD v = 0;
    if (p.stage < 0)
        dev->GetRenderState(static_cast<D3DRENDERSTATETYPE>(p.type), &v);
    else
        dev->GetTextureStageState(static_cast<DWORD>(p.stage), static_cast<D3DTEXTURESTAGESTATETYPE>(p.type), &v);
    return v;
}

void WriteState(IDirect3DDevice8* dev, const StateProbe& p, DWORD v)
{
    if (p.stage < 0)
        dev->SetRenderState(static_cast<D3DRENDERSTATETYPE>(p.type), v);
    else
        dev->SetTextureStageState(static_cast<DWORD>(p.stage), static_cast<D3DTEXTURESTAGESTATETYPE>(p.type), v);
}

TEST_F(TexturePaintTest, ScreenQuadDrawsTheTextureAndPutsEveryStateBack)
{
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 1, 0), S_OK);
    ASSERT_EQ(tex.ColorFill(0xFF00FF00, nullptr, 0), S_OK);
    const RECT see_through{0, 8, 16, 16};
    ASSERT_EQ(tex.ColorFill(0x00FF0000, &see_through, 0), S_OK); // alpha 0: tested away

    // Every state the quad sets starts out different; the vertex shader and
    // the stage-0 texture too.
    std::vector<DWORD> before;
    for (const StateProbe& p : kProbes) {
        WriteState(dev, p, p.odd);
        before.push_back(ReadState(dev, p));
    }
    CTexture other;
    ASSERT_EQ(other.Build(dev, 4, 4, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 2, 0), S_OK);
    dev->SetTexture(0, other.GetD3DTexture());
    dev->SetVertexShader(D3DFVF_XYZ);
    // The quad must show even with states that would hide it.
    for (const StateProbe& p : kProbes)
        if (p.stage < 0 && (p.type == D3DRS_CLIPPING || p.type == D3DRS_COLORWRITEENABLE)) WriteState(dev, p, p.odd);

    ClearTarget(0xFF000080);
    ASSERT_EQ(dev->BeginScene(), S_OK);
    RECT dst{8, 8, 24, 24};
    EXPECT_EQ(tex.Paint(nullptr, &dst), 1);
    ASSERT_EQ(dev->EndScene(), S_OK);

    for (size_t i = 0; i < std::size(kProbes); ++i)
        EXPECT_EQ(ReadState(dev, kProbes[i]), before[i])
            << "state " << kProbes[i].type << " stage " << kProbes[i].stage;
    DWORD shader = 0;
    dev->GetVertexShader(&shader);
    EXPECT_EQ(shader, static_cast<DWORD>(D3DFVF_XYZ));
    IDirect3DBaseTexture8* bound = nullptr;
    dev->GetTexture(0, &bound);
    EXPECT_EQ(bound, other.GetD3DTexture());
    if (bound) bound->Release();
    dev->SetTexture(0, nullptr);

    const std::vector<uint32_t> pixels = RenderTarget();
    ASSERT_EQ(pixels.size(), kScreen * kScreen);
    EXPECT_EQ(At(pixels, 10, 10), 0x00FF00u);
    EXPECT_EQ(At(pixels, 22, 14), 0x00FF00u);
    EXPECT_EQ(At(pixels, 10, 20), 0x000080u); // alpha below the reference
    EXPECT_EQ(At(pixels, 5, 10), 0x000080u);
    EXPECT_EQ(At(pixels, 26, 10), 0x000080u);
}

TEST_F(TexturePaintTest, ScreenQuadCutsAndRefusesRectangles)
{
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 32, 32, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 1, 0), S_OK);
    ASSERT_EQ(tex.ColorFill(0xFFFFFFFF, nullptr, 0), S_OK);
    tex.SetVectorColor(0xFF, 0xFF, 0x00, 0x00);
    EXPECT_EQ(tex.GetVectorColor(), 0xFFFF0000u);

    // A source 40 wide on a 32-texel texture draws over 32/40 of the destination.
    ClearTarget(0xFF000000);
    ASSERT_EQ(dev->BeginScene(), S_OK);
    RECT src{0, 0, 40, 32};
    RECT dst{0, 0, 40, 16};
    EXPECT_EQ(tex.Paint(&src, &dst), 1);
    ASSERT_EQ(dev->EndScene(), S_OK);
    std::vector<uint32_t> pixels = RenderTarget();
    EXPECT_EQ(At(pixels, 30, 8), 0xFF0000u);
    EXPECT_EQ(At(pixels, 34, 8), 0x000000u);
    EXPECT_EQ(At(pixels, 10, 20), 0x000000u);

    RECT right{kScreen, 0, kScreen + 10, 10};
    RECT below{0, kScreen + 1, 10, kScreen + 10};
    RECT empty{5, 5, 5, 10};
    RECT offTexture{32, 0, 40, 8};
    EXPECT_EQ(tex.Paint(nullptr, &right), 0);
    EXPECT_EQ(tex.Paint(nullptr, &below), 0);
    EXPECT_EQ(tex.Paint(nullptr, &empty), 0);
    EXPECT_EQ(tex.Paint(&offTexture, nullptr), 0);
    EXPECT_EQ(tex.Paint(&empty, nullptr), 0);
    CTexture unbuilt;
    EXPECT_EQ(unbuilt.Paint(nullptr, nullptr), 0);
}

// The buffer forms clip against the destination's bounds and the clip
// rectangle; the quad itself lands on the render target.
TEST_F(TexturePaintTest, BufferFormsClipAndShiftTheSource)
{
    CTexture tex;
    ASSERT_EQ(tex.Build(dev, 16, 16, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, 1, 0), S_OK);
    ASSERT_EQ(tex.ColorFill(0xFF0000FF, nullptr, 0), S_OK);
    const RECT right{8, 0, 16, 16};
    ASSERT_EQ(tex.ColorFill(0xFFFFFF00, &right, 0), S_OK);
    CTexture bounds;
    ASSERT_EQ(bounds.Build(dev, 40, 40, 1, 0, D3DFMT_R5G6B5, D3DPOOL_MANAGED, 2, 0), S_OK);

    ClearTarget(0xFF000000);
    ASSERT_EQ(dev->BeginScene(), S_OK);
    const GRECT clip(0, 0, 36, 64);
    EXPECT_EQ(tex.Paint(&bounds, 30, 4, PT_KEY, &clip), 1);               // columns 30..35, source 0..5
    EXPECT_EQ(tex.Paint(&bounds, 4, 30, 8, 8, 8, 0, PT_KEY, nullptr), 1); // source shifted to the yellow half
    EXPECT_EQ(tex.Paint(&bounds, 50, 50, PT_KEY, nullptr), 0);
    const GRECT away(100, 100, 5, 5);
    EXPECT_EQ(tex.Paint(&bounds, 0, 0, PT_KEY, &away), 0);
    ASSERT_EQ(dev->EndScene(), S_OK);

    const std::vector<uint32_t> pixels = RenderTarget();
    EXPECT_EQ(At(pixels, 31, 8), 0x0000FFu);
    EXPECT_EQ(At(pixels, 37, 8), 0x000000u);
    EXPECT_EQ(At(pixels, 6, 32), 0xFFFF00u);
    EXPECT_EQ(At(pixels, 13, 32), 0x000000u);
}

} // namespace

// RTBMP paints: exact placement, every paint mode clipped on each side
// against the same paint unclipped, turned, stretched and rotated paints.
#include <gtest/gtest.h>

#include <cmath>

#include "kestu_pixelshade.h"
#include "kestu_rtbmp.h"
#include "sprites/SpriteTestUtil.h"

namespace {

using namespace sprite_test;

constexpr uint16_t K = 0xF81F;
constexpr int W = 9, H = 6;

enum class Alpha { None, Raw, Packed };

struct Built {
    std::vector<uint16_t> px;
    std::vector<uint8_t> image;
    RTBMP sprite;
};

void Make(Built& b, Alpha alpha, int format = 16)
{
    b.px = Pattern(W, H, K);
    XBMFILEHEADER h = Header(W, H, 16, format, true, K);
    if (alpha == Alpha::None) {
        b.image = Encode16(b.px, h);
    } else {
        h.alpha = 1;
        h.alphaCompressed = alpha == Alpha::Packed ? 1 : 0;
        std::vector<_WORD24> w24(b.px.size());
        for (size_t i = 0; i < w24.size(); ++i) w24[i] = _WORD24{b.px[i], uint8_t(b.px[i] == K ? 0 : 40 + 11 * i)};
        b.image = Encode24(w24, h);
    }
    b.sprite.Build(b.image.data());
}

uint32_t Background(int format) { return format == 32 ? 0x00406080u : 0x4A69u; }

TEST(RtBmpPaint, CopyPlacesOpaquePixelsAndLeavesTheRest)
{
    Built b;
    Make(b, Alpha::None);
    for (int format : {16, 15, 32}) {
        Canvas c(16, 12, format);
        c.Fill(Background(format));
        ASSERT_EQ(b.sprite.Paint(&c, 3, 2, PT_KEY, nullptr), 1);
        for (int y = 0; y < 12; ++y)
            for (int x = 0; x < 16; ++x) {
                const int u = x - 3, v = y - 2;
                uint32_t want = Background(format);
                if (u >= 0 && v >= 0 && u < W && v < H && b.px[size_t(v) * W + u] != K) {
                    const uint16_t p = b.px[size_t(v) * W + u];
                    want =
                        format == 32 ? (0xFF000000u | (p & 0xF800u) << 8 | (p & 0x07E0u) << 5 | (p & 0x1Fu) << 3) : p;
                }
                ASSERT_EQ(c.Get(x, y), want) << "format " << format << " at " << x << "," << y;
            }
        EXPECT_EQ(c.prepares, 1);
        EXPECT_EQ(c.unprepares, 1);
    }
}

struct Mode {
    DWORD flags;
    Alpha alpha;
};

const Mode kModes[] = {
    {PT_KEY, Alpha::None},
    {PT_COPY, Alpha::None},
    {PT_ENHANCE, Alpha::None},
    {PT_GRAY, Alpha::None},
    {PT_SOURCEFILTER, Alpha::None},
    {PT_HALF, Alpha::None},
    {PT_SOURCEFILTERHALF, Alpha::None},
    {PT_ALPHA, Alpha::Raw},
    {PT_ALPHA, Alpha::Packed},
    {PT_ALPHACOLORTABLE, Alpha::Raw},
    {PT_ALPHASOURCEFILTER, Alpha::Raw},
    {PT_TRANSGRADE, Alpha::None},
    {PT_ALPHATRANSGRADE, Alpha::Raw},
    {PT_PIXELSHADE, Alpha::None},
    {PT_PIXELSHADEHALF, Alpha::None},
    {PT_MIXALPHA, Alpha::Packed},
    {PT_ALPHACOLORTABLE, Alpha::Packed},
};

// Paints at (x, y) into a canvas of the given size; the sprite's effect
// values are set so that every mode has something to do.
Canvas PaintAt(RTBMP& s, int cw, int ch, int format, int x, int y, DWORD flags, const GRECT* clip)
{
    Canvas c(cw, ch, format);
    c.Fill(Background(format));
    s.Paint(&c, x, y, flags, clip);
    return c;
}

TEST(RtBmpPaint, ClippedPaintsMatchTheUnclippedPaint)
{
    static std::vector<uint16_t> table(256);
    for (size_t i = 0; i < table.size(); ++i) table[i] = uint16_t(i * 257);
    CPixelShade shade;
    ASSERT_EQ(shade.Build(static_cast<PIXELFORMAT>(16), 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);

    struct Place {
        const char* name;
        int x, y;
        bool useClip;
        GRECT clip;
    };
    // A 12 x 10 canvas; the sprite pokes out of each side in turn, or a clip
    // rectangle cuts it inside the canvas.
    const Place places[] = {
        {"left", -4, 2, false, {}},
        {"right", 7, 2, false, {}},
        {"top", 1, -3, false, {}},
        {"bottom", 1, 7, false, {}},
        {"clip", 1, 2, true, GRECT(3, 4, 5, 2)},
    };
    for (const Mode& m : kModes)
        for (int format : {16, 15, 32}) {
            Built b;
            Make(b, m.alpha, format == 15 ? 15 : 16);
            b.sprite.SetColorTable(table.data());
            b.sprite.SetEnhanceGrade(20);
            b.sprite.SetTransGrade(9);
            b.sprite.SetPixelShade(&shade);
            b.sprite.SetSourceFilterMask(0x07E0);
            const int ox = 10, oy = 10;
            Canvas whole = PaintAt(b.sprite, 32, 32, format, ox, oy, m.flags, nullptr);
            for (const Place& p : places) {
                SCOPED_TRACE(::testing::Message() << "flags " << m.flags << " format " << format << " " << p.name);
                Canvas part = PaintAt(b.sprite, 12, 10, format, p.x, p.y, m.flags, p.useClip ? &p.clip : nullptr);
                int mismatches = 0;
                for (int y = 0; y < 10; ++y)
                    for (int x = 0; x < 12; ++x) {
                        const int u = x - p.x, v = y - p.y;
                        const bool inSprite = u >= 0 && v >= 0 && u < W && v < H;
                        const bool inClip = !p.useClip || p.clip.IsContain(GRECT(x, y, 1, 1));
                        const uint32_t want = inSprite && inClip ? whole.Get(ox + u, oy + v) : Background(format);
                        if (part.Get(x, y) != want) ++mismatches;
                    }
                EXPECT_EQ(mismatches, 0);
            }
        }
}

TEST(RtBmpPaint, NothingVisibleReturnsZeroAndTouchesNothing)
{
    Built b;
    Make(b, Alpha::None);
    Canvas c(8, 8, 16);
    c.Fill(0x1111);
    const GRECT farClip(100, 100, 5, 5);
    EXPECT_EQ(b.sprite.Paint(&c, 8, 0, PT_KEY, nullptr), 0);
    EXPECT_EQ(b.sprite.Paint(&c, -W, 0, PT_KEY, nullptr), 0);
    EXPECT_EQ(b.sprite.Paint(&c, 0, 0, PT_KEY, &farClip), 0);
    EXPECT_EQ(b.sprite.Paint(&c, 0, 0, 2, 2, 0, 0, PT_KEY, &farClip), 0);
    EXPECT_EQ(b.sprite.InversePaint(&c, 0, 9, W, H, 0, 0, PT_KEY, PD_MIRROR_H, nullptr), 0);
    EXPECT_EQ(c.prepares, 0);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) ASSERT_EQ(c.Get(x, y), 0x1111u);
}

TEST(RtBmpPaint, UnsupportedCombinationsDrawNothing)
{
    Built b;
    Make(b, Alpha::Packed);
    static std::vector<uint16_t> table(256, 0x1234);
    b.sprite.SetColorTable(table.data());
    struct Case {
        DWORD flags;
        int format;
    };
    // Compressed-alpha colour table into 32 bits, shade paints without a
    // shade, an alpha-scaled grade without a raw plane, an unknown mode.
    for (const Case c : {Case{PT_ALPHACOLORTABLE, 32}, Case{PT_PIXELSHADE, 16}, Case{PT_ALPHATRANSGRADE, 16},
                         Case{3, 16}, Case{PT_ABLIGHT, 16}}) {
        Canvas canvas(12, 10, c.format);
        canvas.Fill(Background(c.format));
        EXPECT_EQ(b.sprite.PaintNoClip(&canvas, 1, 1, PAINT_TYPE(c.flags)), 1);
        for (int y = 0; y < 10; ++y)
            for (int x = 0; x < 12; ++x) ASSERT_EQ(canvas.Get(x, y), Background(c.format)) << c.flags;
    }
}

TEST(RtBmpPaint, BrightnessViaShadeAtMinusTwoIsLevel32)
{
    Built b;
    Make(b, Alpha::None);
    CPixelShade shade;
    ASSERT_EQ(shade.Build(static_cast<PIXELFORMAT>(16), 32, 16, nullptr, 1, KESTU_PIXELSHADE_FORMULA_LINEAR), 0);
    b.sprite.SetPixelShade(&shade);
    b.sprite.SetEnhanceGrade(-2);
    Canvas viaShade = PaintAt(b.sprite, 12, 10, 16, 1, 1, PT_PIXELSHADE, nullptr);
    b.sprite.SetEnhanceGrade(32);
    Canvas viaEnhance = PaintAt(b.sprite, 12, 10, 16, 1, 1, PT_ENHANCE, nullptr);
    EXPECT_EQ(viaShade.mem, viaEnhance.mem);
    // -3 is the plain copy.
    b.sprite.SetEnhanceGrade(-3);
    EXPECT_EQ(PaintAt(b.sprite, 12, 10, 16, 1, 1, PT_PIXELSHADE, nullptr).mem,
              PaintAt(b.sprite, 12, 10, 16, 1, 1, PT_COPY, nullptr).mem);
}

TEST(RtBmpPaint, SubRectangleIntoATextureWrites4444)
{
    Built b;
    Make(b, Alpha::None);
    Canvas tex(8, 8, 16, 1, KESTU_WHOAMI_TEXTURE);
    ASSERT_EQ(b.sprite.Paint(&tex, 0, 0, 4, 3, 2, 1, PT_COPY, nullptr), 1);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 4; ++x) {
            const uint16_t p = b.px[size_t(y + 1) * W + x + 2];
            const uint32_t want =
                p == K ? 0u : uint32_t(0xF000 | ((p >> 4) & 0x0F00) | ((p >> 3) & 0xF0) | ((p >> 1) & 0xF));
            ASSERT_EQ(tex.Get(x, y), want) << x << "," << y;
        }
}

TEST(RtBmpPaint, SubRectangleSourceIsKeptInsideTheSprite)
{
    Built b;
    Make(b, Alpha::Raw);
    Canvas c(32, 32, 16);
    // Source rectangles reaching past every edge of the sprite.
    EXPECT_EQ(b.sprite.Paint(&c, 5, 5, 20, 20, -3, -2, PT_ALPHA, nullptr), 1);
    EXPECT_EQ(b.sprite.Paint(&c, 5, 5, 20, 20, 4, 3, PT_COPY, nullptr), 1);
    EXPECT_EQ(b.sprite.Paint(&c, 5, 5, 3, 3, 50, 50, PT_COPY, nullptr), 0);
    // The cut source starts at sprite column 0 drawn at x + 3.
    Canvas d(32, 32, 16);
    b.sprite.Paint(&d, 5, 5, 20, 20, -3, -2, PT_COPY, nullptr);
    for (int x = 0; x < W; ++x) {
        const uint16_t p = b.px[size_t(0) * W + x];
        if (p != K) {
            EXPECT_EQ(d.Get(8 + x, 7), p);
        }
    }
}

TEST(RtBmpPaint, MirroredAndFlippedPaints)
{
    Built b;
    Make(b, Alpha::None);
    for (PAINT_DIRECTION dir : {PD_MIRROR_H, PD_FLIP_V}) {
        Canvas c(16, 12, 16);
        ASSERT_EQ(b.sprite.InversePaint(&c, 2, 3, W, H, 0, 0, PT_COPY, dir, nullptr), 1);
        for (int v = 0; v < H; ++v)
            for (int u = 0; u < W; ++u) {
                const uint16_t p = b.px[size_t(v) * W + u];
                const int x = dir == PD_MIRROR_H ? 2 + W - 1 - u : 2 + u;
                const int y = dir == PD_FLIP_V ? 3 + H - 1 - v : 3 + v;
                ASSERT_EQ(c.Get(x, y), p == K ? 0u : p) << dir << " " << u << "," << v;
            }
        // Clipped on each side: the visible window of the unclipped turned paint.
        Canvas whole(32, 32, 16);
        b.sprite.InversePaint(&whole, 10, 10, W, H, 0, 0, PT_GRAY, dir, nullptr);
        for (const auto& at : {std::pair{-4, 2}, std::pair{7, 2}, std::pair{1, -3}, std::pair{1, 6}}) {
            Canvas part(12, 9, 16);
            b.sprite.InversePaint(&part, at.first, at.second, W, H, 0, 0, PT_GRAY, dir, nullptr);
            for (int y = 0; y < 9; ++y)
                for (int x = 0; x < 12; ++x) {
                    const int u = x - at.first, v = y - at.second;
                    const bool in = u >= 0 && v >= 0 && u < W && v < H;
                    ASSERT_EQ(part.Get(x, y), in ? whole.Get(10 + u, 10 + v) : 0u)
                        << dir << " at " << at.first << "," << at.second << " pixel " << x << "," << y;
                }
        }
    }
}

TEST(RtBmpPaint, StretchDoublesEveryPixel)
{
    Built b;
    Make(b, Alpha::None);
    Canvas c(24, 16, 16);
    ASSERT_EQ(b.sprite.StretchPaint(&c, 1, 2, 2 * W, 2 * H, 0, 0, PT_COPY, W, H, nullptr), 1);
    for (int y = 0; y < 2 * H; ++y)
        for (int x = 0; x < 2 * W; ++x) {
            const uint16_t p = b.px[size_t(y / 2) * W + x / 2];
            ASSERT_EQ(c.Get(1 + x, 2 + y), p == K ? 0u : p) << x << "," << y;
        }
    EXPECT_EQ(b.sprite.StretchPaint(&c, 0, 0, 0, 4, 0, 0, PT_COPY, W, H, nullptr), 0);
    EXPECT_EQ(b.sprite.StretchPaint(&c, 0, 0, 4, 4, W, 0, PT_COPY, W, H, nullptr), 0);
    // Clipped at the left and top: the visible part of the doubled picture.
    Canvas part(10, 8, 16);
    ASSERT_EQ(b.sprite.StretchPaint(&part, -4, -2, 2 * W, 2 * H, 0, 0, PT_COPY, W, H, nullptr), 1);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x) ASSERT_EQ(part.Get(x, y), c.Get(1 + 4 + x, 2 + 2 + y)) << x << "," << y;
}

TEST(RtBmpPaint, RotationByZeroCentresTheSprite)
{
    Built b;
    Make(b, Alpha::None);
    Canvas turned(20, 20, 16), plain(20, 20, 16);
    EXPECT_EQ(b.sprite.RotatePaint(&turned, 10, 10, 0.0f, 0.0f, nullptr), 1);
    b.sprite.Paint(&plain, 10 - W / 2, 10 - H / 2, PT_COPY, nullptr);
    EXPECT_EQ(turned.mem, plain.mem);
    // A clip rectangle outside the canvas does not let the kernel write outside it.
    const GRECT beyond(-50, -50, 200, 200);
    Canvas edge(6, 6, 16);
    EXPECT_EQ(b.sprite.RotatePaint(&edge, 1, 1, 0.7f, 0.5f, &beyond), 1);
}

TEST(RtBmpPaint, EightBitSpritesPaintThroughTheColourTable)
{
    std::vector<uint8_t> idx = {0, 3, 3, 0, 5, 0};
    XBmpBase enc;
    enc.SetxbmpFileHead(idx.data(), Header(3, 2, 8, 8, true, 0));
    char path[] = "eight.xbm";
    ASSERT_EQ(enc.Write8BIT(idx.data(), path, 3), 1);
    auto image = ReadAll(path);
    std::remove(path);
    RTBMP s;
    s.Build(image.data());
    std::vector<uint16_t> table(256);
    for (size_t i = 0; i < table.size(); ++i) table[i] = uint16_t(0x100 + i);
    s.SetColorTable(table.data());
    Canvas c(4, 3, 16);
    EXPECT_EQ(s.Paint(&c, 1, 1, PT_COLORTABLE, nullptr), 1);
    EXPECT_EQ(c.Get(2, 1), 0x103u);
    EXPECT_EQ(c.Get(1, 1), 0u);
    EXPECT_EQ(c.Get(2, 2), 0x105u);
    // 16-bit modes do not read index runs as colours.
    Canvas d(4, 3, 16);
    s.Paint(&d, 0, 0, PT_COPY, nullptr);
    EXPECT_EQ(d.mem, std::vector<uint8_t>(d.mem.size(), 0));
}

} // namespace

namespace {

TEST(RtBmpPaint, PackedAlphaThroughTheColourTableUsesTheLevelsAsIndexes)
{
    Built b;
    Make(b, Alpha::Packed);
    std::vector<uint16_t> table(256);
    for (size_t i = 0; i < table.size(); ++i) table[i] = uint16_t(0x8000 | i);
    b.sprite.SetColorTable(table.data());
    Canvas c(12, 10, 16);
    ASSERT_EQ(b.sprite.Paint(&c, 2, 3, PT_ALPHACOLORTABLE, nullptr), 1);
    for (int v = 0; v < H; ++v)
        for (int u = 0; u < W; ++u) {
            const size_t i = size_t(v) * W + u;
            const uint32_t want = b.px[i] == K ? 0u : uint32_t(table[uint8_t(40 + 11 * i)]);
            ASSERT_EQ(c.Get(2 + u, 3 + v), want) << u << "," << v;
        }
}

} // namespace

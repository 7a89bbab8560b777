// RTBMP building and 565/555 conversion; SBMP building, paints and saving.
#include <gtest/gtest.h>

#include "kestu_pixelformat.h"
#include "kestu_rtbmp.h"
#include "kestu_sbmp.h"
#include "sprites/SpriteTestUtil.h"

namespace {

using namespace sprite_test;

constexpr uint16_t K = 0xF81F;

TEST(RtBmpState, BuildMeasuresTheRunData)
{
    const auto px = Pattern(5, 4, K);
    auto image = Encode16(px, Header(5, 4, 16, 16, true, K));
    RTBMP s;
    EXPECT_EQ(s.WhoAmI(), 6);
    EXPECT_EQ(s.Type(), 1);
    EXPECT_EQ(s.IsCompressed(), 1);
    ASSERT_EQ(s.Build(image.data()), 1);
    // The encoder writes the rows back to back: the runs fill the rest of the image.
    EXPECT_EQ(s.GetBmpBitsSize(), image.size() - 64 - 4 * 4);
    EXPECT_EQ(reinterpret_cast<uint8_t*>(s.GetLineIndex()), image.data() + 64);

    auto empty = Encode16({}, Header(3, 0, 16, 16, true, K));
    RTBMP e;
    ASSERT_EQ(e.Build(empty.data()), 1);
    EXPECT_EQ(e.GetBmpBitsSize(), 0u);
}

TEST(RtBmpState, ConversionRunsOnceAndIsSaved)
{
    const std::vector<uint16_t> px = {K, 0xFFFF, 0x07E0, K};
    auto image = Encode16(px, Header(4, 1, 16, 16, true, K));
    RTBMP s;
    s.Build(image.data());
    s.Convet565To555();
    s.Convet565To555();
    std::vector<uint16_t> out(4, 0);
    s.GetDataHead(out.data());
    EXPECT_EQ(out, (std::vector<uint16_t>{0, 0x7FFF, 0x03E0, 0}));
    EXPECT_EQ(s.GetPixelFormat(), 15);
    EXPECT_EQ(s.GetTransColor(), 0x7C1F);
    ASSERT_EQ(s.SaveToXBmpFile("converted.xbm"), 0);
    const auto saved = ReadAll("converted.xbm");
    std::remove("converted.xbm");
    XBMFILEHEADER h;
    ASSERT_TRUE(h.Read(saved.data(), saved.size()));
    EXPECT_EQ(h.pixelFormat, 15);
    EXPECT_EQ(h.transColor, 0x7C1F);

    s.Convet555To565();
    std::fill(out.begin(), out.end(), 0);
    s.GetDataHead(out.data());
    EXPECT_EQ(out, (std::vector<uint16_t>{0, 0xFFDF, 0x07C0, 0}));
    EXPECT_EQ(s.GetTransColor(), K);
}

TEST(RtBmpState, EightBitSpritesRefuseColourConversion)
{
    std::vector<uint8_t> idx = {0, 0xFF, 0x40, 0};
    XBmpBase enc;
    enc.SetxbmpFileHead(idx.data(), Header(4, 1, 8, 16, true, 0));
    char path[] = "idx.xbm";
    ASSERT_EQ(enc.Write8BIT(idx.data(), path, 4), 1);
    auto image = ReadAll(path);
    std::remove(path);
    const auto before = image;
    RTBMP s;
    s.Build(image.data());
    s.Convet565To555();
    EXPECT_EQ(image, before);
    EXPECT_EQ(s.GetPixelFormat(), 16);
}

// An image with a palette and a raw alpha plane: the rows follow both.
std::vector<uint8_t> PaletteAlphaImage(int w, int h, uint8_t ownBuffer, uint8_t copyRows)
{
    XBMFILEHEADER hd = Header(w, h, 16, 16, false, K);
    hd.palette = 1;
    hd.alpha = 1;
    hd.ownBuffer = ownBuffer;
    hd.copyRows = copyRows;
    std::vector<uint8_t> image(64 + 1024 + size_t(w) * h + size_t(w) * h * 2);
    hd.Write(image.data());
    for (size_t i = 64 + 1024 + size_t(w) * h; i < image.size(); ++i) image[i] = uint8_t(i * 3);
    return image;
}

TEST(SbmpState, BuildInPlaceOrIntoItsOwnBuffer)
{
    auto image = PaletteAlphaImage(3, 2, 0, 0);
    SBMP s;
    EXPECT_EQ(s.WhoAmI(), 4);
    EXPECT_EQ(s.Type(), 0);
    EXPECT_EQ(s.GetTransColor(), -1);
    ASSERT_EQ(s.Build(image.data()), 1);
    EXPECT_EQ(s.GetPointer(), image.data() + 64 + 1024 + 6);
    EXPECT_EQ(s.GetColorTable(), image.data() + 64);
    EXPECT_EQ(s.GetAlphaData(), image.data() + 64 + 1024);
    EXPECT_EQ(s.PitchCx(), 6);
    EXPECT_EQ(s.GetBmpBitsSize(), 12u);

    auto copied = PaletteAlphaImage(3, 2, 1, 1);
    SBMP own;
    ASSERT_EQ(own.Build(copied.data()), 1);
    EXPECT_NE(own.GetPointer(), copied.data() + 64 + 1024 + 6);
    EXPECT_EQ(std::vector<uint8_t>(own.GetPointer(), own.GetPointer() + 12),
              std::vector<uint8_t>(copied.begin() + 64 + 1024 + 6, copied.end()));
    // Copies share the own buffer; it outlives the original.
    SBMP* twin = new SBMP(own);
    own = SBMP();
    EXPECT_EQ(twin->GetPointer()[0], copied[64 + 1024 + 6]);
    delete twin;
}

TEST(SbmpState, EightBitKeyAndCopy)
{
    std::vector<uint8_t> px = {5, 0xFF, 5, 7};
    XBMFILEHEADER h = Header(2, 2, 8, 8, false, 5);
    SBMP s(&h, px.data(), -1);
    struct Case {
        int trans;
        DWORD flags;
        std::vector<uint8_t> want;
    };
    // -1 keys nothing, not index 255.
    for (const Case& c : {Case{5, PT_KEY, {0xEE, 0xFF, 0xEE, 7}}, Case{5, PT_COPY, {5, 0xFF, 5, 7}},
                          Case{-1, PT_KEY, {5, 0xFF, 5, 7}}}) {
        s.SetTransColor(c.trans);
        Canvas d(2, 2, 8);
        std::fill(d.mem.begin(), d.mem.end(), 0xEE);
        EXPECT_EQ(s.Paint(&d, 0, 0, c.flags, nullptr), 1);
        EXPECT_EQ(d.mem, c.want) << c.trans << " " << c.flags;
    }
}

TEST(SbmpState, SixteenBitPaintsClipAndKey)
{
    std::vector<uint16_t> px = {K, 0x1111, 0x2222, K};
    XBMFILEHEADER h = Header(2, 2, 16, 16, false, K);
    SBMP s(&h, reinterpret_cast<unsigned char*>(px.data()), -1);
    Canvas d(3, 3, 16);
    EXPECT_EQ(s.Paint(&d, 3, 0, PT_KEY, nullptr), 0);
    EXPECT_EQ(s.Paint(&d, -1, -1, PT_KEY, nullptr), 1);
    EXPECT_EQ(d.Get(0, 0), 0u); // sprite pixel (1, 1) is the key
    ASSERT_EQ(s.Paint(&d, 1, 1, PT_KEY, nullptr), 1);
    EXPECT_EQ(d.Get(2, 1), 0x1111u);
    EXPECT_EQ(d.Get(1, 2), 0x2222u);
    EXPECT_EQ(d.Get(1, 1), 0u);

    // A trans colour of -1 keys nothing: white stays.
    std::vector<uint16_t> white = {0xFFFF, 0x1234};
    XBMFILEHEADER hw = Header(2, 1, 16, 16, false, -1);
    SBMP ws(&hw, reinterpret_cast<unsigned char*>(white.data()), -1);
    Canvas w(2, 1, 16);
    ws.Paint(&w, 0, 0, PT_KEY, nullptr);
    EXPECT_EQ(w.Get(0, 0), 0xFFFFu);
}

TEST(SbmpState, KeyedModesWithMinusOneKeyNothing)
{
    // White is 0xFFFF, the low half of -1: it must still be painted.
    std::vector<uint16_t> px = {0xFFFF, 0x1234, 0x0841, 0xFFFF};
    for (DWORD mode : {PT_SILHOUETTE, PT_TWOCOLOR, PT_SOFTSILHOUETTE, PT_HALF, PT_TRANSGRADE}) {
        Canvas none(4, 3, 16), absent(4, 3, 16);
        none.Fill(0x4208);
        absent.Fill(0x4208);
        for (int trans : {-1, 0x0002}) {
            XBMFILEHEADER h = Header(2, 2, 16, 16, false, trans);
            SBMP s(&h, reinterpret_cast<unsigned char*>(px.data()), -1);
            s.SetForeGroundColor(0x00FF);
            s.SetBackGroundColor(0x7000);
            s.SetTransGrade(6);
            EXPECT_EQ(s.Paint(trans == -1 ? &none : &absent, 1, 1, mode, nullptr), 1);
        }
        EXPECT_EQ(none.mem, absent.mem) << mode;
        EXPECT_EQ(px[0], 0xFFFF);
    }
}

TEST(SbmpState, PaintNoClipOnlyThroughTheSprite)
{
    std::vector<uint16_t> px = {0x1111, 0x2222};
    XBMFILEHEADER h = Header(2, 1, 16, 16, false, K);
    SBMP s(&h, reinterpret_cast<unsigned char*>(px.data()), -1);
    Canvas viaBase(2, 1, 16), viaSprite(2, 1, 16);
    VPaper* base = &s;
    EXPECT_EQ(base->PaintNoClip(&viaBase, 0, 0, PT_KEY), 1);
    EXPECT_EQ(viaBase.Get(0, 0), 0u);
    EXPECT_EQ(s.PaintNoClip(&viaSprite, 0, 0, 128ul), 1);
    EXPECT_EQ(viaSprite.Get(0, 0), 0x1111u); // flags 128 become a plain copy here
    EXPECT_EQ(viaSprite.Get(1, 0), 0x2222u);
}

TEST(SbmpState, PaintNoClipTakesAnyIntegerPaintType)
{
    std::vector<uint16_t> px = {K, 0x2222};
    XBMFILEHEADER h = Header(2, 1, 16, 16, false, K);
    SBMP s(&h, reinterpret_cast<unsigned char*>(px.data()), -1);
    const std::vector<uint8_t> keyed = {0x44, 0x44, 0x22, 0x22};
    const std::vector<uint8_t> copied = {0x1F, 0xF8, 0x22, 0x22};
    auto paint = [&](auto type) {
        Canvas d(2, 1, 16);
        d.Fill(0x4444);
        EXPECT_EQ(s.PaintNoClip(&d, 0, 0, type), 1);
        return d.mem;
    };
    EXPECT_EQ(paint(PT_KEY), keyed);
    EXPECT_EQ(paint(0), keyed);
    EXPECT_EQ(paint(DWORD(0)), keyed);
    EXPECT_EQ(paint(short(0)), keyed);
    EXPECT_EQ(paint(0L), keyed);
    EXPECT_EQ(paint(PT_COPY), copied);
    EXPECT_EQ(paint(1), copied);
    EXPECT_EQ(paint(uint8_t(1)), copied);
}

TEST(SbmpState, DeepSpritesCopyWhateverTheFlags)
{
    // Pixel 0 is the key: a copy paints it all the same.
    std::vector<uint32_t> px32 = {0x00FF00FF, 0x00123456, 0x00ABCDEF, 0x00000001};
    std::vector<uint8_t> px24 = {0xFF, 0x00, 0xFF, 0x56, 0x34, 0x12, 0xEF, 0xCD, 0xAB, 0x01, 0x00, 0x00};
    struct Case {
        int bits;
        unsigned char* data;
    };
    for (const Case& c : {Case{32, reinterpret_cast<unsigned char*>(px32.data())}, Case{24, px24.data()}}) {
        XBMFILEHEADER h = Header(2, 2, c.bits, c.bits, false, 0x00FF00FF);
        SBMP s(&h, c.data, -1);
        const std::vector<uint8_t> want(c.data, c.data + 4 * c.bits / 8);
        for (DWORD flags : std::initializer_list<DWORD>{PT_KEY, PT_COPY, PT_SILHOUETTE, PT_HALF, PT_TRANSGRADE,
                                                        PT_SHADEBLEND, PT_ABLIGHT, 0x777u}) {
            Canvas d(2, 2, c.bits);
            EXPECT_EQ(s.Paint(&d, 0, 0, flags, nullptr), 1);
            EXPECT_EQ(d.mem, want) << c.bits << " bits, flags " << flags;
            Canvas n(2, 2, c.bits);
            EXPECT_EQ(s.PaintNoClip(&n, 0, 0, flags), 1);
            EXPECT_EQ(n.mem, want) << c.bits << " bits, flags " << flags;
        }
        // Clipped: only the right column lands, at the left.
        Canvas d(2, 2, c.bits);
        const GRECT clip(0, 0, 1, 2);
        EXPECT_EQ(s.Paint(&d, -1, 0, PT_KEY, &clip), 1);
        EXPECT_EQ(d.Get(0, 0), c.bits == 32 ? 0x00123456u : 0x123456u);
        EXPECT_EQ(d.Get(0, 1), 1u);
        EXPECT_EQ(d.Get(1, 0), 0u);
        EXPECT_EQ(s.Paint(&d, 2, 0, PT_KEY, nullptr), 0);
    }
    // Into 16 bits a 32-bit sprite is reduced to 565; the bytes of a 24-bit
    // one cannot be placed there and stay out.
    XBMFILEHEADER h32 = Header(2, 2, 32, 32, false, -1);
    SBMP s32(&h32, reinterpret_cast<unsigned char*>(px32.data()), -1);
    Canvas d16(2, 2, 16);
    EXPECT_EQ(s32.Paint(&d16, 0, 0, PT_HALF, nullptr), 1);
    EXPECT_EQ(d16.Get(0, 0), 0xF81Fu);
    XBMFILEHEADER h24 = Header(2, 2, 24, 24, false, -1);
    SBMP s24(&h24, px24.data(), -1);
    Canvas e16(2, 2, 16);
    EXPECT_EQ(s24.Paint(&e16, 0, 0, PT_COPY, nullptr), 1);
    EXPECT_EQ(e16.mem, std::vector<uint8_t>(8, 0));
}

TEST(SbmpState, PaintToTexture)
{
    std::vector<uint16_t> px = {K, 0xFFFF, 0x0841, K};
    XBMFILEHEADER h = Header(2, 2, 16, 16, false, K);
    SBMP s(&h, reinterpret_cast<unsigned char*>(px.data()), -1);
    Canvas t16(2, 2, 16), t32(2, 2, 32);
    EXPECT_EQ(s.PaintToTexture(&t16, 0, 0, PT_KEY, nullptr), 1);
    EXPECT_EQ(s.PaintToTexture(&t32, 0, 0, PT_KEY, nullptr), 1);
    EXPECT_EQ(t16.Get(0, 0), 0u);
    EXPECT_EQ(t16.Get(1, 0), 0xFFFFu);
    EXPECT_EQ(t16.Get(0, 1), 0xF000u);
    EXPECT_EQ(t32.Get(1, 0), 0xFFF8FCF8u);
    EXPECT_EQ(t32.Get(0, 0), 0u);
    Canvas other(2, 2, 16);
    EXPECT_EQ(s.PaintToTexture(&other, 0, 0, PT_COPY, nullptr), 1);
    EXPECT_EQ(other.mem, std::vector<uint8_t>(other.mem.size(), 0));
    EXPECT_EQ(s.PaintToTexture(&other, 5, 5, PT_KEY, nullptr), 0);
}

TEST(SbmpState, SaveWritesTheCurrentTransColour)
{
    std::vector<uint16_t> px = {1, 2, 3, 4};
    XBMFILEHEADER h = Header(2, 2, 16, 16, false, K);
    SBMP s(&h, reinterpret_cast<unsigned char*>(px.data()), -1);
    s.SetTransColor(0x0003);
    ASSERT_EQ(s.SaveToXBmpFile("sbmp.xbm"), 0);
    const auto saved = ReadAll("sbmp.xbm");
    std::remove("sbmp.xbm");
    XBMFILEHEADER back;
    ASSERT_TRUE(back.Read(saved.data(), saved.size()));
    EXPECT_EQ(back.transColor, 3);
    EXPECT_EQ(saved.size(), 64u + 8);
    EXPECT_EQ(saved[64 + 6], 4);
}

TEST(SbmpState, CreateSbmpFollowsTheDisplayFormat)
{
    const SHardware saved = hardware;
    for (int format : {16, 15, 32}) {
        hardware.m_nPixelFormat = format;
        SBMP* s = CreateSbmp(4, 3);
        EXPECT_EQ(s->GetPixelWidth(), 16);
        EXPECT_EQ(s->GetPixelFormat(), format == 15 ? 15 : 16);
        EXPECT_EQ(s->GetTransColor(), format == 15 ? 0x7C1F : 0xF81F);
        EXPECT_EQ(s->PitchCx(), 8);
        EXPECT_EQ(s->GetBmpBitsSize(), 24u);
        s->Clear(0x1234);
        EXPECT_EQ(s->GetPixel(3, 2), 0x1234);
        delete s;
    }
    hardware = saved;
}

} // namespace

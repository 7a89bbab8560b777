// Text: glyphs painted per second into a 16-bit buffer by the point-font
// buffer, beside pixman compositing the same 1-bit glyphs as a8 masks with a
// solid colour into the same r5g6b5 buffer (its glyph-cache path and plain
// per-glyph composites; the faster is the reference), measured in the same
// run; characters laid out per second for a 10,000-character marked-up
// text (word wrap, colour codes, links, measuring only); and 40,000
// characters as one word and as prose in a 200-pixel box, measured by
// CalcRect and counted into lines by the 2D text device, with word wrap
// beside the same text wrapped only at the edge (by characters) as its
// reference.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <list>
#include <random>
#include <string>
#include <vector>

#include "RatioReport.h"
#include "kestu_font.h"
#include "kestu_gfxfont.h"
#include "kestu_textdevice.h"
#include "kestu_textlayout.h"

#ifdef KESTU_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

constexpr int kW = 640, kH = 480;
constexpr int kCell = 16;   // 16 x 16 cells, 2 bytes a row
constexpr int kGlyphs = 96; // codes 32..127
constexpr int kPerLine = kW / 10, kLines = kH / 18;

// A DBUF over a 565 buffer.
class Screen : public DBUF {
public:
    Screen()
    {
        m_rect = GRECT(0, 0, kW, kH);
        m_pixelWidth = 16;
        m_pixelFormat = 16;
        m_pitch = kW * 2;
        m_rows = kH;
        pixels.assign(size_t(kW) * kH, 0);
    }
    void* Prepare(GRECT*) override { return pixels.data(); }
    void Unprepare() override {}
    int WhoAmI() override { return 5; }
    std::vector<uint16_t> pixels;
};

// One font with glyphs of about a third ink, written once for the run.
struct Fonts {
    std::vector<uint8_t> cells; // the 1-bit glyphs of codes 32..127, set bits are background
    std::string folder;
    CPointFontBuffer points;
    CGfxFont glyphs;

    Fonts()
    {
        char name[] = "/tmp/kestu_bench_text_XXXXXX";
        folder = std::string(mkdtemp(name)) + "/";
        SFNTHEADER h;
        h.wCellWidth = kCell;
        h.wCellHeight = kCell;
        h.byBytesPerRow = 2;
        h.byBytesPerGlyph = 2 * kCell;
        std::vector<uint8_t> file(SFNTHEADER::kSize + KESTU_FONT_CODES * 32 + KESTU_FONT_WIDTH_TABLE, 0xFF);
        h.Write(file.data());
        std::mt19937 rng(7);
        uint8_t* body = file.data() + SFNTHEADER::kSize;
        for (int c = 32; c < 128; ++c) {
            for (int b = 0; b < 2 * kCell; ++b) {
                // Strokes inside an 11 x 13 box, as a glyph of a 16-pixel font.
                const int row = b / 2, col = (b % 2) * 8;
                uint8_t ink = 0;
                for (int bit = 0; bit < 8; ++bit)
                    if (col + bit >= 2 && col + bit < 13 && row >= 2 && row < 15 && rng() % 3 == 0) ink |= 0x80 >> bit;
                body[c * 32 + b] = uint8_t(~ink);
            }
            body[KESTU_FONT_CODES * 32 + 2 * c] = 10;
        }
        cells.assign(body + 32 * 32, body + 128 * 32);
        FILE* f = std::fopen((folder + "bench.fnt").c_str(), "wb");
        std::fwrite(file.data(), 1, file.size(), f);
        std::fclose(f);
        const char* names[] = {"bench.fnt"};
        int direct[] = {1};
        points.Build(folder.c_str(), names, 1, nullptr, direct);
        glyphs.Build(folder.c_str(), names, 1, nullptr, direct);
    }
    ~Fonts()
    {
        std::remove((folder + "bench.fnt").c_str());
        rmdir(folder.c_str());
    }
};

Fonts& TheFonts()
{
    static Fonts fonts;
    return fonts;
}

int CodeAt(int line, int i) { return 32 + (line * 7 + i * 13) % kGlyphs; }

void BM_PointFontPaint565(benchmark::State& state)
{
    Fonts& fonts = TheFonts();
    Screen screen;
    for (auto _ : state) {
        for (int line = 0; line < kLines; ++line)
            for (int i = 0; i < kPerLine; ++i)
                fonts.points.Paint(&screen, i * 10, line * 18, CodeAt(line, i), 0xFFE0, 0, PT_KEY, nullptr, 0);
        benchmark::DoNotOptimize(screen.pixels.data());
    }
    state.SetItemsProcessed(state.iterations() * kLines * kPerLine);
}
BENCHMARK(BM_PointFontPaint565);

#ifdef KESTU_HAVE_PIXMAN

struct PixmanGlyphs {
    std::vector<std::vector<uint8_t>> masks; // a8, 16 x 16, ink 0xFF
    std::vector<pixman_image_t*> images;
    pixman_glyph_cache_t* cache = nullptr;
    pixman_image_t* solid = nullptr;

    PixmanGlyphs()
    {
        const std::vector<uint8_t>& cells = TheFonts().cells;
        masks.resize(kGlyphs);
        for (int g = 0; g < kGlyphs; ++g) {
            masks[g].assign(kCell * kCell, 0);
            for (int p = 0; p < kCell * kCell; ++p)
                if (!(cells[size_t(g) * 32 + p / 8] & (0x80 >> (p % 8)))) masks[g][size_t(p)] = 0xFF;
            images.push_back(
                pixman_image_create_bits(PIXMAN_a8, kCell, kCell, reinterpret_cast<uint32_t*>(masks[g].data()), kCell));
        }
        cache = pixman_glyph_cache_create();
        pixman_glyph_cache_freeze(cache);
        for (int g = 0; g < kGlyphs; ++g) pixman_glyph_cache_insert(cache, images[g], nullptr, 0, 0, images[g]);
        pixman_glyph_cache_thaw(cache);
        const pixman_color_t yellow{0xFFFF, 0xFFFF, 0, 0xFFFF};
        solid = pixman_image_create_solid_fill(&yellow);
    }
    ~PixmanGlyphs()
    {
        pixman_glyph_cache_destroy(cache);
        for (pixman_image_t* i : images) pixman_image_unref(i);
        pixman_image_unref(solid);
    }
};

void BM_Pixman_CompositeGlyphs565(benchmark::State& state)
{
    PixmanGlyphs p;
    std::vector<uint16_t> pixels(size_t(kW) * kH, 0);
    pixman_image_t* dst =
        pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH, reinterpret_cast<uint32_t*>(pixels.data()), kW * 2);
    std::vector<pixman_glyph_t> glyphs;
    for (int line = 0; line < kLines; ++line)
        for (int i = 0; i < kPerLine; ++i) {
            const int g = CodeAt(line, i) - 32;
            glyphs.push_back({i * 10, line * 18, pixman_glyph_cache_lookup(p.cache, p.images[g], nullptr)});
        }
    for (auto _ : state) {
        pixman_composite_glyphs_no_mask(PIXMAN_OP_OVER, p.solid, dst, 0, 0, 0, 0, p.cache, int(glyphs.size()),
                                        glyphs.data());
        benchmark::DoNotOptimize(pixels.data());
    }
    pixman_image_unref(dst);
    state.SetItemsProcessed(state.iterations() * kLines * kPerLine);
}
BENCHMARK(BM_Pixman_CompositeGlyphs565);

void BM_Pixman_PerGlyph565(benchmark::State& state)
{
    PixmanGlyphs p;
    std::vector<uint16_t> pixels(size_t(kW) * kH, 0);
    pixman_image_t* dst =
        pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH, reinterpret_cast<uint32_t*>(pixels.data()), kW * 2);
    for (auto _ : state) {
        for (int line = 0; line < kLines; ++line)
            for (int i = 0; i < kPerLine; ++i)
                pixman_image_composite32(PIXMAN_OP_OVER, p.solid, p.images[size_t(CodeAt(line, i) - 32)], dst, 0, 0, 0,
                                         0, i * 10, line * 18, kCell, kCell);
        benchmark::DoNotOptimize(pixels.data());
    }
    pixman_image_unref(dst);
    state.SetItemsProcessed(state.iterations() * kLines * kPerLine);
}
BENCHMARK(BM_Pixman_PerGlyph565);

#endif

// About 10,000 characters of words with colour codes and links.
std::u16string MarkedUpText()
{
    std::mt19937 rng(3);
    std::u16string s;
    int link = 0;
    while (s.size() < 10000) {
        const int len = 2 + int(rng() % 8);
        for (int i = 0; i < len; ++i) s += char16_t('a' + rng() % 26);
        switch (rng() % 12) {
        case 0: s += u"&103"; break;
        case 1: s += u"&199"; break;
        case 2: s += u"&<000" + std::u16string(1, char16_t('0' + (++link % 10))); break;
        case 3: s += u"&>"; break;
        case 4: s += u"&2064128255"; break;
        default: break;
        }
        s += u' ';
    }
    s.resize(10000);
    return s;
}

class Measure : public CGfxTextDeviceBase {
public:
    Measure() : CGfxTextDeviceBase(&TheFonts().glyphs, &attri) {}
    SGfxTextAttriBase attri;
};

void BM_LayoutMarkedUpText(benchmark::State& state)
{
    const std::u16string text = MarkedUpText();
    Measure layout;
    layout.attri.dwFormat = GFXTF_WORDWRAP | GFXTF_LINK;
    std::list<SGfxTextHyperlinkInfo> links;
    for (auto _ : state) {
        DWORD lines = 0;
        layout.CalcAllInfo_Lines(reinterpret_cast<const unsigned short*>(text.c_str()), int(text.size()), 0, 0, 400,
                                 &lines, &links, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
        benchmark::DoNotOptimize(lines);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK(BM_LayoutMarkedUpText);

constexpr size_t kLongText = 40000;
constexpr int kBox = 200;

// 40,000 letters without a break point, with colour codes and a link inside.
std::u16string OneWord()
{
    std::u16string s;
    for (size_t i = 0; s.size() < kLongText; ++i) {
        if (i % 50 == 7) s += u"&103";
        if (i % 50 == 30) s += u"&199";
        if (i == 1000) s += u"&<0001";
        if (i == 30000) s += u"&>";
        s += char16_t('a' + i % 26);
    }
    s.resize(kLongText);
    return s;
}

// 40,000 characters of words of 2 to 9 letters and spaces.
std::u16string Prose()
{
    std::mt19937 rng(5);
    std::u16string s;
    while (s.size() < kLongText) {
        const int len = 2 + int(rng() % 8);
        for (int i = 0; i < len; ++i) s += char16_t('a' + rng() % 26);
        s += u' ';
    }
    s.resize(kLongText);
    return s;
}

void BM_CalcRect(benchmark::State& state, std::u16string (*make)(), unsigned format)
{
    const std::u16string text = make();
    Measure layout;
    layout.attri.rcLayout = {0, 0, kBox, 0};
    for (auto _ : state) {
        D3DRECT r{0, 0, kBox, 0};
        DWORD lines = 0;
        layout.CalcRect(reinterpret_cast<const unsigned short*>(text.c_str()), int(text.size()), format, &r, lines);
        benchmark::DoNotOptimize(lines);
    }
    state.SetItemsProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK_CAPTURE(BM_CalcRect, one_word_word_wrap, OneWord, GFXTF_WORDWRAP);
BENCHMARK_CAPTURE(BM_CalcRect, one_word_edge, OneWord, 0u);
BENCHMARK_CAPTURE(BM_CalcRect, prose_word_wrap, Prose, GFXTF_WORDWRAP);
BENCHMARK_CAPTURE(BM_CalcRect, prose_edge, Prose, 0u);

// The 2D text device wraps words when its auto-new-line switch is on.
void BM_TextDevice2DLines(benchmark::State& state, std::u16string (*make)(), int wordWrap)
{
    std::u16string text = make();
    XFont font(0, &TheFonts().points);
    CTextDevice device;
    device.SetFont(&font);
    device.AutoNewLine(wordWrap);
    const GRECT view(0, 0, kBox, 1 << 30);
    device.SetView(&view);
    for (auto _ : state)
        benchmark::DoNotOptimize(device.GetOutputLineNumber(reinterpret_cast<unsigned short*>(text.data())));
    state.SetItemsProcessed(state.iterations() * int64_t(text.size()));
}
BENCHMARK_CAPTURE(BM_TextDevice2DLines, one_word_word_wrap, OneWord, 1);
BENCHMARK_CAPTURE(BM_TextDevice2DLines, one_word_none, OneWord, 0);
BENCHMARK_CAPTURE(BM_TextDevice2DLines, prose_word_wrap, Prose, 1);
BENCHMARK_CAPTURE(BM_TextDevice2DLines, prose_none, Prose, 0);

} // namespace

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
#ifdef KESTU_HAVE_PIXMAN
    table.limits.push_back({"pixman glyphs", {"BM_Pixman_CompositeGlyphs565", "BM_Pixman_PerGlyph565"}});
    table.compare.push_back({"BM_PointFontPaint565", "pixman glyphs"});
#endif
    for (const char* text : {"one_word", "prose"}) {
        const std::string t = text;
        table.compare.push_back({"BM_CalcRect/" + t + "_word_wrap", "BM_CalcRect/" + t + "_edge"});
        table.compare.push_back({"BM_TextDevice2DLines/" + t + "_word_wrap", "BM_TextDevice2DLines/" + t + "_none"});
    }
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}

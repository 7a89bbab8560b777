// Any bytes as marked-up 16-bit text: the first two bytes pick the layout
// switches, the rest are UTF-16 code units. The text goes through the code
// helpers, the placeholder insertion, the 2D text device and the layout of
// the texture text (drawing, measuring, links and space items).
#include <cstdint>
#include <cstring>
#include <list>
#include <vector>

#include "kestu_gfxfont.h"
#include "kestu_textdevice.h"
#include "kestu_textlayout.h"
#include "kestu_textmarkup.h"
#include "sprites_common.h"
#include "text_common.h"

namespace {

class Layout : public CGfxTextDeviceBase {
public:
    explicit Layout(CGfxFont* font) : CGfxTextDeviceBase(font, &attri) {}
    using CGfxTextDeviceBase::DrawTextToBufferBase;
    SGfxTextAttriBase attri;
};

struct Fonts {
    CPointFontBuffer points;
    CGfxFont glyphs;
    bool ok = false;
    Fonts()
    {
        if (text_fuzz::Folder().empty() || !text_fuzz::Write("markup.fnt", text_fuzz::SmallFont())) return;
        const char* names[] = {"markup.fnt"};
        int direct[] = {1};
        ok = points.Build(text_fuzz::Folder().c_str(), names, 1, nullptr, direct) &&
             glyphs.Build(text_fuzz::Folder().c_str(), names, 1, nullptr, direct);
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Fonts fonts;
    if (!fonts.ok || size < 2) return 0;
    const uint16_t pick = uint16_t(data[0] | (data[1] << 8));
    const size_t n = (size - 2) / 2;
    std::vector<unsigned short> text(n + 1, 0);
    std::memcpy(text.data(), data + 2, n * 2);

    for (size_t i = 0; i < n; ++i) {
        IsMarkupCode(text.data() + i);
        MarkupCodeAt(text.data() + i, n - i);
        MarkupCodeLengthAt(text.data() + i);
        IsColourEscape(text.data() + i);
        int w, h, id;
        Kestu_ReadTextSpace(text.data() + i, &w, &h, &id);
        Kestu_ReadTextHyperlink(text.data() + i, &id);
    }

    std::vector<unsigned short> inserted(text);
    inserted.resize(n + 64, 0);
    const unsigned short piece[] = {'&', '0', '1', '2', 'x', 0};
    Gfx_StrInsertW(inserted.data(), piece, pick % 102 - 2, (unsigned long)inserted.size());
    Gfx_StrInsertW(inserted.data(), inserted.data() + n / 2, -1, (unsigned long)inserted.size());

    XFont font(0, &fonts.points);
    CTextDevice device;
    device.SetFont(&font);
    device.AutoNewLine(pick & 1);
    device.SetShowShadowMood((pick >> 1) & 1);
    const GRECT view(2, 0, 30 + (pick >> 8) % 30, 48);
    if (pick & 4) device.SetView(&view);
    sprites_fuzz::Canvas canvas(64, 48, 16);
    device.Out(&canvas, text.data(), 1, 1, (pick & 8) ? 40 : -1);
    device.GetOutputLineNumber(text.data());
    GRECT r;
    device.GetOutputRect(r, text.data());
    int pages[4];
    device.Pagination(pages, text.data(), 1 + (pick >> 12), 4, 0);

    Layout layout(&fonts.glyphs);
    SGfxTextAttriBase& a = layout.attri;
    a.dwFormat = pick & 0x7FE;
    a.bStripCodes = (pick >> 11) & 1;
    a.bInterpretCodes = !((pick >> 12) & 1);
    a.nActiveLinkID = 1;
    a.nUnderlineOffset = (pick >> 13) & 3;
    a.rcLayout = {3, 2, LONG(20 + (pick >> 10)), 40};
    std::vector<uint32_t> px(64 * 48);
    std::list<SGfxTextHyperlinkInfo> links;
    std::list<SGfxTextSpaceInfo> spaces;
    SGfxTextFindActiveHyperLink find;
    find.x = 5;
    find.y = 5;
    D3DRECT out{};
    DWORD lines = 0;
    layout.DrawTextToBufferBase(px.data(), 64 * 4, 64, 48, D3DFMT_A8R8G8B8, text.data(), int(n), 3, 2, &out, &lines,
                                &links, &spaces, &find);
    std::vector<uint16_t> px16(64 * 48);
    layout.DrawTextToBufferBase(px16.data(), 64 * 2, 64, 48, D3DFMT_R5G6B5, text.data(), int(n), 0, 0, nullptr, nullptr,
                                nullptr, nullptr, nullptr);
    D3DRECT rect{0, 0, 30, 0};
    layout.CalcRect(text.data(), int(n), a.dwFormat, &rect, lines);
    layout.GetLines(text.data(), int(n), 25, lines);
    return 0;
}

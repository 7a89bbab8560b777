// Any bytes as a bitmap font file (raw, or packed as text_common.h says):
// both font holders load it directly and through a small table; a loaded
// font paints and draws glyphs, plain and outlined, into buffers that ASan
// watches.
#include <cstdint>
#include <vector>

#include "kestu_gfxfont.h"
#include "sprites_common.h"
#include "text_common.h"

namespace {

void Exercise(CPointFontBuffer& points, CGfxFont& glyphs)
{
    const unsigned short codes[] = {'A', 0, 32, '?', 0x4E00, 0xFFFF};
    sprites_fuzz::Canvas canvas(40, 40, 16);
    std::vector<uint32_t> px(40 * 40);
    const D3DFORMAT formats[] = {D3DFMT_A8R8G8B8, D3DFMT_R5G6B5, D3DFMT_A1R5G5B5};
    for (unsigned short c : codes) {
        points.GetCxFont(c, 0);
        points.Paint(&canvas, 3, 2, c, 0xFFFF, 0x1234, PT_KEY, nullptr, 0);
        const GRECT clip(0, 0, 7, 5);
        points.Paint(&canvas, -4, 36, c, 0x7777, 0x7777, PT_KEY, &clip, -1);
        for (D3DFORMAT f : formats)
            glyphs.DrawCharClipped(px.data(), 1, 1, 160, f, c, 0xFFFFFFFF, 0, c & 1, 0xFF000000, 40, 40);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<uint8_t> file = text_fuzz::UnpackFont(data, size);
    if (text_fuzz::Folder().empty() || !text_fuzz::Write("in.fnt", file)) return 0;
    static const bool tableWritten = [] {
        tgTibInit head;
        head.dwFontCount = 1;
        head.dwSlotCount[0] = 3;
        std::vector<uint8_t> tib(tgTibInit::kSize);
        head.Write(tib.data());
        std::vector<uint8_t> table(KESTU_FONT_TIB_TABLE, 0xFF);
        kestu::PutU16(table.data() + 2 * 'A', 0);
        kestu::PutU16(table.data() + 2 * '?', 1);
        kestu::PutU16(table.data() + 2 * 0x4E00, 2);
        tib.insert(tib.end(), table.begin(), table.end());
        return text_fuzz::Write("in.tib", tib);
    }();
    if (!tableWritten) return 0;
    const char* names[] = {"in.fnt"};
    int direct[] = {1};
    CPointFontBuffer points;
    CGfxFont glyphs;
    if (points.Build(text_fuzz::Folder().c_str(), names, 1, nullptr, direct) &&
        glyphs.Build(text_fuzz::Folder().c_str(), names, 1, nullptr, direct))
        Exercise(points, glyphs);
    if (points.Build(text_fuzz::Folder().c_str(), names, 1, "in.tib", nullptr) &&
        glyphs.Build(text_fuzz::Folder().c_str(), names, 1, "in.tib", nullptr))
        Exercise(points, glyphs);
    return 0;
}

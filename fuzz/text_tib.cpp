// Any bytes as a character-index table (raw, or packed as text_common.h
// says) for one to four fonts in table or direct mode; what loads paints.
#include <cstdint>
#include <vector>

#include "kestu_gfxfont.h"
#include "sprites_common.h"
#include "text_common.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1 || text_fuzz::Folder().empty()) return 0;
    static const bool fontWritten = text_fuzz::Write("small.fnt", text_fuzz::SmallFont());
    if (!fontWritten || !text_fuzz::Write("in.tib", text_fuzz::UnpackTib(data + 1, size - 1))) return 0;
    // The first byte: how many fonts (1..4) and which of them are direct.
    const int count = 1 + (data[0] & 3);
    int direct[4];
    for (int i = 0; i < 4; ++i) direct[i] = (data[0] >> (2 + i)) & 1;
    const char* names[] = {"small.fnt", "small.fnt", "small.fnt", "small.fnt"};
    CPointFontBuffer points;
    CGfxFont glyphs;
    int* flags = (data[0] & 0x40) ? direct : nullptr;
    const bool a = points.Build(text_fuzz::Folder().c_str(), names, count, "in.tib", flags);
    const bool b = glyphs.Build(text_fuzz::Folder().c_str(), names, count, "in.tib", flags);
    sprites_fuzz::Canvas canvas(24, 24, 16);
    std::vector<uint32_t> px(24 * 24);
    const unsigned short codes[] = {'A', 0, 32, '?', 0x4E00, 0xFFFF, 1};
    for (int t = 0; t < count; ++t)
        for (unsigned short c : codes) {
            if (a) points.Paint(&canvas, 2, 2, c, 0xFFFF, 0, PT_KEY, nullptr, t);
            if (b) glyphs.DrawCharToBuffer(px.data(), 4, 4, 96, D3DFMT_X8R8G8B8, c, 0xFF00FF00, t, 1, 0xFF0000FF);
        }
    return 0;
}

// Drawing operations of DBUF on its own pixels.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "2DCore/image/DrawPixels.h"
#include "2DCore/image/LinePath.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_log.h"
#include "kestu_paper.h"
#include "kestu_pixelshade.h"
#include "kestu_safefile.h"
#include "kestu_xbm.h"

using namespace kestu2d;

namespace {

// Keeps one Prepare/Unprepare pair around a block of pixel work.
class Prepared {
public:
    explicit Prepared(DBUF& buf) : m_buf(buf), m_base(buf.Prepare(nullptr)) {}
    ~Prepared() { m_buf.Unprepare(); }
    Prepared(const Prepared&) = delete;
    Prepared& operator=(const Prepared&) = delete;
    void* base() const { return m_base; }

private:
    DBUF& m_buf;
    void* m_base;
};

} // namespace

void DBUF::SetPixel(int colour, const GPOINT& p) { SetPixel(colour, p.x, p.y); }

void DBUF::SetPixel(int colour, int x, int y)
{
    if (x < 0 || y < 0 || x >= m_rect.width || y >= m_rect.height) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    WritePixel(PixelAddress(prep.base(), x, y), m_pixelFormat, colour);
}

int DBUF::GetPixel(int x, int y)
{
    Prepared prep(*this);
    if (prep.base() == nullptr) return 0;
    return GetPixelByDepth(PixelAddress(prep.base(), x, y), m_pixelFormat);
}

void DBUF::Clear(int colour, int x, int y, int w, int h, GRECT* clip)
{
    GRECT r(x, y, w, h);
    if (clip != nullptr && !r.Intersect(*clip)) return;
    Clear(colour, r.x, r.y, r.width, r.height);
}

void DBUF::Clear(int colour, int x, int y, int w, int h)
{
    GRECT r;
    if (!r.Intersect(GRECT(x, y, w, h), GRECT(0, 0, m_rect.width, m_rect.height))) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    uint8_t* row = PixelAddress(prep.base(), r.x, r.y);
    for (int j = 0; j < r.height; ++j, row += RowStep()) FillPixels(row, m_pixelFormat, colour, r.width);
}

void DBUF::Clear(int colour) { Clear(colour, 0, 0, m_rect.width, m_rect.height); }

void DBUF::FastClear16(int value, int x, int y, int w, int h, GRECT* clip)
{
    GRECT r(x, y, w, h);
    if (clip != nullptr && !r.Intersect(*clip)) return;
    FastClear16(value, r.x, r.y, r.width, r.height);
}

void DBUF::FastClear16(int value, int x, int y, int w, int h)
{
    // Only a 16-bit buffer can take 16-bit words; rows follow the buffer's
    // own direction so a bottom-up buffer is never walked past its memory.
    if (m_pixelWidth != 16) return;
    GRECT r;
    if (!r.Intersect(GRECT(x, y, w, h), GRECT(0, 0, m_rect.width, m_rect.height))) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    const uint32_t word = static_cast<uint32_t>(value);
    const uint16_t low = static_cast<uint16_t>(word);
    uint8_t* row = PixelAddress(prep.base(), r.x, r.y);
    const int words = r.width / 2;
    for (int j = 0; j < r.height; ++j, row += RowStep()) {
        for (int i = 0; i < words; ++i) std::memcpy(row + 4 * i, &word, 4);
        if (r.width & 1) std::memcpy(row + 4 * words, &low, 2);
    }
}

void DBUF::FastClear16(int value) { FastClear16(value, 0, 0, m_rect.width, m_rect.height); }

void DBUF::Decline(int x, int y, int w, int h, int level)
{
    if (level == 0) return;
    if (level == 5) {
        Clear(0, x, y, w, h);
        return;
    }
    if (level < 1 || level > 4) return;
    GRECT r;
    if (!r.Intersect(GRECT(x, y, w, h), GRECT(0, 0, m_rect.width, m_rect.height))) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    uint8_t* row = PixelAddress(prep.base(), r.x, r.y);
    for (int j = 0; j < r.height; ++j, row += RowStep()) DeclinePixels(row, m_pixelFormat, level, r.width);
}

void DBUF::DeclineFast(int x, int y, int h, int level)
{
    if (level == 0) return;
    if (level == 5) {
        Clear(0, x, y, 1024, h);
        return;
    }
    if (level < 1 || level > 4) return;
    GRECT r;
    if (!r.Intersect(GRECT(x, y, 1024, h), GRECT(0, 0, m_rect.width, m_rect.height))) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    // A strip of 32 pixels, cut where the buffer ends.
    const int n = std::min(32, r.width);
    uint8_t* row = PixelAddress(prep.base(), r.x, r.y);
    if (n == 32) {
        for (int j = 0; j < r.height; ++j, row += RowStep()) DeclinePixels32Wide(row, m_pixelFormat, level);
    } else {
        for (int j = 0; j < r.height; ++j, row += RowStep()) DeclinePixels(row, m_pixelFormat, level, n);
    }
}

void DBUF::DeclineByPixelShade(int x, int y, int w, int h)
{
    if (m_enhanceGrade == -3) return;
    if (m_pixelShade == nullptr) return;
    if (m_enhanceGrade == -2) {
        Clear(0, x, y, w, h);
        return;
    }
    CPixelShade* shade = m_pixelShade;
    if (!shade->IsBuilt() || m_enhanceGrade < 0 || m_enhanceGrade > static_cast<int>(shade->GetTotalLevel())) return;
    const void* table = shade->GetTable(m_enhanceGrade);
    if (table == nullptr) return;
    GRECT r;
    if (!r.Intersect(GRECT(x, y, w, h), GRECT(0, 0, m_rect.width, m_rect.height))) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    uint8_t* row = PixelAddress(prep.base(), r.x, r.y);
    const int shadeFormat = static_cast<int>(shade->GetPixelFormat());
    for (int j = 0; j < r.height; ++j, row += RowStep()) ShadePixels(row, m_pixelFormat, table, shadeFormat, r.width);
}

void DBUF::Rectangle(int colour, int x, int y, int w, int h, int filled, const GRECT* clip)
{
    if (w <= 0 || h <= 0) return; // an empty rectangle has no edges to draw
    // Edges as half-open bounds in 64 bits, so far-off rectangles cannot overflow.
    int64_t l = x, t = y, r = int64_t(x) + w, b = int64_t(y) + h;
    bool left = true, top = true, right = true, bottom = true;
    auto cut = [&](int64_t cl, int64_t ct, int64_t cr, int64_t cb) {
        if (l < cl) l = cl, left = false;
        if (t < ct) t = ct, top = false;
        if (r > cr) r = cr, right = false;
        if (b > cb) b = cb, bottom = false;
        return l < r && t < b;
    };
    if (clip != nullptr && !cut(clip->x, clip->y, int64_t(clip->x) + clip->width, int64_t(clip->y) + clip->height))
        return;
    // Edges more than a pixel outside the buffer cannot show: dropping them
    // keeps every coordinate small.
    if (!cut(-1, -1, int64_t(m_rect.width) + 1, int64_t(m_rect.height) + 1)) return;
    const int rx = int(l), ry = int(t), rw = int(r - l), rh = int(b - t);
    if (filled) {
        Clear(colour, rx, ry, rw, rh);
        return;
    }
    if (left && top && right && bottom) {
        // Four strips that meet without overlapping.
        if (rw - 1 > 0) {
            Clear(colour, rx + 1, ry, rw - 1, 1);
            Clear(colour, rx, ry + rh - 1, rw - 1, 1);
        }
        if (rh - 1 >= 1) {
            Clear(colour, rx + rw - 1, ry + 1, 1, rh - 1);
            Clear(colour, rx, ry, 1, rh - 1);
        }
        return;
    }
    // Some edges were cut away: the remaining ones are drawn whole, so no
    // corner pixel goes missing where a neighbouring edge was cut away.
    if (top) Clear(colour, rx, ry, rw, 1);
    if (bottom) Clear(colour, rx, ry + rh - 1, rw, 1);
    if (left) Clear(colour, rx, ry, 1, rh);
    if (right) Clear(colour, rx + rw - 1, ry, 1, rh);
}

void DBUF::Line(int colour, int x1, int y1, int x2, int y2, const GRECT* clip)
{
    LinePath path;
    if (!ClipLine(x1, y1, x2, y2, m_rect.width, m_rect.height, clip, path)) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    WalkLine(path, [&](int64_t px, int64_t py) {
        WritePixel(PixelAddress(prep.base(), int(px), int(py)), m_pixelFormat, colour);
    });
}

void DBUF::Flat3232(int x, int y, void* levels)
{
    if (m_pixelFormat != 15 && m_pixelFormat != 16) return;
    // The block must lie wholly inside the buffer.
    if (x < 0 || y < 0 || x > m_rect.width - 32 || y > m_rect.height - 32) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    uint8_t* d = PixelAddress(prep.base(), x, y);
    const int step = static_cast<int>(RowStep());
    if (m_pixelFormat == 16)
        BltFlat3232_565(d, static_cast<const uint8_t*>(levels), step);
    else
        BltFlat3232_555(d, static_cast<const uint8_t*>(levels), step);
}

void DBUF::Flat(int x, int y, int mapX, int mapY, int w, int h, void* levels, const GRECT* clip)
{
    GRECT r(x, y, w, h);
    if (clip != nullptr && !r.Intersect(*clip)) return;
    const uint8_t* map = static_cast<const uint8_t*>(levels);
    if (w == 32 && h == 32 && r.width == 32 && r.height == 32) {
        Flat3232(x, y, const_cast<uint8_t*>(map + mapY * 32 + mapX));
        return;
    }
    // Kept inside the buffer as well, so a rectangle past its edge cannot
    // reach memory beyond it.
    if (!r.Intersect(GRECT(0, 0, m_rect.width, m_rect.height))) return;
    if (m_pixelFormat != 15 && m_pixelFormat != 16) return;
    Prepared prep(*this);
    if (prep.base() == nullptr) return;
    const uint8_t* start = map + intptr_t(r.y - y + mapY) * w + (r.x - x) + mapX;
    uint8_t* d = PixelAddress(prep.base(), r.x, r.y);
    const int step = static_cast<int>(RowStep());
    if (m_pixelFormat == 16)
        BltFlat565(d, start, step, r.width, r.height, w);
    else
        BltFlat555(d, start, step, r.width, r.height, w);
}

void DBUF::Convet565To555()
{
    // The pixel width sizes the rows; a format byte that disagrees with it
    // must not make 8-bit rows be rewritten two bytes a pixel.
    if (m_pixelFormat != 16 || m_pixelWidth != 16) return;
    {
        Prepared prep(*this);
        if (prep.base() == nullptr) return;
        uint8_t* row = PixelAddress(prep.base(), 0, 0);
        for (int j = 0; j < m_rect.height; ++j, row += RowStep()) ConvertPixels565To555(row, m_rect.width);
    }
    m_pixelFormat = 15;
    if (m_transColor != -1) m_transColor = Convert565To555(static_cast<uint16_t>(m_transColor));
}

void DBUF::Convet555To565()
{
    if (m_pixelFormat != 15 || m_pixelWidth != 16) return;
    {
        Prepared prep(*this);
        if (prep.base() == nullptr) return;
        uint8_t* row = PixelAddress(prep.base(), 0, 0);
        for (int j = 0; j < m_rect.height; ++j, row += RowStep()) ConvertPixels555To565(row, m_rect.width);
    }
    m_pixelFormat = 16;
    if (m_transColor != -1) m_transColor = Convert555To565(static_cast<uint16_t>(m_transColor));
}

HRESULT DBUF::SaveToXBmpFile(const char* path)
{
    if (m_pixelFormat == 8 || path == nullptr) return E_FAIL;
    XBMFILEHEADER header;
    header.width = static_cast<uint32_t>(m_rect.width);
    header.height = static_cast<uint32_t>(m_rect.height);
    header.bitsPerPixel = m_pixelWidth;
    header.pixelFormat = m_pixelFormat;
    header.transColor = m_transColor;
    uint8_t bytes[XBM_HEADER_SIZE];
    header.Write(bytes);

    Prepared prep(*this);
    if (prep.base() == nullptr) return E_FAIL;
    kestu::SafeFile file(path);
    file.Write(bytes, sizeof bytes);
    const size_t rowBytes = (size_t(m_pixelWidth) * size_t(m_rect.width)) / 8;
    const uint8_t* row = PixelAddress(prep.base(), 0, 0);
    for (int j = 0; j < m_rect.height; ++j, row += RowStep()) file.Write(row, rowBytes);
    if (!file.Commit()) return E_FAIL;
    return S_OK;
}

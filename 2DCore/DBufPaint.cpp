// DBUF::Paint and DBUF::StretchPaint: clipping, addresses and the choice of
// inner loop for a raw source.
#include <cmath>

#include "kestu_ablight.h"
#include "kestu_blt8.h"
#include "kestu_paper.h"
#include "kestu_pixelshade.h"

namespace {

class PreparedPair {
public:
    PreparedPair(DBUF& dest, DBUF& src) : m_dest(dest), m_src(src)
    {
        m_destBase = dest.Prepare(nullptr);
        m_srcBase = src.Prepare(nullptr);
    }
    ~PreparedPair()
    {
        m_src.Unprepare();
        m_dest.Unprepare();
    }
    PreparedPair(const PreparedPair&) = delete;
    PreparedPair& operator=(const PreparedPair&) = delete;
    bool ok() const { return m_destBase != nullptr && m_srcBase != nullptr; }
    void* destBase() const { return m_destBase; }
    void* srcBase() const { return m_srcBase; }

private:
    DBUF& m_dest;
    DBUF& m_src;
    void* m_destBase = nullptr;
    void* m_srcBase = nullptr;
};

}  // namespace

int DBUF::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip)
{
    if (dest == nullptr) return 0;
    GRECT bounds(0, 0, dest->m_rect.width, dest->m_rect.height);
    if (clip != nullptr && !bounds.Intersect(*clip)) return 0;
    GRECT t;
    if (!t.Intersect(GRECT(x, y, w, h), bounds)) return 0;

    PreparedPair prep(*dest, *this);
    if (!prep.ok()) return 0;
    uint8_t* d = dest->PixelAddress(prep.destBase(), t.x, t.y);
    const uint8_t* s = PixelAddress(prep.srcBase(), sx + t.x - x, sy + t.y - y);
    const int dStep = static_cast<int>(dest->RowStep());
    const int sStep = static_cast<int>(RowStep());

    switch (m_pixelWidth) {
    case 8:
        // Rows of the source are a pitch apart, padded or not.
        if (paintType == PT_KEY)
            BltColorKey8(d, s, t.width, t.height, dStep, sStep, static_cast<uint8_t>(GetTransColor()));
        else
            BltCopy8(d, s, t.width, t.height, dStep, sStep);
        break;
    default: break;
    }
    return 1;
}

int DBUF::StretchPaint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, int sw, int sh,
                       const GRECT* clip)
{
    if (dest == nullptr) return 0;
    if (!(w > 0 && h > 0 && sw > 0 && sh > 0 && int64_t(sx) + sw > 0 && int64_t(sy) + sh > 0 &&
          sx < m_rect.width && sy < m_rect.height))
        return 0;
    GRECT bounds(0, 0, dest->m_rect.width, dest->m_rect.height);
    if (clip != nullptr && !bounds.Intersect(*clip)) return 0;
    GRECT t;
    if (!t.Intersect(GRECT(x, y, w, h), bounds)) return 0;

    const double xr = double(sw) / w;
    const float yr = float(sh) / float(h);
    const int64_t nsx = sx + std::llround((int64_t(t.x) - x) * xr);
    const int64_t nsw = sw - std::llround((int64_t(w) - t.width) * xr);
    const int64_t nsy = sy + std::llround(float(int64_t(t.y) - y) * yr);
    const int64_t nsh = sh - std::llround(float(int64_t(h) - t.height) * yr);
    GRECT s;
    if (nsw <= 0 || nsh <= 0) return 0;
    if (!s.Intersect(GRECT(static_cast<LONG>(nsx), static_cast<LONG>(nsy), static_cast<LONG>(nsw),
                           static_cast<LONG>(nsh)),
                     GRECT(0, 0, m_rect.width, m_rect.height)))
        return 0;

    PreparedPair prep(*dest, *this);
    if (!prep.ok()) return 0;
    (void)paintType;
    return 1;
}

// SBMP paints: into image buffers through the raw dispatch, into textures
// with a colour key, and without clipping.
#include <algorithm>
#include <vector>

#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_sbmp.h"

namespace {

// The kernels compare the key's low bits only; -1 keys nothing, so the keyed
// 8-bit paint of such a sprite is a copy.
DWORD Unkeyed(DWORD paintType, int bits, int trans)
{
    return paintType == PT_KEY && bits == 8 && trans == -1 ? DWORD(PT_COPY) : paintType;
}

bool KeyedMode(DWORD paintType)
{
    switch (paintType) {
    case PT_SILHOUETTE:
    case PT_TWOCOLOR:
    case PT_SOFTSILHOUETTE:
    case PT_HALF:
    case PT_TRANSGRADE:
    case PT_SHADEBLEND:
    case PT_ABLIGHT: return true;
    default: return false;
    }
}

// A 16-bit value that no pixel of the rows holds, or -1 when every value occurs.
int UnusedValue(const uint8_t* rows, int width, int height, int pitch)
{
    std::vector<uint64_t> seen(65536 / 64, 0);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            const uint8_t* p = rows + intptr_t(y) * pitch + 2 * x;
            const unsigned v = unsigned(p[0] | p[1] << 8);
            seen[v / 64] |= uint64_t(1) << (v % 64);
        }
    for (size_t i = 0; i < seen.size(); ++i)
        if (~seen[i] != 0) return int(i * 64 + size_t(__builtin_ctzll(~seen[i])));
    return -1;
}

}  // namespace

int SBMP::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip)
{
    const int trans = GetTransColor();
    if (trans == -1 && m_pixelWidth == 16 && KeyedMode(paintType) && m_buffer != nullptr) {
        // The keyed kernels compare 16 bits; a key that no pixel holds keys nothing.
        const int unused = UnusedValue(m_buffer, m_rect.width, m_rect.height, m_pitch * m_orientation);
        if (unused >= 0) {
            m_transColor = unused;
            const int painted = DBUF::Paint(dest, x, y, w, h, sx, sy, paintType, clip);
            m_transColor = trans;
            return painted;
        }
    }
    return DBUF::Paint(dest, x, y, w, h, sx, sy, Unkeyed(paintType, m_pixelWidth, trans), clip);
}

int SBMP::Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip)
{
    return Paint(dest, x, y, m_rect.width, m_rect.height, 0, 0, paintType, clip);
}

int SBMP::PaintNoClip(DBUF* dest, int x, int y, unsigned long paintType)
{
    // Only the plain, key and silhouette modes keep their meaning here; every
    // other mode is a plain copy. The destination bounds still hold.
    DWORD type = DWORD(paintType);
    if (type != PT_KEY && type != PT_SILHOUETTE && type != PT_TWOCOLOR && type != PT_SOFTSILHOUETTE) type = PT_COPY;
    Paint(dest, x, y, m_rect.width, m_rect.height, 0, 0, type, nullptr);
    return 1;
}

int SBMP::PaintToTexture(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip)
{
    if (dest == nullptr) return 0;
    GRECT bounds(0, 0, dest->GetWidth(), dest->GetHeight());
    if (clip != nullptr && !bounds.Intersect(*clip)) return 0;
    GRECT t;
    if (!t.Intersect(GRECT(x, y, m_rect.width, m_rect.height), bounds)) return 0;
    if (m_pixelWidth != 16 || paintType != PT_KEY || m_buffer == nullptr) return 1;
    const int destBits = dest->GetPixelWidth();
    if (destBits != 16 && destBits != 32) return 1;

    void* base = dest->Prepare(nullptr);
    if (base != nullptr) {
        const int dStep = dest->GetOrientation() * dest->PitchCx();
        auto* d = static_cast<uint8_t*>(base) + intptr_t(dStep) * t.y + intptr_t(t.x) * destBits / 8;
        const uint8_t* s = m_buffer + size_t(t.x - x) * 2 + intptr_t(t.y - y) * m_pitch * m_orientation;
        const int sStep = m_pitch * m_orientation;
        const int key = GetTransColor();
        if (destBits == 32) {
            if (key == -1)
                BltCopy565To32(d, s, t.width, t.height, dStep, sStep, 16);
            else
                BltColorKey565To32(d, s, t.width, t.height, dStep, sStep, 16, uint32_t(key));
        } else if (key != -1) {
            BltColorKey565To4444(d, s, t.width, t.height, dStep, sStep, 16, uint32_t(key));
        } else {
            using namespace kestu::kernels;
            for (int r = 0; r < t.height; ++r, d += dStep, s += sStep)
                for (int c = 0; c < t.width; ++c) Store16(d + 2 * c, Convert565To4444(Load16(s + 2 * c)));
        }
    }
    dest->Unprepare();
    return 1;
}

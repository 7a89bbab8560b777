// SBMP paints: into image buffers through the raw dispatch, into textures
// with a colour key, and without clipping.
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

}  // namespace

int SBMP::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip)
{
    // Keyed 16-bit modes with -1 are mended by DBUF::Paint itself.
    const int trans = GetTransColor();
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

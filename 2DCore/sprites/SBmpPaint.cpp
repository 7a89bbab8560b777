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

// Clips the whole sprite at (x, y) to the destination and the clip rectangle
// and hands draw the corners of the visible part between Prepare and
// Unprepare. 0 when nothing is visible, else 1.
template <class Draw>
int PaintClipped(SBMP& sprite, DBUF* dest, int x, int y, const GRECT* clip, Draw draw)
{
    if (dest == nullptr) return 0;
    GRECT bounds(0, 0, dest->GetWidth(), dest->GetHeight());
    if (clip != nullptr && !bounds.Intersect(*clip)) return 0;
    GRECT t;
    if (!t.Intersect(GRECT(x, y, sprite.GetWidth(), sprite.GetHeight()), bounds)) return 0;
    if (sprite.GetPointer() == nullptr) return 1;

    void* base = dest->Prepare(nullptr);
    if (base != nullptr) {
        const int destBits = dest->GetPixelWidth();
        const int dStep = dest->GetOrientation() * dest->PitchCx();
        const int sStep = sprite.PitchCx() * sprite.GetOrientation();
        auto* d = static_cast<uint8_t*>(base) + intptr_t(dStep) * t.y + intptr_t(t.x) * destBits / 8;
        const uint8_t* s =
            sprite.GetPointer() + intptr_t(t.x - x) * sprite.GetPixelWidth() / 8 + intptr_t(t.y - y) * sStep;
        draw(d, s, t.width, t.height, dStep, sStep, destBits);
    }
    dest->Unprepare();
    return 1;
}

// 24- and 32-bit sprites are copied whatever the paint type. The byte copy
// writes source-sized pixels, so a narrower destination would be written
// past the visible rectangle: 32 bits reduce to 16, anything else is left.
int PaintDeep(SBMP& sprite, DBUF* dest, int x, int y, const GRECT* clip)
{
    const int bits = sprite.GetPixelWidth();
    return PaintClipped(sprite, dest, x, y, clip,
                        [bits](uint8_t* d, const uint8_t* s, int w, int h, int dStep, int sStep, int destBits) {
                            if (destBits >= bits)
                                BltCopyAnyDepth(d, s, w, h, dStep, sStep, bits);
                            else if (bits == 32 && destBits == 16)
                                BltCopy32To565(d, s, w, h, dStep, sStep, bits);
                        });
}

bool DeepPixels(int bits) { return bits == 24 || bits == 32; }

} // namespace

int SBMP::Paint(DBUF* dest, int x, int y, int w, int h, int sx, int sy, DWORD paintType, const GRECT* clip)
{
    // Keyed 16-bit modes with -1 are mended by DBUF::Paint itself.
    const int trans = GetTransColor();
    return DBUF::Paint(dest, x, y, w, h, sx, sy, Unkeyed(paintType, m_pixelWidth, trans), clip);
}

int SBMP::Paint(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip)
{
    if (DeepPixels(m_pixelWidth)) return PaintDeep(*this, dest, x, y, clip);
    return Paint(dest, x, y, m_rect.width, m_rect.height, 0, 0, paintType, clip);
}

int SBMP::PaintNoClip(DBUF* dest, int x, int y, unsigned long paintType)
{
    // Only the plain, key and silhouette modes keep their meaning here; every
    // other mode is a plain copy. The destination bounds still hold.
    if (DeepPixels(m_pixelWidth)) {
        PaintDeep(*this, dest, x, y, nullptr);
        return 1;
    }
    DWORD type = DWORD(paintType);
    if (type != PT_KEY && type != PT_SILHOUETTE && type != PT_TWOCOLOR && type != PT_SOFTSILHOUETTE) type = PT_COPY;
    Paint(dest, x, y, m_rect.width, m_rect.height, 0, 0, type, nullptr);
    return 1;
}

int SBMP::PaintToTexture(DBUF* dest, int x, int y, DWORD paintType, const GRECT* clip)
{
    const bool draws = m_pixelWidth == 16 && paintType == PT_KEY;
    const int key = GetTransColor();
    return PaintClipped(*this, dest, x, y, clip,
                        [draws, key](uint8_t* d, const uint8_t* s, int w, int h, int dStep, int sStep, int destBits) {
                            if (!draws) return;
                            if (destBits == 32) {
                                if (key == -1)
                                    BltCopy565To32(d, s, w, h, dStep, sStep, 16);
                                else
                                    BltColorKey565To32(d, s, w, h, dStep, sStep, 16, uint32_t(key));
                            } else if (destBits == 16) {
                                if (key != -1) {
                                    BltColorKey565To4444(d, s, w, h, dStep, sStep, 16, uint32_t(key));
                                    return;
                                }
                                using namespace kestu::kernels;
                                for (int r = 0; r < h; ++r, d += dStep, s += sStep)
                                    for (int c = 0; c < w; ++c) Store16(d + 2 * c, Convert565To4444(Load16(s + 2 * c)));
                            }
                        });
}

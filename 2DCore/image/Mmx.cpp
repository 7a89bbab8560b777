// The MMX switch and the four-pixel 565 loops, in SSE2 where the lanes allow.
#include "kestu_mmx.h"

#include <cpuid.h>
#include <emmintrin.h>

#include <cstring>

#include "2DCore/kernels/KernelCommon.h"

namespace {

using kestu::kernels::Load16;
using kestu::kernels::Store16;

int g_mmx = 0;

inline uint16_t AverageExact(uint16_t s, uint16_t d)
{
    const int r = (((s >> 11) + (d >> 11)) >> 1) & 0x1F;
    const int g = ((((s >> 5) & 0x3F) + ((d >> 5) & 0x3F)) >> 1) & 0x3F;
    const int b = (((s & 0x1F) + (d & 0x1F)) >> 1) & 0x1F;
    return uint16_t(r << 11 | g << 5 | b);
}

inline uint16_t HalfOf(uint16_t p) { return uint16_t((p >> 1) & 0x7BEF); }

// The remainder formula: 16 levels from the alpha's top nibble, each part a
// truncated half, quarter, eighth or sixteenth.
inline int Sixteenths(int c, int k)
{
    return ((k & 8) ? c >> 1 : 0) + ((k & 4) ? c >> 2 : 0) + ((k & 2) ? c >> 3 : 0) + ((k & 1) ? c >> 4 : 0);
}
inline uint16_t BlendLevel(uint16_t s, uint16_t d, uint8_t a)
{
    const int k = a >> 4;
    if (k == 0) return d;
    if (k == 15) return s;
    const int r = (Sixteenths(s >> 11, k) + Sixteenths(d >> 11, 16 - k)) & 0x1F;
    const int g = (Sixteenths((s >> 5) & 0x3F, k) + Sixteenths((d >> 5) & 0x3F, 16 - k)) & 0x3F;
    const int b = (Sixteenths(s & 0x1F, k) + Sixteenths(d & 0x1F, 16 - k)) & 0x1F;
    return uint16_t(r << 11 | g << 5 | b);
}

// Alpha values of one row, in pixel order: a plain row or a run-length one.
class AlphaCursor {
public:
    static AlphaCursor Plain(const uint8_t* row)
    {
        AlphaCursor c;
        c.m_plain = row;
        return c;
    }
    static AlphaCursor Runs(const uint8_t* row)
    {
        AlphaCursor c;
        c.m_runs = row;
        return c;
    }
    void Skip(int pixels)
    {
        while (pixels > 0) {
            if (m_plain != nullptr) {
                m_plain += pixels;
                return;
            }
            Fill();
            const int n = pixels < m_left ? pixels : m_left;
            if (m_inCopy) m_data += n;
            m_left -= n;
            pixels -= n;
        }
    }
    uint8_t Next()
    {
        if (m_plain != nullptr) return *m_plain++;
        Fill();
        --m_left;
        return m_inCopy ? *m_data++ : 0;
    }

private:
    void Fill()
    {
        while (m_left == 0) {
            if (!m_inCopy && m_pairRead) {
                m_inCopy = true;
                m_left = m_copy;
                m_data = m_runs;
                m_runs += m_copy;
            } else {
                m_left = Load16(m_runs);
                m_copy = Load16(m_runs + 2);
                m_runs += 4;
                m_inCopy = false;
                m_pairRead = true;
                if (m_left == 0 && m_copy == 0) m_left = 1; // an empty pair stands for one skipped pixel
            }
        }
    }
    const uint8_t* m_plain = nullptr;
    const uint8_t* m_runs = nullptr;
    const uint8_t* m_data = nullptr;
    int m_left = 0;
    int m_copy = 0;
    bool m_inCopy = false;
    bool m_pairRead = false;
};

// Walks one run-length row with the kernels' walker: the left clip is
// consumed, skip runs move the destination and copy runs go to
// draw(dest, data, bytes); the last run is cut at w. skipAlpha(pixels) keeps
// the alpha cursor level with the clipped and skipped bytes (draw takes the
// alpha of what it draws).
template <class Draw, class SkipAlpha>
void WalkRow(uint8_t* dest, const uint8_t* row, int w, int leftClip, Draw draw, SkipAlpha skipAlpha)
{
    const int clip = leftClip > 0 ? leftClip : 0;
    skipAlpha(clip / 2);
    int drawn = 0;
    kestu::kernels::WalkRleRow(row, w, clip, [&](const uint8_t* data, int pos, int n) {
        skipAlpha((pos - drawn) / 2);
        draw(dest + pos, data, n);
        drawn = pos + n;
    });
}

// Four pixels through the lane formula at once.
inline void BlendGroup(uint8_t* d, const uint8_t* s, const uint8_t a[4])
{
    const __m128i sp = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
    const __m128i dp = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d));
    const __m128i av = _mm_set_epi16(0, 0, 0, 0, a[3], a[2], a[1], a[0]);
    const __m128i quarter = _mm_srli_epi16(av, 2);
    const __m128i bias = _mm_set1_epi16(64);
    auto channel = [&](__m128i sc, __m128i dc) {
        const __m128i t = _mm_sub_epi16(_mm_add_epi16(sc, bias), dc);
        const __m128i sum = _mm_add_epi16(dc, _mm_srli_epi16(_mm_mullo_epi16(t, av), 8));
        return _mm_subs_epu16(sum, quarter);
    };
    const __m128i m5 = _mm_set1_epi16(0x1F), m6 = _mm_set1_epi16(0x3F);
    const __m128i r = _mm_and_si128(channel(_mm_srli_epi16(sp, 11), _mm_srli_epi16(dp, 11)), m5);
    const __m128i g =
        _mm_and_si128(channel(_mm_and_si128(_mm_srli_epi16(sp, 5), m6), _mm_and_si128(_mm_srli_epi16(dp, 5), m6)), m6);
    const __m128i b = _mm_and_si128(channel(_mm_and_si128(sp, m5), _mm_and_si128(dp, m5)), m5);
    const __m128i out = _mm_or_si128(_mm_slli_epi16(r, 11), _mm_or_si128(_mm_slli_epi16(g, 5), b));
    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), out);
}

void BlendRun(uint8_t* d, const uint8_t* s, int bytes, AlphaCursor& alpha)
{
    const int groups = bytes / 8;
    for (int g = 0; g < groups; ++g, d += 8, s += 8) {
        const uint8_t a[4] = {alpha.Next(), alpha.Next(), alpha.Next(), alpha.Next()};
        BlendGroup(d, s, a);
    }
    const int rest = (bytes % 8) / 2;
    for (int i = 0; i < rest; ++i, d += 2, s += 2) Store16(d, BlendLevel(Load16(s), Load16(d), alpha.Next()));
}

void SpriteBlit(uint8_t* dest, const uint8_t* sprite, const DWORD* rowOffsets, int w, int h, int destStride,
                int leftClip, AlphaCursor (*cursorOf)(int y, const void* ctx), const void* ctx)
{
    if (dest == nullptr || sprite == nullptr || rowOffsets == nullptr || w <= 0) return;
    for (int y = 0; y < h; ++y, dest += destStride) {
        AlphaCursor alpha = cursorOf(y, ctx);
        WalkRow(
            dest, sprite + rowOffsets[y], w, leftClip,
            [&](uint8_t* d, const uint8_t* s, int n) { BlendRun(d, s, n, alpha); },
            [&](int pixels) { alpha.Skip(pixels); });
    }
}

} // namespace

int IsMMX()
{
    SYSTEM_INFO info;
    GetSystemInfo(&info);
    if (info.dwProcessorType == PROCESSOR_INTEL_386 || info.dwProcessorType == PROCESSOR_INTEL_486) return 0;
    unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
    if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return 0;
    return (edx >> 23) & 1;
}

void SetMMX(int on) { g_mmx = on != 0 ? IsMMX() : 0; }

int GetMMX() { return g_mmx; }

void MmxSpriteBlit16(void* dest, const uint8_t* sprite, const DWORD* rowOffsets, const uint8_t* alpha, int w, int h,
                     int destStride, int alphaStride, int leftClip)
{
    if (alpha == nullptr) return;
    struct Ctx {
        const uint8_t* alpha;
        int stride;
    } ctx{alpha, alphaStride};
    SpriteBlit(
        static_cast<uint8_t*>(dest), sprite, rowOffsets, w, h, destStride, leftClip,
        [](int y, const void* c) {
            const Ctx& x = *static_cast<const Ctx*>(c);
            return AlphaCursor::Plain(x.alpha + static_cast<intptr_t>(y) * x.stride);
        },
        &ctx);
}

void MmxSpriteBlitCompressed16(void* dest, const uint8_t* sprite, const DWORD* rowOffsets, const uint8_t* alpha,
                               const DWORD* alphaRowOffsets, int w, int h, int destStride, int alphaClip, int leftClip)
{
    if (alpha == nullptr || alphaRowOffsets == nullptr) return;
    struct Ctx {
        const uint8_t* alpha;
        const DWORD* offsets;
        int clip;
    } ctx{alpha, alphaRowOffsets, alphaClip};
    SpriteBlit(
        static_cast<uint8_t*>(dest), sprite, rowOffsets, w, h, destStride, leftClip,
        [](int y, const void* c) {
            const Ctx& x = *static_cast<const Ctx*>(c);
            AlphaCursor cursor = AlphaCursor::Runs(x.alpha + x.offsets[y]);
            cursor.Skip(x.clip);
            return cursor;
        },
        &ctx);
}

void MmxSpriteHalf16(void* dest, const uint8_t* sprite, const DWORD* rowOffsets, int w, int h, int destStride,
                     int leftClip)
{
    if (dest == nullptr || sprite == nullptr || rowOffsets == nullptr || w <= 0) return;
    uint8_t* row = static_cast<uint8_t*>(dest);
    for (int y = 0; y < h; ++y, row += destStride)
        WalkRow(
            row, sprite + rowOffsets[y], w, leftClip,
            [](uint8_t* d, const uint8_t* s, int n) {
                const int groups = n / 8;
                const __m128i mask = _mm_set1_epi16(0x7BEF);
                for (int g = 0; g < groups; ++g, d += 8, s += 8) {
                    const __m128i sp = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(s));
                    const __m128i dp = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(d));
                    const __m128i sum = _mm_add_epi16(_mm_and_si128(_mm_srli_epi16(sp, 1), mask),
                                                      _mm_and_si128(_mm_srli_epi16(dp, 1), mask));
                    _mm_storel_epi64(reinterpret_cast<__m128i*>(d), sum);
                }
                const int rest = (n % 8) / 2;
                for (int i = 0; i < rest; ++i, d += 2, s += 2) {
                    const uint16_t sp = Load16(s), dp = Load16(d);
                    if (sp != dp) Store16(d, AverageExact(sp, dp));
                }
            },
            [](int) {});
}

void MmxHalve16(void* buffer, int w, int h, int stride)
{
    if (buffer == nullptr || w <= 0) return;
    const __m128i mask = _mm_set1_epi16(0x7BEF);
    uint8_t* row = static_cast<uint8_t*>(buffer);
    for (int y = 0; y < h; ++y, row += stride) {
        int x = 0;
        for (; x + 4 <= w; x += 4) {
            __m128i p = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(row + 2 * x));
            p = _mm_and_si128(_mm_srli_epi16(p, 1), mask);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(row + 2 * x), p);
        }
        for (; x < w; ++x) Store16(row + 2 * x, HalfOf(Load16(row + 2 * x)));
    }
}

void MmxHalfColorKey16(void* dest, const void* src, int w, int h, int destStride, int srcStride, uint16_t key)
{
    if (dest == nullptr || src == nullptr || w <= 0) return;
    const __m128i keys = _mm_set1_epi16(static_cast<short>(key));
    const __m128i mr = _mm_set1_epi16(static_cast<short>(0xF800)), mg = _mm_set1_epi16(0x07E0),
                  mb = _mm_set1_epi16(0x001F);
    uint8_t* drow = static_cast<uint8_t*>(dest);
    const uint8_t* srow = static_cast<const uint8_t*>(src);
    for (int y = 0; y < h; ++y, drow += destStride, srow += srcStride) {
        int x = 0;
        for (; x + 4 <= w; x += 4) {
            __m128i d = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(drow + 2 * x));
            __m128i s = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(srow + 2 * x));
            const __m128i keyed = _mm_cmpeq_epi16(s, keys);
            s = _mm_or_si128(_mm_and_si128(keyed, d), _mm_andnot_si128(keyed, s));
            // Red: the top five bits, averaged without leaving the lane.
            const __m128i r = _mm_and_si128(
                _mm_slli_epi16(_mm_srli_epi16(_mm_add_epi16(_mm_srli_epi16(s, 11), _mm_srli_epi16(d, 11)), 1), 11), mr);
            const __m128i g =
                _mm_and_si128(_mm_srli_epi16(_mm_add_epi16(_mm_and_si128(s, mg), _mm_and_si128(d, mg)), 1), mg);
            const __m128i b =
                _mm_and_si128(_mm_srli_epi16(_mm_add_epi16(_mm_and_si128(s, mb), _mm_and_si128(d, mb)), 1), mb);
            _mm_storel_epi64(reinterpret_cast<__m128i*>(drow + 2 * x), _mm_or_si128(r, _mm_or_si128(g, b)));
        }
        for (; x < w; ++x) {
            const uint16_t s = Load16(srow + 2 * x), d = Load16(drow + 2 * x);
            if (s != key && s != d) Store16(drow + 2 * x, AverageExact(s, d));
        }
    }
}

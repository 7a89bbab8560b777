// Private: the per-run loops of the alpha-plane blends, shared by the plain,
// source-filtered, compressed and grade-scaled members.
#pragma once

#include <cstdint>

#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/KernelSimd.h"

namespace kestu::kernels {

// Maps a 4-bit alpha level to the level actually blended: unchanged, or
// scaled by a trans grade.
class LevelScale {
public:
    LevelScale() = default;
    explicit LevelScale(int grade)
    {
        const unsigned g = static_cast<unsigned>(grade);
        if (g > 15) return;
        identity_ = false;
        grade_ = grade;
        const Sixteenths& f = kSixteenths[g];
        const int8_t c[4] = {f.h1, f.h2, f.h3, f.h4};
        whole_ = Splat16(f.whole ? -1 : 0);
        for (int i = 0; i < 4; ++i) {
            plus_[i] = Splat16(c[i] > 0 ? -1 : 0);
            minus_[i] = Splat16(c[i] < 0 ? -1 : 0);
        }
    }

    bool Identity() const { return identity_; }
    int Apply(int level) const { return identity_ ? level : ScaleLevelByGrade(level, grade_); }

    __m128i Apply8(__m128i a) const
    {
        if (identity_) return a;
        __m128i acc = _mm_and_si128(a, whole_);
        const __m128i t[4] = {_mm_srli_epi16(a, 1), _mm_srli_epi16(a, 2), _mm_srli_epi16(a, 3), _mm_srli_epi16(a, 4)};
        for (int i = 0; i < 4; ++i) {
            acc = _mm_add_epi16(acc, _mm_and_si128(t[i], plus_[i]));
            acc = _mm_sub_epi16(acc, _mm_and_si128(t[i], minus_[i]));
        }
        return acc;
    }

private:
    bool identity_ = true;
    int grade_ = 16;
    __m128i whole_{}, plus_[4]{}, minus_[4]{};
};

// Blends `pixels` 16-bit source pixels (ANDed with mask) over out, one alpha
// byte per pixel, at 16 levels (the byte's top nibble, then scaled).
template <class F>
inline void AlphaRun16(uint8_t* out, const uint8_t* src, const uint8_t* alpha, int pixels, uint16_t mask,
                       const LevelScale& scale)
{
    const __m128i vmask = Splat16(mask);
    const __m128i zero = _mm_setzero_si128();
    int i = 0;
    for (; i + 8 <= pixels; i += 8) {
        const __m128i level = scale.Apply8(_mm_srli_epi16(LoadAlpha8(alpha + i), 4));
        const int none = _mm_movemask_epi8(_mm_cmpeq_epi16(level, zero));
        if (none == 0xFFFF) continue;
        const __m128i s = _mm_and_si128(LoadPixels8(src + 2 * i), vmask);
        const int full = _mm_movemask_epi8(_mm_cmpeq_epi16(level, Splat16(15)));
        if (full == 0xFFFF) {
            StorePixels8(out + 2 * i, s);
            continue;
        }
        StorePixels8(out + 2 * i, BlendLevel8<F>(s, LoadPixels8(out + 2 * i), level));
    }
    for (; i < pixels; ++i) {
        const int level = scale.Apply(alpha[i] >> 4);
        if (level == 0) continue;
        const uint16_t s = static_cast<uint16_t>(Load16(src + 2 * i) & mask);
        Store16(out + 2 * i, BlendLevel<F>(s, Load16(out + 2 * i), level));
    }
}

// Per channel d + floor((s - d) * a / 256) on 16-bit lanes: (s - d) << 7 and
// a << 1 both fit a signed lane and their high product is exactly that floor.
inline __m128i Blend256(__m128i s, __m128i d, __m128i a2)
{
    return _mm_add_epi16(d, _mm_mulhi_epi16(_mm_slli_epi16(_mm_sub_epi16(s, d), 7), a2));
}

// 256-level blend of 565 pixels into 32-bit pixels; every pixel is rewritten.
inline void AlphaRun32(uint8_t* out, const uint8_t* src, const uint8_t* alpha, int pixels)
{
    int i = 0;
    for (; i + 8 <= pixels; i += 8) {
        const __m128i s = LoadPixels8(src + 2 * i);
        const __m128i sr = _mm_and_si128(_mm_srli_epi16(s, 8), Splat16(0xF8));
        const __m128i sg = _mm_and_si128(_mm_srli_epi16(s, 3), Splat16(0xFC));
        const __m128i sb = _mm_and_si128(_mm_slli_epi16(s, 3), Splat16(0xF8));
        const __m128i d0 = LoadPixels8(out + 4 * i), d1 = LoadPixels8(out + 4 * i + 16);
        // Sign-extending shifts keep the packs from saturating: the lanes are
        // green-blue and alpha-red halves of the pixels, bit for bit.
        const __m128i gb0 =
            _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(d0, 16), 16), _mm_srai_epi32(_mm_slli_epi32(d1, 16), 16));
        const __m128i ar0 = _mm_packs_epi32(_mm_srai_epi32(d0, 16), _mm_srai_epi32(d1, 16));
        const __m128i low = Splat16(0xFF);
        const __m128i a2 = _mm_slli_epi16(LoadAlpha8(alpha + i), 1);
        const __m128i r = Blend256(sr, _mm_and_si128(ar0, low), a2);
        const __m128i g = Blend256(sg, _mm_srli_epi16(gb0, 8), a2);
        const __m128i b = Blend256(sb, _mm_and_si128(gb0, low), a2);
        const __m128i gb = _mm_or_si128(b, _mm_slli_epi16(g, 8));
        StorePixels8(out + 4 * i, _mm_unpacklo_epi16(gb, r));
        StorePixels8(out + 4 * i + 16, _mm_unpackhi_epi16(gb, r));
    }
    for (; i < pixels; ++i) Store32(out + 4 * i, Blend565Over32(Load16(src + 2 * i), Load32(out + 4 * i), alpha[i]));
}

// Uncompressed planes: the alpha byte of a pixel is byte x of its row, x the
// source column including the left skip.
template <class F>
inline void AlphaPlane16(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha, int width,
                         int rows, int dstPitch, int alphaPitch, int leftSkip, uint16_t mask, const LevelScale& scale)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    const uint8_t* alphaRow = alpha;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [&](const uint8_t* src, int pos, int n) {
            AlphaRun16<F>(row + pos, src, alphaRow + (leftSkip + pos) / 2, n / 2, mask, scale);
        });
        row += dstPitch;
        alphaRow += alphaPitch;
    });
}

// Reads the spans of one compressed alpha row lazily, column by column. A row
// is a skip, then while the column is inside the image a count, that many
// bytes and the next skip.
class AlphaSpanReader {
public:
    AlphaSpanReader(const uint8_t* row, int imageWidth) : next_(row), imageWidth_(imageWidth) { Advance(0); }
    // A reader with no spans.
    AlphaSpanReader() : next_(nullptr), imageWidth_(0), spanStart_(kNone), spanEnd_(kNone), done_(true) {}

    // Calls op(firstColumn, bytes, count) for the parts of columns
    // [begin, end) covered by spans; columns must be asked in increasing order.
    template <class Op>
    void Cover(int begin, int end, Op&& op)
    {
        int x = begin;
        while (x < end) {
            while (x >= spanEnd_) {
                if (done_) return;
                Advance(spanEnd_);
            }
            if (x < spanStart_) {
                x = spanStart_;
                continue;
            }
            const int stop = end < spanEnd_ ? end : spanEnd_;
            op(x, data_ + (x - spanStart_), stop - x);
            x = stop;
        }
    }

private:
    static constexpr int kNone = 0x7FFFFFFF;

    void Advance(int column)
    {
        const int start = column + Load16(next_);
        next_ += 2;
        if (start >= imageWidth_) {
            done_ = true;
            spanStart_ = spanEnd_ = kNone;
            return;
        }
        const int count = Load16(next_);
        next_ += 2;
        data_ = next_;
        next_ += count;
        spanStart_ = start;
        spanEnd_ = start + count;
    }

    const uint8_t* next_;
    const uint8_t* data_ = nullptr;
    int imageWidth_;
    int spanStart_ = 0, spanEnd_ = 0;
    bool done_ = false;
};

} // namespace kestu::kernels

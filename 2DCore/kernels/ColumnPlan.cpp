#include "2DCore/kernels/ColumnPlan.h"

#include <emmintrin.h>
#include <tmmintrin.h>

#include <algorithm>

#include "2DCore/kernels/KernelCommon.h"

namespace kestu::kernels {

void ColumnPlan::Build(int n, int m, int j0, int j1)
{
    n_ = n;
    m_ = m;
    j0_ = j0;
    j1_ = j1;
    const int count = j1 - j0;
    if (count > capacity_) {
        capacity_ = count;
        heapIndex_ = std::make_unique<int32_t[]>(size_t(count));
        heapBlocks_ = std::make_unique<Block[]>(size_t(count) / 8 + 1);
        index_ = heapIndex_.get();
        block_ = heapBlocks_.get();
    }
    int32_t* index = index_;
    SpreadColumns(n, m, j0, j1, [index, j0](int j, int i) { index[j - j0] = i; });
    // A ragged end is one more block overlapping the one before it.
    blocks_ = count < 8 ? 0 : (count + 7) / 8;
    const __m128i pair = _mm_set1_epi16(0x0202), odd = _mm_set1_epi16(0x0100);
    const __m128i seven = _mm_set1_epi16(7), eight = _mm_set1_epi16(8), off = _mm_set1_epi8(static_cast<char>(0x80));
    for (int b = 0; b < blocks_; ++b) {
        Block& k = block_[b];
        k.first = std::min(8 * b, count - 8);
        const int32_t* lane = index + k.first;
        const int span = lane[7] - lane[0];
        if (span < 8 && n >= 8) {
            k.kind = kShuffle;
            k.load = std::min(lane[0], n - 8);
        } else if (span < 16 && n >= 16) {
            k.kind = kTwoShuffles;
            k.load = std::min(lane[0], n - 16);
        } else {
            k.kind = kGather;
            continue;
        }
        // Pixel offsets from the load, as byte pairs (2r, 2r + 1) of each lane.
        const __m128i base = _mm_set1_epi32(k.load);
        const __m128i lo = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lane)), base);
        const __m128i hi = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lane + 4)), base);
        const __m128i rel = _mm_packs_epi32(lo, hi);
        if (k.kind == kShuffle) {
            _mm_store_si128(reinterpret_cast<__m128i*>(k.low), _mm_add_epi16(_mm_mullo_epi16(rel, pair), odd));
            continue;
        }
        // Lanes below eight come from the first load, the rest from the second;
        // 0x80 bytes shuffle in zero.
        const __m128i second = _mm_cmpgt_epi16(rel, seven);
        const __m128i firstBytes = _mm_add_epi16(_mm_mullo_epi16(rel, pair), odd);
        const __m128i secondBytes = _mm_add_epi16(_mm_mullo_epi16(_mm_sub_epi16(rel, eight), pair), odd);
        _mm_store_si128(reinterpret_cast<__m128i*>(k.low),
                        _mm_or_si128(_mm_andnot_si128(second, firstBytes), _mm_and_si128(second, off)));
        _mm_store_si128(reinterpret_cast<__m128i*>(k.high),
                        _mm_or_si128(_mm_and_si128(second, secondBytes), _mm_andnot_si128(second, off)));
    }
}

void ColumnPlan::Gather(uint8_t* out, const uint8_t* src, int first, int count) const
{
    const int32_t* index = index_;
    for (int k = first; k < first + count; ++k) Store16(out + 2 * k, Load16(src + 2 * index[k]));
}

__attribute__((target("ssse3"))) void ColumnPlan::ApplyShuffles(uint8_t* out, const uint8_t* src) const
{
    for (int b = 0; b < blocks_; ++b) {
        const Block& k = block_[b];
        const uint8_t* from = src + 2 * k.load;
        __m128i v;
        if (k.kind == kShuffle) {
            v = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)),
                                 _mm_load_si128(reinterpret_cast<const __m128i*>(k.low)));
        } else if (k.kind == kTwoShuffles) {
            v = _mm_or_si128(_mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from)),
                                              _mm_load_si128(reinterpret_cast<const __m128i*>(k.low))),
                             _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(from + 16)),
                                              _mm_load_si128(reinterpret_cast<const __m128i*>(k.high))));
        } else {
            Gather(out, src, k.first, 8);
            continue;
        }
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + 2 * k.first), v);
    }
}

void ColumnPlan::Apply(uint8_t* out, const uint8_t* src) const
{
    static const bool ssse3 = __builtin_cpu_supports("ssse3");
    if (ssse3 && blocks_ > 0)
        ApplyShuffles(out, src);
    else
        Gather(out, src, 0, j1_ - j0_);
}

} // namespace kestu::kernels

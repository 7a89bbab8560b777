// Brightness levels of run-length sprites: 0 black, 1..15 darker in
// sixteenths, 16 unchanged, 17..28 brighter with saturation, anything else
// white. Each channel is worked on in place and masked with its field.
#include <array>
#include <utility>

#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/KernelSimd.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

constexpr int kWhite = 29;

// Sixteenths index of the increment of the brightening levels 17..25.
constexpr int BrightenIndex(int level)
{
    constexpr int index[9] = {1, 2, 3, 4, 6, 8, 10, 12, 14};
    return index[level - 17];
}

uint16_t EnhanceField(uint16_t c, uint16_t m, int level)
{
    if (level == 0) return 0;
    if (level <= 15) return static_cast<uint16_t>(ApplySixteenths(kSixteenths[level], c) & m);
    if (level == 16) return c;
    if (level <= 25) {
        const unsigned sum = c + (ApplySixteenths(kSixteenths[BrightenIndex(level)], c) & m);
        return static_cast<uint16_t>(sum > m ? m : sum);
    }
    if (level <= 28) {
        const unsigned product = static_cast<unsigned>(c) << (level - 25);
        return static_cast<uint16_t>(product > m ? m : product);
    }
    return m;
}

template <class F>
uint16_t EnhancePixel(uint16_t p, int level)
{
    return static_cast<uint16_t>(EnhanceField(p & F::kRed, F::kRed, level) |
                                 EnhanceField(p & F::kGreen, F::kGreen, level) |
                                 EnhanceField(p & F::kBlue, F::kBlue, level));
}

template <int J>
inline __m128i Sixteenths8(__m128i c)
{
    constexpr Sixteenths f = kSixteenths[J];
    __m128i acc = f.whole ? c : _mm_setzero_si128();
    auto term = [&](int coefficient, __m128i t) {
        if (coefficient > 0) acc = _mm_add_epi16(acc, t);
        if (coefficient < 0) acc = _mm_sub_epi16(acc, t);
    };
    if constexpr (f.h1 != 0) term(f.h1, _mm_srli_epi16(c, 1));
    if constexpr (f.h2 != 0) term(f.h2, _mm_srli_epi16(c, 2));
    if constexpr (f.h3 != 0) term(f.h3, _mm_srli_epi16(c, 3));
    if constexpr (f.h4 != 0) term(f.h4, _mm_srli_epi16(c, 4));
    return acc;
}

template <int Level>
inline __m128i EnhanceField8(__m128i p, uint16_t mask)
{
    const __m128i m = Splat16(mask);
    const __m128i c = _mm_and_si128(p, m);
    if constexpr (Level >= 1 && Level <= 15) {
        return _mm_and_si128(Sixteenths8<Level>(c), m);
    } else if constexpr (Level >= 17 && Level <= 25) {
        const __m128i sum = _mm_adds_epu16(c, _mm_and_si128(Sixteenths8<BrightenIndex(Level)>(c), m));
        return _mm_sub_epi16(sum, _mm_subs_epu16(sum, m));
    } else if constexpr (Level == 16) {
        return c;
    } else {
        constexpr int shift = Level - 25;
        const __m128i over = _mm_subs_epu16(c, Splat16(mask >> shift));
        const __m128i saturated = _mm_cmpeq_epi16(over, _mm_setzero_si128());
        return Select(saturated, _mm_slli_epi16(c, shift), m);
    }
}

template <int Level, class F>
void EnhanceRows(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                 int leftSkip)
{
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + pos;
            const int pixels = n / 2;
            int i = 0;
            if constexpr (Level == 0 || Level == kWhite) {
                const __m128i fill = Splat16(Level == 0 ? 0 : F::kAll);
                for (; i + 8 <= pixels; i += 8) StorePixels8(out + 2 * i, fill);
            } else {
                for (; i + 8 <= pixels; i += 8) {
                    const __m128i p = LoadPixels8(src + 2 * i);
                    const __m128i r =
                        _mm_or_si128(_mm_or_si128(EnhanceField8<Level>(p, F::kRed), EnhanceField8<Level>(p, F::kGreen)),
                                     EnhanceField8<Level>(p, F::kBlue));
                    StorePixels8(out + 2 * i, r);
                }
            }
            for (; i < pixels; ++i) Store16(out + 2 * i, EnhancePixel<F>(Load16(src + 2 * i), Level));
        });
        row += dstPitch;
    });
}

using EnhanceFn = void (*)(void*, const void*, const uint32_t*, int, int, int, int);

template <class F, int... Levels>
constexpr std::array<EnhanceFn, sizeof...(Levels)> MakeEnhanceTable(std::integer_sequence<int, Levels...>)
{
    return {&EnhanceRows<Levels, F>...};
}

template <class F>
void Enhance(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
             int leftSkip, int level)
{
    if (width < 1 || rows < 1) return;
    if (level == 16) {
        BltRleCopy16(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip);
        return;
    }
    static constexpr auto table = MakeEnhanceTable<F>(std::make_integer_sequence<int, kWhite + 1>());
    const int index = level < 0 || level > kWhite ? kWhite : level;
    table[index](dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip);
}

} // namespace

void BltRleEnhance32Nop(void*, const void*, const uint32_t*, int, int, int, int, int) {}

void BltRleEnhance565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                      int leftSkip, int level)
{
    Enhance<Format565>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip, level);
}

void BltRleEnhance555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                      int leftSkip, int level)
{
    Enhance<Format555>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip, level);
}

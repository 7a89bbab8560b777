// Translucency grades: source over destination at grade/16, grade 0 keeping
// the destination and grades 15 and 16 writing the source.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/KernelSimd.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

template <class F>
inline void GradeRun(uint8_t* out, const uint8_t* src, int pixels, int grade)
{
    const __m128i w = Splat16(grade);
    int i = 0;
    for (; i + 8 <= pixels; i += 8)
        StorePixels8(out + 2 * i, BlendWeight8<F>(LoadPixels8(src + 2 * i), LoadPixels8(out + 2 * i), w));
    for (; i < pixels; ++i) Store16(out + 2 * i, BlendWeight<F>(Load16(src + 2 * i), Load16(out + 2 * i), grade));
}

template <class F>
void GradeKey(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int grade, uint32_t key)
{
    if (width < 1 || rows < 1 || grade <= 0) return;
    if (grade >= 15) {
        BltColorKey16(dst, src, width, rows, dstPitch, srcPitch, 16, key);
        return;
    }
    const uint16_t k = static_cast<uint16_t>(key);
    const __m128i vkey = Splat16(k), w = Splat16(grade);
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < rows; ++y, d += dstPitch, s += srcPitch) {
        int x = 0;
        for (; x + 8 <= width; x += 8) {
            const __m128i sp = LoadPixels8(s + 2 * x);
            const __m128i skip = _mm_cmpeq_epi16(sp, vkey);
            if (_mm_movemask_epi8(skip) == 0xFFFF) continue;
            const __m128i dp = LoadPixels8(d + 2 * x);
            StorePixels8(d + 2 * x, Select(skip, dp, BlendWeight8<F>(sp, dp, w)));
        }
        for (; x < width; ++x) {
            const uint16_t p = Load16(s + 2 * x);
            if (p != k) Store16(d + 2 * x, BlendWeight<F>(p, Load16(d + 2 * x), grade));
        }
    }
}

template <class F>
void GradeRle(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
              int leftSkip, int grade)
{
    if (width < 1 || rows < 1 || grade <= 0) return;
    if (grade >= 15) {
        BltRleCopy16(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip);
        return;
    }
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip,
                   [row, grade](const uint8_t* src, int pos, int n) { GradeRun<F>(row + pos, src, n / 2, grade); });
        row += dstPitch;
    });
}

} // namespace

void BltTransGradeKey32Nop(void*, const void*, int, int, int, int, int, uint32_t) {}

void BltTransGradeKey565(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int grade,
                         uint32_t key)
{
    GradeKey<Format565>(dst, src, width, rows, dstPitch, srcPitch, grade, key);
}

void BltTransGradeKey555(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int grade,
                         uint32_t key)
{
    GradeKey<Format555>(dst, src, width, rows, dstPitch, srcPitch, grade, key);
}

void BltRleTransGrade32Nop(void*, const void*, const uint32_t*, int, int, int, int, int) {}

void BltRleTransGrade565(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip, int grade)
{
    GradeRle<Format565>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip, grade);
}

void BltRleTransGrade555(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                         int leftSkip, int grade)
{
    GradeRle<Format555>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip, grade);
}

// Grey-half paints and the mirrored and upside-down half, grade and masked
// half blends. All take pixels in pairs counted from the first painted pixel
// of each run; a pair equal to the destination under it is left alone.
#include "2DCore/kernels/Kernels.h"
#include "2DCore/kernels/PlacedRun.h"

using namespace kestu::kernels;

namespace {

template <class F>
struct GreyHalf {
    uint16_t operator()(uint16_t s, uint16_t d) const
    {
        const int v = ((s & 0x1F) + (d & 0x1F)) >> 1;
        return static_cast<uint16_t>(v | (v << (F::kRedShift - 5)) | (v << F::kRedShift));
    }
};

template <class F>
struct Half {
    uint16_t operator()(uint16_t s, uint16_t d) const { return HalfBlend<F>(s, d); }
};

template <class F>
struct Grade {
    int grade;
    uint16_t operator()(uint16_t s, uint16_t d) const
    {
        if (grade <= 0) return d;
        if (grade >= 15) return s;
        return BlendWeight<F>(s, d, grade);
    }
};

struct MaskedHalf {
    uint16_t mask;
    uint16_t operator()(uint16_t s, uint16_t d) const
    {
        return static_cast<uint16_t>(((static_cast<uint32_t>(s & mask) + (d & mask)) >> 1) & mask);
    }
};

template <bool Mirror, class Effect>
void Paired(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch, int leftSkip,
            Effect effect)
{
    PairedRows<Mirror>(dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip, effect);
}

template <class Effect>
void PairedFlip(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                int leftSkip, Effect effect)
{
    if (rows < 1) return;
    PairedRows<false>(LastRow(dst, rows, dstPitch), runBase, rowOffsets, width, rows, -dstPitch, leftSkip, effect);
}

} // namespace

#define KESTU_RUN_ARGS                                                                                                 \
    void *dst, const void *runBase, const uint32_t *rowOffsets, int width, int rows, int dstPitch, int leftSkip
#define KESTU_RUN_PASS dst, runBase, rowOffsets, width, rows, dstPitch, leftSkip

void BltRleGrayHalf32Nop(void*, const void*, const uint32_t*, int, int, int, int) {}
void BltRleGrayHalf565(KESTU_RUN_ARGS) { Paired<false>(KESTU_RUN_PASS, GreyHalf<Format565>()); }
void BltRleGrayHalf555(KESTU_RUN_ARGS) { Paired<false>(KESTU_RUN_PASS, GreyHalf<Format555>()); }
void BltRleGrayHalfMirrorH565(KESTU_RUN_ARGS) { Paired<true>(KESTU_RUN_PASS, GreyHalf<Format565>()); }
void BltRleGrayHalfMirrorH555(KESTU_RUN_ARGS) { Paired<true>(KESTU_RUN_PASS, GreyHalf<Format555>()); }
void BltRleGrayHalfFlipV565(KESTU_RUN_ARGS) { PairedFlip(KESTU_RUN_PASS, GreyHalf<Format565>()); }
void BltRleGrayHalfFlipV555(KESTU_RUN_ARGS) { PairedFlip(KESTU_RUN_PASS, GreyHalf<Format555>()); }
void BltRleHalfMirrorH565(KESTU_RUN_ARGS) { Paired<true>(KESTU_RUN_PASS, Half<Format565>()); }
void BltRleHalfMirrorH555(KESTU_RUN_ARGS) { Paired<true>(KESTU_RUN_PASS, Half<Format555>()); }
void BltRleHalfFlipV565(KESTU_RUN_ARGS) { PairedFlip(KESTU_RUN_PASS, Half<Format565>()); }
void BltRleHalfFlipV555(KESTU_RUN_ARGS) { PairedFlip(KESTU_RUN_PASS, Half<Format555>()); }
void BltRleTransGradeMirrorH565(KESTU_RUN_ARGS, int grade) { Paired<true>(KESTU_RUN_PASS, Grade<Format565>{grade}); }
void BltRleTransGradeMirrorH555(KESTU_RUN_ARGS, int grade) { Paired<true>(KESTU_RUN_PASS, Grade<Format555>{grade}); }
void BltRleTransGradeFlipV565(KESTU_RUN_ARGS, int grade) { PairedFlip(KESTU_RUN_PASS, Grade<Format565>{grade}); }
void BltRleTransGradeFlipV555(KESTU_RUN_ARGS, int grade) { PairedFlip(KESTU_RUN_PASS, Grade<Format555>{grade}); }
void BltRleSourceFilterHalfMirrorH16(KESTU_RUN_ARGS, uint16_t mask) { Paired<true>(KESTU_RUN_PASS, MaskedHalf{mask}); }
void BltRleSourceFilterHalfFlipV16(KESTU_RUN_ARGS, uint16_t mask) { PairedFlip(KESTU_RUN_PASS, MaskedHalf{mask}); }

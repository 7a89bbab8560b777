// Alpha blends whose 4-bit levels are first scaled by the trans grade.
#include "2DCore/kernels/AlphaBlendRun.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

void BltRleAlphaTransGrade32Nop(void*, const void*, const uint32_t*, const uint8_t*, int, int, int, int, int, int) {}

void BltRleAlphaTransGrade565(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                              int width, int rows, int dstPitch, int alphaPitch, int leftSkip, int grade)
{
    AlphaPlane16<Format565>(dst, runBase, rowOffsets, alpha, width, rows, dstPitch, alphaPitch, leftSkip, 0xFFFF,
                            LevelScale(grade));
}

void BltRleAlphaTransGrade555(void* dst, const void* runBase, const uint32_t* rowOffsets, const uint8_t* alpha,
                              int width, int rows, int dstPitch, int alphaPitch, int leftSkip, int grade)
{
    AlphaPlane16<Format555>(dst, runBase, rowOffsets, alpha, width, rows, dstPitch, alphaPitch, leftSkip, 0xFFFF,
                            LevelScale(grade));
}

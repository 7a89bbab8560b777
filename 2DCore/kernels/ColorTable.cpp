// 8-bit index runs painted through the image's colour table.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

void BltRleColorTable32Nop(void*, const void*, const uint32_t*, int, int, int, int, const uint16_t*) {}

void BltRleColorTable16(void* dst, const void* runBase, const uint32_t* rowOffsets, int width, int rows, int dstPitch,
                        int leftSkip, const uint16_t* colorTable)
{
    if (width < 1 || rows < 1) return;
    auto* row = static_cast<uint8_t*>(dst);
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int) {
        WalkRleRow(run, width, leftSkip, [row, colorTable](const uint8_t* src, int pos, int n) {
            uint8_t* out = row + 2 * pos;
            int i = 0;
            for (; i + 4 <= n; i += 4) {
                const uint32_t four = Load32(src + i);
                const uint64_t r = static_cast<uint64_t>(colorTable[four & 0xFF]) |
                                   static_cast<uint64_t>(colorTable[(four >> 8) & 0xFF]) << 16 |
                                   static_cast<uint64_t>(colorTable[(four >> 16) & 0xFF]) << 32 |
                                   static_cast<uint64_t>(colorTable[four >> 24]) << 48;
                std::memcpy(out + 2 * i, &r, 8);
            }
            for (; i < n; ++i) Store16(out + 2 * i, colorTable[src[i]]);
        });
        row += dstPitch;
    });
}

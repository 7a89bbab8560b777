// Mixed-alpha paints: where the compressed byte plane has a byte the colour
// comes from the colour table, elsewhere from the sprite; the colour is then
// laid half and half over the destination.
#include "2DCore/kernels/AlphaBlendRun.h"
#include "2DCore/kernels/Kernels.h"
#include "kestu_log.h"

using namespace kestu::kernels;

int RleByteAt(int column, int row, const void* plane, int imageWidth, uint8_t* out)
{
    const auto* base = static_cast<const uint8_t*>(plane);
    const uint8_t* p = base + Load32(base + 4 * static_cast<intptr_t>(row));
    int position = 0;
    for (;;) {
        const int skip = Load16(p);
        p += 2;
        if (column >= position && column < position + skip) return 0;
        const int start = position + skip;
        if (start >= imageWidth) return 0;
        const int count = Load16(p);
        p += 2;
        if (column >= start && column < start + count) {
            *out = p[column - start];
            return 1;
        }
        if (start + count >= imageWidth) return 0;
        position = start + count;
        p += count;
    }
}

namespace {

// The plane row is walked once per painted row alongside the colour runs, so
// a row costs time in proportion to its width, whatever its span count.
template <class F>
void MixAlpha(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* plane, int firstRow, int width,
              int rows, int dstPitch, int imageWidth, int leftSkip, const uint16_t* colorTable)
{
    if (width < 1 || rows < 1) return;
    const auto* planeBase = static_cast<const uint8_t*>(plane);
    auto* row = static_cast<uint8_t*>(dst);
    const int firstColumn = leftSkip / 2;
    ForEachRleRow(runBase, rowOffsets, rows, [&](const uint8_t* run, int y) {
        const int planeRow = firstRow + y;
        AlphaSpanReader spans(planeBase + Load32(planeBase + 4 * static_cast<intptr_t>(planeRow)), imageWidth);
        WalkRleRow(run, width, leftSkip, [&](const uint8_t* src, int pos, int n) {
            const int begin = (leftSkip + pos) / 2, pixels = n / 2;
            // Colours of the run: the sprite's, replaced where the plane has a byte.
            auto colourAt = [&](int i) { return Load16(src + 2 * i); };
            int next = 0;
            auto paint = [&](int i, uint16_t c) {
                uint8_t* out = row + 2 * (begin + i - firstColumn);
                const uint16_t d = Load16(out);
                if (c != d) Store16(out, HalfBlend<F>(c, d));
            };
            spans.Cover(begin, begin + pixels, [&](int x, const uint8_t* bytes, int count) {
                for (; next < x - begin; ++next) paint(next, colourAt(next));
                for (int k = 0; k < count; ++k, ++next) paint(next, colorTable[bytes[k]]);
            });
            for (; next < pixels; ++next) paint(next, colourAt(next));
        });
        row += dstPitch;
    });
}

} // namespace

void BltRleMixAlpha32Nop(void*, const void*, const uint32_t*, const void*, int, int, int, int, int, int,
                         const uint16_t*)
{
}

void BltRleMixAlpha565(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* plane, int firstRow,
                       int width, int rows, int dstPitch, int imageWidth, int leftSkip, const uint16_t* colorTable)
{
    KestuSaveLog(KESTU_LOG_ERROR, "code pass %s, %i\n", ".\\2DCore\\c_bltfunc_mixalpha.cpp", 89);
    MixAlpha<Format565>(dst, runBase, rowOffsets, plane, firstRow, width, rows, dstPitch, imageWidth, leftSkip,
                        colorTable);
}

void BltRleMixAlpha555(void* dst, const void* runBase, const uint32_t* rowOffsets, const void* plane, int firstRow,
                       int width, int rows, int dstPitch, int imageWidth, int leftSkip, const uint16_t* colorTable)
{
    MixAlpha<Format555>(dst, runBase, rowOffsets, plane, firstRow, width, rows, dstPitch, imageWidth, leftSkip,
                        colorTable);
}

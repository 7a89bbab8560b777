// Silhouettes of raw 16-bit images: flat foreground, two colours, and the
// soft silhouette that half-blends the key pixels around each painted pixel.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

void BltSilhouette32Nop(void*, const void*, int, int, int, int, int, uint32_t, uint32_t) {}

void BltSilhouette16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int, uint32_t key,
                     uint32_t foreground)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key), fg = static_cast<uint16_t>(foreground);
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < rows; ++y, d += dstPitch, s += srcPitch)
        for (int x = 0; x < width; ++x)
            if (Load16(s + 2 * x) != k) Store16(d + 2 * x, fg);
}

void BltTwoColor32Nop(void*, const void*, int, int, int, int, int, uint32_t, uint32_t, uint32_t) {}

void BltTwoColor16(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int, uint32_t key,
                   uint32_t foreground, uint32_t background)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key), fg = static_cast<uint16_t>(foreground),
                   bg = static_cast<uint16_t>(background);
    auto* d = static_cast<uint8_t*>(dst);
    const auto* s = static_cast<const uint8_t*>(src);
    for (int y = 0; y < rows; ++y, d += dstPitch, s += srcPitch)
        for (int x = 0; x < width; ++x) Store16(d + 2 * x, Load16(s + 2 * x) == k ? bg : fg);
}

namespace {

template <class F>
void SoftSilhouette(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, uint32_t key,
                    uint32_t foreground)
{
    if (width < 1 || rows < 1) return;
    const uint16_t k = static_cast<uint16_t>(key), fg = static_cast<uint16_t>(foreground);
    auto* d0 = static_cast<uint8_t*>(dst);
    const auto* s0 = static_cast<const uint8_t*>(src);
    for (int i = 0; i < rows; ++i) {
        uint8_t* d = d0 + static_cast<intptr_t>(i) * dstPitch;
        const uint8_t* s = s0 + static_cast<intptr_t>(i) * srcPitch;
        for (int j = 0; j < width; ++j) {
            const uint16_t p = Load16(s + 2 * j);
            if (p == k) continue;
            Store16(d + 2 * j, fg);
            if (i < 1 || i > rows - 2 || j < 1 || j > width - 2) continue;
            auto soften = [&](intptr_t srcOffset, intptr_t dstOffset) {
                if (Load16(s + 2 * j + srcOffset) != k) return;
                uint8_t* n = d + 2 * j + dstOffset;
                Store16(n, HalfBlend<F>(p, Load16(n)));
            };
            soften(-2, -2);
            soften(2, 2);
            soften(-srcPitch, -dstPitch);
            soften(srcPitch, dstPitch);
        }
    }
}

} // namespace

void BltSoftSilhouette32Nop(void*, const void*, int, int, int, int, int, uint32_t, uint32_t) {}

void BltSoftSilhouette565(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int,
                          uint32_t key, uint32_t foreground)
{
    SoftSilhouette<Format565>(dst, src, width, rows, dstPitch, srcPitch, key, foreground);
}

void BltSoftSilhouette555(void* dst, const void* src, int width, int rows, int dstPitch, int srcPitch, int,
                          uint32_t key, uint32_t foreground)
{
    SoftSilhouette<Format555>(dst, src, width, rows, dstPitch, srcPitch, key, foreground);
}

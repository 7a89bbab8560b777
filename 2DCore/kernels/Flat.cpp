// Level-map shading in place: level 0 black, 8 unchanged, 1..7 (and 9..255
// as 7) each channel scaled in eighths by a sum of right shifts.
#include "2DCore/kernels/KernelCommon.h"
#include "2DCore/kernels/Kernels.h"

using namespace kestu::kernels;

namespace {

inline int Eighths(int c, int level)
{
    switch (level) {
    case 1: return c >> 3;
    case 2: return c >> 2;
    case 3: return (c >> 3) + (c >> 2);
    case 4: return c >> 1;
    case 5: return (c >> 3) + (c >> 1);
    case 6: return (c >> 2) + (c >> 1);
    default: return (c >> 3) + (c >> 2) + (c >> 1);
    }
}

template <class F>
inline uint16_t Shade(uint16_t p, int level)
{
    if (level == 0) return 0;
    if (level == 8) return p;
    constexpr int greenMask = (1 << (F::kRedShift - 5)) - 1;
    const int r = Eighths((p >> F::kRedShift) & 0x1F, level);
    const int g = Eighths((p >> 5) & greenMask, level);
    const int b = Eighths(p & 0x1F, level);
    return static_cast<uint16_t>((r << F::kRedShift) | (g << 5) | b);
}

template <class F>
void Flat(void* dst, const uint8_t* levels, int dstPitch, int width, int rows, int mapPitch)
{
    if (width < 1 || rows < 1) return;
    auto* d = static_cast<uint8_t*>(dst);
    for (int y = 0; y < rows; ++y, d += dstPitch, levels += mapPitch)
        for (int x = 0; x < width; ++x) {
            const int level = levels[x];
            if (level != 8) Store16(d + 2 * x, Shade<F>(Load16(d + 2 * x), level));
        }
}

} // namespace

void BltFlat555(void* dst, const uint8_t* levels, int dstPitch, int width, int rows, int mapPitch)
{
    Flat<Format555>(dst, levels, dstPitch, width, rows, mapPitch);
}

void BltFlat565(void* dst, const uint8_t* levels, int dstPitch, int width, int rows, int mapPitch)
{
    Flat<Format565>(dst, levels, dstPitch, width, rows, mapPitch);
}

void BltFlat3232_555(void* dst, const uint8_t* levels, int dstPitch)
{
    Flat<Format555>(dst, levels, dstPitch, 32, 32, 32);
}

void BltFlat3232_565(void* dst, const uint8_t* levels, int dstPitch)
{
    Flat<Format565>(dst, levels, dstPitch, 32, 32, 32);
}

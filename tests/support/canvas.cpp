#include "support/canvas.h"

#include <cstring>

namespace kestu_test {

Canvas::Canvas(int w, int h, int bpp, int m, bool up)
    : width(w), height(h), bytesPerPixel(bpp), margin(m), bottomUp(up), stride((w + 2 * m) * bpp),
      bytes(size_t(stride) * (h + 2 * m), 0)
{
}

uint8_t* Canvas::At(int x, int y)
{
    const int row = bottomUp ? height + 2 * margin - 1 - (y + margin) : y + margin;
    return bytes.data() + size_t(row) * stride + size_t(x + margin) * bytesPerPixel;
}

const uint8_t* Canvas::At(int x, int y) const { return const_cast<Canvas*>(this)->At(x, y); }

uint32_t Canvas::Get(int x, int y) const
{
    uint32_t v = 0;
    std::memcpy(&v, At(x, y), bytesPerPixel);
    return v;
}

void Canvas::Set(int x, int y, uint32_t v) { std::memcpy(At(x, y), &v, bytesPerPixel); }

void Canvas::Fill(uint32_t v)
{
    for (int y = -margin; y < height + margin; ++y)
        for (int x = -margin; x < width + margin; ++x) Set(x, y, v);
}

void Canvas::Randomize(std::mt19937& rng, const std::vector<uint16_t>* palette)
{
    for (int y = -margin; y < height + margin; ++y)
        for (int x = -margin; x < width + margin; ++x) {
            uint32_t v = static_cast<uint32_t>(rng());
            if (palette && (v & 1)) v = (*palette)[(v >> 1) % palette->size()];
            Set(x, y, v);
        }
}

bool Canvas::GuardsEqual(const Canvas& other) const
{
    for (int y = -margin; y < height + margin; ++y)
        for (int x = -margin; x < width + margin; ++x) {
            const bool inside = x >= 0 && y >= 0 && x < width && y < height;
            if (!inside && Get(x, y) != other.Get(x, y)) return false;
        }
    return true;
}

} // namespace kestu_test

#include "kernels/TestSprite.h"

#include <algorithm>
#include <cstring>

namespace kestu_test {

namespace {

void Put16(std::vector<uint8_t>& out, int v)
{
    out.push_back(static_cast<uint8_t>(v));
    out.push_back(static_cast<uint8_t>(v >> 8));
}

void Put32At(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i) out[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

} // namespace

const std::vector<uint16_t>& SmallPalette()
{
    static const std::vector<uint16_t> palette = {0x0000, 0xFFFF, 0xF800, 0x07E0, 0x001F,
                                                  0x8410, 0x7BEF, 0x8000, 0xABCD};
    return palette;
}

Sprite MakeSprite(int width, const std::vector<RowRuns>& rows, const std::vector<uint16_t>& pixels, int bpp)
{
    Sprite s;
    s.width = width;
    s.height = static_cast<int>(rows.size());
    s.bytesPerPixel = bpp;
    s.pixels = pixels;
    s.pixels.resize(size_t(width) * s.height, 0);
    s.opaque.assign(s.pixels.size(), 0);
    s.runStart.assign(s.pixels.size(), 0);
    s.alpha.assign(s.pixels.size(), 0);
    s.covered.assign(s.pixels.size(), 0);
    s.skipStart.assign(s.pixels.size(), 0);
    s.spanStart.assign(s.pixels.size(), 0);
    std::vector<uint8_t> out(4 * size_t(s.height));
    for (int y = 0; y < s.height; ++y) {
        Put32At(out, 4 * size_t(y), static_cast<uint32_t>(out.size()));
        int x = 0;
        const RowRuns& r = rows[y];
        for (size_t i = 0; i < r.size(); ++i) {
            const int n = r[i];
            Put16(out, n * bpp);
            if (i % 2 == 0 && n > 0) s.skipStart[size_t(y) * width + x] = 1;
            if (i % 2 == 1) {
                for (int k = 0; k < n; ++k) {
                    const uint16_t p = s.pixels[size_t(y) * width + x + k];
                    if (bpp == 2)
                        Put16(out, p);
                    else
                        out.push_back(static_cast<uint8_t>(p));
                    s.opaque[size_t(y) * width + x + k] = 1;
                    s.runStart[size_t(y) * width + x + k] = k == 0;
                }
            }
            x += n;
        }
    }
    s.runs.assign(out.begin(), out.end());
    s.runs.shrink_to_fit();
    return s;
}

Sprite RandomSprite(std::mt19937& rng, int width, int height, int bpp)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    std::vector<RowRuns> rows;
    for (int y = 0; y < height; ++y) {
        RowRuns r;
        int x = 0;
        for (;;) {
            int skip = pick(0, 3) == 0 ? 0 : pick(0, std::min(6, width - x));
            if (pick(0, 7) == 0) skip = pick(0, width - x);
            r.push_back(skip);
            x += skip;
            if (x >= width) break;
            int copy = pick(0, 2) == 0 ? pick(0, 4) : pick(0, width - x);
            if (skip == 0 && copy == 0) copy = 1;
            copy = std::min(copy, width - x);
            r.push_back(copy);
            x += copy;
            if (x >= width) break;
        }
        rows.push_back(r);
    }
    const auto& palette = SmallPalette();
    std::vector<uint16_t> pixels(size_t(width) * height);
    for (auto& p : pixels) {
        p = pick(0, 1) ? palette[pick(0, int(palette.size()) - 1)] : static_cast<uint16_t>(pick(0, 0xFFFF));
        if (bpp == 1) p &= 0xFF;
    }
    return MakeSprite(width, rows, pixels, bpp);
}

void SetCompressedAlpha(Sprite& s, const std::vector<RowRuns>& spans)
{
    std::fill(s.covered.begin(), s.covered.end(), 0);
    std::fill(s.spanStart.begin(), s.spanStart.end(), 0);
    std::vector<uint8_t> out(4 * size_t(s.height));
    for (int y = 0; y < s.height; ++y) {
        Put32At(out, 4 * size_t(y), static_cast<uint32_t>(out.size()));
        int x = 0;
        const RowRuns& r = spans[y];
        for (size_t i = 0; i < r.size(); ++i) {
            const int n = r[i];
            Put16(out, n);
            if (i % 2 == 1) {
                if (n > 0) s.spanStart[size_t(y) * s.width + x] = 1;
                for (int k = 0; k < n; ++k) {
                    out.push_back(s.alpha[size_t(y) * s.width + x + k]);
                    s.covered[size_t(y) * s.width + x + k] = 1;
                }
            }
            x += n;
        }
    }
    s.alphaRuns.assign(out.begin(), out.end());
    s.alphaRuns.shrink_to_fit();
}

void AddRandomAlpha(std::mt19937& rng, Sprite& s)
{
    auto pick = [&](int lo, int hi) { return std::uniform_int_distribution<int>(lo, hi)(rng); };
    for (auto& a : s.alpha) {
        const int kind = pick(0, 5);
        a = static_cast<uint8_t>(kind == 0 ? pick(0, 15) : kind == 1 ? 0xF0 + pick(0, 15) : pick(0, 255));
    }
    std::vector<RowRuns> spans;
    for (int y = 0; y < s.height; ++y) {
        RowRuns r;
        int x = 0;
        for (;;) {
            const int skip = pick(0, 2) == 0 ? 0 : pick(0, s.width - x);
            r.push_back(skip);
            x += skip;
            if (x >= s.width) break;
            const int count = pick(0, s.width - x);
            r.push_back(count);
            x += count;
            if (x >= s.width) {
                r.push_back(pick(0, 3)); // the skip that closes a row ending in a span
                break;
            }
        }
        spans.push_back(r);
    }
    SetCompressedAlpha(s, spans);
}

uint32_t RawImage::Get(int x, int y) const
{
    uint32_t v = 0;
    std::memcpy(&v, At(x, y), bytesPerPixel);
    return v;
}

void RawImage::Set(int x, int y, uint32_t v) { std::memcpy(At(x, y), &v, bytesPerPixel); }

} // namespace kestu_test

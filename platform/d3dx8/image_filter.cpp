#include "d3dx8/image_filter.h"

#include <algorithm>
#include <cmath>

namespace kestu::d3dx {
namespace {

struct Tap {
    uint32_t index;
    float weight;
};

// Taps of one axis: for each destination coordinate, a run in `taps`.
struct AxisTaps {
    std::vector<uint32_t> start;
    std::vector<uint32_t> count;
    std::vector<Tap> taps;
};

uint32_t Address(int64_t i, uint32_t size, bool mirror)
{
    const int64_t n = size;
    if (!mirror) {
        int64_t m = i % n;
        return (uint32_t)(m < 0 ? m + n : m);
    }
    const int64_t period = 2 * n;
    int64_t m = i % period;
    if (m < 0) m += period;
    return (uint32_t)(m < n ? m : period - 1 - m);
}

AxisTaps BuildTaps(uint32_t srcSize, uint32_t dstSize, uint32_t kind, bool mirror)
{
    AxisTaps a;
    a.start.resize(dstSize);
    a.count.resize(dstSize);
    const double scale = (double)srcSize / dstSize;
    for (uint32_t x = 0; x < dstSize; ++x) {
        a.start[x] = (uint32_t)a.taps.size();
        const double centre = (x + 0.5) * scale; // in source units
        if (kind == kFilterPoint || (kind == kFilterBox && scale <= 1.0)) {
            const int64_t i = (int64_t)std::floor(centre);
            a.taps.push_back({Address(i, srcSize, mirror), 1.0f});
        } else if (kind == kFilterLinear || scale <= 1.0) {
            const double u = centre - 0.5;
            const int64_t i0 = (int64_t)std::floor(u);
            const float f = (float)(u - (double)i0);
            a.taps.push_back({Address(i0, srcSize, mirror), 1.0f - f});
            a.taps.push_back({Address(i0 + 1, srcSize, mirror), f});
        } else if (kind == kFilterBox) {
            // The source span covered by the destination pixel, by coverage.
            const double lo = x * scale, hi = (x + 1) * scale;
            double total = 0;
            const size_t first = a.taps.size();
            for (int64_t i = (int64_t)std::floor(lo); (double)i < hi; ++i) {
                const double w = std::min<double>(hi, (double)i + 1) - std::max<double>(lo, (double)i);
                if (w <= 0) continue;
                a.taps.push_back({Address(i, srcSize, mirror), (float)w});
                total += w;
            }
            for (size_t k = first; k < a.taps.size(); ++k) a.taps[k].weight = (float)(a.taps[k].weight / total);
        } else {
            // Triangle (tent) of half-width `scale`.
            const double radius = scale;
            double total = 0;
            const size_t first = a.taps.size();
            for (int64_t i = (int64_t)std::floor(centre - radius); (double)i <= centre + radius; ++i) {
                const double d = std::fabs((double)i + 0.5 - centre);
                const double w = 1.0 - d / radius;
                if (w <= 0) continue;
                a.taps.push_back({Address(i, srcSize, mirror), (float)w});
                total += w;
            }
            for (size_t k = first; k < a.taps.size(); ++k) a.taps[k].weight = (float)(a.taps[k].weight / total);
        }
        a.count[x] = (uint32_t)a.taps.size() - a.start[x];
    }
    return a;
}

inline uint32_t Pack(const float* c)
{
    uint32_t out = 0;
    for (int k = 0; k < 4; ++k) {
        const float v = std::clamp(c[k], 0.0f, 255.0f);
        out |= (uint32_t)(v + 0.5f) << (8 * k);
    }
    return out;
}

} // namespace

bool FilterValid(uint32_t filter)
{
    const uint32_t kind = filter & 0xFFFF;
    if (kind < kFilterNone || kind > kFilterBox) return false;
    return (filter & ~0xFFFFu & ~(kFilterMirrorU | kFilterMirrorV | kFilterMirrorW | kFilterDither)) == 0;
}

bool ResampleImage(const Image& src, uint32_t w, uint32_t h, uint32_t filter, Image& dst)
{
    Image out;
    const uint32_t kind = filter & 0xFFFF;
    if (kind == kFilterNone) {
        if (!out.Allocate(w, h, 0)) return false;
        const uint32_t cw = std::min(w, src.width), ch = std::min(h, src.height);
        for (uint32_t y = 0; y < ch; ++y) std::copy(src.Row(y), src.Row(y) + cw, out.Row(y));
        dst = std::move(out);
        return true;
    }
    if (src.width == 0 || src.height == 0 || !out.Allocate(w, h)) return false;
    if (w == src.width && h == src.height) {
        out.argb = src.argb;
        dst = std::move(out);
        return true;
    }
    const AxisTaps xs = BuildTaps(src.width, w, kind, (filter & kFilterMirrorU) != 0);
    const AxisTaps ys = BuildTaps(src.height, h, kind, (filter & kFilterMirrorV) != 0);
    // Horizontal pass into floats, then vertical.
    std::vector<float> mid((size_t)w * src.height * 4);
    for (uint32_t y = 0; y < src.height; ++y) {
        const uint32_t* row = src.Row(y);
        float* m = mid.data() + (size_t)y * w * 4;
        for (uint32_t x = 0; x < w; ++x) {
            float c[4] = {0, 0, 0, 0};
            const Tap* t = xs.taps.data() + xs.start[x];
            for (uint32_t k = 0; k < xs.count[x]; ++k) {
                const uint32_t p = row[t[k].index];
                for (int ch = 0; ch < 4; ++ch) c[ch] += t[k].weight * (float)((p >> (8 * ch)) & 255);
            }
            std::copy(c, c + 4, m + x * 4);
        }
    }
    for (uint32_t y = 0; y < h; ++y) {
        uint32_t* d = out.Row(y);
        const Tap* t = ys.taps.data() + ys.start[y];
        for (uint32_t x = 0; x < w; ++x) {
            float c[4] = {0, 0, 0, 0};
            for (uint32_t k = 0; k < ys.count[y]; ++k) {
                const float* m = mid.data() + ((size_t)t[k].index * w + x) * 4;
                for (int ch = 0; ch < 4; ++ch) c[ch] += t[k].weight * m[ch];
            }
            d[x] = Pack(c);
        }
    }
    dst = std::move(out);
    return true;
}

void ApplyColorKey(Image& image, uint32_t key)
{
    for (uint32_t& p : image.argb)
        if (p == key) p = 0;
}

} // namespace kestu::d3dx

// Paint kernels: a 256 x 256 sprite painted again and again over an 800 x 600
// buffer, in pixels per second of sprite area. References measured in the
// same run: the copy limit, the fastest of memcpy of the same rows, pixman's
// SRC r5g6b5 copy of them and plain vector copy loops; and pixman's closest
// operations (OVER a8r8g8b8 onto r5g6b5 for the per-pixel alpha blends, OVER
// r5g6b5 with a solid mask for uniform blends, nearest-filtered transformed
// SRC for the mirrored, stretched and rotated paints).
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <random>
#include <vector>

#include "2DCore/kernels/Kernels.h"
#include "RatioReport.h"

#ifdef KESTU_HAVE_PIXMAN
#include <pixman.h>
#endif

namespace {

constexpr int kW = 800, kH = 600, kS = 256;
constexpr int kPitch16 = kW * 2;

// A rounded-corner sprite: every row is a transparent run at each end and one
// opaque run between; random pixels and alpha.
struct BenchSprite {
    std::vector<uint16_t> pixels; // kS * kS, raw source with the key outside the shape
    std::vector<uint8_t> alpha;
    std::vector<uint8_t> runs;
    uint16_t key = 0xF81F;

    BenchSprite()
    {
        std::mt19937 rng(1);
        pixels.resize(kS * kS);
        alpha.resize(kS * kS);
        runs.resize(4 * kS);
        for (int y = 0; y < kS; ++y) {
            const int r = 32;
            int inset = 0;
            const int dy = y < r ? r - y : (y >= kS - r ? y - (kS - r - 1) : 0);
            while (inset < r && (r - inset) * (r - inset) + dy * dy > r * r) ++inset;
            if (dy == 0) inset = 0;
            const uint32_t offset = static_cast<uint32_t>(runs.size());
            std::memcpy(&runs[4 * y], &offset, 4);
            auto put16 = [&](int v) {
                runs.push_back(static_cast<uint8_t>(v));
                runs.push_back(static_cast<uint8_t>(v >> 8));
            };
            const int copy = kS - 2 * inset;
            put16(2 * inset);
            put16(2 * copy);
            for (int x = 0; x < kS; ++x) {
                uint16_t p = static_cast<uint16_t>(rng());
                if (p == key) p ^= 1;
                const bool inside = x >= inset && x < inset + copy;
                pixels[y * kS + x] = inside ? p : key;
                alpha[y * kS + x] = static_cast<uint8_t>(rng());
                if (inside) put16(p);
            }
            if (inset > 0) put16(2 * inset);
        }
    }
    const uint32_t* Rows() const { return reinterpret_cast<const uint32_t*>(runs.data()); }
};

const BenchSprite& Sprite()
{
    static const BenchSprite sprite;
    return sprite;
}

struct Target {
    std::vector<uint16_t> buffer = std::vector<uint16_t>(kW * kH, 0x4208);
    int step = 0;
    // Walks the sprite position over the whole buffer.
    uint8_t* Next()
    {
        step = (step + 1) % 64;
        const int x = (step % 8) * ((kW - kS) / 7), y = (step / 8) * ((kH - kS) / 7);
        return reinterpret_cast<uint8_t*>(buffer.data() + y * kW + x);
    }
};

void Finish(benchmark::State& state)
{
    // items_per_second is pixels of sprite area per second.
    state.SetItemsProcessed(state.iterations() * kS * kS);
}

template <class Paint>
void RunPaint(benchmark::State& state, Paint paint)
{
    Target t;
    for (auto _ : state) {
        paint(t.Next());
        benchmark::ClobberMemory();
    }
    Finish(state);
}

// ---- The copy limit: the same rows copied by memcpy, vector loops and pixman --------

void BM_Limit_Memcpy(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) {
        for (int y = 0; y < kS; ++y) std::memcpy(d + y * kPitch16, s.pixels.data() + y * kS, kS * 2);
    });
}
BENCHMARK(BM_Limit_Memcpy);

// Plain vector copy loops: four vectors of 16, 32 or 64 bytes a step, each
// compiled for the instructions that move one vector at once.
using Vector16 = uint8_t __attribute__((vector_size(16), aligned(1), may_alias));
using Vector32 = uint8_t __attribute__((vector_size(32), aligned(1), may_alias));
using Vector64 = uint8_t __attribute__((vector_size(64), aligned(1), may_alias));

template <class V>
__attribute__((always_inline)) inline void CopyRows(uint8_t* d, const uint8_t* src)
{
    constexpr int n = sizeof(V);
    for (int y = 0; y < kS; ++y, d += kPitch16, src += 2 * kS)
        for (int x = 0; x < 2 * kS; x += 4 * n) {
            const V a = *reinterpret_cast<const V*>(src + x), b = *reinterpret_cast<const V*>(src + x + n);
            const V c = *reinterpret_cast<const V*>(src + x + 2 * n), e = *reinterpret_cast<const V*>(src + x + 3 * n);
            *reinterpret_cast<V*>(d + x) = a;
            *reinterpret_cast<V*>(d + x + n) = b;
            *reinterpret_cast<V*>(d + x + 2 * n) = c;
            *reinterpret_cast<V*>(d + x + 3 * n) = e;
        }
}

void CopyRows128(uint8_t* d, const uint8_t* src) { CopyRows<Vector16>(d, src); }
__attribute__((target("avx2"))) void CopyRows256(uint8_t* d, const uint8_t* src) { CopyRows<Vector32>(d, src); }
__attribute__((target("avx512f"))) void CopyRows512(uint8_t* d, const uint8_t* src) { CopyRows<Vector64>(d, src); }

void RunVectorCopy(benchmark::State& state, bool supported, void (*copy)(uint8_t*, const uint8_t*))
{
    if (!supported) {
        state.SkipWithError("not on this processor");
        return;
    }
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) { copy(d, reinterpret_cast<const uint8_t*>(s.pixels.data())); });
}

void BM_Limit_VectorCopy128(benchmark::State& state) { RunVectorCopy(state, true, CopyRows128); }
BENCHMARK(BM_Limit_VectorCopy128);

void BM_Limit_VectorCopy256(benchmark::State& state)
{
    RunVectorCopy(state, __builtin_cpu_supports("avx2"), CopyRows256);
}
BENCHMARK(BM_Limit_VectorCopy256);

void BM_Limit_VectorCopy512(benchmark::State& state)
{
    RunVectorCopy(state, __builtin_cpu_supports("avx512f"), CopyRows512);
}
BENCHMARK(BM_Limit_VectorCopy512);

void BM_RleCopy565(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) { BltRleCopy16(d, s.runs.data(), s.Rows(), kS * 2, kS, kPitch16, 0); });
}
BENCHMARK(BM_RleCopy565);

void BM_ColorKey565(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) { BltColorKey16(d, s.pixels.data(), kS, kS, kPitch16, kS * 2, 16, s.key); });
}
BENCHMARK(BM_ColorKey565);

void BM_RleAlpha565(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) {
        BltRleAlpha565(d, s.runs.data(), s.Rows(), s.alpha.data(), kS * 2, kS, kPitch16, kS, 0);
    });
}
BENCHMARK(BM_RleAlpha565);

void BM_RleAlpha555(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) {
        BltRleAlpha555(d, s.runs.data(), s.Rows(), s.alpha.data(), kS * 2, kS, kPitch16, kS, 0);
    });
}
BENCHMARK(BM_RleAlpha555);

void BM_RleAlpha32(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    std::vector<uint32_t> buffer(kW * kH, 0xFF204060u);
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 64;
        uint32_t* d = buffer.data() + (step / 8) * ((kH - kS) / 7) * kW + (step % 8) * ((kW - kS) / 7);
        BltRleAlpha32(d, s.runs.data(), s.Rows(), s.alpha.data(), kS * 2, kS, kW * 4, kS, 0);
        benchmark::ClobberMemory();
    }
    Finish(state);
}
BENCHMARK(BM_RleAlpha32);

void BM_RleTransGrade565_k8(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) { BltRleTransGrade565(d, s.runs.data(), s.Rows(), kS * 2, kS, kPitch16, 0, 8); });
}
BENCHMARK(BM_RleTransGrade565_k8);

void BM_RleEnhance565(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    const int level = static_cast<int>(state.range(0));
    RunPaint(state, [&](uint8_t* d) { BltRleEnhance565(d, s.runs.data(), s.Rows(), kS * 2, kS, kPitch16, 0, level); });
}
BENCHMARK(BM_RleEnhance565)->Arg(11)->Arg(21);

void BM_RleHalf565(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) { BltRleHalf565(d, s.runs.data(), s.Rows(), kS * 2, kS, kPitch16, 0); });
}
BENCHMARK(BM_RleHalf565);

void BM_RlePixelShade16(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    std::vector<uint16_t> table(65536);
    for (int i = 0; i < 65536; ++i) table[i] = static_cast<uint16_t>((i >> 1) & 0x7BEF);
    RunPaint(state, [&](uint8_t* d) {
        BltRlePixelShade16(d, s.runs.data(), s.Rows(), kS * 2, kS, kPitch16, 0, table.data());
    });
}
BENCHMARK(BM_RlePixelShade16);

// ---- Turned paints: mirror, stretch (256 -> 320 x 192) and rotation ----------

constexpr int kStretchW = 320, kStretchH = 192;

void BM_RleCopyMirror565(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) { BltRleCopyMirrorH16(d, s.runs.data(), s.Rows(), kS * 2, kS, kPitch16, 0); });
}
BENCHMARK(BM_RleCopyMirror565);

void BM_RleStretch565(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state, [&](uint8_t* d) {
        BltRleStretch16(d, s.runs.data(), s.Rows(), kStretchW * 2, kStretchH, kS * 2, kS, kPitch16, 0);
    });
}
BENCHMARK(BM_RleStretch565);

void BM_RawStretch565(benchmark::State& state)
{
    const BenchSprite& s = Sprite();
    RunPaint(state,
             [&](uint8_t* d) { BltStretch16(d, s.pixels.data(), kStretchW, kStretchH, kS, kS, kPitch16, kS * 2); });
}
BENCHMARK(BM_RawStretch565);

void RunRotate(benchmark::State& state, float spread)
{
    const BenchSprite& s = Sprite();
    std::vector<uint16_t> buffer(kW * kH, 0x4208);
    uint8_t* centre = reinterpret_cast<uint8_t*>(buffer.data() + (kH / 2) * kW + kW / 2);
    float angle = 0.0f;
    for (auto _ : state) {
        angle += 0.1f;
        BltRleRotate16(centre, s.runs.data(), s.Rows(), kS, kS, kPitch16, -kW / 2, kW / 2, -kH / 2, kH / 2, angle,
                       spread);
        benchmark::ClobberMemory();
    }
    Finish(state);
}

void BM_RleRotate565(benchmark::State& state) { RunRotate(state, 0.0f); }
BENCHMARK(BM_RleRotate565);

// With a spread that closes the gaps: many pixels are written twice.
void BM_RleRotateSpread565(benchmark::State& state) { RunRotate(state, 0.3f); }
BENCHMARK(BM_RleRotateSpread565);

#ifdef KESTU_HAVE_PIXMAN

struct PixmanScene {
    std::vector<uint32_t> argb = std::vector<uint32_t>(kS * kS);
    pixman_image_t* src565 = nullptr;
    pixman_image_t* srcArgb = nullptr;
    pixman_image_t* halfMask = nullptr;

    PixmanScene()
    {
        const BenchSprite& s = Sprite();
        for (int i = 0; i < kS * kS; ++i) {
            const uint16_t p = s.pixels[i];
            argb[i] = (uint32_t(s.alpha[i]) << 24) | ((p & 0xF800u) << 8) | ((p & 0x07E0u) << 5) | ((p & 0x1Fu) << 3);
        }
        src565 = pixman_image_create_bits(PIXMAN_r5g6b5, kS, kS,
                                          reinterpret_cast<uint32_t*>(const_cast<uint16_t*>(s.pixels.data())), kS * 2);
        // Premultiplied as pixman expects.
        for (auto& v : argb) {
            const uint32_t a = v >> 24;
            auto mul = [a](uint32_t c) { return (c * a + 127) / 255; };
            v = (a << 24) | (mul((v >> 16) & 0xFF) << 16) | (mul((v >> 8) & 0xFF) << 8) | mul(v & 0xFF);
        }
        srcArgb = pixman_image_create_bits(PIXMAN_a8r8g8b8, kS, kS, argb.data(), kS * 4);
        pixman_color_t half = {0x8000, 0x8000, 0x8000, 0x8000};
        halfMask = pixman_image_create_solid_fill(&half);
    }
    ~PixmanScene()
    {
        pixman_image_unref(src565);
        pixman_image_unref(srcArgb);
        pixman_image_unref(halfMask);
    }
};

template <class Composite>
void RunPixman(benchmark::State& state, Composite composite)
{
    static PixmanScene scene;
    Target t;
    pixman_image_t* dst =
        pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH, reinterpret_cast<uint32_t*>(t.buffer.data()), kPitch16);
    for (auto _ : state) {
        t.step = (t.step + 1) % 64;
        const int x = (t.step % 8) * ((kW - kS) / 7), y = (t.step / 8) * ((kH - kS) / 7);
        composite(scene, dst, x, y);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(dst);
    Finish(state);
}

void BM_Limit_PixmanSrc565(benchmark::State& state)
{
    RunPixman(state, [](PixmanScene& s, pixman_image_t* dst, int x, int y) {
        pixman_image_composite32(PIXMAN_OP_SRC, s.src565, nullptr, dst, 0, 0, 0, 0, x, y, kS, kS);
    });
}
BENCHMARK(BM_Limit_PixmanSrc565);

void BM_Pixman_OverArgbOnto565(benchmark::State& state)
{
    RunPixman(state, [](PixmanScene& s, pixman_image_t* dst, int x, int y) {
        pixman_image_composite32(PIXMAN_OP_OVER, s.srcArgb, nullptr, dst, 0, 0, 0, 0, x, y, kS, kS);
    });
}
BENCHMARK(BM_Pixman_OverArgbOnto565);

void BM_Pixman_OverArgbOnto8888(benchmark::State& state)
{
    static PixmanScene scene;
    std::vector<uint32_t> buffer(kW * kH, 0xFF204060u);
    pixman_image_t* dst = pixman_image_create_bits(PIXMAN_a8r8g8b8, kW, kH, buffer.data(), kW * 4);
    int step = 0;
    for (auto _ : state) {
        step = (step + 1) % 64;
        const int x = (step % 8) * ((kW - kS) / 7), y = (step / 8) * ((kH - kS) / 7);
        pixman_image_composite32(PIXMAN_OP_OVER, scene.srcArgb, nullptr, dst, 0, 0, 0, 0, x, y, kS, kS);
        benchmark::ClobberMemory();
    }
    pixman_image_unref(dst);
    Finish(state);
}
BENCHMARK(BM_Pixman_OverArgbOnto8888);

void BM_Pixman_Over565HalfMask(benchmark::State& state)
{
    RunPixman(state, [](PixmanScene& s, pixman_image_t* dst, int x, int y) {
        pixman_image_composite32(PIXMAN_OP_OVER, s.src565, s.halfMask, dst, 0, 0, 0, 0, x, y, kS, kS);
    });
}
BENCHMARK(BM_Pixman_Over565HalfMask);

// pixman's transformed SRC with nearest filtering: the reference for the
// mirrored, stretched and rotated paints.
template <class Transform>
void RunPixmanTransformed(benchmark::State& state, int w, int h, Transform transform)
{
    static PixmanScene scene;
    Target t;
    pixman_image_t* dst =
        pixman_image_create_bits(PIXMAN_r5g6b5, kW, kH, reinterpret_cast<uint32_t*>(t.buffer.data()), kPitch16);
    pixman_image_set_filter(scene.src565, PIXMAN_FILTER_NEAREST, nullptr, 0);
    float angle = 0.0f;
    for (auto _ : state) {
        angle += 0.1f;
        pixman_transform_t m;
        transform(m, angle);
        pixman_image_set_transform(scene.src565, &m);
        t.step = (t.step + 1) % 64;
        const int x = (t.step % 8) * ((kW - w) / 7), y = (t.step / 8) * ((kH - h) / 7);
        pixman_image_composite32(PIXMAN_OP_SRC, scene.src565, nullptr, dst, 0, 0, 0, 0, x, y, w, h);
        benchmark::ClobberMemory();
    }
    pixman_image_set_transform(scene.src565, nullptr);
    pixman_image_unref(dst);
    Finish(state);
}

void BM_Pixman_SrcMirror565(benchmark::State& state)
{
    RunPixmanTransformed(state, kS, kS, [](pixman_transform_t& m, float) {
        pixman_transform_init_scale(&m, pixman_int_to_fixed(-1), pixman_int_to_fixed(1));
        pixman_transform_translate(&m, nullptr, pixman_int_to_fixed(kS), 0);
    });
}
BENCHMARK(BM_Pixman_SrcMirror565);

void BM_Pixman_SrcStretch565(benchmark::State& state)
{
    RunPixmanTransformed(state, kStretchW, kStretchH, [](pixman_transform_t& m, float) {
        pixman_transform_init_scale(&m, pixman_double_to_fixed(double(kS) / kStretchW),
                                    pixman_double_to_fixed(double(kS) / kStretchH));
    });
}
BENCHMARK(BM_Pixman_SrcStretch565);

void BM_Pixman_SrcRotate565(benchmark::State& state)
{
    RunPixmanTransformed(state, kS, kS, [](pixman_transform_t& m, float angle) {
        pixman_transform_init_translate(&m, pixman_int_to_fixed(-kS / 2), pixman_int_to_fixed(-kS / 2));
        pixman_transform_rotate(&m, nullptr, pixman_double_to_fixed(std::cos(angle)),
                                pixman_double_to_fixed(std::sin(angle)));
        pixman_transform_translate(&m, nullptr, pixman_int_to_fixed(kS / 2), pixman_int_to_fixed(kS / 2));
    });
}
BENCHMARK(BM_Pixman_SrcRotate565);

#endif

} // namespace

int main(int argc, char** argv)
{
    kestu_bench::RatioTable table;
    table.limits.push_back({"copy limit",
                            {"BM_Limit_Memcpy", "BM_Limit_VectorCopy128", "BM_Limit_VectorCopy256",
                             "BM_Limit_VectorCopy512", "BM_Limit_PixmanSrc565"}});
    for (const char* copy : {"BM_RleCopy565", "BM_ColorKey565", "BM_RlePixelShade16"})
        table.compare.push_back({copy, "copy limit"});
#ifdef KESTU_HAVE_PIXMAN
    for (const char* blend : {"BM_RleAlpha565", "BM_RleAlpha555"})
        table.compare.push_back({blend, "BM_Pixman_OverArgbOnto565"});
    table.compare.push_back({"BM_RleAlpha32", "BM_Pixman_OverArgbOnto8888"});
    for (const char* uniform :
         {"BM_RleTransGrade565_k8", "BM_RleEnhance565/11", "BM_RleEnhance565/21", "BM_RleHalf565"})
        table.compare.push_back({uniform, "BM_Pixman_Over565HalfMask"});
    table.compare.push_back({"BM_RleCopyMirror565", "BM_Pixman_SrcMirror565"});
    table.compare.push_back({"BM_RleStretch565", "BM_Pixman_SrcStretch565"});
    table.compare.push_back({"BM_RawStretch565", "BM_Pixman_SrcStretch565"});
    table.compare.push_back({"BM_RleRotate565", "BM_Pixman_SrcRotate565"});
    table.compare.push_back({"BM_RleRotateSpread565", "BM_Pixman_SrcRotate565"});
#else
    for (const char* other : {"BM_RleAlpha565", "BM_RleAlpha555", "BM_RleAlpha32", "BM_RleTransGrade565_k8",
                              "BM_RleEnhance565/11", "BM_RleEnhance565/21", "BM_RleHalf565", "BM_RleCopyMirror565",
                              "BM_RleStretch565", "BM_RawStretch565", "BM_RleRotate565", "BM_RleRotateSpread565"})
        table.compare.push_back({other, "copy limit"});
#endif
    return kestu_bench::RunWithRatios(argc, argv, std::move(table));
}

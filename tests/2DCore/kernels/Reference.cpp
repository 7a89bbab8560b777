#include "kernels/Reference.h"

namespace kestu_test::ref {

void ForEachPiece(const Sprite& s, const View& v,
                  const std::function<void(int dy, int sy, int dx, int sx, int n)>& piece)
{
    for (int dy = 0; dy < v.rows; ++dy) {
        const int sy = v.top + dy;
        int x = v.left;
        const int end = v.left + v.width;
        while (x < end) {
            if (!s.Opaque(x, sy)) {
                ++x;
                continue;
            }
            int n = 1;
            while (x + n < end && s.Opaque(x + n, sy) && !s.RunStart(x + n, sy)) ++n;
            piece(dy, sy, x - v.left, x, n);
            x += n;
        }
    }
}

void ForEachOpaque(const Sprite& s, const View& v, const std::function<void(int dx, int dy, int sx, int sy)>& pixel)
{
    ForEachPiece(s, v, [&](int dy, int sy, int dx, int sx, int n) {
        for (int i = 0; i < n; ++i) pixel(dx + i, dy, sx + i, sy);
    });
}

uint32_t Expand565To32(uint16_t p)
{
    const uint32_t r = (p >> 11) & 31, g = (p >> 5) & 63, b = p & 31;
    return 0xFF000000u + ((r << 3) << 16) + ((g << 2) << 8) + (b << 3);
}

uint16_t Reduce32To565(uint32_t p)
{
    const uint32_t r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
    return static_cast<uint16_t>(((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3));
}

uint16_t To4444(uint16_t p)
{
    const int r8 = ((p >> 11) & 31) * 8, g8 = ((p >> 5) & 63) * 4, b8 = (p & 31) * 8;
    return static_cast<uint16_t>(0xF000 | ((r8 >> 4) << 8) | ((g8 >> 4) << 4) | (b8 >> 4));
}

namespace {

struct Channels {
    int r, g, b;
};

Channels Split(uint16_t p, bool is565)
{
    if (is565) return {(p >> 11) & 31, (p >> 5) & 63, p & 31};
    return {(p >> 10) & 31, (p >> 5) & 31, p & 31};
}

uint16_t Join(Channels c, bool is565)
{
    if (is565) return static_cast<uint16_t>((c.r << 11) | (c.g << 5) | c.b);
    return static_cast<uint16_t>((c.r << 10) | (c.g << 5) | c.b);
}

int FloorDiv(int a, int b) { return a >= 0 ? a / b : -((-a + b - 1) / b); }

} // namespace

uint16_t Blend16(uint16_t s, uint16_t d, int level, bool is565)
{
    if (level == 0) return d;
    if (level == 15) return s;
    const Channels a = Split(s, is565), b = Split(d, is565);
    const int k = level;
    return Join({(k * a.r + (16 - k) * b.r) / 16, (k * a.g + (16 - k) * b.g) / 16, (k * a.b + (16 - k) * b.b) / 16},
                is565);
}

uint32_t Blend32(uint16_t s565, uint32_t d, int alpha)
{
    const int s[3] = {((s565 >> 11) & 31) * 8, ((s565 >> 5) & 63) * 4, (s565 & 31) * 8};
    const int dd[3] = {int((d >> 16) & 0xFF), int((d >> 8) & 0xFF), int(d & 0xFF)};
    int c[3];
    for (int i = 0; i < 3; ++i) c[i] = dd[i] + FloorDiv((s[i] - dd[i]) * alpha, 256);
    return static_cast<uint32_t>((c[0] << 16) | (c[1] << 8) | c[2]);
}

int ScaleByGrade(int a, int g)
{
    switch (g) {
    case 0: return 0;
    case 1: return a >> 4;
    case 2: return a >> 3;
    case 3: return (a >> 3) + (a >> 4);
    case 4: return a >> 2;
    case 5: return (a >> 2) + (a >> 4);
    case 6: return (a >> 2) + (a >> 3);
    case 7: return (a >> 1) - (a >> 4);
    case 8: return a >> 1;
    case 9: return (a >> 1) + (a >> 4);
    case 10: return (a >> 1) + (a >> 3);
    case 11: return (a >> 1) + (a >> 3) + (a >> 4);
    case 12: return (a >> 1) + (a >> 2);
    case 13: return a - (a >> 3) - (a >> 4);
    case 14: return a - (a >> 3);
    case 15: return a - (a >> 4);
    default: return a;
    }
}

uint16_t Grade(uint16_t s, uint16_t d, int grade, bool is565) { return Blend16(s, d, grade >= 15 ? 15 : grade, is565); }

namespace {

unsigned EnhanceField(unsigned c, unsigned m, int k)
{
    auto sat = [m](unsigned v) { return v > m ? m : v; };
    switch (k) {
    case 0: return 0;
    case 1: return (c >> 4) & m;
    case 2: return (c >> 3) & m;
    case 3: return ((c >> 4) + (c >> 3)) & m;
    case 4: return (c >> 2) & m;
    case 5: return ((c >> 2) + (c >> 4)) & m;
    case 6: return ((c >> 2) + (c >> 3)) & m;
    case 7: return ((c >> 1) - (c >> 4)) & m;
    case 8: return (c >> 1) & m;
    case 9: return ((c >> 1) + (c >> 4)) & m;
    case 10: return ((c >> 1) + (c >> 3)) & m;
    case 11: return ((c >> 1) + (c >> 3) + (c >> 4)) & m;
    case 12: return ((c >> 1) + (c >> 2)) & m;
    case 13: return (c - (c >> 3) - (c >> 4)) & m;
    case 14: return (c - (c >> 3)) & m;
    case 15: return (c - (c >> 4)) & m;
    case 16: return c;
    case 17: return sat(c + ((c >> 4) & m));
    case 18: return sat(c + ((c >> 3) & m));
    case 19: return sat(c + (((c >> 4) + (c >> 3)) & m));
    case 20: return sat(c + ((c >> 2) & m));
    case 21: return sat(c + (((c >> 2) + (c >> 3)) & m));
    case 22: return sat(c + ((c >> 1) & m));
    case 23: return sat(c + (((c >> 1) + (c >> 3)) & m));
    case 24: return sat(c + (((c >> 1) + (c >> 2)) & m));
    case 25: return sat(c + ((c - (c >> 3)) & m));
    case 26: return sat(c * 2);
    case 27: return sat(c * 4);
    case 28: return sat(c * 8);
    default: return m;
    }
}

} // namespace

uint16_t Enhance(uint16_t p, int level, bool is565)
{
    if (level == 16) return p;
    const unsigned R = is565 ? 0xF800 : 0x7C00, G = is565 ? 0x07E0 : 0x03E0, B = 0x1F;
    return static_cast<uint16_t>(EnhanceField(p & R, R, level) | EnhanceField(p & G, G, level) |
                                 EnhanceField(p & B, B, level));
}

uint16_t Grey(uint16_t p, bool is565)
{
    const Channels c = Split(p, is565);
    const int v = (c.b >> 2) + (c.g >> 3) + (c.r >> 1);
    return is565 ? static_cast<uint16_t>(v | (v << 6) | (v << 11)) : static_cast<uint16_t>(v | (v << 5) | (v << 10));
}

uint16_t Half(uint16_t s, uint16_t d, bool is565)
{
    const uint32_t G = is565 ? 0x07E0 : 0x03E0, R = is565 ? 0xF800 : 0x7C00;
    const uint32_t b = ((s & 0x1Fu) + (d & 0x1Fu)) >> 1;
    const uint32_t g = (((s & G) + (d & G)) >> 1) & G;
    const uint32_t r = (((s & R) + (d & R)) >> 1) & R;
    return static_cast<uint16_t>(r | g | b);
}

uint16_t MaskedHalf(uint16_t s, uint16_t d, uint16_t m)
{
    return static_cast<uint16_t>((((uint32_t(s) & m) + (uint32_t(d) & m)) >> 1) & m);
}

} // namespace kestu_test::ref

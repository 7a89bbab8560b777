// Pixel layouts shared by GDI bitmaps, window stores and DirectDraw surfaces,
// with conversion to and from 0x00RRGGBB.
#pragma once
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "wingdi.h"

namespace kestu::platform {

struct PixelLayout {
    int bits = 32; // 1, 8, 16, 24 or 32
    uint32_t rMask = 0x00FF0000;
    uint32_t gMask = 0x0000FF00;
    uint32_t bMask = 0x000000FF;

    static PixelLayout Indexed(int bits) { return PixelLayout{bits, 0, 0, 0}; }
    static PixelLayout Rgb555() { return PixelLayout{16, 0x7C00, 0x03E0, 0x001F}; }
    static PixelLayout Rgb565() { return PixelLayout{16, 0xF800, 0x07E0, 0x001F}; }
    static PixelLayout Rgb24() { return PixelLayout{24, 0xFF0000, 0xFF00, 0xFF}; }
    static PixelLayout Xrgb32() { return PixelLayout{32, 0xFF0000, 0xFF00, 0xFF}; }

    bool indexed() const { return bits <= 8; }
    bool operator==(const PixelLayout& o) const
    {
        return bits == o.bits && rMask == o.rMask && gMask == o.gMask && bMask == o.bMask;
    }
};

// One channel's mask taken apart: value = (pixel & mask) >> shift, `width` bits.
struct ChannelMask {
    uint32_t mask = 0;
    int shift = 0;
    int width = 0;
    explicit ChannelMask(uint32_t m) : mask(m)
    {
        if (m == 0) return;
        while (((m >> shift) & 1u) == 0) ++shift;
        while (width < 32 && ((m >> (shift + width)) & 1u) != 0) ++width;
    }
    // Expands to 8 bits by repeating the high bits.
    uint32_t Read8(uint32_t pixel) const
    {
        if (width == 0) return 0;
        uint32_t v = (pixel & mask) >> shift;
        if (width >= 8) return v >> (width - 8);
        uint32_t out = v << (8 - width);
        for (int have = width; have < 8; have += width) out |= out >> width;
        return out & 0xFF;
    }
    uint32_t Write8(uint32_t c8) const
    {
        if (width == 0) return 0;
        uint32_t v = width >= 8 ? c8 << (width - 8) : c8 >> (8 - width);
        return (v << shift) & mask;
    }
};

// Reads and writes pixels of one layout; the palette is used for indexed layouts.
class PixelCodec {
public:
    PixelCodec(const PixelLayout& layout, const RGBQUAD* palette, int paletteSize)
        : layout_(layout), r_(layout.rMask), g_(layout.gMask), b_(layout.bMask), palette_(palette),
          paletteSize_(paletteSize)
    {
    }

    const PixelLayout& layout() const { return layout_; }

    uint32_t Raw(const uint8_t* row, int x) const
    {
        switch (layout_.bits) {
        case 1: return (row[x >> 3] >> (7 - (x & 7))) & 1u;
        case 4: return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xFu;
        case 8: return row[x];
        case 16: {
            uint16_t v;
            std::memcpy(&v, row + x * 2, 2);
            return v;
        }
        case 24: return row[x * 3] | (row[x * 3 + 1] << 8) | (static_cast<uint32_t>(row[x * 3 + 2]) << 16);
        default: {
            uint32_t v;
            std::memcpy(&v, row + x * 4, 4);
            return v;
        }
        }
    }

    void PutRaw(uint8_t* row, int x, uint32_t v) const
    {
        switch (layout_.bits) {
        case 1: {
            const uint8_t bit = static_cast<uint8_t>(0x80u >> (x & 7));
            row[x >> 3] = static_cast<uint8_t>((v & 1u) ? (row[x >> 3] | bit) : (row[x >> 3] & ~bit));
            break;
        }
        case 4: {
            const int shift = (x & 1) ? 0 : 4;
            row[x >> 1] = static_cast<uint8_t>((row[x >> 1] & ~(0xF << shift)) | ((v & 0xF) << shift));
            break;
        }
        case 8: row[x] = static_cast<uint8_t>(v); break;
        case 16: {
            uint16_t s = static_cast<uint16_t>(v);
            std::memcpy(row + x * 2, &s, 2);
            break;
        }
        case 24:
            row[x * 3] = static_cast<uint8_t>(v);
            row[x * 3 + 1] = static_cast<uint8_t>(v >> 8);
            row[x * 3 + 2] = static_cast<uint8_t>(v >> 16);
            break;
        default: std::memcpy(row + x * 4, &v, 4); break;
        }
    }

    uint32_t RawToRgb(uint32_t raw) const
    {
        if (layout_.indexed()) {
            if (palette_ == nullptr || static_cast<int>(raw) >= paletteSize_) return 0;
            const RGBQUAD& q = palette_[raw];
            return (static_cast<uint32_t>(q.rgbRed) << 16) | (q.rgbGreen << 8) | q.rgbBlue;
        }
        return (r_.Read8(raw) << 16) | (g_.Read8(raw) << 8) | b_.Read8(raw);
    }

    uint32_t RgbToRaw(uint32_t rgb) const
    {
        if (layout_.indexed()) return NearestIndex(rgb);
        return r_.Write8((rgb >> 16) & 0xFF) | g_.Write8((rgb >> 8) & 0xFF) | b_.Write8(rgb & 0xFF);
    }

    uint32_t Read(const uint8_t* row, int x) const { return RawToRgb(Raw(row, x)); }
    void Write(uint8_t* row, int x, uint32_t rgb) const { PutRaw(row, x, RgbToRaw(rgb)); }

    uint32_t NearestIndex(uint32_t rgb) const
    {
        if (palette_ == nullptr || paletteSize_ <= 0) return 0;
        const int r = (rgb >> 16) & 0xFF, g = (rgb >> 8) & 0xFF, b = rgb & 0xFF;
        int best = 0;
        int bestDist = 1 << 30;
        for (int i = 0; i < paletteSize_; ++i) {
            const int dr = palette_[i].rgbRed - r, dg = palette_[i].rgbGreen - g, db = palette_[i].rgbBlue - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) {
                bestDist = d;
                best = i;
                if (d == 0) break;
            }
        }
        return static_cast<uint32_t>(best);
    }

private:
    PixelLayout layout_;
    ChannelMask r_, g_, b_;
    const RGBQUAD* palette_;
    int paletteSize_;
};

// A rectangle of pixels: row 0 is the top row; stride may be negative.
struct PixelView {
    uint8_t* top = nullptr;
    int width = 0;
    int height = 0;
    ptrdiff_t stride = 0;
    PixelLayout layout;
    const RGBQUAD* palette = nullptr;
    int paletteSize = 0;

    uint8_t* Row(int y) const { return top + stride * y; }
    bool valid() const { return top != nullptr && width > 0 && height > 0; }
};

inline uint32_t ColorRefToRgb(COLORREF c) { return ((c & 0xFF) << 16) | (c & 0xFF00) | ((c >> 16) & 0xFF); }
inline COLORREF RgbToColorRef(uint32_t rgb) { return ((rgb >> 16) & 0xFF) | (rgb & 0xFF00) | ((rgb & 0xFF) << 16); }

} // namespace kestu::platform

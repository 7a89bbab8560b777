// Windows bitmaps: BMP files and bare DIBs (header, palette, bits).
#include <bit>

#include "d3dx8/image_codec.h"
#include "kestu_bytes.h"

namespace kestu::d3dx {
namespace {

constexpr uint32_t kRgb = 0, kRle8 = 1, kRle4 = 2, kBitfields = 3;

struct Mask {
    uint32_t mask = 0;
    uint32_t shift = 0;
    uint32_t bits = 0;
    void Set(uint32_t m)
    {
        mask = m;
        shift = m ? (uint32_t)std::countr_zero(m) : 0;
        bits = m ? (uint32_t)std::popcount(m >> shift) : 0;
        if (bits > 8) { // keep the top eight bits of wide channels
            shift += bits - 8;
            bits = 8;
        }
    }
    uint32_t Get(uint32_t v) const { return mask ? ExpandBits((v & mask) >> shift & ((1u << bits) - 1), bits) : 0; }
};

// Pixels a run-length stream never writes (skipped by a delta, an end of
// line or an early end of the picture).
constexpr uint16_t kRleSkipped = 0x100;

// RLE8/RLE4 into an index image (bottom-up rows as stored) that starts out
// all kRleSkipped. False on a run that leaves the picture or on data that
// ends early.
bool DecodeRle(ByteReader& r, bool four, uint32_t width, uint32_t height, std::vector<uint16_t>& idx)
{
    uint32_t x = 0, y = 0;
    for (;;) {
        if (r.left() < 2) return y + 1 >= height; // a missing end marker after the last row is tolerated
        const uint32_t count = r.U8();
        const uint32_t value = r.U8();
        if (count > 0) {
            if (y >= height || count > width - x) return false;
            for (uint32_t i = 0; i < count; ++i)
                idx[(size_t)y * width + x++] = four ? (uint16_t)((i & 1) ? value & 15 : value >> 4) : (uint16_t)value;
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of bitmap
            return true;
        } else if (value == 2) {
            const uint32_t dx = r.U8(), dy = r.U8();
            if (!r.ok() || dx > width - x || dy > height - y) return false;
            x += dx;
            y += dy;
        } else {
            if (y >= height || value > width - x) return false;
            const uint32_t bytes = four ? (value + 1) / 2 : value;
            if (r.left() < bytes) return false;
            const uint8_t* p = r.here();
            for (uint32_t i = 0; i < value; ++i)
                idx[(size_t)y * width + x++] = four ? (uint16_t)((i & 1) ? p[i / 2] & 15 : p[i / 2] >> 4) : p[i];
            // Runs are padded to 16 bits; a pad missing at the very end ends the data.
            r.Skip(bytes + (bytes & 1));
        }
        if (y > height) return false;
    }
}

} // namespace

HRESULT DecodeBmp(const uint8_t* data, size_t size, bool infoOnly, bool withFileHeader, ImageFile& out)
{
    ByteReader r(data, size);
    size_t base = 0;
    uint32_t offBits = 0;
    if (withFileHeader) {
        r.Skip(10);
        offBits = r.U32();
        base = 14;
    }
    const uint32_t headerSize = r.U32();
    int64_t width = 0, height = 0;
    uint32_t planes = 0, bits = 0, compression = kRgb, colorsUsed = 0;
    Mask masks[4];
    bool core = headerSize == 12;
    if (core) {
        width = r.U16();
        height = r.U16();
        planes = r.U16();
        bits = r.U16();
    } else {
        if (headerSize < 40 || headerSize > 1024) return D3DXERR_INVALIDDATA;
        width = r.I32();
        height = r.I32();
        planes = r.U16();
        bits = r.U16();
        compression = r.U32();
        r.Skip(12);
        colorsUsed = r.U32();
        r.Skip(4);
        if (headerSize >= 52) {
            masks[0].Set(r.U32());
            masks[1].Set(r.U32());
            masks[2].Set(r.U32());
            if (headerSize >= 56) masks[3].Set(r.U32());
        }
    }
    if (!r.ok() || planes != 1) return D3DXERR_INVALIDDATA;
    if (!r.Seek(base + headerSize)) return D3DXERR_INVALIDDATA;
    if (compression == kBitfields && headerSize == 40) {
        masks[0].Set(r.U32());
        masks[1].Set(r.U32());
        masks[2].Set(r.U32());
    }
    const bool topDown = height < 0;
    if (topDown) height = -height;
    if (!ImageSizeAllowed((uint64_t)width, (uint64_t)height)) return D3DXERR_INVALIDDATA;
    switch (compression) {
    case kRgb:
        if (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32) return D3DXERR_INVALIDDATA;
        break;
    case kRle8:
        if (bits != 8 || topDown) return D3DXERR_INVALIDDATA;
        break;
    case kRle4:
        if (bits != 4 || topDown) return D3DXERR_INVALIDDATA;
        break;
    case kBitfields:
        if ((bits != 16 && bits != 32) || !(masks[0].mask | masks[1].mask | masks[2].mask)) return D3DXERR_INVALIDDATA;
        break;
    default: return D3DXERR_INVALIDDATA;
    }
    if (compression == kRgb && bits == 16) {
        masks[0].Set(0x7C00);
        masks[1].Set(0x03E0);
        masks[2].Set(0x001F);
    } else if (compression == kRgb && bits >= 24) {
        masks[0].Set(0xFF0000);
        masks[1].Set(0x00FF00);
        masks[2].Set(0x0000FF);
    }

    out.fileFormat = withFileHeader ? kFileBmp : kFileDib;
    out.width = (uint32_t)width;
    out.height = (uint32_t)height;
    if (bits <= 8)
        out.format = D3DFMT_P8;
    else if (bits == 24)
        out.format = D3DFMT_R8G8B8;
    else if (bits == 32)
        out.format = masks[3].mask ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    else if (masks[1].mask == 0x07E0)
        out.format = D3DFMT_R5G6B5;
    else if (masks[3].mask == 0x8000)
        out.format = D3DFMT_A1R5G5B5;
    else if (masks[3].mask == 0xF000)
        out.format = D3DFMT_A4R4G4B4;
    else
        out.format = D3DFMT_X1R5G5B5;

    if (bits <= 8) {
        const uint32_t maxColors = 1u << bits;
        uint32_t count = colorsUsed ? colorsUsed : maxColors;
        if (count > maxColors) return D3DXERR_INVALIDDATA;
        const uint32_t entry = core ? 3 : 4;
        out.palette.assign(256, 0xFF000000u);
        for (uint32_t i = 0; i < count; ++i) {
            const uint32_t b = r.U8(), g = r.U8(), rr = r.U8();
            if (entry == 4) r.U8();
            out.palette[i] = 0xFF000000u | (rr << 16) | (g << 8) | b;
        }
        if (!r.ok()) return D3DXERR_INVALIDDATA;
    }
    if (withFileHeader) {
        if (!r.Seek(offBits)) return D3DXERR_INVALIDDATA;
    }

    const uint32_t w = out.width, h = out.height;
    const uint64_t stride = (((uint64_t)w * bits + 31) / 32) * 4;
    if (compression != kRle8 && compression != kRle4 && r.left() < stride * (h - 1) + ((uint64_t)w * bits + 7) / 8)
        return D3DXERR_INVALIDDATA;
    if (infoOnly) return S_OK;

    Image image;
    if (!image.Allocate(w, h)) return D3DXERR_INVALIDDATA;
    if (compression == kRle8 || compression == kRle4) {
        // Skipped pixels carry no colour in the file: they come out
        // transparent black, not as colour-table entry 0 (often an opaque
        // colour), the same for RLE4 and RLE8.
        std::vector<uint16_t> idx((size_t)w * h, kRleSkipped);
        if (!DecodeRle(r, compression == kRle4, w, h, idx)) return D3DXERR_INVALIDDATA;
        for (uint32_t y = 0; y < h; ++y) {
            uint32_t* dst = image.Row(h - 1 - y);
            const uint16_t* src = idx.data() + (size_t)y * w;
            for (uint32_t x = 0; x < w; ++x) dst[x] = src[x] == kRleSkipped ? 0u : out.palette[src[x]];
        }
    } else {
        const uint8_t* start = r.here();
        for (uint32_t y = 0; y < h; ++y) {
            const uint8_t* src = start + stride * y;
            uint32_t* dst = image.Row(topDown ? y : h - 1 - y);
            if (bits <= 8) {
                const uint32_t perByte = 8 / bits, mask = (1u << bits) - 1;
                for (uint32_t x = 0; x < w; ++x) {
                    const uint32_t shift = 8 - bits * (x % perByte + 1);
                    dst[x] = out.palette[(src[x / perByte] >> shift) & mask];
                }
            } else if (bits == 24 && compression == kRgb) {
                for (uint32_t x = 0; x < w; ++x, src += 3)
                    dst[x] = 0xFF000000u | ((uint32_t)src[2] << 16) | ((uint32_t)src[1] << 8) | src[0];
            } else {
                const uint32_t bytes = bits / 8;
                for (uint32_t x = 0; x < w; ++x, src += bytes) {
                    uint32_t v = src[0] | (src[1] << 8);
                    if (bytes == 4) v |= ((uint32_t)src[2] << 16) | ((uint32_t)src[3] << 24);
                    const uint32_t a = masks[3].mask ? masks[3].Get(v) : 255;
                    dst[x] = (a << 24) | (masks[0].Get(v) << 16) | (masks[1].Get(v) << 8) | masks[2].Get(v);
                }
            }
        }
    }
    out.images.push_back(std::move(image));
    return S_OK;
}

HRESULT EncodeBmp(const Image& image, bool alpha, std::vector<uint8_t>& out)
{
    if (image.width == 0 || image.height == 0) return E_INVALIDARG;
    const uint32_t w = image.width, h = image.height;
    const uint32_t bytes = alpha ? 4 : 3;
    const uint32_t stride = (w * bytes + 3) & ~3u;
    const uint32_t headerSize = alpha ? 108 : 40;
    const uint32_t offBits = 14 + headerSize;
    out.clear();
    out.reserve(offBits + (size_t)stride * h);
    ByteWriter wr(out);
    wr.U8('B');
    wr.U8('M');
    wr.U32(offBits + stride * h);
    wr.U32(0);
    wr.U32(offBits);
    wr.U32(headerSize);
    wr.U32(w);
    wr.U32(h);
    wr.U16(1);
    wr.U16((uint16_t)(bytes * 8));
    wr.U32(alpha ? kBitfields : kRgb);
    wr.U32(stride * h);
    wr.U32(2835);
    wr.U32(2835);
    wr.U32(0);
    wr.U32(0);
    if (alpha) {
        wr.U32(0x00FF0000);
        wr.U32(0x0000FF00);
        wr.U32(0x000000FF);
        wr.U32(0xFF000000);
        wr.U32(0x73524742); // 'sRGB'
        wr.Zeros(36 + 12);
    }
    for (uint32_t y = 0; y < h; ++y) {
        const uint32_t* src = image.Row(h - 1 - y);
        for (uint32_t x = 0; x < w; ++x) {
            wr.U8((uint8_t)src[x]);
            wr.U8((uint8_t)(src[x] >> 8));
            wr.U8((uint8_t)(src[x] >> 16));
            if (alpha) wr.U8((uint8_t)(src[x] >> 24));
        }
        wr.Zeros(stride - w * bytes);
    }
    return S_OK;
}

} // namespace kestu::d3dx

// Targa files: colour-mapped, true-colour and grey, raw or run-length coded.
#include "d3dx8/image_codec.h"
#include "kestu_bytes.h"

namespace kestu::d3dx {
namespace {

uint32_t PixelFromBytes(const uint8_t* p, uint32_t bytes, uint32_t depth, bool alpha)
{
    switch (depth) {
    case 8: return 0xFF000000u | (p[0] * 0x010101u);
    case 15:
    case 16: {
        // With an attribute bit declared, bit 15 of a 16-bit pixel is its
        // alpha (A1R5G5B5); a 15-bit pixel has none and stays opaque.
        const uint32_t v = p[0] | (p[1] << 8);
        const uint32_t a = depth == 16 && alpha && !(v & 0x8000) ? 0 : 255;
        return (a << 24) | (ExpandBits((v >> 10) & 31, 5) << 16) | (ExpandBits((v >> 5) & 31, 5) << 8) |
               ExpandBits(v & 31, 5);
    }
    case 24: return 0xFF000000u | ((uint32_t)p[2] << 16) | ((uint32_t)p[1] << 8) | p[0];
    default:
        (void)bytes;
        return ((alpha ? (uint32_t)p[3] : 255u) << 24) | ((uint32_t)p[2] << 16) | ((uint32_t)p[1] << 8) | p[0];
    }
}

} // namespace

HRESULT DecodeTga(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out)
{
    ByteReader r(data, size);
    const uint32_t idLength = r.U8();
    const uint32_t mapType = r.U8();
    const uint32_t imageType = r.U8();
    const uint32_t mapFirst = r.U16();
    const uint32_t mapLength = r.U16();
    const uint32_t mapEntry = r.U8();
    r.Skip(4);
    const uint32_t width = r.U16();
    const uint32_t height = r.U16();
    const uint32_t depth = r.U8();
    const uint32_t descriptor = r.U8();
    if (!r.ok() || mapType > 1) return D3DXERR_INVALIDDATA;
    const bool rle = imageType >= 9;
    const uint32_t kind = rle ? imageType - 8 : imageType;
    const uint32_t alphaBits = descriptor & 15;
    switch (kind) {
    case 1:
        if (mapType != 1 || (depth != 8 && depth != 16) || mapLength == 0 || mapFirst + mapLength > 65536)
            return D3DXERR_INVALIDDATA;
        if (mapEntry != 15 && mapEntry != 16 && mapEntry != 24 && mapEntry != 32) return D3DXERR_INVALIDDATA;
        break;
    case 2:
        if (depth != 15 && depth != 16 && depth != 24 && depth != 32) return D3DXERR_INVALIDDATA;
        break;
    case 3:
        if (depth != 8 && depth != 16) return D3DXERR_INVALIDDATA;
        break;
    default: return D3DXERR_INVALIDDATA;
    }
    if (imageType > 11 || (imageType > 3 && imageType < 9)) return D3DXERR_INVALIDDATA;
    if (!ImageSizeAllowed(width, height)) return D3DXERR_INVALIDDATA;
    if (descriptor & 0xC0) return D3DXERR_INVALIDDATA; // interleaving is not a thing we read

    out.fileFormat = kFileTga;
    out.width = width;
    out.height = height;
    const bool alpha = alphaBits > 0;
    if (kind == 1)
        out.format = D3DFMT_P8;
    else if (kind == 3)
        out.format = depth == 8 ? D3DFMT_L8 : D3DFMT_A8L8;
    else if (depth == 24)
        out.format = D3DFMT_R8G8B8;
    else if (depth == 32)
        out.format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    else
        out.format = alpha && depth == 16 ? D3DFMT_A1R5G5B5 : D3DFMT_X1R5G5B5;

    r.Skip(idLength);
    std::vector<uint32_t> map;
    if (mapType == 1) {
        const uint32_t entryBytes = (mapEntry + 7) / 8;
        if (r.left() < (size_t)mapLength * entryBytes) return D3DXERR_INVALIDDATA;
        if (kind != 1) {
            r.Skip((size_t)mapLength * entryBytes); // a map beside true-colour pixels is not used
        } else {
            map.assign(mapFirst + mapLength, 0xFF000000u);
            for (uint32_t i = 0; i < mapLength; ++i) {
                map[mapFirst + i] =
                    PixelFromBytes(r.here(), entryBytes, mapEntry, mapEntry == 32 || (mapEntry == 16 && alpha));
                r.Skip(entryBytes);
            }
            out.palette.assign(256, 0xFF000000u);
            for (size_t i = 0; i < 256 && i < map.size(); ++i) out.palette[i] = map[i];
        }
    }
    if (!r.ok()) return D3DXERR_INVALIDDATA;
    const uint32_t bytes = (depth + 7) / 8;
    if (!rle && r.left() < (uint64_t)width * height * bytes) return D3DXERR_INVALIDDATA;
    if (infoOnly) return S_OK;

    auto convert = [&](const uint8_t* p) -> uint32_t {
        if (kind == 1) {
            const uint32_t index = depth == 8 ? p[0] : (uint32_t)(p[0] | (p[1] << 8));
            return index < map.size() ? map[index] : 0xFF000000u;
        }
        if (kind == 3)
            return depth == 8 ? 0xFF000000u | (p[0] * 0x010101u) : ((uint32_t)p[1] << 24) | (p[0] * 0x010101u);
        return PixelFromBytes(p, bytes, depth, alpha);
    };

    Image image;
    if (!image.Allocate(width, height)) return D3DXERR_INVALIDDATA;
    const size_t total = (size_t)width * height;
    // Pixels in file order; placed by the origin bits afterwards.
    std::vector<uint32_t> seq(total);
    if (!rle) {
        const uint8_t* p = r.here();
        for (size_t i = 0; i < total; ++i, p += bytes) seq[i] = convert(p);
    } else {
        size_t i = 0;
        while (i < total) {
            const uint32_t head = r.U8();
            if (!r.ok()) return D3DXERR_INVALIDDATA;
            const size_t count = (head & 127) + 1;
            if (count > total - i) return D3DXERR_INVALIDDATA;
            if (head & 128) {
                if (r.left() < bytes) return D3DXERR_INVALIDDATA;
                const uint32_t v = convert(r.here());
                r.Skip(bytes);
                for (size_t k = 0; k < count; ++k) seq[i++] = v;
            } else {
                if (r.left() < count * bytes) return D3DXERR_INVALIDDATA;
                for (size_t k = 0; k < count; ++k, r.Skip(bytes)) seq[i++] = convert(r.here());
            }
        }
    }
    const bool topDown = (descriptor & 0x20) != 0;
    const bool rightToLeft = (descriptor & 0x10) != 0;
    for (uint32_t y = 0; y < height; ++y) {
        const uint32_t* src = seq.data() + (size_t)y * width;
        uint32_t* dst = image.Row(topDown ? y : height - 1 - y);
        if (rightToLeft)
            for (uint32_t x = 0; x < width; ++x) dst[width - 1 - x] = src[x];
        else
            std::copy(src, src + width, dst);
    }
    out.images.push_back(std::move(image));
    return S_OK;
}

HRESULT EncodeTga(const Image& image, bool alpha, std::vector<uint8_t>& out)
{
    if (image.width == 0 || image.height == 0 || image.width > 65535 || image.height > 65535) return E_INVALIDARG;
    out.clear();
    ByteWriter wr(out);
    wr.U8(0);
    wr.U8(0);
    wr.U8(2);
    wr.Zeros(5);
    wr.U16(0);
    wr.U16(0);
    wr.U16((uint16_t)image.width);
    wr.U16((uint16_t)image.height);
    wr.U8(alpha ? 32 : 24);
    wr.U8(alpha ? 0x28 : 0x20);
    for (uint32_t y = 0; y < image.height; ++y) {
        const uint32_t* src = image.Row(y);
        for (uint32_t x = 0; x < image.width; ++x) {
            wr.U8((uint8_t)src[x]);
            wr.U8((uint8_t)(src[x] >> 8));
            wr.U8((uint8_t)(src[x] >> 16));
            if (alpha) wr.U8((uint8_t)(src[x] >> 24));
        }
    }
    return S_OK;
}

} // namespace kestu::d3dx

// DDS files: uncompressed and DXT surfaces, mip chains and cube maps.
#include <algorithm>

#include "d3d8/format.h"
#include "d3dx8/image_codec.h"
#include "kestu_bytes.h"

namespace kestu::d3dx {
namespace {

constexpr uint32_t kCaps = 0x1, kHeight = 0x2, kWidth = 0x4, kPitch = 0x8, kPixelFormat = 0x1000, kMipCount = 0x20000,
                   kLinearSize = 0x80000;
constexpr uint32_t kAlphaPixels = 0x1, kAlpha = 0x2, kFourCC = 0x4, kPal8 = 0x20, kRgb = 0x40, kLuminance = 0x20000,
                   kBump = 0x80000;
constexpr uint32_t kComplex = 0x8, kTexture = 0x1000, kMipmap = 0x400000;
constexpr uint32_t kCubemap = 0x200, kAllFaces = 0xFC00, kVolume = 0x200000;

struct DdsFormat {
    D3DFORMAT format;
    uint32_t flags;
    uint32_t bits;
    uint32_t r, g, b, a;
};

const DdsFormat kFormats[] = {
    {D3DFMT_A8R8G8B8, kRgb | kAlphaPixels, 32, 0xFF0000, 0xFF00, 0xFF, 0xFF000000},
    {D3DFMT_X8R8G8B8, kRgb, 32, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_R8G8B8, kRgb, 24, 0xFF0000, 0xFF00, 0xFF, 0},
    {D3DFMT_R5G6B5, kRgb, 16, 0xF800, 0x07E0, 0x001F, 0},
    {D3DFMT_X1R5G5B5, kRgb, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {D3DFMT_A1R5G5B5, kRgb | kAlphaPixels, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {D3DFMT_A4R4G4B4, kRgb | kAlphaPixels, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {D3DFMT_X4R4G4B4, kRgb, 16, 0x0F00, 0x00F0, 0x000F, 0},
    {D3DFMT_R3G3B2, kRgb, 8, 0xE0, 0x1C, 0x03, 0},
    {D3DFMT_A8R3G3B2, kRgb | kAlphaPixels, 16, 0xE0, 0x1C, 0x03, 0xFF00},
    {D3DFMT_A2B10G10R10, kRgb | kAlphaPixels, 32, 0x3FF, 0xFFC00, 0x3FF00000, 0xC0000000},
    {D3DFMT_G16R16, kRgb, 32, 0xFFFF, 0xFFFF0000, 0, 0},
    {D3DFMT_A8, kAlpha, 8, 0, 0, 0, 0xFF},
    {D3DFMT_L8, kLuminance, 8, 0xFF, 0, 0, 0},
    {D3DFMT_A8L8, kLuminance | kAlphaPixels, 16, 0xFF, 0, 0, 0xFF00},
    {D3DFMT_A4L4, kLuminance | kAlphaPixels, 8, 0x0F, 0, 0, 0xF0},
    {D3DFMT_V8U8, kBump, 16, 0xFF, 0xFF00, 0, 0},
};

// Takes the raw word: a four-character code need not be a known format.
bool IsDxt(uint32_t f)
{
    return f == (uint32_t)D3DFMT_DXT1 || f == (uint32_t)D3DFMT_DXT2 || f == (uint32_t)D3DFMT_DXT3 ||
           f == (uint32_t)D3DFMT_DXT4 || f == (uint32_t)D3DFMT_DXT5;
}

D3DFORMAT FormatFromPixelFormat(uint32_t flags, uint32_t fourCC, uint32_t bits, const uint32_t m[4])
{
    if (flags & kFourCC) {
        if (IsDxt(fourCC)) return (D3DFORMAT)fourCC;
        // Some writers put a numeric format in the four-character code.
        for (const DdsFormat& f : kFormats)
            if ((uint32_t)f.format == fourCC) return f.format;
        return D3DFMT_UNKNOWN;
    }
    const uint32_t kind = flags & (kRgb | kLuminance | kAlpha | kBump | kPal8);
    for (const DdsFormat& f : kFormats) {
        if ((f.flags & ~kAlphaPixels) != kind || f.bits != bits) continue;
        const uint32_t alphaMask = (flags & (kAlphaPixels | kAlpha)) ? m[3] : 0;
        if (f.r == m[0] && f.g == m[1] && f.b == m[2] && f.a == alphaMask) return f.format;
    }
    // Tolerate X8R8G8B8 files that set an alpha mask without the alpha flag and the like.
    for (const DdsFormat& f : kFormats)
        if ((f.flags & ~kAlphaPixels) == kind && f.bits == bits && f.r == m[0] && f.g == m[1] && f.b == m[2])
            return f.format;
    return D3DFMT_UNKNOWN;
}

} // namespace

HRESULT DecodeDds(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out)
{
    ByteReader r(data, size);
    if (r.U32() != 0x20534444u) return D3DXERR_INVALIDDATA; // "DDS "
    const uint32_t headerSize = r.U32();
    const uint32_t flags = r.U32();
    const uint32_t height = r.U32();
    const uint32_t width = r.U32();
    r.U32(); // pitch or linear size: recomputed
    const uint32_t depth = r.U32();
    const uint32_t mipCount = r.U32();
    r.Skip(44);
    const uint32_t pfSize = r.U32();
    const uint32_t pfFlags = r.U32();
    const uint32_t fourCC = r.U32();
    const uint32_t bits = r.U32();
    uint32_t masks[4];
    for (uint32_t& m : masks) m = r.U32();
    r.U32(); // caps
    const uint32_t caps2 = r.U32();
    r.Skip(12);
    if (!r.ok() || headerSize != 124 || pfSize != 32) return D3DXERR_INVALIDDATA;
    (void)flags;
    if ((caps2 & kVolume) && depth > 1) return D3DXERR_INVALIDDATA; // volume textures are not read
    if (!ImageSizeAllowed(width, height)) return D3DXERR_INVALIDDATA;
    const D3DFORMAT format = FormatFromPixelFormat(pfFlags, fourCC, bits, masks);
    if (format == D3DFMT_UNKNOWN) return D3DXERR_INVALIDDATA;
    const bool cube = (caps2 & kCubemap) != 0;
    if (cube && ((caps2 & kAllFaces) != kAllFaces || width != height)) return D3DXERR_INVALIDDATA;
    uint32_t fullChain = 1;
    for (uint32_t s = std::max(width, height); s > 1; s >>= 1) ++fullChain;
    const uint32_t levels = (flags & kMipCount) && mipCount > 0 ? std::min(mipCount, fullChain) : 1;

    out.fileFormat = kFileDds;
    out.width = width;
    out.height = height;
    out.format = format;
    out.mipLevels = levels;
    out.cube = cube;
    out.faces = cube ? 6 : 1;

    // Sizes first: a short file fails before anything is allocated.
    uint64_t need = 0;
    for (uint32_t f = 0; f < out.faces; ++f)
        for (uint32_t l = 0; l < levels; ++l)
            need += kestu::d3d8::FormatSurfaceBytes(format, std::max(1u, width >> l), std::max(1u, height >> l));
    if (r.left() < need) return D3DXERR_INVALIDDATA;
    if (infoOnly) return S_OK;

    for (uint32_t f = 0; f < out.faces; ++f)
        for (uint32_t l = 0; l < levels; ++l) {
            const uint32_t w = std::max(1u, width >> l), h = std::max(1u, height >> l);
            RawSurface raw;
            raw.width = w;
            raw.height = h;
            const size_t bytes = kestu::d3d8::FormatSurfaceBytes(format, w, h);
            raw.bytes.assign(r.here(), r.here() + bytes);
            r.Skip(bytes);
            Image image;
            if (!image.Allocate(w, h)) return D3DXERR_INVALIDDATA;
            if (!kestu::d3d8::DecodeSurface(format, raw.bytes.data(), kestu::d3d8::FormatPitch(format, w), w, h,
                                            image.argb.data(), nullptr)) {
                // Bump formats hold no colours: keep the bytes, show them as grey.
                for (uint32_t& p : image.argb) p = 0xFF808080u;
            }
            out.images.push_back(std::move(image));
            out.raw.push_back(std::move(raw));
        }
    return S_OK;
}

HRESULT EncodeDds(D3DFORMAT format, uint32_t width, uint32_t height, uint32_t levels, bool cube,
                  const std::vector<RawSurface>& surfaces, std::vector<uint8_t>& out)
{
    const DdsFormat* desc = nullptr;
    for (const DdsFormat& f : kFormats)
        if (f.format == format) desc = &f;
    if (!desc && !IsDxt(format)) return E_NOTIMPL;
    if (width == 0 || height == 0 || levels == 0 || surfaces.size() != (size_t)levels * (cube ? 6 : 1))
        return E_INVALIDARG;
    out.clear();
    ByteWriter w(out);
    w.U32(0x20534444u);
    w.U32(124);
    const bool dxt = IsDxt(format);
    w.U32(kCaps | kHeight | kWidth | kPixelFormat | (levels > 1 ? kMipCount : 0) | (dxt ? kLinearSize : kPitch));
    w.U32(height);
    w.U32(width);
    w.U32(dxt ? kestu::d3d8::FormatSurfaceBytes(format, width, height) : kestu::d3d8::FormatPitch(format, width));
    w.U32(0);
    w.U32(levels);
    w.Zeros(44);
    w.U32(32);
    if (dxt) {
        w.U32(kFourCC);
        w.U32((uint32_t)format);
        w.Zeros(20);
    } else {
        w.U32(desc->flags);
        w.U32(0);
        w.U32(desc->bits);
        w.U32(desc->r);
        w.U32(desc->g);
        w.U32(desc->b);
        w.U32(desc->a);
    }
    w.U32(kTexture | (levels > 1 ? kMipmap | kComplex : 0) | (cube ? kComplex : 0));
    w.U32(cube ? kCubemap | kAllFaces : 0);
    w.Zeros(12);
    size_t i = 0;
    for (uint32_t f = 0; f < (cube ? 6u : 1u); ++f)
        for (uint32_t l = 0; l < levels; ++l, ++i) {
            const RawSurface& s = surfaces[i];
            const uint32_t lw = std::max(1u, width >> l), lh = std::max(1u, height >> l);
            const size_t bytes = kestu::d3d8::FormatSurfaceBytes(format, lw, lh);
            if (s.width != lw || s.height != lh || s.bytes.size() != bytes) return E_INVALIDARG;
            w.Bytes(s.bytes.data(), bytes);
        }
    return S_OK;
}

} // namespace kestu::d3dx

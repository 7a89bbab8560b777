// Cropping TGA and PCX pictures to their non-key pixels, encoding them as
// XBM and writing the result beside the parameters' output folder.
#include <windows.h>

#include <cstring>
#include <memory>
#include <string>

#include "2DCore/sprites/XbmIo.h"
#include "kestu_imageconvert.h"

namespace {

// Fills the negative crop entries from the bounding box of the pixels whose
// colour differs from key, then keeps the crop inside the picture.
// False when nothing is left to convert.
template <class ColourAt>
bool Crop(RECT& crop, int width, int height, unsigned short key, ColourAt&& colourAt)
{
    int minX = -1, minY = -1, maxX = -1, maxY = -1;
    for (int x = 0; x < width; ++x)
        for (int y = 0; y < height; ++y) {
            if (colourAt(x, y) == key) continue;
            if (minX < 0 || x < minX) minX = x;
            if (minY < 0 || y < minY) minY = y;
            if (x > maxX) maxX = x;
            if (y > maxY) maxY = y;
        }
    if (crop.left < 0) crop.left = minX;
    if (crop.top < 0) crop.top = minY;
    if (crop.right < 0) crop.right = maxX;
    if (crop.bottom < 0) crop.bottom = maxY;
    if (crop.right == 0) crop.right = width - 1;
    if (crop.bottom == 0) crop.bottom = height - 1;
    if (crop.left < 0 || crop.top < 0) return false;
    // The right and bottom edges are kept on the picture.
    if (crop.right > width - 1) crop.right = width - 1;
    if (crop.bottom > height - 1) crop.bottom = height - 1;
    return crop.right >= crop.left && crop.bottom >= crop.top;
}

XBMFILEHEADER ConverterHeader(const RECT& crop, unsigned long flags, bool withAlpha)
{
    XBMFILEHEADER h;
    h.width = uint32_t(crop.right - crop.left + 1);
    h.height = uint32_t(crop.bottom - crop.top + 1);
    h.bitsPerPixel = 16;
    h.pixelFormat = (flags & XCONV_555) ? 15 : 16;
    h.compressed = (flags & XCONV_COMPRESS) ? 1 : 0;
    h.palette = 0;
    h.transColor = (flags & XCONV_555) ? 0x7C1F : 0xF81F;
    h.alpha = withAlpha && (flags & XCONV_ALPHA) ? 1 : 0;
    h.alphaCompressed = (flags & XCONV_COMPRESS_ALPHA) ? 1 : 0;
    return h;
}

} // namespace

int ConvertTgaToXbmp(XBmpBase*& out, RECT& crop, TgaFile* picture, unsigned short key, unsigned long flags)
{
    if (flags & XCONV_COMPRESS_ALPHA) flags |= XCONV_ALPHA;
    if (picture == nullptr || picture->GetTgaData() == nullptr) return 0;
    const int w = picture->GetPicWidth(), h = picture->GetPicHeight();
    if (crop.left >= w || crop.top >= h || (flags & XCONV_8BIT)) return 0;
    const _WORD24* pixels = picture->GetTgaData();
    if (!Crop(crop, w, h, key, [&](int x, int y) { return pixels[size_t(y) * w + x].color; })) return 0;
    const XBMFILEHEADER header = ConverterHeader(crop, flags, true);
    auto encoder = std::make_unique<XBmpBase>();
    _WORD24* first = picture->GetTgaData(crop.left, crop.top);
    encoder->SetxbmpFileHead(first, header);
    if (!encoder->Convert16BIT(first, w)) return 0;
    out = encoder.release();
    return 1;
}

int ConvertPcxToXbmp(XBmpBase*& out, RECT& crop, PcxFile* picture, unsigned short key, unsigned long flags)
{
    if (flags & XCONV_COMPRESS_ALPHA) flags |= XCONV_ALPHA;
    if (picture == nullptr || picture->GetPcxData() == nullptr) return 0;
    const int w = picture->GetPicWidth(), h = picture->GetPicHeight();
    // 8-bit pictures hold indexes, not colours.
    if (crop.left >= w || crop.top >= h || (flags & XCONV_8BIT) || picture->Is8Bits()) return 0;
    const auto* pixels = static_cast<const uint16_t*>(picture->GetPcxData());
    if (!Crop(crop, w, h, key, [&](int x, int y) { return pixels[size_t(y) * w + x]; })) return 0;
    const XBMFILEHEADER header = ConverterHeader(crop, flags, false);
    auto encoder = std::make_unique<XBmpBase>();
    auto* first = static_cast<unsigned short*>(picture->GetPcxData(crop.left, crop.top));
    encoder->SetxbmpFileHead(first, header);
    if (!encoder->Convert16BIT(first, w)) return 0;
    out = encoder.release();
    return 1;
}

namespace {

// The output path: the folder, then the input's file name with its
// extension replaced by "XBM". Empty when it does not fit 520 bytes.
std::string OutputName(const char* path, const char* folder)
{
    std::string name(path);
    const size_t slash = name.find_last_of("\\/");
    if (slash != std::string::npos) name.erase(0, slash + 1);
    const size_t dot = name.find_last_of('.');
    if (dot != std::string::npos)
        name.erase(dot + 1);
    else
        name += '.';
    name += "XBM";
    std::string out = folder != nullptr ? folder : "";
    if (!out.empty() && out.back() != '\\' && out.back() != '/') out += '\\';
    out += name;
    return out.size() < 520 ? out : std::string();
}

int WriteConverted(XBmpBase& encoder, const char* path, const SLBDATA& parameters, const char* caption)
{
    const std::string target = OutputName(path, parameters.outputFolder);
    if (target.empty() || !kestu::xbm::SaveParts(target.c_str(), {{encoder.GetData(), encoder.GetSize()}})) {
        MessageBoxA(nullptr, "Not Create OutPut File!", caption, MB_OK);
        return 0;
    }
    return 1;
}

} // namespace

int TranslateOne(char* path, SLBDATA& parameters)
{
    PcxFile picture;
    SetConvert565(parameters.pixelFormat == 16);
    if (!picture.Read(path)) return 0;
    unsigned long flags = 0;
    if (picture.Is8Bits()) flags |= XCONV_8BIT;
    if (parameters.compress) flags |= XCONV_COMPRESS;
    if (parameters.pixelFormat == 15) flags |= XCONV_555;
    const unsigned short key = parameters.pixelFormat == 15 ? 0x7C1F : 0xF81F;
    XBmpBase* encoder = nullptr;
    if (!ConvertPcxToXbmp(encoder, parameters.crop, &picture, key, flags)) return 1;
    std::unique_ptr<XBmpBase> owned(encoder);
    return WriteConverted(*owned, path, parameters, "Error");
}

int TranslateOneTGA(char* path, SLBDATA& parameters)
{
    TgaFile picture;
    SetConvert565(parameters.pixelFormat == 16);
    if (!picture.Read(path)) return 0;
    unsigned long flags = XCONV_ALPHA;
    if (parameters.compress) flags |= XCONV_COMPRESS;
    if (parameters.compressAlpha) flags |= XCONV_COMPRESS_ALPHA;
    if (parameters.pixelFormat == 15) flags |= XCONV_555;
    parameters.crop = RECT{-1, -1, -1, 0};
    const unsigned short key = parameters.pixelFormat == 15 ? 0x7C1F : 0xF81F;
    XBmpBase* encoder = nullptr;
    if (!ConvertTgaToXbmp(encoder, parameters.crop, &picture, key, flags)) return 1;
    std::unique_ptr<XBmpBase> owned(encoder);
    return WriteConverted(*owned, path, parameters, "error");
}

int ConvertPixelFormat(void* dst, int dstBits, int dstFormat, const void* src, int srcBits, int srcFormat,
                       const RGBQUAD* palette, int width, int height)
{
    (void)srcFormat;
    // Only palette sources are converted; the others are left as they are.
    if (dst == nullptr || src == nullptr || palette == nullptr || srcBits != 8 || width <= 0 || height <= 0) return 1;
    const auto* s = static_cast<const uint8_t*>(src);
    const size_t n = size_t(width) * size_t(height);
    if (dstBits == 16) {
        auto* d = static_cast<uint8_t*>(dst);
        const bool is555 = dstFormat == 15;
        for (size_t i = 0; i < n; ++i) {
            const RGBQUAD& c = palette[s[i]];
            const int r = c.rgbRed * 31 / 255, b = c.rgbBlue * 31 / 255;
            const int g = c.rgbGreen * (is555 ? 31 : 63) / 255;
            const uint16_t v = is555 ? uint16_t(r << 10 | g << 5 | b) : uint16_t(r << 11 | g << 5 | b);
            d[2 * i] = uint8_t(v);
            d[2 * i + 1] = uint8_t(v >> 8);
        }
    } else if (dstBits == 24) {
        auto* d = static_cast<uint8_t*>(dst);
        for (size_t i = 0; i < n; ++i) {
            const RGBQUAD& c = palette[s[i]];
            d[3 * i] = c.rgbBlue;
            d[3 * i + 1] = c.rgbGreen;
            d[3 * i + 2] = c.rgbRed;
        }
    }
    return 1;
}

void BuildDeclinedTable(unsigned short* table, int levels, int format)
{
    if (table == nullptr || levels <= 1 || (format != 15 && format != 16)) return;
    for (int k = 1; k < levels; ++k) {
        unsigned short* t = table + size_t(k - 1) * 65536;
        for (int v = 0; v < 65536; ++v) {
            int r, g, b;
            if (format == 16) {
                r = (v >> 11) & 0x1F, g = (v >> 5) & 0x3F, b = v & 0x1F;
                t[v] = uint16_t((r * k / levels) << 11 | (g * k / levels) << 5 | (b * k / levels));
            } else {
                r = (v >> 10) & 0x1F, g = (v >> 5) & 0x1F, b = v & 0x1F;
                t[v] = uint16_t((r * k / levels) << 10 | (g * k / levels) << 5 | (b * k / levels));
            }
        }
    }
}

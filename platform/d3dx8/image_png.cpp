// PNG through libpng's simplified interface, which reports errors by result
// rather than by jumping.
#include <cstring>
#include <png.h>

#include "d3dx8/image_codec.h"

namespace kestu::d3dx {

HRESULT DecodePng(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out)
{
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&png, data, size)) {
        png_image_free(&png);
        return D3DXERR_INVALIDDATA;
    }
    if (!ImageSizeAllowed(png.width, png.height)) {
        png_image_free(&png);
        return D3DXERR_INVALIDDATA;
    }
    out.fileFormat = kFilePng;
    out.width = png.width;
    out.height = png.height;
    const bool alpha = (png.format & PNG_FORMAT_FLAG_ALPHA) != 0;
    if (png.format & PNG_FORMAT_FLAG_COLORMAP)
        out.format = D3DFMT_P8;
    else if (!(png.format & PNG_FORMAT_FLAG_COLOR))
        out.format = alpha ? D3DFMT_A8L8 : D3DFMT_L8;
    else
        out.format = alpha ? D3DFMT_A8R8G8B8 : D3DFMT_X8R8G8B8;
    if (infoOnly) {
        png_image_free(&png);
        return S_OK;
    }
    Image image;
    if (!image.Allocate(png.width, png.height)) {
        png_image_free(&png);
        return D3DXERR_INVALIDDATA;
    }
    // BGRA bytes are 0xAARRGGBB words on a little-endian machine.
    png.format = PNG_FORMAT_BGRA;
    if (!png_image_finish_read(&png, nullptr, image.argb.data(), (png_int_32)(png.width * 4), nullptr)) {
        png_image_free(&png);
        return D3DXERR_INVALIDDATA;
    }
    png_image_free(&png);
    out.images.push_back(std::move(image));
    return S_OK;
}

HRESULT EncodePng(const Image& image, bool alpha, std::vector<uint8_t>& out)
{
    if (image.width == 0 || image.height == 0) return E_INVALIDARG;
    png_image png;
    std::memset(&png, 0, sizeof png);
    png.version = PNG_IMAGE_VERSION;
    png.width = image.width;
    png.height = image.height;
    png.format = PNG_FORMAT_BGRA;
    std::vector<uint32_t> pixels;
    const void* source = image.argb.data();
    if (!alpha) {
        pixels.resize(image.argb.size());
        for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = image.argb[i] | 0xFF000000u;
        source = pixels.data();
    }
    png_alloc_size_t bytes = 0;
    if (!png_image_write_to_memory(&png, nullptr, &bytes, 0, source, (png_int_32)(image.width * 4), nullptr))
        return E_FAIL;
    out.resize(bytes);
    if (!png_image_write_to_memory(&png, out.data(), &bytes, 0, source, (png_int_32)(image.width * 4), nullptr))
        return E_FAIL;
    out.resize(bytes);
    (void)alpha;
    return S_OK;
}

} // namespace kestu::d3dx

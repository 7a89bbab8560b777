// JPEG through libjpeg; its fatal errors come back here by longjmp, so the
// decoding frames below hold no objects with destructors.
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <jpeglib.h>

#include "d3dx8/image_codec.h"

namespace kestu::d3dx {
namespace {

struct ErrorJump {
    jpeg_error_mgr mgr;
    jmp_buf jump;
};

void ErrorExit(j_common_ptr info) { longjmp(reinterpret_cast<ErrorJump*>(info->err)->jump, 1); }
void Quiet(j_common_ptr, int) {}
void QuietOutput(j_common_ptr) {}

void InstallErrors(ErrorJump& err)
{
    jpeg_std_error(&err.mgr);
    err.mgr.error_exit = ErrorExit;
    err.mgr.emit_message = Quiet;
    err.mgr.output_message = QuietOutput;
}

// Step one: the header. Returns false on a broken file.
bool ReadHeader(jpeg_decompress_struct& cinfo, ErrorJump& err, const uint8_t* data, size_t size)
{
    if (setjmp(err.jump)) return false;
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, data, (unsigned long)size);
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = cinfo.jpeg_color_space == JCS_GRAYSCALE ? JCS_GRAYSCALE : JCS_RGB;
    return true;
}

bool ReadPixels(jpeg_decompress_struct& cinfo, ErrorJump& err, uint8_t* row, uint32_t* argb)
{
    if (setjmp(err.jump)) return false;
    jpeg_start_decompress(&cinfo);
    if (cinfo.output_components != 1 && cinfo.output_components != 3) return false;
    const bool grey = cinfo.output_components == 1;
    while (cinfo.output_scanline < cinfo.output_height) {
        JSAMPROW rows[1] = {row};
        const JDIMENSION y = cinfo.output_scanline;
        if (jpeg_read_scanlines(&cinfo, rows, 1) != 1) return false;
        uint32_t* dst = argb + (size_t)y * cinfo.output_width;
        for (JDIMENSION x = 0; x < cinfo.output_width; ++x) {
            const uint8_t* p = row + x * (grey ? 1 : 3);
            dst[x] = grey ? 0xFF000000u | (p[0] * 0x010101u)
                          : 0xFF000000u | ((uint32_t)p[0] << 16) | ((uint32_t)p[1] << 8) | p[2];
        }
    }
    jpeg_finish_decompress(&cinfo);
    return true;
}

bool WritePixels(jpeg_compress_struct& cinfo, ErrorJump& err, const Image& image, int quality, uint8_t** mem,
                 unsigned long* memSize, uint8_t* row)
{
    if (setjmp(err.jump)) return false;
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, mem, memSize);
    cinfo.image_width = image.width;
    cinfo.image_height = image.height;
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_RGB;
    jpeg_set_defaults(&cinfo);
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    while (cinfo.next_scanline < cinfo.image_height) {
        const uint32_t* src = image.Row(cinfo.next_scanline);
        for (uint32_t x = 0; x < image.width; ++x) {
            row[x * 3] = (uint8_t)(src[x] >> 16);
            row[x * 3 + 1] = (uint8_t)(src[x] >> 8);
            row[x * 3 + 2] = (uint8_t)src[x];
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&cinfo, rows, 1);
    }
    jpeg_finish_compress(&cinfo);
    return true;
}

} // namespace

HRESULT DecodeJpeg(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out)
{
    jpeg_decompress_struct cinfo{};
    ErrorJump err;
    InstallErrors(err);
    cinfo.err = &err.mgr;
    if (!ReadHeader(cinfo, err, data, size)) {
        jpeg_destroy_decompress(&cinfo);
        return D3DXERR_INVALIDDATA;
    }
    const uint32_t w = cinfo.image_width, h = cinfo.image_height;
    if (!ImageSizeAllowed(w, h)) {
        jpeg_destroy_decompress(&cinfo);
        return D3DXERR_INVALIDDATA;
    }
    out.fileFormat = kFileJpg;
    out.width = w;
    out.height = h;
    out.format = cinfo.jpeg_color_space == JCS_GRAYSCALE ? D3DFMT_L8 : D3DFMT_X8R8G8B8;
    if (infoOnly) {
        jpeg_destroy_decompress(&cinfo);
        return S_OK;
    }
    Image image;
    std::vector<uint8_t> row((size_t)w * 4);
    if (!image.Allocate(w, h)) {
        jpeg_destroy_decompress(&cinfo);
        return D3DXERR_INVALIDDATA;
    }
    const bool good =
        ReadPixels(cinfo, err, row.data(), image.argb.data()) && cinfo.output_width == w && cinfo.output_height == h;
    jpeg_destroy_decompress(&cinfo);
    if (!good) return D3DXERR_INVALIDDATA;
    out.images.push_back(std::move(image));
    return S_OK;
}

HRESULT EncodeJpeg(const Image& image, int quality, std::vector<uint8_t>& out)
{
    if (image.width == 0 || image.height == 0 || image.width > 65500 || image.height > 65500) return E_INVALIDARG;
    jpeg_compress_struct cinfo{};
    ErrorJump err;
    InstallErrors(err);
    cinfo.err = &err.mgr;
    std::vector<uint8_t> row((size_t)image.width * 3);
    uint8_t* mem = nullptr;
    unsigned long memSize = 0;
    const bool good = WritePixels(cinfo, err, image, quality, &mem, &memSize, row.data());
    jpeg_destroy_compress(&cinfo);
    if (good && mem) out.assign(mem, mem + memSize);
    std::free(mem);
    return good ? S_OK : E_FAIL;
}

} // namespace kestu::d3dx

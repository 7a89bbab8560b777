// The JPEG writer interface over libjpeg: whole pictures to a file or a
// caller's buffer. Files are replaced through kestu::SafeFile.
#include "ijl.h"
#include "kestu_safefile.h"

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <jpeglib.h>

namespace {

constexpr DWORD kInitMarker = 0x4A504547; // "JPEG"
constexpr DWORD kDefaultQuality = 75;
constexpr DWORD kMaxSide = 65500; // the largest side a JPEG frame holds

struct ErrorManager {
    jpeg_error_mgr pub;
    jmp_buf jump;
};

void OnError(j_common_ptr cinfo)
{
    auto* err = reinterpret_cast<ErrorManager*>(cinfo->err);
    longjmp(err->jump, 1);
}

void OnMessage(j_common_ptr) {}

struct Layout {
    J_COLOR_SPACE inSpace;
    int inComponents;
    J_COLOR_SPACE jpegSpace;
    int hSample;
    int vSample;
    size_t stride;
};

IJLERR CheckProperties(const JPEG_CORE_PROPERTIES& p, Layout* out)
{
    if (p.DIBBytes == nullptr || p.DIBWidth == 0 || p.DIBHeight == 0) return IJL_INVALID_JPEG_PROPERTIES;
    const DWORD rows =
        p.DIBHeight < 0 ? static_cast<DWORD>(-static_cast<int64_t>(p.DIBHeight)) : static_cast<DWORD>(p.DIBHeight);
    if (p.DIBWidth > kMaxSide || rows > kMaxSide) return IJL_INVALID_JPEG_PROPERTIES;
    if ((p.JPGWidth != 0 && p.JPGWidth != p.DIBWidth) || (p.JPGHeight != 0 && p.JPGHeight != rows))
        return IJL_INVALID_JPEG_PROPERTIES;

    switch (p.DIBColor) {
    case IJL_BGR:
        out->inSpace = JCS_EXT_BGR;
        out->inComponents = 3;
        break;
    case IJL_RGB:
        out->inSpace = JCS_EXT_RGB;
        out->inComponents = 3;
        break;
    case IJL_RGBA_FPX:
        out->inSpace = JCS_EXT_RGBX;
        out->inComponents = 4;
        break;
    case IJL_G:
        out->inSpace = JCS_GRAYSCALE;
        out->inComponents = 1;
        break;
    default: return IJL_INVALID_JPEG_PROPERTIES;
    }
    if (p.DIBChannels != static_cast<DWORD>(out->inComponents)) return IJL_UNSUPPORTED_BYTES_PER_PIXEL;

    switch (p.JPGColor) {
    case IJL_YCBCR:
        if (p.JPGChannels != 3 || out->inComponents == 1) return IJL_INVALID_JPEG_PROPERTIES;
        out->jpegSpace = JCS_YCbCr;
        break;
    case IJL_G:
        if (p.JPGChannels != 1) return IJL_INVALID_JPEG_PROPERTIES;
        out->jpegSpace = JCS_GRAYSCALE;
        break;
    default: return IJL_INVALID_JPEG_PROPERTIES;
    }
    switch (p.JPGSubsampling) {
    case IJL_NONE:
        out->hSample = 1;
        out->vSample = 1;
        break;
    case IJL_411:
        out->hSample = 2;
        out->vSample = 2;
        break;
    case IJL_422:
        out->hSample = 2;
        out->vSample = 1;
        break;
    default: return IJL_UNSUPPORTED_SUBSAMPLING;
    }
    out->stride = static_cast<size_t>(p.DIBWidth) * out->inComponents + p.DIBPadBytes;
    return IJL_OK;
}

// Compresses the picture into a memory block that the caller frees with free().
// Only trivially destructible objects live here, as libjpeg errors longjmp out.
IJLERR Compress(const JPEG_CORE_PROPERTIES& p, const Layout& layout, unsigned char** outData, unsigned long* outSize)
{
    jpeg_compress_struct cinfo;
    ErrorManager err;
    cinfo.err = jpeg_std_error(&err.pub);
    err.pub.error_exit = OnError;
    err.pub.output_message = OnMessage;
    *outData = nullptr;
    *outSize = 0;
    if (setjmp(err.jump)) {
        jpeg_destroy_compress(&cinfo);
        std::free(*outData);
        *outData = nullptr;
        return IJL_INTERNAL_ERROR;
    }
    jpeg_create_compress(&cinfo);
    jpeg_mem_dest(&cinfo, outData, outSize);
    cinfo.image_width = p.DIBWidth;
    cinfo.image_height = static_cast<JDIMENSION>(p.DIBHeight < 0 ? -static_cast<int64_t>(p.DIBHeight) : p.DIBHeight);
    cinfo.input_components = layout.inComponents;
    cinfo.in_color_space = layout.inSpace;
    jpeg_set_defaults(&cinfo);
    jpeg_set_colorspace(&cinfo, layout.jpegSpace);
    if (layout.jpegSpace == JCS_YCbCr) {
        cinfo.comp_info[0].h_samp_factor = layout.hSample;
        cinfo.comp_info[0].v_samp_factor = layout.vSample;
        cinfo.comp_info[1].h_samp_factor = 1;
        cinfo.comp_info[1].v_samp_factor = 1;
        cinfo.comp_info[2].h_samp_factor = 1;
        cinfo.comp_info[2].v_samp_factor = 1;
    }
    int quality = p.jquality == 0 ? static_cast<int>(kDefaultQuality) : static_cast<int>(p.jquality);
    if (quality > 100) quality = 100;
    jpeg_set_quality(&cinfo, quality, TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    const bool bottomUp = p.DIBHeight < 0;
    while (cinfo.next_scanline < cinfo.image_height) {
        const size_t row = bottomUp ? cinfo.image_height - 1 - cinfo.next_scanline : cinfo.next_scanline;
        JSAMPROW line = p.DIBBytes + row * layout.stride;
        jpeg_write_scanlines(&cinfo, &line, 1);
    }
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    return IJL_OK;
}

IJLERR WriteFileSafely(const char* path, const unsigned char* data, unsigned long size)
{
    kestu::SafeFile file;
    if (!file.Open(path)) return IJL_INVALID_FILENAME;
    if (!file.Write(data, size)) return IJL_FILE_ERROR;
    return file.Commit() ? IJL_OK : IJL_FILE_ERROR;
}

} // namespace

IJLERR ijlInit(JPEG_CORE_PROPERTIES* jcprops)
{
    if (jcprops == nullptr) return IJL_INVALID_JPEG_PROPERTIES;
    std::memset(jcprops, 0, sizeof(*jcprops));
    jcprops->DIBChannels = 3;
    jcprops->DIBColor = IJL_BGR;
    jcprops->DIBSubsampling = IJL_NONE;
    jcprops->JPGChannels = 3;
    jcprops->JPGColor = IJL_YCBCR;
    jcprops->JPGSubsampling = IJL_411;
    jcprops->jquality = kDefaultQuality;
    jcprops->initialized = kInitMarker;
    return IJL_OK;
}

IJLERR ijlFree(JPEG_CORE_PROPERTIES* jcprops)
{
    if (jcprops == nullptr) return IJL_INVALID_JPEG_PROPERTIES;
    jcprops->initialized = 0;
    return IJL_OK;
}

IJLERR ijlWrite(JPEG_CORE_PROPERTIES* jcprops, IJLIOTYPE iotype)
{
    if (jcprops == nullptr || jcprops->initialized != kInitMarker) return IJL_INVALID_JPEG_PROPERTIES;
    if (iotype != IJL_JFILE_WRITEWHOLEIMAGE && iotype != IJL_JBUFF_WRITEWHOLEIMAGE) return IJL_INVALID_ENCODER;
    if (iotype == IJL_JFILE_WRITEWHOLEIMAGE && (jcprops->JPGFile == nullptr || jcprops->JPGFile[0] == '\0'))
        return IJL_INVALID_FILENAME;
    if (iotype == IJL_JBUFF_WRITEWHOLEIMAGE && jcprops->JPGBytes == nullptr) return IJL_INVALID_JPEG_PROPERTIES;

    Layout layout{};
    IJLERR result = CheckProperties(*jcprops, &layout);
    if (result != IJL_OK) return result;

    unsigned char* data = nullptr;
    unsigned long size = 0;
    result = Compress(*jcprops, layout, &data, &size);
    if (result != IJL_OK) return result;

    if (iotype == IJL_JFILE_WRITEWHOLEIMAGE) {
        result = WriteFileSafely(jcprops->JPGFile, data, size);
    } else if (size > jcprops->JPGSizeBytes) {
        result = IJL_BUFFER_TOO_SMALL;
    } else {
        std::memcpy(jcprops->JPGBytes, data, size);
        jcprops->JPGSizeBytes = static_cast<DWORD>(size);
    }
    std::free(data);
    return result;
}

const char* ijlErrorStr(IJLERR code)
{
    switch (code) {
    case IJL_OK: return "IJL_OK";
    case IJL_INVALID_ENCODER: return "IJL_INVALID_ENCODER";
    case IJL_UNSUPPORTED_SUBSAMPLING: return "IJL_UNSUPPORTED_SUBSAMPLING";
    case IJL_UNSUPPORTED_BYTES_PER_PIXEL: return "IJL_UNSUPPORTED_BYTES_PER_PIXEL";
    case IJL_MEMORY_ERROR: return "IJL_MEMORY_ERROR";
    case IJL_INVALID_JPEG_PROPERTIES: return "IJL_INVALID_JPEG_PROPERTIES";
    case IJL_ERR_FILECLOSE: return "IJL_ERR_FILECLOSE";
    case IJL_INVALID_FILENAME: return "IJL_INVALID_FILENAME";
    case IJL_FILE_ERROR: return "IJL_FILE_ERROR";
    case IJL_INTERNAL_ERROR: return "IJL_INTERNAL_ERROR";
    case IJL_BUFFER_TOO_SMALL: return "IJL_BUFFER_TOO_SMALL";
    default: return "IJL_ERROR";
    }
}

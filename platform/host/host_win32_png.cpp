// Window pixels saved as PNG through libpng.
#include <png.h>

#include <cstdio>
#include <vector>

#include "host/host_win32.h"
#include "kestu_safefile.h"

namespace {

// No object with a destructor may live here: libpng reports errors by longjmp.
void WriteRows(png_structp png, png_infop info, const host::WindowPixels& p, FILE* f, png_byte* row)
{
    png_init_io(png, f);
    png_set_IHDR(png, info, static_cast<png_uint_32>(p.width), static_cast<png_uint_32>(p.height), 8,
                 PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int32_t y = 0; y < p.height; ++y) {
        const uint32_t* src = p.pixels.data() + static_cast<size_t>(y) * static_cast<size_t>(p.width);
        for (int32_t x = 0; x < p.width; ++x) {
            row[static_cast<size_t>(x) * 3 + 0] = static_cast<png_byte>(src[x] >> 16);
            row[static_cast<size_t>(x) * 3 + 1] = static_cast<png_byte>(src[x] >> 8);
            row[static_cast<size_t>(x) * 3 + 2] = static_cast<png_byte>(src[x]);
        }
        png_write_row(png, row);
    }
    png_write_end(png, nullptr);
}

bool Encode(png_structp png, png_infop info, const host::WindowPixels& p, FILE* f, png_byte* row)
{
    if (setjmp(png_jmpbuf(png)) != 0) return false;
    WriteRows(png, info, p, f, row);
    return true;
}

} // namespace

namespace host {

bool SavePixelsPng(const WindowPixels& p, const std::string& path)
{
    if (p.width <= 0 || p.height <= 0 || p.pixels.size() < static_cast<size_t>(p.width) * static_cast<size_t>(p.height))
        return false;
    kestu::SafeFile file(path.c_str());
    if (!file.IsOpen()) return false;
    std::vector<png_byte> row(static_cast<size_t>(p.width) * 3);
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    const bool ok = png != nullptr && info != nullptr && Encode(png, info, p, file.Stream(), row.data());
    png_destroy_write_struct(png ? &png : nullptr, info ? &info : nullptr);
    if (!ok) file.Fail();
    return file.Commit();
}

bool SaveWindowPng(HWND hwnd, const std::string& path)
{
    WindowPixels p;
    return ReadWindowPixels(hwnd, &p) && SavePixelsPng(p, path);
}

} // namespace host

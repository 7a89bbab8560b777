#include "kestu_imageprobe.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "kestu_bytes.h"
#include "kestu_log.h"

namespace {

using kestu::GetU16;
using kestu::GetU32;

constexpr size_t kBmpHeader = 26;
constexpr size_t kTgaHeader = 18;

HRESULT BmpFrom(DWORD& w, DWORD& h, const BYTE* p)
{
    w = GetU32(p + 18);
    // A top-down BMP stores its height negative.
    const int32_t height = static_cast<int32_t>(GetU32(p + 22));
    h = height < 0 ? DWORD(0) - DWORD(height) : DWORD(height);
    return w == 0 || h == 0 ? E_FAIL : 0;
}

HRESULT TgaFrom(DWORD& w, DWORD& h, const BYTE* p)
{
    w = GetU16(p + 12);
    h = GetU16(p + 14);
    return w == 0 || h == 0 ? E_FAIL : 0;
}

// Reads the first n bytes of a file.
HRESULT ReadHead(const char* path, BYTE* out, size_t n)
{
    if (path == nullptr) return KESTUERR_FILEOPEN;
    std::FILE* f = fopen(path, "rb");
    if (f == nullptr) return KESTUERR_FILEOPEN;
    const bool ok = std::fread(out, 1, n, f) == n;
    std::fclose(f);
    return ok ? 0 : KESTUERR_IMAGEHEADER;
}

std::string Extension(const char* path)
{
    const size_t n = std::strlen(path);
    std::string ext(n >= 3 ? path + n - 3 : path);
    for (char& c : ext) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return ext;
}

} // namespace

HRESULT GfxUtil_GetBmpSize(DWORD& width, DWORD& height, const char* path)
{
    BYTE head[kBmpHeader];
    const HRESULT hr = ReadHead(path, head, sizeof head);
    return FAILED(hr) ? hr : BmpFrom(width, height, head);
}

HRESULT GfxUtil_GetTgaSize(DWORD& width, DWORD& height, const char* path)
{
    BYTE head[kTgaHeader];
    const HRESULT hr = ReadHead(path, head, sizeof head);
    return FAILED(hr) ? hr : TgaFrom(width, height, head);
}

HRESULT GfxUtil_GetImageSize(DWORD& width, DWORD& height, const char* path)
{
    if (path == nullptr) return E_FAIL;
    const std::string ext = Extension(path);
    if (ext == "TGA") return GfxUtil_GetTgaSize(width, height, path);
    if (ext == "BMP") return GfxUtil_GetBmpSize(width, height, path);
    return E_FAIL;
}

HRESULT GfxUtil_GetBmpSize(DWORD& width, DWORD& height, const BYTE* data)
{
    return GfxUtil_GetBmpSize(width, height, data, kBmpHeader);
}

HRESULT GfxUtil_GetTgaSize(DWORD& width, DWORD& height, const BYTE* data)
{
    return GfxUtil_GetTgaSize(width, height, data, kTgaHeader);
}

HRESULT GfxUtil_GetImageSize(DWORD& width, DWORD& height, const BYTE* data)
{
    if (data == nullptr) return KESTUERR_INVALIDPARAM;
    return data[0] == 'B' && data[1] == 'M' ? GfxUtil_GetBmpSize(width, height, data)
                                            : GfxUtil_GetTgaSize(width, height, data);
}

HRESULT GfxUtil_GetBmpSize(DWORD& width, DWORD& height, const BYTE* data, size_t size)
{
    if (data == nullptr) return KESTUERR_INVALIDPARAM;
    if (size < kBmpHeader) return KESTUERR_IMAGEHEADER;
    return BmpFrom(width, height, data);
}

HRESULT GfxUtil_GetTgaSize(DWORD& width, DWORD& height, const BYTE* data, size_t size)
{
    if (data == nullptr) return KESTUERR_INVALIDPARAM;
    if (size < kTgaHeader) return KESTUERR_IMAGEHEADER;
    return TgaFrom(width, height, data);
}

HRESULT GfxUtil_GetImageSize(DWORD& width, DWORD& height, const BYTE* data, size_t size)
{
    if (data == nullptr) return KESTUERR_INVALIDPARAM;
    if (size >= 2 && data[0] == 'B' && data[1] == 'M') return GfxUtil_GetBmpSize(width, height, data, size);
    return GfxUtil_GetTgaSize(width, height, data, size);
}

DWORD GfxUtil_FindMinSizeForTexture(DWORD width, DWORD height)
{
    DWORD size = 1;
    while ((size < width || size < height) && size < 0x80000000u) size <<= 1;
    return size;
}

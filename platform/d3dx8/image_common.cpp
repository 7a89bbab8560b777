// Shared pieces of the image codecs: allocation, whole-file I/O and the
// dispatch on a file's signature.
#include <cstdio>
#include <new>
#include <string>

#include "d3dx8/image_codec.h"
#include "kestu_bytes.h"
#include "kestu_safefile.h"
#include "win32/win32_common.h"

namespace kestu::d3dx {

bool Image::Allocate(uint32_t w, uint32_t h, uint32_t fill)
{
    if (!ImageSizeAllowed(w, h)) return false;
    try {
        argb.assign((size_t)w * h, fill);
    } catch (const std::bad_alloc&) {
        return false;
    }
    width = w;
    height = h;
    return true;
}

HRESULT ReadWholeFile(const char* path, std::vector<uint8_t>& out)
{
    if (!path) return E_INVALIDARG;
    const std::string host = kestu::platform::win32::HostPath(path);
    FILE* f = std::fopen(host.c_str(), "rb");
    if (!f) return E_FAIL;
    out.clear();
    uint8_t chunk[65536];
    size_t n;
    try {
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) out.insert(out.end(), chunk, chunk + n);
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        return E_OUTOFMEMORY;
    }
    const bool bad = std::ferror(f) != 0;
    std::fclose(f);
    return bad ? E_FAIL : S_OK;
}

HRESULT WriteWholeFile(const char* path, const std::vector<uint8_t>& bytes)
{
    if (!path || !*path) return E_INVALIDARG;
    return kestu::SafeReplaceFile(path, bytes.data(), bytes.size()) ? S_OK : E_FAIL;
}

namespace {
bool LooksLikeDib(const uint8_t* d, size_t size)
{
    if (size < 16) return false;
    const uint32_t header = kestu::GetU32(d);
    if (header == 12) return d[8] == 1 && d[9] == 0;
    if (header != 40 && header != 52 && header != 56 && header != 108 && header != 124) return false;
    return d[12] == 1 && d[13] == 0;
}
} // namespace

HRESULT DecodeImageFile(const uint8_t* data, size_t size, bool infoOnly, ImageFile& out)
{
    out = ImageFile{};
    if (!data || size == 0) return D3DXERR_INVALIDDATA;
    try {
        if (size >= 2 && data[0] == 'B' && data[1] == 'M') return DecodeBmp(data, size, infoOnly, true, out);
        if (size >= 4 && data[0] == 'D' && data[1] == 'D' && data[2] == 'S' && data[3] == ' ')
            return DecodeDds(data, size, infoOnly, out);
        if (size >= 8 && data[0] == 0x89 && data[1] == 'P' && data[2] == 'N' && data[3] == 'G')
            return DecodePng(data, size, infoOnly, out);
        if (size >= 3 && data[0] == 0xFF && data[1] == 0xD8 && data[2] == 0xFF)
            return DecodeJpeg(data, size, infoOnly, out);
        if (size >= 2 && data[0] == 'P' && (data[1] == '3' || data[1] == '6' || data[1] == '2' || data[1] == '5'))
            return DecodePpm(data, size, infoOnly, out);
        if (LooksLikeDib(data, size)) return DecodeBmp(data, size, infoOnly, false, out);
        return DecodeTga(data, size, infoOnly, out);
    } catch (const std::bad_alloc&) {
        out = ImageFile{};
        return E_OUTOFMEMORY;
    }
}

} // namespace kestu::d3dx

// Loading and saving XBM sprite files, and the check that makes a file's
// bytes safe to build a sprite from.
#include "kestu_xbmfile.h"

#include <windows.h>

#include <cstdio>
#include <memory>
#include <cstring>
#include <new>
#include <vector>

#include "2DCore/sprites/XbmIo.h"
#include "kestu_log.h"
#include "kestu_rtbmp.h"
#include "kestu_sbmp.h"

using namespace kestu::xbm;

namespace {

constexpr uint32_t kMaxSide = 32767; // keeps areas and row bytes inside 32-bit arithmetic

int BuildInto(void* image, VPaper*& sprite)
{
    const uint8_t compressed = static_cast<uint8_t*>(image)[30];
    if (sprite != nullptr && sprite->IsCompressed() == (compressed ? 1 : 0)) return sprite->Build(image);
    delete sprite;
    sprite = compressed ? static_cast<VPaper*>(new RTBMP) : static_cast<VPaper*>(new SBMP);
    return sprite->Build(image);
}

} // namespace

int CreateXBmp(void* image, VPaper*& sprite)
{
    if (image == nullptr) return 0;
    return BuildInto(image, sprite) > 0 ? 1 : 0;
}

int CreateXBmp_old(void* image, VPaper*& sprite)
{
    if (image == nullptr) return 0;
    return BuildInto(image, sprite);
}

namespace {

// The pixel format names the layout of pixels of that many bits.
bool FormatFitsBits(unsigned bits, unsigned format)
{
    switch (bits) {
    case 8: return format == 8;
    case 16: return format == 15 || format == 16;
    case 24: return format == 24;
    case 32: return format == 32;
    default: return false;
    }
}

} // namespace

int XbmCheckImage(const void* image, size_t size)
{
    XBMFILEHEADER h;
    if (image == nullptr || !h.Read(image, size)) return 0;
    if (h.width > kMaxSide || h.height > kMaxSide) return 0;
    const unsigned bits = h.bitsPerPixel;
    if (h.compressed ? bits != 8 && bits != 16 : bits != 8 && bits != 16 && bits != 24 && bits != 32) return 0;
    if (!FormatFitsBits(bits, h.pixelFormat)) return 0;
    const auto* bytes = static_cast<const uint8_t*>(image);
    size_t at = XBM_HEADER_SIZE;
    if (h.palette) {
        if (size - at < XBM_PALETTE_SIZE) return 0;
        at += XBM_PALETTE_SIZE;
    }
    if (h.alpha) {
        if (h.alphaCompressed) {
            size_t extent = 0;
            if (size - at < h.alphaSize || !CheckRunBlock(bytes + at, h.alphaSize, h.height, h.width, 1, &extent))
                return 0;
            at += h.alphaSize;
        } else {
            const size_t plane = size_t(h.width) * h.height;
            if (size - at < plane) return 0;
            at += plane;
        }
    }
    const uint32_t rowBytes = h.width * bits / 8;
    if (h.compressed) {
        size_t extent = 0;
        return CheckRunBlock(bytes + at, size - at, h.height, rowBytes, bits / 8, &extent) ? 1 : 0;
    }
    return size - at >= size_t(rowBytes) * h.height ? 1 : 0;
}

HRESULT KestuXLoadXBmpFromFile(const char* path, VPaper*& sprite)
{
    delete sprite;
    sprite = nullptr;
    if (path == nullptr) return KESTUERR_FILEOPEN;
    FILE* f = std::fopen(path, "rb");
    if (f == nullptr) return KESTUERR_FILEOPEN;
    // Read in pieces: the length a seek reports is not trusted (a directory opens too).
    std::vector<uint8_t> bytes;
    try {
        uint8_t chunk[65536];
        size_t n;
        while ((n = std::fread(chunk, 1, sizeof chunk, f)) > 0) bytes.insert(bytes.end(), chunk, chunk + n);
    } catch (const std::bad_alloc&) {
        std::fclose(f);
        return E_OUTOFMEMORY;
    }
    const bool failed = std::ferror(f) != 0;
    std::fclose(f);
    if (failed) return KESTUERR_FILEREAD;
    const size_t length = bytes.size();
    std::shared_ptr<uint8_t[]> image;
    if (length > 0) {
        image.reset(new (std::nothrow) uint8_t[length]);
        if (!image) return E_OUTOFMEMORY;
        std::memcpy(image.get(), bytes.data(), length);
    }
    if (!image || !XbmCheckImage(image.get(), length)) return KESTUERR_GENERIC;
    if (!CreateXBmp(image.get(), sprite)) {
        delete sprite;
        sprite = nullptr;
        return KESTUERR_GENERIC;
    }
    // The sprite refers into the file's bytes: it keeps them.
    if (auto* s = dynamic_cast<SBMP*>(sprite)) s->KeepImage(image);
    if (auto* r = dynamic_cast<RTBMP*>(sprite)) r->KeepImage(image);
    return 0;
}

HRESULT KestuXSaveXBmpToFile(VPaper* sprite, const char* path)
{
    if (sprite == nullptr || path == nullptr) return E_FAIL;
    return sprite->SaveToXBmpFile(path);
}

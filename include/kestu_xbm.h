// Header of the engine's XBM sprite image (64 bytes, little-endian on disk).
#pragma once

#include <cstddef>
#include <cstdint>

#include "kestu_export.h"

constexpr uint32_t XBM_MAGIC = 0x006D6278; // "xbm\0"
constexpr size_t XBM_HEADER_SIZE = 64;
constexpr size_t XBM_PALETTE_SIZE = 1024;

struct KESTU_API XBMFILEHEADER {
    uint32_t magic;
    uint8_t reserved0[12];
    uint32_t reserved1;
    uint32_t width;
    uint32_t height;
    uint8_t bitsPerPixel;
    uint8_t pixelFormat;
    uint8_t compressed; // pixels are run-length rows
    uint8_t palette;    // 1024 palette bytes follow the header
    int32_t transColor; // -1: none
    uint8_t alpha;      // an alpha plane follows
    uint8_t ownBuffer;
    uint8_t copyRows;
    uint8_t alphaCompressed;
    uint32_t alphaSize;
    uint32_t dataSize;
    uint8_t reserved2[16];

    XBMFILEHEADER();

    // Field-by-field little-endian transfer; Read fails (returns 0) when
    // fewer than 64 bytes are given, and does not judge the values.
    void Write(uint8_t out[XBM_HEADER_SIZE]) const;
    int Read(const void* bytes, size_t size);
};

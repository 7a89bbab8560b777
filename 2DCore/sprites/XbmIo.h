// Helpers shared by the XBM sprite classes, the loader and the encoder:
// run-block checks and walks, and file writes that replace a file whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <initializer_list>
#include <vector>

#include "kestu_xbm.h"

namespace kestu::xbm {

// Byte length of one row's runs (skip and count words and data) whose skips
// and counts add up to rowBytes. The row is trusted.
size_t RunRowLength(const uint8_t* row, uint32_t rowBytes);

// Checks a run block (row-offset table followed by runs) of `rows` rows of
// `rowBytes` bytes against the `size` bytes present: every offset lies in the
// block, every row's runs end exactly at rowBytes inside it, and skips and
// counts are multiples of `unit`. On success *extent is the byte length of
// the block up to the end of its furthest row. The last row must not start
// before the first, and rows either share their bytes whole or do not
// overlap.
bool CheckRunBlock(const uint8_t* block, size_t size, uint32_t rows, uint32_t rowBytes, uint32_t unit, size_t* extent);

// The distinct row offsets of a run block, ascending: a row stored once for
// several rows is visited once.
std::vector<uint32_t> DistinctRowOffsets(const uint8_t* table, uint32_t rows);

// Bytes of the alpha plane that follows the header (and palette).
inline size_t AlphaPlaneSize(const XBMFILEHEADER& h, bool compressed)
{
    if (h.alpha == 0) return 0;
    return compressed ? size_t(h.alphaSize) : size_t(h.width) * size_t(h.height);
}

struct Part {
    const void* data;
    size_t size;
};
// Replaces the file at `path` with the parts (kestu::SafeFile). False on failure.
bool SaveParts(const char* path, std::initializer_list<Part> parts);

} // namespace kestu::xbm

// Test fixtures: run-length sprites built from a logical picture (pixels,
// opaque mask, alpha plane) and raw source rectangles; destinations are the
// guard-margin canvases of tests/support. Every encoded block is its own exact-size allocation
// so that the sanitizer catches any read past it.
#pragma once

#include <cstdint>
#include <random>
#include <vector>

#include "support/canvas.h"

namespace kestu_test {

struct Sprite {
    int width = 0;
    int height = 0;
    int bytesPerPixel = 2;          // 2 for 16-bit pixels, 1 for 8-bit indices
    std::vector<uint16_t> pixels;   // width * height
    std::vector<uint8_t> opaque;    // inside a copy run
    std::vector<uint8_t> runStart;  // first pixel of a copy run
    std::vector<uint8_t> alpha;     // uncompressed plane, width * height
    std::vector<uint8_t> covered;   // compressed plane: inside an alpha span
    std::vector<uint8_t> skipStart; // first pixel of a skip run
    std::vector<uint8_t> spanStart; // compressed plane: first pixel of a span
    std::vector<uint8_t> runs;      // row-offset table, then the rows
    std::vector<uint8_t> alphaRuns; // compressed plane: its table, then the rows

    uint16_t Pixel(int x, int y) const { return pixels[y * width + x]; }
    bool Opaque(int x, int y) const { return opaque[y * width + x] != 0; }
    bool RunStart(int x, int y) const { return runStart[y * width + x] != 0; }
    uint8_t Alpha(int x, int y) const { return alpha[y * width + x]; }
    bool Covered(int x, int y) const { return covered[y * width + x] != 0; }
    bool SkipStart(int x, int y) const { return skipStart[y * width + x] != 0; }
    bool SpanStart(int x, int y) const { return spanStart[y * width + x] != 0; }
    const uint32_t* RowEntry(int row) const { return reinterpret_cast<const uint32_t*>(runs.data()) + row; }
    const uint32_t* AlphaRowEntry(int row) const { return reinterpret_cast<const uint32_t*>(alphaRuns.data()) + row; }
    const uint8_t* AlphaRow(int row) const { return alpha.data() + row * width; }
};

// One row described as alternating skip and copy lengths in pixels, starting
// with a skip: {skip, copy, skip, copy, ...}.
using RowRuns = std::vector<int>;

// Builds a sprite whose rows have the given runs and pixel values (row-major).
Sprite MakeSprite(int width, const std::vector<RowRuns>& rows, const std::vector<uint16_t>& pixels,
                  int bytesPerPixel = 2);

// Random sprite: run lengths from 0 up to the width, long runs included;
// pixel values from a small palette about half of the time so that equal
// source and destination pixels occur.
Sprite RandomSprite(std::mt19937& rng, int width, int height, int bytesPerPixel = 2);

// Random alpha plane with both encodings; levels 0 and 15 appear often.
void AddRandomAlpha(std::mt19937& rng, Sprite& sprite);

// Encodes the compressed plane from sprite.alpha and explicit spans per row
// ({skip, count, skip, count, ...}, in pixels).
void SetCompressedAlpha(Sprite& sprite, const std::vector<RowRuns>& spans);

// A raw source rectangle, rows packed without padding.
struct RawImage {
    int width = 0, height = 0, bytesPerPixel = 2;
    std::vector<uint8_t> bytes;
    RawImage(int w, int h, int bpp) : width(w), height(h), bytesPerPixel(bpp), bytes(size_t(w) * h * bpp) {}
    uint8_t* At(int x, int y) { return bytes.data() + (size_t(y) * width + x) * bytesPerPixel; }
    const uint8_t* At(int x, int y) const { return bytes.data() + (size_t(y) * width + x) * bytesPerPixel; }
    int Pitch() const { return width * bytesPerPixel; }
    uint32_t Get(int x, int y) const;
    void Set(int x, int y, uint32_t v);
};

// Values shared by sprites, canvases and raw sources so that equal pixels meet.
const std::vector<uint16_t>& SmallPalette();

} // namespace kestu_test

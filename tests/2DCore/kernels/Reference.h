// Scalar reference of the paint kernels, written pixel by pixel from the
// rules without shortcuts; the kernels must match it bit for bit.
#pragma once

#include <cstdint>
#include <functional>

#include "kernels/TestSprite.h"

namespace kestu_test::ref {

// The visible part of a sprite: source columns [left, left + width), source
// rows [top, top + rows).
struct View {
    int left = 0, width = 0, top = 0, rows = 0;
};

// Calls piece(destY, sourceY, destX, sourceX, length) for every visible
// stretch of a copy run: it starts at the run's first pixel or at the left
// edge of the view and ends at the run's end or at the right edge.
void ForEachPiece(const Sprite& s, const View& v,
                  const std::function<void(int dy, int sy, int dx, int sx, int n)>& piece);

// Calls pixel(destX, destY, sourceX, sourceY) for every visible opaque pixel.
void ForEachOpaque(const Sprite& s, const View& v, const std::function<void(int dx, int dy, int sx, int sy)>& pixel);

uint32_t Expand565To32(uint16_t p);
uint16_t Reduce32To565(uint32_t p);
uint16_t To4444(uint16_t p);

// 16 levels: 0 keeps d, 15 writes s, k writes floor((k s + (16 - k) d) / 16) per channel.
uint16_t Blend16(uint16_t s, uint16_t d, int level, bool is565);
// 256 levels into a 32-bit pixel; alpha byte of the result 0.
uint32_t Blend32(uint16_t s565, uint32_t d, int alpha);
// The 4-bit level scaled by the trans grade.
int ScaleByGrade(int level, int grade);
// The trans-grade blend: grade 0 keeps d, 15 and 16 write s.
uint16_t Grade(uint16_t s, uint16_t d, int grade, bool is565);
uint16_t Enhance(uint16_t p, int level, bool is565);
uint16_t Grey(uint16_t p, bool is565);
// Half and half per channel (no equality rule).
uint16_t Half(uint16_t s, uint16_t d, bool is565);
uint16_t MaskedHalf(uint16_t s, uint16_t d, uint16_t mask);

} // namespace kestu_test::ref

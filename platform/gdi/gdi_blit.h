// Rectangle copies between pixel views of any layout.
#pragma once
#include "gdi/gdi_pixels.h"

namespace kestu::platform::gdi {

enum class Rop { Copy, NotCopy, And, Paint, Invert, Black, White, Pattern, DestInvert, Unsupported };
Rop RopFromCode(DWORD code);
bool RopUsesSource(Rop rop);

// Copies w x h pixels from src (sx, sy) to dst (dx, dy), converting the layout
// and applying the operation. Both rectangles must lie inside their views;
// the views must not share memory.
void CopyRect(const PixelView& dst, int dx, int dy, const PixelView& src, int sx, int sy, int w, int h,
              Rop rop = Rop::Copy);

// Nearest-neighbour scaling of the source rectangle onto the destination
// rectangle, clipped to the destination view. Source rectangle inside src.
void StretchRect(const PixelView& dst, int dx, int dy, int dw, int dh, const PixelView& src, int sx, int sy, int sw,
                 int sh, Rop rop);

// Fills a rectangle (clipped to the view) with a raw pixel value, combined
// with the destination by the operation (Pattern or DestInvert or Black/White).
void FillRaw(const PixelView& dst, int x, int y, int w, int h, uint32_t raw, Rop rop = Rop::Pattern);

// Clips a rectangle to 0..limitW x 0..limitH; false when nothing is left.
bool ClipToView(int& x, int& y, int& w, int& h, int limitW, int limitH);

} // namespace kestu::platform::gdi

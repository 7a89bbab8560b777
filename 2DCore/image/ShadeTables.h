// The pixel-shade tables as the 16-bit paints take them: one level's table,
// and the light grid under a painted rectangle with a table for every cell.
#pragma once

#include <cstdint>

#include "kestu_ablight.h"
#include "kestu_pixelshade.h"

namespace kestu2d {

// The 65536-entry 16-bit table of a shade level, or null when the shade
// cannot give one.
const uint16_t* Table16(const CPixelShade* shade, int level);

// The cells of the light grid under a rectangle, and one shade table for each
// byte a cell may hold: levels above the shade's top level take the top
// level's table rather than a missing one.
struct LightGrid {
    SABRectData view;
    const uint16_t* tables[256];
};
// False when there is nothing to light with: no grid, no 16-bit shade, or no
// cells under the rectangle.
bool PrepareLightGrid(CAlphaBuffer* grid, const CPixelShade* shade, GRECT area, LightGrid& out);

} // namespace kestu2d

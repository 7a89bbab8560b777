#include "2DCore/image/ShadeTables.h"

namespace kestu2d {

const uint16_t* Table16(const CPixelShade* shade, int level)
{
    if (shade == nullptr || !shade->IsBuilt() || static_cast<int>(shade->GetPixelFormat()) == 32) return nullptr;
    if (level < 0 || level > static_cast<int>(shade->GetTotalLevel())) return nullptr;
    return static_cast<const uint16_t*>(shade->GetTable(level));
}

bool PrepareLightGrid(CAlphaBuffer* grid, const CPixelShade* shade, GRECT area, LightGrid& out)
{
    if (grid == nullptr || Table16(shade, 0) == nullptr) return false;
    grid->GetRectData(out.view, &area);
    if (out.view.firstCell == nullptr || out.view.cellWidth <= 0 || out.view.cellHeight <= 0) return false;
    const int top = static_cast<int>(shade->GetTotalLevel());
    for (int i = 0; i < 256; ++i) out.tables[i] = Table16(shade, i <= top ? i : top);
    return true;
}

} // namespace kestu2d

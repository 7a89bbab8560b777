// SSubTexInfo: texture coordinates of one cell of a texture atlas.
#include "kestu_texture_subtex.h"

void SSubTexInfo::CalcTexCoordinate(float& u, float& v, ENUM_OU_CORNER corner) const
{
    const float c = GetSize();
    const float left = static_cast<float>(dwColumn) * c, right = (static_cast<float>(dwColumn) + 1.0f) * c;
    const float top = static_cast<float>(dwRow) * c, bottom = (static_cast<float>(dwRow) + 1.0f) * c;
    switch (corner) {
    case OU_CORNER_LEFTBOTTOM: u = left, v = bottom; break;
    case OU_CORNER_RIGHTBOTTOM: u = right, v = bottom; break;
    case OU_CORNER_RIGHTTOP: u = right, v = top; break;
    default: u = left, v = top; break;
    }
}

void SSubTexInfo::CalcTexCoordinate(FRECT& rect) const
{
    const float c = GetSize();
    rect.left = static_cast<float>(dwColumn) * c;
    rect.top = static_cast<float>(dwRow) * c;
    rect.right = (static_cast<float>(dwColumn) + 1.0f) * c;
    rect.bottom = (static_cast<float>(dwRow) + 1.0f) * c;
}

// SSubTexInfo: one square cell of a 256-texel texture atlas and its texture
// coordinates.
#pragma once
#include <windows.h>

#include "kestu_export.h"
#include "ou_geometry.h"

// Cell sizes in texels.
enum ENUM_SUBTEXINFO_TYPE : int32_t {
    SUBTEXINFO_16 = 16,
    SUBTEXINFO_32 = 32,
    SUBTEXINFO_64 = 64,
    SUBTEXINFO_128 = 128,
    SUBTEXINFO_256 = 256
};

struct KESTU_API SSubTexInfo {
    DWORD dwSize;  // cell size in texels, an ENUM_SUBTEXINFO_TYPE
    DWORD dwTexID; // texture id
    DWORD dwColumn;
    DWORD dwRow;

    SSubTexInfo() : dwSize(SUBTEXINFO_32), dwTexID(0xFFFFFFFF), dwColumn(0), dwRow(0) {}
    SSubTexInfo(const SSubTexInfo&) = default;
    SSubTexInfo& operator=(const SSubTexInfo&) = default;

    void Set(DWORD id, DWORD column, DWORD row, ENUM_SUBTEXINFO_TYPE size)
    {
        dwTexID = id;
        dwColumn = column;
        dwRow = row;
        dwSize = static_cast<DWORD>(size);
    }
    DWORD GetSizeInPixel() const { return dwSize; }
    float GetSize() const { return static_cast<float>(dwSize) / 256.0f; }
    // The texture coordinates of a corner of the cell (v grows downwards, so
    // the bottom corners lie on row + 1).
    void CalcTexCoordinate(float& u, float& v, ENUM_OU_CORNER corner) const;
    void CalcTexCoordinate(FRECT& rect) const;
};
static_assert(sizeof(SSubTexInfo) == 16, "SSubTexInfo is shared with the client");

// Map cells from world coordinates, safe for any value a client may give:
// floored, held inside the range of an int (NaN gives 0), and map-block
// indices that never overflow.
#pragma once
#include <climits>
#include <cmath>
#include <cstdint>

inline int FloorToCell(float v)
{
    const float f = std::floor(v);
    if (!(f > float(INT_MIN))) return f == f ? INT_MIN : 0;
    if (!(f < float(INT_MAX))) return INT_MAX;
    return int(f);
}

inline int AddCells(int a, int b)
{
    const int64_t sum = int64_t(a) + b;
    return sum < INT_MIN ? INT_MIN : sum > INT_MAX ? INT_MAX : int(sum);
}

// row * stride + column; only a cell on the map has a meaningful index, and
// no position makes the arithmetic overflow.
inline int MapBlockIndex(int column, int row, int stride) { return int(int64_t(row) * stride + column); }

// What the heightfield tree's sources share: sizes by level and the error
// tests against the viewer.
#pragma once
#include <cmath>
#include <cstdint>

#include "kestu_quadsquare.h"

namespace quadsquare {

// Half the edge of a node at the level, in full width at every depth.
inline int64_t Half(int level) { return int64_t(1) << (level < 62 ? level : 62); }

inline float Max3(float a, float b, float c) { return std::fmax(a, std::fmax(b, c)); }

// A vertex is needed when its error, scaled by the detail threshold, exceeds
// its distance from the viewer (the largest of the three axes).
inline bool VertexTest(float x, float y, float z, float error, const D3DXVECTOR3& v, float threshold)
{
    const float d = Max3(std::fabs(x - v.x), std::fabs(y - v.y), std::fabs(z - v.z));
    return error * threshold > d;
}

// The same against the nearest point of a box of the given size and height range.
inline bool BoxTest(float x, float z, float size, float minY, float maxY, float error, const D3DXVECTOR3& v,
                    float threshold)
{
    const float h = size * 0.5f;
    const float d = Max3(std::fabs(x + h - v.x) - h, std::fabs((minY + maxY) * 0.5f - v.y) - (maxY - minY) * 0.5f,
                         std::fabs(z + h - v.z) - h);
    return error * threshold > d;
}

} // namespace quadsquare

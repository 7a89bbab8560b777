// Where float still resolves a block. Far from the origin the spacing of
// floats grows past a small block: a node's centre rounds onto its edge, a
// child keeps its parent's size and a descent never reaches block size.
#pragma once
#include <cmath>

#include "kestu_quadtree.h"

// Within this many blocks of the origin float spacing stays below a
// sixty-fourth of a block (2^17 blocks; the largest map is 2^15).
constexpr float kDTMaxBlocksFromOrigin = 131072.0f;

// Whether every edge of r lies within that range for blocks of w x h; false
// for NaN.
inline bool DTInBlockRange(const KESTURECT2& r, float w, float h)
{
    const float lx = w * kDTMaxBlocksFromOrigin, lz = h * kDTMaxBlocksFromOrigin;
    return std::fabs(r.left) <= lx && std::fabs(r.right) <= lx && std::fabs(r.bottom) <= lz && std::fabs(r.top) <= lz;
}

// Whether the node's four children come out clearly smaller than it: each
// half at least a quarter of the side. A walk stops at a node that fails.
inline bool DTHalvesInFloat(const CQuadtree& node)
{
    const KESTURECT2& r = *node.GetRect();
    const D3DXVECTOR3& c = *node.GetCenter();
    const float qw = (r.right - r.left) * 0.25f, qh = (r.top - r.bottom) * 0.25f;
    return c.x - r.left >= qw && r.right - c.x >= qw && c.z - r.bottom >= qh && r.top - c.z >= qh;
}

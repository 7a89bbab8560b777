// CTerrainBlock: one leaf of the static terrain, its altitudes, visibility
// report, height lookup and ray test.
#include <algorithm>
#include <cstring>

#include "kestu_intersect.h"
#include "kestu_terrain.h"

namespace {

// Grid index of each corner: 0 (left, bottom), 1 (right, bottom), 2 (right, top), 3 (left, top).
constexpr WORD kCornerGrid[4] = {0, 4, 24, 20};

// The cell (0 to 3) of a coordinate: halves first, then quarters; a value on
// a dividing line goes to the low side.
int CellOf(float v, float low, float centre, float high)
{
    if (v <= centre) return v <= (low + centre) * 0.5f ? 0 : 1;
    return v <= (centre + high) * 0.5f ? 2 : 3;
}

} // namespace

CTerrainBlock::CTerrainBlock()
    : m_wIndices{}, m_wTexId(0), m_fAltitudes{}, m_wBlockIndex(0), m_byRender(1), m_wCullMark(65535)
{
}

CTerrainBlock::~CTerrainBlock() = default;

void CTerrainBlock::Set(WORD index, const STerrainBlockInit* record)
{
    m_wBlockIndex = index;
    m_wTexId = record->GetTexIdx();
    for (WORD i = 0; i < 25; ++i) {
        m_wIndices[i] = record->GetIndex(i);
        m_fAltitudes[i] = record->GetAtitude(i);
    }
    m_byRender = record->GetRender();
    m_wCullMark = record->GetCullMark();
}

void CTerrainBlock::Set(WORD index, WORD texId, const WORD* indices25, const float* altitudes25, BYTE render,
                        WORD cullMark)
{
    m_wBlockIndex = index;
    m_wTexId = texId;
    std::memcpy(m_wIndices, indices25, sizeof m_wIndices);
    std::memcpy(m_fAltitudes, altitudes25, sizeof m_fAltitudes);
    m_byRender = render;
    m_wCullMark = cullMark;
}

float CTerrainBlock::FillCornerAltitude(ENUM_OU_CORNER corner, float floor)
{
    m_vCorners[corner].y = std::max(m_fAltitudes[kCornerGrid[corner & 3]], floor);
    return m_vCorners[corner].y;
}

float CTerrainBlock::FillCenterAltitude(float floor)
{
    m_vCenter.y = std::max(m_fAltitudes[12], floor);
    return m_vCenter.y;
}

void CTerrainBlock::FillBoundSphere(float floor)
{
    m_Sphere.Reset();
    float sum = 0.0f;
    for (float a : m_fAltitudes) sum += std::max(a, floor);
    const D3DXVECTOR3 middle(m_vCenter.x, sum * 0.04f, m_vCenter.z);
    m_Sphere.AddPoint(&middle);
    const float w = (m_Rect.right - m_Rect.left) * 0.25f;
    const float h = (m_Rect.top - m_Rect.bottom) * 0.25f;
    for (int r = 0; r < 5; ++r) {
        for (int c = 0; c < 5; ++c) {
            const D3DXVECTOR3 p(m_Rect.left + c * w, std::max(m_fAltitudes[r * 5 + c], floor), m_Rect.bottom + r * h);
            m_Sphere.AddPoint(&p);
        }
    }
}

void CTerrainBlock::OnSelect(void* context, int)
{
    CTerrain* terrain = static_cast<CTerrain*>(context);
    if (terrain && terrain->IsTestVisible() && m_byRender) terrain->ReportVisibleBlock(m_wBlockIndex);
}

float CTerrainBlock::GetAtitude(float x, float z) const
{
    const float w = (m_Rect.right - m_Rect.left) * 0.25f;
    const float h = (m_Rect.top - m_Rect.bottom) * 0.25f;
    const int c = CellOf(x, m_Rect.left, m_vCenter.x, m_Rect.right);
    const int r = CellOf(z, m_Rect.bottom, m_vCenter.z, m_Rect.top);
    const float x0 = m_Rect.left + c * w;
    const float z0 = m_Rect.bottom + r * h;
    // Which side of the split diagonal, measured in cell units so that
    // oblong cells split where their index lists do.
    const float u = w != 0.0f ? (x - x0) / w : 0.0f;
    const float v = h != 0.0f ? (z - z0) / h : 0.0f;
    const D3DXVECTOR3 p0(x0, m_fAltitudes[r * 5 + c], z0);
    const D3DXVECTOR3 p2(x0 + w, m_fAltitudes[(r + 1) * 5 + c + 1], z0 + h);
    const D3DXVECTOR3 p1 = v < u ? D3DXVECTOR3(x0 + w, m_fAltitudes[r * 5 + c + 1], z0)
                                 : D3DXVECTOR3(x0, m_fAltitudes[(r + 1) * 5 + c], z0 + h);
    // The plane a x + b y + c z + d = 0 through the three points.
    D3DXVECTOR3 e1 = p1 - p0, e2 = p2 - p0, n;
    D3DXVec3Cross(&n, &e1, &e2);
    if (n.y == 0.0f) return p0.y;
    const float d = -(n.x * p0.x + n.y * p0.y + n.z * p0.z);
    return -(n.x * x + n.z * z + d) / n.y;
}

D3DXVECTOR3* CTerrainBlock::GetPointOfIntersection(D3DXVECTOR3* out, int column, int row, const D3DXVECTOR3* from,
                                                   const D3DXVECTOR3* to, float cellWidth, float cellHeight) const
{
    if (!out || !from || !to || column < 0 || column > 3 || row < 0 || row > 3) return nullptr;
    const D3DXVECTOR3 dir = *to - *from;
    const D3DXVECTOR3 a(column * cellWidth + m_Rect.left, m_fAltitudes[row * 5 + column],
                        row * cellHeight + m_Rect.bottom);
    const D3DXVECTOR3 b(a.x + cellWidth, m_fAltitudes[(row + 1) * 5 + column + 1], a.z + cellHeight);
    const D3DXVECTOR3 c(a.x + cellWidth, m_fAltitudes[row * 5 + column + 1], a.z);
    const D3DXVECTOR3 d(a.x, m_fAltitudes[(row + 1) * 5 + column], a.z + cellHeight);
    D3DXVECTOR3 hit;
    if (GfxLineIntersectTriangle(nullptr, &hit, from, &dir, nullptr, &a, &b, &c, nullptr, D3DCULL_CCW, 0.0f) ||
        GfxLineIntersectTriangle(nullptr, &hit, from, &dir, nullptr, &a, &d, &b, nullptr, D3DCULL_CCW, 0.0f)) {
        *out = hit;
        return out;
    }
    return nullptr;
}

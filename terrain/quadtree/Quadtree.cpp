// CQuadtree: geometry, altitudes, bounding spheres, linking and moving.
#include "kestu_quadtree.h"

#include <algorithm>

namespace {

// Sibling across the shared edge for a node at corner (row) moving in a
// direction (column): 0 larger z, 1 smaller z, 2 smaller x, 3 larger x; -1
// when the neighbour lies outside the parent.
constexpr int kSiblingInside[4][4] = {
    {3, -1, -1, 1},
    {2, -1, 0, -1},
    {-1, 1, 3, -1},
    {-1, 0, -1, 2},
};
// The child of the parent's neighbour that touches a node at corner (row)
// when the neighbour lies outside the parent in a direction (column).
constexpr int kChildAcross[4][4] = {
    {-1, 3, 1, -1},
    {-1, 2, -1, 0},
    {1, -1, -1, 3},
    {0, -1, 2, -1},
};

constexpr float kHalfDiagonal = 0.70710677f;

} // namespace

CQuadtree::CQuadtree()
    : m_Rect(), m_pChildren{}, m_bSelected(0), m_pParent(nullptr), m_eParentCorner(OU_CORNER_LEFTBOTTOM)
{
    for (D3DXVECTOR3& c : m_vCorners) c = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_vCenter = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_Sphere.center = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_Sphere.radius = 0.0f;
    m_Sphere.radiusSq = 0.0f;
}

CQuadtree::~CQuadtree() = default;

void CQuadtree::CleanUp()
{
    for (CQuadtree*& child : m_pChildren) child = nullptr;
    for (D3DXVECTOR3& c : m_vCorners) c = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_vCenter = D3DXVECTOR3(0.0f, 0.0f, 0.0f);
    m_bSelected = 0;
    m_pParent = nullptr;
    m_eParentCorner = OU_CORNER_LEFTBOTTOM;
}

int CQuadtree::IsEmpty() const { return !m_pChildren[0] && !m_pChildren[1] && !m_pChildren[2] && !m_pChildren[3]; }

int CQuadtree::IsLeaf() const { return IsEmpty(); }

ENUM_OU_CORNER CQuadtree::GetChildIndex(float x, float z) const
{
    const bool high_x = x > m_vCenter.x;
    const bool high_z = z > m_vCenter.z;
    if (!high_z) return high_x ? OU_CORNER_RIGHTBOTTOM : OU_CORNER_LEFTBOTTOM;
    return high_x ? OU_CORNER_RIGHTTOP : OU_CORNER_LEFTTOP;
}

void CQuadtree::CalcChildRect(KESTURECT2* out, int corner) const
{
    const float cx = m_vCenter.x, cz = m_vCenter.z;
    switch (corner) {
    case 0: *out = KESTURECT2(m_Rect.left, cz, cx, m_Rect.bottom); break;
    case 1: *out = KESTURECT2(cx, cz, m_Rect.right, m_Rect.bottom); break;
    case 2: *out = KESTURECT2(cx, m_Rect.top, m_Rect.right, cz); break;
    case 3: *out = KESTURECT2(m_Rect.left, m_Rect.top, cx, cz); break;
    default: break;
    }
}

void CQuadtree::SetRect(const KESTURECT2* rect)
{
    m_Rect = *rect;
    m_vCorners[0].x = m_Rect.left;
    m_vCorners[0].z = m_Rect.bottom;
    m_vCorners[1].x = m_Rect.right;
    m_vCorners[1].z = m_Rect.bottom;
    m_vCorners[2].x = m_Rect.right;
    m_vCorners[2].z = m_Rect.top;
    m_vCorners[3].x = m_Rect.left;
    m_vCorners[3].z = m_Rect.top;
    m_vCenter.x = (m_Rect.left + m_Rect.right) * 0.5f;
    m_vCenter.z = (m_Rect.top + m_Rect.bottom) * 0.5f;
    m_Sphere.center = m_vCenter;
    const float width = m_Rect.right - m_Rect.left;
    const float height = m_Rect.top - m_Rect.bottom;
    m_Sphere.SetRadius((height >= width ? height : width) * kHalfDiagonal);
    for (int corner = 0; corner < 4; ++corner) {
        if (!m_pChildren[corner]) continue;
        KESTURECT2 child;
        CalcChildRect(&child, corner);
        m_pChildren[corner]->SetRect(&child);
    }
}

CQuadtree* CQuadtree::GetSubTree(float x, float z, DWORD depth)
{
    CQuadtree* node = this;
    for (DWORD i = 0; i < depth; ++i) {
        CQuadtree* child = node->m_pChildren[node->GetChildIndex(x, z)];
        if (!child) break;
        node = child;
    }
    return node;
}

CQuadtree* CQuadtree::GetLeaf(float x, float z)
{
    CQuadtree* node = this;
    while (node && !node->IsLeaf()) node = node->m_pChildren[node->GetChildIndex(x, z)];
    return node;
}

CQuadtree* CQuadtree::GetNeighbor(int direction)
{
    if (direction < 0 || direction > 3 || !m_pParent) return nullptr;
    const CQuadtree* parent = m_pParent;
    const int corner = (m_vCenter.x > parent->m_vCenter.x ? 1 : 0) | (m_vCenter.z > parent->m_vCenter.z ? 2 : 0);
    // Bit 0 high x, bit 1 high z, turned into the corner numbering.
    static constexpr int kCornerOf[4] = {0, 1, 3, 2};
    const int q = kCornerOf[corner];
    const int sibling = kSiblingInside[q][direction];
    if (sibling >= 0) return parent->m_pChildren[sibling];
    CQuadtree* across = m_pParent->GetNeighbor(direction);
    return across ? across->m_pChildren[kChildAcross[q][direction]] : nullptr;
}

// ---- altitudes and spheres ----

float CQuadtree::FillCornerAltitude(ENUM_OU_CORNER corner, float floor)
{
    return std::max(m_vCorners[corner].y, floor);
}

float CQuadtree::FillCenterAltitude(float floor) { return std::max(m_vCenter.y, floor); }

float CQuadtree::FillCornerFromChild(ENUM_OU_CORNER corner, float floor)
{
    CQuadtree* child = m_pChildren[corner];
    if (child) {
        const float v = child->FillCornerAltitude(corner, floor);
        m_vCorners[corner].y = v > floor ? v : floor;
    }
    return m_vCorners[corner].y;
}

float CQuadtree::FillCenterFromChildren(float floor)
{
    CQuadtree* low = m_pChildren[0];
    if (m_pChildren[2] && low) {
        const float v = low->FillCornerAltitude(OU_CORNER_RIGHTTOP, floor);
        m_vCenter.y = v > floor ? v : floor;
    }
    return m_vCenter.y;
}

void CQuadtree::FillAltitude(float floor)
{
    m_vCenter.y = FillCenterAltitude(floor);
    for (int corner = 0; corner < 4; ++corner)
        m_vCorners[corner].y = FillCornerAltitude(static_cast<ENUM_OU_CORNER>(corner), floor);
    for (CQuadtree* child : m_pChildren)
        if (child) child->FillAltitude(floor);
}

void CQuadtree::FillExternAltitude(const float* grid25, float floor)
{
    m_vCenter.y = std::max(grid25[12], floor);
    m_vCorners[0].y = std::max(grid25[0], floor);
    m_vCorners[1].y = std::max(grid25[4], floor);
    m_vCorners[2].y = std::max(grid25[24], floor);
    m_vCorners[3].y = std::max(grid25[20], floor);
}

void CQuadtree::RefreshBoundSphere()
{
    m_Sphere.Reset();
    float sum = m_vCenter.y;
    int count = 1;
    for (int corner = 0; corner < 4; ++corner) {
        if (!m_pChildren[corner]) continue;
        sum += m_vCorners[corner].y;
        ++count;
    }
    const D3DXVECTOR3 middle(m_vCenter.x, sum / static_cast<float>(count), m_vCenter.z);
    m_Sphere.AddPoint(&middle);
    for (int corner = 0; corner < 4; ++corner)
        if (m_pChildren[corner]) m_Sphere.AddPoint(&m_vCorners[corner]);
    m_Sphere.AddPoint(&m_vCenter);
    // The corners alone miss the peaks inside the children: a node whose
    // sphere did not hold its children's would cut visible leaves away.
    for (const CQuadtree* child : m_pChildren)
        if (child && child->m_Sphere.radius >= 0.0f) m_Sphere.AddSphere(&child->m_Sphere);
}

void CQuadtree::FillBoundSphere(float floor)
{
    for (CQuadtree* child : m_pChildren)
        if (child) child->FillBoundSphere(floor);
    RefreshBoundSphere();
}

void CQuadtree::UpdateAltitudeReversely(ENUM_OU_CORNER corner)
{
    const CQuadtree* child = m_pChildren[corner];
    if (child) {
        m_vCenter.y = child->m_vCorners[(corner + 2) & 3].y;
        m_vCorners[corner].y = child->m_vCorners[corner].y;
    }
    RefreshBoundSphere();
    if (m_pParent) m_pParent->UpdateAltitudeReversely(m_eParentCorner);
}

// ---- linking ----

void CQuadtree::SetParent(CQuadtree* parent, ENUM_OU_CORNER corner)
{
    // Only a node that can never have children refuses; an empty inner node
    // also answers IsLeaf, yet must be able to take its first child.
    if (parent && dynamic_cast<const CQTLeaf*>(parent)) return;
    m_pParent = parent;
    m_eParentCorner = corner;
}

void CQuadtree::SetChild(ENUM_OU_CORNER corner, CQuadtree* child)
{
    if (!child) {
        if (m_pChildren[corner]) m_pChildren[corner]->SetParent(nullptr, OU_CORNER_LEFTBOTTOM);
        m_pChildren[corner] = nullptr;
        return;
    }
    child->SetParent(this, corner);
    if (child->m_pParent != this) return;
    m_pChildren[corner] = child;
    UpdateAltitudeReversely(corner);
}

void CQTLeaf::SetChild(ENUM_OU_CORNER corner, CQuadtree* child)
{
    if (!child) CQuadtree::SetChild(corner, nullptr);
}

void CQuadtree::UpdateData(const CQuadtree* other)
{
    for (int corner = 0; corner < 4; ++corner) m_vCorners[corner] = other->m_vCorners[corner];
    m_vCenter = other->m_vCenter;
    m_Sphere = other->m_Sphere;
}

// ---- moving ----

void CQuadtree::Move(const D3DXVECTOR3* delta, void* context) { Move(delta->x, delta->y, delta->z, context); }

void CQuadtree::Move(float dx, float dy, float dz, void* context)
{
    m_Rect.left += dx;
    m_Rect.right += dx;
    m_Rect.top += dz;
    m_Rect.bottom += dz;
    const D3DXVECTOR3 d(dx, dy, dz);
    m_vCenter += d;
    m_Sphere.center += d;
    for (D3DXVECTOR3& c : m_vCorners) c += d;
    for (CQuadtree* child : m_pChildren)
        if (child) child->Move(dx, dy, dz, context);
}

void CQuadtree::Move2D(float dx, float dz, void* context)
{
    m_Rect.left += dx;
    m_Rect.right += dx;
    m_Rect.top += dz;
    m_Rect.bottom += dz;
    m_vCenter.x += dx;
    m_vCenter.z += dz;
    m_Sphere.center.x += dx;
    m_Sphere.center.z += dz;
    for (D3DXVECTOR3& c : m_vCorners) {
        c.x += dx;
        c.z += dz;
    }
    for (CQuadtree* child : m_pChildren)
        if (child) child->Move2D(dx, dz, context);
}

void CQuadtree::MoveAltitude(float dy, void* context)
{
    m_vCenter.y += dy;
    m_Sphere.center.y += dy;
    for (D3DXVECTOR3& c : m_vCorners) c.y += dy;
    for (CQuadtree* child : m_pChildren)
        if (child) child->MoveAltitude(dy, context);
}

void CQuadtree::OnSelect(void* context, int whole) {}

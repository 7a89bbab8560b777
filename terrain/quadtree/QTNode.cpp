// CQTNode: the inner node of a complete tree over a caller-owned leaf array,
// and KestuCreateQuadtree, which builds such a tree.
#include <algorithm>
#include <cmath>
#include <new>

#include "kestu_quadtree.h"

CQTNode::CQTNode() : m_ppLeaves(nullptr), m_dwSize(0), m_dwPitch(0) {}

CQTNode::~CQTNode() { Release(); }

HRESULT CQTNode::Build(DWORD size, DWORD pitch, CQTLeaf** leaves)
{
    m_dwSize = size;
    m_dwPitch = pitch;
    m_ppLeaves = leaves;
    const DWORD half = size / 2;
    if (size > 2) {
        CQTLeaf** const starts[4] = {leaves, leaves + half, leaves + (pitch + 1) * half, leaves + pitch * half};
        for (int corner = 0; corner < 4; ++corner) {
            CQTNode* child = new (std::nothrow) CQTNode;
            if (!child) return E_OUTOFMEMORY;
            m_pChildren[corner] = child;
            child->SetParent(this, static_cast<ENUM_OU_CORNER>(corner));
            const HRESULT hr = child->Build(half, pitch, starts[corner]);
            if (FAILED(hr)) return hr;
        }
        return S_OK;
    }
    CQuadtree* const leaf[4] = {leaves[0], leaves[1], leaves[pitch + 1], leaves[pitch]};
    for (int corner = 0; corner < 4; ++corner) {
        m_pChildren[corner] = leaf[corner];
        if (leaf[corner]) leaf[corner]->SetParent(this, static_cast<ENUM_OU_CORNER>(corner));
    }
    return S_OK;
}

void CQTNode::Release()
{
    if (!m_pChildren[0] || m_pChildren[0]->IsLeaf()) return;
    for (CQuadtree*& child : m_pChildren) {
        delete child;
        child = nullptr;
    }
}

CQuadtree* CQTNode::GetLeaf(float x, float z)
{
    const float dx = x - m_Rect.left;
    const float dz = z - m_Rect.bottom;
    if (!m_ppLeaves || !m_ppLeaves[0]) return nullptr;
    if (!(dx >= 0.0f && dx < m_Rect.right - m_Rect.left && dz >= 0.0f && dz < m_Rect.top - m_Rect.bottom))
        return nullptr;
    const KESTURECT2* leaf = m_ppLeaves[0]->GetRect();
    const float w = leaf->right - leaf->left;
    const float h = leaf->top - leaf->bottom;
    if (!(w > 0.0f && h > 0.0f)) return nullptr;
    // Half-open cells: a point on a line between two leaves belongs to the
    // leaf that starts there. The clamp only guards against rounding when the
    // leaves do not tile the node exactly.
    auto cell = [this](float d, float size) {
        const float last = static_cast<float>(m_dwSize - 1);
        return static_cast<DWORD>(std::min(std::trunc(d / size), last));
    };
    return m_ppLeaves[cell(dz, h) * m_dwPitch + cell(dx, w)];
}

CQTLeaf* CQTNode::GetLeaf(DWORD index) { return m_ppLeaves[index]; }

CQTLeaf* CQTNode::GetLeaf(DWORD column, DWORD row) { return m_ppLeaves[row * m_dwPitch + column]; }

float CQTNode::FillCornerAltitude(ENUM_OU_CORNER corner, float floor) { return FillCornerFromChild(corner, floor); }

float CQTNode::FillCenterAltitude(float floor) { return FillCenterFromChildren(floor); }

HRESULT KestuCreateQuadtree(DWORD depth, const KESTURECT2* rect, CQTLeaf** leaves, CQTNode** root)
{
    // One leaf cannot form a node; past 16 levels the leaf count overflows.
    if (!rect || !leaves || !root || depth < 2 || depth > 16) return E_INVALIDARG;
    const DWORD size = 1u << (depth - 1);
    if (!*root) {
        *root = new (std::nothrow) CQTNode;
        if (!*root) return E_OUTOFMEMORY;
    }
    const HRESULT hr = (*root)->Build(size, size, leaves);
    if (hr >= 0) (*root)->SetRect(rect);
    return hr;
}

// CDynamicTerrain: what the block tree and the far-ring tree share: fitting
// and growing the root, hanging leaves, clipping by the view circle,
// detaching whole subtrees and collapsing the root.
#include <algorithm>
#include <cmath>

#include "kestu_dynamicterrain.h"
#include "terrain/dynamic/DTFloatRange.h"

namespace {

// A float rectangle cannot double meaningfully more often than this.
constexpr int kMaxGrow = 64;

bool Holds(const KESTURECT2* rect, const KESTURECT2& box)
{
    return box.left >= rect->left && box.bottom >= rect->bottom && box.right < rect->right && box.top < rect->top;
}

} // namespace

HRESULT CDynamicTerrain::GrowToFit(CQTDynamicNode*& root, const KESTURECT2& box, int maxGrow)
{
    CQTDynamicNode* const old = root;
    const float x = (box.left + box.right) * 0.5f, z = (box.top + box.bottom) * 0.5f;
    maxGrow = std::min(maxGrow, kMaxGrow);
    HRESULT hr = S_OK;
    for (int grown = 0; !Holds(root->GetRect(), box); ++grown) {
        CQTDynamicNode* bigger = grown < maxGrow ? root->EnlargeTree(x, z, m_pNodePool) : nullptr;
        if (!bigger) {
            hr = grown < maxGrow ? E_OUTOFMEMORY : E_FAIL;
            break;
        }
        root = bigger;
        hr = S_FALSE;
    }
    if (FAILED(hr) && root != old) {
        // Unhook the old root and give back the parents made here.
        static_cast<CQuadtree*>(old->GetParent())->SetChild(old->GetParentChildIndex(), nullptr);
        root->DestoryTreeNode(m_pNodePool, nullptr);
        CQTDynamicNode::DeleteNode(root, m_pNodePool);
        root = old;
    }
    return hr;
}

HRESULT CDynamicTerrain::FitRoot(CQTDynamicNode*& root, const SBoundCircle* view, int maxGrow, float width,
                                 float height, bool* enlarged)
{
    *enlarged = false;
    const float x = view->x, z = view->y, r = view->radius;
    const KESTURECT2 box(x - r, z + r, x + r, z - r);
    if (!DTInBlockRange(box, width, height)) return E_FAIL;
    if (root) {
        const HRESULT hr = GrowToFit(root, box, maxGrow);
        *enlarged = hr == S_FALSE;
        return FAILED(hr) ? hr : S_OK;
    }
    CQTDynamicNode* node = CQTDynamicNode::NewNode(m_pNodePool);
    if (!node) return E_OUTOFMEMORY;
    // Down to whole blocks, also left of and below the origin.
    const float x0 = std::floor((x - r) / width) * width, z0 = std::floor((z - r) / height) * height;
    maxGrow = std::min(maxGrow, kMaxGrow);
    float n = 1.0f;
    for (int k = 1; k <= maxGrow; ++k) {
        n *= 2.0f;
        if (x0 + n * width >= x + r || z0 + n * height >= z + r) {
            const KESTURECT2 rect(x0, z0 + n * height, x0 + n * width, z0);
            node->SetRect(&rect);
            root = node;
            return S_OK;
        }
    }
    CQTDynamicNode::DeleteNode(node, m_pNodePool);
    return E_FAIL;
}

HRESULT CDynamicTerrain::InsertLeaf(CQTDynamicNode*& root, CQuadtree* leaf, int maxGrow, float width, float height)
{
    const D3DXVECTOR3* c = leaf->GetCenter();
    if (!DTInBlockRange(*leaf->GetRect(), width, height)) return E_FAIL;
    bool fresh = false;
    if (root) {
        const HRESULT hr = GrowToFit(root, KESTURECT2(c->x, c->z, c->x, c->z), maxGrow);
        if (FAILED(hr)) return hr;
    } else {
        root = CQTDynamicNode::NewNode(m_pNodePool);
        if (!root) return E_OUTOFMEMORY;
        const KESTURECT2* r = leaf->GetRect();
        const KESTURECT2 rect(r->left, 2.0f * r->top - r->bottom, 2.0f * r->right - r->left, r->bottom);
        root->SetRect(&rect);
        fresh = true;
    }
    const HRESULT hr = root->AttachSubTree(leaf, m_pNodePool, nullptr);
    if (FAILED(hr) && fresh) {
        CQTDynamicNode::DeleteNode(root, m_pNodePool);
        root = nullptr;
    }
    return hr;
}

void CDynamicTerrain::CollapseRoot(CQTDynamicNode*& root)
{
    while (root) {
        CQTDynamicNode* only = root->GetTheOnlyOneNodeChild();
        if (!only) return;
        root->SetChild(only->GetParentChildIndex(), nullptr);
        CQTDynamicNode::DeleteNode(root, m_pNodePool);
        root = only;
    }
}

void CDynamicTerrain::DetachTree(CQTDynamicNode* node, void (CDynamicTerrain::*leave)(CQuadtree* leaf))
{
    for (int corner = 0; corner < 4; ++corner) {
        const auto q = static_cast<ENUM_OU_CORNER>(corner);
        CQuadtree* child = node->GetChild(q);
        if (!child) continue;
        node->SetChild(q, nullptr);
        if (child->IsLeaf()) {
            (this->*leave)(child);
            continue;
        }
        auto* inner = static_cast<CQTDynamicNode*>(child);
        DetachTree(inner, leave);
        CQTDynamicNode::DeleteNode(inner, m_pNodePool);
    }
}

void CDynamicTerrain::ClipTree(CQTDynamicNode*& root, CQTDynamicNode* node, const SBoundCircle* view,
                               const KESTURECT2* box, const SClipKind& kind)
{
    const ENUM_QT_SELECT_RESULT test = node->SelectTestByCircle(view, box, nullptr);
    if (test == QT_SELECT_OUTSIDE) {
        DetachTree(node, kind.pfnLeave);
        if (CQuadtree* parent = node->GetParent())
            parent->SetChild(node->GetParentChildIndex(), nullptr);
        else
            root = nullptr;
        CQTDynamicNode::DeleteNode(node, m_pNodePool);
        return;
    }
    if (test == QT_SELECT_INSIDE) {
        node->FillFullTreeWithoutLeaf(kind.fLeafWidth, m_pNodePool, kind.pfnRequest);
        return;
    }
    const bool leaves = node->GetRect()->GetWidth() < 2.1f * kind.fLeafWidth;
    const bool splits = DTHalvesInFloat(*node);
    for (int corner = 0; corner < 4; ++corner) {
        const auto q = static_cast<ENUM_OU_CORNER>(corner);
        if (CQuadtree* child = node->GetChild(q)) {
            if (!child->IsLeaf()) {
                ClipTree(root, static_cast<CQTDynamicNode*>(child), view, box, kind);
            } else if (child->SelectTestByCircle(view, box, nullptr) == QT_SELECT_OUTSIDE) {
                node->SetChild(q, nullptr);
                (this->*kind.pfnLeave)(child);
            }
            continue;
        }
        if (!splits) continue;
        KESTURECT2 rect;
        node->CalcChildRect(&rect, q);
        if (!rect.IsIntersect(*box)) continue;
        const float cx = (rect.left + rect.right) * 0.5f, cz = (rect.top + rect.bottom) * 0.5f;
        const SBoundCircle cell(cx, cz, 0.70710677f * std::max(rect.GetWidth(), rect.GetHeight()));
        const int contact = cell.Intersect(view);
        if (contact == -1) continue;
        if (leaves) {
            kind.pfnRequest(cx, cz);
            continue;
        }
        CQTDynamicNode* fresh = CQTDynamicNode::NewNode(m_pNodePool);
        if (!fresh) continue;
        fresh->SetRect(&rect);
        node->SetChild(q, fresh);
        if (contact == 2)
            fresh->FillFullTreeWithoutLeaf(kind.fLeafWidth, m_pNodePool, kind.pfnRequest);
        else
            ClipTree(root, fresh, view, box, kind);
    }
}

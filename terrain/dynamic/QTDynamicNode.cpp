// CQTDynamicNode: attaching and detaching leaves and subtrees, growing the
// root outward and removing emptied nodes.
#include "kestu_dtquadtree.h"
#include "terrain/dynamic/DTFloatRange.h"

namespace {

CQTDynamicLeaf* AsDynamicLeaf(CQuadtree* node) { return dynamic_cast<CQTDynamicLeaf*>(node); }

} // namespace

float CQTDynamicNode::FillCornerAltitude(ENUM_OU_CORNER corner, float floor)
{
    return FillCornerFromChild(corner, floor);
}

float CQTDynamicNode::FillCenterAltitude(float floor) { return FillCenterFromChildren(floor); }

CQTDynamicNode* CQTDynamicNode::NewNode(CQTDNodePool* pool)
{
    if (pool) return pool->Alloc(0);
    return new (std::nothrow) CQTDynamicNode;
}

void CQTDynamicNode::DeleteNode(CQTDynamicNode* node, CQTDNodePool* pool)
{
    if (pool)
        pool->Free(node, 0);
    else
        delete node;
}

HRESULT CQTDynamicNode::AttachSubTree(CQuadtree* sub, CQTDNodePool* pool, void* context)
{
    const float s = sub->GetRect()->GetWidth();
    CQTDynamicNode* node = this;
    for (;;) {
        const float size = node->m_Rect.GetWidth();
        if (s + 0.001f > size) return E_FAIL;
        const D3DXVECTOR3* centre = sub->GetCenter();
        const ENUM_OU_CORNER q = node->GetChildIndex(centre->x, centre->z);
        CQuadtree* child = node->m_pChildren[q];
        if (s * 2.1f > size) {
            if (child) {
                if (child == sub) return 1;
                if (!child->IsLeaf() || !sub->IsLeaf()) return E_FAIL;
                child->UpdateData(sub);
                return 1;
            }
            node->SetChild(q, sub);
            if (sub->IsLeaf())
                if (CQTDynamicLeaf* leaf = AsDynamicLeaf(sub)) leaf->OnAttach(context);
            return S_OK;
        }
        if (!child) {
            if (!DTHalvesInFloat(*node)) return E_FAIL;
            CQTDynamicNode* fresh = NewNode(pool);
            if (!fresh) return E_OUTOFMEMORY;
            KESTURECT2 rect;
            node->CalcChildRect(&rect, q);
            fresh->SetRect(&rect);
            node->SetChild(q, fresh);
            child = fresh;
        }
        // A node that answers IsLeaf here is another leaf in the way.
        if (child->IsLeaf()) return E_FAIL;
        node = static_cast<CQTDynamicNode*>(child);
        context = nullptr;
    }
}

HRESULT CQTDynamicNode::DetachSubTree(CQuadtree* sub, CQTDNodePool* pool, void* context)
{
    const D3DXVECTOR3* centre = sub->GetCenter();
    CQTDynamicNode* node = this;
    for (;;) {
        const ENUM_OU_CORNER q = node->GetChildIndex(centre->x, centre->z);
        CQuadtree* child = node->m_pChildren[q];
        if (!child) return 1;
        if (child == sub) {
            if (sub->IsLeaf())
                if (CQTDynamicLeaf* leaf = AsDynamicLeaf(sub)) leaf->OnDetach(context);
            sub->SetParent(nullptr, OU_CORNER_LEFTBOTTOM);
            node->m_pChildren[q] = nullptr;
            if (CQuadtree* parent = node->m_pParent)
                static_cast<CQTDynamicNode*>(parent)->DestoryEmptyChildNode(node->m_eParentCorner, pool);
            return S_OK;
        }
        if (child->IsLeaf()) return E_FAIL;
        node = static_cast<CQTDynamicNode*>(child);
        context = nullptr;
    }
}

CQuadtree* CQTDynamicNode::DetachLeaf(float x, float z, CQTDNodePool* pool, void* context)
{
    CQTDynamicNode* node = this;
    for (;;) {
        const ENUM_OU_CORNER q = node->GetChildIndex(x, z);
        CQuadtree* child = node->m_pChildren[q];
        if (!child) return nullptr;
        if (!child->IsLeaf()) {
            node = static_cast<CQTDynamicNode*>(child);
            context = nullptr;
            continue;
        }
        if (CQTDynamicLeaf* leaf = AsDynamicLeaf(child)) leaf->OnDetach(context);
        child->SetParent(nullptr, OU_CORNER_LEFTBOTTOM);
        node->m_pChildren[q] = nullptr;
        if (CQuadtree* parent = node->m_pParent)
            static_cast<CQTDynamicNode*>(parent)->DestoryEmptyChildNode(node->m_eParentCorner, pool);
        return child;
    }
}

void CQTDynamicNode::DestoryEmptyChildNode(ENUM_OU_CORNER corner, CQTDNodePool* pool)
{
    CQTDynamicNode* parent = this;
    for (;;) {
        CQuadtree* child = parent->m_pChildren[corner];
        if (!child || child->IsLeaf() || !child->IsEmpty()) return;
        child->SetParent(nullptr, OU_CORNER_LEFTBOTTOM);
        DeleteNode(static_cast<CQTDynamicNode*>(child), pool);
        parent->m_pChildren[corner] = nullptr;
        if (!parent->m_pParent) return;
        corner = parent->m_eParentCorner;
        parent = static_cast<CQTDynamicNode*>(parent->m_pParent);
    }
}

void CQTDynamicNode::DestoryTreeNode(CQTDNodePool* pool, void* context)
{
    for (CQuadtree*& child : m_pChildren) {
        if (!child) continue;
        if (child->IsLeaf()) {
            if (CQTDynamicLeaf* leaf = AsDynamicLeaf(child)) leaf->OnDetach(context);
            child->SetParent(nullptr, OU_CORNER_LEFTBOTTOM);
        } else {
            auto* node = static_cast<CQTDynamicNode*>(child);
            node->DestoryTreeNode(pool, nullptr);
            node->SetParent(nullptr, OU_CORNER_LEFTBOTTOM);
            DeleteNode(node, pool);
        }
        child = nullptr;
    }
}

HRESULT CQTDynamicNode::FillFullTreeWithoutLeaf(float leafSize, CQTDNodePool* pool, void (*missing)(float x, float z))
{
    const bool leafLevel = leafSize * 2.1f > m_Rect.GetWidth();
    // Nothing under a node float cannot halve: its cells have no place.
    if (!DTHalvesInFloat(*this)) return S_OK;
    HRESULT result = S_OK;
    for (int corner = 0; corner < 4; ++corner) {
        const auto q = static_cast<ENUM_OU_CORNER>(corner);
        if (!m_pChildren[q]) {
            if (leafLevel) {
                if (missing) {
                    const D3DXVECTOR3& c = m_vCorners[q];
                    missing((c.x + m_vCenter.x) * 0.5f, (c.z + m_vCenter.z) * 0.5f);
                }
                continue;
            }
            CQTDynamicNode* fresh = NewNode(pool);
            if (!fresh) return E_OUTOFMEMORY;
            KESTURECT2 rect;
            CalcChildRect(&rect, q);
            fresh->SetRect(&rect);
            SetChild(q, fresh);
        }
        if (!m_pChildren[q]->IsLeaf())
            result = static_cast<CQTDynamicNode*>(m_pChildren[q])->FillFullTreeWithoutLeaf(leafSize, pool, missing);
    }
    return result;
}

CQTDynamicNode* CQTDynamicNode::EnlargeTree(float x, float z, CQTDNodePool* pool)
{
    CQTDynamicNode* root = NewNode(pool);
    if (!root) return nullptr;
    const float w = m_Rect.GetWidth(), h = m_Rect.GetHeight();
    const bool lowX = x < m_vCenter.x, lowZ = z < m_vCenter.z;
    KESTURECT2 rect = m_Rect;
    if (lowX)
        rect.left -= w;
    else
        rect.right += w;
    if (lowZ)
        rect.bottom -= h;
    else
        rect.top += h;
    root->SetRect(&rect);
    const ENUM_OU_CORNER corner =
        lowX ? (lowZ ? OU_CORNER_RIGHTTOP : OU_CORNER_RIGHTBOTTOM) : (lowZ ? OU_CORNER_LEFTTOP : OU_CORNER_LEFTBOTTOM);
    root->SetChild(corner, this);
    return root;
}

CQTDynamicNode* CQTDynamicNode::GetTheOnlyOneNodeChild() const
{
    CQuadtree* only = nullptr;
    for (CQuadtree* child : m_pChildren) {
        if (!child) continue;
        if (only) return nullptr;
        only = child;
    }
    return only && !only->IsLeaf() ? static_cast<CQTDynamicNode*>(only) : nullptr;
}

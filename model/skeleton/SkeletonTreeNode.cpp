#include <cstring>

#include "kestu_skeleton.h"
#include "model/archive/RecordIO.h"

namespace Kestu {

namespace {

// Deeper hierarchies are refused when reading (the walks recurse).
constexpr DWORD kDeepestNode = 1000;

} // namespace

CSkeletonTreeNode::~CSkeletonTreeNode() { Clear(); }

long CSkeletonTreeNode::AddChild(CSkeletonTreeNode* child)
{
    child->m_pParent = this;
    m_children.push_back(child);
    ++m_dwChildNum;
    return 0;
}

CSkeletonTreeNode* CSkeletonTreeNode::GetChild(DWORD i) const
{
    for (CSkeletonTreeNode* child : m_children)
        if (i-- == 0) return child;
    return nullptr;
}

int CSkeletonTreeNode::GetChildList(NodeList& list, NodeList::iterator& where, int reverse) const
{
    if (reverse)
        list.insert(where, m_children.rbegin(), m_children.rend());
    else
        list.insert(where, m_children.begin(), m_children.end());
    return 1;
}

CSkeletonTreeNode* CSkeletonTreeNode::FindNode(int (*fn)(CSkeletonTreeNode*, void*), void* param)
{
    if (fn(this, param) == 0) return this;
    for (CSkeletonTreeNode* child : m_children)
        if (CSkeletonTreeNode* found = child->FindNode(fn, param)) return found;
    return nullptr;
}

CSkeletonTreeNode* CSkeletonTreeNode::FindNodeByName(const char* name)
{
    return FindNode(
        [](CSkeletonTreeNode* node, void* p) { return std::strcmp(node->GetName(), static_cast<const char*>(p)); },
        const_cast<char*>(name ? name : ""));
}

void CSkeletonTreeNode::Clear()
{
    for (CSkeletonTreeNode* child : m_children) delete child;
    m_children.clear();
    m_dwChildNum = 0;
    m_pParent = nullptr;
}

void CSkeletonTreeNode::Clone(const CSkeletonTreeNode* src, CSkeletonTreeNode* parent)
{
    Clear();
    m_strName = src->m_strName;
    m_dwWord = src->m_dwWord;
    m_pObject = src->m_pObject;
    m_dwType = src->m_dwType;
    m_pParent = parent;
    for (const CSkeletonTreeNode* child : src->m_children) {
        CSkeletonTreeNode* copy = new CSkeletonTreeNode();
        copy->Clone(child, this);
        m_children.push_back(copy);
    }
    m_dwChildNum = static_cast<DWORD>(m_children.size());
}

long CSkeletonTreeNode::Serialize(COUArchive& ar, DWORD& byteCount, DWORD version, int store)
{
    if (!store) Clear();
    return SerializeAt(ar, byteCount, version, store, 0);
}

long CSkeletonTreeNode::SerializeAt(COUArchive& ar, DWORD& byteCount, DWORD version, int store, DWORD depth)
{
    if (depth > kDeepestNode) return E_FAIL;
    try {
        if (store) {
            if (m_strName.size() > record::kLongestPaddedName) return E_FAIL;
            record::WriteName(ar, m_strName, byteCount);
            DWORD count = static_cast<DWORD>(m_children.size());
            record::U32(ar, 1, count, byteCount);
            for (CSkeletonTreeNode* child : m_children)
                if (child->SerializeAt(ar, byteCount, version, 1, depth + 1) < 0) return E_FAIL;
            return 0;
        }
        m_strName = record::ReadName(ar, byteCount);
        DWORD count = 0;
        record::U32(ar, 0, count, byteCount);
        for (DWORD i = 0; i < count; ++i) {
            CSkeletonTreeNode* child = new CSkeletonTreeNode();
            AddChild(child);
            if (child->SerializeAt(ar, byteCount, version, 0, depth + 1) < 0) return E_FAIL;
        }
    } catch (HRESULT) {
        return E_FAIL;
    }
    return 0;
}

} // namespace Kestu

// The growable quadtree of the streamed terrain. Blocks are attached and
// detached one by one; the tree grows outward when a block falls outside the
// root, and interior nodes left empty are removed. Interior nodes come from a
// node pool, or from the heap when no pool is given; leaves belong to their
// owner and are never freed here.
//
// A leaf hears of its attachment and detachment through OnAttach and OnDetach
// with the caller's context, but only when it hangs directly under the node
// the call started at; deeper in the descent the context is null.
#pragma once
#include "kestu_export.h"
#include "kestu_dtpool.h"
#include "kestu_quadtree.h"

class CQTDynamicNode;
class CQTDNodePool;

class KESTU_API CQTDynamicLeaf : public CQTLeaf {
public:
    CQTDynamicLeaf() = default;
    virtual void OnAttach(void* context) {}
    virtual void OnDetach(void* context) {}
};

class KESTU_API CQTDynamicNode : public CQuadtree {
public:
    CQTDynamicNode() = default;
    CQTDynamicNode(const CQTDynamicNode& other) = default;
    CQTDynamicNode& operator=(const CQTDynamicNode& other) = default;

    // The corner from the child there, the centre from the low children (as
    // the complete tree's nodes do), never below floor.
    float FillCornerAltitude(ENUM_OU_CORNER corner, float floor) override;
    float FillCenterAltitude(float floor) override;
    int IsLeaf() const override { return 0; }
    ~CQTDynamicNode() override = default;

    // A node from the pool, or from the heap without one; null on failure.
    static CQTDynamicNode* NewNode(CQTDNodePool* pool);
    static void DeleteNode(CQTDynamicNode* node, CQTDNodePool* pool);

    // 0 attached; 1 when the spot already held sub or the leaf there took over
    // sub's data; E_FAIL when sub does not fit; E_OUTOFMEMORY without a node.
    HRESULT AttachSubTree(CQuadtree* sub, CQTDNodePool* pool, void* context);
    // 0 detached; 1 not found; E_FAIL when the descent meets another leaf.
    HRESULT DetachSubTree(CQuadtree* sub, CQTDNodePool* pool, void* context);
    // The leaf detached from that point, or null.
    CQuadtree* DetachLeaf(float x, float z, CQTDNodePool* pool, void* context);
    // Detaches every leaf below (they stay alive) and gives back every node.
    void DestoryTreeNode(CQTDNodePool* pool, void* context);
    // Nodes down to leaf size under every empty cell, and missing(x, z) at the
    // centre of each cell without a leaf. 0 or E_OUTOFMEMORY.
    HRESULT FillFullTreeWithoutLeaf(float leafSize, CQTDNodePool* pool, void (*missing)(float x, float z));
    // A root of twice the size toward the point, holding this node; null when
    // no node was available.
    CQTDynamicNode* EnlargeTree(float x, float z, CQTDNodePool* pool);
    // The only child when there is exactly one and it is a node, else null.
    CQTDynamicNode* GetTheOnlyOneNodeChild() const;

protected:
    // Gives back the emptied child at corner, and each ancestor that it
    // leaves empty, up to the root or the first node that keeps a child.
    void DestoryEmptyChildNode(ENUM_OU_CORNER corner, CQTDNodePool* pool);
};

// The pool of interior nodes.
class KESTU_API CQTDNodePool : public CDTObjectPool<CQTDynamicNode> {};

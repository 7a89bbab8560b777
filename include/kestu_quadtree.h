// The 2D quadtree over the ground (x east, z north, y altitude) that every
// terrain stands on. CQuadtree is a node: rectangle, children by corner,
// corner and centre points with their altitudes, a bounding sphere, a parent
// link and a selection flag. CQTLeaf never has children; CQTNode is an inner
// node of a complete tree over a square, row-major leaf array that the caller
// owns.
//
// A point on a node's centre line belongs to the low side (left or bottom) in
// every lookup: child index, subtree descent, leaf by position and the block
// height lookup.
#pragma once
#include "kestu_export.h"
#include "kestu_frustum.h"
#include "kestu_geometry.h"

// Result of a node test against a query shape.
enum ENUM_QT_SELECT_RESULT : int32_t {
    QT_SELECT_OUTSIDE = -1, // the node and its subtree are not touched
    QT_SELECT_PARTIAL = 0,  // touched, not wholly inside
    QT_SELECT_INSIDE = 1,   // the whole node lies in the query shape
};

class KESTU_API CQuadtree {
public:
    CQuadtree();
    CQuadtree(const CQuadtree& other) = default;
    CQuadtree& operator=(const CQuadtree& other) = default;

    // Children, points, flag and parent become zero; rectangle and sphere stay.
    virtual void CleanUp();
    // Refused when the parent is a leaf that can never take children.
    virtual void SetParent(CQuadtree* parent, ENUM_OU_CORNER corner);
    // The float of the fill operations is an altitude floor: nothing they
    // write is below it.
    virtual float FillCornerAltitude(ENUM_OU_CORNER corner, float floor);
    virtual float FillCenterAltitude(float floor);
    // Children first, then this node, so that its sphere holds theirs.
    virtual void FillBoundSphere(float floor);
    virtual void FillAltitude(float floor);
    // Takes this node's centre and corner altitude from the child at corner,
    // then climbs to the root.
    virtual void UpdateAltitudeReversely(ENUM_OU_CORNER corner);
    virtual void Move(const D3DXVECTOR3* delta, void* context);
    virtual void Move(float dx, float dy, float dz, void* context);
    virtual void Move2D(float dx, float dz, void* context);
    virtual void MoveAltitude(float dy, void* context);
    virtual void SetChild(ENUM_OU_CORNER corner, CQuadtree* child);
    // Copies the corner points, the centre point and the sphere of other.
    virtual void UpdateData(const CQuadtree* other);
    virtual int IsLeaf() const;
    // Descends by GetChildIndex, so a point on a centre line takes the low side.
    virtual CQuadtree* GetLeaf(float x, float z);

    virtual ENUM_QT_SELECT_RESULT SelectTestByPoint(float x, float z, void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestByRect(const KESTURECT2* rect, void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestByCircle(const SBoundCircle* circle, const KESTURECT2* bound,
                                                     void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestByTriangle(const KESTUPOINT2* points3, const KESTULINE2* lines3,
                                                       const KESTURECT2* bound, void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestByQuadrangle(const KESTUPOINT2* points4, const KESTULINE2* lines4,
                                                         const KESTURECT2* bound, void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestByConvexPolygon(const KESTULINE2* lines, const KESTUPOINT2* points,
                                                            DWORD count, const KESTURECT2* bound, void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestByLine(const KESTULINE* line, void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestBySphere(const SBoundSphere* sphere, void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestByBox(const SBoundBox* box, void* context);
    virtual ENUM_QT_SELECT_RESULT SelectTestByFrustum(const CFrustum* frustum, void* context);

    // Each returns the number of leaves reported through OnSelect.
    virtual DWORD SelectSubTreeByPoint(float x, float z, void* context);
    virtual DWORD SelectSubTreeByRect(const KESTURECT2* rect, void* context);
    virtual DWORD SelectSubTreeByCircle(const SBoundCircle* circle, const KESTURECT2* bound, void* context);
    virtual DWORD SelectSubTreeByTriangle(const KESTUPOINT2* points3, const KESTULINE2* lines3, const KESTURECT2* bound,
                                          void* context);
    virtual DWORD SelectSubTreeByQuadrangle(const KESTUPOINT2* points4, const KESTULINE2* lines4,
                                            const KESTURECT2* bound, void* context);
    virtual DWORD SelectSubTreeByConvexPolygon(const KESTULINE2* lines, const KESTUPOINT2* points, DWORD count,
                                               const KESTURECT2* bound, void* context);
    virtual DWORD SelectSubTreeByLine(const KESTULINE* line, void* context);
    virtual DWORD SelectSubTreeBySphere(const SBoundSphere* sphere, void* context);
    virtual DWORD SelectSubTreeByBox(const SBoundBox* box, void* context);
    virtual DWORD SelectSubTreeByFrustum(const CFrustum* frustum, void* context);

    // Called on each selected leaf; whole is 1 when the leaf lies wholly inside.
    virtual void OnSelect(void* context, int whole);

    virtual ~CQuadtree();

    CQuadtree* GetParent() const { return m_pParent; }
    ENUM_OU_CORNER GetParentChildIndex() const { return m_eParentCorner; }
    CQuadtree* GetChild(ENUM_OU_CORNER corner) const { return m_pChildren[corner]; }
    D3DXVECTOR3* GetCorner(ENUM_OU_CORNER corner) { return &m_vCorners[corner]; }
    const D3DXVECTOR3* GetCorner(ENUM_OU_CORNER corner) const { return &m_vCorners[corner]; }
    D3DXVECTOR3* GetCenter() { return &m_vCenter; }
    const D3DXVECTOR3* GetCenter() const { return &m_vCenter; }
    SBoundSphere* GetSphere() { return &m_Sphere; }
    const SBoundSphere* GetSphere() const { return &m_Sphere; }
    const KESTURECT2* GetRect() const { return &m_Rect; }
    int IsSelected() const { return m_bSelected; }
    void Select(int selected) { m_bSelected = selected; }
    int IsEmpty() const;
    // The child quadrant of a point; on a centre line the low side.
    ENUM_OU_CORNER GetChildIndex(float x, float z) const;
    // The rectangle of the child at corner; corners above 3 leave out untouched.
    void CalcChildRect(KESTURECT2* out, int corner) const;
    // Lays out this node, its points and sphere radius, and every child below.
    void SetRect(const KESTURECT2* rect);
    CQuadtree* GetSubTree(float x, float z, DWORD depth);
    DWORD SelectAll(void* context);
    // Direction 0 larger z, 1 smaller z, 2 smaller x, 3 larger x; a node of the
    // same depth or null.
    CQuadtree* GetNeighbor(int direction);
    void RefreshBoundSphere();
    void FillExternAltitude(const float* grid25, float floor);

protected:
    template <class Test, class Recurse>
    DWORD SelectWith(void* context, Test&& test, Recurse&& recurse);
    // The altitudes of an inner node taken from its subtree, never below
    // floor: a corner from the child at that corner, the centre from the
    // point at this node's centre, which is corner 2 of the child at corner 0.
    // Without those children the stored value stays; both return it.
    float FillCornerFromChild(ENUM_OU_CORNER corner, float floor);
    float FillCenterFromChildren(float floor);

    KESTURECT2 m_Rect;
    CQuadtree* m_pChildren[4];
    D3DXVECTOR3 m_vCorners[4];
    D3DXVECTOR3 m_vCenter;
    SBoundSphere m_Sphere;
    int32_t m_bSelected;
    CQuadtree* m_pParent;
    ENUM_OU_CORNER m_eParentCorner;
};

// A node that never has children: the base of the terrain blocks.
class KESTU_API CQTLeaf : public CQuadtree {
public:
    CQTLeaf() = default;
    // Accepts only a null child (detaching).
    void SetChild(ENUM_OU_CORNER corner, CQuadtree* child) override;
    int IsLeaf() const override { return 1; }
};

// An inner node of a complete tree over a square, row-major leaf array
// (row 0 at the smallest z) that the caller owns. Inner nodes below the root
// are owned by their parent.
class KESTU_API CQTNode : public CQuadtree {
public:
    CQTNode();
    // Inner nodes own their inner children: a copy would free them twice.
    CQTNode(const CQTNode&) = delete;
    CQTNode& operator=(const CQTNode&) = delete;

    float FillCornerAltitude(ENUM_OU_CORNER corner, float floor) override;
    float FillCenterAltitude(float floor) override;
    int IsLeaf() const override { return 0; }
    // The leaf under a point, found from the leaf size without descending;
    // null outside [left, right) x [bottom, top). Each leaf is half-open too:
    // a point on a line between two leaves belongs to the leaf that starts
    // there (unlike the descent of CQuadtree::GetLeaf).
    CQuadtree* GetLeaf(float x, float z) override;
    ~CQTNode() override;
    // Neither checks bounds.
    virtual CQTLeaf* GetLeaf(DWORD index);
    virtual CQTLeaf* GetLeaf(DWORD column, DWORD row);
    // Links the tree over leaves (size x size of them, pitch per row); sets no
    // rectangles. E_OUTOFMEMORY when a node cannot be made.
    virtual HRESULT Build(DWORD size, DWORD pitch, CQTLeaf** leaves);

    int IsRoot() const { return m_dwSize == m_dwPitch; }
    DWORD GetSize() const { return m_dwSize; }
    DWORD GetPitch() const { return m_dwPitch; }
    // Destroys the inner nodes below; leaves belong to the caller.
    void Release();

protected:
    CQTLeaf** m_ppLeaves;
    DWORD m_dwSize;
    DWORD m_dwPitch;
};

// Builds a complete tree of the given depth (at least 2) over
// 2^(depth-1) x 2^(depth-1) leaves; creates the root when *root is null.
KESTU_API HRESULT KestuCreateQuadtree(DWORD depth, const KESTURECT2* rect, CQTLeaf** leaves, CQTNode** root);

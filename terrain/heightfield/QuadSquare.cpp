// CQuadSquare: making nodes, their corner data, neighbours, and switching
// vertices and children on and off while the neighbours keep in step.
#include <new>

#include "terrain/heightfield/QuadSquare.h"

using quadsquare::Half;

float CQuadSquare::ms_fDetailThreshold = 100.0f;

void SQuadCornerData::Reset()
{
    pParent = nullptr;
    pSquare = nullptr;
    byChildIndex = 0;
    byLevel = 0;
    nXOrg = 0;
    nZOrg = 0;
}

CQuadSquare::CQuadSquare(SQuadCornerData* cd)
    : m_pChildren{nullptr, nullptr, nullptr, nullptr}, m_wErrors{0, 0, 0, 0, 0, 0}, m_byFlags(0), m_byEastCount(0),
      m_bySouthCount(0), m_bStatic(0), m_bDirty(0)
{
    cd->pSquare = this;
    const SQSVertex* c = cd->Verts;
    m_Vertices[0].dwValue = DWORD(c[0].dwValue + c[1].dwValue + c[2].dwValue + c[3].dwValue) >> 2;
    m_Vertices[1].dwValue = DWORD(c[3].dwValue + c[0].dwValue) >> 1;
    m_Vertices[2].dwValue = DWORD(c[1].dwValue + c[0].dwValue) >> 1;
    m_Vertices[3].dwValue = DWORD(c[2].dwValue + c[1].dwValue) >> 1;
    m_Vertices[4].dwValue = DWORD(c[3].dwValue + c[2].dwValue) >> 1;
    // The heights start at 0: a height map adds its samples to them.
    ChildErrorsFromCorners(c);
    m_wMinHeight = m_wMaxHeight = c[0].wHeight;
    for (int i = 1; i < 4; ++i) {
        if (c[i].wHeight < m_wMinHeight) m_wMinHeight = c[i].wHeight;
        if (c[i].wHeight > m_wMaxHeight) m_wMaxHeight = c[i].wHeight;
    }
}

void CQuadSquare::ChildErrorsFromCorners(const SQSVertex* c)
{
    const int centre = m_Vertices[0].wHeight;
    for (int i = 0; i < 4; ++i) {
        const int twist =
            int(c[i].wHeight) + centre - m_Vertices[((i + 1) & 3) + 1].wHeight - m_Vertices[i + 1].wHeight;
        m_wErrors[2 + i] = WORD(std::fabs(float(twist)) * 0.25f);
    }
}

void CQuadSquare::SpanCorners(const SQuadCornerData& cd)
{
    const SQSVertex* c = cd.Verts;
    const int h0 = c[0].wHeight, h1 = c[1].wHeight, h2 = c[2].wHeight, h3 = c[3].wHeight;
    m_Vertices[0].wHeight = WORD((h0 + h1 + h2 + h3) / 4);
    m_Vertices[1].wHeight = WORD((h3 + h0) / 2);
    m_Vertices[2].wHeight = WORD((h1 + h0) / 2);
    m_Vertices[3].wHeight = WORD((h2 + h1) / 2);
    m_Vertices[4].wHeight = WORD((h3 + h2) / 2);
    ChildErrorsFromCorners(c);
}

CQuadSquare::~CQuadSquare()
{
    for (int i = 0; i < 4; ++i) delete m_pChildren[i];
}

void CQuadSquare::SetupCornerData(SQuadCornerData* q, const SQuadCornerData& cd, unsigned char child) const
{
    child &= 3;
    const int64_t half = Half(cd.byLevel);
    q->pParent = &cd;
    q->pSquare = m_pChildren[child];
    q->byLevel = BYTE(cd.byLevel - 1);
    q->byChildIndex = child;
    const SQSVertex* v = m_Vertices;
    switch (child) {
    case 0:
        q->nXOrg = int32_t(cd.nXOrg + half);
        q->nZOrg = cd.nZOrg;
        q->Verts[0] = cd.Verts[0], q->Verts[1] = v[2], q->Verts[2] = v[0], q->Verts[3] = v[1];
        break;
    case 1:
        q->nXOrg = cd.nXOrg;
        q->nZOrg = cd.nZOrg;
        q->Verts[0] = v[2], q->Verts[1] = cd.Verts[1], q->Verts[2] = v[3], q->Verts[3] = v[0];
        break;
    case 2:
        q->nXOrg = cd.nXOrg;
        q->nZOrg = int32_t(cd.nZOrg + half);
        q->Verts[0] = v[0], q->Verts[1] = v[3], q->Verts[2] = cd.Verts[2], q->Verts[3] = v[4];
        break;
    default:
        q->nXOrg = int32_t(cd.nXOrg + half);
        q->nZOrg = int32_t(cd.nZOrg + half);
        q->Verts[0] = v[1], q->Verts[1] = v[0], q->Verts[2] = v[4], q->Verts[3] = cd.Verts[3];
        break;
    }
}

CQuadSquare* CQuadSquare::GetNeighbor(unsigned long direction, const SQuadCornerData& cd) const
{
    if (!cd.pParent || !cd.pParent->pSquare) return nullptr;
    const unsigned ci = cd.byChildIndex;
    const CQuadSquare* p = cd.pParent->pSquare;
    if (((direction - ci) & 2) == 0) {
        p = p->GetNeighbor(direction, *cd.pParent);
        if (!p) return nullptr;
    }
    return p->m_pChildren[((direction & 1) * 2) ^ ci ^ 1];
}

void CQuadSquare::ChangeCount(unsigned char index, int delta)
{
    // Index 0 is the east vertex's count, 3 the south vertex's.
    const int now = (index == 0 ? m_byEastCount : m_bySouthCount) + delta;
    const BYTE clamped = BYTE(now < 0 ? 0 : (now > 7 ? 7 : now));
    if (index == 0)
        m_byEastCount = clamped & 7;
    else
        m_bySouthCount = clamped & 7;
}

namespace {

// The path from the node up to the ancestor it shares with its neighbour in
// the direction, mirrored so that it leads down to the neighbour; 0 at the
// edge of the tree.
int NeighbourPath(unsigned char index, const SQuadCornerData& cd, unsigned char (&path)[256],
                  const SQuadCornerData*& ancestor)
{
    int count = 0;
    const SQuadCornerData* p = &cd;
    for (;;) {
        if (!p->pParent || !p->pParent->pSquare || count == 256) return 0;
        const unsigned ci = p->byChildIndex;
        const bool sameParent = ((index - ci) & 2) != 0;
        path[count++] = static_cast<unsigned char>(ci ^ 1 ^ ((index & 1) << 1));
        p = p->pParent;
        if (sameParent) break;
    }
    ancestor = p;
    return count;
}

} // namespace

CQuadSquare* CQuadSquare::EnableAlias(unsigned char index, const SQuadCornerData& cd)
{
    unsigned char path[256];
    const SQuadCornerData* ancestor = nullptr;
    const int count = NeighbourPath(index, cd, path, ancestor);
    return count ? ancestor->pSquare->EnableDescendant(count, path, *ancestor) : nullptr;
}

void CQuadSquare::EnableEdgeVertex(unsigned char index, const SQuadCornerData& cd, int increment)
{
    index &= 3;
    const BYTE mask = BYTE(1u << index);
    if ((m_byFlags & mask) && !increment) return;
    SetFlag(mask);
    if (increment && (index == 0 || index == 3)) ChangeCount(index, 1);
    CQuadSquare* neighbour = EnableAlias(index, cd);
    if (!neighbour) return;
    const unsigned char opposite = static_cast<unsigned char>(index ^ 2);
    neighbour->SetFlag(BYTE(1u << opposite));
    // A child of the west or north neighbour counts on that neighbour's own
    // east or south vertex, where NotifyChildDisable takes it back.
    if (increment && (opposite == 0 || opposite == 3)) neighbour->ChangeCount(opposite, 1);
}

void CQuadSquare::EnableChild(unsigned char index, const SQuadCornerData& cd)
{
    index &= 3;
    const BYTE mask = ChildFlag(index);
    if (m_byFlags & mask) return;
    SetFlag(mask);
    EnableEdgeVertex(index, cd, 1);
    EnableEdgeVertex(static_cast<unsigned char>((index + 1) & 3), cd, 1);
    if (m_pChildren[index]) return;
    if (FAILED(CreateChild(index, cd))) {
        // Without memory the child stays off, and so do its counts.
        ResetFlag(mask);
        DropChildCounts(cd, index);
        return;
    }
    // Refinement below the height data: the child lies on the surface
    // between its corners, not at height 0.
    SQuadCornerData q;
    SetupCornerData(&q, cd, index);
    m_pChildren[index]->SpanCorners(q);
}

CQuadSquare* CQuadSquare::EnableDescendant(int count, unsigned char path[], const SQuadCornerData& cd)
{
    if (count <= 0 || !path) return nullptr;
    const unsigned char i = path[count - 1] & 3;
    if (!(m_byFlags & ChildFlag(i))) EnableChild(i, cd);
    CQuadSquare* child = m_pChildren[i];
    if (!child || count - 1 <= 0) return child;
    SQuadCornerData q;
    SetupCornerData(&q, cd, i);
    return child->EnableDescendant(count - 1, path, q);
}

HRESULT CQuadSquare::CreateChild(unsigned char index, const SQuadCornerData& cd)
{
    if (m_pChildren[index & 3]) return E_FAIL;
    SQuadCornerData q;
    SetupCornerData(&q, cd, index);
    CQuadSquare* child = new (std::nothrow) CQuadSquare(&q);
    if (!child) return E_OUTOFMEMORY;
    m_pChildren[index & 3] = child;
    return S_OK;
}

void CQuadSquare::DropChildCounts(const SQuadCornerData& cd, unsigned char child)
{
    // The child touches the south vertex of this node (or of the north
    // neighbour) and the east vertex of this node (or of the west neighbour).
    CQuadSquare* s = (child & 2) ? this : GetNeighbor(1, cd);
    if (s) s->ChangeCount(3, -1);
    s = (child == 1 || child == 2) ? GetNeighbor(2, cd) : this;
    if (s) s->ChangeCount(0, -1);
}

void CQuadSquare::NotifyChildDisable(const SQuadCornerData& cd, unsigned char child)
{
    const unsigned char i = child & 3;
    ResetFlag(ChildFlag(i));
    DropChildCounts(cd, i);
    // On the tree's west and north edges no neighbour switches this node's
    // west and north vertices off: the last child that needs one does.
    unsigned char path[256];
    const SQuadCornerData* ancestor = nullptr;
    if (!(m_byFlags & (ChildFlag(1) | ChildFlag(2))) && NeighbourPath(2, cd, path, ancestor) == 0) ResetFlag(kWest);
    if (!(m_byFlags & (ChildFlag(0) | ChildFlag(1))) && NeighbourPath(1, cd, path, ancestor) == 0) ResetFlag(kNorth);
    if (m_pChildren[i] && !m_pChildren[i]->IsStatic()) {
        delete m_pChildren[i];
        m_pChildren[i] = nullptr;
    }
}

void CQuadSquare::SetStatic(const SQuadCornerData& cd)
{
    m_bStatic = 1;
    for (const SQuadCornerData* p = cd.pParent; p && p->pSquare && !p->pSquare->IsStatic(); p = p->pParent)
        p->pSquare->m_bStatic = 1;
}

void CQuadSquare::ResetTree()
{
    for (int i = 0; i < 4; ++i) {
        if (!m_pChildren[i]) continue;
        if (!m_pChildren[i]->IsStatic()) {
            delete m_pChildren[i];
            m_pChildren[i] = nullptr;
        } else {
            m_pChildren[i]->ResetTree();
        }
    }
    m_byFlags = 0;
    m_byEastCount = 0;
    m_bySouthCount = 0;
    // The dynamic nodes are gone: every error is recomputed before use.
    m_bDirty = 1;
}

int CQuadSquare::CountNodes() const
{
    int n = 1;
    for (int i = 0; i < 4; ++i)
        if (m_pChildren[i]) n += m_pChildren[i]->CountNodes();
    return n;
}

// CQuadSquare: the per-frame refinement by view error.
#include "terrain/heightfield/QuadSquare.h"

using quadsquare::BoxTest;
using quadsquare::Half;
using quadsquare::VertexTest;

void CQuadSquare::Update(const SQuadCornerData& cd, const D3DXVECTOR3* viewer, float detail)
{
    ms_fDetailThreshold = detail;
    UpdateAux(cd, viewer, 0.0f);
}

void CQuadSquare::UpdateAux(const SQuadCornerData& cd, const D3DXVECTOR3* viewer, float centreError)
{
    if (m_bDirty) RecomputeErrorAndColor(cd);
    const D3DXVECTOR3& v = *viewer;
    const float t = ms_fDetailThreshold;
    const float half = float(Half(cd.byLevel)), whole = 2.0f * half;
    const float x = float(cd.nXOrg), z = float(cd.nZOrg);

    if (!(m_byFlags & kEast) && VertexTest(x + whole, m_Vertices[1].wHeight, z + half, m_wErrors[0], v, t))
        EnableEdgeVertex(0, cd, 0);
    if (!(m_byFlags & kSouth) && VertexTest(x + half, m_Vertices[4].wHeight, z + whole, m_wErrors[1], v, t))
        EnableEdgeVertex(3, cd, 0);

    if (cd.byLevel > 0) {
        static constexpr unsigned char kOrder[4] = {1, 0, 2, 3};
        const float minY = m_wMinHeight, maxY = m_wMaxHeight;
        for (unsigned char i : kOrder) {
            if (m_byFlags & ChildFlag(i)) continue;
            const float cx = (i == 0 || i == 3) ? x + half : x, cz = (i & 2) ? z + half : z;
            if (BoxTest(cx, cz, half, minY, maxY, m_wErrors[2 + i], v, t)) EnableChild(i, cd);
        }
        for (unsigned char i : kOrder) {
            if (!(m_byFlags & ChildFlag(i)) || !m_pChildren[i]) continue;
            SQuadCornerData q;
            SetupCornerData(&q, cd, i);
            m_pChildren[i]->UpdateAux(q, viewer, m_wErrors[2 + i]); // may delete that child
        }
    }

    if ((m_byFlags & kEast) && m_byEastCount == 0 &&
        !VertexTest(x + whole, m_Vertices[1].wHeight, z + half, m_wErrors[0], v, t)) {
        ResetFlag(kEast);
        if (CQuadSquare* s = GetNeighbor(0, cd)) s->ResetFlag(kWest);
    }
    if ((m_byFlags & kSouth) && m_bySouthCount == 0 &&
        !VertexTest(x + half, m_Vertices[4].wHeight, z + whole, m_wErrors[1], v, t)) {
        ResetFlag(kSouth);
        if (CQuadSquare* s = GetNeighbor(3, cd)) s->ResetFlag(kNorth);
    }
    if (m_byFlags == 0 && cd.pParent && cd.pParent->pSquare &&
        !BoxTest(x, z, whole, m_wMinHeight, m_wMaxHeight, centreError, v, t))
        cd.pParent->pSquare->NotifyChildDisable(*cd.pParent, cd.byChildIndex); // may delete this node
}

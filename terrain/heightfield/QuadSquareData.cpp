// CQuadSquare: merging height maps, the errors and height ranges, static
// thinning and the height lookup.
#include "terrain/heightfield/QuadSquare.h"

using quadsquare::Half;

float SQSHeightMapInfo::Sample(int x, int z) const
{
    // A row shorter than the samples used would read before or across the data.
    if (!pData || nScale < 0 || nScale > 30 || nRowWidth < nXSize) return 0.0f;
    const int64_t dx = int64_t(x) - nXOrigin, dz = int64_t(z) - nZOrigin;
    const int64_t ix = dx >> nScale, iz = dz >> nScale;
    if (ix < 0 || ix >= int64_t(nXSize) - 1 || iz < 0 || iz >= int64_t(nZSize) - 1) return 0.0f;
    const int64_t mask = (int64_t(1) << nScale) - 1;
    const float step = float(int64_t(1) << nScale);
    const float fx = float(dx & mask) / step, fz = float(dz & mask) / step;
    const WORD* r0 = pData + iz * nRowWidth + ix;
    const WORD* r1 = r0 + nRowWidth;
    return (float(r0[0]) * (1.0f - fx) + float(r0[1]) * fx) * (1.0f - fz) +
           (float(r1[0]) * (1.0f - fx) + float(r1[1]) * fx) * fz;
}

void CQuadSquare::AddHeightMap(const SQuadCornerData& cd, const SQSHeightMapInfo& hm)
{
    if (!hm.pData || hm.nScale < 0 || hm.nScale > 30 || hm.nRowWidth < hm.nXSize) return;
    const int64_t block = 2 * Half(cd.byLevel), cell = int64_t(1) << hm.nScale;
    const bool overlaps =
        cd.nXOrg <= ((int64_t(hm.nXSize) + 2) << hm.nScale) + hm.nXOrigin && hm.nXOrigin - cell <= cd.nXOrg + block &&
        cd.nZOrg <= ((int64_t(hm.nZSize) + 2) << hm.nScale) + hm.nZOrigin && hm.nZOrigin - cell <= cd.nZOrg + block;
    if (!overlaps) return;
    // A node without data of its own may lie on its corners' surface (made
    // by refinement): the samples add to height 0.
    if (!m_bStatic)
        for (SQSVertex& v : m_Vertices) v.wHeight = 0;
    if (cd.pParent && cd.pParent->pSquare) cd.pParent->pSquare->EnableChild(cd.byChildIndex, *cd.pParent);

    for (unsigned char i = 0; i < 4; ++i) {
        if (!m_pChildren[i] && cd.byLevel > hm.nScale) CreateChild(i, cd);
        if (!m_pChildren[i]) continue;
        SQuadCornerData q;
        SetupCornerData(&q, cd, i);
        m_pChildren[i]->AddHeightMap(q, hm);
    }

    const int64_t half = Half(cd.byLevel);
    const int x = cd.nXOrg, z = cd.nZOrg;
    const float s[5] = {hm.Sample(int(x + half), int(z + half)), hm.Sample(int(x + 2 * half), int(z + half)),
                        hm.Sample(int(x + half), z), hm.Sample(x, int(z + half)),
                        hm.Sample(int(x + half), int(z + 2 * half))};
    bool fed = false;
    for (int i = 0; i < 5; ++i) {
        if (s[i] == 0.0f) continue;
        m_Vertices[i].wHeight = WORD(m_Vertices[i].wHeight + int(s[i]));
        m_bDirty = 1;
        fed = true;
    }
    for (int i = 0; i < 4 && !m_bDirty; ++i)
        if (m_pChildren[i] && m_pChildren[i]->IsDirty()) m_bDirty = 1;
    // Only data makes a node static: the dirty bit may be left over from
    // ResetTree or thinning, and a child that took data has already marked
    // its ancestors.
    if (fed && !m_bStatic) SetStatic(cd);
}

float CQuadSquare::RecomputeErrorAndColor(const SQuadCornerData& cd)
{
    const SQSVertex* c = cd.Verts;
    const float centre = m_Vertices[0].wHeight;
    const float diagonal =
        (cd.byChildIndex & 1) ? float(c[1].wHeight) + float(c[3].wHeight) : float(c[0].wHeight) + float(c[2].wHeight);
    float largest = std::fabs(centre - diagonal * 0.5f);

    WORD low = m_Vertices[0].wHeight, high = low;
    auto widen = [&](WORD lo, WORD hi) {
        if (lo < low) low = lo;
        if (hi > high) high = hi;
    };
    for (int i = 0; i < 4; ++i) widen(c[i].wHeight, c[i].wHeight);

    m_wErrors[0] = WORD(std::fabs(float(m_Vertices[1].wHeight) - (float(c[0].wHeight) + float(c[3].wHeight)) * 0.5f));
    m_wErrors[1] = WORD(std::fabs(float(m_Vertices[4].wHeight) - (float(c[2].wHeight) + float(c[3].wHeight)) * 0.5f));
    largest = std::fmax(largest, std::fmax(m_wErrors[0], m_wErrors[1]));
    for (int i = 1; i < 5; ++i) widen(m_Vertices[i].wHeight, m_Vertices[i].wHeight);

    for (unsigned char i = 0; i < 4; ++i) {
        if (CQuadSquare* child = m_pChildren[i]) {
            SQuadCornerData q;
            SetupCornerData(&q, cd, i);
            m_wErrors[2 + i] = WORD(child->RecomputeErrorAndColor(q));
            widen(child->m_wMinHeight, child->m_wMaxHeight);
        } else {
            const float twist = float(c[i].wHeight) - float(m_Vertices[((i + 1) & 3) + 1].wHeight) -
                                float(m_Vertices[i + 1].wHeight) + centre;
            m_wErrors[2 + i] = WORD(std::fabs(twist) * 0.25f);
        }
        largest = std::fmax(largest, float(m_wErrors[2 + i]));
    }
    m_wMinHeight = low;
    m_wMaxHeight = high;
    for (SQSVertex& v : m_Vertices) v.dwValue = 0xFFFFFFFF;
    m_bDirty = 0;
    return largest;
}

void CQuadSquare::StaticCullData(const SQuadCornerData& cd, float threshold)
{
    ResetTree();
    if (m_bDirty) RecomputeErrorAndColor(cd);
    // Bottom up, so that a level sees the levels below it already thinned.
    for (int level = 0; level < 15; ++level) StaticCullAux(cd, threshold, level);
}

void CQuadSquare::StaticCullAux(const SQuadCornerData& cd, float threshold, int targetLevel)
{
    if (cd.byLevel > targetLevel) {
        static constexpr unsigned char kOrder[4] = {1, 0, 2, 3};
        for (unsigned char i : kOrder) {
            if (!m_pChildren[i]) continue;
            SQuadCornerData q;
            SetupCornerData(&q, cd, i);
            m_pChildren[i]->StaticCullAux(q, threshold, targetLevel); // may delete that child
        }
        return;
    }
    const SQSVertex* c = cd.Verts;
    const float size = float(2 * Half(cd.byLevel));
    if (!m_pChildren[0] && !m_pChildren[3] && float(m_wErrors[0]) * threshold < size) {
        CQuadSquare* s = GetNeighbor(0, cd);
        if (!s || (!s->m_pChildren[1] && !s->m_pChildren[2])) {
            const WORD y = WORD((float(c[0].wHeight) + float(c[3].wHeight)) * 0.5f);
            m_Vertices[1].wHeight = y;
            if (s) s->m_Vertices[3].wHeight = y;
            m_bDirty = 1;
        }
    }
    if (!m_pChildren[2] && !m_pChildren[3] && float(m_wErrors[1]) * threshold < size) {
        CQuadSquare* s = GetNeighbor(3, cd);
        if (!s || (!s->m_pChildren[0] && !s->m_pChildren[1])) {
            const WORD y = WORD((float(c[2].wHeight) + float(c[3].wHeight)) * 0.5f);
            m_Vertices[4].wHeight = y;
            if (s) s->m_Vertices[2].wHeight = y;
            m_bDirty = 1;
        }
    }
    bool children = false;
    for (int i = 0; i < 4; ++i) {
        if (!m_pChildren[i]) continue;
        children = true;
        if (m_pChildren[i]->IsDirty()) m_bDirty = 1;
    }
    if (children || !cd.pParent || !cd.pParent->pSquare) return;
    for (int i = 0; i < 4; ++i) {
        const float edge = (float(c[i].wHeight) + float(c[(i + 3) & 3].wHeight)) * 0.5f;
        if (std::fabs(float(m_Vertices[i + 1].wHeight) - edge) > 0.00001f) return;
    }
    CQuadSquare* parent = cd.pParent->pSquare;
    const unsigned ci = cd.byChildIndex & 3;
    if (float(parent->m_wErrors[2 + ci]) * threshold < size * 1.4142135f) {
        parent->m_pChildren[ci] = nullptr;
        delete this;
    }
}

float CQuadSquare::GetHeight(const SQuadCornerData& cd, float x, float z) const
{
    const float half = float(Half(cd.byLevel));
    const float lx = (x - float(cd.nXOrg)) / half, lz = (z - float(cd.nZOrg)) / half;
    // Points before the node take its near quarter, points beyond it the far one.
    const int ix = lx >= 1.0f ? 1 : 0, iz = lz >= 1.0f ? 1 : 0;
    const unsigned char ci = static_cast<unsigned char>(((iz ^ 1) + 2 * iz) ^ ix);
    if (const CQuadSquare* child = m_pChildren[ci]; child && child->IsStatic()) {
        SQuadCornerData q;
        SetupCornerData(&q, cd, ci);
        return child->GetHeight(q, x, z);
    }
    const float fx = std::fmin(std::fmax(lx - float(ix), 0.0f), 1.0f);
    const float fz = std::fmin(std::fmax(lz - float(iz), 0.0f), 1.0f);
    const SQSVertex* v = m_Vertices;
    const SQSVertex* c = cd.Verts;
    WORD s00, s01, s10, s11;
    switch (ci) {
    case 0: s00 = v[2].wHeight, s01 = c[0].wHeight, s10 = v[0].wHeight, s11 = v[1].wHeight; break;
    case 1: s00 = c[1].wHeight, s01 = v[2].wHeight, s10 = v[3].wHeight, s11 = v[0].wHeight; break;
    case 2: s00 = v[3].wHeight, s01 = v[0].wHeight, s10 = c[2].wHeight, s11 = v[4].wHeight; break;
    default: s00 = v[0].wHeight, s01 = v[1].wHeight, s10 = v[4].wHeight, s11 = c[3].wHeight; break;
    }
    return (float(s00) * (1.0f - fx) + float(s01) * fx) * (1.0f - fz) +
           (float(s10) * (1.0f - fx) + float(s11) * fx) * fz;
}

// CDTOutlyingBlock: one far-ring quad, local (indices into the ring's
// vertex grid) or extern (four corners of its own).
#include <algorithm>
#include <cmath>
#include <cstring>

#include "kestu_dynamicterrain.h"

CDTOutlyingBlock::CDTOutlyingBlock() : m_Corner{}, m_dwListIndex(kNotListed), m_bLocal(1) {}

CDTOutlyingBlock::~CDTOutlyingBlock() = default;

void CDTOutlyingBlock::StartBuild(const CDynamicTerrain* owner, int column, int row)
{
    CleanUp();
    m_Sphere.Reset();
    const float w = owner->GetOutlyingBlockWidth(), h = owner->GetOutlyingBlockHeight();
    const float x0 = float(column) * w, z0 = float(row) * h;
    const KESTURECT2 rect(x0, z0 + h, x0 + w, z0);
    SetRect(&rect);
    m_dwListIndex = kNotListed;
}

void CDTOutlyingBlock::FitHeights(const float* altitudes)
{
    // Record order (x0, z0), (x0, z1), (x1, z1), (x1, z0) is corners 0, 3, 2, 1.
    static constexpr int kCornerOf[4] = {0, 3, 2, 1};
    float low = altitudes[0], high = altitudes[0];
    for (int i = 0; i < 4; ++i) {
        m_vCorners[kCornerOf[i]].y = altitudes[i];
        low = std::min(low, altitudes[i]);
        high = std::max(high, altitudes[i]);
    }
    const float halfRise = (high - low) * 0.5f;
    m_vCenter.y = low + halfRise;
    m_Sphere.center = m_vCenter;
    m_Sphere.SetRadius(std::sqrt(m_Sphere.radiusSq + halfRise * halfRise));
}

void CDTOutlyingBlock::BuildLocal(CDynamicTerrain* owner, int column, int row)
{
    StartBuild(owner, column, row);
    const float altitudes[4] = {owner->GetOutlyingAltitude(column, row), owner->GetOutlyingAltitude(column, row + 1),
                                owner->GetOutlyingAltitude(column + 1, row + 1),
                                owner->GetOutlyingAltitude(column + 1, row)};
    FitHeights(altitudes);
    const int w = owner->GetOutlyingBlockStride() + 1;
    const auto a = WORD(row * w + column), b = WORD((row + 1) * w + column);
    const WORD indices[6] = {a, b, WORD(b + 1), a, WORD(b + 1), WORD(a + 1)};
    std::memset(&m_Corner, 0, sizeof m_Corner);
    std::memcpy(m_Corner.indices, indices, sizeof indices);
    m_bLocal = 1;
}

void CDTOutlyingBlock::BuildExtern(CDynamicTerrain* owner, int column, int row, const SDTOutlyingBlockInit* corners)
{
    StartBuild(owner, column, row);
    const KESTURECT2& r = m_Rect;
    m_Corner.vertices[0] = D3DXVECTOR3(r.left, corners->fAltitude[0], r.bottom);
    m_Corner.vertices[1] = D3DXVECTOR3(r.left, corners->fAltitude[1], r.top);
    m_Corner.vertices[2] = D3DXVECTOR3(r.right, corners->fAltitude[2], r.top);
    m_Corner.vertices[3] = D3DXVECTOR3(r.right, corners->fAltitude[3], r.bottom);
    FitHeights(corners->fAltitude);
    m_bLocal = 0;
}

void CDTOutlyingBlock::Release()
{
    CleanUp();
    m_Sphere.Reset();
    std::memset(&m_Corner, 0, sizeof m_Corner);
    m_bLocal = 1;
    m_dwListIndex = kNotListed;
}

HRESULT CDTOutlyingBlock::Render(IDirect3DDevice8* device)
{
    return device->DrawPrimitiveUP(D3DPT_TRIANGLEFAN, 2, m_Corner.vertices, sizeof(D3DXVECTOR3));
}

void CDTOutlyingBlock::OnSelect(void* context, int)
{
    auto* info = static_cast<SDTOutlyingVisibleTestInfo*>(context);
    if (!info) return;
    if (info->bDistTest) {
        const float dx = m_vCenter.x - info->fEyeX, dz = m_vCenter.z - info->fEyeZ;
        if (dx * dx + dz * dz < info->fNearSq) return;
    }
    CPointerArray* list = m_bLocal ? info->pLocal : info->pExtern;
    if (list) m_dwListIndex = list->InsertPointerGrow(this, 0);
}

void CDTOutlyingBlock::OnDetach(void* context)
{
    if (m_dwListIndex == kNotListed) return;
    if (auto* info = static_cast<SDTOutlyingDetachInfo*>(context)) {
        CPointerArray* list = m_bLocal ? info->pLocal : info->pExtern;
        if (list && list->GetPointer(m_dwListIndex) == this) list->RemovePointer(m_dwListIndex);
    }
    m_dwListIndex = kNotListed;
}

void CDTOutlyingBlock::Shift(float dx, float dy, float dz)
{
    if (m_bLocal) return;
    for (D3DXVECTOR3& v : m_Corner.vertices) v += D3DXVECTOR3(dx, dy, dz);
}

void CDTOutlyingBlock::Move(const D3DXVECTOR3* delta, void* connect) { Move(delta->x, delta->y, delta->z, connect); }

void CDTOutlyingBlock::Move(float dx, float dy, float dz, void* connect)
{
    CQuadtree::Move(dx, dy, dz, connect);
    Shift(dx, dy, dz);
}

void CDTOutlyingBlock::Move2D(float dx, float dz, void* connect)
{
    CQuadtree::Move2D(dx, dz, connect);
    Shift(dx, 0.0f, dz);
}

void CDTOutlyingBlock::MoveAltitude(float dy, void* connect)
{
    CQuadtree::MoveAltitude(dy, connect);
    Shift(0.0f, dy, 0.0f);
}

void CDTOutlyingBlock::UpdateData(const CQuadtree* other)
{
    if (!other->IsLeaf()) return;
    if (const auto* block = dynamic_cast<const CDTOutlyingBlock*>(other))
        for (int i = 0; i < 4; ++i) m_Corner.vertices[i] = block->m_Corner.vertices[i];
}

#include "effects/bbmanager/BBSort.h"
#include "kestu_billboard.h"
#include "kestu_bbmng.h"

namespace {
CBillboard* PlainEntry(void* entry) { return static_cast<CBillboard*>(entry); }
} // namespace

HRESULT CBillboardMng::Build(int bAutoDecideVisible, DWORD initialCount, DWORD growBy, int b2d)
{
    RemoveAllPointer();
    m_bAutoDecideVisible = bAutoDecideVisible;
    m_b2d = b2d;
    return CPointerArray::Build(initialCount, 1, growBy, 128, 0);
}

void CBillboardMng::FrameMove(float now)
{
    const DWORD n = m_dwUsedSize;
    if (m_bAutoDecideVisible) {
        DWORD visible = 0;
        for (DWORD i = 0; i < n; ++i) {
            CBillboard* bb = GetBillboard(i);
            if (bb == nullptr || !bb->DecideIsVisible()) continue;
            bb->FrameMove(now);
            ++visible;
        }
        m_dwVisibleNumber = visible;
    } else {
        for (DWORD i = 0; i < n; ++i)
            if (CBillboard* bb = GetBillboard(i)) bb->FrameMove(now);
    }
    if (m_pfnCompare != nullptr && now - m_fLastSortTime > m_fSortInterval) {
        m_fLastSortTime = now;
        SortEntries();
    }
}

void CBillboardMng::SortEntries()
{
    kestu_bb::SortEntries(m_ppData, m_dwUsedSize, m_pfnCompare, PlainEntry, m_SortKeys);
}

HRESULT CBillboardMng::Render(IDirect3DDevice8* device)
{
    if (m_dwUsedSize == 0) return S_OK;
    device->SetVertexShader(m_b2d ? KESTU_BBVERTEX2D_FVF : KESTU_BBVERTEX_FVF);
    device->SetRenderState(D3DRS_ALPHAREF, m_byAlphaRef);
    for (DWORD i = 0; i < m_dwUsedSize; ++i) {
        CBillboard* bb = GetBillboard(i);
        if (bb == nullptr || (m_bAutoDecideVisible && !bb->IsVisible())) continue;
        bb->Render(device);
    }
    return S_OK;
}

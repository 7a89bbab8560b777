#include "kestu_rsmng.h"

namespace {

struct RenderStateValue {
    D3DRENDERSTATETYPE state;
    DWORD value;
};

struct StageStateValue {
    DWORD stage;
    D3DTEXTURESTAGESTATETYPE state;
    DWORD value;
};

constexpr RenderStateValue kRenderStates[CGfxRSMng::kRenderStates] = {
    {D3DRS_ALPHABLENDENABLE, TRUE},
    {D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {D3DRS_ALPHATESTENABLE, TRUE},
    {D3DRS_ALPHAREF, 8},
    {D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
    {D3DRS_FILLMODE, D3DFILL_SOLID},
    {D3DRS_CULLMODE, D3DCULL_CCW},
    {D3DRS_STENCILENABLE, FALSE},
    {D3DRS_CLIPPING, TRUE},
    {D3DRS_CLIPPLANEENABLE, 0},
    {D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
    {D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
    {D3DRS_FOGENABLE, FALSE},
    {D3DRS_COLORWRITEENABLE, 0xF},
};

constexpr StageStateValue kStageStates[CGfxRSMng::kStageStates] = {
    {0, D3DTSS_COLOROP, D3DTOP_MODULATE},
    {0, D3DTSS_COLORARG1, D3DTA_TEXTURE},
    {0, D3DTSS_COLORARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_ALPHAOP, D3DTOP_MODULATE},
    {0, D3DTSS_ALPHAARG1, D3DTA_TEXTURE},
    {0, D3DTSS_ALPHAARG2, D3DTA_DIFFUSE},
    {0, D3DTSS_TEXCOORDINDEX, 0},
    {0, D3DTSS_TEXTURETRANSFORMFLAGS, D3DTTFF_DISABLE},
    {1, D3DTSS_COLOROP, D3DTOP_DISABLE},
    {1, D3DTSS_ALPHAOP, D3DTOP_DISABLE},
    {0, D3DTSS_MINFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MAGFILTER, D3DTEXF_POINT},
    {0, D3DTSS_MIPFILTER, D3DTEXF_NONE},
};

} // namespace

HRESULT CGfxRSMng::Initialize(IDirect3DDevice8* device)
{
    m_pDevice = device;
    return 0;
}

HRESULT CGfxRSMng::BeginDrawTextTo2D()
{
    if (m_bBegun || !m_pDevice)
        return 0;
    for (int i = 0; i < kRenderStates; ++i) {
        const RenderStateValue& row = ::kRenderStates[i];
        m_pDevice->GetRenderState(row.state, &m_dwSavedRS[i]);
        if (m_dwSavedRS[i] != row.value)
            m_pDevice->SetRenderState(row.state, row.value);
    }
    for (int i = 0; i < kStageStates; ++i) {
        const StageStateValue& row = ::kStageStates[i];
        m_pDevice->GetTextureStageState(row.stage, row.state, &m_dwSavedTSS[i]);
        if (m_dwSavedTSS[i] != row.value)
            m_pDevice->SetTextureStageState(row.stage, row.state, row.value);
    }
    m_bBegun = TRUE;
    return 0;
}

HRESULT CGfxRSMng::EndDrawTextTo2D()
{
    if (!m_bBegun || !m_pDevice)
        return 0;
    for (int i = 0; i < kRenderStates; ++i) {
        const RenderStateValue& row = ::kRenderStates[i];
        if (m_dwSavedRS[i] != row.value)
            m_pDevice->SetRenderState(row.state, m_dwSavedRS[i]);
    }
    for (int i = 0; i < kStageStates; ++i) {
        const StageStateValue& row = ::kStageStates[i];
        if (m_dwSavedTSS[i] != row.value)
            m_pDevice->SetTextureStageState(row.stage, row.state, m_dwSavedTSS[i]);
    }
    m_bBegun = FALSE;
    return 0;
}

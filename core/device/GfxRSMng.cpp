#include "kestu_rsmng.h"

#include "core/device/StateTable.h"

namespace {

constexpr StateRow kRenderStates[CGfxRSMng::kRenderStates] = {
    {-1, D3DRS_ALPHABLENDENABLE, TRUE},
    {-1, D3DRS_SRCBLEND, D3DBLEND_SRCALPHA},
    {-1, D3DRS_DESTBLEND, D3DBLEND_INVSRCALPHA},
    {-1, D3DRS_ALPHATESTENABLE, TRUE},
    {-1, D3DRS_ALPHAREF, 8},
    {-1, D3DRS_ALPHAFUNC, D3DCMP_GREATEREQUAL},
    {-1, D3DRS_FILLMODE, D3DFILL_SOLID},
    {-1, D3DRS_CULLMODE, D3DCULL_CCW},
    {-1, D3DRS_STENCILENABLE, FALSE},
    {-1, D3DRS_CLIPPING, TRUE},
    {-1, D3DRS_CLIPPLANEENABLE, 0},
    {-1, D3DRS_VERTEXBLEND, D3DVBF_DISABLE},
    {-1, D3DRS_INDEXEDVERTEXBLENDENABLE, FALSE},
    {-1, D3DRS_FOGENABLE, FALSE},
    {-1, D3DRS_COLORWRITEENABLE, 0xF},
};

constexpr StateRow kStageStates[CGfxRSMng::kStageStates] = {
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
    for (int i = 0; i < kRenderStates; ++i)
        SaveAndSetState(m_pDevice, ::kRenderStates[i], ::kRenderStates[i].value, &m_dwSavedRS[i]);
    for (int i = 0; i < kStageStates; ++i)
        SaveAndSetState(m_pDevice, ::kStageStates[i], ::kStageStates[i].value, &m_dwSavedTSS[i]);
    m_bBegun = TRUE;
    return 0;
}

HRESULT CGfxRSMng::EndDrawTextTo2D()
{
    if (!m_bBegun || !m_pDevice)
        return 0;
    for (int i = 0; i < kRenderStates; ++i)
        RestoreState(m_pDevice, ::kRenderStates[i], m_dwSavedRS[i], ::kRenderStates[i].value);
    for (int i = 0; i < kStageStates; ++i)
        RestoreState(m_pDevice, ::kStageStates[i], m_dwSavedTSS[i], ::kStageStates[i].value);
    m_bBegun = FALSE;
    return 0;
}

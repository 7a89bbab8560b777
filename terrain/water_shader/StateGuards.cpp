// The scoped render-state and texture-stage-state guards.
#include "kestu_shaderwatertex.h"

namespace Kestu {

IDirect3DDevice8* RenderStateGuard::s_pDevice = nullptr;
IDirect3DDevice8* TextureStageStateGuard::s_pDevice = nullptr;

RenderStateGuard::RenderStateGuard(D3DRENDERSTATETYPE state, DWORD value) : m_dwSaved(0), m_nState(-1)
{
    if (!s_pDevice || FAILED(s_pDevice->GetRenderState(state, &m_dwSaved)))
        return;
    m_nState = static_cast<int>(state);
    if (m_dwSaved != value)
        s_pDevice->SetRenderState(state, value);
}

RenderStateGuard::~RenderStateGuard()
{
    if (m_nState == -1 || !s_pDevice)
        return;
    const auto state = static_cast<D3DRENDERSTATETYPE>(m_nState);
    DWORD now = 0;
    if (SUCCEEDED(s_pDevice->GetRenderState(state, &now)) && now != m_dwSaved)
        s_pDevice->SetRenderState(state, m_dwSaved);
}

TextureStageStateGuard::TextureStageStateGuard(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
    : m_nStage(-1), m_dwSaved(0), m_nType(static_cast<int>(type))
{
    if (!s_pDevice || FAILED(s_pDevice->GetTextureStageState(stage, type, &m_dwSaved)))
        return;
    m_nStage = static_cast<int>(stage);
    if (m_dwSaved != value)
        s_pDevice->SetTextureStageState(stage, type, value);
}

TextureStageStateGuard::~TextureStageStateGuard()
{
    if (m_nStage == -1 || !s_pDevice)
        return;
    const auto stage = static_cast<DWORD>(m_nStage);
    const auto type = static_cast<D3DTEXTURESTAGESTATETYPE>(m_nType);
    DWORD now = 0;
    if (SUCCEEDED(s_pDevice->GetTextureStageState(stage, type, &now)) && now != m_dwSaved)
        s_pDevice->SetTextureStageState(stage, type, m_dwSaved);
}

} // namespace Kestu

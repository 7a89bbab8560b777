// The scoped render-state and texture-stage-state guards.
#include "core/device/DeviceState.h"
#include "kestu_shaderwatertex.h"

namespace Kestu {

IDirect3DDevice8* RenderStateGuard::s_pDevice = nullptr;
IDirect3DDevice8* TextureStageStateGuard::s_pDevice = nullptr;

RenderStateGuard::RenderStateGuard(D3DRENDERSTATETYPE state, DWORD value) : m_dwSaved(0), m_nState(-1)
{
    if (s_pDevice && kestu::SaveState(s_pDevice, {kestu::kRenderState, DWORD(state), value}, &m_dwSaved))
        m_nState = static_cast<int>(state);
}

RenderStateGuard::~RenderStateGuard()
{
    if (m_nState != -1 && s_pDevice)
        kestu::PutBackDiffering(s_pDevice, kestu::kRenderState, DWORD(m_nState), m_dwSaved);
}

TextureStageStateGuard::TextureStageStateGuard(DWORD stage, D3DTEXTURESTAGESTATETYPE type, DWORD value)
    : m_nStage(-1), m_dwSaved(0), m_nType(static_cast<int>(type))
{
    // No device has a stage past INT_MAX; such a stage must not read as a render state.
    if (s_pDevice && int(stage) >= 0 && kestu::SaveState(s_pDevice, {int(stage), DWORD(type), value}, &m_dwSaved))
        m_nStage = static_cast<int>(stage);
}

TextureStageStateGuard::~TextureStageStateGuard()
{
    if (m_nStage != -1 && s_pDevice) kestu::PutBackDiffering(s_pDevice, m_nStage, DWORD(m_nType), m_dwSaved);
}

} // namespace Kestu

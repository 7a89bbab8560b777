#include "kestu_rsmng.h"

#include "core/device/DeviceState.h"

static_assert(CGfxRSMng::kRenderStates == kestu::kOverlayRenderStates &&
              CGfxRSMng::kStageStates == kestu::kOverlayStageStates);

namespace {

constexpr const kestu::StateRow* kRenderStates = kestu::kOverlayStates;
constexpr const kestu::StateRow* kStageStates = kestu::kOverlayStates + kestu::kOverlayRenderStates;

} // namespace

HRESULT CGfxRSMng::Initialize(IDirect3DDevice8* device)
{
    m_pDevice = device;
    return 0;
}

HRESULT CGfxRSMng::BeginDrawTextTo2D()
{
    if (m_bBegun || !m_pDevice) return 0;
    kestu::SaveStates(m_pDevice, ::kRenderStates, kRenderStates, m_dwSavedRS);
    kestu::SaveStates(m_pDevice, ::kStageStates, kStageStates, m_dwSavedTSS);
    m_bBegun = TRUE;
    return 0;
}

HRESULT CGfxRSMng::EndDrawTextTo2D()
{
    if (!m_bBegun || !m_pDevice) return 0;
    kestu::PutBackChanged(m_pDevice, ::kStageStates, kStageStates, m_dwSavedTSS);
    kestu::PutBackChanged(m_pDevice, ::kRenderStates, kRenderStates, m_dwSavedRS);
    m_bBegun = FALSE;
    return 0;
}

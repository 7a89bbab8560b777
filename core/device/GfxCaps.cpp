#include "kestu_config.h"

CGfxCaps::CGfxCaps() : m_Caps{}, m_D3dCaps{}, m_dwCreateFlags(0), m_szAdapterInfo{} {}

CGfxCaps::~CGfxCaps() = default;

void CGfxCaps::SetD3dCaps(const D3DCAPS8* caps)
{
    if (caps) m_D3dCaps = *caps;
}
